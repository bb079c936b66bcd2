// The Flash control host with the stand-in control, under Wine: the control is registered by the fixture.
#include <gtest/gtest.h>

#define EXPECT_FAILED(expr) EXPECT_TRUE(FAILED(expr))
#define EXPECT_SUCCEEDED(expr) EXPECT_TRUE(SUCCEEDED(expr))
#define ASSERT_SUCCEEDED(expr) ASSERT_TRUE(SUCCEEDED(expr))

#include <windows.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "flash_host_fixture.h"
#include "format/payload.h"
#include "framework/app.h"
#include "framework/occ.h"
#include "fscommand/fscommand_bridge.h"
#include "player/flash_player_host.h"
#include "player/probe_movie.h"
#include "shell/flash_player_check.h"
#include "swfplayer/asm/movie_builder.h"
#include "test_support.h"

using namespace projector;
using namespace testing_support;

namespace {

TEST_F(FlashHost, CreatesLoadsStepsAndPlays) {
  ASSERT_TRUE(CreateAt(RECT{0, 0, 200, 200}));
  EXPECT_TRUE(host_.created);
  EXPECT_EQ(host_.FlashVersion(), 0x000A0000);
  std::wstring path = Write(L"square.swf", SquareMovie(false));
  ASSERT_TRUE(host_.LoadMovie(path));
  EXPECT_TRUE(host_.IsReady());
  EXPECT_EQ(host_.GetMoviePath(), path);
  EXPECT_EQ(host_.TotalFrames(), 5);
  EXPECT_EQ(host_.CurrentFrame(), 0);
  EXPECT_FALSE(host_.IsPlaying());
  host_.Forward();
  EXPECT_EQ(host_.CurrentFrame(), 1);
  host_.Back();
  EXPECT_EQ(host_.CurrentFrame(), 0);
  host_.Play();
  EXPECT_TRUE(host_.IsPlaying());
  Pump(400);
  EXPECT_GT(host_.CurrentFrame(), 0);
  host_.StopPlay();
  EXPECT_FALSE(host_.IsPlaying());
  host_.Rewind();
  EXPECT_EQ(host_.CurrentFrame(), 0);
  host_.SetLoop(false);
  EXPECT_FALSE(host_.GetLoop());
  host_.SetLoop(true);
  EXPECT_TRUE(host_.GetLoop());
}

TEST_F(FlashHost, TheControlIsKeyedByItsWindowInTheContainer) {
  ASSERT_TRUE(CreateAt(RECT{0, 0, 100, 100}));
  framework::COleControlContainer* container = window_.GetControlContainer();
  ASSERT_NE(container, nullptr);
  framework::COleControlSite* site = host_.flash().GetControlSite();
  ASSERT_NE(site, nullptr);
  ASSERT_NE(host_.flash().m_hWnd, nullptr);
  EXPECT_EQ(container->FindSite(host_.flash().m_hWnd), site);
  EXPECT_EQ(::GetParent(host_.flash().m_hWnd), window_.m_hWnd);
  EXPECT_TRUE(window_.m_nFlags & framework::CWnd::WF_OLECTLCONTAINER);
  host_.MoveTo(RECT{5, 6, 105, 86});
  RECT r;
  ::GetWindowRect(host_.flash().m_hWnd, &r);
  ::MapWindowPoints(nullptr, window_.m_hWnd, reinterpret_cast<POINT*>(&r), 2);
  EXPECT_EQ(r.left, 5);
  EXPECT_EQ(r.bottom, 86);
  host_.Destroy();
  EXPECT_EQ(container->m_siteMap.size(), 0u);
  EXPECT_FALSE(host_.created);
}

TEST_F(FlashHost, NeutralValuesWhileNotCreated) {
  EXPECT_FALSE(host_.IsPlaying());
  EXPECT_FALSE(host_.GetLoop());
  EXPECT_FALSE(host_.IsReady());
  EXPECT_EQ(host_.TotalFrames(), 1);
  EXPECT_EQ(host_.CurrentFrame(), 1);
  EXPECT_EQ(host_.GetMoviePath(), L"");
  POINT mouse = host_.GetMovieMouse();
  EXPECT_EQ(mouse.x, 0);
  EXPECT_EQ(mouse.y, 0);
  EXPECT_FALSE(host_.LoadMovie(Write(L"x.swf", SquareMovie(false))));
}

TEST_F(FlashHost, FSCommandsArriveWithWindowSetHandleFirstAndOnlyOnce) {
  framework::CWinApp* app = framework::AfxGetApp();
  ASSERT_NE(app, nullptr);
  app->m_pMainWnd = &window_;
  ProcessFlashFlags().sendWindowHandle = true;
  std::vector<std::pair<std::wstring, std::wstring>> seen;
  commands_.onCommand = [&](const std::wstring& c, const std::wstring& a, CShockwaveFlash* control, bool transparent) {
    EXPECT_EQ(control, &host_.flash());
    EXPECT_FALSE(transparent);
    seen.emplace_back(c, a);
  };
  ASSERT_TRUE(CreateAt(RECT{0, 0, 100, 100}));
  swfasm::Actions send;
  send.GetUrl("FSCommand:fullscreen", "true").GetUrl("FSCommand:FSBeep", "").Stop();
  std::wstring path = Write(L"cmd.swf", SquareMovie(false, send));
  ASSERT_TRUE(host_.LoadMovie(path));
  Pump(50);
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0].first, L"WindowSetHandle");
  EXPECT_EQ(seen[0].second, std::to_wstring(static_cast<int>(reinterpret_cast<INT_PTR>(window_.m_hWnd))));
  EXPECT_EQ(seen[1], std::make_pair(std::wstring(L"fullscreen"), std::wstring(L"true")));
  EXPECT_EQ(seen[2], std::make_pair(std::wstring(L"FSBeep"), std::wstring()));
  seen.clear();
  ASSERT_TRUE(host_.LoadMovie(path));
  Pump(50);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].first, L"fullscreen");
  app->m_pMainWnd = nullptr;
}

TEST_F(FlashHost, BackgroundColourReachesTheControlWithRedAndBlueExchanged) {
  host_.SetBackgroundColor(0x00FF8000);
  ASSERT_TRUE(CreateAt(RECT{0, 0, 100, 100}));
  EXPECT_EQ(host_.flash().GetBackgroundColor().value_or(0), 0x000080FF);
  host_.SetBackgroundColor(0x00123456);
  EXPECT_EQ(host_.flash().GetBackgroundColor().value_or(0), 0x00563412);
}

TEST_F(FlashHost, AllowScalePutsScaleModeZeroOrThree) {
  ASSERT_TRUE(CreateAt(RECT{0, 0, 100, 100}));
  EXPECT_EQ(host_.flash().GetScaleMode().value_or(-1), 0);
  SetAllowScale(false);
  EXPECT_EQ(host_.flash().GetScaleMode().value_or(-1), 3);
  EXPECT_FALSE(host_.allowScale);
  SetAllowScale(true);
  EXPECT_EQ(host_.flash().GetScaleMode().value_or(-1), 0);
}

TEST_F(FlashHost, FullScreenEnteredTwiceThenLeftRestoresTheRectangle) {
  RECT before;
  ::GetWindowRect(window_.m_hWnd, &before);
  LONG style = ::GetWindowLongW(window_.m_hWnd, GWL_STYLE);
  EnterFullScreen(&window_);
  RECT full;
  ::GetWindowRect(window_.m_hWnd, &full);
  EXPECT_EQ(full.left, -1);
  EXPECT_EQ(full.top, -1);
  EXPECT_EQ(full.right, ::GetSystemMetrics(SM_CXSCREEN) + 1);
  EXPECT_FALSE(::GetWindowLongW(window_.m_hWnd, GWL_STYLE) & WS_CAPTION);
  EnterFullScreen(&window_);
  EXPECT_TRUE(::EqualRect(&host_.fullScreen.savedRect(), &before));
  LeaveFullScreen();
  RECT after;
  ::GetWindowRect(window_.m_hWnd, &after);
  EXPECT_TRUE(::EqualRect(&after, &before));
  EXPECT_EQ(::GetWindowLongW(window_.m_hWnd, GWL_STYLE), style);
  EXPECT_FALSE(host_.fullScreen.active());
  LeaveFullScreen();
  ::GetWindowRect(window_.m_hWnd, &after);
  EXPECT_TRUE(::EqualRect(&after, &before));
}

TEST_F(FlashHost, LoadingAMissingPathKeepsTheCurrentMovie) {
  ASSERT_TRUE(CreateAt(RECT{0, 0, 100, 100}));
  std::wstring path = Write(L"keep.swf", SquareMovie(false));
  ASSERT_TRUE(host_.LoadMovie(path));
  EXPECT_FALSE(host_.LoadMovie(scratch_ / L"missing.swf"));
  EXPECT_EQ(host_.GetMoviePath(), path);
  EXPECT_EQ(host_.TotalFrames(), 5);
  // A file that is not a movie is refused by the control, which keeps what it shows.
  std::wstring junk = Write(L"junk.swf", Bytes{'F', 'W', 'S', 6, 9, 0, 0, 0});
  host_.flash().SetMovie(junk);
  EXPECT_EQ(host_.flash().GetMovie().value_or(L""), path);
  EXPECT_EQ(host_.TotalFrames(), 5);
}

TEST_F(FlashHost, FitMovieToViewScalesTheMainTimelineToTheParent) {
  ASSERT_TRUE(CreateAt(RECT{0, 0, 100, 100}));
  ASSERT_TRUE(host_.LoadMovie(Write(L"fit.swf", SquareMovie(false))));
  RECT client;
  ::GetClientRect(window_.m_hWnd, &client);
  long w = client.right, h = client.bottom;
  host_.FitMovieToView(0, 100);
  EXPECT_EQ(host_.flash().TGetProperty(L"/", 2).value_or(L"?"), L"100");
  host_.FitMovieToView(100, 200);
  EXPECT_EQ(host_.flash().TGetProperty(L"/", 2).value_or(L"?"), std::to_wstring((w * 100 + 50) / 100));
  EXPECT_EQ(host_.flash().TGetProperty(L"/", 3).value_or(L"?"), std::to_wstring((h * 100 + 100) / 200));
}

TEST_F(FlashHost, UnloadingLeavesNoMovie) {
  ASSERT_TRUE(CreateAt(RECT{0, 0, 100, 100}));
  ASSERT_TRUE(host_.LoadMovie(Write(L"u.swf", SquareMovie(false))));
  host_.UnloadMovie();
  EXPECT_FALSE(host_.movieLoaded);
  EXPECT_EQ(host_.moviePath, L"");
  EXPECT_EQ(host_.GetMoviePath(), L"");
  EXPECT_EQ(host_.TotalFrames(), 0);
  EXPECT_FALSE(host_.IsPlaying());
}

TEST_F(FlashHost, FlashMajorVersionIsTenWithTheControlRegistered) {
  EXPECT_EQ(GetFlashMajorVersion(), 10);
  // The check's own host leaves the player's host in place.
  EXPECT_EQ(FlashPlayerHost::Instance(), &host_);
}

TEST_F(FlashHost, WithoutTheControlRegisteredThereIsNoFlashPlayer) {
  ASSERT_TRUE(SUCCEEDED(CallControlExport("DllUnregisterServer")));
  CLSID clsid;
  EXPECT_FAILED(::CLSIDFromProgID(L"ShockwaveFlash.ShockwaveFlash", &clsid));
  EXPECT_EQ(GetFlashMajorVersion(), 0);
  EXPECT_FALSE(CreateAt(RECT{0, 0, 100, 100}));
  EXPECT_FALSE(host_.created);
  ASSERT_TRUE(RegisterBuiltControl());
  EXPECT_SUCCEEDED(::CLSIDFromProgID(L"ShockwaveFlash.ShockwaveFlash", &clsid));
  EXPECT_TRUE(IsEqualCLSID(clsid, CShockwaveFlash::clsid));
  EXPECT_EQ(GetFlashMajorVersion(), 10);
}

// A control manager of its own, as the extended containment installs one.
class CountingManager : public framework::COccManager {
 public:
  framework::COleControlContainer* CreateContainer(framework::CWnd* wnd) override {
    ++containers;
    return framework::COccManager::CreateContainer(wnd);
  }
  framework::COleControlSite* CreateSite(framework::COleControlContainer* container) override {
    ++sites;
    return framework::COccManager::CreateSite(container);
  }
  BOOL OnEvent(framework::COleControlSite* site, DISPID dispid, DISPPARAMS* params) override {
    if (dispid == 150) ++commands;
    return framework::COccManager::OnEvent(site, dispid, params);
  }
  int containers = 0, sites = 0, commands = 0;
};

TEST_F(FlashHost, TheApplicationsControlManagerMakesContainersAndSitesAndSeesEvents) {
  CountingManager manager;
  framework::AfxEnableControlContainer(&manager);
  std::vector<std::wstring> seen;
  commands_.onCommand = [&](const std::wstring& c, const std::wstring&, CShockwaveFlash*, bool) { seen.push_back(c); };
  bool created = CreateAt(RECT{0, 0, 100, 100});
  bool loaded = created && host_.LoadMovie(Write(L"m.swf", SquareMovie(false, swfasm::Actions().GetUrl(
                                                                                  "FSCommand:hello", "").Stop())));
  CShockwaveFlash second;
  bool secondCreated = second.Create(nullptr, WS_VISIBLE, RECT{100, 0, 150, 50}, &window_, 7);
  EXPECT_TRUE(created);
  EXPECT_TRUE(loaded);
  EXPECT_TRUE(secondCreated);
  EXPECT_EQ(manager.containers, 1);
  EXPECT_EQ(manager.sites, 2);
  EXPECT_EQ(manager.commands, 1);
  EXPECT_FALSE(seen.empty());
  EXPECT_EQ(window_.GetControlContainer()->FindItem(7), second.GetControlSite());
  second.DestroyWindow();
  host_.Destroy();
  window_.DestroyWindow();
  framework::AfxEnableControlContainer(nullptr);
}

TEST_F(FlashHost, ProbeGivesTheSameInfoForCompressedAndPlainMovies) {
  MovieInfo plain, packed;
  ASSERT_TRUE(ProbeMovie(Write(L"plain.swf", SquareMovie(false)), &plain));
  ASSERT_TRUE(ProbeMovie(Write(L"packed.swf", SquareMovie(true)), &packed));
  EXPECT_EQ(plain.version, 6);
  EXPECT_EQ(plain.xMin, 0);
  EXPECT_EQ(plain.xMax, 100);
  EXPECT_EQ(plain.yMax, 100);
  EXPECT_EQ(plain.frameRate, 12);
  EXPECT_EQ(plain.frameCount, 5);
  EXPECT_EQ(packed.version, plain.version);
  EXPECT_EQ(packed.fileLength, plain.fileLength);
  EXPECT_EQ(packed.xMax, plain.xMax);
  EXPECT_EQ(packed.yMax, plain.yMax);
  EXPECT_EQ(packed.frameRate, plain.frameRate);
  EXPECT_EQ(packed.frameCount, plain.frameCount);
}

TEST_F(FlashHost, ProbeMeasuresOtherFilesWithATemporaryControl) {
  MovieInfo info;
  info.frameRate = 99;
  EXPECT_TRUE(ProbeMovie(Write(L"picture.dat", Bytes(64, 'x')), &info));
  EXPECT_EQ(info.frameRate, 0);
  EXPECT_EQ(info.version, 0);
  EXPECT_EQ(info.fileLength, 64u);
}

TEST_F(FlashHost, ProbeOfBadFilesFillsDefaultsAndFails) {
  Bytes good = SquareMovie(false);
  Bytes truncated(good.begin(), good.begin() + 9);
  Bytes packed = SquareMovie(true);
  Bytes damaged = packed;
  for (size_t k = 8; k < damaged.size(); ++k) damaged[k] = 0xEE;
  Bytes cut(packed.begin(), packed.begin() + 10);
  struct Case {
    const wchar_t* name;
    Bytes bytes;
  } cases[] = {{L"empty.swf", {}},           {L"eight.swf", Bytes(good.begin(), good.begin() + 8)},
               {L"truncated.swf", truncated}, {L"damaged.swf", damaged},
               {L"cut.swf", cut}};
  for (auto& c : cases) {
    MovieInfo info;
    info.xMax = 1;
    EXPECT_FALSE(ProbeMovie(Write(c.name, c.bytes), &info)) << c.name;
    EXPECT_EQ(info.version, 0) << c.name;
    EXPECT_EQ(info.fileLength, c.bytes.size()) << c.name;
    EXPECT_EQ(info.xMax, 600) << c.name;
    EXPECT_EQ(info.yMax, 400) << c.name;
    EXPECT_EQ(info.frameRate, 0) << c.name;
    EXPECT_EQ(info.frameCount, 1) << c.name;
  }
  MovieInfo missing;
  EXPECT_FALSE(ProbeMovie(scratch_ / L"none.swf", &missing));
  EXPECT_EQ(missing.xMax, 600);
}

// Headers that state the wrong length still give the stage, rate and count: such movies play elsewhere.
TEST_F(FlashHost, ProbeReadsHeadersWhoseStatedLengthIsWrong) {
  Bytes good = SquareMovie(false);
  Bytes longer = good;
  longer[4] = longer[5] = 0xFF;
  Bytes shorter = good;
  shorter[4] = 3;
  shorter[5] = shorter[6] = shorter[7] = 0;
  Bytes packed = SquareMovie(true);
  Bytes inflatesShort = packed;
  inflatesShort[4] = static_cast<uint8_t>(inflatesShort[4] + 7);
  Bytes absurd = packed;
  absurd[4] = absurd[5] = absurd[6] = 0xFF;
  absurd[7] = 0x7F;
  // A compressed body cut off before its end: the header's bytes are all there.
  Bytes cutAfterHeader(packed.begin(), packed.end() - 6);
  struct Case {
    const wchar_t* name;
    Bytes bytes;
  } cases[] = {{L"longer.swf", longer},
               {L"shorter.swf", shorter},
               {L"inflates-short.swf", inflatesShort},
               {L"absurd.swf", absurd},
               {L"cut-after-header.swf", cutAfterHeader}};
  for (auto& c : cases) {
    MovieInfo info;
    EXPECT_TRUE(ProbeMovie(Write(c.name, c.bytes), &info)) << c.name;
    EXPECT_EQ(info.version, 6) << c.name;
    EXPECT_EQ(info.fileLength, format::LoadU32(c.bytes.data() + 4)) << c.name;
    EXPECT_EQ(info.xMax, 100) << c.name;
    EXPECT_EQ(info.yMax, 100) << c.name;
    EXPECT_EQ(info.frameRate, 12) << c.name;
    EXPECT_EQ(info.frameCount, 5) << c.name;
  }
}

TEST(ProcessRunningCheck, FindsThisProgramAndNotAnInventedOne) {
  ProcessRunning check;
  ASSERT_TRUE(check.usable());
  bool running = false;
  wchar_t self[MAX_PATH];
  DWORD n = ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring name(self, n);
  name = name.substr(name.find_last_of(L"\\/") + 1);
  if (check.Check(name, &running)) {
    EXPECT_TRUE(running) << "performance data: " << check.usesPerformanceData();
    EXPECT_TRUE(check.Check(L"NoSuchProgramAnywhere.exe", &running));
    EXPECT_FALSE(running);
  } else {
    GTEST_SKIP() << "the system gives no process list by performance data";
  }
}

TEST(ProcessRunningCheck, ToolhelpFindsThisProgramByItsFirstFifteenCharacters) {
  ProcessRunning check(ProcessRunning::Method::Toolhelp);
  ASSERT_TRUE(check.usable());
  EXPECT_FALSE(check.usesPerformanceData());
  wchar_t self[MAX_PATH];
  DWORD n = ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring name(self, n);
  name = name.substr(name.find_last_of(L"\\/") + 1);
  ASSERT_GT(name.size(), 15u);
  bool running = false;
  ASSERT_TRUE(check.Check(name, &running));
  EXPECT_TRUE(running);
  // Only the first 15 characters count.
  ASSERT_TRUE(check.Check(name.substr(0, 15) + L"_other.exe", &running));
  EXPECT_TRUE(running);
  ASSERT_TRUE(check.Check(L"NoSuchProgramAnywhere.exe", &running));
  EXPECT_FALSE(running);
}

TEST(ProcessRunningCheck, ComparesTheFirstFifteenCharacters) {
  EXPECT_EQ(ComparableProcessName(L"InstallFlashPlayer.exe"), L"InstallFlashPla");
  EXPECT_EQ(ComparableProcessName(L"short.exe"), L"short.exe");
}

}  // namespace

// The application object the host consults for the main window.
framework::CWinApp g_testApp;
