// What the transparent movie view and the player window tell each other about the mouse.
#pragma once

#include <windows.h>

namespace framework {
class CWnd;
}

namespace projector {

// One message from the transparent view: a query for the mouse modes, a context-menu request or a move.
struct DragNotify {
  enum Kind { kQueryModes = 0, kContextMenu = 1, kMoved = 2 };
  int kind = kQueryModes;
  RECT rect{0, 0, 0, 0};
  framework::CWnd* frame = nullptr;
  int leftMode = 0;
  int rightMode = 0;
};

// Receives the transparent view's messages; the player window supplies one.
class DragListener {
 public:
  virtual ~DragListener() = default;
  virtual void OnDragNotify(DragNotify* notify) = 0;
};

}  // namespace projector
