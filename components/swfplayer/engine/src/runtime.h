#pragma once
// Internal state of a playing movie: display objects, timelines, the action
// queue and the script environment the interpreter works in.
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <set>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "swfplayer/engine/display_list.h"
#include "swfplayer/engine/movie.h"
#include "swfplayer/engine/player.h"
#include "swfplayer/engine/value.h"

namespace swf {

class Runtime;
class ClipObject;
class DisplayObject;

// The instance name of a display object. Assigning a new one keeps the parent's index of names current.
class InstanceName : public std::string {
 public:
  explicit InstanceName(DisplayObject& owner) : owner_(owner) {}
  InstanceName(const InstanceName&) = delete;
  InstanceName& operator=(const InstanceName& other) { return *this = static_cast<const std::string&>(other); }
  InstanceName& operator=(std::string name);
  InstanceName& operator=(const char* name) { return *this = std::string(name); }

 private:
  DisplayObject& owner_;
};

// Whether names keep their case in the movie (from the seventh version on).
bool NamesCaseSensitive(const Runtime& rt);

// The children of a timeline by depth, with an index by instance name. Writes go through operator[] (a slot
// that takes an object), erase and renames, which all keep the index current.
class ChildList {
 public:
  using Map = std::map<int, DisplayObject*>;
  using const_iterator = Map::const_iterator;
  using const_reverse_iterator = Map::const_reverse_iterator;

  explicit ChildList(bool caseSensitive) : caseSensitive_(caseSensitive) {}

  // One depth of the list as operator[] gives it: assigning an object puts it there.
  class Slot {
   public:
    Slot(ChildList& list, int depth) : list_(list), depth_(depth) {}
    Slot& operator=(DisplayObject* o) {
      list_.Put(depth_, o);
      return *this;
    }
    operator DisplayObject*() const;

   private:
    ChildList& list_;
    int depth_;
  };
  Slot operator[](int depth) { return Slot(*this, depth); }

  const_iterator begin() const { return byDepth_.begin(); }
  const_iterator end() const { return byDepth_.end(); }
  const_reverse_iterator rbegin() const { return byDepth_.rbegin(); }
  const_reverse_iterator rend() const { return byDepth_.rend(); }
  const_iterator find(int depth) const { return byDepth_.find(depth); }
  size_t count(int depth) const { return byDepth_.count(depth); }
  bool empty() const { return byDepth_.empty(); }
  size_t size() const { return byDepth_.size(); }
  const_iterator erase(const_iterator it);

  // Puts an object at a depth, replacing what was there; null empties the depth.
  void Put(int depth, DisplayObject* o);
  // Of the children with that name, the one at the lowest depth; null when there is none.
  DisplayObject* ByName(const std::string& name) const;
  // A child got a new name (its old one given).
  void Renamed(DisplayObject* o, const std::string& oldName);

 private:
  std::string Fold(const std::string& name) const;
  void Unindex(int depth, const std::string& name);

  Map byDepth_;
  std::unordered_map<std::string, Map> byName_;  // folded name: the children of that name by depth
  bool caseSensitive_;
};

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
  InstanceName name{*this};
  Matrix matrix;
  ColorTransform cxform;
  bool visible = true;
  uint16_t ratio = 0, clipDepth = 0;
  bool scriptTransformed = false;  // a script changed its placement; the timeline leaves it alone
  bool placedByScript = false;
  bool removed = false;
  uint64_t bornTick = 0;
  std::string dropTarget;  // the slash path of the clip a drag last left this object over; empty over none
  // The scales (percent) and rotation (degrees) last written by a script, read back as written for as long as
  // the matrix they were applied to stays unchanged.
  struct WrittenTransform {
    Matrix appliedTo;
    double xScale = 0, yScale = 0, rotation = 0;
    bool valid = false;
  } written;

  virtual Rect LocalBounds() const { return {}; }
  Matrix StageMatrix() const;
  std::string SlashPath() const;   // "/a/b", "/" for the root, "_level1/a" on a level above
  std::string DotPath() const;     // "_level0.a.b"
  std::string DefaultString(int version) const override { return DotPath(); }
  void Trace(std::vector<Object*>& out) const override;

 protected:
  // Reads a placement property or _parent; false when the name is neither, else *found says whether it has a value.
  bool GetPlacementProperty(const std::string& name, Value& out, bool* found);
  // Writes a placement property ("_x", "_alpha"...); false when the name is none.
  bool SetPlacementProperty(const std::string& name, const Value& v);
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
  // The placement properties (_x, _alpha, _name...) read and write the button's placement.
  bool Get(const std::string& name, Value& out) override;
  void Set(const std::string& name, const Value& v) override;
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
  ChildList children{NamesCaseSensitive(rt)};
  std::vector<ClipAction> clipActions;
  bool trailingDone = false;       // the tags after the last frame ran
  // Set on the root of a movie loaded beside the first (a level or a clip whose content it replaced).
  std::shared_ptr<const MovieDef> source;
  std::string url;
  int level = -1;                  // the level a movie's root stands on; -1 for other clips
};

constexpr int kMaxNesting = 64;  // clips inside clips
// Depths scripts use start here inside a timeline's display list; timeline depths lie below.
constexpr int kScriptDepth = 16384;
constexpr int kMaxScriptDepth = kScriptDepth + 1048575;

// Script code waiting to run on a timeline, or a handler property waiting to be called.
struct PendingScript {
  ClipObject* clip = nullptr;
  std::shared_ptr<const std::vector<uint8_t>> code;
  DisplayObject* object = nullptr;  // with method: object[method]() is called
  const char* method = nullptr;
  bool unloading = false;           // runs although its clip has left the stage
  bool construct = false;           // runs the class registered for the object's symbol on it
};

// A setInterval or setTimeout timer on the movie clock.
struct Timer {
  uint32_t id = 0;
  Value function;                   // or object and method
  Value object;
  std::string method;
  std::vector<Value> args;
  double period = 0, due = 0;       // milliseconds
  bool once = false;
};

// Everything of one loaded movie while it plays.
class Runtime {
 public:
  Runtime(PlayerCallbacks cb, PlayerLimits limits) : cb(std::move(cb)), limits(limits) {}

  PlayerCallbacks cb;
  PlayerLimits limits;
  int hostCallDepth = 0;             // the host's call depth, which a movie may lower but not raise
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
  std::set<int> keysDown;            // key codes as Key.isDown takes them
  int lastKey = 0, lastAscii = 0;
  Object* keyObject = nullptr;       // Key and Mouse, whose listeners hear the input
  Object* mouseObject = nullptr;
  DisplayObject* hover = nullptr;    // a button, or a clip with mouse handlers
  DisplayObject* pressed = nullptr;
  bool pressedOutside = false;
  DisplayObject* dragged = nullptr;  // the clip startDrag follows the mouse with
  bool dragLockCenter = false, dragConstrained = false;
  double dragOffsetX = 0, dragOffsetY = 0;
  Rect dragBounds;                   // twips, in the parent's space
  int quality = 1;
  Rgba background;
  std::set<uint16_t> initDone;
  // Scripts run initialize events and init actions first, then constructions, then everything else in order.
  std::deque<PendingScript> initQueue, constructQueue, queue;
  // Every clip in creation order; each frame walks it newest first.
  std::vector<ClipObject*> execution;
  std::map<uint32_t, Timer> timers;  // by id
  uint32_t nextTimerId = 1;
  static constexpr size_t kMaxTimers = 4096;
  Character emptyClip;               // what createEmptyMovieClip places
  std::vector<std::pair<std::string, Value>> classes;  // Object.registerClass: export name to constructor
  static constexpr size_t kMaxClasses = 4096;
  std::vector<Value> stack;        // the value stack the action blocks of a frame share
  int blockNesting = 0;             // action blocks running inside one another
  std::shared_ptr<const std::vector<std::string>> constants;  // the last ConstantPool, in force for later blocks
  uint64_t actionsThisFrame = 0;
  bool aborted = false;            // the frame's budget is spent
  bool abortList = false;          // calls nested too deeply: the running action list ends
  bool scriptRan = false;
  uint32_t rng = 0x2545F491u;

  bool Load(std::shared_ptr<const MovieDef> m);
  void Unload();
  bool Advance();
  // Starts the action and allocation budgets of one frame or one host call.
  void BeginBudget();

  // Timelines.
  // Moves a playing clip on by one frame.
  void AdvanceClip(ClipObject* clip);
  void GotoFrame(ClipObject* clip, int frame);
  void EnterFrame(ClipObject* clip, int frame, bool withActions);
  void EnterTags(ClipObject* clip, const Frame& f, bool withActions);
  void ApplyPlace(ClipObject* clip, const PlaceTag& p);
  // Whether objects of the character stay themselves when a placement names another character at their depth.
  bool KeepsInstance(const ClipObject* clip, uint16_t characterId) const;
  DisplayObject* Instantiate(ClipObject* parent, const Character& c, const PlaceTag& p);
  void RemoveChild(ClipObject* clip, int depth);
  void Unloaded(DisplayObject* o);
  void RunQueue();
  void RunScript(ClipObject* clip, const std::shared_ptr<const std::vector<uint8_t>>& code);
  // Queues the clip's onClipEvent code for the event and its handler property of the same event.
  void QueueClipEvent(ClipObject* clip, uint32_t event, bool unloading = false);
  void QueueClipEventEverywhere(DisplayObject* o, uint32_t event, int depth = 0);
  void QueueOnEveryLevel(uint32_t event);
  // Queues object[method](), called if the object has a function of that name when its turn comes.
  void QueueHandler(DisplayObject* o, const char* method, bool unloading = false);
  // A new clip's initialize events run before anything else waiting; its construct events and class
  // constructor come next (queued, or left to the caller when made by a script).
  void QueueInitialize(ClipObject* clip);
  void QueueConstruct(ClipObject* clip);
  // Runs the clip's construct events now.
  void RunConstructEvents(ClipObject* clip);
  void RunTimers();
  // Places a clip from a script (attachMovie, duplicateMovieClip, createEmptyMovieClip) at a
  // display-list depth, replacing what is there: its load event and first frame are queued, its construct
  // events run at once and its initialize events after the calling script; the caller runs its class constructor.
  ClipObject* PlaceScriptClip(ClipObject* parent, const Character& c, uint16_t characterId, int depth,
                              const std::string& name, const Matrix& m, const ColorTransform& cx,
                              const std::vector<ClipAction>& actions, Object* init);
  // removeMovieClip: only clips at script depths go.
  void RemoveScriptClip(DisplayObject* o);
  const Character* CharacterOf(const DisplayObject* o) const;
  // The constructor registered for a symbol's export name; undefined when there is none.
  Value RegisteredClass(uint16_t characterId) const;
  // Gives a clip of a registered symbol its class: the prototype now, the constructor queued
  // (or run by the caller when it returns the constructor).
  Value AttachClass(ClipObject* clip);
  void StartDrag(DisplayObject* o, bool lockCenter, const Rect* bounds);
  void Drag();

  // Movies loaded beside the first: into levels above 0 and into clips; variables read from text files into
  // clips. Requests wait for the next frame.
  struct LoadRequest {
    std::string url;               // empty: unload
    int level = -1;
    ClipObject* target = nullptr;
    bool variables = false;        // "name=value&..." text for the target's variables rather than a movie
  };
  std::vector<LoadRequest> loads;
  std::map<int, ClipObject*> levels;                          // roots of the levels above 0
  std::vector<std::shared_ptr<const MovieDef>> loadedMovies;  // kept while the runtime lives: objects point into them
  static constexpr size_t kMaxLoadedMovies = 256;
  std::string baseFolder;          // the folder sibling movies are read from; empty when the movie came from memory
  std::string url;                 // the first movie's address
  // A GetURL: an FSCommand, a movie to load into a level or clip, or an address for the host.
  void GetUrl(const std::string& url, const std::string& target, ClipObject* loadInto);
  // loadVariables into a clip, or loadVariablesNum into a level when the clip is null.
  void LoadVariables(const std::string& url, ClipObject* into, int level);
  void ProcessLoads();
  std::shared_ptr<const MovieDef> ReadSibling(const std::string& url, std::string& address);
  bool ReadSiblingBytes(const std::string& url, std::vector<uint8_t>& bytes, std::string& relative) const;
  void ApplyVariables(ClipObject* target, const std::vector<uint8_t>& text);
  const MovieDef& MovieOf(const DisplayObject* o) const;
  std::string UrlOf(const DisplayObject* o) const;
  ClipObject* LevelRoot(int level) const;
  // What _root names for a script of this object: the root of its level.
  ClipObject* RootOf(const DisplayObject* o) const;

  // Paths, variables and properties.
  DisplayObject* ResolveTarget(DisplayObject* base, const std::string& path);
  Value GetProperty(DisplayObject* o, int index);
  void SetProperty(DisplayObject* o, int index, const Value& v);
  bool SameName(const std::string& a, const std::string& b) const;

  // Path segments. _root, this and _levelN name what they name only as a path's first segment.
  bool LevelName(const std::string& seg, int& level) const;
  bool FirstSegmentOnly(const std::string& seg) const;
  // Where a path starts when it is absolute ("/", _root, _levelN, this, _global), with pos past that part;
  // absolute is false for a relative path. Null when the start names nothing (a level not loaded).
  Object* AbsoluteStart(const std::string& path, Object* self, size_t& pos, bool& absolute);
  // One step from an object: a child clip of that name first, then _parent, then a member holding an object.
  Value PathStep(Object* from, const std::string& seg);
  // Follows path from pos on; undefined when a segment (an empty one too) names nothing.
  Value FollowPath(Object* from, const std::string& path, size_t pos);

  // Mouse and keyboard.
  void MouseMove(double xTwips, double yTwips);
  void MouseButton(bool down);
  void KeyEvent(int keyCode, int ascii, bool down);
  // Calls method on every listener registered with Key or Mouse (their "_listeners" array).
  void Broadcast(Object* source, const char* method);
  // The topmost button, or clip with mouse handlers, under a stage point.
  DisplayObject* HitButton(DisplayObject* o, const Matrix& parentToStage, double x, double y, int depth = 0);
  // The innermost clip showing something at the stage point, leaving out `skip` and what it holds.
  ClipObject* ClipAt(ClipObject* clip, const Matrix& parentToStage, double x, double y, const DisplayObject* skip,
                     int depth = 0);
  bool HasMouseHandlers(DisplayObject* o);
  void ButtonTransition(DisplayObject* b, uint16_t condition, int newState);

  void Build(DisplayList& out);
  void Collect();
  void Fscommand(const std::string& url, const std::string& target);
};

// Whether the object has a function under that name now.
bool HasFunction(DisplayObject* o, const char* name);
// Whether a stage point (twips) lies inside a shape drawn with the given matrix.
bool ShapeHit(const ShapeDef& shape, const Matrix& toStage, double x, double y);
// Whether a stage point (twips) lies on what a display object draws.
bool ObjectHit(const DisplayObject* o, const Matrix& toStage, double x, double y);
// Calls a function value from outside a script (timers, handlers); defined by the interpreter.
Value CallScript(Runtime& rt, const Value& fn, const Value& self, std::span<const Value> args);
Value CallScriptMember(Runtime& rt, const Value& obj, const std::string& name, std::span<const Value> args);

// Runs one code block on a timeline; defined by the interpreter.
void ExecuteBlock(Runtime& rt, ClipObject* clip, const std::shared_ptr<const std::vector<uint8_t>>& code);
// Sets up the global object and the built-in prototypes.
void InstallGlobals(Runtime& rt);
// Adds the MovieClip methods to the clip prototype and the timer functions to the global object.
void InstallClipMethods(Runtime& rt);

}  // namespace swf
