// The running program's own path. Header-only, so that the extension library can use it without linking
// the framework.
#pragma once

#include <windows.h>

#include <string>

namespace framework {

// The full path of the running program's executable, however long; empty when Windows does not give it.
inline std::wstring ExecutablePath() {
  // A path has at most 32767 characters. A buffer the answer fills may hold a cut path, so it grows
  // until the path fits with room to spare.
  constexpr size_t kLongestPath = 32768;
  std::wstring path(MAX_PATH + 1, L'\0');
  for (;;) {
    DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size() - 1 || path.size() >= kLongestPath) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

}  // namespace framework
