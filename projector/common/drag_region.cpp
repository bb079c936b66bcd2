#include "common/drag_region.h"

namespace projector {

DragRegion::DragRegion() : outside_(::CreateRectRgn(0, 0, 0, 0)) { scale_.SetMovieSize(0, 0); }

void DragRegion::StartIfNeeded() {
  if (defined_) return;
  outside_.reset(::CreateRectRgn(-32768, -32768, 32767, 32767));
  defined_ = true;
}

void DragRegion::Combine(HRGN shape, int mode) {
  framework::UniqueRegion owned(shape);
  if (!owned || !outside_) return;
  ::CombineRgn(outside_.get(), outside_.get(), owned.get(), mode);
}

void DragRegion::AddRect(int left, int top, int right, int bottom) {
  StartIfNeeded();
  Combine(::CreateRectRgn(left, top, right, bottom), RGN_DIFF);
}

void DragRegion::AddEllipse(int left, int top, int right, int bottom) {
  StartIfNeeded();
  Combine(::CreateEllipticRgn(left, top, right, bottom), RGN_DIFF);
}

void DragRegion::AddPolygon(const std::vector<POINT>& points) {
  StartIfNeeded();
  if (points.size() < 3) return;
  Combine(::CreatePolygonRgn(points.data(), static_cast<int>(points.size()), WINDING), RGN_DIFF);
}

void DragRegion::SubtractRect(int left, int top, int right, int bottom) {
  StartIfNeeded();
  Combine(::CreateRectRgn(left, top, right, bottom), RGN_OR);
}

void DragRegion::SubtractEllipse(int left, int top, int right, int bottom) {
  StartIfNeeded();
  Combine(::CreateEllipticRgn(left, top, right, bottom), RGN_OR);
}

void DragRegion::SubtractPolygon(const std::vector<POINT>& points) {
  StartIfNeeded();
  if (points.size() < 3) return;
  Combine(::CreatePolygonRgn(points.data(), static_cast<int>(points.size()), WINDING), RGN_OR);
}

bool DragRegion::HitTest(int px, int py) const {
  if (!defined_ || !scale_.Ready() || !outside_) return false;
  player::Point m = scale_.ViewToMovie(px, py);
  return !::PtInRegion(outside_.get(), m.x, m.y);
}

}  // namespace projector
