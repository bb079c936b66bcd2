// Whether a movie's picture changed since it was last looked at, so that a control redraws only then.
#pragma once

#include "movie_host.h"
#include "swfplayer/engine/display_list.h"

namespace swfcontrol {

// True when the two frames draw the same pixels: the same definitions, at the same places, with the same
// colours and texts, in the same order.
bool SamePicture(const swf::DisplayList& a, const swf::DisplayList& b);

// Remembers the display list of the frame last shown.
class PictureWatch {
 public:
  // Takes the host's current frame; true when it differs from the one taken before (always the first time).
  bool Changed(const MovieHost& host);
  // The next Changed answers true whatever the frame.
  void Forget() { known_ = false; }

 private:
  swf::DisplayList last_;
  bool known_ = false;
};

}  // namespace swfcontrol
