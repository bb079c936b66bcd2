#include "mouse_rules.h"

namespace projector {

MouseRoute RouteMouseMessage(unsigned message, int leftMode, int rightMode) {
  switch (message) {
    case 0x0200:  // WM_MOUSEMOVE
      return MouseRoute::kDragMove;
    case 0x0201:  // WM_LBUTTONDOWN
    case 0x0203:  // WM_LBUTTONDBLCLK
      return leftMode == 1 || leftMode == 4 ? MouseRoute::kWithhold : MouseRoute::kDragCursor;
    case 0x0202:  // WM_LBUTTONUP
      return MouseRoute::kDragCursor;
    case 0x0204:  // WM_RBUTTONDOWN
      return rightMode == 3 ? MouseRoute::kContextMenu : MouseRoute::kWithhold;
    case 0x0205:  // WM_RBUTTONUP
      return rightMode == 0 ? MouseRoute::kPass : MouseRoute::kWithhold;
    default:
      return MouseRoute::kPass;
  }
}

}  // namespace projector
