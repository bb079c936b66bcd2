#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>
#include <shlobj.h>
#include <wininet.h>

#include <vector>

#include "framework/program_path.h"
#include "library.h"

namespace fscmd {

namespace {

std::wstring SpecialFolder(int csidl) {
  wchar_t path[MAX_PATH + 1] = {};
  if (!::SHGetSpecialFolderPathW(nullptr, path, csidl, FALSE)) return {};
  return path;
}

std::wstring FolderOf(const std::wstring& path) {
  size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

// The folders behind the aliases, asked afresh on every use.
class SystemFolders : public AliasFolderSource {
 public:
  std::wstring Folder(PathAlias alias) override {
    wchar_t buffer[MAX_PATH + 1] = {};
    switch (alias) {
      case PathAlias::Org: return FolderOf(ProgramPath());
      case PathAlias::MyPictures: {
        std::wstring pictures = SpecialFolder(CSIDL_MYPICTURES);
        return pictures.empty() ? SpecialFolder(CSIDL_PERSONAL) : pictures;
      }
      case PathAlias::MyDocuments: return SpecialFolder(CSIDL_PERSONAL);
      case PathAlias::Windows: {
        std::wstring folder = SpecialFolder(CSIDL_WINDOWS);
        if (folder.empty() && ::GetWindowsDirectoryW(buffer, 260)) folder = buffer;
        return folder;
      }
      case PathAlias::System: {
        std::wstring folder = SpecialFolder(CSIDL_SYSTEM);
        if (folder.empty() && ::GetSystemDirectoryW(buffer, 260)) folder = buffer;
        return folder;
      }
      case PathAlias::Temp: {
        std::wstring folder;
        if (::GetTempPathW(259, buffer)) folder = TrimTrailingBackslashes(buffer);
        if (folder.empty() || ::GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES) {
          buffer[0] = 0;
          folder = ::GetCurrentDirectoryW(259, buffer) ? buffer : L"";
        }
        return folder;
      }
      case PathAlias::Desktop: return SpecialFolder(CSIDL_DESKTOP);
      case PathAlias::StartMenu: return SpecialFolder(CSIDL_STARTMENU);
      case PathAlias::Programs: return SpecialFolder(CSIDL_PROGRAMS);
      case PathAlias::StartUp: return SpecialFolder(CSIDL_STARTUP);
      case PathAlias::ProgramFiles: return SpecialFolder(CSIDL_PROGRAM_FILES);
    }
    return {};
  }
};

}  // namespace

std::wstring ProgramPath() { return framework::ExecutablePath(); }

std::wstring ExpandPathAliases(const std::wstring& text) {
  SystemFolders folders;
  return fscmd::ExpandPathAliases(text, folders);
}

bool IsInsideAuthoringTool() { return IsAuthoringToolPath(ProgramPath()); }

void EnsureInternetConnection() {
  ULONG size = 0;
  if (::GetIpForwardTable(nullptr, &size, TRUE) == ERROR_INSUFFICIENT_BUFFER && size > 0) {
    std::vector<uint8_t> buffer(size);
    auto* table = reinterpret_cast<MIB_IPFORWARDTABLE*>(buffer.data());
    if (::GetIpForwardTable(table, &size, TRUE) == NO_ERROR) {
      for (DWORD i = 0; i < table->dwNumEntries; ++i)
        if (table->table[i].dwForwardDest == 0) return;
    }
  }
  ::InternetAutodial(INTERNET_AUTODIAL_FORCE_UNATTENDED, nullptr);
}

HWND HostWindowHandle() {
  // A host that has been destroyed since would make every owned box fail and every move go nowhere.
  HWND host = State().hostWindow;
  return host && ::IsWindow(host) ? host : nullptr;
}

bool SendBounded(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* answer) {
  // Another process's window that is busy or hung must not hold the movie for ever.
  constexpr UINT kAnswerMilliseconds = 2000;
  DWORD_PTR result = 0;
  bool answered = ::SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL | SMTO_ABORTIFHUNG,
                                        kAnswerMilliseconds, &result) != 0;
  if (answer) *answer = answered ? static_cast<LRESULT>(result) : 0;
  return answered;
}

int AfxMessageBox(const std::wstring& text, UINT style, UINT helpId) {
  HWND owner = HostWindowHandle();
  if (!owner) owner = ::GetActiveWindow();
  // The help context only matters to a help file, which the library does not have.
  (void)helpId;
  return ::MessageBoxW(owner, text.c_str(), L"VantraFSCmd", ApplicationMessageBoxStyle(style));
}

}  // namespace fscmd
