// Reads what the build checks need from a PE image: machine, optional header kind, subsystem, sections,
// imported DLLs, exports and the resource directory's names. Every offset is checked; a damaged file reads
// as invalid rather than out of bounds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace buildcheck {

inline constexpr uint16_t kMachineI386 = 0x14C;
inline constexpr uint16_t kMachineAmd64 = 0x8664;
inline constexpr uint16_t kMagicPe32 = 0x10B;
inline constexpr uint16_t kMagicPe32Plus = 0x20B;
inline constexpr uint16_t kSubsystemGui = 2;
inline constexpr uint16_t kSubsystemConsole = 3;

struct Section {
  std::string name;
  uint32_t virtualAddress = 0;
  uint32_t virtualSize = 0;
  uint32_t rawOffset = 0;
  uint32_t rawSize = 0;
};

// One resource, named by its type and its name: numbers as "#N", strings as they are.
struct Resource {
  std::string type;
  std::string name;
  uint32_t dataRva = 0;
  uint32_t size = 0;
};

struct PeFile {
  bool valid = false;
  uint16_t machine = 0;
  uint16_t magic = 0;
  uint16_t subsystem = 0;
  std::vector<Section> sections;
  std::vector<std::string> imports;  // DLL names as the import directory spells them
  std::vector<std::string> exports;  // export names in the export directory's order
  std::vector<uint32_t> exportOrdinals;  // the ordinal of each of those names
  std::vector<Resource> resources;

  // The file offset of an address, or -1 when no section holds it.
  int64_t OffsetOf(uint32_t rva) const;
  bool HasResource(const std::string& type, const std::string& name) const;
};

PeFile ReadPeFile(const std::vector<uint8_t>& bytes);

}  // namespace buildcheck
