// The container window's input reaching windowless controls: mouse by capture or position, keys by focus, and
// what the site does with the messages a control leaves to it.
#include "containment_fixture.h"

using containment_test::Containment;
using projector::COleControlSiteEx;
using projector::CWindowlessControl;

namespace {

bool Got(const probe::Control* control, UINT msg) {
  return std::find(control->messages.begin(), control->messages.end(), msg) != control->messages.end();
}

}  // namespace

TEST_F(Containment, MouseGoesToTheControlUnderTheCursorAndElseToTheContainerWindow) {
  POINT cursor = CursorInHost();
  CWindowlessControl under, elsewhere;
  probe::Options takesClicks;
  takesClicks.handled = {WM_LBUTTONUP, WM_MOUSEMOVE};
  ASSERT_TRUE(Create(elsewhere, AwayFrom(cursor), takesClicks));
  probe::Control* awayControl = probe::LastMade();
  ASSERT_TRUE(Create(under, Around(cursor), takesClicks));
  probe::Control* underControl = probe::LastMade();

  host.seen.clear();
  EXPECT_EQ(::SendMessageW(host.m_hWnd, WM_LBUTTONUP, 0, MAKELPARAM(999, 999)), 1);
  EXPECT_TRUE(Got(underControl, WM_LBUTTONUP));
  EXPECT_FALSE(Got(awayControl, WM_LBUTTONUP));
  EXPECT_FALSE(host.Saw(WM_LBUTTONUP));

  // Without a control under the cursor the click is the container window's own.
  under.GetControlSite()->ShowWindow(SW_HIDE);
  underControl->messages.clear();
  ::SendMessageW(host.m_hWnd, WM_LBUTTONUP, 0, 0);
  ::SendMessageW(host.m_hWnd, WM_MOUSEMOVE, 0, 0);
  EXPECT_TRUE(host.Saw(WM_LBUTTONUP));
  EXPECT_TRUE(host.Saw(WM_MOUSEMOVE));
  EXPECT_TRUE(underControl->messages.empty());
  EXPECT_TRUE(awayControl->messages.empty());
  EXPECT_EQ(Container()->SiteFromPoint(cursor.x, cursor.y), nullptr);
  // The wheel is not among the messages a windowless control is offered.
  under.GetControlSite()->ShowWindow(SW_SHOW);
  ::SendMessageW(host.m_hWnd, WM_MOUSEWHEEL, 0, 0);
  EXPECT_FALSE(Got(underControl, WM_MOUSEWHEEL));
  EXPECT_TRUE(host.Saw(WM_MOUSEWHEEL));
}

TEST_F(Containment, TheCaptureHolderGetsTheMouseWhereverTheCursorIs) {
  POINT cursor = CursorInHost();
  CWindowlessControl proxy;
  probe::Options takesMoves;
  takesMoves.handled = {WM_MOUSEMOVE};
  ASSERT_TRUE(Create(proxy, AwayFrom(cursor), takesMoves));
  probe::Control* control = probe::LastMade();
  IOleInPlaceSiteWindowless* site = control->windowlessSite.get();
  ASSERT_NE(site, nullptr);

  EXPECT_EQ(site->GetCapture(), S_FALSE);
  EXPECT_EQ(site->SetCapture(TRUE), S_OK);
  EXPECT_EQ(::GetCapture(), host.m_hWnd);
  EXPECT_EQ(site->GetCapture(), S_OK);
  EXPECT_EQ(Container()->captureSite, Site(proxy));
  host.seen.clear();
  ::SendMessageW(host.m_hWnd, WM_MOUSEMOVE, 0, 0);
  EXPECT_TRUE(Got(control, WM_MOUSEMOVE));
  EXPECT_FALSE(host.Saw(WM_MOUSEMOVE));

  EXPECT_EQ(site->SetCapture(FALSE), S_OK);
  EXPECT_EQ(::GetCapture(), nullptr);
  EXPECT_EQ(Container()->captureSite, nullptr);
  control->messages.clear();
  ::SendMessageW(host.m_hWnd, WM_MOUSEMOVE, 0, 0);
  EXPECT_FALSE(Got(control, WM_MOUSEMOVE));
  EXPECT_TRUE(host.Saw(WM_MOUSEMOVE));
}

TEST_F(Containment, KeysReachOnlyTheFocusHolderAndReleasingFocusForgetsIt) {
  CWindowlessControl proxy;
  probe::Options takesKeys;
  takesKeys.handled = {WM_KEYDOWN, WM_CHAR};
  ASSERT_TRUE(Create(proxy, {0, 0, 40, 40}, takesKeys));
  probe::Control* control = probe::LastMade();
  IOleInPlaceSiteWindowless* site = control->windowlessSite.get();
  ASSERT_NE(site, nullptr);

  host.seen.clear();
  ::SendMessageW(host.m_hWnd, WM_KEYDOWN, 'A', 0);
  EXPECT_FALSE(Got(control, WM_KEYDOWN));
  EXPECT_TRUE(host.Saw(WM_KEYDOWN));

  EXPECT_EQ(site->SetFocus(TRUE), S_OK);
  EXPECT_EQ(::GetFocus(), host.m_hWnd);
  EXPECT_EQ(site->GetFocus(), S_OK);
  host.seen.clear();
  ::SendMessageW(host.m_hWnd, WM_KEYDOWN, 'A', 0);
  ::SendMessageW(host.m_hWnd, WM_CHAR, 'a', 0);
  EXPECT_TRUE(Got(control, WM_KEYDOWN));
  EXPECT_TRUE(Got(control, WM_CHAR));
  EXPECT_FALSE(host.Saw(WM_KEYDOWN));

  // The focus moves on before the control lets go of it: the container forgets the control all the same.
  ::SetFocus(outer.m_hWnd);
  EXPECT_EQ(site->GetFocus(), S_FALSE);
  EXPECT_EQ(site->SetFocus(FALSE), S_OK);
  EXPECT_EQ(Container()->focusSite, nullptr);
  EXPECT_EQ(::GetFocus(), outer.m_hWnd);
  control->messages.clear();
  host.seen.clear();
  ::SendMessageW(host.m_hWnd, WM_KEYDOWN, 'B', 0);
  EXPECT_FALSE(Got(control, WM_KEYDOWN));
  EXPECT_TRUE(host.Saw(WM_KEYDOWN));
}

TEST_F(Containment, AnUnhandledLeftPressUIActivatesTheControl) {
  POINT cursor = CursorInHost();
  CWindowlessControl proxy;
  ASSERT_TRUE(Create(proxy, Around(cursor)));
  probe::Control* control = probe::LastMade();
  control->verbs.clear();
  ::SendMessageW(host.m_hWnd, WM_LBUTTONDOWN, MK_LBUTTON, 0);
  ASSERT_TRUE(Got(control, WM_LBUTTONDOWN));
  ASSERT_FALSE(control->defaultAnswers.empty());
  EXPECT_EQ(control->defaultAnswers.back().first, static_cast<UINT>(WM_LBUTTONDOWN));
  EXPECT_EQ(control->defaultAnswers.back().second, S_OK);
  ASSERT_FALSE(control->verbs.empty());
  EXPECT_EQ(control->verbs.back(), OLEIVERB_UIACTIVATE);
  EXPECT_EQ(Container()->m_pSiteUIActive, proxy.GetControlSite());
}

TEST_F(Containment, MessagesLeftToTheSiteGoToTheDefaultProcedureExceptTheControlsOwn) {
  CWindowlessControl proxy;
  ASSERT_TRUE(Create(proxy, {0, 0, 40, 40}));
  IOleInPlaceSiteWindowless* site = probe::LastMade()->windowlessSite.get();
  ASSERT_NE(site, nullptr);

  // For a child window the default procedure hands both messages up to the parent: only the wheel may go there.
  outer.seen.clear();
  LRESULT result = 77;
  EXPECT_EQ(site->OnDefWindowMessage(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(host.m_hWnd), MAKELPARAM(5, 5), &result),
            S_FALSE);
  EXPECT_FALSE(outer.Saw(WM_CONTEXTMENU));
  EXPECT_EQ(result, 77);
  EXPECT_EQ(site->OnDefWindowMessage(WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0, &result), S_OK);
  EXPECT_TRUE(outer.Saw(WM_MOUSEWHEEL));
  EXPECT_EQ(site->OnDefWindowMessage(WM_SETCURSOR, 0, 0, &result), S_FALSE);
  EXPECT_EQ(site->OnDefWindowMessage(WM_HELP, 0, 0, &result), S_FALSE);
}

TEST_F(Containment, TheSiteAnswersTheWindowlessQuestionsOfItsControl) {
  CWindowlessControl proxy;
  ASSERT_TRUE(Create(proxy, {3, 4, 43, 34}));
  IOleInPlaceSiteWindowless* site = probe::LastMade()->windowlessSite.get();
  ASSERT_NE(site, nullptr);
  HWND window = nullptr;
  EXPECT_EQ(site->GetWindow(&window), S_OK);
  EXPECT_EQ(window, host.m_hWnd);
  EXPECT_EQ(site->CanWindowlessActivate(), S_OK);
  EXPECT_EQ(site->Scroll({1, 1}), S_FALSE);
  RECT unchanged{1, 2, 3, 4};
  EXPECT_EQ(site->AdjustRect(&unchanged), S_OK);
  EXPECT_EQ(unchanged.right, 3);

  IOleInPlaceFrame* frame = nullptr;
  IOleInPlaceUIWindow* document = nullptr;
  RECT position{}, clip{};
  OLEINPLACEFRAMEINFO info{};
  info.cb = sizeof(info);
  ASSERT_EQ(site->GetWindowContext(&frame, &document, &position, &clip, &info), S_OK);
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(document, nullptr);
  EXPECT_EQ(position.left, 3);
  EXPECT_EQ(position.bottom, 34);
  EXPECT_EQ(clip.right, 300);
  EXPECT_EQ(info.hwndFrame, host.m_hWnd);
  HWND frameWindow = nullptr;
  EXPECT_EQ(frame->GetWindow(&frameWindow), S_OK);
  EXPECT_EQ(frameWindow, host.m_hWnd);
  EXPECT_EQ(frame->InsertMenus(nullptr, nullptr), E_NOTIMPL);
  EXPECT_EQ(frame->SetStatusText(L"ready"), S_OK);
  EXPECT_EQ(frame->EnableModeless(TRUE), S_OK);
  frame->Release();

  RECT moved{10, 10, 30, 30};
  EXPECT_EQ(site->OnPosRectChange(&moved), S_OK);
  EXPECT_EQ(Site(proxy)->m_rect.left, 10);
  EXPECT_EQ(probe::LastMade()->position.right, 30);

  // Deactivation leaves the site without a window or flags and the proxy without its site.
  COleControlSiteEx* extended = Site(proxy);
  EXPECT_EQ(probe::LastMade()->InPlaceDeactivate(), S_OK);
  EXPECT_EQ(extended->activateFlags, 0u);
  EXPECT_EQ(extended->m_hWnd, nullptr);
  EXPECT_EQ(proxy.GetControlSite(), nullptr);
  EXPECT_EQ(Container()->m_siteMap.size(), 1u);
}
