#include "test_support.h"

#include <algorithm>

#include "format/container.h"
#include "format/stream.h"
#include "testing_support/top_windows.h"

namespace testing_support {

bool MemoryContent::Open(const format::EmbeddedFile& file, uint64_t* size,
                         std::unique_ptr<format::ByteSource>* content) {
  auto it = files_.find(file.path);
  if (it == files_.end()) return false;
  *size = it->second.size();
  *content = std::make_unique<format::MemorySource>(it->second.data(), it->second.size());
  return true;
}

format::EmbeddedFile Embed(MemoryContent& content, const std::u16string& sourcePath, Bytes bytes) {
  format::EmbeddedFile file;
  file.sourcePath = sourcePath;
  static int serial = 0;
  file.path = sourcePath + u"#" + std::u16string(1, static_cast<char16_t>(u'a' + (serial++ % 26)));
  file.size = bytes.size();
  content.Add(file.path, std::move(bytes));
  return file;
}

Bytes PackImage(const Bytes& stub, const format::MovieDocumentData& doc, format::EmbeddedContentProvider& content,
                uint32_t version, bool compress, const std::vector<FileBlock>& blocks) {
  format::VectorSink sink;
  format::ContainerWriter writer(sink);
  format::MemorySource stubSource(stub.data(), stub.size());
  writer.WriteStub(stubSource);
  writer.WriteDocument(version, doc, content, compress);
  for (const auto& block : blocks) {
    format::MemorySource body(block.content.data(), block.content.size());
    writer.WriteFileBlock(block.marker, block.name, body, block.content.size(), block.compress);
  }
  return sink.bytes;
}

std::vector<std::wstring> ListFolder(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found;
  HANDLE h = ::FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    std::wstring name = found.cFileName;
    if (name != L"." && name != L"..") names.push_back(name);
  } while (::FindNextFileW(h, &found));
  ::FindClose(h);
  std::sort(names.begin(), names.end());
  return names;
}

Bytes TinyBitmap() {
  Bytes bmp = {'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0,
               0, 0, 0, 0, 16, 0, 0, 0, 0x13, 0x0B, 0, 0, 0x13, 0x0B, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  Bytes pixels = {0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 0, 0, 0};
  bmp.insert(bmp.end(), pixels.begin(), pixels.end());
  return bmp;
}

const Bytes& BuiltStub() {
  static Bytes stub = ReadFileBytes(BuildTreePath(L"projector\\projector.exe"));
  return stub;
}

bool RegisterBuiltFlashControl() {
  static HMODULE module = ::LoadLibraryW(BuildTreePath(L"components\\swfplayer\\control\\Flash.ocx").c_str());
  if (!module) return false;
  auto fn = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(::GetProcAddress(module, "DllRegisterServer"));
  return fn && SUCCEEDED(fn());
}

int RunWithTemp(const std::wstring& exe, const std::wstring& tempFolder, DWORD timeoutMs, HANDLE* keepProcess) {
  // The child inherits a copy of this environment with TEMP and TMP replaced.
  std::wstring env;
  wchar_t* block = ::GetEnvironmentStringsW();
  for (const wchar_t* p = block; *p; p += wcslen(p) + 1) {
    std::wstring entry = p;
    if (_wcsnicmp(entry.c_str(), L"TEMP=", 5) == 0 || _wcsnicmp(entry.c_str(), L"TMP=", 4) == 0) continue;
    env += entry;
    env.push_back(L'\0');
  }
  ::FreeEnvironmentStringsW(block);
  env += L"TEMP=" + tempFolder;
  env.push_back(L'\0');
  env += L"TMP=" + tempFolder;
  env.push_back(L'\0');
  env.push_back(L'\0');

  std::wstring commandLine = L"\"" + exe + L"\"";
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi{};
  // A program written a moment ago can still be held by the system on a busy machine: try again briefly.
  bool started = false;
  for (int attempt = 0; attempt < 10 && !started; ++attempt) {
    if (attempt > 0) ::Sleep(200);
    started = ::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT,
                               env.data(), nullptr, &si, &pi) != FALSE;
  }
  if (!started) return -2;
  ::CloseHandle(pi.hThread);
  if (keepProcess) {
    *keepProcess = pi.hProcess;
    return 0;
  }
  DWORD waited = ::WaitForSingleObject(pi.hProcess, timeoutMs);
  DWORD code = static_cast<DWORD>(-1);
  if (waited == WAIT_OBJECT_0) {
    ::GetExitCodeProcess(pi.hProcess, &code);
  } else {
    ::TerminateProcess(pi.hProcess, 99);
  }
  ::CloseHandle(pi.hProcess);
  return static_cast<int>(code);
}

HWND WaitForProcessWindow(DWORD processId, HANDLE process, DWORD timeoutMs) {
  for (DWORD waited = 0; waited < timeoutMs; waited += 20) {
    if (HWND window = testing_support::FindProcessWindow(processId)) return window;
    if (process && ::WaitForSingleObject(process, 0) == WAIT_OBJECT_0) return nullptr;
    ::Sleep(20);
  }
  return nullptr;
}

int RunAndClose(const std::wstring& exe, const std::wstring& tempFolder, DWORD closeAfterMs,
                const std::function<void(HWND)>& inspect) {
  HANDLE process = nullptr;
  if (RunWithTemp(exe, tempFolder, 0, &process) != 0 || !process) return -2;
  HWND window = WaitForProcessWindow(::GetProcessId(process), process, 20000);
  if (window) {
    ::Sleep(closeAfterMs);
    if (inspect) inspect(window);
    ::PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
  }
  DWORD code = static_cast<DWORD>(-1);
  if (::WaitForSingleObject(process, 30000) == WAIT_OBJECT_0) {
    ::GetExitCodeProcess(process, &code);
  } else {
    ::TerminateProcess(process, 99);
  }
  ::CloseHandle(process);
  return static_cast<int>(code);
}

}  // namespace testing_support
