#include "pe_file.h"

#include <algorithm>

namespace buildcheck {

namespace {

// Bounds-checked little-endian reads over the whole file; a failed read marks the reader bad.
class Reader {
 public:
  explicit Reader(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}
  bool ok() const { return ok_; }
  bool Has(uint64_t offset, uint64_t length) const { return offset <= bytes_.size() && length <= bytes_.size() - offset; }
  uint32_t U(uint64_t offset, int width) {
    if (!Has(offset, static_cast<uint64_t>(width))) {
      ok_ = false;
      return 0;
    }
    uint32_t value = 0;
    for (int i = width - 1; i >= 0; --i) value = (value << 8) | bytes_[static_cast<size_t>(offset) + i];
    return value;
  }
  uint16_t U16(uint64_t offset) { return static_cast<uint16_t>(U(offset, 2)); }
  uint32_t U32(uint64_t offset) { return U(offset, 4); }
  std::string Text(int64_t offset, size_t limit = 512) {
    std::string text;
    if (offset < 0) {
      ok_ = false;
      return text;
    }
    for (uint64_t i = static_cast<uint64_t>(offset); Has(i, 1) && bytes_[i] != 0 && text.size() < limit; ++i)
      text += static_cast<char>(bytes_[i]);
    return text;
  }
  // A resource directory string: a 16-bit length, then UTF-16 code units (kept when they are ASCII).
  std::string CountedText(int64_t offset) {
    if (offset < 0) {
      ok_ = false;
      return {};
    }
    uint16_t count = U16(static_cast<uint64_t>(offset));
    std::string text;
    for (uint16_t i = 0; i < count && ok_; ++i) {
      uint16_t c = U16(static_cast<uint64_t>(offset) + 2 + 2u * i);
      text += c < 0x80 ? static_cast<char>(c) : '?';
    }
    return text;
  }

 private:
  const std::vector<uint8_t>& bytes_;
  bool ok_ = true;
};

std::string NameOf(Reader& r, uint64_t resourceBase, uint32_t entryName) {
  if (entryName & 0x80000000u) return r.CountedText(static_cast<int64_t>(resourceBase + (entryName & 0x7FFFFFFFu)));
  return "#" + std::to_string(entryName);
}

void ReadResources(Reader& r, PeFile& pe, uint32_t rva) {
  int64_t base = pe.OffsetOf(rva);
  if (base < 0) return;
  auto entries = [&](uint64_t directory, auto&& visit) {
    uint32_t count = static_cast<uint32_t>(r.U16(directory + 12)) + r.U16(directory + 14);
    for (uint32_t i = 0; i < count && i < 4096 && r.ok(); ++i) {
      uint64_t entry = directory + 16 + 8ull * i;
      visit(r.U32(entry), r.U32(entry + 4));
    }
  };
  const uint64_t root = static_cast<uint64_t>(base);
  entries(root, [&](uint32_t typeName, uint32_t typeTarget) {
    if (!(typeTarget & 0x80000000u)) return;
    std::string type = NameOf(r, root, typeName);
    entries(root + (typeTarget & 0x7FFFFFFFu), [&](uint32_t name, uint32_t nameTarget) {
      if (!(nameTarget & 0x80000000u)) return;
      std::string resourceName = NameOf(r, root, name);
      // The third level holds one entry per language; the first is enough here.
      uint64_t languages = root + (nameTarget & 0x7FFFFFFFu);
      if (r.U16(languages + 12) + r.U16(languages + 14) == 0) return;
      uint32_t leaf = r.U32(languages + 16 + 4);
      if (leaf & 0x80000000u) return;
      uint64_t data = root + leaf;
      pe.resources.push_back({type, resourceName, r.U32(data), r.U32(data + 4)});
    });
  });
}

}  // namespace

int64_t PeFile::OffsetOf(uint32_t rva) const {
  for (const Section& s : sections) {
    uint32_t span = std::max(s.virtualSize, s.rawSize);
    if (rva >= s.virtualAddress && rva - s.virtualAddress < span) {
      uint32_t within = rva - s.virtualAddress;
      return within < s.rawSize ? static_cast<int64_t>(s.rawOffset) + within : -1;
    }
  }
  return -1;
}

bool PeFile::HasResource(const std::string& type, const std::string& name) const {
  return std::any_of(resources.begin(), resources.end(),
                     [&](const Resource& r) { return r.type == type && r.name == name; });
}

PeFile ReadPeFile(const std::vector<uint8_t>& bytes) {
  PeFile pe;
  Reader r(bytes);
  if (r.U16(0) != 0x5A4D) return pe;
  uint64_t header = r.U32(60);
  if (r.U32(header) != 0x00004550) return pe;
  pe.machine = r.U16(header + 4);
  uint16_t sectionCount = r.U16(header + 6);
  uint16_t optionalSize = r.U16(header + 20);
  uint64_t optional = header + 24;
  pe.magic = r.U16(optional);
  pe.subsystem = r.U16(optional + 68);
  uint64_t directories = optional + (pe.magic == kMagicPe32Plus ? 112 : 96);
  uint32_t directoryCount = r.U32(directories - 4);
  auto directory = [&](uint32_t index) -> uint32_t {
    return index < directoryCount ? r.U32(directories + 8ull * index) : 0;
  };
  uint64_t sectionTable = optional + optionalSize;
  for (uint16_t i = 0; i < sectionCount && r.ok(); ++i) {
    uint64_t s = sectionTable + 40ull * i;
    Section section;
    for (int c = 0; c < 8 && r.U(s + c, 1) != 0; ++c) section.name += static_cast<char>(r.U(s + c, 1));
    section.virtualSize = r.U32(s + 8);
    section.virtualAddress = r.U32(s + 12);
    section.rawSize = r.U32(s + 16);
    section.rawOffset = r.U32(s + 20);
    pe.sections.push_back(section);
  }
  if (!r.ok()) return pe;

  if (uint32_t exports = directory(0)) {
    int64_t dir = pe.OffsetOf(exports);
    if (dir >= 0) {
      uint32_t base = r.U32(static_cast<uint64_t>(dir) + 16);
      uint32_t count = r.U32(static_cast<uint64_t>(dir) + 24);
      int64_t names = pe.OffsetOf(r.U32(static_cast<uint64_t>(dir) + 32));
      int64_t ordinals = pe.OffsetOf(r.U32(static_cast<uint64_t>(dir) + 36));
      for (uint32_t i = 0; i < count && i < 100000 && names >= 0 && ordinals >= 0 && r.ok(); ++i) {
        pe.exports.push_back(r.Text(pe.OffsetOf(r.U32(static_cast<uint64_t>(names) + 4ull * i))));
        pe.exportOrdinals.push_back(base + r.U16(static_cast<uint64_t>(ordinals) + 2ull * i));
      }
    }
  }
  if (uint32_t imports = directory(1)) {
    int64_t dir = pe.OffsetOf(imports);
    for (uint64_t d = static_cast<uint64_t>(dir); dir >= 0 && r.ok(); d += 20) {
      uint32_t name = r.U32(d + 12);
      if (name == 0) break;
      pe.imports.push_back(r.Text(pe.OffsetOf(name)));
    }
  }
  if (uint32_t resources = directory(2)) ReadResources(r, pe, resources);
  pe.valid = r.ok();
  return pe;
}

}  // namespace buildcheck
