// Conversion rules and the object store.
#include <gtest/gtest.h>

#include <cmath>

#include "swfplayer/engine/value.h"

using namespace swf;

TEST(NumberToString, FollowsThePlayersFormat) {
  EXPECT_EQ(NumberToString(5), "5");
  EXPECT_EQ(NumberToString(-3), "-3");
  EXPECT_EQ(NumberToString(-0.0), "0");
  EXPECT_EQ(NumberToString(0.5), "0.5");
  EXPECT_EQ(NumberToString(1.0 / 3), "0.333333333333333");
  EXPECT_EQ(NumberToString(0.1 + 0.2), "0.3");
  EXPECT_EQ(NumberToString(1e21), "1e+21");
  EXPECT_EQ(NumberToString(1e-7), "1e-7");
  EXPECT_EQ(NumberToString(123456789012345.0), "123456789012345");
  EXPECT_EQ(NumberToString(1e15), "1e+15");
  EXPECT_EQ(NumberToString(std::nan("")), "NaN");
  EXPECT_EQ(NumberToString(INFINITY), "Infinity");
  EXPECT_EQ(NumberToString(-INFINITY), "-Infinity");
}

TEST(StringToNumber, AcceptsOnlyWholeNumbers) {
  EXPECT_EQ(StringToNumber("42", 6), 42);
  EXPECT_EQ(StringToNumber("  -1.5e2 ", 6), -150);
  EXPECT_EQ(StringToNumber("0x1F", 6), 31);
  EXPECT_EQ(StringToNumber(".5", 6), 0.5);
  EXPECT_TRUE(std::isnan(StringToNumber("", 6)));
  EXPECT_TRUE(std::isnan(StringToNumber("12abc", 6)));
  EXPECT_TRUE(std::isnan(StringToNumber("abc", 6)));
  EXPECT_TRUE(std::isnan(StringToNumber("inf", 6)));
  // Movies of the fourth version read anything that is not a number as 0.
  EXPECT_EQ(StringToNumber("abc", 4), 0);
  EXPECT_EQ(StringToNumber("", 4), 0);
}

TEST(Conversions, UndefinedDependsOnVersion) {
  EXPECT_EQ(ToString(Value(), 6), "");
  EXPECT_EQ(ToString(Value(), 7), "undefined");
  EXPECT_EQ(ToNumber(Value(), 6), 0);
  EXPECT_TRUE(std::isnan(ToNumber(Value(), 7)));
  EXPECT_EQ(ToString(Value::Null(), 6), "null");
  EXPECT_EQ(ToString(Value(true), 6), "true");
}

TEST(Conversions, StringTruthChangedInVersion7) {
  EXPECT_FALSE(ToBoolean(Value("abc"), 6));
  EXPECT_TRUE(ToBoolean(Value("1"), 6));
  EXPECT_FALSE(ToBoolean(Value("0"), 6));
  EXPECT_TRUE(ToBoolean(Value("abc"), 7));
  EXPECT_TRUE(ToBoolean(Value("0"), 7));
  EXPECT_FALSE(ToBoolean(Value(""), 7));
  EXPECT_FALSE(ToBoolean(Value(std::nan("")), 7));
}

TEST(Conversions, ToInt32Wraps) {
  EXPECT_EQ(ToInt32(4294967296.0 + 5), 5);
  EXPECT_EQ(ToInt32(-1), -1);
  EXPECT_EQ(ToInt32(2147483648.0), INT32_MIN);
  EXPECT_EQ(ToInt32(std::nan("")), 0);
}

TEST(Objects, CaseFoldingFollowsTheHeap) {
  Heap insensitive(false);
  Object* o = insensitive.Make<Object>(nullptr);
  o->Set("Foo", Value(1));
  Value v;
  EXPECT_TRUE(o->Get("foo", v));
  EXPECT_EQ(o->Keys(), std::vector<std::string>{"Foo"});
  Heap sensitive(true);
  Object* p = sensitive.Make<Object>(nullptr);
  p->Set("Foo", Value(1));
  EXPECT_FALSE(p->Get("foo", v));
}

TEST(Objects, PrototypeChainAndCycles) {
  Heap h;
  Object* base = h.Make<Object>(nullptr);
  Object* derived = h.Make<Object>(base);
  base->Set("x", Value(7));
  Value v;
  ASSERT_TRUE(derived->Get("x", v));
  EXPECT_EQ(v.AsNumber(), 7);
  base->SetProto(derived);  // a cycle a script could make
  EXPECT_FALSE(derived->Get("missing", v));
}

TEST(Objects, ArrayLengthFollowsIndices) {
  Heap h;
  auto* a = h.Make<ArrayObject>(nullptr);
  a->Set("3", Value("x"));
  Value len;
  a->Get("length", len);
  EXPECT_EQ(len.AsNumber(), 4);
  a->Set("length", Value(1));
  EXPECT_EQ(a->elements.size(), 1u);
  a->Set("99999999", Value(1));  // beyond the bound: ignored
  EXPECT_EQ(a->elements.size(), 1u);
}

TEST(Heap, CollectKeepsReachableCyclesAndFreesTheRest) {
  Heap h;
  Object* root = h.Make<Object>(nullptr);
  Object* a = h.Make<Object>(nullptr);
  Object* b = h.Make<Object>(nullptr);
  root->Set("a", Value(a));
  a->Set("b", Value(b));
  b->Set("a", Value(a));
  Object* lost1 = h.Make<Object>(nullptr);
  Object* lost2 = h.Make<Object>(nullptr);
  lost1->Set("x", Value(lost2));
  lost2->Set("x", Value(lost1));
  EXPECT_EQ(h.Count(), 5u);
  h.Collect({root});
  EXPECT_EQ(h.Count(), 3u);
}
