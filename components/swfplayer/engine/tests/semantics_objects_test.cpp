// Objects as scripts see them: prototype chains, classes made with Extends, super,
// instanceof and casts, for..in order and the arguments object.
#include <gtest/gtest.h>

#include "test_movie.h"

using namespace swfasm;
using namespace swftest;

namespace {

// this.<name> = <name parameter>
Actions StoreParam(const std::string& name) {
  Actions a;
  a.Push({"this"}).Op(Action::GetVariable).Push({name, name}).Op(Action::GetVariable).Op(Action::SetMember);
  return a;
}

// <object>.<name> on the stack
Actions& Member(Actions& a, const std::string& object, const std::string& name) {
  return a.Push({object}).Op(Action::GetVariable).Push({name}).Op(Action::GetMember);
}

// <ctor>.prototype.<method> = function body
Actions& Method(Actions& a, const std::string& ctor, const std::string& method, const Actions& body) {
  Member(a, ctor, "prototype").Push({method}).DefineFunction("", {}, body).Op(Action::SetMember);
  return a;
}

// Animal(name) with speak() returning "animal " + name; Dog extends Animal, calls super(name)
// and overrides speak() with "dog/" + super.speak().
Actions Classes() {
  Actions a;
  a.DefineFunction("Animal", {"name"}, StoreParam("name"));
  Actions animalSpeak;
  animalSpeak.Push({"animal "}).Push({"this"}).Op(Action::GetVariable).Push({"name"}).Op(Action::GetMember)
      .Op(Action::Add2).Op(Action::Return);
  Method(a, "Animal", "speak", animalSpeak);
  Actions dogCtor;
  dogCtor.Push({"name"}).Op(Action::GetVariable).Push({1, "super"}).Op(Action::CallFunction).Op(Action::Pop);
  a.DefineFunction("Dog", {"name"}, dogCtor);
  a.Push({"Dog"}).Op(Action::GetVariable).Push({"Animal"}).Op(Action::GetVariable).Op(Action::Extends);
  Actions dogSpeak;
  dogSpeak.Push({"dog/", 0, "super"}).Op(Action::GetVariable).Push({"speak"}).Op(Action::CallMethod)
      .Op(Action::Add2).Op(Action::Return);
  Method(a, "Dog", "speak", dogSpeak);
  return a;
}

}  // namespace

TEST(Classes, ExtendsSuperConstructorAndSuperMethod) {
  Actions a = Classes();
  a.Push({"d", "rex", 1, "Dog"}).Op(Action::NewObject).Op(Action::SetVariable);
  a.Push({0, "d"}).Op(Action::GetVariable).Push({"speak"}).Op(Action::CallMethod).Op(Action::Trace);
  Member(a, "d", "name").Op(Action::Trace);
  a.Push({"d"}).Op(Action::GetVariable).Push({"Dog"}).Op(Action::GetVariable).Op(Action::InstanceOf).Op(Action::Trace);
  a.Push({"d"}).Op(Action::GetVariable).Push({"Animal"}).Op(Action::GetVariable).Op(Action::InstanceOf).Op(Action::Trace);
  // The prototype Extends makes inherits from the superclass prototype and names the superclass.
  Member(a, "Dog", "prototype").Push({"__proto__"}).Op(Action::GetMember);
  Member(a, "Animal", "prototype").Op(Action::StrictEquals).Op(Action::Trace);
  Member(a, "Dog", "prototype").Push({"__constructor__"}).Op(Action::GetMember);
  a.Push({"Animal"}).Op(Action::GetVariable).Op(Action::StrictEquals).Op(Action::Trace);
  // A plain Animal does not see the override.
  a.Push({0, "a", "cat", 1, "Animal"}).Op(Action::NewObject).Op(Action::SetVariable);
  a.Push({0, "a"}).Op(Action::GetVariable).Push({"speak"}).Op(Action::CallMethod).Op(Action::Trace);
  EXPECT_EQ(RunScript(a, 6), (V{"dog/animal rex", "rex", "true", "true", "true", "true", "animal cat"}));
  EXPECT_EQ(RunScript(a, 7), (V{"dog/animal rex", "rex", "true", "true", "true", "true", "animal cat"}));
}

TEST(Classes, ThreeLevelsOfSuperEachStartAboveTheirOwnPrototype) {
  // C extends B extends A; each who() adds its letter to super.who(), so a super call that
  // restarted at the object's own prototype would recurse instead.
  Actions a;
  for (const char* n : {"A", "B", "C"}) a.DefineFunction(n, {}, Actions());
  a.Push({"B"}).Op(Action::GetVariable).Push({"A"}).Op(Action::GetVariable).Op(Action::Extends);
  a.Push({"C"}).Op(Action::GetVariable).Push({"B"}).Op(Action::GetVariable).Op(Action::Extends);
  Method(a, "A", "who", Actions().Push({"A"}).Op(Action::Return));
  for (const char* n : {"B", "C"}) {
    Actions body;
    body.Push({0, "super"}).Op(Action::GetVariable).Push({"who"}).Op(Action::CallMethod).Push({n}).Op(Action::Add2)
        .Op(Action::Return);
    Method(a, n, "who", body);
  }
  a.Push({0, "C"}).Op(Action::NewObject).Push({"who"}).Op(Action::CallMethod).Op(Action::Trace);
  EXPECT_EQ(RunScript(a, 6), (V{"ABC"}));
}

TEST(Classes, CastOpAndImplementsOp) {
  Actions a;
  a.DefineFunction("Shape", {}, Actions());
  a.DefineFunction("Square", {}, Actions());
  a.DefineFunction("IDrawable", {}, Actions());
  a.DefineFunction("Other", {}, Actions());
  a.Push({"Square"}).Op(Action::GetVariable).Push({"Shape"}).Op(Action::GetVariable).Op(Action::Extends);
  // Shape implements IDrawable; Square inherits that.
  a.Push({"IDrawable"}).Op(Action::GetVariable).Push({1, "Shape"}).Op(Action::GetVariable).Op(Action::ImplementsOp);
  a.Push({"s", 0, "Square"}).Op(Action::NewObject).Op(Action::SetVariable);
  auto cast = [&](const char* cls) {
    a.Push({cls}).Op(Action::GetVariable).Push({"s"}).Op(Action::GetVariable).Op(Action::CastOp);
    a.Push({"s"}).Op(Action::GetVariable).Op(Action::StrictEquals).Op(Action::Trace);
  };
  cast("Shape");
  cast("IDrawable");
  a.Push({"Other"}).Op(Action::GetVariable).Push({"s"}).Op(Action::GetVariable).Op(Action::CastOp).Op(Action::Trace);
  a.Push({"s"}).Op(Action::GetVariable).Push({"IDrawable"}).Op(Action::GetVariable).Op(Action::InstanceOf).Op(Action::Trace);
  a.Push({"s"}).Op(Action::GetVariable).Push({"Other"}).Op(Action::GetVariable).Op(Action::InstanceOf).Op(Action::Trace);
  a.Push({5}).Push({"Shape"}).Op(Action::GetVariable).Op(Action::InstanceOf).Op(Action::Trace);
  EXPECT_EQ(RunScript(a, 7), (V{"true", "true", "null", "true", "false", "false"}));
}

TEST(Prototypes, ProtoAssignmentChangesLookupAndInstancesShareThePrototype) {
  Actions a;
  a.Push({"base", 0}).Op(Action::InitObject).Op(Action::SetVariable);
  a.Push({"base"}).Op(Action::GetVariable).Push({"greeting", "hello"}).Op(Action::SetMember);
  a.Push({"o", 0}).Op(Action::InitObject).Op(Action::SetVariable);
  Member(a, "o", "greeting").Op(Action::Trace);
  a.Push({"o"}).Op(Action::GetVariable).Push({"__proto__", "base"}).Op(Action::GetVariable).Op(Action::SetMember);
  Member(a, "o", "greeting").Op(Action::Trace);
  // An own member shadows the inherited one; deleting it shows the inherited one again.
  a.Push({"o"}).Op(Action::GetVariable).Push({"greeting", "own"}).Op(Action::SetMember);
  Member(a, "o", "greeting").Op(Action::Trace);
  a.Push({"o"}).Op(Action::GetVariable).Push({"greeting"}).Op(Action::Delete).Op(Action::Trace);
  Member(a, "o", "greeting").Op(Action::Trace);
  // Deleting through the instance does not reach the prototype.
  a.Push({"o"}).Op(Action::GetVariable).Push({"greeting"}).Op(Action::Delete).Op(Action::Trace);
  Member(a, "base", "greeting").Op(Action::Trace);
  EXPECT_EQ(RunScript(a, 6), (V{"undefined", "hello", "own", "true", "hello", "false", "hello"}));
}

TEST(ForIn, OwnMembersNewestFirstThenInheritedOnce) {
  Actions a;
  a.DefineFunction("P", {}, Actions());
  Member(a, "P", "prototype").Push({"inherited", 1}).Op(Action::SetMember);
  Member(a, "P", "prototype").Push({"shadowed", 1}).Op(Action::SetMember);
  a.Push({"o", 0, "P"}).Op(Action::NewObject).Op(Action::SetVariable);
  for (const char* n : {"first", "second", "shadowed", "third"})
    a.Push({"o"}).Op(Action::GetVariable).Push({n, 1}).Op(Action::SetMember);
  a.Push({"out", ""}).Op(Action::SetVariable);
  a.Push({"o"}).Op(Action::GetVariable).Op(Action::Enumerate2);
  a.Label("loop").StoreRegister(0).Push({Null{}}).Op(Action::Equals2).If("done");
  a.Push({"out", "out"}).Op(Action::GetVariable).Push({Register{0}}).Op(Action::Add2).Push({" "}).Op(Action::Add2)
      .Op(Action::SetVariable);
  a.Jump("loop").Label("done");
  a.TraceVar("out");
  EXPECT_EQ(RunScript(a, 6), (V{"third shadowed second first inherited "}));
}

TEST(ForIn, ArraysObjectLiteralsAndHiddenMembers) {
  auto loop = [](Actions& a, const std::string& var) {
    a.Push({"out", ""}).Op(Action::SetVariable);
    a.Push({var}).Op(Action::Enumerate);
    a.Label(var + "loop").StoreRegister(0).Push({Null{}}).Op(Action::Equals2).If(var + "done");
    a.Push({"out", "out"}).Op(Action::GetVariable).Push({Register{0}}).Op(Action::Add2).Push({","}).Op(Action::Add2)
        .Op(Action::SetVariable);
    a.Jump(var + "loop").Label(var + "done");
    a.TraceVar("out");
  };
  Actions a;
  a.Push({"arr", "c", "b", "a", 3}).Op(Action::InitArray).Op(Action::SetVariable);
  a.Push({"arr"}).Op(Action::GetVariable).Push({"extra", 1}).Op(Action::SetMember);
  loop(a, "arr");
  // An object literal is built from the stack: its members come out in source order.
  a.Push({"lit", "x", 1, "y", 2, "z", 3, 3}).Op(Action::InitObject).Op(Action::SetVariable);
  loop(a, "lit");
  // Functions hide prototype, and objects made by new hide constructor.
  a.DefineFunction("F", {}, Actions());
  loop(a, "F");
  a.Push({"made", 0, "F"}).Op(Action::NewObject).Op(Action::SetVariable);
  loop(a, "made");
  EXPECT_EQ(RunScript(a, 6), (V{"extra,2,1,0,", "x,y,z,", "", ""}));
}

TEST(Arguments, LengthCalleeCallerAndExtraValues) {
  Actions inner;
  Member(inner, "arguments", "length").Op(Action::Trace);
  inner.Push({"arguments"}).Op(Action::GetVariable).Push({2}).Op(Action::GetMember).Op(Action::Trace);
  Member(inner, "arguments", "callee").Push({"inner"}).Op(Action::GetVariable).Op(Action::StrictEquals).Op(Action::Trace);
  Member(inner, "arguments", "caller").Push({"outer"}).Op(Action::GetVariable).Op(Action::StrictEquals).Op(Action::Trace);
  Actions outer;
  outer.Push({"z", "y", "x", 3, "inner"}).Op(Action::CallFunction).Op(Action::Pop);
  Actions a;
  a.DefineFunction("inner", {"p"}, inner);
  a.DefineFunction("outer", {}, outer);
  a.Call("outer").Op(Action::Pop);
  // Called from a frame script, there is no caller.
  Actions top;
  Member(top, "arguments", "caller").Op(Action::Trace);
  a.DefineFunction("top", {}, top);
  a.Call("top").Op(Action::Pop);
  EXPECT_EQ(RunScript(a, 6), (V{"3", "z", "true", "true", "null"}));
}

TEST(Arguments, DefineFunction2RegistersInDocumentedOrder) {
  // this, arguments, super, _root, _parent, _global take registers 1.. in that order,
  // skipping those not asked for.
  Actions body;
  body.Push({Register{1}}).Op(Action::Trace);                                   // this
  body.Push({Register{2}}).Push({"length"}).Op(Action::GetMember).Op(Action::Trace);  // arguments
  body.Push({Register{3}}).Push({"_root"}).Op(Action::GetVariable).Op(Action::StrictEquals).Op(Action::Trace);
  body.Push({Register{4}}).Push({"_global"}).Op(Action::GetVariable).Op(Action::StrictEquals).Op(Action::Trace);
  body.Push({Register{5}}).Op(Action::Trace);  // the parameter kept in a register
  body.Push({"arguments"}).Op(Action::GetVariable).Op(Action::TypeOf).Op(Action::Trace);  // preloaded, not a local
  Actions a;
  a.DefineFunction2("f", {{5, "p"}}, 6, kPreloadThis | kPreloadArguments | kPreloadRoot | kPreloadGlobal, body);
  a.Push({"o", 0}).Op(Action::InitObject).Op(Action::SetVariable);
  a.Push({"o"}).Op(Action::GetVariable).Push({"f", "f"}).Op(Action::GetVariable).Op(Action::SetMember);
  a.Push({"P", "Q", 2, "o"}).Op(Action::GetVariable).Push({"f"}).Op(Action::CallMethod).Op(Action::Pop);
  EXPECT_EQ(RunScript(a, 7), (V{"[object Object]", "2", "true", "true", "Q", "undefined"}));
}

TEST(Arguments, SuperPreloadedInARegister) {
  Actions a;
  a.DefineFunction("A", {}, Actions());
  a.DefineFunction("B", {}, Actions());
  a.Push({"B"}).Op(Action::GetVariable).Push({"A"}).Op(Action::GetVariable).Op(Action::Extends);
  Method(a, "A", "m", Actions().Push({"from A"}).Op(Action::Return));
  Actions body;
  body.Push({0, Register{1}, "m"}).Op(Action::CallMethod).Op(Action::Return);
  Member(a, "B", "prototype").Push({"m"}).DefineFunction2("", {}, 2, kPreloadSuper | kSuppressThis, body)
      .Op(Action::SetMember);
  a.Push({0, "B"}).Op(Action::NewObject).Push({"m"}).Op(Action::CallMethod).Op(Action::Trace);
  EXPECT_EQ(RunScript(a, 7), (V{"from A"}));
}

TEST(Prototypes, MethodsAddedToStringPrototypeRunOnPrimitives) {
  Actions a;
  // String.prototype may not exist yet in an engine without a String class.
  Member(a, "String", "prototype").Push({Undefined{}}).Op(Action::Equals2).Op(Action::Not).If("has");
  a.Push({"String"}).Op(Action::GetVariable).Push({"prototype", 0}).Op(Action::InitObject).Op(Action::SetMember);
  a.Label("has");
  Actions shout;
  shout.Push({"this"}).Op(Action::GetVariable).Push({"!"}).Op(Action::Add2).Op(Action::Return);
  Method(a, "String", "shout", shout);
  a.Push({0, "hey"}).Push({"shout"}).Op(Action::CallMethod).Op(Action::Trace);
  a.Push({"hey"}).Push({"shout"}).Op(Action::GetMember).Op(Action::TypeOf).Op(Action::Trace);
  a.Push({0, "abc"}).Push({"toUpperCase"}).Op(Action::CallMethod).Op(Action::Trace);  // built-ins still work
  EXPECT_EQ(RunScript(a, 6), (V{"hey!", "function", "ABC"}));
}
