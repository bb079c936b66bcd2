// Variable and target paths: where a path splits, which scope its left part resolves on, and which names count
// where; the case rules of names per version.
#include <gtest/gtest.h>

#include "builtins_script.h"

using namespace swfasm;
using namespace swftest;

namespace {

// clip.member = value, clip reached from the root by plain member steps (no path parsing involved).
Actions& Put(Actions& a, const std::vector<std::string>& clip, const std::string& member, PushValue value) {
  a.Push({"_root"}).Op(Action::GetVariable);
  for (const std::string& step : clip) a.Push({step}).Op(Action::GetMember);
  return a.Push({PushValue(member), value}).Op(Action::SetMember);
}

// A movie whose root holds clip "a" (depth 1) holding clip "b"; the root's second frame runs the code after
// giving rv, av and bv to the root, a and b.
MovieBuilder Nested(const Actions& code, int version = 6) {
  MovieBuilder m(version);
  Timeline inner;
  inner.ShowFrame();
  uint16_t b = m.DefineSprite(inner);
  Timeline outer;
  outer.Place(b, 1, {}, "b").ShowFrame();
  uint16_t a = m.DefineSprite(outer);
  m.Main().Place(a, 1, {}, "a").ShowFrame();
  Actions setup;
  Put(setup, {}, "rv", "root v");
  Put(setup, {"a"}, "av", "a v");
  Put(setup, {"a", "b"}, "bv", "b v");
  m.Main().Do(setup).Do(code).Do(Actions().Stop()).ShowFrame();
  return m;
}

V RunNested(const Actions& code, int version = 6) { return Play(Nested(code, version), 2); }

Actions Traces(const std::vector<std::string>& vars) {
  Actions a;
  for (const std::string& v : vars) a.TraceVar(v);
  return a;
}

}  // namespace

TEST(FlashPaths, VariablePathsSplitAtTheLastColonOrDot) {
  EXPECT_EQ(RunNested(Traces({"a/b:bv", "/a/b:bv", "a.b.bv", "_root.a.b.bv", "a/b.bv", "a:av", "_level0.a.av"})),
            (V{"b v", "b v", "b v", "b v", "b v", "a v", "a v"}));
  // A slash path without a variable part is the clip itself.
  EXPECT_EQ(RunNested(Traces({"a/b", "/a", "a/b/"})), (V{"_level0.a.b", "_level0.a", "_level0.a.b"}));
}

TEST(FlashPaths, AnEmptySegmentOrAMissingClipGivesUndefined) {
  EXPECT_EQ(RunNested(Traces({"a/b//:bv", "a//b:bv", "a/nothing:bv", "a/b//", "a.nothing.bv", "nothing:rv"})),
            (V{"undefined", "undefined", "undefined", "undefined", "undefined", "undefined"}));
  // The same from inside b, where ../ climbs.
  MovieBuilder m(6);
  Timeline inner;
  inner.Do(Traces({"../:av", "../../:rv", "../b:bv", "../a/b//:v", "../../a/b//:bv"})).ShowFrame();
  uint16_t b = m.DefineSprite(inner);
  Timeline outer;
  outer.Do(Actions().Set("av", "a v")).Place(b, 1, {}, "b").ShowFrame();
  uint16_t a = m.DefineSprite(outer);
  m.Main().Do(Actions().Set("rv", "root v")).Place(a, 1, {}, "a").ShowFrame();
  V traces = Play(m, 1);
  EXPECT_EQ(traces, (V{"a v", "root v", "undefined", "undefined", "undefined"}));
}

TEST(FlashPaths, RootThisAndLevelsCountOnlyAsTheFirstSegment) {
  EXPECT_EQ(RunNested(Traces({"this.a.av", "_root:rv", "a._root.rv", "a/_root:rv", "a.this.av", "a._level0.rv",
                              "_level1:rv", "a._parent.rv", "a/b/_parent:av"})),
            (V{"a v", "root v", "undefined", "undefined", "undefined", "undefined", "undefined", "root v", "a v"}));
}

TEST(FlashPaths, ChildClipsComeBeforeVariablesOfTheSameName) {
  Actions a;
  Put(a, {}, "a", "a variable of the root");
  Put(a, {"a"}, "b", "a variable of a");
  a.TraceVar("a.b._name").TraceVar("a/b:_name").TraceVar("a._name").TraceVar("a.b.bv");
  EXPECT_EQ(RunNested(a), (V{"b", "b", "a", "b v"}));
}

TEST(FlashPaths, TheLeftPartResolvesOnEachScopeInTurn) {
  // Inside f, the local a is an object without av, so a.av comes from the clip a of the timeline; a local
  // object that has the member wins.
  Actions body;
  body.Push({"a"}).Push({0}).Op(Action::InitObject).Op(Action::DefineLocal);
  body.TraceVar("a.av").TraceVar("a:av");
  body.Push({"o", "av", "o's own", 1}).Op(Action::InitObject).Op(Action::DefineLocal);
  body.TraceVar("o.av");
  Actions a;
  a.DefineFunction("f", {}, body).Call("f").Op(Action::Pop);
  EXPECT_EQ(RunNested(a, 6), (V{"a v", "a v", "o's own"}));
}

TEST(FlashPaths, SetVariableWritesWhereThePathLeadsOrNowhere) {
  Actions a;
  a.Set("a/b:w", "slash").Set("a.b.x", "dot").Set("a/b//:y", "lost").Set("a._root.z", "lost");
  a.Set("a.nothing.z", "lost");
  a.Push({"a"}).Op(Action::GetVariable).Push({"b"}).Op(Action::GetMember).StoreRegister(1).Op(Action::Pop);
  for (const char* n : {"w", "x", "y"}) a.Push({Register{1}, n}).Op(Action::GetMember).Op(Action::Trace);
  a.TraceVar("z").TraceVar("_root.z");
  EXPECT_EQ(RunNested(a), (V{"slash", "dot", "undefined", "undefined", "undefined"}));
}

TEST(FlashPaths, TellTargetAndPropertiesFollowTheSameRules) {
  Actions a;
  a.SetTarget("a/b").TraceVar("bv").SetTarget("");
  a.SetTarget("a.b").TraceVar("_name").SetTarget("");
  // Paths that name nothing leave variables on the root.
  a.SetTarget("a//b").TraceVar("_name").SetTarget("");
  a.SetTarget("a._root.a").TraceVar("_name").SetTarget("");
  a.Push({"a/b//"}).Op(Action::SetTarget2).TraceVar("_name").SetTarget("");
  a.Push({"_root.a.b"}).Op(Action::SetTarget2).TraceVar("_name").SetTarget("");
  a.Push({"a/b", 13}).Op(Action::GetProperty).Op(Action::Trace);
  a.Push({"a/b//", 13}).Op(Action::GetProperty).Op(Action::Trace);
  a.Push({"a._root.a", 13}).Op(Action::GetProperty).Op(Action::Trace);
  EXPECT_EQ(RunNested(a), (V{"b v", "b", "", "", "", "b", "b", "undefined", "undefined"}));
}

TEST(FlashPaths, TheFourthVersionSplitsOnlyAtColons) {
  Actions a;
  a.Set("a.av", "a dotted name").TraceVar("a.av").TraceVar("a:av").TraceVar("a/b:bv");
  EXPECT_EQ(RunNested(a, 4), (V{"a dotted name", "a v", "b v"}));
}

namespace {

// Names written in another case: variables, members of built-ins, clip names in paths, properties, classes.
Actions OtherCase() {
  Actions a;
  SetArray(a, "arr", {1, 2, 3});
  SetNew(a, "str", "String", {"abc"});
  a.TraceVar("ARR.LENGTH").TraceVar("Str.Length").TraceVar("A/B:BV").TraceVar("_ROOT.A._NAME").TraceVar("a._X");
  a.TraceVar("MATH.PI").TraceVar("RV");
  // Writing the length in another case shortens the array.
  a.Push({"arr"}).Op(Action::GetVariable).Push({"Length", 1}).Op(Action::SetMember);
  a.Push({"arr"}).Op(Action::GetVariable).Push({"length"}).Op(Action::GetMember).Op(Action::Trace);
  return a;
}

}  // namespace

TEST(FlashCase, NamesIgnoreCaseUpToTheSixthVersionOnly) {
  EXPECT_EQ(RunNested(OtherCase(), 6), (V{"3", "3", "b v", "a", "0", "3.14159265358979", "root v", "1"}));
  EXPECT_EQ(RunNested(OtherCase(), 7), (V{"undefined", "undefined", "undefined", "undefined", "undefined",
                                          "undefined", "undefined", "3"}));
}

namespace {

// o.a .. o.e, each with one version flag set by ASSetPropFlags, traced; then a for..in over o.
Actions VersionFlags() {
  Actions a;
  Obj(a, {{"a", "a"}, {"b", "b"}, {"c", "c"}, {"d", "d"}, {"e", "e"}});
  Store(a, "o");
  const std::pair<const char*, int> flags[] = {{"a", 0x80}, {"b", 0x100}, {"c", 0x400}, {"d", 0x1000}, {"e", 0x2000}};
  for (auto& [name, flag] : flags) {
    a.Push({0, flag, name}).Push({"o"}).Op(Action::GetVariable).Push({4, "ASSetPropFlags"});
    a.Op(Action::CallFunction).Op(Action::Pop);
  }
  for (const char* name : {"o.a", "o.b", "o.c", "o.d", "o.e"}) a.TraceVar(name);
  TraceKeys(a, "o", "keys");
  return a;
}

}  // namespace

TEST(FlashVersionFlags, ASSetPropFlagsHidesPropertiesFromVersions) {
  EXPECT_EQ(RunScript(VersionFlags(), 5), (V{"undefined", "b", "undefined", "undefined", "undefined", "b"}));
  EXPECT_EQ(RunScript(VersionFlags(), 6), (V{"a", "undefined", "undefined", "undefined", "undefined", "a"}));
  EXPECT_EQ(RunScript(VersionFlags(), 7), (V{"a", "b", "c", "undefined", "undefined", "abc"}));
  EXPECT_EQ(RunScript(VersionFlags(), 8), (V{"a", "b", "c", "d", "undefined", "abcd"}));
}

TEST(FlashVersionFlags, HiddenPropertiesComeBackWhenTheFlagIsClearedAndGiveWayToTheMoviesOwn) {
  Actions a;
  Obj(a, {{"a", "a"}, {"b", "b"}});
  Store(a, "o");
  a.Push({0, 0x400, "a,b"}).Push({"o"}).Op(Action::GetVariable).Push({4, "ASSetPropFlags"});
  a.Op(Action::CallFunction).Op(Action::Pop);
  Method(a, "o", "hasOwnProperty", {"a"}).Op(Action::Trace);
  // Cleared again, a is back; b is written over by the movie and stays.
  a.Push({0x400, 0, "a"}).Push({"o"}).Op(Action::GetVariable).Push({4, "ASSetPropFlags"});
  a.Op(Action::CallFunction).Op(Action::Pop);
  SetMember(a, "o", "b", "the movie's b");
  a.TraceVar("o.a").TraceVar("o.b");
  EXPECT_EQ(RunScript(a, 6), (V{"false", "a", "the movie's b"}));
}

TEST(FlashVersionFlags, BuiltInsOfLaterVersionsAreMissingFromEarlierMovies) {
  Actions a;
  for (const char* name : {"Object.prototype.watch", "Object.prototype.addProperty", "Function.prototype.call",
                           "Object.registerClass", "_root.createEmptyMovieClip", "_root.getNextHighestDepth",
                           "Function"})
    a.Push({name}).Op(Action::GetVariable).Op(Action::TypeOf).Op(Action::Trace);
  EXPECT_EQ(RunScript(a, 5), (V{"undefined", "undefined", "undefined", "undefined", "undefined", "undefined",
                                "undefined"}));
  EXPECT_EQ(RunScript(a, 6), (V{"function", "function", "function", "function", "function", "undefined",
                                "function"}));
  EXPECT_EQ(RunScript(a, 7), (V{"function", "function", "function", "function", "function", "function",
                                "function"}));
  // A fifth-version movie may define its own.
  Actions own;
  own.Push({"Object.prototype.watch", "mine"}).Op(Action::SetVariable).TraceVar("Object.prototype.watch");
  EXPECT_EQ(RunScript(own, 5), (V{"mine"}));
}

namespace {

// a.sort(f) with f tracing "x,y" for each comparison; then the sorted array.
Actions TracedSort(const std::vector<PushValue>& values, int flags = -1) {
  Actions compare;
  compare.Push({"x"}).Op(Action::GetVariable).Push({","}).Op(Action::Add2).Push({"y"}).Op(Action::GetVariable);
  compare.Op(Action::Add2).Op(Action::Trace);
  compare.Push({"x"}).Op(Action::GetVariable).Push({"y"}).Op(Action::GetVariable).Op(Action::Subtract);
  compare.Op(Action::Return);
  Actions a;
  SetArray(a, "a", values);
  a.DefineFunction("byNumber", {"x", "y"}, compare);
  if (flags >= 0) a.Push({flags});
  a.Push({"byNumber"}).Op(Action::GetVariable).Push({flags >= 0 ? 2 : 1, "a"}).Op(Action::GetVariable);
  a.Push({"sort"}).Op(Action::CallMethod).Op(Action::Pop).TraceVar("a");
  return a;
}

}  // namespace

TEST(FlashArraySort, ComparesInTheQuicksortsOrder) {
  // The middle element is the pivot; the two scans meet, the pivot goes between the parts, the three left
  // are ordered directly.
  EXPECT_EQ(RunScript(TracedSort({5, 3, 4, 1, 2})),
            (V{"3,4", "5,4", "2,4", "1,4", "5,4", "1,4", "1,3", "3,2", "1,2", "1,2,3,4,5"}));
  EXPECT_EQ(RunScript(TracedSort({3, 1, 2})), (V{"3,1", "3,2", "1,2", "1,2,3"}));
  // DESCENDING turns each answer round; the comparisons stay the same.
  EXPECT_EQ(RunScript(TracedSort({1, 3, 2}, 2)), (V{"1,3", "1,2", "3,2", "3,2,1"}));

  // Mostly equal elements: splits leave nearly everything on one side, and the sort finishes another way.
  Actions a;
  a.Push({"a", 0}).Op(Action::InitArray).Op(Action::SetVariable);
  a.Push({"i", 0}).Op(Action::SetVariable).Label("fill");
  a.Push({"a"}).Op(Action::GetVariable).Push({"i"}).Op(Action::GetVariable);
  a.Push({"i"}).Op(Action::GetVariable).Push({7}).Op(Action::Modulo).Push({3}).Op(Action::Less2);
  a.Op(Action::SetMember);
  a.Push({"i", "i"}).Op(Action::GetVariable).Op(Action::Increment).Op(Action::SetVariable);
  a.Push({"i"}).Op(Action::GetVariable).Push({3000}).Op(Action::Less2).If("fill");
  Method(a, "a", "sort").Op(Action::Pop);
  a.TraceVar("a.0").TraceVar("a.1712").TraceVar("a.1713").TraceVar("a.2999").TraceVar("a.length");
  EXPECT_EQ(RunScript(a), (V{"false", "false", "true", "true", "3000"}));
}

TEST(FlashChildNames, OfChildrenSharingANameTheLowestDepthAnswers) {
  MovieBuilder m(6);
  Timeline first, second;
  first.Do(Actions().Set("id", "A")).ShowFrame();
  second.Do(Actions().Set("id", "B")).ShowFrame();
  uint16_t a = m.DefineSprite(first), b = m.DefineSprite(second);
  m.Main().Place(a, 5, {}, "twin").Place(b, 3, {}, "twin").ShowFrame();
  Actions code;
  code.TraceVar("twin.id");
  // A script clip of the same name lies above both.
  Method(code, "_root", "createEmptyMovieClip", {"twin", 0}).Push({"id", "C"}).Op(Action::SetMember);
  code.TraceVar("twin.id");
  // Renamed, B no longer answers; moved above C, A no longer comes first.
  code.Push({"twin", 13, "renamed"}).Op(Action::SetProperty);
  code.TraceVar("twin.id").TraceVar("renamed.id").TraceVar("TWIN.id");
  Method(code, "twin", "swapDepths", {20000}).Op(Action::Pop);
  code.TraceVar("twin.id");
  Method(code, "twin", "removeMovieClip").Op(Action::Pop);
  code.TraceVar("twin.id");
  // Named back, B is the lowest again.
  code.Push({"renamed", 13, "Twin"}).Op(Action::SetProperty).TraceVar("twin.id");
  m.Main().Do(code).Do(Actions().Stop()).ShowFrame();
  EXPECT_EQ(Play(m, 2), (V{"B", "B", "A", "B", "A", "C", "A", "B"}));
}
