// Every built-in method on odd receivers and arguments: movies are fuzzed, so nothing may crash, hang or
// allocate without bound, whatever a script hands the built-ins.
#include <gtest/gtest.h>

#include <chrono>

#include "builtins_script.h"

using namespace swfasm;
using namespace swftest;

namespace {

struct Family {
  const char* owner;  // where the methods are found
  std::vector<const char*> methods;
};

const std::vector<Family>& Families() {
  static const std::vector<Family> f = {
      {"Array.prototype", {"push", "pop", "shift", "unshift", "splice", "slice", "concat", "join", "toString",
                           "reverse", "sort", "sortOn"}},
      {"String.prototype", {"charAt", "charCodeAt", "indexOf", "lastIndexOf", "slice", "substr", "substring",
                            "toUpperCase", "toLowerCase", "concat", "split", "toString", "valueOf"}},
      {"Object.prototype", {"toString", "valueOf", "hasOwnProperty", "isPropertyEnumerable", "isPrototypeOf",
                            "addProperty", "watch", "unwatch"}},
      {"Number.prototype", {"toString", "valueOf"}},
      {"Boolean.prototype", {"toString", "valueOf"}},
      {"Date.prototype", {"getFullYear", "getMonth", "getDate", "getDay", "getHours", "getTime", "getYear",
                          "getTimezoneOffset", "setFullYear", "setMonth", "setDate", "setHours", "setMinutes",
                          "setSeconds", "setMilliseconds", "setUTCHours", "setYear", "setTime", "toString"}},
      {"Function.prototype", {"call", "apply", "toString"}},
      {"Math", {"abs", "round", "min", "max", "pow", "atan2", "random", "sqrt"}},
      {"_global", {"parseInt", "parseFloat", "isNaN", "isFinite", "escape", "unescape", "ASSetPropFlags", "String",
                   "Number", "Boolean", "Date", "Array", "Object", "Function"}},
      {"String", {"fromCharCode"}},
      {"Date", {"UTC"}},
  };
  return f;
}

// Registers 1 and 2 hold an array that contains itself and an object whose toString converts itself.
Actions OddValues() {
  Actions a;
  SetArray(a, "arr", {3, "b", Undefined{}, -0.5});
  a.Push({"arr"}).Op(Action::GetVariable).Push({1, "arr"}).Op(Action::GetVariable).Push({"push"});
  a.Op(Action::CallMethod).Op(Action::Pop);
  Actions loop;
  loop.Push({"", "this"}).Op(Action::GetVariable).Op(Action::Add2).Op(Action::Return);
  Obj(a, {{"length", 1e9}, {"0", "x"}});
  Store(a, "odd");
  a.Push({"odd"}).Op(Action::GetVariable).Push({"toString"}).DefineFunction("", {}, loop).Op(Action::SetMember);
  a.Push({"arr"}).Op(Action::GetVariable).StoreRegister(1).Op(Action::Pop);
  a.Push({"odd"}).Op(Action::GetVariable).StoreRegister(2).Op(Action::Pop);
  return a;
}

}  // namespace

TEST(BuiltinRobustness, EveryMethodSurvivesOddReceiversAndArguments) {
  const std::vector<std::vector<PushValue>> argSets = {
      {},
      {std::nan("")},
      {-1e300, 1e300, -1e300},
      {"x,y", -5, 1e9, "z"},
      {Register{1}, Register{2}, Register{1}},
      {Register{2}, 4294967295.0, -2147483648.0},
      {Undefined{}, Null{}, true, ""},
  };
  const std::vector<PushValue> receivers = {Register{1}, Register{2}, "text", 12.5, Null{}, Undefined{}};
  size_t movies = 0;
  for (const Family& family : Families()) {
    for (const char* method : family.methods) {
      for (const PushValue& self : receivers) {
        for (const auto& args : argSets) {
          Actions a = OddValues();
          // owner.method.call(self, args...)
          std::vector<PushValue> callArgs = {self};
          callArgs.insert(callArgs.end(), args.begin(), args.end());
          Method(a, std::string(family.owner) + "." + method, "call", callArgs).Op(Action::Pop);
          a.Trace("done");
          RunScript(a, 7);
          ++movies;
        }
      }
    }
  }
  EXPECT_GT(movies, 1000u);
}

TEST(BuiltinRobustness, LargestArraysSortAndJoinWithinTheirBudgets) {
  auto start = std::chrono::steady_clock::now();
  Actions a;
  SetNew(a, "a", "Array", {1 << 20});
  Method(a, "a", "sort").Op(Action::Pop);
  Method(a, "a", "sort", {16 | 8}).Op(Action::Pop);
  Method(a, "a", "sortOn", {"x"}).Op(Action::Pop);
  Method(a, "a", "join", {"--"}).Op(Action::Pop);
  a.Trace("survived");
  RunScript(a, 7);
  Actions b;
  b.Set("s", std::string(1 << 15, 'x'));
  for (int i = 0; i < 3; ++i) {
    b.Push({"s", "s"}).Op(Action::GetVariable).Push({"s"}).Op(Action::GetVariable).Op(Action::Add2);
    b.Op(Action::SetVariable);
  }
  Method(b, "s", "split", {""}).Op(Action::Pop);
  TraceMethod(b, "s", "charAt", {5});
  EXPECT_EQ(RunScript(b, 7), (V{"x"}));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
}

TEST(BuiltinRobustness, CallAndApplyCallingThemselvesEndAtTheCallDepth) {
  Actions a;
  a.Push({"fa", "Function.prototype.apply"}).Op(Action::GetVariable).Op(Action::SetVariable);
  a.Push({"a", 0}).Op(Action::InitArray).Op(Action::SetVariable);
  a.Set("i", 0);
  // while (i < 5000) { a = [fa, a]; i++; }
  a.Label("loop").Push({"i"}).Op(Action::GetVariable).Push({5000}).Op(Action::Less2).Op(Action::Not).If("end");
  a.Push({"a", "a"}).Op(Action::GetVariable).Push({"fa"}).Op(Action::GetVariable).Push({2}).Op(Action::InitArray);
  a.Op(Action::SetVariable);
  a.Push({"i", "i"}).Op(Action::GetVariable).Op(Action::Increment).Op(Action::SetVariable).Jump("loop");
  a.Label("end").Trace("built");
  // fa.apply(fa, a): every level unwraps one list and applies apply again
  a.Push({"a"}).Op(Action::GetVariable).Push({"fa"}).Op(Action::GetVariable).Push({2, "fa"}).Op(Action::GetVariable);
  a.Push({"apply"}).Op(Action::CallMethod).Op(Action::Pop);
  a.Trace("not reached");
  EXPECT_EQ(RunScript(a, 7), (V{"built"}));
}
