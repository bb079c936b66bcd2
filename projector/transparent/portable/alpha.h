// Per-pixel alpha for the layered player: the pixel passes over 32-bit top-down or bottom-up buffers, and the
// cached buffers they work in. Pixels are 32-bit little-endian 0xAARRGGBB values, rows `stride` bytes apart.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace projector {

struct PixelGeometry {
  int width = 0;
  int height = 0;
  int stride = 0;

  // Rows hold at least `width` pixels and the sizes are positive.
  bool Valid() const;
  size_t BufferSize() const { return Valid() ? static_cast<size_t>(height) * static_cast<size_t>(stride) : 0; }
  bool operator==(const PixelGeometry&) const = default;
};

// Gives alpha 0xFF to every pixel that has colour but no alpha, so what the control drew without alpha shows
// opaque; untouched (all zero) pixels stay transparent and pixels with alpha keep it. True when a pixel changed.
// `size` bounds the buffer: nothing happens when the geometry does not fit in it.
bool FixAlpha32Pixels(uint8_t* pixels, size_t size, const PixelGeometry& geometry);

// Derives alpha from a render on black (`black`, rewritten in place) and the same render on white: pixels equal on
// both are opaque; the others get 255 - (white red - black red), computed in 8 bits. The colour of `black` stays as
// drawn, which is the premultiplied colour. False (nothing written) when the geometry does not fit either buffer.
bool AlphaFromPairPixels(uint8_t* black, size_t blackSize, const uint8_t* white, size_t whiteSize,
                         const PixelGeometry& geometry);

// The two pixel buffers a render works in. Their geometry comes from the bitmap being worked on; a bitmap of
// another size (the popup was resized) re-derives geometry and buffers, so no pass runs beyond a buffer's end.
class PixelBuffers {
 public:
  // Makes the first buffer (and the second too with `pair`) fit the geometry; false for a geometry no buffer can
  // be made for.
  bool Prepare(const PixelGeometry& geometry, bool pair);
  const PixelGeometry& geometry() const { return geometry_; }
  std::vector<uint8_t>& first() { return pixels1_; }
  std::vector<uint8_t>& second() { return pixels2_; }
  void Release();

 private:
  PixelGeometry geometry_;
  std::vector<uint8_t> pixels1_;
  std::vector<uint8_t> pixels2_;
};

}  // namespace projector
