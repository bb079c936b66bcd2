// The packer's TOML manifest: reading it into a movie document plus the
// payload blocks to carry, and writing a document back out as a manifest.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "format/document.h"

namespace pack {

// Files carried as payload blocks besides the document, in shipped order.
struct BlockFiles {
  std::vector<std::filesystem::path> fscommandLibraries;
  std::optional<std::filesystem::path> installer;
  std::optional<std::filesystem::path> resourceLibrary;
  std::optional<std::filesystem::path> toolPackage;
};

struct Manifest {
  std::optional<uint32_t> formatVersion;
  std::optional<bool> compress;
  bool searchStubFolder = true;
  // Embedded files: path holds the local file (absolute), sourcePath what is stored.
  format::MovieDocumentData document;
  BlockFiles blocks;
  // Fields the manifest gives that older format versions do not store, with the first version that does.
  struct NewerField {
    std::string key;
    uint32_t since = 0;
  };
  std::vector<NewerField> newerFields;
};

// Relative paths are taken from the manifest's folder. On failure error holds
// one line naming the file and, where there is one, the manifest line.
bool LoadManifest(const std::filesystem::path& path, Manifest* manifest, std::string* error);
bool ParseManifest(std::string_view text, const std::filesystem::path& path, Manifest* manifest, std::string* error);

// Whether the document gives the About box anything to show.
bool HasAboutContent(const format::MovieDocumentData& d);

// The block files a manifest written by WriteManifest names (relative paths).
struct BlockNames {
  std::vector<std::string> fscommandLibraries;
  std::string installer;
  std::string resourceLibrary;
  std::string toolPackage;
};

// A manifest that builds this document again. Each embedded record's path is
// written as its file name (relative to the manifest).
std::string WriteManifest(const format::MovieDocumentData& doc, uint32_t formatVersion, bool compress,
                          const BlockNames& blocks);

// LOGFONTW as stored in the overlay's font array.
struct LogFont {
  int32_t height = -13;
  int32_t width = 0;
  int32_t escapement = 0;
  int32_t orientation = 0;
  int32_t weight = 400;
  uint8_t italic = 0;
  uint8_t underline = 0;
  uint8_t strikeOut = 0;
  uint8_t charSet = 1;  // DEFAULT_CHARSET
  uint8_t outPrecision = 0;
  uint8_t clipPrecision = 0;
  uint8_t quality = 0;
  uint8_t pitchAndFamily = 0;
  std::u16string faceName;  // at most 31 units
};
inline constexpr size_t kLogFontSize = 92;
std::vector<uint8_t> SerializeLogFont(const LogFont& font);
bool ParseLogFont(const std::vector<uint8_t>& bytes, LogFont* font);

}  // namespace pack
