#pragma once
// The action codes and the small helpers the interpreter's files share.
#include <cmath>
#include <cstdint>
#include <string>

#include "runtime.h"

namespace swf {

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
inline constexpr const char* kInterfaces = "\x01interfaces";

inline constexpr size_t kMaxStringBytes = 16u << 20;

inline ClipObject* AsClip(Object* o) {
  if (!o || o->GetKind() != Object::Kind::Display) return nullptr;
  auto* d = static_cast<DisplayObject*>(o);
  return d->type == DisplayObject::Type::Clip && !d->removed ? static_cast<ClipObject*>(d) : nullptr;
}

inline DisplayObject* AsDisplay(Object* o) {
  if (!o || o->GetKind() != Object::Kind::Display) return nullptr;
  auto* d = static_cast<DisplayObject*>(o);
  return d->removed ? nullptr : d;
}

// Two NaNs are equal to each other in this player's comparisons.
inline bool NumbersEqual(double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); }

inline bool StrictEqual(const Value& a, const Value& b) {
  if (a.Type() != b.Type()) return false;
  switch (a.Type()) {
    case ValueType::Undefined: case ValueType::Null: return true;
    case ValueType::Boolean: return a.AsBool() == b.AsBool();
    case ValueType::Number: return NumbersEqual(a.AsNumber(), b.AsNumber());
    case ValueType::String: return a.AsString() == b.AsString();
    case ValueType::Object: return a.AsObject() == b.AsObject();
  }
  return false;
}

inline FunctionObject* AsFunction(const Value& v) {
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
inline Object* Owner(Object* o, const std::string& name) {
  for (int depth = 0; o && depth < 256; ++depth, o = o->Proto())
    if (o->HasOwn(name)) return o;
  return nullptr;
}

}  // namespace swf
