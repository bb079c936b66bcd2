// The script queue of a playing movie: frame scripts, clip events and handlers, timers, fscommand.
#include "runtime.h"

#include <algorithm>
#include <cctype>

namespace swf {
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

}  // namespace

bool HasFunction(DisplayObject* o, const char* name) {
  Value v;
  return o->Get(name, v) && v.AsObject() && v.AsObject()->GetKind() == Object::Kind::Function;
}

void Runtime::QueueHandler(DisplayObject* o, const char* method, bool unloading) {
  if (!o || !method) return;
  PendingScript s;
  s.clip = o->type == DisplayObject::Type::Clip ? static_cast<ClipObject*>(o) : o->parent;
  s.object = o;
  s.method = method;
  s.unloading = unloading;
  queue.push_back(std::move(s));
}

void Runtime::QueueInitialize(ClipObject* clip) {
  for (const ClipAction& a : clip->clipActions)
    if ((a.events & kClipInitialize) && a.code) initQueue.push_back({clip, a.code});
}

void Runtime::QueueConstruct(ClipObject* clip) {
  bool constructs = std::any_of(clip->clipActions.begin(), clip->clipActions.end(),
                                [](const ClipAction& a) { return (a.events & kClipConstruct) != 0; });
  if (!constructs && movie->exports.empty()) return;
  PendingScript s;
  s.clip = clip;
  s.object = clip;
  s.construct = true;
  constructQueue.push_back(std::move(s));
}

void Runtime::RunConstructEvents(ClipObject* clip) {
  for (const ClipAction& a : clip->clipActions) {
    if (clip->removed) break;
    if (!(a.events & kClipConstruct) || !a.code) continue;
    // Construct events that make clips which construct at once would nest without end.
    if (blockNesting >= kMaxNesting) {
      constructQueue.push_back({clip, a.code});
      continue;
    }
    RunScript(clip, a.code);
  }
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

void Runtime::RunQueue() {
  size_t guard = 0;
  for (;;) {
    // Whatever a script queued with a higher priority runs before the next script of a lower one.
    std::deque<PendingScript>& from = !initQueue.empty() ? initQueue : !constructQueue.empty() ? constructQueue : queue;
    if (from.empty()) break;
    PendingScript s = from.front();
    from.pop_front();
    if (aborted || ++guard > (1u << 20)) continue;
    if (!s.clip || (s.clip->removed && !s.unloading)) continue;
    if (s.construct) {
      RunConstructEvents(s.clip);
      if (s.clip->removed) continue;
      Value ctor = AttachClass(s.clip);
      if (!ctor.IsUndefined()) {
        scriptRan = true;
        CallScript(*this, ctor, Value(static_cast<Object*>(s.clip)), {});
      }
      continue;
    }
    if (s.method) {
      if (!s.object || (s.object->removed && !s.unloading) || !HasFunction(s.object, s.method)) continue;
      scriptRan = true;
      CallScriptMember(*this, Value(static_cast<Object*>(s.object)), s.method, {});
      continue;
    }
    if (s.code) RunScript(s.clip, s.code);
  }
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

}  // namespace swf
