// The extended control manager installed at start-up for transparent playback.
#pragma once

#include "framework/app.h"
#include "transparent/occ_container_ex.h"
#include "transparent/occ_site_ex.h"

namespace projector {

// Makes the framework create the extended containers and sites that host controls windowless.
class COccManagerEx : public framework::COccManager {
 public:
  // Which classes the manager instantiates; the defaults make the extended container and site.
  using ContainerClass = COleControlContainerEx* (*)(framework::CWnd* wnd);
  using SiteClass = COleControlSiteEx* (*)(framework::COleControlContainer* container);

  COccManagerEx();

  framework::COleControlContainer* CreateContainer(framework::CWnd* wnd) override;
  framework::COleControlSite* CreateSite(framework::COleControlContainer* container) override;

  ContainerClass containerClass;
  SiteClass siteClass;
};

}  // namespace projector
