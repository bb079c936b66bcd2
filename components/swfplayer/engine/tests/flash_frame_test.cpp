// What the scripts of one frame share: the value stack, the constant pool, and the target a tellTarget leaves.
#include <gtest/gtest.h>

#include "builtins_script.h"

using namespace swfasm;
using namespace swftest;

TEST(FlashFrame, BlocksOfAFrameShareOneStackClearedAtItsEnd) {
  MovieBuilder m(6);
  Timeline clip;
  clip.Do(Actions().Push({"from the clip"})).ShowFrame();
  uint16_t sprite = m.DefineSprite(clip);
  m.Main().Do(Actions().Push({"left", "behind"}));
  m.Main().Do(Actions().Op(Action::Trace).Op(Action::Trace).Op(Action::Trace));
  m.Main().Place(sprite, 1, {}, "c").ShowFrame();
  m.Main().Do(Actions().Op(Action::Trace).Stop()).ShowFrame();
  // What the clip leaves behind in the first frame is gone in the second.
  EXPECT_EQ(Play(m, 2), (V{"behind", "left", "undefined", "undefined"}));
}

TEST(FlashFrame, FunctionCallsDoNotReachTheCallersValues) {
  Actions a;
  a.DefineFunction("f", {}, Actions().Op(Action::Trace).Push({"f's own"}).Op(Action::Return));
  a.Push({"kept", 0, "f"}).Op(Action::CallFunction).Op(Action::Trace).Op(Action::Trace);
  EXPECT_EQ(RunScript(a, 6), (V{"undefined", "f's own", "kept"}));
}

TEST(FlashFrame, TheLastConstantPoolStaysInForce) {
  MovieBuilder m(6);
  Timeline clip;
  clip.ShowFrame();
  uint16_t sprite = m.DefineSprite(clip);
  Actions first;
  first.ConstantPool({"first pool"});
  first.DefineFunction("f", {}, Actions().Push({Constant{0}}).Op(Action::Trace));
  first.ConstantPool({"second pool", "unused"});
  Actions later;
  later.Push({Constant{0}}).Op(Action::Trace);
  later.Push({0, "f"}).Op(Action::CallFunction).Op(Action::Pop);
  m.Main().Do(first).Do(later);
  m.Main().PlaceWithEvents(sprite, 1, {}, "c", {{kOnEnterFrame, Actions().Push({Constant{1}}).Op(Action::Trace)}});
  m.Main().ShowFrame();
  m.Main().Do(Actions().Push({Constant{0}}).Op(Action::Trace).Stop()).ShowFrame();
  EXPECT_EQ(Play(m, 2), (V{"second pool", "first pool", "unused", "second pool"}));
}

namespace {

// A movie of three frames whose clip "s" runs code in its first frame; the root sets v first.
MovieBuilder ClipRunning(const Actions& code, int version) {
  MovieBuilder m(version);
  Timeline clip;
  clip.Do(code).ShowFrame();
  clip.ShowFrame();
  uint16_t sprite = m.DefineSprite(clip);
  m.Main().Do(Actions().Set("v", "root v")).Place(sprite, 1, {}, "s").ShowFrame();
  m.Main().ShowFrame();
  m.Main().ShowFrame();
  return m;
}

}  // namespace

TEST(FlashFrame, AFailedTellTargetActsOnTheRootOrNothing) {
  Actions a;
  a.Stop().Set("v", "s v");
  a.SetTarget("nothing").TraceVar("v").GotoFrame(1).GotoLabel("x").Play().Op(Action::NextFrame).SetTarget("");
  a.TraceVar("_currentframe").TraceVar("_root._currentframe");
  // gotoAndPlay with a computed frame still reaches the root.
  a.SetTarget("nothing").Push({3}).GotoFrame2(false).SetTarget("");
  a.TraceVar("_currentframe").TraceVar("_root._currentframe");
  EXPECT_EQ(Play(ClipRunning(a, 6), 1), (V{"root v", "1", "1", "1", "3"}));
}

TEST(FlashFrame, TellTargetOfUndefinedIsTheScriptsClipUntilTheSeventhVersion) {
  Actions a;
  a.Stop().Set("v", "s v");
  a.Push({Undefined{}}).Op(Action::SetTarget2).TraceVar("v").SetTarget("");
  EXPECT_EQ(Play(ClipRunning(a, 6), 1), (V{"s v"}));
  EXPECT_EQ(Play(ClipRunning(a, 7), 1), (V{"root v"}));
}

TEST(FlashFrame, AScriptWhoseClipIsRemovedRunsOnButCannotTellTarget) {
  MovieBuilder m(6);
  Timeline clip;
  Actions a;
  Method(a, "_parent", "gotoAndStop", {2}).Op(Action::Pop);  // the root's second frame removes this clip
  a.TraceVar("_root._currentframe");
  a.SetTarget("_root").Play().SetTarget("");
  a.Trace("end");
  clip.Do(a).ShowFrame();
  uint16_t sprite = m.DefineSprite(clip);
  m.Main().Place(sprite, 1, {}, "s").ShowFrame();
  m.Main().Remove(1).ShowFrame();
  m.Main().Do(Actions().Trace("root frame 3").Stop()).ShowFrame();
  EXPECT_EQ(Play(m, 3), (V{"2", "end"}));
}

TEST(FlashFrame, PlacedClipsRunTheirFirstFrameInTagOrder) {
  MovieBuilder m(6);
  Timeline clip;
  clip.Do(Actions().Trace("child frame 1").Stop()).ShowFrame();
  clip.ShowFrame();
  uint16_t sprite = m.DefineSprite(clip);
  m.Main().Do(Actions().Trace("root before"));
  m.Main().Place(sprite, 1, {}, "a");
  m.Main().Do(Actions().Trace("root between").TraceVar("a._currentframe"));
  m.Main().Place(sprite, 2, {}, "b");
  m.Main().Do(Actions().Trace("root after").Stop()).ShowFrame();
  EXPECT_EQ(Play(m, 1), (V{"root before", "child frame 1", "root between", "1", "child frame 1", "root after"}));
}
