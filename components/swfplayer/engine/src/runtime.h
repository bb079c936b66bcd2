#pragma once
// Internal state of a playing movie: display objects, timelines, the action
// queue and the script environment the interpreter works in.
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "swfplayer/engine/display_list.h"
#include "swfplayer/engine/movie.h"
#include "swfplayer/engine/player.h"
#include "swfplayer/engine/value.h"

namespace swf {

class Runtime;
class ClipObject;

// Something on a display list: the common placement state of shapes, texts,
// buttons and clips, and their script-visible object.
class DisplayObject : public Object {
 public:
  enum class Type : uint8_t { Shape, Text, Button, Clip, StaticText };
  DisplayObject(Heap& heap, Object* proto, Type t, Runtime& rt)
      : Object(heap, proto, Kind::Display), type(t), rt(rt) {}

  Type type;
  Runtime& rt;
  ClipObject* parent = nullptr;
  int depth = 0;
  uint16_t characterId = 0;
  std::string name;
  Matrix matrix;
  ColorTransform cxform;
  bool visible = true;
  uint16_t ratio = 0, clipDepth = 0;
  bool scriptTransformed = false;  // a script changed its placement; the timeline leaves it alone
  bool placedByScript = false;
  bool removed = false;
  uint64_t bornTick = 0;

  virtual Rect LocalBounds() const { return {}; }
  Matrix StageMatrix() const;
  std::string SlashPath() const;   // "/a/b", "/" for the root
  std::string DotPath() const;     // "_level0.a.b"
  std::string DefaultString(int version) const override { return DotPath(); }
  void Trace(std::vector<Object*>& out) const override;
};

// A placed shape.
class ShapeInstance : public DisplayObject {
 public:
  ShapeInstance(Heap& h, Object* proto, Runtime& rt, const ShapeDef* s)
      : DisplayObject(h, proto, Type::Shape, rt), shape(s) {}
  Rect LocalBounds() const override { return shape->bounds; }
  const ShapeDef* shape;
};

// A placed static text.
class StaticTextInstance : public DisplayObject {
 public:
  StaticTextInstance(Heap& h, Object* proto, Runtime& rt, const StaticTextDef* d)
      : DisplayObject(h, proto, Type::StaticText, rt), def(d) {}
  Rect LocalBounds() const override { return def->matrix.Transform(def->bounds); }
  const StaticTextDef* def;
};

// A placed edit text with its shown text and variable binding.
class TextInstance : public DisplayObject {
 public:
  TextInstance(Heap& h, Object* proto, Runtime& rt, const EditTextDef* d)
      : DisplayObject(h, proto, Type::Text, rt), def(d), text(d->initialText) {}
  Rect LocalBounds() const override { return def->bounds; }
  // "text" reads and writes what the field shows (and its bound variable).
  bool Get(const std::string& name, Value& out) override;
  void Set(const std::string& name, const Value& v) override;
  // The object and name of the bound variable; false when the field has none.
  bool Binding(DisplayObject*& owner, std::string& leaf) const;
  // Takes the bound variable's current value.
  void Refresh();
  const EditTextDef* def;
  std::string text;
  bool busy = false;  // fields bound to each other's text must not recurse
};

// A placed button: its state and the objects of its four states.
class ButtonInstance : public DisplayObject {
 public:
  ButtonInstance(Heap& h, Object* proto, Runtime& rt, const ButtonDef* d)
      : DisplayObject(h, proto, Type::Button, rt), def(d) {}
  Rect LocalBounds() const override;
  void Trace(std::vector<Object*>& out) const override;
  uint8_t StateMask() const { return state == 2 ? 0x04 : state == 1 ? 0x02 : 0x01; }
  const ButtonDef* def;
  struct Part {
    uint8_t states;
    DisplayObject* object;
  };
  std::vector<Part> parts;
  int state = 0;                   // 0 up, 1 over, 2 down
};

// A timeline (the main one or a sprite instance): frame, play state, children, variables.
class ClipObject : public DisplayObject {
 public:
  ClipObject(Heap& h, Object* proto, Runtime& rt, const TimelineDef* tl)
      : DisplayObject(h, proto, Type::Clip, rt), timeline(tl) {}
  bool Get(const std::string& name, Value& out) override;
  void Set(const std::string& name, const Value& v) override;
  Rect LocalBounds() const override;
  void Trace(std::vector<Object*>& out) const override;
  DisplayObject* ChildByName(const std::string& name) const;
  int TotalFrames() const { return static_cast<int>(timeline->frames.size()); }

  const TimelineDef* timeline;
  int frame = -1;                  // 0-based; -1 before the first frame was shown
  bool playing = true;
  std::map<int, DisplayObject*> children;
  std::vector<ClipAction> clipActions;
};

constexpr int kMaxNesting = 64;  // clips inside clips

// Script code waiting to run on a timeline.
struct PendingScript {
  ClipObject* clip = nullptr;
  std::shared_ptr<const std::vector<uint8_t>> code;
};

// Everything of one loaded movie while it plays.
class Runtime {
 public:
  Runtime(PlayerCallbacks cb, PlayerLimits limits) : cb(std::move(cb)), limits(limits) {}

  PlayerCallbacks cb;
  PlayerLimits limits;
  std::shared_ptr<const MovieDef> movie;
  Heap heap;
  ClipObject* root = nullptr;
  Object* global = nullptr;
  Object* objectProto = nullptr;
  Object* functionProto = nullptr;
  Object* arrayProto = nullptr;
  Object* clipProto = nullptr;
  int version = 0;
  bool started = false;
  bool loop = true;
  double timeMs = 0;
  uint64_t tick = 0;
  uint64_t instanceCounter = 0;
  double mouseX = 0, mouseY = 0;   // twips
  bool mouseDown = false;
  ButtonInstance* hover = nullptr;
  ButtonInstance* pressed = nullptr;
  bool pressedOutside = false;
  DisplayObject* dragged = nullptr;  // the clip startDrag follows the mouse with
  bool dragLockCenter = false, dragConstrained = false;
  double dragOffsetX = 0, dragOffsetY = 0;
  Rect dragBounds;                   // twips, in the parent's space
  int quality = 1;
  Rgba background;
  std::set<uint16_t> initDone;
  std::deque<PendingScript> queue;
  uint64_t actionsThisFrame = 0;
  bool aborted = false;            // the frame's budget is spent
  bool scriptRan = false;
  uint32_t rng = 0x2545F491u;

  bool Load(std::shared_ptr<const MovieDef> m);
  void Unload();
  bool Advance();
  // Starts the action and allocation budgets of one frame or one host call.
  void BeginBudget();

  // Timelines.
  void AdvanceClip(ClipObject* clip);
  void GotoFrame(ClipObject* clip, int frame);
  void EnterFrame(ClipObject* clip, int frame, bool withActions);
  void ApplyPlace(ClipObject* clip, const PlaceTag& p);
  DisplayObject* Instantiate(ClipObject* parent, const Character& c, const PlaceTag& p);
  void RemoveChild(ClipObject* clip, int depth);
  void Unloaded(DisplayObject* o);
  void RunQueue();
  void RunScript(ClipObject* clip, const std::shared_ptr<const std::vector<uint8_t>>& code);
  void QueueClipEvent(ClipObject* clip, uint32_t event);
  void QueueClipEventEverywhere(DisplayObject* o, uint32_t event, int depth = 0);
  void StartDrag(DisplayObject* o, bool lockCenter, const Rect* bounds);
  void Drag();

  // Paths, variables and properties.
  DisplayObject* ResolveTarget(DisplayObject* base, const std::string& path);
  Value GetProperty(DisplayObject* o, int index);
  void SetProperty(DisplayObject* o, int index, const Value& v);
  bool SameName(const std::string& a, const std::string& b) const;

  // Mouse.
  void MouseMove(double xTwips, double yTwips);
  void MouseButton(bool down);
  ButtonInstance* HitButton(DisplayObject* o, const Matrix& parentToStage, double x, double y);
  void ButtonTransition(ButtonInstance* b, uint16_t condition, int newState);

  void Build(DisplayList& out);
  void Collect();
  void Fscommand(const std::string& url, const std::string& target);
};

// Whether a stage point (twips) lies inside a shape drawn with the given matrix.
bool ShapeHit(const ShapeDef& shape, const Matrix& toStage, double x, double y);

// Runs one code block on a timeline; defined by the interpreter.
void ExecuteBlock(Runtime& rt, ClipObject* clip, const std::shared_ptr<const std::vector<uint8_t>>& code);
// Sets up the global object and the built-in prototypes.
void InstallGlobals(Runtime& rt);
// Adds the MovieClip methods to the clip prototype and the timer functions to the global object.
void InstallClipMethods(Runtime& rt);

}  // namespace swf
