#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cwchar>
#include <string>
#include <vector>

#include "fscmd/command_rules.h"

namespace fscmd {
namespace {

TEST(Beep, DurationsAndFrequenciesAreBoundedSoTheGuiThreadDoesNotFreeze) {
  BeepTone tone = BoundBeep(1000, 100);
  EXPECT_EQ(tone.frequency, 1000u);
  EXPECT_EQ(tone.duration, 100u);
  // A negative duration would reach Beep as about 49 days.
  EXPECT_EQ(BoundBeep(440, -1).duration, 0u);
  EXPECT_EQ(BoundBeep(440, 2147483647).duration, static_cast<uint32_t>(kLongestBeepMilliseconds));
  EXPECT_EQ(BoundBeep(440, kLongestBeepMilliseconds).duration, static_cast<uint32_t>(kLongestBeepMilliseconds));
  EXPECT_EQ(BoundBeep(-5, 100).frequency, 0u);
  EXPECT_EQ(BoundBeep(0, 100).frequency, 0u);
  EXPECT_EQ(BoundBeep(2147483647, 100).frequency, 32767u);
}

TEST(RelativePlacement, SumsAreComputedWideAndHeldTo32Bits) {
  Placement p = RelativePlacement(5, 10, 105, 60, -10, 0, 20, -5);
  EXPECT_EQ(p.x, -5);  // negative: the command keeps the window where it is
  EXPECT_EQ(p.y, 10);
  EXPECT_EQ(p.width, 120);
  EXPECT_EQ(p.height, 45);
  // Wrapping would turn a far move right into a negative position, and a huge growth into a negative size.
  p = RelativePlacement(100, 100, 200, 200, INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX);
  EXPECT_EQ(p.x, INT32_MAX);
  EXPECT_EQ(p.y, INT32_MAX);
  EXPECT_EQ(p.width, INT32_MAX);
  EXPECT_EQ(p.height, INT32_MAX);
  p = RelativePlacement(-100, -100, -200, -200, INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN);
  EXPECT_EQ(p.x, INT32_MIN);
  EXPECT_EQ(p.width, INT32_MIN);
  // The window's own extent may already be beyond 32 bits.
  EXPECT_EQ(RelativePlacement(INT32_MIN, 0, INT32_MAX, 0, 0, 0, 0, 0).width, INT32_MAX);
}

TEST(FolderWalk, StopsWhereTheVisitorSays) {
  std::vector<std::wstring> seen;
  VisitFoldersToMake(L"C:\\a\\b\\c\\d", [&](const std::wstring& folder) {
    seen.push_back(folder);
    return seen.size() < 2;
  });
  EXPECT_EQ(seen, (std::vector<std::wstring>{L"C:\\a", L"C:\\a\\b"}));
}

TEST(FolderWalk, KeepsTheDriveRootAndSharePrefixes) {
  using List = std::vector<std::wstring>;
  EXPECT_EQ(FoldersToMake(L"C:\\a\\b"), (List{L"C:\\a", L"C:\\a\\b"}));
  EXPECT_EQ(FoldersToMake(L"a\\\\b\\c"), (List{L"a", L"a\\b", L"a\\b\\c"}));
  // Root-relative: below the current drive's root, not below the current folder.
  EXPECT_EQ(FoldersToMake(L"\\a\\b"), (List{L"\\a", L"\\a\\b"}));
  // A share's server and share name are no folders to make.
  EXPECT_EQ(FoldersToMake(L"\\\\server\\share\\a\\b"), (List{L"\\\\server\\share\\a", L"\\\\server\\share\\a\\b"}));
  EXPECT_TRUE(FoldersToMake(L"\\\\server\\share").empty());
  EXPECT_EQ(FoldersToMake(L"\\\\?\\C:\\a"), (List{L"\\\\?\\C:\\a"}));
  EXPECT_EQ(FoldersToMake(L"\\\\?\\UNC\\server\\share\\a"), (List{L"\\\\?\\UNC\\server\\share\\a"}));
  // Drive-relative: below the drive's current folder.
  EXPECT_EQ(FoldersToMake(L"D:a\\b"), (List{L"D:a", L"D:a\\b"}));
  EXPECT_EQ(PathRootPrefix(L"relative\\x"), L"");
  EXPECT_EQ(PathRootPrefix(L"\\x"), L"\\");
  EXPECT_EQ(PathRootPrefix(L"\\\\srv\\sh\\x"), L"\\\\srv\\sh\\");
}

TEST(RuntimeModes, OnlyModesTheRuntimeKnowsPass) {
  EXPECT_EQ(RuntimeFileMode(L""), L"r");
  EXPECT_EQ(RuntimeFileMode(L"W"), L"w");
  EXPECT_EQ(RuntimeFileMode(L"a+"), L"a+");
  EXPECT_EQ(RuntimeFileMode(L"rb+"), L"rb+");
  EXPECT_EQ(RuntimeFileMode(L"R+T "), L"r+t");
  for (const wchar_t* bad : {L"x", L"r++", L"rbt", L"wq", L"+r", L"r,ccs=UTF-8", L"%s"})
    EXPECT_FALSE(RuntimeFileMode(bad)) << std::string(bad, bad + std::wcslen(bad));
  for (long mode : {0L, 2L, 4L, 6L}) EXPECT_TRUE(IsKnownAccessMode(mode)) << mode;
  for (long mode : {-1L, 1L, 3L, 5L, 7L, 8L, 100L}) EXPECT_FALSE(IsKnownAccessMode(mode)) << mode;
}

TEST(DwordData, WrapsAsTheRuntimesConversionDoes) {
  EXPECT_EQ(ReadDwordData(L"4294967295"), 0xFFFFFFFFu);
  EXPECT_EQ(ReadDwordData(L"-1"), 0xFFFFFFFFu);
  EXPECT_EQ(ReadDwordData(L"2147483648"), 0x80000000u);
  EXPECT_EQ(ReadDwordData(L"4294967296"), 0u);
  EXPECT_EQ(ReadDwordData(L"  +42x"), 42u);
  EXPECT_EQ(ReadDwordData(L"abc"), 0u);
  EXPECT_EQ(ReadDwordData(L"99999999999999999999999"), static_cast<uint32_t>(9999999999999999999ull));
}

TEST(ApplicationMessageBox, AddsTheIconTheApplicationBoxShowsWhenNoneIsNamed) {
  EXPECT_EQ(ApplicationMessageBoxStyle(0x00), 0x30u);  // OK: exclamation mark
  EXPECT_EQ(ApplicationMessageBoxStyle(0x01), 0x31u);  // OK, Cancel
  EXPECT_EQ(ApplicationMessageBoxStyle(0x04), 0x24u);  // Yes, No: question mark
  EXPECT_EQ(ApplicationMessageBoxStyle(0x03), 0x23u);  // Yes, No, Cancel
  EXPECT_EQ(ApplicationMessageBoxStyle(0x02), 0x02u);  // Abort, Retry, Ignore: none
  EXPECT_EQ(ApplicationMessageBoxStyle(0x05), 0x05u);  // Retry, Cancel: none
  EXPECT_EQ(ApplicationMessageBoxStyle(0x40), 0x40u);  // a named icon stays
  EXPECT_EQ(ApplicationMessageBoxStyle(0x1000), 0x1030u);  // other flags stay
}

TEST(ShellListView, TheItemRecordFollowsTheShellsWordSizeInBothBuilds) {
  // A 32-bit library under WOW64 meets a 64-bit shell; outside WOW64 all is 32-bit.
  EXPECT_EQ(ShellWordSize(false, true, false), WordSize::k64);
  EXPECT_EQ(ShellWordSize(false, true, true), WordSize::k32);
  EXPECT_EQ(ShellWordSize(false, false, false), WordSize::k32);
  EXPECT_EQ(ShellWordSize(true, false, false), WordSize::k64);
  EXPECT_EQ(ShellWordSize(true, false, true), WordSize::k32);

  const uint64_t text = 0x0000'0001'2345'6780ull;
  std::vector<uint8_t> wide = ListItemTextRequest(WordSize::k64, text, 127);
  ASSERT_EQ(wide.size(), 56u);
  uint64_t pointer = 0;
  for (int i = 0; i < 8; ++i) pointer |= uint64_t{wide[24 + i]} << (8 * i);
  EXPECT_EQ(pointer, text);
  EXPECT_EQ(wide[32], 127);
  EXPECT_TRUE(std::all_of(wide.begin() + 8, wide.begin() + 24, [](uint8_t b) { return b == 0; }));

  std::vector<uint8_t> narrow = ListItemTextRequest(WordSize::k32, 0x00AB'CD00u, 127);
  ASSERT_EQ(narrow.size(), 40u);
  EXPECT_EQ(narrow[20], 0x00);
  EXPECT_EQ(narrow[21], 0xCD);
  EXPECT_EQ(narrow[22], 0xAB);
  EXPECT_EQ(narrow[23], 0x00);
  EXPECT_EQ(narrow[24], 127);
  EXPECT_EQ(narrow[8], 0);  // sub-item 0
}

}  // namespace
}  // namespace fscmd

namespace fscmd {

TEST(DevicePaths, ReservedNamesAndTheDeviceNamespaceAreNoFiles) {
  for (const wchar_t* device : {L"CON", L"conin$", L"CONOUT$", L"nul", L"Aux.txt", L"C:\\folder\\com1",
                                L"c:lpt9.log", L"prn ", L"NUL:", L"clock$", L"\\\\.\\C:", L"//./pipe/x",
                                L"D:/data/Con.ini"})
    EXPECT_TRUE(NamesDevice(device)) << device;
  for (const wchar_t* file : {L"", L"C:\\console.txt", L"com10", L"lpt", L"conin", L"C:\\con\\file.txt",
                              L"\\\\server\\share\\aux1", L"notes.nul", L"\\\\?\\C:\\data\\x.ini"})
    EXPECT_FALSE(NamesDevice(file)) << file;
}

}  // namespace fscmd
