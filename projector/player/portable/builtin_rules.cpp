#include "builtin_rules.h"

#include <algorithm>
#include <cstdint>

namespace player {

namespace {

wchar_t Lower(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

bool EqualNoCase(const std::wstring& a, const wchar_t* b) {
  size_t i = 0;
  for (; i < a.size() && b[i]; ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return i == a.size() && !b[i];
}

bool IsBlank(wchar_t c) { return c == L' ' || (c >= L'\t' && c <= L'\r'); }

int Field(const std::vector<std::wstring>& fields, size_t i) { return i < fields.size() ? ReadNumber(fields[i]) : 0; }

}  // namespace

bool IsTrueValue(const std::wstring& field) { return field == L"1" || EqualNoCase(field, L"true"); }

int ReadNumber(const std::wstring& field) {
  size_t i = 0;
  while (i < field.size() && IsBlank(field[i])) ++i;
  bool negative = false;
  if (i < field.size() && (field[i] == L'+' || field[i] == L'-')) negative = field[i++] == L'-';
  int64_t value = 0;
  for (; i < field.size() && field[i] >= L'0' && field[i] <= L'9'; ++i) {
    value = value * 10 + (field[i] - L'0');
    if (value > int64_t{INT_MAX} + 1) value = int64_t{INT_MAX} + 1;
  }
  if (negative) value = -value;
  return static_cast<int>(std::clamp<int64_t>(value, INT_MIN, INT_MAX));
}

std::optional<BuiltInCommand> FindBuiltInCommand(const std::wstring& command) {
  static const struct {
    const wchar_t* name;
    BuiltInCommand command;
  } kCommands[] = {
      {L"allowscale", BuiltInCommand::kAllowScale},         {L"fullscreen", BuiltInCommand::kFullScreen},
      {L"DragAddRect", BuiltInCommand::kDragAddRect},       {L"DragAddEllipse", BuiltInCommand::kDragAddEllipse},
      {L"DragSubRect", BuiltInCommand::kDragSubRect},       {L"DragSubEllipse", BuiltInCommand::kDragSubEllipse},
      {L"DragAddPoly", BuiltInCommand::kDragAddPoly},       {L"DragSubPoly", BuiltInCommand::kDragSubPoly},
      {L"DragCancel", BuiltInCommand::kDragCancel},         {L"ShowImage", BuiltInCommand::kShowImage},
  };
  for (const auto& c : kCommands)
    if (EqualNoCase(command, c.name)) return c.command;
  return std::nullopt;
}

std::optional<Rect> ReadShapeRect(const std::vector<std::wstring>& fields) {
  if (fields.size() < 4) return std::nullopt;
  return Rect{ReadNumber(fields[0]), ReadNumber(fields[1]), ReadNumber(fields[2]), ReadNumber(fields[3])};
}

std::optional<std::vector<Point>> ReadPolygon(const std::vector<std::wstring>& fields) {
  size_t pairs = fields.size() / 2;
  if (pairs < 3) return std::nullopt;
  std::vector<Point> points;
  points.reserve(pairs);
  for (size_t i = 0; i < pairs; ++i) points.push_back({Field(fields, 2 * i), Field(fields, 2 * i + 1)});
  return points;
}

std::optional<ShowImageRequest> ReadShowImage(const std::vector<std::wstring>& fields) {
  if (fields.empty()) return std::nullopt;
  ShowImageRequest request;
  request.path = fields[0];
  if (fields.size() > 1) request.title = fields[1];
  if (fields.size() > 2 && !fields[2].empty()) request.fit = ReadNumber(fields[2]) != 0;
  int* sides[] = {&request.rect.left, &request.rect.top, &request.rect.right, &request.rect.bottom};
  for (size_t i = 0; i < 4; ++i)
    if (fields.size() > 3 + i && !fields[3 + i].empty()) *sides[i] = ReadNumber(fields[3 + i]);
  return request;
}

Rect ImageWindowRect(const Rect& requested) {
  Rect r = requested;
  if (r.left == kUnset) r.left = 100;
  if (r.top == kUnset) r.top = 100;
  // Sums are taken in 64 bits so that a movie's extreme numbers cannot overflow.
  auto add = [](int a, int b) { return static_cast<int>(std::clamp<int64_t>(int64_t{a} + b, INT_MIN, INT_MAX - 1)); };
  if (r.right == kUnset) r.right = add(r.left, 400);
  if (r.bottom == kUnset) r.bottom = add(r.top, 300);
  if (r.left > r.right) std::swap(r.left, r.right);
  if (r.top > r.bottom) std::swap(r.top, r.bottom);
  return r;
}

Rect FitImageWindow(Size imageSize, const Frame& frame, const Rect& area, Point origin) {
  double aspect = static_cast<double>(imageSize.width) / imageSize.height;
  int width = imageSize.width, height = imageSize.height;
  int maxWidth = std::max(1, area.Width() - frame.left - frame.right);
  int maxHeight = std::max(1, area.Height() - frame.top - frame.bottom);
  if (width > maxWidth) {
    width = maxWidth;
    height = std::max(1, static_cast<int>(width / aspect));
  }
  if (height > maxHeight) {
    height = maxHeight;
    width = std::max(1, static_cast<int>(height * aspect));
  }
  int64_t left = origin.x, top = origin.y;
  int64_t outerWidth = int64_t{width} + frame.left + frame.right;
  int64_t outerHeight = int64_t{height} + frame.top + frame.bottom;
  if (top < area.top) top = area.top;
  if (left < area.left) left = area.left;
  if (top + outerHeight > area.bottom) top = area.bottom - outerHeight;
  if (left + outerWidth > area.right) left = area.right - outerWidth;
  return Rect{static_cast<int>(left), static_cast<int>(top), static_cast<int>(left + outerWidth),
              static_cast<int>(top + outerHeight)};
}

Size PictureSizeInTarget(Size picture, Size target) {
  if (picture.width <= 0 || picture.height <= 0) return picture;
  if (picture.width <= target.width && picture.height <= target.height) return picture;
  int64_t w = picture.width, h = picture.height, tw = std::max(1, target.width), th = std::max(1, target.height);
  int64_t width = (w * th + h / 2) / h, height = th;
  if (width > tw) {
    width = tw;
    height = (h * tw + w / 2) / w;
  }
  return Size{static_cast<int>(std::max<int64_t>(1, width)), static_cast<int>(std::max<int64_t>(1, height))};
}

bool IsPictureFile(const std::wstring& path) {
  size_t dot = path.find_last_of(L'.');
  size_t slash = path.find_last_of(L"\\/");
  if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash)) return false;
  std::wstring ext = path.substr(dot + 1);
  static const wchar_t* const kExtensions[] = {L"jpg", L"jpeg", L"bmp", L"gif", L"wmf", L"emf",
                                               L"exif", L"ico", L"png", L"tiff", L"tif"};
  for (const wchar_t* e : kExtensions)
    if (EqualNoCase(ext, e)) return true;
  return false;
}

}  // namespace player
