#include "movie_view.h"

#include <windowsx.h>

#include "framework/handles.h"

namespace swfcontrol {

namespace {

// A memory device context with one bitmap selected for its lifetime.
class SelectedBitmapDC {
 public:
  SelectedBitmapDC(HDC like, HBITMAP bitmap) : dc_(::CreateCompatibleDC(like)) {
    if (dc_) old_ = ::SelectObject(dc_, bitmap);
  }
  ~SelectedBitmapDC() {
    if (!dc_) return;
    if (old_) ::SelectObject(dc_, old_);
    ::DeleteDC(dc_);
  }
  SelectedBitmapDC(const SelectedBitmapDC&) = delete;
  SelectedBitmapDC& operator=(const SelectedBitmapDC&) = delete;
  HDC get() const { return old_ ? dc_ : nullptr; }

 private:
  HDC dc_;
  HGDIOBJ old_ = nullptr;
};

}  // namespace

ViewTransform MovieView::ViewFor(const RECT& bounds) const {
  ViewTransform view =
      ComputeView(host_.Stage(), zoom_, bounds.right - bounds.left, bounds.bottom - bounds.top, scaleMode_);
  view.tx += bounds.left;
  view.ty += bounds.top;
  return view;
}

void MovieView::Draw(HDC dc, const RECT& bounds) {
  int width = bounds.right - bounds.left, height = bounds.bottom - bounds.top;
  if (!dc || width <= 0 || height <= 0 || !EnsureGdiplus()) return;
  swf::DisplayList list;
  host_.BuildDisplayList(list);
  if (!host_.Loaded()) list.background = {255, 255, 255, 255};
  // Drawn off screen first so that a frame never shows half painted.
  Gdiplus::Bitmap buffer(width, height, PixelFormat32bppPARGB);
  {
    Gdiplus::Graphics g(&buffer);
    ViewTransform view = ViewFor(bounds);
    view.tx -= bounds.left;
    view.ty -= bounds.top;
    renderer_.Render(g, list, view, background_);
  }
  Gdiplus::Graphics screen(dc);
  screen.DrawImage(&buffer, bounds.left, bounds.top, width, height);
}

bool MovieView::DrawWithAlpha(HDC dc, const RECT& bounds) {
  int width = bounds.right - bounds.left, height = bounds.bottom - bounds.top;
  if (!dc || width <= 0 || height <= 0 || !EnsureGdiplus()) return false;
  swf::DisplayList list;
  host_.BuildDisplayList(list);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  framework::UniqueBitmap canvas(::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!canvas || !bits) return false;
  {
    // GDI+ draws premultiplied straight into the section, whose pixels start fully transparent.
    Gdiplus::Bitmap target(width, height, width * 4, PixelFormat32bppPARGB, static_cast<BYTE*>(bits));
    Gdiplus::Graphics g(&target);
    ViewTransform view = ViewFor(bounds);
    view.tx -= bounds.left;
    view.ty -= bounds.top;
    renderer_.Render(g, list, view, kNoBackground);
    g.Flush(Gdiplus::FlushIntentionSync);
  }
  ::GdiFlush();
  SelectedBitmapDC source(dc, canvas.get());
  if (!source.get()) return false;
  BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  return ::GdiAlphaBlend(dc, bounds.left, bounds.top, width, height, source.get(), 0, 0, width, height, blend) != 0;
}

bool MovieView::OnMouseMessage(UINT msg, LPARAM lp, const RECT& bounds) {
  if (!host_.Loaded()) return false;
  double x, y;
  ViewFor(bounds).ToStagePixels(GET_X_LPARAM(lp), GET_Y_LPARAM(lp), &x, &y);
  switch (msg) {
    case WM_MOUSEMOVE:
      host_.MouseMove(x, y);
      return true;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      host_.MouseMove(x, y);
      host_.MouseDown();
      return true;
    case WM_LBUTTONUP:
      host_.MouseMove(x, y);
      host_.MouseUp();
      return true;
    default:
      return false;
  }
}

bool MovieView::OnKeyMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (!host_.Loaded()) return false;
  int keyCode = static_cast<int>(wp & 0xFF);
  // The character the key types with the current shift state, as the movie's Key.getAscii expects.
  BYTE state[256] = {};
  wchar_t typed[4] = {};
  int charCode = 0;
  if (::GetKeyboardState(state) &&
      ::ToUnicode(static_cast<UINT>(keyCode), (static_cast<UINT>(lp) >> 16) & 0xFF, state, typed, 4, 0) == 1)
    charCode = typed[0];
  switch (msg) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      host_.KeyDown(keyCode, charCode);
      return true;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      host_.KeyUp(keyCode, charCode);
      return true;
    default:
      return false;
  }
}

}  // namespace swfcontrol
