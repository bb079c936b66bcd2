// The control's dispatch interface: every operation the layered player calls, by its identifier or its name.
#include "orvatool_object.h"

#include <cwchar>

#include "com_text.h"
#include "dispatch_args.h"
#include "movie_support.h"
#include "swfplayer/control/orvatool_dispids.h"

namespace orvatool {

namespace {

using swfcontrol::Args;
using swfcontrol::SetBool;
using swfcontrol::SetLong;
using swfcontrol::SetString;

struct Member {
  const wchar_t* name;
  DISPID id;
};

constexpr Member kMembers[] = {
    {L"TotalFrames", kTotalFrames}, {L"ScaleMode", kScaleMode},       {L"GetLoop", kGetLoop},
    {L"SetLoop", kSetLoop},         {L"GetMovie", kGetMovie},         {L"SetMovie", kSetMovie},
    {L"SetZoomRect", kSetZoomRect}, {L"Play", kPlay},                 {L"Back", kBack},
    {L"Forward", kForward},         {L"Rewind", kRewind},             {L"StopPlay", kStopPlay},
    {L"CurrentFrame", kCurrentFrame}, {L"IsPlaying", kIsPlaying},     {L"FlashVersion", kFlashVersion},
    {L"SetVariable", kSetVariable}, {L"TSetProperty", kTSetProperty}, {L"TGetProperty", kTGetProperty},
};

}  // namespace

STDMETHODIMP OrvatoolObject::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

STDMETHODIMP OrvatoolObject::GetTypeInfo(UINT, LCID, ITypeInfo** out) {
  if (out) *out = nullptr;
  return DISP_E_BADINDEX;
}

STDMETHODIMP OrvatoolObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (!names || !ids) return E_POINTER;
  if (count == 0) return S_OK;
  HRESULT hr = S_OK;
  for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
  for (const Member& m : kMembers)
    if (names[0] && _wcsicmp(names[0], m.name) == 0) ids[0] = m.id;
  // The members take no named arguments.
  if (ids[0] == DISPID_UNKNOWN || count > 1) hr = DISP_E_UNKNOWNNAME;
  return hr;
}

STDMETHODIMP OrvatoolObject::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                    EXCEPINFO*, UINT* argError) {
  try {
    if (argError) *argError = 0;
    if (result) ::VariantInit(result);
    auto alive = framework::ComPtr<IDispatch>::AddRefFrom(this);
    return Call(id, flags, params, result);
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT OrvatoolObject::Call(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result) {
  if ((flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET | DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) == 0)
    return DISP_E_MEMBERNOTFOUND;
  Args args(params);
  const UINT n = args.count();
  long l = 0, t = 0, r = 0, b = 0;
  bool flag = false;
  std::wstring s1, s2;
  switch (id) {
    case kTotalFrames:
      SetLong(result, host_->TotalFrames());
      return S_OK;
    case kScaleMode:
      if (n < 1 || !args.Long(0, &l)) return DISP_E_TYPEMISMATCH;
      view_->SetScaleMode(static_cast<int>(l));
      Invalidate();
      return S_OK;
    case kGetLoop:
      SetBool(result, host_->Loop());
      return S_OK;
    case kSetLoop:
      if (n < 1 || !args.Bool(0, &flag)) return DISP_E_TYPEMISMATCH;
      host_->SetLoop(flag);
      return S_OK;
    case kGetMovie:
      SetString(result, moviePath_);
      return S_OK;
    case kSetMovie:
      if (n < 1 || !args.String(0, &s1)) return DISP_E_TYPEMISMATCH;
      // A blank path unloads; an unreadable one is refused and the current movie stays.
      if (swfcontrol::IsUnloadRequest(s1)) {
        UnloadMovie();
        return S_OK;
      }
      return LoadMovie(s1) ? S_OK : E_FAIL;
    case kSetZoomRect:
      if (n < 4 || !args.Long(0, &l) || !args.Long(1, &t) || !args.Long(2, &r) || !args.Long(3, &b))
        return DISP_E_TYPEMISMATCH;
      view_->SetZoomRect(swf::Rect{static_cast<double>(l), static_cast<double>(t), static_cast<double>(r),
                                   static_cast<double>(b)});
      Invalidate();
      return S_OK;
    case kPlay:
      host_->Play();
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
    case kStopPlay:
      host_->Stop();
      return S_OK;
    case kCurrentFrame:
      SetLong(result, host_->CurrentFrame());
      return S_OK;
    case kIsPlaying:
      SetBool(result, host_->IsPlaying());
      return S_OK;
    case kFlashVersion:
      SetLong(result, swfcontrol::kPlayerVersion);
      return S_OK;
    case kSetVariable:
      if (n < 2 || !args.String(0, &s1) || !args.String(1, &s2)) return DISP_E_TYPEMISMATCH;
      host_->SetVariable(swfcontrol::Utf8(s1), swfcontrol::Utf8(s2));
      Invalidate();
      return S_OK;
    case kTSetProperty:
      if (n < 3 || !args.String(0, &s1) || !args.Long(1, &l) || !args.String(2, &s2)) return DISP_E_TYPEMISMATCH;
      host_->TSetProperty(swfcontrol::Utf8(s1), static_cast<int>(l), swfcontrol::Utf8(s2));
      Invalidate();
      return S_OK;
    case kTGetProperty:
      if (n < 2 || !args.String(0, &s1) || !args.Long(1, &l)) return DISP_E_TYPEMISMATCH;
      SetString(result, swfcontrol::Wide(host_->TGetProperty(swfcontrol::Utf8(s1), static_cast<int>(l))));
      return S_OK;
    default:
      return DISP_E_MEMBERNOTFOUND;
  }
}

bool OrvatoolObject::LoadMovie(const std::wstring& path) {
  if (!swfcontrol::LoadMovieFile(*host_, path)) return false;
  moviePath_ = path;
  RestartClock();
  Invalidate();
  return true;
}

void OrvatoolObject::UnloadMovie() {
  host_->Unload();
  moviePath_.clear();
  clock_.Stop();
  Invalidate();
}

}  // namespace orvatool
