// The player window's arithmetic: scale behaviour, window sizes, placement, built-in outlines, the drag
// region's mapping from view to movie, zoom steps and mouse-mode mapping. Portable and free of Win32.
#pragma once

#include <cstdint>
#include <vector>

namespace player {

struct Point {
  int x = 0;
  int y = 0;
  bool operator==(const Point&) const = default;
};

struct Size {
  int width = 0;
  int height = 0;
  bool operator==(const Size&) const = default;
};

struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool operator==(const Rect&) const = default;
};

// How the movie is scaled to the view, from bits 0 and 1 of the size settings' flags.
struct ScaleBehaviour {
  bool allowScale = true;  // bit 0 clear or bit 1 set
  bool fitting = false;    // bit 0 clear: the movie is stretched to fill the view
  bool keepAspect = true;  // bit 0 set: the drag region keeps the movie's aspect
  bool showAll = false;    // bits 0 and 1 set
  static ScaleBehaviour FromFlags(uint32_t flags);
};

// The inputs of window sizing that come from the document and the system.
struct SizingInput {
  uint32_t sizeMode = 0;  // 0 movie size, 1 fixed, 2 percentage, 3 full screen
  Size stage;             // the current item's stage size
  Size fixed;
  uint32_t percentage = 100;
  Size area;              // the placement area
  Size frame;             // window size minus client size, added when the size is converted
  bool convertClientToWindow = true;
};

// The window size of size modes 0 to 2 (mode 3 is full screen and placed by the caller).
Size WindowSize(const SizingInput& in);

struct PlacementInput {
  uint32_t alignment = 1;
  uint32_t horizontalMode = 0;
  uint32_t verticalMode = 0;
  int32_t xOffset = 0;       // the horizontal offset
  int32_t topOffset = 0;     // the vertical offset used by vertical mode 0
  int32_t bottomOffset = 0;  // the vertical offset used by vertical mode 1
  Size area;
  Size window;
};

// The window's top-left corner in the placement area, by the document's alignment.
Point PlaceWindow(const PlacementInput& in);

enum class OutlineKind { Polygon, Ellipse, RoundRect, None };

struct Outline {
  OutlineKind kind = OutlineKind::None;
  std::vector<Point> points;  // polygon corners, closed by repeating the first
  int corner = 0;             // the rounded rectangle's corner ellipse size
};

// Fractions of width and height for the built-in polygon shapes (diamond, pentagon, octagon, star, seal).
std::vector<std::pair<double, double>> ShapeFractions(uint32_t index);
// The built-in outline of the given index for a window of the given size.
Outline BuiltInOutline(uint32_t index, Size window);

// The view-to-movie arithmetic of the draggable area.
class DragScale {
 public:
  void SetMovieSize(int width, int height);
  void SetViewSize(int width, int height);
  void SetAllowScale(bool allow);
  void SetKeepAspect(bool keep);

  // Whether the four sizes are all known; only then does the mapping mean anything.
  bool Ready() const { return movieWidth_ && movieHeight_ && viewWidth_ && viewHeight_; }
  Point ViewToMovie(int px, int py) const;
  double scaleX() const { return scaleX_; }
  double scaleY() const { return scaleY_; }
  int movieWidth() const { return movieWidth_; }
  int movieHeight() const { return movieHeight_; }

 private:
  void Recompute();

  bool allowScale_ = true;
  bool keepAspect_ = true;
  int movieWidth_ = 0, movieHeight_ = 0, viewWidth_ = 0, viewHeight_ = 0;
  double scaleX_ = 1.0, scaleY_ = 1.0;
  double viewCentreX_ = 0, viewCentreY_ = 0, movieCentreX_ = 0, movieCentreY_ = 0;
};

// The zoom state of the context menu's zoom entries.
struct ZoomState {
  int factor = 1;
  bool zoomedIn = false;

  void ZoomIn();
  void ZoomOut();
  void ShowAll() { *this = {}; }
  // The part of the stage shown, centred on the movie's mouse position.
  Rect ZoomRect(Size stage, Point mouse) const;
};

// Mouse modes the transparent popup is told, mapped from the document's button modes.
int LayeredLeftMode(uint32_t leftButtonMode);
int LayeredRightMode(uint32_t rightButtonMode);

}  // namespace player
