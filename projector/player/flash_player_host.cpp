#include "flash_player_host.h"

#include <shellapi.h>

#include <cwchar>

#include "framework/app.h"
#include "fscommand/fscommand_bridge.h"
#include "framework/handles.h"
#include "framework/program_path.h"

namespace projector {

namespace {

FlashPlayerHost* g_host = nullptr;

HWND MainWindow() {
  framework::CWinApp* app = framework::AfxGetApp();
  return app && app->m_pMainWnd ? app->m_pMainWnd->m_hWnd : nullptr;
}

std::wstring ExecutableFolder() {
  std::wstring folder = framework::ExecutablePath();
  for (auto& c : folder)
    if (c == L'/') c = L'\\';
  size_t slash = folder.find_last_of(L'\\');
  folder.resize(slash == std::wstring::npos ? 0 : slash);
  return folder;
}

void PumpWaitingMessages() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

int DecimalOr0(const std::optional<std::wstring>& text, bool* ok) {
  if (!text) {
    *ok = false;
    return 0;
  }
  return static_cast<int>(std::wcstol(text->c_str(), nullptr, 10));
}

}  // namespace

void FlashMovieVariables::SetVariable(const std::wstring& name, const std::wstring& value) {
  control_.SetVariable(name, value);
}

FlashHostFlags& ProcessFlashFlags() {
  static FlashHostFlags flags;
  return flags;
}

FlashPlayerHost::FlashPlayerHost() : previous_(g_host) { g_host = this; }

FlashPlayerHost::~FlashPlayerHost() {
  Destroy();
  // A short-lived host (the version check) hands the process back to the one it displaced.
  if (g_host == this) g_host = previous_;
}

FlashPlayerHost* FlashPlayerHost::Instance() { return g_host; }

bool FlashPlayerHost::CreateControl(const RECT& rect) {
  if (windowless) {
    // The layered transparent player is not part of this program yet: nothing can be created windowless.
    return false;
  }
  return control.Create(nullptr, WS_VISIBLE, rect, parent, 0);
}

bool FlashPlayerHost::Create(framework::CWnd* parentWindow, bool windowlessMode, const RECT& rect) {
  parent = parentWindow;
  windowless = windowlessMode;
  movieLoaded = false;
  if (!CreateControl(rect)) {
    FlashHostFlags& flags = ProcessFlashFlags();
    if (!flags.offerInstaller || windowless) return false;
    flags.offerInstaller = false;
    RunInstaller();
    if (!CreateControl(rect)) return false;
  }
  created = true;
  SetAllowScale(allowScale);
  if (windowless) return transparentPlayer != nullptr;
  SetBackgroundColor(backgroundColor);
  return true;
}

void FlashPlayerHost::RunInstaller() {
  HWND main = MainWindow();
  if (!installMessage.empty()) {
    framework::CWinApp* app = framework::AfxGetApp();
    std::wstring caption = app ? app->profileName() : std::wstring();
    ::MessageBoxW(main, installMessage.c_str(), caption.c_str(), MB_OK | MB_ICONEXCLAMATION);
  }
  std::wstring installer = ExecutableFolder() + L"\\InstallFlashPlayer.exe";
  if (::GetFileAttributesW(installer.c_str()) != INVALID_FILE_ATTRIBUTES) {
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.lpVerb = L"open";
    info.lpFile = installer.c_str();
    info.nShow = SW_SHOWNORMAL;
    if (::ShellExecuteExW(&info) && info.hProcess) {
      framework::UniqueHandle process(info.hProcess);
      while (::WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT) {
        PumpWaitingMessages();
        ::Sleep(100);
      }
    }
  }
  if (main) {
    ::SetWindowPos(main, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    ::SetWindowPos(main, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  }
}

void FlashPlayerHost::Destroy() {
  if (!windowless && (control.GetControlSite() || control.m_hWnd)) control.DestroyWindow();
  created = false;
  movieLoaded = false;
  readyComplete = false;
}

bool FlashPlayerHost::LoadMovie(const std::wstring& path) {
  if (!created || ::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
  if (!windowless) {
    if (backgroundColor == -1)
      control.SetBGColor(L"");
    else
      SetBackgroundColor(backgroundColor);
  }
  UnloadMovie();
  moviePath = path;
  if (!windowless) control.SetMovie(path);
  movieLoaded = true;
  return true;
}

void FlashPlayerHost::UnloadMovie() {
  moviePath.clear();
  if (created && !windowless) control.SetMovie(L" ");
  movieLoaded = false;
}

void FlashPlayerHost::SetAllowScale(bool allow) {
  allowScale = allow;
  if (created && !windowless) control.SetScaleMode(allow ? 0 : 3);
}

void FlashPlayerHost::SetBackgroundColor(long rgb) {
  backgroundColor = rgb;
  if (!created || windowless || rgb == -1) return;
  long bgr = ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
  control.SetBackgroundColor(bgr);
}

void FlashPlayerHost::SetQuality(int level) {
  static const wchar_t* const kHighQuality[] = {L"2", L"1", L"0"};
  if (!created || windowless || level < 0 || level > 2) return;
  control.TSetProperty(L"/", 16, kHighQuality[level]);
}

void FlashPlayerHost::SetZoomRect(int left, int top, int right, int bottom) {
  if (!created || windowless) return;
  control.SetZoomRect(left * 20L, top * 20L, right * 20L, bottom * 20L);
}

void FlashPlayerHost::FitMovieToView(int movieWidth, int movieHeight) {
  if (movieWidth <= 0 || movieHeight <= 0 || !created || windowless) return;
  if (!control.m_hWnd || !parent || !parent->m_hWnd) return;
  RECT client;
  ::GetClientRect(parent->m_hWnd, &client);
  long w = client.right - client.left, h = client.bottom - client.top;
  long xPercent = (w * 100 + movieWidth / 2) / movieWidth;
  long yPercent = (h * 100 + movieHeight / 2) / movieHeight;
  control.SetZoomRect(0, 0, w * 20, h * 20);
  control.TSetProperty(L"/", 2, std::to_wstring(xPercent));
  control.TSetProperty(L"/", 3, std::to_wstring(yPercent));
}

void FlashPlayerHost::Play() {
  if (created && !windowless) control.Play();
}
void FlashPlayerHost::Back() {
  if (created && !windowless) control.Back();
}
void FlashPlayerHost::Forward() {
  if (created && !windowless) control.Forward();
}
void FlashPlayerHost::Rewind() {
  if (created && !windowless) control.Rewind();
}
void FlashPlayerHost::StopPlay() {
  if (created && !windowless) control.StopPlay();
}
bool FlashPlayerHost::IsPlaying() { return created && !windowless && control.IsPlaying().value_or(false); }
bool FlashPlayerHost::GetLoop() { return created && !windowless && control.GetLoop().value_or(false); }
void FlashPlayerHost::SetLoop(bool loop) {
  if (created && !windowless) control.SetLoop(loop);
}
long FlashPlayerHost::CurrentFrame() {
  if (!created || windowless) return 1;
  return control.CurrentFrame().value_or(1);
}
long FlashPlayerHost::TotalFrames() {
  if (!created || windowless) return 1;
  return control.GetTotalFrames().value_or(1);
}
long FlashPlayerHost::FlashVersion() {
  if (!created || windowless) return 0;
  return control.FlashVersion().value_or(0);
}

POINT FlashPlayerHost::GetMovieMouse() {
  if (!created || windowless) return {0, 0};
  bool ok = true;
  int x = DecimalOr0(control.TGetProperty(L"/", 20), &ok);
  int y = DecimalOr0(control.TGetProperty(L"/", 21), &ok);
  if (!ok) return {0, 0};
  return {x, y};
}

std::wstring FlashPlayerHost::GetMoviePath() {
  if (!created || windowless) return {};
  return control.GetMovie().value_or(std::wstring());
}

bool FlashPlayerHost::IsReady() const { return created && !windowless && readyComplete; }

void FlashPlayerHost::ResetReady() { readyComplete = false; }

void FlashPlayerHost::MoveTo(const RECT& rect) {
  if (created && !windowless) control.MoveWindow(rect, TRUE);
}

void FlashPlayerHost::EnterFullScreen(framework::CWnd* window) {
  if (!window || !window->m_hWnd) {
    framework::CWinApp* app = framework::AfxGetApp();
    window = app ? app->m_pMainWnd : nullptr;
  }
  if (!window || !window->m_hWnd) return;
  fullScreen.Enter(window->m_hWnd);
}

void FlashPlayerHost::LeaveFullScreen() { fullScreen.Leave(); }

void FlashPlayerHost::OnFSCommand(const std::wstring& command, const std::wstring& args) {
  FlashMovieVariables movie(control);
  CommandSource source{&movie, &control, false};
  FlashHostFlags& flags = ProcessFlashFlags();
  if (flags.sendWindowHandle) {
    flags.sendWindowHandle = false;
    wchar_t handle[16];
    std::swprintf(handle, 16, L"%d", static_cast<int>(reinterpret_cast<INT_PTR>(MainWindow())));
    if (bridge_) bridge_->Dispatch(source, L"WindowSetHandle", handle);
  }
  if (bridge_) bridge_->Dispatch(source, command, args);
}

void SetAllowScale(bool allow) {
  if (g_host) g_host->SetAllowScale(allow);
}

void EnterFullScreen(framework::CWnd* window) {
  if (g_host) g_host->EnterFullScreen(window);
}

void LeaveFullScreen() {
  if (g_host) g_host->LeaveFullScreen();
}

}  // namespace projector
