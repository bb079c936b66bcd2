#include "common/payload.h"

#include "format/payload.h"
#include "framework/file.h"
#include "common/text.h"

namespace projector {

size_t MappedImage::Open(const std::wstring& path) {
  Close();
  framework::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return 0;
  DWORD high = 0;
  DWORD low = ::GetFileSize(file.get(), &high);
  if ((low == INVALID_FILE_SIZE && ::GetLastError() != NO_ERROR) || high != 0 || low == 0) return 0;
  framework::UniqueHandle mapping(::CreateFileMappingW(file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
  if (!mapping) return 0;
  framework::UniqueMappedView view(::MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0));
  if (!view) return 0;
  file_ = std::move(file);
  mapping_ = std::move(mapping);
  view_ = std::move(view);
  size_ = low;
  return size_;
}

void MappedImage::Close() {
  view_.reset();
  mapping_.reset();
  file_.reset();
  size_ = 0;
}

bool PayloadExtractor::ExtractBlocks(const std::u16string& marker, const std::wstring& folder, bool all) {
  if (image_.size() == 0) return false;
  bool any = false;
  format::FileBlockScanner scanner(image_.base(), image_.size(), marker);
  format::FileBlockView block;
  while (scanner.Next(&block)) {
    if (block.headerComplete && block.header.version == format::kFileBlockVersion &&
        format::IsSafeFileName(block.header.name)) {
      std::wstring target = folder + L"\\" + ToWide(block.header.name);
      lastWritten_ = target;
      framework::CFile out;
      if (out.Open(target, framework::CFile::modeCreate | framework::CFile::modeWrite |
                               framework::CFile::shareDenyWrite)) {
        bool written = block.Extractable() &&
                       format::ExtractFileBlock(block, [&out](const uint8_t* data, size_t n) {
                         return out.Write(data, n);
                       });
        // A block that could not be written whole leaves an empty file, never a partial one.
        if (!written) out.SetLength(0);
        any = any || written;
      }
    }
    if (!all) break;
  }
  return any;
}

}  // namespace projector
