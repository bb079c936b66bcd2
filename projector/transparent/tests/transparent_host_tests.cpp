// The Flash host in transparent mode with the transparent player control built in this tree, and the start-up
// check that the control can be created windowless.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "flash_host_fixture.h"
#include "framework/app.h"
#include "shell/support.h"
#include "testing_support/control_registration.h"
#include "transparent/occ_manager_ex.h"
#include "transparent/transp_frame_wnd.h"

using namespace projector;
using namespace testing_support;

namespace {

const wchar_t kToolControl[] = L"components\\swfplayer\\orvatool\\Orvatool.ocx";

class TransparentHost : public FlashHost {
 protected:
  void SetUp() override {
    FlashHost::SetUp();
    framework::AfxEnableControlContainer(&manager_);
    ASSERT_TRUE(SUCCEEDED(CallBuiltModuleExport(kToolControl, "DllRegisterServer")));
  }
  void TearDown() override {
    FlashHost::TearDown();
    CallBuiltModuleExport(kToolControl, "DllUnregisterServer");
    framework::AfxEnableControlContainer(nullptr);
  }
  RECT ScreenRect() {
    RECT client;
    ::GetClientRect(window_.m_hWnd, &client);
    ::MapWindowPoints(window_.m_hWnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
    return client;
  }

  COccManagerEx manager_;
};

TEST_F(TransparentHost, DrivesTheLayeredPlayerThroughItsControl) {
  RECT screen = ScreenRect();
  ASSERT_TRUE(host_.Create(&window_, true, screen));
  EXPECT_TRUE(host_.windowless);
  ASSERT_NE(host_.transparentPlayer, nullptr);
  HWND popup = host_.transparentPlayer->m_hWnd;
  ASSERT_NE(popup, nullptr);
  EXPECT_TRUE(::GetWindowLongW(popup, GWL_EXSTYLE) & WS_EX_LAYERED);
  EXPECT_EQ(static_cast<DWORD>(::GetWindowLongW(popup, GWL_STYLE)) & (WS_POPUP | WS_VISIBLE),
            static_cast<DWORD>(WS_POPUP | WS_VISIBLE));
  RECT placed;
  ::GetWindowRect(popup, &placed);
  EXPECT_EQ(placed.left, screen.left);
  EXPECT_EQ(placed.bottom, screen.bottom);
  // The windowed control was never made.
  EXPECT_EQ(host_.control.m_hWnd, nullptr);
  EXPECT_EQ(host_.flash().GetControlSite(), nullptr);

  std::wstring path = Write(L"square.swf", SquareMovie(false));
  ASSERT_TRUE(host_.LoadMovie(path));
  Pump(200);
  EXPECT_TRUE(host_.IsReady());
  EXPECT_EQ(host_.GetMoviePath(), path);
  EXPECT_EQ(host_.TotalFrames(), 5);
  EXPECT_EQ(host_.CurrentFrame(), 0);
  host_.Forward();
  EXPECT_EQ(host_.CurrentFrame(), 1);
  host_.Rewind();
  EXPECT_EQ(host_.CurrentFrame(), 0);
  host_.Play();
  EXPECT_TRUE(host_.IsPlaying());
  host_.StopPlay();
  EXPECT_FALSE(host_.IsPlaying());
  host_.SetLoop(false);
  EXPECT_FALSE(host_.GetLoop());
  host_.SetLoop(true);
  EXPECT_TRUE(host_.GetLoop());
  EXPECT_EQ(host_.FlashVersion(), 0x000A0000);

  host_.ResetReady();
  EXPECT_FALSE(host_.IsReady());
  host_.MoveTo(RECT{30, 40, 130, 140});
  ::GetWindowRect(popup, &placed);
  EXPECT_EQ(placed.left, 30);
  EXPECT_EQ(placed.right, 130);

  host_.UnloadMovie();
  EXPECT_FALSE(host_.movieLoaded);
  host_.Destroy();
  EXPECT_FALSE(::IsWindow(popup));
  EXPECT_FALSE(host_.created);
}

TEST_F(TransparentHost, CommandsOfTheLayeredPlayerAreTransparent) {
  std::vector<std::wstring> seen;
  commands_.onCommand = [&](const std::wstring& command, const std::wstring& args, CShockwaveFlash* control,
                            bool transparent) {
    if (transparent && !control) seen.push_back(command + L"=" + args);
  };
  FlashCView::SendWindowHandle() = true;
  ASSERT_TRUE(host_.Create(&window_, true, ScreenRect()));
  std::wstring path =
      Write(L"say.swf", SquareMovie(false, swfasm::Actions().GetUrl("FSCommand:Hello", "there").Stop()));
  ASSERT_TRUE(host_.LoadMovie(path));
  host_.Play();
  Pump(400);
  ASSERT_GE(seen.size(), 2u);
  EXPECT_EQ(seen[0].substr(0, 16), L"WindowSetHandle=");
  EXPECT_EQ(seen[1], L"Hello=there");
}

TEST_F(TransparentHost, WithoutTheToolControlTheMovieFallsBackToTheWindow) {
  ASSERT_TRUE(SUCCEEDED(CallBuiltModuleExport(kToolControl, "DllUnregisterServer")));
  ASSERT_TRUE(host_.Create(&window_, true, ScreenRect()));
  // No invisible popup: the movie plays in the window like any other.
  EXPECT_FALSE(host_.windowless);
  EXPECT_EQ(host_.transparentPlayer, nullptr);
  ASSERT_NE(host_.control.m_hWnd, nullptr);
  EXPECT_EQ(::GetParent(host_.control.m_hWnd), window_.m_hWnd);
  RECT inside;
  ::GetWindowRect(host_.control.m_hWnd, &inside);
  EXPECT_EQ(inside.left, ScreenRect().left);
  std::wstring path = Write(L"square.swf", SquareMovie(false));
  ASSERT_TRUE(host_.LoadMovie(path));
  EXPECT_EQ(host_.TotalFrames(), 5);
}

TEST_F(TransparentHost, StartUpCanCreateTheToolControlOnlyWindowlessAndRegistered) {
  EXPECT_TRUE(CanCreateToolControl());
  // The standard manager offers no windowless site: the control could not be drawn into the popup.
  framework::AfxEnableControlContainer(nullptr);
  EXPECT_FALSE(CanCreateToolControl());
  framework::AfxEnableControlContainer(&manager_);
  ASSERT_TRUE(SUCCEEDED(CallBuiltModuleExport(kToolControl, "DllUnregisterServer")));
  EXPECT_FALSE(CanCreateToolControl());
}

TEST_F(TransparentHost, ToolControlAtAPathWithSpacesRegistersAndUnregisters) {
  ASSERT_TRUE(SUCCEEDED(CallBuiltModuleExport(kToolControl, "DllUnregisterServer")));
  ASSERT_FALSE(CanCreateToolControl());
  std::wstring folder = scratch_ / L"with spaces";
  ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
  std::wstring path = folder + L"\\1a2b3c.dat";
  ASSERT_TRUE(::CopyFileW(BuildTreePath(kToolControl).c_str(), path.c_str(), FALSE));
  ASSERT_TRUE(RegisterToolControl(path));
  EXPECT_TRUE(CanCreateToolControl());
  ASSERT_TRUE(UnregisterToolControl(path));
  EXPECT_FALSE(CanCreateToolControl());
  // The creation check loaded the file; it can be let go and deleted.
  EXPECT_TRUE(ReleaseToolControlModule(path));
  EXPECT_TRUE(::DeleteFileW(path.c_str()));
}

}  // namespace
