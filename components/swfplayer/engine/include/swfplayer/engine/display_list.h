#pragma once
// What a renderer draws for one frame: the background and, back to front, the
// shapes and texts with their stage transforms and colour transforms.
#include <memory>
#include <string>
#include <vector>

#include "swfplayer/engine/geometry.h"
#include "swfplayer/engine/movie.h"

namespace swf {

struct DisplayItem {
  // MaskPush starts clipping to the union of maskShapes (intersected with any
  // mask already in force) until the matching MaskPop.
  enum class Kind : uint8_t { Shape, Text, MaskPush, MaskPop };
  Kind kind = Kind::Shape;
  Matrix matrix;                     // object space to stage space, both in twips
  ColorTransform cxform;
  const ShapeDef* shape = nullptr;   // Shape: fills first, then strokes
  const MovieDef* movie = nullptr;   // Shape: the movie whose bitmaps its fills name; null for the first movie
  const EditTextDef* text = nullptr; // Text: bounds, font, colour, layout
  std::string textValue;             // Text: what the field shows, lines split by "\r" or "\n"
  struct MaskShape {
    const ShapeDef* shape;
    Matrix matrix;                   // to stage space
  };
  std::vector<MaskShape> maskShapes; // MaskPush
};

struct DisplayList {
  Rgba background{255, 255, 255, 255};
  Rect stage;                        // twips
  std::vector<DisplayItem> items;
  std::shared_ptr<const MovieDef> movie;  // owns every definition the items point to
  std::vector<std::shared_ptr<const MovieDef>> loaded;  // and the movies loaded beside it

  // The bitmap a bitmap fill of a movie (null: the first) names, or null.
  const BitmapDef* Bitmap(uint16_t id, const MovieDef* from = nullptr) const {
    if (!from) from = movie.get();
    if (!from) return nullptr;
    const Character* c = from->Find(id);
    return c && c->kind == Character::Kind::Bitmap ? c->bitmap.get() : nullptr;
  }
};

}  // namespace swf
