// The projector's own executable mapped read-only, and its payload blocks found and extracted.
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

// Finds the document block in the running executable; the result is the marker's offset in the file.
bool FindDocumentBlock(size_t* offset);
bool FindDocumentBlockIn(const std::wstring& path, size_t* offset);

// Writes the file blocks carrying one marker into a folder.
class PayloadExtractor {
 public:
  PayloadExtractor();
  explicit PayloadExtractor(std::wstring imagePath) : imagePath_(std::move(imagePath)) {}

  // TRUE when at least one block was written completely; with all FALSE only the first match is tried.
  bool ExtractBlocks(const std::u16string& marker, const std::wstring& folder, bool all);
  const std::wstring& lastWritten() const { return lastWritten_; }

 private:
  std::wstring imagePath_;
  std::wstring lastWritten_;
};

}  // namespace projector
