// The windowless in-place site a control of the extended site talks to.
#include "transparent/occ_container_ex.h"
#include "transparent/occ_site_ex.h"

namespace projector {

void* COleControlSiteEx::GetInterface(REFIID iid) {
  if (IsEqualIID(iid, IID_IOleWindow) || IsEqualIID(iid, IID_IOleInPlaceSite) ||
      IsEqualIID(iid, IID_IOleInPlaceSiteEx) || IsEqualIID(iid, IID_IOleInPlaceSiteWindowless))
    return static_cast<IOleInPlaceSiteWindowless*>(&m_xOleIPSiteWindowless);
  return framework::COleControlSite::GetInterface(iid);
}

// Every method is a boundary the control calls across: nothing thrown inside may reach it.
#define SITE_METHOD_BODY(body) \
  try {                        \
    body                       \
  } catch (...) {              \
    return E_UNEXPECTED;       \
  }

STDMETHODIMP COleControlSiteEx::XOleIPSiteWindowless::QueryInterface(REFIID iid, void** out) {
  SITE_METHOD_BODY(return self->ExternalQueryInterface(iid, out);)
}
STDMETHODIMP_(ULONG) COleControlSiteEx::XOleIPSiteWindowless::AddRef() { return self->ExternalAddRef(); }
STDMETHODIMP_(ULONG) COleControlSiteEx::XOleIPSiteWindowless::Release() { return self->ExternalRelease(); }

STDMETHODIMP COleControlSiteEx::XOleIPSiteWindowless::GetWindow(HWND* hwnd) {
  if (!hwnd) return E_POINTER;
  *hwnd = nullptr;
  SITE_METHOD_BODY(*hwnd = self->ContainerWindow(); return *hwnd ? S_OK : E_FAIL;)
}
STDMETHODIMP COleControlSiteEx::XOleIPSiteWindowless::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }
STDMETHODIMP COleControlSiteEx::XOleIPSiteWindowless::CanInPlaceActivate() { return S_OK; }
STDMETHODIMP COleControlSiteEx::XOleIPSiteWindowless::OnInPlaceActivate() { return OnInPlaceActivateEx(nullptr, 0); }
STDMETHODIMP COleControlSiteEx::XOleIPSiteWindowless::OnUIActivate() {
  SITE_METHOD_BODY(if (self->m_pCtrlCont) self->m_pCtrlCont->OnUIActivate(self); return S_OK;)
}
STDMETHODIMP COleControlSiteEx::XOleIPSiteWindowless::GetWindowContext(IOleInPlaceFrame** frame,
                                                                       IOleInPlaceUIWindow** doc, LPRECT pos,
                                                                       LPRECT clip, LPOLEINPLACEFRAMEINFO info) {
  SITE_METHOD_BODY(return self->m_xOleIPSite.GetWindowContext(frame, doc, pos, clip, info);)
}
STDMETHODIMP COleControlSiteEx::XOleIPSiteWindowless::Scroll(SIZE) { return S_FALSE; }
STDMETHODIMP COleControlSiteEx::XOleIPSiteWindowless::OnUIDeactivate(BOOL) {
  SITE_METHOD_BODY(if (self->m_pCtrlCont) self->m_pCtrlCont->OnUIDeactivate(self); return S_OK;)
}
STDMETHODIMP COleControlSiteEx::XOleIPSiteWindowless::OnInPlaceDeactivate() { return OnInPlaceDeactivateEx(TRUE); }
STDMETHODIMP COleControlSiteEx::XOleIPSiteWindowless::DiscardUndoState() { return S_OK; }
STDMETHODIMP COleControlSiteEx::XOleIPSiteWindowless::DeactivateAndUndo() {
  SITE_METHOD_BODY(if (self->m_pInPlaceObject) self->m_pInPlaceObject->UIDeactivate(); return S_OK;)
}
STDMETHODIMP COleControlSiteEx::XOleIPSiteWindowless::OnPosRectChange(LPCRECT rect) {
  SITE_METHOD_BODY(return self->m_xOleIPSite.OnPosRectChange(rect);)
}

STDMETHODIMP COleControlSiteEx::XOleIPSiteWindowless::OnInPlaceActivateEx(BOOL* noRedraw, DWORD flags) {
  SITE_METHOD_BODY(self->activateFlags = flags; if (noRedraw) *noRedraw = FALSE; return S_OK;)
}
STDMETHODIMP COleControlSiteEx::XOleIPSiteWindowless::OnInPlaceDeactivateEx(BOOL) {
  try {
    framework::CWnd* proxy = self->m_pWndCtrl;
    self->DetachWindow();
    // Both ways: a proxy destroyed later must not be reached through this site by a late event.
    if (proxy && proxy->m_pCtrlSite == self) proxy->m_pCtrlSite = nullptr;
    self->m_pWndCtrl = nullptr;
    self->activateFlags = 0;
    return S_OK;
  } catch (...) {
    return E_UNEXPECTED;
  }
}
STDMETHODIMP COleControlSiteEx::XOleIPSiteWindowless::RequestUIActivate() { return S_OK; }
STDMETHODIMP COleControlSiteEx::XOleIPSiteWindowless::CanWindowlessActivate() {
  SITE_METHOD_BODY(COleControlContainerEx* container = self->ContainerEx();
                   return container && container->allowWindowless ? S_OK : E_FAIL;)
}

STDMETHODIMP COleControlSiteEx::XOleIPSiteWindowless::GetCapture() {
  SITE_METHOD_BODY(return self->GetCaptureState();)
}
STDMETHODIMP COleControlSiteEx::XOleIPSiteWindowless::SetCapture(BOOL capture) {
  SITE_METHOD_BODY(return self->SetCaptureState(capture);)
}
STDMETHODIMP COleControlSiteEx::XOleIPSiteWindowless::GetFocus() { SITE_METHOD_BODY(return self->GetFocusState();) }
STDMETHODIMP COleControlSiteEx::XOleIPSiteWindowless::SetFocus(BOOL focus) {
  SITE_METHOD_BODY(return self->SetFocusState(focus);)
}

STDMETHODIMP COleControlSiteEx::XOleIPSiteWindowless::GetDC(LPCRECT rect, DWORD flags, HDC* dc) {
  if (!dc) return E_POINTER;
  *dc = nullptr;
  SITE_METHOD_BODY(*dc = self->GetDC(rect, flags); return *dc ? S_OK : E_FAIL;)
}
STDMETHODIMP COleControlSiteEx::XOleIPSiteWindowless::ReleaseDC(HDC dc) {
  SITE_METHOD_BODY(self->ReleaseDC(dc); return S_OK;)
}
STDMETHODIMP COleControlSiteEx::XOleIPSiteWindowless::InvalidateRect(LPCRECT rect, BOOL erase) {
  SITE_METHOD_BODY(self->InvalidateRect(rect, erase); return S_OK;)
}
STDMETHODIMP COleControlSiteEx::XOleIPSiteWindowless::InvalidateRgn(HRGN rgn, BOOL erase) {
  SITE_METHOD_BODY(self->InvalidateRgn(rgn, erase); return S_OK;)
}
STDMETHODIMP COleControlSiteEx::XOleIPSiteWindowless::ScrollRect(INT dx, INT dy, LPCRECT scroll, LPCRECT clip) {
  SITE_METHOD_BODY(self->ScrollRect(dx, dy, scroll, clip); return S_OK;)
}
STDMETHODIMP COleControlSiteEx::XOleIPSiteWindowless::AdjustRect(LPRECT) { return S_OK; }
STDMETHODIMP COleControlSiteEx::XOleIPSiteWindowless::OnDefWindowMessage(UINT msg, WPARAM wp, LPARAM lp,
                                                                          LRESULT* result) {
  SITE_METHOD_BODY(return self->OnDefWindowMessage(msg, wp, lp, result) ? S_OK : S_FALSE;)
}

#undef SITE_METHOD_BODY

}  // namespace projector
