// Display objects of a playing movie: their placement properties by name and by index, and target paths.
#include "runtime.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <numbers>

namespace swf {
namespace {

constexpr const char* kPropertyNames[kPropCount] = {
    "_x", "_y", "_xscale", "_yscale", "_currentframe", "_totalframes", "_alpha", "_visible", "_width", "_height",
    "_rotation", "_target", "_framesloaded", "_name", "_droptarget", "_url", "_highquality", "_focusrect",
    "_soundbuftime", "_quality", "_xmouse", "_ymouse"};

constexpr const char* kQualityNames[3] = {"LOW", "HIGH", "BEST"};

int PropertyIndexOf(const std::string& name, bool caseSensitive) {
  for (int i = 0; i < kPropCount; ++i) {
    const char* p = kPropertyNames[i];
    if (name.size() != std::char_traits<char>::length(p)) continue;
    bool same = true;
    for (size_t k = 0; k < name.size() && same; ++k)
      same = caseSensitive ? name[k] == p[k] : std::tolower(static_cast<unsigned char>(name[k])) == p[k];
    if (same) return i;
  }
  return -1;
}

double Scale(double a, double b) { return std::sqrt(a * a + b * b); }

bool SameMatrix(const Matrix& x, const Matrix& y) {
  return x.a == y.a && x.b == y.b && x.c == y.c && x.d == y.d && x.tx == y.tx && x.ty == y.ty;
}

// The scales and rotation of o: as a script last wrote them, or else as its matrix gives them.
DisplayObject::WrittenTransform Decomposed(const DisplayObject& o) {
  if (o.written.valid && SameMatrix(o.written.appliedTo, o.matrix)) return o.written;
  const Matrix& m = o.matrix;
  DisplayObject::WrittenTransform t;
  t.xScale = Scale(m.a, m.b) * 100.0;
  t.yScale = Scale(m.c, m.d) * 100.0;
  t.rotation = std::atan2(m.b, m.a) * 180.0 / std::numbers::pi;
  return t;
}

// Keeps what a script wrote, for the matrix as it is now.
void Remember(DisplayObject& o, DisplayObject::WrittenTransform t) {
  t.appliedTo = o.matrix;
  t.valid = true;
  o.written = t;
  o.scriptTransformed = true;
}

// Gives one axis of the matrix a new length, keeping its direction (or the rotation's when it had none).
void ScaleAxis(Matrix& m, bool x, double s, double rotationDegrees) {
  double& p = x ? m.a : m.c;
  double& q = x ? m.b : m.d;
  double cur = Scale(p, q);
  if (cur < 1e-9) {
    double r = std::isfinite(rotationDegrees) ? rotationDegrees * std::numbers::pi / 180.0 : 0;
    if (x) p = s * std::cos(r), q = s * std::sin(r);
    else p = -s * std::sin(r), q = s * std::cos(r);
  } else {
    p *= s / cur;
    q *= s / cur;
  }
}

}  // namespace

Matrix DisplayObject::StageMatrix() const {
  Matrix m = matrix;
  int guard = 0;
  for (const ClipObject* p = parent; p && guard < 1024; p = p->parent, ++guard) m = p->matrix * m;
  return m;
}

std::string DisplayObject::SlashPath() const {
  std::string s;
  int guard = 0;
  const DisplayObject* o = this;
  for (; o->parent && guard < 1024; o = o->parent, ++guard) s = "/" + o->name + s;
  // Level 0 is the root of slash paths; the levels above name themselves.
  int level = o->type == Type::Clip ? std::max(static_cast<const ClipObject*>(o)->level, 0) : 0;
  if (level > 0) return "_level" + std::to_string(level) + s;
  return s.empty() ? "/" : s;
}

std::string DisplayObject::DotPath() const {
  std::string s;
  int guard = 0;
  const DisplayObject* o = this;
  for (; o->parent && guard < 1024; o = o->parent, ++guard) s = "." + o->name + s;
  int level = o->type == Type::Clip ? std::max(static_cast<const ClipObject*>(o)->level, 0) : 0;
  return "_level" + std::to_string(level) + s;
}

void DisplayObject::Trace(std::vector<Object*>& out) const {
  Object::Trace(out);
  if (parent) out.push_back(parent);
}

bool TextInstance::Binding(DisplayObject*& owner, std::string& leaf) const {
  const std::string& var = def->variable;
  if (var.empty() || !parent || removed) return false;
  std::string path;
  leaf = var;
  size_t cut = var.find_last_of(":.");
  if (cut != std::string::npos) path = var.substr(0, cut), leaf = var.substr(cut + 1);
  owner = path.empty() ? parent : rt.ResolveTarget(parent, path);
  return owner != nullptr && owner != this;
}

void TextInstance::Refresh() {
  DisplayObject* owner;
  std::string leaf;
  if (busy || !Binding(owner, leaf)) return;
  busy = true;
  Value v;
  if (owner->Get(leaf, v)) text = ToString(v, rt.version);
  else text.clear();
  busy = false;
}

bool TextInstance::Get(const std::string& n, Value& out) {
  if (rt.SameName(n, "text") || rt.SameName(n, "htmlText")) {
    Refresh();
    out = Value(text);
    return true;
  }
  if (rt.SameName(n, "variable")) {
    out = def->variable.empty() ? Value::Null() : Value(def->variable);
    return true;
  }
  if (!n.empty() && n[0] == '_') {
    for (int i = 0; i < kPropCount; ++i) {
      if (rt.SameName(n, kPropertyNames[i])) {
        out = rt.GetProperty(this, i);
        return true;
      }
    }
  }
  return DisplayObject::Get(n, out);
}

void TextInstance::Set(const std::string& n, const Value& v) {
  if (rt.SameName(n, "text") || rt.SameName(n, "htmlText")) {
    text = ToString(v, rt.version);
    DisplayObject* owner;
    std::string leaf;
    if (!busy && Binding(owner, leaf)) {
      busy = true;
      owner->Set(leaf, Value(text));
      busy = false;
    }
    return;
  }
  if (!n.empty() && n[0] == '_') {
    for (int i = 0; i < kPropCount; ++i) {
      if (rt.SameName(n, kPropertyNames[i])) {
        rt.SetProperty(this, i, v);
        return;
      }
    }
  }
  DisplayObject::Set(n, v);
}

Rect ButtonInstance::LocalBounds() const {
  Rect r;
  bool any = false;
  for (const Part& p : parts) {
    if (!(p.states & StateMask())) continue;
    Rect b = p.object->matrix.Transform(p.object->LocalBounds());
    if (!any) r = b; else { r.Include(b.xMin, b.yMin); r.Include(b.xMax, b.yMax); }
    any = true;
  }
  return r;
}

bool DisplayObject::GetPlacementProperty(const std::string& n, Value& out, bool* found) {
  if (n.empty() || n[0] != '_') return false;
  int idx = PropertyIndexOf(n, rt.version >= 7);
  if (idx >= 0) {
    out = rt.GetProperty(this, idx);
    *found = true;
    return true;
  }
  if (!rt.SameName(n, "_parent")) return false;
  out = parent ? Value(static_cast<Object*>(parent)) : Value();
  *found = parent != nullptr;
  return true;
}

bool ButtonInstance::Get(const std::string& n, Value& out) {
  bool found = false;
  if (GetPlacementProperty(n, out, &found)) return found;
  return DisplayObject::Get(n, out);
}

bool DisplayObject::SetPlacementProperty(const std::string& n, const Value& v) {
  if (n.empty() || n[0] != '_') return false;
  int idx = PropertyIndexOf(n, rt.version >= 7);
  if (idx < 0) return false;
  rt.SetProperty(this, idx, v);
  return true;
}

void ButtonInstance::Set(const std::string& n, const Value& v) {
  if (!SetPlacementProperty(n, v)) DisplayObject::Set(n, v);
}

void ButtonInstance::Trace(std::vector<Object*>& out) const {
  DisplayObject::Trace(out);
  for (const Part& p : parts) out.push_back(p.object);
}

Rect ClipObject::LocalBounds() const {
  Rect r;
  bool any = false;
  for (auto& [d, o] : children) {
    Rect lb = o->LocalBounds();
    if (lb.Empty() && o->type == Type::Clip) continue;
    Rect b = o->matrix.Transform(lb);
    if (!any) r = b; else { r.Include(b.xMin, b.yMin); r.Include(b.xMax, b.yMax); }
    any = true;
  }
  return r;
}

void ClipObject::Trace(std::vector<Object*>& out) const {
  DisplayObject::Trace(out);
  for (auto& [d, o] : children) out.push_back(o);
}

DisplayObject* ClipObject::ChildByName(const std::string& n) const { return children.ByName(n); }

bool ClipObject::Get(const std::string& n, Value& out) {
  bool found = false;
  if (GetPlacementProperty(n, out, &found)) return found;
  if (!n.empty() && n[0] == '_') {
    if (rt.SameName(n, "_root")) {
      out = Value(static_cast<Object*>(rt.RootOf(this)));
      return true;
    }
    if (int level; rt.LevelName(n, level)) {
      if (ClipObject* found = rt.LevelRoot(level)) {
        out = Value(static_cast<Object*>(found));
        return true;
      }
    }
  }
  if (GetOwn(n, out)) return true;
  if (DisplayObject* child = ChildByName(n)) {
    out = Value(static_cast<Object*>(child));
    return true;
  }
  return Object::Get(n, out);
}

void ClipObject::Set(const std::string& n, const Value& v) {
  if (!SetPlacementProperty(n, v)) Object::Set(n, v);
}

bool Runtime::SameName(const std::string& a, const std::string& b) const {
  if (version >= 7) return a == b;
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

Value Runtime::GetProperty(DisplayObject* o, int index) {
  if (!o) return {};
  const Matrix& m = o->matrix;
  auto* clip = o->type == DisplayObject::Type::Clip ? static_cast<ClipObject*>(o) : nullptr;
  switch (index) {
    case kPropX: return Value(m.tx / 20.0);
    case kPropY: return Value(m.ty / 20.0);
    case kPropXScale: return Value(Decomposed(*o).xScale);
    case kPropYScale: return Value(Decomposed(*o).yScale);
    case kPropCurrentFrame: return Value(clip ? clip->frame + 1 : 1);
    case kPropTotalFrames:
    case kPropFramesLoaded: return Value(clip ? clip->TotalFrames() : 1);
    case kPropAlpha: return Value(o->cxform.aMul * 100.0);
    case kPropVisible: return version >= 5 ? Value(o->visible) : Value(o->visible ? 1 : 0);
    case kPropWidth:
    case kPropHeight: {
      Rect b = o->matrix.Transform(o->LocalBounds());
      if (o->LocalBounds().Empty()) return Value(0);
      return Value(std::round((index == kPropWidth ? b.xMax - b.xMin : b.yMax - b.yMin)) / 20.0);
    }
    case kPropRotation: return Value(Decomposed(*o).rotation);
    case kPropTarget: return Value(o->SlashPath());
    case kPropName: return Value(o->name);
    case kPropDropTarget: return Value(o->dropTarget);
    case kPropUrl: return Value(UrlOf(o));
    case kPropHighQuality: return Value(quality);
    case kPropFocusRect: return Value(1);
    case kPropSoundBufTime: return Value(5);
    case kPropQuality: return Value(kQualityNames[std::clamp(quality, 0, 2)]);
    case kPropXMouse:
    case kPropYMouse: {
      Matrix inv;
      double x = 0, y = 0;
      if (o->StageMatrix().Invert(inv)) inv.Apply(mouseX, mouseY, x, y);
      return Value(std::round(index == kPropXMouse ? x / 20.0 : y / 20.0));
    }
    default: return {};
  }
}

void Runtime::SetProperty(DisplayObject* o, int index, const Value& v) {
  if (!o) return;
  Matrix& m = o->matrix;
  auto num = [&]() { return ToNumber(v, version); };
  auto finite = [&](double d) { return std::isfinite(d); };
  switch (index) {
    case kPropX: if (finite(num())) m.tx = num() * 20.0, o->scriptTransformed = true; break;
    case kPropY: if (finite(num())) m.ty = num() * 20.0, o->scriptTransformed = true; break;
    case kPropXScale: case kPropYScale: {
      double s = num();
      if (!finite(s)) break;
      DisplayObject::WrittenTransform t = Decomposed(*o);
      (index == kPropXScale ? t.xScale : t.yScale) = s;
      ScaleAxis(m, index == kPropXScale, s / 100.0, t.rotation);
      Remember(*o, t);
      break;
    }
    case kPropAlpha: if (finite(num())) o->cxform.aMul = num() / 100.0, o->scriptTransformed = true; break;
    case kPropVisible: o->visible = ToBoolean(v, version) || (v.IsString() && ToNumber(v, version) != 0); break;
    case kPropWidth: case kPropHeight: {
      double target = num() * 20.0;
      if (!finite(target) || target < 0) break;
      // Without bounds no scale can give the size, and the player sets both scales to 0.
      if (o->LocalBounds().Empty()) {
        DisplayObject::WrittenTransform t = Decomposed(*o);
        t.xScale = t.yScale = 0;
        m.a = m.b = m.c = m.d = 0;
        Remember(*o, t);
        break;
      }
      Rect b = o->matrix.Transform(o->LocalBounds());
      double cur = index == kPropWidth ? b.xMax - b.xMin : b.yMax - b.yMin;
      if (cur <= 0) break;
      double f = target / cur;
      if (index == kPropWidth) m.a *= f, m.c *= f;
      else m.b *= f, m.d *= f;
      o->scriptTransformed = true;
      break;
    }
    // Any rotation is kept in (-180, 180]; one that is not a finite number reads back as NaN.
    case kPropRotation: {
      double deg = num();
      DisplayObject::WrittenTransform t = Decomposed(*o);
      if (std::isfinite(deg)) {
        deg = std::fmod(deg, 360.0);
        if (deg > 180) deg -= 360;
        else if (deg <= -180) deg += 360;
        t.rotation = deg;
        double r = deg * std::numbers::pi / 180.0;
        double sx = t.xScale / 100.0, sy = t.yScale / 100.0;
        m.a = sx * std::cos(r);
        m.b = sx * std::sin(r);
        m.c = -sy * std::sin(r);
        m.d = sy * std::cos(r);
      } else {
        t.rotation = std::nan("");  // the clip keeps its placement
      }
      Remember(*o, t);
      break;
    }
    case kPropName: o->name = ToString(v, version); break;
    case kPropHighQuality: {
      double q = num();
      if (finite(q)) quality = std::clamp(static_cast<int>(q), 0, 2);
      break;
    }
    case kPropQuality: {
      std::string s = ToString(v, version);
      for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      if (s == "LOW") quality = 0;
      else if (s == "MEDIUM" || s == "HIGH") quality = 1;
      else if (s == "BEST") quality = 2;
      break;
    }
    default: break;  // read-only or without effect here
  }
}

}  // namespace swf
