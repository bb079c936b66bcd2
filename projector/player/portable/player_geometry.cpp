#include "player_geometry.h"

#include <algorithm>
#include <cmath>

namespace player {

ScaleBehaviour ScaleBehaviour::FromFlags(uint32_t flags) {
  ScaleBehaviour b;
  bool bit0 = flags & 1u, bit1 = flags & 2u;
  b.allowScale = !bit0 || bit1;
  b.fitting = !bit0;
  b.keepAspect = bit0;
  b.showAll = bit0 && bit1;
  return b;
}

Size WindowSize(const SizingInput& in) {
  Size s;
  auto convert = [&](Size c) {
    if (in.convertClientToWindow) {
      c.width += in.frame.width;
      c.height += in.frame.height;
    }
    return c;
  };
  switch (in.sizeMode) {
    case 0:
      s = convert(in.stage);
      s.width = std::clamp(s.width, 1, std::max(1, in.area.width));
      s.height = std::clamp(s.height, 1, std::max(1, in.area.height));
      break;
    case 1:
      s = convert(in.fixed);
      break;
    case 2: {
      int64_t p = in.percentage;
      s.width = static_cast<int>((int64_t{in.area.width} * p + 50) / 100);
      s.height = static_cast<int>((int64_t{in.area.height} * p + 50) / 100);
      break;
    }
    default:
      s = in.area;
      break;
  }
  return s;
}

Point PlaceWindow(const PlacementInput& in) {
  const int W = in.area.width, H = in.area.height, w = in.window.width, h = in.window.height;
  Point p;
  bool lift = true;
  switch (in.alignment) {
    case 0:
      p.x = in.horizontalMode == 0 ? in.xOffset : in.horizontalMode == 1 ? W - w : 0;
      p.y = in.verticalMode == 0 ? in.topOffset : in.verticalMode == 1 ? H - (in.bottomOffset + h) : 0;
      break;
    case 1:
      p = {W / 2 - w / 2, H / 2 - h / 2};
      break;
    case 2:
      p = {W / 2 - w / 2, 0};
      break;
    case 3:
      p = {W / 2 - w / 2, H - h};
      break;
    case 4:
      p = {0, H / 2 - h / 2};
      if (p.y == 0) p.y = -1;
      lift = false;
      break;
    case 5:
      p = {W - w, H / 2 - h / 2};
      break;
    case 6:
      p = {0, -1};
      lift = false;
      break;
    case 7:
      p = {W - w, 0};
      break;
    case 8:
      p = {0, H - h};
      if (p.y == 0) p.y = -1;
      lift = false;
      break;
    case 9:
      p = {W - w, H - h};
      break;
    default:
      p = {0, -1};
      lift = false;
      break;
  }
  if (lift && p.x == 0 && p.y == 0) p.y = -1;
  return p;
}

std::vector<std::pair<double, double>> ShapeFractions(uint32_t index) {
  switch (index) {
    case 0:
      return {{0.5, 0}, {1, 0.5}, {0.5, 1}, {0, 0.5}, {0.5, 0}};
    case 2:
      return {{0.5, 0.024}, {1, 0.388}, {0.809, 0.976}, {0.191, 0.976}, {0, 0.388}, {0.5, 0.024}};
    case 3:
      return {{0.26, 0}, {0, 0.26}, {0, 0.74}, {0.26, 1}, {0.74, 1}, {1, 0.74}, {1, 0.26}, {0.74, 0}, {0.26, 0}};
    case 4:
      return {{0.711, 0.62}, {0.809, 0.98}, {0.5, 0.774}, {0.191, 0.98}, {0.289, 0.62}, {0, 0.387},
              {0.37, 0.37},  {0.5, 0.02},   {0.63, 0.37}, {1, 0.387},    {0.711, 0.62}};
    case 6: {
      std::vector<std::pair<double, double>> seal;
      const double pi = 3.14159265358979323846;
      for (int i = 0; i < 60; ++i) {
        double radius = i % 2 == 0 ? 0.42 : 0.5;
        double angle = i * 6.0 * pi / 180.0;
        double fx = std::round((0.5 + radius * std::cos(angle)) * 1000.0) / 1000.0;
        double fy = std::round((0.5 + radius * std::sin(angle)) * 1000.0) / 1000.0;
        seal.emplace_back(fx, fy);
      }
      seal.push_back(seal.front());
      return seal;
    }
    default:
      return {};
  }
}

Outline BuiltInOutline(uint32_t index, Size window) {
  Outline o;
  if (index == 1) {
    o.kind = OutlineKind::Ellipse;
    return o;
  }
  if (index == 5) {
    o.kind = OutlineKind::RoundRect;
    o.corner = std::min(window.width, window.height) / 10;
    return o;
  }
  auto fractions = ShapeFractions(index);
  if (fractions.empty()) return o;
  o.kind = OutlineKind::Polygon;
  for (const auto& [fx, fy] : fractions) {
    if (o.points.size() >= 512) break;
    int x = static_cast<int>((window.width - 1) * fx);
    int y = static_cast<int>((window.height - 1) * fy);
    if (x < 0) break;
    o.points.push_back({x, y});
  }
  return o;
}

void DragScale::SetMovieSize(int width, int height) {
  movieWidth_ = std::abs(width);
  movieHeight_ = std::abs(height);
  Recompute();
}

void DragScale::SetViewSize(int width, int height) {
  viewWidth_ = std::abs(width);
  viewHeight_ = std::abs(height);
  Recompute();
}

void DragScale::SetAllowScale(bool allow) {
  allowScale_ = allow;
  Recompute();
}

void DragScale::SetKeepAspect(bool keep) {
  keepAspect_ = keep;
  Recompute();
}

void DragScale::Recompute() {
  if (!Ready()) return;
  if (!allowScale_) {
    scaleX_ = scaleY_ = 1.0;
  } else {
    double sw = viewWidth_, sh = viewHeight_;
    if (keepAspect_) {
      // A rounded division: the shown size is whole pixels, so a 400 x 300 movie in an 800 x 800 view shows 800 x 600.
      sw = std::floor((static_cast<double>(movieWidth_) * viewHeight_ + movieHeight_ * 0.5) / movieHeight_);
      sh = viewHeight_;
      if (sw > viewWidth_) {
        sw = viewWidth_;
        sh = std::floor((static_cast<double>(movieHeight_) * viewWidth_ + movieWidth_ * 0.5) / movieWidth_);
      }
    }
    if (sw <= 0) sw = 1;
    if (sh <= 0) sh = 1;
    scaleX_ = movieWidth_ / sw;
    scaleY_ = movieHeight_ / sh;
  }
  viewCentreX_ = viewWidth_ / 2;
  viewCentreY_ = viewHeight_ / 2;
  movieCentreX_ = movieWidth_ / 2;
  movieCentreY_ = movieHeight_ / 2;
}

Point DragScale::ViewToMovie(int px, int py) const {
  double mx = px * scaleX_ - scaleX_ * viewCentreX_ + movieCentreX_ + 0.5;
  double my = py * scaleY_ - scaleY_ * viewCentreY_ + movieCentreY_ + 0.5;
  return {static_cast<int>(mx), static_cast<int>(my)};
}

void ZoomState::ZoomIn() {
  if (factor == 1 || zoomedIn) {
    zoomedIn = true;
    if (factor < (1 << 20)) factor *= 2;
  } else {
    factor /= 2;
  }
}

void ZoomState::ZoomOut() {
  if (zoomedIn) {
    factor /= 2;
    zoomedIn = factor > 1;
    if (factor < 1) factor = 1;
  } else if (factor < (1 << 20)) {
    factor *= 2;
  }
}

Rect ZoomState::ZoomRect(Size stage, Point mouse) const {
  int w = zoomedIn ? stage.width / factor : stage.width * factor;
  int h = zoomedIn ? stage.height / factor : stage.height * factor;
  return {mouse.x - w / 2, mouse.y - h / 2, mouse.x + w / 2, mouse.y + h / 2};
}

int LayeredLeftMode(uint32_t mode) {
  switch (mode) {
    case 0:
      return 0;
    case 1:
      return 1;
    case 3:
      return 4;
    default:
      return 2;
  }
}

int LayeredRightMode(uint32_t mode) {
  switch (mode) {
    case 0:
      return 0;
    case 2:
      return 1;
    case 3:
      return 4;
    default:
      return 3;
  }
}

}  // namespace player
