// Reads the character tags of fonts, static and edit texts, and buttons.
#include <algorithm>

#include "tag_loader.h"

namespace swf {

void TagLoader::ReadFont1(std::span<const uint8_t> body) {
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

void TagLoader::ReadFont2(std::span<const uint8_t> body, bool v3) {
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
void TagLoader::ReadGlyphs(std::span<const uint8_t> table, const std::vector<size_t>& offsets, FontDef& font,
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

void TagLoader::ReadText(RecordReader& rr, bool withAlpha) {
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

std::string TagLoader::FontName(std::span<const uint8_t> name) {
  std::string s(name.begin(), name.end());
  while (!s.empty() && s.back() == '\0') s.pop_back();
  return s;
}

void TagLoader::ReadButton(RecordReader& rr, bool v2) {
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

void TagLoader::ReadEditText(RecordReader& rr) {
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
  def->variable = DecodeStringData(r.String(), movie_.header.version);
  if (hasText) def->initialText = DecodeStringData(r.String(), movie_.header.version);
  if (const Character* font = movie_.Find(def->fontId); font && font->kind == Character::Kind::Font)
    def->fontName = font->fontName;
  Character c;
  c.kind = Character::Kind::EditText;
  c.editText = std::move(def);
  Define(id, std::move(c));
}

}  // namespace swf
