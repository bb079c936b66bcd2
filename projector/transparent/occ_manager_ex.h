// The extended control manager installed at start-up for transparent playback.
#pragma once

#include "framework/app.h"

namespace projector {

// Makes the framework create the extended containers and sites that host controls windowless.
class COccManagerEx : public framework::COccManager {};

}  // namespace projector
