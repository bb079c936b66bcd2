// Helpers for the shell's tests: documents in memory, packed projectors, child processes; the file helpers
// all Windows tests share come with them.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "format/document.h"
#include "testing_support/files.h"

namespace testing_support {

// Supplies embedded file content from memory, keyed by the EmbeddedFile's path.
class MemoryContent : public format::EmbeddedContentProvider {
 public:
  void Add(const std::u16string& path, Bytes content) { files_[path] = std::move(content); }
  bool Open(const format::EmbeddedFile& file, uint64_t* size, std::unique_ptr<format::ByteSource>* content) override;

 private:
  std::map<std::u16string, Bytes> files_;
};

// An embedded file record whose content is held by a MemoryContent under the same name.
format::EmbeddedFile Embed(MemoryContent& content, const std::u16string& sourcePath, Bytes bytes);

struct FileBlock {
  std::u16string marker;
  std::u16string name;
  Bytes content;
  bool compress = true;
};

// stub + document block (+ file blocks), as the packer lays them out.
Bytes PackImage(const Bytes& stub, const format::MovieDocumentData& doc, format::EmbeddedContentProvider& content,
                uint32_t version = 140, bool compress = true, const std::vector<FileBlock>& blocks = {});

std::vector<std::wstring> ListFolder(const std::wstring& folder);

// A 2 x 2 24-bit BMP, the smallest picture a play list shows.
Bytes TinyBitmap();

// The projector stub as built: every packed projector of the tests starts with it (empty before it is built).
const Bytes& BuiltStub();
// Registers the stand-in Flash control of the build tree for this user.
bool RegisterBuiltFlashControl();

// Runs a program with TEMP and TMP pointing at a folder; returns its exit code, or -1 when it did not end in time.
int RunWithTemp(const std::wstring& exe, const std::wstring& tempFolder, DWORD timeoutMs = 30000,
                HANDLE* keepProcess = nullptr);

// Runs a program like RunWithTemp; once it shows a window, waits closeAfterMs and closes it with Esc.
// Returns the exit code, or -1 when it did not end in time.
int RunAndClose(const std::wstring& exe, const std::wstring& tempFolder, DWORD closeAfterMs = 300,
                const std::function<void(HWND)>& inspect = nullptr);

// The first visible top-level window of a process, waiting up to timeoutMs for it.
HWND WaitForProcessWindow(DWORD processId, HANDLE process, DWORD timeoutMs);

}  // namespace testing_support
