// What the containment tests share: the extended manager installed, the test control registered, a top-level
// window holding a child container window, and both recording the messages their own procedures get.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "framework/app.h"
#include "probe_control.h"
#include "transparent/occ_container_ex.h"
#include "transparent/occ_manager_ex.h"
#include "transparent/occ_site_ex.h"
#include "transparent/windowless_control.h"

namespace containment_test {

// A window that keeps the numbers of the messages its own procedure saw and the test control's events.
class RecordingWindow : public framework::CWnd {
 public:
  std::vector<UINT> seen;
  std::vector<long> events;
  bool Saw(UINT msg) const { return std::find(seen.begin(), seen.end(), msg) != seen.end(); }
  void OnProbeEvent(long value) { events.push_back(value); }

 protected:
  bool OnMessage(UINT msg, WPARAM, LPARAM, LRESULT*) override {
    seen.push_back(msg);
    return false;
  }
  const framework::EventSinkEntry* GetEventSinkMap(size_t* count) const override {
    static const framework::EventSinkEntry entries[] = {
        framework::OnEvent<&RecordingWindow::OnProbeEvent>(1, probe::kEventDispid),
    };
    *count = 1;
    return entries;
  }
};

class Containment : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(framework::AfxOleInit());
    framework::AfxEnableControlContainer(&manager);
    registration = std::make_unique<probe::Registration>();
    ASSERT_TRUE(registration->ok());
    ASSERT_TRUE(outer.CreateEx(0, nullptr, L"containment", WS_OVERLAPPEDWINDOW | WS_VISIBLE, {40, 40, 440, 340},
                               nullptr, nullptr));
    ASSERT_TRUE(host.CreateEx(0, nullptr, L"", WS_CHILD | WS_VISIBLE, {10, 10, 310, 210}, outer.m_hWnd,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(100))));
  }

  void TearDown() override {
    host.DestroyWindow();
    outer.DestroyWindow();
    registration.reset();
    framework::AfxEnableControlContainer(nullptr);
  }

  // Creates the test control in the container window with the given options and rectangle.
  BOOL Create(projector::CWindowlessControl& proxy, const RECT& rect, probe::Options options = {},
              DWORD style = WS_VISIBLE) {
    probe::SetNextOptions(std::move(options));
    return proxy.CreateControl(probe::kClsid, nullptr, style, rect, &host, 1);
  }

  projector::COleControlContainerEx* Container() const {
    return dynamic_cast<projector::COleControlContainerEx*>(host.m_pCtrlCont);
  }
  static projector::COleControlSiteEx* Site(const framework::CWnd& proxy) {
    return dynamic_cast<projector::COleControlSiteEx*>(proxy.GetControlSite());
  }

  // The cursor in the container window's client coordinates, where the container looks for the mouse's target.
  POINT CursorInHost() const {
    RECT r;
    ::GetWindowRect(host.m_hWnd, &r);
    ::SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    POINT p{};
    ::GetCursorPos(&p);
    ::ScreenToClient(host.m_hWnd, &p);
    return p;
  }
  static RECT Around(POINT p) { return {p.x - 20, p.y - 20, p.x + 20, p.y + 20}; }
  static RECT AwayFrom(POINT p) { return {p.x + 200, p.y + 200, p.x + 240, p.y + 240}; }

  projector::COccManagerEx manager;
  std::unique_ptr<probe::Registration> registration;
  RecordingWindow outer;
  RecordingWindow host;
};

}  // namespace containment_test
