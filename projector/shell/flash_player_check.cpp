#include "flash_player_check.h"

#include <shellapi.h>
#include <tlhelp32.h>
#include <winperf.h>

#include <cwctype>
#include <vector>

#include "format/payload.h"
#include "framework/app.h"
#include "framework/handles.h"
#include "common/payload.h"
#include "player/flash_player_host.h"

namespace projector {

namespace {

bool SameText(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::towlower(a[i]) != std::towlower(b[i])) return false;
  return true;
}

std::wstring FileNamePart(const std::wstring& path) {
  size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring WithoutExeExtension(const std::wstring& name) {
  if (name.size() > 4 && SameText(name.substr(name.size() - 4), L".exe")) return name.substr(0, name.size() - 4);
  return name;
}

// The name matches the candidate by its first 15 characters, with or without the ".exe" the performance data
// leaves off.
bool NameMatches(const std::wstring& candidate, const std::wstring& name) {
  std::wstring wanted = ComparableProcessName(name);
  if (SameText(ComparableProcessName(candidate), wanted)) return true;
  return SameText(ComparableProcessName(WithoutExeExtension(candidate)),
                  ComparableProcessName(WithoutExeExtension(name)));
}

void PumpOneMessage() {
  MSG msg;
  if (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

}  // namespace

std::wstring ComparableProcessName(const std::wstring& exeName) {
  return exeName.size() > 15 ? exeName.substr(0, 15) : exeName;
}

int GetFlashMajorVersion() {
  framework::CWnd window;
  if (!window.CreateEx(0, nullptr, nullptr, WS_OVERLAPPEDWINDOW, framework::CFrameWnd::rectDefault, nullptr,
                       nullptr))
    return 0;
  int major = 0;
  {
    // The version is asked of a host of its own, so that the player's host, if any, keeps its control.
    FlashPlayerHost host;
    if (host.Create(&window, false, RECT{0, 0, 400, 400})) major = static_cast<int>(host.FlashVersion()) >> 16;
    host.Destroy();
  }
  window.DestroyWindow();
  return major;
}

BOOL RunFlashInstaller(const MappedImage& payload, const std::wstring& folder, bool quiet) {
  PayloadExtractor extractor(payload);
  if (!extractor.ExtractBlocks(format::InstallerMarker(), folder, false)) return FALSE;
  std::wstring installer = extractor.lastWritten();
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof(info);
  info.fMask = SEE_MASK_NOCLOSEPROCESS;
  info.lpVerb = L"open";
  info.lpFile = installer.c_str();
  info.lpParameters = quiet ? L"/Q" : L"";
  info.nShow = SW_SHOWNORMAL;
  if (!::ShellExecuteExW(&info)) return FALSE;
  framework::UniqueHandle process(info.hProcess);
  ProcessRunning check;
  std::wstring name = FileNamePart(installer);
  bool running = false;
  if (!check.Check(name, &running)) {
    // Without a way to look the installer up by name, its own process handle tells when it has ended.
    if (process) {
      while (::WaitForSingleObject(process.get(), 30) == WAIT_TIMEOUT) PumpOneMessage();
    } else {
      ::Sleep(1000);
    }
    return TRUE;
  }
  for (;;) {
    PumpOneMessage();
    ::Sleep(30);
    if (!running) break;
    if (!check.Check(name, &running)) {
      ::Sleep(1000);
      break;
    }
  }
  return TRUE;
}

ProcessRunning::ProcessRunning(Method method) {
  DWORD version = ::GetVersion();
  if ((version & 0x80000000u) || method == Method::Toolhelp) {
    HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    if (((version & 0x80000000u) && (version & 0xFF) < 4) || !kernel) return;
    createSnapshot_ = ::GetProcAddress(kernel, "CreateToolhelp32Snapshot");
    processFirst_ = ::GetProcAddress(kernel, "Process32FirstW");
    processNext_ = ::GetProcAddress(kernel, "Process32NextW");
    usable_ = createSnapshot_ && processFirst_ && processNext_;
  } else {
    usable_ = true;
    performanceData_ = true;
  }
}

BOOL ProcessRunning::Check(const std::wstring& exeName, bool* running) const {
  *running = false;
  if (!usable_) return FALSE;
  return performanceData_ ? CheckPerformanceData(exeName, running) : CheckToolhelp(exeName, running);
}

BOOL ProcessRunning::CheckToolhelp(const std::wstring& name, bool* running) const {
  using Snapshot = HANDLE(WINAPI*)(DWORD, DWORD);
  using Walk = BOOL(WINAPI*)(HANDLE, PROCESSENTRY32W*);
  auto snapshotFn = reinterpret_cast<Snapshot>(createSnapshot_);
  auto first = reinterpret_cast<Walk>(processFirst_);
  auto next = reinterpret_cast<Walk>(processNext_);
  framework::UniqueFile snapshot(snapshotFn(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return FALSE;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL ok = first(snapshot.get(), &entry); ok; ok = next(snapshot.get(), &entry)) {
    if (NameMatches(FileNamePart(entry.szExeFile), name)) {
      *running = true;
      break;
    }
  }
  return TRUE;
}

BOOL ProcessRunning::CheckPerformanceData(const std::wstring& name, bool* running) const {
  wchar_t keyPath[128];
  ::swprintf(keyPath, 128, L"%s\\%03x", L"software\\microsoft\\windows nt\\currentversion\\perflib", 9);
  HKEY raw = nullptr;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_READ, &raw) != ERROR_SUCCESS) return FALSE;
  framework::UniqueRegKey perflib(raw);
  DWORD type = 0, bytes = 0;
  if (::RegQueryValueExW(perflib.get(), L"Counters", nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS || bytes == 0)
    return FALSE;
  std::vector<wchar_t> counters(bytes / sizeof(wchar_t) + 2, L'\0');
  if (::RegQueryValueExW(perflib.get(), L"Counters", nullptr, &type, reinterpret_cast<BYTE*>(counters.data()),
                         &bytes) != ERROR_SUCCESS)
    return FALSE;
  // Index and English name strings alternate; the list ends with an empty string.
  std::wstring processIndex;
  const wchar_t* p = counters.data();
  const wchar_t* end = counters.data() + counters.size() - 1;
  while (p < end && *p) {
    std::wstring index(p);
    p += index.size() + 1;
    if (p >= end || !*p) break;
    std::wstring counterName(p);
    p += counterName.size() + 1;
    if (SameText(counterName, L"Process")) {
      processIndex = index;
      break;
    }
  }
  if (processIndex.empty()) return FALSE;

  std::vector<BYTE> data(65536);
  LONG rc;
  for (;;) {
    DWORD size = static_cast<DWORD>(data.size());
    rc = ::RegQueryValueExW(HKEY_PERFORMANCE_DATA, processIndex.c_str(), nullptr, &type, data.data(), &size);
    if (rc != ERROR_MORE_DATA) {
      if (rc == ERROR_SUCCESS) data.resize(size);
      break;
    }
    if (data.size() > (64u << 20)) break;
    data.resize(data.size() + 32768);
  }
  ::RegCloseKey(HKEY_PERFORMANCE_DATA);
  if (rc != ERROR_SUCCESS || data.size() < sizeof(PERF_DATA_BLOCK)) return FALSE;
  if (reinterpret_cast<const PERF_DATA_BLOCK*>(data.data())->NumObjectTypes == 0) return FALSE;

  auto* block = reinterpret_cast<const PERF_DATA_BLOCK*>(data.data());
  if (block->Signature[0] != L'P' || block->Signature[1] != L'E' || block->Signature[2] != L'R' ||
      block->Signature[3] != L'F')
    return FALSE;
  // Every offset read from the block is checked against its size before it is followed.
  auto inside = [&](size_t offset, size_t length) { return offset <= data.size() && length <= data.size() - offset; };
  size_t objectAt = block->HeaderLength;
  if (!inside(objectAt, sizeof(PERF_OBJECT_TYPE))) return FALSE;
  auto* object = reinterpret_cast<const PERF_OBJECT_TYPE*>(data.data() + objectAt);
  size_t instanceAt = objectAt + object->DefinitionLength;
  for (LONG i = 0; i < object->NumInstances; ++i) {
    if (!inside(instanceAt, sizeof(PERF_INSTANCE_DEFINITION))) return FALSE;
    auto* instance = reinterpret_cast<const PERF_INSTANCE_DEFINITION*>(data.data() + instanceAt);
    size_t nameAt = instanceAt + instance->NameOffset;
    size_t nameBytes = instance->NameLength;
    if (!inside(nameAt, nameBytes)) return FALSE;
    std::wstring instanceName(reinterpret_cast<const wchar_t*>(data.data() + nameAt), nameBytes / sizeof(wchar_t));
    while (!instanceName.empty() && instanceName.back() == L'\0') instanceName.pop_back();
    if (NameMatches(instanceName, name)) {
      *running = true;
      return TRUE;
    }
    size_t counterAt = instanceAt + instance->ByteLength;
    if (!inside(counterAt, sizeof(PERF_COUNTER_BLOCK))) return FALSE;
    auto* counterBlock = reinterpret_cast<const PERF_COUNTER_BLOCK*>(data.data() + counterAt);
    if (instance->ByteLength == 0 && counterBlock->ByteLength == 0) return FALSE;
    instanceAt = counterAt + counterBlock->ByteLength;
  }
  return TRUE;
}

}  // namespace projector
