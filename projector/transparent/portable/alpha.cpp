#include "alpha.h"

#include <cstring>
#include <limits>
#include <new>

namespace projector {

namespace {

constexpr uint32_t kColour = 0x00FFFFFFu;
constexpr uint32_t kAlpha = 0xFF000000u;

// The passes read whole rows as 32-bit values; memcpy keeps them free of alignment and aliasing assumptions
// and compiles to plain loads.
inline uint32_t Load(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

inline void Store(uint8_t* p, uint32_t v) { std::memcpy(p, &v, 4); }

bool Fits(size_t size, const PixelGeometry& g) { return g.Valid() && g.BufferSize() <= size; }

}  // namespace

bool PixelGeometry::Valid() const {
  if (width < 1 || height < 1 || stride < 1) return false;
  if (static_cast<long long>(width) * 4 > stride) return false;
  return static_cast<unsigned long long>(height) * static_cast<unsigned long long>(stride) <=
         std::numeric_limits<size_t>::max() / 2;
}

namespace {

// One row each; written branch-free with unsigned indices so that the compiler vectorises them.
uint32_t FixRow(uint8_t* row, size_t width) {
  uint32_t changed = 0;
  for (size_t x = 0; x < width; ++x) {
    uint32_t p = Load(row + x * 4);
    // All ones exactly where a pixel has colour but no alpha.
    uint32_t needs = static_cast<uint32_t>((p & kColour) != 0) & static_cast<uint32_t>((p & kAlpha) == 0);
    changed |= needs;
    Store(row + x * 4, p | (kAlpha & (0u - needs)));
  }
  return changed;
}

void PairRow(uint8_t* __restrict black, const uint8_t* __restrict white, size_t width) {
  for (size_t x = 0; x < width; ++x) {
    uint32_t pb = Load(black + x * 4);
    uint32_t pw = Load(white + x * 4);
    // Where both renders agree the alpha is all ones; elsewhere the complement of the red spread.
    uint32_t same = 0u - static_cast<uint32_t>(((pb ^ pw) & kColour) == 0);
    uint32_t alpha = (~((pw >> 16) - (pb >> 16)) | same) << 24;
    Store(black + x * 4, (pb & kColour) | alpha);
  }
}

}  // namespace

bool FixAlpha32Pixels(uint8_t* pixels, size_t size, const PixelGeometry& g) {
  if (!pixels || !Fits(size, g)) return false;
  uint32_t changed = 0;
  size_t stride = static_cast<size_t>(g.stride), width = static_cast<size_t>(g.width);
  for (size_t y = 0; y < static_cast<size_t>(g.height); ++y) changed |= FixRow(pixels + y * stride, width);
  return changed != 0;
}

bool AlphaFromPairPixels(uint8_t* black, size_t blackSize, const uint8_t* white, size_t whiteSize,
                         const PixelGeometry& g) {
  if (!black || !white || !Fits(blackSize, g) || !Fits(whiteSize, g)) return false;
  size_t stride = static_cast<size_t>(g.stride), width = static_cast<size_t>(g.width);
  for (size_t y = 0; y < static_cast<size_t>(g.height); ++y) PairRow(black + y * stride, white + y * stride, width);
  return true;
}

bool PixelBuffers::Prepare(const PixelGeometry& geometry, bool pair) {
  if (!geometry.Valid()) return false;
  size_t size = geometry.BufferSize();
  if (geometry == geometry_ && pixels1_.size() == size && (!pair || pixels2_.size() == size)) return true;
  try {
    if (pixels1_.size() != size) pixels1_.assign(size, 0);
    if (pair && pixels2_.size() != size) pixels2_.assign(size, 0);
    if (!pair && !pixels2_.empty() && pixels2_.size() != size) std::vector<uint8_t>().swap(pixels2_);
  } catch (const std::bad_alloc&) {
    Release();
    return false;
  }
  geometry_ = geometry;
  return true;
}

void PixelBuffers::Release() {
  geometry_ = {};
  std::vector<uint8_t>().swap(pixels1_);
  std::vector<uint8_t>().swap(pixels2_);
}

}  // namespace projector
