// The control's events: the connection point its containers advise and the firing of events to their sinks.
#include "flash_object.h"

#include <vector>

namespace swfcontrol {

void FlashObject::Fire(DISPID id, VARIANT* args, UINT count) {
  if (freezeEvents_ > 0) return;
  // Sinks may disconnect, or release this object, while an event is delivered.
  std::vector<IDispatch*> sinks;
  for (auto& [cookie, sink] : sinks_) {
    sink->AddRef();
    sinks.push_back(sink);
  }
  AddRef();
  for (IDispatch* sink : sinks) {
    DISPPARAMS params{args, nullptr, count, 0};
    VARIANT ignored;
    ::VariantInit(&ignored);
    sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &ignored, nullptr, nullptr);
    ::VariantClear(&ignored);
    sink->Release();
  }
  Release();
}

// ---- connection points ----

STDMETHODIMP FlashObject::EnumConnectionPoints(IEnumConnectionPoints** out) {
  if (out) *out = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP FlashObject::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
  if (!point) return E_POINTER;
  *point = nullptr;
  if (!IsEqualIID(iid, kIidShockwaveFlashEvents)) return CONNECT_E_NOCONNECTION;
  *point = &eventPoint_;
  AddRef();
  return S_OK;
}

STDMETHODIMP FlashObject::EventPoint::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IConnectionPoint)) {
    *out = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}
STDMETHODIMP_(ULONG) FlashObject::EventPoint::AddRef() { return self->AddRef(); }
STDMETHODIMP_(ULONG) FlashObject::EventPoint::Release() { return self->Release(); }
STDMETHODIMP FlashObject::EventPoint::GetConnectionInterface(IID* iid) {
  if (!iid) return E_POINTER;
  *iid = kIidShockwaveFlashEvents;
  return S_OK;
}
STDMETHODIMP FlashObject::EventPoint::GetConnectionPointContainer(IConnectionPointContainer** container) {
  if (!container) return E_POINTER;
  *container = self;
  self->AddRef();
  return S_OK;
}
STDMETHODIMP FlashObject::EventPoint::Advise(IUnknown* sink, DWORD* cookie) {
  try {
    if (!sink || !cookie) return E_POINTER;
    *cookie = 0;
    IDispatch* dispatch = nullptr;
    if (FAILED(sink->QueryInterface(kIidShockwaveFlashEvents, reinterpret_cast<void**>(&dispatch))) &&
        FAILED(sink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch))))
      return CONNECT_E_CANNOTCONNECT;
    *cookie = self->nextCookie_++;
    self->sinks_[*cookie] = dispatch;
    return S_OK;
  } catch (...) {
    return E_UNEXPECTED;
  }
}
STDMETHODIMP FlashObject::EventPoint::Unadvise(DWORD cookie) {
  auto it = self->sinks_.find(cookie);
  if (it == self->sinks_.end()) return CONNECT_E_NOCONNECTION;
  IDispatch* sink = it->second;
  self->sinks_.erase(it);
  sink->Release();
  return S_OK;
}
STDMETHODIMP FlashObject::EventPoint::EnumConnections(IEnumConnections** out) {
  if (out) *out = nullptr;
  return E_NOTIMPL;
}

}  // namespace swfcontrol
