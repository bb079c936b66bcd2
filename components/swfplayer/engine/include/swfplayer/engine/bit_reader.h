#pragma once
// Bounded readers over a byte range: every read past the end yields zeros and
// marks the reader as overrun, so malformed input can never read outside it.
#include <cstddef>
#include <bit>
#include <cstdint>
#include <span>
#include <string>

namespace swf {

// Reads little-endian values and MSB-first bit fields from one byte range.
class BitReader {
 public:
  BitReader() = default;
  explicit BitReader(std::span<const uint8_t> data) : data_(data) {}

  size_t Position() const { return pos_; }
  size_t Size() const { return data_.size(); }
  size_t Remaining() const { return pos_ < data_.size() ? data_.size() - pos_ : 0; }
  bool Overrun() const { return overrun_; }
  bool AtEnd() const { return Remaining() == 0; }
  std::span<const uint8_t> Data() const { return data_; }

  void Align() { bitCount_ = 0; }

  void Seek(size_t pos) {
    Align();
    if (pos > data_.size()) {
      pos_ = data_.size();
      overrun_ = true;
    } else {
      pos_ = pos;
    }
  }
  void Skip(size_t n) {
    Align();
    if (n > Remaining()) {
      pos_ = data_.size();
      overrun_ = true;
    } else {
      pos_ += n;
    }
  }

  uint8_t U8() {
    Align();
    if (pos_ >= data_.size()) {
      overrun_ = true;
      return 0;
    }
    return data_[pos_++];
  }
  uint16_t U16() {
    uint16_t lo = U8();
    return static_cast<uint16_t>(lo | (U8() << 8));
  }
  int16_t S16() { return static_cast<int16_t>(U16()); }
  uint32_t U32() {
    uint32_t lo = U16();
    return lo | (static_cast<uint32_t>(U16()) << 16);
  }
  float F32() {
    return std::bit_cast<float>(U32());
  }
  // SWF doubles store the high 32-bit word first, each word little-endian.
  double SwfDouble() {
    uint64_t hi = U32();
    uint64_t lo = U32();
    return std::bit_cast<double>((hi << 32) | lo);
  }
  // 8.8 fixed point.
  double Fixed8() { return S16() / 256.0; }

  // NUL-terminated string; an unterminated string ends at the end of the range.
  std::string String() {
    Align();
    std::string s;
    while (pos_ < data_.size()) {
      uint8_t c = data_[pos_++];
      if (c == 0) return s;
      s.push_back(static_cast<char>(c));
    }
    overrun_ = true;
    return s;
  }

  std::span<const uint8_t> Bytes(size_t n) {
    Align();
    if (n > Remaining()) {
      overrun_ = true;
      n = Remaining();
    }
    auto s = data_.subspan(pos_, n);
    pos_ += n;
    return s;
  }

  uint32_t UB(unsigned bits) {
    uint32_t v = 0;
    for (unsigned i = 0; i < bits && i < 32; ++i) {
      if (bitCount_ == 0) {
        if (pos_ >= data_.size()) {
          overrun_ = true;
          return bits - i >= 32 ? 0 : v << (bits - i);
        }
        bitBuf_ = data_[pos_++];
        bitCount_ = 8;
      }
      --bitCount_;
      v = (v << 1) | ((bitBuf_ >> bitCount_) & 1u);
    }
    return v;
  }
  int32_t SB(unsigned bits) {
    if (bits == 0) return 0;
    if (bits > 32) bits = 32;
    uint32_t v = UB(bits);
    if (bits < 32 && (v & (1u << (bits - 1)))) v |= ~((1u << bits) - 1u);
    return static_cast<int32_t>(v);
  }
  // 16.16 fixed point bit field.
  double FB(unsigned bits) { return SB(bits) / 65536.0; }
  bool Flag() { return UB(1) != 0; }

 private:
  std::span<const uint8_t> data_;
  size_t pos_ = 0;
  uint8_t bitBuf_ = 0;
  unsigned bitCount_ = 0;
  bool overrun_ = false;
};

}  // namespace swf
