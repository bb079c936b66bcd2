// The actions on variables, objects, functions and classes.
#include "interpreter.h"

#include <algorithm>
#include <cmath>

#include "interpreter_support.h"

namespace swf {

Interpreter::Flow Interpreter::StepObjects(Context& c, uint8_t op, BitReader& r, size_t& pc) {
  switch (op) {
    case kGetVariable: {
      std::string name = Str(c, Pop(c));
      Push(GetVar(c, name));
      break;
    }
    case kSetVariable: {
      Value v = Pop(c);
      SetVar(c, Str(c, Pop(c)), v);
      break;
    }
    case kDelete: {
      std::string name = Str(c, Pop(c));
      Object* o = Pop(c).AsObject();
      Push(Bool(c, o ? o->Delete(name) : false));
      break;
    }
    case kDelete2: {
      // Deletes the variable where a lookup would find it.
      std::string name = Str(c, Pop(c));
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
      std::string name = Str(c, Pop(c));
      if (c.activation) c.activation->Set(name, v);
      else if (DisplayObject* b = Base(c)) b->Set(name, v);
      break;
    }
    case kDefineLocal2: {
      std::string name = Str(c, Pop(c));
      Object* scope = c.activation ? c.activation : Base(c);
      if (scope && !scope->HasOwn(name)) scope->Set(name, Value());
      break;
    }
    case kCallFunction: {
      std::string name = Str(c, Pop(c));
      std::vector<Value> args = PopArgs(c);
      Value fn = GetVar(c, name);
      // A plain call runs with the caller's this, in the fifth version with none.
      Push(Call(fn, c.version < 6 ? Value() : c.self, args));
      break;
    }
    case kNewObject: {
      std::string name = Str(c, Pop(c));
      std::vector<Value> args = PopArgs(c);
      Push(Construct(GetVar(c, name), args));
      break;
    }
    case kNewMethod: {
      Value name = Pop(c);
      Value obj = Pop(c);
      std::vector<Value> args = PopArgs(c);
      std::string n = name.IsUndefined() ? std::string() : Str(c, name);
      Push(Construct(n.empty() ? obj : GetMember(c, obj, n), args));
      break;
    }
    case kInitArray: {
      double n = Num(c, Pop(c));
      auto* a = rt_.heap.Make<ArrayObject>(rt_.arrayProto);
      if (n > 0) rt_.heap.Charge(static_cast<size_t>(std::min(n, 65536.0)) * sizeof(Value));
      for (double i = 0; i < n && i < 65536 && stack_.size() > c.stackBase; ++i) a->elements.push_back(Pop(c));
      Push(Value(static_cast<Object*>(a)));
      break;
    }
    case kInitObject: {
      double n = Num(c, Pop(c));
      Object* o = rt_.heap.Make<Object>(rt_.objectProto);
      if (n > 0) rt_.heap.Charge(static_cast<size_t>(std::min(n, 65536.0)) * 2 * sizeof(Value));
      for (double i = 0; i < n && i < 65536 && stack_.size() > c.stackBase; ++i) {
        Value v = Pop(c);
        o->Set(Str(c, Pop(c)), v);
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
    case kEnumerate: case kEnumerate2: {
      Value v = Pop(c);
      Object* o = op == kEnumerate ? GetVar(c, Str(c, v)).AsObject() : v.AsObject();
      if (o && o->GetKind() == Object::Kind::Display && static_cast<DisplayObject*>(o)->removed) o = nullptr;
      Enumerate(o);
      break;
    }
    case kGetMember: {
      std::string name = Str(c, Pop(c));
      Value obj = Pop(c);
      Push(GetMember(c, obj, name));
      break;
    }
    case kSetMember: {
      Value v = Pop(c);
      std::string name = Str(c, Pop(c));
      Value obj = Pop(c);
      SetMember(obj, name, v);
      break;
    }
    case kCallMethod: {
      Value name = Pop(c);
      Value obj = Pop(c);
      std::vector<Value> args = PopArgs(c);
      Push(CallMethod(c, obj, name.IsUndefined() || name.IsNull() ? std::string() : Str(c, name), args));
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
    case kDefineFunction: case kDefineFunction2: {
      Value f = DefineFunction(c, r, pc, op == kDefineFunction2);
      if (f.IsObject()) Push(f);
      break;
    }
    default:
      return Flow::NotMine;
  }
  return Flow::Next;
}

}  // namespace swf
