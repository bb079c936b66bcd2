#include "overlay_layout.h"

#include <gtest/gtest.h>

using namespace player;

TEST(OverlayLayout, NinePositionsFollowTheTable) {
  const Size client{400, 300}, pic{60, 40}, text{100, 20};
  // d = (|40 - 20| + 1) / 2 = 10
  auto at = [&](int position) { return LayOutOverlay(position, client, pic, text); };
  EXPECT_EQ(at(0).picture, (Rect{3, 3, 63, 43}));
  EXPECT_EQ(at(0).text, (Rect{66, 13, 166, 33}));
  int centred = 3 + 401 / 2 - (100 + 10 + 60) / 2;
  EXPECT_EQ(at(1).picture.left, centred);
  EXPECT_EQ(at(4).picture.left, centred);
  EXPECT_EQ(at(7).picture.left, centred);
  EXPECT_EQ(at(2).picture.left, 400 - (100 + 6 + 60));
  EXPECT_EQ(at(8).picture.left, 400 - (100 + 6 + 60));
  EXPECT_EQ(at(5).picture.left, 400 - 100 - 60 - 6);
  // middle: h = 150
  EXPECT_EQ(at(3).picture.top, 150 - 20);
  EXPECT_EQ(at(3).text.top, 150 - 10);
  // bottom: the taller at B - 3, the shorter d higher
  EXPECT_EQ(at(6).picture.bottom, 297);
  EXPECT_EQ(at(6).text.bottom, 287);
  for (int p = 0; p < 9; ++p) {
    EXPECT_EQ(at(p).text.left, at(p).picture.left + 63) << p;
    EXPECT_EQ(at(p).picture.Width(), 60) << p;
    EXPECT_EQ(at(p).text.Height(), 20) << p;
  }
}

TEST(OverlayLayout, TallerTextLeadsAndOutOfRangePositionsSitTopLeft) {
  auto p = LayOutOverlay(0, {400, 300}, {30, 10}, {80, 50});
  EXPECT_EQ(p.text.top, 3);
  EXPECT_EQ(p.picture.top, 3 + 20);
  EXPECT_EQ(LayOutOverlay(42, {400, 300}, {30, 10}, {80, 50}), p);
  EXPECT_EQ(LayOutOverlay(-1, {400, 300}, {30, 10}, {80, 50}), p);
  auto textOnly = LayOutOverlay(8, {400, 300}, {0, 0}, {80, 50});
  EXPECT_EQ(textOnly.text.right, 400 - 3);
  EXPECT_EQ(textOnly.text.bottom, 297);
}

TEST(OverlayLayout, ClippingKeepsWindowsInsideTheClientArea) {
  EXPECT_EQ(ClipToClient({350, 250, 450, 350}, {400, 300}), (Rect{350, 250, 400, 300}));
  EXPECT_EQ(ClipToClient({500, 10, 600, 20}, {400, 300}), (Rect{}));
  EXPECT_EQ(ClipToClient({-10, -10, 10, 10}, {400, 300}), (Rect{0, 0, 10, 10}));
}
