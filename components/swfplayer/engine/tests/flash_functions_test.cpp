// Functions and methods as the fifth version and later ones run them: this in plain calls, closures, substr.
#include <gtest/gtest.h>

#include "builtins_script.h"

using namespace swfasm;
using namespace swftest;

TEST(FlashFunctions, APlainCallHasNoThisInTheFifthVersion) {
  Actions a;
  a.DefineFunction("f", {}, Actions().Push({"this"}).Op(Action::GetVariable).Op(Action::Trace));
  a.Push({0, "f"}).Op(Action::CallFunction).Op(Action::Pop);
  // A method call still binds it.
  a.Push({"o", 0}).Op(Action::InitObject).Op(Action::SetVariable);
  a.Push({"o"}).Op(Action::GetVariable).Push({"m", "f"}).Op(Action::GetVariable).Op(Action::SetMember);
  a.Push({"o"}).Op(Action::GetVariable).Push({"name", "o"}).Op(Action::SetMember);
  a.DefineFunction("g", {}, Actions().Push({"this"}).Op(Action::GetVariable).Push({"name"}).Op(Action::GetMember)
                                .Op(Action::Trace));
  a.Push({"o"}).Op(Action::GetVariable).Push({"g", "g"}).Op(Action::GetVariable).Op(Action::SetMember);
  Method(a, "o", "g").Op(Action::Pop);
  EXPECT_EQ(RunScript(a, 5), (V{"undefined", "o"}));
  EXPECT_EQ(RunScript(a, 6), (V{"_level0", "o"}));
}

TEST(FlashFunctions, TheFifthVersionHasNoClosures) {
  Actions inner;
  inner.TraceVar("x");
  Actions outer;
  outer.Push({"x", "local"}).Op(Action::DefineLocal);
  outer.DefineFunction("inner", {}, inner);
  outer.Push({0, "inner"}).Op(Action::CallFunction).Op(Action::Pop);
  outer.Push({"inner"}).Op(Action::GetVariable).Op(Action::Return);
  Actions a;
  a.Set("x", "timeline");
  a.DefineFunction("outer", {}, outer);
  a.Push({0, "outer"}).Op(Action::CallFunction).Push({"kept"}).Op(Action::StackSwap).Op(Action::SetVariable);
  a.Push({0, "kept"}).Op(Action::CallFunction).Op(Action::Pop);
  EXPECT_EQ(RunScript(a, 5), (V{"timeline", "timeline"}));
  EXPECT_EQ(RunScript(a, 6), (V{"local", "local"}));
}

TEST(FlashFunctions, ANegativeSubstrLengthCountsFromTheEnd) {
  Actions a;
  a.Set("s", "abcdef");
  Method(a, "s", "substr", {1, -2}).Op(Action::Trace);
  Method(a, "s", "substr", {-4, -1}).Op(Action::Trace);
  Method(a, "s", "substr", {4, -3}).Op(Action::Trace);
  Method(a, "s", "substr", {1, 2}).Op(Action::Trace);
  Method(a, "s", "substr", {0, -10}).Op(Action::Trace);
  EXPECT_EQ(RunScript(a, 6), (V{"bcd", "cde", "", "bc", ""}));
}

namespace {

// function f(n) { depth = n; f(n + 1); } called from one block; the next block of the frame reports the depth.
MovieBuilder Recursing(std::vector<uint8_t> scriptLimits) {
  MovieBuilder m(6);
  if (!scriptLimits.empty()) m.Main().Tag(65, scriptLimits);
  Actions body;
  body.Push({"depth", "n"}).Op(Action::GetVariable).Op(Action::SetVariable);
  body.Push({"n"}).Op(Action::GetVariable).Op(Action::Increment).Push({1, "f"}).Op(Action::CallFunction).Op(Action::Pop);
  Actions a;
  a.DefineFunction("f", {"n"}, body);
  a.Push({1, 1, "f"}).Op(Action::CallFunction).Op(Action::Pop).Trace("not reached");
  m.Main().Do(a).Do(Actions().TraceVar("depth")).ShowFrame();
  m.Main().Do(Actions().Trace("frame 2").Stop()).ShowFrame();
  return m;
}

}  // namespace

TEST(FlashFunctions, TooDeepRecursionEndsOnlyItsActionList) {
  EXPECT_EQ(Play(Recursing({}), 2), (V{"255", "frame 2"}));
  EXPECT_EQ(Play(Recursing({10, 0, 15, 0}), 2), (V{"10", "frame 2"}));
}
