#pragma once
// Writes AVM1 code: a list of actions with labels for jumps and a constant pool.
#include <cstdint>
#include <map>
#include <string>
#include <variant>
#include <vector>

namespace swfasm {

enum class Action : uint8_t {
  NextFrame = 0x04, PrevFrame = 0x05, Play = 0x06, Stop = 0x07, ToggleQuality = 0x08, StopSounds = 0x09,
  Add = 0x0A, Subtract = 0x0B, Multiply = 0x0C, Divide = 0x0D, Equals = 0x0E, Less = 0x0F, And = 0x10, Or = 0x11,
  Not = 0x12, StringEquals = 0x13, StringLength = 0x14, StringExtract = 0x15, Pop = 0x17, ToInteger = 0x18,
  GetVariable = 0x1C, SetVariable = 0x1D, SetTarget2 = 0x20, StringAdd = 0x21, GetProperty = 0x22,
  SetProperty = 0x23, CloneSprite = 0x24, RemoveSprite = 0x25, Trace = 0x26, StartDrag = 0x27, EndDrag = 0x28,
  StringLess = 0x29, RandomNumber = 0x30, MBStringLength = 0x31, CharToAscii = 0x32, AsciiToChar = 0x33,
  GetTime = 0x34, MBStringExtract = 0x35, MBCharToAscii = 0x36, MBAsciiToChar = 0x37, Delete = 0x3A,
  Delete2 = 0x3B, DefineLocal = 0x3C, CallFunction = 0x3D, Return = 0x3E, Modulo = 0x3F, NewObject = 0x40,
  DefineLocal2 = 0x41, InitArray = 0x42, InitObject = 0x43, TypeOf = 0x44, TargetPath = 0x45, Enumerate = 0x46,
  Add2 = 0x47, Less2 = 0x48, Equals2 = 0x49, ToNumber = 0x4A, ToString = 0x4B, PushDuplicate = 0x4C,
  StackSwap = 0x4D, GetMember = 0x4E, SetMember = 0x4F, Increment = 0x50, Decrement = 0x51, CallMethod = 0x52,
  NewMethod = 0x53, InstanceOf = 0x54, Enumerate2 = 0x55, BitAnd = 0x60, BitOr = 0x61, BitXor = 0x62,
  BitLShift = 0x63, BitRShift = 0x64, BitURShift = 0x65, StrictEquals = 0x66, Greater = 0x67,
  StringGreater = 0x68, Throw = 0x2A, CastOp = 0x2B, ImplementsOp = 0x2C, Extends = 0x69,
};

// DefineFunction2 preload and suppress flags.
enum FunctionFlags : uint16_t {
  kPreloadThis = 0x01, kSuppressThis = 0x02, kPreloadArguments = 0x04, kSuppressArguments = 0x08,
  kPreloadSuper = 0x10, kSuppressSuper = 0x20, kPreloadRoot = 0x40, kPreloadParent = 0x80, kPreloadGlobal = 0x100,
};

struct FunctionParam {
  uint8_t reg;       // 0 keeps the parameter as a named local
  std::string name;
};

struct Null {};
struct Undefined {};
struct Register {
  uint8_t index;
};
struct Constant {
  uint16_t index;
};
// One value of a Push; integers are written as the integer type, doubles as doubles.
using PushValue = std::variant<std::string, const char*, double, int, bool, Null, Undefined, Register, Constant>;

// A block of AVM1 code being written. An action whose payload would exceed the 65535 bytes its length field
// can count throws std::length_error (Raw excepted, which writes what it is given).
class Actions {
 public:
  Actions& Op(Action a);
  Actions& Raw(uint8_t code, const std::vector<uint8_t>& payload = {});
  Actions& Push(std::initializer_list<PushValue> values);
  Actions& Push(const std::vector<PushValue>& values);
  Actions& PushFloat(float f);
  Actions& ConstantPool(const std::vector<std::string>& strings);

  Actions& Label(const std::string& name);
  Actions& Jump(const std::string& label);
  Actions& If(const std::string& label);

  Actions& GotoFrame(uint16_t frame);  // 0-based
  Actions& GotoLabel(const std::string& label);
  Actions& GotoFrame2(bool play, uint16_t sceneBias = 0);
  Actions& GetUrl(const std::string& url, const std::string& target);
  Actions& GetUrl2(uint8_t flags = 0);
  Actions& SetTarget(const std::string& target);
  Actions& StoreRegister(uint8_t reg);
  Actions& WaitForFrame(uint16_t frame, uint8_t skip);
  Actions& DefineFunction(const std::string& name, const std::vector<std::string>& params, const Actions& body);
  Actions& DefineFunction2(const std::string& name, const std::vector<FunctionParam>& params, uint8_t registerCount,
                           uint16_t flags, const Actions& body);
  Actions& With(const Actions& body);
  // try { body } catch (catchVariable) { onCatch } finally { onFinally }; a null block is left out.
  Actions& Try(const Actions& body, const Actions* onCatch, const std::string& catchVariable,
               const Actions* onFinally = nullptr);

  // Shorthands for the most common sequences.
  Actions& Trace(const std::string& text);                 // push text, trace
  Actions& TraceVar(const std::string& name);              // push name, get variable, trace
  Actions& Set(const std::string& name, PushValue value);  // push name, value, set variable
  Actions& Call(const std::string& function, const std::vector<PushValue>& args = {});  // result left on the stack
  Actions& Stop() { return Op(Action::Stop); }
  Actions& Play() { return Op(Action::Play); }

  // The code with jumps resolved, ending with the End action.
  std::vector<uint8_t> Bytes() const;
  // Without the End action, for function bodies.
  std::vector<uint8_t> Body() const;

 private:
  void Emit(uint8_t code, const std::vector<uint8_t>& payload);
  std::vector<uint8_t> code_;
  std::map<std::string, size_t> labels_;
  struct Fixup {
    size_t at;      // where the 16-bit offset goes
    size_t after;   // the offset counts from here
    std::string label;
  };
  std::vector<Fixup> fixups_;
};

}  // namespace swfasm
