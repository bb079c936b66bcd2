// Helpers shared by the format tests: in-memory content and extraction.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "format/document.h"

namespace format::testing {

// Serves embedded file content from memory, keyed by EmbeddedFile::path.
class MemoryProvider final : public EmbeddedContentProvider {
 public:
  // Registers content and returns the record a reader gives back for it.
  EmbeddedFile Add(const std::u16string& sourcePath, std::vector<uint8_t> content);
  bool Open(const EmbeddedFile& file, uint64_t* size, std::unique_ptr<ByteSource>* content) override;

 private:
  std::map<std::u16string, std::vector<uint8_t>> contents_;
};

// Keeps extracted files in memory under names "x0", "x1", ...
class MemoryExtraction final : public EmbeddedFileSink {
 public:
  std::unique_ptr<EmbeddedFileWriter> Begin(std::u16string_view sourcePath, uint64_t size) override;

  std::map<std::u16string, std::vector<uint8_t>> files;
  std::vector<std::u16string> sources;
  bool failWrites = false;
};

std::vector<uint8_t> Bytes(std::string_view text);

// Compares two documents block by block, so that a failure names the block that differs.
void ExpectSameBlocks(const MovieDocumentData& actual, const MovieDocumentData& expected);
std::vector<uint8_t> Deflate(const std::vector<uint8_t>& raw);

}  // namespace format::testing
