#include "framework/app.h"
#include "framework/occ.h"

#include <cassert>

#include "framework/handles.h"
#include "framework/program_path.h"

namespace framework {

namespace {

CWinApp* g_app = nullptr;
COccManager g_standardManager;
COccManager* g_manager = nullptr;

std::wstring ModuleBaseName() {
  std::wstring full = ExecutablePath();
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

COccManager* AfxGetControlManager() { return g_manager ? g_manager : &g_standardManager; }

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
  UniqueRegKey key = OpenSection(section, SectionAccess::kRead);
  if (!key) return static_cast<UINT>(defaultValue);
  DWORD type = 0, value = 0, size = sizeof(value);
  LONG rc = ::RegQueryValueExW(key.get(), entry, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
  if (rc != ERROR_SUCCESS || type != REG_DWORD || size != sizeof(value)) return static_cast<UINT>(defaultValue);
  return value;
}

BOOL CWinApp::WriteProfileInt(const wchar_t* section, const wchar_t* entry, int value) const {
  UniqueRegKey key = OpenSection(section, SectionAccess::kWrite);
  if (!key) return FALSE;
  DWORD data = static_cast<DWORD>(value);
  return ::RegSetValueExW(key.get(), entry, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof(data)) ==
         ERROR_SUCCESS;
}

std::wstring CWinApp::GetProfileString(const wchar_t* section, const wchar_t* entry,
                                       const wchar_t* defaultValue) const {
  std::wstring fallback = defaultValue ? defaultValue : L"";
  UniqueRegKey key = OpenSection(section, SectionAccess::kRead);
  if (!key) return fallback;
  DWORD type = 0, size = 0;
  LONG rc = ::RegQueryValueExW(key.get(), entry, nullptr, &type, nullptr, &size);
  if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return fallback;
  std::wstring value(size / sizeof(wchar_t) + 1, L'\0');
  DWORD bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
  rc = ::RegQueryValueExW(key.get(), entry, nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &bytes);
  if (rc != ERROR_SUCCESS) return fallback;
  // A value stored without its terminating NUL is cut at its own length, not read past.
  value.resize(bytes / sizeof(wchar_t));
  while (!value.empty() && value.back() == L'\0') value.pop_back();
  return value;
}

BOOL CWinApp::WriteProfileString(const wchar_t* section, const wchar_t* entry, const wchar_t* value) const {
  UniqueRegKey key = OpenSection(section, SectionAccess::kWrite);
  if (!key) return FALSE;
  LONG rc;
  if (value) {
    std::wstring text(value);
    rc = ::RegSetValueExW(key.get(), entry, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  } else {
    rc = ::RegDeleteValueW(key.get(), entry);
  }
  return rc == ERROR_SUCCESS;
}

UniqueRegKey CWinApp::OpenSection(const wchar_t* section, SectionAccess access) const {
  if (registryKey_.empty()) return UniqueRegKey();
  std::wstring path = ProfileKeyPath() + L"\\" + section;
  HKEY raw = nullptr;
  LONG rc = access == SectionAccess::kWrite
                ? ::RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &raw, nullptr)
                : ::RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &raw);
  return UniqueRegKey(rc == ERROR_SUCCESS ? raw : nullptr);
}

void CWinApp::BeginWaitCursor() {
  if (waitCursorCount_++ == 0) restoreCursor_ = ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
}

void CWinApp::EndWaitCursor() {
  if (waitCursorCount_ > 0 && --waitCursorCount_ == 0)
    ::SetCursor(restoreCursor_ ? restoreCursor_ : ::LoadCursorW(nullptr, IDC_ARROW));
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
