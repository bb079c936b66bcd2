// What the controls' dispatch members share: the arguments of a call coerced to the types a member takes, and
// the results they hand back.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>

namespace swfcontrol {

// The player version both stand-in controls report.
constexpr long kPlayerVersion = 0x000A0000;

// The arguments of a call, in declaration order.
class Args {
 public:
  explicit Args(DISPPARAMS* params) : params_(params) {}
  UINT count() const { return params_ ? params_->cArgs : 0; }
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

 private:
  bool Coerce(UINT i, VARTYPE type, VARIANT* out) const {
    ::VariantInit(out);
    if (!params_ || i >= params_->cArgs) return false;
    VARIANT* arg = &params_->rgvarg[params_->cArgs - 1 - i];
    return SUCCEEDED(::VariantChangeType(out, arg, 0, type));
  }
  DISPPARAMS* params_;
};

inline void SetLong(VARIANT* r, long v) {
  if (!r) return;
  r->vt = VT_I4;
  r->lVal = v;
}
inline void SetBool(VARIANT* r, bool v) {
  if (!r) return;
  r->vt = VT_BOOL;
  r->boolVal = v ? VARIANT_TRUE : VARIANT_FALSE;
}
inline void SetString(VARIANT* r, const std::wstring& v) {
  if (!r) return;
  r->vt = VT_BSTR;
  r->bstrVal = ::SysAllocStringLen(v.data(), static_cast<UINT>(v.size()));
}

}  // namespace swfcontrol
