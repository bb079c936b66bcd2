// Object and Function: the prototype methods every object and function has, addProperty, watch
// and ASSetPropFlags.
#include "builtins.h"

namespace swf {
namespace {

bool IsFunction(const Value& v) { return v.AsObject() && v.AsObject()->GetKind() == Object::Kind::Function; }

bool ArrayIndex(const std::string& name, size_t& index) {
  if (name.empty() || name.size() > 9 || (name.size() > 1 && name[0] == '0')) return false;
  size_t v = 0;
  for (char c : name) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + static_cast<size_t>(c - '0');
  }
  index = v;
  return true;
}

// Array elements and length live outside the property table but count as own properties.
bool OwnElement(Object* o, const std::string& name) {
  ArrayObject* a = SelfArray(Value(o));
  if (!a) return false;
  size_t i;
  if (ArrayIndex(name, i)) return i < a->elements.size() && !a->elements[i].IsUndefined();
  return a->NameIs(name, "length");
}

// Property names of one ASSetPropFlags call; more than any object holds in practice are dropped.
constexpr size_t kMaxNames = 1u << 16;

std::vector<std::string> NameList(Interpreter& in, Object* o, const Value& names) {
  std::vector<std::string> out;
  if (names.IsUndefined() || names.IsNull()) return o->OwnNames();
  if (ArrayObject* a = SelfArray(names)) {
    for (size_t i = 0; i < a->elements.size() && out.size() < kMaxNames; ++i) {
      Value v = a->elements[i];
      out.push_back(Str(in, v));
    }
    return out;
  }
  std::string s = Str(in, names);
  size_t pos = 0;
  while (pos <= s.size() && out.size() < kMaxNames) {
    size_t comma = s.find(',', pos);
    if (comma == std::string::npos) comma = s.size();
    out.push_back(s.substr(pos, comma - pos));
    pos = comma + 1;
  }
  return out;
}

std::vector<Value> ArgumentList(const Value& list) {
  std::vector<Value> out;
  if (ArrayObject* a = SelfArray(list)) return a->elements;
  Object* o = list.AsObject();
  if (!o) return out;
  // Anything with a length is taken as a list, as arguments objects and hand-made lists are.
  Value len;
  o->Get("length", len);
  double n = ToNumber(len, 7);
  if (!(n > 0)) return out;
  n = std::min(n, 65536.0);
  o->GetHeap().Charge(static_cast<size_t>(n) * sizeof(Value));
  for (size_t i = 0; i < static_cast<size_t>(n); ++i) {
    Value v;
    o->Get(std::to_string(i), v);
    out.push_back(v);
  }
  return out;
}

Value PlainThis(Interpreter& in) { return Value(static_cast<Object*>(in.Rt().root)); }

// call and apply can call themselves, one level for each argument or nested list, without a script between
// them; such chains end at the call depth as recursion through scripts does.
Value CallCounted(Interpreter& in, const Value& fn, const Value& self, std::span<const Value> args) {
  static thread_local int depth = 0;
  Runtime& rt = in.Rt();
  if (depth >= rt.limits.callDepth) {
    rt.aborted = true;
    return Value();
  }
  ++depth;
  Value r = in.Call(fn, self, args);
  --depth;
  return r;
}

}  // namespace

void InstallObject(Runtime& rt, FunctionObject* objectCtor) {
  Object* op = rt.objectProto;
  objectCtor->Set("prototype", Value(op));
  objectCtor->SetFlags("prototype", kDontEnum | kDontDelete);
  op->Set("constructor", Value(static_cast<Object*>(objectCtor)));
  op->SetFlags("constructor", kDontEnum);

  Native(rt, op, "toString", [](Interpreter& in, const Value& self, std::span<const Value>) {
    Object* o = self.AsObject();
    return Value(o ? o->DefaultString(in.Rt().version) : std::string("[object Object]"));
  })->shortcut = FunctionObject::Shortcut::DefaultString;
  Native(rt, op, "valueOf", [](Interpreter&, const Value& self, std::span<const Value>) {
    Object* o = self.AsObject();
    if (o && (o->GetKind() == Object::Kind::Boxed || o->GetKind() == Object::Kind::Date))
      return static_cast<BoxObject*>(o)->primitive;
    return self;
  })->shortcut = FunctionObject::Shortcut::DefaultValue;
  Native(rt, op, "hasOwnProperty", [](Interpreter& in, const Value& self, std::span<const Value> args) {
    Object* o = self.AsObject();
    if (!o || args.empty()) return Value(false);
    std::string name = ArgString(in, args, 0);
    return Value(o->HasOwn(name) || OwnElement(o, name));
  });
  Native(rt, op, "isPropertyEnumerable", [](Interpreter& in, const Value& self, std::span<const Value> args) {
    Object* o = self.AsObject();
    if (!o || args.empty()) return Value(false);
    std::string name = ArgString(in, args, 0);
    uint16_t flags = 0;
    if (o->GetFlags(name, flags)) return Value(!(flags & (kDontEnum | in.Rt().heap.Hidden())));
    return Value(OwnElement(o, name) && name != "length");
  });
  Native(rt, op, "isPrototypeOf", [](Interpreter&, const Value& self, std::span<const Value> args) {
    Object* proto = self.AsObject();
    Object* o = args.empty() ? nullptr : args[0].AsObject();
    if (!proto || !o) return Value(false);
    Object* p = o->Proto();
    for (int i = 0; p && i < 256; ++i, p = p->Proto())
      if (p == proto) return Value(true);
    return Value(false);
  });
  Native(rt, op, "addProperty", [](Interpreter& in, const Value& self, std::span<const Value> args) {
    Object* o = self.AsObject();
    if (!o || args.size() < 2) return Value(false);
    std::string name = ArgString(in, args, 0);
    Value setter = args.size() > 2 ? args[2] : Value::Null();
    if (name.empty() || !IsFunction(args[1]) || !(IsFunction(setter) || setter.IsNull())) return Value(false);
    return Value(o->AddAccessor(name, args[1].AsObject(), setter.AsObject()));
  });
  Native(rt, op, "watch", [](Interpreter& in, const Value& self, std::span<const Value> args) {
    Object* o = self.AsObject();
    if (!o || args.size() < 2 || !IsFunction(args[1])) return Value(false);
    o->Watch(ArgString(in, args, 0), args[1].AsObject(), args.size() > 2 ? args[2] : Value());
    return Value(true);
  });
  Native(rt, op, "unwatch", [](Interpreter& in, const Value& self, std::span<const Value> args) {
    Object* o = self.AsObject();
    return Value(o && !args.empty() && o->Unwatch(ArgString(in, args, 0)));
  });

  Native(rt, rt.global, "ASSetPropFlags", [](Interpreter& in, const Value&, std::span<const Value> args) {
    Object* o = args.empty() ? nullptr : args[0].AsObject();
    if (!o) return Value();
    // The low bits are the three rules, the bits from 0x80 on the versions the property is hidden from.
    auto set = static_cast<uint16_t>(ToInt32(Arg(in, args, 2, 0)) & 0xFFFF);
    auto clear = static_cast<uint16_t>(ToInt32(Arg(in, args, 3, 0)) & 0xFFFF);
    std::vector<std::string> names = NameList(in, o, args.size() > 1 ? args[1] : Value());
    in.Rt().heap.Charge(names.size() * sizeof(Value));
    for (const std::string& name : names) {
      uint16_t flags;
      if (o->GetFlags(name, flags)) o->SetFlags(name, static_cast<uint16_t>((flags & ~clear) | set));
    }
    return Value();
  });
}

void InstallFunction(Runtime& rt) {
  Object* fp = rt.functionProto;
  Constructor(rt, "Function", fp, [](Interpreter& in, const Value&, std::span<const Value> args) {
    return args.empty() ? Value(in.Rt().heap.Make<Object>(in.Rt().objectProto)) : args[0];
  });
  // A null or missing this calls the function as a plain function of the movie, whose this is _root.
  Native(rt, fp, "call", [](Interpreter& in, const Value& self, std::span<const Value> args) {
    Value thisArg = args.empty() || args[0].IsNull() || args[0].IsUndefined() ? PlainThis(in) : args[0];
    return CallCounted(in, self, thisArg, args.empty() ? args : args.subspan(1));
  });
  Native(rt, fp, "apply", [](Interpreter& in, const Value& self, std::span<const Value> args) {
    Value thisArg = args.empty() || args[0].IsNull() || args[0].IsUndefined() ? PlainThis(in) : args[0];
    std::vector<Value> list = args.size() > 1 ? ArgumentList(args[1]) : std::vector<Value>();
    return CallCounted(in, self, thisArg, list);
  });
  Native(rt, fp, "toString", [](Interpreter&, const Value&, std::span<const Value>) {
    return Value("[type Function]");
  })->shortcut = FunctionObject::Shortcut::DefaultString;
}

}  // namespace swf
