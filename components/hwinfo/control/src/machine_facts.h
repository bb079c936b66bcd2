// What the HardWareInfo control reports, read from the system's own sources once and then kept.
#pragma once

#include <array>
#include <string>

#include "hwinfo/hwinfo_dispids.h"

namespace hwinfo {

struct DiskFacts {
  std::wstring serial;
  std::wstring model;
  long cylinders = 0;
  long heads = 0;
  long sectorsPerTrack = 0;
};

// Processor strings from CPUID, system strings from SMBIOS (or the registry's BIOS keys), disks from their IOCTLs.
class MachineFacts {
 public:
  const std::wstring& SystemText(long dispid);
  const std::wstring& ProcessorText(long dispid);
  const DiskFacts& Disk(int drive);

 private:
  void ReadSystem();
  void ReadProcessor();

  bool systemRead_ = false;
  bool processorRead_ = false;
  std::wstring systemManufacturer_, systemProduct_, systemVersion_, systemSerial_;
  std::wstring cpuType_, cpuManufacturer_, cpuVersion_, cpuId_;
  std::array<DiskFacts, kDiskCount> disks_;
  std::array<bool, kDiskCount> diskRead_{};
  std::wstring empty_;
};

}  // namespace hwinfo
