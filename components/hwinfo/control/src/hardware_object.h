// The HardWareInfo control object: properties by dispatch identifier, in-place activation in an invisible window.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <oleidl.h>

#include "framework/com.h"
#include "framework/handles.h"
#include "machine_facts.h"

namespace hwinfo {

// The class identifier the control is registered and created under.
inline constexpr CLSID kClsidHardwareInfo = {0x50523B2B, 0x33D8, 0x49AE, {0x9B, 0x96, 0x3B, 0xB0, 0xBD, 0x18, 0xF1, 0xB3}};

HMODULE ModuleHandle();
void ModuleAddRef();
void ModuleRelease();

// The control's window, destroyed with its owner.
struct WindowTraits {
  using Handle = HWND;
  static Handle Invalid() noexcept { return nullptr; }
  static void Close(Handle h) noexcept { ::DestroyWindow(h); }
};
using UniqueWindow = framework::UniqueResource<WindowTraits>;

// One HardWareInfo control: answers the property reads and lives invisibly in its container's window.
class HardwareObject final : public IDispatch, public IOleObject, public IOleInPlaceObject {
 public:
  HardwareObject();
  HardwareObject(const HardwareObject&) = delete;
  HardwareObject& operator=(const HardwareObject&) = delete;

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  // IDispatch
  STDMETHODIMP GetTypeInfoCount(UINT* count) override;
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                      UINT*) override;

  // IOleObject
  STDMETHODIMP SetClientSite(IOleClientSite* site) override;
  STDMETHODIMP GetClientSite(IOleClientSite** site) override;
  STDMETHODIMP SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
  STDMETHODIMP Close(DWORD) override;
  STDMETHODIMP SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** out) override;
  STDMETHODIMP InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP GetClipboardData(DWORD, IDataObject** out) override;
  STDMETHODIMP DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND parent, LPCRECT rect) override;
  STDMETHODIMP EnumVerbs(IEnumOLEVERB**) override { return OLEOBJ_E_NOVERBS; }
  STDMETHODIMP Update() override { return S_OK; }
  STDMETHODIMP IsUpToDate() override { return S_OK; }
  STDMETHODIMP GetUserClassID(CLSID* clsid) override;
  STDMETHODIMP GetUserType(DWORD, LPOLESTR*) override { return OLE_S_USEREG; }
  STDMETHODIMP SetExtent(DWORD, SIZEL* size) override;
  STDMETHODIMP GetExtent(DWORD, SIZEL* size) override;
  STDMETHODIMP Advise(IAdviseSink*, DWORD*) override { return OLE_E_ADVISENOTSUPPORTED; }
  STDMETHODIMP Unadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
  STDMETHODIMP EnumAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }
  STDMETHODIMP GetMiscStatus(DWORD, DWORD* status) override;
  STDMETHODIMP SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

  // IOleWindow, IOleInPlaceObject
  STDMETHODIMP GetWindow(HWND* window) override;
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP InPlaceDeactivate() override;
  STDMETHODIMP UIDeactivate() override { return S_OK; }
  STDMETHODIMP SetObjectRects(LPCRECT position, LPCRECT clip) override;
  STDMETHODIMP ReactivateAndUndo() override { return E_NOTIMPL; }

 private:
  ~HardwareObject();
  HRESULT ActivateInPlace(IOleClientSite* site, HWND parent, LPCRECT rect);
  HRESULT ReadProperty(DISPID id, VARIANT* result);

  LONG refs_ = 1;
  framework::ComPtr<IOleClientSite> clientSite_;
  framework::ComPtr<IOleInPlaceSite> inPlaceSite_;
  UniqueWindow window_;
  SIZEL extent_{};
  MachineFacts facts_;
};

}  // namespace hwinfo
