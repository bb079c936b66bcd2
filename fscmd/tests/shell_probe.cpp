// Stands in for a browser or document handler: appends its command line, as UTF-8, to the file named by
// FSCMD_PROBE_OUT, one line per start.
#include <windows.h>

#include <string>

int wmain() {
  wchar_t out[MAX_PATH] = {};
  if (!::GetEnvironmentVariableW(L"FSCMD_PROBE_OUT", out, MAX_PATH)) return 2;
  std::wstring line = ::GetCommandLineW();
  line += L"\n";
  int bytes = ::WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(bytes), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), utf8.data(), bytes, nullptr, nullptr);
  HANDLE file = ::CreateFileW(out, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  ::WriteFile(file, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
  ::CloseHandle(file);
  return 0;
}
