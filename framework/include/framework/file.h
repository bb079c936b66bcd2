// Binary files and the buffered loading archive over them.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "framework/handles.h"

namespace framework {

// A file opened by path with the framework's open flags; failures are reported as values.
class CFile {
 public:
  enum OpenFlags : unsigned {
    modeRead = 0x0000,
    modeWrite = 0x0001,
    modeReadWrite = 0x0002,
    shareExclusive = 0x0010,
    shareDenyWrite = 0x0020,
    shareDenyRead = 0x0030,
    shareDenyNone = 0x0040,
    modeNoTruncate = 0x0100,
    modeCreate = 0x1000,
  };
  enum SeekPosition { begin = 0, current = 1, end = 2 };

  CFile() = default;
  CFile(const CFile&) = delete;
  CFile& operator=(const CFile&) = delete;
  CFile(CFile&&) noexcept = default;
  CFile& operator=(CFile&&) noexcept = default;
  virtual ~CFile() = default;

  bool Open(const std::wstring& path, unsigned flags);
  void Close() { handle_.reset(); }
  bool IsOpen() const { return static_cast<bool>(handle_); }

  // Returns the number of bytes read; fewer than asked means end of file or failure.
  virtual size_t Read(void* buffer, size_t count);
  virtual bool Write(const void* buffer, size_t count);
  bool Seek(int64_t offset, SeekPosition from);
  uint64_t GetLength() const;
  bool SetLength(uint64_t length);
  const std::wstring& GetFilePath() const { return path_; }
  HANDLE handle() const { return handle_.get(); }

 private:
  UniqueFile handle_;
  std::wstring path_;
};

// Reads a CFile through a buffer of a fixed size, the way the framework's loading archive does.
class CArchive {
 public:
  static constexpr size_t kDefaultBufferSize = 4096;

  CArchive(CFile& file, size_t bufferSize = kDefaultBufferSize);
  CArchive(const CArchive&) = delete;
  CArchive& operator=(const CArchive&) = delete;

  // Returns the bytes actually read; a short count is the end of the data or a read failure.
  size_t Read(void* buffer, size_t count);
  bool failed() const { return failed_; }

 private:
  bool Fill();

  CFile& file_;
  std::string buffer_;
  size_t begin_ = 0;
  size_t end_ = 0;
  bool failed_ = false;
};

}  // namespace framework
