// Frames, play state, looping, placement and sprites.
#include <gtest/gtest.h>

#include "test_movie.h"

using namespace swfasm;
using namespace swftest;

namespace {
std::vector<uint8_t> ThreeFrames(bool stopOnSecond = false) {
  MovieBuilder m(6);
  m.Main().Do(Actions().Trace("f1")).ShowFrame();
  Actions second;
  second.Trace("f2");
  if (stopOnSecond) second.Stop();
  m.Main().Do(second).ShowFrame();
  m.Main().Do(Actions().Trace("f3")).ShowFrame();
  return m.Build();
}
}  // namespace

TEST(Timeline, StepsAndLoops) {
  Recorder rec;
  swf::Player p(rec.Callbacks());
  ASSERT_TRUE(p.LoadBytes(ThreeFrames()));
  EXPECT_EQ(p.TotalFrames(), 3);
  EXPECT_EQ(p.CurrentFrame(), 0);
  EXPECT_EQ(p.ReadyState(), 4);
  for (int i = 0; i < 5; ++i) p.Advance();
  EXPECT_EQ(rec.traces, (V{"f1", "f2", "f3", "f1", "f2"}));
  EXPECT_EQ(p.CurrentFrame(), 1);
  EXPECT_TRUE(p.IsPlaying());
}

TEST(Timeline, StopHoldsTheFrame) {
  Recorder rec;
  swf::Player p(rec.Callbacks());
  ASSERT_TRUE(p.LoadBytes(ThreeFrames(true)));
  for (int i = 0; i < 6; ++i) p.Advance();
  EXPECT_EQ(rec.traces, (V{"f1", "f2"}));
  EXPECT_EQ(p.CurrentFrame(), 1);
  EXPECT_FALSE(p.IsPlaying());
  EXPECT_TRUE(p.MainTimelineStopped());
  p.Play();
  p.Advance();
  EXPECT_EQ(rec.traces.back(), "f3");
}

TEST(Timeline, WithoutLoopTheLastFrameStays) {
  Recorder rec;
  swf::Player p(rec.Callbacks());
  ASSERT_TRUE(p.LoadBytes(ThreeFrames()));
  p.SetLoop(false);
  for (int i = 0; i < 6; ++i) p.Advance();
  EXPECT_EQ(rec.traces, (V{"f1", "f2", "f3"}));
  EXPECT_EQ(p.CurrentFrame(), 2);
  EXPECT_FALSE(p.IsPlaying());
}

TEST(Timeline, HostControls) {
  Recorder rec;
  swf::Player p(rec.Callbacks());
  ASSERT_TRUE(p.LoadBytes(ThreeFrames()));
  p.Advance();
  p.Forward();
  EXPECT_EQ(p.CurrentFrame(), 1);
  EXPECT_FALSE(p.IsPlaying());
  p.Forward();
  p.Forward();  // stays on the last frame
  EXPECT_EQ(p.CurrentFrame(), 2);
  p.Back();
  EXPECT_EQ(p.CurrentFrame(), 1);
  p.Rewind();
  EXPECT_EQ(p.CurrentFrame(), 0);
  p.GotoFrame(2);
  EXPECT_EQ(p.CurrentFrame(), 2);
  EXPECT_EQ(rec.traces, (V{"f1", "f2", "f3", "f2", "f1", "f3"}));
  p.Unload();
  EXPECT_FALSE(p.Loaded());
  EXPECT_EQ(p.TotalFrames(), 0);
  p.Advance();  // harmless without a movie
}

TEST(Timeline, PlaceMoveAndRemoveShapeTheDisplayList) {
  MovieBuilder m(6);
  uint16_t red = m.Rectangle(0, 0, 10, 10, {255, 0, 0});
  uint16_t blue = m.Rectangle(0, 0, 10, 10, {0, 0, 255});
  m.Main().Background({1, 2, 3});
  m.Main().Place(blue, 2, Transform::Translate(5, 5)).Place(red, 1).ShowFrame();
  m.Main().Move(2, Transform::Translate(50, 60)).ShowFrame();
  m.Main().Remove(1).ShowFrame();
  swf::Player p;
  ASSERT_TRUE(p.LoadBytes(m.Build()));
  swf::DisplayList list;
  p.Advance();
  p.BuildDisplayList(list);
  EXPECT_EQ(list.background, (swf::Rgba{1, 2, 3, 255}));
  ASSERT_EQ(list.items.size(), 2u);
  EXPECT_EQ(list.items[0].shape->fills[0].style.color.r, 255);  // depth 1 is drawn first
  EXPECT_EQ(list.items[1].matrix.tx, 100);
  p.Advance();
  p.BuildDisplayList(list);
  EXPECT_EQ(list.items[1].matrix.tx, 1000);
  EXPECT_EQ(list.items[1].matrix.ty, 1200);
  p.Advance();
  p.BuildDisplayList(list);
  ASSERT_EQ(list.items.size(), 1u);
  EXPECT_EQ(list.items[0].shape->fills[0].style.color.b, 255);
  // Looping back to frame 0 rebuilds it: the red square returns, the blue one moves back.
  p.Advance();
  p.BuildDisplayList(list);
  ASSERT_EQ(list.items.size(), 2u);
  EXPECT_EQ(list.items[1].matrix.tx, 100);
}

TEST(Timeline, SpritesRunTheirOwnTimeline) {
  MovieBuilder m(6);
  Timeline inner;
  inner.Do(Actions().Trace("s1")).ShowFrame();
  inner.Do(Actions().Trace("s2")).ShowFrame();
  uint16_t sprite = m.DefineSprite(inner);
  m.Main().Place(sprite, 1, Transform::Translate(10, 0), "clip").Do(Actions().Trace("main").Stop()).ShowFrame();
  m.Main().ShowFrame();
  Recorder rec;
  swf::Player p(rec.Callbacks());
  ASSERT_TRUE(p.LoadBytes(m.Build()));
  for (int i = 0; i < 4; ++i) p.Advance();
  EXPECT_EQ(rec.traces, (V{"main", "s1", "s2", "s1", "s2"}));
  EXPECT_EQ(p.CurrentFrame(), 0);
  EXPECT_EQ(p.TGetProperty("/clip", swf::kPropCurrentFrame), "2");
  EXPECT_EQ(p.TGetProperty("/clip", swf::kPropTotalFrames), "2");
}

TEST(Timeline, NestedTransformsCompose) {
  MovieBuilder m(6);
  uint16_t sq = m.Rectangle(0, 0, 10, 10, {0, 0, 0});
  Timeline inner;
  inner.Place(sq, 1, Transform::Translate(3, 4)).ShowFrame();
  uint16_t sprite = m.DefineSprite(inner);
  m.Main().Place(sprite, 1, Transform::Scale(2, 2, 100, 0)).ShowFrame();
  swf::Player p;
  ASSERT_TRUE(p.LoadBytes(m.Build()));
  p.Advance();
  swf::DisplayList list;
  p.BuildDisplayList(list);
  ASSERT_EQ(list.items.size(), 1u);
  EXPECT_DOUBLE_EQ(list.items[0].matrix.a, 2);
  EXPECT_DOUBLE_EQ(list.items[0].matrix.tx, 2000 + 2 * 60);
  EXPECT_DOUBLE_EQ(list.items[0].matrix.ty, 2 * 80);
}

TEST(Timeline, LabelsAndGotoFromScript) {
  MovieBuilder m(6);
  m.Main().Do(Actions().Trace("start").GotoLabel("end")).ShowFrame();
  m.Main().Do(Actions().Trace("skipped")).ShowFrame();
  m.Main().Label("end").Do(Actions().Trace("at end")).ShowFrame();
  Recorder rec;
  swf::Player p(rec.Callbacks());
  ASSERT_TRUE(p.LoadBytes(m.Build()));
  p.Advance();
  p.Advance();
  EXPECT_EQ(rec.traces, (V{"start", "at end"}));
  EXPECT_EQ(p.CurrentFrame(), 2);
  EXPECT_FALSE(p.IsPlaying());
}

TEST(Timeline, GotoAndPlayByFrameNumberString) {
  MovieBuilder m(6);
  m.Main().Do(Actions().Push({"3"}).GotoFrame2(true)).ShowFrame();
  m.Main().Do(Actions().Trace("two")).ShowFrame();
  m.Main().Do(Actions().Trace("three").Stop()).ShowFrame();
  Recorder rec;
  swf::Player p(rec.Callbacks());
  ASSERT_TRUE(p.LoadBytes(m.Build()));
  for (int i = 0; i < 3; ++i) p.Advance();
  EXPECT_EQ(rec.traces, (V{"three"}));
}

TEST(Timeline, InitActionsRunOnceBeforeFrameActions) {
  MovieBuilder m(6);
  Timeline inner;
  inner.ShowFrame();
  uint16_t sprite = m.DefineSprite(inner);
  m.Main().Do(Actions().Trace("frame")).InitActions(sprite, Actions().Trace("init")).ShowFrame();
  Recorder rec;
  swf::Player p(rec.Callbacks());
  ASSERT_TRUE(p.LoadBytes(m.Build()));
  p.Advance();
  p.Advance();
  EXPECT_EQ(rec.traces, (V{"init", "frame"}));  // a one-frame movie does not re-enter its frame
}
