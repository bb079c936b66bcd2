// Conversion and comparison rules of each version: undefined, abstract equality and
// relational comparison with their valueOf/toString calls, and the fourth version's actions.
#include <gtest/gtest.h>

#include "test_movie.h"

using namespace swfasm;
using namespace swftest;

namespace {

// o = {}; o.valueOf = function () { return value; }; o.toString = function () { return text; }
Actions& MakeObject(Actions& a, const std::string& name, PushValue value, const std::string& text) {
  a.Push({name, 0}).Op(Action::InitObject).Op(Action::SetVariable);
  a.Push({name}).Op(Action::GetVariable).Push({"valueOf"}).DefineFunction("", {}, Actions().Push({value}).Op(Action::Return))
      .Op(Action::SetMember);
  a.Push({name}).Op(Action::GetVariable).Push({"toString"}).DefineFunction("", {}, Actions().Push({text}).Op(Action::Return))
      .Op(Action::SetMember);
  return a;
}

Actions& Binary(Actions& a, const std::string& x, const std::string& y, Action op) {
  return a.Push({x}).Op(Action::GetVariable).Push({y}).Op(Action::GetVariable).Op(op).Op(Action::Trace);
}

}  // namespace

TEST(Coercion, UndefinedByVersion) {
  Actions a;
  a.Push({"nothing"}).Op(Action::GetVariable).Push({1}).Op(Action::Add2).Op(Action::Trace);
  a.Push({"["}).Push({"nothing"}).Op(Action::GetVariable).Op(Action::Add2).Push({"]"}).Op(Action::Add2)
      .Op(Action::Trace);
  a.Push({"nothing"}).Op(Action::GetVariable).Op(Action::ToNumber).Op(Action::Trace);
  a.Push({"nothing"}).Op(Action::GetVariable).Push({"x"}).Op(Action::StringAdd).Op(Action::Trace);
  EXPECT_EQ(RunScript(a, 5), (V{"1", "[]", "0", "x"}));
  EXPECT_EQ(RunScript(a, 6), (V{"1", "[]", "0", "x"}));
  EXPECT_EQ(RunScript(a, 7), (V{"NaN", "[undefined]", "NaN", "undefinedx"}));
}

TEST(Coercion, AddCallsValueOfAndTraceCallsToString) {
  Actions a;
  MakeObject(a, "o", 40, "forty");
  a.Push({"o"}).Op(Action::GetVariable).Push({2}).Op(Action::Add2).Op(Action::Trace);       // valueOf: 42
  a.Push({"o"}).Op(Action::GetVariable).Push({"!"}).Op(Action::Add2).Op(Action::Trace);     // valueOf, then joined: 40!
  a.Push({"o"}).Op(Action::GetVariable).Op(Action::Trace);                                   // toString
  a.Push({"o"}).Op(Action::GetVariable).Push({"!"}).Op(Action::StringAdd).Op(Action::Trace); // toString
  a.Push({"o"}).Op(Action::GetVariable).Push({2}).Op(Action::Multiply).Op(Action::Trace);   // valueOf
  // Without a valueOf of its own an object converts through its text.
  a.Push({"plain", 0}).Op(Action::InitObject).Op(Action::SetVariable);
  a.Push({"plain"}).Op(Action::GetVariable).Push({"!"}).Op(Action::Add2).Op(Action::Trace);
  EXPECT_EQ(RunScript(a, 6), (V{"42", "40!", "forty", "forty!", "80", "[object Object]!"}));
}

TEST(Coercion, AbstractEquality) {
  Actions a;
  MakeObject(a, "five", 5, "five");
  a.Push({"n5", 5, "s5", "5", "t", true, "u", Undefined{}, "z", Null{}, "zero", 0});
  for (int i = 0; i < 6; ++i) a.Op(Action::SetVariable);
  Binary(a, "five", "n5", Action::Equals2);    // valueOf
  Binary(a, "s5", "five", Action::Equals2);    // "5" == 5
  Binary(a, "s5", "n5", Action::Equals2);
  Binary(a, "t", "n5", Action::Equals2);       // true is 1
  Binary(a, "u", "z", Action::Equals2);
  Binary(a, "z", "zero", Action::Equals2);     // null equals only undefined
  Binary(a, "u", "zero", Action::Equals2);
  Binary(a, "five", "five", Action::Equals2);
  a.Push({"other", 0}).Op(Action::InitObject).Op(Action::SetVariable);
  Binary(a, "five", "other", Action::Equals2); // two objects: identity
  Binary(a, "s5", "n5", Action::StrictEquals);
  Binary(a, "five", "five", Action::StrictEquals);
  EXPECT_EQ(RunScript(a, 6), (V{"true", "true", "true", "false", "true", "false", "false", "true", "false", "false",
                                "true"}));
}

TEST(Coercion, RelationalComparison) {
  Actions a;
  MakeObject(a, "ten", 10, "ten");
  MakeObject(a, "word", "b", "ignored");
  a.Push({"n9", 9, "sa", "a", "s10", "10", "s9", "9"});
  for (int i = 0; i < 4; ++i) a.Op(Action::SetVariable);
  Binary(a, "n9", "ten", Action::Less2);     // 9 < valueOf 10
  Binary(a, "ten", "n9", Action::Greater);
  Binary(a, "sa", "word", Action::Less2);    // both primitives strings: "a" < "b"
  Binary(a, "s10", "s9", Action::Less2);     // string order
  Binary(a, "s10", "n9", Action::Less2);     // numeric order
  Binary(a, "sa", "n9", Action::Less2);      // NaN: undefined
  Binary(a, "sa", "n9", Action::Greater);
  EXPECT_EQ(RunScript(a, 7), (V{"true", "true", "true", "true", "false", "undefined", "undefined"}));
}

TEST(Coercion, ClipsConvertToTheirPath) {
  MovieBuilder m(6);
  Timeline inner;
  inner.ShowFrame();
  uint16_t sprite = m.DefineSprite(inner);
  Actions a;
  a.Push({"clip"}).Op(Action::GetVariable).Op(Action::Trace);
  a.Push({"at "}).Push({"clip"}).Op(Action::GetVariable).Op(Action::Add2).Op(Action::Trace);
  // Equality asks valueOf alone, which gives the clip itself: no string equals it.
  a.Push({"clip"}).Op(Action::GetVariable).Push({"_level0.clip"}).Op(Action::Equals2).Op(Action::Trace);
  m.Main().Place(sprite, 1, {}, "clip").Do(a).ShowFrame();
  Recorder rec;
  swf::Player p(rec.Callbacks());
  ASSERT_TRUE(p.LoadBytes(m.Build()));
  p.Advance();
  EXPECT_EQ(rec.traces, (V{"_level0.clip", "at _level0.clip", "false"}));
}

TEST(Coercion, FourthVersionActionsAreNumericOrStringwise) {
  Actions a;
  a.Push({"10", "9"}).Op(Action::Less).Op(Action::Trace);         // numbers: 10 < 9 is false
  a.Push({"10", "9"}).Op(Action::StringLess).Op(Action::Trace);   // text: "10" < "9"
  a.Push({"abc", "abc"}).Op(Action::StringEquals).Op(Action::Trace);
  a.Push({"abc", "ABC"}).Op(Action::StringEquals).Op(Action::Trace);
  a.Push({"1.0", "1"}).Op(Action::Equals).Op(Action::Trace);       // numerically equal
  a.Push({"2", "3"}).Op(Action::Add).Op(Action::Trace);
  a.Push({"x", 1}).Op(Action::Add).Op(Action::Trace);              // a word is 0 in version 4
  EXPECT_EQ(RunScript(a, 4), (V{"0", "1", "1", "0", "1", "5", "1"}));
  EXPECT_EQ(RunScript(a, 6), (V{"false", "true", "true", "false", "true", "5", "NaN"}));
}

TEST(Coercion, DatesJoinAsTextButCompareAsNumbers) {
  Actions a;
  a.Push({"_global"}).Op(Action::GetVariable).Push({"Date"}).DefineFunction("", {}, Actions()).Op(Action::SetMember);
  a.Push({"d", 0, "Date"}).Op(Action::NewObject).Op(Action::SetVariable);
  for (auto [name, result] : {std::pair<const char*, PushValue>{"valueOf", 1000}, {"toString", "Mon Jan 1"}}) {
    a.Push({"d"}).Op(Action::GetVariable).Push({name})
        .DefineFunction("", {}, Actions().Push({result}).Op(Action::Return)).Op(Action::SetMember);
  }
  a.Push({"d"}).Op(Action::GetVariable).Push({"!"}).Op(Action::Add2).Op(Action::Trace);
  a.Push({"d"}).Op(Action::GetVariable).Push({1}).Op(Action::Add2).Op(Action::Trace);
  a.Push({"d"}).Op(Action::GetVariable).Push({2000}).Op(Action::Less2).Op(Action::Trace);
  a.Push({"d"}).Op(Action::GetVariable).Push({2}).Op(Action::Multiply).Op(Action::Trace);
  EXPECT_EQ(RunScript(a, 6), (V{"Mon Jan 1!", "Mon Jan 11", "true", "2000"}));
}
