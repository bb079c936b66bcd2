// The movie document: its twelve blocks as plain data, and the archive reader
// and writer for every format version from 100 to 140. The field order and the
// version that brought each field are in document_fields.h. Fields named
// kept... are stored and handed on but mean nothing to the player; most take
// their number or letter from their manifest key.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "format/archive.h"
#include "format/payload.h"
#include "format/stream.h"

namespace format {

// A file carried inside the document: its source path as stored and, after
// reading, the path to use (the extracted file, or the source path when
// nothing was extracted). For writing, path names the content to store.
struct EmbeddedFile {
  std::u16string sourcePath;
  std::u16string path;
  uint64_t size = 0;  // bytes of content stored (0 when the path is empty)
  bool extracted = false;

  bool Empty() const { return sourcePath.empty(); }
  bool operator==(const EmbeddedFile&) const = default;
};

struct Asset {
  std::u16string name;
  uint32_t embedded = 1;
  EmbeddedFile file;   // when embedded is non-zero
  std::u16string path; // when embedded is zero: read and dropped by the projector

  bool operator==(const Asset&) const = default;
};

struct PlaylistEntry {
  std::u16string sourcePath;
  float displayTime = 0.0f;
  EmbeddedFile movie;
  std::u16string options;
  std::vector<Asset> assets;

  bool operator==(const PlaylistEntry&) const = default;
};

struct Playlist {
  uint32_t reserved = 0;
  std::vector<PlaylistEntry> entries;

  void Reset() { *this = {}; }
  bool operator==(const Playlist&) const = default;
};

struct AboutTexts {
  std::u16string productName;  // 1st
  std::u16string keptText2;
  std::u16string keptText3;
  std::u16string notice;       // 4th
  std::u16string keptText5;
  std::u16string keptText6;
  std::u16string version;      // 7th

  void Reset() { *this = {}; }
  bool operator==(const AboutTexts&) const = default;
};

struct SizeSettings {
  uint32_t sizeMode = 0;  // 0 movie size, 1 fixed, 2 percentage, 3 full screen
  uint32_t initialState = 0;
  // Bit 0 clear fits the movie to the view; with bit 0 set, bit 1 shows it all
  // (aspect kept) and clear shows it unscaled. Bit 1 also allows zooming.
  uint32_t scaleFlags = 3;
  uint32_t horizontalPlacement = 0;
  uint32_t verticalPlacement = 0;
  uint32_t alignment = 1;
  uint32_t fixedWidth = 800;
  uint32_t fixedHeight = 600;
  uint32_t percentage = 100;
  uint32_t horizontalOffset = 0;
  uint32_t keptValue12 = 0;  // the twelfth value of the block
  uint32_t verticalOffsetMovieSize = 0;
  uint32_t verticalOffsetFixedSize = 0;
  uint32_t useWorkArea = 1;  // stored from format version 140

  void Reset() { *this = {}; }
  bool operator==(const SizeSettings&) const = default;
};

struct WindowSettings {
  std::u16string title;
  uint32_t keptValue1 = 0;
  std::u16string keptText1;
  EmbeddedFile icon;
  uint32_t shapeKind = 0;  // 0 rectangle, 1 built-in shape, 2 custom region
  uint32_t shapeIndex = 0;
  std::vector<uint8_t> customRegion;  // RGNDATA
  uint32_t captionStyle = 1;
  uint32_t maximizeBox = 1;
  uint32_t minimizeBox = 1;
  uint32_t systemMenu = 1;
  uint32_t keptValue2 = 0;
  uint32_t displayMode = 0;  // 0 normal, 1 background colour, 2 transparent
  uint32_t backgroundColor = 0xFFFFFF;
  uint32_t showInTaskbar = 1;
  uint32_t trayIcon = 0;
  uint32_t alwaysOnTop = 0;
  uint32_t taskbarCommand = 0;         // stored from format version 130
  uint32_t taskbarCommandAtClose = 0;  // stored from format version 130

  void Reset() { *this = {}; }
  bool operator==(const WindowSettings&) const = default;
};

struct ControlSettings {
  uint32_t leftButtonMode = 0;
  uint32_t rightButtonMode = 1;
  uint32_t keyMode = 0;
  uint32_t escCloses = 1;
  uint32_t anyKeyCloses = 0;

  void Reset() { *this = {}; }
  bool operator==(const ControlSettings&) const = default;
};

struct PlaylistOptions {
  uint32_t timer = 1;
  uint32_t loop = 0;
  uint32_t keptValue3 = 0;
  uint32_t options = 0;  // bit 1: block the Print Screen key
  uint32_t keptValue5 = 0;
  uint32_t keptValue6 = 0;
  uint32_t keptValue7 = 30;
  std::u16string keptTextA;
  uint32_t keptValue8 = 0;
  std::u16string keptTextB;
  uint32_t keptValue9 = 0;
  std::u16string keptTextC;
  std::u16string keptTextD;  // written at every version; documents older than 120 may lack it

  void Reset() { *this = {}; }
  bool operator==(const PlaylistOptions&) const = default;
};

// The menu* values switch the optional entries of the player's context menu:
// non-zero shows the entry.
struct AboutSettings {
  uint32_t menuMaximize = 1;  // cleared in transparent mode
  uint32_t menuMinimize = 1;
  uint32_t menuRestore = 1;
  uint32_t menuAlwaysOnTop = 1;
  uint32_t menuExit = 1;
  std::u16string webLabel;
  std::u16string webAddress;
  std::u16string mailLabel;
  // As stored; the projector puts "mailto:" in front when it opens it (common::MailAddress).
  std::u16string mailAddress;
  uint32_t keptValue6 = 0;
  std::u16string keptText1;
  // Stored from format version 101:
  std::u16string webExtra;
  std::u16string mailExtra;
  uint32_t menuZoomIn = 1;
  uint32_t menuZoomOut = 1;
  uint32_t menuShowAll = 1;
  uint32_t menuQuality = 1;
  uint32_t menuPlay = 1;
  uint32_t menuLoop = 1;
  uint32_t menuRewind = 1;
  uint32_t menuForward = 1;
  uint32_t menuBack = 1;
  uint32_t noAbout = 1;  // zero: the system menu offers the About box
  EmbeddedFile picture;

  void Reset() { *this = {}; }
  bool operator==(const AboutSettings&) const = default;
};

struct OverlaySettings {
  uint32_t position = 0;
  uint32_t textAlignment = 0;  // 2 centred, 1 right, other left
  uint32_t keptValue3 = 0;
  std::u16string text;
  uint32_t textColor = 0;
  uint32_t textBackgroundColor = 0xFFFFFF;
  // One LOGFONTW (92 bytes); 10 bytes or fewer mean no font, and the projector
  // keeps its default 10-point font.
  std::vector<uint8_t> font;
  uint32_t keptValue7 = 0;
  std::u16string keptText2;
  EmbeddedFile picture;

  void Reset() { *this = {}; }
  bool operator==(const OverlaySettings&) const = default;
};

struct QualitySettings {
  uint32_t quality = 0;
  uint32_t keptValue2 = 1;

  void Reset() { *this = {}; }
  bool operator==(const QualitySettings&) const = default;
};

struct DebugSettings {
  uint32_t showLog = 0;
  uint32_t keptValue2 = 0;

  void Reset() { *this = {}; }
  bool operator==(const DebugSettings&) const = default;
};

struct SoundSettings {
  uint32_t embedded = 1;
  uint32_t play = 0;
  uint32_t loop = 0;
  std::u16string sourcePath;
  std::u16string path;
  EmbeddedFile file;  // stored only when embedded is non-zero

  // The extracted file when there is one, else the path as stored.
  const std::u16string& EffectivePath() const {
    return embedded != 0 && file.extracted ? file.path : path;
  }
  void Reset() { *this = {}; }
  bool operator==(const SoundSettings&) const = default;
};

struct MovieDocumentData {
  Playlist playlist;
  AboutTexts aboutTexts;
  SizeSettings size;
  WindowSettings window;
  ControlSettings control;
  PlaylistOptions playlistOptions;
  AboutSettings about;
  OverlaySettings overlay;
  QualitySettings quality;
  QualitySettings quality2;
  DebugSettings debug;
  SoundSettings sound;

  void Reset() { *this = {}; }
  bool operator==(const MovieDocumentData&) const = default;
};

// Receives one embedded file's content while the document is read. Finish
// returns the path to record; destroying the writer without Finish (after a
// failed Write) abandons the file.
class EmbeddedFileWriter {
 public:
  virtual ~EmbeddedFileWriter();
  virtual bool Write(const uint8_t* data, size_t n) = 0;
  virtual std::optional<std::u16string> Finish() = 0;
};

// Where embedded files go while reading; Begin returning null keeps the
// source path and the content is skipped.
class EmbeddedFileSink {
 public:
  virtual ~EmbeddedFileSink();
  virtual std::unique_ptr<EmbeddedFileWriter> Begin(std::u16string_view sourcePath, uint64_t size) = 0;
};

struct ReadOptions {
  EmbeddedFileSink* sink = nullptr;  // null: contents are skipped, paths stay as read
  // Called before each playlist entry and each asset with a running index from 0.
  std::function<void(size_t)> progress;
  // Refuse a compressed document whose stated size zlib could not reach from the bytes there are (it expands
  // its input about 1032 times at most), before anything is read.
  bool refuseImpossibleSize = false;
  // When set, a failed read says here where it stopped and why.
  std::string* error = nullptr;
};

// Supplies embedded file content while writing, opened by EmbeddedFile::path.
class EmbeddedContentProvider {
 public:
  virtual ~EmbeddedContentProvider();
  virtual bool Open(const EmbeddedFile& file, uint64_t* size, std::unique_ptr<ByteSource>* content) = 0;
};

// The twelve blocks in stream order, for the given format version. Versions
// above 140 are refused before anything is read.
bool ReadDocumentBody(ByteSource& source, uint32_t version, MovieDocumentData* doc,
                      const ReadOptions& options = {});

// The 148-byte document header (marker checked) followed by the body, as a
// document stored in place is read. A failed read leaves doc reset.
bool ReadDocument(ByteSource& source, MovieDocumentData* doc, const ReadOptions& options = {},
                  DocumentHeader* header = nullptr);

// Reads the document found in a mapped image: compressed bodies are inflated
// as they are read (at most the header's uncompressed size), stored ones are
// read in place.
bool ReadDocumentFromImage(const uint8_t* base, size_t size, MovieDocumentData* doc,
                           const ReadOptions& options = {}, DocumentHeader* header = nullptr);

// Writes the twelve blocks for a format version from 100 to 140.
bool WriteDocumentBody(ByteSink& sink, uint32_t version, const MovieDocumentData& doc,
                       EmbeddedContentProvider& provider);

// A stored document as ReadDocument reads it: a header (the document marker,
// the version, compressed flag 0, both sizes 0) and the body. The packer's
// container writer fills in the sizes; readers never need them.
bool WriteDocument(ByteSink& sink, uint32_t version, const MovieDocumentData& doc,
                   EmbeddedContentProvider& provider);

}  // namespace format
