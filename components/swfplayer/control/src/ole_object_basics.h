// The part of IOleObject both movie controls answer alike.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <olectl.h>

namespace swfcontrol {

// Verbs and user types come from the registry; no monikers, data transfer, advise sinks or colour schemes; the
// extent is kept as the container sets it.
class OleObjectBasics : public IOleObject {
 public:
  STDMETHODIMP SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
  STDMETHODIMP SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** out) override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP GetClipboardData(DWORD, IDataObject** out) override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP EnumVerbs(IEnumOLEVERB** out) override {
    if (out) *out = nullptr;
    return OLE_S_USEREG;
  }
  STDMETHODIMP Update() override { return S_OK; }
  STDMETHODIMP IsUpToDate() override { return S_OK; }
  STDMETHODIMP GetUserType(DWORD, LPOLESTR* out) override {
    if (out) *out = nullptr;
    return OLE_S_USEREG;
  }
  STDMETHODIMP SetExtent(DWORD aspect, SIZEL* size) override {
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    if (!size) return E_POINTER;
    extent_ = *size;
    return S_OK;
  }
  STDMETHODIMP GetExtent(DWORD aspect, SIZEL* size) override {
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    if (!size) return E_POINTER;
    *size = extent_;
    return S_OK;
  }
  STDMETHODIMP Advise(IAdviseSink*, DWORD* cookie) override {
    if (cookie) *cookie = 0;
    return E_NOTIMPL;
  }
  STDMETHODIMP Unadvise(DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP EnumAdvise(IEnumSTATDATA** out) override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetMiscStatus(DWORD, DWORD* status) override {
    if (!status) return E_POINTER;
    *status = OLEMISC_RECOMPOSEONRESIZE | OLEMISC_CANTLINKINSIDE | OLEMISC_INSIDEOUT | OLEMISC_ACTIVATEWHENVISIBLE |
              OLEMISC_SETCLIENTSITEFIRST;
    return S_OK;
  }
  STDMETHODIMP SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

 protected:
  SIZEL extent_{12700, 8467};
};

// The interfaces both movie controls answer alike (all but IDispatch and the in-place object); null for others.
template <class Control>
void* CommonControlInterface(Control* control, REFIID iid) {
  if (IsEqualIID(iid, IID_IOleObject)) return static_cast<IOleObject*>(control);
  if (IsEqualIID(iid, IID_IOleInPlaceActiveObject)) return static_cast<IOleInPlaceActiveObject*>(control);
  if (IsEqualIID(iid, IID_IOleControl)) return static_cast<IOleControl*>(control);
  if (IsEqualIID(iid, IID_IViewObject) || IsEqualIID(iid, IID_IViewObject2)) return static_cast<IViewObject2*>(control);
  if (IsEqualIID(iid, IID_IConnectionPointContainer)) return static_cast<IConnectionPointContainer*>(control);
  if (IsEqualIID(iid, IID_IProvideClassInfo) || IsEqualIID(iid, IID_IProvideClassInfo2))
    return static_cast<IProvideClassInfo2*>(control);
  if (IsEqualIID(iid, IID_IPersist) || IsEqualIID(iid, IID_IPersistStreamInit))
    return static_cast<IPersistStreamInit*>(control);
  return nullptr;
}

}  // namespace swfcontrol
