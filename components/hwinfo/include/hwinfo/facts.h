// Hardware facts from raw machine data: processor strings from CPUID registers, system strings from the
// firmware's SMBIOS table, texts of a storage device descriptor. Portable: the callers gather the bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace hwinfo {

// The four registers one CPUID leaf answers.
struct CpuidRegisters {
  uint32_t eax = 0, ebx = 0, ecx = 0, edx = 0;
};

// What the processor says of itself, as the control's properties give it.
struct ProcessorStrings {
  std::string manufacturer;  // the vendor text of leaf 0, "GenuineIntel"
  std::string type;          // the brand text of leaves 0x80000002..4, trimmed; the version text without one
  std::string version;       // "Family 6 Model 58 Stepping 9", with the extended family and model folded in
  std::string identifier;    // leaf 1's EDX and EAX as 16 upper-case hexadecimal digits, "BFEBFBFF000306A9"
};

// leaf0: CPUID 0; leaf1: CPUID 1; brand: CPUID 0x80000002..4, or empty when the processor has no brand text.
ProcessorStrings DescribeProcessor(const CpuidRegisters& leaf0, const CpuidRegisters& leaf1,
                                   std::span<const CpuidRegisters> brand);

// The system information structure (type 1) of an SMBIOS table.
struct SystemStrings {
  std::string manufacturer;
  std::string productName;
  std::string version;
  std::string serialNumber;
  bool found = false;
};

// Reads a raw SMBIOS block as GetSystemFirmwareTable('RSMB') gives it: an 8-byte header (calling method, major,
// minor, revision, 32-bit table length) and the structure table. Malformed data ends the walk; never reads past.
SystemStrings ReadSmbiosSystem(std::span<const uint8_t> firmwareTable);

// A NUL-terminated text at an offset of a descriptor block, trimmed of blanks; empty for offset 0 or outside.
std::string DescriptorText(std::span<const uint8_t> descriptor, uint32_t offset);

// Blanks and control characters gone from both ends.
std::string TrimText(const std::string& text);

}  // namespace hwinfo
