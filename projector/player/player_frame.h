// The player window's styles, size, place and outline, from the document's size and window settings.
#pragma once

#include <windows.h>

#include <cstdint>

#include "player_geometry.h"

namespace projector {

class MovieDocument;

// Sizes, places and outlines one player window; the caption style is the one the player settled on (none in
// transparent mode), not necessarily the document's.
class PlayerFrame {
 public:
  PlayerFrame(const MovieDocument& document, bool transparent, uint32_t captionStyle)
      : document_(document), transparent_(transparent), captionStyle_(captionStyle) {}

  void Attach(HWND window) { window_ = window; }
  uint32_t captionStyle() const { return captionStyle_; }

  // Changes the window's style bits and lets the frame follow.
  void ModifyStyle(DWORD remove, DWORD add);
  void ModifyStyleEx(DWORD remove, DWORD add);

  // Sizes and places the window for a stage of that size as the size settings say (maximised or minimised
  // when asked), then gives it its outline. In transparent mode the result is a copy of the outline region
  // (the client rectangle when the window has none), which the caller then owns; otherwise null.
  HRGN SizeWindow(player::Size stage);

 private:
  player::Size PlacementArea() const;
  player::Size FrameSize() const;
  player::Size OutlineSize() const;
  HRGN ApplyOutline();

  const MovieDocument& document_;
  bool transparent_;
  uint32_t captionStyle_;
  HWND window_ = nullptr;
};

}  // namespace projector
