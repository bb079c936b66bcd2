// The transparent player control "saxwrapper.orvatool": a movie played by the shared engine, activated without
// a window of its own, drawn with per-pixel alpha into whatever device context its container passes.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <ocidl.h>
#include <olectl.h>

#include <memory>
#include <string>

#include "framework/com.h"
#include "control_basics.h"
#include "movie_host.h"
#include "movie_view.h"
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
class OrvatoolObject : public IDispatch, public swfcontrol::ControlBasics, public IOleInPlaceObjectWindowless {
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

  // IOleWindow, IOleInPlaceObject(Windowless)
  STDMETHODIMP GetWindow(HWND* hwnd) override;
  STDMETHODIMP ContextSensitiveHelp(BOOL) override;
  STDMETHODIMP InPlaceDeactivate() override;
  STDMETHODIMP UIDeactivate() override;
  STDMETHODIMP SetObjectRects(LPCRECT pos, LPCRECT clip) override;
  STDMETHODIMP ReactivateAndUndo() override;
  STDMETHODIMP OnWindowMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;
  STDMETHODIMP GetDropTarget(IDropTarget** target) override;

  // IViewObject
  STDMETHODIMP Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC dc, LPCRECTL bounds, LPCRECTL,
                    BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) override;

  // IProvideClassInfo
  STDMETHODIMP GetClassInfo(ITypeInfo** info) override;

 private:
  HRESULT Call(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result);
  HRESULT ActivateWindowless(IOleClientSite* site);
  bool LoadMovie(const std::wstring& path);
  void UnloadMovie();
  void RestartClock();
  static void OnClockTick(void* self);
  // Asks the container to draw the control again, through its windowless site.
  void Invalidate();
  HRESULT OnMouseMessage(UINT msg, LPARAM lp);

  LONG refs_ = 1;
  framework::ComPtr<IOleClientSite> clientSite_;
  framework::ComPtr<IOleInPlaceSiteWindowless> site_;
  bool visible_ = true;
  RECT pos_{};
  std::wstring moviePath_;
  std::unique_ptr<swfcontrol::MovieHost> host_;
  std::unique_ptr<swfcontrol::MovieView> view_;
  swfcontrol::PictureWatch picture_;
  FrameClock clock_;
};

}  // namespace orvatool
