#include "flash_cview.h"

#include <cwchar>

#include "framework/app.h"
#include "framework/occ.h"
#include "fscommand/fscommand_bridge.h"
#include "swfplayer/control/orvatool_dispids.h"
#include "transparent/occ_container_ex.h"

namespace projector {

namespace {

constexpr wchar_t kViewClass[] = L"BrindleworkLayeredView";

HWND MainWindow() {
  framework::CWinApp* app = framework::AfxGetApp();
  return app && app->m_pMainWnd ? app->m_pMainWnd->m_hWnd : nullptr;
}

// The movie variables of the transparent control: results of commands are written through its SetVariable.
class TranspMovieVariables : public MovieVariables {
 public:
  explicit TranspMovieVariables(TranspFlashOcx* control) : control_(control) {}
  void SetVariable(const std::wstring& name, const std::wstring& value) override {
    if (control_) control_->SetVariable(name, value);
  }

 private:
  TranspFlashOcx* control_;
};

}  // namespace

FlashCView::FlashCView() : renderer(DisplayColourDepth() == 32) {}

FlashCView::~FlashCView() = default;

bool& FlashCView::SendWindowHandle() {
  static bool send = true;
  return send;
}

bool FlashCView::CreateView(framework::CWnd* popup) {
  if (!popup || !popup->m_hWnd) return false;
  WNDCLASSEXW wc{};
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = ::DefWindowProcW;
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kViewClass;
  if (!framework::RegisterWindowClass(wc)) return false;
  RECT client;
  ::GetClientRect(popup->m_hWnd, &client);
  // No client edge: the control and every render cover the popup from (0, 0), so the view's client coordinates,
  // in which the control takes the mouse, are the popup's.
  if (!CreateEx(0, kViewClass, L"", WS_CHILD | WS_VISIBLE, client, popup->m_hWnd,
                reinterpret_cast<HMENU>(static_cast<INT_PTR>(kViewId))))
    return false;
  ::ShowWindow(m_hWnd, SW_SHOWNORMAL);
  ::MoveWindow(m_hWnd, 0, 0, client.right, client.bottom, TRUE);
  return true;
}

bool FlashCView::InitTransparency(framework::CWnd* popup, const RECT& rect) {
  HMODULE user32 = ::LoadLibraryW(L"user32.dll");
  if (!user32) return false;
  user32_.reset(user32);
  updateLayeredWindow = reinterpret_cast<UpdateLayeredWindowFn>(::GetProcAddress(user32, "UpdateLayeredWindow"));
  if (!updateLayeredWindow) return false;
  frame = popup;
  if (!m_ctrl.m_hWnd && !m_ctrl.GetControlSite()) {
    RECT area{0, 0, rect.right - rect.left, rect.bottom - rect.top};
    if (!m_ctrl.CreateControl(TranspFlashOcx::kProgId, nullptr, WS_VISIBLE, area, this, 0)) return false;
  }
  // A control that made a window of its own cannot be drawn into the popup.
  if (m_ctrl.m_hWnd) return false;
  control = &m_ctrl;
  return true;
}

HWND FlashCView::PopupWindow() const {
  if (frame && frame->m_hWnd) return frame->m_hWnd;
  return m_hWnd ? ::GetParent(m_hWnd) : nullptr;
}

void FlashCView::OnDraw() {
  auto* container = dynamic_cast<COleControlContainerEx*>(m_pCtrlCont);
  if (!container || !updateLayeredWindow) return;
  renderer.Render(PopupWindow(), updateLayeredWindow, [container](HDC dc) { container->DrawWindowlessControls(dc); });
}

bool FlashCView::OnPaint() {
  PAINTSTRUCT paint;
  ::BeginPaint(m_hWnd, &paint);
  // The whole popup is drawn every time, whatever part was invalidated.
  OnDraw();
  ::EndPaint(m_hWnd, &paint);
  return true;
}

bool FlashCView::OnEraseBkgnd(HDC, LRESULT* result) {
  *result = 1;
  return true;
}

bool FlashCView::OnMessage(UINT msg, WPARAM, LPARAM, LRESULT*) {
  if (msg == WM_SYSCOLORCHANGE || msg == WM_DISPLAYCHANGE) renderer.OnDisplayChange(DisplayColourDepth() == 32);
  return false;
}

void FlashCView::Notify(int kind) {
  notify.kind = kind;
  if (listener) listener->OnDragNotify(&notify);
}

BOOL FlashCView::PreTranslateMessage(MSG* msg) {
  // Called from the message loop for every message of the view; the player's answers must not end that loop.
  try {
    return RouteMessage(msg);
  } catch (...) {
    return FALSE;
  }
}

BOOL FlashCView::RouteMessage(MSG* msg) {
  if (!msg || msg->hwnd != m_hWnd) return framework::CWnd::PreTranslateMessage(msg);
  if (!listenerQueried) {
    if (!listener) return framework::CWnd::PreTranslateMessage(msg);
    notify.frame = frame;
    Notify(DragNotify::kQueryModes);
    listenerQueried = true;
  }
  switch (RouteMouseMessage(msg->message, notify.leftMode, notify.rightMode)) {
    case MouseRoute::kWithhold:
      return TRUE;
    case MouseRoute::kDragCursor:
      return DragCursor() ? TRUE : framework::CWnd::PreTranslateMessage(msg);
    case MouseRoute::kDragMove:
      if (DragMove(*msg)) return TRUE;
      return DragCursor() ? TRUE : framework::CWnd::PreTranslateMessage(msg);
    case MouseRoute::kContextMenu:
      Notify(DragNotify::kContextMenu);
      return TRUE;
    case MouseRoute::kPass:
    default:
      return framework::CWnd::PreTranslateMessage(msg);
  }
}

BOOL FlashCView::DragCursor() {
  if (notify.leftMode != 0 || !OverDragArea()) return FALSE;
  ::SetCursor(::LoadCursorW(nullptr, IDC_SIZEALL));
  return TRUE;
}

bool FlashCView::OverDragArea() {
  if (captured) return true;
  HWND popup = PopupWindow();
  if (!popup || !bridge_) return false;
  POINT cursor;
  if (!::GetCursorPos(&cursor) || !::ScreenToClient(popup, &cursor)) return false;
  return bridge_->dragRegion().HitTest(cursor.x, cursor.y);
}

BOOL FlashCView::DragMove(const MSG& msg) {
  HWND popup = PopupWindow();
  if (!popup) return FALSE;
  bool left = (msg.wParam & MK_LBUTTON) != 0;
  bool right = (msg.wParam & MK_RBUTTON) != 0;
  DragStep step = DecideDragStep(left, right, notify.leftMode, notify.rightMode, captured,
                                 [this] { return OverDragArea(); });
  if (step == DragStep::kSwallow) return TRUE;
  RECT window;
  POINT cursor;
  if (!::GetWindowRect(popup, &window) || !::GetCursorPos(&cursor)) return FALSE;
  bool dragsOverArea = left && notify.leftMode == 0;
  switch (step) {
    case DragStep::kStart:
      if (dragsOverArea) ::SetCursor(::LoadCursorW(nullptr, IDC_SIZEALL));
      captured = true;
      ::SetCapture(m_hWnd);
      dragOffset = {window.left - cursor.x, window.top - cursor.y};
      return TRUE;
    case DragStep::kMove: {
      if (dragsOverArea) ::SetCursor(::LoadCursorW(nullptr, IDC_SIZEALL));
      if (dragOffset.x == kUnsetOffset && dragOffset.y == kUnsetOffset)
        dragOffset = {window.left - cursor.x, window.top - cursor.y};
      int w = window.right - window.left, h = window.bottom - window.top;
      int x = cursor.x + dragOffset.x, y = cursor.y + dragOffset.y;
      ::MoveWindow(popup, x, y, w, h, TRUE);
      notify.rect = {x, y, x + w, y + h};
      Notify(DragNotify::kMoved);
      return TRUE;
    }
    case DragStep::kEnd:
      dragOffset = {kUnsetOffset, kUnsetOffset};
      captured = false;
      ::ReleaseCapture();
      return TRUE;
    default:
      dragOffset = {kUnsetOffset, kUnsetOffset};
      return FALSE;
  }
}

void FlashCView::OnFSCommand(const std::wstring& command, const std::wstring& args) {
  TranspMovieVariables movie(control ? control : &m_ctrl);
  CommandSource source{&movie, nullptr, true};
  bool& sendHandle = SendWindowHandle();
  if (sendHandle) {
    sendHandle = false;
    wchar_t handle[16];
    std::swprintf(handle, 16, L"%d", static_cast<int>(reinterpret_cast<INT_PTR>(MainWindow())));
    if (bridge_) bridge_->Dispatch(source, L"WindowSetHandle", handle);
  }
  if (bridge_) bridge_->Dispatch(source, command, args);
}

void FlashCView::OnReadyStateChange(long state) {
  if (state == 4) loaded = true;
}

const framework::EventSinkEntry* FlashCView::GetEventSinkMap(size_t* count) const {
  static const framework::EventSinkEntry entries[] = {
      framework::OnEvent<&FlashCView::OnFSCommand>(0, orvatool::kFSCommand),
      framework::OnEvent<&FlashCView::OnReadyStateChange>(0, orvatool::kReadyStateChange),
  };
  *count = sizeof(entries) / sizeof(entries[0]);
  return entries;
}

}  // namespace projector
