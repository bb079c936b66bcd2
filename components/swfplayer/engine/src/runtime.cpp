// Timelines, display objects, properties, paths and mouse handling of a playing movie.
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

}  // namespace

Matrix DisplayObject::StageMatrix() const {
  Matrix m = matrix;
  int guard = 0;
  for (const ClipObject* p = parent; p && guard < 1024; p = p->parent, ++guard) m = p->matrix * m;
  return m;
}

std::string DisplayObject::SlashPath() const {
  if (!parent) return "/";
  std::string s;
  int guard = 0;
  for (const DisplayObject* o = this; o->parent && guard < 1024; o = o->parent, ++guard) s = "/" + o->name + s;
  return s;
}

std::string DisplayObject::DotPath() const {
  std::string s;
  int guard = 0;
  for (const DisplayObject* o = this; o->parent && guard < 1024; o = o->parent, ++guard) s = "." + o->name + s;
  return "_level0" + s;
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

DisplayObject* ClipObject::ChildByName(const std::string& n) const {
  for (auto& [d, o] : children)
    if (rt.SameName(o->name, n)) return o;
  return nullptr;
}

bool ClipObject::Get(const std::string& n, Value& out) {
  bool found = false;
  if (GetPlacementProperty(n, out, &found)) return found;
  if (!n.empty() && n[0] == '_') {
    if (rt.SameName(n, "_root") || rt.SameName(n, "_level0")) {
      out = Value(static_cast<Object*>(rt.root));
      return true;
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

bool Runtime::Load(std::shared_ptr<const MovieDef> m) {
  Unload();
  movie = std::move(m);
  version = movie->header.version;
  heap.SetCaseSensitive(version >= 7);
  background = movie->background;
  InstallGlobals(*this);
  InstallClipMethods(*this);
  auto empty = std::make_shared<TimelineDef>();
  empty->frames.emplace_back();
  emptyClip.kind = Character::Kind::Sprite;
  emptyClip.sprite = std::move(empty);
  root = heap.Make<ClipObject>(clipProto, *this, &movie->main);
  root->name = "";
  return true;
}

void Runtime::Unload() {
  queue.clear();
  timers.clear();
  classes.clear();
  nextTimerId = 1;
  root = nullptr;
  global = objectProto = functionProto = arrayProto = clipProto = nullptr;
  hover = pressed = nullptr;
  dragged = nullptr;
  keyObject = mouseObject = nullptr;
  keysDown.clear();
  lastKey = lastAscii = 0;
  heap.Clear();
  movie.reset();
  started = false;
  tick = 0;
  timeMs = 0;
  initDone.clear();
}

void Runtime::BeginBudget() {
  actionsThisFrame = 0;
  aborted = false;
  heap.ResetCharge(limits.bytesPerFrame);
}

bool Runtime::Advance() {
  if (!root) return false;
  ++tick;
  BeginBudget();
  scriptRan = false;
  if (!started) {
    started = true;
    root->bornTick = tick;
    EnterFrame(root, 0, true);
  } else {
    // enterFrame handlers run before the scripts of the frames the timelines move to.
    QueueEnterFrames(root);
    AdvanceClip(root);
  }
  RunQueue();
  RunTimers();
  Collect();
  return scriptRan;
}

namespace {
const char* HandlerOf(uint32_t event) {
  switch (event) {
    case kClipLoad: return "onLoad";
    case kClipEnterFrame: return "onEnterFrame";
    case kClipUnload: return "onUnload";
    case kClipMouseMove: return "onMouseMove";
    case kClipMouseDown: return "onMouseDown";
    case kClipMouseUp: return "onMouseUp";
    case kClipData: return "onData";
    case kClipPress: return "onPress";
    case kClipRelease: return "onRelease";
    case kClipReleaseOutside: return "onReleaseOutside";
    case kClipRollOver: return "onRollOver";
    case kClipRollOut: return "onRollOut";
    case kClipDragOver: return "onDragOver";
    case kClipDragOut: return "onDragOut";
    default: return nullptr;
  }
}

uint32_t ClipEventOf(uint16_t condition) {
  switch (condition) {
    case kIdleToOverUp: return kClipRollOver;
    case kOverUpToIdle: return kClipRollOut;
    case kOverUpToOverDown: return kClipPress;
    case kOverDownToOverUp: return kClipRelease;
    case kOutDownToIdle: return kClipReleaseOutside;
    case kOverDownToOutDown: return kClipDragOut;
    case kOutDownToOverDown: return kClipDragOver;
    default: return 0;
  }
}

const char* ButtonHandlerOf(uint16_t condition) {
  switch (condition) {
    case kIdleToOverUp: return "onRollOver";
    case kOverUpToIdle: return "onRollOut";
    case kOverUpToOverDown: return "onPress";
    case kOverDownToOverUp: return "onRelease";
    case kOutDownToIdle: return "onReleaseOutside";
    case kOverDownToOutDown: return "onDragOut";
    case kOutDownToOverDown: return "onDragOver";
    default: return nullptr;
  }
}

constexpr const char* kMouseHandlers[] = {"onPress", "onRelease", "onReleaseOutside", "onRollOver",
                                          "onRollOut", "onDragOver", "onDragOut"};

bool HasFunction(DisplayObject* o, const char* name) {
  Value v;
  return o->Get(name, v) && v.AsObject() && v.AsObject()->GetKind() == Object::Kind::Function;
}
}  // namespace

void Runtime::QueueHandler(DisplayObject* o, const char* method, bool unloading) {
  if (!o || !method || !HasFunction(o, method)) return;
  PendingScript s;
  s.clip = o->type == DisplayObject::Type::Clip ? static_cast<ClipObject*>(o) : o->parent;
  s.object = o;
  s.method = method;
  s.unloading = unloading;
  queue.push_back(std::move(s));
}

void Runtime::QueueClipEvent(ClipObject* clip, uint32_t event, bool unloading) {
  for (const ClipAction& a : clip->clipActions) {
    if (!(a.events & event)) continue;
    PendingScript s;
    s.clip = clip;
    s.code = a.code;
    s.unloading = unloading;
    queue.push_back(std::move(s));
  }
  QueueHandler(clip, HandlerOf(event), unloading);
}

void Runtime::QueueClipEventEverywhere(DisplayObject* o, uint32_t event, int depth) {
  if (depth > 64 || o->removed || o->type != DisplayObject::Type::Clip) return;
  auto* clip = static_cast<ClipObject*>(o);
  QueueClipEvent(clip, event);
  for (auto& [d, c] : clip->children) QueueClipEventEverywhere(c, event, depth + 1);
}

void Runtime::QueueEnterFrames(ClipObject* clip, int depth) {
  if (depth > 64 || clip->removed) return;
  QueueClipEvent(clip, kClipEnterFrame);
  for (auto& [d, o] : clip->children) {
    if (o->type == DisplayObject::Type::Clip) {
      QueueEnterFrames(static_cast<ClipObject*>(o), depth + 1);
    } else if (o->type == DisplayObject::Type::Button) {
      for (auto& part : static_cast<ButtonInstance*>(o)->parts)
        if (part.object->type == DisplayObject::Type::Clip) QueueEnterFrames(static_cast<ClipObject*>(part.object), depth + 1);
    }
  }
}

void Runtime::StartDrag(DisplayObject* o, bool lockCenter, const Rect* bounds) {
  dragged = o;
  dragLockCenter = lockCenter;
  dragConstrained = bounds != nullptr;
  if (bounds) dragBounds = *bounds;
  dragOffsetX = dragOffsetY = 0;
  if (!o || lockCenter) return;
  Matrix inv;
  double px = mouseX, py = mouseY;
  if (o->parent && o->parent->StageMatrix().Invert(inv)) inv.Apply(mouseX, mouseY, px, py);
  dragOffsetX = o->matrix.tx - px;
  dragOffsetY = o->matrix.ty - py;
}

void Runtime::Drag() {
  DisplayObject* o = dragged;
  if (!o || o->removed) return;
  Matrix inv;
  double px = mouseX, py = mouseY;
  if (o->parent && o->parent->StageMatrix().Invert(inv)) inv.Apply(mouseX, mouseY, px, py);
  double x = px + dragOffsetX, y = py + dragOffsetY;
  if (dragConstrained) {
    x = std::clamp(x, std::min(dragBounds.xMin, dragBounds.xMax), std::max(dragBounds.xMin, dragBounds.xMax));
    y = std::clamp(y, std::min(dragBounds.yMin, dragBounds.yMax), std::max(dragBounds.yMin, dragBounds.yMax));
  }
  o->matrix.tx = x;
  o->matrix.ty = y;
  o->scriptTransformed = true;
}

void Runtime::AdvanceClip(ClipObject* clip) {
  if (clip->removed) return;
  if (clip->bornTick != tick) {
    if (clip->playing) {
      int next = clip->frame + 1;
      if (next >= clip->TotalFrames()) {
        if (clip == root && !loop) {
          clip->playing = false;
          next = clip->frame;
        } else {
          next = 0;
        }
      }
      if (next != clip->frame) GotoFrame(clip, next);
    }
  }
  // Children added by this frame were entered at their first frame already.
  std::vector<DisplayObject*> kids;
  for (auto& [d, o] : clip->children) kids.push_back(o);
  for (DisplayObject* o : kids) {
    if (o->removed) continue;
    if (o->type == DisplayObject::Type::Clip) {
      AdvanceClip(static_cast<ClipObject*>(o));
    } else if (o->type == DisplayObject::Type::Button) {
      for (auto& part : static_cast<ButtonInstance*>(o)->parts)
        if (part.object->type == DisplayObject::Type::Clip) AdvanceClip(static_cast<ClipObject*>(part.object));
    }
  }
}

void Runtime::EnterFrame(ClipObject* clip, int frame, bool withActions) {
  const Frame& f = clip->timeline->frames[static_cast<size_t>(frame)];
  clip->frame = frame;
  // Init actions run first, then the constructors of the classes of the clips the frame places,
  // then the frame's own scripts, then those of the clips it places.
  std::vector<PendingScript> init;
  for (const ControlTag& t : f.tags)
    if (t.kind == ControlTag::Kind::InitAction && initDone.insert(t.spriteId).second) init.push_back({clip, t.code});
  queue.insert(queue.begin(), init.begin(), init.end());
  size_t mark = queue.size();
  for (const ControlTag& t : f.tags)
    if (t.kind == ControlTag::Kind::Action && withActions) queue.push_back({clip, t.code});
  std::vector<PendingScript> made;
  std::vector<PendingScript>* outer = constructs;
  constructs = &made;
  for (const ControlTag& t : f.tags) {
    switch (t.kind) {
      case ControlTag::Kind::Place: ApplyPlace(clip, t.place); break;
      case ControlTag::Kind::Remove: RemoveChild(clip, t.place.depth); break;
      case ControlTag::Kind::Background: if (clip == root) background = t.color; break;
      default: break;
    }
  }
  constructs = outer;
  queue.insert(queue.begin() + static_cast<std::ptrdiff_t>(std::min(mark, queue.size())), made.begin(), made.end());
}

Value Runtime::RegisteredClass(uint16_t characterId) const {
  if (!movie || classes.empty()) return {};
  for (auto& [name, id] : movie->exports) {
    if (id != characterId) continue;
    for (auto& [registered, ctor] : classes)
      if (SameName(registered, name)) return ctor;
  }
  return {};
}

Value Runtime::AttachClass(ClipObject* clip) {
  Value ctor = RegisteredClass(clip->characterId);
  Object* f = ctor.AsObject();
  if (!f || f->GetKind() != Object::Kind::Function) return {};
  Value proto;
  if (f->Get("prototype", proto) && proto.AsObject()) clip->SetProto(proto.AsObject());
  return ctor;
}

void Runtime::GotoFrame(ClipObject* clip, int frame) {
  if (!clip || clip->removed) return;
  frame = std::clamp(frame, 0, clip->TotalFrames() - 1);
  if (frame == clip->frame) return;
  if (frame == clip->frame + 1) {
    EnterFrame(clip, frame, true);
    return;
  }
  // A jump: only the target frame's actions run, and the display list becomes what the
  // timeline holds there. Objects of skipped frames are never made. Going forward starts
  // from what is shown; going back starts from nothing, keeping objects present in both.
  bool forward = frame > clip->frame;
  std::map<int, PlaceTag> want;
  if (forward) {
    for (auto& [d, o] : clip->children) {
      if (d >= kScriptDepth) continue;
      PlaceTag p;
      p.depth = static_cast<uint16_t>(d);
      p.hasCharacter = true;
      p.characterId = o->characterId;
      want[d] = p;
    }
  }
  std::vector<PendingScript> init;
  for (int f = forward ? clip->frame + 1 : 0; f <= frame; ++f) {
    for (const ControlTag& t : clip->timeline->frames[static_cast<size_t>(f)].tags) {
      if (t.kind == ControlTag::Kind::Remove) {
        want.erase(t.place.depth);
      } else if (t.kind == ControlTag::Kind::Place) {
        const PlaceTag& p = t.place;
        auto it = want.find(p.depth);
        if (it == want.end()) {
          if (p.hasCharacter) want[p.depth] = p;
          continue;
        }
        PlaceTag& w = it->second;
        if (p.hasCharacter && !p.move) continue;
        if (p.hasCharacter) w.characterId = p.characterId;
        if (p.hasMatrix) w.matrix = p.matrix, w.hasMatrix = true;
        if (p.hasCxform) w.cxform = p.cxform, w.hasCxform = true;
        if (p.hasRatio) w.ratio = p.ratio, w.hasRatio = true;
        if (p.hasName) w.name = p.name, w.hasName = true;
        if (p.hasClipDepth) w.clipDepth = p.clipDepth, w.hasClipDepth = true;
        if (p.hasCharacter && !p.clipActions.empty()) w.clipActions = p.clipActions;
      } else if (t.kind == ControlTag::Kind::Background && clip == root) {
        background = t.color;
      } else if (t.kind == ControlTag::Kind::InitAction && forward && initDone.insert(t.spriteId).second) {
        init.push_back({clip, t.code});
      }
    }
  }
  queue.insert(queue.begin(), init.begin(), init.end());
  for (const ControlTag& t : clip->timeline->frames[static_cast<size_t>(frame)].tags)
    if (t.kind == ControlTag::Kind::Action) queue.push_back({clip, t.code});
  // Clips a script put at timeline depths go as well when the timeline is rebuilt from its start.
  std::vector<int> drop;
  for (auto& [d, o] : clip->children) {
    if (d >= kScriptDepth) continue;
    auto it = want.find(d);
    if (it == want.end() || it->second.characterId != o->characterId || (!forward && o->placedByScript)) drop.push_back(d);
  }
  for (int d : drop) RemoveChild(clip, d);
  clip->frame = frame;
  for (auto& [d, w] : want) {
    PlaceTag p = w;
    bool present = clip->children.count(d) != 0;
    p.move = present;
    p.hasCharacter = !present;
    ApplyPlace(clip, p);
  }
}

void Runtime::ApplyPlace(ClipObject* clip, const PlaceTag& p) {
  int depth = p.depth;
  auto it = clip->children.find(depth);
  DisplayObject* existing = it == clip->children.end() ? nullptr : it->second;
  if (!p.hasCharacter) {
    if (!p.move || !existing) return;
    if (!existing->scriptTransformed) {
      if (p.hasMatrix) existing->matrix = p.matrix;
      if (p.hasCxform) existing->cxform = p.cxform;
    }
    if (p.hasRatio) existing->ratio = p.ratio;
    if (p.hasName) existing->name = p.name;
    if (p.hasClipDepth) existing->clipDepth = p.clipDepth;
    return;
  }
  const Character* c = movie->Find(p.characterId);
  if (!c || c->kind == Character::Kind::Font || c->kind == Character::Kind::Bitmap) return;
  if (existing && !p.move) return;  // the depth is taken
  PlaceTag eff = p;
  if (existing) {
    if (!p.hasMatrix) eff.matrix = existing->matrix, eff.hasMatrix = true;
    if (!p.hasCxform) eff.cxform = existing->cxform, eff.hasCxform = true;
    if (!p.hasName) eff.name = existing->name, eff.hasName = !existing->name.empty();
    RemoveChild(clip, depth);
  }
  DisplayObject* o = Instantiate(clip, *c, eff);
  if (!o) return;
  o->depth = depth;
  clip->children[depth] = o;
  if (o->type == DisplayObject::Type::Clip) {
    auto* child = static_cast<ClipObject*>(o);
    bool initializes = std::any_of(child->clipActions.begin(), child->clipActions.end(), [](const ClipAction& a) {
      return (a.events & (kClipInitialize | kClipConstruct)) != 0;
    });
    if (initializes || !movie->exports.empty()) {
      PendingScript s;
      s.clip = child;
      s.object = child;
      s.construct = true;
      if (constructs) constructs->push_back(s);
      else queue.push_back(s);
    }
    EnterFrame(child, 0, true);
    QueueClipEvent(child, kClipLoad);
  }
}

DisplayObject* Runtime::Instantiate(ClipObject* parent, const Character& c, const PlaceTag& p) {
  if (heap.Exhausted()) return nullptr;
  // A sprite that places itself (directly or through others) would nest without end.
  int nesting = 0;
  for (const ClipObject* q = parent; q; q = q->parent)
    if (++nesting > kMaxNesting) return nullptr;
  DisplayObject* o = nullptr;
  switch (c.kind) {
    case Character::Kind::Shape: o = heap.Make<ShapeInstance>(objectProto, *this, c.shape.get()); break;
    case Character::Kind::StaticText:
      o = heap.Make<StaticTextInstance>(objectProto, *this, c.staticText.get());
      break;
    case Character::Kind::EditText: {
      auto* t = heap.Make<TextInstance>(objectProto, *this, c.editText.get());
      o = t;
      break;
    }
    case Character::Kind::Button: {
      auto* b = heap.Make<ButtonInstance>(objectProto, *this, c.button.get());
      for (const ButtonRecord& r : c.button->records) {
        const Character* rc = movie->Find(r.characterId);
        if (!rc || rc->kind == Character::Kind::Button || rc->kind == Character::Kind::Font ||
            rc->kind == Character::Kind::Bitmap)
          continue;
        PlaceTag rp;
        rp.characterId = r.characterId;
        rp.matrix = r.matrix;
        rp.cxform = r.cxform;
        DisplayObject* part = Instantiate(parent, *rc, rp);
        if (!part) continue;
        part->depth = r.depth;
        b->parts.push_back({r.states, part});
        if (part->type == DisplayObject::Type::Clip) EnterFrame(static_cast<ClipObject*>(part), 0, true);
      }
      o = b;
      break;
    }
    case Character::Kind::Sprite: {
      auto* clip = heap.Make<ClipObject>(clipProto, *this, c.sprite.get());
      clip->clipActions = p.clipActions;
      o = clip;
      break;
    }
    default: return nullptr;
  }
  o->parent = parent;
  o->characterId = p.characterId;
  o->matrix = p.matrix;
  o->cxform = p.cxform;
  o->ratio = p.ratio;
  o->clipDepth = p.clipDepth;
  o->bornTick = tick;
  o->name = p.name;
  if (o->name.empty() && o->type == DisplayObject::Type::Clip) o->name = "instance" + std::to_string(++instanceCounter);
  if (o->type == DisplayObject::Type::Text) {
    // A bound variable that does not exist yet takes the field's initial text.
    auto* t = static_cast<TextInstance*>(o);
    DisplayObject* owner;
    std::string leaf;
    Value cur;
    if (t->Binding(owner, leaf) && !owner->Get(leaf, cur)) owner->Set(leaf, Value(t->def->initialText));
  }
  return o;
}

void Runtime::Unloaded(DisplayObject* o) {
  o->removed = true;
  if (o == dragged) dragged = nullptr;
  if (o == hover) hover = nullptr;
  if (o == pressed) pressed = nullptr;
  if (o->type == DisplayObject::Type::Clip) {
    auto* c = static_cast<ClipObject*>(o);
    QueueClipEvent(c, kClipUnload, true);
    for (auto& [d, child] : c->children) Unloaded(child);
  } else if (o->type == DisplayObject::Type::Button) {
    for (auto& part : static_cast<ButtonInstance*>(o)->parts) Unloaded(part.object);
  }
}

void Runtime::RemoveChild(ClipObject* clip, int depth) {
  auto it = clip->children.find(depth);
  if (it == clip->children.end()) return;
  DisplayObject* o = it->second;
  clip->children.erase(it);
  Unloaded(o);
}

void Runtime::RunQueue() {
  size_t guard = 0;
  while (!queue.empty()) {
    PendingScript s = queue.front();
    queue.pop_front();
    if (aborted || ++guard > (1u << 20)) continue;
    if (!s.clip || (s.clip->removed && !s.unloading)) continue;
    if (s.construct) {
      // onClipEvent(construct) and (initialize) come before the class constructor.
      for (uint32_t event : {kClipConstruct, kClipInitialize})
        for (const ClipAction& a : s.clip->clipActions)
          if ((a.events & event) && a.code && !s.clip->removed) RunScript(s.clip, a.code);
      Value ctor = AttachClass(s.clip);
      if (!ctor.IsUndefined()) {
        scriptRan = true;
        CallScript(*this, ctor, Value(static_cast<Object*>(s.clip)), {});
      }
      continue;
    }
    if (s.method) {
      if (!s.object || (s.object->removed && !s.unloading)) continue;
      scriptRan = true;
      CallScriptMember(*this, Value(static_cast<Object*>(s.object)), s.method, {});
      continue;
    }
    if (s.code) RunScript(s.clip, s.code);
  }
}

const Character* Runtime::CharacterOf(const DisplayObject* o) const {
  if (o->type == DisplayObject::Type::Clip && static_cast<const ClipObject*>(o)->timeline == emptyClip.sprite.get())
    return &emptyClip;
  return movie ? movie->Find(o->characterId) : nullptr;
}

ClipObject* Runtime::PlaceScriptClip(ClipObject* parent, const Character& c, uint16_t characterId, int depth,
                                     const std::string& name, const Matrix& m, const ColorTransform& cx,
                                     const std::vector<ClipAction>& actions, Object* init) {
  if (!parent || parent->removed || c.kind != Character::Kind::Sprite) return nullptr;
  PlaceTag p;
  p.characterId = characterId;
  p.matrix = m;
  p.cxform = cx;
  p.name = name;
  p.clipActions = actions;
  RemoveChild(parent, depth);
  DisplayObject* o = Instantiate(parent, c, p);
  if (!o || o->type != DisplayObject::Type::Clip) return nullptr;
  auto* clip = static_cast<ClipObject*>(o);
  clip->depth = depth;
  clip->placedByScript = true;
  clip->name = name;
  parent->children[depth] = clip;
  if (init) {
    for (const std::string& k : init->Keys()) {
      Value v;
      if (init->Get(k, v)) clip->Set(k, v);
    }
  }
  EnterFrame(clip, 0, true);
  QueueClipEvent(clip, kClipLoad);
  return clip;
}

void Runtime::RemoveScriptClip(DisplayObject* o) {
  if (!o || o->removed || !o->parent || o->depth < kScriptDepth || o->depth > kMaxScriptDepth) return;
  auto it = o->parent->children.find(o->depth);
  if (it != o->parent->children.end() && it->second == o) RemoveChild(o->parent, o->depth);
}

void Runtime::RunTimers() {
  // Each timer fires as often as its period fits into the time that passed, at most ten
  // times a frame, so a tiny period cannot stall the movie.
  std::vector<uint32_t> ids;
  for (auto& [id, t] : timers) ids.push_back(id);
  for (uint32_t id : ids) {
    for (int n = 0; n < 10 && !aborted; ++n) {
      auto it = timers.find(id);
      if (it == timers.end() || it->second.due > timeMs) break;
      Timer t = it->second;
      if (t.once) timers.erase(it);
      else it->second.due += t.period;
      scriptRan = true;
      if (t.object.IsObject()) CallScriptMember(*this, t.object, t.method, t.args);
      else CallScript(*this, t.function, Value(), t.args);
      RunQueue();
    }
    auto it = timers.find(id);
    if (it != timers.end() && it->second.due <= timeMs) it->second.due = timeMs + it->second.period;
  }
}

void Runtime::RunScript(ClipObject* clip, const std::shared_ptr<const std::vector<uint8_t>>& code) {
  scriptRan = true;
  ExecuteBlock(*this, clip, code);
}

DisplayObject* Runtime::ResolveTarget(DisplayObject* base, const std::string& path) {
  if (!root) return nullptr;
  if (path.empty()) return base;
  DisplayObject* cur = base;
  size_t i = 0;
  if (path[0] == '/') {
    cur = root;
    i = 1;
  }
  int guard = 0;
  while (i < path.size() && cur && guard++ < 256) {
    size_t j = path.find_first_of("/.:", i);
    // ".." is the parent in slash paths, not two separators.
    if (path.compare(i, 2, "..") == 0 && (i + 2 == path.size() || path[i + 2] == '/' || path[i + 2] == ':')) {
      cur = cur->parent;
      i += 3;
      continue;
    }
    std::string seg = path.substr(i, j == std::string::npos ? std::string::npos : j - i);
    i = j == std::string::npos ? path.size() : j + 1;
    if (seg.empty()) continue;
    if (SameName(seg, "_root") || SameName(seg, "_level0")) {
      cur = root;
    } else if (SameName(seg, "_parent")) {
      cur = cur->parent;
    } else if (SameName(seg, "this")) {
      // stays
    } else if (cur->type == DisplayObject::Type::Clip) {
      Value v;
      auto* clip = static_cast<ClipObject*>(cur);
      DisplayObject* child = clip->ChildByName(seg);
      if (!child && clip->GetOwn(seg, v) && v.AsObject() && v.AsObject()->GetKind() == Object::Kind::Display)
        child = static_cast<DisplayObject*>(v.AsObject());
      cur = child;
    } else {
      cur = nullptr;
    }
  }
  if (cur && cur->removed) return nullptr;
  return cur;
}

Value Runtime::GetProperty(DisplayObject* o, int index) {
  if (!o) return {};
  const Matrix& m = o->matrix;
  auto* clip = o->type == DisplayObject::Type::Clip ? static_cast<ClipObject*>(o) : nullptr;
  switch (index) {
    case kPropX: return Value(m.tx / 20.0);
    case kPropY: return Value(m.ty / 20.0);
    case kPropXScale: return Value(Scale(m.a, m.b) * 100.0);
    case kPropYScale: return Value(Scale(m.c, m.d) * 100.0);
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
    case kPropRotation: {
      double r = std::atan2(m.b, m.a) * 180.0 / std::numbers::pi;
      return Value(r);
    }
    case kPropTarget: return Value(o->SlashPath());
    case kPropName: return Value(o->name);
    case kPropDropTarget: return Value(std::string());
    case kPropUrl: return Value(std::string());
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
      double s = num() / 100.0;
      if (!finite(s)) break;
      o->scriptTransformed = true;
      double& p = index == kPropXScale ? m.a : m.c;
      double& q = index == kPropXScale ? m.b : m.d;
      double cur = Scale(p, q);
      if (cur < 1e-9) {
        double r = std::atan2(m.b, m.a);
        if (index == kPropXScale) p = s * std::cos(r), q = s * std::sin(r);
        else p = -s * std::sin(r), q = s * std::cos(r);
      } else {
        p *= s / cur;
        q *= s / cur;
      }
      break;
    }
    case kPropAlpha: if (finite(num())) o->cxform.aMul = num() / 100.0, o->scriptTransformed = true; break;
    case kPropVisible: o->visible = ToBoolean(v, version) || (v.IsString() && ToNumber(v, version) != 0); break;
    case kPropWidth: case kPropHeight: {
      double target = num() * 20.0;
      if (!finite(target) || target < 0) break;
      Rect b = o->matrix.Transform(o->LocalBounds());
      double cur = index == kPropWidth ? b.xMax - b.xMin : b.yMax - b.yMin;
      if (cur <= 0) break;
      double f = target / cur;
      if (index == kPropWidth) m.a *= f, m.c *= f;
      else m.b *= f, m.d *= f;
      o->scriptTransformed = true;
      break;
    }
    case kPropRotation: {
      double deg = num();
      if (!finite(deg)) break;
      double r = std::fmod(deg, 360.0) * std::numbers::pi / 180.0;
      double sx = Scale(m.a, m.b), sy = Scale(m.c, m.d);
      m.a = sx * std::cos(r);
      m.b = sx * std::sin(r);
      m.c = -sy * std::sin(r);
      m.d = sy * std::cos(r);
      o->scriptTransformed = true;
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

void Runtime::Fscommand(const std::string& url, const std::string& target) {
  static const std::string kPrefix = "FSCommand:";
  bool fs = url.size() >= kPrefix.size() && std::equal(kPrefix.begin(), kPrefix.end(), url.begin(), [](char a, char b) {
              return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
            });
  if (fs) {
    if (cb.fscommand) cb.fscommand(url.substr(kPrefix.size()), target);
  } else if (cb.getUrl) {
    cb.getUrl(url, target);
  }
}

// --- mouse ---

bool ShapeHit(const ShapeDef& shape, const Matrix& toStage, double x, double y) {
  Matrix inv;
  if (!toStage.Invert(inv)) return false;
  double lx, ly;
  inv.Apply(x, y, lx, ly);
  if (!shape.bounds.Contains(lx, ly)) return false;
  for (const FillPath& f : shape.fills) {
    bool inside = false;
    double px = 0, py = 0;
    auto edge = [&](double x0, double y0, double x1, double y1) {
      if ((y0 > ly) != (y1 > ly) && lx < x0 + (ly - y0) * (x1 - x0) / (y1 - y0)) inside = !inside;
    };
    double startX = 0, startY = 0;
    for (const PathCommand& c : f.commands) {
      if (c.op == PathCommand::Op::Move) {
        edge(px, py, startX, startY);
        px = startX = c.x;
        py = startY = c.y;
      } else if (c.op == PathCommand::Op::Line) {
        edge(px, py, c.x, c.y);
        px = c.x;
        py = c.y;
      } else {
        double qx = px, qy = py;
        for (int s = 1; s <= 8; ++s) {
          double t = s / 8.0, u = 1 - t;
          double nx = u * u * px + 2 * u * t * c.cx + t * t * c.x;
          double ny = u * u * py + 2 * u * t * c.cy + t * t * c.y;
          edge(qx, qy, nx, ny);
          qx = nx;
          qy = ny;
        }
        px = c.x;
        py = c.y;
      }
    }
    edge(px, py, startX, startY);
    if (inside) return true;
  }
  // A shape made only of lines is hit inside its bounds.
  return shape.fills.empty();
}

bool ObjectHit(const DisplayObject* o, const Matrix& toStage, double x, double y) {
  switch (o->type) {
    case DisplayObject::Type::Shape: return ShapeHit(*static_cast<const ShapeInstance*>(o)->shape, toStage, x, y);
    case DisplayObject::Type::StaticText:
    case DisplayObject::Type::Text: {
      Matrix inv;
      double lx, ly;
      if (!toStage.Invert(inv)) return false;
      inv.Apply(x, y, lx, ly);
      return o->LocalBounds().Contains(lx, ly);
    }
    case DisplayObject::Type::Clip:
      for (auto& [d, c] : static_cast<const ClipObject*>(o)->children)
        if (c->visible && !c->clipDepth && ObjectHit(c, toStage * c->matrix, x, y)) return true;
      return false;
    case DisplayObject::Type::Button: {
      auto* b = static_cast<const ButtonInstance*>(o);
      for (auto& part : b->parts)
        if ((part.states & 0x08) && ObjectHit(part.object, toStage * part.object->matrix, x, y)) return true;
      return false;
    }
  }
  return false;
}

bool Runtime::HasMouseHandlers(DisplayObject* o) {
  if (o->type == DisplayObject::Type::Clip)
    for (const ClipAction& a : static_cast<ClipObject*>(o)->clipActions)
      if (a.events & kClipButtonEvents) return true;
  for (const char* name : kMouseHandlers)
    if (HasFunction(o, name)) return true;
  return false;
}

DisplayObject* Runtime::HitButton(DisplayObject* o, const Matrix& parentToStage, double x, double y, int depth) {
  if (!o->visible || o->removed || depth > kMaxNesting) return nullptr;
  Matrix m = parentToStage * o->matrix;
  Value enabled;
  auto disabled = [&] { return o->Get("enabled", enabled) && !ToBoolean(enabled, version); };
  if (o->type == DisplayObject::Type::Button) return !disabled() && ObjectHit(o, m, x, y) ? o : nullptr;
  if (o->type != DisplayObject::Type::Clip) return nullptr;
  // A clip with mouse handlers takes the clicks for everything inside it.
  if (o != root && HasMouseHandlers(o)) return !disabled() && ObjectHit(o, m, x, y) ? o : nullptr;
  auto* clip = static_cast<ClipObject*>(o);
  for (auto it = clip->children.rbegin(); it != clip->children.rend(); ++it) {
    if (it->second->clipDepth) continue;
    if (DisplayObject* hit = HitButton(it->second, m, x, y, depth + 1)) return hit;
  }
  return nullptr;
}

void Runtime::ButtonTransition(DisplayObject* o, uint16_t condition, int newState) {
  if (o->type == DisplayObject::Type::Button) {
    auto* b = static_cast<ButtonInstance*>(o);
    b->state = newState;
    for (const ButtonAction& a : b->def->actions) {
      if ((a.conditions & condition) && b->parent && !b->parent->removed) queue.push_back({b->parent, a.code});
    }
  } else if (o->type == DisplayObject::Type::Clip) {
    QueueClipEvent(static_cast<ClipObject*>(o), ClipEventOf(condition));
    return;
  }
  QueueHandler(o, ButtonHandlerOf(condition));
}

namespace {
bool TrackAsMenu(const DisplayObject* o) {
  return o->type == DisplayObject::Type::Button && static_cast<const ButtonInstance*>(o)->def->trackAsMenu;
}
}  // namespace

void Runtime::MouseMove(double x, double y) {
  mouseX = x;
  mouseY = y;
  if (!root || !started) return;
  BeginBudget();
  Drag();
  QueueClipEventEverywhere(root, kClipMouseMove);
  Broadcast(mouseObject, "onMouseMove");
  DisplayObject* hit = HitButton(root, Matrix{}, x, y);
  if (pressed) {
    bool over = hit == pressed;
    if (over && pressedOutside) {
      pressedOutside = false;
      ButtonTransition(pressed, kOutDownToOverDown, 2);
    } else if (!over && !pressedOutside) {
      pressedOutside = true;
      ButtonTransition(pressed, kOverDownToOutDown, TrackAsMenu(pressed) ? 0 : 1);
    }
  } else if (hit != hover) {
    if (hover) ButtonTransition(hover, kOverUpToIdle, 0);
    hover = hit;
    if (hover) ButtonTransition(hover, kIdleToOverUp, 1);
  }
  RunQueue();
}

void Runtime::MouseButton(bool down) {
  if (!root || !started) return;
  BeginBudget();
  mouseDown = down;
  if (down) {
    QueueClipEventEverywhere(root, kClipMouseDown);
    Broadcast(mouseObject, "onMouseDown");
    if (hover && !pressed) {
      pressed = hover;
      pressedOutside = false;
      ButtonTransition(pressed, kOverUpToOverDown, 2);
    }
  } else {
    QueueClipEventEverywhere(root, kClipMouseUp);
    Broadcast(mouseObject, "onMouseUp");
    if (pressed) {
      DisplayObject* b = pressed;
      pressed = nullptr;
      if (pressedOutside) {
        ButtonTransition(b, kOutDownToIdle, 0);
        if (hover == b) hover = nullptr;
      } else {
        ButtonTransition(b, kOverDownToOverUp, 1);
      }
    }
  }
  RunQueue();
}

namespace {
// The key a button's keyPress condition names: the character, or a code for the special keys.
int ButtonKeyCode(int keyCode, int ascii) {
  if (ascii >= 32 && ascii < 127) return ascii;
  switch (keyCode) {
    case 37: return 1;   // left
    case 39: return 2;   // right
    case 36: return 3;   // home
    case 35: return 4;   // end
    case 45: return 5;   // insert
    case 46: return 6;   // delete
    case 8: return 8;    // backspace
    case 13: return 13;  // enter
    case 38: return 14;  // up
    case 40: return 15;  // down
    case 33: return 16;  // page up
    case 34: return 17;  // page down
    case 9: return 18;   // tab
    case 27: return 19;  // escape
    default: return 0;
  }
}

void QueueKeyPresses(Runtime& rt, DisplayObject* o, int code, int depth) {
  if (depth > kMaxNesting || o->removed) return;
  if (o->type == DisplayObject::Type::Button) {
    auto* b = static_cast<ButtonInstance*>(o);
    for (const ButtonAction& a : b->def->actions)
      if ((a.conditions >> 9) == code && b->parent) rt.queue.push_back({b->parent, a.code});
  } else if (o->type == DisplayObject::Type::Clip) {
    auto* clip = static_cast<ClipObject*>(o);
    for (const ClipAction& a : clip->clipActions)
      if ((a.events & kClipKeyPress) && a.keyCode == code) rt.queue.push_back({clip, a.code});
    for (auto& [d, c] : clip->children) QueueKeyPresses(rt, c, code, depth + 1);
  }
}
}  // namespace

void Runtime::Broadcast(Object* source, const char* method) {
  Value list;
  if (!source || !source->GetOwn("_listeners", list) || !list.AsObject() ||
      list.AsObject()->GetKind() != Object::Kind::Array)
    return;
  // A listener may add or remove listeners; this event goes to those registered when it happened.
  std::vector<Value> listeners = static_cast<ArrayObject*>(list.AsObject())->elements;
  for (const Value& l : listeners) {
    if (aborted) break;
    CallScriptMember(*this, l, method, {});
  }
}

void Runtime::KeyEvent(int keyCode, int ascii, bool down) {
  if (!root || !started) return;
  BeginBudget();
  if (down) {
    keysDown.insert(keyCode);
    lastKey = keyCode;
    lastAscii = ascii;
  } else {
    keysDown.erase(keyCode);
  }
  QueueClipEventEverywhere(root, down ? kClipKeyDown : kClipKeyUp);
  if (down) {
    if (int code = ButtonKeyCode(keyCode, ascii)) QueueKeyPresses(*this, root, code, 0);
  }
  Broadcast(keyObject, down ? "onKeyDown" : "onKeyUp");
  RunQueue();
}

// --- display list ---

namespace {
void Emit(const Runtime& rt, const DisplayObject* o, const Matrix& parent, const ColorTransform& pcx,
          DisplayList& out, int depth) {
  if (!o->visible || depth > 64) return;
  Matrix m = parent * o->matrix;
  ColorTransform cx = pcx * o->cxform;
  switch (o->type) {
    case DisplayObject::Type::Shape: {
      DisplayItem& it = out.items.emplace_back();
      it.kind = DisplayItem::Kind::Shape;
      it.matrix = m;
      it.cxform = cx;
      it.shape = static_cast<const ShapeInstance*>(o)->shape;
      break;
    }
    case DisplayObject::Type::StaticText: {
      auto* t = static_cast<const StaticTextInstance*>(o);
      Matrix tm = m * t->def->matrix;
      if (!t->def->outlines.fills.empty()) {
        DisplayItem& it = out.items.emplace_back();
        it.kind = DisplayItem::Kind::Shape;
        it.matrix = tm;
        it.cxform = cx;
        it.shape = &t->def->outlines;
      }
      for (const EditTextDef& run : t->def->deviceRuns) {
        DisplayItem& it = out.items.emplace_back();
        it.kind = DisplayItem::Kind::Text;
        it.matrix = tm;
        it.cxform = cx;
        it.text = &run;
        it.textValue = run.initialText;
      }
      break;
    }
    case DisplayObject::Type::Text: {
      auto* t = static_cast<const TextInstance*>(o);
      DisplayItem& it = out.items.emplace_back();
      it.kind = DisplayItem::Kind::Text;
      it.matrix = m;
      it.cxform = cx;
      it.text = t->def;
      it.textValue = t->text;
      break;
    }
    case DisplayObject::Type::Button: {
      auto* b = static_cast<const ButtonInstance*>(o);
      std::vector<const ButtonInstance::Part*> parts;
      for (auto& p : b->parts)
        if (p.states & b->StateMask()) parts.push_back(&p);
      std::stable_sort(parts.begin(), parts.end(), [](auto* x, auto* y) { return x->object->depth < y->object->depth; });
      for (auto* p : parts) Emit(rt, p->object, m, cx, out, depth + 1);
      break;
    }
    case DisplayObject::Type::Clip: {
      // A child with a clip depth masks the children above it up to that depth.
      std::vector<int> masks;
      auto popMasks = [&](int upTo) {
        while (!masks.empty() && masks.back() < upTo) {
          masks.pop_back();
          out.items.emplace_back().kind = DisplayItem::Kind::MaskPop;
        }
      };
      for (auto& [d, c] : static_cast<const ClipObject*>(o)->children) {
        popMasks(d);
        if (!c->clipDepth) {
          Emit(rt, c, m, cx, out, depth + 1);
          continue;
        }
        DisplayList shapes;
        Emit(rt, c, m, cx, shapes, depth + 1);
        DisplayItem push;
        push.kind = DisplayItem::Kind::MaskPush;
        for (const DisplayItem& it : shapes.items)
          if (it.kind == DisplayItem::Kind::Shape) push.maskShapes.push_back({it.shape, it.matrix});
        out.items.push_back(std::move(push));
        masks.push_back(c->clipDepth);
      }
      popMasks(INT32_MAX);
      break;
    }
  }
}

// Strips markup from an HTML field so its text can be shown plainly.
std::string PlainText(const std::string& html) {
  std::string s;
  for (size_t i = 0; i < html.size(); ++i) {
    if (html[i] == '<') {
      size_t e = html.find('>', i);
      if (e == std::string::npos) break;
      std::string tag = html.substr(i + 1, e - i - 1);
      for (char& c : tag) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      if ((tag == "br" || tag == "/p" || tag == "br/") && !s.empty()) s += '\r';
      i = e;
    } else if (html[i] == '&') {
      static const std::pair<const char*, char> ents[] = {{"&lt;", '<'}, {"&gt;", '>'}, {"&amp;", '&'},
                                                          {"&quot;", '"'}, {"&apos;", '\''}, {"&nbsp;", ' '}};
      bool done = false;
      for (auto& [e, c] : ents) {
        size_t n = std::char_traits<char>::length(e);
        if (html.compare(i, n, e) == 0) {
          s += c;
          i += n - 1;
          done = true;
          break;
        }
      }
      if (!done) s += '&';
    } else {
      s += html[i];
    }
  }
  if (!s.empty() && s.back() == '\r') s.pop_back();
  return s;
}

void RefreshTexts(Runtime& rt, DisplayObject* o, int depth) {
  if (depth > 64) return;
  if (o->type == DisplayObject::Type::Text) {
    static_cast<TextInstance*>(o)->Refresh();
  } else if (o->type == DisplayObject::Type::Clip) {
    for (auto& [d, c] : static_cast<ClipObject*>(o)->children) RefreshTexts(rt, c, depth + 1);
  } else if (o->type == DisplayObject::Type::Button) {
    for (auto& p : static_cast<ButtonInstance*>(o)->parts) RefreshTexts(rt, p.object, depth + 1);
  }
}
}  // namespace

void Runtime::Build(DisplayList& out) {
  Heap::ScriptBlock noScripts(heap);  // getters and toString methods must not change the lists walked here
  out.items.clear();
  out.background = background;
  out.movie = movie;
  out.stage = movie ? movie->header.stage : Rect{};
  if (!root) return;
  RefreshTexts(*this, root, 0);
  Emit(*this, root, Matrix{}, ColorTransform{}, out, 0);
  for (DisplayItem& it : out.items)
    if (it.kind == DisplayItem::Kind::Text && it.text->html) it.textValue = PlainText(it.textValue);
}

void Runtime::Collect() {
  if (!root) return;
  std::vector<Object*> roots{root, global, objectProto, functionProto, arrayProto, clipProto, keyObject, mouseObject};
  for (auto& s : queue) roots.push_back(s.clip), roots.push_back(s.object);
  for (auto& [name, ctor] : classes) roots.push_back(ctor.AsObject());
  for (auto& [id, t] : timers) {
    roots.push_back(t.function.AsObject());
    roots.push_back(t.object.AsObject());
    for (const Value& v : t.args) roots.push_back(v.AsObject());
  }
  heap.Collect(roots);
}

}  // namespace swf
