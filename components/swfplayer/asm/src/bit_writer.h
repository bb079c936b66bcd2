#pragma once
// Writes little-endian values and MSB-first bit fields.
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace swfasm {

class BitWriter {
 public:
  void U8(uint8_t v) {
    Align();
    out_.push_back(v);
  }
  void U16(uint16_t v) {
    U8(v & 0xFF);
    U8(v >> 8);
  }
  void U32(uint32_t v) {
    U16(v & 0xFFFF);
    U16(v >> 16);
  }
  void String(const std::string& s) {
    Align();
    out_.insert(out_.end(), s.begin(), s.end());
    out_.push_back(0);
  }
  void Bytes(const std::vector<uint8_t>& b) {
    Align();
    out_.insert(out_.end(), b.begin(), b.end());
  }
  void UB(uint32_t v, unsigned bits) {
    for (unsigned i = bits; i-- > 0;) {
      cur_ = static_cast<uint8_t>((cur_ << 1) | ((v >> i) & 1u));
      if (++count_ == 8) {
        out_.push_back(cur_);
        cur_ = 0;
        count_ = 0;
      }
    }
  }
  void SB(int32_t v, unsigned bits) { UB(static_cast<uint32_t>(v), bits); }
  void Align() {
    if (count_) {
      out_.push_back(static_cast<uint8_t>(cur_ << (8 - count_)));
      cur_ = 0;
      count_ = 0;
    }
  }
  std::vector<uint8_t>& Data() {
    Align();
    return out_;
  }

  // Bits needed for a signed value.
  static unsigned SignedBits(int32_t v) {
    unsigned n = 1;
    while (n < 32 && (v < -(int64_t(1) << (n - 1)) || v >= (int64_t(1) << (n - 1)))) ++n;
    return n;
  }
  static unsigned SignedBits(std::initializer_list<int32_t> vs) {
    unsigned n = 1;
    for (int32_t v : vs) n = std::max(n, SignedBits(v));
    return n;
  }

  void Rect(int32_t xMin, int32_t xMax, int32_t yMin, int32_t yMax) {
    unsigned n = SignedBits({xMin, xMax, yMin, yMax});
    UB(n, 5);
    SB(xMin, n);
    SB(xMax, n);
    SB(yMin, n);
    SB(yMax, n);
    Align();
  }

  // a, b, c, d as 16.16 fixed point; tx, ty in twips.
  void Matrix(double a, double b, double c, double d, double tx, double ty) {
    auto fx = [](double v) { return static_cast<int32_t>(std::lround(v * 65536.0)); };
    if (a != 1 || d != 1) {
      UB(1, 1);
      unsigned n = SignedBits({fx(a), fx(d)});
      UB(n, 5);
      SB(fx(a), n);
      SB(fx(d), n);
    } else {
      UB(0, 1);
    }
    if (b != 0 || c != 0) {
      UB(1, 1);
      unsigned n = SignedBits({fx(b), fx(c)});
      UB(n, 5);
      SB(fx(b), n);
      SB(fx(c), n);
    } else {
      UB(0, 1);
    }
    auto x = static_cast<int32_t>(std::lround(tx)), y = static_cast<int32_t>(std::lround(ty));
    unsigned n = (x == 0 && y == 0) ? 0 : SignedBits({x, y});
    UB(n, 5);
    SB(x, n);
    SB(y, n);
    Align();
  }

 private:
  std::vector<uint8_t> out_;
  uint8_t cur_ = 0;
  unsigned count_ = 0;
};

}  // namespace swfasm
