// MovieClip methods that need no drawing: making and removing clips from scripts, depths,
// hit tests, coordinate conversion, bounds and goto forms.
#include <gtest/gtest.h>

#include <algorithm>

#include "test_movie.h"

using namespace swfasm;
using namespace swftest;

TEST(ClipMethods, AttachMovieByExportNameWithAnInitObject) {
  MovieBuilder m(6);
  Timeline inner;
  inner.Do(Actions().Push({"first frame of "}).Push({"this"}).Op(Action::GetVariable).Op(Action::Add2)
               .Push({" "}).Op(Action::Add2).Push({"speed"}).Op(Action::GetVariable).Op(Action::Add2).Op(Action::Trace))
      .ShowFrame();
  uint16_t sprite = m.DefineSprite(inner);
  m.Main().Tag(56, ExportBody(sprite, "Ball"));
  Actions a;
  a.Push({"init", "speed", 7, 1}).Op(Action::InitObject).Op(Action::SetVariable);
  a.Push({"init"}).Op(Action::GetVariable);
  a.Push({5, "b1", "ball"});  // the export name is matched without case before version 7
  a.Push({4}).Push({"_root"}).Op(Action::GetVariable).Push({"attachMovie"}).Op(Action::CallMethod);
  a.Op(Action::TargetPath).Op(Action::Trace);
  CallOn(a, "b1", "getDepth", {}).Op(Action::Trace);
  CallOn(a, "_root", "attachMovie", {"NoSuchExport", "b2", 6}).Op(Action::TypeOf).Op(Action::Trace);
  m.Main().Do(a).ShowFrame();
  m.Main().Do(Actions().Stop()).ShowFrame();
  EXPECT_EQ(Play(m, 2), (V{"_level0.b1", "5", "undefined", "first frame of _level0.b1 7"}));
}

TEST(ClipMethods, CreateDuplicateRemoveAndDepths) {
  MovieBuilder m(7);  // getNextHighestDepth and getInstanceAtDepth came with the seventh version
  uint16_t sprite = m.RectangleSprite(0, 0, 10, 10, {1, 2, 3});
  Actions a;
  CallOn(a, "_root", "getNextHighestDepth", {}).Op(Action::Trace);
  CallOn(a, "_root", "createEmptyMovieClip", {"holder", 10}).Op(Action::TargetPath).Op(Action::Trace);
  CallOn(a, "_root", "getNextHighestDepth", {}).Op(Action::Trace);
  CallOn(a, "holder", "createEmptyMovieClip", {"inside", 0}).Op(Action::TargetPath).Op(Action::Trace);
  CallOn(a, "orig", "duplicateMovieClip", {"copy", 3}).Op(Action::Pop);
  a.TraceVar("copy._width");
  CallOn(a, "copy", "getDepth", {}).Op(Action::Trace);
  CallOn(a, "orig", "getDepth", {}).Op(Action::Trace);  // timeline depth 1
  // Swapping with a depth, then with another clip.
  CallOn(a, "copy", "swapDepths", {20}).Op(Action::Pop);
  CallOn(a, "copy", "getDepth", {}).Op(Action::Trace);
  a.Push({"holder"}).Op(Action::GetVariable);
  a.Push({1}).Push({"copy"}).Op(Action::GetVariable).Push({"swapDepths"}).Op(Action::CallMethod).Op(Action::Pop);
  CallOn(a, "copy", "getDepth", {}).Op(Action::Trace);
  CallOn(a, "holder", "getDepth", {}).Op(Action::Trace);
  CallOn(a, "_root", "getInstanceAtDepth", {20}).Op(Action::TargetPath).Op(Action::Trace);
  // removeMovieClip takes script clips only.
  CallOn(a, "orig", "removeMovieClip", {}).Op(Action::Pop);
  CallOn(a, "copy", "removeMovieClip", {}).Op(Action::Pop);
  a.Push({"orig"}).Op(Action::GetVariable).Op(Action::TypeOf).Op(Action::Trace);
  a.Push({"copy"}).Op(Action::GetVariable).Op(Action::TypeOf).Op(Action::Trace);
  m.Main().Place(sprite, 1, {}, "orig").Do(a).ShowFrame();
  EXPECT_EQ(Play(m, 1), (V{"0", "_level0.holder", "11", "_level0.holder.inside", "10", "3", "-16383", "20", "10",
                           "20", "_level0.holder", "movieclip", "undefined"}));
}

TEST(ClipMethods, HitTestPointsShapesAndClips) {
  MovieBuilder m(6, 400, 400);
  Timeline discTl;
  discTl.Place(m.Ellipse(0, 0, 50, 50, {0, 0, 0}), 1).ShowFrame();
  uint16_t disc = m.DefineSprite(discTl);
  Actions a;
  CallOn(a, "d", "hitTest", {100, 100, true}).Op(Action::Trace);  // the centre
  CallOn(a, "d", "hitTest", {145, 145, false}).Op(Action::Trace); // inside the bounds, outside the disc
  CallOn(a, "d", "hitTest", {145, 145, true}).Op(Action::Trace);
  CallOn(a, "d", "hitTest", {300, 300}).Op(Action::Trace);
  a.Push({"near"}).Op(Action::GetVariable);
  a.Push({1}).Push({"d"}).Op(Action::GetVariable).Push({"hitTest"}).Op(Action::CallMethod).Op(Action::Trace);
  a.Push({"far"}).Op(Action::GetVariable);
  a.Push({1}).Push({"d"}).Op(Action::GetVariable).Push({"hitTest"}).Op(Action::CallMethod).Op(Action::Trace);
  m.Main().Place(disc, 1, Transform::Translate(100, 100), "d");
  m.Main().Place(disc, 2, Transform::Translate(180, 100), "near");
  m.Main().Place(disc, 3, Transform::Translate(350, 350), "far");
  m.Main().Do(a).ShowFrame();
  EXPECT_EQ(Play(m, 1), (V{"true", "true", "false", "false", "true", "false"}));
}

TEST(ClipMethods, CoordinatesAndBounds) {
  MovieBuilder m(6, 400, 400);
  uint16_t inner = m.RectangleSprite(0, 0, 20, 10, {0, 0, 0});
  Timeline outerTl;
  outerTl.Place(inner, 1, Transform::Translate(5, 5), "in").ShowFrame();
  uint16_t outer = m.DefineSprite(outerTl);
  Actions a;
  a.Push({"pt", "x", 1, "y", 2, 2}).Op(Action::InitObject).Op(Action::SetVariable);
  a.Push({"pt"}).Op(Action::GetVariable).Push({1, "o.in"}).Op(Action::GetVariable).Push({"localToGlobal"})
      .Op(Action::CallMethod).Op(Action::Pop);
  a.TraceVar("pt.x").TraceVar("pt.y");
  a.Push({"pt"}).Op(Action::GetVariable).Push({1, "o.in"}).Op(Action::GetVariable).Push({"globalToLocal"})
      .Op(Action::CallMethod).Op(Action::Pop);
  a.TraceVar("pt.x").TraceVar("pt.y");
  // Bounds of the inner clip in its own space, in its parent's and on the stage (the root).
  auto bounds = [&](const std::vector<PushValue>& args) {
    a.Push({"b"});
    CallOn(a, "o.in", "getBounds", args).Op(Action::SetVariable);
    a.Push({"b.xMin"}).Op(Action::GetVariable).Push({" "}).Op(Action::Add2).Push({"b.yMin"}).Op(Action::GetVariable)
        .Op(Action::Add2).Push({" "}).Op(Action::Add2).Push({"b.xMax"}).Op(Action::GetVariable).Op(Action::Add2)
        .Push({" "}).Op(Action::Add2).Push({"b.yMax"}).Op(Action::GetVariable).Op(Action::Add2).Op(Action::Trace);
  };
  bounds({});
  a.Push({"b"}).Push({"o"}).Op(Action::GetVariable).Push({1, "o.in"}).Op(Action::GetVariable).Push({"getBounds"})
      .Op(Action::CallMethod).Op(Action::SetVariable);
  a.TraceVar("b.xMin");
  a.Push({"b"}).Push({"_root"}).Op(Action::GetVariable).Push({1, "o.in"}).Op(Action::GetVariable)
      .Push({"getBounds"}).Op(Action::CallMethod).Op(Action::SetVariable);
  a.TraceVar("b.xMin").TraceVar("b.yMax");
  m.Main().Place(outer, 1, Transform::Scale(2, 2, 100, 50), "o").Do(a).ShowFrame();
  EXPECT_EQ(Play(m, 1), (V{"112", "64", "1", "2", "0 0 20 10", "5", "110", "80"}));
}

TEST(ClipMethods, GotoFormsOnClips) {
  MovieBuilder m(6);
  Timeline tl;
  tl.Do(Actions().Stop()).ShowFrame();
  tl.Do(Actions().Trace("two")).ShowFrame();
  tl.Label("Third").Do(Actions().Trace("three")).ShowFrame();
  tl.Do(Actions().Trace("four")).ShowFrame();
  uint16_t sprite = m.DefineSprite(tl);
  Actions a;
  CallOn(a, "c", "gotoAndStop", {"third"}).Op(Action::Pop);    // labels ignore case before version 7
  a.TraceVar("c._currentframe");
  CallOn(a, "c", "gotoAndStop", {"Scene 1", 2}).Op(Action::Pop);
  a.TraceVar("c._currentframe");
  CallOn(a, "c", "gotoAndStop", {"4"}).Op(Action::Pop);
  CallOn(a, "c", "prevFrame", {}).Op(Action::Pop);
  a.TraceVar("c._currentframe");
  CallOn(a, "c", "gotoAndStop", {"nowhere"}).Op(Action::Pop);  // an unknown label leaves it
  a.TraceVar("c._currentframe");
  m.Main().Place(sprite, 1, {}, "c").Do(a).ShowFrame();
  m.Main().Do(Actions().Stop()).ShowFrame();
  EXPECT_EQ(Play(m, 2), (V{"3", "2", "3", "3", "three", "two", "four", "three"}));
}

TEST(ClipMethods, RegisteredClassesMakeTheClipsOfTheirSymbol) {
  // #initclip registers Widget for the "widget" symbol; the placed instance is constructed before
  // the frame's script, and attachMovie constructs at once, after copying its init object.
  MovieBuilder m(7);
  Timeline inner;
  inner.ShowFrame();
  uint16_t sprite = m.DefineSprite(inner);
  m.Main().Tag(56, ExportBody(sprite, "widget"));
  Actions ctor;
  ctor.Push({"made "}).Push({"this"}).Op(Action::GetVariable).Op(Action::Add2).Push({" size "}).Op(Action::Add2)
      .Push({"this"}).Op(Action::GetVariable).Push({"size"}).Op(Action::GetMember).Op(Action::Add2).Op(Action::Trace);
  Actions init;
  init.DefineFunction("Widget", {}, ctor);
  init.Push({"Widget"}).Op(Action::GetVariable).Push({"MovieClip"}).Op(Action::GetVariable).Op(Action::Extends);
  init.Push({"Widget"}).Op(Action::GetVariable).Push({"prototype"}).Op(Action::GetMember).Push({"kind"})
      .DefineFunction("", {}, Actions().Push({"widget"}).Op(Action::Return)).Op(Action::SetMember);
  init.Push({"Widget"}).Op(Action::GetVariable).Push({"widget", 2, "Object"}).Op(Action::GetVariable)
      .Push({"registerClass"}).Op(Action::CallMethod).Op(Action::Pop);
  Actions frame;
  frame.Trace("frame script");
  CallOn(frame, "w", "kind", {}).Op(Action::Trace);
  frame.Push({"init", "size", 3, 1}).Op(Action::InitObject).Op(Action::SetVariable);
  frame.Push({"init"}).Op(Action::GetVariable).Push({7, "a", "widget", 4, "_root"}).Op(Action::GetVariable)
      .Push({"attachMovie"}).Op(Action::CallMethod).Push({"kind"}).Op(Action::GetMember).Op(Action::TypeOf)
      .Op(Action::Trace);
  frame.Push({"a"}).Op(Action::GetVariable).Push({"MovieClip"}).Op(Action::GetVariable).Op(Action::InstanceOf)
      .Op(Action::Trace);
  m.Main().InitActions(sprite, init).Place(sprite, 1, {}, "w").Do(frame.Stop()).ShowFrame();
  EXPECT_EQ(Play(m, 1), (V{"made _level0.w size undefined", "frame script", "widget", "made _level0.a size 3",
                           "function", "true"}));
}

TEST(ClipMethods, ColorTintsAClipAndStageGivesTheMovieSize) {
  MovieBuilder m(6, 320, 240);
  uint16_t sprite = m.RectangleSprite(0, 0, 10, 10, {0, 0, 0});
  Actions a;
  a.Push({"c", "ball", 1, "Color"}).Op(Action::NewObject).Op(Action::SetVariable);
  CallOn(a, "c", "setRGB", {0x336699}).Op(Action::Pop);
  CallOn(a, "c", "getRGB", {}).Push({16}).Op(Action::StackSwap).Push({1}).Op(Action::StackSwap)
      .Push({"toString"}).Op(Action::CallMethod).Op(Action::Trace);
  a.Push({"t", "aa", 50, 1}).Op(Action::InitObject).Op(Action::SetVariable);
  CallOn(a, "c", "setTransform", {}).Op(Action::Pop);  // no argument: nothing changes
  a.Push({"t"}).Op(Action::GetVariable).Push({1, "c"}).Op(Action::GetVariable).Push({"setTransform"})
      .Op(Action::CallMethod).Op(Action::Pop);
  a.TraceVar("ball._alpha");
  a.Push({"tr"});
  CallOn(a, "c", "getTransform", {}).Op(Action::SetVariable);
  a.TraceVar("tr.rb").TraceVar("tr.ra");
  a.TraceVar("Stage.width").TraceVar("Stage.height");
  m.Main().Place(sprite, 1, {}, "ball").Do(a).ShowFrame();
  Recorder rec;
  swf::Player p(rec.Callbacks());
  ASSERT_TRUE(p.LoadBytes(m.Build()));
  p.Advance();
  EXPECT_EQ(rec.traces, (V{"336699", "50", "51", "0", "320", "240"}));
  swf::DisplayList list;
  p.BuildDisplayList(list);
  ASSERT_EQ(list.items.size(), 1u);
  EXPECT_EQ(list.items[0].cxform.Apply({0, 0, 0, 255}), (swf::Rgba{0x33, 0x66, 0x99, 127}));
}
