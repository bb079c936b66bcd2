#include "layered_renderer.h"

#include "alpha_bitmaps.h"

namespace projector {

namespace {

// Owns a memory DC; whoever selects a bitmap into it puts the previous one back.
class MemoryDC {
 public:
  explicit MemoryDC(HDC compatible) : dc_(::CreateCompatibleDC(compatible)) {}
  MemoryDC(const MemoryDC&) = delete;
  MemoryDC& operator=(const MemoryDC&) = delete;
  ~MemoryDC() {
    if (dc_) ::DeleteDC(dc_);
  }
  HDC get() const { return dc_; }

 private:
  HDC dc_;
};

bool Update(UpdateLayeredWindowFn update, HWND popup, HDC screen, HDC memory, const RECT& window) {
  POINT destination{window.left, window.top};
  SIZE size{window.right - window.left, window.bottom - window.top};
  POINT source{0, 0};
  BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  return update(popup, screen, &destination, &size, memory, &source, 0, &blend, ULW_ALPHA) != FALSE;
}

void Fill(HDC dc, int w, int h, COLORREF colour) {
  RECT all{0, 0, w, h};
  ::SetBkColor(dc, colour);
  ::ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &all, nullptr, 0, nullptr);
}

}  // namespace

int DisplayColourDepth() {
  DEVMODEW mode{};
  mode.dmSize = sizeof(mode);
  if (::EnumDisplaySettingsW(nullptr, ENUM_CURRENT_SETTINGS, &mode)) return static_cast<int>(mode.dmBitsPerPel);
  framework::ScreenDC screen;
  return screen.get() ? ::GetDeviceCaps(screen.get(), BITSPIXEL) : 0;
}

bool LayeredRenderer::Render(HWND popup, UpdateLayeredWindowFn update, const DrawFn& draw) {
  if (!popup || !update) return false;
  RECT window;
  if (!::GetWindowRect(popup, &window) || window.right <= window.left || window.bottom <= window.top) return false;
  framework::ScreenDC screen;
  if (!screen.get()) return false;
  MemoryDC memory(screen.get());
  if (!memory.get()) return false;
  return depthIs32_ ? RenderCompatible(screen.get(), memory.get(), popup, window, update, draw)
                    : RenderPair(screen.get(), memory.get(), popup, window, update, draw);
}

bool LayeredRenderer::RenderCompatible(HDC screen, HDC memory, HWND popup, const RECT& window,
                                       UpdateLayeredWindowFn update, const DrawFn& draw) {
  int w = window.right - window.left, h = window.bottom - window.top;
  framework::UniqueBitmap bitmap(::CreateCompatibleBitmap(screen, w, h));
  if (!bitmap) return false;
  HGDIOBJ previous = ::SelectObject(memory, bitmap.get());
  Fill(memory, w, h, RGB(0, 0, 0));
  draw(memory);
  ::GdiFlush();
  // A bitmap the pass cannot read is still shown, without its alpha corrected.
  FixAlpha32(bitmap.get(), buffers_);
  bool shown = Update(update, popup, screen, memory, window);
  ::SelectObject(memory, previous);
  return shown;
}

HBITMAP LayeredRenderer::EnsureDib(framework::UniqueBitmap& dib, HDC screen, int w, int h) {
  if (dib) return dib.get();
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = h;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  info.bmiHeader.biSizeImage = static_cast<DWORD>(w) * static_cast<DWORD>(h) * 4;
  void* bits = nullptr;
  dib.reset(::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  return dib.get();
}

bool LayeredRenderer::RenderPair(HDC screen, HDC memory, HWND popup, const RECT& window,
                                 UpdateLayeredWindowFn update, const DrawFn& draw) {
  int w = window.right - window.left, h = window.bottom - window.top;
  // Sections made for another size would be drawn and read beyond the popup (or short of it): make new ones.
  if (dibSize_.cx != w || dibSize_.cy != h) {
    dibWhite_.reset();
    dibBlack_.reset();
    dibSize_ = {w, h};
  }
  HBITMAP white = EnsureDib(dibWhite_, screen, w, h);
  HBITMAP black = EnsureDib(dibBlack_, screen, w, h);
  if (!white || !black) return false;
  HGDIOBJ previous = ::SelectObject(memory, white);
  Fill(memory, w, h, RGB(255, 255, 255));
  draw(memory);
  ::SelectObject(memory, black);
  Fill(memory, w, h, RGB(0, 0, 0));
  draw(memory);
  ::GdiFlush();
  AlphaFromPair(black, white, buffers_);
  bool shown = Update(update, popup, screen, memory, window);
  ::SelectObject(memory, previous);
  return shown;
}

void LayeredRenderer::OnDisplayChange(bool depthIs32) {
  depthIs32_ = depthIs32;
  dibWhite_.reset();
  dibBlack_.reset();
  dibSize_ = {0, 0};
}

}  // namespace projector
