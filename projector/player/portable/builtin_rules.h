// The built-in commands' argument reading and the image window's fitting arithmetic. Portable and free of Win32.
#pragma once

#include <climits>
#include <optional>
#include <string>
#include <vector>

#include "player_geometry.h"

namespace player {

// A value is true when it is "true" in any case or exactly "1".
bool IsTrueValue(const std::wstring& field);
// A decimal integer from the start of the field: leading blanks, an optional sign, digits; no digits read as 0.
// Values beyond the range of int are held at its ends.
int ReadNumber(const std::wstring& field);

// The ten commands the player answers itself.
enum class BuiltInCommand {
  kAllowScale,
  kFullScreen,
  kDragAddRect,
  kDragAddEllipse,
  kDragSubRect,
  kDragSubEllipse,
  kDragAddPoly,
  kDragSubPoly,
  kDragCancel,
  kShowImage,
};
// Matched without regard to case.
std::optional<BuiltInCommand> FindBuiltInCommand(const std::wstring& command);

// The four numbers of a rectangle or ellipse command; none with fewer than four fields.
std::optional<Rect> ReadShapeRect(const std::vector<std::wstring>& fields);
// The points of a polygon command: pairs of fields, an odd last field ignored; none with fewer than three points.
std::optional<std::vector<Point>> ReadPolygon(const std::vector<std::wstring>& fields);

// A side of the requested image window rectangle the movie left out.
constexpr int kUnset = INT_MAX;

struct ShowImageRequest {
  std::wstring path;
  std::wstring title;
  bool fit = true;
  Rect rect{kUnset, kUnset, kUnset, kUnset};
};
// None when the argument text has no field at all.
std::optional<ShowImageRequest> ReadShowImage(const std::vector<std::wstring>& fields);

// The window rectangle for a request: left and top default to 100, right to left + 400, bottom to top + 300;
// the result is normalised.
Rect ImageWindowRect(const Rect& requested);

// The thicknesses of a window's frame on each side (window rectangle less client rectangle).
struct Frame {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

// The window rectangle that shows an image of imageSize at its own size, shrunk (keeping its proportions) to
// fit the area with the frame, placed at `origin` and then shifted into the area.
Rect FitImageWindow(Size imageSize, const Frame& frame, const Rect& area, Point origin);

// The size a picture is drawn at inside a target size: shrunk to the largest size of the same proportions
// when it is wider or higher than the target (never below 1), otherwise its own size.
Size PictureSizeInTarget(Size picture, Size target);

// Whether a file is decoded as a picture, by its extension (after the last dot, in any case).
bool IsPictureFile(const std::wstring& path);

}  // namespace player
