#include <gtest/gtest.h>

#include <windows.h>
#include <shlwapi.h>

#include <algorithm>
#include <string>

#include "framework/app.h"
#include "fscommand/fscommand_bridge.h"
#include "fscommand/fscommand_log.h"
#include "testing_support/files.h"

namespace projector {
namespace {

using testing_support::BuildTreePath;
using testing_support::ScratchFolder;

constexpr wchar_t kTestCompany[] = L"Vantra Software Tests\\BrindleworkProjector";

class TestApp : public framework::CWinApp {
 public:
  TestApp() { SetRegistryKey(kTestCompany); }
  ~TestApp() override { ::SHDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Vantra Software Tests"); }
};
TestApp theApp;

class NullMovie : public MovieVariables {
 public:
  void SetVariable(const std::wstring&, const std::wstring&) override {}
};

// One log object for the whole program, whose window is made anew for each owner, as a player's bridge keeps
// its log for the player's run.
FSCommandLog& TheLog() {
  static FSCommandLog log;
  return log;
}

std::wstring StoredRect() { return theApp.GetProfileString(L"DebugDlg", L"Rect", L""); }

// An owner window and the log made for it, in a folder that holds the resource library (or not); destroying
// the owner destroys the log window, as the player's end does.
class LogWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    ::GetCurrentDirectoryW(MAX_PATH, saved_);
    ASSERT_TRUE(::SetCurrentDirectoryW(folder_.path().c_str()));
    if (WithLibrary()) {
      ASSERT_TRUE(::CopyFileW(BuildTreePath(L"components\\resources\\Mardenkit.dll").c_str(),
                              (folder_ / L"Mardenkit.dll").c_str(), FALSE));
    }
    ASSERT_TRUE(::CopyFileW(BuildTreePath(L"projector\\fscommand\\tests\\TestFSCmd.dll").c_str(),
                            (folder_ / L"TestFSCmd.dll").c_str(), FALSE));
    ASSERT_TRUE(owner_.Create(nullptr, L"Log owner", WS_OVERLAPPEDWINDOW, RECT{100, 100, 740, 580}));
    ::ShowWindow(owner_.m_hWnd, SW_SHOWNOACTIVATE);
    log_ = &TheLog();
    log_->CreateLogWindow(owner_.m_hWnd);
    ASSERT_TRUE(log_->m_hWnd);
    registry_.RegisterExtensionLibraries(folder_.path());
  }
  void TearDown() override {
    registry_.FreeLibraries();
    log_->FreeResourceLibrary();
    owner_.DestroyWindow();
    ::SetCurrentDirectoryW(saved_);
  }
  virtual bool WithLibrary() const { return true; }

  RECT LogRect() const {
    RECT r{};
    ::GetWindowRect(log_->m_hWnd, &r);
    return r;
  }

  ScratchFolder folder_{L"fscmd-log"};
  wchar_t saved_[MAX_PATH] = {};
  framework::CFrameWnd owner_;
  FSCommandLog* log_ = nullptr;
  ExtensionRegistry registry_;
  NullMovie movie_;
};

TEST_F(LogWindow, IsAHiddenToolWindowWithTheMenuFont) {
  HWND hwnd = log_->m_hWnd;
  EXPECT_EQ(::GetWindow(hwnd, GW_OWNER), owner_.m_hWnd);
  EXPECT_EQ(static_cast<DWORD>(::GetWindowLongPtrW(hwnd, GWL_STYLE)) & ~WS_VISIBLE, 0x86CC0000u);
  DWORD ex = static_cast<DWORD>(::GetWindowLongPtrW(hwnd, GWL_EXSTYLE));
  EXPECT_EQ(ex & (WS_EX_TOOLWINDOW | WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE),
            static_cast<DWORD>(WS_EX_TOOLWINDOW | WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE));
  EXPECT_EQ(log_->GetWindowText(), L"FSCommand Log");
  EXPECT_FALSE(::IsWindowVisible(hwnd));
  EXPECT_FALSE(log_->IsShown());

  DWORD editStyle = static_cast<DWORD>(::GetWindowLongPtrW(log_->editWindow(), GWL_STYLE));
  for (DWORD bit : {static_cast<DWORD>(ES_MULTILINE), static_cast<DWORD>(ES_AUTOVSCROLL),
                    static_cast<DWORD>(ES_AUTOHSCROLL), static_cast<DWORD>(ES_WANTRETURN),
                    static_cast<DWORD>(WS_VSCROLL), static_cast<DWORD>(WS_HSCROLL)})
    EXPECT_TRUE(editStyle & bit) << std::hex << bit;
  RECT client, edit;
  ::GetClientRect(hwnd, &client);
  ::GetClientRect(log_->editWindow(), &edit);
  ::GetWindowRect(log_->editWindow(), &edit);
  ::MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&edit), 2);
  EXPECT_EQ(edit.left, 0);
  EXPECT_EQ(edit.top, 0);
  EXPECT_EQ(edit.right, client.right);
  EXPECT_EQ(edit.bottom, client.bottom);

  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = 500;
  ASSERT_TRUE(::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, 500, &metrics, 0));
  HFONT font = reinterpret_cast<HFONT>(::SendMessageW(log_->editWindow(), WM_GETFONT, 0, 0));
  LOGFONTW used{};
  ASSERT_TRUE(font && ::GetObjectW(font, sizeof(used), &used));
  EXPECT_STREQ(used.lfFaceName, metrics.lfMenuFont.lfFaceName);
  EXPECT_EQ(used.lfHeight, metrics.lfMenuFont.lfHeight);

  // The window does not erase its background: the edit covers it.
  framework::ScreenDC dc(hwnd);
  EXPECT_NE(::SendMessageW(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc.get()), 0), 0);
}

TEST_F(LogWindow, TheDispatchersStepsAreWrittenInOrderWhileShown) {
  log_->Show(true);
  EXPECT_TRUE(log_->IsShown());
  EXPECT_TRUE(registry_.Dispatch(movie_, L"Pipe2", L"first,second", log_));
  EXPECT_FALSE(registry_.Dispatch(movie_, L"Missing", L"x", log_));
  log_->LogCommand(L"DragAddRect", L"1,2,3,4", L"1");
  EXPECT_EQ(log_->Text(),
            L"\r\nFSCommand:  <Pipe2>  <first,second>\r\n"
            L"Command found in: TestFSCmd.dll\r\n"
            L"Command Result: <A|B>\r\n"
            L"\r\nFSCommand:  <Missing>  <x>\r\n"
            L"Command not found!\r\n"
            L"\r\nFSCommand:  <DragAddRect>  <1,2,3,4>\r\n"
            L"Command Result: <1>\r\n");
}

TEST_F(LogWindow, TheCloseBoxOnlyHidesAndLaterCommandsAreNotLogged) {
  log_->Show(true);
  registry_.Dispatch(movie_, L"Echo", L",one", log_);
  std::wstring before = log_->Text();
  ASSERT_FALSE(before.empty());
  ::SendMessageW(log_->m_hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_TRUE(::IsWindow(log_->m_hWnd));
  EXPECT_FALSE(::IsWindowVisible(log_->m_hWnd));
  EXPECT_FALSE(log_->IsShown());
  registry_.Dispatch(movie_, L"Echo", L",two", log_);
  registry_.Dispatch(movie_, L"Missing", L"", log_);
  log_->LogCommand(L"fullscreen", L"true", L"0");
  EXPECT_EQ(log_->Text(), before);
  // Switched off while visible counts as not shown too.
  log_->Show(true);
  log_->Show(false);
  EXPECT_FALSE(log_->IsShown());
}

TEST_F(LogWindow, AfterEightHundredLinesTheNewerHalfStaysFromALineBoundary) {
  for (int i = 0; i < 801; ++i) log_->AppendLine(L"entry number " + std::to_wstring(i));
  std::wstring text = log_->Text();
  size_t lines = static_cast<size_t>(std::count(text.begin(), text.end(), L'\n'));
  EXPECT_GE(lines, 390u);
  EXPECT_LE(lines, 410u);
  EXPECT_EQ(text.rfind(L"entry number ", 0), 0u);
  EXPECT_EQ(text.substr(text.size() - 18), L"entry number 800\r\n");
  // The end stays in view.
  int first = static_cast<int>(::SendMessageW(log_->editWindow(), EM_GETFIRSTVISIBLELINE, 0, 0));
  EXPECT_GT(first, 300);
}

TEST_F(LogWindow, ThePositionIsStoredAtTheEndAndUsedNextTime) {
  ::MoveWindow(log_->m_hWnd, 30, 40, 400, 220, FALSE);
  RECT placed = LogRect();
  owner_.DestroyWindow();
  EXPECT_FALSE(log_->m_hWnd);
  EXPECT_EQ(StoredRect(), std::to_wstring(placed.left) + L"," + std::to_wstring(placed.top) + L"," +
                              std::to_wstring(placed.right) + L"," + std::to_wstring(placed.bottom));

  ASSERT_TRUE(owner_.Create(nullptr, L"Log owner", WS_OVERLAPPEDWINDOW, RECT{100, 100, 740, 580}));
  ASSERT_TRUE(log_->CreateLogWindow(owner_.m_hWnd));
  RECT again = LogRect();
  EXPECT_TRUE(::EqualRect(&again, &placed));
}

TEST_F(LogWindow, AMalformedOrMissingPositionCentresTheDefaultSizeOnTheOwner) {
  for (const wchar_t* stored : {L"12,13", L"a,b,c,d", L"", L"5,5,5,5"}) {
    owner_.DestroyWindow();
    if (*stored)
      ASSERT_TRUE(theApp.WriteProfileString(L"DebugDlg", L"Rect", stored));
    else
      theApp.WriteProfileString(L"DebugDlg", L"Rect", nullptr);
    ASSERT_TRUE(owner_.Create(nullptr, L"Log owner", WS_OVERLAPPEDWINDOW, RECT{100, 100, 740, 580}));
    log_->CreateLogWindow(owner_.m_hWnd);
    RECT r = LogRect(), o;
    ::GetWindowRect(owner_.m_hWnd, &o);
    EXPECT_EQ(r.right - r.left, 480) << std::wstring(stored).size();
    EXPECT_EQ(r.bottom - r.top, 150);
    EXPECT_EQ((r.left + r.right) / 2, (o.left + o.right) / 2);
    EXPECT_EQ((r.top + r.bottom) / 2, (o.top + o.bottom) / 2);
  }
}

class LogWithoutLibrary : public LogWindow {
 protected:
  bool WithLibrary() const override { return false; }
};

TEST_F(LogWithoutLibrary, TextsAreEmptyAndLoggingGoesOn) {
  EXPECT_FALSE(log_->resourceLibrary());
  EXPECT_EQ(log_->LoadLogText(FSCommandLog::kCommandLine), L"");
  EXPECT_EQ(log_->GetWindowText(), L"FSCommand Log");
  log_->Show(true);
  EXPECT_TRUE(registry_.Dispatch(movie_, L"Echo", L",x", log_));
  EXPECT_EQ(log_->Text(), L"\r\n\r\n\r\n\r\n");
}

TEST(Bridge, TheDragRegionAndImageWindowsLiveInTheBridge) {
  FSCommandBridge bridge;
  bridge.dragRegion().AddRect(0, 0, 10, 10);
  EXPECT_TRUE(bridge.dragRegion().defined());
  bridge.dragRegion().Cancel();

  auto window = std::make_unique<framework::CFrameWnd>();
  ASSERT_TRUE(window->Create(nullptr, L"Image", WS_OVERLAPPEDWINDOW));
  HWND hwnd = window->m_hWnd;
  bridge.AddImageWindow(std::move(window));
  EXPECT_EQ(bridge.imageWindows().size(), 1u);
  bridge.Release();
  EXPECT_TRUE(bridge.imageWindows().empty());
  EXPECT_FALSE(::IsWindow(hwnd));
}

TEST(Bridge, ThePlayersEndUnloadsEveryLibraryOnceAndLoadsNoneAfter) {
  ScratchFolder folder(L"fscmd-bridge-end");
  const std::wstring library = folder / L"TestFSCmd.dll";
  ASSERT_TRUE(::CopyFileW(BuildTreePath(L"projector\\fscommand\\tests\\TestFSCmd.dll").c_str(), library.c_str(), FALSE));
  NullMovie movie;
  CommandSource source;
  source.movie = &movie;
  {
    FSCommandBridge bridge;
    bridge.registry().RegisterExtensionLibraries(folder.path());
    EXPECT_TRUE(bridge.Dispatch(source, L"Echo", L",x"));
    EXPECT_TRUE(::GetModuleHandleW(library.c_str()));

    bridge.Release();
    EXPECT_TRUE(bridge.released());
    EXPECT_FALSE(::GetModuleHandleW(library.c_str()));
    // A command the control still sends after the window is gone loads nothing that would stay loaded.
    EXPECT_FALSE(bridge.Dispatch(source, L"Echo", L",x"));
    EXPECT_FALSE(::GetModuleHandleW(library.c_str()));
    EXPECT_FALSE(bridge.registry().libraries()[0].module);

    // Its destruction has nothing left to release.
    bridge.Release();
    EXPECT_TRUE(bridge.released());
  }
  EXPECT_FALSE(::GetModuleHandleW(library.c_str()));
}

}  // namespace
}  // namespace projector
