// The extended control site: windowless creation, input, drawing, DCs, invalidation, capture and focus, and the
// framework operations that must not touch a window the control does not have.
#include "transparent/occ_site_ex.h"

#include "framework/app.h"
#include "framework/handles.h"
#include "transparent/occ_container_ex.h"

namespace projector {

namespace {

// A control that is never in-place active while hidden starts in the far corner, out of sight.
constexpr int kHiddenOffset = 32000;

// Control creation's answer when the control took its sinks and extent in one quick-activation call.
constexpr HRESULT kQuickActivated = 1;

}  // namespace

COleControlSiteEx::COleControlSiteEx(framework::COleControlContainer* container)
    : framework::COleControlSite(container) {
  m_xOleIPSiteWindowless.self = this;
}

COleControlSiteEx::~COleControlSiteEx() {
  if (COleControlContainerEx* container = ContainerEx()) {
    if (container->focusSite == this) container->focusSite = nullptr;
    if (container->captureSite == this) container->captureSite = nullptr;
  }
  // The control deactivates through this site's own interface, so it is closed while the site is still whole.
  CloseControl();
  windowlessObject.reset();
}

COleControlContainerEx* COleControlSiteEx::ContainerEx() const {
  return dynamic_cast<COleControlContainerEx*>(m_pCtrlCont);
}

HRESULT COleControlSiteEx::CreateControl(framework::CWnd* wndCtrl, REFCLSID clsid, const wchar_t* windowName,
                                         DWORD style, const RECT& rect, UINT id, framework::CFile* persist,
                                         BOOL storage, BSTR licenseKey) {
  return CreateControlEx(wndCtrl, clsid, windowName, style, rect, id, persist, storage, licenseKey);
}

HRESULT COleControlSiteEx::CreateControlEx(framework::CWnd* wndCtrl, REFCLSID clsid, const wchar_t* windowName,
                                           DWORD style, const RECT& rect, UINT id, framework::CFile* persist,
                                           BOOL storage, BSTR licenseKey) {
  m_hWnd = nullptr;
  activateFlags = 0;
  m_pWndCtrl = wndCtrl;
  if (wndCtrl) wndCtrl->m_pCtrlSite = this;
  auto unlink = [&] {
    if (wndCtrl && wndCtrl->m_pCtrlSite == this) wndCtrl->m_pCtrlSite = nullptr;
    m_pWndCtrl = nullptr;
  };
  if (!framework::AfxOleInit()) {
    unlink();
    return E_FAIL;
  }
  HRESULT hr = CreateOrLoad(clsid, persist, storage, licenseKey);
  if (FAILED(hr)) {
    unlink();
    CloseControl();
    return hr;
  }
  m_nID = id;
  m_rect = rect;
  m_dwStyleMask = WS_GROUP | WS_TABSTOP;
  if (m_dwMiscStatus & OLEMISC_ACTSLIKEBUTTON) m_dwStyleMask |= BS_DEFPUSHBUTTON;
  if (m_dwMiscStatus & OLEMISC_INVISIBLEATRUNTIME) style &= ~WS_VISIBLE;
  m_dwStyle = style & m_dwStyleMask;

  if (hr != kQuickActivated) {
    ConnectEventSink();
    ConnectSink(IID_IPropertyNotifySink, &m_xPropertyNotifySink, &m_dwPropNotifySink);
  }
  SetExtent();

  hr = m_pInPlaceObject.QueryFrom(m_pObject.get(), IID_IOleInPlaceObject);
  if (SUCCEEDED(hr)) {
    if (style & WS_VISIBLE) {
      hr = DoVerb(OLEIVERB_INPLACEACTIVATE);
    } else {
      ::OffsetRect(&m_rect, -kHiddenOffset, -kHiddenOffset);
      hr = DoVerb(OLEIVERB_INPLACEACTIVATE);
      if (SUCCEEDED(hr)) hr = DoVerb(OLEIVERB_HIDE);
      ::OffsetRect(&m_rect, kHiddenOffset, kHiddenOffset);
      if (SUCCEEDED(hr) && m_pInPlaceObject) hr = m_pInPlaceObject->SetObjectRects(&m_rect, &m_rect);
    }
  }
  if (SUCCEEDED(hr)) {
    GetControlInfo();
  } else {
    unlink();
    windowlessObject.reset();
    CloseControl();
    m_hWnd = nullptr;
    activateFlags = 0;
    return hr;
  }

  HWND own = nullptr;
  bool windowless = (activateFlags & ACTIVATE_WINDOWLESS) != 0;
  if (!windowless && (!m_pInPlaceObject || FAILED(m_pInPlaceObject->GetWindow(&own)) || !own)) windowless = true;
  if (windowless) {
    m_hWnd = reinterpret_cast<HWND>(reinterpret_cast<UINT_PTR>(this) | 1);
    m_dwStyleMask |= WS_VISIBLE;
    m_dwStyle |= style & WS_VISIBLE;
    windowlessObject.QueryFrom(m_pInPlaceObject.get(), IID_IOleInPlaceObjectWindowless);
    if (m_pWndCtrl) m_pWndCtrl->m_pCtrlSite = this;
  } else {
    AttachWindow();
  }

  if (windowName && *windowName) SetWindowText(windowName);
  ModifyStyle(0, m_dwStyle | (style & (WS_DISABLED | WS_BORDER)), 0);
  return hr;
}

BOOL COleControlSiteEx::OnWindowMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
  if (!windowlessObject) return FALSE;
  // The control may close itself while it handles the message; it stays alive until the call returns.
  auto object = framework::ComPtr<IOleInPlaceObjectWindowless>::AddRefFrom(windowlessObject.get());
  return object->OnWindowMessage(msg, wp, lp, result) == S_OK;
}

void COleControlSiteEx::OnAmbientPropertyChange(DISPID dispid) {
  framework::ComPtr<IOleControl> control;
  if (SUCCEEDED(control.QueryFrom(m_pObject.get(), IID_IOleControl))) control->OnAmbientPropertyChange(dispid);
}

void COleControlSiteEx::Draw(HDC dc) {
  if (!(activateFlags & ACTIVATE_WINDOWLESS) || !(m_dwStyle & WS_VISIBLE) || !dc) return;
  framework::ComPtr<IViewObject> view;
  if (FAILED(view.QueryFrom(m_pObject.get(), IID_IViewObject))) return;
  POINT origin{};
  SIZE extent{};
  ::GetWindowOrgEx(dc, &origin);
  ::GetWindowExtEx(dc, &extent);
  RECTL bounds{m_rect.left, m_rect.top, m_rect.right, m_rect.bottom};
  RECTL windowBounds{origin.x, origin.y, extent.cx, extent.cy};
  view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc, &bounds, &windowBounds, nullptr, 0);
}

HDC COleControlSiteEx::GetDC(const RECT* rect, DWORD flags) {
  HWND window = ContainerWindow();
  if (!window) return nullptr;
  if (flags & OLEDC_NODRAW) return ::GetDC(window);
  if (flags & OLEDC_OFFSCREEN) return nullptr;
  HDC dc = ::GetDC(window);
  if (!dc) return nullptr;
  ::IntersectClipRect(dc, m_rect.left, m_rect.top, m_rect.right, m_rect.bottom);
  if (rect) ::IntersectClipRect(dc, rect->left, rect->top, rect->right, rect->bottom);
  if (flags & OLEDC_PAINTBKGND) ::SendMessageW(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  return dc;
}

void COleControlSiteEx::ReleaseDC(HDC dc) {
  if (dc) ::ReleaseDC(ContainerWindow(), dc);
}

void COleControlSiteEx::InvalidateRect(const RECT* rect, BOOL erase) {
  HWND window = ContainerWindow();
  if (!window) return;
  RECT area = m_rect;
  if (rect && !::IntersectRect(&area, &m_rect, rect)) return;
  ::InvalidateRect(window, &area, erase);
}

void COleControlSiteEx::InvalidateRgn(HRGN rgn, BOOL erase) {
  if (!rgn) {
    InvalidateRect(nullptr, erase);
    return;
  }
  HWND window = ContainerWindow();
  if (!window) return;
  framework::UniqueRegion site(::CreateRectRgnIndirect(&m_rect));
  framework::UniqueRegion area(::CreateRectRgn(0, 0, 0, 0));
  if (!site || !area || ::CombineRgn(area.get(), rgn, site.get(), RGN_AND) == ERROR) return;
  ::InvalidateRgn(window, area.get(), erase);
}

void COleControlSiteEx::ScrollRect(int, int, const RECT* scroll, const RECT*) {
  // Nothing is moved: the scrolled part is drawn again.
  InvalidateRect(scroll, TRUE);
  if (HWND window = ContainerWindow()) ::UpdateWindow(window);
}

BOOL COleControlSiteEx::OnDefWindowMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
  switch (msg) {
    case WM_SETCURSOR:
    case WM_HELP:
    case WM_CONTEXTMENU:
      return FALSE;
    case WM_LBUTTONDOWN:
      SetFocus();
      return TRUE;
    default:
      break;
  }
  HWND window = ContainerWindow();
  LRESULT answer = window ? ::DefWindowProcW(window, msg, wp, lp) : 0;
  if (result) *result = answer;
  return TRUE;
}

// ---- capture and focus ----

HRESULT COleControlSiteEx::GetCaptureState() const {
  HWND holder = ::GetCapture();
  if (!holder) return S_FALSE;
  if (IsWindowed() && holder == m_hWnd) return S_OK;
  COleControlContainerEx* container = ContainerEx();
  return container && holder == ContainerWindow() && container->captureSite == this ? S_OK : S_FALSE;
}

HRESULT COleControlSiteEx::SetCaptureState(BOOL capture) {
  COleControlContainerEx* container = ContainerEx();
  if (capture) {
    if (IsWindowed()) {
      ::SetCapture(m_hWnd);
    } else if (HWND window = ContainerWindow()) {
      if (container) container->captureSite = this;
      ::SetCapture(window);
    }
    return S_OK;
  }
  if (GetCaptureState() == S_OK) ::ReleaseCapture();
  // Another control's capture is not this control's to end.
  if (container && container->captureSite == this) container->captureSite = nullptr;
  return S_OK;
}

HRESULT COleControlSiteEx::GetFocusState() const {
  HWND holder = ::GetFocus();
  if (!holder) return S_FALSE;
  if (IsWindowed() && holder == m_hWnd) return S_OK;
  COleControlContainerEx* container = ContainerEx();
  return container && holder == ContainerWindow() && container->focusSite == this ? S_OK : S_FALSE;
}

HRESULT COleControlSiteEx::SetFocusState(BOOL focus) {
  COleControlContainerEx* container = ContainerEx();
  if (focus) {
    if (IsWindowed()) {
      ::SetFocus(m_hWnd);
    } else if (HWND window = ContainerWindow()) {
      if (container) container->focusSite = this;
      ::SetFocus(window);
    }
    return S_OK;
  }
  if (GetFocusState() == S_OK) ::SetFocus(nullptr);
  if (container && container->focusSite == this) container->focusSite = nullptr;
  return S_OK;
}

// ---- the framework operations ----

bool COleControlSiteEx::GetStockProperty(DISPID dispid, VARTYPE type, long* value) const {
  framework::Variant read;
  auto* self = const_cast<COleControlSiteEx*>(this);
  if (FAILED(self->GetProperty(dispid, &read))) return false;
  VARIANT coerced;
  ::VariantInit(&coerced);
  if (FAILED(::VariantChangeType(&coerced, read.get(), 0, type))) return false;
  *value = type == VT_BOOL ? (coerced.boolVal != VARIANT_FALSE ? 1 : 0) : coerced.iVal;
  return true;
}

bool COleControlSiteEx::SetStockProperty(DISPID dispid, VARTYPE type, long value) {
  framework::Variant written;
  VARIANT* v = written.get();
  v->vt = type;
  if (type == VT_BOOL)
    v->boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  else
    v->iVal = static_cast<SHORT>(value);
  return SUCCEEDED(SetProperty(dispid, written));
}

DWORD COleControlSiteEx::GetStyle() const {
  DWORD style = m_dwStyle;
  if (IsWindowed()) style |= static_cast<DWORD>(::GetWindowLongW(m_hWnd, GWL_STYLE)) & WS_VISIBLE;
  long value = 0;
  if (GetStockProperty(DISPID_ENABLED, VT_BOOL, &value) && !value) style |= WS_DISABLED;
  if (GetStockProperty(DISPID_BORDERSTYLE, VT_I2, &value) && value == 1) style |= WS_BORDER;
  return style;
}

DWORD COleControlSiteEx::GetExStyle() const {
  DWORD style = IsWindowed() ? static_cast<DWORD>(::GetWindowLongW(m_hWnd, GWL_EXSTYLE)) : 0;
  long value = 0;
  if (GetStockProperty(DISPID_APPEARANCE, VT_I2, &value) && value == 1) style |= WS_EX_CLIENTEDGE;
  return style;
}

BOOL COleControlSiteEx::ModifyStyle(DWORD remove, DWORD add, UINT flags) {
  m_dwStyle = ((m_dwStyle & ~remove) | add) & m_dwStyleMask;
  if ((remove | add) & WS_DISABLED) {
    if (SetStockProperty(DISPID_ENABLED, VT_BOOL, (add & WS_DISABLED) ? 0 : 1)) {
      remove &= ~static_cast<DWORD>(WS_DISABLED);
      add &= ~static_cast<DWORD>(WS_DISABLED);
    }
  }
  if ((remove | add) & WS_BORDER) {
    if (SetStockProperty(DISPID_BORDERSTYLE, VT_I2, (add & WS_BORDER) ? 1 : 0)) {
      remove &= ~static_cast<DWORD>(WS_BORDER);
      add &= ~static_cast<DWORD>(WS_BORDER);
    }
  }
  if (!IsWindowed()) return TRUE;
  return framework::COleControlSite::ModifyStyle(remove, add, flags);
}

BOOL COleControlSiteEx::ModifyStyleEx(DWORD remove, DWORD add, UINT flags) {
  if ((remove | add) & WS_EX_CLIENTEDGE) {
    if (SetStockProperty(DISPID_APPEARANCE, VT_I2, (add & WS_EX_CLIENTEDGE) ? 1 : 0)) {
      remove &= ~static_cast<DWORD>(WS_EX_CLIENTEDGE);
      add &= ~static_cast<DWORD>(WS_EX_CLIENTEDGE);
    }
  }
  if (!IsWindowed()) return TRUE;
  return framework::COleControlSite::ModifyStyleEx(remove, add, flags);
}

BOOL COleControlSiteEx::SetWindowPos(HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  if (flags & SWP_HIDEWINDOW) ShowWindow(SW_HIDE);
  if ((flags & (SWP_NOMOVE | SWP_NOSIZE)) != (SWP_NOMOVE | SWP_NOSIZE)) {
    int nx = (flags & SWP_NOMOVE) ? m_rect.left : x;
    int ny = (flags & SWP_NOMOVE) ? m_rect.top : y;
    int ncx = (flags & SWP_NOSIZE) ? m_rect.right - m_rect.left : cx;
    int ncy = (flags & SWP_NOSIZE) ? m_rect.bottom - m_rect.top : cy;
    MoveWindow(nx, ny, ncx, ncy, !(flags & SWP_NOREDRAW));
  }
  if (flags & SWP_SHOWWINDOW) ShowWindow(SW_SHOW);
  if (!IsWindowed()) return TRUE;
  return ::SetWindowPos(m_hWnd, insertAfter, x, y, cx, cy,
                        (flags & ~static_cast<UINT>(SWP_SHOWWINDOW | SWP_HIDEWINDOW)) | SWP_NOMOVE | SWP_NOSIZE);
}

BOOL COleControlSiteEx::ShowWindow(int command) {
  bool windowless = !IsWindowed();
  BOOL visible = windowless ? (m_dwStyle & WS_VISIBLE) != 0
                            : (static_cast<DWORD>(::GetWindowLongW(m_hWnd, GWL_STYLE)) & WS_VISIBLE) != 0;
  switch (command) {
    case SW_HIDE:
      if (windowless) m_dwStyle &= ~static_cast<DWORD>(WS_VISIBLE);
      DoVerb(OLEIVERB_HIDE);
      break;
    case SW_SHOWNORMAL:
    case SW_SHOWNOACTIVATE:
    case SW_SHOW:
      if (windowless) m_dwStyle |= WS_VISIBLE;
      DoVerb(OLEIVERB_SHOW);
      break;
    default:
      return visible;
  }
  // A windowless control has no window to vanish or appear with: its place is drawn again.
  if (windowless && IsWindowless() && visible != ((m_dwStyle & WS_VISIBLE) != 0)) InvalidateRect(nullptr, TRUE);
  return visible;
}

framework::CWnd* COleControlSiteEx::SetFocus() {
  framework::CWnd* previous = framework::CWnd::FromHandlePermanent(::GetFocus());
  if (IsWindowed() && (m_dwMiscStatus & OLEMISC_NOUIACTIVATE))
    ::SetFocus(m_hWnd);
  else
    DoVerb(OLEIVERB_UIACTIVATE);
  return previous;
}

void COleControlSiteEx::SetWindowText(const wchar_t* text) {
  if (IsWindowed()) {
    framework::COleControlSite::SetWindowText(text);
    return;
  }
  framework::Variant caption(text ? text : L"");
  if (FAILED(SetProperty(DISPID_CAPTION, caption))) SetProperty(DISPID_TEXT, caption);
}

}  // namespace projector
