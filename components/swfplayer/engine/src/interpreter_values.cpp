// Conversions, comparisons, variable and member access, method calls and function definitions of the interpreter.
#include "interpreter.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <unordered_set>

#include "interpreter_support.h"

namespace swf {

namespace {
bool IsDisplay(const Value& v) { return v.AsObject() && v.AsObject()->GetKind() == Object::Kind::Display; }
}  // namespace

bool Interpreter::CallConversion(const Value& v, const char* name, Value& out) {
  Object* o = v.AsObject();
  Value m;
  FunctionObject* f = o->Get(name, m) ? AsFunction(m) : nullptr;
  if (!f) return false;
  if (f->shortcut == FunctionObject::Shortcut::DefaultValue &&
      (o->GetKind() == Object::Kind::Boxed || o->GetKind() == Object::Kind::Date)) {
    out = static_cast<BoxObject*>(o)->primitive;
    return true;
  }
  out = Call(m, v, {}, Owner(o, name));
  return true;
}

std::string Interpreter::TextOf(const Value& v, int version) {
  Object* o = v.AsObject();
  Value m;
  FunctionObject* f = o->Get("toString", m) ? AsFunction(m) : nullptr;
  // Clips and other display objects are their path unless a script says otherwise.
  if (IsDisplay(v) && (!f || f->native)) return o->DefaultString(version);
  if (!f) return ToString(Value(), version);
  if (f->shortcut == FunctionObject::Shortcut::DefaultString) return o->DefaultString(version);
  Value r = Call(m, v, {}, Owner(o, "toString"));
  if (r.IsString()) return r.AsString();
  if (rt_.aborted) return {};
  return o->GetKind() == Object::Kind::Function ? "[type Function]" : "[type Object]";
}

Value Interpreter::ToPrimitive(const Value& v, bool preferString, int version) {
  Object* o = v.AsObject();
  if (!o || IsDisplay(v)) return v;  // a clip stands for itself
  if (preferString) return Value(TextOf(v, version));
  Value r;
  if (CallConversion(v, "valueOf", r) && (!r.IsObject() || IsDisplay(r))) return r;
  if (rt_.aborted) return Value();
  return Value(TextOf(v, version));
}

Value Interpreter::DefaultPrimitive(const Value& v, int version) {
  // Without a hint (+) dates convert to their text, everything else through valueOf first.
  Object* o = v.AsObject();
  Value ctor, date;
  bool isDate = o && rt_.global && o->Get("constructor", ctor) && ctor.IsObject() && rt_.global->Get("Date", date) &&
                ctor.AsObject() == date.AsObject();
  return ToPrimitive(v, isDate, version);
}

double Interpreter::ToNum(const Value& v, int version) {
  if (!v.IsObject()) return ToNumber(v, version);
  if (IsDisplay(v)) return std::nan("");
  if (version < 6 && AsFunction(v)) {
    // The fifth version counts a function as 0 unless its valueOf says otherwise.
    Value r;
    return CallConversion(v, "valueOf", r) && !r.IsObject() ? ToNumber(r, version) : 0.0;
  }
  Value p = ToPrimitive(v, false, version);
  return p.IsObject() ? std::nan("") : ToNumber(p, version);
}

std::string Interpreter::ToStr(const Value& v, int version) {
  if (!v.IsObject()) return ToString(v, version);
  return TextOf(v, version);
}

bool Interpreter::CompareValue(const Value& v, Value& out) {
  if (!v.IsObject() || IsDisplay(v)) {
    out = v;
    return true;
  }
  Value r;
  if (!CallConversion(v, "valueOf", r)) r = Value();
  if (r.IsObject() && !IsDisplay(r)) return false;
  out = r;
  return true;
}

bool Interpreter::LooseEquals(const Value& x, const Value& y, int version) {
  Value a = x, b = y;
  const int numVersion = std::max(version, 5);
  for (int round = 0; round < 4; ++round) {
    if (a.Type() == b.Type()) return StrictEqual(a, b);
    auto nullish = [](const Value& v) { return v.IsUndefined() || v.IsNull(); };
    if (nullish(a) || nullish(b)) return nullish(a) && nullish(b);
    if (a.IsBoolean()) {
      a = Value(a.AsBool() ? 1.0 : 0.0);
    } else if (b.IsBoolean()) {
      b = Value(b.AsBool() ? 1.0 : 0.0);
    } else if (a.IsObject() || b.IsObject()) {
      // Only valueOf is asked; what is still an object (a clip among them) equals no primitive.
      Value& o = a.IsObject() ? a : b;
      if (!CompareValue(o, o) || o.IsObject()) return false;
    } else {
      return NumbersEqual(ToNumber(a, numVersion), ToNumber(b, numVersion));  // number against string
    }
  }
  return false;
}

Value Interpreter::LessThan(const Value& x, const Value& y, int version) {
  Value a, b;
  if (!CompareValue(x, a) || !CompareValue(y, b)) return Value(false);
  if (a.IsString() && b.IsString()) return Value(a.AsString() < b.AsString());
  // A clip is no number.
  double p = a.IsObject() ? std::nan("") : ToNumber(a, version);
  double q = b.IsObject() ? std::nan("") : ToNumber(b, version);
  if (std::isnan(p) || std::isnan(q)) return {};
  return Value(p < q);
}

bool Interpreter::IsInstance(const Value& objValue, const Value& ctorValue) {
  Object* obj = objValue.AsObject();
  Object* ctor = ctorValue.AsObject();
  if (!obj || !ctor) return false;
  Value protoValue;
  ctor->Get("prototype", protoValue);
  Object* proto = protoValue.AsObject();
  if (!proto) return false;
  // Interfaces a class implements count as well, also through superclasses and other interfaces.
  std::vector<Object*> work;
  for (Object* p = obj->Proto(); p && work.size() < 256; p = p->Proto()) {
    if (p == proto) return true;
    work.push_back(p);
  }
  for (size_t i = 0; i < work.size() && i < 1024; ++i) {
    Value list;
    if (!work[i]->GetOwn(kInterfaces, list) || list.AsObject() == nullptr ||
        list.AsObject()->GetKind() != Object::Kind::Array)
      continue;
    for (const Value& iface : static_cast<ArrayObject*>(list.AsObject())->elements) {
      Value ip;
      if (!iface.AsObject() || !iface.AsObject()->Get("prototype", ip) || !ip.AsObject()) continue;
      if (ip.AsObject() == proto) return true;
      if (work.size() < 1024) work.push_back(ip.AsObject());
    }
  }
  return false;
}

bool Interpreter::Lookup(Context& c, const std::string& name, Value& out) {
  if (rt_.SameName(name, "this")) {
    out = c.self;
    return true;
  }
  if (rt_.version >= 6 && rt_.SameName(name, "_global")) {
    out = Value(rt_.global);
    return true;
  }
  if (c.callee && rt_.SameName(name, "super")) {
    Object* s = Super(c);
    out = s ? Value(s) : Value();
    return true;
  }
  if (rt_.SameName(name, "_root")) {
    out = Value(static_cast<Object*>(rt_.RootOf(Base(c))));
    return true;
  }
  if (int level; rt_.LevelName(name, level)) {
    ClipObject* found = rt_.LevelRoot(level);
    out = found ? Value(static_cast<Object*>(found)) : Value();
    return true;
  }
  for (auto it = c.with.rbegin(); it != c.with.rend(); ++it)
    if (it->object->Get(name, out)) return true;
  if (c.activation && c.activation->Get(name, out)) return true;
  for (auto it = c.scope.rbegin(); it != c.scope.rend(); ++it)
    if (*it && (*it)->Get(name, out)) return true;
  if (DisplayObject* b = Base(c); b && b->Get(name, out)) return true;
  if (rt_.SameName(name, "_parent")) {
    DisplayObject* b = Base(c);
    out = b && b->parent ? Value(static_cast<Object*>(b->parent)) : Value();
    return true;
  }
  return rt_.global && rt_.global->Get(name, out);
}

Object* Interpreter::PrimitiveProto(const Value& v) {
  const char* ctor = v.IsString() ? "String" : v.IsNumber() ? "Number" : v.IsBoolean() ? "Boolean" : nullptr;
  Value f, proto;
  if (!ctor || !rt_.global || !rt_.global->Get(ctor, f) || !f.AsObject() || !f.AsObject()->Get("prototype", proto))
    return nullptr;
  return proto.AsObject();
}

Value Interpreter::GetMember(Context& c, const Value& obj, const std::string& name) {
  if (obj.IsString() && rt_.SameName(name, "length"))
    return Value(static_cast<double>(TextLength(obj.AsString(), c.version >= 6)));
  if (Object* proto = PrimitiveProto(obj)) {
    // Members of strings, numbers and booleans come from their class's prototype.
    Value v;
    proto->Get(name, v);
    return v;
  }
  Object* o = obj.AsObject();
  if (!o) return {};
  if (o->GetKind() == Object::Kind::Display && static_cast<DisplayObject*>(o)->removed) return {};
  if (rt_.SameName(name, "__proto__")) return o->Proto() ? Value(o->Proto()) : Value();
  Value v;
  o->Get(name, v);
  return v;
}

void Interpreter::SetMember(const Value& obj, const std::string& name, const Value& v) {
  Object* o = obj.AsObject();
  if (!o) return;
  if (o->GetKind() == Object::Kind::Display && static_cast<DisplayObject*>(o)->removed) return;
  if (rt_.SameName(name, "__proto__")) {
    if (v.IsObject() || v.IsNull()) o->SetProto(v.AsObject());
    return;
  }
  o->Set(name, v);
}

Value Interpreter::DefineFunction(Context& c, BitReader& r, size_t& pc, bool v2) {
  std::string name = Text(c, r);
  unsigned n = r.U16();
  auto* fn = rt_.heap.Make<FunctionObject>(rt_.functionProto);
  ScriptFunction& sf = fn->script;
  if (v2) {
    sf.registers = true;
    sf.registerCount = r.U8();
    sf.preload = r.U16();
    for (unsigned i = 0; i < n && !r.Overrun(); ++i) {
      sf.paramRegisters.push_back(r.U8());
      sf.params.push_back(Text(c, r));
    }
  } else {
    for (unsigned i = 0; i < n && !r.Overrun(); ++i) sf.params.push_back(Text(c, r));
  }
  size_t size = r.U16();
  size_t bodyEnd = std::min(pc + size, std::min(c.end, c.code->size()));
  sf.code = c.code;
  sf.start = pc;
  sf.end = bodyEnd;
  sf.constants = c.constants;
  sf.scope = c.scope;
  if (c.activation && c.version >= 6) sf.scope.push_back(c.activation);  // the fifth version has no closures
  for (const WithBlock& w : c.with) sf.scope.push_back(w.object);
  sf.definingClip = c.original;
  sf.version = std::max(5, c.version);  // functions of older movies follow the fifth version's rules
  Object* proto = rt_.heap.Make<Object>(rt_.objectProto);
  proto->Set("constructor", Value(static_cast<Object*>(fn)));
  proto->SetFlags("constructor", kDontEnum);
  fn->Set("prototype", Value(proto));
  fn->SetFlags("prototype", kDontEnum);
  pc = bodyEnd;
  Value f(static_cast<Object*>(fn));
  if (!name.empty()) {
    if (c.activation) c.activation->Set(name, f);
    else if (DisplayObject* b = Base(c)) b->Set(name, f);
    return {};
  }
  return f;
}

Value Interpreter::CallMethod(Context& c, const Value& obj, const std::string& name, std::span<const Value> args) {
  if (name.empty()) return Call(obj, Value(), args);
  if (!obj.IsObject()) {
    // Methods of strings, numbers and booleans: one a script added to the class's prototype first,
    // then the built-in ones, with the primitive as this.
    Object* proto = PrimitiveProto(obj);
    Value method;
    FunctionObject* f = proto && proto->Get(name, method) ? AsFunction(method) : nullptr;
    if (f && !f->native) return Call(method, obj, args, Owner(proto, name));
    Value out;
    if (obj.IsString() && StringMethod(*this, obj.AsString(), name, args, out)) return out;
    if (obj.IsNumber() && rt_.SameName(name, "toString")) {
      double radix = args.empty() ? 10 : ToNumber(args[0], c.version);
      double v = obj.AsNumber();
      if (radix == 10 || !std::isfinite(v) || radix < 2 || radix > 36 || std::fabs(v) > 9e18)
        return Value(NumberToString(v));
      int64_t iv = static_cast<int64_t>(v);
      bool neg = iv < 0;
      uint64_t u = neg ? static_cast<uint64_t>(-iv) : static_cast<uint64_t>(iv);
      std::string s;
      do {
        s.insert(s.begin(), "0123456789abcdefghijklmnopqrstuvwxyz"[u % static_cast<uint64_t>(radix)]);
        u /= static_cast<uint64_t>(radix);
      } while (u);
      return Value(neg ? "-" + s : s);
    }
    return f ? Call(method, obj, args, Owner(proto, name)) : Value();
  }
  Object* o = obj.AsObject();
  if (!o) return {};
  if (o->GetKind() == Object::Kind::Display && static_cast<DisplayObject*>(o)->removed) return {};
  if (auto* sup = dynamic_cast<SuperObject*>(o)) {
    // super.method() runs the superclass's method on the same object.
    Object* above = sup->home ? sup->home->Proto() : nullptr;
    Value method;
    if (!above || !above->Get(name, method)) return {};
    return Call(method, sup->self, args, Owner(above, name));
  }
  Value method;
  o->Get(name, method);
  return Call(method, obj, args, Owner(o, name));
}

void Interpreter::Enumerate(Object* o) {
  // for..in takes the names from the top of the stack: own members newest first, then each
  // prototype's, a name shadowed lower down only once.
  std::vector<std::string> names;
  auto fold = [&](const std::string& n) {
    if (rt_.heap.CaseSensitive()) return n;
    std::string k = n;
    for (char& ch : k) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return k;
  };
  std::unordered_set<std::string> known;
  auto add = [&](const std::string& n) {
    if (n.empty() || n[0] == '\x01' || !known.insert(fold(n)).second) return;
    names.push_back(n);
  };
  Object* p = o;
  for (int depth = 0; p && depth < 256 && !rt_.aborted; ++depth, p = p->Proto()) {
    std::vector<std::string> keys = p->Keys();
    rt_.heap.Charge(keys.size() * sizeof(Value));
    for (auto it = keys.rbegin(); it != keys.rend(); ++it) add(*it);
    if (p == o && o->GetKind() == Object::Kind::Display && static_cast<DisplayObject*>(o)->type == DisplayObject::Type::Clip) {
      auto& kids = static_cast<ClipObject*>(o)->children;
      for (auto it = kids.rbegin(); it != kids.rend(); ++it) add(it->second->name);
    }
  }
  Push(Value::Null());
  for (auto it = names.rbegin(); it != names.rend() && !rt_.aborted; ++it) Push(Value(*it));
}

}  // namespace swf
