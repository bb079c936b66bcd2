// Timelines of a playing movie: loading, frame advance and jumps, placing and removing display objects.
#include "runtime.h"

#include <algorithm>

namespace swf {

bool Runtime::Load(std::shared_ptr<const MovieDef> m) {
  Unload();
  movie = std::move(m);
  version = movie->header.version;
  // The player allows 255 nested calls unless the movie's ScriptLimits says otherwise.
  if (!hostCallDepth) hostCallDepth = limits.callDepth;
  limits.callDepth = std::min(hostCallDepth, movie->maxRecursion ? static_cast<int>(movie->maxRecursion) : 255);
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
  root->level = 0;
  execution.push_back(root);
  return true;
}

void Runtime::Unload() {
  initQueue.clear();
  constructQueue.clear();
  queue.clear();
  execution.clear();
  loads.clear();
  levels.clear();
  loadedMovies.clear();
  baseFolder.clear();
  url.clear();
  stack.clear();
  constants.reset();
  blockNesting = 0;
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
    // Newest clips first: each hears enterFrame and then moves on a frame. Clips made during the walk were
    // entered at their first frame when they were made and wait for the next frame.
    std::vector<ClipObject*> walk(execution);
    for (auto it = walk.rbegin(); it != walk.rend(); ++it) {
      ClipObject* clip = *it;
      if (clip->removed || clip->bornTick == tick) continue;
      QueueClipEvent(clip, kClipEnterFrame);
      AdvanceClip(clip);
    }
  }
  ProcessLoads();
  RunQueue();
  RunTimers();
  stack.clear();
  Collect();
  return scriptRan;
}

void Runtime::AdvanceClip(ClipObject* clip) {
  if (clip->removed || !clip->playing) return;
  int next = clip->frame + 1;
  if (next >= clip->TotalFrames()) {
    if (!clip->timeline->Loops()) return;
    if (clip == root && !loop) {
      clip->playing = false;
      next = clip->frame;
    } else {
      next = 0;
    }
  }
  if (next != clip->frame) GotoFrame(clip, next);
}

void Runtime::EnterFrame(ClipObject* clip, int frame, bool withActions) {
  clip->frame = frame;
  EnterTags(clip, clip->timeline->frames[static_cast<size_t>(frame)], withActions);
  if (frame + 1 == clip->TotalFrames() && !clip->trailingDone) {
    clip->trailingDone = true;
    EnterTags(clip, clip->timeline->trailing, withActions);
  }
}

void Runtime::EnterTags(ClipObject* clip, const Frame& f, bool withActions) {
  // Init actions wait with the initialize events; the frame's scripts and the first frames of the clips it places
  // are queued in the order of their tags.
  for (const ControlTag& t : f.tags)
    if (t.kind == ControlTag::Kind::InitAction && initDone.insert(t.spriteId).second) initQueue.push_back({clip, t.code});
  for (const ControlTag& t : f.tags) {
    switch (t.kind) {
      case ControlTag::Kind::Action: if (withActions) queue.push_back({clip, t.code}); break;
      case ControlTag::Kind::Place: ApplyPlace(clip, t.place); break;
      case ControlTag::Kind::Remove: RemoveChild(clip, t.place.depth); break;
      case ControlTag::Kind::Background: if (clip == root) background = t.color; break;
      default: break;
    }
  }
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
  // A jump: the display list becomes what the timeline holds at the target frame and only that frame's scripts
  // run. Going forward starts from what is shown and applies the placements and removals of the frames in
  // between; going back rebuilds from the first frame. Objects placed and removed in between are never made; the
  // others are made in the order of their tags, between the target frame's scripts where their tags stand.
  const bool forward = frame > clip->frame;
  struct Wanted {
    PlaceTag tag;
    bool shown = false;  // the object shown now at the depth is this placement's
    uint64_t order = 0;
  };
  std::map<int, Wanted> want;
  if (forward) {
    for (auto& [d, o] : clip->children) {
      if (d >= kScriptDepth) continue;
      Wanted& w = want[d];
      w.tag.depth = static_cast<uint16_t>(d);
      w.tag.hasCharacter = true;
      w.tag.characterId = o->characterId;
      w.tag.ratio = o->ratio;
      w.shown = true;
    }
  }
  uint64_t order = 0;
  std::vector<std::pair<uint64_t, std::shared_ptr<const std::vector<uint8_t>>>> scripts;
  for (int f = forward ? clip->frame + 1 : 0; f <= frame; ++f) {
    for (const ControlTag& t : clip->timeline->frames[static_cast<size_t>(f)].tags) {
      ++order;
      if (t.kind == ControlTag::Kind::Remove) {
        want.erase(t.place.depth);
      } else if (t.kind == ControlTag::Kind::Place) {
        const PlaceTag& p = t.place;
        auto it = want.find(p.depth);
        if (it == want.end()) {
          if (p.hasCharacter) want[p.depth] = Wanted{p, false, order};
          continue;
        }
        PlaceTag& w = it->second.tag;
        if (p.hasCharacter && !p.move) continue;
        if (p.hasCharacter && !KeepsInstance(clip, w.characterId) && p.characterId != w.characterId) {
          w.characterId = p.characterId;
          it->second.shown = false;
          it->second.order = order;
        }
        if (p.hasMatrix) w.matrix = p.matrix, w.hasMatrix = true;
        if (p.hasCxform) w.cxform = p.cxform, w.hasCxform = true;
        if (p.hasRatio) w.ratio = p.ratio, w.hasRatio = true;
        if (p.hasName) w.name = p.name, w.hasName = true;
        if (p.hasClipDepth) w.clipDepth = p.clipDepth, w.hasClipDepth = true;
        if (p.hasCharacter && !p.clipActions.empty()) w.clipActions = p.clipActions;
      } else if (t.kind == ControlTag::Kind::Background && clip == root) {
        background = t.color;
      } else if (t.kind == ControlTag::Kind::InitAction && forward && initDone.insert(t.spriteId).second) {
        initQueue.push_back({clip, t.code});
      } else if (t.kind == ControlTag::Kind::Action && f == frame) {
        scripts.emplace_back(order, t.code);
      }
    }
  }
  // What stays: going forward, what was not removed or replaced on the way; going back, an object whose
  // character and ratio the rebuilt list has at its depth. Script-made clips go when the timeline is rebuilt.
  std::vector<int> drop;
  for (auto& [d, o] : clip->children) {
    if (d >= kScriptDepth) continue;
    auto it = want.find(d);
    bool stays = it != want.end() && it->second.tag.characterId == o->characterId &&
                 (forward ? it->second.shown : it->second.tag.ratio == o->ratio && !o->placedByScript);
    if (stays) it->second.shown = true;
    else drop.push_back(d);
  }
  for (int d : drop) RemoveChild(clip, d);
  clip->frame = frame;
  std::vector<std::pair<uint64_t, int>> made;
  for (auto& [d, w] : want) {
    if (!w.shown) {
      made.emplace_back(w.order, d);
      continue;
    }
    PlaceTag p = w.tag;
    p.move = true;
    p.hasCharacter = false;
    ApplyPlace(clip, p);
  }
  std::sort(made.begin(), made.end());
  size_t next = 0;
  auto makeUpTo = [&](uint64_t limit) {
    for (; next < made.size() && made[next].first < limit; ++next) {
      PlaceTag p = want[made[next].second].tag;
      p.move = false;
      p.hasCharacter = true;
      ApplyPlace(clip, p);
    }
  };
  for (auto& [at, code] : scripts) {
    makeUpTo(at);
    queue.push_back({clip, code});
  }
  makeUpTo(UINT64_MAX);
}

bool Runtime::KeepsInstance(const ClipObject* clip, uint16_t characterId) const {
  const Character* c = MovieOf(clip).Find(characterId);
  if (!c) return false;
  return c->kind == Character::Kind::Sprite || c->kind == Character::Kind::Button ||
         c->kind == Character::Kind::EditText;
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
  if (existing && !p.move) return;  // the depth is taken
  if (existing && (existing->type == DisplayObject::Type::Clip || existing->type == DisplayObject::Type::Button ||
                   existing->type == DisplayObject::Type::Text)) {
    // Clips, buttons and text fields are script objects: a placement that names another character moves them.
    PlaceTag moved = p;
    moved.hasCharacter = false;
    ApplyPlace(clip, moved);
    return;
  }
  const Character* c = MovieOf(clip).Find(p.characterId);
  if (!c || c->kind == Character::Kind::Font || c->kind == Character::Kind::Bitmap) return;
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
    QueueInitialize(child);
    QueueConstruct(child);
    QueueClipEvent(child, kClipLoad);
    EnterFrame(child, 0, true);
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
        const Character* rc = MovieOf(parent).Find(r.characterId);
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
      execution.push_back(clip);
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

const Character* Runtime::CharacterOf(const DisplayObject* o) const {
  if (o->type == DisplayObject::Type::Clip && static_cast<const ClipObject*>(o)->timeline == emptyClip.sprite.get())
    return &emptyClip;
  if (!movie) return nullptr;
  return (o->parent ? MovieOf(o->parent) : *movie).Find(o->characterId);
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
  QueueClipEvent(clip, kClipLoad);
  EnterFrame(clip, 0, true);
  QueueInitialize(clip);
  RunConstructEvents(clip);
  return clip;
}

void Runtime::RemoveScriptClip(DisplayObject* o) {
  if (!o || o->removed || !o->parent || o->depth < kScriptDepth || o->depth > kMaxScriptDepth) return;
  auto it = o->parent->children.find(o->depth);
  if (it != o->parent->children.end() && it->second == o) RemoveChild(o->parent, o->depth);
}

void Runtime::Collect() {
  if (!root) return;
  // Clips that left the stage leave the walk; the others stay alive with it.
  std::erase_if(execution, [](const ClipObject* c) { return c->removed; });
  std::vector<Object*> roots{root, global, objectProto, functionProto, arrayProto, clipProto, keyObject, mouseObject};
  roots.insert(roots.end(), execution.begin(), execution.end());
  for (auto& [n, clip] : levels) roots.push_back(clip);
  for (auto& r : loads) roots.push_back(r.target);
  for (const auto* q : {&initQueue, &constructQueue, &queue})
    for (auto& s : *q) roots.push_back(s.clip), roots.push_back(s.object);
  for (const Value& v : stack) roots.push_back(v.AsObject());
  for (auto& [name, ctor] : classes) roots.push_back(ctor.AsObject());
  for (auto& [id, t] : timers) {
    roots.push_back(t.function.AsObject());
    roots.push_back(t.object.AsObject());
    for (const Value& v : t.args) roots.push_back(v.AsObject());
  }
  heap.Collect(roots);
}

}  // namespace swf
