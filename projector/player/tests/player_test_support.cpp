#include "player_test_support.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <gdiplus.h>

#include <atomic>
#include <vector>
#include <thread>

#include "player/player_context_menu.h"
#include "common/text.h"
#include "common/unique_name.h"

namespace testing_support {

Bytes Bitmap(int w, int h, uint8_t r, uint8_t g, uint8_t b) {
  int stride = (w * 3 + 3) & ~3;
  uint32_t pixels = static_cast<uint32_t>(stride * h), size = 54 + pixels;
  Bytes bmp(size, 0);
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) bmp[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  bmp[0] = 'B';
  bmp[1] = 'M';
  put32(2, size);
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<uint32_t>(w));
  put32(22, static_cast<uint32_t>(h));
  bmp[26] = 1;
  bmp[28] = 24;
  put32(34, pixels);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      size_t at = 54 + static_cast<size_t>(y * stride + x * 3);
      bmp[at] = b;
      bmp[at + 1] = g;
      bmp[at + 2] = r;
    }
  return bmp;
}

void AddPicture(projector::MovieDocument& doc, int w, int h, float seconds, COLORREF colour) {
  std::wstring path = projector::MakeUniqueName(doc.ExtractionFolder(), L"bmp");
  ASSERT_TRUE(WriteFileBytes(path, Bitmap(w, h, GetRValue(colour), GetGValue(colour), GetBValue(colour))));
  format::PlaylistEntry e;
  e.sourcePath = u"picture.bmp";
  e.displayTime = seconds;
  e.movie.sourcePath = e.sourcePath;
  e.movie.path = projector::ToU16(path);
  e.movie.extracted = true;
  doc.data().playlist.entries.push_back(e);
}

GdiplusSession::GdiplusSession() {
  Gdiplus::GdiplusStartupInput input;
  Gdiplus::GdiplusStartup(&token, &input, nullptr);
}

GdiplusSession::~GdiplusSession() { Gdiplus::GdiplusShutdown(token); }

bool SaveImageFile(Gdiplus::Image& image, const std::wstring& path, const wchar_t* mime) {
  UINT count = 0, size = 0;
  if (Gdiplus::GetImageEncodersSize(&count, &size) != Gdiplus::Ok || size == 0) return false;
  std::vector<uint8_t> buffer(size);
  auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
  if (Gdiplus::GetImageEncoders(count, size, codecs) != Gdiplus::Ok) return false;
  for (UINT i = 0; i < count; ++i)
    if (std::wstring(codecs[i].MimeType) == mime) return image.Save(path.c_str(), &codecs[i].Clsid, nullptr) == Gdiplus::Ok;
  return false;
}

// Saves a screen rectangle as a PNG test artefact and returns the pixel at (x, y) of it.
COLORREF CaptureArtefact(const RECT& r, const std::wstring& name, int x, int y, COLORREF* corner) {
  GdiplusSession gdiplus;
  HDC screen = ::GetDC(nullptr);
  HDC memory = ::CreateCompatibleDC(screen);
  int w = r.right - r.left, h = r.bottom - r.top;
  HBITMAP bitmap = ::CreateCompatibleBitmap(screen, w, h);
  HGDIOBJ old = ::SelectObject(memory, bitmap);
  ::BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
  COLORREF pixel = ::GetPixel(memory, x, y);
  if (corner) *corner = ::GetPixel(memory, 1, 1);
  ::SelectObject(memory, old);
  std::wstring folder = BuildTreePath(L"artefacts");
  ::CreateDirectoryW(folder.c_str(), nullptr);
  {
    Gdiplus::Bitmap image(bitmap, nullptr);
    SaveImageFile(image, folder + L"\\" + name, L"image/png");
  }
  ::DeleteObject(bitmap);
  ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);
  return pixel;
}

int RunPlayer(projector::MovieDocument& doc, const std::function<void(HWND, projector::PlayerDialog&)>& inspect,
              bool close) {
  projector::PlayerContextMenu menu;
  projector::PlayerDialog dialog(doc, nullptr);
  dialog.SetContextMenu(&menu);
  std::atomic<bool> done{false};
  std::thread inspector([&] {
    HWND hwnd = nullptr;
    for (int i = 0; i < 500 && !done; ++i) {
      hwnd = dialog.m_hWnd;
      if (hwnd && ::IsWindowVisible(hwnd)) break;
      ::Sleep(10);
    }
    if (!hwnd || done) return;
    ::Sleep(150);
    inspect(hwnd, dialog);
    if (close && !done) ::PostMessageW(hwnd, WM_CLOSE, 0, 0);
  });
  INT_PTR result = dialog.DoModal();
  done = true;
  inspector.join();
  return static_cast<int>(result);
}

}  // namespace testing_support
