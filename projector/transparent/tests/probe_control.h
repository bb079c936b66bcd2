// A small in-process control for the containment tests: it activates windowless when its site lets it (or
// windowed when told to), records what its site does to it, draws a solid colour and calls its site on request.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <ocidl.h>
#include <olectl.h>

#include <set>
#include <utility>
#include <vector>

#include "framework/com.h"

namespace probe {

// {5B0C7A61-3E2F-4B8D-9C41-7A2D0E6F1B93}
constexpr CLSID kClsid = {0x5b0c7a61, 0x3e2f, 0x4b8d, {0x9c, 0x41, 0x7a, 0x2d, 0x0e, 0x6f, 0x1b, 0x93}};
// {5B0C7A62-3E2F-4B8D-9C41-7A2D0E6F1B93}: the control's events.
constexpr IID kEventsIid = {0x5b0c7a62, 0x3e2f, 0x4b8d, {0x9c, 0x41, 0x7a, 0x2d, 0x0e, 0x6f, 0x1b, 0x93}};
constexpr DISPID kEventDispid = 1;
constexpr DISPID kAnswerDispid = 7;
constexpr long kAnswer = 42;

struct Options {
  bool windowless = true;
  COLORREF colour = RGB(0x20, 0xC0, 0x40);
  // Messages the control answers itself (S_OK); every other one goes to the site's OnDefWindowMessage.
  std::set<UINT> handled;
};

// The control, as the tests see it; every interface is implemented on the one object.
class Control : public IOleObject,
                public IOleInPlaceObjectWindowless,
                public IViewObject,
                public IDispatch,
                public IProvideClassInfo2,
                public IConnectionPointContainer {
 public:
  explicit Control(Options options);
  virtual ~Control();

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  // IOleObject
  STDMETHODIMP SetClientSite(IOleClientSite* site) override;
  STDMETHODIMP GetClientSite(IOleClientSite** site) override;
  STDMETHODIMP SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
  STDMETHODIMP Close(DWORD) override;
  STDMETHODIMP SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
  STDMETHODIMP InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP GetClipboardData(DWORD, IDataObject**) override { return E_NOTIMPL; }
  STDMETHODIMP DoVerb(LONG verb, LPMSG, IOleClientSite*, LONG, HWND parent, LPCRECT rect) override;
  STDMETHODIMP EnumVerbs(IEnumOLEVERB**) override { return E_NOTIMPL; }
  STDMETHODIMP Update() override { return S_OK; }
  STDMETHODIMP IsUpToDate() override { return S_OK; }
  STDMETHODIMP GetUserClassID(CLSID* clsid) override;
  STDMETHODIMP GetUserType(DWORD, LPOLESTR*) override { return E_NOTIMPL; }
  STDMETHODIMP SetExtent(DWORD, SIZEL*) override { return S_OK; }
  STDMETHODIMP GetExtent(DWORD, SIZEL*) override { return E_NOTIMPL; }
  STDMETHODIMP Advise(IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
  STDMETHODIMP Unadvise(DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP EnumAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }
  STDMETHODIMP GetMiscStatus(DWORD, DWORD* status) override;
  STDMETHODIMP SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

  // IOleInPlaceObjectWindowless
  STDMETHODIMP GetWindow(HWND* hwnd) override;
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP InPlaceDeactivate() override;
  STDMETHODIMP UIDeactivate() override { return S_OK; }
  STDMETHODIMP SetObjectRects(LPCRECT pos, LPCRECT clip) override;
  STDMETHODIMP ReactivateAndUndo() override { return E_NOTIMPL; }
  STDMETHODIMP OnWindowMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;
  STDMETHODIMP GetDropTarget(IDropTarget**) override { return E_NOTIMPL; }

  // IViewObject
  STDMETHODIMP Draw(DWORD aspect, LONG index, void*, DVTARGETDEVICE*, HDC, HDC dc, LPCRECTL bounds, LPCRECTL,
                    BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) override;
  STDMETHODIMP GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE**) override { return E_NOTIMPL; }
  STDMETHODIMP Freeze(DWORD, LONG, void*, DWORD*) override { return E_NOTIMPL; }
  STDMETHODIMP Unfreeze(DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP SetAdvise(DWORD, DWORD, IAdviseSink*) override { return S_OK; }
  STDMETHODIMP GetAdvise(DWORD*, DWORD*, IAdviseSink**) override { return E_NOTIMPL; }

  // IDispatch: the answer property and the stock Enabled property.
  STDMETHODIMP GetTypeInfoCount(UINT* count) override;
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                      UINT*) override;

  // IProvideClassInfo2 and one connection point for the events
  STDMETHODIMP GetClassInfo(ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetGUID(DWORD kind, GUID* guid) override;
  STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
  STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;

  // Raises the event with one long argument; the sink's answer.
  HRESULT Fire(long value);

  Options options;
  std::vector<LONG> verbs;
  std::vector<UINT> messages;
  // What the site's OnDefWindowMessage answered, per message.
  std::vector<std::pair<UINT, HRESULT>> defaultAnswers;
  int draws = 0;
  bool enabled = true;
  bool active = false;
  bool activeWindowless = false;
  HWND window = nullptr;
  RECT position{};
  framework::ComPtr<IOleClientSite> clientSite;
  framework::ComPtr<IOleInPlaceSiteWindowless> windowlessSite;
  framework::ComPtr<IDispatch> eventSink;

 private:
  // The one connection point, for the events; it lives and counts with the control.
  struct EventPoint : IConnectionPoint {
    Control* self = nullptr;
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override { return self->AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return self->Release(); }
    STDMETHODIMP GetConnectionInterface(IID* iid) override;
    STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** container) override;
    STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override;
    STDMETHODIMP Unadvise(DWORD cookie) override;
    STDMETHODIMP EnumConnections(IEnumConnections**) override { return E_NOTIMPL; }
  };
  EventPoint eventPoint_;

  HRESULT Activate(HWND parent, LPCRECT rect);
  ULONG refs_ = 1;
};

// Registers the control's class for this process while alive; the next control made takes these options.
class Registration {
 public:
  Registration();
  ~Registration();
  Registration(const Registration&) = delete;
  Registration& operator=(const Registration&) = delete;
  bool ok() const { return cookie_ != 0; }

 private:
  DWORD cookie_ = 0;
};

void SetNextOptions(Options options);
// The control made last (alive or not: read only while a site holds it), and how many are alive.
Control* LastMade();
int Alive();

}  // namespace probe
