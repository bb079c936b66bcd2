// Buttons, mouse input, edit texts and the host's property calls.
#include <gtest/gtest.h>

#include "test_movie.h"

using namespace swfasm;
using namespace swftest;

namespace {
struct ButtonMovie {
  std::vector<uint8_t> bytes;
  uint16_t up, over, down;
};

ButtonMovie MakeButtonMovie() {
  MovieBuilder m(6, 200, 200);
  ButtonMovie b;
  b.up = m.Rectangle(0, 0, 50, 50, {255, 0, 0});
  b.over = m.Rectangle(0, 0, 50, 50, {0, 255, 0});
  b.down = m.Rectangle(0, 0, 50, 50, {0, 0, 255});
  ButtonSpec spec;
  spec.records = {{0x01, b.up}, {0x02, b.over}, {0x04, b.down}, {0x08, b.up}};
  spec.actions.push_back({0x01, Actions().Trace("over")});
  spec.actions.push_back({0x02, Actions().Trace("out")});
  spec.actions.push_back({0x04, Actions().Trace("press")});
  spec.actions.push_back({0x08, Actions().Trace("release").GetUrl("FSCommand:clicked", "yes")});
  uint16_t button = m.DefineButton(spec);
  m.Main().Place(button, 1, Transform::Translate(100, 100)).Do(Actions().Stop()).ShowFrame();
  b.bytes = m.Build();
  return b;
}

uint8_t ShownRed(swf::Player& p) {
  swf::DisplayList list;
  p.BuildDisplayList(list);
  return list.items.empty() ? 0 : list.items.back().shape->fills[0].style.color.r;
}

uint8_t ShownBlue(swf::Player& p) {
  swf::DisplayList list;
  p.BuildDisplayList(list);
  return list.items.empty() ? 0 : list.items.back().shape->fills[0].style.color.b;
}
}  // namespace

TEST(Buttons, PressAndReleaseRunTheirActions) {
  auto movie = MakeButtonMovie();
  Recorder rec;
  swf::Player p(rec.Callbacks());
  ASSERT_TRUE(p.LoadBytes(movie.bytes));
  p.Advance();
  EXPECT_EQ(ShownRed(p), 255);
  p.MouseMove(10, 10);
  EXPECT_FALSE(p.MouseOverButton());
  p.MouseMove(120, 120);
  EXPECT_TRUE(p.MouseOverButton());
  EXPECT_EQ(ShownRed(p), 0);
  p.MouseDown();
  EXPECT_EQ(ShownBlue(p), 255);
  p.MouseUp();
  p.MouseMove(10, 10);
  EXPECT_EQ(rec.traces, (V{"over", "press", "release", "out"}));
  EXPECT_EQ(rec.commands, V{"clicked|yes"});
  EXPECT_EQ(ShownRed(p), 255);
}

TEST(Buttons, ReleaseOutsideDoesNotClick) {
  auto movie = MakeButtonMovie();
  Recorder rec;
  swf::Player p(rec.Callbacks());
  ASSERT_TRUE(p.LoadBytes(movie.bytes));
  p.Advance();
  p.MouseMove(120, 120);
  p.MouseDown();
  p.MouseMove(5, 5);
  p.MouseUp();
  EXPECT_EQ(rec.traces, (V{"over", "press"}));
  EXPECT_TRUE(rec.commands.empty());
}

TEST(Buttons, FirstVersionButtonsActOnRelease) {
  MovieBuilder m(4, 200, 200);
  uint16_t sq = m.Rectangle(0, 0, 20, 20, {0, 0, 0});
  uint16_t button = m.DefineButton1({{0x0F, sq}}, Actions().Set("clicked", 1));
  m.Main().Place(button, 1).ShowFrame();
  swf::Player p;
  ASSERT_TRUE(p.LoadBytes(m.Build()));
  p.Advance();
  p.MouseMove(10, 10);
  p.MouseDown();
  EXPECT_FALSE(p.GetVariable("clicked"));
  p.MouseUp();
  EXPECT_EQ(p.GetVariable("clicked"), "1");
}

TEST(Buttons, CurvedHitAreasAreExact) {
  MovieBuilder m(6, 200, 200);
  uint16_t disc = m.Ellipse(50, 50, 50, 50, {0, 0, 0});
  ButtonSpec spec;
  spec.records = {{0x0F, disc}};
  spec.actions.push_back({0x04, Actions().Trace("hit")});
  m.Main().Place(m.DefineButton(spec), 1).ShowFrame();
  Recorder rec;
  swf::Player p(rec.Callbacks());
  ASSERT_TRUE(p.LoadBytes(m.Build()));
  p.Advance();
  p.MouseMove(5, 5);  // inside the bounds, outside the disc
  p.MouseDown();
  p.MouseUp();
  p.MouseMove(50, 90);
  p.MouseDown();
  p.MouseUp();
  EXPECT_EQ(rec.traces, V{"hit"});
}

TEST(EditText, ShowsItsBoundVariable) {
  MovieBuilder m(6);
  EditTextSpec spec;
  spec.variable = "score";
  spec.text = "initial";
  spec.align = 2;
  uint16_t field = m.DefineEditText(spec);
  EditTextSpec bound = spec;
  bound.variable = "/clip:label";
  bound.text = "";
  uint16_t field2 = m.DefineEditText(bound);
  Timeline inner;
  inner.ShowFrame();
  uint16_t sprite = m.DefineSprite(inner);
  m.Main().Place(sprite, 3, {}, "clip").Place(field, 1).Place(field2, 2).ShowFrame();
  m.Main().Do(Actions().Set("score", 42).Set("/clip:label", "hi").Stop()).ShowFrame();
  swf::Player p;
  ASSERT_TRUE(p.LoadBytes(m.Build()));
  p.Advance();
  swf::DisplayList list;
  p.BuildDisplayList(list);
  ASSERT_EQ(list.items.size(), 2u);
  EXPECT_EQ(list.items[0].kind, swf::DisplayItem::Kind::Text);
  EXPECT_EQ(list.items[0].textValue, "initial");
  EXPECT_EQ(list.items[0].text->align, 2);
  EXPECT_EQ(list.items[0].text->fontName, "_sans");
  EXPECT_EQ(p.GetVariable("score"), "initial");
  p.Advance();
  p.BuildDisplayList(list);
  EXPECT_EQ(list.items[0].textValue, "42");
  EXPECT_EQ(list.items[1].textValue, "hi");
  p.SetVariable("score", "from host");
  p.BuildDisplayList(list);
  EXPECT_EQ(list.items[0].textValue, "from host");
}

TEST(EditText, HtmlFieldsShowTheirPlainText) {
  MovieBuilder m(6);
  EditTextSpec spec;
  spec.html = true;
  spec.variable = "t";
  spec.text = "<p><b>Bold</b> &amp; plain</p><p>second</p>";
  m.Main().Place(m.DefineEditText(spec), 1).ShowFrame();
  swf::Player p;
  ASSERT_TRUE(p.LoadBytes(m.Build()));
  p.Advance();
  swf::DisplayList list;
  p.BuildDisplayList(list);
  ASSERT_EQ(list.items.size(), 1u);
  EXPECT_EQ(list.items[0].textValue, "Bold & plain\rsecond");
}

TEST(Host, TimelinePropertiesOnTheRoot) {
  MovieBuilder m(6, 400, 300);
  uint16_t sq = m.Rectangle(0, 0, 100, 50, {0, 0, 0});
  m.Main().Place(sq, 1, Transform::Translate(10, 10)).Do(Actions().Stop()).ShowFrame();
  swf::Player p;
  ASSERT_TRUE(p.LoadBytes(m.Build()));
  p.Advance();
  EXPECT_EQ(p.TGetProperty("/", 8), "100");
  EXPECT_EQ(p.TGetProperty("/", 9), "50");
  EXPECT_EQ(p.TGetProperty("/", 2), "100");
  EXPECT_TRUE(p.TSetProperty("/", 2, "50"));
  EXPECT_TRUE(p.TSetProperty("/", 3, "200"));
  EXPECT_EQ(p.TGetProperty("/", 2), "50");
  EXPECT_EQ(p.TGetProperty("/", 8), "50");
  EXPECT_EQ(p.TGetProperty("/", 9), "100");
  p.TSetProperty("/", 2, "100");
  p.TSetProperty("/", 3, "100");
  p.MouseMove(123, 45);
  EXPECT_EQ(p.TGetProperty("/", 20), "123");
  EXPECT_EQ(p.TGetProperty("/", 21), "45");
  EXPECT_TRUE(p.TSetProperty("/", 16, "2"));
  EXPECT_EQ(p.TGetProperty("/", 16), "2");
  EXPECT_EQ(p.Quality(), 2);
  EXPECT_EQ(p.TGetProperty("/", 4), "1");
  EXPECT_EQ(p.TGetProperty("/", 5), "1");
  EXPECT_FALSE(p.TGetProperty("/missing", 0));
  EXPECT_FALSE(p.TSetProperty("/", 99, "1"));
}

TEST(Host, GetTimerComesFromTheHostClock) {
  MovieBuilder m(6, 100, 100, 10);
  m.Main().Do(Actions().Op(Action::GetTime).Op(Action::Trace)).ShowFrame();
  m.Main().Do(Actions().Op(Action::GetTime).Op(Action::Trace)).ShowFrame();
  Recorder rec;
  swf::Player p(rec.Callbacks());
  ASSERT_TRUE(p.LoadBytes(m.Build()));
  p.Advance();
  p.Advance();
  p.SetTime(5000);
  p.Advance();
  EXPECT_EQ(rec.traces, (V{"0", "100", "5100"}));
}

TEST(ClipEvents, LoadEnterFrameAndMouse) {
  MovieBuilder m(6, 200, 200);
  Timeline inner;
  inner.Do(Actions().Trace("clip frame")).ShowFrame();
  uint16_t sprite = m.DefineSprite(inner);
  m.Main().PlaceWithEvents(sprite, 1, {}, "c",
                           {{kOnLoad, Actions().Trace("load")},
                            {kOnEnterFrame, Actions().Trace("enter")},
                            {kOnMouseDown, Actions().Trace("down")}});
  m.Main().ShowFrame().ShowFrame();
  m.Main().Do(Actions().Stop()).Remove(1).ShowFrame();
  Recorder rec;
  swf::Player p(rec.Callbacks());
  ASSERT_TRUE(p.LoadBytes(m.Build()));
  p.Advance();
  p.Advance();
  p.MouseDown();
  p.Advance();
  p.Advance();
  EXPECT_EQ(rec.traces, (V{"load", "clip frame", "enter", "down"}));
}

TEST(Dragging, StartDragFollowsTheMouseInsideItsBounds) {
  MovieBuilder m(6, 400, 400);
  uint16_t sprite = m.RectangleSprite(0, 0, 10, 10, {0, 0, 0});
  Actions a;
  // startDrag("c", false, 0, 0, 100, 50)
  a.Push({0, 0, 100, 50, true, false, "c"}).Op(Action::StartDrag).Stop();
  m.Main().Place(sprite, 1, Transform::Translate(20, 20), "c").Do(a).ShowFrame();
  swf::Player p;
  ASSERT_TRUE(p.LoadBytes(m.Build()));
  p.MouseMove(25, 25);
  p.Advance();
  p.MouseMove(55, 35);
  EXPECT_EQ(p.TGetProperty("c", swf::kPropX), "50");
  EXPECT_EQ(p.TGetProperty("c", swf::kPropY), "30");
  p.MouseMove(300, 300);
  EXPECT_EQ(p.TGetProperty("c", swf::kPropX), "100");
  EXPECT_EQ(p.TGetProperty("c", swf::kPropY), "50");
}

TEST(Dragging, DropTargetNamesTheInnermostClipUnderTheMouse) {
  MovieBuilder m(6, 400, 400);
  uint16_t sprite = m.RectangleSprite(0, 0, 50, 50, {0, 0, 0});
  Timeline holder;
  holder.Place(sprite, 1, Transform::Translate(0, 0), "spot").ShowFrame();
  uint16_t box = m.DefineSprite(holder);
  m.Main().Place(box, 1, Transform::Translate(200, 200), "box").Place(sprite, 2, Transform::Translate(20, 20), "piece");
  m.Main().Do(Actions().Push({false, "piece"}).Op(Action::StartDrag).Stop()).ShowFrame();
  swf::Player p;
  ASSERT_TRUE(p.LoadBytes(m.Build()));
  p.MouseMove(25, 25);
  p.Advance();
  EXPECT_EQ(p.TGetProperty("piece", swf::kPropDropTarget), "");
  p.MouseMove(210, 210);  // the dragged square itself is under the mouse, and left out
  EXPECT_EQ(p.TGetProperty("piece", swf::kPropDropTarget), "/box/spot");
  p.MouseMove(390, 390);
  EXPECT_EQ(p.TGetProperty("piece", swf::kPropDropTarget), "");
}

TEST(EditText, TextPropertyOfANamedField) {
  MovieBuilder m(6);
  EditTextSpec spec;
  spec.variable = "bound";
  uint16_t field = m.DefineEditText(spec);
  Actions a;
  a.Push({"field"}).Op(Action::GetVariable).Push({"text", "set by script"}).Op(Action::SetMember);
  a.TraceVar("bound");
  a.Set("bound", "by variable");
  a.TraceVar("field.text");
  m.Main().Place(field, 1, {}, "field").Do(a).ShowFrame();
  Recorder rec;
  swf::Player p(rec.Callbacks());
  ASSERT_TRUE(p.LoadBytes(m.Build()));
  p.Advance();
  EXPECT_EQ(rec.traces, (V{"set by script", "by variable"}));
}

TEST(Buttons, InsideAMovedSpriteAndDraggedOutWhilePressed) {
  MovieBuilder m(6, 400, 400);
  uint16_t sq = m.Rectangle(0, 0, 20, 20, {0, 0, 0});
  ButtonSpec spec;
  spec.records = {{0x0F, sq}};
  spec.actions.push_back({0x10, Actions().Trace("dragged out")});
  spec.actions.push_back({0x20, Actions().Trace("dragged in")});
  spec.actions.push_back({0x08, Actions().Trace("release")});
  uint16_t button = m.DefineButton(spec);
  Timeline inner;
  inner.Place(button, 1, Transform::Translate(10, 10)).ShowFrame();
  uint16_t sprite = m.DefineSprite(inner);
  m.Main().Place(sprite, 1, Transform::Scale(2, 2, 100, 100)).ShowFrame();
  Recorder rec;
  swf::Player p(rec.Callbacks());
  ASSERT_TRUE(p.LoadBytes(m.Build()));
  p.Advance();
  p.MouseMove(115, 115);  // inside the sprite's bounds, left of the scaled button (120..160)
  EXPECT_FALSE(p.MouseOverButton());
  p.MouseMove(150, 150);
  EXPECT_TRUE(p.MouseOverButton());
  p.MouseDown();
  p.MouseMove(300, 300);
  p.MouseMove(130, 130);
  p.MouseUp();
  EXPECT_EQ(rec.traces, (V{"dragged out", "dragged in", "release"}));
}

TEST(Host, UnloadAndLoadAgain) {
  auto first = MakeButtonMovie().bytes;
  MovieBuilder m(6);
  m.Main().Do(Actions().Trace("second movie")).ShowFrame();
  Recorder rec;
  swf::Player p(rec.Callbacks());
  ASSERT_TRUE(p.LoadBytes(first));
  p.Advance();
  p.MouseMove(120, 120);
  ASSERT_TRUE(p.LoadBytes(m.Build()));  // replaces the first movie
  EXPECT_FALSE(p.MouseOverButton());
  EXPECT_EQ(p.CurrentFrame(), 0);
  p.Advance();
  EXPECT_EQ(rec.traces, (V{"over", "second movie"}));
  EXPECT_GT(p.ActionsRun(), 0u);
  p.Unload();
  EXPECT_EQ(p.ReadyState(), 0);
  p.MouseMove(1, 1);
  p.MouseDown();
  swf::DisplayList list;
  p.BuildDisplayList(list);
  EXPECT_TRUE(list.items.empty());
}
