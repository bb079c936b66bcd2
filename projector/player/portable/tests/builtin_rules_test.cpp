#include "builtin_rules.h"

#include <gtest/gtest.h>

using namespace player;

namespace {

std::vector<std::wstring> F(std::initializer_list<const wchar_t*> fields) {
  std::vector<std::wstring> v;
  for (auto f : fields) v.emplace_back(f);
  return v;
}

}  // namespace

TEST(BuiltInValues, TrueIsTrueInAnyCaseOrExactlyOne) {
  EXPECT_TRUE(IsTrueValue(L"true"));
  EXPECT_TRUE(IsTrueValue(L"TRUE"));
  EXPECT_TRUE(IsTrueValue(L"tRuE"));
  EXPECT_TRUE(IsTrueValue(L"1"));
  EXPECT_FALSE(IsTrueValue(L"yes"));
  EXPECT_FALSE(IsTrueValue(L"01"));
  EXPECT_FALSE(IsTrueValue(L"1 "));
  EXPECT_FALSE(IsTrueValue(L"truex"));
  EXPECT_FALSE(IsTrueValue(L""));
}

TEST(BuiltInValues, NumbersAreReadFromTheStartOfTheField) {
  EXPECT_EQ(ReadNumber(L"42"), 42);
  EXPECT_EQ(ReadNumber(L"  -17px"), -17);
  EXPECT_EQ(ReadNumber(L"+8"), 8);
  EXPECT_EQ(ReadNumber(L"abc"), 0);
  EXPECT_EQ(ReadNumber(L""), 0);
  EXPECT_EQ(ReadNumber(L"-"), 0);
  EXPECT_EQ(ReadNumber(L"12.9"), 12);
  EXPECT_EQ(ReadNumber(L"99999999999999999999"), INT_MAX);
  EXPECT_EQ(ReadNumber(L"-99999999999999999999"), INT_MIN);
  EXPECT_EQ(ReadNumber(L"-2147483648"), INT_MIN);
}

TEST(BuiltInCommands, NamesMatchWithoutRegardToCase) {
  EXPECT_EQ(FindBuiltInCommand(L"ALLOWSCALE"), BuiltInCommand::kAllowScale);
  EXPECT_EQ(FindBuiltInCommand(L"FullScreen"), BuiltInCommand::kFullScreen);
  EXPECT_EQ(FindBuiltInCommand(L"dragaddrect"), BuiltInCommand::kDragAddRect);
  EXPECT_EQ(FindBuiltInCommand(L"DragSubEllipse"), BuiltInCommand::kDragSubEllipse);
  EXPECT_EQ(FindBuiltInCommand(L"dragcancel"), BuiltInCommand::kDragCancel);
  EXPECT_EQ(FindBuiltInCommand(L"showimage"), BuiltInCommand::kShowImage);
  EXPECT_FALSE(FindBuiltInCommand(L"Beep"));
  EXPECT_FALSE(FindBuiltInCommand(L"allowscale "));
  EXPECT_FALSE(FindBuiltInCommand(L"DragAdd"));
  EXPECT_FALSE(FindBuiltInCommand(L""));
}

TEST(BuiltInShapes, RectanglesNeedFourFields) {
  EXPECT_FALSE(ReadShapeRect(F({L"1", L"2", L"3"})));
  EXPECT_EQ(ReadShapeRect(F({L"10", L"20", L"x", L"40", L"50"})), (Rect{10, 20, 0, 40}));
}

TEST(BuiltInShapes, PolygonsTakePairsAndNeedThreePoints) {
  auto seven = ReadPolygon(F({L"0", L"0", L"10", L"0", L"10", L"10", L"99"}));
  ASSERT_TRUE(seven);
  EXPECT_EQ(*seven, (std::vector<Point>{{0, 0}, {10, 0}, {10, 10}}));
  EXPECT_FALSE(ReadPolygon(F({L"0", L"0", L"10", L"0", L"10"})));
  EXPECT_FALSE(ReadPolygon({}));
  auto eight = ReadPolygon(F({L"1", L"2", L"3", L"4", L"5", L"6", L"7", L"8"}));
  ASSERT_TRUE(eight);
  EXPECT_EQ(eight->size(), 4u);
  EXPECT_EQ(eight->back(), (Point{7, 8}));
}

TEST(ShowImageArguments, DefaultsAndUnsetSides) {
  EXPECT_FALSE(ReadShowImage({}));
  auto onlyPath = ReadShowImage(F({L"a.png"}));
  ASSERT_TRUE(onlyPath);
  EXPECT_EQ(onlyPath->path, L"a.png");
  EXPECT_EQ(onlyPath->title, L"");
  EXPECT_TRUE(onlyPath->fit);
  EXPECT_EQ(onlyPath->rect, (Rect{kUnset, kUnset, kUnset, kUnset}));

  auto full = ReadShowImage(F({L"b.jpg", L"Title", L"0", L"5", L"", L"300", L"-7"}));
  ASSERT_TRUE(full);
  EXPECT_EQ(full->title, L"Title");
  EXPECT_FALSE(full->fit);
  EXPECT_EQ(full->rect, (Rect{5, kUnset, 300, -7}));

  EXPECT_FALSE(ReadShowImage(F({L"c", L"", L"no"}))->fit);
  EXPECT_TRUE(ReadShowImage(F({L"c", L"", L"2"}))->fit);
  EXPECT_TRUE(ReadShowImage(F({L"c", L"", L""}))->fit);
}

TEST(ImageWindowGeometry, UnsetSidesDefaultAndTheRectangleIsNormalised) {
  EXPECT_EQ(ImageWindowRect({kUnset, kUnset, kUnset, kUnset}), (Rect{100, 100, 500, 400}));
  EXPECT_EQ(ImageWindowRect({10, 20, kUnset, kUnset}), (Rect{10, 20, 410, 320}));
  EXPECT_EQ(ImageWindowRect({300, 200, 100, 50}), (Rect{100, 50, 300, 200}));
  EXPECT_EQ(ImageWindowRect({INT_MAX - 1, 0, kUnset, 10}).right, INT_MAX - 1);
}

TEST(ImageWindowGeometry, FitsTheImageAtItsOwnSizeWhenItFits) {
  Frame frame{4, 23, 4, 4};
  Rect area{0, 0, 1024, 768};
  EXPECT_EQ(FitImageWindow({200, 100}, frame, area, {100, 100}), (Rect{100, 100, 308, 227}));
}

TEST(ImageWindowGeometry, ShrinksKeepingTheProportionsAndShiftsIntoTheArea) {
  Frame frame{4, 23, 4, 4};
  Rect area{0, 0, 1024, 768};
  // Too wide: width 1016, height 1016 / 2 = 508; then shifted left to end at the area's right.
  EXPECT_EQ(FitImageWindow({2000, 1000}, frame, area, {100, 100}), (Rect{0, 100, 1024, 635}));
  // Too high: height 741, width 741 / 2 = 370 (truncated); moved up to end at the bottom.
  EXPECT_EQ(FitImageWindow({500, 1000}, frame, area, {100, 100}), (Rect{100, 0, 478, 768}));
  // Above and left of the area: moved down and right.
  EXPECT_EQ(FitImageWindow({100, 100}, frame, Rect{0, 30, 1024, 768}, {-50, -50}), (Rect{0, 30, 108, 157}));
}

TEST(ImageWindowGeometry, AnAreaSmallerThanTheFrameStillGivesAPositiveImage) {
  Rect r = FitImageWindow({400, 300}, Frame{10, 10, 10, 10}, Rect{0, 0, 15, 15}, {0, 0});
  EXPECT_GE(r.Width(), 21);
  EXPECT_GE(r.Height(), 21);
}

TEST(PictureTarget, ShrinksIntoTheTargetWithRounding) {
  EXPECT_EQ(PictureSizeInTarget({50, 40}, {100, 100}), (Size{50, 40}));
  EXPECT_EQ(PictureSizeInTarget({200, 100}, {100, 100}), (Size{100, 50}));
  EXPECT_EQ(PictureSizeInTarget({100, 300}, {100, 100}), (Size{33, 100}));
  EXPECT_EQ(PictureSizeInTarget({101, 100}, {100, 100}), (Size{100, 99}));
  EXPECT_EQ(PictureSizeInTarget({10000, 1}, {100, 100}), (Size{100, 1}));
  EXPECT_EQ(PictureSizeInTarget({1, 10000}, {100, 100}), (Size{1, 100}));
  EXPECT_EQ(PictureSizeInTarget({300, 200}, {0, 0}), (Size{1, 1}));
}

TEST(PictureFiles, RecognisedByTheirExtensionInAnyCase) {
  EXPECT_TRUE(IsPictureFile(L"C:\\a\\b.PNG"));
  EXPECT_TRUE(IsPictureFile(L"x.jpeg"));
  EXPECT_TRUE(IsPictureFile(L"x.Tif"));
  EXPECT_TRUE(IsPictureFile(L"x.tar.gif"));
  EXPECT_FALSE(IsPictureFile(L"movie.swf"));
  EXPECT_FALSE(IsPictureFile(L"C:\\pics.png\\readme"));
  EXPECT_FALSE(IsPictureFile(L"png"));
}
