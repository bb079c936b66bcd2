#include "framework/file.h"

#include <algorithm>
#include <cstring>

namespace framework {

bool CFile::Open(const std::wstring& path, unsigned flags) {
  handle_.reset();
  DWORD access = 0;
  switch (flags & 0x3) {
    case modeWrite:
      access = GENERIC_WRITE;
      break;
    case modeReadWrite:
      access = GENERIC_READ | GENERIC_WRITE;
      break;
    default:
      access = GENERIC_READ;
      break;
  }
  DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
  switch (flags & 0x70) {
    case shareExclusive:
      share = 0;
      break;
    case shareDenyWrite:
      share = FILE_SHARE_READ;
      break;
    case shareDenyRead:
      share = FILE_SHARE_WRITE;
      break;
    default:
      break;
  }
  DWORD disposition = OPEN_EXISTING;
  if (flags & modeCreate) disposition = (flags & modeNoTruncate) ? OPEN_ALWAYS : CREATE_ALWAYS;
  HANDLE h = ::CreateFileW(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  handle_.reset(h);
  path_ = path;
  return true;
}

size_t CFile::Read(void* buffer, size_t count) {
  if (!handle_) return 0;
  auto* out = static_cast<uint8_t*>(buffer);
  size_t total = 0;
  while (total < count) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(count - total, 1u << 30));
    DWORD got = 0;
    if (!::ReadFile(handle_.get(), out + total, chunk, &got, nullptr) || got == 0) break;
    total += got;
  }
  return total;
}

bool CFile::Write(const void* buffer, size_t count) {
  if (!handle_) return false;
  auto* in = static_cast<const uint8_t*>(buffer);
  size_t total = 0;
  while (total < count) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(count - total, 1u << 30));
    DWORD put = 0;
    if (!::WriteFile(handle_.get(), in + total, chunk, &put, nullptr) || put == 0) return false;
    total += put;
  }
  return true;
}

bool CFile::Seek(int64_t offset, SeekPosition from) {
  if (!handle_) return false;
  LARGE_INTEGER distance;
  distance.QuadPart = offset;
  return ::SetFilePointerEx(handle_.get(), distance, nullptr, static_cast<DWORD>(from)) != FALSE;
}

uint64_t CFile::GetLength() const {
  LARGE_INTEGER size;
  if (!handle_ || !::GetFileSizeEx(handle_.get(), &size)) return 0;
  return static_cast<uint64_t>(size.QuadPart);
}

bool CFile::SetLength(uint64_t length) {
  return Seek(static_cast<int64_t>(length), begin) && ::SetEndOfFile(handle_.get());
}

CArchive::CArchive(CFile& file, size_t bufferSize) : file_(file), buffer_(bufferSize ? bufferSize : 1, '\0') {}

bool CArchive::Fill() {
  begin_ = 0;
  end_ = file_.Read(buffer_.data(), buffer_.size());
  return end_ > 0;
}

size_t CArchive::Read(void* buffer, size_t count) {
  auto* out = static_cast<uint8_t*>(buffer);
  size_t total = 0;
  while (total < count) {
    if (begin_ == end_) {
      // Large reads bypass the buffer, as the framework's archive does once its buffer is drained.
      if (count - total >= buffer_.size()) {
        size_t got = file_.Read(out + total, count - total);
        total += got;
        if (total < count) failed_ = true;
        return total;
      }
      if (!Fill()) {
        failed_ = true;
        break;
      }
    }
    size_t n = std::min(count - total, end_ - begin_);
    std::memcpy(out + total, buffer_.data() + begin_, n);
    begin_ += n;
    total += n;
  }
  return total;
}

}  // namespace framework
