#include "alpha.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace projector {
namespace {

// A bitmap of 32-bit pixels with padding after each row, so passes that ignore the stride show up.
struct Bitmap {
  Bitmap(int w, int h, int padBytes = 8) : geometry{w, h, w * 4 + padBytes}, bytes(geometry.BufferSize(), 0xEE) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) Set(x, y, 0);
  }
  uint32_t At(int x, int y) const {
    uint32_t v;
    std::memcpy(&v, &bytes[static_cast<size_t>(y) * geometry.stride + x * 4], 4);
    return v;
  }
  void Set(int x, int y, uint32_t v) { std::memcpy(&bytes[static_cast<size_t>(y) * geometry.stride + x * 4], &v, 4); }
  bool PaddingUntouched() const {
    for (int y = 0; y < geometry.height; ++y)
      for (int i = geometry.width * 4; i < geometry.stride; ++i)
        if (bytes[static_cast<size_t>(y) * geometry.stride + i] != 0xEE) return false;
    return true;
  }
  PixelGeometry geometry;
  std::vector<uint8_t> bytes;
};

TEST(FixAlpha32, UntouchedStaysTransparentColourWithoutAlphaBecomesOpaqueAlphaIsKept) {
  Bitmap b(3, 2);
  b.Set(1, 0, 0x00123456);  // drawn without alpha
  b.Set(2, 0, 0x80402010);  // drawn half transparent, premultiplied
  b.Set(0, 1, 0xFF000000);  // opaque black
  b.Set(1, 1, 0x00000000);  // black drawn without alpha: indistinguishable from untouched
  b.Set(2, 1, 0x01000001);
  EXPECT_TRUE(FixAlpha32Pixels(b.bytes.data(), b.bytes.size(), b.geometry));
  EXPECT_EQ(b.At(0, 0), 0x00000000u);
  EXPECT_EQ(b.At(1, 0), 0xFF123456u);
  EXPECT_EQ(b.At(2, 0), 0x80402010u);
  EXPECT_EQ(b.At(0, 1), 0xFF000000u);
  EXPECT_EQ(b.At(1, 1), 0x00000000u);
  EXPECT_EQ(b.At(2, 1), 0x01000001u);
  EXPECT_TRUE(b.PaddingUntouched());
}

TEST(FixAlpha32, ReportsWhetherAnythingChanged) {
  Bitmap b(4, 4);
  EXPECT_FALSE(FixAlpha32Pixels(b.bytes.data(), b.bytes.size(), b.geometry));
  b.Set(3, 3, 0x7F7F7F7F);
  EXPECT_FALSE(FixAlpha32Pixels(b.bytes.data(), b.bytes.size(), b.geometry));
  b.Set(3, 3, 0x00000100);
  EXPECT_TRUE(FixAlpha32Pixels(b.bytes.data(), b.bytes.size(), b.geometry));
  EXPECT_EQ(b.At(3, 3), 0xFF000100u);
}

TEST(FixAlpha32, WideRowsAreFixedToTheirLastPixel) {
  // Long enough for the vectorised body and its scalar tail.
  Bitmap b(37, 3, 12);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 37; ++x) b.Set(x, y, static_cast<uint32_t>(x + 1));
  EXPECT_TRUE(FixAlpha32Pixels(b.bytes.data(), b.bytes.size(), b.geometry));
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 37; ++x) EXPECT_EQ(b.At(x, y), 0xFF000000u | static_cast<uint32_t>(x + 1)) << x << "," << y;
  EXPECT_TRUE(b.PaddingUntouched());
}

TEST(FixAlpha32, GeometryThatDoesNotFitTheBufferIsRefused) {
  Bitmap b(4, 4, 0);
  b.Set(0, 0, 0x00FFFFFF);
  std::vector<uint8_t> before = b.bytes;
  PixelGeometry tooTall{4, 5, 16};
  PixelGeometry rowsTooShort{4, 4, 12};
  PixelGeometry empty{0, 4, 16};
  EXPECT_FALSE(FixAlpha32Pixels(b.bytes.data(), b.bytes.size(), tooTall));
  EXPECT_FALSE(FixAlpha32Pixels(b.bytes.data(), b.bytes.size(), rowsTooShort));
  EXPECT_FALSE(FixAlpha32Pixels(b.bytes.data(), b.bytes.size(), empty));
  EXPECT_FALSE(FixAlpha32Pixels(nullptr, 64, b.geometry));
  EXPECT_EQ(b.bytes, before);
}

TEST(AlphaFromPair, SameOnBothIsOpaqueWhiteAndBlackIsClearHalfGetsTheRedSpread) {
  Bitmap black(4, 1), white(4, 1);
  black.Set(0, 0, 0x00336699);  // opaque colour, the same on both renders
  white.Set(0, 0, 0x00336699);
  black.Set(1, 0, 0x00000000);  // nothing drawn
  white.Set(1, 0, 0x00FFFFFF);
  black.Set(2, 0, 0x00400000);  // red at half alpha: 0x80 * 0x80 / 0xFF on black, plus 0x7F of white on white
  white.Set(2, 0, 0x00BF7F7F);
  black.Set(3, 0, 0x00101010);  // an opaque grey the alpha already carried on black stays as drawn
  white.Set(3, 0, 0x00101010);
  ASSERT_TRUE(AlphaFromPairPixels(black.bytes.data(), black.bytes.size(), white.bytes.data(), white.bytes.size(),
                                  black.geometry));
  EXPECT_EQ(black.At(0, 0), 0xFF336699u);
  EXPECT_EQ(black.At(1, 0), 0x00000000u);
  EXPECT_EQ(black.At(2, 0), (static_cast<uint32_t>(255 - (0xBF - 0x40)) << 24) | 0x00400000u);
  EXPECT_EQ(black.At(3, 0), 0xFF101010u);
  EXPECT_TRUE(black.PaddingUntouched());
}

TEST(AlphaFromPair, AlphaOfTheBlackRenderIsReplacedAndTheWhiteRenderIsLeftAlone) {
  Bitmap black(2, 2), white(2, 2);
  black.Set(0, 0, 0x12000000);
  white.Set(0, 0, 0x34FFFFFF);
  black.Set(1, 1, 0x77ABCDEF);
  white.Set(1, 1, 0x00ABCDEF);
  std::vector<uint8_t> whiteBefore = white.bytes;
  ASSERT_TRUE(AlphaFromPairPixels(black.bytes.data(), black.bytes.size(), white.bytes.data(), white.bytes.size(),
                                  black.geometry));
  EXPECT_EQ(black.At(0, 0), 0x00000000u);
  EXPECT_EQ(black.At(1, 1), 0xFFABCDEFu);
  EXPECT_EQ(white.bytes, whiteBefore);
}

TEST(AlphaFromPair, RedDarkerOnWhiteWrapsInEightBits) {
  // Only a control that draws differently each time can do this; the 8-bit rule still decides the alpha.
  Bitmap black(1, 1), white(1, 1);
  black.Set(0, 0, 0x00200000);
  white.Set(0, 0, 0x00100000);
  ASSERT_TRUE(AlphaFromPairPixels(black.bytes.data(), black.bytes.size(), white.bytes.data(), white.bytes.size(),
                                  black.geometry));
  EXPECT_EQ(black.At(0, 0) >> 24, static_cast<uint32_t>(static_cast<uint8_t>(~static_cast<uint8_t>(0x10 - 0x20))));
}

TEST(AlphaFromPair, ARenderSmallerThanTheGeometryIsRefused) {
  Bitmap black(4, 4), white(4, 3);
  std::vector<uint8_t> before = black.bytes;
  EXPECT_FALSE(AlphaFromPairPixels(black.bytes.data(), black.bytes.size(), white.bytes.data(), white.bytes.size(),
                                   black.geometry));
  EXPECT_EQ(black.bytes, before);
}

TEST(PixelBuffers, FollowTheBitmapWhenItsSizeChanges) {
  PixelBuffers buffers;
  EXPECT_FALSE(buffers.Prepare({0, 0, 0}, false));
  ASSERT_TRUE(buffers.Prepare({10, 5, 40}, false));
  EXPECT_EQ(buffers.first().size(), 200u);
  EXPECT_TRUE(buffers.second().empty());
  uint8_t* kept = buffers.first().data();
  ASSERT_TRUE(buffers.Prepare({10, 5, 40}, false));
  EXPECT_EQ(buffers.first().data(), kept);

  // The popup grew: the buffers and geometry grow with it, so a pass over the new bitmap stays inside them.
  ASSERT_TRUE(buffers.Prepare({20, 8, 80}, true));
  EXPECT_EQ(buffers.geometry(), (PixelGeometry{20, 8, 80}));
  EXPECT_EQ(buffers.first().size(), 640u);
  EXPECT_EQ(buffers.second().size(), 640u);
  buffers.first()[7 * 80 + 19 * 4] = 0x01;
  EXPECT_TRUE(FixAlpha32Pixels(buffers.first().data(), buffers.first().size(), buffers.geometry()));
  EXPECT_EQ(buffers.first()[7 * 80 + 19 * 4 + 3], 0xFF);

  // It shrank: smaller buffers, and the old larger geometry no longer passes.
  ASSERT_TRUE(buffers.Prepare({3, 2, 12}, true));
  EXPECT_EQ(buffers.first().size(), 24u);
  EXPECT_EQ(buffers.second().size(), 24u);
  EXPECT_FALSE(FixAlpha32Pixels(buffers.first().data(), buffers.first().size(), PixelGeometry{20, 8, 80}));

  buffers.Release();
  EXPECT_TRUE(buffers.first().empty());
  EXPECT_EQ(buffers.geometry(), PixelGeometry{});
}

}  // namespace
}  // namespace projector
