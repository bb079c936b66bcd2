// What both movie controls answer alike: the embedding, the active object, the control, the view object but its
// drawing, the connection point container, the default event interface and an empty persistence.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include "event_connections.h"
#include "framework/com.h"

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

// Frame notifications change nothing, there are no mnemonics or accelerators, events are frozen as often as they
// are thawed, one view sink is kept, there is nothing to persist; the control answers IUnknown, IDispatch, its
// in-place object, its drawing, its verbs and its type information.
class ControlBasics : public OleObjectBasics,
                      public IOleInPlaceActiveObject,
                      public IOleControl,
                      public IViewObject2,
                      public IConnectionPointContainer,
                      public IProvideClassInfo2,
                      public IPersistStreamInit {
 public:
  explicit ControlBasics(REFIID events) : events_(*this, events), eventsIid_(events) {}
  ControlBasics(const ControlBasics&) = delete;
  ControlBasics& operator=(const ControlBasics&) = delete;

  // IOleInPlaceActiveObject
  STDMETHODIMP TranslateAccelerator(LPMSG) override { return S_FALSE; }
  STDMETHODIMP OnFrameWindowActivate(BOOL) override { return S_OK; }
  STDMETHODIMP OnDocWindowActivate(BOOL) override { return S_OK; }
  STDMETHODIMP ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return S_OK; }
  STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }

  // IOleControl
  STDMETHODIMP GetControlInfo(CONTROLINFO* info) override {
    if (!info) return E_POINTER;
    info->cb = sizeof(CONTROLINFO);
    info->hAccel = nullptr;
    info->cAccel = 0;
    info->dwFlags = 0;
    return S_OK;
  }
  STDMETHODIMP OnMnemonic(MSG*) override { return E_NOTIMPL; }
  STDMETHODIMP OnAmbientPropertyChange(DISPID) override { return S_OK; }
  STDMETHODIMP FreezeEvents(BOOL freeze) override {
    freezeEvents_ += freeze ? 1 : -1;
    if (freezeEvents_ < 0) freezeEvents_ = 0;
    return S_OK;
  }

  // IViewObject2, but Draw
  STDMETHODIMP GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE** out) override {
    if (out) *out = nullptr;
    return S_FALSE;
  }
  STDMETHODIMP Freeze(DWORD, LONG, void*, DWORD* cookie) override {
    if (cookie) *cookie = 0;
    return E_NOTIMPL;
  }
  STDMETHODIMP Unfreeze(DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP SetAdvise(DWORD, DWORD, IAdviseSink* sink) override {
    viewAdvise_ = framework::ComPtr<IAdviseSink>::AddRefFrom(sink);
    return S_OK;
  }
  STDMETHODIMP GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) override {
    if (aspects) *aspects = DVASPECT_CONTENT;
    if (flags) *flags = 0;
    if (sink) {
      *sink = viewAdvise_.get();
      if (*sink) (*sink)->AddRef();
    }
    return S_OK;
  }
  STDMETHODIMP GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) override {
    return OleObjectBasics::GetExtent(aspect, size);
  }

  // IConnectionPointContainer
  STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** out) override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** point) override {
    try {
      return events_.Find(iid, point);
    } catch (...) {
      return E_UNEXPECTED;
    }
  }

  // IProvideClassInfo2, but GetClassInfo
  STDMETHODIMP GetGUID(DWORD kind, GUID* guid) override {
    if (!guid) return E_POINTER;
    if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) return E_INVALIDARG;
    *guid = eventsIid_;
    return S_OK;
  }

  // IPersistStreamInit
  STDMETHODIMP GetClassID(CLSID* clsid) override { return GetUserClassID(clsid); }
  STDMETHODIMP IsDirty() override { return S_FALSE; }
  STDMETHODIMP Load(LPSTREAM) override { return S_OK; }
  STDMETHODIMP Save(LPSTREAM, BOOL) override { return S_OK; }
  STDMETHODIMP GetSizeMax(ULARGE_INTEGER* size) override {
    if (!size) return E_POINTER;
    size->QuadPart = 0;
    return S_OK;
  }
  STDMETHODIMP InitNew() override { return S_OK; }

 protected:
  ~ControlBasics() = default;

  // The interfaces answered here; null for the others.
  void* CommonInterface(REFIID iid) {
    if (IsEqualIID(iid, IID_IOleObject)) return static_cast<IOleObject*>(this);
    if (IsEqualIID(iid, IID_IOleInPlaceActiveObject)) return static_cast<IOleInPlaceActiveObject*>(this);
    if (IsEqualIID(iid, IID_IOleControl)) return static_cast<IOleControl*>(this);
    if (IsEqualIID(iid, IID_IViewObject) || IsEqualIID(iid, IID_IViewObject2)) return static_cast<IViewObject2*>(this);
    if (IsEqualIID(iid, IID_IConnectionPointContainer)) return static_cast<IConnectionPointContainer*>(this);
    if (IsEqualIID(iid, IID_IProvideClassInfo) || IsEqualIID(iid, IID_IProvideClassInfo2))
      return static_cast<IProvideClassInfo2*>(this);
    if (IsEqualIID(iid, IID_IPersist) || IsEqualIID(iid, IID_IPersistStreamInit))
      return static_cast<IPersistStreamInit*>(this);
    return nullptr;
  }

  // Calls the advised sinks unless the container has frozen events.
  void Fire(DISPID id, VARIANT* args, UINT count) {
    if (freezeEvents_ > 0) return;
    events_.Fire(id, args, count);
  }

  // Tells the view sink, if any, that the picture changed.
  void NotifyViewChange() {
    if (viewAdvise_) viewAdvise_->OnViewChange(DVASPECT_CONTENT, -1);
  }

 private:
  EventConnections events_;
  IID eventsIid_;
  framework::ComPtr<IAdviseSink> viewAdvise_;
  int freezeEvents_ = 0;
};

}  // namespace swfcontrol
