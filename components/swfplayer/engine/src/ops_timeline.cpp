// The actions on timelines and display objects: frames, targets, properties, clips, dragging and the host.
#include "interpreter.h"

#include <algorithm>
#include <cmath>

#include "interpreter_support.h"

namespace swf {

void Interpreter::Goto(Context& c, DisplayObject* target, const Value& frame, bool play, int bias) {
  auto* clip = target && target->type == DisplayObject::Type::Clip ? static_cast<ClipObject*>(target) : nullptr;
  int index = -1;
  if (frame.IsString()) {
    std::string s = frame.AsString();
    size_t colon = s.rfind(':');
    if (colon != std::string::npos) {
      DisplayObject* t = rt_.ResolveTarget(c.original, s.substr(0, colon));
      clip = t && t->type == DisplayObject::Type::Clip ? static_cast<ClipObject*>(t) : nullptr;
      s = s.substr(colon + 1);
    }
    if (!clip) return;
    double n = StringToNumber(s, 5);
    if (std::isfinite(n)) index = static_cast<int>(n) - 1 + bias;
    else index = clip->timeline->FindLabel(s);
  } else {
    if (!clip) return;
    double n = ToNumber(frame, c.version);
    if (!std::isfinite(n)) return;
    index = static_cast<int>(std::clamp(n, -1e9, 1e9)) - 1 + bias;
  }
  if (index < 0) return;
  clip->playing = play;
  rt_.GotoFrame(clip, std::min(index, clip->TotalFrames() - 1));
}

Interpreter::Flow Interpreter::StepTimeline(Context& c, uint8_t op, BitReader& r) {
  const int ver = c.version;
  switch (op) {
    case kNextFrame: case kPrevFrame: {
      if (ClipObject* t = AsClip(c.target)) {
        t->playing = false;
        rt_.GotoFrame(t, t->frame + (op == kNextFrame ? 1 : -1));
      }
      break;
    }
    case kPlay: if (ClipObject* t = AsClip(c.target)) t->playing = true; break;
    case kStop: if (ClipObject* t = AsClip(c.target)) t->playing = false; break;
    case kToggleQuality: rt_.quality = rt_.quality == 0 ? 1 : 0; break;
    case kStopSounds: break;
    case kSetTarget: case kSetTarget2: {
      Value t = op == kSetTarget ? Value(Text(c, r)) : Pop(c);
      // Once the clip running the script is gone no target can be set; undefined names the script's own clip
      // until the seventh version and nothing from it.
      if (!c.original || c.original->removed || (t.IsUndefined() && ver >= 7)) {
        c.target = nullptr;
      } else if (DisplayObject* d = AsDisplay(t.AsObject())) {
        c.target = d;
      } else {
        std::string path = Str(c, t);
        c.target = path.empty() ? c.original : rt_.ResolveTarget(c.original, path);
      }
      c.self = c.target ? Value(static_cast<Object*>(c.target)) : Value();
      break;
    }
    case kGetProperty: {
      double index = Num(c, Pop(c));
      Value t = Pop(c);
      DisplayObject* d = AsDisplay(t.AsObject());
      if (!d) {
        std::string path = Str(c, t);
        d = path.empty() ? Base(c) : rt_.ResolveTarget(c.original, path);
      }
      index = std::trunc(index);  // -0.8 still names _x
      if (d && index >= 0 && index < static_cast<double>(kPropCount)) Push(rt_.GetProperty(d, static_cast<int>(index)));
      else Push(Value());
      break;
    }
    case kSetProperty: {
      Value v = Pop(c);
      double index = Num(c, Pop(c));
      Value t = Pop(c);
      DisplayObject* d = AsDisplay(t.AsObject());
      if (!d) {
        std::string path = Str(c, t);
        d = path.empty() ? Base(c) : rt_.ResolveTarget(c.original, path);
      }
      if (d && index >= 0 && index < static_cast<double>(kPropCount)) rt_.SetProperty(d, static_cast<int>(index), v);
      break;
    }
    case kCloneSprite: {
      double depth = Num(c, Pop(c));
      std::string newName = Str(c, Pop(c));
      Value src = Pop(c);
      DisplayObject* s = AsDisplay(src.AsObject());
      if (!s) s = rt_.ResolveTarget(c.original, Str(c, src));
      if (!s || !s->parent || !std::isfinite(depth) || s->type != DisplayObject::Type::Clip) break;
      const Character* ch = rt_.CharacterOf(s);
      if (!ch) break;
      int d = static_cast<int>(std::clamp(depth, -16384.0, 1048575.0)) + kScriptDepth;
      ClipObject* made = rt_.PlaceScriptClip(s->parent, *ch, s->characterId, d, newName, s->matrix, s->cxform,
                                             static_cast<ClipObject*>(s)->clipActions, nullptr);
      if (!made) break;
      Value ctor = rt_.AttachClass(made);
      if (!ctor.IsUndefined()) Call(ctor, Value(static_cast<Object*>(made)), {});
      break;
    }
    case kRemoveSprite: {
      Value t = Pop(c);
      DisplayObject* d = AsDisplay(t.AsObject());
      if (!d) d = rt_.ResolveTarget(c.original, Str(c, t));
      rt_.RemoveScriptClip(d);
      break;
    }
    case kTrace: {
      // Trace names undefined in every version, though converting it to text gives "" before the seventh.
      Value v = Pop(c);
      std::string s = v.IsUndefined() ? std::string("undefined") : Str(c, v);
      if (rt_.cb.trace) rt_.cb.trace(s);
      break;
    }
    case kStartDrag: {
      Value t = Pop(c);
      bool lock = ToBoolean(Pop(c), ver);
      bool constrain = ToBoolean(Pop(c), ver);
      Rect bounds;
      if (constrain) {
        bounds.yMax = Num(c, Pop(c)) * 20;
        bounds.xMax = Num(c, Pop(c)) * 20;
        bounds.yMin = Num(c, Pop(c)) * 20;
        bounds.xMin = Num(c, Pop(c)) * 20;
        if (!std::isfinite(bounds.xMin + bounds.xMax + bounds.yMin + bounds.yMax)) constrain = false;
      }
      DisplayObject* d = AsDisplay(t.AsObject());
      if (!d) {
        std::string path = Str(c, t);
        d = path.empty() ? Base(c) : rt_.ResolveTarget(c.original, path);
      }
      if (d && d->parent) rt_.StartDrag(d, lock, constrain ? &bounds : nullptr);
      break;
    }
    case kEndDrag: rt_.dragged = nullptr; break;
    case kTargetPath: {
      Value v = Pop(c);
      DisplayObject* d = AsDisplay(v.AsObject());
      Push(d ? Value(d->DotPath()) : Value());
      break;
    }
    case kGotoFrame: {
      int frame = r.U16();
      if (ClipObject* t = AsClip(c.target)) {
        t->playing = false;
        rt_.GotoFrame(t, frame);
      }
      break;
    }
    case kGetURL: {
      std::string url = Text(c, r);
      std::string target = Text(c, r);
      rt_.GetUrl(url, target, nullptr);
      break;
    }
    case kGetURL2: {
      uint8_t flags = r.U8();
      std::string target = Str(c, Pop(c));
      std::string url = Str(c, Pop(c));
      // A load into a target names a clip (or level) by its path; loadVariablesNum names a level.
      ClipObject* into = nullptr;
      if ((flags & 0x40) && !target.empty()) into = AsClip(rt_.ResolveTarget(c.original, target));
      if (flags & 0x80) {
        int level = -1;
        if (into || rt_.LevelName(target, level)) rt_.LoadVariables(url, into, level);
        break;
      }
      rt_.GetUrl(url, target, into);
      break;
    }
    case kGotoLabel: {
      std::string label = Text(c, r);
      if (ClipObject* t = AsClip(c.target)) {
        int f = t->timeline->FindLabel(label);
        if (f >= 0) {
          t->playing = false;
          rt_.GotoFrame(t, f);
        }
      }
      break;
    }
    case kCall: {
      Value f = Pop(c);
      ClipObject* t = AsClip(Base(c));
      std::string s = Str(c, f);
      size_t colon = s.rfind(':');
      if (colon != std::string::npos) {
        t = AsClip(rt_.ResolveTarget(c.original, s.substr(0, colon)));
        s = s.substr(colon + 1);
      }
      if (!t) break;
      double n = StringToNumber(s, 5);
      int frame = std::isfinite(n) ? static_cast<int>(std::clamp(n, -1.0, 1e9)) - 1 : t->timeline->FindLabel(s);
      if (frame < 0 || frame >= t->TotalFrames() || depth_ >= rt_.limits.callDepth) break;
      ++depth_;
      for (const ControlTag& tag : t->timeline->frames[static_cast<size_t>(frame)].tags)
        if (tag.kind == ControlTag::Kind::Action) RunBlock(t, tag.code);
      --depth_;
      break;
    }
    case kGotoFrame2: {
      uint8_t flags = r.U8();
      int bias = (flags & 2) ? r.U16() : 0;
      Value frame = Pop(c);
      Goto(c, Base(c), frame, flags & 1, bias);
      break;
    }
    default:
      return Flow::NotMine;
  }
  return Flow::Next;
}

}  // namespace swf
