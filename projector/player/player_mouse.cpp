#include "player_mouse.h"

#include "common/drag_region.h"

namespace projector {

bool PlayerMouse::InsideDragArea() const {
  if (dragging_) return true;
  POINT cursor;
  ::GetCursorPos(&cursor);
  ::ScreenToClient(window_, &cursor);
  return dragRegion_.HitTest(cursor.x, cursor.y);
}

void PlayerMouse::Move(const MSG& msg) {
  POINT cursor;
  ::GetCursorPos(&cursor);
  RECT r;
  ::GetWindowRect(window_, &r);
  switch (msg.message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
      ::SetCapture(window_);
      dragging_ = true;
      dragOffsetX_ = r.left - cursor.x;
      dragOffsetY_ = r.top - cursor.y;
      break;
    case WM_MOUSEMOVE:
      if (!dragging_) break;
      if (dragOffsetX_ == kDragSentinel || dragOffsetY_ == kDragSentinel) {
        dragOffsetX_ = r.left - cursor.x;
        dragOffsetY_ = r.top - cursor.y;
      }
      {
        int x = cursor.x + dragOffsetX_, y = cursor.y + dragOffsetY_;
        int w = r.right - r.left, h = r.bottom - r.top;
        if (moved_) moved_(RECT{x, y, x + w, y + h});
        ::MoveWindow(window_, x, y, w, h, TRUE);
      }
      break;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
      dragOffsetX_ = dragOffsetY_ = kDragSentinel;
      ::ReleaseCapture();
      dragging_ = false;
      break;
    default:
      break;
  }
}

bool PlayerMouse::LeftButtonRule(const MSG& msg, bool release) {
  switch (leftMode_) {
    case 0:
      if (!InsideDragArea()) return false;
      if (!release) ::SetCursor(::LoadCursorW(nullptr, IDC_SIZEALL));
      Move(msg);
      return true;
    case 1:
      Move(msg);
      return true;
    case 2:
      Move(msg);
      return false;
    default:
      return true;
  }
}

bool PlayerMouse::RightButtonRule(const MSG& msg, bool release) {
  switch (rightMode_) {
    case 0:
      return false;
    case 1:
      if (!release && showContextMenu_) showContextMenu_();
      return true;
    case 2:
      Move(msg);
      return true;
    default:
      return true;
  }
}

bool PlayerMouse::Filter(const MSG& msg) {
  switch (msg.message) {
    case WM_MOUSEMOVE:
      if (msg.wParam & MK_LBUTTON) return LeftButtonRule(msg, false);
      if (msg.wParam & MK_RBUTTON) return RightButtonRule(msg, false);
      if (InsideDragArea()) {
        ::SetCursor(::LoadCursorW(nullptr, IDC_SIZEALL));
        return true;
      }
      return false;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      POINT cursor;
      ::GetCursorPos(&cursor);
      RECT r;
      ::GetWindowRect(window_, &r);
      if (!::PtInRect(&r, cursor)) return true;
      return LeftButtonRule(msg, false);
    }
    case WM_LBUTTONUP:
      return LeftButtonRule(msg, true);
    case WM_RBUTTONDOWN:
      return RightButtonRule(msg, false);
    case WM_RBUTTONUP:
      return RightButtonRule(msg, true);
    default:
      return false;
  }
}

}  // namespace projector
