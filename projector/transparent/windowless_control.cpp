// Creating a control through the extended containment, windowless when the control chooses to be.
#include "transparent/windowless_control.h"

#include "framework/app.h"
#include "transparent/occ_container_ex.h"

namespace projector {

BOOL CWindowlessControl::CreateControl(const wchar_t* progId, const wchar_t* windowName, DWORD style,
                                       const RECT& rect, framework::CWnd* parent, UINT id, framework::CFile* persist,
                                       BOOL storage, BSTR key) {
  CLSID clsid;
  if (!progId || FAILED(::CLSIDFromProgID(progId, &clsid))) return FALSE;
  return CreateControl(clsid, windowName, style, rect, parent, id, persist, storage, key);
}

BOOL CWindowlessControl::CreateControl(REFCLSID clsid, const wchar_t* windowName, DWORD style, const RECT& rect,
                                       framework::CWnd* parent, UINT id, framework::CFile* persist, BOOL storage,
                                       BSTR key) {
  // A proxy serves one control: a second creation would leave the first one's site pointing at it.
  if (!parent || !parent->m_hWnd || m_pCtrlSite || m_hWnd) return FALSE;
  if (!framework::AfxOleInit()) return FALSE;
  if (!parent->m_pCtrlCont) {
    try {
      parent->m_pCtrlCont = framework::AfxGetControlManager()->CreateContainer(parent);
    } catch (...) {
      parent->m_pCtrlCont = nullptr;
    }
  }
  framework::COleControlContainer* container = parent->m_pCtrlCont;
  if (!container) return FALSE;
  for (framework::CWnd* w = parent; w && !(w->m_nFlags & WF_OLECTLCONTAINER);) {
    w->m_nFlags |= WF_OLECTLCONTAINER;
    if (!w->m_hWnd || !(w->GetStyle() & WS_CHILD)) break;
    w = framework::CWnd::FromHandlePermanent(::GetParent(w->m_hWnd));
  }
  if (auto* extended = dynamic_cast<COleControlContainerEx*>(container))
    return extended->CreateControlEx(this, clsid, windowName, style, rect, id, persist, storage, key);
  return container->CreateControl(this, clsid, windowName, style, rect, id, persist, storage, key);
}

}  // namespace projector
