// Exits with the installed Flash Player's major version, for the installer's end-to-end test.
#include <windows.h>

#include "shell/flash_player_check.h"

int wmain() {
  try {
    int major = projector::GetFlashMajorVersion();
    return major > 0 ? major : 0;
  } catch (...) {
    return 100;
  }
}
