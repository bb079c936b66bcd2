// The arithmetic, comparison, logical, bitwise and string actions.
#include "interpreter.h"

#include <algorithm>
#include <cmath>

#include "interpreter_support.h"

namespace swf {

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
    // The code page this player reads older movies in has no multibyte characters, so the multibyte actions
    // count as the others do.
    case kStringLength: case kMBStringLength: {
      std::string s = Str(c, Pop(c));
      Push(Value(static_cast<double>(TextLength(s, ver >= 6))));
      break;
    }
    case kStringExtract: case kMBStringExtract: {
      double count = Num(c, Pop(c));
      double index = Num(c, Pop(c));
      std::u32string s = TextUnits(Str(c, Pop(c)), ver >= 6);
      size_t len = s.size();
      double startD = std::isfinite(index) ? std::max(0.0, std::trunc(index) - 1) : 0;
      size_t start = static_cast<size_t>(std::min<double>(startD, static_cast<double>(len)));
      size_t n = !std::isfinite(count) || count < 0 ? len - start
                                                    : static_cast<size_t>(std::min<double>(count, static_cast<double>(len - start)));
      Push(Value(UnitsText(s.substr(start, n), ver >= 6)));
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
      Push(Value(static_cast<double>(FirstUnit(s, ver >= 6))));
      break;
    }
    // A character code wraps to a byte before the sixth version and to a UTF-16 unit from it; the multibyte
    // form of an older movie makes the two bytes of a double-byte code.
    case kAsciiToChar: case kMBAsciiToChar: {
      auto code = static_cast<uint32_t>(ToInt32(Num(c, Pop(c))));
      std::u32string units;
      if (ver >= 6) {
        units.push_back(code & 0xFFFF);
      } else if (op == kMBAsciiToChar && (code & 0xFFFF) > 0xFF) {
        units.push_back((code >> 8) & 0xFF);
        units.push_back(code & 0xFF);
      } else {
        units.push_back(code & 0xFF);
      }
      if (units.back() == 0) units.clear();
      Push(Value(UnitsText(units, ver >= 6)));
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
