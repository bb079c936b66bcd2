// The built-in commands and the dispatcher, on a bridge's drag region and image windows and the process's host.
#include <gtest/gtest.h>

#include <windows.h>
#include <gdiplus.h>

#include <string>
#include <utility>
#include <vector>

#include "bridge_test_support.h"
#include "fscommand/fscommand_bridge.h"
#include "player/builtin_commands.h"
#include "player/flash_player_host.h"
#include "player/image_window.h"
#include "test_support.h"

using namespace projector;
using namespace testing_support;

namespace {

struct RecordingMovie : MovieVariables {
  void SetVariable(const std::wstring& name, const std::wstring& value) override { set.emplace_back(name, value); }
  std::vector<std::pair<std::wstring, std::wstring>> set;
};

using Assignments = std::vector<std::pair<std::wstring, std::wstring>>;

struct LogRecord {
  std::wstring command, args, result;
  bool operator==(const LogRecord&) const = default;
};

RECT WindowRect(HWND window) {
  RECT r{};
  ::GetWindowRect(window, &r);
  return r;
}

SIZE ClientSize(HWND window) {
  RECT r{};
  ::GetClientRect(window, &r);
  return {r.right, r.bottom};
}

// The bridge a player window would own, kept for the whole test program as the player keeps it for its run.
struct TestBridge {
  TestBridge() { bridge.SetBuiltIns(&commands); }
  FSCommandBridge bridge;
  BuiltInCommands commands{bridge};
};

TestBridge& Shared() {
  static TestBridge shared;
  return shared;
}
FSCommandBridge& Bridge() { return Shared().bridge; }
BuiltInCommands& Commands() { return Shared().commands; }

std::vector<std::unique_ptr<framework::CWnd>>& Windows() { return Bridge().imageWindows(); }

ImageWindow& Image(size_t i) { return static_cast<ImageWindow&>(*Windows().at(i)); }

class BuiltIns : public ::testing::Test {
 protected:
  void SetUp() override {
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&gdiplus_, &input, nullptr);
    Commands().SetLogger([this](const std::wstring& c, const std::wstring& a, const std::wstring& r) {
      log_.push_back({c, a, r});
    });
    DragRegion& drag = Bridge().dragRegion();
    drag.SetMovieSize(200, 200);
    drag.SetViewSize(200, 200);
    drag.Cancel();
  }
  void TearDown() override {
    Windows().clear();
    Commands().SetLogger(nullptr);
    Gdiplus::GdiplusShutdown(gdiplus_);
  }
  bool Run(const std::wstring& command, const std::wstring& args, const std::wstring& program = L"C:\\run\\Show.exe") {
    movie_.set.clear();
    Commands().SetProgramPath(program);
    return Commands().HandleBuiltIn(CommandSource{&movie_, nullptr, transparent_}, command, args);
  }
  Assignments Ret(const wchar_t* value) const { return {{L"fscmd_ret", value}}; }
  const LogRecord& LastLog() const { return log_.back(); }

  ULONG_PTR gdiplus_ = 0;
  RecordingMovie movie_;
  std::vector<LogRecord> log_;
  bool transparent_ = false;
  ScratchFolder scratch_{L"builtins"};
};

TEST_F(BuiltIns, AllowScaleMatchesWithoutRegardToCaseAndOnlyTrueOrOneSwitchesItOn) {
  FlashPlayerHost host;
  host.allowScale = false;
  EXPECT_TRUE(Run(L"ALLOWSCALE", L"TRUE"));
  EXPECT_EQ(movie_.set, Ret(L"1"));
  EXPECT_TRUE(host.allowScale);
  EXPECT_EQ(LastLog(), (LogRecord{L"ALLOWSCALE", L"TRUE", L"1"}));
  EXPECT_TRUE(Run(L"allowscale", L"yes"));
  EXPECT_EQ(movie_.set, Ret(L"1"));
  EXPECT_FALSE(host.allowScale);
  EXPECT_TRUE(Run(L"AllowScale", L"1"));
  EXPECT_TRUE(host.allowScale);
  EXPECT_TRUE(Run(L"allowscale", L""));
  EXPECT_FALSE(host.allowScale);
}

TEST_F(BuiltIns, TheAuthoringToolKeepsScaleAndFullScreenAndLeavesTheReturnValue) {
  FlashPlayerHost host;
  host.allowScale = true;
  for (const wchar_t* program : {L"C:\\Tools\\Brindlework.exe", L"D:\\x\\BRINDLEWORK.EXE"}) {
    EXPECT_TRUE(Run(L"allowscale", L"false", program));
    EXPECT_TRUE(movie_.set.empty());
    EXPECT_TRUE(host.allowScale);
    EXPECT_EQ(LastLog(), (LogRecord{L"allowscale", L"false", L"0"}));
    EXPECT_TRUE(Run(L"fullscreen", L"true", program));
    EXPECT_TRUE(movie_.set.empty());
    EXPECT_EQ(LastLog().result, L"0");
  }
  EXPECT_FALSE(IsAuthoringTool(L"C:\\Tools\\Brindlework.exe.bak"));
  EXPECT_FALSE(IsAuthoringTool(L"C:\\Brindlework.exe\\Show.exe"));
  EXPECT_TRUE(IsAuthoringTool(L"brindlework.exe"));
}

TEST_F(BuiltIns, FullScreenAnswersZeroInTransparentMode) {
  EXPECT_TRUE(Run(L"fullscreen", L"false"));
  EXPECT_EQ(movie_.set, Ret(L"1"));
  transparent_ = true;
  EXPECT_TRUE(Run(L"FullScreen", L"true"));
  EXPECT_EQ(movie_.set, Ret(L"0"));
  EXPECT_EQ(LastLog().result, L"0");
}

TEST_F(BuiltIns, ARectangleLessAnEllipseLeavesARing) {
  EXPECT_TRUE(Run(L"DragAddRect", L"10,10,100,100"));
  EXPECT_EQ(movie_.set, Ret(L"1"));
  EXPECT_TRUE(Run(L"dragsubellipse", L"20, 20, 90, 90"));
  EXPECT_EQ(movie_.set, Ret(L"1"));
  DragRegion& drag = Bridge().dragRegion();
  EXPECT_TRUE(drag.HitTest(12, 12));   // the ring's corner
  EXPECT_TRUE(drag.HitTest(55, 15));   // the ring's top edge, above the ellipse
  EXPECT_FALSE(drag.HitTest(55, 55));  // the hole
  EXPECT_FALSE(drag.HitTest(150, 150));
  EXPECT_FALSE(drag.HitTest(5, 55));
}

TEST_F(BuiltIns, ShapesWithTooFewNumbersAnswerZeroAndChangeNothing) {
  ASSERT_TRUE(Run(L"DragAddRect", L"0,0,50,50"));
  for (const wchar_t* command : {L"DragAddRect", L"DragAddEllipse", L"DragSubRect", L"DragSubEllipse"}) {
    EXPECT_TRUE(Run(command, L"0,0,40"));
    EXPECT_EQ(movie_.set, Ret(L"0")) << command;
  }
  EXPECT_TRUE(Bridge().dragRegion().HitTest(25, 25));
  EXPECT_TRUE(Bridge().dragRegion().HitTest(45, 45));
  EXPECT_FALSE(Bridge().dragRegion().HitTest(60, 60));
}

TEST_F(BuiltIns, PolygonsUseWholePairsAndNeedThreePoints) {
  EXPECT_TRUE(Run(L"DragAddPoly", L"0,0,100,0,0,100,77"));
  EXPECT_EQ(movie_.set, Ret(L"1"));
  DragRegion& drag = Bridge().dragRegion();
  EXPECT_TRUE(drag.HitTest(10, 10));
  EXPECT_FALSE(drag.HitTest(90, 90));
  EXPECT_TRUE(Run(L"DragAddPoly", L"100,100,150,100,150"));
  EXPECT_EQ(movie_.set, Ret(L"0"));
  EXPECT_FALSE(drag.HitTest(140, 101));
  EXPECT_TRUE(Run(L"DragSubPoly", L"0,0,20,0,0,20"));
  EXPECT_EQ(movie_.set, Ret(L"1"));
  EXPECT_FALSE(drag.HitTest(3, 3));
  EXPECT_TRUE(drag.HitTest(30, 30));
}

TEST_F(BuiltIns, DragCancelLeavesNothingDraggable) {
  ASSERT_TRUE(Run(L"DragAddRect", L"0,0,50,50"));
  EXPECT_TRUE(Run(L"DRAGCANCEL", L""));
  EXPECT_EQ(movie_.set, Ret(L"1"));
  EXPECT_FALSE(Bridge().dragRegion().defined());
  EXPECT_FALSE(Bridge().dragRegion().HitTest(25, 25));
}

TEST_F(BuiltIns, OtherCommandsAreLeftAlone) {
  for (const wchar_t* command : {L"Beep", L"exec", L"allowscale2", L"", L"Drag"}) {
    EXPECT_FALSE(Run(command, L"1"));
    EXPECT_TRUE(movie_.set.empty());
  }
  EXPECT_TRUE(log_.empty());
}

TEST_F(BuiltIns, ShowImageWithOnlyAPathOpensAtTheDefaultPlaceAndFitsTheImage) {
  std::wstring path = scratch_ / L"wide.bmp";
  ASSERT_TRUE(WriteFileBytes(path, SolidBitmap(240, 120)));
  HICON icon = ::LoadIconW(nullptr, IDI_INFORMATION);
  Bridge().log().SetImageIcon(icon);
  EXPECT_TRUE(Run(L"showimage", path));
  Bridge().log().SetImageIcon(nullptr);
  EXPECT_EQ(movie_.set, Ret(L"1"));
  ASSERT_EQ(Windows().size(), 1u);
  ImageWindow& window = Image(0);
  ASSERT_NE(window.m_hWnd, nullptr);
  EXPECT_TRUE(::IsWindowVisible(window.m_hWnd));
  RECT r = WindowRect(window.m_hWnd);
  EXPECT_EQ(r.left, 100);
  EXPECT_EQ(r.top, 100);
  SIZE client = ClientSize(window.m_hWnd);
  EXPECT_EQ(client.cx, 240);
  EXPECT_EQ(client.cy, 120);
  EXPECT_EQ(window.GetWindowText(), L"wide.bmp");
  EXPECT_EQ(reinterpret_cast<HICON>(window.SendMessage(WM_GETICON, ICON_BIG, 0)), icon);
  EXPECT_EQ(window.picture().size().cx, 240);
  EXPECT_EQ(window.picture().size().cy, 120);
}

TEST_F(BuiltIns, ShowImageOfAMissingFileAnswersOneAndNeverShowsTheWindow) {
  EXPECT_TRUE(Run(L"ShowImage", scratch_ / L"missing.png"));
  EXPECT_EQ(movie_.set, Ret(L"1"));
  ASSERT_EQ(Windows().size(), 1u);
  HWND window = Windows()[0]->m_hWnd;
  ASSERT_NE(window, nullptr);
  EXPECT_FALSE(::IsWindowVisible(window));
  RECT r = WindowRect(window);
  EXPECT_EQ(r.left, 100);
  EXPECT_EQ(r.top, 100);
  EXPECT_EQ(r.right - r.left, 400);
  EXPECT_EQ(r.bottom - r.top, 300);
}

TEST_F(BuiltIns, ShowImageWithoutArgumentsDoesNothing) {
  EXPECT_TRUE(Run(L"ShowImage", L""));
  EXPECT_EQ(movie_.set, Ret(L"1"));
  EXPECT_TRUE(Windows().empty());
}

TEST_F(BuiltIns, ShowImageUnfittedKeepsTheRectangleAndTheTitleAndFitsThePictureInside) {
  std::wstring path = scratch_ / L"big.bmp";
  ASSERT_TRUE(WriteFileBytes(path, SolidBitmap(600, 300)));
  EXPECT_TRUE(Run(L"ShowImage", path + L",Holiday,0,250,210,50,60"));
  ASSERT_EQ(Windows().size(), 1u);
  ImageWindow& window = Image(0);
  RECT r = WindowRect(window.m_hWnd);
  EXPECT_EQ(r.left, 50);
  EXPECT_EQ(r.top, 60);
  EXPECT_EQ(r.right, 250);
  EXPECT_EQ(r.bottom, 210);
  EXPECT_EQ(window.GetWindowText(), L"Holiday");
  SIZE client = ClientSize(window.m_hWnd);
  EXPECT_LE(window.picture().size().cx, client.cx);
  EXPECT_LE(window.picture().size().cy, client.cy);
  EXPECT_EQ(window.picture().size().cx, std::min<LONG>(client.cx, (600 * client.cy + 150) / 300));
  // Made smaller by the user: the picture is fitted again when the move or resize ends.
  ::MoveWindow(window.m_hWnd, 50, 60, 150, 100, TRUE);
  window.SendMessage(WM_EXITSIZEMOVE);
  client = ClientSize(window.m_hWnd);
  EXPECT_LE(window.picture().size().cx, client.cx);
  EXPECT_LE(window.picture().size().cy, client.cy);
  EXPECT_TRUE(window.picture().size().cx == client.cx || window.picture().size().cy == client.cy);
}

TEST_F(BuiltIns, ShowImageFitsAPictureLargerThanTheScreenIntoTheWorkArea) {
  std::wstring path = scratch_ / L"huge.bmp";
  ASSERT_TRUE(WriteFileBytes(path, SolidBitmap(4000, 1000)));
  EXPECT_TRUE(Run(L"ShowImage", path));
  ImageWindow& window = Image(0);
  RECT work;
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  RECT r = WindowRect(window.m_hWnd);
  EXPECT_GE(r.left, work.left);
  EXPECT_LE(r.right, work.right);
  EXPECT_GE(r.top, work.top);
  EXPECT_LE(r.bottom, work.bottom);
  SIZE client = ClientSize(window.m_hWnd);
  EXPECT_NEAR(static_cast<double>(client.cx) / client.cy, 4.0, 0.05);
}

TEST_F(BuiltIns, DeletingTheListClosesTheImageWindows) {
  std::wstring path = scratch_ / L"one.bmp";
  ASSERT_TRUE(WriteFileBytes(path, SolidBitmap(20, 20)));
  ASSERT_TRUE(Run(L"ShowImage", path));
  HWND window = Windows().at(0)->m_hWnd;
  ASSERT_TRUE(::IsWindow(window));
  // The list alone: releasing the shared bridge would end it for the tests that follow, as for a player.
  Windows().clear();
  EXPECT_TRUE(Windows().empty());
  EXPECT_FALSE(::IsWindow(window));
}

class Dispatcher : public BuiltIns {
 protected:
  void SetUp() override {
    BuiltIns::SetUp();
    ExtensionRegistry& registry = Bridge().registry();
    if (registry.empty()) {
      ASSERT_TRUE(registry.RegisterLibrary(BuildTreePath(L"fscmd\\VantraFSCmd.dll")));
    }
  }
  bool Dispatch(const std::wstring& command, const std::wstring& args) {
    movie_.set.clear();
    Commands().SetProgramPath(L"C:\\run\\Show.exe");
    return Bridge().Dispatch(CommandSource{&movie_, nullptr, false}, command, args);
  }
};

TEST_F(Dispatcher, BuiltInsComeFirstAndMatchWithoutRegardToCase) {
  EXPECT_TRUE(Dispatch(L"dragcancel", L""));
  EXPECT_EQ(movie_.set, Ret(L"1"));
  EXPECT_EQ(LastLog().command, L"dragcancel");
}

TEST_F(Dispatcher, ExportsMatchCaseSensitively) {
  EXPECT_TRUE(Dispatch(L"Beep", L""));
  EXPECT_EQ(movie_.set, Ret(L"-99"));
  EXPECT_FALSE(Dispatch(L"beep", L""));
  EXPECT_TRUE(movie_.set.empty());
  EXPECT_FALSE(Dispatch(L"NoSuchCommand", L"a,b"));
  EXPECT_TRUE(movie_.set.empty());
}

TEST_F(Dispatcher, NoControlMeansNotHandled) {
  EXPECT_FALSE(Bridge().Dispatch(CommandSource{nullptr, nullptr, false}, L"DragCancel", L""));
}

}  // namespace
