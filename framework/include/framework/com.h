// Owners for COM interface pointers, BSTRs and VARIANTs.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <oleauto.h>

#include <string>
#include <utility>

namespace framework {

// Owns one reference to a COM interface.
template <typename T>
class ComPtr {
 public:
  ComPtr() noexcept = default;
  // Takes over a reference the caller already holds.
  explicit ComPtr(T* p) noexcept : p_(p) {}
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) reset(std::exchange(other.p_, nullptr));
    return *this;
  }
  ~ComPtr() { reset(); }

  static ComPtr AddRefFrom(T* p) noexcept {
    if (p) p->AddRef();
    return ComPtr(p);
  }
  template <typename Q>
  HRESULT QueryFrom(Q* source, REFIID iid = __uuidof(T)) noexcept {
    reset();
    if (!source) return E_POINTER;
    return source->QueryInterface(iid, reinterpret_cast<void**>(&p_));
  }

  T* get() const noexcept { return p_; }
  T* operator->() const noexcept { return p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }
  // For out parameters: releases what is held and hands out the slot.
  T** put() noexcept {
    reset();
    return &p_;
  }
  void** put_void() noexcept { return reinterpret_cast<void**>(put()); }
  T* release() noexcept { return std::exchange(p_, nullptr); }
  void reset(T* p = nullptr) noexcept {
    T* old = std::exchange(p_, p);
    if (old) old->Release();
  }

 private:
  T* p_ = nullptr;
};

// Owns one BSTR.
class Bstr {
 public:
  Bstr() noexcept = default;
  explicit Bstr(const std::wstring& text) : b_(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  Bstr(Bstr&& other) noexcept : b_(std::exchange(other.b_, nullptr)) {}
  Bstr& operator=(Bstr&& other) noexcept {
    if (this != &other) reset(std::exchange(other.b_, nullptr));
    return *this;
  }
  ~Bstr() { reset(); }

  BSTR get() const noexcept { return b_; }
  BSTR* put() noexcept {
    reset();
    return &b_;
  }
  BSTR release() noexcept { return std::exchange(b_, nullptr); }
  void reset(BSTR b = nullptr) noexcept {
    BSTR old = std::exchange(b_, b);
    if (old) ::SysFreeString(old);
  }
  std::wstring str() const { return b_ ? std::wstring(b_, ::SysStringLen(b_)) : std::wstring(); }

 private:
  BSTR b_ = nullptr;
};

// Owns one VARIANT; built from the plain types the dispatch calls pass.
class Variant {
 public:
  Variant() noexcept { ::VariantInit(&v_); }
  explicit Variant(long value) noexcept : Variant() {
    v_.vt = VT_I4;
    v_.lVal = value;
  }
  explicit Variant(int value) noexcept : Variant(static_cast<long>(value)) {}
  explicit Variant(bool value) noexcept : Variant() {
    v_.vt = VT_BOOL;
    v_.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  }
  explicit Variant(const std::wstring& text) : Variant() {
    v_.vt = VT_BSTR;
    v_.bstrVal = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  }
  explicit Variant(const wchar_t* text) : Variant(std::wstring(text ? text : L"")) {}
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  Variant(Variant&& other) noexcept : v_(other.v_) { ::VariantInit(&other.v_); }
  Variant& operator=(Variant&& other) noexcept {
    if (this != &other) {
      ::VariantClear(&v_);
      v_ = other.v_;
      ::VariantInit(&other.v_);
    }
    return *this;
  }
  ~Variant() { ::VariantClear(&v_); }

  VARIANT* get() noexcept { return &v_; }
  const VARIANT* get() const noexcept { return &v_; }
  // Clears and hands out the VARIANT for an out parameter.
  VARIANT* put() noexcept {
    ::VariantClear(&v_);
    return &v_;
  }
  VARTYPE type() const noexcept { return v_.vt; }

  // Coerced reads; false when the value cannot be turned into the type.
  bool ToLong(long* out) const;
  bool ToBool(bool* out) const;
  bool ToString(std::wstring* out) const;
  long AsLong(long fallback = 0) const {
    long v;
    return ToLong(&v) ? v : fallback;
  }
  bool AsBool(bool fallback = false) const {
    bool v;
    return ToBool(&v) ? v : fallback;
  }
  std::wstring AsString() const {
    std::wstring v;
    return ToString(&v) ? v : std::wstring();
  }

 private:
  VARIANT v_;
};

inline bool Variant::ToLong(long* out) const {
  VARIANT tmp;
  ::VariantInit(&tmp);
  if (FAILED(::VariantChangeType(&tmp, const_cast<VARIANT*>(&v_), 0, VT_I4))) return false;
  *out = tmp.lVal;
  return true;
}

inline bool Variant::ToBool(bool* out) const {
  VARIANT tmp;
  ::VariantInit(&tmp);
  if (FAILED(::VariantChangeType(&tmp, const_cast<VARIANT*>(&v_), 0, VT_BOOL))) return false;
  *out = tmp.boolVal != VARIANT_FALSE;
  return true;
}

inline bool Variant::ToString(std::wstring* out) const {
  VARIANT tmp;
  ::VariantInit(&tmp);
  if (FAILED(::VariantChangeType(&tmp, const_cast<VARIANT*>(&v_), 0, VT_BSTR))) return false;
  *out = tmp.bstrVal ? std::wstring(tmp.bstrVal, ::SysStringLen(tmp.bstrVal)) : std::wstring();
  ::VariantClear(&tmp);
  return true;
}

}  // namespace framework
