#include <gtest/gtest.h>

#include "core/log_rules.h"

namespace projector {
namespace {

TEST(LogLine, ValuesTakeThePlacesOfTheirConversions) {
  EXPECT_EQ(FormatLogLine(L"FSCommand:  <%s>  <%s>", {L"Beep", L"a,b"}), L"FSCommand:  <Beep>  <a,b>");
  EXPECT_EQ(FormatLogLine(L"Command not found!", {}), L"Command not found!");
  EXPECT_EQ(FormatLogLine(L"", {L"x"}), L"");
  // Values are never read as conversions themselves.
  EXPECT_EQ(FormatLogLine(L"Command Result: <%s>", {L"%s%d%n"}), L"Command Result: <%s%d%n>");
}

TEST(LogLine, ForeignTextsCannotReachPastTheValues) {
  // More conversions than values, and conversions other than %s, as a replaced library might hold.
  EXPECT_EQ(FormatLogLine(L"%s %s %s", {L"a"}), L"a  ");
  EXPECT_EQ(FormatLogLine(L"%d%n%x 100%% %", {}), L"%d%n%x 100% %");
}

std::wstring Lines(int from, int to) {
  std::wstring text;
  for (int i = from; i < to; ++i) text += L"line " + std::to_wstring(i) + L"\r\n";
  return text;
}

TEST(LogCut, KeepsEverythingUpToTheLimit) {
  std::wstring text = Lines(0, 799);
  EXPECT_EQ(CutLogText(text, 799), text);
  EXPECT_EQ(CutLogText(L"", 1), L"");
}

TEST(LogCut, KeepsTheNewerHalfFromALineBoundary) {
  std::wstring text = Lines(0, 800);
  std::wstring kept = CutLogText(text, 801);
  // It starts with a whole line and ends with the newest one.
  EXPECT_EQ(kept.rfind(L"line ", 0), 0u);
  EXPECT_EQ(kept.substr(kept.size() - 10), L"line 799\r\n");
  size_t lines = static_cast<size_t>(std::count(kept.begin(), kept.end(), L'\n'));
  EXPECT_GE(lines, 380u);
  EXPECT_LE(lines, 410u);
  EXPECT_EQ(text.substr(text.size() - kept.size()), kept);
  EXPECT_GE(kept.size(), text.size() / 2 - 12);
}

TEST(LogCut, AHalfWithoutLineFeedIsKept) {
  std::wstring text = L"a\n" + std::wstring(2000, L'x');
  EXPECT_EQ(CutLogText(text, 900), std::wstring(1001, L'x'));
}

TEST(LogRectText, FourIntegersMakeTheRectangle) {
  EXPECT_EQ(ParseLogRect(L"10,20,490,170"), (LogRect{10, 20, 490, 170}));
  EXPECT_EQ(ParseLogRect(L"-300, -20,-10,5"), (LogRect{-300, -20, -10, 5}));
  EXPECT_EQ(ParseLogRect(FormatLogRect({1, 2, 3, 4})), (LogRect{1, 2, 3, 4}));
  EXPECT_EQ(FormatLogRect({-1, 2, 30, 40}), L"-1,2,30,40");
}

TEST(LogRectText, MalformedValuesGiveNone) {
  for (const wchar_t* text : {L"", L"1,2,3", L"1,2,3,4,5", L"a,b,c,d", L"1;2;3;4", L"1,2,3,4x", L"1,,3,4",
                              L"99999999999,0,1,1", L"1,2,3,"})
    EXPECT_FALSE(ParseLogRect(text)) << std::string(text, text + std::wcslen(text));
  // No width or no height: the window could not be seen.
  EXPECT_FALSE(ParseLogRect(L"10,10,10,100"));
  EXPECT_FALSE(ParseLogRect(L"10,100,200,50"));
}

TEST(LogRectText, TheDefaultIsCentredOnTheOwner) {
  EXPECT_EQ(CentredLogRect({100, 100, 740, 580}), (LogRect{180, 265, 660, 415}));
  EXPECT_EQ(CentredLogRect({0, 0, 0, 0}), (LogRect{-240, -75, 240, 75}));
}

}  // namespace
}  // namespace projector
