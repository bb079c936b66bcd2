// The one connection point of a control: the sinks of its default event interface and the firing of events.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <ocidl.h>
#include <olectl.h>

#include <map>

namespace swfcontrol {

// Holds the advised sinks of one event interface; its references count on the control that owns it.
class EventConnections final : public IConnectionPoint {
 public:
  EventConnections(IConnectionPointContainer& owner, REFIID events) : owner_(owner), events_(events) {}
  ~EventConnections();
  EventConnections(const EventConnections&) = delete;
  EventConnections& operator=(const EventConnections&) = delete;

  // The answer of the owner's FindConnectionPoint.
  HRESULT Find(REFIID iid, IConnectionPoint** point);
  // Calls every sink; arguments go last first, as IDispatch::Invoke takes them.
  void Fire(DISPID id, VARIANT* args, UINT count);
  size_t size() const { return sinks_.size(); }

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP GetConnectionInterface(IID* iid) override;
  STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** container) override;
  STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override;
  STDMETHODIMP Unadvise(DWORD cookie) override;
  STDMETHODIMP EnumConnections(IEnumConnections** out) override;

 private:
  IConnectionPointContainer& owner_;
  IID events_;
  std::map<DWORD, IDispatch*> sinks_;
  DWORD nextCookie_ = 1;
};

}  // namespace swfcontrol
