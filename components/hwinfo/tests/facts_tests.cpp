#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hwinfo/facts.h"
#include "hwinfo/hwinfo_dispids.h"

namespace hwinfo {
namespace {

uint32_t Chars(const char (&text)[5]) {
  return static_cast<uint8_t>(text[0]) | static_cast<uint8_t>(text[1]) << 8 | static_cast<uint8_t>(text[2]) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(text[3])) << 24;
}

std::vector<CpuidRegisters> Brand(const std::string& text) {
  std::string padded = text;
  padded.resize(48, '\0');
  std::vector<CpuidRegisters> leaves(3);
  for (size_t leaf = 0; leaf < 3; ++leaf) {
    uint32_t* regs[] = {&leaves[leaf].eax, &leaves[leaf].ebx, &leaves[leaf].ecx, &leaves[leaf].edx};
    for (size_t r = 0; r < 4; ++r)
      for (size_t b = 0; b < 4; ++b)
        *regs[r] |= static_cast<uint32_t>(static_cast<uint8_t>(padded[leaf * 16 + r * 4 + b])) << (8 * b);
  }
  return leaves;
}

TEST(ProcessorStrings, VendorBrandVersionAndIdentifierFromTheRegisters) {
  CpuidRegisters leaf0{0xD, Chars("Genu"), Chars("ntel"), Chars("ineI")};
  CpuidRegisters leaf1{0x000306A9, 0, 0, 0xBFEBFBFF};
  auto brand = Brand("       Intel(R) Core(TM) i7-3770 CPU @ 3.40GHz");
  ProcessorStrings s = DescribeProcessor(leaf0, leaf1, brand);
  EXPECT_EQ(s.manufacturer, "GenuineIntel");
  EXPECT_EQ(s.type, "Intel(R) Core(TM) i7-3770 CPU @ 3.40GHz");
  EXPECT_EQ(s.version, "Family 6 Model 58 Stepping 9");
  EXPECT_EQ(s.identifier, "BFEBFBFF000306A9");
}

TEST(ProcessorStrings, ExtendedFamilyCountsOnlyForFamily15AndOldProcessorsHaveNoBrand) {
  CpuidRegisters amd{0x10, Chars("Auth"), Chars("cAMD"), Chars("enti")};
  ProcessorStrings zen = DescribeProcessor(amd, {0x00A50F00, 0, 0, 0x178BFBFF}, {});
  EXPECT_EQ(zen.manufacturer, "AuthenticAMD");
  EXPECT_EQ(zen.version, "Family 25 Model 80 Stepping 0");
  EXPECT_EQ(zen.type, zen.version);
  // Family 5 ignores both extended fields even when they are set.
  ProcessorStrings pentium = DescribeProcessor(amd, {0x01F30543, 0, 0, 0}, {});
  EXPECT_EQ(pentium.version, "Family 5 Model 4 Stepping 3");
  EXPECT_EQ(pentium.identifier, "0000000001F30543");
}

// An RSMB block: header, then the given structures, then the end structure.
std::vector<uint8_t> Rsmb(const std::vector<std::vector<uint8_t>>& structures, int lengthAdjust = 0) {
  std::vector<uint8_t> table;
  for (const auto& s : structures)
    for (uint8_t b : s) table.push_back(b);
  for (uint8_t b : {127, 4, 0xFF, 0xFF, 0, 0}) table.push_back(b);
  uint32_t length = static_cast<uint32_t>(static_cast<int>(table.size()) + lengthAdjust);
  std::vector<uint8_t> block = {0, 2, 7, 0, static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8), 0, 0};
  for (uint8_t b : table) block.push_back(b);
  return block;
}

std::vector<uint8_t> Structure(uint8_t type, std::vector<uint8_t> formatted, const std::vector<std::string>& strings) {
  std::vector<uint8_t> s = {type, static_cast<uint8_t>(formatted.size() + 4), 0x01, 0x00};
  for (uint8_t b : formatted) s.push_back(b);
  for (const std::string& text : strings) {
    for (char c : text) s.push_back(static_cast<uint8_t>(c));
    s.push_back(0);
  }
  if (strings.empty()) s.push_back(0);
  s.push_back(0);
  return s;
}

TEST(Smbios, SystemStructureFoundBehindOthersWithItsStrings) {
  auto bios = Structure(0, {1, 2, 0, 0xE8, 0x03, 0, 0, 0, 0, 0, 0, 0, 0, 0}, {"Vendor BIOS", "1.02"});
  auto empty = Structure(32, {0, 0, 0, 0, 0, 0, 0}, {});
  auto system = Structure(1, {1, 2, 0, 3, 0x11, 0x22}, {"  Brindle Machines ", "Model X", "SN-0042"});
  SystemStrings s = ReadSmbiosSystem(Rsmb({bios, empty, system}));
  ASSERT_TRUE(s.found);
  EXPECT_EQ(s.manufacturer, "Brindle Machines");
  EXPECT_EQ(s.productName, "Model X");
  EXPECT_EQ(s.version, "");  // string number 0: not given
  EXPECT_EQ(s.serialNumber, "SN-0042");
}

TEST(Smbios, DamagedTablesEndTheWalkWithoutReadingPastTheData) {
  auto system = Structure(1, {1, 2, 3, 9}, {"A", "B", "C"});
  SystemStrings missing = ReadSmbiosSystem(Rsmb({system}));
  EXPECT_TRUE(missing.found);
  EXPECT_EQ(missing.serialNumber, "");  // string 9 does not exist
  EXPECT_FALSE(ReadSmbiosSystem({}).found);
  // The stated table length runs past the block.
  auto other = Structure(0, {1, 2, 3, 4}, {"x"});
  std::vector<uint8_t> longer = Rsmb({other, system}, 4000);
  EXPECT_TRUE(ReadSmbiosSystem(longer).found);
  // Cut inside the first structure's strings: nothing is found and nothing outside is read.
  std::vector<uint8_t> cut = Rsmb({other, system});
  cut.resize(8 + 10);
  EXPECT_FALSE(ReadSmbiosSystem(cut).found);
  // A formatted length below the header's own size stops the walk.
  std::vector<uint8_t> bad = Rsmb({{1, 2, 0, 0, 0, 0}, system});
  EXPECT_FALSE(ReadSmbiosSystem(bad).found);
}

TEST(StorageDescriptor, TextsAtOffsetsTrimmedAndBounded) {
  std::vector<uint8_t> d(40, 0);
  std::string model = "  DISK MODEL 1  ";
  std::copy(model.begin(), model.end(), d.begin() + 10);
  std::string tail = "SER";
  std::copy(tail.begin(), tail.end(), d.end() - 3);
  EXPECT_EQ(DescriptorText(d, 10), "DISK MODEL 1");
  EXPECT_EQ(DescriptorText(d, 0), "");
  EXPECT_EQ(DescriptorText(d, 40), "");
  EXPECT_EQ(DescriptorText(d, 37), "SER");  // unterminated at the end of the block
}

TEST(Dispids, DiskTableMatchesTheControlsNumbering) {
  EXPECT_EQ(DiskDispid(DiskQuantity::Serial, 0), 22);
  EXPECT_EQ(DiskDispid(DiskQuantity::Model, 2), 48);
  EXPECT_EQ(DiskDispid(DiskQuantity::Cylinders, 3), 47);
  EXPECT_EQ(DiskDispid(DiskQuantity::SectorsPerTrack, 1), 32);
}

}  // namespace
}  // namespace hwinfo
