// The interfaces a control site shows its control: client site, in-place site, control site, ambient
// properties, event sink and property notification sink.
#include "framework/occ.h"
#include "occ_shared.h"

namespace framework {

using detail::kHimetricPerInch;
using detail::PixelsPerInch;

// IOleClientSite
STDMETHODIMP COleControlSite::XOleClientSite::QueryInterface(REFIID iid, void** out) {
  return self->ExternalQueryInterface(iid, out);
}
STDMETHODIMP_(ULONG) COleControlSite::XOleClientSite::AddRef() { return self->ExternalAddRef(); }
STDMETHODIMP_(ULONG) COleControlSite::XOleClientSite::Release() { return self->ExternalRelease(); }
STDMETHODIMP COleControlSite::XOleClientSite::SaveObject() { return E_NOTIMPL; }
STDMETHODIMP COleControlSite::XOleClientSite::GetMoniker(DWORD, DWORD, IMoniker** out) {
  if (out) *out = nullptr;
  return E_NOTIMPL;
}
STDMETHODIMP COleControlSite::XOleClientSite::GetContainer(IOleContainer** out) {
  if (out) *out = nullptr;
  return E_NOINTERFACE;
}
STDMETHODIMP COleControlSite::XOleClientSite::ShowObject() { return S_OK; }
STDMETHODIMP COleControlSite::XOleClientSite::OnShowWindow(BOOL) { return S_OK; }
STDMETHODIMP COleControlSite::XOleClientSite::RequestNewObjectLayout() { return E_NOTIMPL; }

// IOleInPlaceSite
STDMETHODIMP COleControlSite::XOleIPSite::QueryInterface(REFIID iid, void** out) {
  return self->ExternalQueryInterface(iid, out);
}
STDMETHODIMP_(ULONG) COleControlSite::XOleIPSite::AddRef() { return self->ExternalAddRef(); }
STDMETHODIMP_(ULONG) COleControlSite::XOleIPSite::Release() { return self->ExternalRelease(); }
STDMETHODIMP COleControlSite::XOleIPSite::GetWindow(HWND* hwnd) {
  if (!hwnd) return E_POINTER;
  *hwnd = self->ContainerWindow();
  return *hwnd ? S_OK : E_FAIL;
}
STDMETHODIMP COleControlSite::XOleIPSite::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }
STDMETHODIMP COleControlSite::XOleIPSite::CanInPlaceActivate() { return S_OK; }
STDMETHODIMP COleControlSite::XOleIPSite::OnInPlaceActivate() { return S_OK; }
STDMETHODIMP COleControlSite::XOleIPSite::OnUIActivate() {
  if (self->m_pCtrlCont) self->m_pCtrlCont->OnUIActivate(self);
  return S_OK;
}
STDMETHODIMP COleControlSite::XOleIPSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc,
                                                           LPRECT pos, LPRECT clip, LPOLEINPLACEFRAMEINFO info) {
  if (!frame || !doc || !pos || !clip || !info) return E_POINTER;
  *frame = nullptr;
  *doc = nullptr;
  if (!self->m_pCtrlCont ||
      FAILED(self->m_pCtrlCont->ExternalQueryInterface(IID_IOleInPlaceFrame, reinterpret_cast<void**>(frame))))
    return E_FAIL;
  *pos = self->m_rect;
  HWND container = self->ContainerWindow();
  if (container)
    ::GetClientRect(container, clip);
  else
    *clip = self->m_rect;
  info->cb = sizeof(OLEINPLACEFRAMEINFO);
  info->fMDIApp = FALSE;
  info->hwndFrame = container;
  info->haccel = nullptr;
  info->cAccelEntries = 0;
  return S_OK;
}
STDMETHODIMP COleControlSite::XOleIPSite::Scroll(SIZE) { return S_FALSE; }
STDMETHODIMP COleControlSite::XOleIPSite::OnUIDeactivate(BOOL) {
  if (self->m_pCtrlCont) self->m_pCtrlCont->OnUIDeactivate(self);
  return S_OK;
}
STDMETHODIMP COleControlSite::XOleIPSite::OnInPlaceDeactivate() {
  self->DetachWindow();
  return S_OK;
}
STDMETHODIMP COleControlSite::XOleIPSite::DiscardUndoState() { return S_OK; }
STDMETHODIMP COleControlSite::XOleIPSite::DeactivateAndUndo() {
  if (self->m_pInPlaceObject) self->m_pInPlaceObject->UIDeactivate();
  return S_OK;
}
STDMETHODIMP COleControlSite::XOleIPSite::OnPosRectChange(LPCRECT rect) {
  if (!rect) return E_POINTER;
  self->m_rect = *rect;
  if (!self->m_pInPlaceObject) return S_OK;
  RECT clip = self->m_rect;
  if (HWND container = self->ContainerWindow()) ::GetClientRect(container, &clip);
  return self->m_pInPlaceObject->SetObjectRects(&self->m_rect, &clip);
}

// IOleControlSite
STDMETHODIMP COleControlSite::XOleControlSite::QueryInterface(REFIID iid, void** out) {
  return self->ExternalQueryInterface(iid, out);
}
STDMETHODIMP_(ULONG) COleControlSite::XOleControlSite::AddRef() { return self->ExternalAddRef(); }
STDMETHODIMP_(ULONG) COleControlSite::XOleControlSite::Release() { return self->ExternalRelease(); }
STDMETHODIMP COleControlSite::XOleControlSite::OnControlInfoChanged() {
  self->GetControlInfo();
  return S_OK;
}
STDMETHODIMP COleControlSite::XOleControlSite::LockInPlaceActive(BOOL) { return E_NOTIMPL; }
STDMETHODIMP COleControlSite::XOleControlSite::GetExtendedControl(IDispatch** out) {
  if (out) *out = nullptr;
  return E_NOTIMPL;
}
STDMETHODIMP COleControlSite::XOleControlSite::TransformCoords(POINTL* himetric, POINTF* container, DWORD flags) {
  if (!himetric || !container) return E_POINTER;
  int px = PixelsPerInch(true), py = PixelsPerInch(false);
  if (flags & XFORMCOORDS_HIMETRICTOCONTAINER) {
    container->x = static_cast<float>(himetric->x) * static_cast<float>(px) / kHimetricPerInch;
    container->y = static_cast<float>(himetric->y) * static_cast<float>(py) / kHimetricPerInch;
  } else if (flags & XFORMCOORDS_CONTAINERTOHIMETRIC) {
    himetric->x = static_cast<LONG>(container->x * kHimetricPerInch / static_cast<float>(px));
    himetric->y = static_cast<LONG>(container->y * kHimetricPerInch / static_cast<float>(py));
  } else {
    return E_INVALIDARG;
  }
  return S_OK;
}
STDMETHODIMP COleControlSite::XOleControlSite::TranslateAccelerator(MSG*, DWORD) { return S_FALSE; }
STDMETHODIMP COleControlSite::XOleControlSite::OnFocus(BOOL) { return S_OK; }
STDMETHODIMP COleControlSite::XOleControlSite::ShowPropertyFrame() { return E_NOTIMPL; }

// The two dispatch objects
STDMETHODIMP_(ULONG) COleControlSite::XDispatchBase::AddRef() { return self->ExternalAddRef(); }
STDMETHODIMP_(ULONG) COleControlSite::XDispatchBase::Release() { return self->ExternalRelease(); }
STDMETHODIMP COleControlSite::XDispatchBase::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}
STDMETHODIMP COleControlSite::XDispatchBase::GetTypeInfo(UINT, LCID, ITypeInfo** out) {
  if (out) *out = nullptr;
  return E_NOTIMPL;
}
STDMETHODIMP COleControlSite::XDispatchBase::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
  return E_NOTIMPL;
}

STDMETHODIMP COleControlSite::XAmbientProps::QueryInterface(REFIID iid, void** out) {
  return self->ExternalQueryInterface(iid, out);
}
STDMETHODIMP COleControlSite::XAmbientProps::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*,
                                                    VARIANT* result, EXCEPINFO*, UINT*) {
  try {
    if (!(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
    VARIANT value;
    ::VariantInit(&value);
    if (!self->GetAmbientProperty(id, &value)) return DISP_E_MEMBERNOTFOUND;
    if (result) {
      ::VariantClear(result);
      *result = value;
    } else {
      ::VariantClear(&value);
    }
    return S_OK;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

STDMETHODIMP COleControlSite::XEventSink::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
      (!IsEqualIID(self->m_iidEvents, IID_NULL) && IsEqualIID(iid, self->m_iidEvents))) {
    *out = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}
STDMETHODIMP COleControlSite::XEventSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                                                 EXCEPINFO*, UINT*) {
  try {
    return self->OnEvent(id, params);
  } catch (...) {
    return E_UNEXPECTED;
  }
}

STDMETHODIMP COleControlSite::XPropertyNotifySink::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IPropertyNotifySink)) {
    *out = static_cast<IPropertyNotifySink*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}
STDMETHODIMP_(ULONG) COleControlSite::XPropertyNotifySink::AddRef() { return self->ExternalAddRef(); }
STDMETHODIMP_(ULONG) COleControlSite::XPropertyNotifySink::Release() { return self->ExternalRelease(); }
STDMETHODIMP COleControlSite::XPropertyNotifySink::OnChanged(DISPID) { return S_OK; }
STDMETHODIMP COleControlSite::XPropertyNotifySink::OnRequestEdit(DISPID) { return S_OK; }

}  // namespace framework
