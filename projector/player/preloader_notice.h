// The notice a CD preloader waits for: the player is up (or has given up).
#pragma once

#include "framework/handles.h"

namespace projector {

// Opens the preloader's mailslot when one is listening and writes the notice into it once.
class PreloaderNotice {
 public:
  void Open();
  // Writes the notice and closes the mailslot; later calls do nothing.
  void Notify();

 private:
  framework::UniqueFile mailslot_;
};

}  // namespace projector
