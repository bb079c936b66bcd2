// The projector's own executable mapped read-only once, and its payload blocks extracted from that view.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "framework/handles.h"

namespace projector {

// A read-only view of a whole file.
class MappedImage {
 public:
  MappedImage() = default;
  MappedImage(const MappedImage&) = delete;
  MappedImage& operator=(const MappedImage&) = delete;
  ~MappedImage() { Close(); }

  // Returns the file size, 0 on any failure; replaces any earlier view.
  size_t Open(const std::wstring& path);
  void Close();
  const uint8_t* base() const { return static_cast<const uint8_t*>(view_.get()); }
  size_t size() const { return size_; }

 private:
  framework::UniqueFile file_;
  framework::UniqueHandle mapping_;
  framework::UniqueMappedView view_;
  size_t size_ = 0;
};

// Writes the file blocks of the image carrying one marker into a folder.
class PayloadExtractor {
 public:
  explicit PayloadExtractor(const MappedImage& image) : image_(image) {}

  // TRUE when at least one block was written completely; with all FALSE only the first match is tried.
  bool ExtractBlocks(const std::u16string& marker, const std::wstring& folder, bool all);
  const std::wstring& lastWritten() const { return lastWritten_; }

 private:
  const MappedImage& image_;
  std::wstring lastWritten_;
};

}  // namespace projector
