// Action families and the conversions that break naive engines.
#include <gtest/gtest.h>

#include "test_movie.h"

using namespace swfasm;
using namespace swftest;


TEST(Arithmetic, Add2ConcatenatesWhenEitherSideIsAString) {
  Actions a;
  a.Push({"5", 3}).Op(Action::Add2).Op(Action::Trace);
  a.Push({3, "5"}).Op(Action::Add2).Op(Action::Trace);
  a.Push({2, 3}).Op(Action::Add2).Op(Action::Trace);
  a.Push({"5", 3}).Op(Action::Subtract).Op(Action::Trace);
  a.Push({"5", 3}).Op(Action::Add).Op(Action::Trace);  // the old Add is always numeric
  a.Push({"abc", 1}).Op(Action::Subtract).Op(Action::Trace);
  EXPECT_EQ(RunScript(a), (V{"53", "35", "5", "2", "8", "NaN"}));
}

TEST(Arithmetic, UndefinedInArithmeticDependsOnVersion) {
  Actions a;
  a.Push({Undefined{}, 1}).Op(Action::Add2).Op(Action::Trace);
  a.Push({"nothing"}).Op(Action::GetVariable).Op(Action::Increment).Op(Action::Trace);
  EXPECT_EQ(RunScript(a, 6), (V{"1", "1"}));
  EXPECT_EQ(RunScript(a, 7), (V{"NaN", "NaN"}));
}

TEST(Arithmetic, MultiplyDivideModuloAndIncrement) {
  Actions a;
  a.Push({6, 7}).Op(Action::Multiply).Op(Action::Trace);
  a.Push({1, 3}).Op(Action::Divide).Op(Action::Trace);
  a.Push({1, 0}).Op(Action::Divide).Op(Action::Trace);
  a.Push({-7, 3}).Op(Action::Modulo).Op(Action::Trace);
  a.Push({4.5}).Op(Action::Decrement).Op(Action::Trace);
  a.Push({-3.7}).Op(Action::ToInteger).Op(Action::Trace);
  EXPECT_EQ(RunScript(a), (V{"42", "0.333333333333333", "Infinity", "-1", "3.5", "-3"}));
}

TEST(Arithmetic, FourthVersionRules) {
  Actions a;
  a.Push({1, 0}).Op(Action::Divide).Op(Action::Trace);
  a.Push({"abc", 2}).Op(Action::Add).Op(Action::Trace);
  a.Push({1, 2}).Op(Action::Less).Op(Action::Trace);
  a.Push({"3", 3}).Op(Action::Equals).Op(Action::Trace);
  a.Push({0}).Op(Action::Not).Op(Action::Trace);
  EXPECT_EQ(RunScript(a, 4), (V{"#ERROR#", "2", "1", "1", "1"}));
  EXPECT_EQ(RunScript(a, 5), (V{"Infinity", "NaN", "true", "true", "true"}));
}

TEST(Comparison, NaNComparesAsNeitherLessNorGreater) {
  Actions a;
  a.Push({0, 0}).Op(Action::Divide).StoreRegister(1).Op(Action::Pop);
  a.Push({Register{1}, 1}).Op(Action::Less2).Op(Action::Trace);
  a.Push({Register{1}, 1}).Op(Action::Greater).Op(Action::Trace);
  a.Push({Register{1}, Register{1}}).Op(Action::Equals2).Op(Action::Trace);
  a.Push({Register{1}, Register{1}}).Op(Action::Equals).Op(Action::Trace);
  EXPECT_EQ(RunScript(a, 7), (V{"undefined", "undefined", "true", "false"}));  // NaN equals itself
}

TEST(Comparison, StringAgainstNumberComparesNumerically) {
  Actions a;
  a.Push({"10", 9}).Op(Action::Less2).Op(Action::Trace);    // 10 < 9
  a.Push({"10", "9"}).Op(Action::Less2).Op(Action::Trace);  // string order
  a.Push({"abc", 1}).Op(Action::Less2).Op(Action::Trace);   // NaN
  a.Push({9, "10"}).Op(Action::Greater).Op(Action::Trace);
  a.Push({"b", "a"}).Op(Action::Greater).Op(Action::Trace);
  EXPECT_EQ(RunScript(a, 7), (V{"false", "true", "undefined", "false", "true"}));
}

TEST(Comparison, EqualityRules) {
  Actions a;
  a.Push({"5", 5}).Op(Action::Equals2).Op(Action::Trace);
  a.Push({"5", 5}).Op(Action::StrictEquals).Op(Action::Trace);
  a.Push({Undefined{}, Null{}}).Op(Action::Equals2).Op(Action::Trace);
  a.Push({Undefined{}, 0}).Op(Action::Equals2).Op(Action::Trace);
  a.Push({true, 1}).Op(Action::Equals2).Op(Action::Trace);
  a.Push({"abc", "abc"}).Op(Action::StringEquals).Op(Action::Trace);
  a.Push({"abc", "abd"}).Op(Action::StringLess).Op(Action::Trace);
  EXPECT_EQ(RunScript(a), (V{"true", "false", "true", "false", "true", "true", "true"}));
}

TEST(Logic, AndOrNot) {
  Actions a;
  a.Push({1, 0}).Op(Action::And).Op(Action::Trace);
  a.Push({1, 0}).Op(Action::Or).Op(Action::Trace);
  a.Push({"abc"}).Op(Action::Not).Op(Action::Trace);  // a non-numeric string is false before version 7
  EXPECT_EQ(RunScript(a, 6), (V{"false", "true", "true"}));
  EXPECT_EQ(RunScript(a, 7), (V{"false", "true", "false"}));
}

TEST(Strings, LengthExtractAndCharacterCodes) {
  Actions a;
  a.Push({"hello"}).Op(Action::StringLength).Op(Action::Trace);
  a.Push({"hello", 2, 3}).Op(Action::StringExtract).Op(Action::Trace);
  a.Push({"hello", 4, 100}).Op(Action::StringExtract).Op(Action::Trace);
  a.Push({"hello", 0, -1}).Op(Action::StringExtract).Op(Action::Trace);
  a.Push({"A"}).Op(Action::CharToAscii).Op(Action::Trace);
  a.Push({66}).Op(Action::AsciiToChar).Op(Action::Trace);
  a.Push({"ab", "cd"}).Op(Action::StringAdd).Op(Action::Trace);
  a.Push({"h\xC3\xA9llo"}).Op(Action::MBStringLength).Op(Action::Trace);
  a.Push({"h\xC3\xA9llo", 2, 2}).Op(Action::MBStringExtract).Op(Action::Trace);
  a.Push({"\xC3\xA9"}).Op(Action::MBCharToAscii).Op(Action::Trace);
  a.Push({233}).Op(Action::MBAsciiToChar).Op(Action::Trace);
  EXPECT_EQ(RunScript(a), (V{"5", "ell", "lo", "hello", "65", "B", "abcd", "5", "\xC3\xA9l", "233", "\xC3\xA9"}));
}

TEST(Strings, ConversionsAndTypeOf) {
  Actions a;
  a.Push({"12"}).Op(Action::ToNumber).Op(Action::TypeOf).Op(Action::Trace);
  a.Push({12}).Op(Action::ToString).Op(Action::TypeOf).Op(Action::Trace);
  a.Push({Undefined{}}).Op(Action::TypeOf).Op(Action::Trace);
  a.Push({Null{}}).Op(Action::TypeOf).Op(Action::Trace);
  a.Push({true}).Op(Action::TypeOf).Op(Action::Trace);
  a.Push({"_root"}).Op(Action::GetVariable).Op(Action::TypeOf).Op(Action::Trace);
  a.Push({0, "Object"}).Op(Action::NewObject).Op(Action::TypeOf).Op(Action::Trace);
  a.Push({1e21}).Op(Action::ToString).Op(Action::Trace);
  EXPECT_EQ(RunScript(a), (V{"number", "string", "undefined", "null", "boolean", "movieclip", "object", "1e+21"}));
}

TEST(Stack, PushTypesDuplicateSwapAndConstants) {
  Actions a;
  a.ConstantPool({"zero", "one"});
  a.Push({Constant{1}}).Op(Action::Trace);
  a.PushFloat(1.5f).Op(Action::Trace);
  a.Push({"x", "y"}).Op(Action::StackSwap).Op(Action::Trace).Op(Action::Trace);
  a.Push({"d"}).Op(Action::PushDuplicate).Op(Action::StringAdd).Op(Action::Trace);
  a.Push({"left"}).Push({"gone"}).Op(Action::Pop).Op(Action::Trace);
  a.Op(Action::Trace);  // an empty stack gives undefined
  EXPECT_EQ(RunScript(a, 7), (V{"one", "1.5", "x", "y", "dd", "left", "undefined"}));
}

TEST(Control, JumpAndIfMakeLoops) {
  Actions a;
  a.Set("i", 0).Set("sum", 0);
  a.Label("top");
  a.Push({"i"}).Op(Action::GetVariable).Push({10}).Op(Action::Less2).Op(Action::Not).If("done");
  a.Push({"sum", "sum"}).Op(Action::GetVariable).Push({"i"}).Op(Action::GetVariable).Op(Action::Add2).Op(Action::SetVariable);
  a.Push({"i", "i"}).Op(Action::GetVariable).Op(Action::Increment).Op(Action::SetVariable);
  a.Jump("top");
  a.Label("done").TraceVar("sum");
  EXPECT_EQ(RunScript(a), V{"45"});
}

TEST(Control, RunawayLoopIsAbandonedAndTheMovieGoesOn) {
  MovieBuilder m(6);
  Actions spin;
  spin.Trace("before").Label("l").Jump("l");
  m.Main().Do(spin).Do(Actions().Trace("next block")).ShowFrame();
  m.Main().Do(Actions().Trace("frame 2").Stop()).ShowFrame();
  Recorder rec;
  swf::PlayerLimits limits;
  limits.actionsPerFrame = 50000;
  swf::Player p(rec.Callbacks(), limits);
  ASSERT_TRUE(p.LoadBytes(m.Build()));
  p.Advance();
  p.Advance();
  EXPECT_EQ(rec.traces, (V{"before", "frame 2"}));
}

TEST(Variables, PathsToClipsAndTheRoot) {
  MovieBuilder m(6);
  Timeline inner;
  inner.ShowFrame();
  uint16_t sprite = m.DefineSprite(inner);
  Actions a;
  a.Set("/clip:v", "slash");
  a.TraceVar("clip.v");
  a.Set("_root.clip.w", "dot");
  a.TraceVar("/clip:w");
  a.Set("top", 1);
  a.TraceVar("_root.top");
  a.TraceVar("_level0.clip.v");
  a.Push({"clip"}).Op(Action::GetVariable).Op(Action::TargetPath).Op(Action::Trace);
  a.Push({"/clip", 11}).Op(Action::GetProperty).Op(Action::Trace);  // _target
  m.Main().Place(sprite, 1, {}, "clip").Do(a).ShowFrame();
  Recorder rec;
  swf::Player p(rec.Callbacks());
  ASSERT_TRUE(p.LoadBytes(m.Build()));
  p.Advance();
  EXPECT_EQ(rec.traces, (V{"slash", "dot", "1", "slash", "_level0.clip", "/clip"}));
  EXPECT_EQ(p.GetVariable("/clip:v"), "slash");
  EXPECT_EQ(p.GetVariable("clip.w"), "dot");
  p.SetVariable("/clip:fromHost", "h");
  EXPECT_EQ(p.GetVariable("clip.fromHost"), "h");
  EXPECT_FALSE(p.GetVariable("nothing").has_value());
}

TEST(Variables, SetTargetRedirectsTimelineActionsAndVariables) {
  MovieBuilder m(6);
  Timeline inner;
  inner.Do(Actions().Trace("inner 1")).ShowFrame();
  inner.Do(Actions().Trace("inner 2")).ShowFrame();
  uint16_t sprite = m.DefineSprite(inner);
  Actions a;
  a.SetTarget("clip").Op(Action::Stop).Set("inside", "yes").SetTarget("");
  a.Push({"clip"}).Op(Action::SetTarget2).Set("also", "yes").SetTarget("");
  a.TraceVar("clip.inside").TraceVar("clip.also").TraceVar("inside");
  a.SetTarget("nowhere").Op(Action::Stop).SetTarget("");  // names nothing: no effect
  m.Main().Place(sprite, 1, {}, "clip").Do(a).ShowFrame();
  m.Main().Do(Actions().Trace("main 2")).ShowFrame();
  Recorder rec;
  swf::Player p(rec.Callbacks());
  ASSERT_TRUE(p.LoadBytes(m.Build()));
  p.Advance();
  p.Advance();
  EXPECT_EQ(rec.traces, (V{"inner 1", "yes", "yes", "undefined", "main 2"}));
  EXPECT_EQ(p.TGetProperty("clip", swf::kPropCurrentFrame), "1");
}

TEST(Variables, IdentifiersIgnoreCaseBeforeVersion7) {
  Actions a;
  a.Set("Score", 5).TraceVar("score");
  EXPECT_EQ(RunScript(a, 6), V{"5"});
  EXPECT_EQ(RunScript(a, 7), V{"undefined"});
}

TEST(Properties, GetAndSetCommonProperties) {
  MovieBuilder m(6);
  uint16_t sq = m.Rectangle(0, 0, 40, 20, {0, 0, 0});
  Timeline inner;
  inner.Place(sq, 1).ShowFrame();
  uint16_t sprite = m.DefineSprite(inner);
  Actions a;
  auto get = [&](int prop) { a.Push({"c", prop}).Op(Action::GetProperty).Op(Action::Trace); };
  auto set = [&](int prop, PushValue v) { a.Push({"c", prop, v}).Op(Action::SetProperty); };
  get(8);
  get(9);
  set(0, 15);
  set(2, 50);
  get(0);
  get(8);
  get(2);
  set(6, 30);
  get(6);
  set(7, false);
  get(7);
  set(10, 90);
  a.Push({"c", 10}).Op(Action::GetProperty).Op(Action::ToInteger).Op(Action::Trace);
  get(13);
  a.Push({"c", 5}).Op(Action::GetProperty).Op(Action::Trace);
  a.Push({"", 19}).Op(Action::GetProperty).Op(Action::Trace);
  m.Main().Place(sprite, 1, {}, "c").Do(a).ShowFrame();
  Recorder rec;
  swf::Player p(rec.Callbacks());
  ASSERT_TRUE(p.LoadBytes(m.Build()));
  p.Advance();
  EXPECT_EQ(rec.traces, (V{"40", "20", "15", "20", "50", "30", "false", "90", "c", "1", "HIGH"}));
}

TEST(Urls, FsCommandsFromGetUrlAndGetUrl2) {
  MovieBuilder m(6);
  Actions a;
  a.GetUrl("FSCommand:fullscreen", "true");
  a.Push({"FSCommand:quit", ""}).GetUrl2();
  a.GetUrl("http://example.invalid/", "_blank");
  m.Main().Do(a).ShowFrame();
  Recorder rec;
  std::vector<std::string> urls;
  auto cb = rec.Callbacks();
  cb.getUrl = [&](const std::string& u, const std::string& t) { urls.push_back(u + " " + t); };
  swf::Player p(cb);
  ASSERT_TRUE(p.LoadBytes(m.Build()));
  p.Advance();
  EXPECT_EQ(rec.commands, (V{"fullscreen|true", "quit|"}));
  EXPECT_EQ(urls, V{"http://example.invalid/ _blank"});
}

TEST(Functions, DefineCallAndReturn) {
  Actions body;
  body.Push({"a"}).Op(Action::GetVariable).Push({"b"}).Op(Action::GetVariable).Op(Action::Add2).Op(Action::Return);
  Actions a;
  a.DefineFunction("add", {"a", "b"}, body);
  a.Call("add", {2, 3}).Op(Action::Trace);
  a.Call("add", {"x", 1}).Op(Action::Trace);
  a.Call("add", {1}).Op(Action::Trace);  // a missing argument is undefined
  a.TraceVar("a");                        // parameters do not leak
  EXPECT_EQ(RunScript(a, 7), (V{"5", "x1", "NaN", "undefined"}));
}

TEST(Functions, RecursionLocalsAndAnonymousFunctions) {
  Actions fact;
  fact.Push({"n"}).Op(Action::GetVariable).Push({1}).Op(Action::Greater).If("rec");
  fact.Push({1}).Op(Action::Return);
  fact.Label("rec");
  fact.Push({"n"}).Op(Action::GetVariable);
  fact.Push({"n"}).Op(Action::GetVariable).Op(Action::Decrement).Push({1, "fact"}).Op(Action::CallFunction);
  fact.Op(Action::Multiply).Op(Action::Return);
  Actions local;
  local.Push({"tmp", "local"}).Op(Action::DefineLocal).Push({"tmp"}).Op(Action::GetVariable).Op(Action::Return);
  Actions a;
  a.DefineFunction("fact", {"n"}, fact);
  a.Call("fact", {10}).Op(Action::Trace);
  a.Push({"f"}).DefineFunction("", {}, local).Op(Action::SetVariable);
  a.Call("f").Op(Action::Trace);
  a.TraceVar("tmp");
  EXPECT_EQ(RunScript(a, 7), (V{"3628800", "local", "undefined"}));
}

TEST(Functions, EndlessRecursionStops) {
  Actions body;
  body.Call("again").Op(Action::Return);
  Actions a;
  a.DefineFunction("again", {}, body).Call("again").Op(Action::Pop).Trace("not reached");
  MovieBuilder m(6);
  m.Main().Do(a).ShowFrame();
  m.Main().Do(Actions().Trace("frame 2").Stop()).ShowFrame();
  Recorder rec;
  swf::Player p(rec.Callbacks());
  ASSERT_TRUE(p.LoadBytes(m.Build()));
  p.Advance();
  p.Advance();
  EXPECT_EQ(rec.traces, V{"frame 2"});
}

TEST(Objects, MembersArraysAndStringMethods) {
  Actions a;
  a.Push({"o", "x", 1, "y", "two", 2}).Op(Action::InitObject).Op(Action::SetVariable);
  a.Push({"o"}).Op(Action::GetVariable).Push({"y"}).Op(Action::GetMember).Op(Action::Trace);
  a.Push({"o"}).Op(Action::GetVariable).Push({"z", 3}).Op(Action::SetMember);
  a.TraceVar("o.z");
  a.Push({"arr", 30, 20, 10, 3}).Op(Action::InitArray).Op(Action::SetVariable);
  a.TraceVar("arr.length").TraceVar("arr");
  a.Push({2, 1, 2, "Hello"}).Push({"substr"}).Op(Action::CallMethod).Op(Action::Trace);
  a.Push({0, "Hello"}).Push({"toUpperCase"}).Op(Action::CallMethod).Op(Action::Trace);
  a.Push({"Hello"}).Push({"length"}).Op(Action::GetMember).Op(Action::Trace);
  a.Push({40, 1, "arr"}).Op(Action::GetVariable).Push({"push"}).Op(Action::CallMethod).Op(Action::Trace);
  a.Push({2.5, 1, "Math"}).Op(Action::GetVariable).Push({"floor"}).Op(Action::CallMethod).Op(Action::Trace);
  EXPECT_EQ(RunScript(a), (V{"two", "3", "3", "10,20,30", "el", "HELLO", "5", "4", "2"}));
}

TEST(Objects, ScriptConstructorsAndPrototypes) {
  Actions ctor;
  ctor.Push({"this"}).Op(Action::GetVariable).Push({"v", "made"}).Op(Action::SetMember);
  Actions a;
  a.DefineFunction("Thing", {}, ctor);
  a.Push({"Thing"}).Op(Action::GetVariable).Push({"prototype"}).Op(Action::GetMember).Push({"kind", "thing"}).Op(Action::SetMember);
  a.Push({"t", 0, "Thing"}).Op(Action::NewObject).Op(Action::SetVariable);
  a.TraceVar("t.v").TraceVar("t.kind");
  a.Push({"t"}).Op(Action::GetVariable).Push({"Thing"}).Op(Action::GetVariable).Op(Action::InstanceOf).Op(Action::Trace);
  EXPECT_EQ(RunScript(a), (V{"made", "thing", "true"}));
}

TEST(Functions, DefineFunction2KeepsParametersAndPreloadsInRegisters) {
  // function (a in r3, b named) with this in r1 and _root in r2.
  Actions body;
  body.Push({Register{3}, "b"}).Op(Action::GetVariable).Op(Action::Add2);
  body.Push({Register{2}}).Op(Action::TargetPath).Op(Action::Add2);
  body.Push({Register{1}}).Op(Action::TargetPath).Op(Action::Add2).Op(Action::Return);
  Actions a;
  a.DefineFunction2("f", {{3, "a"}, {0, "b"}}, 4, kPreloadThis | kPreloadRoot | kSuppressArguments, body);
  a.Push({"obj", "_root"}).Op(Action::GetVariable).Op(Action::SetVariable);
  a.Push({"x", "y", 2, "obj"}).Op(Action::GetVariable).Push({"f"}).Op(Action::GetVariable);
  a.Push({"m"}).Op(Action::StackSwap).Op(Action::SetMember);  // obj.m = f
  a.Push({"x", "y", 2, "obj"}).Op(Action::GetVariable).Push({"m"}).Op(Action::CallMethod).Op(Action::Trace);
  a.TraceVar("a");  // the register parameter is no variable
  EXPECT_EQ(RunScript(a, 7), (V{"yx_level0_level0", "undefined"}));
}

TEST(Functions, TryCatchFinallyAndThrowAcrossCalls) {
  Actions thrower;
  thrower.Push({"boom"}).Op(Action::Throw).Trace("not after throw");
  Actions body;
  body.Trace("try").Call("thrower").Op(Action::Pop).Trace("not reached");
  Actions onCatch;
  onCatch.Push({"caught "}).Push({"e"}).Op(Action::GetVariable).Op(Action::Add2).Op(Action::Trace);
  Actions onFinally;
  onFinally.Trace("finally");
  Actions a;
  a.DefineFunction("thrower", {}, thrower);
  a.Try(body, &onCatch, "e", &onFinally);
  a.Trace("after");
  a.Try(Actions().Trace("quiet"), &onCatch, "e", &onFinally);
  a.Push({"uncaught"}).Op(Action::Throw).Trace("never");
  EXPECT_EQ(RunScript(a, 7), (V{"try", "caught boom", "finally", "after", "quiet", "finally"}));
}

TEST(Control, GrowingStringsAndArraysAreAbandonedAtTheFrameBudget) {
  MovieBuilder m(6);
  Actions grow;
  grow.Set("s", "x").Label("l");
  grow.Push({"s", "s"}).Op(Action::GetVariable).Op(Action::PushDuplicate).Op(Action::Add2).Op(Action::SetVariable);
  grow.Push({"a", 0, "Array"}).Op(Action::NewObject).Op(Action::SetVariable);
  grow.Push({"a"}).Op(Action::GetVariable).Push({"length", 1000000}).Op(Action::SetMember);
  grow.Jump("l");
  m.Main().Do(grow).ShowFrame();
  m.Main().Do(Actions().Trace("next frame").Stop()).ShowFrame();
  Recorder rec;
  swf::PlayerLimits limits;
  limits.bytesPerFrame = 8u << 20;
  swf::Player p(rec.Callbacks(), limits);
  ASSERT_TRUE(p.LoadBytes(m.Build()));
  p.Advance();
  EXPECT_LT(p.ActionsRun(), 200u);  // stopped long before the action limit
  p.Advance();
  EXPECT_EQ(rec.traces, V{"next frame"});
}

TEST(Objects, WithEnumerateAndDelete) {
  Actions a;
  a.Push({"o", "b", 2, "a", 1, 2}).Op(Action::InitObject).Op(Action::SetVariable);
  Actions inside;
  inside.TraceVar("a").Set("b", 20);
  a.Push({"o"}).Op(Action::GetVariable).With(inside);
  a.TraceVar("o.b");
  // for (k in o) collects the names; the order follows insertion.
  a.Push({"keys", ""}).Op(Action::SetVariable);
  a.Push({"o"}).Op(Action::Enumerate).Label("next");
  a.Op(Action::PushDuplicate).Push({Null{}}).Op(Action::Equals2).If("done");
  a.Push({"keys"}).Op(Action::StackSwap).Push({"keys"}).Op(Action::GetVariable).Op(Action::StackSwap).Op(Action::Add2);
  a.Op(Action::SetVariable).Jump("next");
  a.Label("done").Op(Action::Pop).TraceVar("keys");
  a.Push({"o"}).Op(Action::GetVariable).Push({"a"}).Op(Action::Delete).Op(Action::Trace);
  a.TraceVar("o.a");
  a.Set("gone", 1).Push({"gone"}).Op(Action::Delete2).Op(Action::Trace).TraceVar("gone");
  EXPECT_EQ(RunScript(a, 7), (V{"1", "20", "ba", "true", "undefined", "true", "undefined"}));
}

TEST(Objects, BuiltInFunctionsAndMath) {
  Actions a;
  a.Call("parseInt", {"42px"}).Op(Action::Trace);
  a.Call("parseInt", {"ff", 16}).Op(Action::Trace);
  a.Call("parseFloat", {"3.5e1 apples"}).Op(Action::Trace);
  a.Call("isNaN", {"abc"}).Op(Action::Trace);
  a.Call("escape", {"a b&c"}).Op(Action::Trace);
  a.Call("unescape", {"a%20b%26c"}).Op(Action::Trace);
  a.Call("String", {12}).Op(Action::TypeOf).Op(Action::Trace);
  a.Push({-2.5, 1, "Math"}).Op(Action::GetVariable).Push({"abs"}).Op(Action::CallMethod).Op(Action::Trace);
  a.Push({3, 2, 2, "Math"}).Op(Action::GetVariable).Push({"pow"}).Op(Action::CallMethod).Op(Action::Trace);
  a.Push({1, 5, 3, 3, "Math"}).Op(Action::GetVariable).Push({"max"}).Op(Action::CallMethod).Op(Action::Trace);
  a.Push({"parseInt"}).Op(Action::GetVariable).Op(Action::TypeOf).Op(Action::Trace);
  EXPECT_EQ(RunScript(a, 7), (V{"42", "255", "35", "true", "a%20b%26c", "a b&c", "string", "2.5", "8", "5", "function"}));
}

TEST(Objects, StringAndArrayMethods) {
  Actions a;
  auto call = [&](const char* s, const char* method, std::vector<PushValue> args) {
    std::vector<PushValue> v(args.rbegin(), args.rend());
    v.push_back(static_cast<int>(args.size()));
    v.push_back(s);
    v.push_back(method);
    a.Push(v).Op(Action::CallMethod).Op(Action::Trace);
  };
  call("banana", "indexOf", {"an"});
  call("banana", "lastIndexOf", {"an"});
  call("banana", "slice", {-3});
  call("banana", "substring", {4, 1});
  call("banana", "charCodeAt", {1});
  call("a,b,c", "split", {","});
  a.Push({"arr", 3, 2, 1, 3}).Op(Action::InitArray).Op(Action::SetVariable);
  auto arr = [&](const char* method, std::vector<PushValue> args) {
    std::vector<PushValue> v(args.rbegin(), args.rend());
    v.push_back(static_cast<int>(args.size()));
    v.push_back("arr");
    a.Push(v).Op(Action::GetVariable).Push({method}).Op(Action::CallMethod).Op(Action::Trace);
  };
  arr("join", {"-"});
  arr("pop", {});
  arr("shift", {});
  arr("concat", {7, 8});
  arr("reverse", {});
  arr("slice", {1});
  a.TraceVar("arr.length");
  EXPECT_EQ(RunScript(a, 7), (V{"1", "3", "ana", "ana", "97", "a,b,c", "1-2-3", "3", "1", "2,7,8", "2", "", "1"}));
}

TEST(Arithmetic, BitOperations) {
  Actions a;
  a.Push({12, 10}).Op(Action::BitAnd).Op(Action::Trace);
  a.Push({12, 10}).Op(Action::BitOr).Op(Action::Trace);
  a.Push({12, 10}).Op(Action::BitXor).Op(Action::Trace);
  a.Push({1, 33}).Op(Action::BitLShift).Op(Action::Trace);  // shift counts wrap at 32
  a.Push({-16, 2}).Op(Action::BitRShift).Op(Action::Trace);
  a.Push({-1, 28}).Op(Action::BitURShift).Op(Action::Trace);
  a.Push({4294967296.0 + 3, 0}).Op(Action::BitOr).Op(Action::Trace);
  EXPECT_EQ(RunScript(a), (V{"8", "14", "6", "2", "-4", "15", "3"}));
}
