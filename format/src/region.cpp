#include "format/region.h"

#include <algorithm>

#include "format/payload.h"

namespace format {

namespace {
constexpr uint32_t kRectangles = 1;  // RDH_RECTANGLES

void StoreI32(std::vector<uint8_t>& out, size_t at, int32_t v) { StoreU32(out.data() + at, static_cast<uint32_t>(v)); }
int32_t LoadI32(const uint8_t* p) { return static_cast<int32_t>(LoadU32(p)); }
}  // namespace

std::vector<uint8_t> MakeRegionData(const std::vector<RegionRect>& rects) {
  std::vector<uint8_t> out(kRegionHeaderSize + 16 * rects.size(), 0);
  StoreU32(out.data(), kRegionHeaderSize);
  StoreU32(out.data() + 4, kRectangles);
  StoreU32(out.data() + 8, static_cast<uint32_t>(rects.size()));
  StoreU32(out.data() + 12, static_cast<uint32_t>(16 * rects.size()));
  RegionRect bound;
  for (size_t k = 0; k < rects.size(); ++k) {
    const RegionRect& r = rects[k];
    if (k == 0) {
      bound = r;
    } else {
      bound.left = std::min(bound.left, r.left);
      bound.top = std::min(bound.top, r.top);
      bound.right = std::max(bound.right, r.right);
      bound.bottom = std::max(bound.bottom, r.bottom);
    }
    size_t at = kRegionHeaderSize + 16 * k;
    StoreI32(out, at, r.left);
    StoreI32(out, at + 4, r.top);
    StoreI32(out, at + 8, r.right);
    StoreI32(out, at + 12, r.bottom);
  }
  StoreI32(out, 16, bound.left);
  StoreI32(out, 20, bound.top);
  StoreI32(out, 24, bound.right);
  StoreI32(out, 28, bound.bottom);
  return out;
}

bool ParseRegionData(const std::vector<uint8_t>& data, std::vector<RegionRect>* rects) {
  rects->clear();
  if (data.size() < kRegionHeaderSize) return false;
  const uint8_t* p = data.data();
  uint32_t count = LoadU32(p + 8);
  if (LoadU32(p) != kRegionHeaderSize || LoadU32(p + 4) != kRectangles) return false;
  if ((data.size() - kRegionHeaderSize) / 16 != count || (data.size() - kRegionHeaderSize) % 16 != 0) return false;
  for (uint32_t k = 0; k < count; ++k) {
    const uint8_t* r = p + kRegionHeaderSize + 16 * k;
    rects->push_back({LoadI32(r), LoadI32(r + 4), LoadI32(r + 8), LoadI32(r + 12)});
  }
  return true;
}

}  // namespace format
