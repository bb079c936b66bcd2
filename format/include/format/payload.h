// The payload container appended to the projector: markers, block headers,
// the marker search and a scanner over a mapped byte range.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace format {

// Each marker is kept as two words and joined at run time, so that the joined
// text never occurs in the stub and the first match lies in the container.
inline constexpr std::u16string_view kDocumentPrefix = u"_Brindlework_";
inline constexpr std::u16string_view kDocumentSuffix = u"_document_";
inline constexpr std::u16string_view kFsCommandPrefix = u"_VantraFsCommand_";
inline constexpr std::u16string_view kFsCommandSuffix = u"_Dll_";
inline constexpr std::u16string_view kInstallerPrefix = u"_VantraFlash_";
inline constexpr std::u16string_view kInstallerSuffix = u"_Installer_";
inline constexpr std::u16string_view kResourcePrefix = u"_Mardenkit_";
inline constexpr std::u16string_view kResourceSuffix = u"_Dll_";
inline constexpr std::u16string_view kToolPackagePrefix = u"_VantraPackage_";
inline constexpr std::u16string_view kToolPackageSuffix = u"_Tools_";

// Joined in a separate translation unit so the compiler cannot fold the
// result into a literal of the calling program.
std::u16string JoinMarker(std::u16string_view prefix, std::u16string_view suffix);

std::u16string DocumentMarker();
std::u16string FsCommandMarker();
std::u16string InstallerMarker();
std::u16string ResourceMarker();
std::u16string ToolPackageMarker();

// Block format version every file block carries; other versions are skipped.
inline constexpr uint32_t kFileBlockVersion = 100;
// Newest movie document format the reader accepts and the writer's default.
inline constexpr uint32_t kCurrentFormatVersion = 140;
inline constexpr uint32_t kOldestFormatVersion = 100;

// Boyer-Moore search with the bad-character rule only, comparing from the
// pattern's end; matches are reported in file order and never overlap.
class MarkerSearch {
 public:
  static constexpr size_t kMaxPattern = 257;

  // The pattern is the marker's UTF-16LE bytes without the terminating NUL.
  // Refuses an empty marker or one longer than kMaxPattern bytes.
  bool SetPattern(std::u16string_view marker);
  bool SetPatternBytes(const uint8_t* pattern, size_t length);
  size_t PatternLength() const { return m_; }

  const uint8_t* Find(const uint8_t* base, size_t length);
  // Continues behind the last match (last match + pattern length).
  const uint8_t* FindNext();

 private:
  const uint8_t* Search(const uint8_t* data, size_t n) const;

  std::array<uint8_t, kMaxPattern> pattern_{};
  size_t m_ = 0;
  std::array<size_t, 256> table_{};
  const uint8_t* base_ = nullptr;
  size_t length_ = 0;
  const uint8_t* last_ = nullptr;
};

struct DocumentHeader {
  static constexpr size_t kSize = 148;
  static constexpr size_t kMarkerBytes = 68;

  std::u16string marker;
  uint32_t version = 0;
  uint32_t compressed = 0;
  uint32_t uncompressedSize = 0;
  uint32_t compressedSize = 0;

  static std::optional<DocumentHeader> Parse(const uint8_t* p, size_t available);
  // Fails when the marker does not fit its field with a terminating NUL.
  std::optional<std::array<uint8_t, kSize>> Serialize() const;
  // The marker with trailing white space removed equals the document marker.
  bool HasDocumentMarker() const;
};

struct FileBlockHeader {
  static constexpr size_t kSize = 496;
  static constexpr size_t kMarkerBytes = 128;
  static constexpr size_t kNameOffset = 132;
  static constexpr size_t kNameBytes = 256;

  std::u16string marker;
  uint32_t version = 0;
  std::u16string name;
  uint32_t storedSize = 0;
  bool compressed = false;  // only the low byte of the word at 392 counts
  uint32_t compressedSize = 0;

  static std::optional<FileBlockHeader> Parse(const uint8_t* p, size_t available);
  std::optional<std::array<uint8_t, kSize>> Serialize() const;
  // What the body occupies: the zlib stream or the raw file.
  uint32_t BodyLength() const { return compressed ? compressedSize : storedSize; }
};

// False for names that could leave the folder they are written into or that
// Windows reads as another file: empty, "." or "..", containing "..", a
// separator, a drive colon or a control character, ending in a dot or a
// blank (Windows drops those), or a reserved device name (CON, PRN, AUX, NUL,
// COM1-9, LPT1-9, CONIN$, CONOUT$) with or without an extension.
bool IsSafeFileName(std::u16string_view name);

// One marker match in a mapped range. Nothing past the range is ever read:
// the header is parsed only when it fits, and bodyInRange says whether the
// body the header claims lies entirely inside the range.
struct FileBlockView {
  size_t offset = 0;
  bool headerComplete = false;
  FileBlockHeader header;
  const uint8_t* body = nullptr;
  uint64_t bodyLength = 0;
  bool bodyInRange = false;

  // Version 100, whole body present and a name that stays in its folder.
  bool Extractable() const;
};

// Iterates the blocks carrying one marker in file order. File blocks are
// looked for only behind the document block's body and behind the end of the
// previous block's body (of any kind), so a marker inside an embedded file,
// another packed projector for instance, is never taken for a block.
class FileBlockScanner {
 public:
  FileBlockScanner(const uint8_t* base, size_t size, std::u16string_view marker);
  bool Next(FileBlockView* out);

 private:
  struct Kind {
    MarkerSearch search;
    std::optional<size_t> match;  // the next match at or behind cursor_, once searched
    bool exhausted = false;
  };

  // The earliest match of any kind at or behind cursor_.
  Kind* NextMatch();

  const uint8_t* base_;
  size_t size_;
  std::vector<Kind> kinds_;  // kinds_[0] carries the marker asked for
  size_t cursor_ = 0;
  bool valid_ = true;
};

struct DocumentBlockView {
  size_t offset = 0;
  DocumentHeader header;
  const uint8_t* body = nullptr;
  size_t bodyAvailable = 0;  // from the body to the end of the range

  // Where the file blocks may begin: behind the body the header's sizes
  // describe, or right behind the header when those sizes do not fit the range.
  size_t BlocksStart() const;
};

// The first document marker in the range whose header fits and carries the
// document marker. Images of 10 bytes or less hold no document.
std::optional<DocumentBlockView> FindDocumentBlock(const uint8_t* base, size_t size);

// Writes a file block's content into sink: the raw body, or the inflated
// stream, which may not produce more than the stored size. False when the
// block is not extractable, the stream is damaged, or the sink refuses.
bool ExtractFileBlock(const FileBlockView& block,
                      const std::function<bool(const uint8_t*, size_t)>& sink,
                      uint64_t* produced = nullptr);

// UTF-16LE helpers for the fixed text fields.
std::u16string ReadFieldText(const uint8_t* p, size_t fieldBytes);
bool WriteFieldText(uint8_t* p, size_t fieldBytes, std::u16string_view text);

inline uint32_t LoadU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline void StoreU32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}

}  // namespace format
