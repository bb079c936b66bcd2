// Helpers for the player's tests: documents with pictures, and the player run modally with an inspector.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "player/player_dialog.h"
#include "shell/movie_document.h"
#include "test_support.h"

namespace Gdiplus {
class Image;
}

namespace testing_support {

// GDI+ started for as long as the object lives.
struct GdiplusSession {
  GdiplusSession();
  ~GdiplusSession();
  GdiplusSession(const GdiplusSession&) = delete;
  GdiplusSession& operator=(const GdiplusSession&) = delete;
  ULONG_PTR token = 0;
};

// Writes the image in the format of the MIME type ("image/png"); false when there is no such encoder.
bool SaveImageFile(Gdiplus::Image& image, const std::wstring& path, const wchar_t* mime);

// A 24-bit BMP of the given size, one colour.
Bytes Bitmap(int w, int h, uint8_t r, uint8_t g, uint8_t b);
// A picture of the given size, written into the document's own extraction folder, added to its play list.
void AddPicture(projector::MovieDocument& doc, int w, int h, float seconds = 5, COLORREF colour = RGB(200, 30, 30));
// Saves a screen rectangle as a PNG under the build tree's artefacts folder; gives the pixel at (x, y) and at (1, 1).
COLORREF CaptureArtefact(const RECT& r, const std::wstring& name, int x, int y, COLORREF* corner = nullptr);
// Runs the player modally; the inspector runs on another thread once the window shows, then the window is closed.
int RunPlayer(projector::MovieDocument& doc, const std::function<void(HWND, projector::PlayerDialog&)>& inspect,
              bool close = true);

}  // namespace testing_support
