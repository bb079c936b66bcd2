#include "windowless_test_site.h"

namespace orvatool_testing {

STDMETHODIMP EventRecorder::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  // The control asks for its own event interface first, then for IDispatch.
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) *out = static_cast<IDispatch*>(this);
  if (!*out) return E_NOINTERFACE;
  return S_OK;
}

STDMETHODIMP EventRecorder::GetTypeInfoCount(UINT* count) {
  if (count) *count = 0;
  return S_OK;
}

STDMETHODIMP EventRecorder::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                   UINT*) {
  FiredEvent event;
  event.id = id;
  // Arguments arrive last first.
  for (UINT i = params ? params->cArgs : 0; i-- > 0;) {
    const VARIANT& v = params->rgvarg[i];
    if (v.vt == VT_BSTR) event.texts.emplace_back(v.bstrVal ? v.bstrVal : L"");
    if (v.vt == VT_I4) event.number = v.lVal;
  }
  events.push_back(event);
  return S_OK;
}

STDMETHODIMP WindowlessTestSite::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IOleClientSite))
    *out = static_cast<IOleClientSite*>(this);
  else if (IsEqualIID(iid, IID_IOleWindow) || IsEqualIID(iid, IID_IOleInPlaceSite) ||
           IsEqualIID(iid, IID_IOleInPlaceSiteEx) || IsEqualIID(iid, IID_IOleInPlaceSiteWindowless))
    *out = static_cast<IOleInPlaceSiteWindowless*>(this);
  return *out ? S_OK : E_NOINTERFACE;
}

STDMETHODIMP WindowlessTestSite::GetMoniker(DWORD, DWORD, IMoniker** out) {
  if (out) *out = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP WindowlessTestSite::GetContainer(IOleContainer** out) {
  if (out) *out = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP WindowlessTestSite::GetWindow(HWND* out) {
  if (!out) return E_POINTER;
  *out = window;
  return window ? S_OK : E_FAIL;
}

STDMETHODIMP WindowlessTestSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT pos,
                                                  LPRECT clip, LPOLEINPLACEFRAMEINFO info) {
  if (frame) *frame = nullptr;
  if (doc) *doc = nullptr;
  if (pos) *pos = rect;
  if (clip) ::GetClientRect(window, clip);
  if (info) {
    info->fMDIApp = FALSE;
    info->hwndFrame = window;
    info->haccel = nullptr;
    info->cAccelEntries = 0;
  }
  return S_OK;
}

STDMETHODIMP WindowlessTestSite::OnInPlaceActivateEx(BOOL* noRedraw, DWORD flags) {
  ++activations;
  activateFlags = flags;
  if (noRedraw) *noRedraw = FALSE;
  return S_OK;
}

STDMETHODIMP WindowlessTestSite::OnInPlaceDeactivateEx(BOOL) {
  ++deactivations;
  activateFlags = 0;
  return S_OK;
}

STDMETHODIMP WindowlessTestSite::SetCapture(BOOL capture) {
  captured = capture != FALSE;
  return S_OK;
}

STDMETHODIMP WindowlessTestSite::SetFocus(BOOL focus) {
  focused = focus != FALSE;
  return S_OK;
}

STDMETHODIMP WindowlessTestSite::GetDC(LPCRECT, DWORD, HDC* dc) {
  if (dc) *dc = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP WindowlessTestSite::InvalidateRect(LPCRECT, BOOL) {
  ++invalidations;
  return S_OK;
}

STDMETHODIMP WindowlessTestSite::InvalidateRgn(HRGN, BOOL) {
  ++invalidations;
  return S_OK;
}

}  // namespace orvatool_testing
