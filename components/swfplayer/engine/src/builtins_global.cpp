// The global functions parseInt, parseFloat, isNaN, isFinite, escape and unescape, and NaN and Infinity.
#include <cctype>

#include "builtins.h"

namespace swf {
namespace {

bool Blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

int Digit(char c) {
  auto ch = static_cast<unsigned char>(std::tolower(static_cast<unsigned char>(c)));
  return std::isdigit(ch) ? ch - '0' : (ch >= 'a' && ch <= 'z') ? ch - 'a' + 10 : 99;
}

// Without a radix, "0x" starts a hexadecimal and a leading 0 an octal number, as the reference documents.
Value ParseInt(Interpreter& in, std::span<const Value> args) {
  std::string s = ArgString(in, args, 0);
  size_t i = 0;
  while (i < s.size() && Blank(s[i])) ++i;
  bool neg = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) neg = s[i++] == '-';
  int base = 0;
  if (args.size() > 1 && !args[1].IsUndefined()) {
    double r = Num(in, args[1]);
    if (!std::isnan(r)) {
      base = ToInt32(r);
      if (base != 0 && (base < 2 || base > 36)) return Value(std::nan(""));
    }
  }
  bool hexPrefix = i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X');
  if ((base == 0 || base == 16) && hexPrefix) {
    base = 16;
    i += 2;
  } else if (base == 0) {
    base = i + 1 < s.size() && s[i] == '0' && std::isdigit(static_cast<unsigned char>(s[i + 1])) ? 8 : 10;
  }
  double v = 0;
  size_t digits = 0;
  for (; i < s.size(); ++i, ++digits) {
    int d = Digit(s[i]);
    if (d >= base) break;
    v = v * base + d;
  }
  if (!digits) return Value(std::nan(""));
  return Value(neg ? -v : v);
}

Value ParseFloat(Interpreter& in, std::span<const Value> args) {
  std::string s = ArgString(in, args, 0);
  size_t i = 0;
  while (i < s.size() && Blank(s[i])) ++i;
  size_t j = i;
  if (j < s.size() && (s[j] == '-' || s[j] == '+')) ++j;
  bool any = false;
  while (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j]))) ++j, any = true;
  if (j < s.size() && s[j] == '.') {
    ++j;
    while (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j]))) ++j, any = true;
  }
  if (any && j < s.size() && (s[j] == 'e' || s[j] == 'E')) {
    size_t k = j + 1;
    if (k < s.size() && (s[k] == '-' || s[k] == '+')) ++k;
    if (k < s.size() && std::isdigit(static_cast<unsigned char>(s[k]))) {
      while (k < s.size() && std::isdigit(static_cast<unsigned char>(s[k]))) ++k;
      j = k;
    }
  }
  return any ? Value(StringToNumber(s.substr(i, j - i), 5)) : Value(std::nan(""));
}

// Everything but letters and digits becomes %XX, byte by byte.
std::string Escape(const std::string& s) {
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  for (unsigned char ch : s) {
    if (std::isalnum(ch)) {
      out += static_cast<char>(ch);
    } else {
      out += '%';
      out += hex[ch >> 4];
      out += hex[ch & 15];
    }
  }
  return out;
}

int Hex(char c) {
  int d = Digit(c);
  return d < 16 ? d : -1;
}

}  // namespace

// '+' reads as a blank; a '%' not followed by two hex digits is dropped together with the character after it.
std::string Unescape(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%') {
      if (i + 2 < s.size() && Hex(s[i + 1]) >= 0 && Hex(s[i + 2]) >= 0) {
        out += static_cast<char>(Hex(s[i + 1]) * 16 + Hex(s[i + 2]));
        i += 2;
      } else {
        ++i;
      }
    } else {
      out += s[i] == '+' ? ' ' : s[i];
    }
  }
  return out;
}

void InstallGlobalFunctions(Runtime& rt) {
  Object* g = rt.global;
  if (rt.version >= 5) {  // the fourth version has neither
    Constant(g, "NaN", Value(std::nan("")));
    Constant(g, "Infinity", Value(INFINITY));
  }
  Native(rt, g, "parseInt", [](Interpreter& in, const Value&, std::span<const Value> args) { return ParseInt(in, args); });
  Native(rt, g, "parseFloat", [](Interpreter& in, const Value&, std::span<const Value> args) {
    return ParseFloat(in, args);
  });
  Native(rt, g, "isNaN", [](Interpreter& in, const Value&, std::span<const Value> args) {
    return Value(std::isnan(Arg(in, args, 0)));
  });
  Native(rt, g, "isFinite", [](Interpreter& in, const Value&, std::span<const Value> args) {
    return Value(std::isfinite(Arg(in, args, 0)));
  });
  Native(rt, g, "escape", [](Interpreter& in, const Value&, std::span<const Value> args) {
    if (args.empty()) return Value();
    std::string text = ArgString(in, args, 0);
    in.Rt().heap.Charge(text.size() * 3);
    if (in.Rt().heap.Exhausted()) return Value();
    return Value(Escape(text));
  });
  Native(rt, g, "unescape", [](Interpreter& in, const Value&, std::span<const Value> args) {
    if (args.empty()) return Value();
    std::string s = Unescape(ArgString(in, args, 0));
    return Value(in.Charge(s));
  });
}

}  // namespace swf
