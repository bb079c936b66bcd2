// The arithmetic, comparison, logical, bitwise and string actions, and the UTF-8 helpers they share.
#include "interpreter.h"

#include <algorithm>
#include <cmath>

#include "interpreter_support.h"

namespace swf {

size_t Utf8Length(const std::string& s) {
  size_t n = 0;
  for (unsigned char c : s)
    if ((c & 0xC0) != 0x80) ++n;
  return n;
}

std::string Utf8Substr(const std::string& s, size_t start, size_t count) {
  size_t i = 0, cp = 0;
  while (i < s.size() && cp < start) {
    ++i;
    while (i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) ++i;
    ++cp;
  }
  size_t j = i, taken = 0;
  while (j < s.size() && taken < count) {
    ++j;
    while (j < s.size() && (static_cast<unsigned char>(s[j]) & 0xC0) == 0x80) ++j;
    ++taken;
  }
  return s.substr(i, j - i);
}

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

uint32_t Utf8First(const std::string& s) {
  if (s.empty()) return 0;
  auto c = static_cast<unsigned char>(s[0]);
  int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
  uint32_t cp = extra == 0 ? c : c & (0x3F >> extra);
  for (int k = 1; k <= extra; ++k) {
    if (static_cast<size_t>(k) >= s.size()) return c;
    cp = (cp << 6) | (static_cast<unsigned char>(s[static_cast<size_t>(k)]) & 0x3F);
  }
  return cp;
}

Interpreter::Flow Interpreter::StepArithmetic(Context& c, uint8_t op) {
  const int ver = c.version;
  auto binaryNumber = [&](auto f) {
    double b = Num(c, Pop(c));
    double a = Num(c, Pop(c));
    Push(Value(f(a, b)));
  };
  switch (op) {
    case kAdd: binaryNumber([](double a, double b) { return a + b; }); break;
    case kSubtract: binaryNumber([](double a, double b) { return a - b; }); break;
    case kMultiply: binaryNumber([](double a, double b) { return a * b; }); break;
    case kDivide: {
      double b = Num(c, Pop(c));
      double a = Num(c, Pop(c));
      if (b == 0 && ver < 5) Push(Value("#ERROR#"));
      else Push(Value(a / b));
      break;
    }
    case kModulo: binaryNumber([](double a, double b) { return std::fmod(a, b); }); break;
    case kEquals: {
      double b = Num(c, Pop(c));
      double a = Num(c, Pop(c));
      Push(Bool(c, a == b));
      break;
    }
    case kLess: {
      double b = Num(c, Pop(c));
      double a = Num(c, Pop(c));
      Push(Bool(c, a < b));
      break;
    }
    case kAnd: case kOr: {
      bool b = ToBoolean(Pop(c), ver);
      bool a = ToBoolean(Pop(c), ver);
      Push(Bool(c, op == kAnd ? (a && b) : (a || b)));
      break;
    }
    case kNot: Push(Bool(c, !ToBoolean(Pop(c), ver))); break;
    case kStringEquals: case kStringLess: case kStringGreater: {
      std::string b = Str(c, Pop(c));
      std::string a = Str(c, Pop(c));
      Push(Bool(c, op == kStringEquals ? a == b : op == kStringLess ? a < b : a > b));
      break;
    }
    case kStringLength: case kMBStringLength: {
      std::string s = Str(c, Pop(c));
      bool mb = op == kMBStringLength || ver >= 6;
      Push(Value(static_cast<double>(mb ? Utf8Length(s) : s.size())));
      break;
    }
    case kStringExtract: case kMBStringExtract: {
      double count = Num(c, Pop(c));
      double index = Num(c, Pop(c));
      std::string s = Str(c, Pop(c));
      bool mb = op == kMBStringExtract || ver >= 6;
      size_t len = mb ? Utf8Length(s) : s.size();
      double startD = std::isfinite(index) ? std::max(0.0, std::trunc(index) - 1) : 0;
      size_t start = static_cast<size_t>(std::min<double>(startD, static_cast<double>(len)));
      size_t n = !std::isfinite(count) || count < 0 ? len - start
                                                    : static_cast<size_t>(std::min<double>(count, static_cast<double>(len - start)));
      Push(Value(mb ? Utf8Substr(s, start, n) : s.substr(start, n)));
      break;
    }
    case kToInteger: {
      double v = Num(c, Pop(c));
      Push(Value(static_cast<double>(ToInt32(v))));
      break;
    }
    case kStringAdd: {
      std::string b = Str(c, Pop(c));
      std::string a = Str(c, Pop(c));
      if (a.size() + b.size() > kMaxStringBytes) {
        rt_.aborted = true;
        break;
      }
      Push(Value(Charge(a + b)));
      break;
    }
    case kRandomNumber: {
      double max = Num(c, Pop(c));
      rt_.rng ^= rt_.rng << 13;
      rt_.rng ^= rt_.rng >> 17;
      rt_.rng ^= rt_.rng << 5;
      double m = std::isfinite(max) && max >= 1 ? std::floor(std::min(max, 4294967295.0)) : 0;
      Push(Value(m > 0 ? std::floor(std::fmod(static_cast<double>(rt_.rng), m)) : 0.0));
      break;
    }
    case kCharToAscii: case kMBCharToAscii: {
      std::string s = Str(c, Pop(c));
      if (op == kMBCharToAscii || ver >= 6) Push(Value(static_cast<double>(Utf8First(s))));
      else Push(Value(s.empty() ? 0.0 : static_cast<double>(static_cast<unsigned char>(s[0]))));
      break;
    }
    case kAsciiToChar: case kMBAsciiToChar: {
      double n = Num(c, Pop(c));
      uint32_t code = std::isfinite(n) && n > 0 && n < 0x110000 ? static_cast<uint32_t>(n) : 0;
      if (code == 0) Push(Value(std::string()));
      else if (op == kMBAsciiToChar || ver >= 6) Push(Value(Utf8Encode(code)));
      else Push(Value(std::string(1, static_cast<char>(code & 0xFF))));
      break;
    }
    case kGetTime: Push(Value(std::floor(rt_.timeMs))); break;
    case kAdd2: {
      Value b = DefaultPrimitive(Pop(c), ver);
      Value a = DefaultPrimitive(Pop(c), ver);
      if (a.IsString() || b.IsString()) {
        std::string sa = Str(c, a), sb = Str(c, b);
        if (sa.size() + sb.size() > kMaxStringBytes) {
          rt_.aborted = true;
          break;
        }
        Push(Value(Charge(sa + sb)));
      } else {
        Push(Value(Num(c, a) + Num(c, b)));
      }
      break;
    }
    case kLess2: {
      Value b = Pop(c);
      Value a = Pop(c);
      Push(LessThan(a, b, ver));
      break;
    }
    case kGreater: {
      Value b = Pop(c);
      Value a = Pop(c);
      Push(LessThan(b, a, ver));
      break;
    }
    case kEquals2: {
      Value b = Pop(c);
      Value a = Pop(c);
      Push(Value(LooseEquals(a, b, ver)));
      break;
    }
    case kStrictEquals: {
      Value b = Pop(c);
      Value a = Pop(c);
      Push(Value(StrictEqual(a, b)));
      break;
    }
    case kToNumber: Push(Value(Num(c, Pop(c)))); break;
    case kToString: Push(Value(Str(c, Pop(c)))); break;
    case kIncrement: Push(Value(Num(c, Pop(c)) + 1)); break;
    case kDecrement: Push(Value(Num(c, Pop(c)) - 1)); break;
    case kBitAnd: case kBitOr: case kBitXor: case kBitLShift: case kBitRShift: case kBitURShift: {
      int32_t b = ToInt32(Num(c, Pop(c)));
      int32_t a = ToInt32(Num(c, Pop(c)));
      auto ua = static_cast<uint32_t>(a);
      unsigned sh = static_cast<uint32_t>(b) & 31u;
      double res = 0;
      switch (op) {
        case kBitAnd: res = a & b; break;
        case kBitOr: res = a | b; break;
        case kBitXor: res = a ^ b; break;
        case kBitLShift: res = static_cast<int32_t>(ua << sh); break;
        case kBitRShift: res = a >> sh; break;
        // Before the tenth version the unsigned shift still gives a signed result.
        default: res = ver < 10 ? static_cast<double>(static_cast<int32_t>(ua >> sh)) : static_cast<double>(ua >> sh); break;
      }
      Push(Value(res));
      break;
    }
    default:
      return Flow::NotMine;
  }
  return Flow::Next;
}

}  // namespace swf
