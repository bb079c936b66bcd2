// Target and variable paths: "/a/b:v", "../x", "a.b.v"; where a path splits and which names count where.
#include "interpreter.h"

#include <cctype>

namespace swf {
namespace {

// ".." followed by the end, '/' or ':' climbs to the parent in slash paths.
bool ParentStep(const std::string& path, size_t pos) {
  return path.compare(pos, 2, "..") == 0 &&
         (pos + 2 == path.size() || path[pos + 2] == '/' || path[pos + 2] == ':');
}

// The segment starting at pos, up to the next separator.
std::string SegmentAt(const std::string& path, size_t pos, int version) {
  size_t end = path.find_first_of(version >= 5 ? "/:." : "/:", pos);
  return path.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
}

bool IsDisplay(const Object* o) { return o && o->GetKind() == Object::Kind::Display; }

}  // namespace

bool Runtime::LevelName(const std::string& seg, int& level) const {
  static constexpr size_t kPrefix = 6;  // "_level"
  if (seg.size() <= kPrefix || seg.size() > kPrefix + 5 || !SameName(seg.substr(0, kPrefix), "_level")) return false;
  level = 0;
  for (size_t i = kPrefix; i < seg.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(seg[i]))) return false;
    level = level * 10 + (seg[i] - '0');
  }
  return true;
}

bool Runtime::FirstSegmentOnly(const std::string& seg) const {
  int level;
  return SameName(seg, "_root") || SameName(seg, "this") || LevelName(seg, level);
}

Value Runtime::PathStep(Object* from, const std::string& seg) {
  if (seg.empty() || !from) return {};
  auto* display = IsDisplay(from) ? static_cast<DisplayObject*>(from) : nullptr;
  if (display && display->removed) return {};
  // Child clips come first, whatever variables or properties share their names.
  if (display && display->type == DisplayObject::Type::Clip)
    if (DisplayObject* child = static_cast<ClipObject*>(display)->ChildByName(seg))
      return Value(static_cast<Object*>(child));
  if (FirstSegmentOnly(seg)) return {};
  if (display && SameName(seg, "_parent"))
    return display->parent ? Value(static_cast<Object*>(display->parent)) : Value();
  Value v;
  from->Get(seg, v);
  return v;
}

Value Runtime::FollowPath(Object* from, const std::string& path, size_t pos) {
  Value cur = from ? Value(from) : Value();
  for (int guard = 0; pos < path.size() && guard < 4096; ++guard) {
    Object* o = cur.AsObject();
    if (!o) return {};  // only the last segment may name a string, number or boolean
    if (ParentStep(path, pos)) {
      auto* parent = IsDisplay(o) ? static_cast<DisplayObject*>(o)->parent : nullptr;
      cur = parent ? Value(static_cast<Object*>(parent)) : Value();
      pos += 3;
      continue;
    }
    std::string seg = SegmentAt(path, pos, version);
    pos += seg.size() + 1;
    cur = PathStep(o, seg);
  }
  if (pos < path.size()) return {};  // more segments than any movie nests
  if (IsDisplay(cur.AsObject()) && static_cast<DisplayObject*>(cur.AsObject())->removed) return {};
  return cur;
}

Object* Runtime::AbsoluteStart(const std::string& path, Object* self, size_t& pos, bool& absolute) {
  absolute = true;
  pos = 0;
  if (!path.empty() && path[0] == '/') {
    pos = 1;
    return root;
  }
  std::string seg = SegmentAt(path, 0, version);
  int level;
  Object* start = nullptr;
  if (SameName(seg, "_root")) start = RootOf(self && self->GetKind() == Object::Kind::Display ? static_cast<DisplayObject*>(self) : nullptr);
  else if (LevelName(seg, level)) start = LevelRoot(level);
  else if (SameName(seg, "this")) start = self;
  else if (version >= 6 && SameName(seg, "_global")) start = global;
  else absolute = false;
  if (absolute) pos = seg.size() + 1;
  return start;
}

DisplayObject* Runtime::ResolveTarget(DisplayObject* base, const std::string& path) {
  if (!root) return nullptr;
  if (path.empty()) return base && !base->removed ? base : nullptr;
  size_t pos;
  bool absolute;
  Object* start = AbsoluteStart(path, base, pos, absolute);
  Object* found = FollowPath(absolute ? start : base, path, pos).AsObject();
  return IsDisplay(found) ? static_cast<DisplayObject*>(found) : nullptr;
}

size_t Interpreter::PathCut(const std::string& name, int version) {
  if (version < 5) return name.rfind(':');
  for (size_t i = name.size(); i-- > 0;) {
    if (name[i] == ':') return i;
    // The dots of ".." climb; they do not end the target part.
    if (name[i] == '.' && !(i > 0 && name[i - 1] == '.') && !(i + 1 < name.size() && name[i + 1] == '.')) return i;
  }
  return std::string::npos;
}

Value Interpreter::ResolvePath(Context& c, const std::string& path, const std::function<bool(const Value&)>& accept) {
  size_t pos;
  bool absolute;
  Object* start = rt_.AbsoluteStart(path, c.self.AsObject(), pos, absolute);
  if (absolute) {
    Value found = rt_.FollowPath(start, path, pos);
    return !found.IsUndefined() && !found.IsNull() && accept(found) ? found : Value();
  }
  // A relative path is tried on each scope in turn, innermost first.
  std::vector<Object*> scopes;
  for (auto it = c.with.rbegin(); it != c.with.rend(); ++it) scopes.push_back(it->object);
  if (c.activation) scopes.push_back(c.activation);
  for (auto it = c.scope.rbegin(); it != c.scope.rend(); ++it)
    if (*it) scopes.push_back(*it);
  scopes.push_back(Base(c));
  scopes.push_back(rt_.global);
  for (Object* scope : scopes) {
    if (!scope) continue;
    Value found = rt_.FollowPath(scope, path, 0);
    if (!found.IsUndefined() && !found.IsNull() && accept(found)) return found;
    if (rt_.aborted) break;
  }
  return {};
}

Value Interpreter::GetVar(Context& c, const std::string& name) {
  size_t cut = PathCut(name, c.version);
  if (cut != std::string::npos) {
    std::string var = name.substr(cut + 1);
    Value out;
    // The first object the target part leads to that has the variable gives it.
    ResolvePath(c, name.substr(0, cut), [&](const Value& owner) {
      Object* o = owner.AsObject();
      if (!o) {
        out = GetMember(c, owner, var);  // "s.length" of a string
        return true;
      }
      if (rt_.SameName(var, "__proto__")) {
        out = o->Proto() ? Value(o->Proto()) : Value();
        return o->Proto() != nullptr;
      }
      return o->Get(var, out);
    });
    return out;
  }
  if (name.find('/') != std::string::npos) {
    return ResolvePath(c, name, [](const Value&) { return true; });
  }
  Value v;
  Lookup(c, name, v);
  return v;
}

void Interpreter::SetVar(Context& c, const std::string& name, const Value& v) {
  size_t cut = PathCut(name, c.version);
  if (cut != std::string::npos) {
    // The first object the target part leads to takes the value; a path that leads nowhere loses it.
    Value owner = ResolvePath(c, name.substr(0, cut), [](const Value& o) { return o.IsObject(); });
    SetMember(owner, name.substr(cut + 1), v);
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

}  // namespace swf
