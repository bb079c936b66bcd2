#pragma once
// The loaded form of an SWF file: its header, the character dictionary and the
// timelines as lists of per-frame control tags. Immutable once loaded.
#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "swfplayer/engine/geometry.h"

namespace swf {

struct Header {
  char signature[4] = {0, 0, 0, 0};  // "FWS" or "CWS"
  uint8_t version = 0;
  uint32_t fileLength = 0;           // as stated by the file
  Rect stage;                        // twips
  double frameRate = 0;              // frames per second (8.8 fixed point in the file)
  uint16_t frameCount = 0;           // as stated by the file
};

enum class LoadError { None, TooShort, BadSignature, BadCompression, TooLarge };

struct GradientStop {
  uint8_t ratio = 0;
  Rgba color;
};

struct FillStyle {
  enum class Kind : uint8_t { Solid, LinearGradient, RadialGradient, FocalGradient, Bitmap };
  Kind kind = Kind::Solid;
  Rgba color;
  Matrix matrix;                     // gradient or bitmap space to shape space
  std::vector<GradientStop> stops;
  uint8_t spread = 0, interpolation = 0;
  double focalPoint = 0;
  uint16_t bitmapId = 0;
  bool bitmapRepeat = true, bitmapSmooth = true;
};

struct LineStyle {
  double width = 0;                  // twips
  Rgba color;
  bool hasFill = false;
  FillStyle fill;
  uint8_t startCap = 0, endCap = 0, join = 0;
  double miterLimit = 3;
};

struct PathCommand {
  enum class Op : uint8_t { Move, Line, Curve };
  Op op = Op::Move;
  float x = 0, y = 0;                // end point
  float cx = 0, cy = 0;              // control point of a quadratic curve
};

// One filled region: closed contours sharing one fill style, filled even-odd.
struct FillPath {
  FillStyle style;
  std::vector<PathCommand> commands;
};

struct StrokePath {
  LineStyle style;
  std::vector<PathCommand> commands;
};

struct ShapeDef {
  Rect bounds;
  std::vector<FillPath> fills;       // drawn first, in order
  std::vector<StrokePath> strokes;   // drawn over the fills
};

// Decoded pixels (0xAARRGGBB, not premultiplied, rows top-down) or encoded JPEG
// bytes the renderer decodes, with an optional separate alpha plane.
struct BitmapDef {
  uint32_t width = 0, height = 0;
  std::vector<uint32_t> pixels;
  std::vector<uint8_t> jpeg;
  std::vector<uint8_t> jpegAlpha;    // width*height bytes when present
};

struct EditTextDef {
  Rect bounds;
  uint16_t fontId = 0;
  std::string fontName;              // from the font definition; empty when unknown
  double fontHeight = 240;           // twips
  Rgba color{0, 0, 0, 255};
  bool wordWrap = false, multiline = false, password = false, readOnly = false, html = false;
  bool border = false, noSelect = false, autoSize = false, useOutlines = false;
  uint16_t maxLength = 0;
  uint8_t align = 0;                 // 0 left, 1 right, 2 center, 3 justify
  double leftMargin = 0, rightMargin = 0, indent = 0, leading = 0;
  std::string variable;
  std::string initialText;
};

// Glyph outlines of an embedded font, in its em square, with the character code of each glyph.
struct FontDef {
  std::string name;
  double emSize = 1024;              // 20480 for the third font version
  std::vector<ShapeDef> glyphs;
  std::vector<uint16_t> codes;
};

// Static text: embedded-font glyphs turned into filled outlines, and runs in
// device fonts shown as plain text. Both in the text's own space (twips).
struct StaticTextDef {
  Rect bounds;
  Matrix matrix;                     // text space to the character's space
  ShapeDef outlines;
  std::vector<EditTextDef> deviceRuns;
};

struct ButtonRecord {
  uint8_t states = 0;                // bit 0 up, 1 over, 2 down, 3 hit test
  uint16_t characterId = 0;
  uint16_t depth = 0;
  Matrix matrix;
  ColorTransform cxform;
};

struct ButtonAction {
  uint16_t conditions = 0;           // low byte = first condition byte of the file
  std::shared_ptr<const std::vector<uint8_t>> code;
};

struct ButtonDef {
  std::vector<ButtonRecord> records;
  std::vector<ButtonAction> actions;
  bool trackAsMenu = false;
};

enum ButtonCondition : uint16_t {
  kIdleToOverUp = 0x0001,     // roll over
  kOverUpToIdle = 0x0002,     // roll out
  kOverUpToOverDown = 0x0004, // press
  kOverDownToOverUp = 0x0008, // release
  kOverDownToOutDown = 0x0010,
  kOutDownToOverDown = 0x0020,
  kOutDownToIdle = 0x0040,    // release outside
  kIdleToOverDown = 0x0080,
  kOverDownToIdle = 0x0100,
};

struct ClipAction {
  uint32_t events = 0;
  uint8_t keyCode = 0;
  std::shared_ptr<const std::vector<uint8_t>> code;
};

enum ClipEvent : uint32_t {
  kClipLoad = 0x0001, kClipEnterFrame = 0x0002, kClipUnload = 0x0004, kClipMouseMove = 0x0008,
  kClipMouseDown = 0x0010, kClipMouseUp = 0x0020, kClipKeyDown = 0x0040, kClipKeyUp = 0x0080,
  kClipData = 0x0100, kClipInitialize = 0x0200,
  // on() handlers of a clip that acts as a button
  kClipPress = 0x0400, kClipRelease = 0x0800, kClipReleaseOutside = 0x1000, kClipRollOver = 0x2000,
  kClipRollOut = 0x4000, kClipDragOver = 0x8000, kClipDragOut = 0x10000,
  kClipKeyPress = 0x20000, kClipConstruct = 0x40000,
  kClipButtonEvents = 0x1FC00,
};

struct PlaceTag {
  uint16_t depth = 0;
  bool move = false;
  bool hasCharacter = false, hasMatrix = false, hasCxform = false, hasRatio = false, hasName = false,
       hasClipDepth = false;
  uint16_t characterId = 0;
  Matrix matrix;
  ColorTransform cxform;
  uint16_t ratio = 0;
  std::string name;
  uint16_t clipDepth = 0;
  std::vector<ClipAction> clipActions;
};

struct ControlTag {
  enum class Kind : uint8_t { Place, Remove, Action, InitAction, Background };
  Kind kind = Kind::Place;
  PlaceTag place;                    // Place; Remove uses place.depth
  uint16_t spriteId = 0;             // InitAction
  Rgba color;                        // Background
  std::shared_ptr<const std::vector<uint8_t>> code;
};

struct Frame {
  std::vector<ControlTag> tags;
  std::vector<std::string> labels;  // a frame may carry several
};

struct TimelineDef {
  std::vector<Frame> frames;         // one per ShowFrame tag, at least one
  Frame trailing;                    // tags after the last ShowFrame: they run once, with the last frame
  bool ended = false;                // the tags close with an End tag
  // A timeline goes back to its first frame after its last only with more than one frame and an End tag.
  bool Loops() const { return ended && frames.size() > 1; }
  int FindLabel(const std::string& label) const;  // case is ignored in every version
};

struct Character {
  enum class Kind : uint8_t { Shape, Bitmap, EditText, Button, Sprite, Font, StaticText };
  Kind kind = Kind::Shape;
  std::shared_ptr<const ShapeDef> shape;
  std::shared_ptr<const BitmapDef> bitmap;
  std::shared_ptr<const EditTextDef> editText;
  std::shared_ptr<const ButtonDef> button;
  std::shared_ptr<const TimelineDef> sprite;
  std::string fontName;              // Font
  std::shared_ptr<FontDef> font;     // Font
  std::shared_ptr<const StaticTextDef> staticText;
};

struct MovieDef {
  Header header;
  Rgba background{255, 255, 255, 255};
  std::map<uint16_t, Character> characters;
  TimelineDef main;
  std::map<std::string, uint16_t> exports;  // ExportAssets: linkage name to character
  uint16_t maxRecursion = 0;                // ScriptLimits: nested calls allowed; 0 when the movie sets none
  const Character* Find(uint16_t id) const {
    auto it = characters.find(id);
    return it == characters.end() ? nullptr : &it->second;
  }
};

// Limits that keep any input bounded.
constexpr uint32_t kMaxMovieBytes = 64u << 20;   // stated length of a compressed movie
constexpr uint32_t kMaxInflateRatio = 1032;      // zlib cannot expand more than this
constexpr uint64_t kMaxBitmapPixels = 16u << 20;

// Reads the header only (inflating as much of a "CWS" file as the header needs).
bool ReadHeader(std::span<const uint8_t> file, Header& out);

// Parses a whole file. Returns null and sets error when the file cannot be used.
std::shared_ptr<const MovieDef> LoadMovie(std::span<const uint8_t> file, LoadError* error = nullptr);

// Decompresses a "CWS" file into its "FWS" form (the signature byte changed to 'F').
// Refuses stated lengths beyond kMaxMovieBytes or kMaxInflateRatio times the
// compressed size without allocating them. A stream that ends early yields what it held.
bool InflateMovie(std::span<const uint8_t> file, std::vector<uint8_t>& out, LoadError* error = nullptr);

// Parses the shape records of a DefineShape tag body (after the id). Exposed for tests.
bool ParseShape(std::span<const uint8_t> body, int shapeVersion, ShapeDef& out);

}  // namespace swf
