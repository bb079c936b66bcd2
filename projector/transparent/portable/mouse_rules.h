// The layered player's mouse rules: which messages the movie sees and when the popup is dragged, by the modes
// the player window gives for each button.
#pragma once

#include <cstdint>

namespace projector {

// What the view does with one mouse message before the control may see it.
enum class MouseRoute {
  kPass,          // the movie sees it
  kWithhold,      // the movie never sees it
  kDragCursor,    // the drag cursor decides (withheld over the drag area in left mode 0)
  kDragMove,      // a move: the drag decides, then the drag cursor
  kContextMenu,   // a right press that asks for the context menu; withheld
};

MouseRoute RouteMouseMessage(unsigned message, int leftMode, int rightMode);

// One step of moving the popup with the mouse.
enum class DragStep {
  kNone,     // not dragging: the message goes on
  kSwallow,  // a button whose moves never reach the movie
  kStart,    // take the capture and the offset
  kMove,     // move the popup with the cursor
  kEnd,      // release the capture; the message is withheld
};

// `overDragArea` is asked only for a left-button drag in mode 0.
template <typename OverDragArea>
DragStep DecideDragStep(bool left, bool right, int leftMode, int rightMode, bool captured, OverDragArea over) {
  if ((left && leftMode == 4) || (right && rightMode == 4)) return DragStep::kSwallow;
  bool drag = false;
  if (left) drag = leftMode == 1 || leftMode == 2 || (leftMode == 0 && over());
  if (right && !drag) drag = rightMode == 1 || leftMode == 2;
  if (drag) return captured ? DragStep::kMove : DragStep::kStart;
  return captured ? DragStep::kEnd : DragStep::kNone;
}

// The cursor offset that marks a drag that has not yet taken its offset.
constexpr int32_t kUnsetOffset = static_cast<int32_t>(0x80000000u);

}  // namespace projector
