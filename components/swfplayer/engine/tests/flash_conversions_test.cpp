// Conversions of objects as the player makes them: comparisons ask valueOf alone, text conversion asks toString
// alone and keeps only a string, clips stay clips.
#include <gtest/gtest.h>

#include "builtins_script.h"

using namespace swfasm;
using namespace swftest;

namespace {

// name.method = function () { trace(note); return value; }, with no note when it is empty.
Actions& Give(Actions& a, const std::string& name, const std::string& method, PushValue value,
              const std::string& note = "") {
  Actions body;
  if (!note.empty()) body.Trace(note);
  body.Push({value}).Op(Action::Return);
  return a.Push({name}).Op(Action::GetVariable).Push({method}).DefineFunction("", {}, body).Op(Action::SetMember);
}

Actions& NewObject(Actions& a, const std::string& name) {
  return a.Push({name, 0}).Op(Action::InitObject).Op(Action::SetVariable);
}

Actions& Compare(Actions& a, const std::string& var, PushValue other, Action op) {
  return a.Push({var}).Op(Action::GetVariable).Push({other}).Op(op).Op(Action::Trace);
}

// A movie with an empty clip named clip, running the code in its first frame.
V WithClip(const Actions& a, int version) {
  MovieBuilder m(version);
  Timeline inner;
  inner.ShowFrame();
  uint16_t sprite = m.DefineSprite(inner);
  m.Main().Place(sprite, 1, {}, "clip").Do(a).ShowFrame();
  return Play(m, 1);
}

}  // namespace

TEST(FlashConversions, ComparisonsAskValueOfAlone) {
  Actions a;
  NewObject(a, "o");
  Give(a, "o", "valueOf", 5);
  Give(a, "o", "toString", "9", "toString asked");
  Compare(a, "o", 7, Action::Less2);
  Compare(a, "o", 7, Action::Greater);
  Compare(a, "o", 5, Action::Equals2);
  Compare(a, "o", "5", Action::Equals2);
  // valueOf of Object gives the object itself: every comparison is false, and toString is never asked.
  NewObject(a, "p");
  Give(a, "p", "toString", "3", "toString asked");
  Compare(a, "p", 7, Action::Less2);
  Compare(a, "p", 1, Action::Greater);
  Compare(a, "p", "3", Action::Equals2);
  Compare(a, "p", 3, Action::Equals2);
  for (int version : {6, 7})
    EXPECT_EQ(RunScript(a, version), (V{"true", "false", "true", "true", "false", "false", "false", "false"}))
        << version;
}

TEST(FlashConversions, ClipsCompareAsNaN) {
  Actions a;
  Compare(a, "clip", 1, Action::Less2);
  Compare(a, "clip", 1, Action::Greater);
  Compare(a, "clip", "_level0.clip", Action::Less2);
  Compare(a, "clip", "_level0.clip", Action::Equals2);
  a.Push({"clip"}).Op(Action::GetVariable).Push({"clip"}).Op(Action::GetVariable).Op(Action::Equals2).Op(Action::Trace);
  EXPECT_EQ(WithClip(a, 7), (V{"undefined", "undefined", "undefined", "false", "true"}));
}

TEST(FlashConversions, TextOfAnObjectComesFromToStringAlone) {
  Actions a;
  NewObject(a, "q");
  Give(a, "q", "toString", 5);
  a.TraceVar("q");
  a.Push({"["}).Push({"q"}).Op(Action::GetVariable).Op(Action::Add2).Push({"]"}).Op(Action::Add2).Op(Action::Trace);
  a.Push({"q"}).Op(Action::GetVariable).Push({"!"}).Op(Action::StringAdd).Op(Action::Trace);
  a.DefineFunction("f", {}, Actions());
  Give(a, "f", "toString", true);
  a.TraceVar("f");
  NewObject(a, "r");
  Give(a, "r", "toString", "text");
  a.TraceVar("r");
  // Without any toString, not even an inherited one, the object converts as undefined.
  NewObject(a, "bare");
  a.Push({"bare"}).Op(Action::GetVariable).Push({"__proto__", Null{}}).Op(Action::SetMember);
  a.Push({"["}).Push({"bare"}).Op(Action::GetVariable).Op(Action::StringAdd).Push({"]"}).Op(Action::StringAdd)
      .Op(Action::Trace);
  EXPECT_EQ(RunScript(a, 6), (V{"[type Object]", "[[type Object]]", "[type Object]!", "[type Function]", "text", "[]"}));
  EXPECT_EQ(RunScript(a, 7).back(), "[undefined]");
}

TEST(FlashConversions, ClipsStayClipsWhenAdded) {
  Actions a;
  a.Push({"clip"}).Op(Action::GetVariable).Push({1}).Op(Action::Add2).Op(Action::Trace);
  a.Push({1}).Push({"clip"}).Op(Action::GetVariable).Op(Action::Add2).Op(Action::Trace);
  a.Push({"clip"}).Op(Action::GetVariable).Push({"!"}).Op(Action::Add2).Op(Action::Trace);
  // A clip returned by valueOf is taken as it is.
  NewObject(a, "w");
  a.Push({"w"}).Op(Action::GetVariable).Push({"valueOf"})
      .DefineFunction("", {}, Actions().Push({"clip"}).Op(Action::GetVariable).Op(Action::Return)).Op(Action::SetMember);
  a.Push({"w"}).Op(Action::GetVariable).Push({1}).Op(Action::Add2).Op(Action::Trace);
  a.Push({"w"}).Op(Action::GetVariable).Push({"!"}).Op(Action::Add2).Op(Action::Trace);
  EXPECT_EQ(WithClip(a, 7), (V{"NaN", "NaN", "_level0.clip!", "NaN", "_level0.clip!"}));
}

TEST(FlashConversions, FunctionsAreZeroInTheFifthVersion) {
  Actions a;
  a.DefineFunction("f", {}, Actions());
  a.Push({"f"}).Op(Action::GetVariable).Push({1}).Op(Action::Multiply).Op(Action::Trace);
  a.Push({"f"}).Op(Action::GetVariable).Op(Action::ToNumber).Op(Action::Trace);
  EXPECT_EQ(RunScript(a, 5), (V{"0", "0"}));
  EXPECT_EQ(RunScript(a, 6), (V{"NaN", "NaN"}));
}
