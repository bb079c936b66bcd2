#include "transp_frame_wnd.h"

#include "framework/app.h"

namespace projector {

namespace {

constexpr wchar_t kPopupClass[] = L"BrindleworkLayeredPlayer";

HWND MainWindow() {
  framework::CWinApp* app = framework::AfxGetApp();
  return app && app->m_pMainWnd ? app->m_pMainWnd->m_hWnd : nullptr;
}

}  // namespace

TranspFrameWnd::TranspFrameWnd() = default;

TranspFrameWnd::~TranspFrameWnd() {
  // The view is a child of the popup: the window goes first, then the objects.
  if (m_hWnd && ::IsWindow(m_hWnd)) ::DestroyWindow(m_hWnd);
  view.reset();
}

bool TranspFrameWnd::Create(const RECT& rect) {
  WNDCLASSEXW wc{};
  wc.style = CS_BYTEALIGNCLIENT;
  wc.lpfnWndProc = ::DefWindowProcW;
  wc.hCursor = ::LoadCursorW(nullptr, IDC_SIZEALL);
  wc.lpszClassName = kPopupClass;
  if (!framework::RegisterWindowClass(wc)) return false;
  if (!m_hWnd && !CreateEx(WS_EX_LAYERED, kPopupClass, L"", WS_POPUP | WS_VISIBLE, rect, MainWindow(), nullptr))
    return false;
  if (!view) view = std::make_unique<FlashCView>();
  if (!view->m_hWnd && !view->CreateView(this)) return false;
  if (!view->InitTransparency(this, rect)) return false;
  control = view->control;
  return true;
}

void TranspFrameWnd::ResetLoaded() {
  if (view) view->loaded = false;
}

void TranspFrameWnd::SetDragListener(DragListener* listener) {
  if (view) view->SetDragListener(listener);
}

void TranspFrameWnd::SetBridge(FSCommandBridge* bridge) {
  if (view) view->SetBridge(bridge);
}

bool TranspFrameWnd::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT*) {
  // Only top-level windows hear of colour and display changes; the view renders and must know.
  if ((msg == WM_SYSCOLORCHANGE || msg == WM_DISPLAYCHANGE) && view && view->m_hWnd)
    ::SendMessageW(view->m_hWnd, msg, wp, lp);
  return false;
}

}  // namespace projector
