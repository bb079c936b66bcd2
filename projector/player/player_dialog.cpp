#include "player_dialog.h"

#include <windows.h>
#include <gdiplus.h>
#include <shellapi.h>

#include <algorithm>
#include <cstddef>
#include <cwctype>
#include <vector>

#include "format/payload.h"
#include "fscommand/dispatch.h"
#include "fscommand/fscommand_log.h"
#include "shell/movie_document.h"
#include "shell/payload.h"
#include "shell/resource.h"
#include "shell/text.h"
#include "shell/unique_name.h"
#include "about_dialog.h"
#include "builtin_commands.h"
#include "probe_movie.h"

namespace projector {

// The tray icon record up to its version-3 fields: 936 bytes in the 32-bit build, 952 in the 64-bit one.
constexpr DWORD kTrayIconRecordSize = offsetof(NOTIFYICONDATAW, guidItem);
static_assert(sizeof(void*) == 8 || kTrayIconRecordSize == 936, "the 32-bit tray icon record");

namespace {

HHOOK g_printScreenHook = nullptr;

// Print Screen never reaches the system while the document blocks screen captures.
LRESULT CALLBACK PrintScreenHook(int code, WPARAM wp, LPARAM lp) {
  try {
    if (code >= 0 && wp == VK_SNAPSHOT) {
      if (::OpenClipboard(nullptr)) {
        ::EmptyClipboard();
        ::CloseClipboard();
      }
      return 1;
    }
  } catch (...) {
  }
  return ::CallNextHookEx(g_printScreenHook, code, wp, lp);
}



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

using EnumDisplayMonitorsFn = BOOL(WINAPI*)(HDC, LPCRECT, MONITORENUMPROC, LPARAM);
using GetMonitorInfoFn = BOOL(WINAPI*)(HMONITOR, LPMONITORINFO);

struct MonitorUnion {
  GetMonitorInfoFn getInfo;
  RECT area;
  bool any;
};

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
  auto* u = reinterpret_cast<MonitorUnion*>(data);
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  if (!u->getInfo(monitor, &info)) return FALSE;
  if (!u->any) {
    u->area = info.rcWork;
    u->any = true;
  } else {
    ::UnionRect(&u->area, &u->area, &info.rcWork);
  }
  return TRUE;
}

}  // namespace

DragRegion& ProcessDragRegion() { return FSCommandLog::Instance().dragRegion(); }

PlayerDialog::PlayerDialog(MovieDocument& document, HWND owner)
    : framework::CDialog(IDD_PROJECTOR, owner),
      document_(document),
      playSequence_(contentView_, g_clock),
      dragRegion_(&ProcessDragRegion()) {
  ::SetCurrentDirectoryW(document_.ExtractionFolder().c_str());
  icon_ = ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME));
  auto& data = document_.data();
  transparent_ = data.window.displayMode == 2;
  if (transparent_) {
    data.window.captionStyle = 0;
    data.about.menuMaximize = 0;
  }
}

PlayerDialog::~PlayerDialog() {
  resourceLibrary_.reset();
  if (g_printScreenHook) {
    ::UnhookWindowsHookEx(g_printScreenHook);
    g_printScreenHook = nullptr;
  }
  RemoveTrayIcon();
  if (preloaderMailslot_ != INVALID_HANDLE_VALUE) ::CloseHandle(preloaderMailslot_);
}

void PlayerDialog::ModifyStyle(DWORD remove, DWORD add) {
  DWORD style = (GetStyle() & ~remove) | add;
  ::SetWindowLongPtrW(m_hWnd, GWL_STYLE, static_cast<LONG_PTR>(style));
  ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void PlayerDialog::ModifyStyleEx(DWORD remove, DWORD add) {
  DWORD style = (GetExStyle() & ~remove) | add;
  ::SetWindowLongPtrW(m_hWnd, GWL_EXSTYLE, static_cast<LONG_PTR>(style));
  ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL PlayerDialog::OnInitDialog() {
  framework::CDialog::OnInitDialog();
  auto& data = document_.data();

  if (data.playlistOptions.options & 2u) {
    g_printScreenHook = ::SetWindowsHookExW(WH_KEYBOARD, PrintScreenHook, nullptr, ::GetCurrentThreadId());
  }
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

  preloaderMailslot_ = ::CreateFileW(L"\\\\.\\mailslot\\BrindleworkPreloader", GENERIC_WRITE, FILE_SHARE_READ,
                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);

  if (document_.EntryCount() == 0) {
    NotifyPreloader();
    PostMessage(WM_CLOSE);
    return TRUE;
  }

  PayloadExtractor extractor;
  extractor.ExtractBlocks(format::ResourceMarker(), document_.ExtractionFolder(), false);
  FSCommandLog& log = FSCommandLog::Instance();
  log.SetImageIcon(icon_);
  SetDispatchObserver(&log);
  SetBuiltInLogger([](const std::wstring& command, const std::wstring& args, const std::wstring& result) {
    FSCommandLog::Instance().LogCommand(command, args, result);
  });
  if (extractor.ExtractBlocks(format::FsCommandMarker(), document_.ExtractionFolder(), true))
    ProcessExtensionRegistry().RegisterExtensionLibraries(document_.ExtractionFolder());
  ConnectFSCommandDispatcher();

  RECT client;
  ::GetClientRect(m_hWnd, &client);
  scale_ = player::ScaleBehaviour::FromFlags(data.size.scaleFlags);
  contentView_.SetFit(scale_.fitting);
  if (!contentView_.Create(m_hWnd, client, transparent_)) {
    ::ShowCursor(TRUE);
    ::MessageBoxW(m_hWnd, LoadResourceText(nullptr, IDS_NO_FLASH_PLAYER).c_str(), title.c_str(), MB_ICONHAND);
    NotifyPreloader();
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

  dragRegion_->SetAllowScale(scale_.allowScale);
  dragRegion_->SetKeepAspect(scale_.keepAspect);
  dragRegion_->SetMovieSize(currentItem_.width, currentItem_.height);
  dragRegion_->SetViewSize(currentItem_.width, currentItem_.height);

  SetUpWindow();
  SizeWindow();
  AddAboutEntry();
  ::GetWindowRect(m_hWnd, &windowRect_);
  layeredRect_ = windowRect_;

  ::GetClientRect(m_hWnd, &client);
  dragRegion_->SetViewSize(client.right, client.bottom);
  // The log window comes after the window's setup: made before, it would keep the player from staying on top.
  FSCommandLog::Instance(m_hWnd);
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
  NotifyPreloader();
  if (transparent_) ::Sleep(200);
  if (data.window.taskbarCommand != 0) PostMessage(WM_SYSCOMMAND, SC_RESTORE, 0);
  return TRUE;
}

void PlayerDialog::SetUpWindow() {
  auto& window = document_.data().window;
  if (window.alwaysOnTop) ::SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  if (!window.title.empty()) SetWindowText(ToWide(window.title));
  if (window.taskbarCommand) SendTaskbarCommand(kMinimizeAll);
  if (window.captionStyle != 1 || window.shapeKind != 0) {
    ModifyStyle(WS_CAPTION | WS_THICKFRAME, 0);
    ModifyStyleEx(WS_EX_CLIENTEDGE, 0);
  }
  if (window.showInTaskbar == 0) ModifyStyleEx(WS_EX_APPWINDOW, 0);
  if (window.trayIcon) AddTrayIcon();
  if (window.displayMode == 1) contentView_.SetBackgroundColor(window.backgroundColor);
  HMENU system = ::GetSystemMenu(m_hWnd, FALSE);
  if (transparent_ && system) ::DeleteMenu(system, SC_MAXIMIZE, MF_BYCOMMAND);
  if (window.captionStyle == 1) {
    if (!window.systemMenu) {
      ModifyStyle(WS_SYSMENU, 0);
    } else {
      if (!window.minimizeBox) {
        if (system) ::DeleteMenu(system, SC_MINIMIZE, MF_BYCOMMAND);
        ModifyStyle(WS_MINIMIZEBOX, 0);
      }
      if (!window.maximizeBox) {
        if (system) {
          ::DeleteMenu(system, SC_MAXIMIZE, MF_BYCOMMAND);
          ::DeleteMenu(system, SC_RESTORE, MF_BYCOMMAND);
        }
        ModifyStyle(WS_MAXIMIZEBOX, 0);
      }
    }
  }
}

player::Size PlayerDialog::FrameSize() const {
  RECT window, client;
  ::GetWindowRect(m_hWnd, &window);
  ::GetClientRect(m_hWnd, &client);
  return {(window.right - window.left) - client.right, (window.bottom - window.top) - client.bottom};
}

player::Size PlayerDialog::PlacementArea() const {
  auto primary = [] {
    RECT work;
    if (::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0)) return player::Size{work.right - work.left, work.bottom - work.top};
    return player::Size{::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
  };
  if (document_.data().size.useWorkArea != 0) return primary();
  HMODULE user = ::GetModuleHandleW(L"USER32");
  auto enumerate = user ? reinterpret_cast<EnumDisplayMonitorsFn>(
                              reinterpret_cast<void*>(::GetProcAddress(user, "EnumDisplayMonitors")))
                        : nullptr;
  auto info = user ? reinterpret_cast<GetMonitorInfoFn>(
                         reinterpret_cast<void*>(::GetProcAddress(user, "GetMonitorInfoW")))
                   : nullptr;
  if (!enumerate || !info) return primary();
  MonitorUnion u{info, {0, 0, 0, 0}, false};
  if (!enumerate(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&u)) || !u.any) return primary();
  return {u.area.right - u.area.left, u.area.bottom - u.area.top};
}

void PlayerDialog::SizeWindow() {
  auto& data = document_.data();
  auto& size = data.size;
  auto& window = data.window;
  contentView_.SetAllowScale(scale_.allowScale);

  player::SizingInput in;
  in.sizeMode = size.sizeMode;
  in.fixed = {static_cast<int>(size.fixedWidth), static_cast<int>(size.fixedHeight)};
  if (window.shapeKind == 2 && document_.customRegion()) {
    RECT box;
    ::GetRgnBox(document_.customRegion(), &box);
    if (!::IsRectEmpty(&box)) {
      in.sizeMode = 1;
      in.fixed = {box.right - box.left, box.bottom - box.top};
    }
  }
  in.stage = {currentItem_.width, currentItem_.height};
  in.percentage = size.percentage;
  in.area = PlacementArea();
  in.frame = FrameSize();
  in.convertClientToWindow = window.captionStyle == 1 && window.shapeKind == 0;

  if (in.sizeMode == 3) {
    ModifyStyle(WS_CAPTION | WS_THICKFRAME, 0);
    ModifyStyleEx(WS_EX_CLIENTEDGE, 0);
    if (transparent_) {
      ::MoveWindow(m_hWnd, 0, 0, in.area.width, in.area.height, FALSE);
    } else {
      ::MoveWindow(m_hWnd, -1, -1, ::GetSystemMetrics(SM_CXSCREEN) + 2, ::GetSystemMetrics(SM_CYSCREEN) + 2, FALSE);
    }
  } else {
    player::Size w = player::WindowSize(in);
    player::PlacementInput place;
    place.alignment = size.alignment;
    place.horizontalMode = size.horizontalPlacement;
    place.verticalMode = size.verticalPlacement;
    place.xOffset = static_cast<int32_t>(size.horizontalOffset);
    place.topOffset = static_cast<int32_t>(size.verticalOffsetMovieSize);
    place.bottomOffset = static_cast<int32_t>(size.verticalOffsetFixedSize);
    place.area = in.area;
    place.window = w;
    player::Point at = player::PlaceWindow(place);
    ::MoveWindow(m_hWnd, at.x, at.y, w.width, w.height, FALSE);
  }
  if (size.initialState == 1) SendMessage(WM_SYSCOMMAND, SC_MAXIMIZE);
  if (size.initialState == 2) SendMessage(WM_SYSCOMMAND, SC_MINIMIZE);
  ApplyOutline();
}

void PlayerDialog::ApplyOutline() {
  auto& window = document_.data().window;
  RECT r;
  ::GetWindowRect(m_hWnd, &r);
  player::Size size{r.right - r.left, r.bottom - r.top};
  HRGN region = nullptr;
  if (window.shapeKind == 2) {
    if (document_.customRegion()) {
      region = ::CreateRectRgn(0, 0, 0, 0);
      ::CombineRgn(region, document_.customRegion(), nullptr, RGN_COPY);
    }
  } else if (window.shapeKind == 1) {
    player::Outline outline = player::BuiltInOutline(window.shapeIndex, size);
    switch (outline.kind) {
      case player::OutlineKind::Polygon: {
        std::vector<POINT> points;
        for (const auto& p : outline.points) points.push_back({p.x, p.y});
        if (points.size() >= 3)
          region = ::CreatePolygonRgn(points.data(), static_cast<int>(points.size()), ALTERNATE);
        break;
      }
      case player::OutlineKind::Ellipse: {
        RECT e = {0, 0, size.width, size.height};
        region = ::CreateEllipticRgnIndirect(&e);
        break;
      }
      case player::OutlineKind::RoundRect:
        region = ::CreateRoundRectRgn(0, 0, size.width, size.height, outline.corner, outline.corner);
        break;
      default:
        break;
    }
  }
  // The system owns a region once it is set; a failed call leaves it ours to delete.
  if (region && !::SetWindowRgn(m_hWnd, region, FALSE)) ::DeleteObject(region);
  if (transparent_) {
    HRGN copy = ::CreateRectRgn(0, 0, 0, 0);
    if (::GetWindowRgn(m_hWnd, copy) == ERROR) {
      RECT client;
      ::GetClientRect(m_hWnd, &client);
      ::SetRectRgn(copy, 0, 0, client.right, client.bottom);
    }
    contentView_.SetRegionCopy(copy);
  }
}

void PlayerDialog::AddAboutEntry() {
  if (document_.data().about.noAbout != 0) return;
  HMENU system = ::GetSystemMenu(m_hWnd, FALSE);
  if (!system) return;
  std::wstring text = LoadResourceText(nullptr, IDS_ABOUT_MENU);
  ::InsertMenuW(system, SC_CLOSE, MF_BYCOMMAND | MF_STRING, kAboutCommand, text.c_str());
  ::InsertMenuW(system, SC_CLOSE, MF_BYCOMMAND | MF_SEPARATOR, 0, nullptr);
}

void PlayerDialog::AddTrayIcon() {
  NOTIFYICONDATAW data{};
  data.cbSize = kTrayIconRecordSize;
  data.hWnd = m_hWnd;
  data.uID = kTrayIconId;
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = kTrayCallback;
  data.hIcon = icon_;
  std::wstring tip = LoadResourceText(nullptr, IDS_TRAY_TIP).substr(0, 127);
  std::copy(tip.begin(), tip.end(), data.szTip);
  trayIconAdded_ = ::Shell_NotifyIconW(NIM_ADD, &data) != FALSE;
  trayWindow_ = m_hWnd;
}

void PlayerDialog::RemoveTrayIcon() {
  if (!trayIconAdded_) return;
  NOTIFYICONDATAW data{};
  data.cbSize = kTrayIconRecordSize;
  // The icon is known by the window it was added with, which is gone by the time the object is.
  data.hWnd = trayWindow_;
  data.uID = kTrayIconId;
  ::Shell_NotifyIconW(NIM_DELETE, &data);
  trayIconAdded_ = false;
}

void PlayerDialog::SendTaskbarCommand(UINT command) const {
  HWND taskbar = ::FindWindowW(L"Shell_TrayWnd", nullptr);
  if (taskbar) ::SendMessageW(taskbar, WM_COMMAND, command, 0);
}

void PlayerDialog::NotifyPreloader() {
  if (preloaderMailslot_ == INVALID_HANDLE_VALUE) return;
  DWORD value = static_cast<DWORD>(reinterpret_cast<uintptr_t>(preloaderMailslot_));
  DWORD written = 0;
  ::WriteFile(preloaderMailslot_, &value, sizeof(value), &written, nullptr);
  ::CloseHandle(preloaderMailslot_);
  preloaderMailslot_ = INVALID_HANDLE_VALUE;
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
  auto& window = document_.data().window;
  if (window.taskbarCommand && window.taskbarCommandAtClose) SendTaskbarCommand(kUndoMinimizeAll);
  EndDialog(IDCANCEL);
}

bool PlayerDialog::OnDestroy() {
  ::KillTimer(m_hWnd, kTimerId);
  RemoveTrayIcon();
  ReleaseFSCommandBridge();
  FSCommandLog& log = FSCommandLog::Instance();
  log.FreeResourceLibrary();
  log.registry().FreeLibraries();
  log.DeleteImageWindows();
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
  return false;
}

bool PlayerDialog::OnMessage(UINT msg, WPARAM, LPARAM, LRESULT*) {
  if (msg == WM_EXITSIZEMOVE) {
    if (contentView_.m_hWnd) ::SendMessageW(contentView_.m_hWnd, WM_EXITSIZEMOVE, 0, 0);
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    dragRegion_->SetViewSize(client.right, client.bottom);
    overlay_.Relayout();
  }
  return false;
}

bool PlayerDialog::OnCommand(WPARAM wp, LPARAM) {
  const UINT command = LOWORD(wp);
  switch (command) {
    case 600:
    case 601:
    case 602:
      quality_ = static_cast<int>(602 - command);
      contentView_.SetQuality(quality_);
      return true;
    case 603: {
      bool onTop = GetExStyle() & WS_EX_TOPMOST;
      ::SetWindowPos(m_hWnd, onTop ? HWND_NOTOPMOST : HWND_TOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOREDRAW);
      return true;
    }
    case 604:
    case 605:
    case 616: {
      if (command == 604) zoom_.ZoomIn();
      if (command == 605) zoom_.ZoomOut();
      if (command == 616) zoom_.ShowAll();
      player::Size stage{currentItem_.width, currentItem_.height};
      player::Point mouse{stage.width / 2, stage.height / 2};
      if (contentView_.kind() == ContentView::kFlash) {
        POINT m = contentView_.flashHost().GetMovieMouse();
        mouse = {m.x, m.y};
      }
      player::Rect z = command == 616 ? player::Rect{0, 0, stage.width, stage.height} : zoom_.ZoomRect(stage, mouse);
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
      return true;
    }
    case 607:
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
      return true;
    case 608:
      if (contentView_.kind() == ContentView::kFlash)
        contentView_.flashHost().SetLoop(!contentView_.flashHost().GetLoop());
      return true;
    case 609:
      if (contentView_.kind() == ContentView::kFlash) {
        contentView_.flashHost().Rewind();
        contentView_.flashHost().StopPlay();
      }
      return true;
    case 610:
      if (contentView_.kind() == ContentView::kFlash) contentView_.flashHost().Forward();
      return true;
    case 611:
      if (contentView_.kind() == ContentView::kFlash) contentView_.flashHost().Back();
      return true;
    case 612:
      SendMessage(WM_SYSCOMMAND, SC_MAXIMIZE);
      return true;
    case 613:
      SendMessage(WM_SYSCOMMAND, SC_MINIMIZE);
      return true;
    case 614:
      PostMessage(WM_SYSCOMMAND, SC_RESTORE);
      return true;
    case 615:
      OnCancel();
      return true;
    default:
      return false;
  }
}

void PlayerDialog::ShowContextMenu() {
  if (!contextMenu_) return;
  player::MenuInput in;
  const auto& about = document_.data().about;
  in.values1to5 = {about.menuMaximize, about.menuMinimize, about.menuRestore, about.menuAlwaysOnTop, about.menuExit};
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

bool PlayerDialog::InsideDragArea() const {
  if (dragging_) return true;
  POINT cursor;
  ::GetCursorPos(&cursor);
  ::ScreenToClient(m_hWnd, &cursor);
  return dragRegion_->HitTest(cursor.x, cursor.y);
}

void PlayerDialog::Move(const MSG& msg) {
  POINT cursor;
  ::GetCursorPos(&cursor);
  RECT r;
  ::GetWindowRect(m_hWnd, &r);
  switch (msg.message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
      ::SetCapture(m_hWnd);
      dragging_ = true;
      dragOffsetX_ = r.left - cursor.x;
      dragOffsetY_ = r.top - cursor.y;
      break;
    case WM_MOUSEMOVE:
      if (!dragging_) break;
      if (dragOffsetX_ == kDragSentinel || dragOffsetY_ == kDragSentinel) {
        dragOffsetX_ = r.left - cursor.x;
        dragOffsetY_ = r.top - cursor.y;
      }
      {
        int x = cursor.x + dragOffsetX_, y = cursor.y + dragOffsetY_;
        int w = r.right - r.left, h = r.bottom - r.top;
        layeredRect_ = {x, y, x + w, y + h};
        ::MoveWindow(m_hWnd, x, y, w, h, TRUE);
      }
      break;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
      dragOffsetX_ = dragOffsetY_ = kDragSentinel;
      ::ReleaseCapture();
      dragging_ = false;
      break;
    default:
      break;
  }
}

bool PlayerDialog::LeftButtonRule(const MSG& msg, bool release) {
  switch (document_.data().control.leftButtonMode) {
    case 0:
      if (!InsideDragArea()) return false;
      if (!release) ::SetCursor(::LoadCursorW(nullptr, IDC_SIZEALL));
      Move(msg);
      return true;
    case 1:
      Move(msg);
      return true;
    case 2:
      Move(msg);
      return false;
    default:
      return true;
  }
}

bool PlayerDialog::RightButtonRule(const MSG& msg, bool release) {
  switch (document_.data().control.rightButtonMode) {
    case 0:
      return false;
    case 1:
      if (!release) ShowContextMenu();
      return true;
    case 2:
      Move(msg);
      return true;
    default:
      return true;
  }
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
  bool mouseRules = !ShowsTransparentMovie();
  if (mouseRules) {
    switch (msg->message) {
      case WM_MOUSEMOVE:
        if (msg->wParam & MK_LBUTTON) {
          if (LeftButtonRule(*msg, false)) return TRUE;
        } else if (msg->wParam & MK_RBUTTON) {
          if (RightButtonRule(*msg, false)) return TRUE;
        } else if (InsideDragArea()) {
          ::SetCursor(::LoadCursorW(nullptr, IDC_SIZEALL));
          return TRUE;
        }
        break;
      case WM_LBUTTONDOWN:
      case WM_LBUTTONDBLCLK: {
        POINT cursor;
        ::GetCursorPos(&cursor);
        RECT r;
        ::GetWindowRect(m_hWnd, &r);
        if (!::PtInRect(&r, cursor)) return TRUE;
        if (LeftButtonRule(*msg, false)) return TRUE;
        break;
      }
      case WM_LBUTTONUP:
        if (LeftButtonRule(*msg, true)) return TRUE;
        break;
      case WM_RBUTTONDOWN:
        if (RightButtonRule(*msg, false)) return TRUE;
        break;
      case WM_RBUTTONUP:
        if (RightButtonRule(*msg, true)) return TRUE;
        break;
      default:
        break;
    }
  }
  return framework::CDialog::PreTranslateMessage(msg);
}

}  // namespace projector
