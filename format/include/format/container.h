// Writes a packed projector: the stub, the document block and file blocks,
// each block right behind the previous one.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <string_view>

#include "format/document.h"
#include "format/payload.h"
#include "format/stream.h"

namespace format {

// A file opened for writing whose earlier bytes can be rewritten.
class FileSink final : public PatchableSink {
 public:
  explicit FileSink(const std::filesystem::path& path);
  bool IsOpen() const { return out_.is_open() && !failed_; }
  bool Write(const void* src, size_t n) override;
  uint64_t Position() const override { return position_; }
  bool Patch(uint64_t position, const void* src, size_t n) override;
  bool Close();

 private:
  std::fstream out_;
  uint64_t position_ = 0;
  bool failed_ = false;
};

// Reads a file in bounded pieces.
class FileSource final : public ByteSource {
 public:
  explicit FileSource(const std::filesystem::path& path);
  bool IsOpen() const { return in_.is_open(); }
  size_t Read(void* dst, size_t n) override;

 private:
  std::ifstream in_;
};

// Appends blocks to a sink in the order they are written. Every size field
// is 32 bits: a block that would not fit is refused.
class ContainerWriter {
 public:
  explicit ContainerWriter(PatchableSink& out) : out_(out) {}

  // Called with the bytes written so far, for progress lines.
  void SetProgress(std::function<void(uint64_t)> progress) { progress_ = std::move(progress); }

  bool WriteStub(ByteSource& stub);
  // The document block: header (version, compressed flag, both sizes, zero
  // reserved bytes) and the archive stream, deflated when compress is set.
  bool WriteDocument(uint32_t version, const MovieDocumentData& doc, EmbeddedContentProvider& provider,
                     bool compress = true);
  // A file block of version 100 whose content has exactly size bytes.
  bool WriteFileBlock(std::u16string_view marker, std::u16string_view name, ByteSource& content, uint64_t size,
                      bool compress = true);

 private:
  class ProgressSink;

  PatchableSink& out_;
  std::function<void(uint64_t)> progress_;
};

}  // namespace format
