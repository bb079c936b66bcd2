// Where names resolve: functions close over the timeline that defined them, with blocks,
// locals and registers, _global after the scope chain, and each version's case rules.
#include <gtest/gtest.h>

#include "test_movie.h"

using namespace swfasm;
using namespace swftest;

TEST(Scope, AFunctionResolvesNamesInTheClipThatDefinedIt) {
  MovieBuilder m(6);
  // The clip defines where() reading and writing its own variables.
  Actions where;
  where.Push({"_root.seen", "who"}).Op(Action::GetVariable).Op(Action::SetVariable);
  where.Set("written", "by function");
  Timeline inner;
  inner.Do(Actions().Set("who", "inner clip").DefineFunction("where", {}, where)).ShowFrame();
  uint16_t sprite = m.DefineSprite(inner);
  Actions root;
  root.Set("who", "root");
  root.Push({0, "clip"}).Op(Action::GetVariable).Push({"where"}).Op(Action::CallMethod).Op(Action::Pop);
  root.TraceVar("seen").TraceVar("written").TraceVar("clip.written");
  // A copy of the function kept on the root still belongs to the clip.
  root.Push({"f", "clip.where"}).Op(Action::GetVariable).Op(Action::SetVariable);
  root.Set("seen", "").Call("f").Op(Action::Pop).TraceVar("seen");
  m.Main().Place(sprite, 1, {}, "clip").ShowFrame();
  m.Main().Do(root.Stop()).ShowFrame();
  Recorder rec;
  swf::Player p(rec.Callbacks());
  ASSERT_TRUE(p.LoadBytes(m.Build()));
  p.Advance();
  p.Advance();
  EXPECT_EQ(rec.traces, (V{"inner clip", "undefined", "by function", "inner clip"}));
}

TEST(Scope, ClosuresKeepTheirActivation) {
  // makeCounter() returns a function counting in makeCounter's local n; two counters do not share it.
  Actions counter;
  counter.Push({"n", "n"}).Op(Action::GetVariable).Op(Action::Increment).Op(Action::SetVariable);
  counter.Push({"n"}).Op(Action::GetVariable).Op(Action::Return);
  Actions make;
  make.Push({"n", 0}).Op(Action::DefineLocal);
  make.DefineFunction("", {}, counter).Op(Action::Return);
  Actions a;
  a.DefineFunction("makeCounter", {}, make);
  a.Push({"c1"}).Call("makeCounter").Op(Action::SetVariable);
  a.Push({"c2"}).Call("makeCounter").Op(Action::SetVariable);
  for (const char* c : {"c1", "c1", "c2", "c1"}) a.Call(c).Op(Action::Trace);
  a.TraceVar("n");  // the local never reached the timeline
  EXPECT_EQ(RunScript(a, 7), (V{"1", "2", "1", "3", "undefined"}));
}

TEST(Scope, WithLooksUpAndAssignsOnItsObjectFirst) {
  Actions body;
  body.TraceVar("x");                // from the object
  body.TraceVar("y");                // from the timeline
  body.Set("x", "changed");          // the object has x
  body.Set("fresh", "timeline");     // nobody has it: the timeline gets it
  body.Push({"g"}).DefineFunction("", {}, Actions().TraceVar("x")).Op(Action::SetVariable);
  Actions a;
  a.Set("y", "timeline y").Set("x", "timeline x");
  a.Push({"o", "x", "object x", 1}).Op(Action::InitObject).Op(Action::SetVariable);
  a.Push({"o"}).Op(Action::GetVariable).With(body);
  a.TraceVar("o.x").TraceVar("x").TraceVar("fresh").TraceVar("o.fresh");
  a.Call("g").Op(Action::Pop);  // defined inside the with block: it still sees o
  EXPECT_EQ(RunScript(a, 6),
            (V{"object x", "timeline y", "changed", "timeline x", "timeline", "undefined", "changed"}));
}

TEST(Scope, WithOnAClipSetsItsProperties) {
  MovieBuilder m(6);
  Timeline inner;
  inner.ShowFrame();
  uint16_t sprite = m.DefineSprite(inner);
  Actions body;
  body.Set("_x", 40).Set("_alpha", 30);
  Actions a;
  a.Push({"c"}).Op(Action::GetVariable).With(body);
  a.TraceVar("c._x").TraceVar("c._alpha").TraceVar("_x");
  m.Main().Place(sprite, 1, {}, "c").Do(a).ShowFrame();
  Recorder rec;
  swf::Player p(rec.Callbacks());
  ASSERT_TRUE(p.LoadBytes(m.Build()));
  p.Advance();
  EXPECT_EQ(rec.traces, (V{"40", "30", "0"}));
}

TEST(Scope, LocalsDeleteAndDefineLocal2) {
  Actions f;
  f.Push({"v", "local"}).Op(Action::DefineLocal);
  f.Push({"u"}).Op(Action::DefineLocal2);
  f.TraceVar("v");
  f.Push({"u"}).Op(Action::GetVariable).Op(Action::TypeOf).Op(Action::Trace);
  f.Push({"v"}).Op(Action::Delete2).Op(Action::Trace);  // the local goes first
  f.TraceVar("v");                                       // now the timeline's shows through
  Actions a;
  a.Set("v", "timeline");
  a.DefineFunction("f", {}, f);
  a.Call("f").Op(Action::Pop);
  a.Push({"v"}).Op(Action::Delete2).Op(Action::Trace);
  a.Push({"v"}).Op(Action::GetVariable).Op(Action::TypeOf).Op(Action::Trace);
  a.Push({"never"}).Op(Action::Delete2).Op(Action::Trace);
  // DefineLocal2 on a timeline leaves an existing value alone.
  a.Set("kept", 5).Push({"kept"}).Op(Action::DefineLocal2).TraceVar("kept");
  EXPECT_EQ(RunScript(a, 7), (V{"local", "undefined", "true", "timeline", "true", "undefined", "false", "5"}));
}

TEST(Scope, RegistersBelongToEachCall) {
  // The frame's registers survive a call that uses its own, and StoreRegister leaves the value on the stack.
  Actions f;
  f.Push({"inside"}).StoreRegister(1).Op(Action::Pop);
  f.Push({Register{1}}).Op(Action::Return);
  Actions a;
  a.Push({"outside"}).StoreRegister(1).Op(Action::Trace);
  a.DefineFunction2("f", {}, 2, 0, f);
  a.Call("f").Op(Action::Trace);
  a.Push({Register{1}}).Op(Action::Trace);
  a.Push({Register{200}}).Op(Action::Trace);  // out of range reads undefined
  EXPECT_EQ(RunScript(a, 7), (V{"outside", "inside", "outside", "undefined"}));
}

TEST(Scope, GlobalComesAfterTheScopeChain) {
  MovieBuilder m(6);
  Timeline inner;
  inner.Do(Actions().TraceVar("shared").TraceVar("shadow")).ShowFrame();
  uint16_t sprite = m.DefineSprite(inner);
  Actions a;
  a.Push({"_global"}).Op(Action::GetVariable).Push({"shared", "from global"}).Op(Action::SetMember);
  a.Push({"_global"}).Op(Action::GetVariable).Push({"shadow", "global"}).Op(Action::SetMember);
  a.Set("shadow", "root timeline");
  a.TraceVar("shadow");
  // Setting a name that exists only globally makes a timeline variable; the global one stays.
  a.Set("shared", "root copy");
  a.TraceVar("_global.shared");
  m.Main().Do(a).Place(sprite, 1, {}, "clip").ShowFrame();
  Recorder rec;
  swf::Player p(rec.Callbacks());
  ASSERT_TRUE(p.LoadBytes(m.Build()));
  p.Advance();
  EXPECT_EQ(rec.traces, (V{"root timeline", "from global", "from global", "global"}));
}

TEST(Scope, NamesIgnoreCaseBeforeVersion7) {
  Actions a;
  a.Set("Score", 10);
  a.TraceVar("score");
  a.Push({"o", 0}).Op(Action::InitObject).Op(Action::SetVariable);
  a.Push({"o"}).Op(Action::GetVariable).Push({"Name", "n"}).Op(Action::SetMember);
  a.Push({"o"}).Op(Action::GetVariable).Push({"NAME"}).Op(Action::GetMember).Op(Action::Trace);
  a.DefineFunction("Hello", {}, Actions().Push({"hi"}).Op(Action::Return));
  a.Call("hello").Op(Action::Trace);
  a.Push({"_ROOT"}).Op(Action::GetVariable).Op(Action::TypeOf).Op(Action::Trace);
  EXPECT_EQ(RunScript(a, 6), (V{"10", "n", "hi", "movieclip"}));
  EXPECT_EQ(RunScript(a, 7), (V{"undefined", "undefined", "undefined", "undefined"}));
}
