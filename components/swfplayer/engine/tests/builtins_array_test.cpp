// Array methods, sort and sortOn flags, length and holes: the cases naive engines get wrong.
#include <gtest/gtest.h>

#include "builtins_script.h"

using namespace swfasm;
using namespace swftest;

namespace {

Actions Numbers(const std::string& name, std::vector<PushValue> values) {
  Actions a;
  SetArray(a, name, values);
  return a;
}

}  // namespace

TEST(ArrayMethods, SpliceInAllItsForms) {
  Actions a = Numbers("a", {0, 1, 2, 3, 4, 5});
  TraceMethod(a, "a", "splice", {-2, 1});       // removes 4
  Show(a, "a");
  TraceMethod(a, "a", "splice", {1, 0, "x", "y"});  // inserts, removes nothing
  Show(a, "a");
  TraceMethod(a, "a", "splice", {2, 2, "z"});   // replaces y,1
  Show(a, "a");
  TraceMethod(a, "a", "splice", {3});           // everything from 3 on
  Show(a, "a");
  TraceMethod(a, "a", "splice", {-10, 1});      // a start before the beginning is the beginning
  Show(a, "a");
  EXPECT_EQ(RunScript(a), (V{"4", "0,1,2,3,5", "", "0,x,y,1,2,3,5", "y,1", "0,x,z,2,3,5", "2,3,5", "0,x,z", "0",
                             "x,z"}));
}

TEST(ArrayMethods, SliceCountsNegativeIndexesFromTheEnd) {
  Actions a = Numbers("a", {"a", "b", "c", "d"});
  TraceMethod(a, "a", "slice", {-2});
  TraceMethod(a, "a", "slice", {1, -1});
  TraceMethod(a, "a", "slice", {3, 1});
  TraceMethod(a, "a", "slice", {});
  Show(a, "a");
  EXPECT_EQ(RunScript(a), (V{"c,d", "b,c", "", "a,b,c,d", "a,b,c,d"}));
}

TEST(ArrayMethods, ConcatFlattensOneLevelOnly) {
  Actions a = Numbers("a", {0});
  a.Push({4, 3, 2}).Op(Action::InitArray).Push({2, 2}).Op(Action::InitArray);  // [2, [3, 4]]
  a.Push({1, 2, "a"}).Op(Action::GetVariable).Push({"concat"}).Op(Action::CallMethod);
  Store(a, "b");
  Show(a, "b");
  Show(a, "b.length");
  Show(a, "a");
  EXPECT_EQ(RunScript(a), (V{"0,1,2,3,4", "4", "0"}));
}

TEST(ArrayMethods, StackAndQueueMethodsAndJoin) {
  Actions a = Numbers("a", {1, 2});
  TraceMethod(a, "a", "push", {3, 4});
  TraceMethod(a, "a", "pop");
  TraceMethod(a, "a", "unshift", {0});
  TraceMethod(a, "a", "shift");
  Method(a, "a", "reverse").Op(Action::Pop);
  TraceMethod(a, "a", "join", {" - "});
  TraceMethod(a, "a", "join");
  TraceMethod(a, "a", "toString");
  EXPECT_EQ(RunScript(a), (V{"4", "4", "4", "0", "3 - 2 - 1", "3,2,1", "3,2,1"}));
}

TEST(ArrayMethods, LengthTruncatesAndExtendsAndHolesReadUndefined) {
  Actions a = Numbers("a", {1, 2, 3, 4});
  SetMember(a, "a", "length", 2);
  Show(a, "a");
  SetMember(a, "a", "length", 4);
  Show(a, "a");
  SetMember(a, "a", "6", "x");
  Show(a, "a.length");
  a.Push({"a"}).Op(Action::GetVariable).Push({"5"}).Op(Action::GetMember).Op(Action::TypeOf).Op(Action::Trace);
  SetNew(a, "b", "Array", {3});
  Show(a, "b.length");
  SetNew(a, "c", "Array", {3, 4});
  Show(a, "c");
  SetNew(a, "d", "Array", {"3"});
  Show(a, "d.length");
  EXPECT_EQ(RunScript(a), (V{"1,2", "1,2,,", "7", "undefined", "3", "3,4", "1"}));
}

TEST(ArraySort, DefaultOrderIsByTextAndFlagsChangeIt) {
  Actions a = Numbers("a", {10, 9, 1, 100});
  TraceMethod(a, "a", "sort");
  TraceMethod(a, "a", "sort", {16});       // NUMERIC
  TraceMethod(a, "a", "sort", {16 | 2});   // NUMERIC | DESCENDING
  SetArray(a, "s", {"b", "A", "a", "B"});
  TraceMethod(a, "s", "sort");
  TraceMethod(a, "s", "sort", {1});        // CASEINSENSITIVE; equal ones may change places
  TraceMethod(a, "s", "sort", {1 | 2});
  EXPECT_EQ(RunScript(a), (V{"1,10,100,9", "1,9,10,100", "100,10,9,1", "A,B,a,b", "a,A,B,b", "B,b,A,a"}));
}

TEST(ArraySort, UniqueSortFailsWithZeroAndLeavesTheArray) {
  Actions a = Numbers("a", {3, 1, 3});
  TraceMethod(a, "a", "sort", {4});
  Show(a, "a");
  SetArray(a, "b", {"B", "a", "b"});
  TraceMethod(a, "b", "sort", {4 | 1});  // equal when the case is ignored
  Show(a, "b");
  TraceMethod(a, "b", "sort", {4});
  EXPECT_EQ(RunScript(a), (V{"0", "3,1,3", "0", "B,a,b", "B,a,b"}));
}

TEST(ArraySort, ReturnIndexedArrayLeavesTheArrayAlone) {
  Actions a = Numbers("a", {30, 10, 20, 5});
  TraceMethod(a, "a", "sort", {8 | 16});
  Show(a, "a");
  TraceMethod(a, "a", "sort", {8 | 16 | 2});
  EXPECT_EQ(RunScript(a), (V{"3,1,2,0", "30,10,20,5", "0,2,1,3"}));
}

TEST(ArraySort, ConstantsOnTheConstructorAreFixed) {
  Actions a;
  for (const char* c : {"CASEINSENSITIVE", "DESCENDING", "UNIQUESORT", "RETURNINDEXEDARRAY", "NUMERIC"})
    Show(a, std::string("Array.") + c);
  a.Push({"Array.NUMERIC", 1}).Op(Action::SetVariable);
  Show(a, "Array.NUMERIC");
  EXPECT_EQ(RunScript(a), (V{"1", "2", "4", "8", "16", "16"}));
}

TEST(ArraySort, CompareFunctionDecidesAndFlagsStillApply) {
  Actions a = Numbers("a", {3, 11, 2});
  Actions desc;
  desc.Push({"b"}).Op(Action::GetVariable).Push({"a"}).Op(Action::GetVariable).Op(Action::Subtract).Op(Action::Return);
  a.DefineFunction("desc", {"a", "b"}, desc);
  a.Push({"desc"}).Op(Action::GetVariable).Push({1, "a"}).Op(Action::GetVariable).Push({"sort"}).Op(Action::CallMethod);
  a.Op(Action::Trace);
  a.Push({2, "desc"}).Op(Action::GetVariable).Push({2, "a"}).Op(Action::GetVariable).Push({"sort"});
  a.Op(Action::CallMethod).Op(Action::Trace);  // DESCENDING reverses what the function says
  EXPECT_EQ(RunScript(a), (V{"11,3,2", "2,3,11"}));
}

TEST(ArraySort, InconsistentCompareFunctionKeepsEveryElement) {
  Actions a;
  Actions body;
  body.Push({3, 1, "Math"}).Op(Action::GetVariable).Push({"random"}).Op(Action::CallMethod);
  body.Push({0.5}).Op(Action::Subtract).Op(Action::Return);
  a.DefineFunction("coin", {"a", "b"}, body);
  SetArray(a, "a", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17});
  a.Push({"coin"}).Op(Action::GetVariable).Push({1, "a"}).Op(Action::GetVariable).Push({"sort"}).Op(Action::CallMethod);
  a.Op(Action::Pop);
  TraceMethod(a, "a", "sort", {16});
  EXPECT_EQ(RunScript(a), (V{"1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17"}));
}

TEST(ArraySortOn, OneFieldSeveralFieldsAndFlagsPerField) {
  Actions a;
  Obj(a, {{"name", "cat"}, {"age", 3}});
  Obj(a, {{"name", "ant"}, {"age", 10}});
  Obj(a, {{"name", "bee"}, {"age", 3}});
  Obj(a, {{"name", "ant"}, {"age", 2}});
  a.Push({4}).Op(Action::InitArray);  // ant2, bee3, ant10, cat3
  Store(a, "z");
  auto names = [&](Actions& b) {
    for (int i = 0; i < 4; ++i) {
      b.Push({"z"}).Op(Action::GetVariable).Push({i}).Op(Action::GetMember).Push({"name"}).Op(Action::GetMember);
      b.Push({"z"}).Op(Action::GetVariable).Push({i}).Op(Action::GetMember).Push({"age"}).Op(Action::GetMember);
      b.Op(Action::StringAdd);
      if (i) b.Op(Action::StringAdd);
      if (i < 3) b.Push({" "}).Op(Action::StringAdd);
    }
    b.Op(Action::Trace);
  };
  Method(a, "z", "sortOn", {"age"}).Op(Action::Pop);  // by text: 10 before 2
  names(a);
  Method(a, "z", "sortOn", {"age", 16}).Op(Action::Pop);
  names(a);
  // ["name", "age"] with [DESCENDING, NUMERIC]
  a.Push({16, 2, 2}).Op(Action::InitArray).Push({"age", "name", 2}).Op(Action::InitArray);
  a.Push({2, "z"}).Op(Action::GetVariable).Push({"sortOn"}).Op(Action::CallMethod).Op(Action::Pop);
  names(a);
  EXPECT_EQ(RunScript(a), (V{"ant10 ant2 bee3 cat3", "ant2 bee3 cat3 ant10", "cat3 bee3 ant2 ant10"}));
}

TEST(ArraySortOn, IndexedAndUniqueForms) {
  Actions a;
  Obj(a, {{"k", 2}});
  Obj(a, {{"k", 1}});
  Obj(a, {{"k", 3}});
  a.Push({3}).Op(Action::InitArray);
  Store(a, "z");
  TraceMethod(a, "z", "sortOn", {"k", 8 | 16});
  TraceMethod(a, "z", "sortOn", {"missing", 4});  // every key is undefined, so all are equal
  EXPECT_EQ(RunScript(a), (V{"1,2,0", "0"}));
}
