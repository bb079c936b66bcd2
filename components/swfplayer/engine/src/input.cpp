// Mouse and keyboard input of a playing movie: hit tests, button states, dragging, key and mouse listeners.
#include "runtime.h"

#include <algorithm>

namespace swf {
namespace {

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

}  // namespace

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
  // What the dragged object is over: the higher levels cover the lower ones.
  ClipObject* under = nullptr;
  for (auto it = levels.rbegin(); it != levels.rend() && !under; ++it)
    under = ClipAt(it->second, Matrix{}, mouseX, mouseY, o);
  if (!under && root) under = ClipAt(root, Matrix{}, mouseX, mouseY, o);
  o->dropTarget = under ? under->SlashPath() : std::string();
}

ClipObject* Runtime::ClipAt(ClipObject* clip, const Matrix& parentToStage, double x, double y,
                            const DisplayObject* skip, int depth) {
  if (clip == skip || !clip->visible || clip->removed || depth > kMaxNesting) return nullptr;
  Matrix m = parentToStage * clip->matrix;
  for (auto it = clip->children.rbegin(); it != clip->children.rend(); ++it) {
    DisplayObject* c = it->second;
    if (c == skip || !c->visible || c->clipDepth) continue;
    if (c->type == DisplayObject::Type::Clip) {
      if (ClipObject* inner = ClipAt(static_cast<ClipObject*>(c), m, x, y, skip, depth + 1)) return inner;
    } else if (ObjectHit(c, m * c->matrix, x, y)) {
      return clip;
    }
  }
  return nullptr;
}

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

void Runtime::QueueOnEveryLevel(uint32_t event) {
  QueueClipEventEverywhere(root, event);
  for (auto& [n, level] : levels) QueueClipEventEverywhere(level, event);
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
  QueueOnEveryLevel(kClipMouseMove);
  Broadcast(mouseObject, "onMouseMove");
  // The levels above cover the ones below.
  DisplayObject* hit = nullptr;
  for (auto it = levels.rbegin(); it != levels.rend() && !hit; ++it) hit = HitButton(it->second, Matrix{}, x, y);
  if (!hit) hit = HitButton(root, Matrix{}, x, y);
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
    QueueOnEveryLevel(kClipMouseDown);
    Broadcast(mouseObject, "onMouseDown");
    if (hover && !pressed) {
      pressed = hover;
      pressedOutside = false;
      ButtonTransition(pressed, kOverUpToOverDown, 2);
    }
  } else {
    QueueOnEveryLevel(kClipMouseUp);
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
  QueueOnEveryLevel(down ? kClipKeyDown : kClipKeyUp);
  if (down) {
    if (int code = ButtonKeyCode(keyCode, ascii)) {
      QueueKeyPresses(*this, root, code, 0);
      for (auto& [n, level] : levels) QueueKeyPresses(*this, level, code, 0);
    }
  }
  Broadcast(keyObject, down ? "onKeyDown" : "onKeyUp");
  RunQueue();
}
}  // namespace swf
