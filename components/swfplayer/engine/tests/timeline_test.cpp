// Frames, play state, looping, placement and sprites.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

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
  // The clip is placed before the main script, so its first frame runs first.
  EXPECT_EQ(rec.traces, (V{"s1", "main", "s2", "s1", "s2"}));
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

TEST(Timeline, GoingBackKeepsObjectsPresentInBothFrames) {
  MovieBuilder m(6);
  Timeline inner;
  inner.ShowFrame();
  uint16_t sprite = m.DefineSprite(inner);
  uint16_t extra = m.Rectangle(0, 0, 5, 5, {0, 0, 0});
  m.Main().Place(sprite, 1, {}, "keep").Do(Actions().Set("keep.mark", "kept")).ShowFrame();
  m.Main().Place(extra, 2).ShowFrame();
  m.Main().Do(Actions().Push({"keep", 0, 77}).Op(Action::SetProperty).GotoFrame(0)).ShowFrame();
  swf::Player p;
  ASSERT_TRUE(p.LoadBytes(m.Build()));
  for (int i = 0; i < 3; ++i) p.Advance();
  EXPECT_EQ(p.CurrentFrame(), 0);
  EXPECT_EQ(p.GetVariable("keep.mark"), "kept");      // the same clip, not a new one
  EXPECT_EQ(p.TGetProperty("keep", swf::kPropX), "77");  // moved by a script: the timeline leaves it
  swf::DisplayList list;
  p.BuildDisplayList(list);
  EXPECT_TRUE(list.items.empty());  // the rectangle of frame 2 is gone again
}

TEST(Timeline, DuplicateRemoveAndReferencesToRemovedClips) {
  MovieBuilder m(6);
  uint16_t sprite = m.RectangleSprite(0, 0, 5, 5, {0, 0, 0});
  Actions a;
  a.Push({"orig", "copy", 5}).Op(Action::CloneSprite);
  a.Push({"ref", "copy"}).Op(Action::GetVariable).Op(Action::SetVariable);
  a.Push({"copy", 13}).Op(Action::GetProperty).Op(Action::Trace);
  a.Push({"copy"}).Op(Action::RemoveSprite);
  a.Push({"ref"}).Op(Action::GetVariable).Op(Action::TargetPath).Op(Action::TypeOf).Op(Action::Trace);
  a.Push({"orig"}).Op(Action::RemoveSprite);  // placed by the timeline: stays
  a.Push({"orig", 13}).Op(Action::GetProperty).Op(Action::Trace);
  m.Main().Place(sprite, 1, {}, "orig").Do(a).ShowFrame();
  Recorder rec;
  swf::Player p(rec.Callbacks());
  ASSERT_TRUE(p.LoadBytes(m.Build()));
  p.Advance();
  EXPECT_EQ(rec.traces, (V{"copy", "undefined", "orig"}));
}

TEST(Timeline, CallRunsAnotherFramesScriptInPlace) {
  MovieBuilder m(6);
  m.Main().Do(Actions().Push({"sub"}).Raw(0x9E).Trace("back").Stop()).ShowFrame();
  m.Main().Label("sub").Do(Actions().Trace("in sub")).ShowFrame();
  Recorder rec;
  swf::Player p(rec.Callbacks());
  ASSERT_TRUE(p.LoadBytes(m.Build()));
  p.Advance();
  p.Advance();
  EXPECT_EQ(rec.traces, (V{"in sub", "back"}));
  EXPECT_EQ(p.CurrentFrame(), 0);
}

TEST(Timeline, LoadFileAndHeader) {
  MovieBuilder m(8, 640, 480, 25);
  m.Main().ShowFrame().ShowFrame();
  auto path = std::filesystem::temp_directory_path() / "swfengine_load_test.swf";
  auto bytes = m.Build();
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  std::vector<int> states;
  swf::PlayerCallbacks cb;
  cb.readyState = [&](int s) { states.push_back(s); };
  swf::Player p(cb);
  ASSERT_TRUE(p.LoadFile(path));
  EXPECT_EQ(states, std::vector<int>{4});
  EXPECT_EQ(p.MovieHeader().version, 8);
  EXPECT_EQ(p.MovieHeader().stage.xMax, 640 * 20);
  EXPECT_DOUBLE_EQ(p.MovieHeader().frameRate, 25);
  EXPECT_EQ(p.TotalFrames(), 2);
  std::filesystem::remove(path);
}

TEST(Timeline, MasksClipTheDepthsTheyCover) {
  MovieBuilder m(6);
  uint16_t a = m.Rectangle(0, 0, 10, 10, {1, 0, 0});
  uint16_t b = m.Rectangle(0, 0, 10, 10, {2, 0, 0});
  uint16_t c = m.Rectangle(0, 0, 10, 10, {3, 0, 0});
  Timeline inner;
  inner.Place(c, 1).ShowFrame();
  uint16_t maskClip = m.DefineSprite(inner);
  m.Main().PlaceMask(maskClip, 1, 3, Transform::Translate(5, 0)).Place(a, 2).Place(b, 3).Place(c, 4).ShowFrame();
  swf::Player p;
  ASSERT_TRUE(p.LoadBytes(m.Build()));
  p.Advance();
  swf::DisplayList list;
  p.BuildDisplayList(list);
  using K = swf::DisplayItem::Kind;
  ASSERT_EQ(list.items.size(), 5u);
  EXPECT_EQ(list.items[0].kind, K::MaskPush);
  ASSERT_EQ(list.items[0].maskShapes.size(), 1u);
  EXPECT_EQ(list.items[0].maskShapes[0].matrix.tx, 100);
  EXPECT_EQ(list.items[1].shape->fills[0].style.color.r, 1);
  EXPECT_EQ(list.items[2].shape->fills[0].style.color.r, 2);
  EXPECT_EQ(list.items[3].kind, K::MaskPop);
  EXPECT_EQ(list.items[4].shape->fills[0].style.color.r, 3);
}

TEST(Timeline, ASpriteThatPlacesItselfNestsOnlySoDeep) {
  MovieBuilder m(6);
  uint16_t sq = m.Rectangle(0, 0, 1, 1, {0, 0, 0});
  Timeline inner;
  inner.Place(sq, 1).Place(sq + 1, 2).ShowFrame();  // its own id: it is defined next
  uint16_t sprite = m.DefineSprite(inner);
  ASSERT_EQ(sprite, sq + 1);
  m.Main().Place(sprite, 1).ShowFrame();
  swf::Player p;
  ASSERT_TRUE(p.LoadBytes(m.Build()));
  p.Advance();
  p.Advance();
  swf::DisplayList list;
  p.BuildDisplayList(list);
  EXPECT_GT(list.items.size(), 10u);
  EXPECT_LE(list.items.size(), 65u);
}
