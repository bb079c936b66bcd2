// The document's mouse rules for the player window: moving it with either button, the drag area, the context menu.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>

namespace projector {

class DragRegion;

// Applies the left and right button modes to the window's mouse messages and moves the window while a button
// drags it.
class PlayerMouse {
 public:
  static constexpr int kDragSentinel = static_cast<int>(0x80000000u);

  // `moved` hears each place the window is dragged to.
  PlayerMouse(DragRegion& dragRegion, std::function<void()> showContextMenu, std::function<void(const RECT&)> moved)
      : dragRegion_(dragRegion), showContextMenu_(std::move(showContextMenu)), moved_(std::move(moved)) {}

  void Attach(HWND window) { window_ = window; }
  void SetModes(uint32_t leftButtonMode, uint32_t rightButtonMode) {
    leftMode_ = leftButtonMode;
    rightMode_ = rightButtonMode;
  }

  // True when the message is swallowed by the rules.
  bool Filter(const MSG& msg);
  bool dragging() const { return dragging_; }

 private:
  bool LeftButtonRule(const MSG& msg, bool release);
  bool RightButtonRule(const MSG& msg, bool release);
  bool InsideDragArea() const;
  void Move(const MSG& msg);

  DragRegion& dragRegion_;
  std::function<void()> showContextMenu_;
  std::function<void(const RECT&)> moved_;
  HWND window_ = nullptr;
  uint32_t leftMode_ = 0;
  uint32_t rightMode_ = 1;
  bool dragging_ = false;
  int dragOffsetX_ = kDragSentinel;
  int dragOffsetY_ = kDragSentinel;
};

}  // namespace projector
