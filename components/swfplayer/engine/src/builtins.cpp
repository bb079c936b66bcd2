// The global object and the built-in prototypes scripts start with: Object,
// Array, Math, the conversion functions and string methods.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "interpreter.h"

namespace swf {
namespace {

FunctionObject* Native(Runtime& rt, Object* owner, const char* name, NativeFn fn) {
  auto* f = rt.heap.Make<FunctionObject>(rt.functionProto);
  f->native = std::move(fn);
  owner->Set(name, Value(static_cast<Object*>(f)));
  owner->SetFlags(name, kDontEnum);
  return f;
}

double Arg(Interpreter& in, std::span<const Value> args, size_t i, double fallback = std::nan("")) {
  return i < args.size() ? ToNumber(args[i], std::max(in.Rt().version, 5)) : fallback;
}

std::string ArgString(Interpreter& in, std::span<const Value> args, size_t i) {
  return i < args.size() ? ToString(args[i], in.Rt().version) : std::string();
}

ArrayObject* SelfArray(const Value& self) {
  Object* o = self.AsObject();
  return o && o->GetKind() == Object::Kind::Array ? static_cast<ArrayObject*>(o) : nullptr;
}

std::string Escape(const std::string& s) {
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  for (unsigned char ch : s) {
    if (std::isalnum(ch) || ch == '@' || ch == '*' || ch == '_' || ch == '-' || ch == '.' || ch == '/' || ch == '+') {
      out += static_cast<char>(ch);
    } else {
      out += '%';
      out += hex[ch >> 4];
      out += hex[ch & 15];
    }
  }
  return out;
}

std::string Unescape(const std::string& s) {
  std::string out;
  auto hv = [](char c) { return std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : (std::tolower(c) >= 'a' && std::tolower(c) <= 'f') ? std::tolower(c) - 'a' + 10 : -1; };
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size() && hv(s[i + 1]) >= 0 && hv(s[i + 2]) >= 0) {
      out += static_cast<char>(hv(s[i + 1]) * 16 + hv(s[i + 2]));
      i += 2;
    } else {
      out += s[i];
    }
  }
  return out;
}

}  // namespace

bool StringMethod(Interpreter& in, const std::string& s, const std::string& name, std::span<const Value> args,
                  Value& out) {
  Runtime& rt = in.Rt();
  if (s.size() > 4096) rt.heap.Charge(s.size());
  bool mb = rt.version >= 6;
  size_t len = mb ? Utf8Length(s) : s.size();
  auto sub = [&](size_t start, size_t count) { return mb ? Utf8Substr(s, start, count) : s.substr(start, count); };
  auto index = [&](double d) -> size_t {
    if (!std::isfinite(d)) return d > 0 ? len : 0;
    return static_cast<size_t>(std::clamp(std::trunc(d), 0.0, static_cast<double>(len)));
  };
  auto is = [&](const char* n) { return rt.SameName(name, n); };
  if (is("charAt")) {
    size_t i = index(Arg(in, args, 0, 0));
    out = Value(i < len ? sub(i, 1) : std::string());
  } else if (is("charCodeAt")) {
    double d = Arg(in, args, 0, 0);
    size_t i = index(d);
    out = i < len && d >= 0 ? Value(static_cast<double>(mb ? Utf8First(sub(i, 1)) : static_cast<unsigned char>(s[i])))
                            : Value(std::nan(""));
  } else if (is("indexOf") || is("lastIndexOf")) {
    std::string needle = ArgString(in, args, 0);
    size_t at = is("indexOf") ? s.find(needle, args.size() > 1 ? index(Arg(in, args, 1, 0)) : 0) : s.rfind(needle);
    out = Value(at == std::string::npos ? -1.0 : static_cast<double>(mb ? Utf8Length(s.substr(0, at)) : at));
  } else if (is("substr")) {
    double st = Arg(in, args, 0, 0);
    if (st < 0) st = std::max(0.0, static_cast<double>(len) + st);
    size_t start = index(st);
    double n = args.size() > 1 ? Arg(in, args, 1) : static_cast<double>(len);
    size_t count = std::isnan(n) || n < 0 ? 0 : static_cast<size_t>(std::min(n, static_cast<double>(len - start)));
    out = Value(sub(start, count));
  } else if (is("substring")) {
    size_t a = index(Arg(in, args, 0, 0));
    size_t b = args.size() > 1 ? index(Arg(in, args, 1, 0)) : len;
    if (a > b) std::swap(a, b);
    out = Value(sub(a, b - a));
  } else if (is("slice")) {
    auto rel = [&](double d) {
      if (std::isnan(d)) return size_t{0};
      if (d < 0) d = std::max(0.0, static_cast<double>(len) + d);
      return index(d);
    };
    size_t a = rel(Arg(in, args, 0, 0));
    size_t b = args.size() > 1 ? rel(Arg(in, args, 1)) : len;
    out = Value(a < b ? sub(a, b - a) : std::string());
  } else if (is("toUpperCase") || is("toLowerCase")) {
    std::string r = s;
    bool up = is("toUpperCase");
    for (char& ch : r) {
      auto u = static_cast<unsigned char>(ch);
      if (u < 0x80) ch = static_cast<char>(up ? std::toupper(u) : std::tolower(u));
    }
    out = Value(r);
  } else if (is("concat")) {
    std::string r = s;
    for (size_t i = 0; i < args.size() && r.size() < (16u << 20); ++i) r += ArgString(in, args, i);
    out = Value(in.Charge(r));
  } else if (is("split")) {
    rt.heap.Charge(s.size() * 2);
    auto* a = rt.heap.Make<ArrayObject>(rt.arrayProto);
    if (args.empty() || args[0].IsUndefined()) {
      a->elements.push_back(Value(s));
    } else {
      std::string sep = ArgString(in, args, 0);
      if (sep.empty()) {
        for (size_t i = 0; i < len && a->elements.size() < ArrayObject::kMaxLength; ++i) a->elements.push_back(Value(sub(i, 1)));
      } else {
        size_t pos = 0;
        while (a->elements.size() < ArrayObject::kMaxLength) {
          size_t at = s.find(sep, pos);
          a->elements.push_back(Value(s.substr(pos, at == std::string::npos ? std::string::npos : at - pos)));
          if (at == std::string::npos) break;
          pos = at + sep.size();
        }
      }
    }
    out = Value(static_cast<Object*>(a));
  } else if (is("toString") || is("valueOf")) {
    out = Value(s);
  } else {
    return false;
  }
  return true;
}

void InstallGlobals(Runtime& rt) {
  Heap& h = rt.heap;
  rt.objectProto = h.Make<Object>(nullptr);
  rt.functionProto = h.Make<Object>(rt.objectProto);
  rt.arrayProto = h.Make<Object>(rt.objectProto);
  rt.clipProto = h.Make<Object>(rt.objectProto);
  rt.global = h.Make<Object>(rt.objectProto);
  Object* g = rt.global;

  FunctionObject* objectCtor = Native(rt, g, "Object", [](Interpreter& in, const Value&, std::span<const Value> args) {
    if (!args.empty() && args[0].IsObject()) return args[0];
    return Value(in.Rt().heap.Make<Object>(in.Rt().objectProto));
  });
  objectCtor->Set("prototype", Value(rt.objectProto));
  FunctionObject* arrayCtor = Native(rt, g, "Array", [](Interpreter& in, const Value&, std::span<const Value> args) {
    auto* a = in.Rt().heap.Make<ArrayObject>(in.Rt().arrayProto);
    if (args.size() == 1 && args[0].IsNumber()) {
      double n = args[0].AsNumber();
      if (n >= 0 && n <= ArrayObject::kMaxLength) {
        in.Rt().heap.Charge(static_cast<size_t>(n) * sizeof(Value));
        a->elements.resize(static_cast<size_t>(n));
      }
    } else {
      a->elements.assign(args.begin(), args.end());
    }
    return Value(static_cast<Object*>(a));
  });
  arrayCtor->Set("prototype", Value(rt.arrayProto));
  Object* clipCtor = h.Make<FunctionObject>(rt.functionProto);
  clipCtor->Set("prototype", Value(rt.clipProto));
  g->Set("MovieClip", Value(clipCtor));

  Native(rt, g, "parseInt", [](Interpreter& in, const Value&, std::span<const Value> args) {
    std::string s = ArgString(in, args, 0);
    double radix = Arg(in, args, 1, 0);
    size_t i = 0;
    while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
    bool neg = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) neg = s[i++] == '-';
    int base = std::isfinite(radix) && radix >= 2 && radix <= 36 ? static_cast<int>(radix) : 10;
    if ((!std::isfinite(radix) || radix == 0) && i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
      base = 16;
      i += 2;
    }
    double v = 0;
    size_t digits = 0;
    for (; i < s.size(); ++i, ++digits) {
      int ch = std::tolower(static_cast<unsigned char>(s[i]));
      int d = std::isdigit(ch) ? ch - '0' : (ch >= 'a' && ch <= 'z') ? ch - 'a' + 10 : 99;
      if (d >= base) break;
      v = v * base + d;
    }
    return digits ? Value(neg ? -v : v) : Value(std::nan(""));
  });
  Native(rt, g, "parseFloat", [](Interpreter& in, const Value&, std::span<const Value> args) {
    std::string s = ArgString(in, args, 0);
    size_t i = 0;
    while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
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
  });
  Native(rt, g, "isNaN", [](Interpreter& in, const Value&, std::span<const Value> args) {
    return Value(std::isnan(Arg(in, args, 0)));
  });
  Native(rt, g, "isFinite", [](Interpreter& in, const Value&, std::span<const Value> args) {
    return Value(std::isfinite(Arg(in, args, 0)));
  });
  Native(rt, g, "Number", [](Interpreter& in, const Value&, std::span<const Value> args) {
    return Value(args.empty() ? 0.0 : Arg(in, args, 0));
  });
  Native(rt, g, "String", [](Interpreter& in, const Value&, std::span<const Value> args) {
    return Value(ArgString(in, args, 0));
  });
  Native(rt, g, "Boolean", [](Interpreter& in, const Value&, std::span<const Value> args) {
    return Value(!args.empty() && ToBoolean(args[0], in.Rt().version));
  });
  Native(rt, g, "escape", [](Interpreter& in, const Value&, std::span<const Value> args) {
    return Value(Escape(ArgString(in, args, 0)));
  });
  Native(rt, g, "unescape", [](Interpreter& in, const Value&, std::span<const Value> args) {
    return Value(Unescape(ArgString(in, args, 0)));
  });

  Object* math = h.Make<Object>(rt.objectProto);
  g->Set("Math", Value(math));
  math->Set("PI", Value(std::numbers::pi));
  math->Set("E", Value(std::numbers::e));
  math->Set("SQRT2", Value(std::numbers::sqrt2));
  math->Set("LN2", Value(std::numbers::ln2));
  math->Set("LN10", Value(std::numbers::ln10));
  using Fn1 = double (*)(double);
  static const std::pair<const char*, Fn1> unary[] = {
      {"abs", [](double x) { return std::fabs(x); }},   {"floor", [](double x) { return std::floor(x); }},
      {"ceil", [](double x) { return std::ceil(x); }},  {"round", [](double x) { return std::floor(x + 0.5); }},
      {"sqrt", [](double x) { return std::sqrt(x); }},  {"sin", [](double x) { return std::sin(x); }},
      {"cos", [](double x) { return std::cos(x); }},    {"tan", [](double x) { return std::tan(x); }},
      {"asin", [](double x) { return std::asin(x); }},  {"acos", [](double x) { return std::acos(x); }},
      {"atan", [](double x) { return std::atan(x); }},  {"exp", [](double x) { return std::exp(x); }},
      {"log", [](double x) { return std::log(x); }}};
  for (auto& [name, fn] : unary) {
    Fn1 f = fn;
    Native(rt, math, name, [f](Interpreter& in, const Value&, std::span<const Value> args) {
      return Value(f(Arg(in, args, 0)));
    });
  }
  Native(rt, math, "atan2", [](Interpreter& in, const Value&, std::span<const Value> args) {
    return Value(std::atan2(Arg(in, args, 0), Arg(in, args, 1)));
  });
  Native(rt, math, "pow", [](Interpreter& in, const Value&, std::span<const Value> args) {
    return Value(std::pow(Arg(in, args, 0), Arg(in, args, 1)));
  });
  Native(rt, math, "min", [](Interpreter& in, const Value&, std::span<const Value> args) {
    double r = INFINITY;
    for (size_t i = 0; i < args.size(); ++i) {
      double v = Arg(in, args, i);
      if (std::isnan(v)) return Value(v);
      r = std::min(r, v);
    }
    return Value(r);
  });
  Native(rt, math, "max", [](Interpreter& in, const Value&, std::span<const Value> args) {
    double r = -INFINITY;
    for (size_t i = 0; i < args.size(); ++i) {
      double v = Arg(in, args, i);
      if (std::isnan(v)) return Value(v);
      r = std::max(r, v);
    }
    return Value(r);
  });
  Native(rt, math, "random", [](Interpreter& in, const Value&, std::span<const Value>) {
    uint32_t& s = in.Rt().rng;
    s ^= s << 13;
    s ^= s >> 17;
    s ^= s << 5;
    return Value(static_cast<double>(s) / 4294967296.0);
  });

  Object* ap = rt.arrayProto;
  Native(rt, ap, "push", [](Interpreter&, const Value& self, std::span<const Value> args) {
    ArrayObject* a = SelfArray(self);
    if (!a) return Value();
    for (auto& v : args)
      if (a->elements.size() < ArrayObject::kMaxLength) a->elements.push_back(v);
    return Value(static_cast<double>(a->elements.size()));
  });
  Native(rt, ap, "pop", [](Interpreter&, const Value& self, std::span<const Value>) {
    ArrayObject* a = SelfArray(self);
    if (!a || a->elements.empty()) return Value();
    Value v = a->elements.back();
    a->elements.pop_back();
    return v;
  });
  Native(rt, ap, "shift", [](Interpreter& in, const Value& self, std::span<const Value>) {
    ArrayObject* a = SelfArray(self);
    if (!a || a->elements.empty()) return Value();
    in.Rt().heap.Charge(a->elements.size() * sizeof(Value));
    Value v = a->elements.front();
    a->elements.erase(a->elements.begin());
    return v;
  });
  Native(rt, ap, "unshift", [](Interpreter& in, const Value& self, std::span<const Value> args) {
    ArrayObject* a = SelfArray(self);
    if (!a) return Value();
    in.Rt().heap.Charge((a->elements.size() + args.size()) * sizeof(Value));
    if (a->elements.size() + args.size() <= ArrayObject::kMaxLength) a->elements.insert(a->elements.begin(), args.begin(), args.end());
    return Value(static_cast<double>(a->elements.size()));
  });
  Native(rt, ap, "reverse", [](Interpreter& in, const Value& self, std::span<const Value>) {
    if (ArrayObject* a = SelfArray(self)) {
      in.Rt().heap.Charge(a->elements.size() * sizeof(Value));
      std::reverse(a->elements.begin(), a->elements.end());
    }
    return self;
  });
  Native(rt, ap, "join", [](Interpreter& in, const Value& self, std::span<const Value> args) {
    ArrayObject* a = SelfArray(self);
    if (!a) return Value();
    std::string sep = args.empty() || args[0].IsUndefined() ? "," : ArgString(in, args, 0);
    std::string s;
    for (size_t i = 0; i < a->elements.size() && s.size() < (16u << 20); ++i) {
      if (i) s += sep;
      s += ToString(a->elements[i], in.Rt().version);
    }
    return Value(in.Charge(s));
  });
  Native(rt, ap, "toString", [](Interpreter& in, const Value& self, std::span<const Value>) {
    return Value(self.IsObject() ? self.AsObject()->DefaultString(in.Rt().version) : std::string());
  });
  Native(rt, ap, "slice", [](Interpreter& in, const Value& self, std::span<const Value> args) {
    ArrayObject* a = SelfArray(self);
    auto* r = in.Rt().heap.Make<ArrayObject>(in.Rt().arrayProto);
    if (!a) return Value(static_cast<Object*>(r));
    double n = static_cast<double>(a->elements.size());
    auto rel = [&](double d) { return std::isnan(d) ? 0.0 : d < 0 ? std::max(0.0, n + d) : std::min(d, n); };
    double s = rel(Arg(in, args, 0, 0)), e = args.size() > 1 ? rel(Arg(in, args, 1)) : n;
    if (e > s) in.Rt().heap.Charge(static_cast<size_t>(e - s) * sizeof(Value));
    for (auto i = static_cast<size_t>(s); i < static_cast<size_t>(e); ++i) r->elements.push_back(a->elements[i]);
    return Value(static_cast<Object*>(r));
  });
  Native(rt, ap, "concat", [](Interpreter& in, const Value& self, std::span<const Value> args) {
    ArrayObject* a = SelfArray(self);
    auto* r = in.Rt().heap.Make<ArrayObject>(in.Rt().arrayProto);
    if (a) r->elements = a->elements;
    for (auto& v : args) {
      if (ArrayObject* other = SelfArray(v)) in.Rt().heap.Charge(other->elements.size() * sizeof(Value));
      if (ArrayObject* other = SelfArray(v)) {
        if (r->elements.size() + other->elements.size() <= ArrayObject::kMaxLength)
          r->elements.insert(r->elements.end(), other->elements.begin(), other->elements.end());
      } else if (r->elements.size() < ArrayObject::kMaxLength) {
        r->elements.push_back(v);
      }
    }
    return Value(static_cast<Object*>(r));
  });
}

}  // namespace swf
