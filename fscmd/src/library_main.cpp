// The library's entry point: the hardware information control is let go when the library unloads.
#include <windows.h>

#include "hardware_info.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_DETACH) {
    try {
      // A non-null reserved pointer means the process is ending rather than the library being freed.
      fscmd::UnloadHardwareInfo(reserved != nullptr);
    } catch (...) {
    }
  }
  return TRUE;
}
