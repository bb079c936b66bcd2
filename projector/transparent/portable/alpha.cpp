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

bool FixAlpha32Pixels(uint8_t* pixels, size_t size, const PixelGeometry& g) {
  if (!pixels || !Fits(size, g)) return false;
  uint32_t changed = 0;
  for (int y = 0; y < g.height; ++y) {
    uint8_t* row = pixels + static_cast<size_t>(y) * static_cast<size_t>(g.stride);
    for (int x = 0; x < g.width; ++x) {
      uint32_t p = Load(row + x * 4);
      // Branch-free so the loop vectorises: the mask is all ones exactly where colour has no alpha.
      uint32_t needs = static_cast<uint32_t>((p & kColour) != 0) & static_cast<uint32_t>((p & kAlpha) == 0);
      changed |= needs;
      Store(row + x * 4, p | (kAlpha & (0u - needs)));
    }
  }
  return changed != 0;
}

bool AlphaFromPairPixels(uint8_t* black, size_t blackSize, const uint8_t* white, size_t whiteSize,
                         const PixelGeometry& g) {
  if (!black || !white || !Fits(blackSize, g) || !Fits(whiteSize, g)) return false;
  for (int y = 0; y < g.height; ++y) {
    size_t offset = static_cast<size_t>(y) * static_cast<size_t>(g.stride);
    uint8_t* b = black + offset;
    const uint8_t* w = white + offset;
    for (int x = 0; x < g.width; ++x) {
      uint32_t pb = Load(b + x * 4);
      uint32_t pw = Load(w + x * 4);
      uint32_t same = static_cast<uint32_t>(((pb ^ pw) & kColour) == 0);
      uint32_t spread = ((pw >> 16) - (pb >> 16)) & 0xFFu;
      uint32_t alpha = same ? 0xFFu : (~spread & 0xFFu);
      Store(b + x * 4, (pb & kColour) | (alpha << 24));
    }
  }
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
