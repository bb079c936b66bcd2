#include "mouse_rules.h"

#include <gtest/gtest.h>

namespace projector {
namespace {

constexpr unsigned kMove = 0x200, kLDown = 0x201, kLUp = 0x202, kLDouble = 0x203, kRDown = 0x204, kRUp = 0x205;

TEST(MouseRoutes, LeftPressesAreWithheldInModesOneAndFourAndOtherwiseLeftToTheDragArea) {
  for (int mode : {1, 4}) {
    EXPECT_EQ(RouteMouseMessage(kLDown, mode, 0), MouseRoute::kWithhold);
    EXPECT_EQ(RouteMouseMessage(kLDouble, mode, 0), MouseRoute::kWithhold);
  }
  for (int mode : {0, 2}) {
    EXPECT_EQ(RouteMouseMessage(kLDown, mode, 0), MouseRoute::kDragCursor);
    EXPECT_EQ(RouteMouseMessage(kLDouble, mode, 0), MouseRoute::kDragCursor);
  }
  EXPECT_EQ(RouteMouseMessage(kLUp, 1, 0), MouseRoute::kDragCursor);
  EXPECT_EQ(RouteMouseMessage(kMove, 0, 0), MouseRoute::kDragMove);
}

TEST(MouseRoutes, RightPressNeverReachesTheMovieAndItsReleaseOnlyInModeZero) {
  for (int mode : {0, 1, 4}) EXPECT_EQ(RouteMouseMessage(kRDown, 0, mode), MouseRoute::kWithhold);
  EXPECT_EQ(RouteMouseMessage(kRDown, 0, 3), MouseRoute::kContextMenu);
  EXPECT_EQ(RouteMouseMessage(kRUp, 0, 0), MouseRoute::kPass);
  for (int mode : {1, 3, 4}) EXPECT_EQ(RouteMouseMessage(kRUp, 0, mode), MouseRoute::kWithhold);
  EXPECT_EQ(RouteMouseMessage(0x100 /* WM_KEYDOWN */, 1, 1), MouseRoute::kPass);
}

struct Asked {
  bool answer;
  int* count;
  bool operator()() const {
    ++*count;
    return answer;
  }
};

TEST(DragSteps, LeftModeZeroDragsOnlyOverTheDragArea) {
  int asked = 0;
  EXPECT_EQ(DecideDragStep(true, false, 0, 0, false, Asked{false, &asked}), DragStep::kNone);
  EXPECT_EQ(DecideDragStep(true, false, 0, 0, false, Asked{true, &asked}), DragStep::kStart);
  EXPECT_EQ(DecideDragStep(true, false, 0, 0, true, Asked{true, &asked}), DragStep::kMove);
  EXPECT_EQ(asked, 3);
  // Without a button nobody asks where the cursor is; a drag in progress ends.
  EXPECT_EQ(DecideDragStep(false, false, 0, 0, true, Asked{true, &asked}), DragStep::kEnd);
  EXPECT_EQ(DecideDragStep(false, false, 0, 0, false, Asked{true, &asked}), DragStep::kNone);
  EXPECT_EQ(asked, 3);
}

TEST(DragSteps, ModesThatDragFromAnywhere) {
  int asked = 0;
  EXPECT_EQ(DecideDragStep(true, false, 1, 0, false, Asked{false, &asked}), DragStep::kStart);
  EXPECT_EQ(DecideDragStep(true, false, 2, 0, true, Asked{false, &asked}), DragStep::kMove);
  // Left mode 2 lets the right button drag too; right mode 1 drags by itself.
  EXPECT_EQ(DecideDragStep(false, true, 2, 0, false, Asked{false, &asked}), DragStep::kStart);
  EXPECT_EQ(DecideDragStep(false, true, 0, 1, false, Asked{false, &asked}), DragStep::kStart);
  EXPECT_EQ(DecideDragStep(false, true, 0, 3, false, Asked{false, &asked}), DragStep::kNone);
  EXPECT_EQ(DecideDragStep(false, true, 0, 0, true, Asked{false, &asked}), DragStep::kEnd);
  EXPECT_EQ(asked, 0);
}

TEST(DragSteps, ModeFourSwallowsMovesWithItsButtonHeld) {
  int asked = 0;
  EXPECT_EQ(DecideDragStep(true, false, 4, 0, false, Asked{true, &asked}), DragStep::kSwallow);
  EXPECT_EQ(DecideDragStep(false, true, 1, 4, true, Asked{true, &asked}), DragStep::kSwallow);
  // Only its own button: the left button still drags in right mode 4.
  EXPECT_EQ(DecideDragStep(true, false, 1, 4, false, Asked{true, &asked}), DragStep::kStart);
  EXPECT_EQ(DecideDragStep(false, false, 4, 4, false, Asked{true, &asked}), DragStep::kNone);
}

}  // namespace
}  // namespace projector
