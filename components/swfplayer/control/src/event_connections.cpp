#include "event_connections.h"

#include <vector>

namespace swfcontrol {

EventConnections::~EventConnections() {
  for (auto& [cookie, sink] : sinks_) sink->Release();
}

HRESULT EventConnections::Find(REFIID iid, IConnectionPoint** point) {
  if (!point) return E_POINTER;
  *point = nullptr;
  if (!IsEqualIID(iid, events_)) return CONNECT_E_NOCONNECTION;
  *point = this;
  AddRef();
  return S_OK;
}

void EventConnections::Fire(DISPID id, VARIANT* args, UINT count) {
  // Sinks may disconnect, or release the control, while an event is delivered.
  std::vector<IDispatch*> sinks;
  for (auto& [cookie, sink] : sinks_) {
    sink->AddRef();
    sinks.push_back(sink);
  }
  owner_.AddRef();
  for (IDispatch* sink : sinks) {
    DISPPARAMS params{args, nullptr, count, 0};
    VARIANT ignored;
    ::VariantInit(&ignored);
    sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &ignored, nullptr, nullptr);
    ::VariantClear(&ignored);
    sink->Release();
  }
  owner_.Release();
}

STDMETHODIMP EventConnections::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IConnectionPoint)) {
    *out = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) EventConnections::AddRef() { return owner_.AddRef(); }
STDMETHODIMP_(ULONG) EventConnections::Release() { return owner_.Release(); }

STDMETHODIMP EventConnections::GetConnectionInterface(IID* iid) {
  if (!iid) return E_POINTER;
  *iid = events_;
  return S_OK;
}

STDMETHODIMP EventConnections::GetConnectionPointContainer(IConnectionPointContainer** container) {
  if (!container) return E_POINTER;
  *container = &owner_;
  owner_.AddRef();
  return S_OK;
}

STDMETHODIMP EventConnections::Advise(IUnknown* sink, DWORD* cookie) {
  try {
    if (!sink || !cookie) return E_POINTER;
    *cookie = 0;
    IDispatch* dispatch = nullptr;
    if (FAILED(sink->QueryInterface(events_, reinterpret_cast<void**>(&dispatch))) &&
        FAILED(sink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch))))
      return CONNECT_E_CANNOTCONNECT;
    *cookie = nextCookie_++;
    sinks_[*cookie] = dispatch;
    return S_OK;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

STDMETHODIMP EventConnections::Unadvise(DWORD cookie) {
  auto it = sinks_.find(cookie);
  if (it == sinks_.end()) return CONNECT_E_NOCONNECTION;
  IDispatch* sink = it->second;
  sinks_.erase(it);
  sink->Release();
  return S_OK;
}

STDMETHODIMP EventConnections::EnumConnections(IEnumConnections** out) {
  if (out) *out = nullptr;
  return E_NOTIMPL;
}

}  // namespace swfcontrol
