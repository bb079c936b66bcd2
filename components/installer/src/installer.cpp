// The Flash Player installer: writes the control it carries into a folder of its own and registers it.
// "/Q" installs without asking. Exit code 0 when the control is installed and registered.
#include <windows.h>
#include <ole2.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cwctype>
#include <string>

namespace {

constexpr wchar_t kTitle[] = L"Shockwave Flash Player";

bool QuietRequested() {
  int count = 0;
  LPWSTR* args = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  bool quiet = false;
  for (int i = 1; args && i < count; ++i) {
    std::wstring a = args[i];
    if (a.size() == 2 && (a[0] == L'/' || a[0] == L'-') && std::towupper(a[1]) == L'Q') quiet = true;
  }
  if (args) ::LocalFree(args);
  return quiet;
}

std::wstring InstallFolder() {
  wchar_t base[MAX_PATH] = {};
  if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, base))) {
    if (!::GetWindowsDirectoryW(base, MAX_PATH)) return {};
  }
  return std::wstring(base) + L"\\SwfPlayer";
}

bool WriteCarriedControl(const std::wstring& path) {
  HRSRC resource = ::FindResourceW(nullptr, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(10));
  HGLOBAL loaded = resource ? ::LoadResource(nullptr, resource) : nullptr;
  const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
  DWORD size = resource ? ::SizeofResource(nullptr, resource) : 0;
  if (!bytes || size == 0) return false;
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = ::WriteFile(file, bytes, size, &written, nullptr) && written == size;
  ::CloseHandle(file);
  if (!ok) ::DeleteFileW(path.c_str());
  return ok;
}

bool RegisterControl(const std::wstring& path) {
  HMODULE module = ::LoadLibraryW(path.c_str());
  if (!module) return false;
  using Register = HRESULT(STDAPICALLTYPE*)();
  auto reg = reinterpret_cast<Register>(::GetProcAddress(module, "DllRegisterServer"));
  bool ok = reg && SUCCEEDED(reg());
  // The control keeps GDI+ and its type library for the process; it is not unloaded.
  return ok;
}

int Install(bool quiet) {
  if (!quiet && ::MessageBoxW(nullptr, L"Install the Shockwave Flash Player on this computer?", kTitle,
                              MB_OKCANCEL | MB_ICONQUESTION) != IDOK)
    return 2;
  std::wstring folder = InstallFolder();
  if (folder.empty()) return 1;
  ::SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
  std::wstring path = folder + L"\\Flash.ocx";
  // A control already in use cannot be overwritten; the installed one is registered again instead.
  if (!WriteCarriedControl(path) && ::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return 1;
  bool ok = RegisterControl(path);
  if (!quiet) {
    ::MessageBoxW(nullptr, ok ? L"The Shockwave Flash Player has been installed." : L"The installation failed.",
                  kTitle, MB_OK | (ok ? MB_ICONINFORMATION : MB_ICONERROR));
  }
  return ok ? 0 : 1;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  try {
    HRESULT init = ::OleInitialize(nullptr);
    int code = Install(QuietRequested());
    if (SUCCEEDED(init)) ::OleUninitialize();
    return code;
  } catch (...) {
    return 1;
  }
}
