#include <gtest/gtest.h>

#include <string>

#include "fuzz_exports/answer_check.h"
#include "fuzz_exports/shapes.h"

namespace fuzz_exports {
namespace {

std::string Problem(const char* exportName, const std::wstring& answer) {
  return AnswerProblem(ShapeOf(exportName), answer.data(), answer.size());
}

TEST(AnswerCheck, AcceptsWellFormedAnswers) {
  EXPECT_EQ(Problem("FSBeep", L",-99"), "");
  EXPECT_EQ(Problem("FSRegRead", L",0,HKCU,Software\\x\\v,REG_SZ,a,b"), "");
  EXPECT_EQ(Problem("FSFileRead", L"\xFF" L"0\xFF" L"1\xFF" L"a,b\xFF"), "");
  EXPECT_EQ(Problem("FSDBGetFieldVal", L"\t2\t1\t2\tx, y"), "");
  EXPECT_EQ(Problem("FSGetExeDir", L"|C:\\dir\\|C:\\dir\\"), "");
  EXPECT_EQ(Problem("FSHtmlSafe", L",a%20b"), "");
  EXPECT_EQ(Problem("FSAppGetCmdLine", L","), "");
  EXPECT_EQ(Problem("FSSysGetLocalTime", L",1765200000,Tue Dec 08 19:00:00 2026\n"), "");
}

TEST(AnswerCheck, NamesEveryMalformedAnswer) {
  EXPECT_EQ(AnswerProblem(ShapeOf("FSBeep"), nullptr, 0), "the answer is null");
  EXPECT_EQ(Problem("FSBeep", L""), "the answer is empty (no separator)");
  EXPECT_EQ(Problem("FSBeep", std::wstring(L",-9\0" L"9", 5)), "the answer holds a NUL at character 3 of 5");
  EXPECT_EQ(Problem("FSGetExeDir", L",C:\\dir\\"), "the answer starts with U+002C instead of the separator U+007C");
  EXPECT_EQ(Problem("FSFileRead", L",0"), "the answer starts with U+002C instead of the separator U+00FF");
  EXPECT_EQ(Problem("FSBeep", L","), "the primary value is not a decimal code");
  EXPECT_EQ(Problem("FSBeep", L",Error"), "the primary value is not a decimal code");
  EXPECT_EQ(Problem("FSFileSize", L",12x,a"), "the primary value is not a decimal code");
  EXPECT_EQ(Problem("FSFileSize", L",-99999999999999999999"), "the primary value is not a decimal code");
  EXPECT_EQ(Problem("FSDBGetFieldVal", L"\t0,x\tv"), "the primary value is not a decimal code");
}

TEST(AnswerCheck, DecimalCodesAreSignedDigitsThatFitSixtyFourBits) {
  EXPECT_TRUE(IsDecimalCode(L"0"));
  EXPECT_TRUE(IsDecimalCode(L"-2005"));
  EXPECT_TRUE(IsDecimalCode(L"9223372036854775807"));
  EXPECT_FALSE(IsDecimalCode(L"-"));
  EXPECT_FALSE(IsDecimalCode(L"+1"));
  EXPECT_FALSE(IsDecimalCode(L" 1"));
  EXPECT_FALSE(IsDecimalCode(L"1 "));
  EXPECT_FALSE(IsDecimalCode(L"12345678901234567890"));
}

}  // namespace
}  // namespace fuzz_exports
