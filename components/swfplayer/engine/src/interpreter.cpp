// Executes AVM1 actions: the stack machine, calls and construction, and the control-flow actions.
#include "interpreter.h"

#include <algorithm>

#include "interpreter_support.h"

namespace swf {

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
  // A loaded movie's scripts keep the rules of their own version.
  c.version = rt_.MovieOf(clip).header.version;
  c.constants = rt_.constants;
  // What one block leaves on the stack the next block of the frame finds; a block run from inside another
  // (a placement's first frame) keeps to its own part.
  const bool outermost = rt_.blockNesting == 0;
  c.stackBase = outermost ? 0 : stack_.size();
  ++rt_.blockNesting;
  Run(c);
  if (--rt_.blockNesting == 0) rt_.abortList = false;
  throwing_ = false;  // an exception nobody caught ends the script
  if (!outermost) stack_.resize(c.stackBase);
}

size_t Interpreter::RunRange(Context& c, size_t from, size_t to) {
  const std::vector<uint8_t>& code = *c.code;
  size_t pc = from;
  size_t end = std::min(to, code.size());
  while (pc < end && pc >= from) {
    while (!c.with.empty() && (pc >= c.with.back().end || pc < c.with.back().start)) c.with.pop_back();
    if (++rt_.actionsThisFrame > rt_.limits.actionsPerFrame || rt_.heap.Exhausted()) rt_.aborted = true;
    if (rt_.aborted || rt_.abortList) return pc;
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
  else catchName = Text(c, r);
  size_t limit = std::min(c.end, c.code->size());
  size_t catchStart = std::min(pc + trySize, limit);
  size_t finallyStart = std::min(catchStart + catchSize, limit);
  size_t end = std::min(finallyStart + finallySize, limit);
  if (depth_ >= rt_.limits.callDepth) {
    rt_.abortList = true;
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
    // The player abandons the action list that recurses too deeply, also through built-ins that call back.
    rt_.abortList = true;
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

bool Interpreter::Step(Context& c, uint8_t op, BitReader& r, size_t& pc) {
  Flow flow = StepControl(c, op, r, pc);
  if (flow == Flow::NotMine) flow = StepArithmetic(c, op);
  if (flow == Flow::NotMine) flow = StepObjects(c, op, r, pc);
  if (flow == Flow::NotMine) flow = StepTimeline(c, op, r);
  // Actions of later versions that this player does not run are skipped by their length.
  return flow != Flow::Stop;
}

std::string Interpreter::Str(const Context& c, const Value& v) {
  if (v.IsString() && v.AsString().size() > 4096) rt_.heap.Charge(v.AsString().size());
  return ToStr(v, c.version);
}

Interpreter::Flow Interpreter::JumpBy(const Context& c, int16_t offset, size_t& pc) const {
  int64_t target = static_cast<int64_t>(pc) + offset;
  if (target < static_cast<int64_t>(c.start) || target > static_cast<int64_t>(std::min(c.end, c.code->size())))
    return Flow::Stop;
  pc = static_cast<size_t>(target);
  return Flow::Next;
}

void Interpreter::SkipActions(const Context& c, unsigned count, size_t& pc) const {
  const size_t end = std::min(c.end, c.code->size());
  const std::vector<uint8_t>& code = *c.code;
  for (unsigned i = 0; i < count && pc < end; ++i) {
    uint8_t op = code[pc++];
    if (op >= 0x80) pc = pc + 2 > end ? end : std::min(end, pc + 2 + static_cast<size_t>(code[pc] | (code[pc + 1] << 8)));
  }
}

Interpreter::Flow Interpreter::StepControl(Context& c, uint8_t op, BitReader& r, size_t& pc) {
  const int ver = c.version;
  switch (op) {
    case kPop: Pop(c); break;
    case kReturn:
      c.result = Pop(c);
      c.returned = true;
      return Flow::Stop;
    case kThrow:
      thrown_ = Pop(c);
      throwing_ = true;
      return Flow::Stop;
    case kTry: return Try(c, r, pc) ? Flow::Next : Flow::Stop;
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
    case kStoreRegister: {
      unsigned reg = r.U8();
      if (reg < c.registers.size()) c.registers[reg] = stack_.size() > c.stackBase ? stack_.back() : Value();
      break;
    }
    case kConstantPool: {
      auto pool = std::make_shared<std::vector<std::string>>();
      unsigned n = r.U16();
      for (unsigned i = 0; i < n && !r.AtEnd(); ++i) pool->push_back(Text(c, r));
      c.constants = std::move(pool);
      rt_.constants = c.constants;
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
          case 0: Push(Value(Text(c, r))); break;
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
          default:
            // An unknown type gives undefined; its size is unknown, so it also ends the push.
            Push(Value());
            return Flow::Next;
        }
      }
      break;
    }
    case kJump: return JumpBy(c, r.S16(), pc);
    // The whole movie is loaded before it plays, yet the player reports frames beyond its limit as never loaded
    // (the second form counts from 1); a frame given as a fraction or a label counts as loaded.
    case kWaitForFrame: {
      unsigned frame = r.U16();
      unsigned skip = r.U8();
      if (frame > 16000) SkipActions(c, skip, pc);
      break;
    }
    case kWaitForFrame2: {
      unsigned skip = r.U8();
      double frame = Num(c, Pop(c));
      if (std::isfinite(frame) && frame == std::trunc(frame) && frame > 16001) SkipActions(c, skip, pc);
      break;
    }
    case kIf: {
      int16_t offset = r.S16();
      if (ToBoolean(Pop(c), ver)) return JumpBy(c, offset, pc);
      break;
    }
    default:
      return Flow::NotMine;
  }
  return Flow::Next;
}

void ExecuteBlock(Runtime& rt, ClipObject* clip, const std::shared_ptr<const std::vector<uint8_t>>& code) {
  Interpreter in(rt);
  in.RunBlock(clip, code);
}

Value CallScript(Runtime& rt, const Value& fn, const Value& self, std::span<const Value> args) {
  Interpreter in(rt);
  ++rt.blockNesting;
  Value r = in.Call(fn, self, args);
  if (--rt.blockNesting == 0) rt.abortList = false;
  return r;
}

Value CallScriptMember(Runtime& rt, const Value& obj, const std::string& name, std::span<const Value> args) {
  Interpreter in(rt);
  ++rt.blockNesting;
  Value r = in.CallMember(obj, name, args);
  if (--rt.blockNesting == 0) rt.abortList = false;
  return r;
}

}  // namespace swf
