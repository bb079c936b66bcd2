// Number and Boolean: conversion functions, wrapper objects, the Number constants and toString(radix).
#include <cfloat>

#include "builtins.h"

namespace swf {

std::string NumberToRadix(double v, int radix) {
  if (radix == 10 || radix < 2 || radix > 36 || !std::isfinite(v)) return NumberToString(v);
  // Other radixes print the integer part only.
  double n = std::trunc(std::fabs(v));
  std::string digits;
  do {
    digits.insert(digits.begin(), "0123456789abcdefghijklmnopqrstuvwxyz"[static_cast<int>(std::fmod(n, radix))]);
    n = std::floor(n / radix);
  } while (n >= 1 && digits.size() < 1100);
  return v <= -1 ? "-" + digits : digits;
}

namespace {

// The primitive a Number or Boolean method works on: its own value for wrapper objects.
Value Primitive(const Value& self) {
  Object* o = self.AsObject();
  if (o && o->GetKind() == Object::Kind::Boxed) return static_cast<BoxObject*>(o)->primitive;
  return self;
}

}  // namespace

void InstallNumberAndBoolean(Runtime& rt) {
  Heap& h = rt.heap;
  Object* np = h.Make<Object>(rt.objectProto);
  h.Pin(kPinNumberProto, np);
  FunctionObject* number = Constructor(
      rt, "Number", np,
      [](Interpreter& in, const Value&, std::span<const Value> args) { return Value(Arg(in, args, 0, 0)); },
      [](Interpreter& in, const Value&, std::span<const Value> args) {
        return Value(in.Rt().heap.Make<BoxObject>(in.Rt().heap.Pinned(kPinNumberProto), Value(Arg(in, args, 0, 0))));
      });
  Constant(number, "MAX_VALUE", Value(DBL_MAX));
  Constant(number, "MIN_VALUE", Value(4.9406564584124654e-324));
  Constant(number, "NaN", Value(std::nan("")));
  Constant(number, "NEGATIVE_INFINITY", Value(-INFINITY));
  Constant(number, "POSITIVE_INFINITY", Value(INFINITY));
  Native(rt, np, "toString", [](Interpreter& in, const Value& self, std::span<const Value> args) {
    double v = Num(in, Primitive(self));
    double radix = IntArg(in, args, 0, 10, 0, 100);
    return Value(NumberToRadix(v, static_cast<int>(radix)));
  })->shortcut = FunctionObject::Shortcut::DefaultString;
  Native(rt, np, "valueOf", [](Interpreter& in, const Value& self, std::span<const Value>) {
    return Value(Num(in, Primitive(self)));
  })->shortcut = FunctionObject::Shortcut::DefaultValue;

  Object* bp = h.Make<Object>(rt.objectProto);
  h.Pin(kPinBooleanProto, bp);
  Constructor(
      rt, "Boolean", bp,
      [](Interpreter& in, const Value&, std::span<const Value> args) {
        return Value(!args.empty() && ToBoolean(args[0], in.Rt().version));
      },
      [](Interpreter& in, const Value&, std::span<const Value> args) {
        Value b(!args.empty() && ToBoolean(args[0], in.Rt().version));
        return Value(in.Rt().heap.Make<BoxObject>(in.Rt().heap.Pinned(kPinBooleanProto), b));
      });
  Native(rt, bp, "toString", [](Interpreter& in, const Value& self, std::span<const Value>) {
    return Value(ToBoolean(Primitive(self), in.Rt().version) ? "true" : "false");
  })->shortcut = FunctionObject::Shortcut::DefaultString;
  Native(rt, bp, "valueOf", [](Interpreter& in, const Value& self, std::span<const Value>) {
    return Value(ToBoolean(Primitive(self), in.Rt().version));
  })->shortcut = FunctionObject::Shortcut::DefaultValue;
}

}  // namespace swf
