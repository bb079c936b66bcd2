// Reads SWF files: the header, "CWS" decompression, and the tag walk that fills
// the character dictionary and the frames of the main timeline and of sprites.
#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "record_reader.h"
#include "swfplayer/engine/movie.h"

namespace swf {
namespace {

enum Tag : uint16_t {
  kEnd = 0, kShowFrame = 1, kDefineShape = 2, kPlaceObject = 4, kRemoveObject = 5, kDefineButton = 7,
  kSetBackgroundColor = 9, kDefineFont = 10, kDoAction = 12, kDefineFontInfo = 13, kDefineBitsLossless = 20,
  kDefineBitsJpeg2 = 21, kDefineShape2 = 22, kPlaceObject2 = 26, kRemoveObject2 = 28, kDefineShape3 = 32,
  kDefineButton2 = 34, kDefineBitsJpeg3 = 35, kDefineBitsLossless2 = 36, kDefineEditText = 37,
  kDefineSprite = 39, kFrameLabel = 43, kDefineFont2 = 48, kDoInitAction = 59, kDefineFontInfo2 = 62,
  kPlaceObject3 = 70, kDefineFont3 = 75, kDefineShape4 = 83, kDefineText = 11, kDefineText2 = 33,
  kDefineBits = 6, kJpegTables = 8, kExportAssets = 56,
};

constexpr size_t kInflateChunk = 64 * 1024;
constexpr size_t kMaxFrames = 1u << 16;

// Inflates at most maxOut bytes, growing the output a chunk at a time. Returns
// false only when the stream is damaged before yielding anything useful.
bool InflateBounded(std::span<const uint8_t> in, size_t maxOut, std::vector<uint8_t>& out) {
  z_stream zs{};
  if (inflateInit(&zs) != Z_OK) return false;
  zs.next_in = const_cast<Bytef*>(in.data());
  zs.avail_in = static_cast<uInt>(in.size());
  size_t start = out.size();
  int rc = Z_OK;
  while (out.size() - start < maxOut) {
    size_t chunk = std::min(kInflateChunk, maxOut - (out.size() - start));
    size_t at = out.size();
    out.resize(at + chunk);
    zs.next_out = out.data() + at;
    zs.avail_out = static_cast<uInt>(chunk);
    rc = inflate(&zs, Z_NO_FLUSH);
    out.resize(at + (chunk - zs.avail_out));
    if (rc != Z_OK) break;
    if (zs.avail_out != 0 && zs.avail_in == 0) break;
  }
  inflateEnd(&zs);
  return rc == Z_OK || rc == Z_STREAM_END || rc == Z_BUF_ERROR || out.size() > start;
}

std::shared_ptr<const std::vector<uint8_t>> CodeOf(std::span<const uint8_t> bytes) {
  return std::make_shared<const std::vector<uint8_t>>(bytes.begin(), bytes.end());
}

// Walks tag streams and fills the movie definition.
class Loader {
 public:
  explicit Loader(MovieDef& movie) : movie_(movie) {}

  void WalkTimeline(BitReader& r, TimelineDef& timeline, bool isSprite) {
    Frame current;
    bool pending = false;
    while (!r.AtEnd()) {
      uint16_t codeAndLength = r.U16();
      uint16_t code = codeAndLength >> 6;
      size_t length = codeAndLength & 0x3F;
      if (length == 0x3F) length = r.U32();
      if (r.Overrun()) break;
      length = std::min(length, r.Remaining());
      auto body = r.Bytes(length);
      if (code == kEnd) break;
      if (code == kShowFrame) {
        if (timeline.frames.size() < kMaxFrames) timeline.frames.push_back(std::move(current));
        current = Frame{};
        pending = false;
        continue;
      }
      pending = true;
      Tag(code, body, current, isSprite);
    }
    if (pending || timeline.frames.empty()) timeline.frames.push_back(std::move(current));
  }

 private:
  void Tag(uint16_t code, std::span<const uint8_t> body, Frame& frame, bool isSprite) {
    RecordReader rr{BitReader(body)};
    BitReader& r = rr.reader;
    switch (code) {
      case kSetBackgroundColor: {
        Rgba c = rr.ReadRgb();
        if (!isSprite) movie_.background = c;
        ControlTag t;
        t.kind = ControlTag::Kind::Background;
        t.color = c;
        frame.tags.push_back(std::move(t));
        break;
      }
      case kDefineShape: case kDefineShape2: case kDefineShape3: case kDefineShape4: {
        uint16_t id = r.U16();
        int version = code == kDefineShape ? 1 : code == kDefineShape2 ? 2 : code == kDefineShape3 ? 3 : 4;
        auto shape = std::make_shared<ShapeDef>();
        ParseShape(body.subspan(std::min<size_t>(2, body.size())), version, *shape);
        Character c;
        c.kind = Character::Kind::Shape;
        c.shape = std::move(shape);
        Define(id, std::move(c));
        break;
      }
      case kPlaceObject: case kPlaceObject2: case kPlaceObject3: {
        ControlTag t;
        t.kind = ControlTag::Kind::Place;
        if (code == kPlaceObject) ReadPlace1(rr, t.place);
        else ReadPlace2(rr, t.place, code == kPlaceObject3);
        frame.tags.push_back(std::move(t));
        break;
      }
      case kRemoveObject: case kRemoveObject2: {
        ControlTag t;
        t.kind = ControlTag::Kind::Remove;
        if (code == kRemoveObject) r.U16();
        t.place.depth = r.U16();
        frame.tags.push_back(std::move(t));
        break;
      }
      case kDoAction: {
        ControlTag t;
        t.kind = ControlTag::Kind::Action;
        t.code = CodeOf(body);
        frame.tags.push_back(std::move(t));
        break;
      }
      case kDoInitAction: {
        ControlTag t;
        t.kind = ControlTag::Kind::InitAction;
        t.spriteId = r.U16();
        t.code = CodeOf(body.subspan(std::min<size_t>(2, body.size())));
        frame.tags.push_back(std::move(t));
        break;
      }
      case kFrameLabel:
        frame.label = r.String();
        break;
      case kExportAssets: {
        unsigned count = r.U16();
        for (unsigned i = 0; i < count && !r.AtEnd() && !r.Overrun(); ++i) {
          uint16_t id = r.U16();
          std::string name = r.String();
          if (!r.Overrun() && !name.empty()) movie_.exports.emplace(std::move(name), id);
        }
        break;
      }
      case kDefineSprite: {
        if (isSprite) break;  // sprites do not nest definitions
        uint16_t id = r.U16();
        r.U16();  // stated frame count; the frames present count
        auto sprite = std::make_shared<TimelineDef>();
        BitReader inner(body.subspan(std::min<size_t>(4, body.size())));
        WalkTimeline(inner, *sprite, true);
        Character c;
        c.kind = Character::Kind::Sprite;
        c.sprite = std::move(sprite);
        Define(id, std::move(c));
        break;
      }
      case kDefineButton: case kDefineButton2:
        ReadButton(rr, code == kDefineButton2);
        break;
      case kDefineEditText:
        ReadEditText(rr);
        break;
      case kDefineBitsLossless: case kDefineBitsLossless2:
        ReadLossless(rr, code == kDefineBitsLossless2);
        break;
      case kDefineBitsJpeg2: case kDefineBitsJpeg3:
        ReadJpeg(rr, code == kDefineBitsJpeg3);
        break;
      case kJpegTables:
        jpegTables_.assign(body.begin(), body.end());
        break;
      case kDefineBits:
        ReadJpegWithTables(rr);
        break;
      case kDefineFont:
        ReadFont1(body);
        break;
      case kDefineFont2: case kDefineFont3:
        ReadFont2(body, code == kDefineFont3);
        break;
      case kDefineFontInfo: case kDefineFontInfo2: {
        uint16_t id = r.U16();
        auto name = r.Bytes(r.U8());
        uint8_t flags = r.U8();
        if (code == kDefineFontInfo2) r.U8();  // language
        auto it = movie_.characters.find(id);
        if (it == movie_.characters.end() || it->second.kind != Character::Kind::Font || !it->second.font) break;
        FontDef& f = *it->second.font;
        f.name = it->second.fontName = FontName(name);
        f.codes.clear();
        for (size_t i = 0; i < f.glyphs.size() && !r.AtEnd(); ++i) f.codes.push_back((flags & 1) ? r.U16() : r.U8());
        break;
      }
      case kDefineText: case kDefineText2:
        ReadText(rr, code == kDefineText2);
        break;
      default:
        break;  // every other tag is skipped by its length
    }
  }

  void ReadFont1(std::span<const uint8_t> body) {
    BitReader r(body);
    uint16_t id = r.U16();
    auto font = std::make_shared<FontDef>();
    auto table = body.subspan(std::min<size_t>(2, body.size()));
    BitReader t(table);
    size_t count = t.U16() / 2;
    std::vector<size_t> offsets;
    t.Seek(0);
    for (size_t i = 0; i < count && !t.Overrun(); ++i) offsets.push_back(t.U16());
    ReadGlyphs(table, offsets, *font, table.size());
    Character c;
    c.kind = Character::Kind::Font;
    c.font = std::move(font);
    Define(id, std::move(c));
  }

  void ReadFont2(std::span<const uint8_t> body, bool v3) {
    BitReader r(body);
    uint16_t id = r.U16();
    uint8_t flags = r.U8();
    r.U8();  // language
    auto font = std::make_shared<FontDef>();
    font->name = FontName(r.Bytes(r.U8()));
    font->emSize = v3 ? 20480 : 1024;
    size_t count = r.U16();
    bool wideOffsets = flags & 0x08, wideCodes = flags & 0x04;
    size_t tableStart = r.Position();
    std::vector<size_t> offsets;
    for (size_t i = 0; i < count && !r.Overrun(); ++i) offsets.push_back(wideOffsets ? r.U32() : r.U16());
    size_t codeOffset = count ? (wideOffsets ? r.U32() : r.U16()) : 0;
    auto table = body.subspan(std::min(tableStart, body.size()));
    if (r.Overrun()) offsets.clear();
    ReadGlyphs(table, offsets, *font, codeOffset);
    if (count && !offsets.empty()) {
      BitReader codes(table);
      codes.Seek(codeOffset);
      for (size_t i = 0; i < font->glyphs.size() && !codes.Overrun(); ++i) font->codes.push_back(wideCodes ? codes.U16() : codes.U8());
    }
    Character c;
    c.kind = Character::Kind::Font;
    c.fontName = font->name;
    c.font = std::move(font);
    Define(id, std::move(c));
  }

  // Glyph shapes lie between their offsets (counted from the offset table) and the end.
  static void ReadGlyphs(std::span<const uint8_t> table, const std::vector<size_t>& offsets, FontDef& font,
                         size_t endOffset) {
    size_t end = std::min(endOffset, table.size());
    for (size_t i = 0; i < offsets.size(); ++i) {
      size_t from = std::min(offsets[i], table.size());
      size_t to = i + 1 < offsets.size() ? std::min(offsets[i + 1], table.size()) : std::min(end, table.size());
      ShapeDef glyph;
      if (to > from) {
        RecordReader gr{BitReader(table.subspan(from, to - from))};
        ParseShapeRecords(gr, 1, false, glyph);
      }
      font.glyphs.push_back(std::move(glyph));
    }
  }

  void ReadText(RecordReader& rr, bool withAlpha) {
    BitReader& r = rr.reader;
    uint16_t id = r.U16();
    auto text = std::make_shared<StaticTextDef>();
    text->bounds = rr.ReadRect();
    text->matrix = rr.ReadMatrix();
    unsigned glyphBits = r.U8(), advanceBits = r.U8();
    const FontDef* font = nullptr;
    std::string fontName;
    Rgba color{0, 0, 0, 255};
    double x = 0, y = 0, height = 240;
    size_t glyphCount = 0;
    while (!r.AtEnd() && !r.Overrun() && glyphCount < (1u << 16)) {
      uint8_t flags = r.U8();
      if (flags == 0) break;
      if (flags & 0x08) {
        const Character* fc = movie_.Find(r.U16());
        font = fc && fc->kind == Character::Kind::Font ? fc->font.get() : nullptr;
        fontName = fc ? fc->fontName : std::string();
      }
      if (flags & 0x04) color = withAlpha ? rr.ReadRgba() : rr.ReadRgb();
      if (flags & 0x01) x = r.S16();
      if (flags & 0x02) y = r.S16();
      if (flags & 0x08) height = r.U16();
      unsigned count = r.U8();
      FillPath fill;
      fill.style.color = color;
      EditTextDef run;
      run.fontName = fontName;
      run.fontHeight = height;
      run.color = color;
      double runStart = x;
      for (unsigned i = 0; i < count && !r.Overrun(); ++i, ++glyphCount) {
        uint32_t index = r.UB(glyphBits);
        double advance = r.SB(advanceBits);
        bool outlined = font && index < font->glyphs.size() && !font->glyphs[index].fills.empty();
        if (outlined) {
          double scale = height / font->emSize;
          for (const FillPath& g : font->glyphs[index].fills) {
            for (PathCommand cmd : g.commands) {
              cmd.x = static_cast<float>(x + cmd.x * scale);
              cmd.y = static_cast<float>(y + cmd.y * scale);
              cmd.cx = static_cast<float>(x + cmd.cx * scale);
              cmd.cy = static_cast<float>(y + cmd.cy * scale);
              fill.commands.push_back(cmd);
            }
          }
        } else if (font && index < font->codes.size()) {
          uint16_t code = font->codes[index];
          if (code < 0x80) run.initialText += static_cast<char>(code);
          else if (code < 0x800) run.initialText += {static_cast<char>(0xC0 | (code >> 6)), static_cast<char>(0x80 | (code & 0x3F))};
          else run.initialText += {static_cast<char>(0xE0 | (code >> 12)), static_cast<char>(0x80 | ((code >> 6) & 0x3F)), static_cast<char>(0x80 | (code & 0x3F))};
        }
        x += advance;
      }
      r.Align();
      if (!fill.commands.empty()) text->outlines.fills.push_back(std::move(fill));
      if (!run.initialText.empty()) {
        // The run's baseline is at y; its box reaches one text height above it.
        run.bounds = {runStart, y - height, std::max(x, runStart + height), y + height * 0.25};
        text->deviceRuns.push_back(std::move(run));
      }
    }
    text->outlines.bounds = text->bounds;
    Character c;
    c.kind = Character::Kind::StaticText;
    c.staticText = std::move(text);
    Define(id, std::move(c));
  }

  static std::string FontName(std::span<const uint8_t> name) {
    std::string s(name.begin(), name.end());
    while (!s.empty() && s.back() == '\0') s.pop_back();
    return s;
  }

  void Define(uint16_t id, Character c) {
    movie_.characters.insert_or_assign(id, std::move(c));
  }

  void ReadPlace1(RecordReader& rr, PlaceTag& p) {
    BitReader& r = rr.reader;
    p.characterId = r.U16();
    p.depth = r.U16();
    p.hasCharacter = true;
    p.hasMatrix = true;
    p.matrix = rr.ReadMatrix();
    if (!r.AtEnd()) {
      p.hasCxform = true;
      p.cxform = rr.ReadCxform(false);
    }
  }

  void ReadPlace2(RecordReader& rr, PlaceTag& p, bool v3) {
    BitReader& r = rr.reader;
    uint8_t f = r.U8();
    uint8_t f2 = v3 ? r.U8() : 0;
    p.move = f & 0x01;
    p.hasCharacter = f & 0x02;
    p.hasMatrix = f & 0x04;
    p.hasCxform = f & 0x08;
    p.hasRatio = f & 0x10;
    p.hasName = f & 0x20;
    p.hasClipDepth = f & 0x40;
    bool hasClipActions = f & 0x80;
    p.depth = r.U16();
    if (v3 && ((f2 & 0x08) || ((f2 & 0x10) && p.hasCharacter))) r.String();  // class name
    if (p.hasCharacter) p.characterId = r.U16();
    if (p.hasMatrix) p.matrix = rr.ReadMatrix();
    if (p.hasCxform) p.cxform = rr.ReadCxform(true);
    if (p.hasRatio) p.ratio = r.U16();
    if (p.hasName) p.name = r.String();
    if (p.hasClipDepth) p.clipDepth = r.U16();
    if (v3) {
      if (f2 & 0x01) SkipFilters(r);
      if (f2 & 0x02) r.U8();
      if (f2 & 0x04) r.U8();
    }
    if (hasClipActions) ReadClipActions(r, p);
  }

  void ReadClipActions(BitReader& r, PlaceTag& p) {
    bool wide = movie_.header.version >= 6;
    r.U16();
    if (wide) r.U32(); else r.U16();
    while (!r.AtEnd() && !r.Overrun()) {
      uint32_t raw = wide ? r.U32() : r.U16();
      if (raw == 0) break;
      uint32_t size = r.U32();
      ClipAction a;
      a.events = MapClipEvents(raw, wide);
      if (wide && (raw & 0x00020000u)) {  // key press carries its key code
        a.keyCode = r.U8();
        if (size) --size;
      }
      a.code = CodeOf(r.Bytes(size));
      p.clipActions.push_back(std::move(a));
    }
  }

  // The file stores the event bits MSB-first across its bytes; ours are the
  // named ClipEvent values.
  static uint32_t MapClipEvents(uint32_t raw, bool wide) {
    uint8_t b0 = raw & 0xFF;
    uint32_t e = 0;
    if (b0 & 0x01) e |= kClipLoad;
    if (b0 & 0x02) e |= kClipEnterFrame;
    if (b0 & 0x04) e |= kClipUnload;
    if (b0 & 0x08) e |= kClipMouseMove;
    if (b0 & 0x10) e |= kClipMouseDown;
    if (b0 & 0x20) e |= kClipMouseUp;
    if (b0 & 0x40) e |= kClipKeyDown;
    if (b0 & 0x80) e |= kClipKeyUp;
    if ((raw >> 8) & 0x01) e |= kClipData;
    // The later flags sit where our values have them.
    if (wide) e |= raw & (kClipInitialize | kClipButtonEvents | kClipKeyPress | kClipConstruct);
    return e;
  }

  static void SkipFilters(BitReader& r) {
    unsigned n = r.U8();
    for (unsigned i = 0; i < n && !r.Overrun(); ++i) {
      switch (r.U8()) {
        case 0: r.Skip(23); break;
        case 1: r.Skip(9); break;
        case 2: r.Skip(15); break;
        case 3: r.Skip(27); break;
        case 4: case 7: { unsigned c = r.U8(); r.Skip(c * 5 + 19); break; }
        case 5: { unsigned x = r.U8(), y = r.U8(); r.Skip(8 + 4 * x * y + 5); break; }
        case 6: r.Skip(80); break;
        default: r.Skip(r.Remaining()); break;
      }
    }
  }

  void ReadButton(RecordReader& rr, bool v2) {
    BitReader& r = rr.reader;
    auto def = std::make_shared<ButtonDef>();
    uint16_t id = r.U16();
    size_t actionOffsetPos = 0;
    uint16_t actionOffset = 0;
    if (v2) {
      def->trackAsMenu = r.U8() & 1;
      actionOffsetPos = r.Position();
      actionOffset = r.U16();
    }
    while (!r.AtEnd() && !r.Overrun()) {
      uint8_t flags = r.U8();
      if (flags == 0) break;
      ButtonRecord br;
      br.states = flags & 0x0F;
      br.characterId = r.U16();
      br.depth = r.U16();
      br.matrix = rr.ReadMatrix();
      if (v2) {
        br.cxform = rr.ReadCxform(true);
        if (flags & 0x10) SkipFilters(r);
        if (flags & 0x20) r.U8();
      }
      def->records.push_back(br);
    }
    if (!v2) {
      ButtonAction a;
      a.conditions = kOverDownToOverUp;
      a.code = CodeOf(r.Bytes(r.Remaining()));
      def->actions.push_back(std::move(a));
    } else if (actionOffset != 0) {
      r.Seek(actionOffsetPos + actionOffset);
      while (!r.AtEnd() && !r.Overrun()) {
        size_t start = r.Position();
        uint16_t size = r.U16();
        ButtonAction a;
        a.conditions = r.U16();
        size_t end = size ? start + size : r.Size();
        size_t codeStart = r.Position();
        a.code = CodeOf(r.Bytes(end > codeStart ? end - codeStart : 0));
        def->actions.push_back(std::move(a));
        if (size == 0) break;
        r.Seek(end);
      }
    }
    Character c;
    c.kind = Character::Kind::Button;
    c.button = std::move(def);
    Define(id, std::move(c));
  }

  void ReadEditText(RecordReader& rr) {
    BitReader& r = rr.reader;
    auto def = std::make_shared<EditTextDef>();
    uint16_t id = r.U16();
    def->bounds = rr.ReadRect();
    uint8_t f1 = r.U8(), f2 = r.U8();
    bool hasText = f1 & 0x80;
    def->wordWrap = f1 & 0x40;
    def->multiline = f1 & 0x20;
    def->password = f1 & 0x10;
    def->readOnly = f1 & 0x08;
    bool hasColor = f1 & 0x04;
    bool hasMaxLength = f1 & 0x02;
    bool hasFont = f1 & 0x01;
    bool hasFontClass = f2 & 0x80;
    def->autoSize = f2 & 0x40;
    bool hasLayout = f2 & 0x20;
    def->noSelect = f2 & 0x10;
    def->border = f2 & 0x08;
    def->html = f2 & 0x02;
    def->useOutlines = f2 & 0x01;
    if (hasFont) def->fontId = r.U16();
    if (hasFontClass) r.String();
    if (hasFont || hasFontClass) def->fontHeight = r.U16();
    if (hasColor) def->color = rr.ReadRgba();
    if (hasMaxLength) def->maxLength = r.U16();
    if (hasLayout) {
      def->align = r.U8();
      def->leftMargin = r.U16();
      def->rightMargin = r.U16();
      def->indent = r.U16();
      def->leading = r.S16();
    }
    def->variable = r.String();
    if (hasText) def->initialText = r.String();
    if (const Character* font = movie_.Find(def->fontId); font && font->kind == Character::Kind::Font)
      def->fontName = font->fontName;
    Character c;
    c.kind = Character::Kind::EditText;
    c.editText = std::move(def);
    Define(id, std::move(c));
  }

  void ReadLossless(RecordReader& rr, bool withAlpha) {
    BitReader& r = rr.reader;
    uint16_t id = r.U16();
    uint8_t format = r.U8();
    uint32_t w = r.U16(), h = r.U16();
    if (format != 3 && format != 4 && format != 5) return;
    if (uint64_t(w) * h > kMaxBitmapPixels || w == 0 || h == 0) return;
    size_t tableSize = format == 3 ? size_t(r.U8()) + 1 : 0;
    size_t colorBytes = withAlpha ? 4 : 3;
    size_t rowBytes = format == 3 ? (w + 3) & ~3u : format == 4 ? (w * 2 + 3) & ~3u : w * 4;
    size_t expected = tableSize * colorBytes + rowBytes * h;
    auto packed = r.Bytes(r.Remaining());
    // zlib cannot expand more than about 1032 to 1: less data than that cannot be this bitmap.
    if (expected / kMaxInflateRatio > packed.size()) return;
    std::vector<uint8_t> raw;
    if (!InflateBounded(packed, expected, raw)) return;
    raw.resize(expected, 0);
    auto bmp = std::make_shared<BitmapDef>();
    bmp->width = w;
    bmp->height = h;
    bmp->pixels.resize(size_t(w) * h);
    auto argb = [](uint32_t a, uint32_t rr_, uint32_t g, uint32_t b) { return (a << 24) | (rr_ << 16) | (g << 8) | b; };
    // Colours with alpha are stored premultiplied; ours are straight.
    auto unpremultiply = [&](uint32_t a, uint32_t c) { return a == 0 ? 0u : std::min(255u, c * 255u / a); };
    std::vector<uint32_t> table(tableSize);
    for (size_t i = 0; i < tableSize; ++i) {
      const uint8_t* p = raw.data() + i * colorBytes;
      uint32_t a = withAlpha ? p[3] : 255;
      table[i] = withAlpha ? argb(a, unpremultiply(a, p[0]), unpremultiply(a, p[1]), unpremultiply(a, p[2]))
                           : argb(255, p[0], p[1], p[2]);
    }
    const uint8_t* pix = raw.data() + tableSize * colorBytes;
    for (uint32_t y = 0; y < h; ++y) {
      const uint8_t* row = pix + size_t(y) * rowBytes;
      for (uint32_t x = 0; x < w; ++x) {
        uint32_t v;
        if (format == 3) {
          v = row[x] < tableSize ? table[row[x]] : 0;
        } else if (format == 4) {
          uint32_t p = (uint32_t(row[x * 2]) << 8) | row[x * 2 + 1];
          v = argb(255, ((p >> 10) & 31) * 255 / 31, ((p >> 5) & 31) * 255 / 31, (p & 31) * 255 / 31);
        } else {
          const uint8_t* p = row + size_t(x) * 4;
          uint32_t a = withAlpha ? p[0] : 255;
          v = withAlpha ? argb(a, unpremultiply(a, p[1]), unpremultiply(a, p[2]), unpremultiply(a, p[3]))
                        : argb(255, p[1], p[2], p[3]);
        }
        bmp->pixels[size_t(y) * w + x] = v;
      }
    }
    Character c;
    c.kind = Character::Kind::Bitmap;
    c.bitmap = std::move(bmp);
    Define(id, std::move(c));
  }

  void ReadJpeg(RecordReader& rr, bool withAlpha) {
    BitReader& r = rr.reader;
    uint16_t id = r.U16();
    uint32_t jpegSize = withAlpha ? r.U32() : uint32_t(r.Remaining());
    auto jpeg = r.Bytes(jpegSize);
    auto bmp = std::make_shared<BitmapDef>();
    bmp->jpeg.assign(jpeg.begin(), jpeg.end());
    // Older writers put an empty JPEG stream (end, start markers) in front.
    if (bmp->jpeg.size() >= 4 && bmp->jpeg[0] == 0xFF && bmp->jpeg[1] == 0xD9 && bmp->jpeg[2] == 0xFF &&
        bmp->jpeg[3] == 0xD8)
      bmp->jpeg.erase(bmp->jpeg.begin(), bmp->jpeg.begin() + 4);
    JpegSize(bmp->jpeg, bmp->width, bmp->height);
    if (withAlpha && bmp->width && bmp->height && uint64_t(bmp->width) * bmp->height <= kMaxBitmapPixels) {
      size_t n = size_t(bmp->width) * bmp->height;
      auto packed = r.Bytes(r.Remaining());
      if (n / kMaxInflateRatio <= packed.size() && InflateBounded(packed, n, bmp->jpegAlpha)) bmp->jpegAlpha.resize(n, 255);
      else bmp->jpegAlpha.clear();
    }
    Character c;
    c.kind = Character::Kind::Bitmap;
    c.bitmap = std::move(bmp);
    Define(id, std::move(c));
  }

  // The image data of DefineBits shares its encoding tables with every other such image.
  void ReadJpegWithTables(RecordReader& rr) {
    BitReader& r = rr.reader;
    uint16_t id = r.U16();
    auto data = r.Bytes(r.Remaining());
    auto bmp = std::make_shared<BitmapDef>();
    std::vector<uint8_t> tables = jpegTables_;
    if (tables.size() >= 2 && tables[tables.size() - 2] == 0xFF && tables.back() == 0xD9) tables.resize(tables.size() - 2);
    size_t skip = data.size() >= 2 && data[0] == 0xFF && data[1] == 0xD8 && !tables.empty() ? 2 : 0;
    bmp->jpeg = std::move(tables);
    bmp->jpeg.insert(bmp->jpeg.end(), data.begin() + static_cast<long>(skip), data.end());
    JpegSize(bmp->jpeg, bmp->width, bmp->height);
    Character c;
    c.kind = Character::Kind::Bitmap;
    c.bitmap = std::move(bmp);
    Define(id, std::move(c));
  }

  // Finds the frame size in the first start-of-frame marker.
  static void JpegSize(const std::vector<uint8_t>& j, uint32_t& w, uint32_t& h) {
    size_t i = 2;
    while (i + 9 < j.size()) {
      if (j[i] != 0xFF) {
        ++i;
        continue;
      }
      uint8_t m = j[i + 1];
      if (m == 0xD8 || m == 0xD9 || m == 0x01 || (m >= 0xD0 && m <= 0xD7) || m == 0xFF) {
        i += m == 0xFF ? 1 : 2;
        continue;
      }
      size_t len = (size_t(j[i + 2]) << 8) | j[i + 3];
      if ((m >= 0xC0 && m <= 0xC3) || (m >= 0xC5 && m <= 0xC7) || (m >= 0xC9 && m <= 0xCB) ||
          (m >= 0xCD && m <= 0xCF)) {
        h = (uint32_t(j[i + 5]) << 8) | j[i + 6];
        w = (uint32_t(j[i + 7]) << 8) | j[i + 8];
        return;
      }
      i += 2 + len;
    }
  }

  MovieDef& movie_;
  std::vector<uint8_t> jpegTables_;
};

bool ParseHeaderBody(std::span<const uint8_t> fws, Header& h) {
  if (fws.size() < 8) return false;
  RecordReader rr{BitReader(fws)};
  rr.reader.Skip(8);
  h.stage = rr.ReadRect();
  h.frameRate = rr.reader.U16() / 256.0;
  h.frameCount = rr.reader.U16();
  return !rr.reader.Overrun();
}

}  // namespace

int TimelineDef::FindLabel(const std::string& label, bool caseSensitive) const {
  for (size_t i = 0; i < frames.size(); ++i) {
    const std::string& l = frames[i].label;
    if (l.size() != label.size() || l.empty()) continue;
    bool same = caseSensitive ? l == label
                              : std::equal(l.begin(), l.end(), label.begin(), [](char a, char b) {
                                  return std::tolower(static_cast<unsigned char>(a)) ==
                                         std::tolower(static_cast<unsigned char>(b));
                                });
    if (same) return static_cast<int>(i);
  }
  return -1;
}

bool InflateMovie(std::span<const uint8_t> file, std::vector<uint8_t>& out, LoadError* error) {
  auto fail = [&](LoadError e) {
    if (error) *error = e;
    return false;
  };
  if (file.size() < 8) return fail(LoadError::TooShort);
  if (file[0] != 'C' || file[1] != 'W' || file[2] != 'S') return fail(LoadError::BadSignature);
  uint32_t stated = file[4] | (file[5] << 8) | (file[6] << 16) | (uint32_t(file[7]) << 24);
  uint64_t compressed = file.size() - 8;
  if (stated < 8 || stated > kMaxMovieBytes || uint64_t(stated - 8) > compressed * kMaxInflateRatio)
    return fail(LoadError::TooLarge);
  out.assign(file.begin(), file.begin() + 8);
  out[0] = 'F';
  if (!InflateBounded(file.subspan(8), stated - 8, out) || out.size() <= 8) return fail(LoadError::BadCompression);
  if (error) *error = LoadError::None;
  return true;
}

bool ReadHeader(std::span<const uint8_t> file, Header& out) {
  if (file.size() < 8) return false;
  bool compressed = file[0] == 'C';
  if (!((file[0] == 'F' || compressed) && file[1] == 'W' && file[2] == 'S')) return false;
  out.signature[0] = static_cast<char>(file[0]);
  out.signature[1] = 'W';
  out.signature[2] = 'S';
  out.version = file[3];
  out.fileLength = file[4] | (file[5] << 8) | (file[6] << 16) | (uint32_t(file[7]) << 24);
  if (!compressed) return ParseHeaderBody(file, out);
  // The rectangle is at most 17 bytes; a little more than that decides the header.
  std::vector<uint8_t> head(file.begin(), file.begin() + 8);
  if (!InflateBounded(file.subspan(8), 32, head)) return false;
  return ParseHeaderBody(head, out);
}

std::shared_ptr<const MovieDef> LoadMovie(std::span<const uint8_t> file, LoadError* error) {
  auto fail = [&](LoadError e) -> std::shared_ptr<const MovieDef> {
    if (error) *error = e;
    return nullptr;
  };
  if (file.size() < 8) return fail(LoadError::TooShort);
  if (!((file[0] == 'F' || file[0] == 'C') && file[1] == 'W' && file[2] == 'S')) return fail(LoadError::BadSignature);
  std::vector<uint8_t> inflated;
  std::span<const uint8_t> fws = file;
  if (file[0] == 'C') {
    LoadError e = LoadError::None;
    if (!InflateMovie(file, inflated, &e)) return fail(e);
    fws = inflated;
  }
  auto movie = std::make_shared<MovieDef>();
  Header& h = movie->header;
  h.signature[0] = static_cast<char>(file[0]);
  h.signature[1] = 'W';
  h.signature[2] = 'S';
  h.version = fws[3];
  h.fileLength = fws[4] | (fws[5] << 8) | (fws[6] << 16) | (uint32_t(fws[7]) << 24);
  if (!ParseHeaderBody(fws, h)) return fail(LoadError::TooShort);
  RecordReader rr{BitReader(fws)};
  rr.reader.Skip(8);
  rr.ReadRect();
  rr.reader.Skip(4);
  // The walk ends at the End tag; a stated length that disagrees with the data is ignored.
  BitReader tags(fws.subspan(std::min(rr.reader.Position(), fws.size())));
  Loader loader(*movie);
  loader.WalkTimeline(tags, movie->main, false);
  if (error) *error = LoadError::None;
  return movie;
}

}  // namespace swf
