// An extension library for the dispatch tests: each export gives one kind of answer.
#include <windows.h>
#include <oleauto.h>

#include <string>

namespace {

BSTR Answer(const std::wstring& text) { return ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size())); }

// The library's own file name, so a test can tell which of two copies answered.
std::wstring OwnFileName() {
  HMODULE self = nullptr;
  ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&OwnFileName), &self);
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(self, path, MAX_PATH);
  std::wstring full = path;
  return full.substr(full.find_last_of(L'\\') + 1);
}

}  // namespace

extern "C" {
BSTR __stdcall FSEcho(const wchar_t* args) noexcept { return Answer(args ? args : L""); }
BSTR __stdcall FSPipe2(const wchar_t*) noexcept { return Answer(L"|A|B"); }
BSTR __stdcall FSPipe3(const wchar_t*) noexcept { return Answer(L"|A|B|C"); }
BSTR __stdcall FSEmpty(const wchar_t*) noexcept { return Answer(L""); }
BSTR __stdcall FSNull(const wchar_t*) noexcept { return nullptr; }
BSTR __stdcall FSWhich(const wchar_t*) noexcept { return Answer(L"," + OwnFileName()); }
// Leaves a mark in the process's environment, so a test can tell what happened before the call.
BSTR __stdcall FSMark(const wchar_t*) noexcept {
  ::SetEnvironmentVariableW(L"TESTFSCMD_MARK", L"called");
  return Answer(L",marked");
}
// A name of 256 characters, one more than an export name that can be looked up.
BSTR __stdcall FSLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLL(const wchar_t*) noexcept { return Answer(L",long"); }
}
