#include "framework/htmlview.h"

#include <exdispid.h>

#include "framework/occ.h"

namespace framework {

namespace {

// An event argument passed by reference to a VARIANT, as the browser's events pass their texts.
std::wstring TextArgument(const VARIANTARG& arg) {
  Variant copy;
  if (FAILED(::VariantCopyInd(copy.get(), const_cast<VARIANTARG*>(&arg)))) return {};
  std::wstring text;
  return copy.ToString(&text) ? text : std::wstring();
}

long LongArgument(const VARIANTARG& arg) {
  Variant copy;
  long value = 0;
  if (FAILED(::VariantCopyInd(copy.get(), const_cast<VARIANTARG*>(&arg)))) return 0;
  return copy.ToLong(&value) ? value : 0;
}

}  // namespace

CHtmlView::~CHtmlView() { ReleaseBrowser(); }

bool CHtmlView::Create(const RECT& rect, CWnd* parent, UINT id, DWORD style) {
  if (!parent || !parent->m_hWnd || m_hWnd) return false;
  if (!CreateEx(0, nullptr, L"", style | WS_CLIPCHILDREN, rect, parent->m_hWnd,
                reinterpret_cast<HMENU>(static_cast<INT_PTR>(id))))
    return false;
  RECT client;
  ::GetClientRect(m_hWnd, &client);
  if (!browserWindow_.CreateControl(CLSID_WebBrowser, L"", WS_CHILD | WS_VISIBLE, client, this, kBrowserId)) {
    DestroyWindow();
    return false;
  }
  COleControlSite* site = browserWindow_.GetControlSite();
  if (!site || FAILED(browser_.QueryFrom(site->m_pObject.get(), IID_IWebBrowser2))) {
    DestroyWindow();
    return false;
  }
  return true;
}

HRESULT CHtmlView::Navigate2(const std::wstring& url) {
  if (!browser_) return E_NOINTERFACE;
  Variant target(url);
  Variant empty;
  return browser_->Navigate2(target.get(), empty.get(), empty.get(), empty.get(), empty.get());
}

HRESULT CHtmlView::Stop() { return browser_ ? browser_->Stop() : E_NOINTERFACE; }

std::wstring CHtmlView::GetLocationURL() const {
  if (!browser_) return {};
  Bstr url;
  if (FAILED(browser_->get_LocationURL(url.put()))) return {};
  return url.str();
}

void CHtmlView::OnBeforeNavigate2(const std::wstring&, DWORD, const std::wstring&, bool*) {}

bool CHtmlView::OnSize(UINT, int cx, int cy) {
  if (browserWindow_.m_hWnd || browserWindow_.GetControlSite()) browserWindow_.MoveWindow({0, 0, cx, cy}, TRUE);
  return false;
}

bool CHtmlView::OnDestroy() {
  ReleaseBrowser();
  return false;
}

void CHtmlView::ReleaseBrowser() { browser_.reset(); }

const EventSinkEntry* CHtmlView::GetEventSinkMap(size_t* count) const {
  static const EventSinkEntry entries[] = {
      {kBrowserId, DISPID_BEFORENAVIGATE2, &CHtmlView::InvokeBeforeNavigate2},
      {kBrowserId, DISPID_NAVIGATECOMPLETE2, &CHtmlView::InvokeNavigateComplete2},
  };
  *count = sizeof(entries) / sizeof(entries[0]);
  return entries;
}

// BeforeNavigate2(pDisp, URL, Flags, TargetFrameName, PostData, Headers, Cancel): arguments arrive last first.
HRESULT CHtmlView::InvokeBeforeNavigate2(CWnd* target, DISPPARAMS* params) {
  if (!params || params->cArgs < 7) return DISP_E_BADPARAMCOUNT;
  const VARIANTARG* a = params->rgvarg;
  VARIANTARG& cancelArg = params->rgvarg[0];
  if (cancelArg.vt != (VT_BOOL | VT_BYREF) || !cancelArg.pboolVal) return DISP_E_TYPEMISMATCH;
  bool cancel = *cancelArg.pboolVal != VARIANT_FALSE;
  static_cast<CHtmlView*>(target)->OnBeforeNavigate2(TextArgument(a[5]), static_cast<DWORD>(LongArgument(a[4])),
                                                     TextArgument(a[3]), &cancel);
  *cancelArg.pboolVal = cancel ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}

HRESULT CHtmlView::InvokeNavigateComplete2(CWnd* target, DISPPARAMS* params) {
  if (!params || params->cArgs < 2) return DISP_E_BADPARAMCOUNT;
  static_cast<CHtmlView*>(target)->OnNavigateComplete2(TextArgument(params->rgvarg[0]));
  return S_OK;
}

}  // namespace framework
