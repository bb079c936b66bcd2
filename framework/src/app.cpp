#include "framework/app.h"
#include "framework/occ.h"

#include <cassert>

namespace framework {

namespace {

CWinApp* g_app = nullptr;
COccManager g_standardManager;
COccManager* g_manager = nullptr;

std::wstring ModuleBaseName() {
  wchar_t path[MAX_PATH + 1] = {};
  DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring full(path, n);
  size_t slash = full.find_last_of(L"\\/");
  std::wstring name = slash == std::wstring::npos ? full : full.substr(slash + 1);
  size_t dot = name.find_last_of(L'.');
  if (dot != std::wstring::npos) name.resize(dot);
  return name;
}

}  // namespace

CWinApp::CWinApp(const wchar_t* appName) {
  assert(!g_app);
  g_app = this;
  exeName_ = ModuleBaseName();
  profileName_ = appName ? appName : exeName_;
}

CWinApp::~CWinApp() {
  if (g_app == this) g_app = nullptr;
}

CWinApp* AfxGetApp() { return g_app; }

void AfxEnableControlContainer(COccManager* manager) { g_manager = manager ? manager : &g_standardManager; }

COccManager* AfxGetControlManager() { return g_manager; }

int CWinApp::Run() {
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  exitCode_ = static_cast<int>(msg.wParam);
  return ExitInstance();
}

void CWinApp::SetRegistryKey(const std::wstring& key) { registryKey_ = key; }

std::wstring CWinApp::ProfileKeyPath() const { return L"Software\\" + registryKey_ + L"\\" + profileName_; }

UINT CWinApp::GetProfileInt(const wchar_t* section, const wchar_t* entry, int defaultValue) const {
  if (registryKey_.empty()) return static_cast<UINT>(defaultValue);
  std::wstring path = ProfileKeyPath() + L"\\" + section;
  HKEY key = nullptr;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return static_cast<UINT>(defaultValue);
  DWORD type = 0, value = 0, size = sizeof(value);
  LONG rc = ::RegQueryValueExW(key, entry, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
  ::RegCloseKey(key);
  if (rc != ERROR_SUCCESS || type != REG_DWORD || size != sizeof(value)) return static_cast<UINT>(defaultValue);
  return value;
}

BOOL CWinApp::WriteProfileInt(const wchar_t* section, const wchar_t* entry, int value) const {
  if (registryKey_.empty()) return FALSE;
  std::wstring path = ProfileKeyPath() + L"\\" + section;
  HKEY key = nullptr;
  if (::RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS)
    return FALSE;
  DWORD data = static_cast<DWORD>(value);
  LONG rc = ::RegSetValueExW(key, entry, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof(data));
  ::RegCloseKey(key);
  return rc == ERROR_SUCCESS;
}

std::wstring CWinApp::GetProfileString(const wchar_t* section, const wchar_t* entry,
                                       const wchar_t* defaultValue) const {
  std::wstring fallback = defaultValue ? defaultValue : L"";
  if (registryKey_.empty()) return fallback;
  std::wstring path = ProfileKeyPath() + L"\\" + section;
  HKEY key = nullptr;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return fallback;
  DWORD type = 0, size = 0;
  LONG rc = ::RegQueryValueExW(key, entry, nullptr, &type, nullptr, &size);
  std::wstring value;
  if (rc == ERROR_SUCCESS && (type == REG_SZ || type == REG_EXPAND_SZ)) {
    value.resize(size / sizeof(wchar_t) + 1);
    DWORD bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    rc = ::RegQueryValueExW(key, entry, nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &bytes);
    // A value stored without its terminating NUL is cut at its own length, not read past.
    value.resize(rc == ERROR_SUCCESS ? bytes / sizeof(wchar_t) : 0);
    while (!value.empty() && value.back() == L'\0') value.pop_back();
  } else {
    rc = ERROR_FILE_NOT_FOUND;
  }
  ::RegCloseKey(key);
  return rc == ERROR_SUCCESS ? value : fallback;
}

BOOL CWinApp::WriteProfileString(const wchar_t* section, const wchar_t* entry, const wchar_t* value) const {
  if (registryKey_.empty()) return FALSE;
  std::wstring path = ProfileKeyPath() + L"\\" + section;
  HKEY key = nullptr;
  if (::RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS)
    return FALSE;
  LONG rc;
  if (value) {
    std::wstring text(value);
    rc = ::RegSetValueExW(key, entry, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  } else {
    rc = ::RegDeleteValueW(key, entry);
  }
  ::RegCloseKey(key);
  return rc == ERROR_SUCCESS;
}

void CWinApp::BeginWaitCursor() {
  if (waitCursorCount_++ == 0) restoreCursor_ = ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
}

void CWinApp::EndWaitCursor() {
  if (waitCursorCount_ > 0 && --waitCursorCount_ == 0) ::SetCursor(restoreCursor_ ? restoreCursor_ : ::LoadCursorW(nullptr, IDC_ARROW));
}

int AfxWinMain(HINSTANCE instance) {
  CWinApp* app = AfxGetApp();
  if (!app) return 1;
  app->m_hInstance = instance;
  if (!g_manager) g_manager = &g_standardManager;
  if (!app->InitInstance()) return app->ExitInstance();
  return app->Run();
}

}  // namespace framework
