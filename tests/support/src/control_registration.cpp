#include "testing_support/control_registration.h"

#include <map>

#include "framework/handles.h"
#include "testing_support/files.h"

namespace testing_support {

HRESULT CallBuiltModuleExport(const std::wstring& relative, const char* name) {
  static std::map<std::wstring, HMODULE> loaded;
  HMODULE& module = loaded[relative];
  if (!module) module = ::LoadLibraryW(BuildTreePath(relative).c_str());
  if (!module) return E_FAIL;
  auto fn = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(::GetProcAddress(module, name));
  return fn ? fn() : E_FAIL;
}

int RunRegsvr32(const std::wstring& arguments, DWORD timeoutMs) {
  std::wstring command = L"regsvr32.exe " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return -1;
  framework::UniqueHandle thread(process.hThread);
  framework::UniqueHandle handle(process.hProcess);
  if (::WaitForSingleObject(handle.get(), timeoutMs) != WAIT_OBJECT_0) {
    ::TerminateProcess(handle.get(), 1);
    return -1;
  }
  DWORD code = 0;
  ::GetExitCodeProcess(handle.get(), &code);
  return static_cast<int>(code);
}

}  // namespace testing_support
