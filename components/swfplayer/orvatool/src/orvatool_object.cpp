// The control object: its identity, OLE embedding, drawing and class information.
#include "orvatool_object.h"

#include "com_text.h"
#include "movie_support.h"
#include "swfplayer/control/orvatool_dispids.h"

namespace orvatool {

const CLSID kClsidOrvatool = {0x7DABBC7F, 0x9EF1, 0x47F9, {0x95, 0x13, 0x2C, 0x7E, 0x36, 0x23, 0xD3, 0x06}};
const IID kIidOrvatool = {0x259D496A, 0xE689, 0x4896, {0xBD, 0x6B, 0x33, 0xC0, 0x56, 0x27, 0x1B, 0xFA}};
const IID kIidOrvatoolEvents = {0x1AB129F9, 0x7A0B, 0x43F6, {0x8C, 0x58, 0x24, 0x61, 0x47, 0x92, 0xC7, 0x0A}};

OrvatoolObject::OrvatoolObject() : ControlBasics(kIidOrvatoolEvents) {
  ModuleAddRef();
  swfcontrol::MovieHost::Events events;
  events.fscommand = [this](const std::string& command, const std::string& args) {
    VARIANT v[2];
    // Event arguments go last first.
    v[0].vt = VT_BSTR;
    v[0].bstrVal = ::SysAllocString(swfcontrol::Wide(args).c_str());
    v[1].vt = VT_BSTR;
    v[1].bstrVal = ::SysAllocString(swfcontrol::Wide(command).c_str());
    Fire(kFSCommand, v, 2);
    ::VariantClear(&v[0]);
    ::VariantClear(&v[1]);
  };
  events.readyState = [this](int state) {
    VARIANT v;
    v.vt = VT_I4;
    v.lVal = state;
    Fire(kReadyStateChange, &v, 1);
  };
  host_ = std::make_unique<swfcontrol::MovieHost>(std::move(events), swfcontrol::TraceLogFromEnvironment());
  view_ = std::make_unique<swfcontrol::MovieView>(*host_);
}

OrvatoolObject::~OrvatoolObject() {
  clock_.Stop();
  ModuleRelease();
}

STDMETHODIMP OrvatoolObject::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, kIidOrvatool))
    *out = static_cast<IDispatch*>(this);
  else if (IsEqualIID(iid, IID_IOleWindow) || IsEqualIID(iid, IID_IOleInPlaceObject) ||
           IsEqualIID(iid, IID_IOleInPlaceObjectWindowless))
    *out = static_cast<IOleInPlaceObjectWindowless*>(this);
  else
    *out = CommonInterface(iid);
  if (!*out) return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) OrvatoolObject::AddRef() { return static_cast<ULONG>(::InterlockedIncrement(&refs_)); }

STDMETHODIMP_(ULONG) OrvatoolObject::Release() {
  LONG n = ::InterlockedDecrement(&refs_);
  if (n == 0) delete this;
  return static_cast<ULONG>(n);
}

// ---- IOleObject ----

STDMETHODIMP OrvatoolObject::SetClientSite(IOleClientSite* site) {
  clientSite_ = framework::ComPtr<IOleClientSite>::AddRefFrom(site);
  return S_OK;
}

STDMETHODIMP OrvatoolObject::GetClientSite(IOleClientSite** site) {
  if (!site) return E_POINTER;
  *site = clientSite_.get();
  if (*site) (*site)->AddRef();
  return S_OK;
}

STDMETHODIMP OrvatoolObject::Close(DWORD) {
  try {
    InPlaceDeactivate();
    return S_OK;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

STDMETHODIMP OrvatoolObject::DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND, LPCRECT) {
  try {
    switch (verb) {
      case OLEIVERB_PRIMARY:
      case OLEIVERB_SHOW:
      case OLEIVERB_INPLACEACTIVATE:
        visible_ = true;
        return ActivateWindowless(site);
      case OLEIVERB_UIACTIVATE: {
        HRESULT hr = ActivateWindowless(site);
        // Taking the keyboard is what activation for the user means to a control without a window.
        if (SUCCEEDED(hr) && site_) site_->SetFocus(TRUE);
        return hr;
      }
      case OLEIVERB_HIDE:
        visible_ = false;
        Invalidate();
        return S_OK;
      default:
        return OLEOBJ_S_INVALIDVERB;
    }
  } catch (...) {
    return E_UNEXPECTED;
  }
}

STDMETHODIMP OrvatoolObject::GetUserClassID(CLSID* clsid) {
  if (!clsid) return E_POINTER;
  *clsid = kClsidOrvatool;
  return S_OK;
}

// ---- IViewObject ----

STDMETHODIMP OrvatoolObject::Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC dc, LPCRECTL bounds, LPCRECTL,
                                  BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) {
  try {
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    if (!dc) return E_INVALIDARG;
    if (!visible_) return S_OK;
    RECT r = bounds ? RECT{bounds->left, bounds->top, bounds->right, bounds->bottom} : pos_;
    return view_->DrawWithAlpha(dc, r) ? S_OK : E_FAIL;
  } catch (...) {
    return E_UNEXPECTED;
  }
}
// ---- IProvideClassInfo ----

// The control carries no type library; containers find its event interface through GetGUID.
STDMETHODIMP OrvatoolObject::GetClassInfo(ITypeInfo** info) {
  if (info) *info = nullptr;
  return E_NOTIMPL;
}

}  // namespace orvatool
