// Control containment: the control manager, a window's control container, one site per control, and the
// event sink table that binds control events to member functions.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <ocidl.h>
#include <olectl.h>

#include <cstddef>
#include <map>
#include <string>
#include <tuple>
#include <utility>

#include "framework/com.h"
#include "framework/wnd.h"

namespace framework {

class COleControlSite;

// Initialises OLE for the calling thread once; FALSE when that fails.
BOOL AfxOleInit();

// Makes the containers and sites of control containment and routes control events to the windows.
class COccManager {
 public:
  virtual ~COccManager() = default;
  // A control raised an event: the wrapper of the control sees it first, then the container window.
  virtual BOOL OnEvent(COleControlSite* site, DISPID dispid, DISPPARAMS* params);
  virtual COleControlContainer* CreateContainer(CWnd* wnd);
  virtual COleControlSite* CreateSite(COleControlContainer* container);
};

// The controls of one window: its site table keyed by window handle, and the in-place frame they see.
class COleControlContainer {
 public:
  explicit COleControlContainer(CWnd* wnd);
  COleControlContainer(const COleControlContainer&) = delete;
  COleControlContainer& operator=(const COleControlContainer&) = delete;
  virtual ~COleControlContainer();

  // Makes a site through the control manager and creates the control in it; the site joins the table.
  virtual BOOL CreateControl(CWnd* wndCtrl, REFCLSID clsid, const wchar_t* windowName, DWORD style,
                             const RECT& rect, UINT id, CFile* persist = nullptr, BOOL storage = FALSE,
                             BSTR licenseKey = nullptr, COleControlSite** siteOut = nullptr);
  virtual void OnUIActivate(COleControlSite* site);
  virtual void OnUIDeactivate(COleControlSite* site);
  // The interfaces of the container object; derived containers answer theirs before calling this.
  virtual void* GetInterface(REFIID iid);

  COleControlSite* FindItem(UINT id) const;
  COleControlSite* FindSite(HWND key) const;
  // Closes the control of the site and deletes the site.
  void DestroySite(COleControlSite* site);

  ULONG ExternalAddRef() { return ++refs_; }
  ULONG ExternalRelease() { return refs_ > 1 ? --refs_ : 1; }
  HRESULT ExternalQueryInterface(REFIID iid, void** out);

  CWnd* m_pWnd;
  std::map<HWND, COleControlSite*> m_siteMap;
  COleControlSite* m_pSiteUIActive = nullptr;

 protected:
  // The frame every control of this container is in-place active in.
  struct XOleIPFrame : IOleInPlaceFrame {
    COleControlContainer* self = nullptr;
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP GetWindow(HWND* hwnd) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL) override;
    STDMETHODIMP GetBorder(LPRECT) override;
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override;
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override;
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR name) override;
    STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override;
    STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override;
    STDMETHODIMP RemoveMenus(HMENU) override;
    STDMETHODIMP SetStatusText(LPCOLESTR) override;
    STDMETHODIMP EnableModeless(BOOL) override;
    STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override;
  };
  XOleIPFrame m_xOleIPFrame;
  ComPtr<IOleInPlaceActiveObject> activeObject_;

 private:
  ULONG refs_ = 1;
};

// One control: the client site, in-place site, control site, ambient properties and event sink it talks to.
class COleControlSite {
 public:
  explicit COleControlSite(COleControlContainer* container);
  COleControlSite(const COleControlSite&) = delete;
  COleControlSite& operator=(const COleControlSite&) = delete;
  virtual ~COleControlSite();

  virtual HRESULT CreateControl(CWnd* wndCtrl, REFCLSID clsid, const wchar_t* windowName, DWORD style,
                                const RECT& rect, UINT id, CFile* persist = nullptr, BOOL storage = FALSE,
                                BSTR licenseKey = nullptr);
  // Creates the control object and initialises it fresh; S_QUICKACTIVATED is never answered.
  HRESULT CreateOrLoad(REFCLSID clsid, CFile* persist, BOOL storage, BSTR licenseKey);
  // Binds the wrapper window object to the control's own window once it is in-place active.
  void AttachWindow();
  void DetachWindow();
  HRESULT SetExtent();
  void GetControlInfo();
  HRESULT DoVerb(LONG verb, LPMSG msg = nullptr);
  // Connects the event sink to the control's default source interface.
  HRESULT ConnectEventSink();
  BOOL ConnectSink(REFIID iid, IUnknown* sink, DWORD* cookie);
  void DisconnectSink(REFIID iid, DWORD* cookie);
  // Deactivates and closes the control and drops every reference to it.
  void CloseControl();

  virtual DWORD GetStyle() const;
  virtual DWORD GetExStyle() const;
  virtual BOOL ModifyStyle(DWORD remove, DWORD add, UINT flags);
  virtual BOOL ModifyStyleEx(DWORD remove, DWORD add, UINT flags);
  virtual BOOL SetWindowPos(HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
  virtual BOOL ShowWindow(int command);
  virtual CWnd* SetFocus();
  virtual void MoveWindow(int x, int y, int cx, int cy, BOOL repaint = TRUE);
  virtual void SetWindowText(const wchar_t* text);

  HRESULT InvokeHelperV(DISPID id, WORD flags, Variant* result, Variant* args, size_t count);
  HRESULT GetProperty(DISPID id, Variant* value);
  HRESULT SetProperty(DISPID id, const Variant& value);
  // An event arrived at the sink.
  virtual HRESULT OnEvent(DISPID dispid, DISPPARAMS* params);

  // The interfaces of the site object; derived sites answer theirs before calling this.
  virtual void* GetInterface(REFIID iid);
  ULONG ExternalAddRef() { return ++refs_; }
  ULONG ExternalRelease() { return refs_ > 1 ? --refs_ : 1; }
  HRESULT ExternalQueryInterface(REFIID iid, void** out);
  HWND ContainerWindow() const;

  HWND m_hWnd = nullptr;
  CWnd* m_pWndCtrl = nullptr;
  COleControlContainer* m_pCtrlCont;
  UINT m_nID = 0;
  RECT m_rect{};
  DWORD m_dwStyle = 0;
  DWORD m_dwStyleMask = 0;
  DWORD m_dwMiscStatus = 0;
  CONTROLINFO m_ctlInfo{};
  IID m_iidEvents = IID_NULL;
  DWORD m_dwEventSink = 0;
  DWORD m_dwPropNotifySink = 0;
  ComPtr<IOleObject> m_pObject;
  ComPtr<IOleInPlaceObject> m_pInPlaceObject;
  ComPtr<IDispatch> m_pDispatch;

 protected:
  struct XOleClientSite : IOleClientSite {
    COleControlSite* self = nullptr;
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP SaveObject() override;
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) override;
    STDMETHODIMP GetContainer(IOleContainer**) override;
    STDMETHODIMP ShowObject() override;
    STDMETHODIMP OnShowWindow(BOOL) override;
    STDMETHODIMP RequestNewObjectLayout() override;
  };
  struct XOleIPSite : IOleInPlaceSite {
    COleControlSite* self = nullptr;
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP GetWindow(HWND* hwnd) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL) override;
    STDMETHODIMP CanInPlaceActivate() override;
    STDMETHODIMP OnInPlaceActivate() override;
    STDMETHODIMP OnUIActivate() override;
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT pos, LPRECT clip,
                                  LPOLEINPLACEFRAMEINFO info) override;
    STDMETHODIMP Scroll(SIZE) override;
    STDMETHODIMP OnUIDeactivate(BOOL) override;
    STDMETHODIMP OnInPlaceDeactivate() override;
    STDMETHODIMP DiscardUndoState() override;
    STDMETHODIMP DeactivateAndUndo() override;
    STDMETHODIMP OnPosRectChange(LPCRECT rect) override;
  };
  struct XOleControlSite : IOleControlSite {
    COleControlSite* self = nullptr;
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP OnControlInfoChanged() override;
    STDMETHODIMP LockInPlaceActive(BOOL) override;
    STDMETHODIMP GetExtendedControl(IDispatch** out) override;
    STDMETHODIMP TransformCoords(POINTL* himetric, POINTF* container, DWORD flags) override;
    STDMETHODIMP TranslateAccelerator(MSG*, DWORD) override;
    STDMETHODIMP OnFocus(BOOL) override;
    STDMETHODIMP ShowPropertyFrame() override;
  };
  // Shared shape of the two IDispatch objects of the site.
  struct XDispatchBase : IDispatch {
    COleControlSite* self = nullptr;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override;
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
  };
  struct XAmbientProps : XDispatchBase {
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override;
  };
  struct XEventSink : XDispatchBase {
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override;
  };
  struct XPropertyNotifySink : IPropertyNotifySink {
    COleControlSite* self = nullptr;
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP OnChanged(DISPID) override;
    STDMETHODIMP OnRequestEdit(DISPID) override;
  };
  // Answers the ambient properties the control asks for; false for those the container does not offer.
  virtual bool GetAmbientProperty(DISPID dispid, VARIANT* value);

  XOleClientSite m_xOleClientSite;
  XOleIPSite m_xOleIPSite;
  XOleControlSite m_xOleControlSite;
  XAmbientProps m_xAmbientProps;
  XEventSink m_xEventSink;
  XPropertyNotifySink m_xPropertyNotifySink;

 private:
  ULONG refs_ = 1;
};

// One entry of a window's event sink table: a control id, a DISPID and the handler that unpacks the arguments.
struct EventSinkEntry {
  UINT controlId;
  DISPID dispid;
  HRESULT (*invoke)(CWnd* target, DISPPARAMS* params);
};

namespace occ_detail {

// Reads argument i (in declaration order) of an event as the handler's parameter type.
template <typename T>
struct EventArg;
template <>
struct EventArg<long> {
  static bool Get(const Variant& v, long* out) { return v.ToLong(out); }
};
template <>
struct EventArg<bool> {
  static bool Get(const Variant& v, bool* out) { return v.ToBool(out); }
};
template <>
struct EventArg<std::wstring> {
  static bool Get(const Variant& v, std::wstring* out) { return v.ToString(out); }
};

template <typename T>
using Plain = std::remove_cv_t<std::remove_reference_t<T>>;

template <typename C, typename... A, size_t... I>
HRESULT CallHandler(C* target, void (C::*handler)(A...), DISPPARAMS* params, std::index_sequence<I...>) {
  constexpr size_t n = sizeof...(A);
  if (!params || params->cArgs < n) return DISP_E_BADPARAMCOUNT;
  std::tuple<Plain<A>...> values;
  bool ok = true;
  // Arguments arrive last first.
  ((ok = ok && [&] {
     Variant v;
     if (FAILED(::VariantCopyInd(v.get(), &params->rgvarg[params->cArgs - 1 - I]))) return false;
     return EventArg<Plain<A>>::Get(v, &std::get<I>(values));
   }()),
   ...);
  if (!ok) return DISP_E_TYPEMISMATCH;
  (target->*handler)(std::get<I>(values)...);
  return S_OK;
}

template <auto Handler>
struct HandlerTraits;
template <typename C, typename... A, void (C::*H)(A...)>
struct HandlerTraits<H> {
  static HRESULT Invoke(CWnd* target, DISPPARAMS* params) {
    return CallHandler(static_cast<C*>(target), H, params, std::index_sequence_for<A...>{});
  }
};

}  // namespace occ_detail

// ON_EVENT: binds an event of the control with the id to a member function taking long, bool or std::wstring.
template <auto Handler>
constexpr EventSinkEntry OnEvent(UINT controlId, DISPID dispid) {
  return {controlId, dispid, &occ_detail::HandlerTraits<Handler>::Invoke};
}

template <typename... Args>
HRESULT CWnd::InvokeHelper(DISPID id, WORD flags, Variant* result, Args&&... args) {
  Variant params[] = {Variant(std::forward<Args>(args))..., Variant()};
  return InvokeHelperV(id, flags, result, params, sizeof...(Args));
}

}  // namespace framework
