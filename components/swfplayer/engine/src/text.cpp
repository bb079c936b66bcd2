// Script text: decoding movies' string data and counting characters the way the player's version does.
#include "text.h"

namespace swf {
namespace {

constexpr uint32_t kReplacement = 0xFFFD;

bool IsSurrogate(uint32_t u) { return u >= 0xD800 && u <= 0xDFFF; }

// The code point at s[i], moving i past it; false for a sequence that is not valid UTF-8.
bool NextCodePoint(const std::string& s, size_t& i, uint32_t& cp) {
  auto c = static_cast<unsigned char>(s[i]);
  int extra = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : -1;
  if (extra < 0) {
    ++i;
    cp = kReplacement;
    return false;
  }
  cp = extra ? c & (0x3Fu >> extra) : c;
  size_t j = i + 1;
  for (int k = 0; k < extra; ++k, ++j) {
    if (j >= s.size() || (static_cast<unsigned char>(s[j]) & 0xC0) != 0x80) {
      i = j;
      cp = kReplacement;
      return false;
    }
    cp = (cp << 6) | (static_cast<unsigned char>(s[j]) & 0x3F);
  }
  i = j;
  static constexpr uint32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
  if (cp < kSmallest[extra] || cp > 0x10FFFF || IsSurrogate(cp)) {
    cp = kReplacement;
    return false;
  }
  return true;
}

}  // namespace

std::string Utf8Encode(uint32_t cp) {
  std::string s;
  if (cp < 0x80) {
    s += static_cast<char>(cp);
  } else if (cp < 0x800) {
    s += static_cast<char>(0xC0 | (cp >> 6));
    s += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    s += static_cast<char>(0xE0 | (cp >> 12));
    s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x110000) {
    s += static_cast<char>(0xF0 | (cp >> 18));
    s += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (cp & 0x3F));
  }
  return s;
}

std::string DecodeStringData(std::string raw, int version) {
  if (version >= 6) {
    uint32_t cp;
    for (size_t i = 0; i < raw.size();)
      if (!NextCodePoint(raw, i, cp)) return {};
    return raw;
  }
  bool ascii = true;
  for (char c : raw) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  if (ascii) return raw;
  std::string s;
  s.reserve(raw.size() * 2);
  for (char c : raw) s += Utf8Encode(static_cast<unsigned char>(c));
  return s;
}

std::u32string TextUnits(const std::string& s, bool utf16) {
  std::u32string u;
  u.reserve(s.size());
  uint32_t cp;
  for (size_t i = 0; i < s.size();) {
    NextCodePoint(s, i, cp);
    if (utf16 && cp >= 0x10000) {
      u.push_back(0xD800 + ((cp - 0x10000) >> 10));
      u.push_back(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      u.push_back(cp);
    }
  }
  return u;
}

std::string UnitsText(const std::u32string& units, bool utf16) {
  std::string s;
  s.reserve(units.size());
  for (size_t i = 0; i < units.size(); ++i) {
    uint32_t c = units[i];
    if (utf16 && IsSurrogate(c)) {
      bool paired = c < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF;
      if (paired) c = 0x10000 + ((c - 0xD800) << 10) + (units[++i] - 0xDC00);
      else c = kReplacement;
    }
    s += Utf8Encode(c);
  }
  return s;
}

size_t TextLength(const std::string& s, bool utf16) {
  size_t n = 0;
  uint32_t cp;
  for (size_t i = 0; i < s.size();) {
    NextCodePoint(s, i, cp);
    n += utf16 && cp >= 0x10000 ? 2 : 1;
  }
  return n;
}

uint32_t FirstUnit(const std::string& s, bool utf16) {
  if (s.empty()) return 0;
  std::u32string u = TextUnits(s.substr(0, 4), utf16);
  return u.empty() ? 0 : IsSurrogate(u[0]) ? kReplacement : u[0];
}

}  // namespace swf
