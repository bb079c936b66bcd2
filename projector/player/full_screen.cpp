#include "full_screen.h"

namespace projector {

void FullScreenState::Enter(HWND window) {
  if (active() || !window || !::IsWindow(window)) return;
  window_ = window;
  ::GetWindowRect(window, &saved_);
  style_ = ::GetWindowLongW(window, GWL_STYLE);
  exStyle_ = ::GetWindowLongW(window, GWL_EXSTYLE);
  ::SetWindowLongW(window, GWL_STYLE, style_ & ~static_cast<LONG>(WS_CAPTION | WS_THICKFRAME));
  ::SetWindowLongW(window, GWL_EXSTYLE, exStyle_ & ~static_cast<LONG>(WS_EX_CLIENTEDGE));
  HDC screen = ::GetDC(nullptr);
  HDC memory = ::CreateCompatibleDC(screen);
  int width = ::GetDeviceCaps(memory, HORZRES), height = ::GetDeviceCaps(memory, VERTRES);
  ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);
  ::SetWindowPos(window, HWND_TOP, -1, -1, width + 2, height + 2, SWP_SHOWWINDOW);
}

void FullScreenState::Leave() {
  if (!active()) return;
  if (!window_ || !::IsWindow(window_)) {
    // The window went while in full screen: nothing is left to restore.
    ::SetRectEmpty(&saved_);
    return;
  }
  ::SetWindowLongW(window_, GWL_STYLE, style_);
  ::SetWindowLongW(window_, GWL_EXSTYLE, exStyle_);
  ::MoveWindow(window_, saved_.left, saved_.top, saved_.right - saved_.left, saved_.bottom - saved_.top, TRUE);
  ::SetRectEmpty(&saved_);
}

}  // namespace projector
