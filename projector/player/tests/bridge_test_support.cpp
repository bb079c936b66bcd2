#include "bridge_test_support.h"

namespace testing_support {

namespace {

void Put32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace

Bytes SolidBitmap(int width, int height) {
  uint32_t row = (static_cast<uint32_t>(width) * 3 + 3) & ~3u;
  uint32_t pixels = row * static_cast<uint32_t>(height);
  Bytes bmp(54 + pixels, 0);
  bmp[0] = 'B';
  bmp[1] = 'M';
  Put32(bmp, 2, static_cast<uint32_t>(bmp.size()));
  Put32(bmp, 10, 54);
  Put32(bmp, 14, 40);
  Put32(bmp, 18, static_cast<uint32_t>(width));
  Put32(bmp, 22, static_cast<uint32_t>(height));
  bmp[26] = 1;
  bmp[28] = 24;
  Put32(bmp, 34, pixels);
  for (size_t i = 54; i < bmp.size(); i += 3)
    if (i + 2 < bmp.size()) bmp[i + 1] = 0x80;
  return bmp;
}

}  // namespace testing_support
