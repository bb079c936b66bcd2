#include "format/document.h"

#include <cassert>

#include "format/inflate.h"

namespace format {

EmbeddedFileWriter::~EmbeddedFileWriter() = default;
EmbeddedFileSink::~EmbeddedFileSink() = default;
EmbeddedContentProvider::~EmbeddedContentProvider() = default;

namespace {

// Reads the twelve blocks; each step returns false on the first short read.
class DocumentReader {
 public:
  DocumentReader(ByteSource& source, uint32_t version, const ReadOptions& options)
      : ar_(source), version_(version), options_(options) {}

  bool Read(MovieDocumentData* d) {
    return ReadPlaylist(&d->playlist) && ReadAboutTexts(&d->aboutTexts) && ReadSize(&d->size) &&
           ReadWindow(&d->window) && ReadControl(&d->control) && ReadPlaylistOptions(&d->playlistOptions) &&
           ReadAbout(&d->about) && ReadOverlay(&d->overlay) && ReadQuality(&d->quality) &&
           ReadQuality(&d->quality2) && ReadDebug(&d->debug) && ReadSound(&d->sound);
  }

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
    // Entries are added as they arrive: the count is never trusted for allocation.
    for (uint32_t i = 0; i < count; ++i) {
      Progress();
      PlaylistEntry e;
      if (!Str(&e.sourcePath) || !ar_.ReadFloat(&e.displayTime) || !Embedded(&e.movie) || !Str(&e.options)) {
        return false;
      }
      uint32_t assets;
      if (!U32(&assets)) return false;
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

  bool ReadAboutTexts(AboutTexts* t) {
    return Str(&t->productName) && Str(&t->text2) && Str(&t->text3) && Str(&t->notice) && Str(&t->text5) &&
           Str(&t->text6) && Str(&t->version);
  }

  bool ReadSize(SizeSettings* s) {
    uint32_t reserved;
    if (!(U32(&s->sizeMode) && U32(&reserved) && U32(&s->initialState) && U32(&s->flags) &&
          U32(&s->horizontalPlacement) && U32(&s->verticalPlacement) && U32(&s->alignment) &&
          U32(&s->fixedWidth) && U32(&s->fixedHeight) && U32(&s->percentage) && U32(&s->horizontalOffset) &&
          U32(&s->keptValue) && U32(&s->verticalOffsetMovieSize) && U32(&s->verticalOffsetFixedSize))) {
      return false;
    }
    return version_ <= 139 || U32(&s->useWorkArea);
  }

  bool ReadWindow(WindowSettings* w) {
    if (!(Str(&w->title) && U32(&w->value1) && Str(&w->text1) && Embedded(&w->icon) && U32(&w->shapeKind) &&
          U32(&w->shapeIndex) && ar_.ReadByteArray(&w->customRegion) && U32(&w->captionStyle) &&
          U32(&w->maximizeBox) && U32(&w->minimizeBox) && U32(&w->systemMenu) && U32(&w->value2) &&
          U32(&w->displayMode) && U32(&w->backgroundColor) && U32(&w->showInTaskbar) && U32(&w->trayIcon) &&
          U32(&w->alwaysOnTop))) {
      return false;
    }
    return version_ < 130 || (U32(&w->taskbarCommand) && U32(&w->taskbarCommandAtClose));
  }

  bool ReadControl(ControlSettings* c) {
    return U32(&c->leftButtonMode) && U32(&c->rightButtonMode) && U32(&c->keyMode) && U32(&c->escCloses) &&
           U32(&c->anyKeyCloses);
  }

  bool ReadPlaylistOptions(PlaylistOptions* o) {
    if (!(U32(&o->timer) && U32(&o->loop) && U32(&o->value3) && U32(&o->options) && U32(&o->value5) &&
          U32(&o->value6) && U32(&o->value7) && Str(&o->textA) && U32(&o->value8) && Str(&o->textB) &&
          U32(&o->value9) && Str(&o->textC))) {
      return false;
    }
    return version_ <= 119 || Str(&o->textD);
  }

  bool ReadAbout(AboutSettings* a) {
    if (!(U32(&a->value1) && U32(&a->value2) && U32(&a->value3) && U32(&a->value4) && U32(&a->value5) &&
          Str(&a->webLabel) && Str(&a->webAddress) && Str(&a->mailLabel) && Str(&a->mailAddress) &&
          U32(&a->value6) && Str(&a->text1))) {
      return false;
    }
    if (version_ > 100) {
      if (!Str(&a->webExtra) || !Str(&a->mailExtra)) return false;
      for (uint32_t& v : a->values7to15) {
        if (!U32(&v)) return false;
      }
      if (!U32(&a->noAbout)) return false;
    }
    return Embedded(&a->picture);
  }

  bool ReadOverlay(OverlaySettings* o) {
    return U32(&o->position) && U32(&o->alignment) && U32(&o->value3) && Str(&o->text) && U32(&o->textColor) &&
           U32(&o->backgroundColor) && ar_.ReadByteArray(&o->font) && U32(&o->value7) && Str(&o->text2) &&
           Embedded(&o->picture);
  }

  bool ReadQuality(QualitySettings* q) { return U32(&q->quality) && U32(&q->value2); }
  bool ReadDebug(DebugSettings* d) { return U32(&d->showLog) && U32(&d->value2); }

  bool ReadSound(SoundSettings* s) {
    if (!(U32(&s->embedded) && U32(&s->play) && U32(&s->loop) && Str(&s->sourcePath) && Str(&s->path))) {
      return false;
    }
    return s->embedded == 0 || Embedded(&s->file);
  }

  ArchiveReader ar_;
  uint32_t version_;
  const ReadOptions& options_;
  size_t progressIndex_ = 0;
};

class DocumentWriter {
 public:
  DocumentWriter(ByteSink& sink, uint32_t version, EmbeddedContentProvider& provider)
      : ar_(sink), version_(version), provider_(provider) {}

  bool Write(const MovieDocumentData& d) {
    return WritePlaylist(d.playlist) && WriteAboutTexts(d.aboutTexts) && WriteSize(d.size) &&
           WriteWindow(d.window) && WriteControl(d.control) && WritePlaylistOptions(d.playlistOptions) &&
           WriteAbout(d.about) && WriteOverlay(d.overlay) && WriteQuality(d.quality) && WriteQuality(d.quality2) &&
           WriteDebug(d.debug) && WriteSound(d.sound);
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

  bool WriteAboutTexts(const AboutTexts& t) {
    return Str(t.productName) && Str(t.text2) && Str(t.text3) && Str(t.notice) && Str(t.text5) && Str(t.text6) &&
           Str(t.version);
  }

  bool WriteSize(const SizeSettings& s) {
    if (!(U32(s.sizeMode) && U32(0) && U32(s.initialState) && U32(s.flags) && U32(s.horizontalPlacement) &&
          U32(s.verticalPlacement) && U32(s.alignment) && U32(s.fixedWidth) && U32(s.fixedHeight) &&
          U32(s.percentage) && U32(s.horizontalOffset) && U32(s.keptValue) && U32(s.verticalOffsetMovieSize) &&
          U32(s.verticalOffsetFixedSize))) {
      return false;
    }
    return version_ <= 139 || U32(s.useWorkArea);
  }

  bool WriteWindow(const WindowSettings& w) {
    if (!(Str(w.title) && U32(w.value1) && Str(w.text1) && Embedded(w.icon) && U32(w.shapeKind) &&
          U32(w.shapeIndex) && ar_.WriteByteArray(w.customRegion) && U32(w.captionStyle) && U32(w.maximizeBox) &&
          U32(w.minimizeBox) && U32(w.systemMenu) && U32(w.value2) && U32(w.displayMode) &&
          U32(w.backgroundColor) && U32(w.showInTaskbar) && U32(w.trayIcon) && U32(w.alwaysOnTop))) {
      return false;
    }
    return version_ < 130 || (U32(w.taskbarCommand) && U32(w.taskbarCommandAtClose));
  }

  bool WriteControl(const ControlSettings& c) {
    return U32(c.leftButtonMode) && U32(c.rightButtonMode) && U32(c.keyMode) && U32(c.escCloses) &&
           U32(c.anyKeyCloses);
  }

  bool WritePlaylistOptions(const PlaylistOptions& o) {
    if (!(U32(o.timer) && U32(o.loop) && U32(o.value3) && U32(o.options) && U32(o.value5) && U32(o.value6) &&
          U32(o.value7) && Str(o.textA) && U32(o.value8) && Str(o.textB) && U32(o.value9) && Str(o.textC))) {
      return false;
    }
    return version_ <= 119 || Str(o.textD);
  }

  bool WriteAbout(const AboutSettings& a) {
    if (!(U32(a.value1) && U32(a.value2) && U32(a.value3) && U32(a.value4) && U32(a.value5) && Str(a.webLabel) &&
          Str(a.webAddress) && Str(a.mailLabel) && Str(a.mailAddress) && U32(a.value6) && Str(a.text1))) {
      return false;
    }
    if (version_ > 100) {
      if (!Str(a.webExtra) || !Str(a.mailExtra)) return false;
      for (uint32_t v : a.values7to15) {
        if (!U32(v)) return false;
      }
      if (!U32(a.noAbout)) return false;
    }
    return Embedded(a.picture);
  }

  bool WriteOverlay(const OverlaySettings& o) {
    return U32(o.position) && U32(o.alignment) && U32(o.value3) && Str(o.text) && U32(o.textColor) &&
           U32(o.backgroundColor) && ar_.WriteByteArray(o.font) && U32(o.value7) && Str(o.text2) &&
           Embedded(o.picture);
  }

  bool WriteQuality(const QualitySettings& q) { return U32(q.quality) && U32(q.value2); }
  bool WriteDebug(const DebugSettings& d) { return U32(d.showLog) && U32(d.value2); }

  bool WriteSound(const SoundSettings& s) {
    if (!(U32(s.embedded) && U32(s.play) && U32(s.loop) && Str(s.sourcePath) && Str(s.path))) return false;
    return s.embedded == 0 || Embedded(s.file);
  }

  ArchiveWriter ar_;
  uint32_t version_;
  EmbeddedContentProvider& provider_;
};

}  // namespace

bool ReadDocumentBody(ByteSource& source, uint32_t version, MovieDocumentData* doc, const ReadOptions& options) {
  assert(doc != nullptr);
  doc->Reset();
  // Refused before anything is read, so that no embedded file gets written.
  if (version > kCurrentFormatVersion) return false;
  DocumentReader reader(source, version, options);
  if (!reader.Read(doc)) {
    doc->Reset();
    return false;
  }
  return true;
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
  if (block->header.compressed != 0) {
    InflatingSource source(block->body, block->bodyAvailable, block->header.uncompressedSize);
    return ReadDocumentBody(source, block->header.version, doc, options);
  }
  MemorySource source(block->body, block->bodyAvailable);
  return ReadDocumentBody(source, block->header.version, doc, options);
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
