// Turns the display objects of a playing movie into the display list the renderer draws.
#include "runtime.h"

#include <algorithm>
#include <cctype>
#include <cstdint>

namespace swf {

namespace {
// The movie whose bitmaps an object's fills name, when it is not the first.
const MovieDef* ForeignMovie(const Runtime& rt, const DisplayObject* o) {
  const MovieDef* m = &rt.MovieOf(o);
  return m == rt.movie.get() ? nullptr : m;
}

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
      it.movie = ForeignMovie(rt, o);
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
        it.movie = ForeignMovie(rt, o);
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
  out.loaded = loadedMovies;
  out.stage = movie ? movie->header.stage : Rect{};
  if (!root) return;
  RefreshTexts(*this, root, 0);
  Emit(*this, root, Matrix{}, ColorTransform{}, out, 0);
  for (auto& [n, clip] : levels) {
    RefreshTexts(*this, clip, 0);
    Emit(*this, clip, Matrix{}, ColorTransform{}, out, 0);
  }
  for (DisplayItem& it : out.items)
    if (it.kind == DisplayItem::Kind::Text && it.text->html) it.textValue = PlainText(it.textValue);
}
}  // namespace swf
