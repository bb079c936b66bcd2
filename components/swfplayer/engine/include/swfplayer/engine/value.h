#pragma once
// Script values and objects: the six value types, objects with properties and
// prototypes, functions, arrays, and the heap that owns every object.
#include <cstdint>
#include <cstddef>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

namespace swf {

class Object;
class Heap;
class Interpreter;

enum class ValueType : uint8_t { Undefined, Null, Boolean, Number, String, Object };

// One script value; strings are shared and immutable.
class Value {
 public:
  Value() = default;
  Value(bool b) : type_(ValueType::Boolean), bool_(b) {}
  Value(double n) : type_(ValueType::Number), number_(n) {}
  Value(int n) : type_(ValueType::Number), number_(n) {}
  Value(std::string s) : type_(ValueType::String), string_(std::make_shared<const std::string>(std::move(s))) {}
  Value(const char* s) : type_(ValueType::String), string_(std::make_shared<const std::string>(s)) {}
  Value(Object* o) : type_(o ? ValueType::Object : ValueType::Null), object_(o) {}
  static Value Null() {
    Value v;
    v.type_ = ValueType::Null;
    return v;
  }

  ValueType Type() const { return type_; }
  bool IsUndefined() const { return type_ == ValueType::Undefined; }
  bool IsNull() const { return type_ == ValueType::Null; }
  bool IsBoolean() const { return type_ == ValueType::Boolean; }
  bool IsNumber() const { return type_ == ValueType::Number; }
  bool IsString() const { return type_ == ValueType::String; }
  bool IsObject() const { return type_ == ValueType::Object; }

  bool AsBool() const { return bool_; }
  double AsNumber() const { return number_; }
  const std::string& AsString() const { return string_ ? *string_ : Empty(); }
  Object* AsObject() const { return type_ == ValueType::Object ? object_ : nullptr; }

 private:
  static const std::string& Empty();
  ValueType type_ = ValueType::Undefined;
  bool bool_ = false;
  double number_ = 0;
  std::shared_ptr<const std::string> string_;  // shared, so copies of long texts cost nothing
  Object* object_ = nullptr;
};

// Conversions as the player performs them; version is the SWF version of the
// code doing the conversion.
std::string NumberToString(double n);
double StringToNumber(const std::string& s, int version);
double ToNumber(const Value& v, int version);
std::string ToString(const Value& v, int version);
bool ToBoolean(const Value& v, int version);
int32_t ToInt32(double n);

// Besides the three rules, a property may be hidden from movies of some versions: it does not exist for a movie
// whose version's mask (HiddenFlags) shares a bit with its flags.
enum PropertyFlags : uint16_t {
  kDontEnum = 1, kDontDelete = 2, kReadOnly = 4,
  kFromVersion6 = 0x80, kNotInVersion6 = 0x100, kFromVersion7 = 0x400, kFromVersion8 = 0x1000,
  kFromVersion9 = 0x2000, kFromVersion10 = 0x4000
};
// The flags that hide a property from a movie of the version.
uint16_t HiddenFlags(int version);

// Slots of Heap::Pin for the objects the object model and the built-ins must always find.
enum PinSlot : size_t {
  kPinStringProto, kPinNumberProto, kPinBooleanProto, kPinDateProto, kPinCount
};

struct Property {
  std::string name;   // as first written
  Value value;
  uint16_t flags = 0;
  uint64_t order = 0; // insertion order, for enumeration
  // addProperty: reads call the getter and writes the setter, for the object and everything inheriting from it.
  Object* getter = nullptr;
  Object* setter = nullptr;
  bool Accessor() const { return getter != nullptr; }
};

// An object with named properties and a prototype; subclasses add behaviour.
class Object {
 public:
  enum class Kind : uint8_t { Plain, Array, Function, Clip, Display, Boxed, Date };

  Object(Heap& heap, Object* proto, Kind kind = Kind::Plain) : heap_(heap), proto_(proto), kind_(kind) {}
  virtual ~Object() = default;
  Object(const Object&) = delete;
  Object& operator=(const Object&) = delete;

  Kind GetKind() const { return kind_; }
  Heap& GetHeap() const { return heap_; }
  Object* Proto() const { return proto_; }
  void SetProto(Object* p) { proto_ = p; }

  // Own property first, then the prototype chain.
  virtual bool Get(const std::string& name, Value& out);
  virtual void Set(const std::string& name, const Value& v);
  virtual bool Delete(const std::string& name);
  virtual bool HasOwn(const std::string& name) const;
  bool GetOwn(const std::string& name, Value& out) const;
  // Names of enumerable properties, own before inherited, in insertion order.
  virtual std::vector<std::string> Keys() const;
  // Whether name is the built-in name given in lower case, under the movie's case rule.
  bool NameIs(const std::string& name, const char* lowerName) const { return Key(name) == lowerName; }
  // The flags of an own property, one hidden from the movie's version too.
  void SetFlags(const std::string& name, uint16_t flags);
  // The flags of an own property, one hidden from the movie's version too; false when there is none.
  bool GetFlags(const std::string& name, uint16_t& flags) const;
  // Names of all own properties, ones hidden from enumeration or from the movie's version too, in insertion order.
  std::vector<std::string> OwnNames() const;
  // Makes name an accessor property; false when the property is read-only.
  bool AddAccessor(const std::string& name, Object* getter, Object* setter);
  // watch(): writes of name first call handler(name, old, new, data) and store what it returns.
  void Watch(const std::string& name, Object* handler, const Value& data);
  bool Unwatch(const std::string& name);

  // The text of the object when converted to a string.
  virtual std::string DefaultString(int version) const;

  // Reports every object this one references, for the collector.
  virtual void Trace(std::vector<Object*>& out) const;

  bool marked = false;

 protected:
  std::string Key(const std::string& name) const;

 private:
  struct Watcher {
    Object* handler;
    Value data;
  };
  // The own property of that name the movie's version sees; FindAny finds hidden ones too.
  const Property* FindOwn(const std::string& name) const;
  Property* FindAny(const std::string& name);
  bool Read(const Property& p, Object* receiver, Value& out) const;
  // Writes through a setter or watcher of this object or its prototypes; false when none took the write.
  bool WriteSpecial(const std::string& name, const Value& v);

  Heap& heap_;
  Object* proto_;
  Kind kind_;
  std::unordered_map<std::string, Property> props_;
  uint64_t nextOrder_ = 0;
  std::unique_ptr<std::unordered_map<std::string, Watcher>> watchers_;  // rare, so kept apart
};

// A String, Number or Boolean object made with new, holding its primitive value.
class BoxObject : public Object {
 public:
  BoxObject(Heap& heap, Object* proto, Value primitive, Kind kind = Kind::Boxed)
      : Object(heap, proto, kind), primitive(std::move(primitive)) {}
  bool Get(const std::string& name, Value& out) override;
  std::string DefaultString(int version) const override;
  Value primitive;
};

// Array with dense elements behind index-named properties and "length".
class ArrayObject : public Object {
 public:
  ArrayObject(Heap& heap, Object* proto) : Object(heap, proto, Kind::Array) {}
  bool Get(const std::string& name, Value& out) override;
  void Set(const std::string& name, const Value& v) override;
  std::vector<std::string> Keys() const override;
  std::string DefaultString(int version) const override;
  void Trace(std::vector<Object*>& out) const override;
  std::vector<Value> elements;
  static constexpr size_t kMaxLength = 1u << 20;
};

using NativeFn = std::function<Value(Interpreter&, const Value& self, std::span<const Value> args)>;

struct ScriptFunction {
  std::shared_ptr<const std::vector<uint8_t>> code;
  size_t start = 0, end = 0;
  std::vector<std::string> params;
  std::shared_ptr<const std::vector<std::string>> constants;
  std::vector<Object*> scope;     // the scope chain the function closes over
  Object* definingClip = nullptr; // the timeline it was defined on
  int version = 0;
  // DefineFunction2: its own registers, preloaded ones, and parameters kept in registers.
  bool registers = false;
  uint8_t registerCount = 0;
  uint16_t preload = 0;
  std::vector<uint8_t> paramRegisters;
};

// A callable object: a built-in or a function defined by a script.
class FunctionObject : public Object {
 public:
  FunctionObject(Heap& heap, Object* proto) : Object(heap, proto, Kind::Function) {}
  std::string DefaultString(int) const override { return "[type Function]"; }
  void Trace(std::vector<Object*>& out) const override;
  NativeFn native;                // set for built-ins
  NativeFn construct;             // built-ins that make something else under new than when called (String, Date)
  // Built-ins whose result the conversions know without calling them.
  enum class Shortcut : uint8_t { None, DefaultString, DefaultValue } shortcut = Shortcut::None;
  ScriptFunction script;          // set otherwise
};

// Owns all objects; unreachable ones are freed by Collect between scripts.
class Heap {
 public:
  explicit Heap(bool caseSensitive = true) : caseSensitive_(caseSensitive) {}
  ~Heap();
  Heap(const Heap&) = delete;
  Heap& operator=(const Heap&) = delete;

  template <class T, class... A>
  T* Make(A&&... args) {
    auto p = std::make_unique<T>(*this, std::forward<A>(args)...);
    T* raw = p.get();
    objects_.push_back(std::move(p));
    return raw;
  }
  void Adopt(std::unique_ptr<Object> o) { objects_.push_back(std::move(o)); }

  bool CaseSensitive() const { return caseSensitive_; }
  void SetCaseSensitive(bool cs) { caseSensitive_ = cs; }
  // Properties with any of these flags do not exist for the movie (see HiddenFlags).
  uint16_t Hidden() const { return hidden_; }
  void SetHidden(uint16_t flags) { hidden_ = flags; }
  // Whether text counts UTF-16 code units (version 6 on) rather than characters.
  bool Utf16() const { return utf16_; }
  void SetUtf16(bool utf16) { utf16_ = utf16; }
  size_t Count() const { return objects_.size(); }
  // Bytes scripts made or copied since the budget was last reset (strings, array elements).
  void Charge(size_t bytes) { charged_ += bytes; }
  void ResetCharge(size_t budget) {
    charged_ = 0;
    budget_ = budget;
  }
  bool Exhausted() const { return objects_.size() > kMaxObjects || charged_ > budget_; }
  void Collect(const std::vector<Object*>& roots);
  void Clear();

  // Runs functions for the object model itself (getters, setters, watchers, toString and valueOf).
  using Invoker = std::function<Value(Object* fn, const Value& self, std::span<const Value> args)>;
  void SetInvoker(Invoker f) { invoker_ = std::move(f); }
  // False when no invoker is set or calls nest too deeply.
  bool Invoke(Object* fn, const Value& self, std::span<const Value> args, Value& out);
  // While one lives, the object model runs no scripts: for the host's own walks over the display list.
  class ScriptBlock {
   public:
    explicit ScriptBlock(Heap& h) : heap_(h) { ++heap_.blocked_; }
    ~ScriptBlock() { --heap_.blocked_; }
    ScriptBlock(const ScriptBlock&) = delete;
    ScriptBlock& operator=(const ScriptBlock&) = delete;

   private:
    Heap& heap_;
  };
  // Cheap test before the slower paths of Set: has any object ever had an accessor or a watcher?
  bool HasSpecialProperties() const { return special_; }
  void MarkSpecialProperties() { special_ = true; }

  // Objects the built-ins keep whatever scripts do to the globals, found by a slot number.
  void Pin(size_t slot, Object* o);
  Object* Pinned(size_t slot) const { return slot < pinned_.size() ? pinned_[slot] : nullptr; }

  static constexpr size_t kMaxObjects = 1u << 18;

 private:
  bool caseSensitive_;
  bool utf16_ = true;
  uint16_t hidden_ = 0;
  size_t charged_ = 0;
  size_t budget_ = SIZE_MAX;
  std::vector<std::unique_ptr<Object>> objects_;
  Invoker invoker_;
  int invokeDepth_ = 0;
  int blocked_ = 0;
  bool special_ = false;
  std::vector<Object*> pinned_;
};

}  // namespace swf
