#include "testing_support/database.h"

#include <windows.h>

namespace testing_support {

std::wstring DriverPath(const std::wstring& windowsPath) {
  using UnixFileName = char*(__cdecl*)(const wchar_t*);
  auto toUnix = reinterpret_cast<UnixFileName>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (!toUnix) return windowsPath;
  char* unixPath = toUnix(windowsPath.c_str());
  if (!unixPath) return windowsPath;
  int chars = ::MultiByteToWideChar(CP_UTF8, 0, unixPath, -1, nullptr, 0);
  std::wstring path(static_cast<size_t>(chars > 0 ? chars - 1 : 0), L'\0');
  if (chars > 0) ::MultiByteToWideChar(CP_UTF8, 0, unixPath, -1, path.data(), chars);
  ::HeapFree(::GetProcessHeap(), 0, unixPath);
  return path;
}

std::wstring SqliteConnectString(const std::wstring& windowsPath) {
  return L"DRIVER={SQLite3};Database=" + DriverPath(windowsPath);
}

}  // namespace testing_support
