// The MovieClip methods scripts call on timelines, the timer functions, the input objects
// (Key, Mouse), Stage and the Color class that tints clips.
#include <algorithm>
#include <cmath>

#include "builtins.h"
#include "interpreter.h"

namespace swf {
namespace {

ClipObject* SelfClip(const Value& self) {
  Object* o = self.AsObject();
  if (!o || o->GetKind() != Object::Kind::Display) return nullptr;
  auto* d = static_cast<DisplayObject*>(o);
  return d->type == DisplayObject::Type::Clip && !d->removed ? static_cast<ClipObject*>(d) : nullptr;
}

double Num(Runtime& rt, std::span<const Value> args, size_t i) {
  return i < args.size() ? ToNumber(args[i], std::max(rt.version, 5)) : std::nan("");
}

// A script depth argument as a display-list depth; false when it is no number.
bool ScriptDepth(Runtime& rt, std::span<const Value> args, size_t i, int& out) {
  double d = Num(rt, args, i);
  if (!std::isfinite(d)) return false;
  out = static_cast<int>(std::clamp(std::trunc(d), -static_cast<double>(kScriptDepth), 1048575.0)) + kScriptDepth;
  return true;
}

// Where a Color object keeps the clip it tints; not a name scripts write.
constexpr const char* kColorTarget = "\x01target";

DisplayObject* ColorTarget(Runtime& rt, const Value& self) {
  Object* o = self.AsObject();
  Value t;
  if (!o || !o->GetOwn(kColorTarget, t)) return nullptr;
  if (Object* d = t.AsObject(); d && d->GetKind() == Object::Kind::Display) {
    auto* display = static_cast<DisplayObject*>(d);
    return display->removed ? nullptr : display;
  }
  return rt.root ? rt.ResolveTarget(rt.root, ToString(t, rt.version)) : nullptr;
}

// Timers keep their arguments for as long as they live, so they keep only so many.
constexpr size_t kMaxTimerArgs = 256;

Object* ArgObject(std::span<const Value> args, size_t i) { return i < args.size() ? args[i].AsObject() : nullptr; }

DisplayObject* TargetArg(Runtime& rt, ClipObject* self, std::span<const Value> args, size_t i) {
  if (i >= args.size()) return nullptr;
  if (Object* o = args[i].AsObject(); o && o->GetKind() == Object::Kind::Display) {
    auto* d = static_cast<DisplayObject*>(o);
    return d->removed ? nullptr : d;
  }
  return rt.ResolveTarget(self, ToString(args[i], rt.version));
}

Rect StageBounds(const DisplayObject* o) { return o->StageMatrix().Transform(o->LocalBounds()); }

void ClipGoto(Interpreter& in, const Value& self, std::span<const Value> args, bool play) {
  ClipObject* clip = SelfClip(self);
  if (!clip || args.empty()) return;
  Runtime& rt = in.Rt();
  // With two arguments the first names a scene; the frames of all scenes form one timeline here.
  const Value& target = args.size() >= 2 ? args[1] : args[0];
  int frame = -1;
  if (target.IsString()) {
    double n = StringToNumber(target.AsString(), 5);
    frame = std::isfinite(n) ? static_cast<int>(std::clamp(n, -1.0, 1e9)) - 1
                             : clip->timeline->FindLabel(target.AsString());
  } else {
    double n = ToNumber(target, rt.version);
    if (std::isfinite(n)) frame = static_cast<int>(std::clamp(n, -1.0, 1e9)) - 1;
  }
  if (frame < 0) return;
  clip->playing = play;
  rt.GotoFrame(clip, std::min(frame, clip->TotalFrames() - 1));
}

}  // namespace

void InstallClipMethods(Runtime& rt) {
  Object* cp = rt.clipProto;
  Native(rt, cp, "play", [](Interpreter&, const Value& self, std::span<const Value>) {
    if (ClipObject* c = SelfClip(self)) c->playing = true;
    return Value();
  });
  Native(rt, cp, "stop", [](Interpreter&, const Value& self, std::span<const Value>) {
    if (ClipObject* c = SelfClip(self)) c->playing = false;
    return Value();
  });
  Native(rt, cp, "gotoAndPlay", [](Interpreter& in, const Value& self, std::span<const Value> args) {
    ClipGoto(in, self, args, true);
    return Value();
  });
  Native(rt, cp, "gotoAndStop", [](Interpreter& in, const Value& self, std::span<const Value> args) {
    ClipGoto(in, self, args, false);
    return Value();
  });
  Native(rt, cp, "nextFrame", [](Interpreter& in, const Value& self, std::span<const Value>) {
    if (ClipObject* c = SelfClip(self)) c->playing = false, in.Rt().GotoFrame(c, c->frame + 1);
    return Value();
  });
  Native(rt, cp, "prevFrame", [](Interpreter& in, const Value& self, std::span<const Value>) {
    if (ClipObject* c = SelfClip(self)) c->playing = false, in.Rt().GotoFrame(c, c->frame - 1);
    return Value();
  });
  Native(rt, cp, "getDepth", [](Interpreter&, const Value& self, std::span<const Value>) {
    ClipObject* c = SelfClip(self);
    return c ? Value(c->depth - kScriptDepth) : Value();
  });
  Native(rt, cp, "getBytesLoaded", [](Interpreter& in, const Value&, std::span<const Value>) {
    return Value(static_cast<double>(in.Rt().movie ? in.Rt().movie->header.fileLength : 0));
  });
  Native(rt, cp, "getBytesTotal", [](Interpreter& in, const Value&, std::span<const Value>) {
    return Value(static_cast<double>(in.Rt().movie ? in.Rt().movie->header.fileLength : 0));
  });
  Native(rt, cp, "getNextHighestDepth", [](Interpreter&, const Value& self, std::span<const Value>) {
    ClipObject* c = SelfClip(self);
    if (!c) return Value();
    int top = c->children.empty() ? kScriptDepth - 1 : c->children.rbegin()->first;
    return Value(std::max(top + 1, kScriptDepth) - kScriptDepth);
  });
  Native(rt, cp, "getInstanceAtDepth", [](Interpreter& in, const Value& self, std::span<const Value> args) {
    ClipObject* c = SelfClip(self);
    int d;
    if (!c || !ScriptDepth(in.Rt(), args, 0, d)) return Value();
    auto it = c->children.find(d);
    return it == c->children.end() ? Value() : Value(static_cast<Object*>(it->second));
  });
  Native(rt, cp, "createEmptyMovieClip", [](Interpreter& in, const Value& self, std::span<const Value> args) {
    Runtime& rt = in.Rt();
    ClipObject* c = SelfClip(self);
    int d;
    if (!c || args.empty() || !ScriptDepth(rt, args, 1, d)) return Value();
    ClipObject* made = rt.PlaceScriptClip(c, rt.emptyClip, 0, d, ToString(args[0], rt.version), Matrix{},
                                          ColorTransform{}, {}, nullptr);
    return made ? Value(static_cast<Object*>(made)) : Value();
  });
  Native(rt, cp, "attachMovie", [](Interpreter& in, const Value& self, std::span<const Value> args) {
    Runtime& rt = in.Rt();
    ClipObject* c = SelfClip(self);
    int d;
    if (!c || args.size() < 2 || !ScriptDepth(rt, args, 2, d) || !rt.movie) return Value();
    std::string id = ToString(args[0], rt.version);
    const Character* ch = nullptr;
    uint16_t characterId = 0;
    const MovieDef& from = rt.MovieOf(c);
    for (auto& [name, cid] : from.exports) {
      if (!rt.SameName(name, id)) continue;
      ch = from.Find(cid);
      characterId = cid;
      break;
    }
    if (!ch || ch->kind != Character::Kind::Sprite) return Value();
    ClipObject* made = rt.PlaceScriptClip(c, *ch, characterId, d, ToString(args[1], rt.version), Matrix{},
                                          ColorTransform{}, {}, ArgObject(args, 3));
    if (!made) return Value();
    Value clip(static_cast<Object*>(made));
    Value ctor = rt.AttachClass(made);
    if (!ctor.IsUndefined()) in.Call(ctor, clip, {});
    return clip;
  });
  Native(rt, cp, "duplicateMovieClip", [](Interpreter& in, const Value& self, std::span<const Value> args) {
    Runtime& rt = in.Rt();
    ClipObject* c = SelfClip(self);
    int d;
    if (!c || !c->parent || args.empty() || !ScriptDepth(rt, args, 1, d)) return Value();
    const Character* ch = rt.CharacterOf(c);
    if (!ch) return Value();
    ClipObject* made = rt.PlaceScriptClip(c->parent, *ch, c->characterId, d, ToString(args[0], rt.version), c->matrix,
                                          c->cxform, c->clipActions, ArgObject(args, 2));
    if (!made) return Value();
    Value clip(static_cast<Object*>(made));
    Value ctor = rt.AttachClass(made);
    if (!ctor.IsUndefined()) in.Call(ctor, clip, {});
    return clip;
  });
  Native(rt, cp, "removeMovieClip", [](Interpreter& in, const Value& self, std::span<const Value>) {
    in.Rt().RemoveScriptClip(SelfClip(self));
    return Value();
  });
  Native(rt, cp, "swapDepths", [](Interpreter& in, const Value& self, std::span<const Value> args) {
    Runtime& rt = in.Rt();
    ClipObject* c = SelfClip(self);
    if (!c || !c->parent || args.empty()) return Value();
    ClipObject* parent = c->parent;
    int d;
    if (Object* o = args[0].AsObject(); o && o->GetKind() == Object::Kind::Display) {
      auto* other = static_cast<DisplayObject*>(o);
      if (other->removed || other->parent != parent) return Value();
      d = other->depth;
    } else if (!ScriptDepth(rt, args, 0, d)) {
      return Value();
    }
    if (d == c->depth) return Value();
    auto here = parent->children.find(c->depth);
    if (here == parent->children.end() || here->second != c) return Value();
    parent->children.erase(here);
    auto there = parent->children.find(d);
    if (there != parent->children.end()) {
      DisplayObject* other = there->second;
      other->depth = c->depth;
      parent->children[c->depth] = other;
    }
    c->depth = d;
    parent->children[d] = c;
    return Value();
  });
  Native(rt, cp, "hitTest", [](Interpreter& in, const Value& self, std::span<const Value> args) {
    Runtime& rt = in.Rt();
    ClipObject* c = SelfClip(self);
    if (!c || args.empty()) return Value(false);
    if (args.size() >= 2) {
      double x = Num(rt, args, 0) * 20, y = Num(rt, args, 1) * 20;
      if (!std::isfinite(x) || !std::isfinite(y)) return Value(false);
      bool shape = args.size() >= 3 && ToBoolean(args[2], rt.version);
      if (shape) return Value(ObjectHit(c, c->StageMatrix(), x, y));
      Rect b = StageBounds(c);
      return Value(!c->LocalBounds().Empty() && b.Contains(x, y));
    }
    DisplayObject* other = TargetArg(rt, c, args, 0);
    if (!other || c->LocalBounds().Empty() || other->LocalBounds().Empty()) return Value(false);
    Rect a = StageBounds(c), b = StageBounds(other);
    return Value(a.xMin <= b.xMax && b.xMin <= a.xMax && a.yMin <= b.yMax && b.yMin <= a.yMax);
  });
  Native(rt, cp, "getBounds", [](Interpreter& in, const Value& self, std::span<const Value> args) {
    Runtime& rt = in.Rt();
    ClipObject* c = SelfClip(self);
    if (!c) return Value();
    Object* out = rt.heap.Make<Object>(rt.objectProto);
    Rect local = c->LocalBounds();
    Rect r;
    if (local.Empty()) {
      // What the player reports for a clip with nothing in it.
      r = {6710886.35 * 20, 6710886.35 * 20, 6710886.35 * 20, 6710886.35 * 20};
    } else {
      Matrix toSpace = c->StageMatrix();
      if (DisplayObject* space = TargetArg(rt, c, args, 0)) {
        Matrix inv;
        if (space->StageMatrix().Invert(inv)) toSpace = inv * toSpace;
      } else if (args.empty()) {
        toSpace = Matrix{};
      }
      r = toSpace.Transform(local);
    }
    out->Set("xMin", Value(r.xMin / 20));
    out->Set("xMax", Value(r.xMax / 20));
    out->Set("yMin", Value(r.yMin / 20));
    out->Set("yMax", Value(r.yMax / 20));
    return Value(out);
  });
  auto convert = [](Interpreter& in, const Value& self, std::span<const Value> args, bool toGlobal) {
    Runtime& rt = in.Rt();
    ClipObject* c = SelfClip(self);
    Object* pt = ArgObject(args, 0);
    if (!c || !pt) return Value();
    Value xv, yv;
    pt->Get("x", xv);
    pt->Get("y", yv);
    double x = ToNumber(xv, std::max(rt.version, 5)) * 20, y = ToNumber(yv, std::max(rt.version, 5)) * 20;
    Matrix m = c->StageMatrix(), inv;
    if (!toGlobal && !m.Invert(inv)) return Value();
    if (!toGlobal) m = inv;
    double ox, oy;
    m.Apply(x, y, ox, oy);
    pt->Set("x", Value(ox / 20));
    pt->Set("y", Value(oy / 20));
    return Value();
  };
  Native(rt, cp, "localToGlobal", [convert](Interpreter& in, const Value& self, std::span<const Value> args) {
    return convert(in, self, args, true);
  });
  Native(rt, cp, "globalToLocal", [convert](Interpreter& in, const Value& self, std::span<const Value> args) {
    return convert(in, self, args, false);
  });

  Native(rt, cp, "startDrag", [](Interpreter& in, const Value& self, std::span<const Value> args) {
    Runtime& rt = in.Rt();
    ClipObject* c = SelfClip(self);
    if (!c || !c->parent) return Value();
    bool lock = !args.empty() && ToBoolean(args[0], rt.version);
    if (args.size() >= 5) {
      Rect b{Num(rt, args, 1) * 20, Num(rt, args, 2) * 20, Num(rt, args, 3) * 20, Num(rt, args, 4) * 20};
      if (std::isfinite(b.xMin + b.yMin + b.xMax + b.yMax)) {
        rt.StartDrag(c, lock, &b);
        return Value();
      }
    }
    rt.StartDrag(c, lock, nullptr);
    return Value();
  });
  Native(rt, cp, "stopDrag", [](Interpreter& in, const Value&, std::span<const Value>) {
    in.Rt().dragged = nullptr;
    return Value();
  });
  Native(rt, cp, "getURL", [](Interpreter& in, const Value&, std::span<const Value> args) {
    Runtime& rt = in.Rt();
    if (!args.empty()) rt.GetUrl(ArgString(in, args, 0), args.size() > 1 ? ArgString(in, args, 1) : "", nullptr);
    return Value();
  });
  Native(rt, cp, "getSWFVersion", [](Interpreter& in, const Value& self, std::span<const Value>) {
    ClipObject* c = SelfClip(self);
    return Value(c ? in.Rt().MovieOf(c).header.version : in.Rt().version);
  });
  // Loading into this clip, as the loadMovie, unloadMovie and loadVariables actions do with it as target.
  Native(rt, cp, "loadMovie", [](Interpreter& in, const Value& self, std::span<const Value> args) {
    if (ClipObject* c = SelfClip(self); c && !args.empty()) in.Rt().GetUrl(ArgString(in, args, 0), c->DotPath(), c);
    return Value();
  });
  Native(rt, cp, "unloadMovie", [](Interpreter& in, const Value& self, std::span<const Value>) {
    if (ClipObject* c = SelfClip(self)) in.Rt().GetUrl("", c->DotPath(), c);
    return Value();
  });
  Native(rt, cp, "loadVariables", [](Interpreter& in, const Value& self, std::span<const Value> args) {
    if (ClipObject* c = SelfClip(self); c && !args.empty()) in.Rt().LoadVariables(ArgString(in, args, 0), c, -1);
    return Value();
  });

  // Timers: setInterval(function, ms, args...) or setInterval(object, "method", ms, args...).
  auto start = [](Interpreter& in, std::span<const Value> args, bool once) {
    Runtime& rt = in.Rt();
    if (args.size() < 2 || rt.timers.size() >= Runtime::kMaxTimers) return Value();
    Timer t;
    size_t at;
    Object* first = args[0].AsObject();
    if (first && first->GetKind() == Object::Kind::Function) {
      t.function = args[0];
      at = 1;
    } else if (first && args.size() >= 3) {
      t.object = args[0];
      t.method = ToString(args[1], rt.version);
      at = 2;
    } else {
      return Value();
    }
    double ms = Num(rt, args, at);
    t.period = std::isfinite(ms) ? std::clamp(ms, 1.0, 1e9) : 1.0;
    t.due = rt.timeMs + t.period;
    t.once = once;
    size_t extra = std::min<size_t>(args.size() - (at + 1), kMaxTimerArgs);
    t.args.assign(args.begin() + static_cast<std::ptrdiff_t>(at + 1),
                  args.begin() + static_cast<std::ptrdiff_t>(at + 1 + extra));
    t.id = rt.nextTimerId++;
    uint32_t id = t.id;
    rt.timers[id] = std::move(t);
    return Value(static_cast<double>(id));
  };
  auto clear = [](Interpreter& in, const Value&, std::span<const Value> args) {
    Runtime& rt = in.Rt();
    double id = Num(rt, args, 0);
    if (id >= 1 && id < 4294967296.0 && id == std::trunc(id)) rt.timers.erase(static_cast<uint32_t>(id));
    return Value();
  };
  Object* g = rt.global;
  Value objectCtor;
  if (g->Get("Object", objectCtor) && objectCtor.AsObject()) {
    // Object.registerClass(exportName, constructor): clips of that symbol are made as instances of it.
    Native(rt, objectCtor.AsObject(), "registerClass", [](Interpreter& in, const Value&, std::span<const Value> args) {
      Runtime& rt = in.Rt();
      if (args.empty()) return Value(false);
      std::string name = ToString(args[0], rt.version);
      Value ctor = args.size() > 1 ? args[1] : Value();
      bool isFunction = ctor.AsObject() && ctor.AsObject()->GetKind() == Object::Kind::Function;
      std::erase_if(rt.classes, [&](const auto& entry) { return rt.SameName(entry.first, name); });
      if (!isFunction) return Value(!ctor.IsObject());
      if (rt.classes.size() >= Runtime::kMaxClasses) return Value(false);
      rt.classes.emplace_back(name, ctor);
      return Value(true);
    });
    AddVersionFlag(objectCtor.AsObject(), {"registerClass"}, kFromVersion6);
  }
  // Key and Mouse keep their listeners in "_listeners", as broadcasters do.
  auto listeners = [](Runtime& rt, Object* source) -> ArrayObject* {
    Value v;
    if (source->GetOwn("_listeners", v) && v.AsObject() && v.AsObject()->GetKind() == Object::Kind::Array)
      return static_cast<ArrayObject*>(v.AsObject());
    auto* list = rt.heap.Make<ArrayObject>(rt.arrayProto);
    source->Set("_listeners", Value(static_cast<Object*>(list)));
    source->SetFlags("_listeners", kDontEnum);
    return list;
  };
  auto addListeners = [listeners](Runtime& rt, Object* source) {
    Native(rt, source, "addListener", [listeners, source](Interpreter& in, const Value&, std::span<const Value> args) {
      if (args.empty() || !args[0].IsObject()) return Value(false);
      ArrayObject* list = listeners(in.Rt(), source);
      std::erase_if(list->elements, [&](const Value& v) { return v.AsObject() == args[0].AsObject(); });
      if (list->elements.size() >= 4096) return Value(false);
      list->elements.push_back(args[0]);
      return Value(true);
    });
    Native(rt, source, "removeListener", [listeners, source](Interpreter& in, const Value&, std::span<const Value> args) {
      if (args.empty() || !args[0].IsObject()) return Value(false);
      ArrayObject* list = listeners(in.Rt(), source);
      size_t before = list->elements.size();
      std::erase_if(list->elements, [&](const Value& v) { return v.AsObject() == args[0].AsObject(); });
      return Value(list->elements.size() != before);
    });
  };
  Object* key = rt.heap.Make<Object>(rt.objectProto);
  rt.keyObject = key;
  g->Set("Key", Value(key));
  static const std::pair<const char*, int> kKeys[] = {
      {"BACKSPACE", 8}, {"CAPSLOCK", 20}, {"CONTROL", 17}, {"DELETEKEY", 46}, {"DOWN", 40}, {"END", 35},
      {"ENTER", 13},    {"ESCAPE", 27},   {"HOME", 36},    {"INSERT", 45},    {"LEFT", 37}, {"PGDN", 34},
      {"PGUP", 33},     {"RIGHT", 39},    {"SHIFT", 16},   {"SPACE", 32},     {"TAB", 9},   {"UP", 38}};
  for (auto& [name, code] : kKeys) {
    key->Set(name, Value(code));
    key->SetFlags(name, kDontEnum | kDontDelete | kReadOnly);
  }
  Native(rt, key, "isDown", [](Interpreter& in, const Value&, std::span<const Value> args) {
    double code = Num(in.Rt(), args, 0);
    return Value(std::isfinite(code) && in.Rt().keysDown.count(static_cast<int>(std::clamp(code, -1.0, 1e6))) != 0);
  });
  Native(rt, key, "getCode", [](Interpreter& in, const Value&, std::span<const Value>) { return Value(in.Rt().lastKey); });
  Native(rt, key, "getAscii", [](Interpreter& in, const Value&, std::span<const Value>) {
    return Value(in.Rt().lastAscii);
  });
  addListeners(rt, key);
  Object* mouse = rt.heap.Make<Object>(rt.objectProto);
  rt.mouseObject = mouse;
  g->Set("Mouse", Value(mouse));
  addListeners(rt, mouse);
  // The host draws the pointer; hiding it is the host's business.
  Native(rt, mouse, "hide", [](Interpreter&, const Value&, std::span<const Value>) { return Value(1); });
  Native(rt, mouse, "show", [](Interpreter&, const Value&, std::span<const Value>) { return Value(0); });

  Object* stage = rt.heap.Make<Object>(rt.objectProto);
  g->Set("Stage", Value(stage));
  const Rect& area = rt.movie->header.stage;
  stage->Set("width", Value((area.xMax - area.xMin) / 20));
  stage->Set("height", Value((area.yMax - area.yMin) / 20));
  stage->Set("scaleMode", Value("showAll"));
  stage->Set("align", Value(""));
  stage->Set("showMenu", Value(true));
  addListeners(rt, stage);

  // Color(target): setRGB and setTransform change the clip's colour transform, as the player's Color class does.
  Object* colorProto = rt.heap.Make<Object>(rt.objectProto);
  FunctionObject* color = Native(rt, g, "Color", [colorProto](Interpreter& in, const Value&, std::span<const Value> args) {
    Runtime& rt = in.Rt();
    Object* o = rt.heap.Make<Object>(colorProto);
    if (!args.empty()) {
      o->Set(kColorTarget, args[0]);
      o->SetFlags(kColorTarget, kDontEnum);
    }
    return Value(o);
  });
  color->Set("prototype", Value(colorProto));
  color->SetFlags("prototype", kDontEnum);
  Native(rt, colorProto, "setRGB", [](Interpreter& in, const Value& self, std::span<const Value> args) {
    DisplayObject* d = ColorTarget(in.Rt(), self);
    double n = Num(in.Rt(), args, 0);
    if (!d || !std::isfinite(n)) return Value();
    auto rgb = static_cast<uint32_t>(ToInt32(n)) & 0xFFFFFF;
    d->cxform.rMul = d->cxform.gMul = d->cxform.bMul = 0;
    d->cxform.rAdd = (rgb >> 16) & 0xFF;
    d->cxform.gAdd = (rgb >> 8) & 0xFF;
    d->cxform.bAdd = rgb & 0xFF;
    d->scriptTransformed = true;
    return Value();
  });
  Native(rt, colorProto, "getRGB", [](Interpreter& in, const Value& self, std::span<const Value>) {
    DisplayObject* d = ColorTarget(in.Rt(), self);
    if (!d) return Value();
    auto ch = [](double v) { return static_cast<uint32_t>(std::clamp(v, 0.0, 255.0)); };
    return Value(static_cast<double>((ch(d->cxform.rAdd) << 16) | (ch(d->cxform.gAdd) << 8) | ch(d->cxform.bAdd)));
  });
  Native(rt, colorProto, "setTransform", [](Interpreter& in, const Value& self, std::span<const Value> args) {
    Runtime& rt = in.Rt();
    DisplayObject* d = ColorTarget(rt, self);
    Object* t = ArgObject(args, 0);
    if (!d || !t) return Value();
    auto take = [&](const char* name, double& field, double scale) {
      Value v;
      if (!t->Get(name, v)) return;
      double n = ToNumber(v, std::max(rt.version, 5));
      if (std::isfinite(n)) field = std::clamp(n, -1e6, 1e6) * scale;
    };
    ColorTransform& c = d->cxform;
    take("ra", c.rMul, 0.01), take("rb", c.rAdd, 1), take("ga", c.gMul, 0.01), take("gb", c.gAdd, 1);
    take("ba", c.bMul, 0.01), take("bb", c.bAdd, 1), take("aa", c.aMul, 0.01), take("ab", c.aAdd, 1);
    d->scriptTransformed = true;
    return Value();
  });
  Native(rt, colorProto, "getTransform", [](Interpreter& in, const Value& self, std::span<const Value>) {
    Runtime& rt = in.Rt();
    DisplayObject* d = ColorTarget(rt, self);
    if (!d) return Value();
    Object* t = rt.heap.Make<Object>(rt.objectProto);
    const ColorTransform& c = d->cxform;
    t->Set("ra", Value(c.rMul * 100)), t->Set("rb", Value(c.rAdd)), t->Set("ga", Value(c.gMul * 100));
    t->Set("gb", Value(c.gAdd)), t->Set("ba", Value(c.bMul * 100)), t->Set("bb", Value(c.bAdd));
    t->Set("aa", Value(c.aMul * 100)), t->Set("ab", Value(c.aAdd));
    return Value(t);
  });

  Native(rt, g, "setInterval", [start](Interpreter& in, const Value&, std::span<const Value> args) {
    return start(in, args, false);
  });
  Native(rt, g, "setTimeout", [start](Interpreter& in, const Value&, std::span<const Value> args) {
    return start(in, args, true);
  });
  Native(rt, g, "clearInterval", clear);
  Native(rt, g, "clearTimeout", clear);

  // Clip methods that came with later versions.
  AddVersionFlag(cp, {"getDepth", "createEmptyMovieClip"}, kFromVersion6);
  AddVersionFlag(cp, {"getNextHighestDepth", "getInstanceAtDepth", "getSWFVersion"}, kFromVersion7);
}

}  // namespace swf
