#include "player_dialog.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "about_dialog.h"
#include "common/payload.h"
#include "common/resource.h"
#include "common/text.h"
#include "common/unique_name.h"
#include "format/payload.h"
#include "probe_movie.h"
#include "shell/movie_document.h"

namespace projector {

namespace {

// Finds stage sizes, frame counts and picture sizes before items join the play list.
class FileProber : public player::ItemProber {
 public:
  bool ProbeMovie(const std::u16string& path, Movie* movie) override {
    MovieInfo info;
    if (!projector::ProbeMovie(ToWide(path), &info)) return false;
    movie->frameCount = info.frameCount;
    movie->frameRate = info.frameRate;
    movie->width = info.xMax - info.xMin;
    movie->height = info.yMax - info.yMin;
    return true;
  }
  bool PictureSize(const std::u16string& path, int* width, int* height) override {
    PictureRenderer picture;
    if (!picture.Load(ToWide(path))) return false;
    *width = picture.pixelSize().cx;
    *height = picture.pixelSize().cy;
    return true;
  }
};

// Reads the time of day from the system clock.
class LocalClock : public player::PlayClock {
 public:
  int64_t TimeOfDay() override {
    SYSTEMTIME t;
    ::GetLocalTime(&t);
    return ((t.wHour * 3600LL + t.wMinute * 60LL + t.wSecond) * 1000LL) + t.wMilliseconds;
  }
};

LocalClock g_clock;

// The largest window coordinate GDI keeps.
constexpr LONG kLargestTrackSize = 32767;

}  // namespace

PlayerDialog::PlayerDialog(const MovieDocument& document, HWND owner, std::optional<uint32_t> displayMode)
    : framework::CDialog(IDD_PROJECTOR, owner),
      document_(document),
      transparent_(displayMode.value_or(document.data().window.displayMode) == 2),
      playSequence_(contentView_, g_clock),
      // A transparent player has no caption: its layered window is all there is to see.
      frame_(document, transparent_, transparent_ ? 0 : document.data().window.captionStyle),
      mouse_(bridge_.dragRegion(), [this] { ShowContextMenu(); }, [this](const RECT& r) { layeredRect_ = r; }) {
  ::SetCurrentDirectoryW(document_.ExtractionFolder().c_str());
  icon_ = ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME));
  mouse_.SetModes(document_.data().control.leftButtonMode, document_.data().control.rightButtonMode);
  bridge_.SetBuiltIns(&builtIns_);
}

PlayerDialog::~PlayerDialog() { resourceLibrary_.reset(); }

BOOL PlayerDialog::OnInitDialog() {
  framework::CDialog::OnInitDialog();
  const auto& data = document_.data();
  frame_.Attach(m_hWnd);
  mouse_.Attach(m_hWnd);

  if (data.playlistOptions.options & 2u) printScreenBlocker_.Install();
  ::GetWindowRect(m_hWnd, &windowRect_);
  if (transparent_ && document_.EntryCount() > 0 &&
      player::KindOf(ToU16(document_.ExtractedPath(0))) == player::ItemKind::Movie)
    MoveOffScreen();

  SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
  std::wstring title = ExecutablePath();
  size_t slash = title.find_last_of(L"\\/");
  if (slash != std::wstring::npos) title = title.substr(slash + 1);
  size_t dot = title.find_last_of(L'.');
  if (dot != std::wstring::npos) title.resize(dot);
  SetWindowText(title);

  preloader_.Open();

  if (document_.EntryCount() == 0) {
    preloader_.Notify();
    PostMessage(WM_CLOSE);
    return TRUE;
  }

  if (document_.payload()) {
    PayloadExtractor extractor(*document_.payload());
    extractor.ExtractBlocks(format::ResourceMarker(), document_.ExtractionFolder(), false);
    if (extractor.ExtractBlocks(format::FsCommandMarker(), document_.ExtractionFolder(), true))
      bridge_.registry().RegisterExtensionLibraries(document_.ExtractionFolder());
  }
  FSCommandLog& log = bridge_.log();
  log.SetImageIcon(icon_);
  contentView_.flashHost().SetBridge(&bridge_);

  RECT client;
  ::GetClientRect(m_hWnd, &client);
  scale_ = player::ScaleBehaviour::FromFlags(data.size.scaleFlags);
  contentView_.SetFit(scale_.fitting);
  if (!contentView_.Create(m_hWnd, client, transparent_)) {
    ::ShowCursor(TRUE);
    ::MessageBoxW(m_hWnd, LoadResourceText(nullptr, IDS_NO_FLASH_PLAYER).c_str(), title.c_str(), MB_ICONHAND);
    preloader_.Notify();
    PostMessage(WM_CLOSE);
    return TRUE;
  }

  std::vector<player::PlaySequence::Entry> entries;
  for (size_t i = 0; i < document_.EntryCount(); ++i)
    entries.push_back({ToU16(document_.ExtractedPath(i)), document_.DisplayTime(i)});
  FileProber prober;
  playSequence_.Fill(entries, data.quality.quality, data.playlistOptions.loop != 0, prober);
  currentItem_ = playSequence_.current();
  quality_ = currentItem_.quality == 3 ? 2 : currentItem_.quality;

  DragRegion& drag = bridge_.dragRegion();
  drag.SetAllowScale(scale_.allowScale);
  drag.SetKeepAspect(scale_.keepAspect);
  drag.SetMovieSize(currentItem_.width, currentItem_.height);
  drag.SetViewSize(currentItem_.width, currentItem_.height);

  SetUpWindow();
  SizeWindow();
  AddAboutEntry();
  ::GetWindowRect(m_hWnd, &windowRect_);
  layeredRect_ = windowRect_;

  ::GetClientRect(m_hWnd, &client);
  drag.SetViewSize(client.right, client.bottom);
  // The log window comes after the window's setup: made before, it would keep the player from staying on top.
  log.CreateLogWindow(m_hWnd);
  if (data.debug.showLog != 0) log.Show(true);

  if (contextMenu_) {
    resourceLibrary_.reset(::LoadLibraryW(L"Mardenkit.dll"));
    contextMenu_->SetResourceLibrary(resourceLibrary_.get());
  }
  const auto& overlay = data.overlay;
  overlay_.SetPosition(static_cast<int>(overlay.position));
  overlay_.SetPicture(document_.overlayPicture());
  overlay_.SetText(document_.overlayFont(), ToWide(overlay.text), static_cast<int>(overlay.textAlignment),
                   overlay.textColor, overlay.textBackgroundColor);
  overlay_.Show(m_hWnd);
  if (data.playlistOptions.timer != 0) {
    StartTimer();
    StartSound();
  }
  preloader_.Notify();
  if (transparent_) ::Sleep(200);
  if (data.window.taskbarCommand != 0) PostMessage(WM_SYSCOMMAND, SC_RESTORE, 0);
  return TRUE;
}

void PlayerDialog::SetUpWindow() {
  const auto& window = document_.data().window;
  const uint32_t captionStyle = frame_.captionStyle();
  if (window.alwaysOnTop) ::SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  if (!window.title.empty()) SetWindowText(ToWide(window.title));
  if (window.taskbarCommand) SendTaskbarCommand(kMinimizeAll);
  if (captionStyle != 1 || window.shapeKind != 0) {
    frame_.ModifyStyle(WS_CAPTION | WS_THICKFRAME, 0);
    frame_.ModifyStyleEx(WS_EX_CLIENTEDGE, 0);
  }
  if (window.showInTaskbar == 0) frame_.ModifyStyleEx(WS_EX_APPWINDOW, 0);
  if (window.trayIcon) trayIcon_.Add(m_hWnd, icon_, LoadResourceText(nullptr, IDS_TRAY_TIP));
  if (window.displayMode == 1) contentView_.SetBackgroundColor(window.backgroundColor);
  HMENU system = ::GetSystemMenu(m_hWnd, FALSE);
  if (transparent_ && system) ::DeleteMenu(system, SC_MAXIMIZE, MF_BYCOMMAND);
  if (captionStyle == 1) {
    if (!window.systemMenu) {
      frame_.ModifyStyle(WS_SYSMENU, 0);
    } else {
      if (!window.minimizeBox) {
        if (system) ::DeleteMenu(system, SC_MINIMIZE, MF_BYCOMMAND);
        frame_.ModifyStyle(WS_MINIMIZEBOX, 0);
      }
      if (!window.maximizeBox) {
        if (system) {
          ::DeleteMenu(system, SC_MAXIMIZE, MF_BYCOMMAND);
          ::DeleteMenu(system, SC_RESTORE, MF_BYCOMMAND);
        }
        frame_.ModifyStyle(WS_MAXIMIZEBOX, 0);
      }
    }
  }
}

void PlayerDialog::SizeWindow() {
  contentView_.SetAllowScale(scale_.allowScale);
  HRGN outlineCopy = frame_.SizeWindow({currentItem_.width, currentItem_.height});
  if (outlineCopy) contentView_.SetRegionCopy(outlineCopy);
}

void PlayerDialog::AddAboutEntry() {
  if (document_.data().about.noAbout != 0) return;
  HMENU system = ::GetSystemMenu(m_hWnd, FALSE);
  if (!system) return;
  std::wstring text = LoadResourceText(nullptr, IDS_ABOUT_MENU);
  ::InsertMenuW(system, SC_CLOSE, MF_BYCOMMAND | MF_STRING, kAboutCommand, text.c_str());
  ::InsertMenuW(system, SC_CLOSE, MF_BYCOMMAND | MF_SEPARATOR, 0, nullptr);
}

void PlayerDialog::SendTaskbarCommand(UINT command) const {
  HWND taskbar = ::FindWindowW(L"Shell_TrayWnd", nullptr);
  if (taskbar) ::SendMessageW(taskbar, WM_COMMAND, command, 0);
}

void PlayerDialog::StartTimer() {
  timerRunning_ = ::SetTimer(m_hWnd, kTimerId, kTimerInterval, nullptr) != 0;
}

void PlayerDialog::StartSound() {
  const auto& sound = document_.data().sound;
  if (sound.play == 0) return;
  std::wstring path = ToWide(sound.EffectivePath());
  if (!path.empty()) sound_.Start(path, sound.loop != 0);
}

bool PlayerDialog::OnTimer(UINT_PTR id) {
  if (id != kTimerId) return false;
  ::KillTimer(m_hWnd, kTimerId);
  timerRunning_ = false;
  if (playSequence_.Tick(&currentItem_)) {
    if (ShowsTransparentMovie()) {
      MoveOffScreen();
      contentView_.flashHost().SetDragListener(&dragListener_);
    } else {
      RECT now;
      ::GetWindowRect(m_hWnd, &now);
      // Only a window parked off screen for a transparent movie is brought back.
      if (now.left >= windowRect_.left + 8192)
        ::MoveWindow(m_hWnd, windowRect_.left, windowRect_.top, windowRect_.right - windowRect_.left,
                     windowRect_.bottom - windowRect_.top, TRUE);
    }
    zoom_.ShowAll();
    ::SetFocus(m_hWnd);
  }
  if (!playSequence_.finished()) StartTimer();
  return true;
}

void PlayerDialog::MoveOffScreen() {
  ::MoveWindow(m_hWnd, windowRect_.left + 8192, windowRect_.top, windowRect_.right - windowRect_.left,
               windowRect_.bottom - windowRect_.top, TRUE);
}

void PlayerDialog::Listener::OnDragNotify(DragNotify* notify) {
  if (!notify) return;
  switch (notify->kind) {
    case DragNotify::kQueryModes: {
      owner_.layeredWindow_ = notify->frame ? notify->frame->m_hWnd : nullptr;
      const auto& control = owner_.document_.data().control;
      notify->leftMode = player::LayeredLeftMode(control.leftButtonMode);
      notify->rightMode = player::LayeredRightMode(control.rightButtonMode);
      break;
    }
    case DragNotify::kContextMenu:
      owner_.ShowContextMenu();
      break;
    case DragNotify::kMoved:
      owner_.layeredRect_ = notify->rect;
      break;
    default:
      break;
  }
}

void PlayerDialog::OnCancel() {
  const auto& window = document_.data().window;
  if (window.taskbarCommand && window.taskbarCommandAtClose) SendTaskbarCommand(kUndoMinimizeAll);
  EndDialog(IDCANCEL);
}

bool PlayerDialog::OnDestroy() {
  ::KillTimer(m_hWnd, kTimerId);
  trayIcon_.Remove();
  bridge_.Release();
  return false;
}

bool PlayerDialog::OnSize(UINT, int cx, int cy) {
  if (contentView_.m_hWnd) ::MoveWindow(contentView_.m_hWnd, 0, 0, cx, cy, TRUE);
  if (scale_.fitting && PathExists(contentView_.GetPath())) contentView_.FitMovie(currentItem_.width, currentItem_.height);
  overlay_.Relayout();
  return false;
}

bool PlayerDialog::OnMove(int, int) {
  overlay_.Relayout();
  return false;
}

bool PlayerDialog::OnPaint() {
  if (!::IsIconic(m_hWnd)) return false;
  PAINTSTRUCT ps;
  HDC dc = ::BeginPaint(m_hWnd, &ps);
  SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  RECT client;
  ::GetClientRect(m_hWnd, &client);
  int cx = ::GetSystemMetrics(SM_CXICON), cy = ::GetSystemMetrics(SM_CYICON);
  ::DrawIcon(dc, (client.right - cx + 1) / 2, (client.bottom - cy + 1) / 2, icon_);
  ::EndPaint(m_hWnd, &ps);
  return true;
}

bool PlayerDialog::OnQueryDragIcon(LRESULT* result) {
  *result = reinterpret_cast<LRESULT>(icon_);
  return true;
}

bool PlayerDialog::OnSysCommand(UINT id, LPARAM lp) {
  if (id == kAboutCommand) {
    const auto& data = document_.data();
    AboutDialog about(m_hWnd);
    about.SetProductName(ToWide(data.aboutTexts.productName), ToWide(data.aboutTexts.version));
    about.SetNotice(ToWide(data.aboutTexts.notice));
    about.SetWebLink(ToWide(data.about.webLabel), ToWide(data.about.webAddress));
    about.SetWebExtra(ToWide(data.about.webExtra));
    about.SetMailLink(ToWide(data.about.mailLabel), ToWide(data.about.mailAddress));
    about.SetMailExtra(ToWide(data.about.mailExtra));
    about.SetPicture(document_.aboutPicture());
    about.DoModal();
    return true;
  }
  UINT command = id & 0xFFF0;
  WINDOWPLACEMENT placement{sizeof(placement)};
  if (transparent_ && command == SC_RESTORE) {
    if (layeredWindow_ && ::GetWindowPlacement(layeredWindow_, &placement)) {
      placement.showCmd = SW_SHOWNORMAL;
      placement.rcNormalPosition = layeredRect_;
      ::SetWindowPlacement(layeredWindow_, &placement);
      ::DefWindowProcW(m_hWnd, WM_SYSCOMMAND, id, lp);
      ::MoveWindow(layeredWindow_, layeredRect_.left, layeredRect_.top, layeredRect_.right - layeredRect_.left,
                   layeredRect_.bottom - layeredRect_.top, TRUE);
      return true;
    }
    return false;
  }
  if (transparent_ && command == SC_MINIMIZE && layeredWindow_ && ::GetWindowPlacement(layeredWindow_, &placement)) {
    placement.showCmd = 6 | (placement.showCmd & 1);
    ::SetWindowPlacement(layeredWindow_, &placement);
  }
  if ((command == SC_MAXIMIZE || command == SC_RESTORE) && contentView_.m_hWnd)
    ::PostMessageW(contentView_.m_hWnd, WM_EXITSIZEMOVE, 0, 0);
  if (command == SC_RESTORE && contentView_.flashHost().fullScreen.active()) {
    // Restoring ends the movie's full screen: the window first comes back from minimised or maximised, then
    // takes back the frame and rectangle it had before full screen.
    ::DefWindowProcW(m_hWnd, WM_SYSCOMMAND, id, lp);
    LeaveFullScreen();
    return true;
  }
  return false;
}

bool PlayerDialog::OnMessage(UINT msg, WPARAM, LPARAM lp, LRESULT*) {
  if (msg == WM_ENTERSIZEMOVE) userSizing_ = true;
  if (msg == WM_GETMINMAXINFO && !userSizing_ && lp) {
    // A resizable window is otherwise held to the system's tracking sizes, even when moved by the program: the
    // sizes the document asks for (a small stage, 120 % of the screen) and full screen's are kept exactly. The
    // user's own sizing keeps the system's limits.
    auto* info = reinterpret_cast<MINMAXINFO*>(lp);
    info->ptMinTrackSize = {1, 1};
    info->ptMaxTrackSize = {kLargestTrackSize, kLargestTrackSize};
    return true;
  }
  if (msg == WM_EXITSIZEMOVE) {
    userSizing_ = false;
    if (contentView_.m_hWnd) ::SendMessageW(contentView_.m_hWnd, WM_EXITSIZEMOVE, 0, 0);
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    bridge_.dragRegion().SetViewSize(client.right, client.bottom);
    overlay_.Relayout();
  }
  return false;
}

bool PlayerDialog::OnCommand(WPARAM wp, LPARAM) {
  return OnMenuCommand(static_cast<player::MenuCommand>(LOWORD(wp)));
}

bool PlayerDialog::OnMenuCommand(player::MenuCommand command) {
  using namespace player;
  FlashPlayerHost& flash = contentView_.flashHost();
  const bool movie = contentView_.kind() == ContentView::kFlash;
  switch (command) {
    case kQualityLow:
    case kQualityMedium:
    case kQualityHigh:
      quality_ = static_cast<int>(kQualityHigh - command);
      contentView_.SetQuality(quality_);
      return true;
    case kAlwaysOnTop: {
      bool onTop = GetExStyle() & WS_EX_TOPMOST;
      ::SetWindowPos(m_hWnd, onTop ? HWND_NOTOPMOST : HWND_TOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOREDRAW);
      return true;
    }
    case kZoomIn:
    case kZoomOut:
    case kShowAll:
      Zoom(command);
      return true;
    case kPlay:
      PlayOrPause();
      return true;
    case kLoop:
      if (movie) flash.SetLoop(!flash.GetLoop());
      return true;
    case kRewind:
      if (movie) {
        flash.Rewind();
        flash.StopPlay();
      }
      return true;
    case kForward:
      if (movie) flash.Forward();
      return true;
    case kBack:
      if (movie) flash.Back();
      return true;
    case kMaximize:
      SendMessage(WM_SYSCOMMAND, SC_MAXIMIZE);
      return true;
    case kMinimize:
      SendMessage(WM_SYSCOMMAND, SC_MINIMIZE);
      return true;
    case kRestore:
      PostMessage(WM_SYSCOMMAND, SC_RESTORE);
      return true;
    case kExit:
      OnCancel();
      return true;
    default:
      return false;
  }
}

void PlayerDialog::Zoom(player::MenuCommand command) {
  if (command == player::kZoomIn) zoom_.ZoomIn();
  if (command == player::kZoomOut) zoom_.ZoomOut();
  if (command == player::kShowAll) zoom_.ShowAll();
  player::Size stage{currentItem_.width, currentItem_.height};
  player::Point mouse{stage.width / 2, stage.height / 2};
  if (contentView_.kind() == ContentView::kFlash) {
    POINT m = contentView_.flashHost().GetMovieMouse();
    mouse = {m.x, m.y};
  }
  player::Rect z =
      command == player::kShowAll ? player::Rect{0, 0, stage.width, stage.height} : zoom_.ZoomRect(stage, mouse);
  contentView_.SetZoomRect({z.left, z.top, z.right, z.bottom});
  POINT centre;
  if (ShowsTransparentMovie()) {
    centre = {(layeredRect_.left + layeredRect_.right) / 2, (layeredRect_.top + layeredRect_.bottom) / 2};
  } else {
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    centre = {client.right / 2, client.bottom / 2};
    ::ClientToScreen(m_hWnd, &centre);
  }
  ::SetCursorPos(centre.x, centre.y);
}

void PlayerDialog::PlayOrPause() {
  if (contentView_.GetPath().empty()) {
    StartTimer();
    StartSound();
  } else if (contentView_.IsPlaying()) {
    playSequence_.PauseClock(true);
    contentView_.Stop();
    sound_.Pause();
  } else {
    contentView_.Play();
    sound_.Resume();
    playSequence_.PauseClock(false);
  }
}

void PlayerDialog::ShowContextMenu() {
  if (!contextMenu_) return;
  player::MenuInput in;
  const auto& about = document_.data().about;
  // The transparent player has no window to maximise: its Maximize entry reads as switched off.
  in.values1to5 = {transparent_ ? 0u : about.menuMaximize, about.menuMinimize, about.menuRestore,
                   about.menuAlwaysOnTop, about.menuExit};
  in.values7to15 = {about.menuZoomIn, about.menuZoomOut, about.menuShowAll, about.menuQuality, about.menuPlay,
                    about.menuLoop, about.menuRewind, about.menuForward, about.menuBack};
  in.zoomAllowed = (document_.data().size.scaleFlags & 2u) != 0;
  in.screenSaver = HasExtension(ExecutablePath(), L"scr");
  in.quality = quality_;
  in.alwaysOnTop = (GetExStyle() & WS_EX_TOPMOST) != 0;
  in.playing = contentView_.IsPlaying();
  in.looping = contentView_.kind() == ContentView::kFlash ? contentView_.flashHost().GetLoop() : playSequence_.loop();
  in.currentFrame = contentView_.CurrentFrame();
  in.multiFrame = contentView_.kind() != ContentView::kFlash || currentItem_.lastFrame > 0;
  contextMenu_->Show(m_hWnd, in);
}

BOOL PlayerDialog::PreTranslateMessage(MSG* msg) {
  const auto& control = document_.data().control;
  if (msg->message == WM_KEYDOWN) {
    if (control.keyMode == 1 && control.anyKeyCloses) {
      OnCancel();
      return TRUE;
    }
    if (msg->wParam == VK_ESCAPE) {
      if (control.escCloses) OnCancel();
      return TRUE;
    }
    if (msg->wParam == VK_RETURN) msg->wParam = VK_TAB;
  }
  if (!ShowsTransparentMovie() && mouse_.Filter(*msg)) return TRUE;
  return framework::CDialog::PreTranslateMessage(msg);
}

}  // namespace projector
