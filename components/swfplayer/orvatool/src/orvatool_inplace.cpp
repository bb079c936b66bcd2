// In-place activation without a window: the windowless site, the frame clock, and input from the container.
#include "orvatool_object.h"

#include "movie_support.h"

namespace orvatool {

namespace {

constexpr wchar_t kClockClass[] = L"OrvatoolFrameClock";
constexpr UINT_PTR kFrameTimer = 1;

bool RegisterClockClass() {
  static bool registered = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ModuleHandle();
    wc.lpszClassName = kClockClass;
    return ::RegisterClassExW(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  }();
  return registered;
}

}  // namespace

// ---- FrameClock ----

FrameClock::~FrameClock() {
  Stop();
  if (hwnd_) {
    ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    ::DestroyWindow(hwnd_);
  }
}

bool FrameClock::Start(UINT interval, void (*tick)(void*), void* context) {
  if (!hwnd_) {
    if (!RegisterClockClass()) return false;
    hwnd_ = ::CreateWindowExW(0, kClockClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, ModuleHandle(), nullptr);
    if (!hwnd_) return false;
    ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    ::SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&FrameClock::WindowProc));
  }
  tick_ = tick;
  context_ = context;
  running_ = ::SetTimer(hwnd_, kFrameTimer, interval, nullptr) != 0;
  return running_;
}

void FrameClock::Stop() {
  if (hwnd_ && running_) ::KillTimer(hwnd_, kFrameTimer);
  running_ = false;
}

LRESULT CALLBACK FrameClock::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  try {
    auto* self = reinterpret_cast<FrameClock*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self && msg == WM_TIMER && wp == kFrameTimer) {
      if (self->running_ && self->tick_) self->tick_(self->context_);
      return 0;
    }
    return ::DefWindowProcW(hwnd, msg, wp, lp);
  } catch (...) {
    return 0;
  }
}

// ---- activation ----

HRESULT OrvatoolObject::ActivateWindowless(IOleClientSite* site) {
  if (site_) {
    Invalidate();
    return S_OK;
  }
  if (!site) site = clientSite_.get();
  if (!site) return E_INVALIDARG;
  framework::ComPtr<IOleInPlaceSiteWindowless> windowless;
  if (FAILED(windowless.QueryFrom(site, IID_IOleInPlaceSiteWindowless))) return E_NOINTERFACE;
  // Without a window of its own the control can only live in a site that hosts it windowless.
  if (windowless->CanInPlaceActivate() != S_OK || windowless->CanWindowlessActivate() != S_OK) return E_FAIL;
  BOOL noRedraw = FALSE;
  HRESULT hr = windowless->OnInPlaceActivateEx(&noRedraw, ACTIVATE_WINDOWLESS);
  if (FAILED(hr)) return hr;
  framework::ComPtr<IOleInPlaceFrame> frame;
  framework::ComPtr<IOleInPlaceUIWindow> document;
  RECT pos{}, clip{};
  OLEINPLACEFRAMEINFO info{};
  info.cb = sizeof(info);
  if (SUCCEEDED(windowless->GetWindowContext(frame.put(), document.put(), &pos, &clip, &info))) pos_ = pos;
  site_ = std::move(windowless);
  RestartClock();
  if (!noRedraw) Invalidate();
  return S_OK;
}

STDMETHODIMP OrvatoolObject::GetWindow(HWND* hwnd) {
  if (!hwnd) return E_POINTER;
  *hwnd = nullptr;
  return E_FAIL;
}

STDMETHODIMP OrvatoolObject::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }

STDMETHODIMP OrvatoolObject::InPlaceDeactivate() {
  try {
    clock_.Stop();
    if (site_) {
      framework::ComPtr<IOleInPlaceSiteWindowless> site = std::move(site_);
      if (site->GetCapture() == S_OK) site->SetCapture(FALSE);
      if (site->GetFocus() == S_OK) site->SetFocus(FALSE);
      site->OnInPlaceDeactivateEx(TRUE);
    }
    return S_OK;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

STDMETHODIMP OrvatoolObject::UIDeactivate() { return S_OK; }

STDMETHODIMP OrvatoolObject::SetObjectRects(LPCRECT pos, LPCRECT) {
  if (!pos) return E_POINTER;
  pos_ = *pos;
  Invalidate();
  return S_OK;
}

STDMETHODIMP OrvatoolObject::ReactivateAndUndo() { return E_NOTIMPL; }

STDMETHODIMP OrvatoolObject::GetDropTarget(IDropTarget** target) {
  if (target) *target = nullptr;
  return E_NOTIMPL;
}

// ---- the clock and redrawing ----

void OrvatoolObject::RestartClock() {
  clock_.Stop();
  if (!site_ || !host_->Loaded()) return;
  clock_.Start(swfcontrol::FrameInterval(host_->FrameRate()), &OrvatoolObject::OnClockTick, this);
}

void OrvatoolObject::OnClockTick(void* context) {
  auto* self = static_cast<OrvatoolObject*>(context);
  // A sink called from the movie's scripts may release the control.
  auto alive = framework::ComPtr<IDispatch>::AddRefFrom(self);
  self->host_->Tick();
  // A still picture costs the container nothing: it is asked to redraw only when the frame looks different.
  if (self->picture_.Changed(*self->host_)) self->Invalidate();
}

void OrvatoolObject::Invalidate() {
  if (site_) site_->InvalidateRect(nullptr, FALSE);
  NotifyViewChange();
}

// ---- input ----

HRESULT OrvatoolObject::OnMouseMessage(UINT msg, LPARAM lp) {
  if (msg == WM_LBUTTONDOWN || msg == WM_LBUTTONDBLCLK) {
    // The press belongs to the movie until the button is released, wherever the mouse goes; a click gives the
    // movie the keyboard, as the player does.
    if (site_->GetCapture() != S_OK) site_->SetCapture(TRUE);
    if (site_->GetFocus() != S_OK) site_->SetFocus(TRUE);
  }
  bool taken = view_->OnMouseMessage(msg, lp, pos_);
  if (msg == WM_LBUTTONUP && site_ && site_->GetCapture() == S_OK) site_->SetCapture(FALSE);
  if (taken) Invalidate();
  return taken ? S_OK : S_FALSE;
}

STDMETHODIMP OrvatoolObject::OnWindowMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
  try {
    if (result) *result = 0;
    if (!site_) return S_FALSE;
    auto alive = framework::ComPtr<IDispatch>::AddRefFrom(this);
    HRESULT hr = S_FALSE;
    switch (msg) {
      case WM_MOUSEMOVE:
      case WM_LBUTTONDOWN:
      case WM_LBUTTONDBLCLK:
      case WM_LBUTTONUP:
        hr = OnMouseMessage(msg, lp);
        break;
      case WM_SETCURSOR:
        if (view_->OverButton()) {
          ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
          if (result) *result = TRUE;
          hr = S_OK;
        }
        break;
      case WM_KEYDOWN:
      case WM_KEYUP:
      case WM_SYSKEYDOWN:
      case WM_SYSKEYUP:
        if (view_->OnKeyMessage(msg, wp, lp)) {
          Invalidate();
          // System keys still reach the container, so that its menu keys keep working.
          hr = msg == WM_KEYDOWN || msg == WM_KEYUP ? S_OK : S_FALSE;
        }
        break;
      default:
        break;
    }
    return hr;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

}  // namespace orvatool
