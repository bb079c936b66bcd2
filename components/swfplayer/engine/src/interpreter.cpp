// Executes AVM1 actions: the stack machine, variables and paths, timeline
// control, functions and the object operations.
#include "interpreter.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <unordered_set>

namespace swf {
namespace {

enum Op : uint8_t {
  kNextFrame = 0x04, kPrevFrame = 0x05, kPlay = 0x06, kStop = 0x07, kToggleQuality = 0x08, kStopSounds = 0x09,
  kAdd = 0x0A, kSubtract = 0x0B, kMultiply = 0x0C, kDivide = 0x0D, kEquals = 0x0E, kLess = 0x0F, kAnd = 0x10,
  kOr = 0x11, kNot = 0x12, kStringEquals = 0x13, kStringLength = 0x14, kStringExtract = 0x15, kPop = 0x17,
  kToInteger = 0x18, kGetVariable = 0x1C, kSetVariable = 0x1D, kSetTarget2 = 0x20, kStringAdd = 0x21,
  kGetProperty = 0x22, kSetProperty = 0x23, kCloneSprite = 0x24, kRemoveSprite = 0x25, kTrace = 0x26,
  kStartDrag = 0x27, kEndDrag = 0x28, kStringLess = 0x29, kRandomNumber = 0x30, kMBStringLength = 0x31,
  kCharToAscii = 0x32, kAsciiToChar = 0x33, kGetTime = 0x34, kMBStringExtract = 0x35, kMBCharToAscii = 0x36,
  kMBAsciiToChar = 0x37, kDelete = 0x3A, kDelete2 = 0x3B, kDefineLocal = 0x3C, kCallFunction = 0x3D,
  kReturn = 0x3E, kModulo = 0x3F, kNewObject = 0x40, kDefineLocal2 = 0x41, kInitArray = 0x42, kInitObject = 0x43,
  kTypeOf = 0x44, kTargetPath = 0x45, kEnumerate = 0x46, kAdd2 = 0x47, kLess2 = 0x48, kEquals2 = 0x49,
  kToNumber = 0x4A, kToString = 0x4B, kPushDuplicate = 0x4C, kStackSwap = 0x4D, kGetMember = 0x4E,
  kSetMember = 0x4F, kIncrement = 0x50, kDecrement = 0x51, kCallMethod = 0x52, kNewMethod = 0x53,
  kInstanceOf = 0x54, kEnumerate2 = 0x55, kBitAnd = 0x60, kBitOr = 0x61, kBitXor = 0x62, kBitLShift = 0x63,
  kBitRShift = 0x64, kBitURShift = 0x65, kStrictEquals = 0x66, kGreater = 0x67, kStringGreater = 0x68,
  kGotoFrame = 0x81, kGetURL = 0x83, kStoreRegister = 0x87, kConstantPool = 0x88, kWaitForFrame = 0x8A,
  kSetTarget = 0x8B, kGotoLabel = 0x8C, kWaitForFrame2 = 0x8D, kDefineFunction2 = 0x8E, kWith = 0x94,
  kPush = 0x96, kJump = 0x99, kGetURL2 = 0x9A, kDefineFunction = 0x9B, kIf = 0x9D, kCall = 0x9E,
  kGotoFrame2 = 0x9F, kThrow = 0x2A, kTry = 0x8F, kCastOp = 0x2B, kImplementsOp = 0x2C, kExtends = 0x69,
};

// Where ImplementsOp keeps a prototype's interfaces; not a name scripts write.
constexpr const char* kInterfaces = "\x01interfaces";

constexpr size_t kMaxStringBytes = 16u << 20;

ClipObject* AsClip(Object* o) {
  if (!o || o->GetKind() != Object::Kind::Display) return nullptr;
  auto* d = static_cast<DisplayObject*>(o);
  return d->type == DisplayObject::Type::Clip && !d->removed ? static_cast<ClipObject*>(d) : nullptr;
}

DisplayObject* AsDisplay(Object* o) {
  if (!o || o->GetKind() != Object::Kind::Display) return nullptr;
  auto* d = static_cast<DisplayObject*>(o);
  return d->removed ? nullptr : d;
}

bool StrictEqual(const Value& a, const Value& b) {
  if (a.Type() != b.Type()) return false;
  switch (a.Type()) {
    case ValueType::Undefined: case ValueType::Null: return true;
    case ValueType::Boolean: return a.AsBool() == b.AsBool();
    case ValueType::Number: return a.AsNumber() == b.AsNumber();
    case ValueType::String: return a.AsString() == b.AsString();
    case ValueType::Object: return a.AsObject() == b.AsObject();
  }
  return false;
}

FunctionObject* AsFunction(const Value& v) {
  Object* o = v.AsObject();
  return o && o->GetKind() == Object::Kind::Function ? static_cast<FunctionObject*>(o) : nullptr;
}

// The "super" of a method: members come from above the prototype the method was found on,
// and calling it runs that prototype's superclass constructor on the same this.
class SuperObject : public FunctionObject {
 public:
  SuperObject(Heap& h, Object* proto, Object* home, Value self)
      : FunctionObject(h, proto), home(home), self(std::move(self)) {}
  bool Get(const std::string& name, Value& out) override {
    Object* above = home ? home->Proto() : nullptr;
    return above && above != this && above->Get(name, out);
  }
  void Trace(std::vector<Object*>& out) const override {
    FunctionObject::Trace(out);
    if (home) out.push_back(home);
    if (Object* o = self.AsObject()) out.push_back(o);
  }
  Object* home;
  Value self;
};

// The object on the prototype chain of o that holds name itself, or null.
Object* Owner(Object* o, const std::string& name) {
  for (int depth = 0; o && depth < 256; ++depth, o = o->Proto())
    if (o->HasOwn(name)) return o;
  return nullptr;
}

}  // namespace

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

const std::string& Interpreter::Charge(const std::string& s) {
  rt_.heap.Charge(s.size());
  return s;
}

ClipObject* Interpreter::BaseClip(const Context& c) const {
  DisplayObject* b = Base(c);
  if (b && b->type == DisplayObject::Type::Clip) return static_cast<ClipObject*>(b);
  return b ? b->parent : c.original;
}

Value Interpreter::Pop(Context& c) {
  if (stack_.size() <= c.stackBase) return {};
  Value v = std::move(stack_.back());
  stack_.pop_back();
  return v;
}

void Interpreter::Push(Value v) {
  if (stack_.size() >= rt_.limits.stackSize) {
    rt_.aborted = true;
    return;
  }
  stack_.push_back(std::move(v));
}

std::vector<Value> Interpreter::PopArgs(Context& c) {
  double n = ToNumber(Pop(c), 7);
  std::vector<Value> args;
  if (!(n > 0)) return args;
  size_t count = std::min<size_t>(static_cast<size_t>(std::min(n, 65536.0)), stack_.size() - std::min(stack_.size(), c.stackBase));
  rt_.heap.Charge(count * sizeof(Value));
  for (size_t i = 0; i < count; ++i) args.push_back(Pop(c));
  return args;
}

void Interpreter::RunBlock(ClipObject* clip, const std::shared_ptr<const std::vector<uint8_t>>& code) {
  Context c;
  c.code = code;
  c.start = 0;
  c.end = code->size();
  c.original = clip;
  c.target = clip;
  c.self = Value(static_cast<Object*>(clip));
  c.version = rt_.version;
  c.stackBase = stack_.size();
  Run(c);
  throwing_ = false;  // an exception nobody caught ends the script
  stack_.resize(c.stackBase);
}

size_t Interpreter::RunRange(Context& c, size_t from, size_t to) {
  const std::vector<uint8_t>& code = *c.code;
  size_t pc = from;
  size_t end = std::min(to, code.size());
  while (pc < end && pc >= from) {
    while (!c.with.empty() && (pc >= c.with.back().end || pc < c.with.back().start)) c.with.pop_back();
    if (++rt_.actionsThisFrame > rt_.limits.actionsPerFrame || rt_.heap.Exhausted()) rt_.aborted = true;
    if (rt_.aborted) return pc;
    uint8_t op = code[pc++];
    if (op == 0) {
      c.returned = true;  // End stops the whole block
      return pc;
    }
    size_t len = 0;
    if (op >= 0x80) {
      if (pc + 2 > end) return end;
      len = code[pc] | (code[pc + 1] << 8);
      pc += 2;
    }
    size_t avail = std::min(len, end - pc);
    BitReader r(std::span<const uint8_t>(code).subspan(pc, avail));
    pc += avail;
    if (!Step(c, op, r, pc) || throwing_ || c.returned) return pc;
  }
  return pc;
}

bool Interpreter::Try(Context& c, BitReader& r, size_t& pc) {
  uint8_t flags = r.U8();
  size_t trySize = r.U16(), catchSize = r.U16(), finallySize = r.U16();
  bool hasCatch = flags & 1, hasFinally = flags & 2, inRegister = flags & 4;
  std::string catchName;
  uint8_t catchRegister = 0;
  if (inRegister) catchRegister = r.U8();
  else catchName = r.String();
  size_t limit = std::min(c.end, c.code->size());
  size_t catchStart = std::min(pc + trySize, limit);
  size_t finallyStart = std::min(catchStart + catchSize, limit);
  size_t end = std::min(finallyStart + finallySize, limit);
  if (depth_ >= rt_.limits.callDepth) {
    rt_.aborted = true;
    return false;
  }
  ++depth_;
  // A jump out of the try or catch block (break, continue) still runs the finally block first.
  size_t resume = end;
  size_t stop = RunRange(c, pc, catchStart);
  if (!throwing_ && !c.returned && stop != catchStart) resume = stop;
  if (throwing_ && hasCatch && !rt_.aborted) {
    throwing_ = false;
    Value e = thrown_;
    if (inRegister) {
      if (catchRegister < c.registers.size()) c.registers[catchRegister] = e;
    } else if (c.activation) {
      c.activation->Set(catchName, e);
    } else if (DisplayObject* b = Base(c)) {
      b->Set(catchName, e);
    }
    stop = RunRange(c, catchStart, finallyStart);
    if (!throwing_ && !c.returned && stop != finallyStart) resume = stop;
  }
  if (hasFinally && !rt_.aborted) {
    // A pending throw, return or jump resumes after the finally block unless it makes its own.
    bool pendingThrow = throwing_, pendingReturn = c.returned;
    Value pendingValue = thrown_;
    throwing_ = false;
    c.returned = false;
    stop = RunRange(c, finallyStart, end);
    if (!throwing_ && !c.returned) {
      if (stop != end) resume = stop;
      throwing_ = pendingThrow;
      thrown_ = pendingValue;
      c.returned = pendingReturn;
    }
  }
  --depth_;
  pc = resume;
  return !throwing_ && !c.returned;
}

Value Interpreter::Call(const Value& fnValue, const Value& self, std::span<const Value> args, Object* home) {
  FunctionObject* fn = AsFunction(fnValue);
  if (!fn) return {};
  if (depth_ >= rt_.limits.callDepth) {
    // The player abandons a script that recurses too deeply, also through built-ins that call back.
    rt_.aborted = true;
    return {};
  }
  if (fn->native) {
    ++depth_;
    Value r = fn->native(*this, self, args);
    --depth_;
    return r;
  }
  const ScriptFunction& sf = fn->script;
  if (!sf.code) return {};
  Context c;
  c.code = sf.code;
  c.start = sf.start;
  c.end = sf.end;
  c.original = AsClip(sf.definingClip);
  if (!c.original) c.original = rt_.root;
  c.target = c.original;
  c.self = self;
  c.scope = sf.scope;
  c.constants = sf.constants;
  c.version = sf.version;
  c.callee = fn;
  c.home = home ? home : self.AsObject() ? self.AsObject()->Proto() : nullptr;
  c.activation = rt_.heap.Make<Object>(nullptr);
  auto* arguments = rt_.heap.Make<ArrayObject>(rt_.arrayProto);
  arguments->elements.assign(args.begin(), args.end());
  arguments->Set("callee", Value(static_cast<Object*>(fn)));
  arguments->Set("caller", running_ ? Value(static_cast<Object*>(running_)) : Value::Null());
  arguments->SetFlags("callee", kDontEnum);
  arguments->SetFlags("caller", kDontEnum);
  Value argumentsValue(static_cast<Object*>(arguments));
  if (sf.registers) {
    // Registers are numbered from 1 in the order this, arguments, super, _root, _parent, _global.
    enum : uint16_t {
      kPreloadThis = 0x01, kSuppressThis = 0x02, kPreloadArguments = 0x04, kSuppressArguments = 0x08,
      kPreloadSuper = 0x10, kSuppressSuper = 0x20, kPreloadRoot = 0x40, kPreloadParent = 0x80,
      kPreloadGlobal = 0x100,
    };
    c.registers.assign(std::max<size_t>(sf.registerCount, 1), Value());
    size_t next = 1;
    auto preload = [&](uint16_t flag, const Value& v) {
      if ((sf.preload & flag) && next < c.registers.size()) c.registers[next++] = v;
    };
    DisplayObject* parent = c.original ? c.original->parent : nullptr;
    c.noSuper = (sf.preload & kSuppressSuper) != 0;
    preload(kPreloadThis, self);
    preload(kPreloadArguments, argumentsValue);
    if (sf.preload & kPreloadSuper) preload(kPreloadSuper, Value(Super(c)));
    preload(kPreloadRoot, Value(static_cast<Object*>(rt_.root)));
    preload(kPreloadParent, parent ? Value(static_cast<Object*>(parent)) : Value());
    preload(kPreloadGlobal, Value(rt_.global));
    if (!(sf.preload & (kSuppressArguments | kPreloadArguments))) c.activation->Set("arguments", argumentsValue);
    for (size_t i = 0; i < sf.params.size(); ++i) {
      Value v = i < args.size() ? args[i] : Value();
      uint8_t reg = i < sf.paramRegisters.size() ? sf.paramRegisters[i] : 0;
      if (reg && reg < c.registers.size()) c.registers[reg] = v;
      else c.activation->Set(sf.params[i], v);
    }
  } else {
    c.activation->Set("arguments", argumentsValue);
    for (size_t i = 0; i < sf.params.size(); ++i) c.activation->Set(sf.params[i], i < args.size() ? args[i] : Value());
  }
  c.stackBase = stack_.size();
  FunctionObject* caller = running_;
  running_ = fn;
  ++depth_;
  Run(c);
  --depth_;
  running_ = caller;
  if (stack_.size() > c.stackBase) stack_.resize(c.stackBase);
  return c.result;
}

Value Interpreter::Construct(const Value& ctor, std::span<const Value> args) {
  FunctionObject* fn = AsFunction(ctor);
  if (!fn) return {};
  if (fn->construct) return fn->construct(*this, Value(), args);
  if (fn->native) return fn->native(*this, Value(), args);  // built-in constructors make their own object
  Value proto;
  fn->Get("prototype", proto);
  Object* home = proto.AsObject() ? proto.AsObject() : rt_.objectProto;
  Object* obj = rt_.heap.Make<Object>(home);
  obj->Set("constructor", ctor);
  obj->SetFlags("constructor", kDontEnum);
  if (rt_.version >= 6) {
    obj->Set("__constructor__", ctor);
    obj->SetFlags("__constructor__", kDontEnum);
  }
  Value r = Call(ctor, Value(obj), args, home);
  return r.IsObject() ? r : Value(obj);
}

Value Interpreter::CallMember(const Value& obj, const std::string& name, std::span<const Value> args) {
  Object* o = obj.AsObject();
  if (!o) return {};
  Value m;
  if (!o->Get(name, m) || !AsFunction(m)) return {};
  return Call(m, obj, args, Owner(o, name));
}

Object* Interpreter::Super(Context& c) {
  if (c.noSuper || !c.callee || !c.home) return nullptr;
  if (!c.super) c.super = rt_.heap.Make<SuperObject>(rt_.functionProto, c.home, c.self);
  auto* s = static_cast<SuperObject*>(c.super);
  if (!s->native) {
    s->native = [s](Interpreter& in, const Value&, std::span<const Value> args) {
      Value ctor;
      if (s->home) s->home->Get("__constructor__", ctor);
      return in.Call(ctor, s->self, args, s->home ? s->home->Proto() : nullptr);
    };
  }
  return c.super;
}

Value Interpreter::ToPrimitive(const Value& v, bool preferString, int version) {
  Object* o = v.AsObject();
  if (!o) return v;
  bool display = o->GetKind() == Object::Kind::Display;
  const char* order[2] = {preferString ? "toString" : "valueOf", preferString ? "valueOf" : "toString"};
  for (const char* name : order) {
    Value m;
    FunctionObject* f = o->Get(name, m) ? AsFunction(m) : nullptr;
    // Clips and other display objects convert to their path unless a script says otherwise.
    if (!f || (display && f->native)) continue;
    Value r = Call(m, v, {}, Owner(o, name));
    if (!r.IsObject() || rt_.aborted) return r.IsObject() ? Value(std::string()) : r;
  }
  return Value(o->DefaultString(version));
}

Value Interpreter::DefaultPrimitive(const Value& v, int version) {
  // Without a hint (+ and ==) dates convert to their text, everything else through valueOf first.
  Object* o = v.AsObject();
  Value ctor, date;
  bool isDate = o && rt_.global && o->Get("constructor", ctor) && ctor.IsObject() && rt_.global->Get("Date", date) &&
                ctor.AsObject() == date.AsObject();
  return ToPrimitive(v, isDate, version);
}

double Interpreter::ToNum(const Value& v, int version) {
  if (!v.IsObject()) return ToNumber(v, version);
  Value p = ToPrimitive(v, false, version);
  return p.IsObject() ? std::nan("") : ToNumber(p, version);
}

std::string Interpreter::ToStr(const Value& v, int version) {
  if (!v.IsObject()) return ToString(v, version);
  return ToString(ToPrimitive(v, true, version), version);
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
    } else if (a.IsObject()) {
      a = DefaultPrimitive(a, version);
      if (a.IsObject()) return false;
    } else if (b.IsObject()) {
      b = DefaultPrimitive(b, version);
      if (b.IsObject()) return false;
    } else {
      return ToNumber(a, numVersion) == ToNumber(b, numVersion);  // number against string
    }
  }
  return false;
}

Value Interpreter::LessThan(const Value& x, const Value& y, int version) {
  Value a = ToPrimitive(x, false, version);
  Value b = ToPrimitive(y, false, version);
  if (a.IsString() && b.IsString()) return Value(a.AsString() < b.AsString());
  double p = ToNumber(a, version), q = ToNumber(b, version);
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
  if (rt_.SameName(name, "_root") || rt_.SameName(name, "_level0")) {
    out = Value(static_cast<Object*>(rt_.root));
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
    return Value(static_cast<double>(c.version >= 6 ? Utf8Length(obj.AsString()) : obj.AsString().size()));
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

Value Interpreter::GetVar(Context& c, const std::string& name) {
  size_t colon = name.rfind(':');
  if (colon != std::string::npos) {
    DisplayObject* t = rt_.ResolveTarget(c.original, name.substr(0, colon));
    Value v;
    if (t) t->Get(name.substr(colon + 1), v);
    return v;
  }
  if (name.find('/') != std::string::npos) {
    DisplayObject* t = rt_.ResolveTarget(c.original, name);
    return t ? Value(static_cast<Object*>(t)) : Value();
  }
  if (name.find('.') != std::string::npos && name.find('.') != 0) {
    size_t i = 0;
    Value cur;
    bool first = true;
    while (i <= name.size()) {
      size_t j = name.find('.', i);
      std::string seg = name.substr(i, j == std::string::npos ? std::string::npos : j - i);
      if (seg.empty()) return {};
      if (first) {
        if (!Lookup(c, seg, cur)) return {};
        first = false;
      } else {
        cur = GetMember(c, cur, seg);
      }
      if (j == std::string::npos) break;
      i = j + 1;
    }
    return cur;
  }
  Value v;
  Lookup(c, name, v);
  return v;
}

void Interpreter::SetVar(Context& c, const std::string& name, const Value& v) {
  size_t colon = name.rfind(':');
  if (colon != std::string::npos) {
    if (DisplayObject* t = rt_.ResolveTarget(c.original, name.substr(0, colon))) t->Set(name.substr(colon + 1), v);
    return;
  }
  size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot != 0 && dot + 1 < name.size() && name.find('/') == std::string::npos) {
    Value owner = GetVar(c, name.substr(0, dot));
    if (Object* o = owner.AsObject()) o->Set(name.substr(dot + 1), v);
    return;
  }
  // A with object takes the assignment when it has the name, inherited or built in (a clip's _x).
  Value present;
  for (auto it = c.with.rbegin(); it != c.with.rend(); ++it)
    if (it->object->Get(name, present)) return it->object->Set(name, v);
  if (c.activation && c.activation->HasOwn(name)) return c.activation->Set(name, v);
  for (auto it = c.scope.rbegin(); it != c.scope.rend(); ++it)
    if (*it && (*it)->GetKind() != Object::Kind::Display && (*it)->HasOwn(name)) return (*it)->Set(name, v);
  if (DisplayObject* b = Base(c)) b->Set(name, v);
}

void Interpreter::Goto(Context& c, DisplayObject* target, const Value& frame, bool play, int bias) {
  auto* clip = target && target->type == DisplayObject::Type::Clip ? static_cast<ClipObject*>(target) : nullptr;
  int index = -1;
  if (frame.IsString()) {
    std::string s = frame.AsString();
    size_t colon = s.rfind(':');
    if (colon != std::string::npos) {
      DisplayObject* t = rt_.ResolveTarget(c.original, s.substr(0, colon));
      clip = t && t->type == DisplayObject::Type::Clip ? static_cast<ClipObject*>(t) : nullptr;
      s = s.substr(colon + 1);
    }
    if (!clip) return;
    double n = StringToNumber(s, 5);
    if (std::isfinite(n)) index = static_cast<int>(n) - 1 + bias;
    else index = clip->timeline->FindLabel(s, rt_.version >= 7);
  } else {
    if (!clip) return;
    double n = ToNumber(frame, c.version);
    if (!std::isfinite(n)) return;
    index = static_cast<int>(std::clamp(n, -1e9, 1e9)) - 1 + bias;
  }
  if (index < 0) return;
  clip->playing = play;
  rt_.GotoFrame(clip, std::min(index, clip->TotalFrames() - 1));
}

Value Interpreter::DefineFunction(Context& c, BitReader& r, size_t& pc, bool v2) {
  std::string name = r.String();
  unsigned n = r.U16();
  auto* fn = rt_.heap.Make<FunctionObject>(rt_.functionProto);
  ScriptFunction& sf = fn->script;
  if (v2) {
    sf.registers = true;
    sf.registerCount = r.U8();
    sf.preload = r.U16();
    for (unsigned i = 0; i < n && !r.Overrun(); ++i) {
      sf.paramRegisters.push_back(r.U8());
      sf.params.push_back(r.String());
    }
  } else {
    for (unsigned i = 0; i < n && !r.Overrun(); ++i) sf.params.push_back(r.String());
  }
  size_t size = r.U16();
  size_t bodyEnd = std::min(pc + size, std::min(c.end, c.code->size()));
  sf.code = c.code;
  sf.start = pc;
  sf.end = bodyEnd;
  sf.constants = c.constants;
  sf.scope = c.scope;
  if (c.activation) sf.scope.push_back(c.activation);
  for (const WithBlock& w : c.with) sf.scope.push_back(w.object);
  sf.definingClip = c.original;
  sf.version = c.version;
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

bool Interpreter::Step(Context& c, uint8_t op, BitReader& r, size_t& pc) {
  const int ver = c.version;
  auto num = [&](const Value& v) { return ToNum(v, ver); };
  // Strings are copied out of values here; long copies count against the frame's budget.
  auto str = [&](const Value& v) {
    if (v.IsString() && v.AsString().size() > 4096) rt_.heap.Charge(v.AsString().size());
    return ToStr(v, ver);
  };
  auto binaryNumber = [&](auto f) {
    double b = num(Pop(c));
    double a = num(Pop(c));
    Push(Value(f(a, b)));
  };
  auto jumpTo = [&](int16_t offset) {
    int64_t target = static_cast<int64_t>(pc) + offset;
    if (target < static_cast<int64_t>(c.start) || target > static_cast<int64_t>(std::min(c.end, c.code->size())))
      return false;
    pc = static_cast<size_t>(target);
    return true;
  };
  switch (op) {
    case kNextFrame: case kPrevFrame: {
      if (ClipObject* t = AsClip(Base(c))) {
        t->playing = false;
        rt_.GotoFrame(t, t->frame + (op == kNextFrame ? 1 : -1));
      }
      break;
    }
    case kPlay: if (ClipObject* t = AsClip(c.target)) t->playing = true; break;
    case kStop: if (ClipObject* t = AsClip(c.target)) t->playing = false; break;
    case kToggleQuality: rt_.quality = rt_.quality == 0 ? 1 : 0; break;
    case kStopSounds: break;
    case kAdd: binaryNumber([](double a, double b) { return a + b; }); break;
    case kSubtract: binaryNumber([](double a, double b) { return a - b; }); break;
    case kMultiply: binaryNumber([](double a, double b) { return a * b; }); break;
    case kDivide: {
      double b = num(Pop(c));
      double a = num(Pop(c));
      if (b == 0 && ver < 5) Push(Value("#ERROR#"));
      else Push(Value(a / b));
      break;
    }
    case kModulo: binaryNumber([](double a, double b) { return std::fmod(a, b); }); break;
    case kEquals: {
      double b = num(Pop(c));
      double a = num(Pop(c));
      Push(Bool(c, a == b));
      break;
    }
    case kLess: {
      double b = num(Pop(c));
      double a = num(Pop(c));
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
      std::string b = str(Pop(c));
      std::string a = str(Pop(c));
      Push(Bool(c, op == kStringEquals ? a == b : op == kStringLess ? a < b : a > b));
      break;
    }
    case kStringLength: case kMBStringLength: {
      std::string s = str(Pop(c));
      bool mb = op == kMBStringLength || ver >= 6;
      Push(Value(static_cast<double>(mb ? Utf8Length(s) : s.size())));
      break;
    }
    case kStringExtract: case kMBStringExtract: {
      double count = num(Pop(c));
      double index = num(Pop(c));
      std::string s = str(Pop(c));
      bool mb = op == kMBStringExtract || ver >= 6;
      size_t len = mb ? Utf8Length(s) : s.size();
      double startD = std::isfinite(index) ? std::max(0.0, std::trunc(index) - 1) : 0;
      size_t start = static_cast<size_t>(std::min<double>(startD, static_cast<double>(len)));
      size_t n = !std::isfinite(count) || count < 0 ? len - start
                                                    : static_cast<size_t>(std::min<double>(count, static_cast<double>(len - start)));
      Push(Value(mb ? Utf8Substr(s, start, n) : s.substr(start, n)));
      break;
    }
    case kPop: Pop(c); break;
    case kToInteger: {
      double v = num(Pop(c));
      Push(Value(std::isfinite(v) ? std::trunc(v) : (std::isnan(v) ? 0.0 : v)));
      break;
    }
    case kGetVariable: {
      std::string name = str(Pop(c));
      Push(GetVar(c, name));
      break;
    }
    case kSetVariable: {
      Value v = Pop(c);
      SetVar(c, str(Pop(c)), v);
      break;
    }
    case kSetTarget: case kSetTarget2: {
      Value t = op == kSetTarget ? Value(r.String()) : Pop(c);
      if (DisplayObject* d = AsDisplay(t.AsObject())) {
        c.target = d;
      } else {
        std::string path = str(t);
        c.target = path.empty() ? c.original : rt_.ResolveTarget(c.original, path);
      }
      c.self = c.target ? Value(static_cast<Object*>(c.target)) : Value();
      break;
    }
    case kStringAdd: {
      std::string b = str(Pop(c));
      std::string a = str(Pop(c));
      if (a.size() + b.size() > kMaxStringBytes) {
        rt_.aborted = true;
        break;
      }
      Push(Value(Charge(a + b)));
      break;
    }
    case kGetProperty: {
      double index = num(Pop(c));
      Value t = Pop(c);
      DisplayObject* d = AsDisplay(t.AsObject());
      if (!d) {
        std::string path = str(t);
        d = path.empty() ? Base(c) : rt_.ResolveTarget(c.original, path);
      }
      if (d && index >= 0 && index < static_cast<double>(kPropCount)) Push(rt_.GetProperty(d, static_cast<int>(index)));
      else Push(Value());
      break;
    }
    case kSetProperty: {
      Value v = Pop(c);
      double index = num(Pop(c));
      Value t = Pop(c);
      DisplayObject* d = AsDisplay(t.AsObject());
      if (!d) {
        std::string path = str(t);
        d = path.empty() ? Base(c) : rt_.ResolveTarget(c.original, path);
      }
      if (d && index >= 0 && index < static_cast<double>(kPropCount)) rt_.SetProperty(d, static_cast<int>(index), v);
      break;
    }
    case kCloneSprite: {
      double depth = num(Pop(c));
      std::string newName = str(Pop(c));
      Value src = Pop(c);
      DisplayObject* s = AsDisplay(src.AsObject());
      if (!s) s = rt_.ResolveTarget(c.original, str(src));
      if (!s || !s->parent || !std::isfinite(depth) || s->type != DisplayObject::Type::Clip) break;
      const Character* ch = rt_.CharacterOf(s);
      if (!ch) break;
      int d = static_cast<int>(std::clamp(depth, -16384.0, 1048575.0)) + kScriptDepth;
      rt_.PlaceScriptClip(s->parent, *ch, s->characterId, d, newName, s->matrix, s->cxform,
                          static_cast<ClipObject*>(s)->clipActions, nullptr);
      break;
    }
    case kRemoveSprite: {
      Value t = Pop(c);
      DisplayObject* d = AsDisplay(t.AsObject());
      if (!d) d = rt_.ResolveTarget(c.original, str(t));
      rt_.RemoveScriptClip(d);
      break;
    }
    case kTrace: {
      std::string s = str(Pop(c));
      if (rt_.cb.trace) rt_.cb.trace(s);
      break;
    }
    case kStartDrag: {
      Value t = Pop(c);
      bool lock = ToBoolean(Pop(c), ver);
      bool constrain = ToBoolean(Pop(c), ver);
      Rect bounds;
      if (constrain) {
        bounds.yMax = num(Pop(c)) * 20;
        bounds.xMax = num(Pop(c)) * 20;
        bounds.yMin = num(Pop(c)) * 20;
        bounds.xMin = num(Pop(c)) * 20;
        if (!std::isfinite(bounds.xMin + bounds.xMax + bounds.yMin + bounds.yMax)) constrain = false;
      }
      DisplayObject* d = AsDisplay(t.AsObject());
      if (!d) {
        std::string path = str(t);
        d = path.empty() ? Base(c) : rt_.ResolveTarget(c.original, path);
      }
      if (d && d->parent) rt_.StartDrag(d, lock, constrain ? &bounds : nullptr);
      break;
    }
    case kEndDrag: rt_.dragged = nullptr; break;
    case kRandomNumber: {
      double max = num(Pop(c));
      rt_.rng ^= rt_.rng << 13;
      rt_.rng ^= rt_.rng >> 17;
      rt_.rng ^= rt_.rng << 5;
      double m = std::isfinite(max) && max >= 1 ? std::floor(std::min(max, 4294967295.0)) : 0;
      Push(Value(m > 0 ? std::floor(std::fmod(static_cast<double>(rt_.rng), m)) : 0.0));
      break;
    }
    case kCharToAscii: case kMBCharToAscii: {
      std::string s = str(Pop(c));
      if (op == kMBCharToAscii || ver >= 6) Push(Value(static_cast<double>(Utf8First(s))));
      else Push(Value(s.empty() ? 0.0 : static_cast<double>(static_cast<unsigned char>(s[0]))));
      break;
    }
    case kAsciiToChar: case kMBAsciiToChar: {
      double n = num(Pop(c));
      uint32_t code = std::isfinite(n) && n > 0 && n < 0x110000 ? static_cast<uint32_t>(n) : 0;
      if (code == 0) Push(Value(std::string()));
      else if (op == kMBAsciiToChar || ver >= 6) Push(Value(Utf8Encode(code)));
      else Push(Value(std::string(1, static_cast<char>(code & 0xFF))));
      break;
    }
    case kGetTime: Push(Value(std::floor(rt_.timeMs))); break;
    case kDelete: {
      std::string name = str(Pop(c));
      Object* o = Pop(c).AsObject();
      Push(Bool(c, o ? o->Delete(name) : false));
      break;
    }
    case kDelete2: {
      // Deletes the variable where a lookup would find it.
      std::string name = str(Pop(c));
      std::vector<Object*> chain;
      for (auto it = c.with.rbegin(); it != c.with.rend(); ++it) chain.push_back(it->object);
      if (c.activation) chain.push_back(c.activation);
      for (auto it = c.scope.rbegin(); it != c.scope.rend(); ++it) chain.push_back(*it);
      chain.push_back(Base(c));
      chain.push_back(rt_.global);
      bool done = false;
      for (Object* o : chain) {
        if (o && o->HasOwn(name)) {
          done = o->Delete(name);
          break;
        }
      }
      Push(Bool(c, done));
      break;
    }
    case kDefineLocal: {
      Value v = Pop(c);
      std::string name = str(Pop(c));
      if (c.activation) c.activation->Set(name, v);
      else if (DisplayObject* b = Base(c)) b->Set(name, v);
      break;
    }
    case kDefineLocal2: {
      std::string name = str(Pop(c));
      Object* scope = c.activation ? c.activation : Base(c);
      if (scope && !scope->HasOwn(name)) scope->Set(name, Value());
      break;
    }
    case kCallFunction: {
      std::string name = str(Pop(c));
      std::vector<Value> args = PopArgs(c);
      Value fn = GetVar(c, name);
      // A plain call runs with the caller's this.
      Push(Call(fn, c.self, args));
      break;
    }
    case kReturn:
      c.result = Pop(c);
      c.returned = true;
      return false;
    case kThrow:
      thrown_ = Pop(c);
      throwing_ = true;
      return false;
    case kTry: return Try(c, r, pc);
    case kNewObject: {
      std::string name = str(Pop(c));
      std::vector<Value> args = PopArgs(c);
      Push(Construct(GetVar(c, name), args));
      break;
    }
    case kNewMethod: {
      Value name = Pop(c);
      Value obj = Pop(c);
      std::vector<Value> args = PopArgs(c);
      std::string n = name.IsUndefined() ? std::string() : str(name);
      Push(Construct(n.empty() ? obj : GetMember(c, obj, n), args));
      break;
    }
    case kInitArray: {
      double n = num(Pop(c));
      auto* a = rt_.heap.Make<ArrayObject>(rt_.arrayProto);
      if (n > 0) rt_.heap.Charge(static_cast<size_t>(std::min(n, 65536.0)) * sizeof(Value));
      for (double i = 0; i < n && i < 65536 && stack_.size() > c.stackBase; ++i) a->elements.push_back(Pop(c));
      Push(Value(static_cast<Object*>(a)));
      break;
    }
    case kInitObject: {
      double n = num(Pop(c));
      Object* o = rt_.heap.Make<Object>(rt_.objectProto);
      if (n > 0) rt_.heap.Charge(static_cast<size_t>(std::min(n, 65536.0)) * 2 * sizeof(Value));
      for (double i = 0; i < n && i < 65536 && stack_.size() > c.stackBase; ++i) {
        Value v = Pop(c);
        o->Set(str(Pop(c)), v);
      }
      Push(Value(o));
      break;
    }
    case kTypeOf: {
      Value v = Pop(c);
      const char* t = "undefined";
      switch (v.Type()) {
        case ValueType::Undefined: t = "undefined"; break;
        case ValueType::Null: t = "null"; break;
        case ValueType::Boolean: t = "boolean"; break;
        case ValueType::Number: t = "number"; break;
        case ValueType::String: t = "string"; break;
        case ValueType::Object: {
          Object* o = v.AsObject();
          if (o->GetKind() == Object::Kind::Function) t = "function";
          else if (AsClip(o)) t = "movieclip";
          else t = "object";
          break;
        }
      }
      Push(Value(t));
      break;
    }
    case kTargetPath: {
      Value v = Pop(c);
      DisplayObject* d = AsDisplay(v.AsObject());
      Push(d ? Value(d->DotPath()) : Value());
      break;
    }
    case kEnumerate: case kEnumerate2: {
      Value v = Pop(c);
      Object* o = op == kEnumerate ? GetVar(c, str(v)).AsObject() : v.AsObject();
      if (o && o->GetKind() == Object::Kind::Display && static_cast<DisplayObject*>(o)->removed) o = nullptr;
      Enumerate(o);
      break;
    }
    case kAdd2: {
      Value b = DefaultPrimitive(Pop(c), ver);
      Value a = DefaultPrimitive(Pop(c), ver);
      if (a.IsString() || b.IsString()) {
        std::string sa = str(a), sb = str(b);
        if (sa.size() + sb.size() > kMaxStringBytes) {
          rt_.aborted = true;
          break;
        }
        Push(Value(Charge(sa + sb)));
      } else {
        Push(Value(num(a) + num(b)));
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
    case kToNumber: Push(Value(num(Pop(c)))); break;
    case kToString: Push(Value(str(Pop(c)))); break;
    case kPushDuplicate: {
      Value v = stack_.size() > c.stackBase ? stack_.back() : Value();
      Push(v);
      break;
    }
    case kStackSwap: {
      Value b = Pop(c);
      Value a = Pop(c);
      Push(b);
      Push(a);
      break;
    }
    case kGetMember: {
      std::string name = str(Pop(c));
      Value obj = Pop(c);
      Push(GetMember(c, obj, name));
      break;
    }
    case kSetMember: {
      Value v = Pop(c);
      std::string name = str(Pop(c));
      Value obj = Pop(c);
      SetMember(obj, name, v);
      break;
    }
    case kIncrement: Push(Value(num(Pop(c)) + 1)); break;
    case kDecrement: Push(Value(num(Pop(c)) - 1)); break;
    case kCallMethod: {
      Value name = Pop(c);
      Value obj = Pop(c);
      std::vector<Value> args = PopArgs(c);
      Push(CallMethod(c, obj, name.IsUndefined() || name.IsNull() ? std::string() : str(name), args));
      break;
    }
    case kInstanceOf: {
      Value ctor = Pop(c);
      Value obj = Pop(c);
      Push(Value(IsInstance(obj, ctor)));
      break;
    }
    case kCastOp: {
      Value obj = Pop(c);
      Value ctor = Pop(c);
      Push(IsInstance(obj, ctor) ? obj : Value::Null());
      break;
    }
    case kImplementsOp: {
      Value ctor = Pop(c);
      std::vector<Value> interfaces = PopArgs(c);
      Value proto;
      if (Object* f = ctor.AsObject(); f && f->Get("prototype", proto) && proto.AsObject()) {
        auto* list = rt_.heap.Make<ArrayObject>(rt_.arrayProto);
        for (const Value& i : interfaces)
          if (AsFunction(i)) list->elements.push_back(i);
        proto.AsObject()->Set(kInterfaces, Value(static_cast<Object*>(list)));
        proto.AsObject()->SetFlags(kInterfaces, kDontEnum | kDontDelete);
      }
      break;
    }
    case kExtends: {
      Value superclass = Pop(c);
      Value subclass = Pop(c);
      Object* sub = subclass.AsObject();
      Value superProto;
      if (!sub || !AsFunction(superclass)) break;
      superclass.AsObject()->Get("prototype", superProto);
      Object* proto = rt_.heap.Make<Object>(superProto.AsObject() ? superProto.AsObject() : rt_.objectProto);
      proto->Set("__constructor__", superclass);
      proto->SetFlags("__constructor__", kDontEnum);
      sub->Set("prototype", Value(proto));
      sub->SetFlags("prototype", kDontEnum);
      break;
    }
    case kBitAnd: case kBitOr: case kBitXor: case kBitLShift: case kBitRShift: case kBitURShift: {
      int32_t b = ToInt32(num(Pop(c)));
      int32_t a = ToInt32(num(Pop(c)));
      auto ua = static_cast<uint32_t>(a);
      unsigned sh = static_cast<uint32_t>(b) & 31u;
      double res = 0;
      switch (op) {
        case kBitAnd: res = a & b; break;
        case kBitOr: res = a | b; break;
        case kBitXor: res = a ^ b; break;
        case kBitLShift: res = static_cast<int32_t>(ua << sh); break;
        case kBitRShift: res = a >> sh; break;
        default: res = static_cast<double>(ua >> sh); break;
      }
      Push(Value(res));
      break;
    }
    case kGotoFrame: {
      int frame = r.U16();
      if (ClipObject* t = AsClip(c.target)) {
        t->playing = false;
        rt_.GotoFrame(t, frame);
      }
      break;
    }
    case kGetURL: {
      std::string url = r.String();
      std::string target = r.String();
      rt_.Fscommand(url, target);
      break;
    }
    case kGetURL2: {
      r.U8();
      std::string target = str(Pop(c));
      std::string url = str(Pop(c));
      rt_.Fscommand(url, target);
      break;
    }
    case kStoreRegister: {
      unsigned reg = r.U8();
      if (reg < c.registers.size()) c.registers[reg] = stack_.size() > c.stackBase ? stack_.back() : Value();
      break;
    }
    case kConstantPool: {
      auto pool = std::make_shared<std::vector<std::string>>();
      unsigned n = r.U16();
      for (unsigned i = 0; i < n && !r.AtEnd(); ++i) pool->push_back(r.String());
      c.constants = std::move(pool);
      break;
    }
    case kWaitForFrame: case kWaitForFrame2:
      // Every frame is loaded once the movie is, so the wait never skips.
      if (op == kWaitForFrame2) Pop(c);
      break;
    case kGotoLabel: {
      std::string label = r.String();
      if (ClipObject* t = AsClip(c.target)) {
        int f = t->timeline->FindLabel(label, rt_.version >= 7);
        if (f >= 0) {
          t->playing = false;
          rt_.GotoFrame(t, f);
        }
      }
      break;
    }
    case kDefineFunction: case kDefineFunction2: {
      Value f = DefineFunction(c, r, pc, op == kDefineFunction2);
      if (f.IsObject()) Push(f);
      break;
    }
    case kWith: {
      size_t size = r.U16();
      Object* o = Pop(c).AsObject();
      if (o && c.with.size() < 16) c.with.push_back({o, pc, pc + size});
      else pc = std::min(pc + size, c.end);
      break;
    }
    case kPush: {
      while (!r.AtEnd() && !r.Overrun() && !rt_.aborted) {
        uint8_t type = r.U8();
        switch (type) {
          case 0: Push(Value(r.String())); break;
          case 1: Push(Value(static_cast<double>(r.F32()))); break;
          case 2: Push(Value::Null()); break;
          case 3: Push(Value()); break;
          case 4: {
            unsigned reg = r.U8();
            Push(reg < c.registers.size() ? c.registers[reg] : Value());
            break;
          }
          case 5: Push(Bool(c, r.U8() != 0)); break;
          case 6: Push(Value(r.SwfDouble())); break;
          case 7: Push(Value(static_cast<double>(static_cast<int32_t>(r.U32())))); break;
          case 8: case 9: {
            unsigned i = type == 8 ? r.U8() : r.U16();
            Push(c.constants && i < c.constants->size() ? Value((*c.constants)[i]) : Value());
            break;
          }
          default: return true;  // an unknown type ends the push
        }
      }
      break;
    }
    case kJump: return jumpTo(r.S16());
    case kIf: {
      int16_t offset = r.S16();
      if (ToBoolean(Pop(c), ver)) return jumpTo(offset);
      break;
    }
    case kCall: {
      Value f = Pop(c);
      ClipObject* t = AsClip(Base(c));
      std::string s = str(f);
      size_t colon = s.rfind(':');
      if (colon != std::string::npos) {
        t = AsClip(rt_.ResolveTarget(c.original, s.substr(0, colon)));
        s = s.substr(colon + 1);
      }
      if (!t) break;
      double n = StringToNumber(s, 5);
      int frame = std::isfinite(n) ? static_cast<int>(std::clamp(n, -1.0, 1e9)) - 1 : t->timeline->FindLabel(s, rt_.version >= 7);
      if (frame < 0 || frame >= t->TotalFrames() || depth_ >= rt_.limits.callDepth) break;
      ++depth_;
      for (const ControlTag& tag : t->timeline->frames[static_cast<size_t>(frame)].tags)
        if (tag.kind == ControlTag::Kind::Action) RunBlock(t, tag.code);
      --depth_;
      break;
    }
    case kGotoFrame2: {
      uint8_t flags = r.U8();
      int bias = (flags & 2) ? r.U16() : 0;
      Value frame = Pop(c);
      Goto(c, Base(c), frame, flags & 1, bias);
      break;
    }
    default:
      break;  // actions of later versions that this player does not run are skipped by their length
  }
  return true;
}

void ExecuteBlock(Runtime& rt, ClipObject* clip, const std::shared_ptr<const std::vector<uint8_t>>& code) {
  Interpreter in(rt);
  in.RunBlock(clip, code);
}

Value CallScript(Runtime& rt, const Value& fn, const Value& self, std::span<const Value> args) {
  Interpreter in(rt);
  return in.Call(fn, self, args);
}

Value CallScriptMember(Runtime& rt, const Value& obj, const std::string& name, std::span<const Value> args) {
  Interpreter in(rt);
  return in.CallMember(obj, name, args);
}

}  // namespace swf
