// String methods with the argument forms that differ between them, character positions and wrappers.
#include <gtest/gtest.h>

#include "builtins_script.h"

using namespace swfasm;
using namespace swftest;

namespace {

Actions WithText(const std::string& text) {
  Actions a;
  a.Set("s", text);
  return a;
}

}  // namespace

TEST(StringMethods, SliceSubstrAndSubstringTreatNegativesDifferently) {
  Actions a = WithText("abcdef");
  TraceMethod(a, "s", "slice", {-3});
  TraceMethod(a, "s", "slice", {1, -2});
  TraceMethod(a, "s", "slice", {4, 1});
  TraceMethod(a, "s", "substr", {-3, 2});
  TraceMethod(a, "s", "substr", {2});
  TraceMethod(a, "s", "substr", {1, -1});  // a negative length counts from the end
  TraceMethod(a, "s", "substring", {4, 1});  // swapped
  TraceMethod(a, "s", "substring", {-2, 2});  // negative is 0
  TraceMethod(a, "s", "substring", {3});
  EXPECT_EQ(RunScript(a), (V{"def", "bcd", "", "de", "cdef", "bcde", "bcd", "ab", "def"}));
}

TEST(StringMethods, SearchingAndCharacters) {
  Actions a = WithText("banana");
  TraceMethod(a, "s", "indexOf", {"an"});
  TraceMethod(a, "s", "indexOf", {"an", 2});
  TraceMethod(a, "s", "indexOf", {"x"});
  TraceMethod(a, "s", "lastIndexOf", {"an"});
  TraceMethod(a, "s", "lastIndexOf", {"an", 2});
  TraceMethod(a, "s", "lastIndexOf", {"b", -1});
  TraceMethod(a, "s", "charAt", {1});
  TraceMethod(a, "s", "charAt", {9});
  TraceMethod(a, "s", "charCodeAt", {0});
  TraceMethod(a, "s", "charCodeAt", {-1});
  EXPECT_EQ(RunScript(a), (V{"1", "3", "-1", "3", "1", "-1", "a", "", "98", "NaN"}));
}

TEST(StringMethods, SplitWithLimitsAndEmptySeparator) {
  Actions a = WithText("a,b,,c");
  Method(a, "s", "split", {","});
  Store(a, "p");
  Show(a, "p.length");
  Method(a, "s", "split", {",", 2});
  Store(a, "q");
  Show(a, "q");
  Show(a, "q.length");
  Method(a, "s", "split", {""});
  Store(a, "r");
  Show(a, "r.length");
  Method(a, "s", "split");
  Store(a, "w");
  Show(a, "w.length");
  Method(a, "s", "split", {",", 0});
  Store(a, "e");
  Show(a, "e.length");
  EXPECT_EQ(RunScript(a), (V{"4", "a,b", "2", "6", "1", "0"}));
}

TEST(StringMethods, CaseConcatAndFromCharCode) {
  Actions a = WithText("Grüße Ωmega");
  TraceMethod(a, "s", "toUpperCase");
  TraceMethod(a, "s", "toLowerCase");
  TraceMethod(a, "s", "concat", {1, "-", true});
  TraceMethod(a, "String", "fromCharCode", {72, 105, 0x263A});
  Show(a, "s.length");
  TraceMethod(a, "s", "charCodeAt", {2});
  EXPECT_EQ(RunScript(a), (V{"GRÜßE ΩMEGA", "grüße ωmega", "Grüße Ωmega1-true", "Hi\u263A", "11", "252"}));
}

TEST(StringMethods, FifthVersionCountsBytes) {
  Actions a = WithText("\xC3\xA9t\xC3\xA9");
  Show(a, "s.length");
  TraceMethod(a, "s", "indexOf", {"t"});
  EXPECT_EQ(RunScript(a, 5), (V{"5", "2"}));
  EXPECT_EQ(RunScript(a, 6), (V{"3", "1"}));
}

TEST(StringClass, FunctionConvertsAndConstructorWraps) {
  Actions a;
  a.Push({"p"}).Call("String", {12.5}).Op(Action::SetVariable);
  a.Push({"p"}).Op(Action::GetVariable).Op(Action::TypeOf).Op(Action::Trace);
  SetNew(a, "o", "String", {"hey"});
  a.Push({"o"}).Op(Action::GetVariable).Op(Action::TypeOf).Op(Action::Trace);
  Show(a, "o");
  Show(a, "o.length");
  TraceMethod(a, "o", "toUpperCase");
  a.Push({"o"}).Op(Action::GetVariable).Push({"hey"}).Op(Action::Equals2).Op(Action::Trace);
  Show(a, "p");
  EXPECT_EQ(RunScript(a), (V{"string", "object", "hey", "3", "HEY", "true", "12.5"}));
}

TEST(StringClass, PrototypeMethodsWorkOnOtherValuesAndScriptAdditionsReachStrings) {
  Actions a;
  // String.prototype.charAt.call(12345, 2)
  a.Push({2, 12345, 2, "String.prototype.charAt"}).Op(Action::GetVariable).Push({"call"}).Op(Action::CallMethod);
  a.Op(Action::Trace);
  // String.prototype.shout = function () { return this.toUpperCase() + "!"; }
  Actions shout;
  shout.Push({0, "this"}).Op(Action::GetVariable).Push({"toUpperCase"}).Op(Action::CallMethod);
  shout.Push({"!"}).Op(Action::Add2).Op(Action::Return);
  a.Push({"String.prototype"}).Op(Action::GetVariable).Push({"shout"}).DefineFunction("", {}, shout);
  a.Op(Action::SetMember);
  a.Push({0, "abc", "shout"}).Op(Action::CallMethod).Op(Action::Trace);
  EXPECT_EQ(RunScript(a), (V{"3", "ABC!"}));
}
