#include "alpha_bitmaps.h"

namespace projector {

namespace {

bool ReadBits(HBITMAP bitmap, std::vector<uint8_t>& buffer) {
  LONG size = static_cast<LONG>(buffer.size());
  return ::GetBitmapBits(bitmap, size, buffer.data()) == size;
}

}  // namespace

PixelGeometry BitmapGeometry(HBITMAP bitmap) {
  BITMAP info{};
  if (!bitmap || ::GetObjectW(bitmap, sizeof(info), &info) != sizeof(info) || info.bmBitsPixel != 32) return {};
  PixelGeometry geometry{info.bmWidth, info.bmHeight, info.bmWidthBytes};
  return geometry.Valid() ? geometry : PixelGeometry{};
}

bool FixAlpha32(HBITMAP bitmap, PixelBuffers& buffers) {
  // The geometry is taken from this bitmap every time: a popup that changed size brings a bitmap the buffers
  // made for the old size would not hold.
  PixelGeometry geometry = BitmapGeometry(bitmap);
  if (!buffers.Prepare(geometry, false)) return false;
  std::vector<uint8_t>& pixels = buffers.first();
  if (!ReadBits(bitmap, pixels)) return false;
  if (FixAlpha32Pixels(pixels.data(), pixels.size(), geometry))
    ::SetBitmapBits(bitmap, static_cast<DWORD>(pixels.size()), pixels.data());
  return true;
}

bool AlphaFromPair(HBITMAP black, HBITMAP white, PixelBuffers& buffers) {
  PixelGeometry geometry = BitmapGeometry(black);
  if (!geometry.Valid() || !(BitmapGeometry(white) == geometry) || !buffers.Prepare(geometry, true)) return false;
  std::vector<uint8_t>& blackPixels = buffers.first();
  std::vector<uint8_t>& whitePixels = buffers.second();
  if (!ReadBits(black, blackPixels) || !ReadBits(white, whitePixels)) return false;
  if (!AlphaFromPairPixels(blackPixels.data(), blackPixels.size(), whitePixels.data(), whitePixels.size(), geometry))
    return false;
  ::SetBitmapBits(black, static_cast<DWORD>(blackPixels.size()), blackPixels.data());
  return true;
}

}  // namespace projector
