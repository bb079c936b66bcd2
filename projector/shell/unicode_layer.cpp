#include "unicode_layer.h"

#include <shlobj.h>

#include <vector>

#include "format/inflate.h"
#include "framework/handles.h"

namespace projector {

namespace {

// The layer's bytes from the packed resource; empty when the resource is damaged in any way.
std::vector<uint8_t> UnpackLayer(std::span<const uint8_t> packed) {
  if (packed.size() < 4) return {};
  uint32_t size = packed[0] | packed[1] << 8 | packed[2] << 16 | static_cast<uint32_t>(packed[3]) << 24;
  if (size == 0 || size >= kUnicodeLayerSizeLimit) return {};
  std::vector<uint8_t> bytes;
  bytes.reserve(size);
  uint64_t produced = 0;
  bool ok = format::InflateTo(
      packed.data() + 4, packed.size() - 4, size,
      [&bytes](const uint8_t* data, size_t n) {
        bytes.insert(bytes.end(), data, data + n);
        return true;
      },
      &produced);
  // A stream that stops short of the stated size is as damaged as one that fails.
  if (!ok || produced != size) return {};
  return bytes;
}

bool WriteLayerFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  framework::UniqueFile file(::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  bool ok = ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
            written == bytes.size();
  file.reset();
  // A partial file would only fail to load on every later run.
  if (!ok) ::DeleteFileA(path.c_str());
  return ok;
}

std::span<const uint8_t> ProgramResource() {
  HMODULE program = ::GetModuleHandleA(nullptr);
  HRSRC found = ::FindResourceA(program, MAKEINTRESOURCEA(kUnicodeLayerResourceId), kUnicodeLayerResourceType);
  HGLOBAL loaded = found ? ::LoadResource(program, found) : nullptr;
  DWORD size = found ? ::SizeofResource(program, found) : 0;
  const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
  if (!bytes) return {};
  return std::span<const uint8_t>(static_cast<const uint8_t*>(bytes), size);
}

}  // namespace

HMODULE LoadUnicodeLayerFrom(const std::string& folder, std::span<const uint8_t> packed) {
  std::string path = folder + "\\" + kUnicodeLayerFileName;
  if (HMODULE layer = ::LoadLibraryA(path.c_str())) return layer;
  std::vector<uint8_t> bytes = UnpackLayer(packed);
  if (bytes.empty() || !WriteLayerFile(path, bytes)) return nullptr;
  return ::LoadLibraryA(path.c_str());
}

}  // namespace projector

extern "C" HMODULE __stdcall LoadUnicodeLayer() {
  try {
    char documents[MAX_PATH + 1] = {};
    if (!::SHGetSpecialFolderPathA(nullptr, documents, CSIDL_PERSONAL, FALSE)) return nullptr;
    return projector::LoadUnicodeLayerFrom(documents, projector::ProgramResource());
  } catch (...) {
    return nullptr;
  }
}

// The layer's import stubs look for this hook by name and call it before loading the layer themselves.
extern "C" {
HMODULE(__stdcall* _PfnLoadUnicows)() = &LoadUnicodeLayer;
}
