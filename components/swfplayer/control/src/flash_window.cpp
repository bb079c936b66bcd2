// The control's own window: made on in-place activation, it paints the movie, runs the frame timer and passes
// the mouse and the keys to the movie.
#include "flash_object.h"
#include "movie_support.h"

namespace swfcontrol {
namespace {

constexpr wchar_t kWindowClass[] = L"SwfPlayerControlWindow";

bool RegisterWindowClass() {
  static bool registered = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ModuleHandle();
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kWindowClass;
    return ::RegisterClassExW(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  }();
  return registered;
}

}  // namespace

void FlashObject::RestartTimer() {
  if (!hwnd_) return;
  ::KillTimer(hwnd_, kFrameTimer);
  if (!host_->Loaded()) return;
  ::SetTimer(hwnd_, kFrameTimer, FrameInterval(host_->FrameRate()), nullptr);
}

void FlashObject::Invalidate() {
  if (hwnd_) ::InvalidateRect(hwnd_, nullptr, FALSE);
  NotifyViewChange();
}

LRESULT CALLBACK FlashObject::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  try {
    auto* self = reinterpret_cast<FlashObject*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return ::DefWindowProcW(hwnd, msg, wp, lp);
    return self->OnMessage(msg, wp, lp);
  } catch (...) {
    return ::DefWindowProcW(hwnd, msg, wp, lp);
  }
}

LRESULT FlashObject::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  HWND hwnd = hwnd_;
  RECT client;
  ::GetClientRect(hwnd, &client);
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = ::BeginPaint(hwnd, &ps);
      view_->Draw(dc, client);
      ::EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_TIMER:
      if (wp == kFrameTimer) {
        AddRef();
        host_->Tick();
        Invalidate();
        Release();
        return 0;
      }
      break;
    case WM_SIZE:
      ::InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_SETCURSOR:
      if (LOWORD(lp) == HTCLIENT) {
        ::SetCursor(::LoadCursorW(nullptr, view_->OverButton() ? IDC_HAND : IDC_ARROW));
        return TRUE;
      }
      break;
    case WM_GETDLGCODE:
      // The movie takes arrows and typed characters when it has the focus; Tab and Esc stay with the dialog.
      return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
      AddRef();
      if (view_->OnKeyMessage(msg, wp, lp)) Invalidate();
      Release();
      if (msg == WM_SYSKEYDOWN || msg == WM_SYSKEYUP) break;
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      // A click gives the movie the keyboard, as the player does.
      ::SetFocus(hwnd);
      ::SetCapture(hwnd);
      [[fallthrough]];
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP:
      AddRef();
      if (view_->OnMouseMessage(msg, lp, client)) Invalidate();
      if (msg == WM_LBUTTONUP && ::GetCapture() == hwnd) ::ReleaseCapture();
      Release();
      return 0;
    default:
      break;
  }
  return ::DefWindowProcW(hwnd, msg, wp, lp);
}

HRESULT FlashObject::InPlaceActivate(IOleClientSite* site, bool show) {
  if (hwnd_) {
    ::ShowWindow(hwnd_, show ? SW_SHOWNA : SW_HIDE);
    return S_OK;
  }
  if (!site) site = clientSite_;
  if (!site) return E_INVALIDARG;
  IOleInPlaceSite* ipSite = nullptr;
  if (FAILED(site->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(&ipSite)))) return E_NOINTERFACE;
  if (ipSite->CanInPlaceActivate() != S_OK) {
    ipSite->Release();
    return E_FAIL;
  }
  ipSite->OnInPlaceActivate();
  HWND parent = nullptr;
  ipSite->GetWindow(&parent);
  IOleInPlaceFrame* frame = nullptr;
  IOleInPlaceUIWindow* doc = nullptr;
  RECT pos{}, clip{};
  OLEINPLACEFRAMEINFO info{};
  info.cb = sizeof(info);
  if (SUCCEEDED(ipSite->GetWindowContext(&frame, &doc, &pos, &clip, &info))) {
    if (frame) frame->Release();
    if (doc) doc->Release();
  }
  if (!parent || !RegisterWindowClass()) {
    ipSite->OnInPlaceDeactivate();
    ipSite->Release();
    return E_FAIL;
  }
  pos_ = pos;
  hwnd_ = ::CreateWindowExW(0, kWindowClass, L"", WS_CHILD | WS_CLIPSIBLINGS | (show ? WS_VISIBLE : 0), pos.left,
                            pos.top, pos.right - pos.left, pos.bottom - pos.top, parent, nullptr, ModuleHandle(),
                            nullptr);
  if (!hwnd_) {
    ipSite->OnInPlaceDeactivate();
    ipSite->Release();
    return E_FAIL;
  }
  ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  ::SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&FlashObject::WindowProc));
  inPlaceSite_ = ipSite;
  RestartTimer();
  return S_OK;
}

}  // namespace swfcontrol
