#include <gtest/gtest.h>

#include "about_rules.h"

namespace player {
namespace {

TEST(AboutTexts, TrimmingKeepsInnerBlanks) {
  EXPECT_EQ(TrimEnd(L"  Product 1.0 \t\r\n"), L"  Product 1.0");
  EXPECT_EQ(TrimBoth(L" \t www.example.org  "), L"www.example.org");
  EXPECT_EQ(TrimBoth(L"a  b"), L"a  b");
  EXPECT_EQ(TrimBoth(L" \r\n "), L"");
  EXPECT_EQ(TrimEnd(L""), L"");
}

TEST(AboutTexts, MailtoIsPutInFrontOnce) {
  EXPECT_EQ(MailAddress(L"info@example.org"), L"mailto:info@example.org");
  EXPECT_EQ(MailAddress(L"mailto:info@example.org"), L"mailto:info@example.org");
  // Anywhere in the text counts, as does the prefix in the middle of an address.
  EXPECT_EQ(MailAddress(L"x mailto:info@example.org"), L"x mailto:info@example.org");
  EXPECT_EQ(MailAddress(L""), L"");
  // The prefix is matched exactly as written.
  EXPECT_EQ(MailAddress(L"MAILTO:a@b"), L"mailto:MAILTO:a@b");
}

TEST(AboutTexts, CaptionAndTitleLine) {
  EXPECT_EQ(AboutCaption(L"About", L"Show"), L"About Show");
  EXPECT_EQ(AboutTitleLine(L"Show", L"2.1"), L"Show  2.1");
  EXPECT_EQ(AboutTitleLine(L"", L""), L"  ");
}

TEST(HandlerCommand, QuotedPlaceholderIsCutBeforeItsOpeningQuote) {
  EXPECT_EQ(HandlerCommandLine(L"\"C:\\b\\browser.exe\" \"%1\"", L"http://x"), L"\"C:\\b\\browser.exe\"  http://x");
  EXPECT_EQ(HandlerCommandLine(L"browser.exe -nohome \"%1\" -x", L"a"), L"browser.exe -nohome  a");
}

TEST(HandlerCommand, BarePlaceholderOrNone) {
  EXPECT_EQ(HandlerCommandLine(L"browser.exe %1", L"http://x"), L"browser.exe  http://x");
  EXPECT_EQ(HandlerCommandLine(L"browser.exe", L"http://x"), L"browser.exe http://x");
  // A quoted placeholder wins over an earlier bare one.
  EXPECT_EQ(HandlerCommandLine(L"b.exe %1 \"%1\"", L"t"), L"b.exe %1  t");
  EXPECT_EQ(HandlerCommandLine(L"", L"t"), L" t");
}

TEST(LabelSize, HorizontalAndVerticalRules) {
  Rect current{10, 20, 110, 60};
  Size text{40, 12};
  EXPECT_EQ(FitLabel(current, text, {}), (Rect{10, 20, 50, 32}));
  EXPECT_EQ(FitLabel(current, text, {false, false, true}), (Rect{70, 20, 110, 32}));
  EXPECT_EQ(FitLabel(current, text, {false, true, false}), (Rect{40, 20, 80, 32}));
  EXPECT_EQ(FitLabel(current, text, {true, false, false}), (Rect{10, 34, 50, 46}));
  // Text larger than the rectangle grows it the same way.
  EXPECT_EQ(FitLabel(current, {140, 12}, {false, true, false}), (Rect{-10, 20, 130, 32}));
}

TEST(ShiftForPicture, TextsAndButtonMakeRoomForLargePictures) {
  // The template's own 48 x 48 picture fits: nothing moves.
  EXPECT_EQ(ShiftForPicture({10, 10, 82, 82}, 93, 107, 10), (AboutShift{0, 0}));
  // A wide, tall picture pushes the texts right and the button down, each keeping the gap.
  EXPECT_EQ(ShiftForPicture({10, 10, 210, 150}, 93, 107, 10), (AboutShift{127, 53}));
  // A hidden or empty picture takes no room.
  EXPECT_EQ(ShiftForPicture({10, 10, 10, 300}, 93, 107, 10), (AboutShift{0, 0}));
}

}  // namespace
}  // namespace player
