// The HardWareInfo control's class and the dispatch identifiers of its properties, shared with its callers.
#pragma once

#define HWINFO_CLSID_TEXT L"{50523B2B-33D8-49AE-9B96-3BB0BD18F1B3}"

#ifdef __cplusplus
namespace hwinfo {

enum class DiskQuantity { Serial, Model, Cylinders, Heads, SectorsPerTrack };
constexpr int kDiskCount = 4;

namespace dispid {
constexpr long kSystemManufacturer = 6;
constexpr long kSystemProductName = 7;
constexpr long kSystemVersion = 8;
constexpr long kSystemSerial = 9;
constexpr long kProcessorType = 15;
constexpr long kProcessorManufacturer = 17;
constexpr long kProcessorVersion = 18;
constexpr long kProcessorId = 19;
}  // namespace dispid

// The property of one quantity of one drive (0 to 3); the numbering is the control's, irregular as it is.
constexpr long DiskDispid(DiskQuantity quantity, int drive) {
  constexpr long table[5][kDiskCount] = {
      {22, 29, 35, 42},  // serial number
      {21, 28, 48, 41},  // model
      {27, 34, 40, 47},  // cylinders
      {26, 33, 39, 46},  // heads
      {25, 32, 38, 45},  // sectors per track
  };
  return table[static_cast<int>(quantity)][drive];
}

}  // namespace hwinfo
#endif
