// Which entries the player's context menu offers, in which state, from the document's switches.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace player {

// The context menu's commands, as the player window receives them in WM_COMMAND; each is named by its entry's
// text in the resource library.
enum MenuCommand : unsigned {
  kQualityLow = 600,
  kQualityMedium = 601,
  kQualityHigh = 602,
  kAlwaysOnTop = 603,
  kZoomIn = 604,
  kZoomOut = 605,
  kQualityMenu = 606,
  kPlay = 607,
  kLoop = 608,
  kRewind = 609,
  kForward = 610,
  kBack = 611,
  kMaximize = 612,
  kMinimize = 613,
  kRestore = 614,
  kExit = 615,
  kShowAll = 616,
};

struct MenuItem {
  bool separator = false;
  unsigned command = 0;
  unsigned textId = 0;  // string resource of the resource library
  bool checked = false;
  bool greyed = false;
  bool operator==(const MenuItem&) const = default;
};

// The document's switches and the player's state the menu depends on.
struct MenuInput {
  // The About settings' values 1 to 5, and the nine further values of newer documents.
  std::array<uint32_t, 5> values1to5{1, 1, 1, 1, 1};
  std::array<uint32_t, 9> values7to15{1, 1, 1, 1, 1, 1, 1, 1, 1};
  bool zoomAllowed = true;    // bit 1 of the size settings' flags
  bool screenSaver = false;   // the executable's extension is "scr"
  int quality = 2;            // 0, 1 or 2
  bool alwaysOnTop = false;
  bool playing = false;
  bool looping = false;
  int currentFrame = 0;
  bool multiFrame = true;     // more than one frame, or not a movie
};

// The entries in menu order, with separators; a separator never leads, trails or doubles.
std::vector<MenuItem> BuildContextMenu(const MenuInput& in);

}  // namespace player
