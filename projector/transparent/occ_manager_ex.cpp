// The extended control manager: which container and site classes the framework instantiates.
#include "transparent/occ_manager_ex.h"

namespace projector {

namespace {

COleControlContainerEx* NewContainerEx(framework::CWnd* wnd) { return new COleControlContainerEx(wnd); }

COleControlSiteEx* NewSiteEx(framework::COleControlContainer* container) { return new COleControlSiteEx(container); }

}  // namespace

COccManagerEx::COccManagerEx() : containerClass(&NewContainerEx), siteClass(&NewSiteEx) {}

framework::COleControlContainer* COccManagerEx::CreateContainer(framework::CWnd* wnd) {
  if (!containerClass) return framework::COccManager::CreateContainer(wnd);
  COleControlContainerEx* container = containerClass(wnd);
  if (!container) return nullptr;
  container->m_pWnd = wnd;
  container->OnContainerCreated();
  return container;
}

framework::COleControlSite* COccManagerEx::CreateSite(framework::COleControlContainer* container) {
  if (!siteClass) return framework::COccManager::CreateSite(container);
  COleControlSiteEx* site = siteClass(container);
  if (!site) return nullptr;
  site->m_pCtrlCont = container;
  site->OnSiteCreated();
  return site;
}

}  // namespace projector
