// Hardware information commands: disk, processor and system board strings from the HardWareInfo control.
#include <windows.h>

#include "hardware_info.h"
#include "hwinfo/hwinfo_dispids.h"
#include "library.h"

namespace fscmd {

namespace {

using hwinfo::DiskQuantity;

bool ControlAvailable() { return HardwareInfo().MakeAvailable(HostWindowHandle()); }

// The drive of field 0 when two fields were given, the drive is 0 to 3 and the control is there.
bool DiskArguments(const std::wstring& args, int* drive) {
  ArgumentList fields = SplitArguments(args);
  if (fields.size() < 2) return false;
  long number = fields.Number(0, 0);
  if (number < 0 || number >= hwinfo::kDiskCount || !ControlAvailable()) return false;
  *drive = static_cast<int>(number);
  return true;
}

long DiskText(const std::wstring& args, CommandResult& result, DiskQuantity quantity) {
  int drive = 0;
  if (!DiskArguments(args, &drive)) return 0;
  auto text = HardwareInfo().Text(hwinfo::DiskDispid(quantity, drive));
  if (!text) return 0;
  result.AddEmptyExtra();
  result.AddExtra(*text);
  return 1;
}

long DiskNumber(const std::wstring& args, CommandResult& result, DiskQuantity quantity) {
  int drive = 0;
  if (!DiskArguments(args, &drive)) return 0;
  auto number = HardwareInfo().Number(hwinfo::DiskDispid(quantity, drive));
  if (!number) return 0;
  result.AddEmptyExtra();
  result.AddExtra(*number);
  return 1;
}

long MachineText(const std::wstring& args, CommandResult& result, long dispid) {
  if (SplitArguments(args).empty() || !ControlAvailable()) return 0;
  auto text = HardwareInfo().Text(dispid);
  if (!text) return 0;
  result.AddExtra(*text);
  return 1;
}

}  // namespace

namespace commands {

long GetDiskSerialStr(const std::wstring& args, CommandResult& result) {
  int drive = 0;
  if (!DiskArguments(args, &drive)) return 0;
  std::wstring serial = TrimBlanks(HardwareInfo().Text(hwinfo::DiskDispid(DiskQuantity::Serial, drive)).value_or(L""));
  if (serial.empty()) {
    DiskIdentify identify;
    if (!identify.Read(drive)) return 0;
    serial = identify.serial;
  }
  if (serial.empty()) return 0;
  result.AddEmptyExtra();
  result.AddExtra(serial);
  return 1;
}

long GetDiskModelStr(const std::wstring& args, CommandResult& result) {
  return DiskText(args, result, DiskQuantity::Model);
}
long GetDiskCylinders(const std::wstring& args, CommandResult& result) {
  return DiskNumber(args, result, DiskQuantity::Cylinders);
}
long GetDiskHeads(const std::wstring& args, CommandResult& result) {
  return DiskNumber(args, result, DiskQuantity::Heads);
}
long GetDiskSectorPerTrack(const std::wstring& args, CommandResult& result) {
  return DiskNumber(args, result, DiskQuantity::SectorsPerTrack);
}

long GetCpuTypeStr(const std::wstring& args, CommandResult& result) {
  return MachineText(args, result, hwinfo::dispid::kProcessorType);
}
long GetCpuManStr(const std::wstring& args, CommandResult& result) {
  return MachineText(args, result, hwinfo::dispid::kProcessorManufacturer);
}
long GetCpuVerStr(const std::wstring& args, CommandResult& result) {
  return MachineText(args, result, hwinfo::dispid::kProcessorVersion);
}
long GetCpuIdStr(const std::wstring& args, CommandResult& result) {
  return MachineText(args, result, hwinfo::dispid::kProcessorId);
}
long GetSysManStr(const std::wstring& args, CommandResult& result) {
  return MachineText(args, result, hwinfo::dispid::kSystemManufacturer);
}
long GetSysProdNameStr(const std::wstring& args, CommandResult& result) {
  return MachineText(args, result, hwinfo::dispid::kSystemProductName);
}
long GetSysVerStr(const std::wstring& args, CommandResult& result) {
  return MachineText(args, result, hwinfo::dispid::kSystemVersion);
}
long GetSysSerialStr(const std::wstring& args, CommandResult& result) {
  return MachineText(args, result, hwinfo::dispid::kSystemSerial);
}

}  // namespace commands

}  // namespace fscmd
