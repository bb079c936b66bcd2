#include "hardware_object.h"

#include <olectl.h>

#include <string>

namespace hwinfo {

namespace {


constexpr wchar_t kWindowClass[] = L"HardWareInfoControl";

constexpr const wchar_t* kQuantityNames[] = {L"Serial", L"Model", L"Cylinders", L"Heads", L"SectorsPerTrack"};

struct NamedProperty {
  const wchar_t* name;
  long dispid;
};
constexpr NamedProperty kNamedProperties[] = {
    {L"SystemManufacturer", dispid::kSystemManufacturer}, {L"SystemProductName", dispid::kSystemProductName},
    {L"SystemVersion", dispid::kSystemVersion},           {L"SystemSerialNumber", dispid::kSystemSerial},
    {L"CpuType", dispid::kProcessorType},                 {L"CpuManufacturer", dispid::kProcessorManufacturer},
    {L"CpuVersion", dispid::kProcessorVersion},           {L"CpuId", dispid::kProcessorId},
};

// The drive and quantity a disk property stands for; false for any other identifier.
bool FindDiskProperty(DISPID id, int* drive, DiskQuantity* quantity) {
  for (int q = 0; q < 5; ++q)
    for (int d = 0; d < kDiskCount; ++d)
      if (DiskDispid(static_cast<DiskQuantity>(q), d) == id) {
        *drive = d;
        *quantity = static_cast<DiskQuantity>(q);
        return true;
      }
  return false;
}

// The window gives the control its place among the host's children; it handles no message of its own.
bool RegisterControlWindowClass() {
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = ::DefWindowProcW;
  wc.hInstance = ModuleHandle();
  wc.lpszClassName = kWindowClass;
  return ::RegisterClassExW(&wc) || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HRESULT SetText(VARIANT* result, const std::wstring& text) {
  result->vt = VT_BSTR;
  result->bstrVal = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  return result->bstrVal ? S_OK : E_OUTOFMEMORY;
}

}  // namespace

HardwareObject::HardwareObject() { ModuleAddRef(); }

HardwareObject::~HardwareObject() {
  window_.reset();
  ModuleRelease();
}

STDMETHODIMP HardwareObject::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch))
    *out = static_cast<IDispatch*>(this);
  else if (IsEqualIID(iid, IID_IOleObject))
    *out = static_cast<IOleObject*>(this);
  else if (IsEqualIID(iid, IID_IOleWindow) || IsEqualIID(iid, IID_IOleInPlaceObject))
    *out = static_cast<IOleInPlaceObject*>(this);
  else
    return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) HardwareObject::AddRef() { return static_cast<ULONG>(::InterlockedIncrement(&refs_)); }

STDMETHODIMP_(ULONG) HardwareObject::Release() {
  LONG left = ::InterlockedDecrement(&refs_);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

STDMETHODIMP HardwareObject::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

STDMETHODIMP HardwareObject::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info) *info = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP HardwareObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  try {
    if (!names || !ids) return E_POINTER;
    HRESULT hr = S_OK;
    for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    if (count == 0) return S_OK;
    std::wstring name = names[0] ? names[0] : L"";
    for (const NamedProperty& p : kNamedProperties)
      if (::_wcsicmp(name.c_str(), p.name) == 0) ids[0] = p.dispid;
    for (int q = 0; q < 5; ++q)
      for (int d = 0; d < kDiskCount; ++d)
        if (::_wcsicmp(name.c_str(), (L"Disk" + std::to_wstring(d) + kQuantityNames[q]).c_str()) == 0)
          ids[0] = DiskDispid(static_cast<DiskQuantity>(q), d);
    if (ids[0] == DISPID_UNKNOWN || count > 1) hr = DISP_E_UNKNOWNNAME;
    return hr;
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

HRESULT HardwareObject::ReadProperty(DISPID id, VARIANT* result) {
  switch (id) {
    case dispid::kSystemManufacturer:
    case dispid::kSystemProductName:
    case dispid::kSystemVersion:
    case dispid::kSystemSerial: return SetText(result, facts_.SystemText(id));
    case dispid::kProcessorType:
    case dispid::kProcessorManufacturer:
    case dispid::kProcessorVersion:
    case dispid::kProcessorId: return SetText(result, facts_.ProcessorText(id));
  }
  int drive = 0;
  DiskQuantity quantity{};
  if (!FindDiskProperty(id, &drive, &quantity)) return DISP_E_MEMBERNOTFOUND;
  const DiskFacts& disk = facts_.Disk(drive);
  switch (quantity) {
    case DiskQuantity::Serial: return SetText(result, disk.serial);
    case DiskQuantity::Model: return SetText(result, disk.model);
    case DiskQuantity::Cylinders: result->lVal = disk.cylinders; break;
    case DiskQuantity::Heads: result->lVal = disk.heads; break;
    case DiskQuantity::SectorsPerTrack: result->lVal = disk.sectorsPerTrack; break;
  }
  result->vt = VT_I4;
  return S_OK;
}

STDMETHODIMP HardwareObject::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                    EXCEPINFO*, UINT*) {
  try {
    // Every property is read-only.
    if (!(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
    if (params && params->cArgs != 0) return DISP_E_BADPARAMCOUNT;
    VARIANT scratch;
    ::VariantInit(&scratch);
    VARIANT* target = result ? result : &scratch;
    ::VariantInit(target);
    HRESULT hr = ReadProperty(id, target);
    ::VariantClear(&scratch);
    return hr;
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

STDMETHODIMP HardwareObject::SetClientSite(IOleClientSite* site) {
  clientSite_ = framework::ComPtr<IOleClientSite>::AddRefFrom(site);
  return S_OK;
}

STDMETHODIMP HardwareObject::GetClientSite(IOleClientSite** site) {
  if (!site) return E_POINTER;
  *site = clientSite_.get();
  if (*site) (*site)->AddRef();
  return S_OK;
}

STDMETHODIMP HardwareObject::Close(DWORD) { return InPlaceDeactivate(); }

STDMETHODIMP HardwareObject::GetMoniker(DWORD, DWORD, IMoniker** out) {
  if (out) *out = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP HardwareObject::GetClipboardData(DWORD, IDataObject** out) {
  if (out) *out = nullptr;
  return E_NOTIMPL;
}

HRESULT HardwareObject::ActivateInPlace(IOleClientSite* site, HWND parent, LPCRECT rect) {
  if (window_) return S_OK;
  if (!site) site = clientSite_.get();
  if (!site) return E_UNEXPECTED;
  framework::ComPtr<IOleInPlaceSite> inPlace;
  if (FAILED(inPlace.QueryFrom(site, IID_IOleInPlaceSite))) return E_NOINTERFACE;
  if (inPlace->CanInPlaceActivate() != S_OK) return E_FAIL;
  if (!parent && FAILED(inPlace->GetWindow(&parent))) return E_FAIL;
  if (!parent || !RegisterControlWindowClass()) return E_FAIL;
  RECT r = rect ? *rect : RECT{};
  // Never shown: the control has nothing to draw, it only answers its properties.
  window_.reset(::CreateWindowExW(0, kWindowClass, L"", WS_CHILD | WS_CLIPSIBLINGS, r.left, r.top, r.right - r.left,
                                  r.bottom - r.top, parent, nullptr, ModuleHandle(), nullptr));
  if (!window_) return E_FAIL;
  inPlace->OnInPlaceActivate();
  inPlaceSite_ = std::move(inPlace);
  return S_OK;
}

STDMETHODIMP HardwareObject::DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND parent, LPCRECT rect) {
  try {
    switch (verb) {
      case OLEIVERB_PRIMARY:
      case OLEIVERB_SHOW:
      case OLEIVERB_INPLACEACTIVATE:
      case OLEIVERB_UIACTIVATE: return ActivateInPlace(site, parent, rect);
      case OLEIVERB_HIDE:
        if (window_) ::ShowWindow(window_.get(), SW_HIDE);
        return S_OK;
      default: return OLEOBJ_S_INVALIDVERB;
    }
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

STDMETHODIMP HardwareObject::GetUserClassID(CLSID* clsid) {
  if (!clsid) return E_POINTER;
  *clsid = kClsidHardwareInfo;
  return S_OK;
}

STDMETHODIMP HardwareObject::SetExtent(DWORD, SIZEL* size) {
  if (!size) return E_POINTER;
  extent_ = *size;
  return S_OK;
}

STDMETHODIMP HardwareObject::GetExtent(DWORD, SIZEL* size) {
  if (!size) return E_POINTER;
  *size = extent_;
  return S_OK;
}

STDMETHODIMP HardwareObject::GetMiscStatus(DWORD, DWORD* status) {
  if (!status) return E_POINTER;
  *status = OLEMISC_INVISIBLEATRUNTIME | OLEMISC_SETCLIENTSITEFIRST | OLEMISC_ACTIVATEWHENVISIBLE;
  return S_OK;
}

STDMETHODIMP HardwareObject::GetWindow(HWND* window) {
  if (!window) return E_POINTER;
  *window = window_.get();
  return window_ ? S_OK : E_FAIL;
}

STDMETHODIMP HardwareObject::InPlaceDeactivate() {
  if (!window_) return S_OK;
  window_.reset();
  if (inPlaceSite_) {
    inPlaceSite_->OnInPlaceDeactivate();
    inPlaceSite_.reset();
  }
  return S_OK;
}

STDMETHODIMP HardwareObject::SetObjectRects(LPCRECT position, LPCRECT) {
  if (!position) return E_POINTER;
  if (window_)
    ::MoveWindow(window_.get(), position->left, position->top, position->right - position->left,
                 position->bottom - position->top, FALSE);
  return S_OK;
}

}  // namespace hwinfo
