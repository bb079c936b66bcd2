// The test control: activation, the recorded calls, drawing, and its class object.
#include "probe_control.h"

namespace probe {

namespace {

Options g_nextOptions;
Control* g_last = nullptr;
int g_alive = 0;

class Factory : public IClassFactory {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
      *out = static_cast<IClassFactory*>(this);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    auto* control = new Control(g_nextOptions);
    HRESULT hr = control->QueryInterface(iid, out);
    control->Release();
    return hr;
  }
  STDMETHODIMP LockServer(BOOL) override { return S_OK; }
};

Factory g_factory;

}  // namespace

void SetNextOptions(Options options) { g_nextOptions = std::move(options); }
Control* LastMade() { return g_last; }
int Alive() { return g_alive; }

Registration::Registration() {
  if (FAILED(::CoRegisterClassObject(kClsid, &g_factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie_)))
    cookie_ = 0;
}

Registration::~Registration() {
  if (cookie_) ::CoRevokeClassObject(cookie_);
}

Control::Control(Options o) : options(std::move(o)) {
  eventPoint_.self = this;
  g_last = this;
  ++g_alive;
}

Control::~Control() {
  if (window) ::DestroyWindow(window);
  if (g_last == this) g_last = nullptr;
  --g_alive;
}

STDMETHODIMP Control::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IOleObject))
    *out = static_cast<IOleObject*>(this);
  else if (IsEqualIID(iid, IID_IOleWindow) || IsEqualIID(iid, IID_IOleInPlaceObject) ||
           IsEqualIID(iid, IID_IOleInPlaceObjectWindowless))
    *out = static_cast<IOleInPlaceObjectWindowless*>(this);
  else if (IsEqualIID(iid, IID_IViewObject))
    *out = static_cast<IViewObject*>(this);
  else if (IsEqualIID(iid, IID_IDispatch))
    *out = static_cast<IDispatch*>(this);
  else if (IsEqualIID(iid, IID_IProvideClassInfo) || IsEqualIID(iid, IID_IProvideClassInfo2))
    *out = static_cast<IProvideClassInfo2*>(this);
  else if (IsEqualIID(iid, IID_IConnectionPointContainer))
    *out = static_cast<IConnectionPointContainer*>(this);

  if (!*out) return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) Control::AddRef() { return ++refs_; }

STDMETHODIMP_(ULONG) Control::Release() {
  ULONG left = --refs_;
  if (left == 0) delete this;
  return left;
}

STDMETHODIMP Control::SetClientSite(IOleClientSite* site) {
  clientSite = framework::ComPtr<IOleClientSite>::AddRefFrom(site);
  if (!site) windowlessSite.reset();
  return S_OK;
}

STDMETHODIMP Control::GetClientSite(IOleClientSite** site) {
  if (!site) return E_POINTER;
  *site = clientSite.get();
  if (*site) (*site)->AddRef();
  return S_OK;
}

STDMETHODIMP Control::Close(DWORD) {
  InPlaceDeactivate();
  return S_OK;
}

STDMETHODIMP Control::DoVerb(LONG verb, LPMSG, IOleClientSite*, LONG, HWND parent, LPCRECT rect) {
  verbs.push_back(verb);
  switch (verb) {
    case OLEIVERB_INPLACEACTIVATE:
    case OLEIVERB_SHOW:
      return active ? S_OK : Activate(parent, rect);
    case OLEIVERB_UIACTIVATE: {
      HRESULT hr = active ? S_OK : Activate(parent, rect);
      framework::ComPtr<IOleInPlaceSite> site;
      if (SUCCEEDED(hr) && SUCCEEDED(site.QueryFrom(clientSite.get(), IID_IOleInPlaceSite))) site->OnUIActivate();
      return hr;
    }
    case OLEIVERB_HIDE:
      if (window) ::ShowWindow(window, SW_HIDE);
      return S_OK;
    default:
      return OLEOBJ_S_INVALIDVERB;
  }
}

HRESULT Control::Activate(HWND parent, LPCRECT rect) {
  if (rect) position = *rect;
  framework::ComPtr<IOleInPlaceSiteWindowless> windowless;
  if (options.windowless && SUCCEEDED(windowless.QueryFrom(clientSite.get(), IID_IOleInPlaceSiteWindowless)) &&
      windowless->CanWindowlessActivate() == S_OK) {
    BOOL noRedraw = TRUE;
    HRESULT hr = windowless->OnInPlaceActivateEx(&noRedraw, ACTIVATE_WINDOWLESS);
    if (FAILED(hr)) return hr;
    windowlessSite = std::move(windowless);
    active = activeWindowless = true;
    return S_OK;
  }
  framework::ComPtr<IOleInPlaceSite> site;
  if (FAILED(site.QueryFrom(clientSite.get(), IID_IOleInPlaceSite))) return E_NOINTERFACE;
  if (site->CanInPlaceActivate() != S_OK) return E_FAIL;
  site->OnInPlaceActivate();
  window = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, position.left, position.top,
                             position.right - position.left, position.bottom - position.top, parent, nullptr,
                             ::GetModuleHandleW(nullptr), nullptr);
  if (!window) return E_FAIL;
  active = true;
  return S_OK;
}

STDMETHODIMP Control::GetUserClassID(CLSID* clsid) {
  if (!clsid) return E_POINTER;
  *clsid = kClsid;
  return S_OK;
}

STDMETHODIMP Control::GetMiscStatus(DWORD, DWORD* status) {
  if (!status) return E_POINTER;
  *status = OLEMISC_SETCLIENTSITEFIRST | OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_INSIDEOUT | OLEMISC_RECOMPOSEONRESIZE;
  return S_OK;
}

STDMETHODIMP Control::GetWindow(HWND* hwnd) {
  if (!hwnd) return E_POINTER;
  *hwnd = window;
  return window ? S_OK : E_FAIL;
}

STDMETHODIMP Control::InPlaceDeactivate() {
  if (!active) return S_OK;
  active = false;
  if (window) {
    ::DestroyWindow(window);
    window = nullptr;
  }
  if (activeWindowless && windowlessSite) {
    activeWindowless = false;
    windowlessSite->OnInPlaceDeactivateEx(TRUE);
    return S_OK;
  }
  framework::ComPtr<IOleInPlaceSite> site;
  if (SUCCEEDED(site.QueryFrom(clientSite.get(), IID_IOleInPlaceSite))) site->OnInPlaceDeactivate();
  return S_OK;
}

STDMETHODIMP Control::SetObjectRects(LPCRECT pos, LPCRECT) {
  if (!pos) return E_POINTER;
  position = *pos;
  if (window)
    ::MoveWindow(window, pos->left, pos->top, pos->right - pos->left, pos->bottom - pos->top, TRUE);
  return S_OK;
}

STDMETHODIMP Control::OnWindowMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
  messages.push_back(msg);
  if (options.handled.count(msg)) {
    if (result) *result = 1;
    return S_OK;
  }
  if (!windowlessSite) return S_FALSE;
  HRESULT hr = windowlessSite->OnDefWindowMessage(msg, wp, lp, result);
  defaultAnswers.emplace_back(msg, hr);
  return hr == S_OK ? S_OK : S_FALSE;
}

STDMETHODIMP Control::Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC dc, LPCRECTL bounds, LPCRECTL,
                           BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) {
  if (aspect != DVASPECT_CONTENT || !dc || !bounds) return E_INVALIDARG;
  ++draws;
  RECT area{bounds->left, bounds->top, bounds->right, bounds->bottom};
  HBRUSH brush = ::CreateSolidBrush(options.colour);
  ::FillRect(dc, &area, brush);
  ::DeleteObject(brush);
  return S_OK;
}

STDMETHODIMP Control::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

STDMETHODIMP Control::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                             UINT*) {
  if (id == kAnswerDispid && (flags & (DISPATCH_PROPERTYGET | DISPATCH_METHOD))) {
    if (result) {
      ::VariantInit(result);
      result->vt = VT_I4;
      result->lVal = kAnswer;
    }
    return S_OK;
  }
  if (id == DISPID_ENABLED) {
    if (flags & DISPATCH_PROPERTYPUT) {
      if (!params || params->cArgs != 1) return DISP_E_BADPARAMCOUNT;
      VARIANT value;
      ::VariantInit(&value);
      if (FAILED(::VariantChangeType(&value, &params->rgvarg[0], 0, VT_BOOL))) return DISP_E_TYPEMISMATCH;
      enabled = value.boolVal != VARIANT_FALSE;
      return S_OK;
    }
    if (result) {
      ::VariantInit(result);
      result->vt = VT_BOOL;
      result->boolVal = enabled ? VARIANT_TRUE : VARIANT_FALSE;
    }
    return S_OK;
  }
  return DISP_E_MEMBERNOTFOUND;
}

STDMETHODIMP Control::GetGUID(DWORD kind, GUID* guid) {
  if (!guid) return E_POINTER;
  if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) return E_INVALIDARG;
  *guid = kEventsIid;
  return S_OK;
}

STDMETHODIMP Control::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
  if (!point) return E_POINTER;
  *point = nullptr;
  if (!IsEqualIID(iid, kEventsIid)) return CONNECT_E_NOCONNECTION;
  *point = &eventPoint_;
  AddRef();
  return S_OK;
}

STDMETHODIMP Control::EventPoint::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IConnectionPoint)) {
    *out = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP Control::EventPoint::GetConnectionInterface(IID* iid) {
  if (!iid) return E_POINTER;
  *iid = kEventsIid;
  return S_OK;
}

STDMETHODIMP Control::EventPoint::GetConnectionPointContainer(IConnectionPointContainer** container) {
  if (!container) return E_POINTER;
  *container = static_cast<IConnectionPointContainer*>(self);
  AddRef();
  return S_OK;
}

STDMETHODIMP Control::EventPoint::Advise(IUnknown* sink, DWORD* cookie) {
  if (!sink || !cookie) return E_POINTER;
  if (self->eventSink) return CONNECT_E_ADVISELIMIT;
  if (FAILED(self->eventSink.QueryFrom(sink, kEventsIid))) return CONNECT_E_CANNOTCONNECT;
  *cookie = 1;
  return S_OK;
}

STDMETHODIMP Control::EventPoint::Unadvise(DWORD cookie) {
  if (cookie != 1 || !self->eventSink) return CONNECT_E_NOCONNECTION;
  self->eventSink.reset();
  return S_OK;
}

HRESULT Control::Fire(long value) {
  if (!eventSink) return E_UNEXPECTED;
  VARIANT arg;
  arg.vt = VT_I4;
  arg.lVal = value;
  DISPPARAMS params{&arg, nullptr, 1, 0};
  return eventSink->Invoke(kEventDispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr,
                           nullptr);
}

}  // namespace probe
