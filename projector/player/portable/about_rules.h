// The About box's and its links' portable rules: trimming the texts, the e-mail prefix, the shell handler's
// command line and the label's automatic size. Free of Win32.
#pragma once

#include <string>

#include "common/shared_rules.h"
#include "player_geometry.h"

namespace player {

std::wstring TrimEnd(const std::wstring& text);
std::wstring TrimBoth(const std::wstring& text);

// "mailto:" in front of an address that is not empty and does not already contain it.
using common::MailAddress;

// "About <product>" and "<product>  <version>" (two blanks).
std::wstring AboutCaption(const std::wstring& about, const std::wstring& productName);
std::wstring AboutTitleLine(const std::wstring& productName, const std::wstring& version);

// A web page handler's command line made to open `target`: cut at the first quoted "%1" (before its opening
// quote), else at the first "%1", else kept whole; then one blank and the target.
std::wstring HandlerCommandLine(const std::wstring& command, const std::wstring& target);

struct LabelAlignment {
  bool centreVertically = false;  // SS_CENTERIMAGE
  bool centre = false;            // SS_CENTER
  bool right = false;             // SS_RIGHT
};

// The rectangle a label takes to fit its text exactly: vertically centred in its rectangle or keeping its top;
// horizontally centred, keeping its right edge, or keeping its left edge.
Rect FitLabel(const Rect& current, Size text, const LabelAlignment& alignment);

// How far the About box's texts move right and its button down (the box growing by as much) so that a
// picture of any size covers none of them: the texts keep `gap` to the picture's right edge, the button
// keeps `gap` below its bottom.
struct AboutShift {
  int right = 0;
  int down = 0;
  bool operator==(const AboutShift&) const = default;
};
AboutShift ShiftForPicture(const Rect& picture, int textsLeft, int buttonTop, int gap);

}  // namespace player
