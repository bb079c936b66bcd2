#include "player_geometry.h"

#include <gtest/gtest.h>

using namespace player;

TEST(ScaleBehaviour, FlagBitsGiveFittingShowAllOrUnscaled) {
  auto fit = ScaleBehaviour::FromFlags(0);
  EXPECT_TRUE(fit.allowScale);
  EXPECT_TRUE(fit.fitting);
  EXPECT_FALSE(fit.keepAspect);
  auto showAll = ScaleBehaviour::FromFlags(3);
  EXPECT_TRUE(showAll.allowScale);
  EXPECT_FALSE(showAll.fitting);
  EXPECT_TRUE(showAll.keepAspect);
  EXPECT_TRUE(showAll.showAll);
  auto unscaled = ScaleBehaviour::FromFlags(1);
  EXPECT_FALSE(unscaled.allowScale);
  EXPECT_FALSE(unscaled.fitting);
  EXPECT_TRUE(ScaleBehaviour::FromFlags(2).fitting);
}

TEST(WindowSize, ModesConvertClampAndScale) {
  SizingInput in;
  in.area = {1000, 700};
  in.frame = {8, 30};
  in.stage = {550, 400};
  EXPECT_EQ(WindowSize(in), (Size{558, 430}));
  in.convertClientToWindow = false;
  EXPECT_EQ(WindowSize(in), (Size{550, 400}));
  // The movie size never exceeds the area and is at least one pixel.
  in.stage = {4000, 0};
  EXPECT_EQ(WindowSize(in), (Size{1000, 1}));
  in.sizeMode = 1;
  in.fixed = {1200, 900};
  in.convertClientToWindow = true;
  EXPECT_EQ(WindowSize(in), (Size{1208, 930}));
  in.sizeMode = 2;
  in.percentage = 120;
  EXPECT_EQ(WindowSize(in), (Size{1200, 840}));
  in.percentage = 33;
  EXPECT_EQ(WindowSize(in), (Size{330, 231}));
}

TEST(PlaceWindow, AlignmentTableAndTheMinusOneRules) {
  PlacementInput in;
  in.area = {1000, 700};
  in.window = {400, 300};
  auto at = [&](uint32_t alignment) {
    in.alignment = alignment;
    return PlaceWindow(in);
  };
  EXPECT_EQ(at(1), (Point{300, 200}));
  EXPECT_EQ(at(2), (Point{300, 0}));
  EXPECT_EQ(at(3), (Point{300, 400}));
  EXPECT_EQ(at(4), (Point{0, 200}));
  EXPECT_EQ(at(5), (Point{600, 200}));
  EXPECT_EQ(at(6), (Point{0, -1}));
  EXPECT_EQ(at(7), (Point{600, 0}));
  EXPECT_EQ(at(8), (Point{0, 400}));
  EXPECT_EQ(at(9), (Point{600, 400}));
  EXPECT_EQ(at(10), (Point{0, -1}));
  EXPECT_EQ(at(0), (Point{0, -1}));  // both offsets 0
  in.xOffset = 15;
  in.topOffset = 25;
  EXPECT_EQ(at(0), (Point{15, 25}));
  in.horizontalMode = 1;
  in.verticalMode = 1;
  in.bottomOffset = 40;
  EXPECT_EQ(at(0), (Point{600, 360}));
  in.horizontalMode = 2;
  in.verticalMode = 2;
  EXPECT_EQ(at(0), (Point{0, -1}));

  // A window as large as the area lands at the origin, which is lifted by one pixel.
  in.window = in.area;
  EXPECT_EQ(at(1), (Point{0, -1}));
  EXPECT_EQ(at(9), (Point{0, -1}));
  EXPECT_EQ(at(4), (Point{0, -1}));
  EXPECT_EQ(at(8), (Point{0, -1}));
  // 120 % windows stick out of the area and are not clipped.
  in.window = {1200, 840};
  EXPECT_EQ(at(1), (Point{-100, -70}));
}

TEST(Outlines, BuiltInShapesUseTruncatedFractionsOfTheSizeMinusOne) {
  auto star = BuiltInOutline(4, {201, 101});
  ASSERT_EQ(star.kind, OutlineKind::Polygon);
  ASSERT_EQ(star.points.size(), 11u);
  EXPECT_EQ(star.points[0], (Point{142, 62}));
  EXPECT_EQ(star.points.back(), star.points.front());
  auto diamond = BuiltInOutline(0, {101, 51});
  EXPECT_EQ(diamond.points, (std::vector<Point>{{50, 0}, {100, 25}, {50, 50}, {0, 25}, {50, 0}}));
  EXPECT_EQ(BuiltInOutline(1, {300, 200}).kind, OutlineKind::Ellipse);
  auto round = BuiltInOutline(5, {300, 205});
  EXPECT_EQ(round.kind, OutlineKind::RoundRect);
  EXPECT_EQ(round.corner, 20);
  EXPECT_EQ(BuiltInOutline(3, {100, 100}).points.size(), 9u);
  EXPECT_EQ(BuiltInOutline(2, {100, 100}).points.size(), 6u);
  EXPECT_EQ(BuiltInOutline(7, {100, 100}).kind, OutlineKind::None);
}

TEST(Outlines, SealHasSixtyAlternatingCornersRoundedToThreeDecimals) {
  auto seal = ShapeFractions(6);
  ASSERT_EQ(seal.size(), 61u);
  EXPECT_DOUBLE_EQ(seal[0].first, 0.92);
  EXPECT_DOUBLE_EQ(seal[0].second, 0.5);
  // Corner 1 lies at radius 0.5, 6 degrees on, towards larger y.
  EXPECT_DOUBLE_EQ(seal[1].first, 0.997);
  EXPECT_DOUBLE_EQ(seal[1].second, 0.552);
  // Corner 15 (odd, so on the outer radius) lies straight below the centre.
  EXPECT_DOUBLE_EQ(seal[15].first, 0.5);
  EXPECT_DOUBLE_EQ(seal[15].second, 1.0);
  EXPECT_EQ(seal[60], seal[0]);
  auto outline = BuiltInOutline(6, {101, 101});
  EXPECT_EQ(outline.points[0], (Point{92, 50}));
}

TEST(DragScale, ShowAllMapsTheViewCentreToTheMovieCentre) {
  DragScale s;
  s.SetMovieSize(400, 300);
  s.SetViewSize(800, 800);
  EXPECT_DOUBLE_EQ(s.scaleX(), 0.5);
  EXPECT_DOUBLE_EQ(s.scaleY(), 0.5);
  EXPECT_EQ(s.ViewToMovie(400, 400), (Point{200, 150}));
  s.SetKeepAspect(false);
  EXPECT_DOUBLE_EQ(s.scaleY(), 300.0 / 800.0);
  s.SetAllowScale(false);
  EXPECT_DOUBLE_EQ(s.scaleX(), 1.0);
  EXPECT_EQ(s.ViewToMovie(400, 400), (Point{200, 150}));
  // Truncated towards zero, as the movie coordinates always were.
  EXPECT_EQ(s.ViewToMovie(0, 0), (Point{-199, -249}));
}

TEST(DragScale, NegativeSizesAreTakenAbsoluteAndZeroSizesWait) {
  DragScale s;
  s.SetMovieSize(-400, 300);
  EXPECT_FALSE(s.Ready());
  s.SetViewSize(400, -300);
  EXPECT_TRUE(s.Ready());
  EXPECT_EQ(s.movieWidth(), 400);
  EXPECT_DOUBLE_EQ(s.scaleX(), 1.0);
  EXPECT_EQ(s.ViewToMovie(10, 20), (Point{10, 20}));
}

TEST(Zoom, InAndOutStepsAndTheShownRectangle) {
  ZoomState z;
  z.ZoomIn();
  EXPECT_EQ(z.factor, 2);
  EXPECT_TRUE(z.zoomedIn);
  z.ZoomIn();
  EXPECT_EQ(z.factor, 4);
  EXPECT_EQ(z.ZoomRect({400, 300}, {200, 150}), (Rect{150, 113, 250, 187}));
  z.ZoomOut();
  EXPECT_EQ(z.factor, 2);
  EXPECT_TRUE(z.zoomedIn);
  z.ZoomOut();
  EXPECT_EQ(z.factor, 1);
  EXPECT_FALSE(z.zoomedIn);
  z.ZoomOut();
  EXPECT_EQ(z.factor, 2);
  EXPECT_FALSE(z.zoomedIn);
  EXPECT_EQ(z.ZoomRect({400, 300}, {200, 150}), (Rect{-200, -150, 600, 450}));
  z.ZoomIn();
  EXPECT_EQ(z.factor, 1);
  for (int i = 0; i < 100; ++i) z.ZoomOut();
  EXPECT_GT(z.factor, 0);
  z.ShowAll();
  EXPECT_EQ(z.factor, 1);
}

TEST(LayeredModes, DocumentModesMapToThePopupsModes) {
  EXPECT_EQ(LayeredLeftMode(0), 0);
  EXPECT_EQ(LayeredLeftMode(1), 1);
  EXPECT_EQ(LayeredLeftMode(2), 2);
  EXPECT_EQ(LayeredLeftMode(3), 4);
  EXPECT_EQ(LayeredLeftMode(9), 2);
  EXPECT_EQ(LayeredRightMode(0), 0);
  EXPECT_EQ(LayeredRightMode(1), 3);
  EXPECT_EQ(LayeredRightMode(2), 1);
  EXPECT_EQ(LayeredRightMode(3), 4);
}
