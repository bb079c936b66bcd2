#include "player_frame.h"

#include <vector>

#include "shell/movie_document.h"

namespace projector {

namespace {

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

void PlayerFrame::ModifyStyle(DWORD remove, DWORD add) {
  DWORD style = (static_cast<DWORD>(::GetWindowLongPtrW(window_, GWL_STYLE)) & ~remove) | add;
  ::SetWindowLongPtrW(window_, GWL_STYLE, static_cast<LONG_PTR>(style));
  ::SetWindowPos(window_, nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void PlayerFrame::ModifyStyleEx(DWORD remove, DWORD add) {
  DWORD style = (static_cast<DWORD>(::GetWindowLongPtrW(window_, GWL_EXSTYLE)) & ~remove) | add;
  ::SetWindowLongPtrW(window_, GWL_EXSTYLE, static_cast<LONG_PTR>(style));
  ::SetWindowPos(window_, nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

player::Size PlayerFrame::FrameSize() const {
  RECT window, client;
  ::GetWindowRect(window_, &window);
  ::GetClientRect(window_, &client);
  return {(window.right - window.left) - client.right, (window.bottom - window.top) - client.bottom};
}

player::Size PlayerFrame::PlacementArea() const {
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

HRGN PlayerFrame::SizeWindow(player::Size stage) {
  const auto& data = document_.data();
  const auto& size = data.size;
  const auto& window = data.window;

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
  in.stage = stage;
  in.percentage = size.percentage;
  in.area = PlacementArea();
  in.frame = FrameSize();
  in.convertClientToWindow = captionStyle_ == 1 && window.shapeKind == 0;

  if (in.sizeMode == 3) {
    ModifyStyle(WS_CAPTION | WS_THICKFRAME, 0);
    ModifyStyleEx(WS_EX_CLIENTEDGE, 0);
    if (transparent_) {
      ::MoveWindow(window_, 0, 0, in.area.width, in.area.height, FALSE);
    } else {
      ::MoveWindow(window_, -1, -1, ::GetSystemMetrics(SM_CXSCREEN) + 2, ::GetSystemMetrics(SM_CYSCREEN) + 2, FALSE);
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
    ::MoveWindow(window_, at.x, at.y, w.width, w.height, FALSE);
  }
  if (size.initialState == 1) ::SendMessageW(window_, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  if (size.initialState == 2) ::SendMessageW(window_, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  return ApplyOutline();
}

player::Size PlayerFrame::OutlineSize() const {
  // A minimised window's rectangle is its icon's: the outline belongs to the window as it is restored.
  if (::IsIconic(window_)) {
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    if (::GetWindowPlacement(window_, &placement)) {
      const RECT& r = placement.rcNormalPosition;
      return {r.right - r.left, r.bottom - r.top};
    }
  }
  RECT r;
  ::GetWindowRect(window_, &r);
  return {r.right - r.left, r.bottom - r.top};
}

HRGN PlayerFrame::ApplyOutline() {
  const auto& window = document_.data().window;
  player::Size size = OutlineSize();
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
  if (region && !::SetWindowRgn(window_, region, FALSE)) ::DeleteObject(region);
  if (!transparent_) return nullptr;
  HRGN copy = ::CreateRectRgn(0, 0, 0, 0);
  if (::GetWindowRgn(window_, copy) == ERROR) {
    RECT client;
    ::GetClientRect(window_, &client);
    // A transparent player has no frame: while minimised its restored client is its whole restored window.
    if (::IsIconic(window_)) client = {0, 0, size.width, size.height};
    ::SetRectRgn(copy, 0, 0, client.right, client.bottom);
  }
  return copy;
}

}  // namespace projector
