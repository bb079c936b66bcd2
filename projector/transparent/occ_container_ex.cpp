// The extended container: creating controls that may be windowless, routing the container window's input to
// them, drawing them, and the in-place frame they see.
#include "transparent/occ_container_ex.h"

#include <vector>

#include "framework/app.h"
#include "transparent/occ_site_ex.h"

namespace projector {

namespace {

// The container window's procedure from before the subclassing, kept on the window itself so that messages
// arriving after the window object let go of the window still reach it.
constexpr wchar_t kPreviousProcProperty[] = L"FrameworkWindowlessPreviousProc";

constexpr UINT kSetMessageString = 0x0362;

bool IsKeyboardMessage(UINT msg) {
  return (msg >= WM_KEYFIRST && msg <= WM_IME_KEYLAST) || msg == WM_CANCELMODE || msg == WM_HELP;
}

bool IsMouseMessage(UINT msg) { return (msg >= WM_MOUSEMOVE && msg <= WM_MBUTTONDBLCLK) || msg == WM_SETCURSOR; }

// The windowless sites of the table in its order, taken before any of them is called back.
std::vector<COleControlSiteEx*> WindowlessSites(const std::map<HWND, framework::COleControlSite*>& table) {
  std::vector<COleControlSiteEx*> sites;
  for (const auto& [key, site] : table) {
    if (!COleControlSiteEx::IsPseudoHandle(key)) continue;
    if (auto* extended = dynamic_cast<COleControlSiteEx*>(site)) sites.push_back(extended);
  }
  return sites;
}

}  // namespace

COleControlContainerEx::COleControlContainerEx(framework::CWnd* wnd) : framework::COleControlContainer(wnd) {
  m_xOleIPFrameEx.self = this;
}

COleControlContainerEx::~COleControlContainerEx() {
  // The sites go while the container is still this class, so that each one can leave focusSite and captureSite.
  while (!m_siteMap.empty()) DestroySite(m_siteMap.begin()->second);
  captureSite = nullptr;
  focusSite = nullptr;
}

void COleControlContainerEx::NotifyAmbientChange(DISPID dispid) {
  std::vector<COleControlSiteEx*> sites;
  for (const auto& entry : m_siteMap)
    if (auto* extended = dynamic_cast<COleControlSiteEx*>(entry.second)) sites.push_back(extended);
  for (COleControlSiteEx* site : sites) site->OnAmbientPropertyChange(dispid);
}

BOOL COleControlContainerEx::CreateControlEx(framework::CWnd* wndCtrl, REFCLSID clsid, const wchar_t* windowName,
                                             DWORD style, const RECT& rect, UINT id, framework::CFile* persist,
                                             BOOL storage, BSTR licenseKey) {
  return CreateSiteAndControl(wndCtrl, clsid, windowName, style, rect, id, persist, storage, licenseKey, nullptr);
}

BOOL COleControlContainerEx::CreateControl(framework::CWnd* wndCtrl, REFCLSID clsid, const wchar_t* windowName,
                                           DWORD style, const RECT& rect, UINT id, framework::CFile* persist,
                                           BOOL storage, BSTR licenseKey, framework::COleControlSite** siteOut) {
  return CreateSiteAndControl(wndCtrl, clsid, windowName, style, rect, id, persist, storage, licenseKey, siteOut);
}

BOOL COleControlContainerEx::CreateSiteAndControl(framework::CWnd* wndCtrl, REFCLSID clsid, const wchar_t* windowName,
                                                  DWORD style, const RECT& rect, UINT id, framework::CFile* persist,
                                                  BOOL storage, BSTR licenseKey,
                                                  framework::COleControlSite** siteOut) {
  framework::COleControlSite* site = nullptr;
  try {
    site = framework::AfxGetControlManager()->CreateSite(this);
  } catch (...) {
    site = nullptr;
  }
  if (!site) return FALSE;
  auto* extended = dynamic_cast<COleControlSiteEx*>(site);
  HRESULT hr = extended
                   ? extended->CreateControlEx(wndCtrl, clsid, windowName, style, rect, id, persist, storage, licenseKey)
                   : site->CreateControl(wndCtrl, clsid, windowName, style, rect, id, persist, storage, licenseKey);
  if (FAILED(hr)) {
    delete site;
    return FALSE;
  }
  m_siteMap[site->m_hWnd] = site;
  if (extended && (extended->activateFlags & ACTIVATE_WINDOWLESS) && !previousWindowProc) SubclassContainerWindow();
  if (siteOut) *siteOut = site;
  return TRUE;
}

void COleControlContainerEx::SubclassContainerWindow() {
  HWND hwnd = Window();
  if (!hwnd) return;
  previousWindowProc = reinterpret_cast<WNDPROC>(::SetWindowLongPtrW(
      hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&COleControlContainerEx::WindowlessSubclassProc)));
  ::SetPropW(hwnd, kPreviousProcProperty, reinterpret_cast<HANDLE>(previousWindowProc));
}

LRESULT CALLBACK COleControlContainerEx::WindowlessSubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto previous = reinterpret_cast<WNDPROC>(::GetPropW(hwnd, kPreviousProcProperty));
  try {
    if (msg == WM_NCDESTROY) ::RemovePropW(hwnd, kPreviousProcProperty);
    framework::CWnd* wnd = framework::CWnd::FromHandlePermanent(hwnd);
    if (!wnd) return previous ? ::CallWindowProcW(previous, hwnd, msg, wp, lp) : ::DefWindowProcW(hwnd, msg, wp, lp);
    auto* container = dynamic_cast<COleControlContainerEx*>(wnd->m_pCtrlCont);
    if (!container) {
      // The controls are gone; the window keeps its own procedure, a dialog's included.
      return previous ? ::CallWindowProcW(previous, hwnd, msg, wp, lp)
                      : framework::AfxCallWndProc(wnd, hwnd, msg, wp, lp);
    }
    if (container->previousWindowProc) previous = container->previousWindowProc;
    LRESULT result = 0;
    if (container->OnWindowMessage(msg, wp, lp, &result)) return result;
    if (!previous) return framework::AfxCallWndProc(wnd, hwnd, msg, wp, lp);
    return ::CallWindowProcW(previous, hwnd, msg, wp, lp);
  } catch (...) {
    return ::DefWindowProcW(hwnd, msg, wp, lp);
  }
}

BOOL COleControlContainerEx::OnWindowMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
  COleControlSiteEx* target = nullptr;
  if (IsKeyboardMessage(msg)) {
    target = focusSite;
  } else if (IsMouseMessage(msg)) {
    if (captureSite) {
      target = captureSite;
    } else {
      // Where the cursor is now, not where the message says: WM_SETCURSOR carries no position at all.
      POINT cursor{};
      HWND hwnd = Window();
      if (hwnd && ::GetCursorPos(&cursor) && ::ScreenToClient(hwnd, &cursor)) target = SiteFromPoint(cursor.x, cursor.y);
    }
  }
  if (!target) return FALSE;
  return target->OnWindowMessage(msg, wp, lp, result);
}

COleControlSiteEx* COleControlContainerEx::SiteFromPoint(int x, int y) {
  POINT point{x, y};
  for (COleControlSiteEx* site : WindowlessSites(m_siteMap)) {
    if ((site->m_dwStyle & WS_VISIBLE) && ::PtInRect(&site->m_rect, point)) return site;
  }
  return nullptr;
}

void COleControlContainerEx::DrawWindowlessControls(HDC dc) {
  for (COleControlSiteEx* site : WindowlessSites(m_siteMap)) {
    if (site->m_dwStyle & WS_VISIBLE) site->Draw(dc);
  }
}

void* COleControlContainerEx::GetInterface(REFIID iid) {
  if (IsEqualIID(iid, IID_IOleInPlaceFrame)) return static_cast<IOleInPlaceFrame*>(&m_xOleIPFrameEx);
  return framework::COleControlContainer::GetInterface(iid);
}

HWND COleControlContainerEx::ParentFrame() const {
  HWND hwnd = Window();
  if (!hwnd) return nullptr;
  for (HWND h = ::GetParent(hwnd); h; h = ::GetParent(h)) {
    if (dynamic_cast<framework::CFrameWnd*>(framework::CWnd::FromHandlePermanent(h))) return h;
  }
  return nullptr;
}

// ---- IOleInPlaceFrame ----

STDMETHODIMP COleControlContainerEx::XOleIPFrameEx::QueryInterface(REFIID iid, void** out) {
  try {
    return self->ExternalQueryInterface(iid, out);
  } catch (...) {
    return E_UNEXPECTED;
  }
}
STDMETHODIMP_(ULONG) COleControlContainerEx::XOleIPFrameEx::AddRef() { return self->ExternalAddRef(); }
STDMETHODIMP_(ULONG) COleControlContainerEx::XOleIPFrameEx::Release() { return self->ExternalRelease(); }
STDMETHODIMP COleControlContainerEx::XOleIPFrameEx::GetWindow(HWND* hwnd) {
  if (!hwnd) return E_POINTER;
  try {
    *hwnd = self->Window();
    return *hwnd ? S_OK : E_FAIL;
  } catch (...) {
    *hwnd = nullptr;
    return E_UNEXPECTED;
  }
}
STDMETHODIMP COleControlContainerEx::XOleIPFrameEx::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }
STDMETHODIMP COleControlContainerEx::XOleIPFrameEx::GetBorder(LPRECT) { return E_NOTIMPL; }
STDMETHODIMP COleControlContainerEx::XOleIPFrameEx::RequestBorderSpace(LPCBORDERWIDTHS) { return E_NOTIMPL; }
STDMETHODIMP COleControlContainerEx::XOleIPFrameEx::SetBorderSpace(LPCBORDERWIDTHS) { return E_NOTIMPL; }
STDMETHODIMP COleControlContainerEx::XOleIPFrameEx::SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR name) {
  try {
    return self->m_xOleIPFrame.SetActiveObject(object, name);
  } catch (...) {
    return E_UNEXPECTED;
  }
}
STDMETHODIMP COleControlContainerEx::XOleIPFrameEx::InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) { return E_NOTIMPL; }
STDMETHODIMP COleControlContainerEx::XOleIPFrameEx::SetMenu(HMENU, HOLEMENU, HWND) { return E_NOTIMPL; }
STDMETHODIMP COleControlContainerEx::XOleIPFrameEx::RemoveMenus(HMENU) { return E_NOTIMPL; }
STDMETHODIMP COleControlContainerEx::XOleIPFrameEx::SetStatusText(LPCOLESTR text) {
  try {
    if (HWND frame = self->ParentFrame())
      ::SendMessageW(frame, kSetMessageString, 0, reinterpret_cast<LPARAM>(text ? text : L""));
    return S_OK;
  } catch (...) {
    return E_UNEXPECTED;
  }
}
STDMETHODIMP COleControlContainerEx::XOleIPFrameEx::EnableModeless(BOOL enable) {
  try {
    if (HWND frame = self->ParentFrame()) ::EnableWindow(frame, enable);
    return S_OK;
  } catch (...) {
    return E_UNEXPECTED;
  }
}
STDMETHODIMP COleControlContainerEx::XOleIPFrameEx::TranslateAccelerator(LPMSG, WORD) { return E_NOTIMPL; }

}  // namespace projector
