// The MovieClip methods scripts call on timelines.
#include <algorithm>
#include <cmath>

#include "interpreter.h"

namespace swf {
namespace {

FunctionObject* Native(Runtime& rt, Object* owner, const char* name, NativeFn fn) {
  auto* f = rt.heap.Make<FunctionObject>(rt.functionProto);
  f->native = std::move(fn);
  owner->Set(name, Value(static_cast<Object*>(f)));
  owner->SetFlags(name, kDontEnum);
  return f;
}

ClipObject* SelfClip(const Value& self) {
  Object* o = self.AsObject();
  if (!o || o->GetKind() != Object::Kind::Display) return nullptr;
  auto* d = static_cast<DisplayObject*>(o);
  return d->type == DisplayObject::Type::Clip && !d->removed ? static_cast<ClipObject*>(d) : nullptr;
}

void ClipGoto(Interpreter& in, const Value& self, std::span<const Value> args, bool play) {
  ClipObject* clip = SelfClip(self);
  if (!clip || args.empty()) return;
  Runtime& rt = in.Rt();
  int frame = -1;
  if (args[0].IsString()) {
    double n = StringToNumber(args[0].AsString(), 5);
    frame = std::isfinite(n) ? static_cast<int>(n) - 1 : clip->timeline->FindLabel(args[0].AsString(), rt.version >= 7);
  } else {
    double n = ToNumber(args[0], rt.version);
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
    return c ? Value(c->depth - 16384) : Value();
  });
  Native(rt, cp, "getBytesLoaded", [](Interpreter& in, const Value&, std::span<const Value>) {
    return Value(static_cast<double>(in.Rt().movie ? in.Rt().movie->header.fileLength : 0));
  });
  Native(rt, cp, "getBytesTotal", [](Interpreter& in, const Value&, std::span<const Value>) {
    return Value(static_cast<double>(in.Rt().movie ? in.Rt().movie->header.fileLength : 0));
  });
}

}  // namespace swf
