// The control object: its identity, OLE embedding, in-place object, drawing and class information.
#include "flash_object.h"

#include "com_text.h"
#include "movie_support.h"
#include "swfplayer/control/flash_dispids.h"

namespace swfcontrol {

const CLSID kClsidShockwaveFlash = {0xD27CDB6E, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const IID kIidShockwaveFlash = {0xD27CDB6C, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const IID kIidShockwaveFlashEvents = {0xD27CDB6D, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const GUID kLibidShockwaveFlash = {0xD27CDB6B, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

FlashObject::FlashObject() : ControlBasics(kIidShockwaveFlashEvents) {
  ModuleAddRef();
  MovieHost::Events events;
  events.fscommand = [this](const std::string& command, const std::string& args) {
    VARIANT v[2];
    // Event arguments go last first.
    v[0].vt = VT_BSTR;
    v[0].bstrVal = ::SysAllocString(Wide(args).c_str());
    v[1].vt = VT_BSTR;
    v[1].bstrVal = ::SysAllocString(Wide(command).c_str());
    Fire(flash::kFSCommand, v, 2);
    ::VariantClear(&v[0]);
    ::VariantClear(&v[1]);
  };
  events.readyState = [this](int state) {
    VARIANT v;
    v.vt = VT_I4;
    v.lVal = state;
    Fire(flash::kOnReadyStateChange, &v, 1);
  };
  host_ = std::make_unique<MovieHost>(std::move(events), TraceLogFromEnvironment());
  view_ = std::make_unique<MovieView>(*host_);
}

FlashObject::~FlashObject() {
  if (hwnd_) ::DestroyWindow(hwnd_);
  if (inPlaceSite_) inPlaceSite_->Release();
  if (clientSite_) clientSite_->Release();
  ModuleRelease();
}

STDMETHODIMP FlashObject::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, kIidShockwaveFlash))
    *out = static_cast<IDispatch*>(this);
  else if (IsEqualIID(iid, IID_IOleWindow) || IsEqualIID(iid, IID_IOleInPlaceObject))
    *out = static_cast<IOleInPlaceObject*>(this);
  else
    *out = CommonInterface(iid);
  if (!*out) return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) FlashObject::AddRef() { return static_cast<ULONG>(::InterlockedIncrement(&refs_)); }

STDMETHODIMP_(ULONG) FlashObject::Release() {
  LONG n = ::InterlockedDecrement(&refs_);
  if (n == 0) delete this;
  return static_cast<ULONG>(n);
}

// ---- IOleObject ----

STDMETHODIMP FlashObject::SetClientSite(IOleClientSite* site) {
  if (site) site->AddRef();
  if (clientSite_) clientSite_->Release();
  clientSite_ = site;
  return S_OK;
}

STDMETHODIMP FlashObject::GetClientSite(IOleClientSite** site) {
  if (!site) return E_POINTER;
  *site = clientSite_;
  if (clientSite_) clientSite_->AddRef();
  return S_OK;
}

STDMETHODIMP FlashObject::Close(DWORD) {
  try {
    InPlaceDeactivate();
    return S_OK;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

STDMETHODIMP FlashObject::DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND, LPCRECT) {
  try {
    switch (verb) {
      case OLEIVERB_PRIMARY:
      case OLEIVERB_SHOW:
      case OLEIVERB_INPLACEACTIVATE:
      case OLEIVERB_UIACTIVATE:
        return InPlaceActivate(site, true);
      case OLEIVERB_HIDE:
        if (hwnd_) ::ShowWindow(hwnd_, SW_HIDE);
        return S_OK;
      default:
        return OLEOBJ_S_INVALIDVERB;
    }
  } catch (...) {
    return E_UNEXPECTED;
  }
}

STDMETHODIMP FlashObject::GetUserClassID(CLSID* clsid) {
  if (!clsid) return E_POINTER;
  *clsid = kClsidShockwaveFlash;
  return S_OK;
}

// ---- in-place object ----

STDMETHODIMP FlashObject::GetWindow(HWND* hwnd) {
  if (!hwnd) return E_POINTER;
  *hwnd = hwnd_;
  return hwnd_ ? S_OK : E_FAIL;
}
STDMETHODIMP FlashObject::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }

STDMETHODIMP FlashObject::InPlaceDeactivate() {
  try {
    if (hwnd_) {
      HWND hwnd = hwnd_;
      hwnd_ = nullptr;
      ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      ::KillTimer(hwnd, kFrameTimer);
      if (::IsWindow(hwnd)) ::DestroyWindow(hwnd);
    }
    if (inPlaceSite_) {
      IOleInPlaceSite* site = inPlaceSite_;
      inPlaceSite_ = nullptr;
      site->OnInPlaceDeactivate();
      site->Release();
    }
    return S_OK;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

STDMETHODIMP FlashObject::UIDeactivate() { return S_OK; }

STDMETHODIMP FlashObject::SetObjectRects(LPCRECT pos, LPCRECT) {
  if (!pos) return E_POINTER;
  pos_ = *pos;
  if (hwnd_) ::MoveWindow(hwnd_, pos->left, pos->top, pos->right - pos->left, pos->bottom - pos->top, TRUE);
  return S_OK;
}

STDMETHODIMP FlashObject::ReactivateAndUndo() { return E_NOTIMPL; }

// ---- IViewObject ----

STDMETHODIMP FlashObject::Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC dc, LPCRECTL bounds, LPCRECTL,
                               BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) {
  try {
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    if (!dc) return E_INVALIDARG;
    RECT r = bounds ? RECT{bounds->left, bounds->top, bounds->right, bounds->bottom} : pos_;
    view_->Draw(dc, r);
    return S_OK;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

// ---- IProvideClassInfo ----

STDMETHODIMP FlashObject::GetClassInfo(ITypeInfo** info) {
  if (!info) return E_POINTER;
  *info = nullptr;
  ITypeLib* lib = TypeLibrary();
  return lib ? lib->GetTypeInfoOfGuid(kClsidShockwaveFlash, info) : TYPE_E_ELEMENTNOTFOUND;
}

}  // namespace swfcontrol
