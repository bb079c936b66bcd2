#pragma once
// Writes SWF files: header, background, shapes from rectangles, ellipses and
// paths, bitmaps, edit texts bound to variables, buttons with actions,
// sprites, frame labels and action blocks.
#include <cstdint>
#include <string>
#include <vector>

#include "swfplayer/asm/actions.h"

namespace swfasm {

struct Color {
  uint8_t r = 0, g = 0, b = 0, a = 255;
};

// Pixels; converted to the file's twips when written.
struct Transform {
  double a = 1, b = 0, c = 0, d = 1, x = 0, y = 0;
  static Transform Translate(double x, double y) { return {1, 0, 0, 1, x, y}; }
  static Transform Scale(double sx, double sy, double x = 0, double y = 0) { return {sx, 0, 0, sy, x, y}; }
};

// A path of one or more figures, each with the fill and line current when it was started. Pixels.
class Shape {
 public:
  Shape& Fill(Color c);
  Shape& BitmapFill(uint16_t bitmapId, Transform t = {}, bool smooth = true);
  // Gradient from ratio 0 to 255 along the gradient square (-819.2..819.2 pixels unscaled) mapped by t.
  Shape& GradientFill(bool radial, const std::vector<std::pair<uint8_t, Color>>& stops, Transform t = {});
  Shape& NoFill();
  Shape& Line(double width, Color c);
  Shape& NoLine();
  Shape& MoveTo(double x, double y);
  Shape& LineTo(double x, double y);
  Shape& CurveTo(double cx, double cy, double x, double y);
  Shape& Rect(double x, double y, double w, double h);
  Shape& Ellipse(double cx, double cy, double rx, double ry);

  // DefineShape3 body after the character id.
  std::vector<uint8_t> Encode() const;
  // A font glyph: shape records only, coordinates taken as em-square units (1024 to the em).
  std::vector<uint8_t> EncodeGlyph() const;

 private:
  struct FillSpec {
    bool bitmap = false;
    int gradient = 0;  // 0 none, 1 linear, 2 radial
    std::vector<std::pair<uint8_t, Color>> stops;
    Color color;
    uint16_t bitmapId = 0;
    Transform t;
    bool smooth = true;
  };
  struct LineSpec {
    double width;
    Color color;
  };
  struct Cmd {
    enum Kind { Move, Line, Curve } kind;
    int32_t x, y, cx, cy;
    unsigned fill, line;  // 1-based style indices, 0 none
  };
  friend struct ShapeEncoder;
  std::vector<FillSpec> fills_;
  std::vector<LineSpec> lines_;
  std::vector<Cmd> cmds_;
  unsigned fill_ = 0, line_ = 0;
};

struct EditTextSpec {
  double x = 0, y = 0, width = 100, height = 20;  // bounds, pixels
  std::string variable;
  std::string text;
  Color color{0, 0, 0, 255};
  double fontSize = 12;                           // pixels
  std::string fontName = "_sans";                 // a device font
  uint8_t align = 0;                              // 0 left, 1 right, 2 center, 3 justify
  bool multiline = false, wordWrap = false, html = false, readOnly = true, border = false;
};

// One run of static text: glyph indices of a font with their advances (pixels).
struct TextRunSpec {
  uint16_t fontId;
  double size;      // pixels
  Color color;
  double x, y;      // baseline start, pixels
  std::vector<std::pair<uint16_t, double>> glyphs;
};

struct ButtonRecordSpec {
  ButtonRecordSpec(uint8_t states, uint16_t characterId, uint16_t depth = 1, Transform transform = {})
      : states(states), characterId(characterId), depth(depth), transform(transform) {}
  uint8_t states;  // 1 up, 2 over, 4 down, 8 hit
  uint16_t characterId;
  uint16_t depth;
  Transform transform;
};

struct ButtonActionSpec {
  uint16_t conditions;  // 0x01 roll over, 0x02 roll out, 0x04 press, 0x08 release, ...
  Actions actions;
};

struct ButtonSpec {
  std::vector<ButtonRecordSpec> records;
  std::vector<ButtonActionSpec> actions;
  bool trackAsMenu = false;
};

// Clip event bits of onClipEvent handlers.
enum ClipEventFlags : uint32_t {
  kOnLoad = 0x01, kOnEnterFrame = 0x02, kOnUnload = 0x04, kOnMouseMove = 0x08, kOnMouseDown = 0x10,
  kOnMouseUp = 0x20, kOnKeyDown = 0x40, kOnKeyUp = 0x80, kOnData = 0x100,
};

struct ClipEventSpec {
  uint32_t events;
  Actions actions;
};

// Tags of one timeline: the main one or a sprite's.
class Timeline {
 public:
  // PlaceObject2 of a sprite with onClipEvent handlers (written in the version 6 form); the flags of all events
  // are those of the handlers, limited to allEventsMask.
  Timeline& PlaceWithEvents(uint16_t characterId, uint16_t depth, Transform t, const std::string& name,
                            const std::vector<ClipEventSpec>& events, uint32_t allEventsMask = 0xFFFFFFFFu);
  Timeline& Place(uint16_t characterId, uint16_t depth, Transform t = {}, const std::string& name = "");
  // A mask: clips the objects above it up to clipDepth.
  Timeline& PlaceMask(uint16_t characterId, uint16_t depth, uint16_t clipDepth, Transform t = {});
  Timeline& PlaceObject1(uint16_t characterId, uint16_t depth, Transform t = {});
  Timeline& Move(uint16_t depth, Transform t);
  Timeline& Replace(uint16_t characterId, uint16_t depth);
  Timeline& Remove(uint16_t depth);
  Timeline& Do(const Actions& actions);
  Timeline& InitActions(uint16_t spriteId, const Actions& actions);
  Timeline& Label(const std::string& name);
  Timeline& Background(Color c);
  Timeline& ShowFrame();
  Timeline& Tag(uint16_t code, const std::vector<uint8_t>& body);

  uint16_t Frames() const { return frames_; }
  const std::vector<uint8_t>& Bytes() const { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
  uint16_t frames_ = 0;
};

// A whole movie being written: its definitions and main timeline.
class MovieBuilder {
 public:
  MovieBuilder(int version = 6, double width = 550, double height = 400, double frameRate = 12);

  void SetCompressed(bool compressed) { compressed_ = compressed; }
  // The main timeline; definitions and main timeline tags keep the order they are made in.
  Timeline& Main() { return main_; }

  uint16_t DefineShape(const Shape& shape);
  uint16_t Rectangle(double x, double y, double w, double h, Color fill);
  uint16_t Ellipse(double cx, double cy, double rx, double ry, Color fill);
  uint16_t DefineBitmap(uint32_t width, uint32_t height, const std::vector<uint32_t>& argb);  // 0xAARRGGBB
  uint16_t DefineEditText(const EditTextSpec& spec);
  uint16_t DefineButton(const ButtonSpec& spec);
  uint16_t DefineButton1(const std::vector<ButtonRecordSpec>& records, const Actions& onRelease);
  uint16_t DefineSprite(const Timeline& timeline, bool withEnd = true);
  // A clip of one frame holding one rectangle at depth 1.
  uint16_t RectangleSprite(double x, double y, double w, double h, Color fill);
  // DefineFont2 with outlines (see Shape::EncodeGlyph) and the character code of each glyph;
  // with no glyph outlines it is a device font.
  uint16_t DefineFont(const std::string& name, const std::vector<std::pair<uint16_t, Shape>>& glyphs);
  uint16_t DefineText(double x, double y, double w, double h, const std::vector<TextRunSpec>& runs);

  // The finished file ("FWS", or "CWS" when compressed).
  std::vector<uint8_t> Build() const;

 private:
  uint16_t NextId() { return nextId_++; }
  uint16_t FontFor(const std::string& name);
  int version_;
  double width_, height_, frameRate_;
  bool compressed_ = false;
  Timeline main_;
  uint16_t nextId_ = 1;
  std::vector<std::pair<std::string, uint16_t>> fonts_;
};

// Helpers shared by the writers.
void AppendTag(std::vector<uint8_t>& out, uint16_t code, const std::vector<uint8_t>& body);

}  // namespace swfasm
