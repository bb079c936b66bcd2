#include "projector_app.h"

#include <windows.h>
#include <commctrl.h>
#include <gdiplus.h>

#include <cstdlib>
#include <cwctype>
#include <memory>

#include "framework/handles.h"
#include "common/payload.h"
#include "player/player_dialog.h"
#include "player/player_context_menu.h"
#include "common/resource.h"
#include "stale_folder_sweep.h"
#include "support.h"
#include "common/text.h"
#include "transparent/occ_manager_ex.h"
#include "common/unique_name.h"
#include "warning_dialog.h"

namespace projector {

namespace {

COccManagerEx g_controlManager;



// Start-up failures end the process without a message; the C runtime's exit still destroys the
// application object, and with it the extraction folder.
[[noreturn]] void EndWithFailure() { std::exit(1); }

}  // namespace

ProjectorApp::ProjectorApp() : framework::CWinApp(nullptr) {}

ProjectorApp& TheApp() { return *static_cast<ProjectorApp*>(framework::AfxGetApp()); }

bool ProjectorApp::EnsureFlashPlayer() { return SettleFlashPlayer(document_); }

int ProjectorApp::TransparencySupport() {
  framework::UniqueModule user32(::LoadLibraryW(L"user32.dll"));
  if (!user32 || !::GetProcAddress(user32.get(), "UpdateLayeredWindow")) return 2;
  DEVMODEW mode{};
  mode.dmSize = 220;
  int depth;
  if (::EnumDisplaySettingsW(nullptr, ENUM_CURRENT_SETTINGS, &mode)) {
    depth = static_cast<int>(mode.dmBitsPerPel);
  } else {
    framework::ScreenDC screen;
    depth = ::GetDeviceCaps(screen.get(), BITSPIXEL);
  }
  return depth >= 16 ? 1 : 3;
}

BOOL ProjectorApp::InitInstance() {
  ::InitCommonControls();
  framework::AfxEnableControlContainer(&g_controlManager);
  Gdiplus::GdiplusStartupInput input;
  input.GdiplusVersion = 1;
  input.DebugEventCallback = nullptr;
  input.SuppressBackgroundThread = FALSE;
  input.SuppressExternalCodecs = FALSE;
  Gdiplus::GdiplusStartup(&gdiplusToken_, &input, nullptr);
  framework::Enable3dControlsStatic();

  RemoveStaleExtractionFolders(document_.ExtractionFolder());
  bool showInTaskbar = true;
  if (!LoadMovieDocument(&showInTaskbar)) EndWithFailure();

  SetRegistryKey(std::wstring(kCompanyKey) + L"\\BrindleworkProjector");

  if (!CheckPlaybackPrerequisites()) framework::AfxEnableControlContainer(nullptr);

  std::unique_ptr<framework::CFrameWnd> owner;
  if (!showInTaskbar) {
    owner = std::make_unique<framework::CFrameWnd>();
    if (!owner->Create(nullptr, nullptr, WS_OVERLAPPEDWINDOW)) owner.reset();
  }

  auto contextMenu = std::make_unique<PlayerContextMenu>();
  auto player = std::make_unique<PlayerDialog>(document_, owner ? owner->m_hWnd : nullptr, displayMode_);
  m_pMainWnd = player.get();
  player->SetContextMenu(contextMenu.get());
  player->DoModal();

  m_pMainWnd = nullptr;
  if (owner) owner->DestroyWindow();
  owner.reset();
  player.reset();
  contextMenu.reset();
  return FALSE;
}

int ProjectorApp::ExitInstance() {
  if (gdiplusToken_) {
    Gdiplus::GdiplusShutdown(gdiplusToken_);
    gdiplusToken_ = 0;
  }
  // Only a file is unregistered: after a failed extraction the path still names the folder.
  if (!ToolControlPath.empty() && PathExists(ToolControlPath) && !FolderExists(ToolControlPath)) {
    UnregisterToolControl(ToolControlPath);
    ReleaseToolControlModule(ToolControlPath);
    ::DeleteFileW(ToolControlPath.c_str());
  }
  return framework::CWinApp::ExitInstance();
}

bool ProjectorApp::LoadMovieDocument(bool* showInTaskbar) {
  document_.SetHosted(true);
  if (payload_.Open(ExecutablePath()) == 0 || !document_.Load(payload_)) return false;
  displayMode_ = document_.data().window.displayMode;
  *showInTaskbar = document_.data().window.showInTaskbar != 0;
  return true;
}

BOOL ProjectorApp::CheckPlaybackPrerequisites() {
  displayMode_ = document_.data().window.displayMode;
  bool hasMovie = false;
  for (size_t i = 0; i < document_.EntryCount() && !hasMovie; ++i)
    hasMovie = HasExtension(document_.SourcePath(i), L"swf") || HasExtension(document_.ExtractedPath(i), L"swf");
  if (!hasMovie) return FALSE;

  if (!EnsureFlashPlayer()) EndWithFailure();

  if (displayMode_ != 2) return FALSE;

  int support = TransparencySupport();
  if (support != 1) {
    if (GetProfileInt(L"WarnDialog", L"ShowMssg", 1) != 0) {
      WarningDialog warning;
      warning.SetMessage(LoadResourceText(nullptr, support == 2 ? IDS_NO_LAYERED_WINDOWS : IDS_COLOUR_DEPTH));
      if (warning.DoModal() == IDOK && warning.dontShowAgain) WriteProfileInt(L"WarnDialog", L"ShowMssg", 0);
    }
    displayMode_ = 0;
    return FALSE;
  }

  if (CanCreateToolControl()) return TRUE;
  ToolControlPath = document_.ExtractionFolder();
  // regsvr32's exit code says nothing: only a control that can now be created makes transparent playback
  // possible; anything less would leave a player waiting off screen for a popup that shows nothing.
  if (document_.payload() && ExtractToolPackage(*document_.payload(), &ToolControlPath) &&
      RegisterToolControl(ToolControlPath) && CanCreateToolControl())
    return TRUE;
  displayMode_ = 0;
  return FALSE;
}

}  // namespace projector
