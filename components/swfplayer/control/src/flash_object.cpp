#include "flash_object.h"

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <vector>

namespace swfcontrol {

const CLSID kClsidShockwaveFlash = {0xD27CDB6E, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const IID kIidShockwaveFlash = {0xD27CDB6C, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const IID kIidShockwaveFlashEvents = {0xD27CDB6D, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const GUID kLibidShockwaveFlash = {0xD27CDB6B, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

namespace {

constexpr wchar_t kWindowClass[] = L"SwfPlayerControlWindow";
constexpr UINT_PTR kFrameTimer = 1;
constexpr long kFlashVersion = 0x000A0000;

enum DispId : DISPID {
  kReadyState = DISPID_READYSTATE,
  kQuality = 105,
  kLoop = 106,
  kMovie = 102,
  kFrameNum = 107,
  kSetZoomRect = 109,
  kPlay = 112,
  kStop = 113,
  kBack = 114,
  kForward = 115,
  kRewind = 116,
  kScaleMode = 120,
  kBackgroundColor = 123,
  kTotalFrames = 124,
  kPlaying = 125,
  kStopPlay = 126,
  kGotoFrame = 127,
  kCurrentFrame = 128,
  kIsPlaying = 129,
  kPercentLoaded = 130,
  kFlashVersionId = 132,
  kBGColor = 140,
  kEventReadyStateChange = DISPID_READYSTATECHANGE,
  kEventFSCommand = 150,
  kSetVariable = 151,
  kGetVariable = 152,
  kTSetProperty = 153,
  kTGetProperty = 154,
};

std::u16string U16(const wchar_t* s, size_t n) { return std::u16string(reinterpret_cast<const char16_t*>(s), n); }

std::string Utf8(const std::wstring& s) { return ToUtf8(U16(s.data(), s.size())); }

std::wstring Wide(const std::string& s) {
  std::u16string u = FromUtf8(s);
  return std::wstring(u.begin(), u.end());
}

// The arguments of a call, in declaration order, coerced to the types the member takes.
class Args {
 public:
  explicit Args(DISPPARAMS* params) : params_(params) {}
  UINT count() const { return params_ ? params_->cArgs - params_->cNamedArgs : 0; }
  bool Long(UINT i, long* out) const {
    VARIANT v;
    if (!Coerce(i, VT_I4, &v)) return false;
    *out = v.lVal;
    return true;
  }
  bool Bool(UINT i, bool* out) const {
    VARIANT v;
    if (!Coerce(i, VT_BOOL, &v)) return false;
    *out = v.boolVal != VARIANT_FALSE;
    return true;
  }
  bool String(UINT i, std::wstring* out) const {
    VARIANT v;
    if (!Coerce(i, VT_BSTR, &v)) return false;
    *out = v.bstrVal ? std::wstring(v.bstrVal, ::SysStringLen(v.bstrVal)) : std::wstring();
    ::VariantClear(&v);
    return true;
  }
  // The value of a property put, which comes as the one named argument.
  UINT putIndex() const { return 0; }

 private:
  bool Coerce(UINT i, VARTYPE type, VARIANT* out) const {
    ::VariantInit(out);
    if (!params_ || i >= params_->cArgs) return false;
    VARIANT* arg = &params_->rgvarg[params_->cArgs - 1 - i];
    return SUCCEEDED(::VariantChangeType(out, arg, 0, type));
  }
  DISPPARAMS* params_;
};

void SetLong(VARIANT* r, long v) {
  if (!r) return;
  r->vt = VT_I4;
  r->lVal = v;
}
void SetBool(VARIANT* r, bool v) {
  if (!r) return;
  r->vt = VT_BOOL;
  r->boolVal = v ? VARIANT_TRUE : VARIANT_FALSE;
}
void SetString(VARIANT* r, const std::wstring& v) {
  if (!r) return;
  r->vt = VT_BSTR;
  r->bstrVal = ::SysAllocStringLen(v.data(), static_cast<UINT>(v.size()));
}

bool ParseHexColor(const std::wstring& text, long* colorref) {
  std::wstring t = text;
  if (!t.empty() && t[0] == L'#') t.erase(0, 1);
  if (t.size() != 6) return false;
  wchar_t* end = nullptr;
  unsigned long rgb = std::wcstoul(t.c_str(), &end, 16);
  if (!end || *end) return false;
  *colorref = static_cast<long>(RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF));
  return true;
}

bool RegisterWindowClass() {
  static bool registered = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ModuleHandle();
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kWindowClass;
    return ::RegisterClassExW(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  }();
  return registered;
}

std::filesystem::path TracePath() {
  wchar_t buffer[MAX_PATH * 2];
  DWORD n = ::GetEnvironmentVariableW(L"SWFPLAYER_TRACE", buffer, MAX_PATH * 2);
  if (n == 0 || n >= MAX_PATH * 2) return {};
  return std::filesystem::path(std::wstring(buffer, n));
}

}  // namespace

FlashObject::FlashObject() {
  ModuleAddRef();
  eventPoint_.self = this;
  MovieHost::Events events;
  events.fscommand = [this](const std::string& command, const std::string& args) {
    VARIANT v[2];
    // Event arguments go last first.
    v[0].vt = VT_BSTR;
    v[0].bstrVal = ::SysAllocString(Wide(args).c_str());
    v[1].vt = VT_BSTR;
    v[1].bstrVal = ::SysAllocString(Wide(command).c_str());
    Fire(kEventFSCommand, v, 2);
    ::VariantClear(&v[0]);
    ::VariantClear(&v[1]);
  };
  events.readyState = [this](int state) {
    VARIANT v;
    v.vt = VT_I4;
    v.lVal = state;
    Fire(kEventReadyStateChange, &v, 1);
  };
  host_ = std::make_unique<MovieHost>(std::move(events), TraceLog(TracePath()));
  view_ = std::make_unique<MovieView>(*host_);
}

FlashObject::~FlashObject() {
  if (hwnd_) ::DestroyWindow(hwnd_);
  for (auto& [cookie, sink] : sinks_) sink->Release();
  if (viewAdvise_) viewAdvise_->Release();
  if (inPlaceSite_) inPlaceSite_->Release();
  if (clientSite_) clientSite_->Release();
  ModuleRelease();
}

STDMETHODIMP FlashObject::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, kIidShockwaveFlash))
    *out = static_cast<IDispatch*>(this);
  else if (IsEqualIID(iid, IID_IOleObject))
    *out = static_cast<IOleObject*>(this);
  else if (IsEqualIID(iid, IID_IOleWindow) || IsEqualIID(iid, IID_IOleInPlaceObject))
    *out = static_cast<IOleInPlaceObject*>(this);
  else if (IsEqualIID(iid, IID_IOleInPlaceActiveObject))
    *out = static_cast<IOleInPlaceActiveObject*>(this);
  else if (IsEqualIID(iid, IID_IOleControl))
    *out = static_cast<IOleControl*>(this);
  else if (IsEqualIID(iid, IID_IViewObject) || IsEqualIID(iid, IID_IViewObject2))
    *out = static_cast<IViewObject2*>(this);
  else if (IsEqualIID(iid, IID_IConnectionPointContainer))
    *out = static_cast<IConnectionPointContainer*>(this);
  else if (IsEqualIID(iid, IID_IProvideClassInfo) || IsEqualIID(iid, IID_IProvideClassInfo2))
    *out = static_cast<IProvideClassInfo2*>(this);
  else if (IsEqualIID(iid, IID_IPersist) || IsEqualIID(iid, IID_IPersistStreamInit))
    *out = static_cast<IPersistStreamInit*>(this);
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

// ---- IDispatch ----

STDMETHODIMP FlashObject::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = TypeLibrary() ? 1 : 0;
  return S_OK;
}

STDMETHODIMP FlashObject::GetTypeInfo(UINT index, LCID, ITypeInfo** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (index != 0) return DISP_E_BADINDEX;
  ITypeLib* lib = TypeLibrary();
  return lib ? lib->GetTypeInfoOfGuid(kIidShockwaveFlash, out) : TYPE_E_ELEMENTNOTFOUND;
}

STDMETHODIMP FlashObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  try {
    ITypeInfo* info = nullptr;
    HRESULT hr = GetTypeInfo(0, 0, &info);
    if (FAILED(hr)) return hr;
    hr = info->GetIDsOfNames(names, count, ids);
    info->Release();
    return hr;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

STDMETHODIMP FlashObject::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                 EXCEPINFO*, UINT* argError) {
  try {
    if (argError) *argError = 0;
    if (result) ::VariantInit(result);
    AddRef();
    HRESULT hr = Call(id, flags, params, result);
    Release();
    return hr;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT FlashObject::Call(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result) {
  Args args(params);
  const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
  const UINT n = params ? params->cArgs : 0;
  auto needs = [&](UINT count) { return n >= count; };
  long l = 0, t = 0, r = 0, b = 0;
  bool flag = false;
  std::wstring s1, s2;
  switch (id) {
    case kReadyState:
      if (put) return DISP_E_MEMBERNOTFOUND;
      SetLong(result, host_->Loaded() ? 4 : 0);
      return S_OK;
    case kMovie:
      if (put) {
        if (!needs(1) || !args.String(0, &s1)) return DISP_E_TYPEMISMATCH;
        // A blank path unloads; an unreadable one is refused and the current movie stays.
        if (s1.find_first_not_of(L' ') == std::wstring::npos) {
          UnloadMovie();
          return S_OK;
        }
        return LoadMovie(s1) ? S_OK : E_FAIL;
      }
      SetString(result, moviePath_);
      return S_OK;
    case kLoop:
      if (put) {
        if (!needs(1) || !args.Bool(0, &flag)) return DISP_E_TYPEMISMATCH;
        host_->SetLoop(flag);
        return S_OK;
      }
      SetBool(result, host_->Loop());
      return S_OK;
    case kQuality:
      if (put) {
        if (!needs(1) || !args.Long(0, &l)) return DISP_E_TYPEMISMATCH;
        quality_ = static_cast<int>(l);
        return S_OK;
      }
      SetLong(result, quality_);
      return S_OK;
    case kScaleMode:
      if (put) {
        if (!needs(1) || !args.Long(0, &l)) return DISP_E_TYPEMISMATCH;
        view_->SetScaleMode(static_cast<int>(l));
        Invalidate();
        return S_OK;
      }
      SetLong(result, view_->scaleMode());
      return S_OK;
    case kBackgroundColor:
      if (put) {
        if (!needs(1) || !args.Long(0, &l)) return DISP_E_TYPEMISMATCH;
        view_->SetBackground(l < 0 ? -1 : (l & 0x00FFFFFF));
        Invalidate();
        return S_OK;
      }
      SetLong(result, view_->background());
      return S_OK;
    case kBGColor:
      if (put) {
        if (!needs(1) || !args.String(0, &s1)) return DISP_E_TYPEMISMATCH;
        if (s1.empty()) {
          view_->SetBackground(-1);
        } else if (ParseHexColor(s1, &l)) {
          view_->SetBackground(l);
        } else {
          return E_INVALIDARG;
        }
        Invalidate();
        return S_OK;
      }
      if (view_->background() < 0) {
        SetString(result, L"");
      } else {
        wchar_t text[8];
        long c = view_->background();
        std::swprintf(text, 8, L"%02X%02X%02X", GetRValue(c), GetGValue(c), GetBValue(c));
        SetString(result, text);
      }
      return S_OK;
    case kTotalFrames:
      SetLong(result, host_->TotalFrames());
      return S_OK;
    case kFrameNum:
      if (put) {
        if (!needs(1) || !args.Long(0, &l)) return DISP_E_TYPEMISMATCH;
        host_->GotoFrame(static_cast<int>(l));
        Invalidate();
        return S_OK;
      }
      SetLong(result, host_->CurrentFrame());
      return S_OK;
    case kPlaying:
      if (put) {
        if (!needs(1) || !args.Bool(0, &flag)) return DISP_E_TYPEMISMATCH;
        flag ? host_->Play() : host_->Stop();
        return S_OK;
      }
      SetBool(result, host_->IsPlaying());
      return S_OK;
    case kSetZoomRect:
      if (!needs(4) || !args.Long(0, &l) || !args.Long(1, &t) || !args.Long(2, &r) || !args.Long(3, &b))
        return DISP_E_TYPEMISMATCH;
      view_->SetZoomRect(swf::Rect{static_cast<double>(l), static_cast<double>(t), static_cast<double>(r),
                                   static_cast<double>(b)});
      Invalidate();
      return S_OK;
    case kPlay:
      host_->Play();
      return S_OK;
    case kStop:
    case kStopPlay:
      host_->Stop();
      return S_OK;
    case kBack:
      host_->Back();
      Invalidate();
      return S_OK;
    case kForward:
      host_->Forward();
      Invalidate();
      return S_OK;
    case kRewind:
      host_->Rewind();
      Invalidate();
      return S_OK;
    case kGotoFrame:
      if (!needs(1) || !args.Long(0, &l)) return DISP_E_TYPEMISMATCH;
      host_->GotoFrame(static_cast<int>(l));
      Invalidate();
      return S_OK;
    case kCurrentFrame:
      SetLong(result, host_->CurrentFrame());
      return S_OK;
    case kIsPlaying:
      SetBool(result, host_->IsPlaying());
      return S_OK;
    case kPercentLoaded:
      SetLong(result, host_->Loaded() ? 100 : 0);
      return S_OK;
    case kFlashVersionId:
      SetLong(result, kFlashVersion);
      return S_OK;
    case kSetVariable:
      if (!needs(2) || !args.String(0, &s1) || !args.String(1, &s2)) return DISP_E_TYPEMISMATCH;
      host_->SetVariable(Utf8(s1), Utf8(s2));
      Invalidate();
      return S_OK;
    case kGetVariable:
      if (!needs(1) || !args.String(0, &s1)) return DISP_E_TYPEMISMATCH;
      SetString(result, Wide(host_->GetVariable(Utf8(s1))));
      return S_OK;
    case kTSetProperty:
      if (!needs(3) || !args.String(0, &s1) || !args.Long(1, &l) || !args.String(2, &s2)) return DISP_E_TYPEMISMATCH;
      host_->TSetProperty(Utf8(s1), static_cast<int>(l), Utf8(s2));
      Invalidate();
      return S_OK;
    case kTGetProperty:
      if (!needs(2) || !args.String(0, &s1) || !args.Long(1, &l)) return DISP_E_TYPEMISMATCH;
      SetString(result, Wide(host_->TGetProperty(Utf8(s1), static_cast<int>(l))));
      return S_OK;
    default:
      return DISP_E_MEMBERNOTFOUND;
  }
}

bool FlashObject::LoadMovie(const std::wstring& path) {
  std::wstring file = path;
  if (file.rfind(L"file:///", 0) == 0) file.erase(0, 8);
  if (!host_->Load(std::filesystem::path(file))) return false;
  moviePath_ = path;
  // The first frame is shown, and its scripts run, as soon as the movie is in.
  host_->Tick();
  RestartTimer();
  Invalidate();
  return true;
}

void FlashObject::UnloadMovie() {
  host_->Unload();
  moviePath_.clear();
  if (hwnd_) ::KillTimer(hwnd_, kFrameTimer);
  Invalidate();
}

void FlashObject::RestartTimer() {
  if (!hwnd_) return;
  ::KillTimer(hwnd_, kFrameTimer);
  if (!host_->Loaded()) return;
  double rate = host_->FrameRate();
  UINT interval = rate > 0 ? static_cast<UINT>(std::clamp(1000.0 / rate, 10.0, 1000.0)) : 83;
  ::SetTimer(hwnd_, kFrameTimer, interval, nullptr);
}

void FlashObject::Fire(DISPID id, VARIANT* args, UINT count) {
  if (freezeEvents_ > 0) return;
  // Sinks may disconnect, or release this object, while an event is delivered.
  std::vector<IDispatch*> sinks;
  for (auto& [cookie, sink] : sinks_) {
    sink->AddRef();
    sinks.push_back(sink);
  }
  AddRef();
  for (IDispatch* sink : sinks) {
    DISPPARAMS params{args, nullptr, count, 0};
    VARIANT ignored;
    ::VariantInit(&ignored);
    sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &ignored, nullptr, nullptr);
    ::VariantClear(&ignored);
    sink->Release();
  }
  Release();
}

void FlashObject::Invalidate() {
  if (hwnd_) ::InvalidateRect(hwnd_, nullptr, FALSE);
  if (viewAdvise_) viewAdvise_->OnViewChange(DVASPECT_CONTENT, -1);
}

// ---- the control's window ----

LRESULT CALLBACK FlashObject::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  try {
    auto* self = reinterpret_cast<FlashObject*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return ::DefWindowProcW(hwnd, msg, wp, lp);
    return self->OnMessage(msg, wp, lp);
  } catch (...) {
    return ::DefWindowProcW(hwnd, msg, wp, lp);
  }
}

LRESULT FlashObject::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  HWND hwnd = hwnd_;
  RECT client;
  ::GetClientRect(hwnd, &client);
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = ::BeginPaint(hwnd, &ps);
      view_->Draw(dc, client);
      ::EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_TIMER:
      if (wp == kFrameTimer) {
        AddRef();
        host_->Tick();
        Invalidate();
        Release();
        return 0;
      }
      break;
    case WM_SIZE:
      ::InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_SETCURSOR:
      if (LOWORD(lp) == HTCLIENT) {
        ::SetCursor(::LoadCursorW(nullptr, view_->OverButton() ? IDC_HAND : IDC_ARROW));
        return TRUE;
      }
      break;
    case WM_GETDLGCODE:
      // The movie takes arrows and typed characters when it has the focus; Tab and Esc stay with the dialog.
      return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
      AddRef();
      if (view_->OnKeyMessage(msg, wp, lp)) Invalidate();
      Release();
      if (msg == WM_SYSKEYDOWN || msg == WM_SYSKEYUP) break;
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      // A click gives the movie the keyboard, as the player does.
      ::SetFocus(hwnd);
      ::SetCapture(hwnd);
      [[fallthrough]];
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP:
      AddRef();
      if (view_->OnMouseMessage(msg, lp, client)) Invalidate();
      if (msg == WM_LBUTTONUP && ::GetCapture() == hwnd) ::ReleaseCapture();
      Release();
      return 0;
    default:
      break;
  }
  return ::DefWindowProcW(hwnd, msg, wp, lp);
}

HRESULT FlashObject::InPlaceActivate(IOleClientSite* site, bool show) {
  if (hwnd_) {
    ::ShowWindow(hwnd_, show ? SW_SHOWNA : SW_HIDE);
    return S_OK;
  }
  if (!site) site = clientSite_;
  if (!site) return E_INVALIDARG;
  IOleInPlaceSite* ipSite = nullptr;
  if (FAILED(site->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(&ipSite)))) return E_NOINTERFACE;
  if (ipSite->CanInPlaceActivate() != S_OK) {
    ipSite->Release();
    return E_FAIL;
  }
  ipSite->OnInPlaceActivate();
  HWND parent = nullptr;
  ipSite->GetWindow(&parent);
  IOleInPlaceFrame* frame = nullptr;
  IOleInPlaceUIWindow* doc = nullptr;
  RECT pos{}, clip{};
  OLEINPLACEFRAMEINFO info{};
  info.cb = sizeof(info);
  if (SUCCEEDED(ipSite->GetWindowContext(&frame, &doc, &pos, &clip, &info))) {
    if (frame) frame->Release();
    if (doc) doc->Release();
  }
  if (!parent || !RegisterWindowClass()) {
    ipSite->OnInPlaceDeactivate();
    ipSite->Release();
    return E_FAIL;
  }
  pos_ = pos;
  hwnd_ = ::CreateWindowExW(0, kWindowClass, L"", WS_CHILD | WS_CLIPSIBLINGS | (show ? WS_VISIBLE : 0), pos.left,
                            pos.top, pos.right - pos.left, pos.bottom - pos.top, parent, nullptr, ModuleHandle(),
                            nullptr);
  if (!hwnd_) {
    ipSite->OnInPlaceDeactivate();
    ipSite->Release();
    return E_FAIL;
  }
  ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  ::SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&FlashObject::WindowProc));
  inPlaceSite_ = ipSite;
  RestartTimer();
  return S_OK;
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

STDMETHODIMP FlashObject::SetHostNames(LPCOLESTR, LPCOLESTR) { return S_OK; }

STDMETHODIMP FlashObject::Close(DWORD) {
  try {
    InPlaceDeactivate();
    return S_OK;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

STDMETHODIMP FlashObject::SetMoniker(DWORD, IMoniker*) { return E_NOTIMPL; }
STDMETHODIMP FlashObject::GetMoniker(DWORD, DWORD, IMoniker** out) {
  if (out) *out = nullptr;
  return E_NOTIMPL;
}
STDMETHODIMP FlashObject::InitFromData(IDataObject*, BOOL, DWORD) { return E_NOTIMPL; }
STDMETHODIMP FlashObject::GetClipboardData(DWORD, IDataObject** out) {
  if (out) *out = nullptr;
  return E_NOTIMPL;
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

STDMETHODIMP FlashObject::EnumVerbs(IEnumOLEVERB** out) {
  if (out) *out = nullptr;
  return OLE_S_USEREG;
}
STDMETHODIMP FlashObject::Update() { return S_OK; }
STDMETHODIMP FlashObject::IsUpToDate() { return S_OK; }
STDMETHODIMP FlashObject::GetUserClassID(CLSID* clsid) {
  if (!clsid) return E_POINTER;
  *clsid = kClsidShockwaveFlash;
  return S_OK;
}
STDMETHODIMP FlashObject::GetUserType(DWORD, LPOLESTR* out) {
  if (out) *out = nullptr;
  return OLE_S_USEREG;
}
STDMETHODIMP FlashObject::SetExtent(DWORD aspect, SIZEL* size) {
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (!size) return E_POINTER;
  extent_ = *size;
  return S_OK;
}
STDMETHODIMP FlashObject::GetExtent(DWORD aspect, SIZEL* size) {
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (!size) return E_POINTER;
  *size = extent_;
  return S_OK;
}
STDMETHODIMP FlashObject::Advise(IAdviseSink*, DWORD* cookie) {
  if (cookie) *cookie = 0;
  return E_NOTIMPL;
}
STDMETHODIMP FlashObject::Unadvise(DWORD) { return E_NOTIMPL; }
STDMETHODIMP FlashObject::EnumAdvise(IEnumSTATDATA** out) {
  if (out) *out = nullptr;
  return E_NOTIMPL;
}
STDMETHODIMP FlashObject::GetMiscStatus(DWORD, DWORD* status) {
  if (!status) return E_POINTER;
  *status = OLEMISC_RECOMPOSEONRESIZE | OLEMISC_CANTLINKINSIDE | OLEMISC_INSIDEOUT | OLEMISC_ACTIVATEWHENVISIBLE |
            OLEMISC_SETCLIENTSITEFIRST;
  return S_OK;
}
STDMETHODIMP FlashObject::SetColorScheme(LOGPALETTE*) { return E_NOTIMPL; }

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
STDMETHODIMP FlashObject::TranslateAccelerator(LPMSG) { return S_FALSE; }
STDMETHODIMP FlashObject::OnFrameWindowActivate(BOOL) { return S_OK; }
STDMETHODIMP FlashObject::OnDocWindowActivate(BOOL) { return S_OK; }
STDMETHODIMP FlashObject::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) { return S_OK; }
STDMETHODIMP FlashObject::EnableModeless(BOOL) { return S_OK; }

// ---- IOleControl ----

STDMETHODIMP FlashObject::GetControlInfo(CONTROLINFO* info) {
  if (!info) return E_POINTER;
  info->cb = sizeof(CONTROLINFO);
  info->hAccel = nullptr;
  info->cAccel = 0;
  info->dwFlags = 0;
  return S_OK;
}
STDMETHODIMP FlashObject::OnMnemonic(MSG*) { return E_NOTIMPL; }
STDMETHODIMP FlashObject::OnAmbientPropertyChange(DISPID) { return S_OK; }
STDMETHODIMP FlashObject::FreezeEvents(BOOL freeze) {
  freezeEvents_ += freeze ? 1 : -1;
  if (freezeEvents_ < 0) freezeEvents_ = 0;
  return S_OK;
}

// ---- IViewObject2 ----

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
STDMETHODIMP FlashObject::GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE** out) {
  if (out) *out = nullptr;
  return S_FALSE;
}
STDMETHODIMP FlashObject::Freeze(DWORD, LONG, void*, DWORD* cookie) {
  if (cookie) *cookie = 0;
  return E_NOTIMPL;
}
STDMETHODIMP FlashObject::Unfreeze(DWORD) { return E_NOTIMPL; }
STDMETHODIMP FlashObject::SetAdvise(DWORD, DWORD, IAdviseSink* sink) {
  if (sink) sink->AddRef();
  if (viewAdvise_) viewAdvise_->Release();
  viewAdvise_ = sink;
  return S_OK;
}
STDMETHODIMP FlashObject::GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) {
  if (aspects) *aspects = DVASPECT_CONTENT;
  if (flags) *flags = 0;
  if (sink) {
    *sink = viewAdvise_;
    if (viewAdvise_) viewAdvise_->AddRef();
  }
  return S_OK;
}
STDMETHODIMP FlashObject::GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) {
  return GetExtent(aspect, size);
}

// ---- connection points ----

STDMETHODIMP FlashObject::EnumConnectionPoints(IEnumConnectionPoints** out) {
  if (out) *out = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP FlashObject::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
  if (!point) return E_POINTER;
  *point = nullptr;
  if (!IsEqualIID(iid, kIidShockwaveFlashEvents)) return CONNECT_E_NOCONNECTION;
  *point = &eventPoint_;
  AddRef();
  return S_OK;
}

STDMETHODIMP FlashObject::EventPoint::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IConnectionPoint)) {
    *out = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}
STDMETHODIMP_(ULONG) FlashObject::EventPoint::AddRef() { return self->AddRef(); }
STDMETHODIMP_(ULONG) FlashObject::EventPoint::Release() { return self->Release(); }
STDMETHODIMP FlashObject::EventPoint::GetConnectionInterface(IID* iid) {
  if (!iid) return E_POINTER;
  *iid = kIidShockwaveFlashEvents;
  return S_OK;
}
STDMETHODIMP FlashObject::EventPoint::GetConnectionPointContainer(IConnectionPointContainer** container) {
  if (!container) return E_POINTER;
  *container = self;
  self->AddRef();
  return S_OK;
}
STDMETHODIMP FlashObject::EventPoint::Advise(IUnknown* sink, DWORD* cookie) {
  try {
    if (!sink || !cookie) return E_POINTER;
    *cookie = 0;
    IDispatch* dispatch = nullptr;
    if (FAILED(sink->QueryInterface(kIidShockwaveFlashEvents, reinterpret_cast<void**>(&dispatch))) &&
        FAILED(sink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch))))
      return CONNECT_E_CANNOTCONNECT;
    *cookie = self->nextCookie_++;
    self->sinks_[*cookie] = dispatch;
    return S_OK;
  } catch (...) {
    return E_UNEXPECTED;
  }
}
STDMETHODIMP FlashObject::EventPoint::Unadvise(DWORD cookie) {
  auto it = self->sinks_.find(cookie);
  if (it == self->sinks_.end()) return CONNECT_E_NOCONNECTION;
  IDispatch* sink = it->second;
  self->sinks_.erase(it);
  sink->Release();
  return S_OK;
}
STDMETHODIMP FlashObject::EventPoint::EnumConnections(IEnumConnections** out) {
  if (out) *out = nullptr;
  return E_NOTIMPL;
}

// ---- IProvideClassInfo2 ----

STDMETHODIMP FlashObject::GetClassInfo(ITypeInfo** info) {
  if (!info) return E_POINTER;
  *info = nullptr;
  ITypeLib* lib = TypeLibrary();
  return lib ? lib->GetTypeInfoOfGuid(kClsidShockwaveFlash, info) : TYPE_E_ELEMENTNOTFOUND;
}

STDMETHODIMP FlashObject::GetGUID(DWORD kind, GUID* guid) {
  if (!guid) return E_POINTER;
  if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) return E_INVALIDARG;
  *guid = kIidShockwaveFlashEvents;
  return S_OK;
}

// ---- IPersistStreamInit ----

STDMETHODIMP FlashObject::GetClassID(CLSID* clsid) { return GetUserClassID(clsid); }
STDMETHODIMP FlashObject::IsDirty() { return S_FALSE; }
STDMETHODIMP FlashObject::Load(LPSTREAM) { return S_OK; }
STDMETHODIMP FlashObject::Save(LPSTREAM, BOOL) { return S_OK; }
STDMETHODIMP FlashObject::GetSizeMax(ULARGE_INTEGER* size) {
  if (!size) return E_POINTER;
  size->QuadPart = 0;
  return S_OK;
}
STDMETHODIMP FlashObject::InitNew() { return S_OK; }

}  // namespace swfcontrol
