// File helpers for the Windows tests: scratch folders, whole-file reads and writes, paths of the build tree.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

using Bytes = std::vector<uint8_t>;

// A fresh folder under the temporary folder, removed with everything in it at the end of the test.
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::wstring& tag);
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::wstring& path() const { return path_; }
  std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }

 private:
  std::wstring path_;
};

// The whole file, also while another handle has it open for writing; empty when it cannot be opened.
Bytes ReadFileBytes(const std::wstring& path);
bool WriteFileBytes(const std::wstring& path, const Bytes& bytes);

// The Windows path of a file of the build tree (the tests get its host path in PROJECTOR_BINARY_DIR).
std::wstring BuildTreePath(const std::wstring& relative);

}  // namespace testing_support
