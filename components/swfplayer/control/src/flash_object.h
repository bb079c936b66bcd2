// The Shockwave Flash control object: OLE embedding, in-place activation, dispatch, events and drawing.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <ocidl.h>
#include <olectl.h>

#include <memory>
#include <string>

#include "control_basics.h"
#include "movie_host.h"
#include "movie_view.h"

namespace swfcontrol {

extern const CLSID kClsidShockwaveFlash;
extern const IID kIidShockwaveFlash;
extern const IID kIidShockwaveFlashEvents;
extern const GUID kLibidShockwaveFlash;

// The DLL's module handle and its object and lock counts.
HMODULE ModuleHandle();
void ModuleAddRef();
void ModuleRelease();
// The type library carried in the DLL's resources, or null.
ITypeLib* TypeLibrary();

// One control instance; COM methods are exception boundaries and return failure HRESULTs.
class FlashObject : public IDispatch, public ControlBasics, public IOleInPlaceObject {
 public:
  FlashObject();
  virtual ~FlashObject();

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  // IDispatch
  STDMETHODIMP GetTypeInfoCount(UINT* count) override;
  STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** out) override;
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                      UINT* argError) override;

  // IOleObject
  STDMETHODIMP SetClientSite(IOleClientSite* site) override;
  STDMETHODIMP GetClientSite(IOleClientSite** site) override;
  STDMETHODIMP Close(DWORD) override;
  STDMETHODIMP DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND parent, LPCRECT rect) override;
  STDMETHODIMP GetUserClassID(CLSID* clsid) override;

  // IOleWindow, IOleInPlaceObject
  STDMETHODIMP GetWindow(HWND* hwnd) override;
  STDMETHODIMP ContextSensitiveHelp(BOOL) override;
  STDMETHODIMP InPlaceDeactivate() override;
  STDMETHODIMP UIDeactivate() override;
  STDMETHODIMP SetObjectRects(LPCRECT pos, LPCRECT clip) override;
  STDMETHODIMP ReactivateAndUndo() override;

  // IViewObject
  STDMETHODIMP Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC dc, LPCRECTL bounds, LPCRECTL,
                    BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) override;

  // IProvideClassInfo
  STDMETHODIMP GetClassInfo(ITypeInfo** info) override;

 private:
  static constexpr UINT_PTR kFrameTimer = 1;

  HRESULT Call(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result);
  HRESULT InPlaceActivate(IOleClientSite* site, bool show);
  bool LoadMovie(const std::wstring& path);
  void UnloadMovie();
  void RestartTimer();
  void Invalidate();
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp);

  LONG refs_ = 1;
  IOleClientSite* clientSite_ = nullptr;
  IOleInPlaceSite* inPlaceSite_ = nullptr;
  HWND hwnd_ = nullptr;
  RECT pos_{};
  std::wstring moviePath_;
  int quality_ = 1;
  std::unique_ptr<MovieHost> host_;
  std::unique_ptr<MovieView> view_;
};

}  // namespace swfcontrol
