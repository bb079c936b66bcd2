#include "fscmd/disk_identify_rules.h"

namespace fscmd {

uint8_t SmartDriveHead(bool ntPath, int drive) { return !ntPath && (drive & 1) ? 0xB0 : 0xA0; }

std::array<uint8_t, kSmartCommandSize> SmartCommandBlock(uint32_t bufferSize, const AtaRegisters& registers,
                                                         uint8_t drive) {
  std::array<uint8_t, kSmartCommandSize> block{};
  for (int i = 0; i < 4; ++i) block[static_cast<size_t>(i)] = static_cast<uint8_t>(bufferSize >> (8 * i));
  block[4] = registers.features;
  block[5] = registers.sectorCount;
  block[6] = registers.sectorNumber;
  block[7] = registers.cylinderLow;
  block[8] = registers.cylinderHigh;
  block[9] = registers.driveHead;
  block[10] = registers.command;
  block[11] = 0;  // reserved register byte
  block[12] = drive;
  return block;
}

std::array<uint8_t, kSmartCommandSize> SmartEnableCommand(uint8_t driveHead, uint8_t drive) {
  AtaRegisters r;
  r.features = 0xD8;  // SMART ENABLE OPERATIONS
  r.sectorCount = 1;
  r.sectorNumber = 1;
  r.cylinderLow = 0x4F;
  r.cylinderHigh = 0xC2;
  r.driveHead = driveHead;
  r.command = 0xB0;  // SMART
  return SmartCommandBlock(0, r, drive);
}

std::array<uint8_t, kSmartCommandSize> IdentifyCommand(uint8_t driveHead, uint8_t drive) {
  AtaRegisters r;
  r.sectorCount = 1;
  r.sectorNumber = 1;
  r.driveHead = driveHead;
  r.command = 0xEC;  // IDENTIFY DEVICE
  return SmartCommandBlock(static_cast<uint32_t>(kIdentifySize), r, drive);
}

std::string AtaText(std::span<const uint8_t> block, size_t offset, size_t length) {
  if (offset > block.size() || length > block.size() - offset) return {};
  std::string text;
  for (size_t i = 0; i + 1 < length; i += 2) {
    text += static_cast<char>(block[offset + i + 1]);
    text += static_cast<char>(block[offset + i]);
  }
  size_t nul = text.find('\0');
  if (nul != std::string::npos) text.resize(nul);
  size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

DiskIdentity ParseIdentify(std::span<const uint8_t> block) {
  DiskIdentity identity;
  if (block.size() < kIdentifySize) return identity;
  identity.serial = AtaText(block, 20, 20);
  identity.firmware = AtaText(block, 46, 8);
  identity.model = AtaText(block, 54, 40);
  return identity;
}

}  // namespace fscmd
