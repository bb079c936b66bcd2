#pragma once
// Reads the composite records shared by many tags (rectangles, matrices, colour
// transforms, fill and line styles) on top of a bounded bit reader.
#include <vector>

#include "swfplayer/engine/bit_reader.h"
#include "swfplayer/engine/movie.h"

namespace swf {

struct RecordReader {
  BitReader reader;

  Rect ReadRect() {
    reader.Align();
    unsigned n = reader.UB(5);
    Rect rc;
    rc.xMin = reader.SB(n);
    rc.xMax = reader.SB(n);
    rc.yMin = reader.SB(n);
    rc.yMax = reader.SB(n);
    reader.Align();
    return rc;
  }

  Matrix ReadMatrix() {
    reader.Align();
    Matrix m;
    if (reader.Flag()) {
      unsigned n = reader.UB(5);
      m.a = reader.FB(n);
      m.d = reader.FB(n);
    }
    if (reader.Flag()) {
      unsigned n = reader.UB(5);
      m.b = reader.FB(n);
      m.c = reader.FB(n);
    }
    unsigned n = reader.UB(5);
    m.tx = reader.SB(n);
    m.ty = reader.SB(n);
    reader.Align();
    return m;
  }

  ColorTransform ReadCxform(bool withAlpha) {
    reader.Align();
    ColorTransform cx;
    bool hasAdd = reader.Flag();
    bool hasMul = reader.Flag();
    unsigned n = reader.UB(4);
    if (hasMul) {
      cx.rMul = reader.SB(n) / 256.0;
      cx.gMul = reader.SB(n) / 256.0;
      cx.bMul = reader.SB(n) / 256.0;
      if (withAlpha) cx.aMul = reader.SB(n) / 256.0;
    }
    if (hasAdd) {
      cx.rAdd = reader.SB(n);
      cx.gAdd = reader.SB(n);
      cx.bAdd = reader.SB(n);
      if (withAlpha) cx.aAdd = reader.SB(n);
    }
    reader.Align();
    return cx;
  }

  Rgba ReadRgb() {
    Rgba c;
    c.r = reader.U8();
    c.g = reader.U8();
    c.b = reader.U8();
    return c;
  }
  Rgba ReadRgba() {
    Rgba c = ReadRgb();
    c.a = reader.U8();
    return c;
  }
  Rgba ReadArgb() {
    Rgba c;
    c.a = reader.U8();
    c.r = reader.U8();
    c.g = reader.U8();
    c.b = reader.U8();
    return c;
  }

  // Shapes 1 and 2 store colours without alpha; 3 and 4 with.
  Rgba ReadColor(int shapeVersion) { return shapeVersion >= 3 ? ReadRgba() : ReadRgb(); }

  FillStyle ReadFillStyle(int shapeVersion) {
    FillStyle f;
    uint8_t type = reader.U8();
    if (type == 0x00) {
      f.kind = FillStyle::Kind::Solid;
      f.color = ReadColor(shapeVersion);
    } else if (type == 0x10 || type == 0x12 || type == 0x13) {
      f.kind = type == 0x10 ? FillStyle::Kind::LinearGradient
                            : type == 0x12 ? FillStyle::Kind::RadialGradient : FillStyle::Kind::FocalGradient;
      f.matrix = ReadMatrix();
      uint8_t head = reader.U8();
      f.spread = head >> 6;
      f.interpolation = (head >> 4) & 3;
      unsigned count = head & 15;
      for (unsigned i = 0; i < count; ++i) {
        GradientStop s;
        s.ratio = reader.U8();
        s.color = ReadColor(shapeVersion);
        f.stops.push_back(s);
      }
      if (type == 0x13) f.focalPoint = reader.Fixed8();
      if (!f.stops.empty()) f.color = f.stops.front().color;
    } else if (type >= 0x40 && type <= 0x43) {
      f.kind = FillStyle::Kind::Bitmap;
      f.bitmapId = reader.U16();
      f.matrix = ReadMatrix();
      f.bitmapRepeat = (type & 1) == 0;
      f.bitmapSmooth = (type & 2) == 0;
    } else {
      f.kind = FillStyle::Kind::Solid;
      f.color = {0, 0, 0, 0};
    }
    return f;
  }

  size_t ReadCount(int shapeVersion) {
    size_t n = reader.U8();
    if (n == 0xFF && shapeVersion >= 2) n = reader.U16();
    return n;
  }

  std::vector<FillStyle> FillStyleArray(int shapeVersion) {
    std::vector<FillStyle> v;
    size_t n = ReadCount(shapeVersion);
    for (size_t i = 0; i < n && !reader.Overrun(); ++i) v.push_back(ReadFillStyle(shapeVersion));
    return v;
  }

  std::vector<LineStyle> LineStyleArray(int shapeVersion) {
    std::vector<LineStyle> v;
    size_t n = ReadCount(shapeVersion);
    for (size_t i = 0; i < n && !reader.Overrun(); ++i) {
      LineStyle l;
      l.width = reader.U16();
      if (shapeVersion >= 4) {
        l.startCap = static_cast<uint8_t>(reader.UB(2));
        l.join = static_cast<uint8_t>(reader.UB(2));
        l.hasFill = reader.Flag();
        reader.UB(3);  // horizontal/vertical scaling and pixel hinting
        reader.UB(5);
        reader.UB(1);  // no close
        l.endCap = static_cast<uint8_t>(reader.UB(2));
        if (l.join == 2) l.miterLimit = reader.Fixed8();
        if (l.hasFill) {
          l.fill = ReadFillStyle(shapeVersion);
          l.color = l.fill.color;
        } else {
          l.color = ReadRgba();
        }
      } else {
        l.color = ReadColor(shapeVersion);
      }
      v.push_back(std::move(l));
    }
    return v;
  }
};

// Shape records after the style arrays (withStyles reads those arrays first;
// without them, as in font glyphs, fill style 1 is a solid black fill).
bool ParseShapeRecords(RecordReader& rr, int version, bool withStyles, ShapeDef& out);

}  // namespace swf
