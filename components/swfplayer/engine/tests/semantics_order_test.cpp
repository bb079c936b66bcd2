// Execution order: enterFrame handlers, frame scripts of parents and children, init actions,
// gotos that skip frames, unload handlers and script clips when a timeline is rebuilt.
#include <gtest/gtest.h>

#include "test_movie.h"

using namespace swfasm;
using namespace swftest;

namespace {

// clip.<handler> = function () { trace(text); }
Actions& Handler(Actions& a, const std::string& clip, const std::string& handler, const std::string& text) {
  a.Push({clip}).Op(Action::GetVariable).Push({handler}).DefineFunction("", {}, Actions().Trace(text))
      .Op(Action::SetMember);
  return a;
}

}  // namespace

TEST(Order, EnterFrameHandlersRunBeforeTheFrameScripts) {
  MovieBuilder m(6);
  Timeline inner;
  inner.Do(Actions().Trace("clip frame 1")).ShowFrame();
  inner.Do(Actions().Trace("clip frame 2")).ShowFrame();
  uint16_t sprite = m.DefineSprite(inner);
  m.Main().PlaceWithEvents(sprite, 1, {}, "c", {{kOnEnterFrame, Actions().Trace("onClipEvent enterFrame")}});
  Actions first;
  first.Trace("root frame 1");
  Handler(first, "c", "onEnterFrame", "onEnterFrame");
  m.Main().Do(first).ShowFrame();
  m.Main().Do(Actions().Trace("root frame 2").Stop()).ShowFrame();
  // The child placed before the parent's frame script runs its first frame first; nothing enters a frame on the
  // tick it is made; the child, newer than its parent, moves on first.
  EXPECT_EQ(Play(m, 2), (V{"clip frame 1", "root frame 1", "onClipEvent enterFrame", "onEnterFrame", "clip frame 2",
                           "root frame 2"}));
}

TEST(Order, InitActionsRunOnceBeforeTheirFramesActionsEvenWhenTheTimelineLoops) {
  MovieBuilder m(6);
  Timeline inner;
  inner.ShowFrame();
  uint16_t sprite = m.DefineSprite(inner);
  m.Main().Do(Actions().Trace("frame 1")).ShowFrame();
  m.Main().Do(Actions().Trace("frame 2")).InitActions(sprite, Actions().Trace("init")).ShowFrame();
  EXPECT_EQ(Play(m, 5), (V{"frame 1", "init", "frame 2", "frame 1", "frame 2", "frame 1"}));
}

TEST(Order, AGotoRunsOnlyTheTargetFramesActionsAndSkipsItsObjects) {
  MovieBuilder m(6);
  Timeline inner;
  inner.Do(Actions().Trace("transient clip frame")).ShowFrame();
  uint16_t sprite = m.DefineSprite(inner);
  Timeline mover;
  mover.ShowFrame();
  uint16_t moverId = m.DefineSprite(mover);
  m.Main().Place(moverId, 1, {}, "mover").Do(Actions().GotoFrame(3).Stop()).ShowFrame();
  m.Main().Move(1, Transform::Translate(50, 0));
  m.Main().PlaceWithEvents(sprite, 2, {}, "transient", {{kOnLoad, Actions().Trace("transient load")},
                                                       {kOnUnload, Actions().Trace("transient unload")}});
  m.Main().Do(Actions().Trace("frame 2")).ShowFrame();
  m.Main().Remove(2).Do(Actions().Trace("frame 3")).ShowFrame();
  m.Main().Do(Actions().Trace("frame 4").TraceVar("mover._x").TraceVar("transient")).ShowFrame();
  EXPECT_EQ(Play(m, 3), (V{"frame 4", "50", "undefined"}));
}

TEST(Order, GoingBackRemovesScriptClipsAtTimelineDepthsOnly) {
  MovieBuilder m(6);
  Timeline inner;
  inner.ShowFrame();
  uint16_t sprite = m.DefineSprite(inner);
  Actions a;
  a.Push({"made"}).Op(Action::GetVariable).If("second");
  a.Push({"orig", "low", -100}).Op(Action::CloneSprite);
  a.Push({"orig", "high", 5}).Op(Action::CloneSprite);
  a.Set("made", true).Jump("end");
  a.Label("second");
  a.Push({"low"}).Op(Action::GetVariable).Op(Action::TypeOf).Op(Action::Trace);
  a.Push({"high"}).Op(Action::GetVariable).Op(Action::TypeOf).Op(Action::Trace);
  a.Push({"orig"}).Op(Action::GetVariable).Op(Action::TypeOf).Op(Action::Trace);
  a.Stop();
  a.Label("end");
  m.Main().Place(sprite, 1, {}, "orig").Do(a).ShowFrame();
  m.Main().ShowFrame();
  EXPECT_EQ(Play(m, 3), (V{"undefined", "movieclip", "movieclip"}));
}

TEST(Order, UnloadHandlersRunWhenTheTimelineRemovesAClip) {
  MovieBuilder m(6);
  Timeline inner;
  inner.ShowFrame();
  uint16_t sprite = m.DefineSprite(inner);
  m.Main().PlaceWithEvents(sprite, 1, {}, "c", {{kOnUnload, Actions().Trace("onClipEvent unload")}});
  Actions a;
  Handler(a, "c", "onUnload", "onUnload");
  m.Main().Do(a).ShowFrame();
  m.Main().Remove(1).Do(Actions().Trace("frame 2").Stop()).ShowFrame();
  // The removal comes before the frame's script.
  EXPECT_EQ(Play(m, 2), (V{"onClipEvent unload", "onUnload", "frame 2"}));
}

TEST(Order, OnLoadSetByTheParentsFrameScriptComesTooLate) {
  // The clip has loaded when its parent's script runs, so only a handler present at placement fires.
  MovieBuilder m(6);
  Timeline inner;
  inner.ShowFrame();
  uint16_t sprite = m.DefineSprite(inner);
  m.Main().PlaceWithEvents(sprite, 1, {}, "c", {{kOnLoad, Actions().Trace("onClipEvent load")}});
  Actions a;
  Handler(a, "c", "onLoad", "onLoad");
  m.Main().Do(a.Stop()).ShowFrame();
  EXPECT_EQ(Play(m, 2), (V{"onClipEvent load"}));
}
