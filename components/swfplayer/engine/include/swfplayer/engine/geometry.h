#pragma once
// Plain geometry and colour types shared by the loader, the timeline and renderers.
// Coordinates are in twips (1/20 pixel) unless a name says otherwise.
#include <algorithm>
#include <cmath>
#include <cstdint>

namespace swf {

struct Rgba {
  uint8_t r = 0, g = 0, b = 0, a = 255;
  bool operator==(const Rgba&) const = default;
};

struct Rect {
  double xMin = 0, yMin = 0, xMax = 0, yMax = 0;
  bool Empty() const { return xMax <= xMin || yMax <= yMin; }
  bool Contains(double x, double y) const { return x >= xMin && x <= xMax && y >= yMin && y <= yMax; }
  void Include(double x, double y) {
    xMin = std::min(xMin, x);
    yMin = std::min(yMin, y);
    xMax = std::max(xMax, x);
    yMax = std::max(yMax, y);
  }
  bool operator==(const Rect&) const = default;
};

// x' = a*x + c*y + tx, y' = b*x + d*y + ty.
struct Matrix {
  double a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;

  Matrix operator*(const Matrix& inner) const {  // applies inner first, then this
    return {a * inner.a + c * inner.b,  b * inner.a + d * inner.b,  a * inner.c + c * inner.d,
            b * inner.c + d * inner.d,  a * inner.tx + c * inner.ty + tx, b * inner.tx + d * inner.ty + ty};
  }
  void Apply(double x, double y, double& ox, double& oy) const {
    ox = a * x + c * y + tx;
    oy = b * x + d * y + ty;
  }
  bool Invert(Matrix& out) const {
    double det = a * d - b * c;
    if (!std::isfinite(det) || std::fabs(det) < 1e-12) return false;
    out.a = d / det;
    out.b = -b / det;
    out.c = -c / det;
    out.d = a / det;
    out.tx = -(out.a * tx + out.c * ty);
    out.ty = -(out.b * tx + out.d * ty);
    return true;
  }
  Rect Transform(const Rect& r) const {
    double x, y;
    Apply(r.xMin, r.yMin, x, y);
    Rect o{x, y, x, y};
    Apply(r.xMax, r.yMin, x, y);
    o.Include(x, y);
    Apply(r.xMin, r.yMax, x, y);
    o.Include(x, y);
    Apply(r.xMax, r.yMax, x, y);
    o.Include(x, y);
    return o;
  }
  bool operator==(const Matrix&) const = default;
};

// channel' = channel * mult + add, multipliers 1.0 = unchanged, adds in 0..255 units.
struct ColorTransform {
  double rMul = 1, gMul = 1, bMul = 1, aMul = 1;
  double rAdd = 0, gAdd = 0, bAdd = 0, aAdd = 0;

  ColorTransform operator*(const ColorTransform& inner) const {  // inner first
    return {rMul * inner.rMul, gMul * inner.gMul, bMul * inner.bMul, aMul * inner.aMul,
            rAdd + rMul * inner.rAdd, gAdd + gMul * inner.gAdd, bAdd + bMul * inner.bAdd, aAdd + aMul * inner.aAdd};
  }
  Rgba Apply(Rgba c) const {
    auto ch = [](double v, double m, double add) {
      return static_cast<uint8_t>(std::clamp(v * m + add, 0.0, 255.0));
    };
    return {ch(c.r, rMul, rAdd), ch(c.g, gMul, gAdd), ch(c.b, bMul, bAdd), ch(c.a, aMul, aAdd)};
  }
  bool operator==(const ColorTransform&) const = default;
};

}  // namespace swf
