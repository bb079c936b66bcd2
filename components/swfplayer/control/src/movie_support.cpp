#include "movie_support.h"

#include <algorithm>
#include <filesystem>

namespace swfcontrol {

TraceLog TraceLogFromEnvironment() {
  wchar_t buffer[MAX_PATH * 2];
  DWORD n = ::GetEnvironmentVariableW(L"SWFPLAYER_TRACE", buffer, MAX_PATH * 2);
  if (n == 0 || n >= MAX_PATH * 2) return TraceLog();
  return TraceLog(std::filesystem::path(std::wstring(buffer, n)));
}

bool IsUnloadRequest(const std::wstring& path) { return path.find_first_not_of(L' ') == std::wstring::npos; }

bool LoadMovieFile(MovieHost& host, const std::wstring& path) {
  std::wstring file = path;
  if (file.rfind(L"file:///", 0) == 0) file.erase(0, 8);
  if (!host.Load(std::filesystem::path(file))) return false;
  // The first frame is shown, and its scripts run, as soon as the movie is in.
  host.Tick();
  return true;
}

UINT FrameInterval(double frameRate) {
  return frameRate > 0 ? static_cast<UINT>(std::clamp(1000.0 / frameRate, 10.0, 1000.0)) : 83;
}

}  // namespace swfcontrol
