// How text, numbers and display properties differ between movie versions: string data as code-page bytes
// before the sixth version and UTF-16 units from it, the fourth version's numbers and booleans, and display
// properties that read back what was written.
#include <gtest/gtest.h>

#include "builtins_script.h"

using namespace swfasm;
using namespace swftest;

namespace {
const char* const kEAcuteByte = "caf\xE9";          // "café" as a Latin-1 byte string
const char* const kEmoji = "x\xF0\x9F\x98\x80y";    // x, U+1F600, y in UTF-8
}  // namespace

TEST(FlashVersions, FifthVersionStringsAreCodePageBytes) {
  Actions a;
  a.Push({kEAcuteByte}).Op(Action::Trace);
  a.Push({kEAcuteByte}).Op(Action::StringLength).Op(Action::Trace);
  a.Push({kEAcuteByte}).Op(Action::MBStringLength).Op(Action::Trace);
  a.Push({kEAcuteByte, 4, 1}).Op(Action::StringExtract).Op(Action::Trace);
  a.Push({"\xE9t\xE9"}).Op(Action::CharToAscii).Op(Action::Trace);
  a.Push({233}).Op(Action::AsciiToChar).Op(Action::Trace);
  a.Push({321}).Op(Action::AsciiToChar).Op(Action::Trace);  // taken mod 256
  a.Push({300}).Op(Action::MBAsciiToChar).Op(Action::StringLength).Op(Action::Trace);
  a.Push({300}).Op(Action::MBAsciiToChar).Op(Action::CharToAscii).Op(Action::Trace);
  a.Push({65}).Op(Action::MBAsciiToChar).Op(Action::Trace);
  // UTF-8 written into such a movie is two bytes for two characters.
  a.Push({"\xC3\xA9"}).Op(Action::StringLength).Op(Action::Trace);
  a.Push({"\xC3\xA9"}).Op(Action::Trace);
  a.Push({kEAcuteByte}).Push({"length"}).Op(Action::GetMember).Op(Action::Trace);
  a.Set("s", kEAcuteByte);
  Method(a, "s", "charCodeAt", {3}).Op(Action::Trace);
  EXPECT_EQ(RunScript(a, 5), (V{"café", "4", "4", "é", "233", "é", "A", "2", "1", "A", "2", "Ã©", "4", "233"}));
}

TEST(FlashVersions, FifthVersionNamesAndLabelsAreCodePageBytes) {
  MovieBuilder m(5);
  Timeline clip;
  clip.Do(Actions().Stop()).ShowFrame();
  clip.Label("z\xE9ro").Do(Actions().Trace("labelled").Stop()).ShowFrame();
  uint16_t sprite = m.DefineSprite(clip);
  Actions a;
  a.SetTarget("\xE9t\xE9").GotoLabel("z\xE9ro").SetTarget("");
  a.Push({"\xE9t\xE9"}).Op(Action::GetVariable).Op(Action::TargetPath).Op(Action::Trace);
  m.Main().Place(sprite, 1, {}, "\xE9t\xE9").Do(a).ShowFrame();
  EXPECT_EQ(Play(m, 1), (V{"_level0.été", "labelled"}));
}

TEST(FlashVersions, SixthVersionStringsAreUtf16Units) {
  Actions a;
  a.Push({kEmoji}).Op(Action::StringLength).Op(Action::Trace);
  a.Push({kEmoji}).Op(Action::MBStringLength).Op(Action::Trace);
  a.Push({kEmoji}).Push({"length"}).Op(Action::GetMember).Op(Action::Trace);
  a.Push({kEmoji, 2, 2}).Op(Action::StringExtract).Op(Action::Trace);
  a.Push({kEmoji, 4, 1}).Op(Action::StringExtract).Op(Action::Trace);
  a.Set("s", kEmoji);
  Method(a, "s", "charCodeAt", {1}).Op(Action::Trace);
  Method(a, "s", "charCodeAt", {2}).Op(Action::Trace);
  Method(a, "s", "substr", {1, 2}).Op(Action::Trace);
  a.Push({65601}).Op(Action::AsciiToChar).Op(Action::Trace);  // taken mod 65536
  a.Push({0xD800}).Op(Action::AsciiToChar).Op(Action::CharToAscii).Op(Action::Trace);
  a.Push({0xDC00}).Op(Action::MBAsciiToChar).Op(Action::MBCharToAscii).Op(Action::Trace);
  a.Push({300}).Op(Action::MBAsciiToChar).Op(Action::Trace);
  a.Push({"\xC3\xA9"}).Op(Action::CharToAscii).Op(Action::Trace);
  // A String object counts as its text does.
  a.Push({"boxed", kEmoji, 1, "String"}).Op(Action::NewObject).Op(Action::SetVariable).TraceVar("boxed.length");
  EXPECT_EQ(RunScript(a, 6), (V{"4", "4", "4", "\xF0\x9F\x98\x80", "y", "55357", "56832", "\xF0\x9F\x98\x80", "A",
                                "65533", "65533", "\xC4\xAC", "233", "4"}));
}

TEST(FlashVersions, InvalidUtf8StringDataReadsAsEmpty) {
  Actions a;
  a.ConstantPool({"ok", "bad\xFF", "\xC3"});
  a.Push({"a\xFF" "b"}).Op(Action::Trace);
  a.Push({"a\xFF" "b"}).Op(Action::StringLength).Op(Action::Trace);
  a.Push({"\xC0\x80"}).Op(Action::StringLength).Op(Action::Trace);      // an overlong form is not valid either
  a.Push({"\xED\xA0\x80"}).Op(Action::StringLength).Op(Action::Trace);  // nor an encoded surrogate
  a.Push({Constant{0}}).Op(Action::Trace);
  a.Push({Constant{1}}).Op(Action::StringLength).Op(Action::Trace);
  a.Push({Constant{2}}).Op(Action::StringLength).Op(Action::Trace);
  a.Push({"\xE2\x82\xAC"}).Op(Action::StringLength).Op(Action::Trace);
  EXPECT_EQ(RunScript(a, 6), (V{"", "0", "0", "0", "ok", "0", "0", "1"}));
}

TEST(FlashVersions, FourthVersionHasNoNaNOrInfinityGlobals) {
  Actions a;
  a.TraceVar("NaN").TraceVar("Infinity");
  a.Push({"NaN"}).Op(Action::GetVariable).Push({"x"}).Op(Action::StringAdd).Op(Action::Trace);
  EXPECT_EQ(RunScript(a, 4), (V{"undefined", "undefined", "x"}));
  EXPECT_EQ(RunScript(a, 5), (V{"NaN", "Infinity", "NaNx"}));
}

TEST(FlashVersions, FourthVersionReadsTheLongestNumericPrefix) {
  Actions a;
  for (const char* text : {"12.34A", "abc", " 7 apples", "-.5z", "1e3x", "1e+", "12.", ".", "+-1", "0x10", ""})
    a.Push({text, 0}).Op(Action::Add).Op(Action::Trace);
  EXPECT_EQ(RunScript(a, 4), (V{"12.34", "0", "7", "-0.5", "1000", "1", "12", "0", "0", "0", "0"}));
}

TEST(FlashVersions, FourthVersionComparisonsAndLogicGiveOneAndZero) {
  Actions a;
  a.Push({1, 2}).Op(Action::Less).Op(Action::Trace);
  a.Push({1, 2}).Op(Action::Equals).Op(Action::Trace);
  a.Push({"a", "a"}).Op(Action::StringEquals).Op(Action::Trace);
  a.Push({"a", "b"}).Op(Action::StringLess).Op(Action::Trace);
  a.Push({1, 0}).Op(Action::And).Op(Action::Trace);
  a.Push({1, 0}).Op(Action::Or).Op(Action::Trace);
  a.Push({1}).Op(Action::Not).Op(Action::Trace);
  a.Push({true}).Op(Action::Trace);
  a.Push({true, "x"}).Op(Action::StringAdd).Op(Action::Trace);
  // Booleans made by functions (which follow the fifth version's rules) still print as numbers here.
  a.DefineFunction("yes", {}, Actions().Push({1, 1}).Op(Action::Equals2).Op(Action::Return));
  a.Push({0, "yes"}).Op(Action::CallFunction).Op(Action::Trace);
  a.Push({0, "yes"}).Op(Action::CallFunction).Push({"!"}).Op(Action::StringAdd).Op(Action::Trace);
  EXPECT_EQ(RunScript(a, 4), (V{"1", "0", "1", "1", "0", "1", "0", "1", "1x", "1", "1!"}));
}

TEST(FlashVersions, FunctionsOfFourthVersionMoviesFollowFifthVersionRules) {
  Actions body;
  body.Push({4, 0}).Op(Action::Divide).Op(Action::Trace);
  body.Push({"12.34A"}).Op(Action::ToNumber).Op(Action::Trace);
  Actions a;
  a.DefineFunction("f", {}, body);
  a.Push({0, "f"}).Op(Action::CallFunction).Op(Action::Pop);
  a.Push({4, 0}).Op(Action::Divide).Op(Action::Trace);
  a.Push({"12.34A"}).Op(Action::ToNumber).Op(Action::Trace);
  EXPECT_EQ(RunScript(a, 4), (V{"Infinity", "NaN", "#ERROR#", "12.34"}));
}

namespace {
enum Prop { kX = 0, kXScale = 2, kYScale = 3, kWidth = 8, kHeight = 9, kRotation = 10 };

Actions& SetProp(Actions& a, const char* target, int prop, PushValue value) {
  return a.Push({target, prop, value}).Op(Action::SetProperty);
}
Actions& TraceProp(Actions& a, const char* target, int prop) {
  return a.Push({target, prop}).Op(Action::GetProperty).Op(Action::Trace);
}
}  // namespace

TEST(FlashVersions, DisplayPropertiesReadBackAsSet) {
  MovieBuilder m(6);
  uint16_t box = m.Rectangle(0, 0, 100, 50, {255, 0, 0, 255});
  Timeline tl;
  tl.Place(box, 1).ShowFrame();
  uint16_t sprite = m.DefineSprite(tl);
  Actions a;
  SetProp(a, "c", kXScale, 92);
  TraceProp(a, "c", kXScale);
  SetProp(a, "c", kYScale, 33.3);
  TraceProp(a, "c", kYScale);
  SetProp(a, "c", kRotation, 30);
  TraceProp(a, "c", kRotation);
  TraceProp(a, "c", kXScale);  // rotation keeps the scales
  SetProp(a, "c", kRotation, -200);
  TraceProp(a, "c", kRotation);
  a.Push({"c", kRotation, 1, 0}).Op(Action::Divide).Op(Action::SetProperty);
  TraceProp(a, "c", kRotation);
  a.Push({"c"}).Op(Action::GetVariable).Push({"_rotation"}).Op(Action::GetMember).Op(Action::Trace);
  m.Main().Place(sprite, 1, {}, "c").Do(a).ShowFrame();
  EXPECT_EQ(Play(m, 1), (V{"92", "33.3", "30", "92", "160", "NaN", "NaN"}));
}

TEST(FlashVersions, SizingAClipWithoutBoundsZeroesBothScales) {
  MovieBuilder m(6);
  Timeline empty;
  empty.ShowFrame();
  uint16_t sprite = m.DefineSprite(empty);
  Actions a;
  SetProp(a, "e", kWidth, 100);
  TraceProp(a, "e", kXScale);
  TraceProp(a, "e", kYScale);
  TraceProp(a, "e", kWidth);
  SetProp(a, "f", kHeight, 40);
  TraceProp(a, "f", kXScale);
  TraceProp(a, "f", kYScale);
  m.Main().Place(sprite, 1, {}, "e").Place(sprite, 2, {}, "f").Do(a).ShowFrame();
  EXPECT_EQ(Play(m, 1), (V{"0", "0", "0", "0", "0"}));
}
