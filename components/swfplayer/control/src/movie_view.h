// What the control shows and how input reaches the movie, for any device context and any bounds: the one
// path that the control's own window and the container's drawing and message calls go through.
#pragma once

#include <windows.h>

#include "movie_host.h"
#include "renderer.h"

namespace swfcontrol {

// Scale mode, zoom and background of the view, the drawing of the current frame, and mouse input.
class MovieView {
 public:
  explicit MovieView(MovieHost& host) : host_(host) {}

  void SetScaleMode(int mode) { scaleMode_ = mode; }
  int scaleMode() const { return scaleMode_; }
  // Twips of the stage to show; an empty rectangle shows the whole stage.
  void SetZoomRect(const swf::Rect& twips) { zoom_ = twips; }
  // 0x00BBGGRR, or -1 for the movie's own colour.
  void SetBackground(long color) { background_ = color; }
  long background() const { return background_; }

  // Draws the current frame filling bounds of the device context.
  void Draw(HDC dc, const RECT& bounds);
  // Draws the current frame without the stage's background over what the device context holds, each pixel
  // blended by its coverage and alpha; on a 32-bit bitmap the alpha channel receives the coverage too
  // (premultiplied, as layered windows take it), so an untouched pixel keeps its value.
  bool DrawWithAlpha(HDC dc, const RECT& bounds);
  // A mouse message in the coordinates bounds are given in; true when the movie took it.
  bool OnMouseMessage(UINT msg, LPARAM lp, const RECT& bounds);
  // WM_KEYDOWN and WM_KEYUP (and their WM_SYS forms); true when the movie saw the key.
  bool OnKeyMessage(UINT msg, WPARAM wp, LPARAM lp);
  bool OverButton() const { return host_.MouseOverButton(); }

 private:
  ViewTransform ViewFor(const RECT& bounds) const;

  MovieHost& host_;
  Renderer renderer_;
  int scaleMode_ = kShowAll;
  swf::Rect zoom_;
  long background_ = -1;
};

}  // namespace swfcontrol
