#pragma once
// The AVM1 interpreter: runs action blocks and script functions on a runtime.
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "runtime.h"
#include "swfplayer/engine/bit_reader.h"
#include "text.h"

namespace swf {

// Runs action blocks and script functions on a runtime, on the value stack the frame's blocks share.
class Interpreter {
 public:
  explicit Interpreter(Runtime& rt) : rt_(rt), stack_(rt.stack) {}
  Runtime& Rt() { return rt_; }

  void RunBlock(ClipObject* clip, const std::shared_ptr<const std::vector<uint8_t>>& code);
  Value Call(const Value& fn, const Value& self, std::span<const Value> args) { return Call(fn, self, args, nullptr); }
  // home is the object the method was found on; "super" starts above it.
  Value Call(const Value& fn, const Value& self, std::span<const Value> args, Object* home);
  // Makes a new object the way "new" does, with a built-in or a script constructor.
  Value Construct(const Value& ctor, std::span<const Value> args);
  // Calls obj[name] with obj as this; undefined when there is no such function.
  Value CallMember(const Value& obj, const std::string& name, std::span<const Value> args);

  // Counts the bytes of a string a script made, against the frame's budget.
  const std::string& Charge(const std::string& s);

  // Conversions that call an object's valueOf and toString as the actions do.
  Value ToPrimitive(const Value& v, bool preferString, int version);
  Value DefaultPrimitive(const Value& v, int version);  // for +: dates prefer their text
  double ToNum(const Value& v, int version);
  std::string ToStr(const Value& v, int version);

 private:
  struct WithBlock {
    Object* object;
    size_t start, end;
  };
  struct Context {
    std::shared_ptr<const std::vector<uint8_t>> code;
    size_t start = 0, end = 0;
    ClipObject* original = nullptr;  // the timeline the code belongs to
    DisplayObject* target = nullptr; // SetTarget's target; null while it names nothing
    Object* activation = nullptr;    // locals of a function call
    Value self;
    std::vector<Object*> scope;      // closed-over scopes, outermost first
    std::vector<WithBlock> with;
    std::shared_ptr<const std::vector<std::string>> constants;
    std::vector<Value> registers = std::vector<Value>(4);
    int version = 0;
    size_t stackBase = 0;
    Value result;
    bool returned = false;
    FunctionObject* callee = nullptr;  // the running script function
    Object* home = nullptr;            // where the running method was found
    Object* super = nullptr;           // made when first named
    bool noSuper = false;
  };

  void Run(Context& c) { RunRange(c, c.start, c.end); }
  // Runs until the code leaves [from, to); returns where it stopped.
  size_t RunRange(Context& c, size_t from, size_t to);
  bool Try(Context& c, BitReader& r, size_t& pc);
  bool Step(Context& c, uint8_t op, BitReader& r, size_t& pc);
  // What one family of actions made of an action: go on, stop the running range, or none of its actions.
  enum class Flow : uint8_t { Next, Stop, NotMine };
  Flow StepControl(Context& c, uint8_t op, BitReader& r, size_t& pc);
  Flow StepArithmetic(Context& c, uint8_t op);
  Flow StepObjects(Context& c, uint8_t op, BitReader& r, size_t& pc);
  Flow StepTimeline(Context& c, uint8_t op, BitReader& r);
  // Moves pc by a branch offset; stops when the target lies outside the running code.
  Flow JumpBy(const Context& c, int16_t offset, size_t& pc) const;
  // Moves pc past the next count actions, as a WaitForFrame for a frame not loaded does.
  void SkipActions(const Context& c, unsigned count, size_t& pc) const;
  double Num(const Context& c, const Value& v) { return ToNum(v, c.version); }
  // String data of the running code.
  std::string Text(const Context& c, BitReader& r) const { return DecodeStringData(r.String(), c.version); }
  // Strings are copied out of values here; long copies count against the frame's budget.
  std::string Str(const Context& c, const Value& v);
  Value Pop(Context& c);
  void Push(Value v);
  Value Bool(const Context& c, bool b) const { return c.version < 5 ? Value(b ? 1 : 0) : Value(b); }
  // Where names resolve: the target, or the root while a tellTarget names nothing.
  DisplayObject* Base(const Context& c) const { return c.target ? c.target : rt_.root; }
  ClipObject* BaseClip(const Context& c) const;

  // Calls the object's conversion method name; false when it has none.
  bool CallConversion(const Value& v, const char* name, Value& out);
  // The text of an object: what its toString gives when that is a string.
  std::string TextOf(const Value& v, int version);
  // What an object compares as: its valueOf's primitive or clip; false when that is another object.
  bool CompareValue(const Value& v, Value& out);
  bool LooseEquals(const Value& a, const Value& b, int version);
  Value LessThan(const Value& a, const Value& b, int version);  // undefined when either side is NaN
  bool IsInstance(const Value& obj, const Value& ctor);

  bool Lookup(Context& c, const std::string& name, Value& out);
  Object* Super(Context& c);
  Value GetVar(Context& c, const std::string& name);
  // Where a variable path splits into its target part and the variable's name; npos when it does not.
  static size_t PathCut(const std::string& name, int version);
  // Follows a target path: once when it starts absolute, else from each scope in turn until accept takes a
  // value it leads to; that value, or undefined.
  Value ResolvePath(Context& c, const std::string& path, const std::function<bool(const Value&)>& accept);
  void SetVar(Context& c, const std::string& name, const Value& v);
  Value GetMember(Context& c, const Value& obj, const std::string& name);
  Object* PrimitiveProto(const Value& v);  // String.prototype for a string, and so on
  void SetMember(const Value& obj, const std::string& name, const Value& v);
  Value CallMethod(Context& c, const Value& obj, const std::string& name, std::span<const Value> args);
  void Enumerate(Object* o);
  void Goto(Context& c, DisplayObject* target, const Value& frame, bool play, int bias);
  Value DefineFunction(Context& c, BitReader& r, size_t& pc, bool v2);
  std::vector<Value> PopArgs(Context& c);

  Runtime& rt_;
  std::vector<Value>& stack_;
  int depth_ = 0;
  bool throwing_ = false;  // a thrown value is unwinding to the nearest try
  Value thrown_;
  FunctionObject* running_ = nullptr;  // for arguments.caller
};

// A method of a string value ("abc".charAt(1)); false when there is none of that name.
bool StringMethod(Interpreter& in, const std::string& s, const std::string& name, std::span<const Value> args,
                  Value& out);

}  // namespace swf
