// SWF file writer: shapes, bitmaps, texts, buttons, sprites and timelines.
#include "swfplayer/asm/movie_builder.h"

#include <zlib.h>

#include <cmath>
#include <numbers>

#include "bit_writer.h"

namespace swfasm {
namespace {

int32_t Twips(double px) { return static_cast<int32_t>(std::lround(px * 20.0)); }

void WriteMatrix(BitWriter& w, const Transform& t) { w.Matrix(t.a, t.b, t.c, t.d, t.x * 20.0, t.y * 20.0); }

void WriteColor(BitWriter& w, Color c) {
  w.U8(c.r);
  w.U8(c.g);
  w.U8(c.b);
  w.U8(c.a);
}

}  // namespace

void AppendTag(std::vector<uint8_t>& out, uint16_t code, const std::vector<uint8_t>& body) {
  // Tags that hold bitmaps are always written with the long header.
  bool longForm = body.size() >= 0x3F || code == 20 || code == 21 || code == 35 || code == 36;
  uint16_t head = static_cast<uint16_t>((code << 6) | (longForm ? 0x3F : body.size()));
  out.push_back(head & 0xFF);
  out.push_back(head >> 8);
  if (longForm) {
    auto n = static_cast<uint32_t>(body.size());
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(n >> (8 * i)));
  }
  out.insert(out.end(), body.begin(), body.end());
}

// --- Shape ---

// Writes the shape records; glyphs use one fill, no lines, and em units.
struct ShapeEncoder {
  static void Records(const Shape& s, BitWriter& w, unsigned fillBits, unsigned lineBits, int divisor, bool glyph) {
    w.UB(fillBits, 4);
    w.UB(lineBits, 4);
    int32_t px = 0, py = 0;
    unsigned curFill = 0, curLine = 0;
    for (Shape::Cmd c : s.cmds_) {
      c.x /= divisor;
      c.y /= divisor;
      c.cx /= divisor;
      c.cy /= divisor;
      if (glyph) {
        c.fill = c.fill ? 1 : 0;
        c.line = 0;
      }
      bool styleChange = c.fill != curFill || c.line != curLine;
      if (c.kind == Shape::Cmd::Move || styleChange) {
        w.UB(0, 1);
        unsigned flags = 0;
        bool move = c.kind == Shape::Cmd::Move;
        if (move) flags |= 0x01;
        if (c.fill != curFill) flags |= 0x02;
        if (c.line != curLine) flags |= 0x08;
        w.UB(flags, 5);
        if (move) {
          unsigned n = BitWriter::SignedBits({c.x, c.y});
          w.UB(n, 5);
          w.SB(c.x, n);
          w.SB(c.y, n);
          px = c.x;
          py = c.y;
        }
        if (flags & 0x02) w.UB(c.fill, fillBits);
        if (flags & 0x08) w.UB(c.line, lineBits);
        curFill = c.fill;
        curLine = c.line;
        if (move) continue;
      }
      w.UB(1, 1);
      if (c.kind == Shape::Cmd::Line) {
        int32_t dx = c.x - px, dy = c.y - py;
        unsigned n = std::max(2u, BitWriter::SignedBits({dx, dy}));
        w.UB(1, 1);
        w.UB(n - 2, 4);
        w.UB(1, 1);  // general line
        w.SB(dx, n);
        w.SB(dy, n);
      } else {
        int32_t cdx = c.cx - px, cdy = c.cy - py, adx = c.x - c.cx, ady = c.y - c.cy;
        unsigned n = std::max(2u, BitWriter::SignedBits({cdx, cdy, adx, ady}));
        w.UB(0, 1);
        w.UB(n - 2, 4);
        w.SB(cdx, n);
        w.SB(cdy, n);
        w.SB(adx, n);
        w.SB(ady, n);
      }
      px = c.x;
      py = c.y;
    }
    w.UB(0, 6);  // end of shape
  }
};


Shape& Shape::Fill(Color c) {
  fills_.push_back({false, 0, {}, c, 0, {}, true});
  fill_ = static_cast<unsigned>(fills_.size());
  return *this;
}
Shape& Shape::BitmapFill(uint16_t id, Transform t, bool smooth) {
  fills_.push_back({true, 0, {}, {}, id, t, smooth});
  fill_ = static_cast<unsigned>(fills_.size());
  return *this;
}
Shape& Shape::GradientFill(bool radial, const std::vector<std::pair<uint8_t, Color>>& stops, Transform t) {
  fills_.push_back({false, radial ? 2 : 1, stops, {}, 0, t, true});
  fill_ = static_cast<unsigned>(fills_.size());
  return *this;
}

Shape& Shape::NoFill() {
  fill_ = 0;
  return *this;
}
Shape& Shape::Line(double width, Color c) {
  lines_.push_back({width, c});
  line_ = static_cast<unsigned>(lines_.size());
  return *this;
}
Shape& Shape::NoLine() {
  line_ = 0;
  return *this;
}
Shape& Shape::MoveTo(double x, double y) {
  cmds_.push_back({Cmd::Move, Twips(x), Twips(y), 0, 0, fill_, line_});
  return *this;
}
Shape& Shape::LineTo(double x, double y) {
  cmds_.push_back({Cmd::Line, Twips(x), Twips(y), 0, 0, fill_, line_});
  return *this;
}
Shape& Shape::CurveTo(double cx, double cy, double x, double y) {
  cmds_.push_back({Cmd::Curve, Twips(x), Twips(y), Twips(cx), Twips(cy), fill_, line_});
  return *this;
}
Shape& Shape::Rect(double x, double y, double w, double h) {
  return MoveTo(x, y).LineTo(x + w, y).LineTo(x + w, y + h).LineTo(x, y + h).LineTo(x, y);
}
Shape& Shape::Ellipse(double cx, double cy, double rx, double ry) {
  // Eight quadratic arcs; each control point lies on the tangent intersection.
  const double k = 1.0 / std::cos(std::numbers::pi / 8);
  MoveTo(cx + rx, cy);
  for (int i = 1; i <= 8; ++i) {
    double a0 = (i - 0.5) * std::numbers::pi / 4, a1 = i * std::numbers::pi / 4;
    CurveTo(cx + rx * k * std::cos(a0), cy + ry * k * std::sin(a0), cx + rx * std::cos(a1), cy + ry * std::sin(a1));
  }
  return *this;
}

std::vector<uint8_t> Shape::Encode() const {
  BitWriter w;
  int32_t xMin = 0, yMin = 0, xMax = 0, yMax = 0;
  bool first = true;
  auto grow = [&](int32_t x, int32_t y) {
    if (first) {
      xMin = xMax = x;
      yMin = yMax = y;
      first = false;
    }
    xMin = std::min(xMin, x);
    xMax = std::max(xMax, x);
    yMin = std::min(yMin, y);
    yMax = std::max(yMax, y);
  };
  double maxLine = 0;
  for (auto& l : lines_) maxLine = std::max(maxLine, l.width);
  for (auto& c : cmds_) {
    grow(c.x, c.y);
    if (c.kind == Cmd::Curve) grow(c.cx, c.cy);
  }
  int32_t pad = Twips(maxLine / 2);
  w.Rect(xMin - pad, xMax + pad, yMin - pad, yMax + pad);
  auto count = [&](size_t n) {
    if (n < 0xFF) {
      w.U8(static_cast<uint8_t>(n));
    } else {
      w.U8(0xFF);
      w.U16(static_cast<uint16_t>(n));
    }
  };
  count(fills_.size());
  for (auto& f : fills_) {
    if (f.bitmap) {
      w.U8(f.smooth ? 0x40 : 0x42);
      w.U16(f.bitmapId);
      Transform t = f.t;
      // Bitmap space is in twips: one bitmap pixel covers 20 units unscaled.
      w.Matrix(t.a * 20, t.b * 20, t.c * 20, t.d * 20, t.x * 20, t.y * 20);
    } else if (f.gradient) {
      w.U8(f.gradient == 1 ? 0x10 : 0x12);
      WriteMatrix(w, f.t);
      w.U8(static_cast<uint8_t>(std::min<size_t>(f.stops.size(), 15)));
      for (size_t i = 0; i < f.stops.size() && i < 15; ++i) {
        w.U8(f.stops[i].first);
        WriteColor(w, f.stops[i].second);
      }
    } else {
      w.U8(0x00);
      WriteColor(w, f.color);
    }
  }
  count(lines_.size());
  for (auto& l : lines_) {
    w.U16(static_cast<uint16_t>(Twips(l.width)));
    WriteColor(w, l.color);
  }
  unsigned fillBits = 0, lineBits = 0;
  while ((1u << fillBits) <= fills_.size()) ++fillBits;
  while ((1u << lineBits) <= lines_.size()) ++lineBits;
  ShapeEncoder::Records(*this, w, fillBits, lineBits, 1, false);
  return w.Data();
}

std::vector<uint8_t> Shape::EncodeGlyph() const {
  BitWriter w;
  ShapeEncoder::Records(*this, w, 1, 0, 20, true);
  return w.Data();
}


// --- Timeline ---

Timeline& Timeline::Tag(uint16_t code, const std::vector<uint8_t>& body) {
  AppendTag(bytes_, code, body);
  return *this;
}

Timeline& Timeline::Place(uint16_t characterId, uint16_t depth, Transform t, const std::string& name) {
  BitWriter w;
  w.U8(static_cast<uint8_t>(0x02 | 0x04 | (name.empty() ? 0 : 0x20)));
  w.U16(depth);
  w.U16(characterId);
  WriteMatrix(w, t);
  if (!name.empty()) w.String(name);
  return Tag(26, w.Data());
}

Timeline& Timeline::PlaceWithEvents(uint16_t characterId, uint16_t depth, Transform t, const std::string& name,
                                    const std::vector<ClipEventSpec>& events, uint32_t allEventsMask) {
  BitWriter w;
  w.U8(static_cast<uint8_t>(0x80 | 0x02 | 0x04 | (name.empty() ? 0 : 0x20)));
  w.U16(depth);
  w.U16(characterId);
  WriteMatrix(w, t);
  if (!name.empty()) w.String(name);
  uint32_t all = 0;
  for (auto& e : events) all |= e.events;
  all &= allEventsMask;
  w.U16(0);
  w.U32(all);
  for (auto& e : events) {
    std::vector<uint8_t> code = e.actions.Bytes();
    w.U32(e.events);
    w.U32(static_cast<uint32_t>(code.size()));
    w.Bytes(code);
  }
  w.U32(0);
  return Tag(26, w.Data());
}

Timeline& Timeline::PlaceMask(uint16_t characterId, uint16_t depth, uint16_t clipDepth, Transform t) {
  BitWriter w;
  w.U8(0x02 | 0x04 | 0x40);
  w.U16(depth);
  w.U16(characterId);
  WriteMatrix(w, t);
  w.U16(clipDepth);
  return Tag(26, w.Data());
}

Timeline& Timeline::PlaceObject1(uint16_t characterId, uint16_t depth, Transform t) {
  BitWriter w;
  w.U16(characterId);
  w.U16(depth);
  WriteMatrix(w, t);
  return Tag(4, w.Data());
}

Timeline& Timeline::Move(uint16_t depth, Transform t) {
  BitWriter w;
  w.U8(0x01 | 0x04);
  w.U16(depth);
  WriteMatrix(w, t);
  return Tag(26, w.Data());
}

Timeline& Timeline::Replace(uint16_t characterId, uint16_t depth) {
  BitWriter w;
  w.U8(0x01 | 0x02);
  w.U16(depth);
  w.U16(characterId);
  return Tag(26, w.Data());
}

Timeline& Timeline::Remove(uint16_t depth) {
  BitWriter w;
  w.U16(depth);
  return Tag(28, w.Data());
}

Timeline& Timeline::Do(const Actions& actions) { return Tag(12, actions.Bytes()); }

Timeline& Timeline::InitActions(uint16_t spriteId, const Actions& actions) {
  BitWriter w;
  w.U16(spriteId);
  w.Bytes(actions.Bytes());
  return Tag(59, w.Data());
}

Timeline& Timeline::Label(const std::string& name) {
  BitWriter w;
  w.String(name);
  return Tag(43, w.Data());
}

Timeline& Timeline::Background(Color c) { return Tag(9, {c.r, c.g, c.b}); }

Timeline& Timeline::ShowFrame() {
  ++frames_;
  return Tag(1, {});
}

// --- MovieBuilder ---

MovieBuilder::MovieBuilder(int version, double width, double height, double frameRate)
    : version_(version), width_(width), height_(height), frameRate_(frameRate) {}

uint16_t MovieBuilder::DefineShape(const Shape& shape) {
  uint16_t id = NextId();
  BitWriter w;
  w.U16(id);
  w.Bytes(shape.Encode());
  main_.Tag(32, w.Data());
  return id;
}

uint16_t MovieBuilder::Rectangle(double x, double y, double w, double h, Color fill) {
  return DefineShape(Shape().Fill(fill).Rect(x, y, w, h));
}

uint16_t MovieBuilder::Ellipse(double cx, double cy, double rx, double ry, Color fill) {
  return DefineShape(Shape().Fill(fill).Ellipse(cx, cy, rx, ry));
}

uint16_t MovieBuilder::DefineBitmap(uint32_t width, uint32_t height, const std::vector<uint32_t>& argb) {
  uint16_t id = NextId();
  std::vector<uint8_t> raw;
  raw.reserve(argb.size() * 4);
  for (uint32_t p : argb) {
    uint32_t a = p >> 24;
    // The file stores colours premultiplied by alpha.
    raw.push_back(static_cast<uint8_t>(a));
    raw.push_back(static_cast<uint8_t>(((p >> 16) & 0xFF) * a / 255));
    raw.push_back(static_cast<uint8_t>(((p >> 8) & 0xFF) * a / 255));
    raw.push_back(static_cast<uint8_t>((p & 0xFF) * a / 255));
  }
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  std::vector<uint8_t> z(size);
  compress(z.data(), &size, raw.data(), static_cast<uLong>(raw.size()));
  z.resize(size);
  BitWriter w;
  w.U16(id);
  w.U8(5);
  w.U16(static_cast<uint16_t>(width));
  w.U16(static_cast<uint16_t>(height));
  w.Bytes(z);
  main_.Tag(36, w.Data());
  return id;
}

uint16_t MovieBuilder::FontFor(const std::string& name) {
  for (auto& [n, id] : fonts_)
    if (n == name) return id;
  uint16_t id = NextId();
  BitWriter w;
  w.U16(id);
  w.U8(0);  // no layout, no glyphs: a device font
  w.U8(0);
  w.U8(static_cast<uint8_t>(name.size()));
  for (char c : name) w.U8(static_cast<uint8_t>(c));
  w.U16(0);  // glyph count
  w.U16(0);  // offset of the (empty) code table
  main_.Tag(48, w.Data());
  fonts_.emplace_back(name, id);
  return id;
}

uint16_t MovieBuilder::DefineEditText(const EditTextSpec& s) {
  uint16_t font = FontFor(s.fontName);
  uint16_t id = NextId();
  BitWriter w;
  w.U16(id);
  w.Rect(Twips(s.x), Twips(s.x + s.width), Twips(s.y), Twips(s.y + s.height));
  uint8_t f1 = static_cast<uint8_t>((s.text.empty() ? 0 : 0x80) | (s.wordWrap ? 0x40 : 0) | (s.multiline ? 0x20 : 0) |
                                    (s.readOnly ? 0x08 : 0) | 0x04 | 0x01);
  uint8_t f2 = static_cast<uint8_t>(0x20 | (s.border ? 0x08 : 0) | (s.html ? 0x02 : 0));
  w.U8(f1);
  w.U8(f2);
  w.U16(font);
  w.U16(static_cast<uint16_t>(Twips(s.fontSize)));
  WriteColor(w, s.color);
  w.U8(s.align);
  w.U16(0);
  w.U16(0);
  w.U16(0);
  w.U16(0);
  w.String(s.variable);
  if (!s.text.empty()) w.String(s.text);
  main_.Tag(37, w.Data());
  return id;
}

uint16_t MovieBuilder::DefineButton(const ButtonSpec& spec) {
  uint16_t id = NextId();
  BitWriter w;
  w.U16(id);
  w.U8(spec.trackAsMenu ? 1 : 0);
  std::vector<uint8_t>& d = w.Data();
  size_t offsetAt = d.size();
  w.U16(0);
  for (auto& r : spec.records) {
    w.U8(r.states & 0x0F);
    w.U16(r.characterId);
    w.U16(r.depth);
    WriteMatrix(w, r.transform);
    w.UB(0, 2);  // colour transform with neither multiply nor add terms
    w.UB(1, 4);
    w.Align();
  }
  w.U8(0);
  std::vector<uint8_t>& data = w.Data();
  if (!spec.actions.empty()) {
    auto rel = static_cast<uint16_t>(data.size() - offsetAt);
    data[offsetAt] = rel & 0xFF;
    data[offsetAt + 1] = static_cast<uint8_t>(rel >> 8);
  }
  for (size_t i = 0; i < spec.actions.size(); ++i) {
    std::vector<uint8_t> code = spec.actions[i].actions.Bytes();
    bool last = i + 1 == spec.actions.size();
    w.U16(last ? 0 : static_cast<uint16_t>(4 + code.size()));
    w.U16(spec.actions[i].conditions);
    w.Bytes(code);
  }
  main_.Tag(34, w.Data());
  return id;
}

uint16_t MovieBuilder::DefineButton1(const std::vector<ButtonRecordSpec>& records, const Actions& onRelease) {
  uint16_t id = NextId();
  BitWriter w;
  w.U16(id);
  for (auto& r : records) {
    w.U8(r.states & 0x0F);
    w.U16(r.characterId);
    w.U16(r.depth);
    WriteMatrix(w, r.transform);
  }
  w.U8(0);
  w.Bytes(onRelease.Bytes());
  main_.Tag(7, w.Data());
  return id;
}

uint16_t MovieBuilder::DefineSprite(const Timeline& t, bool withEnd) {
  uint16_t id = NextId();
  BitWriter w;
  w.U16(id);
  w.U16(t.Frames());
  w.Bytes(t.Bytes());
  if (withEnd) w.U16(0);
  main_.Tag(39, w.Data());
  return id;
}

uint16_t MovieBuilder::RectangleSprite(double x, double y, double w, double h, Color fill) {
  Timeline t;
  t.Place(Rectangle(x, y, w, h, fill), 1).ShowFrame();
  return DefineSprite(t);
}

uint16_t MovieBuilder::DefineFont(const std::string& name, const std::vector<std::pair<uint16_t, Shape>>& glyphs) {
  uint16_t id = NextId();
  std::vector<std::vector<uint8_t>> shapes;
  for (auto& g : glyphs) shapes.push_back(g.second.EncodeGlyph());
  BitWriter w;
  w.U16(id);
  w.U8(0x08 | 0x04);  // wide offsets, wide codes
  w.U8(0);
  w.U8(static_cast<uint8_t>(name.size()));
  for (char c : name) w.U8(static_cast<uint8_t>(c));
  w.U16(static_cast<uint16_t>(glyphs.size()));
  uint32_t offset = static_cast<uint32_t>(4 * glyphs.size() + 4);
  for (auto& sh : shapes) {
    w.U32(offset);
    offset += static_cast<uint32_t>(sh.size());
  }
  w.U32(offset);  // the code table follows the glyphs
  for (auto& sh : shapes) w.Bytes(sh);
  for (auto& g : glyphs) w.U16(g.first);
  main_.Tag(48, w.Data());
  return id;
}

uint16_t MovieBuilder::DefineText(double x, double y, double w, double h, const std::vector<TextRunSpec>& runs) {
  uint16_t id = NextId();
  BitWriter b;
  b.U16(id);
  b.Rect(Twips(x), Twips(x + w), Twips(y), Twips(y + h));
  b.Matrix(1, 0, 0, 1, 0, 0);
  unsigned glyphBits = 1, advanceBits = 1;
  for (auto& r : runs)
    for (auto& [g, adv] : r.glyphs) {
      while ((1u << glyphBits) <= g) ++glyphBits;
      advanceBits = std::max(advanceBits, BitWriter::SignedBits(Twips(adv)));
    }
  b.U8(static_cast<uint8_t>(glyphBits));
  b.U8(static_cast<uint8_t>(advanceBits));
  for (auto& r : runs) {
    b.U8(0x80 | 0x08 | 0x04 | 0x02 | 0x01);
    b.U16(r.fontId);
    WriteColor(b, r.color);
    b.U16(static_cast<uint16_t>(Twips(r.x)));
    b.U16(static_cast<uint16_t>(Twips(r.y)));
    b.U16(static_cast<uint16_t>(Twips(r.size)));
    b.U8(static_cast<uint8_t>(r.glyphs.size()));
    for (auto& [g, adv] : r.glyphs) {
      b.UB(g, glyphBits);
      b.SB(Twips(adv), advanceBits);
    }
    b.Align();
  }
  b.U8(0);
  main_.Tag(33, b.Data());
  return id;
}

std::vector<uint8_t> MovieBuilder::Build() const {
  BitWriter body;
  body.Rect(0, Twips(width_), 0, Twips(height_));
  body.U16(static_cast<uint16_t>(std::lround(frameRate_ * 256.0)));
  body.U16(main_.Frames());
  body.Bytes(main_.Bytes());
  body.U16(0);  // End
  std::vector<uint8_t> rest = body.Data();
  auto total = static_cast<uint32_t>(8 + rest.size());
  std::vector<uint8_t> out{static_cast<uint8_t>(compressed_ ? 'C' : 'F'), 'W', 'S', static_cast<uint8_t>(version_)};
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(total >> (8 * i)));
  if (!compressed_) {
    out.insert(out.end(), rest.begin(), rest.end());
    return out;
  }
  uLongf size = compressBound(static_cast<uLong>(rest.size()));
  std::vector<uint8_t> z(size);
  compress2(z.data(), &size, rest.data(), static_cast<uLong>(rest.size()), 9);
  z.resize(size);
  out.insert(out.end(), z.begin(), z.end());
  return out;
}

}  // namespace swfasm
