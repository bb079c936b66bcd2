// The global object and the built-in prototypes scripts start with; each family of
// classes installs itself from its own file.
#include "builtins.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace swf {

FunctionObject* Native(Runtime& rt, Object* owner, const char* name, NativeFn fn) {
  auto* f = rt.heap.Make<FunctionObject>(rt.functionProto);
  f->native = std::move(fn);
  owner->Set(name, Value(static_cast<Object*>(f)));
  owner->SetFlags(name, kDontEnum);
  return f;
}

FunctionObject* Constructor(Runtime& rt, const char* name, Object* proto, NativeFn call, NativeFn construct) {
  FunctionObject* f = Native(rt, rt.global, name, std::move(call));
  f->construct = std::move(construct);
  f->Set("prototype", Value(proto));
  f->SetFlags("prototype", kDontEnum | kDontDelete);
  proto->Set("constructor", Value(static_cast<Object*>(f)));
  proto->SetFlags("constructor", kDontEnum);
  return f;
}

void AddVersionFlag(Object* owner, std::initializer_list<const char*> names, uint16_t flag) {
  for (const char* name : names) {
    uint16_t flags;
    if (owner->GetFlags(name, flags)) owner->SetFlags(name, static_cast<uint16_t>(flags | flag));
  }
}

void Constant(Object* owner, const char* name, const Value& v) {
  owner->Set(name, v);
  owner->SetFlags(name, kDontEnum | kDontDelete | kReadOnly);
}

double Num(Interpreter& in, const Value& v) { return ToNumber(v, std::max(in.Rt().version, 5)); }

std::string Str(Interpreter& in, const Value& v) { return ToString(v, in.Rt().version); }

double Arg(Interpreter& in, std::span<const Value> args, size_t i, double fallback) {
  return i < args.size() ? Num(in, args[i]) : fallback;
}

std::string ArgString(Interpreter& in, std::span<const Value> args, size_t i) {
  return i < args.size() ? Str(in, args[i]) : std::string();
}

double IntArg(Interpreter& in, std::span<const Value> args, size_t i, double fallback, double lo, double hi) {
  double d = i < args.size() && !args[i].IsUndefined() ? Num(in, args[i]) : fallback;
  if (std::isnan(d)) d = fallback;
  return std::clamp(std::trunc(d), lo, hi);
}

ArrayObject* SelfArray(const Value& self) {
  Object* o = self.AsObject();
  return o && o->GetKind() == Object::Kind::Array ? static_cast<ArrayObject*>(o) : nullptr;
}

ArrayObject* NewArray(Runtime& rt) { return rt.heap.Make<ArrayObject>(rt.arrayProto); }

void InstallGlobals(Runtime& rt) {
  Heap& h = rt.heap;
  h.SetHidden(HiddenFlags(rt.version));
  h.SetUtf16(rt.version >= 6);
  rt.objectProto = h.Make<Object>(nullptr);
  rt.functionProto = h.Make<Object>(rt.objectProto);
  rt.arrayProto = h.Make<Object>(rt.objectProto);
  rt.clipProto = h.Make<Object>(rt.objectProto);
  rt.global = h.Make<Object>(rt.objectProto);
  Object* g = rt.global;
  // The object model calls getters and toString methods from anywhere, each in a run of its own. The first
  // nested run may go an eighth of the call depth deep, deeper ones half as deep as the run around them, so
  // together they stay close to one script's depth of native stack.
  auto nesting = std::make_shared<int>(0);
  h.SetInvoker([&rt, nesting](Object* fn, const Value& self, std::span<const Value> args) {
    PlayerLimits saved = rt.limits;
    rt.limits.callDepth = *nesting == 0 ? saved.callDepth / 8 : std::max(2, saved.callDepth / 2);
    rt.limits.stackSize = std::max<size_t>(256, saved.stackSize / 4);
    ++*nesting;
    Interpreter in(rt);
    Value r = in.Call(Value(fn), self, args);
    --*nesting;
    rt.limits = saved;
    return r;
  });

  // Object(v) gives objects back, wraps strings, numbers and booleans, and makes a new object otherwise.
  FunctionObject* objectCtor = Native(rt, g, "Object", [](Interpreter& in, const Value&, std::span<const Value> args) {
    Heap& heap = in.Rt().heap;
    Value v = args.empty() ? Value() : args[0];
    if (v.IsObject()) return v;
    size_t slot = v.IsString() ? kPinStringProto : v.IsNumber() ? kPinNumberProto : kPinBooleanProto;
    if (v.IsString() || v.IsNumber() || v.IsBoolean()) return Value(heap.Make<BoxObject>(heap.Pinned(slot), v));
    return Value(heap.Make<Object>(in.Rt().objectProto));
  });
  InstallObject(rt, objectCtor);
  InstallFunction(rt);
  // What the sixth version added: functions keep their prototype, but the constructor is not a global before it.
  AddVersionFlag(g, {"Function"}, kFromVersion6);
  AddVersionFlag(rt.objectProto,
                 {"addProperty", "hasOwnProperty", "isPropertyEnumerable", "isPrototypeOf", "watch", "unwatch"},
                 kFromVersion6);
  AddVersionFlag(rt.functionProto, {"call", "apply"}, kFromVersion6);
  InstallArray(rt);
  InstallString(rt);
  InstallNumberAndBoolean(rt);
  InstallMath(rt);
  InstallDate(rt);
  InstallGlobalFunctions(rt);
  Object* clipCtor = h.Make<FunctionObject>(rt.functionProto);
  clipCtor->Set("prototype", Value(rt.clipProto));
  g->Set("MovieClip", Value(clipCtor));
}

}  // namespace swf
