// Event handler properties on clips and buttons, mouse events on every clip, and timers on
// the movie clock.
#include <gtest/gtest.h>

#include "test_movie.h"

using namespace swfasm;
using namespace swftest;

namespace {

// target.<handler> = function () { trace(text + " " + this); }
Actions& Handler(Actions& a, const std::string& target, const std::string& handler, const std::string& text) {
  Actions body;
  body.Push({text + " "}).Push({"this"}).Op(Action::GetVariable).Op(Action::Add2).Op(Action::Trace);
  a.Push({target}).Op(Action::GetVariable).Push({handler}).DefineFunction("", {}, body).Op(Action::SetMember);
  return a;
}

}  // namespace

TEST(Handlers, AClipWithMouseHandlersActsAsAButton) {
  MovieBuilder m(6, 300, 300);
  uint16_t sprite = m.RectangleSprite(0, 0, 50, 50, {0, 0, 0});
  Actions a;
  for (const char* h : {"onRollOver", "onPress", "onRelease", "onRollOut", "onReleaseOutside"}) Handler(a, "c", h, h);
  m.Main().Place(sprite, 1, Transform::Translate(100, 100), "c").Do(a.Stop()).ShowFrame();
  Recorder rec;
  swf::Player p(rec.Callbacks());
  ASSERT_TRUE(p.LoadBytes(m.Build()));
  p.Advance();
  p.MouseMove(10, 10);
  EXPECT_FALSE(p.MouseOverButton());
  p.MouseMove(120, 120);
  EXPECT_TRUE(p.MouseOverButton());
  p.MouseDown();
  p.MouseUp();
  p.MouseMove(10, 10);
  // A disabled clip takes no clicks.
  p.SetVariable("c.enabled", "");
  p.MouseMove(120, 120);
  EXPECT_FALSE(p.MouseOverButton());
  p.MouseMove(10, 10);
  p.SetVariable("c.enabled", "1");
  // Pressed inside and let go outside.
  p.MouseMove(120, 120);
  p.MouseDown();
  p.MouseMove(200, 200);
  p.MouseUp();
  EXPECT_EQ(rec.traces, (V{"onRollOver _level0.c", "onPress _level0.c", "onRelease _level0.c", "onRollOut _level0.c",
                           "onRollOver _level0.c", "onPress _level0.c", "onReleaseOutside _level0.c"}));
}

TEST(Handlers, OnHandlersAttachedToAClipAndItsInitializeEvent) {
  // on (press) and on (release) written on a clip instance make it a button; they run on the clip.
  MovieBuilder m(7, 300, 300);
  uint16_t sprite = m.RectangleSprite(0, 0, 50, 50, {0, 0, 0});
  constexpr uint32_t kPress = 0x0400, kRelease = 0x0800, kInitialize = 0x0200;
  Actions press;
  press.Push({"press "}).Push({"this"}).Op(Action::GetVariable).Op(Action::Add2).Op(Action::Trace);
  m.Main().PlaceWithEvents(sprite, 1, Transform::Translate(100, 100), "c",
                           {{kPress, press}, {kRelease, Actions().Trace("release")},
                            {kInitialize, Actions().Trace("initialize")}, {kOnLoad, Actions().Trace("load")}});
  m.Main().Do(Actions().Trace("frame").Stop()).ShowFrame();
  Recorder rec;
  swf::Player p(rec.Callbacks());
  ASSERT_TRUE(p.LoadBytes(m.Build()));
  p.Advance();
  p.MouseMove(120, 120);
  EXPECT_TRUE(p.MouseOverButton());
  p.MouseDown();
  p.MouseUp();
  EXPECT_EQ(rec.traces, (V{"initialize", "load", "frame", "press _level0.c", "release"}));
}

TEST(Handlers, ButtonPropertiesAndHandlersWithTheButtonAsThis) {
  MovieBuilder m(6, 300, 300);
  uint16_t rect = m.Rectangle(0, 0, 50, 50, {0, 0, 0});
  ButtonSpec spec;
  spec.records = {{0x0F, rect}};
  spec.actions.push_back({0x08, Actions().Trace("on release action")});
  uint16_t button = m.DefineButton(spec);
  Actions a;
  Handler(a, "b", "onRelease", "onRelease");
  // A named button has the placement properties of a clip.
  a.Push({"b"}).Op(Action::GetVariable).Push({"_alpha", 40}).Op(Action::SetMember);
  a.TraceVar("b._x").TraceVar("b._alpha").TraceVar("b._name");
  m.Main().Place(button, 1, Transform::Translate(100, 100), "b").Do(a.Stop()).ShowFrame();
  Recorder rec;
  swf::Player p(rec.Callbacks());
  ASSERT_TRUE(p.LoadBytes(m.Build()));
  p.Advance();
  p.MouseMove(120, 120);
  p.MouseDown();
  p.MouseUp();
  EXPECT_EQ(rec.traces, (V{"100", "40", "b", "on release action", "onRelease _level0.b"}));
}

TEST(Handlers, MouseHandlersOfEveryClipHearTheMouseAnywhere) {
  MovieBuilder m(6, 300, 300);
  Timeline inner;
  inner.ShowFrame();
  uint16_t sprite = m.DefineSprite(inner);
  Actions a;
  Handler(a, "c", "onMouseDown", "down");
  Handler(a, "c", "onMouseUp", "up");
  m.Main().Place(sprite, 1, {}, "c").Do(a.Stop()).ShowFrame();
  Recorder rec;
  swf::Player p(rec.Callbacks());
  ASSERT_TRUE(p.LoadBytes(m.Build()));
  p.Advance();
  p.MouseMove(250, 250);
  p.MouseDown();
  p.MouseUp();
  EXPECT_EQ(rec.traces, (V{"down _level0.c", "up _level0.c"}));
}

TEST(Timers, IntervalsFireOnTheMovieClockWithTheirArguments) {
  // Ten frames a second: an interval of 250 ms fires on the frames at 300, 500 and 800 ms.
  MovieBuilder m(6, 100, 100, 10);
  Actions tick;
  tick.Push({"n", "n"}).Op(Action::GetVariable).Op(Action::Increment).Op(Action::SetVariable);
  tick.Op(Action::GetTime).Push({" "}).Op(Action::Add2).Push({"word"}).Op(Action::GetVariable).Op(Action::Add2)
      .Op(Action::Trace);
  tick.Push({"n"}).Op(Action::GetVariable).Push({3}).Op(Action::Equals2).Op(Action::Not).If("more");
  tick.Push({"id"}).Op(Action::GetVariable).Push({1, "clearInterval"}).Op(Action::CallFunction).Op(Action::Pop);
  tick.Label("more");
  Actions a;
  a.Set("n", 0);
  a.DefineFunction("tick", {"word"}, tick);
  a.Push({"id", "hello", 250, "tick"}).Op(Action::GetVariable).Push({3, "setInterval"}).Op(Action::CallFunction)
      .Op(Action::SetVariable);
  m.Main().Do(a.Stop()).ShowFrame();
  Recorder rec;
  swf::Player p(rec.Callbacks());
  ASSERT_TRUE(p.LoadBytes(m.Build()));
  for (int i = 0; i < 20; ++i) p.Advance();
  EXPECT_EQ(rec.traces, (V{"300 hello", "500 hello", "800 hello"}));
}

TEST(Timers, ObjectMethodFormTimeoutsAndTheLimitPerFrame) {
  MovieBuilder m(6, 100, 100, 10);
  Actions a;
  a.Push({"o", 0}).Op(Action::InitObject).Op(Action::SetVariable);
  a.Push({"o"}).Op(Action::GetVariable).Push({"name", "obj"}).Op(Action::SetMember);
  Actions ping;
  ping.Push({"this"}).Op(Action::GetVariable).Push({"name"}).Op(Action::GetMember).Push({" "}).Op(Action::Add2)
      .Push({"x"}).Op(Action::GetVariable).Op(Action::Add2).Op(Action::Trace);
  a.Push({"o"}).Op(Action::GetVariable).Push({"ping"}).DefineFunction("", {"x"}, ping).Op(Action::SetMember);
  a.Push({"once", 150, "ping", "o"}).Op(Action::GetVariable).Push({4, "setTimeout"}).Op(Action::CallFunction).Op(Action::Pop);
  // A one-millisecond interval fires at most ten times a frame.
  Actions count;
  count.Push({"hits", "hits"}).Op(Action::GetVariable).Op(Action::Increment).Op(Action::SetVariable);
  a.Set("hits", 0);
  a.Push({1}).DefineFunction("", {}, count).Push({2, "setInterval"}).Op(Action::CallFunction).Op(Action::Pop);
  m.Main().Do(a.Stop()).ShowFrame();
  Recorder rec;
  swf::Player p(rec.Callbacks());
  ASSERT_TRUE(p.LoadBytes(m.Build()));
  for (int i = 0; i < 5; ++i) p.Advance();
  EXPECT_EQ(rec.traces, (V{"obj once"}));
  EXPECT_EQ(p.GetVariable("hits"), "40");
}

TEST(Keys, ClipEventsListenersButtonKeyPressesAndKeyState) {
  MovieBuilder m(6, 300, 300);
  Timeline inner;
  inner.ShowFrame();
  uint16_t sprite = m.DefineSprite(inner);
  Actions onKey;
  onKey.Push({"keyDown "}).Push({0, "Key"}).Op(Action::GetVariable).Push({"getCode"}).Op(Action::CallMethod)
      .Op(Action::Add2).Op(Action::Trace);
  m.Main().PlaceWithEvents(sprite, 1, {}, "c", {{kOnKeyDown, onKey}, {kOnKeyUp, Actions().Trace("keyUp")}});
  uint16_t rect = m.Rectangle(0, 0, 10, 10, {0, 0, 0});
  ButtonSpec spec;
  spec.records = {{0x0F, rect}};
  spec.actions.push_back({static_cast<uint16_t>('a' << 9), Actions().Trace("key a on the button")});
  spec.actions.push_back({static_cast<uint16_t>(1 << 9), Actions().Trace("left on the button")});
  m.Main().Place(m.DefineButton(spec), 2);
  Actions a;
  a.Push({"l", 0}).Op(Action::InitObject).Op(Action::SetVariable);
  a.Push({"l"}).Op(Action::GetVariable).Push({"onKeyDown"})
      .DefineFunction("", {}, Actions().Push({"listener "}).Push({37, 1, "Key"}).Op(Action::GetVariable)
                                  .Push({"isDown"}).Op(Action::CallMethod).Op(Action::Add2).Op(Action::Trace))
      .Op(Action::SetMember);
  a.Push({"l"}).Op(Action::GetVariable).Push({1, "Key"}).Op(Action::GetVariable).Push({"addListener"})
      .Op(Action::CallMethod).Op(Action::Pop);
  a.Push({"l"}).Op(Action::GetVariable).Push({"onMouseDown"}).DefineFunction("", {}, Actions().Trace("mouse listener"))
      .Op(Action::SetMember);
  a.Push({"l"}).Op(Action::GetVariable).Push({1, "Mouse"}).Op(Action::GetVariable).Push({"addListener"})
      .Op(Action::CallMethod).Op(Action::Pop);
  m.Main().Do(a.Stop()).ShowFrame();
  Recorder rec;
  swf::Player p(rec.Callbacks());
  ASSERT_TRUE(p.LoadBytes(m.Build()));
  p.Advance();
  p.KeyDown(65, 'a');
  p.KeyUp(65, 'a');
  p.KeyDown(37, 0);
  p.MouseDown();
  EXPECT_EQ(rec.traces, (V{"listener false", "keyDown 65", "key a on the button", "keyUp", "listener true",
                           "keyDown 37", "left on the button", "mouse listener"}));
}
