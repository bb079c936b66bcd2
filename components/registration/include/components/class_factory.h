// The class object of an in-process server that makes one kind of object, and the counts that decide
// whether the server may unload.
#pragma once

#include <windows.h>
#include <ole2.h>

namespace components {

// Counts a server module's live objects and its client locks.
struct ServerCounts {
  LONG objects = 0;
  LONG locks = 0;

  void AddObject() { ::InterlockedIncrement(&objects); }
  void RemoveObject() { ::InterlockedDecrement(&objects); }
  bool CanUnload() const { return objects == 0 && locks == 0; }
};

// Makes Object, which starts with one reference of its own; lives as long as the module.
template <class Object>
class SingleClassFactory final : public IClassFactory {
 public:
  explicit SingleClassFactory(ServerCounts& counts) : counts_(counts) {}

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
      *out = static_cast<IClassFactory*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  // A reference to the class object keeps the module, not the object, alive.
  STDMETHODIMP_(ULONG) AddRef() override {
    counts_.AddObject();
    return 2;
  }
  STDMETHODIMP_(ULONG) Release() override {
    counts_.RemoveObject();
    return 1;
  }
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    try {
      if (!out) return E_POINTER;
      *out = nullptr;
      if (outer) return CLASS_E_NOAGGREGATION;
      auto* object = new Object();
      HRESULT hr = object->QueryInterface(iid, out);
      object->Release();
      return hr;
    } catch (...) {
      return E_OUTOFMEMORY;
    }
  }
  STDMETHODIMP LockServer(BOOL lock) override {
    if (lock)
      ::InterlockedIncrement(&counts_.locks);
    else
      ::InterlockedDecrement(&counts_.locks);
    return S_OK;
  }

 private:
  ServerCounts& counts_;
};

// The answer of DllGetClassObject for a module whose one class is `served`.
inline HRESULT GetClassObject(IClassFactory& factory, REFCLSID served, REFCLSID wanted, REFIID iid,
                              void** out) noexcept {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!IsEqualCLSID(wanted, served)) return CLASS_E_CLASSNOTAVAILABLE;
  return factory.QueryInterface(iid, out);
}

}  // namespace components
