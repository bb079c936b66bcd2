// A packed transparent projector under Wine: it extracts and registers its tool control, plays a movie in the
// layered popup over a window of a known colour, takes clicks, drags and the context menu by its mouse modes,
// and at exit leaves neither the control's registration nor its file behind.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/unique_name.h"
#include "format/payload.h"
#include "swfplayer/asm/movie_builder.h"
#include "test_support.h"
#include "testing_support/control_registration.h"
#include "testing_support/top_windows.h"

using namespace testing_support;

namespace {

const wchar_t kToolControl[] = L"components\\swfplayer\\orvatool\\Orvatool.ocx";
constexpr COLORREF kBackdrop = RGB(0, 200, 0);

// Stage 200 x 150 without a background: an opaque red button at (20, 20, 60, 60), a half-transparent blue
// square at (120, 20, 60, 60), the rest empty. The first frame asks the extension library where the host is.
Bytes LayeredMovie() {
  swfasm::MovieBuilder movie(6, 200, 150, 12);
  uint16_t red = movie.Rectangle(20, 20, 60, 60, {255, 0, 0, 255});
  uint16_t blue = movie.Rectangle(120, 20, 60, 60, {0, 0, 255, 128});
  swfasm::ButtonSpec button;
  button.records.emplace_back(1 | 2 | 4 | 8, red);
  button.actions.push_back({0x04, swfasm::Actions().GetUrl("FSCommand:Pressed", "red")});
  uint16_t pressable = movie.DefineButton(button);
  movie.Main()
      .Place(pressable, 1)
      .Place(blue, 2)
      .Do(swfasm::Actions().GetUrl("FSCommand:WindowGetPos", "x,y,w,h").Stop())
      .ShowFrame();
  return movie.Build();
}

LRESULT CALLBACK BackdropProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_LBUTTONDOWN) {
    ::SetPropW(hwnd, L"clicks", reinterpret_cast<HANDLE>(reinterpret_cast<INT_PTR>(::GetPropW(hwnd, L"clicks")) + 1));
    return 0;
  }
  return ::DefWindowProcW(hwnd, msg, wp, lp);
}

void Pump(int ms) {
  DWORD end = ::GetTickCount() + static_cast<DWORD>(ms);
  do {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    ::Sleep(10);
  } while (static_cast<LONG>(end - ::GetTickCount()) > 0);
}

// Mouse messages go straight to the view: Wine's X11 driver hands synthesized clicks on a layered window to the
// window beneath, whatever the pixel, so the routing inside the projector is driven the way the system would.
// The cursor is moved for real, since the view reads it while dragging.
void Post(HWND view, UINT message, WPARAM buttons, POINT screen) {
  POINT client = screen;
  ::ScreenToClient(view, &client);
  ::SetCursorPos(screen.x, screen.y);
  ::PostMessageW(view, message, buttons, MAKELPARAM(client.x, client.y));
  Pump(120);
}

void Click(HWND view, POINT at, bool right = false) {
  Post(view, WM_MOUSEMOVE, 0, at);
  Post(view, right ? WM_RBUTTONDOWN : WM_LBUTTONDOWN, right ? MK_RBUTTON : MK_LBUTTON, at);
  Post(view, right ? WM_RBUTTONUP : WM_LBUTTONUP, 0, at);
}

void Button(DWORD flags) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = flags;
  ::SendInput(1, &input, sizeof(input));
  Pump(120);
}

void Drag(HWND view, POINT from, int dx, int dy, bool right) {
  WPARAM held = right ? MK_RBUTTON : MK_LBUTTON;
  Post(view, WM_MOUSEMOVE, 0, from);
  // Moving the cursor makes the system send moves of its own, with the buttons it believes held: hold it there
  // too, or those moves end the drag.
  Button(right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN);
  Post(view, right ? WM_RBUTTONDOWN : WM_LBUTTONDOWN, held, from);
  // The first move with the button held starts the drag where the cursor is.
  Post(view, WM_MOUSEMOVE, held, from);
  for (int step = 1; step <= 4; ++step)
    Post(view, WM_MOUSEMOVE, held, POINT{from.x + dx * step / 4, from.y + dy * step / 4});
  POINT end{from.x + dx, from.y + dy};
  Button(right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP);
  Post(view, right ? WM_RBUTTONUP : WM_LBUTTONUP, 0, end);
  Post(view, WM_MOUSEMOVE, 0, end);
}

COLORREF ScreenPixel(POINT at) {
  HDC screen = ::GetDC(nullptr);
  COLORREF pixel = ::GetPixel(screen, at.x, at.y);
  ::ReleaseDC(nullptr, screen);
  return pixel;
}

std::string ReadText(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool ToolControlRegistered() {
  CLSID clsid;
  return SUCCEEDED(::CLSIDFromProgID(L"saxwrapper.orvatool", &clsid));
}

class LayeredProjector : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_GT(BuiltStub().size(), 10000u) << "the projector must be built first";
    ASSERT_TRUE(SUCCEEDED(::CoInitialize(nullptr)) || true);
    ASSERT_TRUE(RegisterBuiltFlashControl());
    // The projector must bring its own copy: nothing of an earlier test may be registered.
    CallBuiltModuleExport(kToolControl, "DllUnregisterServer");
    ASSERT_FALSE(ToolControlRegistered());
    WNDCLASSW wc{};
    wc.lpfnWndProc = BackdropProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hbrBackground = ::CreateSolidBrush(kBackdrop);
    wc.lpszClassName = L"LayeredTestBackdrop";
    ::RegisterClassW(&wc);
    backdrop_ = ::CreateWindowExW(0, L"LayeredTestBackdrop", L"", WS_POPUP | WS_VISIBLE, 0, 0,
                                  ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr,
                                  wc.hInstance, nullptr);
    ASSERT_NE(backdrop_, nullptr);
    Pump(200);
    trace_ = scratch_ / L"trace.txt";
    ::SetEnvironmentVariableW(L"SWFPLAYER_TRACE", trace_.c_str());
  }
  void TearDown() override {
    if (process_) {
      if (::WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) ::TerminateProcess(process_, 3);
      ::CloseHandle(process_);
    }
    ::SetEnvironmentVariableW(L"SWFPLAYER_TRACE", nullptr);
    if (backdrop_) ::DestroyWindow(backdrop_);
    CallBuiltModuleExport(kToolControl, "DllUnregisterServer");
    ::CoUninitialize();
  }

  // Packs and starts a transparent projector with the document's two mouse settings; waits for its popup.
  void Start(uint32_t leftSetting, uint32_t rightSetting) {
    MemoryContent content;
    format::MovieDocumentData data;
    format::PlaylistEntry entry;
    entry.sourcePath = u"C:\\author\\layered.swf";
    entry.displayTime = 0;
    entry.movie = Embed(content, entry.sourcePath, LayeredMovie());
    data.playlist.entries.push_back(entry);
    data.window.displayMode = 2;
    data.control.leftButtonMode = leftSetting;
    data.control.rightButtonMode = rightSetting;
    std::vector<FileBlock> blocks = {
        {format::FsCommandMarker(), u"VantraFSCmd.dll", ReadFileBytes(BuildTreePath(L"fscmd\\VantraFSCmd.dll"))},
        {format::ResourceMarker(), u"Mardenkit.dll",
         ReadFileBytes(BuildTreePath(L"components\\resources\\Mardenkit.dll"))},
        {format::ToolPackageMarker(), u"Orvatool.ocx", ReadFileBytes(BuildTreePath(kToolControl))},
    };
    std::wstring exe = scratch_ / L"Layered.exe";
    ASSERT_TRUE(WriteFileBytes(exe, PackImage(BuiltStub(), data, content, 140, true, blocks)));
    projector::CreateFolderPath(temp());
    ASSERT_EQ(RunWithTemp(exe, temp(), 0, &process_), 0);
    DWORD id = ::GetProcessId(process_);
    for (int i = 0; i < 300 && !popup_; ++i) {
      Pump(100);
      popup_ = FindProcessWindow(id, L"BrindleworkLayeredPlayer");
    }
    ASSERT_NE(popup_, nullptr) << "no layered popup";
    player_ = FindProcessWindow(id, L"#32770");
    // The popup shows before its view and control exist.
    for (int i = 0; i < 100 && !view_; ++i) {
      Pump(100);
      view_ = ::FindWindowExW(popup_, nullptr, L"BrindleworkLayeredView", nullptr);
    }
    ASSERT_NE(view_, nullptr);
    Pump(1500);
    ::GetWindowRect(popup_, &rect_);
  }
  // Closes the player with Esc and waits for the process to end.
  void Close() {
    HWND player = player_ ? player_ : popup_;
    ::PostMessageW(player, WM_KEYDOWN, VK_ESCAPE, 0);
    ASSERT_EQ(::WaitForSingleObject(process_, 30000), WAIT_OBJECT_0);
    DWORD code = 99;
    ::GetExitCodeProcess(process_, &code);
    EXPECT_EQ(code, 0u);
  }
  POINT At(int x, int y) const { return {rect_.left + x, rect_.top + y}; }
  RECT PopupRect() const {
    RECT r{};
    ::GetWindowRect(popup_, &r);
    return r;
  }
  std::wstring temp() const { return scratch_ / L"temp"; }
  int BackdropClicks() const { return static_cast<int>(reinterpret_cast<INT_PTR>(::GetPropW(backdrop_, L"clicks"))); }

  ScratchFolder scratch_{L"layered"};
  std::wstring trace_;
  HWND backdrop_ = nullptr;
  HANDLE process_ = nullptr;
  HWND popup_ = nullptr;
  HWND player_ = nullptr;
  HWND view_ = nullptr;
  RECT rect_{};
};

TEST_F(LayeredProjector, ShowsTheDesktopThroughTheEmptyStageAndTakesClicksOnlyOnTheMovie) {
  Start(0, 1);
  ASSERT_TRUE(ToolControlRegistered());
  // The control sits in the extraction folder under a ".dat" name while the projector runs.
  std::vector<std::wstring> folders = ListFolder(temp());
  ASSERT_EQ(folders.size(), 1u);
  bool datFound = false;
  for (const std::wstring& name : ListFolder(temp() + L"\\" + folders[0]))
    datFound = datFound || (name.size() > 4 && name.substr(name.size() - 4) == L".dat");
  EXPECT_TRUE(datFound);
  EXPECT_EQ(rect_.right - rect_.left, 200);
  EXPECT_EQ(rect_.bottom - rect_.top, 150);
  // The player window itself waits off screen.
  if (player_) {
    RECT parked;
    ::GetWindowRect(player_, &parked);
    EXPECT_GE(parked.left, ::GetSystemMetrics(SM_CXSCREEN));
  }

  EXPECT_EQ(ScreenPixel(At(100, 120)), kBackdrop);
  EXPECT_EQ(ScreenPixel(At(50, 50)), RGB(255, 0, 0));
  // The half-transparent square carries its premultiplied blue; a compositing system blends the backdrop's green
  // into it, Wine's X11 driver without a compositor shows it as it is.
  COLORREF half = ScreenPixel(At(150, 50));
  EXPECT_NEAR(GetBValue(half), 128, 8);
  EXPECT_TRUE(GetGValue(half) == 0 || (GetGValue(half) > 90 && GetGValue(half) < 110)) << std::hex << half;
  EXPECT_EQ(GetRValue(half), 0);

  // The first command of the movie found the host the extension library was given first.
  std::string trace = ReadText(trace_);
  size_t asked = trace.find("fscommand: WindowGetPos|x,y,w,h");
  ASSERT_NE(asked, std::string::npos) << trace;
  EXPECT_NE(trace.find("setvariable: x=", asked), std::string::npos) << trace;

  Click(view_, At(100, 120));
  Click(view_, At(170, 100));
  Pump(300);
  EXPECT_EQ(ReadText(trace_).find("fscommand: Pressed"), std::string::npos);
  Click(view_, At(50, 50));
  Pump(300);
  EXPECT_NE(ReadText(trace_).find("fscommand: Pressed|red"), std::string::npos);
  EXPECT_EQ(BackdropClicks(), 0);

  // Right mode 3: the context menu; the press itself never reaches the movie.
  std::string before = ReadText(trace_);
  Click(view_, At(50, 50), true);
  Pump(500);
  HWND menu = FindProcessWindow(::GetProcessId(process_), L"#32768");
  EXPECT_NE(menu, nullptr);
  if (menu) {
    ::PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    Pump(500);
  }
  EXPECT_EQ(ReadText(trace_), before);

  Close();
  EXPECT_FALSE(ToolControlRegistered());
  std::vector<std::wstring> left = ListFolder(temp());
  for (const std::wstring& name : ListFolder(temp()))
    for (const std::wstring& inner : ListFolder(temp() + L"\\" + name)) left.push_back(name + L"\\" + inner);
  EXPECT_TRUE(left.empty()) << ::testing::PrintToString(left);
}

TEST_F(LayeredProjector, LeftModeOneDragsWithTheLeftButtonAndThePlayerKnowsWhere) {
  Start(1, 2);  // left 1, right setting 2: right mode 1
  Drag(view_, At(50, 50), 40, 30, false);
  RECT moved = PopupRect();
  EXPECT_EQ(moved.left - rect_.left, 40);
  EXPECT_EQ(moved.top - rect_.top, 30);
  // Left presses never reach the movie in this mode.
  EXPECT_EQ(ReadText(trace_).find("fscommand: Pressed"), std::string::npos);
  rect_ = moved;
  Drag(view_, At(50, 50), -20, 10, true);
  moved = PopupRect();
  EXPECT_EQ(moved.left - rect_.left, -20);
  EXPECT_EQ(moved.top - rect_.top, 10);
  // Each move was reported: minimising and restoring puts the popup where the drag left it.
  if (player_) {
    ::SendMessageW(player_, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    Pump(300);
    ::SendMessageW(player_, WM_SYSCOMMAND, SC_RESTORE, 0);
    Pump(300);
    RECT restored = PopupRect();
    EXPECT_EQ(restored.left, moved.left);
    EXPECT_EQ(restored.top, moved.top);
  }
  Close();
  EXPECT_FALSE(ToolControlRegistered());
}

TEST_F(LayeredProjector, LeftModeTwoDragsWithEitherButtonAndLeftPressesStillReachTheMovie) {
  Start(2, 0);
  Drag(view_, At(50, 50), 30, 0, true);
  RECT moved = PopupRect();
  EXPECT_EQ(moved.left - rect_.left, 30);
  rect_ = moved;
  Drag(view_, At(50, 50), 0, 25, false);
  moved = PopupRect();
  EXPECT_EQ(moved.top - rect_.top, 25);
  EXPECT_NE(ReadText(trace_).find("fscommand: Pressed|red"), std::string::npos);
  Close();
  EXPECT_FALSE(ToolControlRegistered());
}

}  // namespace
