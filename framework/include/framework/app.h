// The application object: start-up, shut-down, the profile under the registry key, the wait cursor.
#pragma once

#include <windows.h>

#include <string>

#include "framework/handles.h"

namespace framework {

class CWnd;
class COccManager;

// One per process: brings the program up, keeps its profile and main window, shuts it down.
class CWinApp {
 public:
  explicit CWinApp(const wchar_t* appName = nullptr);
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;
  virtual ~CWinApp();

  virtual BOOL InitInstance() { return TRUE; }
  virtual int ExitInstance() { return exitCode_; }
  // The application's own message loop, used only when InitInstance returns TRUE.
  virtual int Run();

  // Keeps the profile under HKEY_CURRENT_USER\Software\<key>\<profile name>.
  void SetRegistryKey(const std::wstring& key);
  UINT GetProfileInt(const wchar_t* section, const wchar_t* entry, int defaultValue) const;
  BOOL WriteProfileInt(const wchar_t* section, const wchar_t* entry, int value) const;
  std::wstring GetProfileString(const wchar_t* section, const wchar_t* entry,
                                const wchar_t* defaultValue = L"") const;
  BOOL WriteProfileString(const wchar_t* section, const wchar_t* entry, const wchar_t* value) const;
  // The key all profile sections live under, e.g. Software\<key>\<profile name>.
  std::wstring ProfileKeyPath() const;

  void BeginWaitCursor();
  void EndWaitCursor();

  const std::wstring& registryKey() const { return registryKey_; }
  const std::wstring& profileName() const { return profileName_; }
  const std::wstring& exeName() const { return exeName_; }

  HINSTANCE m_hInstance = nullptr;
  CWnd* m_pMainWnd = nullptr;

 protected:
  int exitCode_ = 0;

 private:
  enum class SectionAccess { kRead, kWrite };
  // The key of one profile section; opening it for writing creates it. Empty without a registry key or on failure.
  UniqueRegKey OpenSection(const wchar_t* section, SectionAccess access) const;

  std::wstring exeName_;
  std::wstring profileName_;
  std::wstring registryKey_;
  int waitCursorCount_ = 0;
  HCURSOR restoreCursor_ = nullptr;
};

CWinApp* AfxGetApp();
// Chooses the control manager used for control containment; nullptr restores the standard one.
void AfxEnableControlContainer(COccManager* manager = nullptr);
// The control manager in use: the chosen one, or the standard one when none was chosen.
COccManager* AfxGetControlManager();
// Obsolete 3D-control switch, kept so start-up reads as the framework's does.
inline void Enable3dControlsStatic() {}

// The program's entry: InitInstance, then Run when it returned TRUE, then ExitInstance; returns the exit code.
int AfxWinMain(HINSTANCE instance);

}  // namespace framework

// The control manager and the rest of control containment.
#include "framework/occ.h"
