#include <gtest/gtest.h>

#include "common/shared_rules.h"

namespace common {
namespace {

using Fields = std::vector<std::wstring>;

TEST(SplitFields, BlankSeparatorsAreDroppedBeforeAFieldBegins) {
  EXPECT_EQ(SplitFields(L"  0A  0B ", L' '), (Fields{L"0A", L"0B"}));
  EXPECT_EQ(SplitFields(L"\x01" L"a\x01\x01" L"b", L'\x01'), (Fields{L"a", L"b"}));
  EXPECT_EQ(SplitFields(L"a,\x01 b", L','), (Fields{L"a", L"b"}));
}

TEST(SplitFields, TheSeparatorIsTakenAsGiven) {
  EXPECT_EQ(SplitFields(L"a|b,c|", L'|'), (Fields{L"a", L"b,c"}));
  EXPECT_EQ(SplitFields(std::wstring(L"a\0b", 3), L'\0'), (Fields{L"a", L"b"}));
  EXPECT_EQ(SplitFields(L"a,b", L'\0'), (Fields{L"a,b"}));
}

TEST(AuthoringTool, OnlyTheBackslashEndsAFolder) {
  EXPECT_TRUE(IsAuthoringToolPath(L"C:\\Tools\\bRiNdLeWoRk.ExE"));
  EXPECT_FALSE(IsAuthoringToolPath(L"C:/Tools/Brindlework.exe"));
  EXPECT_FALSE(IsAuthoringToolPath(L""));
  EXPECT_FALSE(IsAuthoringToolPath(L"C:\\Tools\\"));
  EXPECT_FALSE(IsAuthoringToolPath(L"C:\\Tools\\ Brindlework.exe"));
}

TEST(Mailto, IsPutInFrontOnlyWhenMissing) {
  EXPECT_EQ(MailAddress(L"a@b.invalid"), L"mailto:a@b.invalid");
  EXPECT_EQ(MailAddress(L"mailto:a@b.invalid"), L"mailto:a@b.invalid");
  EXPECT_EQ(MailAddress(L""), L"");
}

}  // namespace
}  // namespace common
