#include "hardware_info.h"

#include <windows.h>
#include <shellapi.h>

#include <vector>

#include "framework/com.h"
#include "framework/file.h"
#include "framework/handles.h"
#include "fscmd/disk_identify_rules.h"
#include "hwinfo/hwinfo_dispids.h"
#include "library.h"

namespace fscmd {

namespace {

constexpr int kCreateAttempts = 100;
constexpr int kPumpRounds = 2000;
constexpr DWORD kRetryPause = 20;
constexpr wchar_t kResourceType[] = L"HWINFO";
constexpr WORD kResourceId = 1007;

CHardWareInfo* g_hardwareInfo = nullptr;

HMODULE LibraryModule() {
  HMODULE module = nullptr;
  ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&LibraryModule), &module);
  return module;
}

// regsvr32 on the control file, hidden and not waited for.
bool StartRegsvr32(const std::wstring& parameters) {
  SHELLEXECUTEINFOW info = {};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS;
  info.lpVerb = L"open";
  info.lpFile = L"regsvr32";
  info.lpParameters = parameters.c_str();
  info.nShow = SW_HIDE;
  if (!::ShellExecuteExW(&info)) return false;
  framework::UniqueHandle process(info.hProcess);
  return true;
}

// The same at unload, where the loader lock rules out the shell: the process is started directly.
void StartRegsvr32Directly(const std::wstring& parameters) {
  std::wstring command = L"regsvr32 " + parameters;
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION process = {};
  if (::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                       &startup, &process)) {
    framework::UniqueHandle thread(process.hThread);
    framework::UniqueHandle child(process.hProcess);
  }
}

void PumpMessages() {
  for (int round = 0; round < kPumpRounds; ++round) {
    MSG msg;
    if (!::PeekMessageW(&msg, nullptr, 0, 0xC00, PM_NOREMOVE)) continue;
    if (!::PeekMessageW(&msg, nullptr, 0, 0xC00, PM_REMOVE)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

// The drive's bytes taken as characters one for one.
std::wstring ByteText(const std::string& bytes) {
  std::wstring text;
  for (char c : bytes) text += static_cast<wchar_t>(static_cast<unsigned char>(c));
  return text;
}

}  // namespace

HostWindowRef::~HostWindowRef() {
  ReleaseContainment();
  m_hWnd = nullptr;
}

CHardWareInfo::~CHardWareInfo() { host_.CloseControls(); }

bool CHardWareInfo::WriteAndRegisterControlFile() {
  try {
    HMODULE module = LibraryModule();
    HRSRC found = module ? ::FindResourceW(module, MAKEINTRESOURCEW(kResourceId), kResourceType) : nullptr;
    HGLOBAL loaded = found ? ::LoadResource(module, found) : nullptr;
    DWORD size = found ? ::SizeofResource(module, found) : 0;
    const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
    if (bytes && size > 0) {
      framework::CFile file;
      if (!file.Open(kControlFile, framework::CFile::modeCreate | framework::CFile::modeWrite)) return false;
      if (!file.Write(bytes, size)) return false;
    }
    if (::GetFileAttributesW(kControlFile) == INVALID_FILE_ATTRIBUTES) return false;
    return StartRegsvr32(std::wstring(L"/s ") + kControlFile);
  } catch (...) {
    return false;
  }
}

bool CHardWareInfo::CreateWithRetries() {
  CLSID clsid;
  if (FAILED(::CLSIDFromString(HWINFO_CLSID_TEXT, &clsid))) return false;
  const RECT empty = {0, 0, 0, 0};
  for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
    if (CreateControl(clsid, nullptr, 0, empty, &host_, 0)) return true;
    // Registration runs in its own process and may not have finished yet.
    PumpMessages();
    ::Sleep(kRetryPause);
  }
  return false;
}

bool CHardWareInfo::MakeAvailable(HWND host) {
  SharedState& state = State();
  if (state.hardwareReady) return true;
  if (!host) return false;
  if (!created_) {
    host_.Attach(host);
    if (!WriteAndRegisterControlFile()) return false;
    if (!CreateWithRetries()) return false;
    created_ = true;
  }
  state.hardwareReady = true;
  return true;
}

std::optional<std::wstring> CHardWareInfo::Text(DISPID id) {
  framework::Variant value;
  std::wstring text;
  if (FAILED(GetProperty(id, &value)) || !value.ToString(&text)) return std::nullopt;
  return text;
}

std::optional<long> CHardWareInfo::Number(DISPID id) {
  framework::Variant value;
  long number = 0;
  if (FAILED(GetProperty(id, &value)) || !value.ToLong(&number)) return std::nullopt;
  return number;
}

void CHardWareInfo::Unload(bool processEnding) {
  if (!created_) return;
  StartRegsvr32Directly(std::wstring(L"/u /s ") + kControlFile);
  // When the process ends the control's own module may already be gone; its window goes with the process.
  if (!processEnding) host_.CloseControls();
}

CHardWareInfo& HardwareInfo() {
  if (!g_hardwareInfo) g_hardwareInfo = new CHardWareInfo();
  return *g_hardwareInfo;
}

void UnloadHardwareInfo(bool processEnding) {
  if (!g_hardwareInfo) return;
  g_hardwareInfo->Unload(processEnding);
  if (!processEnding) delete g_hardwareInfo;
  g_hardwareInfo = nullptr;
}

DiskIdentify::DiskIdentify() {
  OSVERSIONINFOW version = {};
  version.dwOSVersionInfoSize = sizeof version;
  if (::GetVersionExW(&version))
    useNtPath = version.dwPlatformId == VER_PLATFORM_WIN32_NT && version.dwMajorVersion > 3;
}

bool DiskIdentify::Read(int drive) {
  framework::UniqueFile device;
  if (useNtPath) {
    std::wstring path = L"\\\\.\\PhysicalDrive" + std::to_wstring(drive);
    device.reset(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, 0, nullptr));
  } else {
    device.reset(::CreateFileW(L"\\\\.\\SMARTVSD", 0, 0, nullptr, CREATE_NEW, 0, nullptr));
  }
  if (!device) return false;

  uint8_t version[kSmartVersionSize] = {};
  DWORD got = 0;
  if (!::DeviceIoControl(device.get(), kSmartGetVersion, nullptr, 0, version, sizeof version, &got, nullptr))
    return false;

  const auto driveNumber = static_cast<uint8_t>(drive);
  const uint8_t driveHead = SmartDriveHead(useNtPath, drive);
  auto enable = SmartEnableCommand(driveHead, driveNumber);
  uint8_t status[kSmartStatusSize] = {};
  bool enabled = ::DeviceIoControl(device.get(), kSmartSendDriveCommand, enable.data(),
                                   static_cast<DWORD>(enable.size()), status, sizeof status, &got, nullptr);
  auto identify = IdentifyCommand(driveHead, driveNumber);
  std::vector<uint8_t> answer(kSmartDataHeaderSize + kIdentifySize);
  bool identified = enabled && ::DeviceIoControl(device.get(), kSmartReceiveDriveData, identify.data(),
                                                 static_cast<DWORD>(identify.size()), answer.data(),
                                                 static_cast<DWORD>(answer.size()), &got, nullptr);
  if (!identified) return false;
  DiskIdentity parsed = ParseIdentify(std::span<const uint8_t>(answer).subspan(kSmartDataHeaderSize));
  serial = ByteText(parsed.serial);
  model = ByteText(parsed.model);
  firmware = ByteText(parsed.firmware);
  return true;
}

}  // namespace fscmd
