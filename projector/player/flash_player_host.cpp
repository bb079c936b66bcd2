#include "flash_player_host.h"

#include <shellapi.h>

#include <cwchar>

#include "framework/app.h"
#include "fscommand/fscommand_bridge.h"
#include "framework/handles.h"
#include "framework/program_path.h"
#include "transparent/transp_frame_wnd.h"

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
  if (!windowless) return control.Create(nullptr, WS_VISIBLE, rect, parent, 0);
  transparentPlayer = std::make_unique<TranspFrameWnd>();
  if (!transparentPlayer->Create(rect)) return false;
  transparentPlayer->SetBridge(bridge_);
  transparentPlayer->SetDragListener(dragListener);
  return true;
}

TranspFlashOcx* FlashPlayerHost::transparentControl() const {
  return transparentPlayer ? transparentPlayer->GetControl() : nullptr;
}

bool FlashPlayerHost::FallBackToWindow(const RECT& screenRect) {
  // A popup without its control shows nothing while the player window waits off screen for it: the movie plays
  // in the player window instead.
  transparentPlayer.reset();
  windowless = false;
  RECT client = screenRect;
  if (parent && parent->m_hWnd) ::MapWindowPoints(nullptr, parent->m_hWnd, reinterpret_cast<POINT*>(&client), 2);
  return Create(parent, false, client);
}

void FlashPlayerHost::SetBridge(FSCommandBridge* bridge) {
  bridge_ = bridge;
  if (transparentPlayer) transparentPlayer->SetBridge(bridge);
}

void FlashPlayerHost::SetDragListener(DragListener* listener) {
  dragListener = listener;
  if (transparentPlayer) transparentPlayer->SetDragListener(listener);
}

bool FlashPlayerHost::Create(framework::CWnd* parentWindow, bool windowlessMode, const RECT& rect) {
  parent = parentWindow;
  windowless = windowlessMode;
  movieLoaded = false;
  if (!CreateControl(rect)) {
    if (windowless) return FallBackToWindow(rect);
    FlashHostFlags& flags = ProcessFlashFlags();
    if (!flags.offerInstaller) return false;
    flags.offerInstaller = false;
    RunInstaller();
    if (!CreateControl(rect)) return false;
  }
  created = true;
  SetAllowScale(allowScale);
  if (windowless) return transparentControl() != nullptr;
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
  transparentPlayer.reset();
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
  if (TranspFlashOcx* ocx = transparentControl()) ocx->SetMovie(path);
  movieLoaded = true;
  return true;
}

void FlashPlayerHost::UnloadMovie() {
  moviePath.clear();
  if (created && !windowless) control.SetMovie(L" ");
  if (TranspFlashOcx* ocx = created ? transparentControl() : nullptr) ocx->SetMovie(L" ");
  movieLoaded = false;
}

void FlashPlayerHost::SetAllowScale(bool allow) {
  allowScale = allow;
  if (created && !windowless) control.SetScaleMode(allow ? 0 : 3);
  if (TranspFlashOcx* ocx = created ? transparentControl() : nullptr) ocx->SetScaleMode(allow ? 0 : 3);
}

void FlashPlayerHost::SetBackgroundColor(long rgb) {
  backgroundColor = rgb;
  if (!created || windowless || rgb == -1) return;
  long bgr = ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
  control.SetBackgroundColor(bgr);
}

void FlashPlayerHost::SetQuality(int level) {
  static const wchar_t* const kHighQuality[] = {L"2", L"1", L"0"};
  if (!created || level < 0 || level > 2) return;
  if (!windowless) control.TSetProperty(L"/", 16, kHighQuality[level]);
  if (TranspFlashOcx* ocx = transparentControl()) ocx->TSetProperty(L"/", 16, kHighQuality[level]);
}

void FlashPlayerHost::SetZoomRect(int left, int top, int right, int bottom) {
  if (!created) return;
  if (!windowless) control.SetZoomRect(left * 20L, top * 20L, right * 20L, bottom * 20L);
  if (TranspFlashOcx* ocx = transparentControl()) ocx->SetZoomRect(left * 20L, top * 20L, right * 20L, bottom * 20L);
}

void FlashPlayerHost::FitMovieToView(int movieWidth, int movieHeight) {
  if (movieWidth <= 0 || movieHeight <= 0 || !created) return;
  TranspFlashOcx* ocx = transparentControl();
  if ((windowless ? !ocx : !control.m_hWnd) || !parent || !parent->m_hWnd) return;
  RECT client;
  ::GetClientRect(parent->m_hWnd, &client);
  long w = client.right - client.left, h = client.bottom - client.top;
  long xPercent = (w * 100 + movieWidth / 2) / movieWidth;
  long yPercent = (h * 100 + movieHeight / 2) / movieHeight;
  if (ocx) {
    ocx->SetZoomRect(0, 0, w * 20, h * 20);
    ocx->TSetProperty(L"/", 2, std::to_wstring(xPercent));
    ocx->TSetProperty(L"/", 3, std::to_wstring(yPercent));
    return;
  }
  control.SetZoomRect(0, 0, w * 20, h * 20);
  control.TSetProperty(L"/", 2, std::to_wstring(xPercent));
  control.TSetProperty(L"/", 3, std::to_wstring(yPercent));
}

void FlashPlayerHost::Play() {
  if (!created) return;
  if (!windowless) control.Play();
  if (TranspFlashOcx* ocx = transparentControl()) ocx->Play();
}
void FlashPlayerHost::Back() {
  if (!created) return;
  if (!windowless) control.Back();
  if (TranspFlashOcx* ocx = transparentControl()) ocx->Back();
}
void FlashPlayerHost::Forward() {
  if (!created) return;
  if (!windowless) control.Forward();
  if (TranspFlashOcx* ocx = transparentControl()) ocx->Forward();
}
void FlashPlayerHost::Rewind() {
  if (!created) return;
  if (!windowless) control.Rewind();
  if (TranspFlashOcx* ocx = transparentControl()) ocx->Rewind();
}
void FlashPlayerHost::StopPlay() {
  if (!created) return;
  if (!windowless) control.StopPlay();
  if (TranspFlashOcx* ocx = transparentControl()) ocx->StopPlay();
}
bool FlashPlayerHost::IsPlaying() {
  if (!created) return false;
  if (!windowless) return control.IsPlaying().value_or(false);
  TranspFlashOcx* ocx = transparentControl();
  return ocx && ocx->IsPlaying().value_or(false);
}
bool FlashPlayerHost::GetLoop() {
  if (!created) return false;
  if (!windowless) return control.GetLoop().value_or(false);
  TranspFlashOcx* ocx = transparentControl();
  return ocx && ocx->GetLoop().value_or(false);
}
void FlashPlayerHost::SetLoop(bool loop) {
  if (!created) return;
  if (!windowless) control.SetLoop(loop);
  if (TranspFlashOcx* ocx = transparentControl()) ocx->SetLoop(loop);
}
long FlashPlayerHost::CurrentFrame() {
  if (!created) return 1;
  if (!windowless) return control.CurrentFrame().value_or(1);
  TranspFlashOcx* ocx = transparentControl();
  return ocx ? ocx->CurrentFrame().value_or(1) : 1;
}
long FlashPlayerHost::TotalFrames() {
  if (!created) return 1;
  if (!windowless) return control.GetTotalFrames().value_or(1);
  TranspFlashOcx* ocx = transparentControl();
  return ocx ? ocx->GetTotalFrames().value_or(1) : 1;
}
long FlashPlayerHost::FlashVersion() {
  if (!created) return 0;
  if (!windowless) return control.FlashVersion().value_or(0);
  TranspFlashOcx* ocx = transparentControl();
  return ocx ? ocx->FlashVersion().value_or(0) : 0;
}

POINT FlashPlayerHost::GetMovieMouse() {
  if (!created) return {0, 0};
  TranspFlashOcx* ocx = transparentControl();
  if (windowless && !ocx) return {0, 0};
  auto property = [&](long index) { return ocx ? ocx->TGetProperty(L"/", index) : control.TGetProperty(L"/", index); };
  bool ok = true;
  int x = DecimalOr0(property(20), &ok);
  int y = DecimalOr0(property(21), &ok);
  if (!ok) return {0, 0};
  return {x, y};
}

std::wstring FlashPlayerHost::GetMoviePath() {
  if (!created) return {};
  if (!windowless) return control.GetMovie().value_or(std::wstring());
  TranspFlashOcx* ocx = transparentControl();
  return ocx ? ocx->GetMovie().value_or(std::wstring()) : std::wstring();
}

bool FlashPlayerHost::IsReady() const {
  if (!created) return false;
  return windowless ? transparentPlayer && transparentPlayer->IsLoaded() : readyComplete;
}

void FlashPlayerHost::ResetReady() {
  readyComplete = false;
  if (transparentPlayer) transparentPlayer->ResetLoaded();
}

void FlashPlayerHost::MoveTo(const RECT& rect) {
  if (!created) return;
  if (!windowless) control.MoveWindow(rect, TRUE);
  if (transparentPlayer && transparentPlayer->m_hWnd) transparentPlayer->MoveWindow(rect, TRUE);
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
