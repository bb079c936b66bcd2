#include "hwinfo/facts.h"

#include <cstdio>

namespace hwinfo {

namespace {

void AppendRegister(std::string& text, uint32_t value) {
  for (int i = 0; i < 4; ++i) text += static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::string UntilNul(std::string text) {
  size_t nul = text.find('\0');
  if (nul != std::string::npos) text.resize(nul);
  return text;
}

uint32_t ReadU32(std::span<const uint8_t> bytes, size_t at) {
  return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | static_cast<uint32_t>(bytes[at + 3]) << 24;
}

// String number `index` (from 1) of the structure whose string set starts at `strings`; empty for 0 or missing.
std::string StructureString(std::span<const uint8_t> table, size_t strings, uint8_t index) {
  if (index == 0) return {};
  size_t at = strings;
  for (uint8_t n = 1; at < table.size() && table[at] != 0; ++n) {
    size_t end = at;
    while (end < table.size() && table[end] != 0) ++end;
    if (n == index) return TrimText(std::string(table.begin() + static_cast<std::ptrdiff_t>(at),
                                                table.begin() + static_cast<std::ptrdiff_t>(end)));
    at = end + 1;
  }
  return {};
}

}  // namespace

std::string TrimText(const std::string& text) {
  size_t first = 0, last = text.size();
  while (first < last && static_cast<unsigned char>(text[first]) <= ' ') ++first;
  while (last > first && static_cast<unsigned char>(text[last - 1]) <= ' ') --last;
  return text.substr(first, last - first);
}

ProcessorStrings DescribeProcessor(const CpuidRegisters& leaf0, const CpuidRegisters& leaf1,
                                   std::span<const CpuidRegisters> brand) {
  ProcessorStrings out;
  // The vendor text runs through EBX, EDX, ECX in that order.
  AppendRegister(out.manufacturer, leaf0.ebx);
  AppendRegister(out.manufacturer, leaf0.edx);
  AppendRegister(out.manufacturer, leaf0.ecx);
  out.manufacturer = TrimText(UntilNul(out.manufacturer));

  uint32_t stepping = leaf1.eax & 0xF;
  uint32_t model = (leaf1.eax >> 4) & 0xF;
  uint32_t family = (leaf1.eax >> 8) & 0xF;
  // Extended model bits count for families 6 and 15; the extended family only adds to family 15.
  if (family == 6 || family == 15) model += ((leaf1.eax >> 16) & 0xF) << 4;
  if (family == 15) family += (leaf1.eax >> 20) & 0xFF;
  out.version = "Family " + std::to_string(family) + " Model " + std::to_string(model) + " Stepping " +
                std::to_string(stepping);

  char id[17];
  std::snprintf(id, sizeof id, "%08X%08X", static_cast<unsigned>(leaf1.edx), static_cast<unsigned>(leaf1.eax));
  out.identifier = id;

  std::string brandText;
  for (const CpuidRegisters& r : brand) {
    AppendRegister(brandText, r.eax);
    AppendRegister(brandText, r.ebx);
    AppendRegister(brandText, r.ecx);
    AppendRegister(brandText, r.edx);
  }
  out.type = TrimText(UntilNul(brandText));
  if (out.type.empty()) out.type = out.version;
  return out;
}

SystemStrings ReadSmbiosSystem(std::span<const uint8_t> firmwareTable) {
  SystemStrings out;
  constexpr size_t kHeader = 8;
  if (firmwareTable.size() < kHeader) return out;
  uint32_t length = ReadU32(firmwareTable, 4);
  if (length > firmwareTable.size() - kHeader) length = static_cast<uint32_t>(firmwareTable.size() - kHeader);
  std::span<const uint8_t> table = firmwareTable.subspan(kHeader, length);

  size_t at = 0;
  while (at + 4 <= table.size()) {
    uint8_t type = table[at];
    uint8_t formatted = table[at + 1];
    if (formatted < 4 || at + formatted > table.size()) break;
    size_t strings = at + formatted;
    if (type == 1 && formatted >= 8) {
      out.manufacturer = StructureString(table, strings, table[at + 4]);
      out.productName = StructureString(table, strings, table[at + 5]);
      out.version = StructureString(table, strings, table[at + 6]);
      out.serialNumber = StructureString(table, strings, table[at + 7]);
      out.found = true;
      return out;
    }
    if (type == 127) break;
    // The string set ends with two NULs (also when it holds no string at all).
    size_t end = strings;
    while (end + 1 < table.size() && !(table[end] == 0 && table[end + 1] == 0)) ++end;
    if (end + 1 >= table.size()) break;
    at = end + 2;
  }
  return out;
}

std::string DescriptorText(std::span<const uint8_t> descriptor, uint32_t offset) {
  if (offset == 0 || offset >= descriptor.size()) return {};
  size_t end = offset;
  while (end < descriptor.size() && descriptor[end] != 0) ++end;
  return TrimText(std::string(descriptor.begin() + offset, descriptor.begin() + static_cast<std::ptrdiff_t>(end)));
}

}  // namespace hwinfo
