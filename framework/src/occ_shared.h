// What the control container, its sites and the sites' interfaces share.
#pragma once

#include "framework/occ.h"

namespace framework::detail {

constexpr long kHimetricPerInch = 2540;

// Screen pixels per logical inch across (horizontal) or down; 96 when the screen does not say.
int PixelsPerInch(bool horizontal);

// The control manager the application chose, or the standard one when it chose none.
COccManager* Manager();

}  // namespace framework::detail
