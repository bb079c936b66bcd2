#include "print_screen_blocker.h"

namespace projector {

LRESULT CALLBACK PrintScreenBlocker::HookProc(int code, WPARAM wp, LPARAM lp) {
  try {
    if (code >= 0 && wp == VK_SNAPSHOT) {
      if (::OpenClipboard(nullptr)) {
        ::EmptyClipboard();
        ::CloseClipboard();
      }
      return 1;
    }
  } catch (...) {
  }
  // The hook handle is ignored by every system that runs the player.
  return ::CallNextHookEx(nullptr, code, wp, lp);
}

bool PrintScreenBlocker::Install() {
  if (!hook_) hook_ = ::SetWindowsHookExW(WH_KEYBOARD, HookProc, nullptr, ::GetCurrentThreadId());
  return hook_ != nullptr;
}

void PrintScreenBlocker::Remove() {
  if (hook_) ::UnhookWindowsHookEx(hook_);
  hook_ = nullptr;
}

}  // namespace projector
