// String: the constructor, fromCharCode and the prototype methods, which string values reach through
// StringMethod; positions count UTF-16 units from the sixth version on and code-page bytes before it.
#include <algorithm>

#include "builtins.h"

namespace swf {
namespace {

constexpr size_t kMaxString = 16u << 20;

std::u32string Units(const std::string& s, bool mb) { return TextUnits(s, mb); }
std::string Text(const std::u32string& u, bool mb) { return UnitsText(u, mb); }

// Case pairs of the Latin, Greek and Cyrillic letters; others are left as they are.
char32_t CaseOf(char32_t c, bool upper, bool mb) {
  if (c < 0x80 || !mb) {
    if (upper && c >= 'a' && c <= 'z') return c - 32;
    if (!upper && c >= 'A' && c <= 'Z') return c + 32;
    return c;
  }
  auto range = [&](char32_t lowFirst, char32_t lowLast, char32_t upFirst, char32_t& out) {
    if (upper && c >= lowFirst && c <= lowLast) return out = c - lowFirst + upFirst, true;
    if (!upper && c >= upFirst && c <= upFirst + (lowLast - lowFirst)) return out = c - upFirst + lowFirst, true;
    return false;
  };
  char32_t r;
  if (c == 0xD7 || c == 0xF7) return c;
  if (range(0xE0, 0xFE, 0xC0, r)) return r;
  if (upper && c == 0xFF) return 0x178;
  if (!upper && c == 0x178) return 0xFF;
  if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) return upper ? (c & ~1u) : (c | 1u);
  if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return upper ? (c & 1u ? c : c - 1) : (c & 1u ? c + 1 : c);
  if (upper && c == 0x3C2) return 0x3A3;
  if (c != 0x3A2 && c != 0x3C2 && range(0x3B1, 0x3C9, 0x391, r)) return r;
  if (range(0x430, 0x44F, 0x410, r)) return r;
  if (range(0x450, 0x45F, 0x400, r)) return r;
  return c;
}

bool Multibyte(Interpreter& in) { return in.Rt().version >= 6; }

std::u32string SelfUnits(Interpreter& in, const Value& self) {
  std::string s = Str(in, self);
  // The units take four bytes a character; a text too long for the frame's budget is not converted.
  in.Rt().heap.Charge(s.size() * 4);
  if (in.Rt().heap.Exhausted()) return {};
  return Units(s, Multibyte(in));
}

Value Make(Interpreter& in, const std::u32string& u) {
  std::string s = Text(u, Multibyte(in));
  return Value(in.Charge(s));
}

using Method = Value (*)(Interpreter&, const std::u32string&, std::span<const Value>);

Value CharAt(Interpreter& in, const std::u32string& s, std::span<const Value> args) {
  double i = IntArg(in, args, 0, 0, -1, 1e15);
  return i >= 0 && i < static_cast<double>(s.size()) ? Make(in, s.substr(static_cast<size_t>(i), 1)) : Value("");
}

Value CharCodeAt(Interpreter& in, const std::u32string& s, std::span<const Value> args) {
  double i = IntArg(in, args, 0, 0, -1, 1e15);
  if (i < 0 || i >= static_cast<double>(s.size())) return Value(std::nan(""));
  return Value(static_cast<double>(s[static_cast<size_t>(i)]));
}

Value IndexOf(Interpreter& in, const std::u32string& s, std::span<const Value> args) {
  std::u32string needle = Units(ArgString(in, args, 0), Multibyte(in));
  auto from = static_cast<size_t>(IntArg(in, args, 1, 0, 0, static_cast<double>(s.size())));
  size_t at = s.find(needle, from);
  return Value(at == std::u32string::npos ? -1.0 : static_cast<double>(at));
}

Value LastIndexOf(Interpreter& in, const std::u32string& s, std::span<const Value> args) {
  std::u32string needle = Units(ArgString(in, args, 0), Multibyte(in));
  double len = static_cast<double>(s.size());
  double from = IntArg(in, args, 1, len, -1, len);
  if (from < 0) return Value(-1);
  size_t at = s.rfind(needle, static_cast<size_t>(from));
  return Value(at == std::u32string::npos ? -1.0 : static_cast<double>(at));
}

Value Slice(Interpreter& in, const std::u32string& s, std::span<const Value> args) {
  double len = static_cast<double>(s.size());
  auto rel = [&](size_t i, double fallback) {
    double d = IntArg(in, args, i, fallback, -1e15, 1e15);
    return static_cast<size_t>(d < 0 ? std::max(0.0, len + d) : std::min(d, len));
  };
  size_t a = rel(0, 0), b = rel(1, len);
  return a < b ? Make(in, s.substr(a, b - a)) : Value("");
}

Value Substr(Interpreter& in, const std::u32string& s, std::span<const Value> args) {
  double len = static_cast<double>(s.size());
  double start = IntArg(in, args, 0, 0, -1e15, 1e15);
  if (start < 0) start = std::max(0.0, len + start);
  start = std::min(start, len);
  // A negative length counts from the end of the string.
  double count = IntArg(in, args, 1, len - start, -1e15, 1e15);
  if (count < 0) count += len - start;
  count = std::clamp(count, 0.0, len - start);
  return Make(in, s.substr(static_cast<size_t>(start), static_cast<size_t>(count)));
}

Value Substring(Interpreter& in, const std::u32string& s, std::span<const Value> args) {
  double len = static_cast<double>(s.size());
  auto a = static_cast<size_t>(IntArg(in, args, 0, 0, 0, len));
  auto b = static_cast<size_t>(IntArg(in, args, 1, len, 0, len));
  if (a > b) std::swap(a, b);
  return Make(in, s.substr(a, b - a));
}

Value ChangeCase(Interpreter& in, const std::u32string& s, bool upper) {
  std::u32string r = s;
  for (char32_t& c : r) c = CaseOf(c, upper, Multibyte(in));
  return Make(in, r);
}

Value ToUpper(Interpreter& in, const std::u32string& s, std::span<const Value>) { return ChangeCase(in, s, true); }
Value ToLower(Interpreter& in, const std::u32string& s, std::span<const Value>) { return ChangeCase(in, s, false); }

Value Concat(Interpreter& in, const std::u32string& s, std::span<const Value> args) {
  std::string r = Text(s, Multibyte(in));
  for (size_t i = 0; i < args.size() && r.size() < kMaxString; ++i) r += ArgString(in, args, i);
  return Value(in.Charge(r));
}

Value Split(Interpreter& in, const std::u32string& s, std::span<const Value> args) {
  Runtime& rt = in.Rt();
  ArrayObject* a = NewArray(rt);
  Value result(static_cast<Object*>(a));
  double limit = args.size() > 1 && !args[1].IsUndefined() ? IntArg(in, args, 1, 0, 0, 1e15) : 1e15;
  auto max = static_cast<size_t>(std::min(limit, static_cast<double>(ArrayObject::kMaxLength)));
  rt.heap.Charge(s.size() * 4);
  if (max == 0 || rt.heap.Exhausted()) return result;
  // Every piece costs its value and its text; the frame's budget ends a split that would make too many.
  auto add = [&](std::u32string piece) {
    rt.heap.Charge(sizeof(Value) + 32 + piece.size());
    a->elements.push_back(Make(in, piece));
    return !rt.heap.Exhausted();
  };
  if (args.empty() || args[0].IsUndefined()) {
    a->elements.push_back(Make(in, s));
    return result;
  }
  std::u32string sep = Units(ArgString(in, args, 0), Multibyte(in));
  if (sep.empty()) {
    for (size_t i = 0; i < s.size() && a->elements.size() < max; ++i)
      if (!add(s.substr(i, 1))) break;
    return result;
  }
  size_t pos = 0;
  while (a->elements.size() < max) {
    size_t at = s.find(sep, pos);
    if (!add(s.substr(pos, at == std::u32string::npos ? std::u32string::npos : at - pos))) break;
    if (at == std::u32string::npos) break;
    pos = at + sep.size();
  }
  return result;
}

// Wraps a method of string units as a prototype method that converts its this to a string first.
template <Method M>
Value OnSelf(Interpreter& in, const Value& self, std::span<const Value> args) {
  return M(in, SelfUnits(in, self), args);
}

}  // namespace

bool StringMethod(Interpreter& in, const std::string& s, const std::string& name, std::span<const Value> args,
                  Value& out) {
  Object* proto = in.Rt().heap.Pinned(kPinStringProto);
  Value m;
  if (!proto || !proto->Get(name, m) || !m.AsObject() || m.AsObject()->GetKind() != Object::Kind::Function)
    return false;
  out = in.Call(m, Value(s), args);
  return true;
}

void InstallString(Runtime& rt) {
  Object* sp = rt.heap.Make<Object>(rt.objectProto);
  rt.heap.Pin(kPinStringProto, sp);
  FunctionObject* ctor = Constructor(
      rt, "String", sp,
      [](Interpreter& in, const Value&, std::span<const Value> args) { return Value(ArgString(in, args, 0)); },
      [](Interpreter& in, const Value&, std::span<const Value> args) {
        Object* proto = in.Rt().heap.Pinned(kPinStringProto);
        return Value(in.Rt().heap.Make<BoxObject>(proto, Value(ArgString(in, args, 0))));
      });
  Native(rt, ctor, "fromCharCode", [](Interpreter& in, const Value&, std::span<const Value> args) {
    std::u32string u;
    for (size_t i = 0; i < args.size() && u.size() < kMaxString; ++i) {
      auto code = static_cast<uint32_t>(ToInt32(Arg(in, args, i, 0))) & 0xFFFF;
      if (code) u.push_back(code);
    }
    return Make(in, u);
  });
  static const std::pair<const char*, NativeFn> methods[] = {
      {"charAt", OnSelf<CharAt>},       {"charCodeAt", OnSelf<CharCodeAt>},   {"indexOf", OnSelf<IndexOf>},
      {"lastIndexOf", OnSelf<LastIndexOf>}, {"slice", OnSelf<Slice>},       {"substr", OnSelf<Substr>},
      {"substring", OnSelf<Substring>}, {"toUpperCase", OnSelf<ToUpper>},   {"toLowerCase", OnSelf<ToLower>},
      {"concat", OnSelf<Concat>},       {"split", OnSelf<Split>},
  };
  for (auto& [name, fn] : methods) Native(rt, sp, name, fn);
  auto self = [](Interpreter& in, const Value& self, std::span<const Value>) {
    Object* o = self.AsObject();
    if (o && o->GetKind() == Object::Kind::Boxed) return Value(Str(in, static_cast<BoxObject*>(o)->primitive));
    return Value(Str(in, self));
  };
  Native(rt, sp, "toString", self)->shortcut = FunctionObject::Shortcut::DefaultString;
  Native(rt, sp, "valueOf", self)->shortcut = FunctionObject::Shortcut::DefaultValue;
}

}  // namespace swf
