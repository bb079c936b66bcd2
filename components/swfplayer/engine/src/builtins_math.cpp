// Math: its constants and functions; random draws from the runtime's seeded generator.
#include <numbers>

#include "builtins.h"

namespace swf {

void InstallMath(Runtime& rt) {
  Object* math = rt.heap.Make<Object>(rt.objectProto);
  rt.global->Set("Math", Value(math));
  rt.global->SetFlags("Math", kDontEnum);
  static const std::pair<const char*, double> constants[] = {
      {"E", std::numbers::e},         {"LN10", std::numbers::ln10},       {"LN2", std::numbers::ln2},
      {"LOG10E", std::numbers::log10e}, {"LOG2E", std::numbers::log2e},   {"PI", std::numbers::pi},
      {"SQRT1_2", std::numbers::sqrt2 / 2}, {"SQRT2", std::numbers::sqrt2},
  };
  for (auto& [name, v] : constants) Constant(math, name, Value(v));
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
  // With no arguments min gives Infinity and max -Infinity; one argument is compared with undefined, so gives NaN,
  // as does any NaN argument.
  Native(rt, math, "min", [](Interpreter& in, const Value&, std::span<const Value> args) {
    if (args.size() == 1) return Value(std::nan(""));
    double r = INFINITY;
    for (size_t i = 0; i < args.size(); ++i) {
      double v = Arg(in, args, i);
      if (std::isnan(v)) return Value(v);
      r = std::min(r, v);
    }
    return Value(r);
  });
  Native(rt, math, "max", [](Interpreter& in, const Value&, std::span<const Value> args) {
    if (args.size() == 1) return Value(std::nan(""));
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
}

}  // namespace swf
