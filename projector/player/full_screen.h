// Full screen for one window: its frame taken off and its rectangle one pixel beyond the screen on every side.
#pragma once

#include <windows.h>

namespace projector {

// Saves a window's rectangle and styles on entering full screen and puts them back on leaving.
class FullScreenState {
 public:
  FullScreenState() = default;
  virtual ~FullScreenState() = default;

  // Does nothing when already in full screen or when the window does not exist.
  void Enter(HWND window);
  // Does nothing unless in full screen and the window still exists.
  void Leave();
  bool active() const { return !::IsRectEmpty(&saved_); }
  HWND window() const { return window_; }
  const RECT& savedRect() const { return saved_; }

 private:
  HWND window_ = nullptr;
  RECT saved_{};
  LONG style_ = 0;
  LONG exStyle_ = 0;
};

}  // namespace projector
