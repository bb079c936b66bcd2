#include "stale_folder_sweep.h"

#include <cwctype>
#include <vector>

#include "common/text.h"
#include "common/unique_name.h"
#include "framework/handles.h"
#include "stale_folders.h"

namespace projector {

namespace {

// Start-up must not wait on a full temporary folder: what the sweep does not reach in this time waits.
constexpr DWORD kSweepMilliseconds = 2000;
// Entries of one place looked at, whether or not they are ours.
constexpr size_t kMaxEntriesPerPlace = 20000;

std::wstring Join(const std::wstring& folder, const std::wstring& name) { return folder + L"\\" + name; }

bool SamePath(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::towupper(a[i]) != std::towupper(b[i])) return false;
  return true;
}

using FinalPathFunction = DWORD(WINAPI*)(HANDLE, LPWSTR, DWORD, DWORD);

// Where a path really leads, as the system resolves it; empty when it cannot say.
std::wstring FinalPath(FinalPathFunction finalPath, const std::wstring& path) {
  framework::UniqueFile file(::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                           nullptr, OPEN_EXISTING,
                                           FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!file) return L"";
  std::wstring buffer(MAX_PATH, L'\0');
  for (int round = 0; round < 2; ++round) {
    DWORD n = finalPath(file.get(), buffer.data(), static_cast<DWORD>(buffer.size()), 0);
    if (n == 0) return L"";
    if (n < buffer.size()) {
      buffer.resize(n);
      return buffer;
    }
    buffer.assign(n + 1, L'\0');
  }
  return L"";
}

// Whether a folder found in `parent` is a link after all. Junctions and symbolic links carry the reparse
// attribute; a link that a file system or emulation layer does not mark so is found by asking where the folder
// really is. Where the system cannot say, the folder counts as a link: it is then only ever removed as a whole,
// never entered.
bool IsHiddenLink(FinalPathFunction finalPath, const std::wstring& parentFinal, const std::wstring& child) {
  if (!finalPath) return false;
  std::wstring expected = parentFinal;
  while (!expected.empty() && expected.back() == L'\\') expected.pop_back();
  std::wstring actual = FinalPath(finalPath, child);
  size_t slash = child.find_last_of(L'\\');
  return expected.empty() || actual.empty() ||
         !SamePath(actual, expected + L"\\" + child.substr(slash == std::wstring::npos ? 0 : slash + 1));
}

FinalPathFunction LookUpFinalPath() {
  HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
  return kernel ? reinterpret_cast<FinalPathFunction>(::GetProcAddress(kernel, "GetFinalPathNameByHandleW"))
                : nullptr;
}

// The file system as the portable removal walk sees it, with the sweep's deadline.
class Win32Tree final : public shell::FolderTree {
 public:
  explicit Win32Tree(DWORD deadline) : deadline_(deadline), finalPath_(LookUpFinalPath()) {}

  bool IsLink(const std::wstring& parent, const std::wstring& child) {
    // "C:" alone names the drive's current directory, not its root.
    std::wstring folder = parent.size() == 2 && parent[1] == L':' ? parent + L"\\" : parent;
    return IsHiddenLink(finalPath_, finalPath_ ? FinalPath(finalPath_, folder) : L"", child);
  }

  bool List(const std::u16string& folder, std::vector<shell::TreeEntry>* entries) override {
    entries->clear();
    std::wstring wideFolder = ToWide(folder);
    std::wstring folderFinal = finalPath_ ? FinalPath(finalPath_, wideFolder) : L"";
    WIN32_FIND_DATAW found;
    framework::UniqueFind find(::FindFirstFileW(Join(wideFolder, L"*").c_str(), &found));
    if (!find) return false;
    do {
      std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      shell::TreeEntry e;
      e.name = ToU16(name);
      e.folder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
      e.link = (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ||
               (e.folder && IsHiddenLink(finalPath_, folderFinal, Join(wideFolder, name)));
      e.bytes = (uint64_t{found.nFileSizeHigh} << 32) | found.nFileSizeLow;
      entries->push_back(std::move(e));
    } while (::FindNextFileW(find.get(), &found));
    return ::GetLastError() == ERROR_NO_MORE_FILES;
  }

  bool RemoveFile(const std::u16string& path) override {
    std::wstring p = ToWide(path);
    if (::DeleteFileW(p.c_str())) return true;
    return ClearReadOnly(p) && ::DeleteFileW(p.c_str());
  }

  // RemoveDirectoryW takes a junction or directory link away by itself and never touches its target.
  bool RemoveFolder(const std::u16string& path) override {
    std::wstring p = ToWide(path);
    if (::RemoveDirectoryW(p.c_str())) return true;
    return ClearReadOnly(p) && ::RemoveDirectoryW(p.c_str());
  }

  bool TimeLeft() override { return static_cast<LONG>(deadline_ - ::GetTickCount()) > 0; }

 private:
  static bool ClearReadOnly(const std::wstring& path) {
    DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_READONLY)) return false;
    return ::SetFileAttributesW(path.c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_READONLY}) != FALSE;
  }

  DWORD deadline_;
  FinalPathFunction finalPath_;
};

// The marker's text when it is an ordinary small file in the folder itself; a link posing as one is not read.
std::optional<std::string> ReadMarker(const std::wstring& folder) {
  std::wstring path = Join(folder, ToWide(shell::kOwnerMarkerName));
  framework::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                           OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!file) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION info;
  if (!::GetFileInformationByHandle(file.get(), &info)) return std::nullopt;
  if (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) return std::nullopt;
  if (info.nFileSizeHigh != 0 || info.nFileSizeLow > shell::kOwnerMarkerMaxBytes) return std::nullopt;
  std::string text(info.nFileSizeLow, '\0');
  DWORD read = 0;
  if (!text.empty() && (!::ReadFile(file.get(), text.data(), info.nFileSizeLow, &read, nullptr) ||
                        read != info.nFileSizeLow))
    return std::nullopt;
  return text;
}

shell::OwnerState OwnerStateOf(uint32_t processId, uint64_t start) {
  if (processId == ::GetCurrentProcessId())
    return start == ProcessStartTime(::GetCurrentProcess()) ? shell::OwnerState::Running : shell::OwnerState::Gone;
  // Older systems know only the full query right.
  const DWORD kQueryLimited = 0x1000;
  framework::UniqueHandle process(::OpenProcess(kQueryLimited | SYNCHRONIZE, FALSE, processId));
  if (!process) process.reset(::OpenProcess(PROCESS_QUERY_INFORMATION | SYNCHRONIZE, FALSE, processId));
  if (!process) {
    return ::GetLastError() == ERROR_INVALID_PARAMETER ? shell::OwnerState::Gone : shell::OwnerState::Unknown;
  }
  // A process that has ended but whose handle someone still holds is gone all the same.
  if (::WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0) return shell::OwnerState::Gone;
  uint64_t actual = ProcessStartTime(process.get());
  if (actual == 0) return shell::OwnerState::Unknown;
  return actual == start ? shell::OwnerState::Running : shell::OwnerState::Gone;
}

int SweepPlace(const std::wstring& place, const std::wstring& ownFolder, Win32Tree& tree) {
  std::vector<std::wstring> candidates;
  WIN32_FIND_DATAW found;
  framework::UniqueFind find(::FindFirstFileW(Join(place, L"*.tmp").c_str(), &found));
  if (!find) return 0;
  size_t seen = 0;
  do {
    if (++seen > kMaxEntriesPerPlace || !tree.TimeLeft()) break;
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
    // Links are never ours (the folders are made as real folders) and are never read through.
    if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
    if (!shell::IsExtractionFolderName(ToU16(found.cFileName))) continue;
    candidates.push_back(found.cFileName);
  } while (::FindNextFileW(find.get(), &found));
  find.reset();

  int removed = 0;
  for (const std::wstring& name : candidates) {
    if (!tree.TimeLeft()) break;
    std::wstring folder = Join(place, name);
    if (SamePath(folder, ownFolder)) continue;
    shell::FolderFacts facts;
    facts.name = ToU16(name);
    // Looked at again by itself: the listing may be stale, and a folder swapped for a link must not be entered.
    DWORD attributes = ::GetFileAttributesW(folder.c_str());
    facts.isLink = attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY) ||
                   (attributes & FILE_ATTRIBUTE_REPARSE_POINT) || tree.IsLink(place, folder);
    if (!facts.isLink) facts.marker = ReadMarker(folder);
    if (shell::JudgeFolder(facts, OwnerStateOf) != shell::Verdict::Abandoned) continue;
    if (shell::RemoveAbandonedFolder(tree, ToU16(folder)) == shell::RemovalResult::Removed) ++removed;
  }
  return removed;
}

}  // namespace

uint64_t ProcessStartTime(HANDLE process) {
  FILETIME created, exited, kernel, user;
  if (!::GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
  return (uint64_t{created.dwHighDateTime} << 32) | created.dwLowDateTime;
}

bool WriteOwnerMarker(const std::wstring& folder) noexcept {
  try {
    size_t slash = folder.find_last_of(L"\\/");
    shell::OwnerMarker marker;
    marker.folderName = ToU16(slash == std::wstring::npos ? folder : folder.substr(slash + 1));
    marker.processId = ::GetCurrentProcessId();
    marker.processStart = ProcessStartTime(::GetCurrentProcess());
    if (marker.processStart == 0 || !shell::IsExtractionFolderName(marker.folderName)) return false;
    std::string text = shell::FormatOwnerMarker(marker);
    std::wstring path = Join(folder, ToWide(shell::kOwnerMarkerName));
    framework::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                             FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD written = 0;
    bool ok = ::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
              written == text.size();
    file.reset();
    // A half-written marker is refused by every reader; removing it keeps the folder plain.
    if (!ok) ::DeleteFileW(path.c_str());
    return ok;
  } catch (...) {
    return false;
  }
}

int RemoveStaleExtractionFolders(const std::wstring& ownFolder) noexcept {
  int removed = 0;
  // The sweep is a courtesy: nothing it meets may keep the program from starting.
  try {
    Win32Tree tree(::GetTickCount() + kSweepMilliseconds);
    std::vector<std::wstring> places;
    for (std::wstring place : {TemporaryFolder(), ExecutableFolder(), std::wstring(L"C:")}) {
      while (!place.empty() && place.back() == L'\\') place.pop_back();
      if (place.empty()) continue;
      bool known = false;
      for (const auto& p : places) known = known || SamePath(p, place);
      if (!known) places.push_back(place);
    }
    for (const auto& place : places) removed += SweepPlace(place, ownFolder, tree);
  } catch (...) {
  }
  return removed;
}

}  // namespace projector
