// The control site: creating, placing and driving one control and answering its ambient properties.
#include <vector>

#include "framework/handles.h"
#include "framework/occ.h"
#include "occ_shared.h"

namespace framework {

namespace detail {

int PixelsPerInch(bool horizontal) {
  ScreenDC screen;
  int ppi = ::GetDeviceCaps(screen.get(), horizontal ? LOGPIXELSX : LOGPIXELSY);
  return ppi > 0 ? ppi : 96;
}

}  // namespace detail

using detail::kHimetricPerInch;
using detail::Manager;
using detail::PixelsPerInch;

// ---- COleControlSite ----

COleControlSite::COleControlSite(COleControlContainer* container) : m_pCtrlCont(container) {
  m_xOleClientSite.self = this;
  m_xOleIPSite.self = this;
  m_xOleControlSite.self = this;
  m_xAmbientProps.self = this;
  m_xEventSink.self = this;
  m_xPropertyNotifySink.self = this;
  m_ctlInfo.cb = sizeof(m_ctlInfo);
}

COleControlSite::~COleControlSite() { CloseControl(); }

HWND COleControlSite::ContainerWindow() const {
  return m_pCtrlCont && m_pCtrlCont->m_pWnd ? m_pCtrlCont->m_pWnd->m_hWnd : nullptr;
}

void COleControlSite::CloseControl() {
  DetachWindow();
  if (m_pWndCtrl) {
    m_pWndCtrl->m_pCtrlSite = nullptr;
    m_pWndCtrl = nullptr;
  }
  if (m_pInPlaceObject) {
    m_pInPlaceObject->InPlaceDeactivate();
    m_pInPlaceObject.reset();
  }
  if (m_dwEventSink) DisconnectSink(m_iidEvents, &m_dwEventSink);
  if (m_dwPropNotifySink) DisconnectSink(IID_IPropertyNotifySink, &m_dwPropNotifySink);
  m_pDispatch.reset();
  if (m_pObject) {
    m_pObject->Close(OLECLOSE_NOSAVE);
    m_pObject->SetClientSite(nullptr);
    m_pObject.reset();
  }
}

HRESULT COleControlSite::CreateControl(CWnd* wndCtrl, REFCLSID clsid, const wchar_t* windowName, DWORD style,
                                       const RECT& rect, UINT id, CFile* persist, BOOL storage, BSTR licenseKey) {
  m_hWnd = nullptr;
  m_pWndCtrl = wndCtrl;
  if (wndCtrl) wndCtrl->m_pCtrlSite = this;
  auto unlink = [&] {
    if (wndCtrl && wndCtrl->m_pCtrlSite == this) wndCtrl->m_pCtrlSite = nullptr;
    m_pWndCtrl = nullptr;
  };
  if (!AfxOleInit()) {
    unlink();
    return E_FAIL;
  }
  HRESULT hr = CreateOrLoad(clsid, persist, storage, licenseKey);
  if (FAILED(hr)) {
    unlink();
    return hr;
  }
  m_nID = id;
  m_rect = rect;
  m_dwStyleMask = WS_GROUP | WS_TABSTOP;
  if (m_dwMiscStatus & OLEMISC_ACTSLIKEBUTTON) m_dwStyleMask |= BS_DEFPUSHBUTTON;
  if (m_dwMiscStatus & OLEMISC_INVISIBLEATRUNTIME) style &= ~WS_VISIBLE;
  m_dwStyle = style & m_dwStyleMask;

  ConnectEventSink();
  ConnectSink(IID_IPropertyNotifySink, &m_xPropertyNotifySink, &m_dwPropNotifySink);
  SetExtent();

  hr = m_pInPlaceObject.QueryFrom(m_pObject.get(), IID_IOleInPlaceObject);
  if (SUCCEEDED(hr)) {
    if (style & WS_VISIBLE) {
      hr = DoVerb(OLEIVERB_INPLACEACTIVATE);
    } else {
      ::OffsetRect(&m_rect, -32000, -32000);
      hr = DoVerb(OLEIVERB_INPLACEACTIVATE);
      if (SUCCEEDED(hr)) hr = DoVerb(OLEIVERB_HIDE);
      ::OffsetRect(&m_rect, 32000, 32000);
      if (SUCCEEDED(hr) && m_pInPlaceObject) hr = m_pInPlaceObject->SetObjectRects(&m_rect, &m_rect);
    }
  }
  if (SUCCEEDED(hr)) {
    GetControlInfo();
  } else {
    unlink();
    CloseControl();
    return hr;
  }
  AttachWindow();
  if (windowName && *windowName) SetWindowText(windowName);
  ModifyStyle(0, m_dwStyle | (style & (WS_DISABLED | WS_BORDER)), 0);
  return hr;
}

HRESULT COleControlSite::CreateOrLoad(REFCLSID clsid, CFile* persist, BOOL storage, BSTR licenseKey) {
  ComPtr<IUnknown> unknown;
  HRESULT hr;
  if (licenseKey) {
    ComPtr<IClassFactory2> factory;
    hr = ::CoGetClassObject(clsid, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, nullptr, IID_IClassFactory2,
                            factory.put_void());
    if (SUCCEEDED(hr)) hr = factory->CreateInstanceLic(nullptr, nullptr, IID_IUnknown, licenseKey, unknown.put_void());
  } else {
    hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IUnknown,
                            unknown.put_void());
  }
  if (FAILED(hr)) return hr;
  hr = m_pObject.QueryFrom(unknown.get(), IID_IOleObject);
  if (FAILED(hr)) return hr;
  m_pDispatch.QueryFrom(unknown.get(), IID_IDispatch);
  m_dwMiscStatus = 0;
  m_pObject->GetMiscStatus(DVASPECT_CONTENT, &m_dwMiscStatus);
  bool siteSet = false;
  if (m_dwMiscStatus & OLEMISC_SETCLIENTSITEFIRST) {
    m_pObject->SetClientSite(&m_xOleClientSite);
    siteSet = true;
  }
  // Saved control state is not kept by this framework; every control starts from its defaults.
  (void)persist;
  (void)storage;
  ComPtr<IPersistStreamInit> streamInit;
  if (SUCCEEDED(streamInit.QueryFrom(unknown.get(), IID_IPersistStreamInit))) {
    hr = streamInit->InitNew();
    if (FAILED(hr) && hr != E_NOTIMPL) return hr;
  }
  if (!siteSet) m_pObject->SetClientSite(&m_xOleClientSite);
  return S_OK;
}

void COleControlSite::AttachWindow() {
  HWND hwnd = nullptr;
  if (m_pInPlaceObject && SUCCEEDED(m_pInPlaceObject->GetWindow(&hwnd)) && hwnd) {
    m_hWnd = hwnd;
    if (m_pWndCtrl && !m_pWndCtrl->m_hWnd) m_pWndCtrl->SubclassWindow(hwnd);
  }
  if (m_pWndCtrl) m_pWndCtrl->m_pCtrlSite = this;
}

void COleControlSite::DetachWindow() {
  if (m_pWndCtrl && m_pWndCtrl->m_hWnd) m_pWndCtrl->UnsubclassWindow();
  if (m_pWndCtrl) m_pWndCtrl->m_pCtrlSite = nullptr;
  m_hWnd = nullptr;
}

HRESULT COleControlSite::SetExtent() {
  if (!m_pObject) return E_UNEXPECTED;
  SIZEL size;
  size.cx = MulDiv(m_rect.right - m_rect.left, kHimetricPerInch, PixelsPerInch(true));
  size.cy = MulDiv(m_rect.bottom - m_rect.top, kHimetricPerInch, PixelsPerInch(false));
  return m_pObject->SetExtent(DVASPECT_CONTENT, &size);
}

void COleControlSite::GetControlInfo() {
  m_ctlInfo = {};
  m_ctlInfo.cb = sizeof(m_ctlInfo);
  ComPtr<IOleControl> control;
  if (SUCCEEDED(control.QueryFrom(m_pObject.get(), IID_IOleControl))) control->GetControlInfo(&m_ctlInfo);
}

HRESULT COleControlSite::DoVerb(LONG verb, LPMSG msg) {
  if (!m_pObject) return E_UNEXPECTED;
  return m_pObject->DoVerb(verb, msg, &m_xOleClientSite, 0, ContainerWindow(), &m_rect);
}

HRESULT COleControlSite::ConnectEventSink() {
  m_iidEvents = IID_NULL;
  ComPtr<IProvideClassInfo2> info2;
  if (SUCCEEDED(info2.QueryFrom(m_pObject.get(), IID_IProvideClassInfo2))) {
    if (FAILED(info2->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &m_iidEvents))) m_iidEvents = IID_NULL;
  }
  if (IsEqualIID(m_iidEvents, IID_NULL)) {
    ComPtr<IProvideClassInfo> info;
    ComPtr<ITypeInfo> classInfo;
    TYPEATTR* attr = nullptr;
    if (SUCCEEDED(info.QueryFrom(m_pObject.get(), IID_IProvideClassInfo)) &&
        SUCCEEDED(info->GetClassInfo(classInfo.put())) && SUCCEEDED(classInfo->GetTypeAttr(&attr))) {
      for (UINT i = 0; i < attr->cImplTypes; ++i) {
        INT flags = 0;
        HREFTYPE ref;
        ComPtr<ITypeInfo> implemented;
        TYPEATTR* implAttr = nullptr;
        if (FAILED(classInfo->GetImplTypeFlags(i, &flags)) ||
            (flags & (IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE)) != (IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE))
          continue;
        if (SUCCEEDED(classInfo->GetRefTypeOfImplType(i, &ref)) &&
            SUCCEEDED(classInfo->GetRefTypeInfo(ref, implemented.put())) &&
            SUCCEEDED(implemented->GetTypeAttr(&implAttr))) {
          m_iidEvents = implAttr->guid;
          implemented->ReleaseTypeAttr(implAttr);
        }
        break;
      }
      classInfo->ReleaseTypeAttr(attr);
    }
  }
  if (IsEqualIID(m_iidEvents, IID_NULL)) return E_NOINTERFACE;
  return ConnectSink(m_iidEvents, static_cast<IDispatch*>(&m_xEventSink), &m_dwEventSink) ? S_OK : E_FAIL;
}

BOOL COleControlSite::ConnectSink(REFIID iid, IUnknown* sink, DWORD* cookie) {
  *cookie = 0;
  ComPtr<IConnectionPointContainer> points;
  ComPtr<IConnectionPoint> point;
  if (FAILED(points.QueryFrom(m_pObject.get(), IID_IConnectionPointContainer))) return FALSE;
  if (FAILED(points->FindConnectionPoint(iid, point.put()))) return FALSE;
  return SUCCEEDED(point->Advise(sink, cookie));
}

void COleControlSite::DisconnectSink(REFIID iid, DWORD* cookie) {
  ComPtr<IConnectionPointContainer> points;
  ComPtr<IConnectionPoint> point;
  if (*cookie && SUCCEEDED(points.QueryFrom(m_pObject.get(), IID_IConnectionPointContainer)) &&
      SUCCEEDED(points->FindConnectionPoint(iid, point.put())))
    point->Unadvise(*cookie);
  *cookie = 0;
}

DWORD COleControlSite::GetStyle() const {
  DWORD style = m_dwStyle;
  if (m_hWnd) style |= static_cast<DWORD>(::GetWindowLongW(m_hWnd, GWL_STYLE)) & WS_VISIBLE;
  return style;
}

DWORD COleControlSite::GetExStyle() const {
  return m_hWnd ? static_cast<DWORD>(::GetWindowLongW(m_hWnd, GWL_EXSTYLE)) : 0;
}

BOOL COleControlSite::ModifyStyle(DWORD remove, DWORD add, UINT flags) {
  m_dwStyle = ((m_dwStyle & ~remove) | add) & m_dwStyleMask;
  if (!m_hWnd) return FALSE;
  DWORD style = static_cast<DWORD>(::GetWindowLongW(m_hWnd, GWL_STYLE));
  DWORD changed = (style & ~remove) | (add & ~(WS_GROUP | WS_TABSTOP));
  if (changed == style) return FALSE;
  ::SetWindowLongW(m_hWnd, GWL_STYLE, static_cast<LONG>(changed));
  if (flags) ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | flags);
  return TRUE;
}

BOOL COleControlSite::ModifyStyleEx(DWORD remove, DWORD add, UINT flags) {
  if (!m_hWnd) return FALSE;
  DWORD style = static_cast<DWORD>(::GetWindowLongW(m_hWnd, GWL_EXSTYLE));
  DWORD changed = (style & ~remove) | add;
  if (changed == style) return FALSE;
  ::SetWindowLongW(m_hWnd, GWL_EXSTYLE, static_cast<LONG>(changed));
  if (flags) ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | flags);
  return TRUE;
}

BOOL COleControlSite::SetWindowPos(HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  if (flags & SWP_HIDEWINDOW) ShowWindow(SW_HIDE);
  if ((flags & (SWP_NOMOVE | SWP_NOSIZE)) != (SWP_NOMOVE | SWP_NOSIZE)) {
    int nx = (flags & SWP_NOMOVE) ? m_rect.left : x;
    int ny = (flags & SWP_NOMOVE) ? m_rect.top : y;
    int ncx = (flags & SWP_NOSIZE) ? m_rect.right - m_rect.left : cx;
    int ncy = (flags & SWP_NOSIZE) ? m_rect.bottom - m_rect.top : cy;
    MoveWindow(nx, ny, ncx, ncy, !(flags & SWP_NOREDRAW));
  }
  if (flags & SWP_SHOWWINDOW) ShowWindow(SW_SHOW);
  if (!m_hWnd) return FALSE;
  return ::SetWindowPos(m_hWnd, insertAfter, x, y, cx, cy,
                        (flags & ~(SWP_SHOWWINDOW | SWP_HIDEWINDOW)) | SWP_NOMOVE | SWP_NOSIZE);
}

BOOL COleControlSite::ShowWindow(int command) {
  BOOL visible = (GetStyle() & WS_VISIBLE) != 0;
  switch (command) {
    case SW_HIDE:
      DoVerb(OLEIVERB_HIDE);
      break;
    case SW_SHOWNORMAL:
    case SW_SHOWNOACTIVATE:
    case SW_SHOW:
      DoVerb(OLEIVERB_SHOW);
      break;
    default:
      break;
  }
  return visible;
}

CWnd* COleControlSite::SetFocus() {
  CWnd* previous = CWnd::FromHandlePermanent(::GetFocus());
  if (m_hWnd && (m_dwMiscStatus & OLEMISC_NOUIACTIVATE))
    ::SetFocus(m_hWnd);
  else
    DoVerb(OLEIVERB_UIACTIVATE);
  return previous;
}

void COleControlSite::MoveWindow(int x, int y, int cx, int cy, BOOL repaint) {
  m_rect = {x, y, x + cx, y + cy};
  SetExtent();
  if (m_pInPlaceObject) {
    m_pInPlaceObject->SetObjectRects(&m_rect, &m_rect);
  } else if (m_hWnd) {
    ::MoveWindow(m_hWnd, x, y, cx, cy, repaint);
  }
}

void COleControlSite::SetWindowText(const wchar_t* text) {
  if (m_hWnd) ::SetWindowTextW(m_hWnd, text ? text : L"");
}

HRESULT COleControlSite::InvokeHelperV(DISPID id, WORD flags, Variant* result, Variant* args, size_t count) {
  if (!m_pDispatch) return E_NOINTERFACE;
  std::vector<VARIANT> reversed(count);
  for (size_t i = 0; i < count; ++i) reversed[count - 1 - i] = *args[i].get();
  DISPPARAMS params{};
  params.cArgs = static_cast<UINT>(count);
  params.rgvarg = count ? reversed.data() : nullptr;
  DISPID named = DISPID_PROPERTYPUT;
  if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
    params.cNamedArgs = 1;
    params.rgdispidNamedArgs = &named;
  }
  Variant ignored;
  EXCEPINFO exception{};
  UINT argError = 0;
  HRESULT hr = m_pDispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                                   result ? result->put() : ignored.put(), &exception, &argError);
  if (exception.bstrSource) ::SysFreeString(exception.bstrSource);
  if (exception.bstrDescription) ::SysFreeString(exception.bstrDescription);
  if (exception.bstrHelpFile) ::SysFreeString(exception.bstrHelpFile);
  return hr;
}

HRESULT COleControlSite::GetProperty(DISPID id, Variant* value) {
  return InvokeHelperV(id, DISPATCH_PROPERTYGET, value, nullptr, 0);
}

HRESULT COleControlSite::SetProperty(DISPID id, const Variant& value) {
  Variant arg;
  if (FAILED(::VariantCopy(arg.get(), const_cast<VARIANT*>(value.get())))) return E_OUTOFMEMORY;
  return InvokeHelperV(id, DISPATCH_PROPERTYPUT, nullptr, &arg, 1);
}

HRESULT COleControlSite::OnEvent(DISPID dispid, DISPPARAMS* params) {
  Manager()->OnEvent(this, dispid, params);
  return S_OK;
}

bool COleControlSite::GetAmbientProperty(DISPID dispid, VARIANT* value) {
  switch (dispid) {
    case DISPID_AMBIENT_USERMODE:
      value->vt = VT_BOOL;
      value->boolVal = VARIANT_TRUE;
      return true;
    case DISPID_AMBIENT_UIDEAD:
    case DISPID_AMBIENT_SHOWGRABHANDLES:
    case DISPID_AMBIENT_SHOWHATCHING:
    case DISPID_AMBIENT_MESSAGEREFLECT:
    case DISPID_AMBIENT_SUPPORTSMNEMONICS:
    case DISPID_AMBIENT_DISPLAYASDEFAULT:
      value->vt = VT_BOOL;
      value->boolVal = VARIANT_FALSE;
      return true;
    case DISPID_AMBIENT_BACKCOLOR:
      value->vt = VT_I4;
      value->lVal = static_cast<LONG>(::GetSysColor(COLOR_WINDOW));
      return true;
    case DISPID_AMBIENT_FORECOLOR:
      value->vt = VT_I4;
      value->lVal = static_cast<LONG>(::GetSysColor(COLOR_WINDOWTEXT));
      return true;
    case DISPID_AMBIENT_LOCALEID:
      value->vt = VT_I4;
      value->lVal = static_cast<LONG>(::GetUserDefaultLCID());
      return true;
    default:
      return false;
  }
}

void* COleControlSite::GetInterface(REFIID iid) {
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IOleClientSite))
    return static_cast<IOleClientSite*>(&m_xOleClientSite);
  if (IsEqualIID(iid, IID_IOleWindow) || IsEqualIID(iid, IID_IOleInPlaceSite))
    return static_cast<IOleInPlaceSite*>(&m_xOleIPSite);
  if (IsEqualIID(iid, IID_IOleControlSite)) return static_cast<IOleControlSite*>(&m_xOleControlSite);
  if (IsEqualIID(iid, IID_IDispatch)) return static_cast<IDispatch*>(&m_xAmbientProps);
  if (IsEqualIID(iid, IID_IPropertyNotifySink)) return static_cast<IPropertyNotifySink*>(&m_xPropertyNotifySink);
  return nullptr;
}

HRESULT COleControlSite::ExternalQueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = GetInterface(iid);
  if (!*out) return E_NOINTERFACE;
  static_cast<IUnknown*>(*out)->AddRef();
  return S_OK;
}

}  // namespace framework
