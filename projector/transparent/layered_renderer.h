// Renders windowless controls into a layered window with per-pixel alpha.
#pragma once

#include <windows.h>

#include <functional>

#include "framework/handles.h"
#include "portable/alpha.h"

namespace projector {

using UpdateLayeredWindowFn = BOOL(WINAPI*)(HWND, HDC, POINT*, SIZE*, HDC, POINT*, COLORREF, BLENDFUNCTION*, DWORD);

// The display's colour depth in bits per pixel: the current display settings, else the screen DC's.
int DisplayColourDepth();

// Draws one frame of the popup: on a 32-bit display into one compatible bitmap whose missing alpha is fixed; on
// 16 and 24-bit displays twice, on white and on black, deriving alpha from the difference. Keeps the two DIB
// sections and the pixel buffers between frames, re-deriving them when the popup's size changes.
class LayeredRenderer {
 public:
  using DrawFn = std::function<void(HDC)>;

  explicit LayeredRenderer(bool depthIs32) : depthIs32_(depthIs32) {}

  // Renders the whole of `popup` with `draw` and hands it to `update`; false when a step failed (silently
  // skipped frame).
  bool Render(HWND popup, UpdateLayeredWindowFn update, const DrawFn& draw);
  // The display changed: choose the path again and drop the DIB sections; the pixel buffers stay.
  void OnDisplayChange(bool depthIs32);
  bool depthIs32() const { return depthIs32_; }
  PixelBuffers& buffers() { return buffers_; }

 private:
  bool RenderCompatible(HDC screen, HDC memory, HWND popup, const RECT& window, UpdateLayeredWindowFn update,
                        const DrawFn& draw);
  bool RenderPair(HDC screen, HDC memory, HWND popup, const RECT& window, UpdateLayeredWindowFn update,
                  const DrawFn& draw);
  HBITMAP EnsureDib(framework::UniqueBitmap& dib, HDC screen, int w, int h);

  bool depthIs32_;
  framework::UniqueBitmap dibWhite_;
  framework::UniqueBitmap dibBlack_;
  SIZE dibSize_{0, 0};
  PixelBuffers buffers_;
};

}  // namespace projector
