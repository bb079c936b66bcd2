// Small behaviours movies rely on: how undefined and numbers are written, numeric edge cases, escape and
// unescape, SWF 5 clip event flags, frame labels, Push of an unknown type and WaitForFrame.
#include <gtest/gtest.h>

#include <algorithm>

#include "builtins_script.h"
#include "swfplayer/engine/value.h"

using namespace swfasm;
using namespace swftest;

TEST(FlashDetails, TraceOfUndefinedInEveryVersion) {
  Actions a;
  a.Push({Undefined{}}).Op(Action::Trace);
  a.Push({"nothing"}).Op(Action::GetVariable).Op(Action::Trace);
  a.Push({"", Undefined{}}).Op(Action::Add2).Op(Action::Trace);  // converting to text is what differs
  for (int version : {5, 6}) EXPECT_EQ(RunScript(a, version), (V{"undefined", "undefined", ""})) << version;
  EXPECT_EQ(RunScript(a, 7), (V{"undefined", "undefined", "undefined"}));
}

TEST(FlashDetails, NumberTextHasFifteenDigitsWithTiesAwayFromZero) {
  using swf::NumberToString;
  EXPECT_EQ(NumberToString(4096.000244140625), "4096.00024414063");
  EXPECT_EQ(NumberToString(-4096.000244140625), "-4096.00024414063");
  EXPECT_EQ(NumberToString(999999999999999.5), "1e+15");  // the tie carries into a new digit
  EXPECT_EQ(NumberToString(1.0 / 3), "0.333333333333333");
  EXPECT_EQ(NumberToString(2.0 / 3), "0.666666666666667");
  EXPECT_EQ(NumberToString(0.1 + 0.2), "0.3");
  EXPECT_EQ(NumberToString(1.0000000000000002), "1");
  EXPECT_EQ(NumberToString(123456789012345678.0), "1.23456789012346e+17");
}

TEST(FlashDetails, NumberTextChoosesDecimalFormForExponentsFromMinusFiveToFourteen) {
  using swf::NumberToString;
  EXPECT_EQ(NumberToString(6.103515625e-5), "0.00006103515625");
  EXPECT_EQ(NumberToString(1e-5), "0.00001");
  EXPECT_EQ(NumberToString(-0.000012345), "-0.000012345");
  EXPECT_EQ(NumberToString(9.99e-6), "9.99e-6");
  EXPECT_EQ(NumberToString(-2.5e-7), "-2.5e-7");
  EXPECT_EQ(NumberToString(123456789012345.0), "123456789012345");
  EXPECT_EQ(NumberToString(999999999999999.0), "999999999999999");
  EXPECT_EQ(NumberToString(1e15), "1e+15");
  EXPECT_EQ(NumberToString(1.5e21), "1.5e+21");
  EXPECT_EQ(NumberToString(12.5), "12.5");
  EXPECT_EQ(NumberToString(0.5), "0.5");
  EXPECT_EQ(NumberToString(1e300 * 10), "1e+301");
  EXPECT_EQ(NumberToString(5e-324), "4.94065645841247e-324");
  // Traced numbers use the same text.
  Actions a;
  a.Push({4096.000244140625}).Op(Action::Trace);
  a.Push({0.00006103515625}).Op(Action::Trace);
  EXPECT_EQ(RunScript(a), (V{"4096.00024414063", "0.00006103515625"}));
}

TEST(FlashDetails, ShiftsAndIntegerConversionWrapToThirtyTwoBits) {
  Actions a;
  a.Push({-1, 0}).Op(Action::BitURShift).Op(Action::Trace);
  a.Push({-1, 1}).Op(Action::BitURShift).Op(Action::Trace);
  a.Push({4294967295.0}).Op(Action::ToInteger).Op(Action::Trace);
  a.Push({4294967298.7}).Op(Action::ToInteger).Op(Action::Trace);
  a.Push({-2.9}).Op(Action::ToInteger).Op(Action::Trace);
  a.Push({1, 0}).Op(Action::Divide).Op(Action::ToInteger).Op(Action::Trace);
  a.Push({"x"}).Op(Action::ToInteger).Op(Action::Trace);
  for (int version : {5, 6, 9})
    EXPECT_EQ(RunScript(a, version), (V{"-1", "2147483647", "-1", "2", "-2", "0", "0"})) << version;
  EXPECT_EQ(RunScript(a, 10), (V{"4294967295", "2147483647", "-1", "2", "-2", "0", "0"}));
}

TEST(FlashDetails, HexAndOctalTextFromTheSixthVersion) {
  Actions a;
  for (const char* text : {"0x-10", "-0x10", "0x1f", "010", "-010", "019", "0x", "0x+A"})
    a.Push({text}).Op(Action::ToNumber).Op(Action::Trace);
  EXPECT_EQ(RunScript(a, 6), (V{"-16", "NaN", "31", "8", "-10", "19", "NaN", "10"}));
  EXPECT_EQ(RunScript(a, 7), (V{"-16", "NaN", "31", "8", "-10", "19", "NaN", "10"}));
  EXPECT_EQ(RunScript(a, 5), (V{"NaN", "NaN", "NaN", "10", "-10", "19", "NaN", "NaN"}));
}

TEST(FlashDetails, MathMinOfOneArgumentAndNaNEquality) {
  Actions a;
  TraceMethod(a, "Math", "min", {1});
  TraceMethod(a, "Math", "max", {1});
  TraceMethod(a, "Math", "min", {});
  TraceMethod(a, "Math", "min", {3, 2});
  a.Push({"n", 0, 0}).Op(Action::Divide).Op(Action::SetVariable);
  a.Push({"n"}).Op(Action::GetVariable).Push({"n"}).Op(Action::GetVariable).Op(Action::Equals2).Op(Action::Trace);
  a.Push({"n"}).Op(Action::GetVariable).Push({"n"}).Op(Action::GetVariable).Op(Action::StrictEquals).Op(Action::Trace);
  a.Push({"n"}).Op(Action::GetVariable).Push({"NaN"}).Op(Action::GetVariable).Op(Action::Equals2).Op(Action::Trace);
  a.Push({"n"}).Op(Action::GetVariable).Push({1}).Op(Action::Equals2).Op(Action::Trace);
  EXPECT_EQ(RunScript(a, 6), (V{"NaN", "NaN", "Infinity", "2", "true", "true", "true", "false"}));
}

TEST(FlashDetails, EscapeAndUnescape) {
  Actions a;
  a.Call("escape").Op(Action::Trace);
  a.Call("unescape").Op(Action::Trace);
  a.Call("unescape", {"a+b%zzc%41"}).Op(Action::Trace);  // a bad escape takes the next character with it
  a.Call("unescape", {"%u0041%4"}).Op(Action::Trace);    // no %u form
  a.Call("unescape", {"100%"}).Op(Action::Trace);
  a.Call("unescape", {Undefined{}}).Op(Action::Trace);
  EXPECT_EQ(RunScript(a, 6), (V{"undefined", "undefined", "a bzcA", "0041", "100", ""}));
  EXPECT_EQ(RunScript(a, 7), (V{"undefined", "undefined", "a bzcA", "0041", "100", "undefined"}));
}

namespace {

// PlaceObject2 in the SWF 5 form: 16-bit event flags, here one handler for the given events.
std::vector<uint8_t> PlaceWithShortEvents(uint16_t character, uint16_t depth, uint16_t events, const Actions& code) {
  std::vector<uint8_t> b{0x80 | 0x02};
  auto u16 = [&b](unsigned v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
  };
  u16(depth);
  u16(character);
  u16(0);
  u16(events);
  u16(events);
  std::vector<uint8_t> bytes = code.Bytes();
  u16(static_cast<unsigned>(bytes.size()));
  u16(0);
  b.insert(b.end(), bytes.begin(), bytes.end());
  u16(0);
  return b;
}

}  // namespace

TEST(FlashDetails, ShortClipEventFlagsIncludeInitialize) {
  MovieBuilder m(5);
  Timeline tl;
  tl.Do(Actions().Trace("child frame")).ShowFrame();
  uint16_t sprite = m.DefineSprite(tl);
  m.Main().Tag(26, PlaceWithShortEvents(sprite, 1, 0x0200, Actions().Trace("initialize")));
  m.Main().Tag(26, PlaceWithShortEvents(sprite, 2, 0x0001, Actions().Trace("load")));
  m.Main().ShowFrame();
  V out = Play(m, 1);
  EXPECT_EQ(std::count(out.begin(), out.end(), "initialize"), 1);
  EXPECT_EQ(std::count(out.begin(), out.end(), "load"), 1);
}

TEST(FlashDetails, FramesMayCarrySeveralLabelsFoundInAnyCase) {
  for (int version : {6, 7, 8}) {
    MovieBuilder top(version);
    Timeline clip;
    clip.Do(Actions().Stop()).ShowFrame();
    clip.Label("alpha").Label("Beta").Do(Actions().Trace("two").Stop()).ShowFrame();
    clip.Label("Gamma").Do(Actions().Trace("three").Stop()).ShowFrame();
    uint16_t sprite = top.DefineSprite(clip);
    Actions a;
    for (const char* label : {"gamma", "BETA", "Alpha"}) {
      TraceMethod(a, "c", "gotoAndStop", {label});
      a.TraceVar("c._currentframe");
    }
    top.Main().Place(sprite, 1, {}, "c").Do(a).ShowFrame();
    EXPECT_EQ(Play(top, 1), (V{"undefined", "3", "undefined", "2", "undefined", "2", "three", "two"})) << version;
  }
}

TEST(FlashDetails, GotoLabelActionIgnoresCase) {
  MovieBuilder m(7);
  Timeline clip;
  clip.Do(Actions().Stop()).ShowFrame();
  clip.Label("first").Label("Second").Do(Actions().Stop()).ShowFrame();
  uint16_t sprite = m.DefineSprite(clip);
  Actions a;
  a.SetTarget("c").GotoLabel("SECOND").SetTarget("").TraceVar("c._currentframe");
  a.SetTarget("c").GotoFrame(0).SetTarget("").TraceVar("c._currentframe");
  a.SetTarget("c").GotoLabel("First").SetTarget("").TraceVar("c._currentframe");
  m.Main().Place(sprite, 1, {}, "c").Do(a).ShowFrame();
  EXPECT_EQ(Play(m, 1), (V{"2", "1", "2"}));
}

TEST(FlashDetails, PushOfAnUnknownTypeGivesUndefined) {
  Actions a;
  a.Raw(0x96, {0x07, 5, 0, 0, 0, 0x63, 1, 2, 3});
  a.Op(Action::Trace).Op(Action::Trace);
  a.Trace("next");
  EXPECT_EQ(RunScript(a, 6), (V{"undefined", "5", "next"}));
}

TEST(FlashDetails, WaitForFrameTreatsFramesBeyondTheLimitAsNotLoaded) {
  Actions a;
  a.WaitForFrame(16000, 2).Trace("16000 loaded");
  a.WaitForFrame(16001, 2).Trace("16001 loaded");
  a.Trace("after");
  auto wait2 = [&a](PushValue frame, const char* text) {
    a.Push({frame}).Raw(0x8D, {2}).Trace(text);
  };
  wait2(16001, "second form 16001 loaded");
  wait2(16002, "second form 16002 loaded");
  wait2(16002.5, "second form 16002.5 loaded");
  wait2("label", "second form label loaded");
  a.Trace("end");
  EXPECT_EQ(RunScript(a, 5), (V{"16000 loaded", "after", "second form 16001 loaded", "second form 16002.5 loaded",
                                "second form label loaded", "end"}));
}

TEST(FlashDetails, WaitForFrameSkipsNoFurtherThanTheCode) {
  Actions a;
  a.Trace("before").WaitForFrame(20000, 200);
  EXPECT_EQ(RunScript(a, 5), (V{"before"}));
}

TEST(FlashDetails, GetPropertyTruncatesItsIndex) {
  Actions a;
  a.Push({"", 0, 15}).Op(Action::SetProperty);
  a.Push({"", -0.8}).Op(Action::GetProperty).Op(Action::Trace);
  a.Push({"", 0.9}).Op(Action::GetProperty).Op(Action::Trace);
  a.Push({"", -1}).Op(Action::GetProperty).Op(Action::Trace);
  EXPECT_EQ(RunScript(a, 6), (V{"15", "15", "undefined"}));
}

TEST(FlashDetails, FunctionIsAGlobalFromTheSixthVersion) {
  Actions a;
  a.Push({"Function"}).Op(Action::GetVariable).Op(Action::TypeOf).Op(Action::Trace);
  a.DefineFunction("f", {}, Actions().Push({1}).Op(Action::Return));
  a.Push({0, "f"}).Op(Action::CallFunction).Op(Action::Trace);
  EXPECT_EQ(RunScript(a, 5), (V{"undefined", "1"}));
  EXPECT_EQ(RunScript(a, 6), (V{"function", "1"}));
}
