// Value conversions with the player's own rules, and the object store.
#include "swfplayer/engine/value.h"

#include "text.h"

#include <algorithm>
#include <cassert>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unordered_set>

namespace swf {

const std::string& Value::Empty() {
  static const std::string empty;
  return empty;
}

namespace {
// The fifteen significant digits of |n| (trailing zeros dropped) and the decimal exponent of the first one,
// rounded from the exact binary value with exact ties going away from zero.
std::string SignificantDigits(double n, int& exponent) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.16e", std::fabs(n));  // d.dddddddddddddddde+XX: 17 exact-rounded digits
  char digits[17];
  digits[0] = buf[0];
  std::memcpy(digits + 1, buf + 2, 16);
  exponent = std::atoi(std::strchr(buf, 'e') + 1);
  // Seventeen rounded digits decide, except where the sixteenth is 5 and the seventeenth 0: that may have been
  // rounded up from below the half, so the full expansion is read. An exact tie goes away from zero.
  bool up = digits[15] >= '5';
  if (digits[15] == '5' && digits[16] == '0') {
    static thread_local char exact[1200];
    std::snprintf(exact, sizeof exact, "%.1100e", std::fabs(n));
    up = exact[2 + 14] >= '5';
  }
  int count = 15;
  if (up) {
    int i = 14;
    while (i >= 0 && digits[i] == '9') digits[i--] = '0';
    if (i < 0) {
      digits[0] = '1';
      ++exponent;
    } else {
      ++digits[i];
    }
  }
  while (count > 1 && digits[count - 1] == '0') --count;
  return std::string(digits, static_cast<size_t>(count));
}
}  // namespace

std::string NumberToString(double n) {
  if (std::isnan(n)) return "NaN";
  if (std::isinf(n)) return n > 0 ? "Infinity" : "-Infinity";
  if (n == 0) return "0";
  int e = 0;
  std::string d = SignificantDigits(n, e);
  std::string s = n < 0 ? "-" : "";
  const int count = static_cast<int>(d.size());
  if (e >= 15 || e < -5) {
    s += d[0];
    if (count > 1) s.append(1, '.').append(d, 1);
    s += e < 0 ? "e-" : "e+";
    s += std::to_string(e < 0 ? -e : e);
  } else if (e < 0) {
    s.append("0.").append(static_cast<size_t>(-e - 1), '0').append(d);
  } else if (count <= e + 1) {
    s.append(d).append(static_cast<size_t>(e + 1 - count), '0');
  } else {
    s.append(d, 0, static_cast<size_t>(e + 1)).append(1, '.').append(d, static_cast<size_t>(e + 1));
  }
  return s;
}

namespace {
// Where the longest decimal number starting at i ends (sign, digits, point, exponent); i when there is none.
size_t DecimalEnd(const std::string& s, size_t i) {
  size_t k = i;
  if (k < s.size() && (s[k] == '+' || s[k] == '-')) ++k;
  size_t digits = 0;
  while (k < s.size() && std::isdigit(static_cast<unsigned char>(s[k]))) ++k, ++digits;
  if (k < s.size() && s[k] == '.') {
    ++k;
    while (k < s.size() && std::isdigit(static_cast<unsigned char>(s[k]))) ++k, ++digits;
  }
  if (digits == 0) return i;
  if (k < s.size() && (s[k] == 'e' || s[k] == 'E')) {
    size_t m = k + 1;
    if (m < s.size() && (s[m] == '+' || s[m] == '-')) ++m;
    size_t expDigits = 0;
    while (m < s.size() && std::isdigit(static_cast<unsigned char>(s[m]))) ++m, ++expDigits;
    if (expDigits) k = m;
  }
  return k;
}

// The fourth version reads the longest prefix that is a number ("12.34A" is 12.34), else 0.
double NumericPrefix(const std::string& s, size_t i) {
  size_t end = DecimalEnd(s, i);
  return end == i ? 0 : std::strtod(s.substr(i, end - i).c_str(), nullptr);
}
}  // namespace

double StringToNumber(const std::string& str, int version) {
  const double invalid = version >= 5 ? std::nan("") : 0.0;
  size_t i = 0, n = str.size();
  auto space = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; };
  while (i < n && space(str[i])) ++i;
  size_t end = n;
  while (end > i && space(str[end - 1])) --end;
  if (i == end) return invalid;
  if (version < 5) return NumericPrefix(str, i);
  std::string s = str.substr(i, end - i);
  // From the sixth version "0x" starts hexadecimal text, whose sign comes after the prefix ("0x-10" is -16), and a
  // leading zero followed only by octal digits starts octal text; the fifth version reads neither.
  if (version >= 6 && s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    size_t k = 2;
    bool negative = false;
    if (s[k] == '-' || s[k] == '+') negative = s[k++] == '-';
    if (k == s.size()) return invalid;
    double v = 0;
    for (; k < s.size(); ++k) {
      char c = s[k];
      int d = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
              : (c >= 'a' && c <= 'f') ? c - 'a' + 10
              : (c >= 'A' && c <= 'F') ? c - 'A' + 10 : -1;
      if (d < 0) return invalid;
      v = v * 16 + d;
    }
    return negative ? -v : v;
  }
  if (version >= 6 && s.size() > 1 && s[0] == '0' &&
      std::all_of(s.begin() + 1, s.end(), [](char c) { return c >= '0' && c <= '7'; })) {
    double v = 0;
    for (size_t k = 1; k < s.size(); ++k) v = v * 8 + (s[k] - '0');
    return v;
  }
  size_t numberEnd = DecimalEnd(s, 0);
  if (numberEnd == 0 || numberEnd != s.size()) return invalid;
  return std::strtod(s.c_str(), nullptr);
}

namespace {
// What the object's toString or valueOf method gives, when that is a primitive; built-ins known to give the
// object's own text or value are answered without a call.
bool ObjectPrimitive(const Value& v, const char* method, Value& out) {
  Object* o = v.AsObject();
  Value m;
  if (!o->Get(method, m) || !m.AsObject() || m.AsObject()->GetKind() != Object::Kind::Function) return false;
  auto* fn = static_cast<FunctionObject*>(m.AsObject());
  if (fn->shortcut == FunctionObject::Shortcut::DefaultString) return false;
  if (fn->shortcut == FunctionObject::Shortcut::DefaultValue) {
    if (o->GetKind() != Object::Kind::Boxed && o->GetKind() != Object::Kind::Date) return false;
    out = static_cast<BoxObject*>(o)->primitive;
    return true;
  }
  return o->GetHeap().Invoke(fn, v, {}, out) && !out.IsObject();
}
}  // namespace

double ToNumber(const Value& v, int version) {
  switch (v.Type()) {
    case ValueType::Undefined:
    case ValueType::Null: return version >= 7 ? std::nan("") : 0.0;
    case ValueType::Boolean: return v.AsBool() ? 1 : 0;
    case ValueType::Number: return v.AsNumber();
    case ValueType::String: return StringToNumber(v.AsString(), version);
    case ValueType::Object: {
      Value prim;
      return ObjectPrimitive(v, "valueOf", prim) ? ToNumber(prim, version) : std::nan("");
    }
  }
  return std::nan("");
}

std::string ToString(const Value& v, int version) {
  switch (v.Type()) {
    case ValueType::Undefined: return version >= 7 ? "undefined" : "";
    case ValueType::Null: return "null";
    case ValueType::Boolean: return version < 5 ? (v.AsBool() ? "1" : "0") : v.AsBool() ? "true" : "false";
    case ValueType::Number: return NumberToString(v.AsNumber());
    case ValueType::String: return v.AsString();
    case ValueType::Object: {
      // The method may change whatever v refers to, so the object is held on to first.
      Value self = v;
      Value prim;
      return ObjectPrimitive(self, "toString", prim) ? ToString(prim, version) : self.AsObject()->DefaultString(version);
    }
  }
  return "";
}

bool ToBoolean(const Value& v, int version) {
  switch (v.Type()) {
    case ValueType::Undefined:
    case ValueType::Null: return false;
    case ValueType::Boolean: return v.AsBool();
    case ValueType::Number: return v.AsNumber() != 0 && !std::isnan(v.AsNumber());
    case ValueType::String: {
      if (version >= 7) return !v.AsString().empty();
      double n = StringToNumber(v.AsString(), version);
      return n != 0 && !std::isnan(n);
    }
    case ValueType::Object: return true;
  }
  return false;
}

int32_t ToInt32(double n) {
  if (!std::isfinite(n)) return 0;
  double m = std::fmod(std::trunc(n), 4294967296.0);
  if (m < 0) m += 4294967296.0;
  return static_cast<int32_t>(static_cast<uint32_t>(m));
}

std::string Object::Key(const std::string& name) const {
  if (heap_.CaseSensitive()) return name;
  std::string k = name;
  for (char& c : k) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return k;
}

uint16_t HiddenFlags(int version) {
  if (version <= 5) return kFromVersion6 | kFromVersion7 | kFromVersion8 | kFromVersion9 | kFromVersion10;
  if (version == 6) return kNotInVersion6 | kFromVersion7 | kFromVersion8 | kFromVersion9 | kFromVersion10;
  if (version == 7) return kFromVersion8 | kFromVersion9 | kFromVersion10;
  if (version == 8) return kFromVersion9 | kFromVersion10;
  if (version == 9) return kFromVersion10;
  return 0;
}

const Property* Object::FindOwn(const std::string& name) const {
  auto it = props_.find(Key(name));
  if (it == props_.end() || (it->second.flags & heap_.Hidden())) return nullptr;
  return &it->second;
}

Property* Object::FindAny(const std::string& name) {
  auto it = props_.find(Key(name));
  return it == props_.end() ? nullptr : &it->second;
}

bool Object::Read(const Property& p, Object* receiver, Value& out) const {
  if (!p.Accessor()) {
    out = p.value;
    return true;
  }
  Object* getter = p.getter;  // the getter may change the property table
  if (!heap_.Invoke(getter, Value(receiver), {}, out)) out = Value();
  return true;
}

bool Object::GetOwn(const std::string& name, Value& out) const {
  const Property* p = FindOwn(name);
  return p && Read(*p, const_cast<Object*>(this), out);
}

bool Object::Get(const std::string& name, Value& out) {
  // Prototype chains may be cyclic when a script makes them so.
  Object* o = this;
  for (int depth = 0; o && depth < 256; ++depth, o = o->proto_) {
    if (depth > 0 && o == this) break;
    if (const Property* p = o->FindOwn(name)) return o->Read(*p, this, out);
  }
  return false;
}

bool Object::WriteSpecial(const std::string& name, const Value& v) {
  Value stored = v;
  bool watched = false;
  if (watchers_) {
    auto it = watchers_->find(Key(name));
    if (it != watchers_->end()) {
      watched = true;
      Object* handler = it->second.handler;
      Value old;
      GetOwn(name, old);
      Value args[4] = {Value(name), old, v, it->second.data};
      if (!heap_.Invoke(handler, Value(this), args, stored)) stored = v;
    }
  }
  Object* o = this;
  for (int depth = 0; o && depth < 256; ++depth, o = o->proto_) {
    if (depth > 0 && o == this) break;
    const Property* p = o->FindOwn(name);
    if (!p) continue;
    if (!p->Accessor()) break;
    Object* setter = p->setter;
    Value ignored;
    Value arg[1] = {stored};
    if (setter) heap_.Invoke(setter, Value(this), arg, ignored);
    return true;
  }
  if (!watched) return false;
  auto [it, added] = props_.try_emplace(Key(name));
  if (added) {
    it->second.name = name;
    it->second.order = nextOrder_++;
  }
  if (!(it->second.flags & kReadOnly)) it->second.value = stored;
  return true;
}

void Object::Set(const std::string& name, const Value& v) {
  if (heap_.HasSpecialProperties() && WriteSpecial(name, v)) return;
  auto [it, added] = props_.try_emplace(Key(name));
  if (added) {
    it->second.name = name;
    it->second.order = nextOrder_++;
  } else if (it->second.flags & heap_.Hidden()) {
    // A built-in the movie's version does not have gives way to the movie's own property of that name.
    it->second = Property{name, v, 0, nextOrder_++};
    return;
  } else if (it->second.flags & kReadOnly) {
    return;
  }
  it->second.value = v;
}

bool Object::Delete(const std::string& name) {
  auto it = props_.find(Key(name));
  if (it == props_.end() || (it->second.flags & (kDontDelete | heap_.Hidden()))) return false;
  props_.erase(it);
  return true;
}

bool Object::HasOwn(const std::string& name) const { return FindOwn(name) != nullptr; }

void Object::SetFlags(const std::string& name, uint16_t flags) {
  if (Property* p = FindAny(name)) p->flags = flags;
}

bool Object::GetFlags(const std::string& name, uint16_t& flags) const {
  const Property* p = const_cast<Object*>(this)->FindAny(name);
  if (!p) return false;
  flags = p->flags;
  return true;
}

std::vector<std::string> Object::OwnNames() const {
  std::vector<const Property*> own;
  for (auto& [k, p] : props_) own.push_back(&p);
  std::sort(own.begin(), own.end(), [](const Property* a, const Property* b) { return a->order < b->order; });
  std::vector<std::string> out;
  for (auto* p : own) out.push_back(p->name);
  return out;
}

bool Object::AddAccessor(const std::string& name, Object* getter, Object* setter) {
  auto [it, added] = props_.try_emplace(Key(name));
  if (added) {
    it->second.name = name;
    it->second.order = nextOrder_++;
  } else if (it->second.flags & heap_.Hidden()) {
    it->second.flags = 0;
  } else if (it->second.flags & kReadOnly) {
    return false;
  }
  it->second.value = Value();
  it->second.getter = getter;
  it->second.setter = setter;
  heap_.MarkSpecialProperties();
  return true;
}

void Object::Watch(const std::string& name, Object* handler, const Value& data) {
  if (!watchers_) watchers_ = std::make_unique<std::unordered_map<std::string, Watcher>>();
  (*watchers_)[Key(name)] = Watcher{handler, data};
  heap_.MarkSpecialProperties();
}

bool Object::Unwatch(const std::string& name) { return watchers_ && watchers_->erase(Key(name)) != 0; }

std::vector<std::string> Object::Keys() const {
  std::vector<const Property*> own;
  for (auto& [k, p] : props_)
    if (!(p.flags & (kDontEnum | heap_.Hidden()))) own.push_back(&p);
  std::sort(own.begin(), own.end(), [](const Property* a, const Property* b) { return a->order < b->order; });
  std::vector<std::string> out;
  for (auto* p : own) out.push_back(p->name);
  return out;
}

std::string Object::DefaultString(int) const { return "[object Object]"; }

void Object::Trace(std::vector<Object*>& out) const {
  if (proto_) out.push_back(proto_);
  for (auto& [k, p] : props_) {
    if (Object* o = p.value.AsObject()) out.push_back(o);
    if (p.getter) out.push_back(p.getter);
    if (p.setter) out.push_back(p.setter);
  }
  if (watchers_) {
    for (auto& [k, w] : *watchers_) {
      out.push_back(w.handler);
      if (Object* o = w.data.AsObject()) out.push_back(o);
    }
  }
}

bool BoxObject::Get(const std::string& name, Value& out) {
  if (primitive.IsString() && NameIs(name, "length")) {
    out = Value(static_cast<double>(TextLength(primitive.AsString(), GetHeap().Utf16())));
    return true;
  }
  return Object::Get(name, out);
}

std::string BoxObject::DefaultString(int version) const { return ToString(primitive, version); }

namespace {
bool IndexOf(const std::string& name, size_t& index) {
  if (name.empty() || name.size() > 9) return false;
  size_t v = 0;
  for (char c : name) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    v = v * 10 + static_cast<size_t>(c - '0');
  }
  if (name.size() > 1 && name[0] == '0') return false;
  index = v;
  return true;
}
thread_local int joinDepth = 0;
}  // namespace

bool ArrayObject::Get(const std::string& name, Value& out) {
  size_t i;
  if (IndexOf(name, i)) {
    if (i < elements.size()) {
      out = elements[i];
      return true;
    }
    return Object::Get(name, out);
  }
  if (NameIs(name, "length")) {
    out = Value(static_cast<double>(elements.size()));
    return true;
  }
  return Object::Get(name, out);
}

void ArrayObject::Set(const std::string& name, const Value& v) {
  size_t i;
  if (IndexOf(name, i)) {
    if (i >= kMaxLength) return;
    if (i >= elements.size()) {
      GetHeap().Charge((i + 1 - elements.size()) * sizeof(Value));
      elements.resize(i + 1);
    }
    elements[i] = v;
    return;
  }
  if (NameIs(name, "length")) {
    double n = ToNumber(v, 7);
    if (n >= 0 && n <= kMaxLength) {
      auto len = static_cast<size_t>(n);
      if (len > elements.size()) GetHeap().Charge((len - elements.size()) * sizeof(Value));
      elements.resize(len);
    }
    return;
  }
  Object::Set(name, v);
}

std::vector<std::string> ArrayObject::Keys() const {
  GetHeap().Charge(elements.size() * 16);
  std::vector<std::string> out;
  // Elements holding undefined count as holes, which are not properties of the array.
  for (size_t i = 0; i < elements.size(); ++i)
    if (!elements[i].IsUndefined()) out.push_back(std::to_string(i));
  auto rest = Object::Keys();
  out.insert(out.end(), rest.begin(), rest.end());
  return out;
}

std::string ArrayObject::DefaultString(int version) const {
  if (joinDepth > 8) return "";
  ++joinDepth;
  std::string s;
  // Elements are copied before conversion, as a toString method may change the array.
  for (size_t i = 0; i < elements.size() && s.size() < (1u << 20); ++i) {
    if (i) s += ',';
    Value e = elements[i];
    s += ToString(e, version);
  }
  GetHeap().Charge(s.size() + elements.size());
  --joinDepth;
  return s;
}

void ArrayObject::Trace(std::vector<Object*>& out) const {
  Object::Trace(out);
  for (auto& v : elements)
    if (Object* o = v.AsObject()) out.push_back(o);
}

void FunctionObject::Trace(std::vector<Object*>& out) const {
  Object::Trace(out);
  for (Object* o : script.scope) out.push_back(o);
  if (script.definingClip) out.push_back(script.definingClip);
}

Heap::~Heap() { Clear(); }

void Heap::Clear() {
  // Destructors never touch other objects, so the order does not matter.
  pinned_.clear();
  objects_.clear();
}

bool Heap::Invoke(Object* fn, const Value& self, std::span<const Value> args, Value& out) {
  // Getters that read themselves, or toString methods that convert their own object, must end.
  constexpr int kMaxInvokeDepth = 8;
  if (!invoker_ || !fn || invokeDepth_ >= kMaxInvokeDepth || blocked_) return false;
  ++invokeDepth_;
  out = invoker_(fn, self, args);
  --invokeDepth_;
  return true;
}

void Heap::Pin(size_t slot, Object* o) {
  assert(slot < 64);
  if (pinned_.size() <= slot) pinned_.resize(slot + 1, nullptr);
  pinned_[slot] = o;
}

void Heap::Collect(const std::vector<Object*>& roots) {
  for (auto& o : objects_) o->marked = false;
  std::vector<Object*> work(roots.begin(), roots.end());
  work.insert(work.end(), pinned_.begin(), pinned_.end());
  while (!work.empty()) {
    Object* o = work.back();
    work.pop_back();
    if (!o || o->marked) continue;
    o->marked = true;
    o->Trace(work);
  }
  auto dead = std::partition(objects_.begin(), objects_.end(), [](const auto& o) { return o->marked; });
  objects_.erase(dead, objects_.end());
}

}  // namespace swf
