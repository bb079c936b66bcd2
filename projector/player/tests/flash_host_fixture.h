// The Flash control host with the stand-in control built in this tree: the fixture of the host's and the
// control's tests under Wine, which registers the control and gives each test a window to put it in.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>

#include "framework/wnd.h"
#include "fscommand/fscommand_bridge.h"
#include "player/flash_player_host.h"
#include "swfplayer/asm/movie_builder.h"
#include "test_support.h"
#include "testing_support/control_registration.h"

namespace testing_support {

inline HRESULT CallControlExport(const char* name) {
  return CallBuiltModuleExport(L"components\\swfplayer\\control\\Flash.ocx", name);
}

// Registers the control built in this tree (again after a test that unregistered it).
inline bool RegisterBuiltControl() { return SUCCEEDED(CallControlExport("DllRegisterServer")); }

inline Bytes Build(swfasm::MovieBuilder& movie) { return movie.Build(); }

// 100 x 100 stage, blue, a red 50 x 50 square at (25, 25); five frames, stopped on the first.
inline Bytes SquareMovie(bool compressed, const swfasm::Actions& frame1 = swfasm::Actions().Stop()) {
  swfasm::MovieBuilder movie(6, 100, 100, 12);
  movie.SetCompressed(compressed);
  movie.Main().Background({0, 0, 255, 255});
  uint16_t square = movie.Rectangle(25, 25, 50, 50, {255, 0, 0, 255});
  movie.Main().Place(square, 1).Do(frame1).ShowFrame();
  for (int i = 0; i < 4; ++i) movie.Main().ShowFrame();
  return Build(movie);
}

inline void Pump(int ms) {
  DWORD end = ::GetTickCount() + static_cast<DWORD>(ms);
  while (static_cast<LONG>(end - ::GetTickCount()) > 0) {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    ::Sleep(10);
  }
}

// Hears every command the host passes on, in the place of the player's own commands.
class RecordingCommands : public projector::BuiltInCommandHandler {
 public:
  bool HandleBuiltIn(const projector::CommandSource& source, const std::wstring& command,
                     const std::wstring& args) override {
    if (onCommand) onCommand(command, args, source.control, source.transparent);
    return true;
  }
  std::function<void(const std::wstring&, const std::wstring&, projector::CShockwaveFlash*, bool)> onCommand;
};

class FlashHost : public ::testing::Test {
 protected:
  void SetUp() override {
    bridge_.SetBuiltIns(&commands_);
    host_.SetBridge(&bridge_);
    ASSERT_TRUE(RegisterBuiltControl());
    ASSERT_TRUE(window_.CreateEx(0, nullptr, L"Flash host test", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                 RECT{10, 10, 330, 290}, nullptr, nullptr));
    projector::ProcessFlashFlags().offerInstaller = false;
  }
  void TearDown() override {
    host_.Destroy();
    window_.DestroyWindow();
    commands_.onCommand = nullptr;
  }
  std::wstring Write(const std::wstring& name, const Bytes& bytes) {
    std::wstring path = scratch_ / name;
    EXPECT_TRUE(WriteFileBytes(path, bytes));
    return path;
  }
  bool CreateAt(const RECT& rect) { return host_.Create(&window_, false, rect); }

  ScratchFolder scratch_{L"flash"};
  framework::CWnd window_;
  projector::FSCommandBridge bridge_;
  RecordingCommands commands_;
  projector::FlashPlayerHost host_;
};

}  // namespace testing_support
