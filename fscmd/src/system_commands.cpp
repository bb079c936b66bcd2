// System information commands: local time, volume, Windows version and folder, user name.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <vector>

#include "library.h"

namespace fscmd {

namespace {

constexpr DWORD kNameBufferChars = 10000;

// The runtime's asctime form, "Wed Jan 02 02:03:55 1980\n", with the day of the month in two digits.
std::wstring AscTime(const std::tm& t) {
  static const wchar_t* const kDays[] = {L"Sun", L"Mon", L"Tue", L"Wed", L"Thu", L"Fri", L"Sat"};
  static const wchar_t* const kMonths[] = {L"Jan", L"Feb", L"Mar", L"Apr", L"May", L"Jun",
                                           L"Jul", L"Aug", L"Sep", L"Oct", L"Nov", L"Dec"};
  wchar_t text[64];
  std::swprintf(text, 64, L"%ls %ls %02d %02d:%02d:%02d %d\n", kDays[(t.tm_wday % 7 + 7) % 7],
                kMonths[(t.tm_mon % 12 + 12) % 12], t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec, t.tm_year + 1900);
  return text;
}

}  // namespace

namespace commands {

long SysGetLocalTime(const std::wstring& args, CommandResult& result) {
  ArgumentList fields = SplitArguments(args);
  std::time_t now = std::time(nullptr);
  result.SetPrimary(std::to_wstring(static_cast<long long>(now)));
  if (!fields.IsEmpty(0)) {
    std::tm local = {};
    if (localtime_s(&local, &now) == 0) result.AddExtra(AscTime(local));
    else result.AddEmptyExtra();
  }
  return code::kNone;
}

long SysDiskInfo(const std::wstring& args, CommandResult& result) {
  ArgumentList fields = SplitArguments(args);
  if (fields.IsEmpty(0)) return code::kMissingField;
  wchar_t label[MAX_PATH + 1] = {};
  DWORD serial = 0;
  if (!::GetVolumeInformationW(fields[0].c_str(), label, MAX_PATH + 1, &serial, nullptr, nullptr, nullptr, 0))
    return code::FromLastError(::GetLastError());
  result.AddExtra(fields[0]);
  result.AddExtra(fields.IsEmpty(1) ? std::wstring() : std::wstring(label));
  result.AddExtra(fields.IsEmpty(2) ? 0L : static_cast<long>(static_cast<int32_t>(serial)));
  return 0;
}

long SysOsVer(const std::wstring& args, CommandResult& result) {
  ArgumentList fields = SplitArguments(args);
  OSVERSIONINFOW version = {};
  version.dwOSVersionInfoSize = sizeof version;
  if (!::GetVersionExW(&version)) return code::FromLastError(::GetLastError());
  const long numbers[] = {static_cast<long>(version.dwMajorVersion), static_cast<long>(version.dwMinorVersion),
                          static_cast<long>(version.dwBuildNumber)};
  for (size_t i = 0; i < 3; ++i) result.AddExtra(fields.IsEmpty(i) ? std::wstring() : std::to_wstring(numbers[i]));
  result.AddExtra(fields.IsEmpty(3) ? std::wstring() : std::wstring(version.szCSDVersion));
  return 0;
}

long SysGetWinDir(const std::wstring& args, CommandResult& result) {
  ArgumentList fields = SplitArguments(args);
  if (fields.IsEmpty(0)) return code::kMissingField;
  std::vector<wchar_t> folder(kNameBufferChars, L'\0');
  UINT length = ::GetWindowsDirectoryW(folder.data(), kNameBufferChars);
  if (length == 0 || length >= kNameBufferChars) return code::FromLastError(::GetLastError());
  result.AddExtra(std::wstring(folder.data(), length));
  return 0;
}

long SysGetUserName(const std::wstring& args, CommandResult& result) {
  ArgumentList fields = SplitArguments(args);
  if (fields.IsEmpty(0)) return code::kMissingField;
  std::vector<wchar_t> name(kNameBufferChars, L'\0');
  DWORD size = kNameBufferChars;
  if (!::GetUserNameW(name.data(), &size)) return code::FromLastError(::GetLastError());
  result.AddExtra(std::wstring(name.data()));
  return 0;
}

}  // namespace commands

}  // namespace fscmd
