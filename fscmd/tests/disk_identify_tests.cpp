#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fscmd/disk_identify_rules.h"

namespace fscmd {
namespace {

// Stores a text the way a drive does: two characters a word, the first in the high byte, padded with blanks.
void PutAtaText(std::vector<uint8_t>& block, size_t offset, size_t length, const std::string& text) {
  std::string padded = text;
  padded.resize(length, ' ');
  for (size_t i = 0; i < length; i += 2) {
    block[offset + i] = static_cast<uint8_t>(padded[i + 1]);
    block[offset + i + 1] = static_cast<uint8_t>(padded[i]);
  }
}

TEST(IdentifyBlock, SwapsEveryWordAndTrimsBothEnds) {
  std::vector<uint8_t> block(512, 0xEE);
  PutAtaText(block, 20, 20, "     WD-WCC4E1234567");
  PutAtaText(block, 46, 8, "82.00A82");
  PutAtaText(block, 54, 40, "WDC WD10EZEX-08WN4A0");
  DiskIdentity identity = ParseIdentify(block);
  EXPECT_EQ(identity.serial, "WD-WCC4E1234567");
  EXPECT_EQ(identity.firmware, "82.00A82");
  EXPECT_EQ(identity.model, "WDC WD10EZEX-08WN4A0");
}

TEST(IdentifyBlock, BlankNulAndShortBlocksGiveEmptyTexts) {
  std::vector<uint8_t> block(512, 0);
  PutAtaText(block, 20, 20, "");
  EXPECT_EQ(ParseIdentify(block).serial, "");
  EXPECT_EQ(ParseIdentify(block).model, "");  // all NULs
  PutAtaText(block, 54, 40, "AB");
  block[56] = 0;  // a NUL ends the text early
  EXPECT_EQ(ParseIdentify(block).model, "AB");
  std::vector<uint8_t> shortBlock(100, 0x41);
  EXPECT_EQ(ParseIdentify(shortBlock).serial, "");
  EXPECT_EQ(AtaText(shortBlock, 90, 20), "");
}

TEST(SmartCommands, EnableAndIdentifyBlocksCarryTheirRegisters) {
  auto enable = SmartEnableCommand(0xA0, 2);
  const uint8_t expectedEnable[kSmartCommandSize] = {0, 0, 0, 0, 0xD8, 1, 1, 0x4F, 0xC2, 0xA0, 0xB0, 0, 2};
  EXPECT_TRUE(std::equal(enable.begin(), enable.end(), std::begin(expectedEnable)));
  auto identify = IdentifyCommand(0xB0, 1);
  const uint8_t expectedIdentify[kSmartCommandSize] = {0, 2, 0, 0, 0, 1, 1, 0, 0, 0xB0, 0xEC, 0, 1};
  EXPECT_TRUE(std::equal(identify.begin(), identify.end(), std::begin(expectedIdentify)));
}

TEST(SmartCommands, SecondDeviceOfAChannelOnlyOnTheOldDriver) {
  EXPECT_EQ(SmartDriveHead(false, 0), 0xA0);
  EXPECT_EQ(SmartDriveHead(false, 1), 0xB0);
  EXPECT_EQ(SmartDriveHead(false, 3), 0xB0);
  EXPECT_EQ(SmartDriveHead(true, 1), 0xA0);
  EXPECT_EQ(SmartDriveHead(true, 3), 0xA0);
}

}  // namespace
}  // namespace fscmd
