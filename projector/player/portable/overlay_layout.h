// Where the overlay's picture and text sit inside the player's client area.
#pragma once

#include "player_geometry.h"

namespace player {

struct OverlayPlacement {
  Rect picture;  // relative to the client area
  Rect text;
  bool operator==(const OverlayPlacement&) const = default;
};

// Lays the picture and the text side by side at one of nine positions (0 top left ... 8 bottom right) in a
// client area of the given size; positions outside 0 to 8 are placed as top left.
OverlayPlacement LayOutOverlay(int position, Size client, Size picture, Size text);

// A rectangle clipped to the client area; an empty intersection gives an empty rectangle.
Rect ClipToClient(const Rect& r, Size client);

}  // namespace player
