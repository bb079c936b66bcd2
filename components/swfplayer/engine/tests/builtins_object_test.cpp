// The object model under the built-ins: addProperty, watch, ASSetPropFlags, the Object.prototype methods,
// conversions through toString and valueOf, and Function call and apply.
#include <gtest/gtest.h>

#include "builtins_script.h"

using namespace swfasm;
using namespace swftest;

namespace {

// this.v * 2
Actions DoubleV() {
  Actions a;
  a.Push({"this"}).Op(Action::GetVariable).Push({"v"}).Op(Action::GetMember).Push({2}).Op(Action::Multiply);
  return a.Op(Action::Return);
}

// this.v = n + 1
Actions StoreVPlusOne() {
  Actions a;
  a.Push({"this"}).Op(Action::GetVariable).Push({"v", "n"}).Op(Action::GetVariable).Op(Action::Increment);
  return a.Op(Action::SetMember);
}

// obj.addProperty(name, getter, setter) with the functions named by variables; the result is traced.
Actions& AddProperty(Actions& a, const std::string& obj, const std::string& name, const std::string& getter,
                     const std::string& setter) {
  if (setter.empty()) a.Push({Null{}});
  else a.Push({setter}).Op(Action::GetVariable);
  a.Push({getter}).Op(Action::GetVariable).Push({name, 3, obj}).Op(Action::GetVariable).Push({"addProperty"});
  return a.Op(Action::CallMethod).Op(Action::Trace);
}

}  // namespace

TEST(AddProperty, ReadsCallTheGetterAndWritesTheSetter) {
  Actions a;
  a.DefineFunction("getX", {}, DoubleV()).DefineFunction("setX", {"n"}, StoreVPlusOne());
  Obj(a, {{"v", 1}});
  Store(a, "o");
  AddProperty(a, "o", "x", "getX", "setX");
  Show(a, "o.x");
  SetMember(a, "o", "x", 5);
  Show(a, "o.v");
  Show(a, "o.x");
  TraceMethod(a, "o", "hasOwnProperty", {"x"});
  AddProperty(a, "o", "ro", "getX", "");  // without a setter writes are ignored
  SetMember(a, "o", "ro", 100);
  Show(a, "o.ro");
  AddProperty(a, "o", "bad", "nothing", "setX");
  EXPECT_EQ(RunScript(a), (V{"true", "2", "6", "12", "true", "true", "12", "false"}));
}

TEST(AddProperty, PrototypeAccessorsServeInstancesWithTheInstanceAsThis) {
  Actions a;
  a.DefineFunction("getX", {}, DoubleV()).DefineFunction("setX", {"n"}, StoreVPlusOne());
  a.DefineFunction("C", {}, Actions());
  AddProperty(a, "C.prototype", "x", "getX", "setX");
  SetNew(a, "i", "C");
  SetNew(a, "j", "C");
  SetMember(a, "i", "x", 4);
  Show(a, "i.v");
  Show(a, "i.x");
  TraceMethod(a, "i", "hasOwnProperty", {"x"});
  TraceMethod(a, "i", "hasOwnProperty", {"v"});
  Show(a, "j.v");
  EXPECT_EQ(RunScript(a, 7), (V{"true", "5", "10", "false", "true", "undefined"}));
}

TEST(AddProperty, AGetterReadingItselfEndsTheScriptInsteadOfTheStack) {
  Actions a;
  a.DefineFunction("loop", {}, Returning("this.r"));
  Obj(a, {});
  Store(a, "o");
  AddProperty(a, "o", "r", "loop", "");
  Show(a, "o.r");
  a.Trace("after");
  auto traces = RunScript(a, 7);
  ASSERT_FALSE(traces.empty());
  EXPECT_EQ(traces[0], "true");
}

TEST(AddProperty, GettersAtTheBottomOfDeepRecursionStayWithinTheNativeStack) {
  Actions a;
  // function deep(n) { if (n > 0) return deep(n - 1); return _root.o.r; }
  Actions deep;
  deep.Push({"n"}).Op(Action::GetVariable).Push({0}).Op(Action::Greater).Op(Action::Not).If("bottom");
  deep.Push({"n"}).Op(Action::GetVariable).Op(Action::Decrement).Push({1, "deep"}).Op(Action::CallFunction);
  deep.Op(Action::Return);
  deep.Label("bottom").Push({"_root.o.r"}).Op(Action::GetVariable).Op(Action::Return);
  a.DefineFunction("deep", {"n"}, deep);
  // the getter recurses again before it reads itself
  Actions getter;
  getter.Push({"_root.k"}).Op(Action::GetVariable).Push({1, "deep"}).Op(Action::CallFunction).Op(Action::Return);
  a.DefineFunction("g", {}, getter);
  Obj(a, {});
  Store(a, "o");
  a.Set("k", 12);
  AddProperty(a, "o", "r", "g", "");
  a.Call("deep", {250}).Op(Action::Pop);
  a.Trace("not reached: the nested runs run out of depth and end the script");
  EXPECT_EQ(RunScript(a, 7), (V{"true"}));
}

TEST(Watch, TheHandlerSeesOldAndNewAndItsResultIsStored) {
  Actions a;
  // function (prop, oldVal, newVal, data) { trace(prop + ":" + oldVal + ">" + newVal + "/" + data); return newVal * 10; }
  Actions handler;
  handler.Push({"prop"}).Op(Action::GetVariable).Push({":"}).Op(Action::Add2);
  handler.Push({"oldVal"}).Op(Action::GetVariable).Op(Action::Add2).Push({">"}).Op(Action::Add2);
  handler.Push({"newVal"}).Op(Action::GetVariable).Op(Action::Add2).Push({"/"}).Op(Action::Add2);
  handler.Push({"data"}).Op(Action::GetVariable).Op(Action::Add2).Op(Action::Trace);
  handler.Push({"newVal"}).Op(Action::GetVariable).Push({10}).Op(Action::Multiply).Op(Action::Return);
  Obj(a, {{"p", 1}});
  Store(a, "o");
  a.Push({"D"}).DefineFunction("", {"prop", "oldVal", "newVal", "data"}, handler).Push({"p", 3, "o"});
  a.Op(Action::GetVariable).Push({"watch"}).Op(Action::CallMethod).Op(Action::Trace);
  SetMember(a, "o", "p", 2);
  Show(a, "o.p");
  TraceMethod(a, "o", "unwatch", {"p"});
  SetMember(a, "o", "p", 3);
  Show(a, "o.p");
  EXPECT_EQ(RunScript(a, 7), (V{"true", "p:1>2/D", "20", "true", "3"}));
}

TEST(ASSetPropFlags, HidesProtectsAndFreesByListNullOrArray) {
  Actions b;
  // ASSetPropFlags(o, rest...)
  auto flags = [&](const std::vector<PushValue>& rest) {
    std::vector<PushValue> v(rest.rbegin(), rest.rend());
    b.Push(v).Push({"o"}).Op(Action::GetVariable).Push({static_cast<int>(rest.size()) + 1, "ASSetPropFlags"});
    b.Op(Action::CallFunction).Op(Action::Pop);
  };
  Obj(b, {{"a", 1}, {"b", 2}, {"c", 3}});
  Store(b, "o");
  flags({"a,c", 1});
  TraceKeys(b, "o", "k1");
  TraceMethod(b, "o", "isPropertyEnumerable", {"a"});
  flags({Null{}, 4});
  SetMember(b, "o", "b", 9);
  Show(b, "o.b");
  // ASSetPropFlags(o, ["b"], 0, 4)
  b.Push({4, 0, "b", 1}).Op(Action::InitArray).Push({"o"}).Op(Action::GetVariable).Push({4, "ASSetPropFlags"});
  b.Op(Action::CallFunction).Op(Action::Pop);
  SetMember(b, "o", "b", 9);
  Show(b, "o.b");
  flags({"b", 2});
  b.Push({"o"}).Op(Action::GetVariable).Push({"b"}).Op(Action::Delete).Op(Action::Trace);
  flags({Null{}, 0, 1});
  TraceKeys(b, "o", "k2");
  EXPECT_EQ(RunScript(b), (V{"b", "false", "2", "9", "false", "abc"}));
}

TEST(ObjectPrototype, OwnInheritedEnumerableAndPrototypeTests) {
  Actions a;
  a.DefineFunction("C", {}, Actions());
  SetMember(a, "C.prototype", "shared", 1);
  SetNew(a, "i", "C");
  SetMember(a, "i", "own", 2);
  TraceMethod(a, "i", "hasOwnProperty", {"own"});
  TraceMethod(a, "i", "hasOwnProperty", {"shared"});
  TraceMethod(a, "i", "isPropertyEnumerable", {"own"});
  TraceMethod(a, "i", "isPropertyEnumerable", {"shared"});
  TraceMethod(a, "i", "isPropertyEnumerable", {"constructor"});
  a.Push({"i"}).Op(Action::GetVariable).Push({1, "C.prototype"}).Op(Action::GetVariable).Push({"isPrototypeOf"});
  a.Op(Action::CallMethod).Op(Action::Trace);
  a.Push({"C.prototype"}).Op(Action::GetVariable).Push({1, "i"}).Op(Action::GetVariable).Push({"isPrototypeOf"});
  a.Op(Action::CallMethod).Op(Action::Trace);
  SetArray(a, "arr", {"x"});
  TraceMethod(a, "arr", "hasOwnProperty", {"0"});
  TraceMethod(a, "arr", "hasOwnProperty", {"1"});
  Show(a, "i");
  EXPECT_EQ(RunScript(a), (V{"true", "false", "true", "false", "false", "true", "false", "true", "false",
                             "[object Object]"}));
}

TEST(ObjectPrototype, ConversionsCallScriptToStringAndValueOf) {
  Actions a;
  Actions text;
  text.Push({"custom"}).Op(Action::Return);
  Actions value;
  value.Push({41}).Op(Action::Return);
  Obj(a, {});
  Store(a, "o");
  a.Push({"o"}).Op(Action::GetVariable).Push({"toString"}).DefineFunction("", {}, text).Op(Action::SetMember);
  a.Push({"o"}).Op(Action::GetVariable).Push({"valueOf"}).DefineFunction("", {}, value).Op(Action::SetMember);
  Show(a, "o");
  a.Push({"o"}).Op(Action::GetVariable).Push({2}).Op(Action::Multiply).Op(Action::Trace);
  a.Push({"!", "o"}).Op(Action::GetVariable).Op(Action::StringAdd).Op(Action::Trace);
  SetArray(a, "arr", {1});
  a.Push({"arr"}).Op(Action::GetVariable).Push({1, "arr"}).Op(Action::GetVariable).Push({"push"});
  a.Op(Action::CallMethod).Op(Action::Pop);
  Show(a, "arr");  // the array holds itself; its text stops instead of recursing
  a.Push({"o"}).Op(Action::GetVariable).Push({1, "arr"}).Op(Action::GetVariable).Push({"push"});
  a.Op(Action::CallMethod).Op(Action::Pop);
  TraceMethod(a, "arr", "join", {"|"});
  auto t = RunScript(a);
  ASSERT_EQ(t.size(), 5u);
  EXPECT_EQ((V{t[0], t[1], t[2], t[3]}), (V{"custom", "82", "!custom", "1,1,1,1,1,1,1,1,1,"}));
  EXPECT_EQ(t[4].substr(0, 2), "1|");
  EXPECT_EQ(t[4].substr(t[4].size() - 7), "|custom");
}

TEST(FunctionMethods, CallAndApplySetThisAndArguments) {
  Actions a;
  // function f(x, y) { return this.n + x + y; }
  Actions f;
  f.Push({"this"}).Op(Action::GetVariable).Push({"n"}).Op(Action::GetMember).Push({"x"}).Op(Action::GetVariable);
  f.Op(Action::Add2).Push({"y"}).Op(Action::GetVariable).Op(Action::Add2).Op(Action::Return);
  a.DefineFunction("f", {"x", "y"}, f);
  Obj(a, {{"n", 1}});
  Store(a, "obj");
  a.Push({3, 2, "obj"}).Op(Action::GetVariable).Push({3, "f"}).Op(Action::GetVariable).Push({"call"});
  a.Op(Action::CallMethod).Op(Action::Trace);
  a.Push({5, 4, 2}).Op(Action::InitArray).Push({"obj"}).Op(Action::GetVariable).Push({2, "f"});
  a.Op(Action::GetVariable).Push({"apply"}).Op(Action::CallMethod).Op(Action::Trace);
  // function g() { return f.apply(obj, arguments); }
  Actions g;
  g.Push({"arguments"}).Op(Action::GetVariable).Push({"obj"}).Op(Action::GetVariable).Push({2, "f"});
  g.Op(Action::GetVariable).Push({"apply"}).Op(Action::CallMethod).Op(Action::Return);
  a.DefineFunction("g", {}, g);
  a.Call("g", {10, 20}).Op(Action::Trace);
  // A hand-made list with a length serves as the arguments too.
  Obj(a, {{"length", 2}, {"0", 7}, {"1", 8}});
  a.Push({"obj"}).Op(Action::GetVariable).Push({2, "f"}).Op(Action::GetVariable).Push({"apply"});
  a.Op(Action::CallMethod).Op(Action::Trace);
  // function h() { return this == _root; }: a null or missing this calls it as a plain function of the movie
  Actions h;
  h.Push({"this"}).Op(Action::GetVariable).Push({"_root"}).Op(Action::GetVariable).Op(Action::Equals2);
  h.Op(Action::Return);
  a.DefineFunction("h", {}, h);
  a.Push({Null{}, 1, "h"}).Op(Action::GetVariable).Push({"call"}).Op(Action::CallMethod).Op(Action::Trace);
  a.Push({0, "h"}).Op(Action::GetVariable).Push({"apply"}).Op(Action::CallMethod).Op(Action::Trace);
  a.Push({Undefined{}, 1, "h"}).Op(Action::GetVariable).Push({"call"}).Op(Action::CallMethod).Op(Action::Trace);
  EXPECT_EQ(RunScript(a), (V{"6", "10", "31", "16", "true", "true", "true"}));
}
