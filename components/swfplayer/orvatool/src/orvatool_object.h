// The transparent player control "saxwrapper.orvatool": a movie played by the shared engine, activated without
// a window of its own, drawn with per-pixel alpha into whatever device context its container passes.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <ocidl.h>
#include <olectl.h>

#include <memory>
#include <string>

#include "event_connections.h"
#include "framework/com.h"
#include "movie_host.h"
#include "movie_view.h"
#include "ole_object_basics.h"
#include "picture_watch.h"

namespace orvatool {

extern const CLSID kClsidOrvatool;
extern const IID kIidOrvatool;
extern const IID kIidOrvatoolEvents;

// The DLL's module handle and its object count.
HMODULE ModuleHandle();
void ModuleAddRef();
void ModuleRelease();

// A hidden message-only window whose timer drives one control's movie clock.
class FrameClock {
 public:
  FrameClock() = default;
  ~FrameClock();
  FrameClock(const FrameClock&) = delete;
  FrameClock& operator=(const FrameClock&) = delete;
  // Calls tick every interval milliseconds on this thread until Stop; false when no window could be made.
  bool Start(UINT interval, void (*tick)(void* context), void* context);
  void Stop();
  bool running() const { return running_; }

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  HWND hwnd_ = nullptr;
  bool running_ = false;
  void (*tick_)(void*) = nullptr;
  void* context_ = nullptr;
};

// One control instance; COM methods are exception boundaries and return failure HRESULTs.
class OrvatoolObject : public IDispatch,
                       public swfcontrol::OleObjectBasics,
                       public IOleInPlaceObjectWindowless,
                       public IOleInPlaceActiveObject,
                       public IOleControl,
                       public IViewObject2,
                       public IConnectionPointContainer,
                       public IProvideClassInfo2,
                       public IPersistStreamInit {
 public:
  OrvatoolObject();
  virtual ~OrvatoolObject();

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

  // IOleWindow, IOleInPlaceObject(Windowless), IOleInPlaceActiveObject
  STDMETHODIMP GetWindow(HWND* hwnd) override;
  STDMETHODIMP ContextSensitiveHelp(BOOL) override;
  STDMETHODIMP InPlaceDeactivate() override;
  STDMETHODIMP UIDeactivate() override;
  STDMETHODIMP SetObjectRects(LPCRECT pos, LPCRECT clip) override;
  STDMETHODIMP ReactivateAndUndo() override;
  STDMETHODIMP OnWindowMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;
  STDMETHODIMP GetDropTarget(IDropTarget** target) override;
  STDMETHODIMP TranslateAccelerator(LPMSG) override;
  STDMETHODIMP OnFrameWindowActivate(BOOL) override;
  STDMETHODIMP OnDocWindowActivate(BOOL) override;
  STDMETHODIMP ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override;
  STDMETHODIMP EnableModeless(BOOL) override;

  // IOleControl
  STDMETHODIMP GetControlInfo(CONTROLINFO* info) override;
  STDMETHODIMP OnMnemonic(MSG*) override;
  STDMETHODIMP OnAmbientPropertyChange(DISPID) override;
  STDMETHODIMP FreezeEvents(BOOL freeze) override;

  // IViewObject2
  STDMETHODIMP Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC dc, LPCRECTL bounds, LPCRECTL,
                    BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) override;
  STDMETHODIMP GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE**) override;
  STDMETHODIMP Freeze(DWORD, LONG, void*, DWORD*) override;
  STDMETHODIMP Unfreeze(DWORD) override;
  STDMETHODIMP SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) override;
  STDMETHODIMP GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) override;
  STDMETHODIMP GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) override;

  // IConnectionPointContainer
  STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints**) override;
  STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;

  // IProvideClassInfo2
  STDMETHODIMP GetClassInfo(ITypeInfo** info) override;
  STDMETHODIMP GetGUID(DWORD kind, GUID* guid) override;

  // IPersistStreamInit
  STDMETHODIMP GetClassID(CLSID* clsid) override;
  STDMETHODIMP IsDirty() override;
  STDMETHODIMP Load(LPSTREAM) override;
  STDMETHODIMP Save(LPSTREAM, BOOL) override;
  STDMETHODIMP GetSizeMax(ULARGE_INTEGER* size) override;
  STDMETHODIMP InitNew() override;

 private:
  HRESULT Call(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result);
  HRESULT ActivateWindowless(IOleClientSite* site);
  bool LoadMovie(const std::wstring& path);
  void UnloadMovie();
  void RestartClock();
  static void OnClockTick(void* self);
  void Fire(DISPID id, VARIANT* args, UINT count);
  // Asks the container to draw the control again, through its windowless site.
  void Invalidate();
  HRESULT OnMouseMessage(UINT msg, LPARAM lp);

  LONG refs_ = 1;
  swfcontrol::EventConnections events_{*this, kIidOrvatoolEvents};
  framework::ComPtr<IOleClientSite> clientSite_;
  framework::ComPtr<IOleInPlaceSiteWindowless> site_;
  framework::ComPtr<IAdviseSink> viewAdvise_;
  int freezeEvents_ = 0;
  bool visible_ = true;
  RECT pos_{};
  std::wstring moviePath_;
  std::unique_ptr<swfcontrol::MovieHost> host_;
  std::unique_ptr<swfcontrol::MovieView> view_;
  swfcontrol::PictureWatch picture_;
  FrameClock clock_;
};

}  // namespace orvatool
