// The content view's picture renderer: every picture type, metafiles with and without the placeable header, fitting,
// zoom, sharp magnification and the outline.
#include <gtest/gtest.h>

#include <windows.h>
#include <gdiplus.h>

#include <cstring>
#include <string>
#include <vector>

#include "player/picture_renderer.h"
#include "player_test_support.h"
#include "common/unique_name.h"
#include "test_support.h"

using namespace testing_support;

namespace {

class Renderer : public ::testing::Test {
 protected:

  // A picture of w x h in the given format: the left half red, the right half blue.
  std::wstring Encode(const wchar_t* mime, const wchar_t* extension, int w, int h) {
    std::wstring path = scratch_ / (std::wstring(L"picture.") + extension);
    Gdiplus::Bitmap bitmap(w, h, PixelFormat24bppRGB);
    {
      Gdiplus::Graphics g(&bitmap);
      Gdiplus::SolidBrush red(Gdiplus::Color(255, 255, 0, 0)), blue(Gdiplus::Color(255, 0, 0, 255));
      g.FillRectangle(&red, 0, 0, w / 2, h);
      g.FillRectangle(&blue, w / 2, 0, w - w / 2, h);
    }
    EXPECT_TRUE(SaveImageFile(bitmap, path, mime));
    return path;
  }

  // A Windows metafile filling (0, 0)-(w, h) green, with or without the 22-byte placeable header in front.
  std::wstring Metafile(bool placeable, int w, int h) {
    HDC dc = ::CreateMetaFileW(nullptr);
    HBRUSH green = ::CreateSolidBrush(RGB(0, 200, 0));
    ::SetWindowExtEx(dc, w, h, nullptr);
    ::SelectObject(dc, green);
    ::SelectObject(dc, ::GetStockObject(NULL_PEN));
    ::Rectangle(dc, 0, 0, w + 1, h + 1);
    HMETAFILE mf = ::CloseMetaFile(dc);
    ::DeleteObject(green);
    UINT size = ::GetMetaFileBitsEx(mf, 0, nullptr);
    Bytes bits(size);
    ::GetMetaFileBitsEx(mf, size, bits.data());
    ::DeleteMetaFile(mf);
    const size_t offset = placeable ? 22 : 0;
    Bytes file(offset + bits.size());
    std::memcpy(file.data() + offset, bits.data(), bits.size());
    if (placeable) {
      uint16_t header[11] = {};
      header[0] = 0xCDD7;
      header[1] = 0x9AC6;
      header[5] = static_cast<uint16_t>(w);
      header[6] = static_cast<uint16_t>(h);
      header[7] = 96;  // units per inch: one unit a pixel
      uint16_t sum = 0;
      for (int i = 0; i < 10; ++i) sum ^= header[i];
      header[10] = sum;
      std::memcpy(file.data(), header, 22);
    }
    std::wstring path = scratch_ / (placeable ? L"placeable.wmf" : L"plain.wmf");
    EXPECT_TRUE(WriteFileBytes(path, file));
    return path;
  }

  std::wstring EnhancedMetafile(int w, int h) {
    std::wstring path = scratch_ / L"picture.emf";
    HDC reference = ::GetDC(nullptr);
    int mmw = ::GetDeviceCaps(reference, HORZSIZE) * 100, pxw = ::GetDeviceCaps(reference, HORZRES);
    int mmh = ::GetDeviceCaps(reference, VERTSIZE) * 100, pxh = ::GetDeviceCaps(reference, VERTRES);
    RECT frame = {0, 0, w * mmw / pxw, h * mmh / pxh};
    HDC dc = ::CreateEnhMetaFileW(reference, path.c_str(), &frame, nullptr);
    ::ReleaseDC(nullptr, reference);
    HBRUSH green = ::CreateSolidBrush(RGB(0, 200, 0));
    RECT all = {0, 0, w, h};
    ::FillRect(dc, &all, green);
    ::DeleteObject(green);
    ::DeleteEnhMetaFile(::CloseEnhMetaFile(dc));
    return path;
  }

  // Draws into a white w x h memory bitmap and reads pixels from it.
  struct Canvas {
    Canvas(int w, int h) {
      HDC screen = ::GetDC(nullptr);
      dc = ::CreateCompatibleDC(screen);
      bitmap = ::CreateCompatibleBitmap(screen, w, h);
      ::ReleaseDC(nullptr, screen);
      old = ::SelectObject(dc, bitmap);
      RECT all = {0, 0, w, h};
      ::FillRect(dc, &all, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
    }
    ~Canvas() {
      ::SelectObject(dc, old);
      ::DeleteObject(bitmap);
      ::DeleteDC(dc);
    }
    COLORREF At(int x, int y) const { return ::GetPixel(dc, x, y); }
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ old;
  };

  GdiplusSession gdiplus_;
  ScratchFolder scratch_{L"renderer"};
};

bool Near(COLORREF a, COLORREF b) {
  auto close = [](int x, int y) { return x - y < 24 && y - x < 24; };
  return close(GetRValue(a), GetRValue(b)) && close(GetGValue(a), GetGValue(b)) && close(GetBValue(a), GetBValue(b));
}

TEST_F(Renderer, EveryBitmapTypeLoadsWithItsPixelSize) {
  struct Type {
    const wchar_t* mime;
    const wchar_t* extension;
  };
  for (Type t : {Type{L"image/bmp", L"bmp"}, Type{L"image/png", L"png"}, Type{L"image/jpeg", L"jpg"}, Type{L"image/tiff", L"tif"}}) {
    std::wstring path = Encode(t.mime, t.extension, 64, 40);
    projector::PictureRenderer renderer;
    ASSERT_TRUE(renderer.Load(path)) << static_cast<int>(t.extension[0]);
    EXPECT_EQ(renderer.pixelSize().cx, 64);
    EXPECT_EQ(renderer.pixelSize().cy, 40);
    renderer.SetTargetSize(64, 40);
    Canvas canvas(64, 40);
    renderer.Draw(canvas.dc, {0, 0, 64, 40});
    EXPECT_TRUE(Near(canvas.At(10, 20), RGB(255, 0, 0)));
    EXPECT_TRUE(Near(canvas.At(54, 20), RGB(0, 0, 255)));
  }
  // The smallest GIF: one red pixel.
  const Bytes gif = {0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x01, 0x00, 0x01, 0x00, 0x80, 0x00, 0x00, 0xFF, 0x00,
                     0x00, 0x00, 0x00, 0x00, 0x21, 0xF9, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x2C, 0x00, 0x00,
                     0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00, 0x02, 0x02, 0x44, 0x01, 0x00, 0x3B};
  std::wstring gifPath = scratch_ / L"pixel.gif";
  ASSERT_TRUE(WriteFileBytes(gifPath, gif));
  projector::PictureRenderer renderer;
  ASSERT_TRUE(renderer.Load(gifPath));
  EXPECT_EQ(renderer.pixelSize().cx, 1);
  EXPECT_EQ(renderer.pixelSize().cy, 1);
  std::wstring text = scratch_ / L"notes.bmp";
  std::string notes = "not a picture";
  ASSERT_TRUE(WriteFileBytes(text, Bytes(notes.begin(), notes.end())));
  EXPECT_FALSE(renderer.Load(text));
  EXPECT_FALSE(renderer.loaded());
  EXPECT_FALSE(renderer.Load(scratch_ / L"missing.png"));
}

TEST_F(Renderer, MetafilesPlayAsVectorPicturesWithOrWithoutThePlaceableHeader) {
  for (bool placeable : {true, false}) {
    projector::PictureRenderer renderer;
    ASSERT_TRUE(renderer.Load(Metafile(placeable, 80, 60))) << placeable;
    EXPECT_EQ(renderer.pixelSize().cx, 80) << placeable;
    EXPECT_EQ(renderer.pixelSize().cy, 60) << placeable;
    renderer.SetTargetSize(160, 120);
    Canvas canvas(160, 120);
    renderer.Draw(canvas.dc, {0, 0, 160, 120});
    EXPECT_TRUE(Near(canvas.At(80, 60), RGB(0, 200, 0))) << placeable << " " << std::hex << canvas.At(80, 60);
  }
  projector::PictureRenderer renderer;
  std::wstring broken = scratch_ / L"broken.wmf";
  ASSERT_TRUE(WriteFileBytes(broken, Bytes(40, 0xFF)));
  EXPECT_FALSE(renderer.Load(broken));
  ASSERT_TRUE(renderer.Load(EnhancedMetafile(80, 60)));
  renderer.SetTargetSize(160, 120);
  Canvas canvas(160, 120);
  renderer.Draw(canvas.dc, {0, 0, 160, 120});
  EXPECT_TRUE(Near(canvas.At(80, 60), RGB(0, 200, 0))) << std::hex << canvas.At(80, 60);
}

TEST_F(Renderer, FittingKeepsTheAspectOnWhiteAndStretchingFillsTheTarget) {
  std::wstring path = Encode(L"image/png", L"png", 200, 100);
  projector::PictureRenderer renderer;
  ASSERT_TRUE(renderer.Load(path));
  renderer.SetTargetSize(100, 100);
  {
    Canvas canvas(100, 100);
    renderer.Draw(canvas.dc, {0, 0, 100, 100});
    // 100 x 50 in the middle, white above and below.
    EXPECT_EQ(canvas.At(50, 10), RGB(255, 255, 255));
    EXPECT_EQ(canvas.At(50, 90), RGB(255, 255, 255));
    EXPECT_TRUE(Near(canvas.At(20, 50), RGB(255, 0, 0)));
    EXPECT_TRUE(Near(canvas.At(80, 50), RGB(0, 0, 255)));
    HRGN outline = renderer.OutlineRegion({0, 0, 100, 100});
    RECT box;
    ::GetRgnBox(outline, &box);
    ::DeleteObject(outline);
    EXPECT_EQ(box.top, 25);
    EXPECT_EQ(box.bottom, 75);
    EXPECT_EQ(box.right - box.left, 100);
  }
  renderer.SetFit(false);
  {
    Canvas canvas(100, 100);
    renderer.Draw(canvas.dc, {0, 0, 100, 100});
    EXPECT_TRUE(Near(canvas.At(20, 10), RGB(255, 0, 0)));
    EXPECT_TRUE(Near(canvas.At(80, 90), RGB(0, 0, 255)));
  }
}

TEST_F(Renderer, TheZoomRectangleShowsPartOfThePictureAndBigMagnificationStaysSharp) {
  std::wstring path = Encode(L"image/bmp", L"bmp", 4, 2);
  projector::PictureRenderer renderer;
  ASSERT_TRUE(renderer.Load(path));
  renderer.SetTargetSize(80, 40);
  {
    Canvas canvas(80, 40);
    renderer.Draw(canvas.dc, {0, 0, 80, 40});
    // Twenty times larger: nearest neighbour keeps the edge between the halves hard.
    EXPECT_EQ(canvas.At(39, 20), RGB(255, 0, 0));
    EXPECT_EQ(canvas.At(40, 20), RGB(0, 0, 255));
  }
  renderer.SetZoomRect({2, 0, 4, 2});
  {
    Canvas canvas(80, 40);
    renderer.Draw(canvas.dc, {0, 0, 80, 40});
    // Only the blue half is shown, fitted into a 40 x 40 square in the middle.
    EXPECT_EQ(canvas.At(40, 20), RGB(0, 0, 255));
    EXPECT_EQ(canvas.At(25, 20), RGB(0, 0, 255));
    EXPECT_EQ(canvas.At(10, 20), RGB(255, 255, 255));
  }
}

}  // namespace
