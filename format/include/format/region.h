// The custom window outline as stored: an RGNDATA block of rectangles.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace format {

struct RegionRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  bool operator==(const RegionRect&) const = default;
};

inline constexpr size_t kRegionHeaderSize = 32;

// RGNDATAHEADER (size 32, RDH_RECTANGLES, count, buffer size, bounds) and the
// rectangles; no rectangles give the empty region every document carries.
std::vector<uint8_t> MakeRegionData(const std::vector<RegionRect>& rects);

// The rectangles of a well-formed block; false for anything else.
bool ParseRegionData(const std::vector<uint8_t>& data, std::vector<RegionRect>* rects);

}  // namespace format
