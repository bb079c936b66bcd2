// Creating controls through the extended containment, drawing windowless ones, their DCs, invalidation and
// styles, and the manager's choice of classes.
#include "containment_fixture.h"

using containment_test::Containment;
using projector::COleControlContainerEx;
using projector::COleControlSiteEx;
using projector::CWindowlessControl;

namespace {

WNDPROC ProcOf(HWND hwnd) { return reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(hwnd, GWLP_WNDPROC)); }

// A 32-bit top-down memory bitmap filled with one colour, to draw controls into.
class Canvas {
 public:
  Canvas(int width, int height, COLORREF fill) : width_(width), height_(height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    dc_ = ::CreateCompatibleDC(nullptr);
    bitmap_ = ::CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
    previous_ = ::SelectObject(dc_, bitmap_);
    RECT all{0, 0, width, height};
    HBRUSH brush = ::CreateSolidBrush(fill);
    ::FillRect(dc_, &all, brush);
    ::DeleteObject(brush);
    ::GdiFlush();
  }
  ~Canvas() {
    ::SelectObject(dc_, previous_);
    ::DeleteObject(bitmap_);
    ::DeleteDC(dc_);
  }
  HDC dc() const { return dc_; }
  COLORREF At(int x, int y) const {
    ::GdiFlush();
    DWORD p = bits_[y * width_ + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }
  int width() const { return width_; }
  int height() const { return height_; }

 private:
  int width_, height_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ previous_ = nullptr;
  DWORD* bits_ = nullptr;
};

// The container window's pending update region as one rectangle, and whether it is exactly that rectangle.
bool UpdateRegionIs(HWND hwnd, const RECT& expected) {
  HRGN update = ::CreateRectRgn(0, 0, 0, 0);
  HRGN want = ::CreateRectRgnIndirect(&expected);
  bool same = ::GetUpdateRgn(hwnd, update, FALSE) != ERROR && ::EqualRgn(update, want);
  ::DeleteObject(update);
  ::DeleteObject(want);
  return same;
}

}  // namespace

TEST_F(Containment, WindowedControlIsKeyedByItsOwnWindowAndLeavesTheContainerAlone) {
  WNDPROC before = ProcOf(host.m_hWnd);
  CWindowlessControl proxy;
  probe::Options windowed;
  windowed.windowless = false;
  ASSERT_TRUE(Create(proxy, {5, 5, 65, 45}, windowed));
  COleControlSiteEx* site = Site(proxy);
  ASSERT_NE(site, nullptr);
  HWND own = probe::LastMade()->window;
  ASSERT_NE(own, nullptr);
  EXPECT_EQ(site->m_hWnd, own);
  EXPECT_EQ(proxy.m_hWnd, own);
  EXPECT_EQ(site->activateFlags, 0u);
  EXPECT_FALSE(site->windowlessObject);
  EXPECT_EQ(Container()->FindSite(own), site);
  EXPECT_EQ(Container()->previousWindowProc, nullptr);
  EXPECT_EQ(ProcOf(host.m_hWnd), before);
  // The site's window operations act on the control's own window.
  EXPECT_TRUE(site->SetWindowPos(nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_HIDEWINDOW | SWP_NOZORDER));
  EXPECT_FALSE(::IsWindowVisible(own));
}

TEST_F(Containment, ControlRefusedWindowlessActivationByTheContainerGetsAWindow) {
  CWindowlessControl first;
  ASSERT_TRUE(Create(first, {0, 0, 10, 10}));
  Container()->allowWindowless = FALSE;
  CWindowlessControl second;
  ASSERT_TRUE(Create(second, {20, 20, 40, 40}));
  EXPECT_TRUE(Site(first)->IsWindowless());
  EXPECT_TRUE(Site(second)->IsWindowed());
  EXPECT_NE(second.m_hWnd, nullptr);
}

TEST_F(Containment, WindowlessControlsArePseudoKeyedAndSubclassTheContainerOnce) {
  WNDPROC original = ProcOf(host.m_hWnd);
  CWindowlessControl first, second;
  ASSERT_TRUE(Create(first, {0, 0, 40, 40}));
  COleControlContainerEx* container = Container();
  ASSERT_NE(container, nullptr);
  EXPECT_EQ(container->previousWindowProc, original);
  EXPECT_EQ(ProcOf(host.m_hWnd), &COleControlContainerEx::WindowlessSubclassProc);
  ASSERT_TRUE(Create(second, {50, 0, 90, 40}));
  EXPECT_EQ(container->previousWindowProc, original);
  EXPECT_EQ(ProcOf(host.m_hWnd), &COleControlContainerEx::WindowlessSubclassProc);

  for (CWindowlessControl* proxy : {&first, &second}) {
    COleControlSiteEx* site = Site(*proxy);
    ASSERT_NE(site, nullptr);
    EXPECT_EQ(proxy->m_hWnd, nullptr);
    EXPECT_EQ(reinterpret_cast<UINT_PTR>(site->m_hWnd), reinterpret_cast<UINT_PTR>(site) | 1);
    EXPECT_EQ(container->FindSite(site->m_hWnd), site);
    EXPECT_TRUE(site->activateFlags & ACTIVATE_WINDOWLESS);
    EXPECT_TRUE(site->windowlessObject);
    EXPECT_TRUE(site->GetStyle() & WS_VISIBLE);
  }
  EXPECT_TRUE(host.m_nFlags & framework::CWnd::WF_OLECTLCONTAINER);
  // The owner reaches the control's dispatch through the proxy as with any control.
  framework::Variant answer;
  EXPECT_EQ(first.InvokeHelper(probe::kAnswerDispid, DISPATCH_PROPERTYGET, &answer), S_OK);
  EXPECT_EQ(answer.AsLong(), probe::kAnswer);
  // The control's events reach the container window's event sink table.
  EXPECT_EQ(probe::LastMade()->Fire(11), S_OK);
  ASSERT_EQ(host.events.size(), 1u);
  EXPECT_EQ(host.events[0], 11);
  // The container window still answers through its own procedure.
  host.seen.clear();
  ::SendMessageW(host.m_hWnd, WM_USER + 5, 0, 0);
  EXPECT_TRUE(host.Saw(WM_USER + 5));
}

TEST_F(Containment, FailedCreationLeavesNeitherSiteNorLink) {
  CWindowlessControl proxy;
  EXPECT_FALSE(proxy.CreateControl(L"No.Such.Control.ProgId", nullptr, WS_VISIBLE, {0, 0, 5, 5}, &host, 1));
  EXPECT_FALSE(proxy.CreateControl(probe::kClsid, nullptr, WS_VISIBLE, {0, 0, 5, 5}, nullptr, 1));
  // {00000000-0000-0000-0000-0000000000F1}: registered nowhere.
  const CLSID unknown = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0xF1}};
  EXPECT_FALSE(proxy.CreateControl(unknown, nullptr, WS_VISIBLE, {0, 0, 5, 5}, &host, 1));
  EXPECT_EQ(proxy.GetControlSite(), nullptr);
  ASSERT_NE(Container(), nullptr);
  EXPECT_TRUE(Container()->m_siteMap.empty());
  EXPECT_EQ(Container()->previousWindowProc, nullptr);
}

TEST_F(Containment, DestroyingTheProxyClosesTheControlAndClearsFocusAndCapture) {
  int before = probe::Alive();
  {
    CWindowlessControl proxy;
    ASSERT_TRUE(Create(proxy, {0, 0, 40, 40}));
    probe::Control* control = probe::LastMade();
    ASSERT_TRUE(control->windowlessSite);
    EXPECT_EQ(control->windowlessSite->SetFocus(TRUE), S_OK);
    EXPECT_EQ(control->windowlessSite->SetCapture(TRUE), S_OK);
    EXPECT_NE(Container()->focusSite, nullptr);
    EXPECT_NE(Container()->captureSite, nullptr);
    EXPECT_EQ(probe::Alive(), before + 1);
  }
  EXPECT_EQ(probe::Alive(), before);
  EXPECT_EQ(Container()->focusSite, nullptr);
  EXPECT_EQ(Container()->captureSite, nullptr);
  EXPECT_TRUE(Container()->m_siteMap.empty());
  ::ReleaseCapture();
}

TEST_F(Containment, DrawingPutsTheControlIntoItsRectangleOnlyAndSkipsHiddenControls) {
  CWindowlessControl shown, hidden;
  probe::Options red;
  red.colour = RGB(0xE0, 0x10, 0x10);
  ASSERT_TRUE(Create(shown, {10, 10, 30, 20}, red));
  probe::Options blue;
  blue.colour = RGB(0x10, 0x10, 0xE0);
  ASSERT_TRUE(Create(hidden, {40, 0, 60, 20}, blue));
  probe::Control* hiddenControl = probe::LastMade();
  EXPECT_TRUE(hidden.GetControlSite()->ShowWindow(SW_HIDE));
  EXPECT_FALSE(Site(hidden)->GetStyle() & WS_VISIBLE);
  EXPECT_EQ(hiddenControl->verbs.back(), OLEIVERB_HIDE);

  Canvas canvas(64, 32, RGB(0, 0, 0));
  Container()->DrawWindowlessControls(canvas.dc());
  EXPECT_EQ(canvas.At(10, 10), red.colour);
  EXPECT_EQ(canvas.At(29, 19), red.colour);
  EXPECT_EQ(canvas.At(9, 10), RGB(0, 0, 0));
  EXPECT_EQ(canvas.At(30, 19), RGB(0, 0, 0));
  EXPECT_EQ(canvas.At(29, 20), RGB(0, 0, 0));
  EXPECT_EQ(canvas.At(50, 10), RGB(0, 0, 0));
  EXPECT_EQ(hiddenControl->draws, 0);

  EXPECT_FALSE(hidden.GetControlSite()->ShowWindow(SW_SHOW));
  Container()->DrawWindowlessControls(canvas.dc());
  EXPECT_EQ(canvas.At(50, 10), blue.colour);
}

TEST_F(Containment, InvalidationCoversTheSiteRectangleExactly) {
  CWindowlessControl proxy;
  ASSERT_TRUE(Create(proxy, {20, 30, 70, 60}));
  IOleInPlaceSiteWindowless* site = probe::LastMade()->windowlessSite.get();
  ASSERT_NE(site, nullptr);

  ::ValidateRect(host.m_hWnd, nullptr);
  EXPECT_EQ(site->InvalidateRect(nullptr, FALSE), S_OK);
  EXPECT_TRUE(UpdateRegionIs(host.m_hWnd, {20, 30, 70, 60}));

  ::ValidateRect(host.m_hWnd, nullptr);
  RECT partly{0, 0, 40, 40};
  EXPECT_EQ(site->InvalidateRect(&partly, FALSE), S_OK);
  EXPECT_TRUE(UpdateRegionIs(host.m_hWnd, {20, 30, 40, 40}));

  ::ValidateRect(host.m_hWnd, nullptr);
  HRGN region = ::CreateRectRgn(60, 0, 200, 200);
  EXPECT_EQ(site->InvalidateRgn(region, FALSE), S_OK);
  EXPECT_TRUE(UpdateRegionIs(host.m_hWnd, {60, 30, 70, 60}));
  ::DeleteObject(region);

  ::ValidateRect(host.m_hWnd, nullptr);
  EXPECT_EQ(site->InvalidateRgn(nullptr, FALSE), S_OK);
  EXPECT_TRUE(UpdateRegionIs(host.m_hWnd, {20, 30, 70, 60}));
}

TEST_F(Containment, DeviceContextsAreClippedToTheSiteAndOffscreenOnesRefused) {
  CWindowlessControl proxy;
  ASSERT_TRUE(Create(proxy, {20, 30, 70, 60}));
  IOleInPlaceSiteWindowless* site = probe::LastMade()->windowlessSite.get();
  ASSERT_NE(site, nullptr);

  HDC dc = reinterpret_cast<HDC>(static_cast<INT_PTR>(1));
  EXPECT_EQ(site->GetDC(nullptr, OLEDC_OFFSCREEN, &dc), E_FAIL);
  EXPECT_EQ(dc, nullptr);

  ASSERT_EQ(site->GetDC(nullptr, 0, &dc), S_OK);
  RECT clip{};
  EXPECT_EQ(::GetClipBox(dc, &clip), SIMPLEREGION);
  EXPECT_EQ(clip.left, 20);
  EXPECT_EQ(clip.top, 30);
  EXPECT_EQ(clip.right, 70);
  EXPECT_EQ(clip.bottom, 60);
  EXPECT_EQ(site->ReleaseDC(dc), S_OK);

  RECT part{0, 0, 30, 40};
  ASSERT_EQ(site->GetDC(&part, 0, &dc), S_OK);
  ::GetClipBox(dc, &clip);
  EXPECT_EQ(clip.left, 20);
  EXPECT_EQ(clip.top, 30);
  EXPECT_EQ(clip.right, 30);
  EXPECT_EQ(clip.bottom, 40);
  EXPECT_EQ(site->ReleaseDC(dc), S_OK);

  ASSERT_EQ(site->GetDC(nullptr, OLEDC_NODRAW, &dc), S_OK);
  ::GetClipBox(dc, &clip);
  EXPECT_GT(clip.right - clip.left, 50);
  EXPECT_EQ(site->ReleaseDC(dc), S_OK);
}

TEST_F(Containment, StylesOfAWindowlessSiteLiveInTheSiteAndTheControlsProperties) {
  CWindowlessControl proxy;
  ASSERT_TRUE(Create(proxy, {0, 0, 40, 30}));
  COleControlSiteEx* site = Site(proxy);
  probe::Control* control = probe::LastMade();
  EXPECT_EQ(site->GetExStyle(), 0u);
  EXPECT_TRUE(site->ModifyStyle(0, WS_DISABLED, 0));
  EXPECT_FALSE(control->enabled);
  EXPECT_TRUE(site->GetStyle() & WS_DISABLED);
  EXPECT_TRUE(site->ModifyStyle(WS_DISABLED, 0, 0));
  EXPECT_TRUE(control->enabled);
  EXPECT_FALSE(site->GetStyle() & WS_DISABLED);

  EXPECT_TRUE(site->SetWindowPos(nullptr, 0, 0, 100, 50, SWP_NOMOVE | SWP_NOZORDER));
  EXPECT_EQ(site->m_rect.left, 0);
  EXPECT_EQ(site->m_rect.right, 100);
  EXPECT_EQ(site->m_rect.bottom, 50);
  EXPECT_EQ(control->position.right, 100);
  EXPECT_TRUE(site->SetWindowPos(nullptr, 5, 6, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_HIDEWINDOW));
  EXPECT_EQ(site->m_rect.left, 5);
  EXPECT_EQ(site->m_rect.right, 105);
  EXPECT_FALSE(site->GetStyle() & WS_VISIBLE);
  // Focus through the framework's operation UI-activates a windowless control.
  site->SetFocus();
  EXPECT_EQ(control->verbs.back(), OLEIVERB_UIACTIVATE);
}

namespace {

int g_containersMade = 0;
int g_sitesMade = 0;

class CountingContainer : public COleControlContainerEx {
 public:
  using COleControlContainerEx::COleControlContainerEx;
  void OnContainerCreated() override { ++g_containersMade; }
};

class CountingSite : public COleControlSiteEx {
 public:
  using COleControlSiteEx::COleControlSiteEx;
  void OnSiteCreated() override { ++g_sitesMade; }
};

}  // namespace

TEST_F(Containment, TheManagerMakesTheClassesItIsGivenAndTellsThem) {
  manager.containerClass = [](framework::CWnd* wnd) -> COleControlContainerEx* { return new CountingContainer(wnd); };
  manager.siteClass = [](framework::COleControlContainer* c) -> COleControlSiteEx* { return new CountingSite(c); };
  g_containersMade = g_sitesMade = 0;
  CWindowlessControl proxy;
  ASSERT_TRUE(Create(proxy, {0, 0, 10, 10}));
  EXPECT_EQ(g_containersMade, 1);
  EXPECT_EQ(g_sitesMade, 1);
  EXPECT_NE(dynamic_cast<CountingContainer*>(host.m_pCtrlCont), nullptr);
  EXPECT_EQ(host.m_pCtrlCont->m_pWnd, &host);
  EXPECT_NE(dynamic_cast<CountingSite*>(proxy.GetControlSite()), nullptr);
  EXPECT_EQ(proxy.GetControlSite()->m_pCtrlCont, host.m_pCtrlCont);

  // Without classes the manager makes the framework's own.
  projector::COccManagerEx plain;
  plain.containerClass = nullptr;
  plain.siteClass = nullptr;
  std::unique_ptr<framework::COleControlContainer> container(plain.CreateContainer(&outer));
  EXPECT_EQ(dynamic_cast<COleControlContainerEx*>(container.get()), nullptr);
  std::unique_ptr<framework::COleControlSite> site(plain.CreateSite(container.get()));
  EXPECT_EQ(dynamic_cast<COleControlSiteEx*>(site.get()), nullptr);
}
