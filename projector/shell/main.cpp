#include <windows.h>

#include "framework/app.h"
#include "projector_app.h"

// The one application object; destroying it at process end removes the extraction folder.
projector::ProjectorApp theApp;

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
  try {
    return framework::AfxWinMain(instance);
  } catch (...) {
    return 1;
  }
}
