#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>

#include <cpuid.h>

#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "hwinfo/facts.h"
#include "hwinfo/hwinfo_dispids.h"
#include "library_access.h"
#include "testing_support/files.h"

namespace fscmd_tests {
namespace {

std::vector<std::wstring> Values(const std::wstring& answer) {
  std::vector<std::wstring> values;
  if (answer.empty()) return values;
  wchar_t separator = answer[0];
  size_t start = 1;
  while (true) {
    size_t next = answer.find(separator, start);
    values.push_back(answer.substr(start, next == std::wstring::npos ? std::wstring::npos : next - start));
    if (next == std::wstring::npos) break;
    start = next + 1;
  }
  return values;
}

TEST(SysGetLocalTime, SecondsAloneWithoutAFieldAndTheAscTimeTextWithOne) {
  std::wstring bare = Call("FSSysGetLocalTime", L"");
  ASSERT_EQ(Values(bare).size(), 1u) << Utf8(bare);
  long long seconds = std::stoll(Values(bare)[0]);
  EXPECT_LE(std::llabs(seconds - static_cast<long long>(std::time(nullptr))), 5);

  auto values = Values(Call("FSSysGetLocalTime", L"now"));
  ASSERT_EQ(values.size(), 2u);
  const std::wstring& text = values[1];
  // "Wed Jan 02 02:03:55 1980\n"
  ASSERT_EQ(text.size(), 25u) << Utf8(text);
  EXPECT_EQ(text.back(), L'\n');
  EXPECT_EQ(text[3], L' ');
  EXPECT_EQ(text[7], L' ');
  EXPECT_EQ(text.substr(13, 1) + text.substr(16, 1), L"::");
  std::time_t now = static_cast<std::time_t>(std::stoll(values[0]));
  std::tm local = {};
  localtime_s(&local, &now);
  EXPECT_EQ(std::stoi(text.substr(20, 4)), local.tm_year + 1900);
  EXPECT_EQ(std::stoi(text.substr(8, 2)), local.tm_mday);
}

TEST(SysDiskInfo, LabelAndSerialOnlyForNamedVariables) {
  EXPECT_EQ(Call("FSSysDiskInfo", L"C:\\"), L",0,C:\\,,0");
  EXPECT_EQ(Call("FSSysDiskInfo", L""), L",-101");
  wchar_t label[MAX_PATH + 1] = {};
  DWORD serial = 0;
  ASSERT_TRUE(::GetVolumeInformationW(L"C:\\", label, MAX_PATH + 1, &serial, nullptr, nullptr, nullptr, 0));
  EXPECT_EQ(Call("FSSysDiskInfo", L"C:\\,label,serial"),
            std::wstring(L",0,C:\\,") + label + L"," + std::to_wstring(static_cast<int32_t>(serial)));
  // A volume that is not there: -2000 - the system's error number.
  std::wstring missing = Call("FSSysDiskInfo", L"Q:\\nowhere\\,l,s");
  ASSERT_EQ(Values(missing).size(), 1u) << Utf8(missing);
  EXPECT_LT(std::stol(Values(missing)[0]), -2000);
}

TEST(SysOsVer, OnlyNamedFieldsGetTheirValues) {
  OSVERSIONINFOW version = {};
  version.dwOSVersionInfoSize = sizeof version;
  ASSERT_TRUE(::GetVersionExW(&version));
  std::wstring major = std::to_wstring(version.dwMajorVersion), minor = std::to_wstring(version.dwMinorVersion);
  EXPECT_EQ(Call("FSSysOsVer", L"maj,min"), L",0," + major + L"," + minor + L",,");
  EXPECT_EQ(Call("FSSysOsVer", L",,build,sp"),
            L",0,,," + std::to_wstring(version.dwBuildNumber) + L"," + version.szCSDVersion);
  EXPECT_EQ(Call("FSSysOsVer", L""), L",0,,,,");
}

TEST(SysFoldersAndNames, WindowsFolderAndUserNameNeedAVariable) {
  wchar_t folder[MAX_PATH + 1] = {};
  ASSERT_GT(::GetWindowsDirectoryW(folder, MAX_PATH + 1), 0u);
  EXPECT_EQ(Call("FSSysGetWinDir", L"dir"), std::wstring(L",0,") + folder);
  EXPECT_EQ(Call("FSSysGetWinDir", L""), L",-101");
  wchar_t user[256] = {};
  DWORD size = 256;
  ASSERT_TRUE(::GetUserNameW(user, &size));
  EXPECT_EQ(Call("FSSysGetUserName", L"who"), std::wstring(L",0,") + user);
  EXPECT_EQ(Call("FSSysGetUserName", L""), L",-101");
}

constexpr const char* kHardwareExports[] = {
    "FSGetDiskSerialStr", "FSGetDiskModelStr", "FSGetDiskCylinders", "FSGetDiskHeads", "FSGetDiskSectorPerTrack",
    "FSGetCpuTypeStr",    "FSGetCpuManStr",    "FSGetCpuVerStr",     "FSGetCpuIdStr",  "FSGetSysManStr",
    "FSGetSysProdNameStr", "FSGetSysVerStr",   "FSGetSysSerialStr"};

TEST(HardwareCommands, EveryOneAnswersZeroBeforeTheHostWindowIsKnown) {
  testing_support::ScratchFolder folder(L"hwnohost");
  LoadedLibrary fresh(folder.path());
  ASSERT_TRUE(fresh.loaded());
  for (const char* name : kHardwareExports) EXPECT_EQ(fresh.Call(name, L"0,v"), L",0") << name;
}

constexpr REGSAM kOwnView = sizeof(void*) == 8 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;

bool ControlRegistered() {
  HKEY key = nullptr;
  if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, L"CLSID\\" HWINFO_CLSID_TEXT L"\\InprocServer32", 0, KEY_READ | kOwnView,
                      &key) != ERROR_SUCCESS)
    return false;
  ::RegCloseKey(key);
  return true;
}

FILETIME WriteTime(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  ::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
  return data.ftLastWriteTime;
}

std::wstring Widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }

hwinfo::ProcessorStrings ThisProcessor() {
  auto cpuid = [](uint32_t leaf) {
    hwinfo::CpuidRegisters r;
    __cpuid(leaf, r.eax, r.ebx, r.ecx, r.edx);
    return r;
  };
  std::vector<hwinfo::CpuidRegisters> brand;
  if (cpuid(0x80000000u).eax >= 0x80000004u)
    for (uint32_t leaf = 0x80000002u; leaf <= 0x80000004u; ++leaf) brand.push_back(cpuid(leaf));
  return hwinfo::DescribeProcessor(cpuid(0), cpuid(1), brand);
}

// The library writes the control into the current folder, so each test of the control runs in its own.
class CurrentFolder {
 public:
  explicit CurrentFolder(const std::wstring& folder) {
    wchar_t previous[MAX_PATH + 1] = {};
    ::GetCurrentDirectoryW(MAX_PATH + 1, previous);
    previous_ = previous;
    ::SetCurrentDirectoryW(folder.c_str());
  }
  ~CurrentFolder() { ::SetCurrentDirectoryW(previous_.c_str()); }

 private:
  std::wstring previous_;
};

TEST(HardwareCommands, ControlRegisteredOnceAnswersFromCpuidAndIsUnregisteredAtUnload) {
  testing_support::ScratchFolder folder(L"hwcontrol");
  CurrentFolder current(folder.path());
  HWND host = ::CreateWindowExW(0, L"STATIC", L"host", WS_OVERLAPPEDWINDOW, 0, 0, 200, 200, nullptr, nullptr,
                                nullptr, nullptr);
  ASSERT_TRUE(host);
  auto library = std::make_unique<LoadedLibrary>(folder.path());
  ASSERT_TRUE(library->loaded());
  ASSERT_EQ(library->Call("FSWindowSetHandle", std::to_wstring(reinterpret_cast<intptr_t>(host))), L",-99");

  hwinfo::ProcessorStrings cpu = ThisProcessor();
  EXPECT_EQ(library->Call("FSGetCpuManStr", L"v"), L",1," + Widen(cpu.manufacturer));
  EXPECT_TRUE(ControlRegistered());
  FILETIME written = WriteTime(folder / L"info.dat");
  EXPECT_EQ(library->Call("FSGetCpuTypeStr", L"v"), L",1," + Widen(cpu.type));
  EXPECT_EQ(library->Call("FSGetCpuVerStr", L"v"), L",1," + Widen(cpu.version));
  EXPECT_EQ(library->Call("FSGetCpuIdStr", L"v"), L",1," + Widen(cpu.identifier));
  FILETIME after = WriteTime(folder / L"info.dat");
  EXPECT_EQ(::CompareFileTime(&written, &after), 0) << "the control file was written again";
  EXPECT_EQ(library->Call("FSGetCpuManStr", L""), L",0");  // one field is required

  // The control is a child of the host window, never shown.
  HWND control = ::GetWindow(host, GW_CHILD);
  ASSERT_TRUE(control);
  EXPECT_FALSE(::IsWindowVisible(control));

  // System strings: whatever the machine's firmware or registry says, always answered.
  for (const char* name : {"FSGetSysManStr", "FSGetSysProdNameStr", "FSGetSysVerStr", "FSGetSysSerialStr"})
    EXPECT_EQ(library->Call(name, L"v").substr(0, 3), L",1,") << name;

  // Disks: two fields and a drive of 0 to 3.
  EXPECT_EQ(library->Call("FSGetDiskSerialStr", L"0"), L",0");
  EXPECT_EQ(library->Call("FSGetDiskModelStr", L"4,m"), L",0");
  EXPECT_EQ(library->Call("FSGetDiskHeads", L"-1,h"), L",0");
  for (const char* name : {"FSGetDiskModelStr", "FSGetDiskCylinders", "FSGetDiskHeads", "FSGetDiskSectorPerTrack"}) {
    auto values = Values(library->Call(name, L"0,v"));
    ASSERT_EQ(values.size(), 3u) << name;
    EXPECT_EQ(values[0], L"1") << name;
    EXPECT_EQ(values[1], L"") << name;
  }
  std::wstring serial = library->Call("FSGetDiskSerialStr", L"0,v");
  EXPECT_TRUE(serial == L",0" || serial.substr(0, 4) == L",1,,") << Utf8(serial);

  library.reset();
  bool unregistered = false;
  for (int i = 0; i < 100 && !unregistered; ++i) {
    ::Sleep(100);
    unregistered = !ControlRegistered();
  }
  EXPECT_TRUE(unregistered);
  EXPECT_FALSE(::IsWindow(control));
  ::DestroyWindow(host);
  ::CoFreeUnusedLibrariesEx(0, 0);
}

}  // namespace
}  // namespace fscmd_tests
