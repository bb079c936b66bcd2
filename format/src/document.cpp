#include "format/document.h"

#include <cassert>
#include <vector>

#include "format/document_fields.h"
#include "format/inflate.h"

namespace format {

EmbeddedFileWriter::~EmbeddedFileWriter() = default;
EmbeddedFileSink::~EmbeddedFileSink() = default;
EmbeddedContentProvider::~EmbeddedContentProvider() = default;

namespace {

// Reads the twelve blocks; each step returns false on the first short read.
class DocumentReader {
 public:
  DocumentReader(ByteSource& source, uint32_t version, const ReadOptions& options, bool optionalFields)
      : ar_(source), version_(version), options_(options), optionalFields_(optionalFields) {}

  bool Read(MovieDocumentData* d) {
    bool ok = ReadPlaylist(&d->playlist) && ForEachSettingsBlock(*d, [this](const char* name, auto& block) {
      block_ = name;
      return ReadFields(&block);
    });
    if (!ok && options_.error != nullptr && options_.error->empty()) *options_.error = Failure();
    return ok;
  }

  // Where the reading stopped and why, for authors looking at a damaged document.
  std::string Failure() const {
    std::string where = std::string("block \"") + block_ + "\" at byte " + std::to_string(ar_.Position());
    if (ar_.Overclaim() != 0) {
      return where + ": it claims " + std::to_string(ar_.Overclaim()) + " bytes, more than the document holds";
    }
    return where + ": the document ends early";
  }

  uint64_t Consumed() const { return ar_.Position(); }

 private:
  bool U32(uint32_t* v) { return ar_.ReadU32(v); }
  bool Str(std::u16string* s) { return ar_.ReadString(s); }

  void Progress() {
    if (options_.progress) options_.progress(progressIndex_);
    ++progressIndex_;
  }

  bool Embedded(EmbeddedFile* f) {
    *f = {};
    if (!Str(&f->sourcePath)) return false;
    f->path = f->sourcePath;
    uint64_t count;
    if (!ar_.ReadCount(&count)) return false;
    // A record without a path holds a placeholder byte; nothing is written
    // for it, nor for empty content.
    if (f->sourcePath.empty()) return ar_.Skip(count);
    f->size = count;
    if (count == 0 || options_.sink == nullptr) return ar_.Skip(count);
    std::unique_ptr<EmbeddedFileWriter> writer = options_.sink->Begin(f->sourcePath, count);
    if (!writer) return ar_.Skip(count);
    bool written = true;
    if (!ar_.ReadChunks(count, [&](const uint8_t* p, size_t n) { return writer->Write(p, n); }, &written)) {
      return false;
    }
    if (written) {
      if (std::optional<std::u16string> path = writer->Finish()) {
        f->path = std::move(*path);
        f->extracted = true;
      }
    }
    return true;
  }

  bool ReadPlaylist(Playlist* p) {
    uint32_t count;
    if (!U32(&count) || !U32(&p->reserved)) return false;
    // Entries are added as they arrive, and only as many as the bytes left could hold.
    if (!ar_.CanHold(uint64_t{count} * kLeastEntryBytes)) return false;
    for (uint32_t i = 0; i < count; ++i) {
      Progress();
      PlaylistEntry e;
      if (!Str(&e.sourcePath) || !ar_.ReadFloat(&e.displayTime) || !Embedded(&e.movie) || !Str(&e.options)) {
        return false;
      }
      uint32_t assets;
      if (!U32(&assets) || !ar_.CanHold(uint64_t{assets} * kLeastAssetBytes)) return false;
      for (uint32_t k = 0; k < assets; ++k) {
        Progress();
        Asset a;
        if (!Str(&a.name) || !U32(&a.embedded)) return false;
        if (a.embedded != 0) {
          if (!Embedded(&a.file)) return false;
        } else if (!Str(&a.path)) {
          return false;
        }
        e.assets.push_back(std::move(a));
      }
      p->entries.push_back(std::move(e));
    }
    return true;
  }

  template <class Block>
  bool ReadFields(Block* b) {
    for (const Field<Block>& f : FieldsOf<Block>()) {
      if (!f.StoredAt(version_) || !f.StoredWith(*b)) continue;
      if (f.OptionalAt(version_) && !optionalFields_) continue;
      if (!ReadField(f, b)) return false;
    }
    return true;
  }

  template <class Block>
  bool ReadField(const Field<Block>& f, Block* b) {
    switch (f.kind) {
      case FieldKind::kNumber:
      case FieldKind::kColour:
        return U32(&(b->*f.number));
      case FieldKind::kReserved: {
        uint32_t dropped;
        return U32(&dropped);
      }
      case FieldKind::kText:
        return Str(&(b->*f.text));
      case FieldKind::kFile:
        return Embedded(&(b->*f.file));
      case FieldKind::kRegion:
      case FieldKind::kFont:
        return ar_.ReadByteArray(&(b->*f.bytes));
    }
    return false;
  }

  // The shortest records: empty narrow strings (1 byte each), a float, an empty embedded file
  // (path and a 2-byte count) and the asset count; an asset's name, flag and path.
  static constexpr uint64_t kLeastEntryBytes = 1 + 4 + 1 + 2 + 1 + 4;
  static constexpr uint64_t kLeastAssetBytes = 1 + 4 + 1;

  ArchiveReader ar_;
  uint32_t version_;
  const ReadOptions& options_;
  bool optionalFields_;
  size_t progressIndex_ = 0;
  const char* block_ = "playlist";
};

class DocumentWriter {
 public:
  DocumentWriter(ByteSink& sink, uint32_t version, EmbeddedContentProvider& provider)
      : ar_(sink), version_(version), provider_(provider) {}

  bool Write(const MovieDocumentData& d) {
    return WritePlaylist(d.playlist) &&
           ForEachSettingsBlock(d, [this](const char*, const auto& block) { return WriteFields(block); });
  }

 private:
  bool U32(uint32_t v) { return ar_.WriteU32(v); }
  bool Str(std::u16string_view s) { return ar_.WriteString(s); }

  bool Embedded(const EmbeddedFile& f) {
    if (!Str(f.sourcePath)) return false;
    if (f.sourcePath.empty()) {
      const uint8_t placeholder = 0;
      return ar_.WriteCount(1) && ar_.WriteBytes(&placeholder, 1);
    }
    uint64_t size = 0;
    std::unique_ptr<ByteSource> content;
    if (!provider_.Open(f, &size, &content) || !content) return false;
    if (!ar_.WriteCount(size)) return false;
    ArchiveSinkAdapter out(ar_);
    return CopyStream(*content, out, nullptr, &size);
  }

  // Lets a stream copy go through the archive writer's byte count.
  class ArchiveSinkAdapter final : public ByteSink {
   public:
    explicit ArchiveSinkAdapter(ArchiveWriter& ar) : ar_(ar) {}
    bool Write(const void* src, size_t n) override { return ar_.WriteBytes(src, n); }

   private:
    ArchiveWriter& ar_;
  };

  bool WritePlaylist(const Playlist& p) {
    if (p.entries.size() > 0xFFFFFFFFu) return false;
    if (!U32(static_cast<uint32_t>(p.entries.size())) || !U32(p.reserved)) return false;
    for (const PlaylistEntry& e : p.entries) {
      if (e.assets.size() > 0xFFFFFFFFu) return false;
      if (!(Str(e.sourcePath) && ar_.WriteFloat(e.displayTime) && Embedded(e.movie) && Str(e.options) &&
            U32(static_cast<uint32_t>(e.assets.size())))) {
        return false;
      }
      for (const Asset& a : e.assets) {
        if (!Str(a.name) || !U32(a.embedded)) return false;
        if (!(a.embedded != 0 ? Embedded(a.file) : Str(a.path))) return false;
      }
    }
    return true;
  }

  template <class Block>
  bool WriteFields(const Block& b) {
    for (const Field<Block>& f : FieldsOf<Block>()) {
      if (!f.StoredAt(version_) || !f.StoredWith(b)) continue;
      if (!WriteField(f, b)) return false;
    }
    return true;
  }

  template <class Block>
  bool WriteField(const Field<Block>& f, const Block& b) {
    switch (f.kind) {
      case FieldKind::kNumber:
      case FieldKind::kColour:
        return U32(b.*f.number);
      case FieldKind::kReserved:
        return U32(0);
      case FieldKind::kText:
        return Str(b.*f.text);
      case FieldKind::kFile:
        return Embedded(b.*f.file);
      case FieldKind::kRegion:
      case FieldKind::kFont:
        return ar_.WriteByteArray(b.*f.bytes);
    }
    return false;
  }

  ArchiveWriter ar_;
  uint32_t version_;
  EmbeddedContentProvider& provider_;
};

// Passes reads on to a source the caller owns.
class ForwardingSource final : public ByteSource {
 public:
  explicit ForwardingSource(ByteSource& source) : source_(source) {}
  size_t Read(void* dst, size_t n) override { return source_.Read(dst, n); }
  std::optional<uint64_t> RemainingBound() const override { return source_.RemainingBound(); }

 private:
  ByteSource& source_;
};

// Opens a body afresh, for a body read more than once.
using BodyOpener = std::function<std::unique_ptr<ByteSource>()>;

bool ReadOnce(ByteSource& source, uint32_t version, bool optionalFields, MovieDocumentData* doc,
              const ReadOptions& options, uint64_t* consumed) {
  DocumentReader reader(source, version, options, optionalFields);
  bool ok = reader.Read(doc);
  *consumed = reader.Consumed();
  return ok;
}

// Whether a body of this version may have been stored with or without its optional fields.
bool HasOptionalFields(uint32_t version) { return version < kTextDOptionalBefore; }

// Reads a body that ends bodyLength bytes from its start. Where the optional fields may be missing, both
// readings are tried first without writing anything, and the one chosen is read for real.
bool ReadBody(const BodyOpener& open, uint64_t bodyLength, uint32_t version, MovieDocumentData* doc,
              const ReadOptions& options) {
  assert(doc != nullptr);
  doc->Reset();
  // Refused before anything is read, so that no embedded file gets written.
  if (version > kCurrentFormatVersion) return false;
  bool optionalFields = true;
  if (HasOptionalFields(version)) {
    ReadOptions dry = options;
    dry.sink = nullptr;
    dry.progress = nullptr;
    auto attempt = [&](bool withOptional, bool* exact) {
      MovieDocumentData scratch;
      uint64_t consumed = 0;
      std::unique_ptr<ByteSource> source = open();
      bool ok = source && ReadOnce(*source, version, withOptional, &scratch, dry, &consumed);
      *exact = ok && consumed == bodyLength;
      return ok;
    };
    bool exactWith = false, exactWithout = false;
    bool readWith = attempt(true, &exactWith);
    bool readWithout = !exactWith && attempt(false, &exactWithout);
    if (!readWith && !readWithout) return false;
    optionalFields = exactWith || (!exactWithout && readWith);
  }
  std::unique_ptr<ByteSource> source = open();
  uint64_t consumed = 0;
  if (!source || !ReadOnce(*source, version, optionalFields, doc, options, &consumed)) {
    doc->Reset();
    return false;
  }
  return true;
}

}  // namespace

bool ReadDocumentBody(ByteSource& source, uint32_t version, MovieDocumentData* doc, const ReadOptions& options) {
  assert(doc != nullptr);
  if (!HasOptionalFields(version)) {
    return ReadBody([&source]() { return std::unique_ptr<ByteSource>(new ForwardingSource(source)); }, 0, version,
                    doc, options);
  }
  // A forward-only source is taken whole so that the body can be read more than once.
  std::vector<uint8_t> body;
  uint8_t chunk[4096];
  for (size_t got; (got = source.Read(chunk, sizeof chunk)) > 0;) body.insert(body.end(), chunk, chunk + got);
  return ReadBody([&body]() { return std::make_unique<MemorySource>(body.data(), body.size()); }, body.size(),
                  version, doc, options);
}

bool ReadDocument(ByteSource& source, MovieDocumentData* doc, const ReadOptions& options, DocumentHeader* header) {
  assert(doc != nullptr);
  doc->Reset();
  uint8_t raw[DocumentHeader::kSize];
  if (source.Read(raw, sizeof raw) != sizeof raw) return false;
  std::optional<DocumentHeader> h = DocumentHeader::Parse(raw, sizeof raw);
  if (!h || !h->HasDocumentMarker()) return false;
  if (header) *header = *h;
  return ReadDocumentBody(source, h->version, doc, options);
}

bool ReadDocumentFromImage(const uint8_t* base, size_t size, MovieDocumentData* doc, const ReadOptions& options,
                           DocumentHeader* header) {
  assert(doc != nullptr);
  doc->Reset();
  std::optional<DocumentBlockView> block = FindDocumentBlock(base, size);
  if (!block) return false;
  if (header) *header = block->header;
  const uint8_t* body = block->body;
  const size_t available = block->bodyAvailable;
  const uint32_t stated = block->header.uncompressedSize;
  if (block->header.compressed != 0) {
    if (options.refuseImpossibleSize && stated / 1032 > available + 64) return false;
    // The streams stay open after the read so that a damaged one can say how far it got.
    std::vector<std::unique_ptr<InflatingSource>> opened;
    auto open = [&]() -> std::unique_ptr<ByteSource> {
      opened.push_back(std::make_unique<InflatingSource>(body, available, stated));
      return std::make_unique<ForwardingSource>(*opened.back());
    };
    bool ok = ReadBody(open, stated, block->header.version, doc, options);
    if (!ok && !opened.empty() && opened.back()->Failed() && options.error != nullptr) {
      *options.error = "the compressed stream is damaged after " + std::to_string(opened.back()->Produced()) +
                       " of " + std::to_string(stated) + " bytes (" + *options.error + ")";
    }
    return ok;
  }
  // A stored body is read in place; the file blocks behind it are not part of it.
  uint64_t length = stated != 0 && stated <= available ? stated : available;
  return ReadBody([=]() { return std::make_unique<MemorySource>(body, available); }, length, block->header.version,
                  doc, options);
}

bool WriteDocumentBody(ByteSink& sink, uint32_t version, const MovieDocumentData& doc,
                       EmbeddedContentProvider& provider) {
  if (version < kOldestFormatVersion || version > kCurrentFormatVersion) return false;
  DocumentWriter writer(sink, version, provider);
  return writer.Write(doc);
}

bool WriteDocument(ByteSink& sink, uint32_t version, const MovieDocumentData& doc,
                   EmbeddedContentProvider& provider) {
  DocumentHeader header;
  header.marker = DocumentMarker();
  header.version = version;
  auto raw = header.Serialize();
  if (!raw || version < kOldestFormatVersion || version > kCurrentFormatVersion) return false;
  return sink.Write(raw->data(), raw->size()) && WriteDocumentBody(sink, version, doc, provider);
}

}  // namespace format
