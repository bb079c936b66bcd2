// The draggable area of the player's view, shaped by the movie's Drag commands.
#pragma once

#include <windows.h>

#include <vector>

#include "framework/handles.h"
#include "player_geometry.h"

namespace projector {

// Keeps, in movie coordinates, the part of the plane that is not draggable, and maps view points onto it.
class DragRegion {
 public:
  DragRegion();

  void AddRect(int left, int top, int right, int bottom);
  void AddEllipse(int left, int top, int right, int bottom);
  void AddPolygon(const std::vector<POINT>& points);
  void SubtractRect(int left, int top, int right, int bottom);
  void SubtractEllipse(int left, int top, int right, int bottom);
  void SubtractPolygon(const std::vector<POINT>& points);
  // Nothing is draggable until the next shape, which starts again from an empty area.
  void Cancel() { defined_ = false; }

  void SetAllowScale(bool allow) { scale_.SetAllowScale(allow); }
  void SetKeepAspect(bool keep) { scale_.SetKeepAspect(keep); }
  void SetMovieSize(int width, int height) { scale_.SetMovieSize(width, height); }
  void SetViewSize(int width, int height) { scale_.SetViewSize(width, height); }

  // Whether a point of the view, in client coordinates, lies in the draggable area.
  bool HitTest(int px, int py) const;
  bool defined() const { return defined_; }
  const player::DragScale& scale() const { return scale_; }

 private:
  void StartIfNeeded();
  void Combine(HRGN shape, int mode);

  player::DragScale scale_;
  bool defined_ = false;
  framework::UniqueRegion outside_;
};

}  // namespace projector
