// The control's dispatch interface: type information, names and the members a container calls.
#include "flash_object.h"

#include <cstdio>
#include <cwchar>

#include "com_text.h"
#include "dispatch_args.h"
#include "movie_support.h"
#include "swfplayer/control/flash_dispids.h"

namespace swfcontrol {
namespace {

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

}  // namespace

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
    case flash::kReadyState:
      if (put) return DISP_E_MEMBERNOTFOUND;
      SetLong(result, host_->Loaded() ? 4 : 0);
      return S_OK;
    case flash::kMovie:
      if (put) {
        if (!needs(1) || !args.String(0, &s1)) return DISP_E_TYPEMISMATCH;
        // A blank path unloads; an unreadable one is refused and the current movie stays.
        if (IsUnloadRequest(s1)) {
          UnloadMovie();
          return S_OK;
        }
        return LoadMovie(s1) ? S_OK : E_FAIL;
      }
      SetString(result, moviePath_);
      return S_OK;
    case flash::kLoop:
      if (put) {
        if (!needs(1) || !args.Bool(0, &flag)) return DISP_E_TYPEMISMATCH;
        host_->SetLoop(flag);
        return S_OK;
      }
      SetBool(result, host_->Loop());
      return S_OK;
    case flash::kQuality:
      if (put) {
        if (!needs(1) || !args.Long(0, &l)) return DISP_E_TYPEMISMATCH;
        quality_ = static_cast<int>(l);
        return S_OK;
      }
      SetLong(result, quality_);
      return S_OK;
    case flash::kScaleMode:
      if (put) {
        if (!needs(1) || !args.Long(0, &l)) return DISP_E_TYPEMISMATCH;
        view_->SetScaleMode(static_cast<int>(l));
        Invalidate();
        return S_OK;
      }
      SetLong(result, view_->scaleMode());
      return S_OK;
    case flash::kBackgroundColor:
      if (put) {
        if (!needs(1) || !args.Long(0, &l)) return DISP_E_TYPEMISMATCH;
        view_->SetBackground(l < 0 ? -1 : (l & 0x00FFFFFF));
        Invalidate();
        return S_OK;
      }
      SetLong(result, view_->background());
      return S_OK;
    case flash::kBGColor:
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
    case flash::kTotalFrames:
      SetLong(result, host_->TotalFrames());
      return S_OK;
    case flash::kFrameNum:
      if (put) {
        if (!needs(1) || !args.Long(0, &l)) return DISP_E_TYPEMISMATCH;
        host_->GotoFrame(static_cast<int>(l));
        Invalidate();
        return S_OK;
      }
      SetLong(result, host_->CurrentFrame());
      return S_OK;
    case flash::kPlaying:
      if (put) {
        if (!needs(1) || !args.Bool(0, &flag)) return DISP_E_TYPEMISMATCH;
        flag ? host_->Play() : host_->Stop();
        return S_OK;
      }
      SetBool(result, host_->IsPlaying());
      return S_OK;
    case flash::kSetZoomRect:
      if (!needs(4) || !args.Long(0, &l) || !args.Long(1, &t) || !args.Long(2, &r) || !args.Long(3, &b))
        return DISP_E_TYPEMISMATCH;
      view_->SetZoomRect(swf::Rect{static_cast<double>(l), static_cast<double>(t), static_cast<double>(r),
                                   static_cast<double>(b)});
      Invalidate();
      return S_OK;
    case flash::kPlay:
      host_->Play();
      return S_OK;
    case flash::kStop:
    case flash::kStopPlay:
      host_->Stop();
      return S_OK;
    case flash::kBack:
      host_->Back();
      Invalidate();
      return S_OK;
    case flash::kForward:
      host_->Forward();
      Invalidate();
      return S_OK;
    case flash::kRewind:
      host_->Rewind();
      Invalidate();
      return S_OK;
    case flash::kGotoFrame:
      if (!needs(1) || !args.Long(0, &l)) return DISP_E_TYPEMISMATCH;
      host_->GotoFrame(static_cast<int>(l));
      Invalidate();
      return S_OK;
    case flash::kCurrentFrame:
      SetLong(result, host_->CurrentFrame());
      return S_OK;
    case flash::kIsPlaying:
      SetBool(result, host_->IsPlaying());
      return S_OK;
    case flash::kPercentLoaded:
      SetLong(result, host_->Loaded() ? 100 : 0);
      return S_OK;
    case flash::kFlashVersion:
      SetLong(result, kPlayerVersion);
      return S_OK;
    case flash::kSetVariable:
      if (!needs(2) || !args.String(0, &s1) || !args.String(1, &s2)) return DISP_E_TYPEMISMATCH;
      host_->SetVariable(Utf8(s1), Utf8(s2));
      Invalidate();
      return S_OK;
    case flash::kGetVariable:
      if (!needs(1) || !args.String(0, &s1)) return DISP_E_TYPEMISMATCH;
      SetString(result, Wide(host_->GetVariable(Utf8(s1))));
      return S_OK;
    case flash::kTSetProperty:
      if (!needs(3) || !args.String(0, &s1) || !args.Long(1, &l) || !args.String(2, &s2)) return DISP_E_TYPEMISMATCH;
      host_->TSetProperty(Utf8(s1), static_cast<int>(l), Utf8(s2));
      Invalidate();
      return S_OK;
    case flash::kTGetProperty:
      if (!needs(2) || !args.String(0, &s1) || !args.Long(1, &l)) return DISP_E_TYPEMISMATCH;
      SetString(result, Wide(host_->TGetProperty(Utf8(s1), static_cast<int>(l))));
      return S_OK;
    default:
      return DISP_E_MEMBERNOTFOUND;
  }
}

bool FlashObject::LoadMovie(const std::wstring& path) {
  if (!LoadMovieFile(*host_, path)) return false;
  moviePath_ = path;
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

}  // namespace swfcontrol
