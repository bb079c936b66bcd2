#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <functional>
#include <sstream>
#include <thread>
#include <vector>

#include "library_access.h"
#include "testing_support/files.h"

namespace fscmd_tests {
namespace {

using testing_support::ScratchFolder;

std::wstring Handle(HWND window) { return std::to_wstring(reinterpret_cast<intptr_t>(window)); }

RECT WindowRect(HWND window) {
  RECT rect = {};
  ::GetWindowRect(window, &rect);
  return rect;
}

// A fresh copy of the library whose host window is a plain test window at (50, 60), 300 x 200.
class WindowCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(library_.loaded());
    window_ = ::CreateWindowExW(0, L"STATIC", L"fscmd window test", WS_POPUP | WS_VISIBLE, 50, 60, 300, 200, nullptr,
                                nullptr, nullptr, nullptr);
    ASSERT_TRUE(window_);
    ASSERT_EQ(Call("FSWindowSetHandle", Handle(window_)), L",-99");
  }
  void TearDown() override { ::DestroyWindow(window_); }
  std::wstring Call(const char* name, const std::wstring& args) { return library_.Call(name, args); }
  bool Topmost() const { return (::GetWindowLongW(window_, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

  ScratchFolder folder_{L"fscmd-window"};
  LoadedLibrary library_{folder_.path()};
  HWND window_ = nullptr;
};

TEST_F(WindowCommands, SetPosChangesOnlyWhatItIsGiven) {
  EXPECT_EQ(Call("FSWindowSetPos", L"2"), L",-99");
  EXPECT_TRUE(Topmost());
  RECT rect = WindowRect(window_);
  EXPECT_EQ(rect.left, 50);
  EXPECT_EQ(rect.right - rect.left, 300);
  EXPECT_EQ(Call("FSWindowSetPos", L"3"), L",-99");
  EXPECT_FALSE(Topmost());

  EXPECT_EQ(Call("FSWindowSetPos", L"0,,,400,250"), L",-99");
  rect = WindowRect(window_);
  EXPECT_EQ(rect.left, 50);
  EXPECT_EQ(rect.top, 60);
  EXPECT_EQ(rect.right - rect.left, 400);
  EXPECT_EQ(rect.bottom - rect.top, 250);

  EXPECT_EQ(Call("FSWindowSetPos", L"0,10,20"), L",-99");
  rect = WindowRect(window_);
  EXPECT_EQ(rect.left, 10);
  EXPECT_EQ(rect.top, 20);
  EXPECT_EQ(rect.right - rect.left, 400);
  // A negative position leaves the position alone.
  EXPECT_EQ(Call("FSWindowSetPos", L"0,-5,30,100,100"), L",-99");
  rect = WindowRect(window_);
  EXPECT_EQ(rect.left, 10);
  EXPECT_EQ(rect.right - rect.left, 100);
}

TEST_F(WindowCommands, SetPosRelDoesNotMoveToANegativeLeftButStillSizes) {
  ::SetWindowPos(window_, nullptr, 5, 60, 300, 200, SWP_NOZORDER);
  EXPECT_EQ(Call("FSWindowSetPosRel", L"0,-10,0,20,10"), L",-99");
  RECT rect = WindowRect(window_);
  EXPECT_EQ(rect.left, 5);
  EXPECT_EQ(rect.top, 60);
  EXPECT_EQ(rect.right - rect.left, 320);
  EXPECT_EQ(rect.bottom - rect.top, 210);
  EXPECT_EQ(Call("FSWindowSetPosRel", L"0,10,5"), L",-99");
  rect = WindowRect(window_);
  EXPECT_EQ(rect.left, 15);
  EXPECT_EQ(rect.top, 65);
  EXPECT_EQ(rect.right - rect.left, 320);
}

TEST_F(WindowCommands, SetPosRelHoldsItsSumsTo32Bits) {
  // Left -10 moved by the smallest number: a wrapping sum would send the window far to the right.
  ::SetWindowPos(window_, nullptr, -10, 60, 300, 200, SWP_NOZORDER);
  EXPECT_EQ(Call("FSWindowSetPosRel", L"0,-2147483648,0,0,-2147483648"), L",-99");
  RECT rect = WindowRect(window_);
  EXPECT_EQ(rect.left, -10);
  EXPECT_EQ(rect.top, 60);
  EXPECT_EQ(rect.right - rect.left, 300);
  EXPECT_EQ(rect.bottom - rect.top, 200);
}

TEST_F(WindowCommands, SetHandleTakesOnlyWindows) {
  HWND gone = ::CreateWindowExW(0, L"STATIC", L"gone", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(gone);
  ::DestroyWindow(gone);
  EXPECT_EQ(Call("FSWindowSetHandle", Handle(gone)), L",-99");
  EXPECT_EQ(Call("FSWindowSetHandle", L"12345678"), L",-99");
  EXPECT_EQ(Call("FSWindowSetHandle", L"-1"), L",-99");
  EXPECT_EQ(Call("FSWindowGetPos", L"left,top,width,height"), L",-99,50,60,300,200");
  // A host destroyed since counts as no host.
  ::DestroyWindow(window_);
  EXPECT_EQ(Call("FSWindowGetPos", L"left,top,width,height"), L",0");
  EXPECT_EQ(Call("FSWindowShow", L"1"), L",-1");
  EXPECT_EQ(Call("FSQuit", L""), L",-99");
}

TEST_F(WindowCommands, QuitClosesOnlyATopLevelHost) {
  HWND child = ::CreateWindowExW(0, L"STATIC", L"control", WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, window_, nullptr,
                                 nullptr, nullptr);
  ASSERT_TRUE(child);
  EXPECT_EQ(Call("FSWindowSetHandle", Handle(child)), L",-99");
  EXPECT_EQ(Call("FSQuit", L""), L",-99");
  EXPECT_TRUE(::IsWindow(child));
  EXPECT_EQ(Call("FSWindowSetHandle", Handle(window_)), L",-99");
  EXPECT_EQ(Call("FSQuit", L""), L",1");
  // The close message reached the window before the command returned: a plain window closes by going.
  EXPECT_FALSE(::IsWindow(window_));
  EXPECT_FALSE(::IsWindow(child));
}

TEST_F(WindowCommands, GetPosAnswersTheScreenRectangle) {
  EXPECT_EQ(Call("FSWindowGetPos", L"left,top,width,height"), L",-99,50,60,300,200");
}

TEST_F(WindowCommands, SetStateMinimisesMaximisesAndRestores) {
  EXPECT_EQ(Call("FSWindowSetState", L"2"), L",1");
  EXPECT_TRUE(::IsZoomed(window_));
  EXPECT_EQ(Call("FSWindowSetState", L"0"), L",1");
  EXPECT_FALSE(::IsZoomed(window_));
  EXPECT_EQ(Call("FSWindowSetState", L"1"), L",1");
  EXPECT_TRUE(::IsIconic(window_));
  EXPECT_EQ(Call("FSWindowSetState", L""), L",1");
  EXPECT_FALSE(::IsIconic(window_));
  EXPECT_EQ(Call("FSWindowSetState", L"1"), L",1");
  EXPECT_EQ(Call("FSWindowSetState", L"7"), L",1");
  EXPECT_FALSE(::IsIconic(window_));
  RECT rect = WindowRect(window_);
  EXPECT_EQ(rect.left, 50);
  EXPECT_EQ(rect.right - rect.left, 300);
}

TEST_F(WindowCommands, ShowHidesAndShows) {
  EXPECT_EQ(Call("FSWindowShow", L"0"), L",1");
  EXPECT_FALSE(::IsWindowVisible(window_));
  EXPECT_EQ(Call("FSWindowShow", L"1"), L",1");
  EXPECT_TRUE(::IsWindowVisible(window_));
  EXPECT_EQ(Call("FSWindowShow", L""), L",1");
  EXPECT_FALSE(::IsWindowVisible(window_));
}

std::vector<WPARAM> g_trayCommands;

LRESULT CALLBACK TrayProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND) g_trayCommands.push_back(wParam);
  return ::DefWindowProcW(window, message, wParam, lParam);
}

TEST_F(WindowCommands, MinimizeAllTellsTheTaskbar) {
  WNDCLASSW trayClass = {};
  trayClass.lpfnWndProc = TrayProc;
  trayClass.hInstance = ::GetModuleHandleW(nullptr);
  trayClass.lpszClassName = L"Shell_TrayWnd";
  ::RegisterClassW(&trayClass);
  HWND tray = ::CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, L"Shell_TrayWnd", L"", WS_POPUP | WS_VISIBLE, 0, 0, 10,
                                10, nullptr, nullptr, trayClass.hInstance, nullptr);
  ASSERT_TRUE(tray);
  ASSERT_EQ(::FindWindowW(L"Shell_TrayWnd", nullptr), tray);
  g_trayCommands.clear();
  EXPECT_EQ(Call("FSMinimizeAll", L""), L",1");
  EXPECT_EQ(Call("FSMinimizeAll", L"TRUE"), L",1");
  EXPECT_EQ(Call("FSMinimizeAll", L"undo"), L",1");
  EXPECT_EQ(g_trayCommands, (std::vector<WPARAM>{419, 419, 416}));
  ::DestroyWindow(tray);
  ::UnregisterClassW(L"Shell_TrayWnd", trayClass.hInstance);
}

HANDLE g_trayRelease = nullptr;

LRESULT CALLBACK BusyTrayProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND) ::WaitForSingleObject(g_trayRelease, 60000);
  return ::DefWindowProcW(window, message, wParam, lParam);
}

// A taskbar in another thread that is busy with something of its own (a shell's menu, say) until the test
// lets it go.
TEST_F(WindowCommands, MinimizeAllDoesNotWaitForABusyTaskbar) {
  std::atomic<HWND> tray{nullptr};
  HANDLE release = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_TRUE(release);
  g_trayRelease = release;
  std::thread shell([&] {
    WNDCLASSW trayClass = {};
    trayClass.lpfnWndProc = BusyTrayProc;
    trayClass.hInstance = ::GetModuleHandleW(nullptr);
    trayClass.lpszClassName = L"Shell_TrayWnd";
    ::RegisterClassW(&trayClass);
    HWND window = ::CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, L"Shell_TrayWnd", L"", WS_POPUP | WS_VISIBLE,
                                    0, 0, 10, 10, nullptr, nullptr, trayClass.hInstance, nullptr);
    tray = window;
    while (::MsgWaitForMultipleObjects(1, &release, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0) {
      MSG message;
      while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
    }
    ::DestroyWindow(window);
  });
  while (!tray) ::Sleep(10);
  ASSERT_EQ(::FindWindowW(L"Shell_TrayWnd", nullptr), tray.load());
  ULONGLONG started = ::GetTickCount64();
  EXPECT_EQ(Call("FSMinimizeAll", L""), L",1");
  EXPECT_LT(::GetTickCount64() - started, 30000u);
  ::SetEvent(release);
  shell.join();
  ::CloseHandle(release);
  ::UnregisterClassW(L"Shell_TrayWnd", ::GetModuleHandleW(nullptr));
}

// Windows made by a thread of their own that then stops taking messages (a hung program) until released.
class HungThread {
 public:
  explicit HungThread(std::function<void()> makeWindows)
      : release_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)), thread_([this, makeWindows] {
          makeWindows();
          ready_ = true;
          ::WaitForSingleObject(release_, 60000);
          MSG message;
          while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
        }) {
    while (!ready_) ::Sleep(10);
  }
  ~HungThread() {
    ::SetEvent(release_);
    thread_.join();
    ::CloseHandle(release_);
  }

 private:
  HANDLE release_;
  std::atomic<bool> ready_{false};
  std::thread thread_;
};

TEST(HungWindows, QuitDoesNotWaitForAHungHost) {
  ScratchFolder folder(L"fscmd-hunghost");
  LoadedLibrary fresh(folder.path());
  ASSERT_TRUE(fresh.loaded());
  std::atomic<HWND> host{nullptr};
  {
    HungThread hung([&] {
      host = ::CreateWindowExW(0, L"STATIC", L"hung host", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    });
    ASSERT_TRUE(host.load());
    EXPECT_EQ(fresh.Call("FSWindowSetHandle", Handle(host)), L",-99");
    ULONGLONG started = ::GetTickCount64();
    EXPECT_EQ(fresh.Call("FSQuit", L""), L",1");
    EXPECT_LT(::GetTickCount64() - started, 30000u);
  }
}

// A desktop whose shell has stopped answering: the movie learns of no items instead of waiting for ever.
TEST(HungWindows, DesktopItemsOfAHungShellAreNone) {
  ASSERT_FALSE(::FindWindowW(L"Progman", nullptr));
  ScratchFolder folder(L"fscmd-hungdesktop");
  LoadedLibrary fresh(folder.path());
  ASSERT_TRUE(fresh.loaded());
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
  ASSERT_TRUE(::InitCommonControlsEx(&controls));
  const HINSTANCE instance = ::GetModuleHandleW(nullptr);
  for (const wchar_t* name : {L"Progman", L"SHELLDLL_DefView"}) {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = ::DefWindowProcW;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = name;
    ASSERT_TRUE(::RegisterClassW(&windowClass));
  }
  std::atomic<HWND> progman{nullptr};
  {
    HungThread hung([&] {
      HWND frame = ::CreateWindowExW(WS_EX_TOOLWINDOW, L"Progman", L"Program Manager", WS_POPUP, 0, 0, 640, 480,
                                     nullptr, nullptr, instance, nullptr);
      HWND view = ::CreateWindowExW(0, L"SHELLDLL_DefView", L"", WS_CHILD, 0, 0, 640, 480, frame, nullptr, instance,
                                    nullptr);
      HWND list = ::CreateWindowExW(0, WC_LISTVIEWW, L"FolderView", WS_CHILD | LVS_ICON, 0, 0, 640, 480, view, nullptr,
                                    instance, nullptr);
      LVITEMW item = {};
      item.mask = LVIF_TEXT;
      item.pszText = const_cast<wchar_t*>(L"Alpha");
      ::SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
      progman = list ? frame : nullptr;
    });
    ASSERT_TRUE(progman.load());
    ULONGLONG started = ::GetTickCount64();
    EXPECT_EQ(fresh.Call("FSGetDesktopItemCount", L"count"), L",0,0");
    EXPECT_EQ(fresh.Call("FSGetDesktopItemLabel", L"0,label"), L",0");
    EXPECT_EQ(fresh.Call("FSGetDesktopItemRect", L"0,l,t,r,b"), L",0");
    EXPECT_LT(::GetTickCount64() - started, 30000u);
  }
  for (const wchar_t* name : {L"Progman", L"SHELLDLL_DefView"}) ::UnregisterClassW(name, instance);
}

TEST(WindowCommandsWithoutHost, AnswerTheirNoHostCodes) {
  ScratchFolder folder(L"fscmd-nohost");
  LoadedLibrary fresh(folder.path());
  ASSERT_TRUE(fresh.loaded());
  EXPECT_EQ(fresh.Call("FSWindowSetPos", L"1,0,0,10,10"), L",0");
  EXPECT_EQ(fresh.Call("FSWindowSetPosRel", L"1,1,1"), L",0");
  EXPECT_EQ(fresh.Call("FSWindowGetPos", L"a,b,c,d"), L",0");
  EXPECT_EQ(fresh.Call("FSWindowSetState", L"2"), L",-1");
  EXPECT_EQ(fresh.Call("FSWindowShow", L"1"), L",-1");
  EXPECT_EQ(fresh.Call("FSMinimizeAll", L""), L",-1");
}

TEST(ScreenSize, ValuesOnlyForNamedVariables) {
  HDC dc = ::CreateCompatibleDC(nullptr);
  std::wstring width = std::to_wstring(::GetDeviceCaps(dc, HORZRES));
  std::wstring height = std::to_wstring(::GetDeviceCaps(dc, VERTRES));
  ::DeleteDC(dc);
  EXPECT_EQ(Call("FSGetScreenSize", L",h"), L",-99,," + height);
  EXPECT_EQ(Call("FSGetScreenSize", L"w,h"), L",-99," + width + L"," + height);
  EXPECT_EQ(Call("FSGetScreenSize", L""), L",-99,,");
}

bool RunningAsAuthoringTool() {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring name = path;
  return _wcsicmp(name.substr(name.rfind(L'\\') + 1).c_str(), L"Brindlework.exe") == 0;
}

// Inside the authoring tool the library leaves the tool's windows alone; the test runs itself under the
// tool's file name to see that.
TEST(AuthoringTool, WindowAndMailCommandsDoNothingThere) {
  if (!RunningAsAuthoringTool()) {
    ScratchFolder folder(L"fscmd-tool");
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring tool = folder / L"Brindlework.exe";
    ASSERT_TRUE(::CopyFileW(self, tool.c_str(), FALSE));
    std::wstring line = L"\"" + tool + L"\" --gtest_filter=AuthoringTool.* --gtest_brief=1";
    STARTUPINFOW startup = {sizeof startup};
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
    ASSERT_EQ(::WaitForSingleObject(process.hProcess, 60000), WAIT_OBJECT_0);
    DWORD exitCode = 1;
    ::GetExitCodeProcess(process.hProcess, &exitCode);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    EXPECT_EQ(exitCode, 0u);
    return;
  }
  HWND window = ::CreateWindowExW(0, L"STATIC", L"tool window", WS_POPUP | WS_VISIBLE, 50, 60, 300, 200, nullptr,
                                  nullptr, nullptr, nullptr);
  ASSERT_TRUE(window);
  EXPECT_EQ(Call("FSWindowSetHandle", Handle(window)), L",-99");
  EXPECT_EQ(Call("FSWindowSetPos", L"0,1,1,10,10"), L",0");
  EXPECT_EQ(Call("FSWindowSetPosRel", L"0,1,1"), L",0");
  EXPECT_EQ(Call("FSWindowSetState", L"1"), L",-1");
  EXPECT_EQ(Call("FSWindowShow", L"0"), L",-1");
  EXPECT_EQ(Call("FSMinimizeAll", L""), L",-1");
  EXPECT_EQ(Call("FSmailto", L"a@example.org"), L",-99");
  EXPECT_EQ(Call("FSQuit", L""), L",-99");
  EXPECT_TRUE(::IsWindowVisible(window));
  EXPECT_EQ(Call("FSWindowGetPos", L"l,t,w,h"), L",-99,50,60,300,200");
  ::DestroyWindow(window);
}

// The stand-in desktop runs in its own process, so the items are read across processes.
class TestDesktop : public ::testing::Test {
 protected:
  void SetUp() override {
    std::wstring report = folder_ / L"items.txt";
    std::wstring line = L"\"" + testing_support::BuildTreePath(L"fscmd\\tests\\fscmd_test_desktop.exe") + L"\" \"" +
                        report + L"\"";
    STARTUPINFOW startup = {sizeof startup};
    ASSERT_TRUE(::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process_));
    std::wstring text;
    for (int i = 0; i < 200 && text.empty(); ++i) {
      ::Sleep(50);
      text = ReadTextFile(report);
    }
    ASSERT_FALSE(text.empty());
    std::wistringstream lines(text);
    std::wstring entry;
    while (std::getline(lines, entry)) expected_.push_back(entry);
    ASSERT_EQ(expected_.size(), 3u);
  }
  void TearDown() override {
    if (!process_.hProcess) return;
    HWND progman = ::FindWindowW(L"Progman", L"Program Manager");
    DWORD owner = 0;
    if (progman) ::GetWindowThreadProcessId(progman, &owner);
    if (owner == process_.dwProcessId) ::PostMessageW(progman, WM_CLOSE, 0, 0);
    if (::WaitForSingleObject(process_.hProcess, 5000) != WAIT_OBJECT_0) ::TerminateProcess(process_.hProcess, 1);
    ::CloseHandle(process_.hThread);
    ::CloseHandle(process_.hProcess);
  }
  // Field `part` (0 text, 1 bounds, 2 icon, 3 label) of the stand-in's own view of item `index`.
  std::vector<std::wstring> Expected(size_t index, int part) {
    std::vector<std::wstring> parts;
    std::wistringstream fields(expected_[index]);
    std::wstring field;
    while (std::getline(fields, field, L'|')) parts.push_back(field);
    std::vector<std::wstring> values;
    std::wistringstream numbers(parts[static_cast<size_t>(part)]);
    std::wstring number;
    while (numbers >> number) values.push_back(number);
    return part == 0 ? std::vector<std::wstring>{parts[0]} : values;
  }
  std::wstring RectAnswer(size_t index, int part) {
    std::vector<std::wstring> v = Expected(index, part);
    return L",1,," + v[0] + L"," + v[1] + L"," + v[2] + L"," + v[3];
  }

  ScratchFolder folder_{L"fscmd-desktop"};
  PROCESS_INFORMATION process_ = {};
  std::vector<std::wstring> expected_;
};

TEST_F(TestDesktop, ItemsAreReadFromTheShellsListView) {
  LoadedLibrary fresh(folder_.path());
  ASSERT_TRUE(fresh.loaded());
  // Counting first does not keep the items from being read by the first item query.
  EXPECT_EQ(fresh.Call("FSGetDesktopItemCount", L"count"), L",3,3");
  EXPECT_EQ(fresh.Call("FSGetDesktopItemCount", L""), L",3");
  EXPECT_EQ(fresh.Call("FSGetDesktopItemLabel", L"1,label"), L",1,,Beta");
  EXPECT_EQ(fresh.Call("FSGetDesktopItemRect", L"0,l,t,r,b"), RectAnswer(0, 1));
  EXPECT_EQ(fresh.Call("FSGetDesktopItemIconRect", L"2,l,t,r,b"), RectAnswer(2, 2));
  EXPECT_EQ(fresh.Call("FSGetDesktopItemLabelRect", L"1,l,t,r,b"), RectAnswer(1, 3));
  std::vector<std::wstring> bounds = Expected(2, 1);
  EXPECT_EQ(fresh.Call("FSGetDesktopItemRect", L"2,l,,r"), L",1,," + bounds[0] + L",," + bounds[2] + L",");
  EXPECT_EQ(fresh.Call("FSGetDesktopItemLabel", L"3,label"), L",0");
  EXPECT_EQ(fresh.Call("FSGetDesktopItemLabel", L"-1,label"), L",0");
  EXPECT_EQ(fresh.Call("FSGetDesktopItemLabel", L"0"), L",0");
  EXPECT_EQ(fresh.Call("FSGetDesktopItemRect", L""), L",0");
  EXPECT_EQ(fresh.Call("FSGetDesktopItemRect", L"3,l,t,r,b"), L",0");
}

TEST_F(TestDesktop, AnItemQueryFirstReadsTheItemsOnce) {
  LoadedLibrary fresh(folder_.path());
  ASSERT_TRUE(fresh.loaded());
  EXPECT_EQ(fresh.Call("FSGetDesktopItemLabel", L"2,label"), L",1,,Gamma");
  EXPECT_EQ(fresh.Call("FSGetDesktopItemLabel", L"0,label"), L",1,,Alpha");
  EXPECT_EQ(fresh.Call("FSGetDesktopItemCount", L"count"), L",3,3");
}

}  // namespace
}  // namespace fscmd_tests
