#include "testing_support/top_windows.h"

namespace testing_support {
namespace {

BOOL CALLBACK CollectWindow(HWND window, LPARAM param) {
  try {
    reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
    return TRUE;
  } catch (...) {
    return FALSE;
  }
}

}  // namespace

std::vector<HWND> TopLevelWindows() {
  std::vector<HWND> windows;
  ::EnumWindows(&CollectWindow, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

std::vector<HWND> ProcessWindows(DWORD process) {
  std::vector<HWND> owned;
  for (HWND window : TopLevelWindows()) {
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner == process) owned.push_back(window);
  }
  return owned;
}

std::wstring WindowClass(HWND window) {
  wchar_t name[256] = {};
  ::GetClassNameW(window, name, 256);
  return name;
}

HWND FindProcessWindow(DWORD process, const wchar_t* className) {
  for (HWND window : ProcessWindows(process)) {
    if (::IsWindowVisible(window) && (!className || WindowClass(window) == className)) return window;
  }
  return nullptr;
}

}  // namespace testing_support
