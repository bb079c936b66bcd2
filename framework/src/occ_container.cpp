// The control manager, a window's part in containment, and the control container with its in-place frame.
#include "framework/app.h"
#include "framework/occ.h"
#include "occ_shared.h"

namespace framework {

namespace {

thread_local bool g_oleReady = false;

}  // namespace

namespace detail {

COccManager* Manager() {
  static COccManager standard;
  COccManager* m = AfxGetControlManager();
  return m ? m : &standard;
}

}  // namespace detail

using detail::Manager;

BOOL AfxOleInit() {
  if (g_oleReady) return TRUE;
  HRESULT hr = ::OleInitialize(nullptr);
  if (FAILED(hr)) return FALSE;
  g_oleReady = true;
  return TRUE;
}

// ---- COccManager ----

BOOL COccManager::OnEvent(COleControlSite* site, DISPID dispid, DISPPARAMS* params) {
  if (!site) return FALSE;
  if (CWnd* wrapper = site->m_pWndCtrl; wrapper && wrapper->OnEvent(site->m_nID, dispid, params)) return TRUE;
  CWnd* container = site->m_pCtrlCont ? site->m_pCtrlCont->m_pWnd : nullptr;
  return container && container != site->m_pWndCtrl && container->OnEvent(site->m_nID, dispid, params);
}

COleControlContainer* COccManager::CreateContainer(CWnd* wnd) { return new COleControlContainer(wnd); }

COleControlSite* COccManager::CreateSite(COleControlContainer* container) { return new COleControlSite(container); }

// ---- CWnd's part ----

bool CWnd::OnEvent(UINT controlId, DISPID dispid, DISPPARAMS* params) {
  size_t count = 0;
  const EventSinkEntry* entries = GetEventSinkMap(&count);
  for (size_t i = 0; i < count; ++i) {
    if (entries[i].controlId == controlId && entries[i].dispid == dispid) {
      return SUCCEEDED(entries[i].invoke(this, params));
    }
  }
  return false;
}

BOOL CWnd::CreateControl(const wchar_t* progId, const wchar_t* windowName, DWORD style, const RECT& rect,
                         CWnd* parent, UINT id, CFile* persist, BOOL storage, BSTR licenseKey) {
  CLSID clsid;
  if (!progId || FAILED(::CLSIDFromProgID(progId, &clsid))) return FALSE;
  return CreateControl(clsid, windowName, style, rect, parent, id, persist, storage, licenseKey);
}

BOOL CWnd::CreateControl(REFCLSID clsid, const wchar_t* windowName, DWORD style, const RECT& rect, CWnd* parent,
                         UINT id, CFile* persist, BOOL storage, BSTR licenseKey) {
  if (!parent || !parent->m_hWnd || m_pCtrlSite || m_hWnd) return FALSE;
  if (!AfxOleInit()) return FALSE;
  if (!parent->m_pCtrlCont) {
    try {
      parent->m_pCtrlCont = Manager()->CreateContainer(parent);
    } catch (...) {
      parent->m_pCtrlCont = nullptr;
    }
  }
  if (!parent->m_pCtrlCont) return FALSE;
  for (CWnd* w = parent; w && !(w->m_nFlags & WF_OLECTLCONTAINER);) {
    w->m_nFlags |= WF_OLECTLCONTAINER;
    if (!(w->GetStyle() & WS_CHILD)) break;
    w = CWnd::FromHandlePermanent(::GetParent(w->m_hWnd));
  }
  return parent->m_pCtrlCont->CreateControl(this, clsid, windowName, style, rect, id, persist, storage, licenseKey);
}

HRESULT CWnd::InvokeHelperV(DISPID id, WORD flags, Variant* result, Variant* args, size_t count) {
  if (!m_pCtrlSite) return E_UNEXPECTED;
  return m_pCtrlSite->InvokeHelperV(id, flags, result, args, count);
}

HRESULT CWnd::GetProperty(DISPID id, Variant* value) {
  if (!m_pCtrlSite) return E_UNEXPECTED;
  return m_pCtrlSite->GetProperty(id, value);
}

HRESULT CWnd::SetProperty(DISPID id, const Variant& value) {
  if (!m_pCtrlSite) return E_UNEXPECTED;
  return m_pCtrlSite->SetProperty(id, value);
}

BOOL CWnd::MoveWindow(const RECT& rect, BOOL repaint) {
  if (m_pCtrlSite) {
    m_pCtrlSite->MoveWindow(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, repaint);
    return TRUE;
  }
  if (!m_hWnd) return FALSE;
  return ::MoveWindow(m_hWnd, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, repaint);
}

void CWnd::ReleaseContainment() {
  if (m_pCtrlSite) m_pCtrlSite->m_pCtrlCont->DestroySite(m_pCtrlSite);
  if (m_pCtrlCont) {
    delete m_pCtrlCont;
    m_pCtrlCont = nullptr;
  }
}

// ---- COleControlContainer ----

COleControlContainer::COleControlContainer(CWnd* wnd) : m_pWnd(wnd) { m_xOleIPFrame.self = this; }

COleControlContainer::~COleControlContainer() {
  while (!m_siteMap.empty()) DestroySite(m_siteMap.begin()->second);
}

BOOL COleControlContainer::CreateControl(CWnd* wndCtrl, REFCLSID clsid, const wchar_t* windowName, DWORD style,
                                         const RECT& rect, UINT id, CFile* persist, BOOL storage, BSTR licenseKey,
                                         COleControlSite** siteOut) {
  COleControlSite* site = nullptr;
  try {
    site = Manager()->CreateSite(this);
  } catch (...) {
    site = nullptr;
  }
  if (!site) return FALSE;
  HRESULT hr = site->CreateControl(wndCtrl, clsid, windowName, style, rect, id, persist, storage, licenseKey);
  if (FAILED(hr)) {
    delete site;
    return FALSE;
  }
  m_siteMap[site->m_hWnd] = site;
  if (siteOut) *siteOut = site;
  return TRUE;
}

void COleControlContainer::OnUIActivate(COleControlSite* site) {
  if (m_pSiteUIActive && m_pSiteUIActive != site && m_pSiteUIActive->m_pInPlaceObject)
    m_pSiteUIActive->m_pInPlaceObject->UIDeactivate();
  m_pSiteUIActive = site;
}

void COleControlContainer::OnUIDeactivate(COleControlSite* site) {
  if (m_pSiteUIActive == site) m_pSiteUIActive = nullptr;
}

COleControlSite* COleControlContainer::FindItem(UINT id) const {
  for (const auto& [key, site] : m_siteMap)
    if (site->m_nID == id) return site;
  return nullptr;
}

COleControlSite* COleControlContainer::FindSite(HWND key) const {
  auto it = m_siteMap.find(key);
  return it == m_siteMap.end() ? nullptr : it->second;
}

void COleControlContainer::DestroySite(COleControlSite* site) {
  for (auto it = m_siteMap.begin(); it != m_siteMap.end(); ++it) {
    if (it->second == site) {
      m_siteMap.erase(it);
      break;
    }
  }
  if (m_pSiteUIActive == site) m_pSiteUIActive = nullptr;
  delete site;
}

void* COleControlContainer::GetInterface(REFIID iid) {
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IOleWindow) || IsEqualIID(iid, IID_IOleInPlaceUIWindow) ||
      IsEqualIID(iid, IID_IOleInPlaceFrame))
    return static_cast<IOleInPlaceFrame*>(&m_xOleIPFrame);
  return nullptr;
}

HRESULT COleControlContainer::ExternalQueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = GetInterface(iid);
  if (!*out) return E_NOINTERFACE;
  static_cast<IUnknown*>(*out)->AddRef();
  return S_OK;
}

STDMETHODIMP COleControlContainer::XOleIPFrame::QueryInterface(REFIID iid, void** out) {
  return self->ExternalQueryInterface(iid, out);
}
STDMETHODIMP_(ULONG) COleControlContainer::XOleIPFrame::AddRef() { return self->ExternalAddRef(); }
STDMETHODIMP_(ULONG) COleControlContainer::XOleIPFrame::Release() { return self->ExternalRelease(); }
STDMETHODIMP COleControlContainer::XOleIPFrame::GetWindow(HWND* hwnd) {
  if (!hwnd) return E_POINTER;
  *hwnd = self->m_pWnd ? self->m_pWnd->m_hWnd : nullptr;
  return *hwnd ? S_OK : E_FAIL;
}
STDMETHODIMP COleControlContainer::XOleIPFrame::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }
STDMETHODIMP COleControlContainer::XOleIPFrame::GetBorder(LPRECT) { return E_NOTIMPL; }
STDMETHODIMP COleControlContainer::XOleIPFrame::RequestBorderSpace(LPCBORDERWIDTHS) { return E_NOTIMPL; }
STDMETHODIMP COleControlContainer::XOleIPFrame::SetBorderSpace(LPCBORDERWIDTHS) { return E_NOTIMPL; }
STDMETHODIMP COleControlContainer::XOleIPFrame::SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR) {
  self->activeObject_ = ComPtr<IOleInPlaceActiveObject>::AddRefFrom(object);
  return S_OK;
}
STDMETHODIMP COleControlContainer::XOleIPFrame::InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) { return E_NOTIMPL; }
STDMETHODIMP COleControlContainer::XOleIPFrame::SetMenu(HMENU, HOLEMENU, HWND) { return E_NOTIMPL; }
STDMETHODIMP COleControlContainer::XOleIPFrame::RemoveMenus(HMENU) { return E_NOTIMPL; }
STDMETHODIMP COleControlContainer::XOleIPFrame::SetStatusText(LPCOLESTR) { return S_OK; }
STDMETHODIMP COleControlContainer::XOleIPFrame::EnableModeless(BOOL) { return S_OK; }
STDMETHODIMP COleControlContainer::XOleIPFrame::TranslateAccelerator(LPMSG, WORD) { return E_NOTIMPL; }

}  // namespace framework
