#include "machine_facts.h"

#include <windows.h>
#include <winioctl.h>
#include <cpuid.h>

#include <cstdint>
#include <vector>

#include "framework/handles.h"
#include "hwinfo/facts.h"

namespace hwinfo {

namespace {

std::wstring Widen(const std::string& text) {
  if (text.empty()) return {};
  int n = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  return wide;
}

CpuidRegisters Cpuid(uint32_t leaf) {
  CpuidRegisters r;
  __cpuid(leaf, r.eax, r.ebx, r.ecx, r.edx);
  return r;
}

// The raw SMBIOS table; GetSystemFirmwareTable is looked up because systems before XP SP2 and Server 2003 lack it.
std::vector<uint8_t> FirmwareSmbios() {
  using Getter = UINT(WINAPI*)(DWORD, DWORD, PVOID, DWORD);
  HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
  auto get = kernel ? reinterpret_cast<Getter>(reinterpret_cast<void*>(::GetProcAddress(kernel, "GetSystemFirmwareTable")))
                    : nullptr;
  if (!get) return {};
  constexpr DWORD kRsmb = 'R' << 24 | 'S' << 16 | 'M' << 8 | 'B';
  UINT size = get(kRsmb, 0, nullptr, 0);
  if (size == 0) return {};
  std::vector<uint8_t> table(size);
  UINT got = get(kRsmb, 0, table.data(), size);
  if (got == 0 || got > size) return {};
  table.resize(got);
  return table;
}

std::wstring BiosValue(HKEY key, const wchar_t* name) {
  wchar_t buffer[512] = {};
  DWORD size = sizeof buffer - sizeof(wchar_t);
  DWORD type = 0;
  if (::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS ||
      type != REG_SZ)
    return {};
  return std::wstring(buffer);
}

void ReadStorageDescriptor(HANDLE device, DiskFacts& disk) {
  STORAGE_PROPERTY_QUERY query = {};
  query.PropertyId = StorageDeviceProperty;
  query.QueryType = PropertyStandardQuery;
  std::vector<uint8_t> buffer(4096);
  DWORD got = 0;
  if (!::DeviceIoControl(device, IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof query, buffer.data(),
                         static_cast<DWORD>(buffer.size()), &got, nullptr) ||
      got < sizeof(STORAGE_DEVICE_DESCRIPTOR))
    return;
  std::span<const uint8_t> bytes(buffer.data(), got);
  STORAGE_DEVICE_DESCRIPTOR descriptor;
  memcpy(&descriptor, buffer.data(), sizeof descriptor);
  std::string vendor = DescriptorText(bytes, descriptor.VendorIdOffset);
  std::string product = DescriptorText(bytes, descriptor.ProductIdOffset);
  disk.model = Widen(vendor.empty() ? product : product.empty() ? vendor : vendor + " " + product);
  disk.serial = Widen(DescriptorText(bytes, descriptor.SerialNumberOffset));
}

void ReadGeometry(HANDLE device, DiskFacts& disk) {
  DISK_GEOMETRY geometry = {};
  DWORD got = 0;
  if (!::DeviceIoControl(device, IOCTL_DISK_GET_DRIVE_GEOMETRY, nullptr, 0, &geometry, sizeof geometry, &got,
                         nullptr))
    return;
  LONGLONG cylinders = geometry.Cylinders.QuadPart;
  disk.cylinders = cylinders > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<long>(cylinders);
  disk.heads = static_cast<long>(geometry.TracksPerCylinder);
  disk.sectorsPerTrack = static_cast<long>(geometry.SectorsPerTrack);
}

}  // namespace

void MachineFacts::ReadSystem() {
  systemRead_ = true;
  std::vector<uint8_t> table = FirmwareSmbios();
  SystemStrings system = ReadSmbiosSystem(table);
  if (system.found) {
    systemManufacturer_ = Widen(system.manufacturer);
    systemProduct_ = Widen(system.productName);
    systemVersion_ = Widen(system.version);
    systemSerial_ = Widen(system.serialNumber);
    return;
  }
  framework::UniqueRegKey key;
  HKEY raw = nullptr;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DESCRIPTION\\System\\BIOS", 0, KEY_READ, &raw) != ERROR_SUCCESS)
    return;
  key.reset(raw);
  systemManufacturer_ = BiosValue(key.get(), L"SystemManufacturer");
  systemProduct_ = BiosValue(key.get(), L"SystemProductName");
  systemVersion_ = BiosValue(key.get(), L"SystemVersion");
}

void MachineFacts::ReadProcessor() {
  processorRead_ = true;
  CpuidRegisters leaf0 = Cpuid(0);
  CpuidRegisters leaf1 = leaf0.eax >= 1 ? Cpuid(1) : CpuidRegisters{};
  std::vector<CpuidRegisters> brand;
  if (Cpuid(0x80000000u).eax >= 0x80000004u)
    for (uint32_t leaf = 0x80000002u; leaf <= 0x80000004u; ++leaf) brand.push_back(Cpuid(leaf));
  ProcessorStrings strings = DescribeProcessor(leaf0, leaf1, brand);
  cpuType_ = Widen(strings.type);
  cpuManufacturer_ = Widen(strings.manufacturer);
  cpuVersion_ = Widen(strings.version);
  cpuId_ = Widen(strings.identifier);
}

const std::wstring& MachineFacts::SystemText(long dispid) {
  if (!systemRead_) ReadSystem();
  switch (dispid) {
    case dispid::kSystemManufacturer: return systemManufacturer_;
    case dispid::kSystemProductName: return systemProduct_;
    case dispid::kSystemVersion: return systemVersion_;
    case dispid::kSystemSerial: return systemSerial_;
  }
  return empty_;
}

const std::wstring& MachineFacts::ProcessorText(long dispid) {
  if (!processorRead_) ReadProcessor();
  switch (dispid) {
    case dispid::kProcessorType: return cpuType_;
    case dispid::kProcessorManufacturer: return cpuManufacturer_;
    case dispid::kProcessorVersion: return cpuVersion_;
    case dispid::kProcessorId: return cpuId_;
  }
  return empty_;
}

const DiskFacts& MachineFacts::Disk(int drive) {
  size_t index = static_cast<size_t>(drive);
  if (!diskRead_[index]) {
    diskRead_[index] = true;
    // No access rights are needed for the descriptor and geometry queries, so no administrator either.
    std::wstring path = L"\\\\.\\PhysicalDrive" + std::to_wstring(drive);
    framework::UniqueFile device(::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                               OPEN_EXISTING, 0, nullptr));
    if (device) {
      ReadStorageDescriptor(device.get(), disks_[index]);
      ReadGeometry(device.get(), disks_[index]);
    }
  }
  return disks_[index];
}

}  // namespace hwinfo
