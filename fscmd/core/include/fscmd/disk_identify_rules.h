// The disk driver's SMART interface as bytes: command blocks for SMART_SEND_DRIVE_COMMAND and
// SMART_RCV_DRIVE_DATA, and the texts of a 512-byte IDENTIFY DEVICE block. Portable.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace fscmd {

// The ATA task-file registers of one command.
struct AtaRegisters {
  uint8_t features = 0;
  uint8_t sectorCount = 0;
  uint8_t sectorNumber = 0;
  uint8_t cylinderLow = 0;
  uint8_t cylinderHigh = 0;
  uint8_t driveHead = 0;
  uint8_t command = 0;
};

constexpr size_t kSmartCommandSize = 33;        // SENDCMDINPARAMS with its one-byte buffer
constexpr size_t kSmartStatusSize = 17;         // SENDCMDOUTPARAMS with its one-byte buffer
constexpr size_t kSmartVersionSize = 24;        // GETVERSIONINPARAMS
constexpr size_t kIdentifySize = 512;
constexpr size_t kSmartDataHeaderSize = 16;     // SENDCMDOUTPARAMS up to its buffer
constexpr uint32_t kSmartGetVersion = 0x74080;
constexpr uint32_t kSmartSendDriveCommand = 0x7C084;
constexpr uint32_t kSmartReceiveDriveData = 0x7C088;

// The drive/head register: the second device of a channel is 0xB0 on the Windows 9x driver, and every drive is
// 0xA0 on the NT path, where the drive number alone picks the disk.
uint8_t SmartDriveHead(bool ntPath, int drive);

// SENDCMDINPARAMS: buffer size (little-endian), the eight register bytes, the drive number, zeros.
std::array<uint8_t, kSmartCommandSize> SmartCommandBlock(uint32_t bufferSize, const AtaRegisters& registers,
                                                         uint8_t drive);
// Enables SMART operations on the drive.
std::array<uint8_t, kSmartCommandSize> SmartEnableCommand(uint8_t driveHead, uint8_t drive);
// Reads the drive's IDENTIFY DEVICE block.
std::array<uint8_t, kSmartCommandSize> IdentifyCommand(uint8_t driveHead, uint8_t drive);

struct DiskIdentity {
  std::string serial;
  std::string model;
  std::string firmware;
};

// An ATA text field: each 16-bit word holds its first character in the high byte; blanks trimmed at both ends,
// the text ends at a NUL. Fields reaching past the block give the empty text.
std::string AtaText(std::span<const uint8_t> block, size_t offset, size_t length);
// Serial number (20 bytes at 20), firmware revision (8 at 46) and model (40 at 54) of an IDENTIFY block.
DiskIdentity ParseIdentify(std::span<const uint8_t> block);

}  // namespace fscmd
