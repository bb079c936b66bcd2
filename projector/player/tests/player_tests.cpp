#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <functional>
#include <thread>

#include <windows.h>
#include <gdiplus.h>

#include "player/player_context_menu.h"
#include "player/player_dialog.h"
#include "shell/movie_document.h"
#include "shell/projector_app.h"
#include "common/text.h"
#include "common/unique_name.h"
#include "player_test_support.h"
#include "test_support.h"
#include "testing_support/top_windows.h"

using namespace testing_support;
using projector::MovieDocument;
using projector::PlayerDialog;

namespace {

class TestApp : public projector::ProjectorApp {};
TestApp theApp;

struct Observed {
  RECT window{};
  RECT client{};
  DWORD style = 0;
  DWORD exStyle = 0;
  bool hasRegion = false;
  RECT regionBox{};
  std::vector<POINT> inside;
  std::vector<POINT> outside;
  bool closedBySelf = false;
};

Observed Observe(MovieDocument& doc) {
  Observed o;
  RunPlayer(doc, [&](HWND hwnd, PlayerDialog&) {
    ::GetWindowRect(hwnd, &o.window);
    ::GetClientRect(hwnd, &o.client);
    o.style = static_cast<DWORD>(::GetWindowLongPtrW(hwnd, GWL_STYLE));
    o.exStyle = static_cast<DWORD>(::GetWindowLongPtrW(hwnd, GWL_EXSTYLE));
    HRGN region = ::CreateRectRgn(0, 0, 0, 0);
    if (::GetWindowRgn(hwnd, region) != ERROR) {
      o.hasRegion = true;
      ::GetRgnBox(region, &o.regionBox);
      int w = o.window.right - o.window.left, h = o.window.bottom - o.window.top;
      for (POINT p : {POINT{w / 2, h / 2}})
        if (::PtInRegion(region, p.x, p.y)) o.inside.push_back(p);
      for (POINT p : {POINT{1, 1}, POINT{w - 2, h - 2}})
        if (!::PtInRegion(region, p.x, p.y)) o.outside.push_back(p);
    }
    ::DeleteObject(region);
  });
  return o;
}

RECT WorkArea() {
  RECT work;
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  return work;
}

TEST(PlayerWindow, MovieSizeModeFitsTheClientToTheItemAndCentres) {
  MovieDocument doc;
  AddPicture(doc, 320, 200);
  Observed o = Observe(doc);
  EXPECT_EQ(o.client.right, 320);
  EXPECT_EQ(o.client.bottom, 200);
  RECT work = WorkArea();
  int w = o.window.right - o.window.left, h = o.window.bottom - o.window.top;
  EXPECT_EQ(o.window.left, (work.right - work.left) / 2 - w / 2);
  EXPECT_EQ(o.window.top, (work.bottom - work.top) / 2 - h / 2);
  EXPECT_TRUE(o.style & WS_CAPTION);
  EXPECT_TRUE(o.exStyle & WS_EX_APPWINDOW);
  EXPECT_FALSE(o.exStyle & WS_EX_TOPMOST);
  EXPECT_FALSE(o.hasRegion);
}

TEST(PlayerWindow, FixedAndPercentageSizesAndAlignments) {
  RECT work = WorkArea();
  const int W = work.right - work.left, H = work.bottom - work.top;
  {
    MovieDocument doc;
    AddPicture(doc, 100, 100);
    doc.data().size.sizeMode = 1;
    doc.data().size.fixedWidth = 300;
    doc.data().size.fixedHeight = 150;
    doc.data().size.alignment = 6;
    Observed o = Observe(doc);
    EXPECT_EQ(o.client.right, 300);
    EXPECT_EQ(o.client.bottom, 150);
    EXPECT_EQ(o.window.left, 0);
    EXPECT_EQ(o.window.top, -1);
  }
  {
    MovieDocument doc;
    AddPicture(doc, 100, 100);
    doc.data().size.sizeMode = 2;
    doc.data().size.percentage = 50;
    doc.data().size.alignment = 9;
    Observed o = Observe(doc);
    int w = (W * 50 + 50) / 100, h = (H * 50 + 50) / 100;
    EXPECT_EQ(o.window.right - o.window.left, w);
    EXPECT_EQ(o.window.bottom - o.window.top, h);
    EXPECT_EQ(o.window.left, W - w);
    EXPECT_EQ(o.window.top, H - h);
  }
  {
    MovieDocument doc;
    AddPicture(doc, 100, 100);
    doc.data().size.sizeMode = 1;
    doc.data().size.fixedWidth = 200;
    doc.data().size.fixedHeight = 100;
    doc.data().size.alignment = 0;
    doc.data().size.horizontalOffset = 30;
    doc.data().size.verticalOffsetMovieSize = 40;
    doc.data().window.captionStyle = 0;
    Observed o = Observe(doc);
    EXPECT_EQ(o.window.left, 30);
    EXPECT_EQ(o.window.top, 40);
    EXPECT_EQ(o.window.right - o.window.left, 200);
    EXPECT_FALSE(o.style & WS_CAPTION);
  }
}

TEST(PlayerWindow, BuiltInShapesAndStoredRegionsOutlineTheWindow) {
  for (uint32_t shape : {0u, 1u, 4u, 6u}) {
    MovieDocument doc;
    AddPicture(doc, 201, 101);
    doc.data().window.shapeKind = 1;
    doc.data().window.shapeIndex = shape;
    Observed o = Observe(doc);
    ASSERT_TRUE(o.hasRegion) << shape;
    EXPECT_FALSE(o.style & WS_CAPTION) << shape;
    EXPECT_EQ(o.window.right - o.window.left, 201) << shape;
    EXPECT_EQ(o.inside.size(), 1u) << shape;
    EXPECT_EQ(o.outside.size(), 2u) << shape;
  }
}

TEST(PlayerWindow, SwitchesRemoveBoxesMenusAndTheTaskbarButton) {
  MovieDocument doc;
  AddPicture(doc, 120, 90);
  doc.data().window.minimizeBox = 0;
  doc.data().window.maximizeBox = 0;
  doc.data().window.alwaysOnTop = 1;
  doc.data().window.showInTaskbar = 0;
  doc.data().about.noAbout = 0;
  bool hasMinimize = true, hasMaximize = true, hasAbout = false;
  DWORD style = 0, exStyle = 0;
  RunPlayer(doc, [&](HWND hwnd, PlayerDialog&) {
    style = static_cast<DWORD>(::GetWindowLongPtrW(hwnd, GWL_STYLE));
    exStyle = static_cast<DWORD>(::GetWindowLongPtrW(hwnd, GWL_EXSTYLE));
    HMENU system = ::GetSystemMenu(hwnd, FALSE);
    hasMinimize = ::GetMenuState(system, SC_MINIMIZE, MF_BYCOMMAND) != static_cast<UINT>(-1);
    hasMaximize = ::GetMenuState(system, SC_MAXIMIZE, MF_BYCOMMAND) != static_cast<UINT>(-1);
    wchar_t text[64] = {};
    hasAbout = ::GetMenuStringW(system, PlayerDialog::kAboutCommand, text, 64, MF_BYCOMMAND) > 0 &&
               std::wstring(text) == L"About...";
  });
  EXPECT_FALSE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(hasMinimize);
  EXPECT_FALSE(hasMaximize);
  EXPECT_TRUE(hasAbout);
  EXPECT_TRUE(exStyle & WS_EX_TOPMOST);
  EXPECT_FALSE(exStyle & WS_EX_APPWINDOW);

  MovieDocument noMenu;
  AddPicture(noMenu, 120, 90);
  noMenu.data().window.systemMenu = 0;
  Observed o = Observe(noMenu);
  EXPECT_FALSE(o.style & WS_SYSMENU);
}

TEST(PlayerWindow, EscClosesOnlyWhenTheDocumentSaysSoAndAnyKeyWhenAsked) {
  {
    MovieDocument doc;
    AddPicture(doc, 100, 100);
    std::atomic<bool> closed{false};
    RunPlayer(doc, [&](HWND hwnd, PlayerDialog&) {
      ::PostMessageW(hwnd, WM_KEYDOWN, VK_ESCAPE, 0);
      for (int i = 0; i < 100 && ::IsWindow(hwnd); ++i) ::Sleep(10);
      closed = !::IsWindow(hwnd);
    });
    EXPECT_TRUE(closed);
  }
  {
    MovieDocument doc;
    AddPicture(doc, 100, 100);
    doc.data().control.escCloses = 0;
    std::atomic<bool> open{false};
    RunPlayer(doc, [&](HWND hwnd, PlayerDialog&) {
      ::PostMessageW(hwnd, WM_KEYDOWN, VK_ESCAPE, 0);
      ::PostMessageW(hwnd, WM_KEYDOWN, VK_RETURN, 0);
      ::Sleep(300);
      open = ::IsWindow(hwnd) != FALSE;
    });
    EXPECT_TRUE(open);
  }
  {
    MovieDocument doc;
    AddPicture(doc, 100, 100);
    doc.data().control.keyMode = 1;
    doc.data().control.anyKeyCloses = 1;
    std::atomic<bool> closed{false};
    RunPlayer(doc, [&](HWND hwnd, PlayerDialog&) {
      ::PostMessageW(hwnd, WM_KEYDOWN, 'A', 0);
      for (int i = 0; i < 100 && ::IsWindow(hwnd); ++i) ::Sleep(10);
      closed = !::IsWindow(hwnd);
    });
    EXPECT_TRUE(closed);
  }
}

TEST(PlayerWindow, PrintScreenEmptiesTheClipboardWhileTheHookIsOn) {
  MovieDocument doc;
  AddPicture(doc, 100, 100);
  doc.data().playlistOptions.options = 2;
  bool emptied = false;
  RunPlayer(doc, [&](HWND hwnd, PlayerDialog&) {
    ASSERT_TRUE(::OpenClipboard(nullptr));
    ::EmptyClipboard();
    HGLOBAL text = ::GlobalAlloc(GMEM_MOVEABLE, 8);
    std::memcpy(::GlobalLock(text), L"abc", 8);
    ::GlobalUnlock(text);
    ::SetClipboardData(CF_UNICODETEXT, text);
    ::CloseClipboard();
    ASSERT_TRUE(::IsClipboardFormatAvailable(CF_UNICODETEXT));
    ::SetForegroundWindow(hwnd);
    ::SetFocus(hwnd);
    ::Sleep(100);
    INPUT keys[2] = {};
    keys[0].type = keys[1].type = INPUT_KEYBOARD;
    keys[0].ki.wVk = keys[1].ki.wVk = VK_SNAPSHOT;
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    ::SendInput(2, keys, sizeof(INPUT));
    for (int i = 0; i < 100 && !emptied; ++i) {
      ::Sleep(10);
      emptied = !::IsClipboardFormatAvailable(CF_UNICODETEXT);
    }
  });
  EXPECT_TRUE(emptied);
}

TEST(PlayerWindow, LeftButtonModeOneDragsTheWindowFromAnywhere) {
  for (uint32_t mode : {1u, 3u}) {
    MovieDocument doc;
    AddPicture(doc, 200, 150);
    doc.data().control.leftButtonMode = mode;
    RECT before{}, after{};
    RunPlayer(doc, [&](HWND hwnd, PlayerDialog&) {
      ::GetWindowRect(hwnd, &before);
      POINT start = {before.left + 100, before.top + 80};
      ::SetCursorPos(start.x, start.y);
      POINT client = start;
      ::ScreenToClient(hwnd, &client);
      LPARAM at = MAKELPARAM(client.x, client.y);
      ::PostMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, at);
      ::Sleep(50);
      ::SetCursorPos(start.x + 37, start.y + 21);
      ::PostMessageW(hwnd, WM_MOUSEMOVE, MK_LBUTTON, at);
      ::Sleep(50);
      ::PostMessageW(hwnd, WM_LBUTTONUP, 0, at);
      ::Sleep(100);
      ::GetWindowRect(hwnd, &after);
    });
    if (mode == 1) {
      EXPECT_EQ(after.left - before.left, 37);
      EXPECT_EQ(after.top - before.top, 21);
    } else {
      EXPECT_EQ(after.left, before.left);
      EXPECT_EQ(after.top, before.top);
    }
  }
}

TEST(PlayerWindow, ModeZeroDragsOnlyInsideTheDragArea) {
  MovieDocument doc;
  AddPicture(doc, 200, 200);
  doc.data().size.scaleFlags = 1;  // unscaled: view and movie pixels agree
  doc.data().window.captionStyle = 0;
  RECT before{}, moved{}, notMoved{};
  RunPlayer(doc, [&](HWND hwnd, PlayerDialog& player) {
    ::GetWindowRect(hwnd, &before);
    auto drag = [&](int cx, int cy) {
      RECT r;
      ::GetWindowRect(hwnd, &r);
      ::SetCursorPos(r.left + cx, r.top + cy);
      LPARAM at = MAKELPARAM(cx, cy);
      ::PostMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, at);
      ::Sleep(50);
      ::SetCursorPos(r.left + cx + 10, r.top + cy + 10);
      ::PostMessageW(hwnd, WM_MOUSEMOVE, MK_LBUTTON, at);
      ::Sleep(50);
      ::PostMessageW(hwnd, WM_LBUTTONUP, 0, at);
      ::Sleep(80);
    };
    player.dragRegion().AddRect(0, 0, 50, 50);
    drag(150, 150);
    ::GetWindowRect(hwnd, &notMoved);
    drag(20, 20);
    ::GetWindowRect(hwnd, &moved);
    player.dragRegion().Cancel();
  });
  EXPECT_EQ(notMoved.left, before.left);
  EXPECT_EQ(moved.left, before.left + 10);
  EXPECT_EQ(moved.top, before.top + 10);
}

// Reads the entries of the open pop-up menu.
std::vector<std::wstring> ReadPopupMenu(HWND owner) {
  std::vector<std::wstring> entries;
  for (int i = 0; i < 500; ++i) {
    HWND popup = nullptr;
    for (HWND window : testing_support::TopLevelWindows()) {
      if (!popup && testing_support::WindowClass(window) == L"#32768" && ::IsWindowVisible(window)) popup = window;
    }
    if (popup) {
      HMENU menu = reinterpret_cast<HMENU>(::SendMessageW(popup, MN_GETHMENU, 0, 0));
      int n = ::GetMenuItemCount(menu);
      for (int k = 0; k < n; ++k) {
        wchar_t text[64] = {};
        ::GetMenuStringW(menu, static_cast<UINT>(k), text, 64, MF_BYPOSITION);
        UINT state = ::GetMenuState(menu, static_cast<UINT>(k), MF_BYPOSITION);
        std::wstring entry = text;
        if (state & MF_CHECKED) entry += L"*";
        if (state & MF_GRAYED) entry += L"~";
        if (state & MF_SEPARATOR) entry = L"-";
        entries.push_back(entry);
      }
      ::PostMessageW(owner, WM_CANCELMODE, 0, 0);
      return entries;
    }
    ::Sleep(10);
  }
  // Never leave a menu open: its loop would hold the player for ever.
  ::PostMessageW(owner, WM_CANCELMODE, 0, 0);
  return entries;
}

TEST(PlayerWindow, RightClickShowsTheContextMenuWithTheResourceLibrarysTexts) {
  MovieDocument doc;
  AddPicture(doc, 200, 150);
  // The player loads the resource library from the extraction folder, its current directory.
  std::wstring built = BuildTreePath(L"components\\resources\\Mardenkit.dll");
  ASSERT_TRUE(::CopyFileW(built.c_str(), (doc.ExtractionFolder() + L"\\Mardenkit.dll").c_str(), FALSE));
  doc.data().about.menuQuality = 0;
  doc.data().about.menuAlwaysOnTop = 0;
  std::vector<std::wstring> entries;
  RunPlayer(doc, [&](HWND hwnd, PlayerDialog&) {
    RECT r;
    ::GetWindowRect(hwnd, &r);
    ::SetCursorPos(r.left + 50, r.top + 50);
    std::thread reader([&] { entries = ReadPopupMenu(hwnd); });
    ::PostMessageW(hwnd, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(40, 30));
    reader.join();
    ::PostMessageW(hwnd, WM_RBUTTONUP, 0, MAKELPARAM(40, 30));
    ::Sleep(100);
  });
  // The document's quality 0 gives the items quality 2, the "Low" entry.
  std::vector<std::wstring> expected = {L"Low*", L"Medium", L"High", L"-", L"Zoom In", L"Zoom Out", L"100%",
                                        L"-", L"Play*", L"Loop", L"-", L"Rewind", L"Forward", L"Back",
                                        L"-", L"Maximize", L"Minimize", L"Restore", L"-", L"Exit"};
  EXPECT_EQ(entries, expected);
}

TEST(PlayerWindow, PreloaderHearsOneFourByteMessage) {
  HANDLE slot = ::CreateMailslotW(L"\\\\.\\mailslot\\BrindleworkPreloader", 0, 0, nullptr);
  ASSERT_NE(slot, INVALID_HANDLE_VALUE);
  MovieDocument doc;
  AddPicture(doc, 100, 100);
  RunPlayer(doc, [](HWND, PlayerDialog&) {});
  DWORD next = 0, count = 0;
  ASSERT_TRUE(::GetMailslotInfo(slot, nullptr, &next, &count, nullptr));
  EXPECT_EQ(count, 1u);
  EXPECT_EQ(next, 4u);
  ::CloseHandle(slot);
}

TEST(PlayerWindow, EmptyPlayListClosesAtOnce) {
  MovieDocument doc;
  EXPECT_EQ(RunPlayer(doc, [](HWND, PlayerDialog&) {}, false), IDCANCEL);
}

}  // namespace

namespace {

TEST(Overlay, PictureAndTextFollowThePlayerAndAreClippedToItsClientArea) {
  MovieDocument doc;
  AddPicture(doc, 400, 300);
  std::wstring picture = projector::MakeUniqueName(doc.ExtractionFolder(), L"bmp");
  ASSERT_TRUE(WriteFileBytes(picture, Bitmap(60, 40, 10, 200, 10)));
  auto& overlay = doc.data().overlay;
  overlay.picture.sourcePath = u"logo.bmp";
  overlay.picture.path = projector::ToU16(picture);
  overlay.picture.extracted = true;
  overlay.text = u"Hello overlay";
  overlay.position = 0;
  doc.LoadResources();
  ASSERT_NE(doc.overlayPicture(), nullptr);
  ASSERT_NE(doc.overlayFont(), nullptr);

  RECT pic{}, text{}, picMoved{}, client{}, clientMoved{}, picClipped{};
  HWND owner = nullptr;
  RunPlayer(doc, [&](HWND hwnd, PlayerDialog& player) {
    HWND p = player.overlay().pictureWindow(), t = player.overlay().textWindow();
    ASSERT_NE(p, nullptr);
    ASSERT_NE(t, nullptr);
    owner = ::GetWindow(p, GW_OWNER);
    ::GetWindowRect(p, &pic);
    ::GetWindowRect(t, &text);
    POINT origin = {0, 0};
    ::ClientToScreen(hwnd, &origin);
    client = {origin.x, origin.y, 0, 0};
    RECT w;
    ::GetWindowRect(hwnd, &w);
    ::SendMessageW(hwnd, WM_SYSCOMMAND, 0, 0);
    ::MoveWindow(hwnd, w.left + 50, w.top + 30, w.right - w.left, w.bottom - w.top, TRUE);
    ::Sleep(100);
    ::GetWindowRect(p, &picMoved);
    origin = {0, 0};
    ::ClientToScreen(hwnd, &origin);
    clientMoved = {origin.x, origin.y, 0, 0};
    // Shrinking the player to a 40 x 30 client area cuts the 60 x 40 picture.
    RECT frame;
    ::GetWindowRect(hwnd, &frame);
    RECT inner;
    ::GetClientRect(hwnd, &inner);
    int fw = (frame.right - frame.left) - inner.right, fh = (frame.bottom - frame.top) - inner.bottom;
    ::MoveWindow(hwnd, frame.left, frame.top, 40 + fw, 30 + fh, TRUE);
    ::Sleep(100);
    ::GetWindowRect(p, &picClipped);
  });
  EXPECT_NE(owner, nullptr);
  EXPECT_EQ(pic.left - client.left, 3);
  EXPECT_EQ(pic.top - client.top, 3);
  EXPECT_EQ(pic.right - pic.left, 60);
  EXPECT_EQ(pic.bottom - pic.top, 40);
  EXPECT_EQ(text.left - client.left, 66);
  EXPECT_EQ(picMoved.left - clientMoved.left, 3);
  EXPECT_EQ(picMoved.left - pic.left, 50);
  EXPECT_EQ(picClipped.right - picClipped.left, 37);
  EXPECT_EQ(picClipped.bottom - picClipped.top, 27);
}

}  // namespace

namespace {

TEST(PlayerWindow, ShapedWindowsShowThePictureInsideTheOutlineOnly) {
  GdiplusSession gdiplus;
  struct Case {
    uint32_t index;
    const wchar_t* name;
  };
  for (Case c : {Case{0, L"shape-diamond.png"}, Case{1, L"shape-ellipse.png"}, Case{4, L"shape-star.png"}}) {
    MovieDocument doc;
    AddPicture(doc, 240, 180);
    doc.data().window.shapeKind = 1;
    doc.data().window.shapeIndex = c.index;
    COLORREF centre = 0, corner = 0;
    RunPlayer(doc, [&](HWND hwnd, PlayerDialog&) {
      ::SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
      ::RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
      ::Sleep(300);
      RECT r;
      ::GetWindowRect(hwnd, &r);
      centre = CaptureArtefact(r, c.name, 120, 90, &corner);
    });
    EXPECT_EQ(centre, RGB(200, 30, 30)) << c.index;
    EXPECT_NE(corner, RGB(200, 30, 30)) << c.index;
  }
}

}  // namespace

namespace {

// A mono 8-bit WAV of silence lasting the given milliseconds.
Bytes Wave(int ms) {
  uint32_t rate = 8000, samples = rate * static_cast<uint32_t>(ms) / 1000;
  Bytes wav(44 + samples, 0x80);
  std::fill(wav.begin(), wav.begin() + 44, 0);
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) wav[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  std::memcpy(&wav[0], "RIFF", 4);
  put32(4, 36 + samples);
  std::memcpy(&wav[8], "WAVEfmt ", 8);
  put32(16, 16);
  wav[20] = 1;
  wav[22] = 1;
  put32(24, rate);
  put32(28, rate);
  wav[32] = 1;
  wav[34] = 8;
  std::memcpy(&wav[36], "data", 4);
  put32(40, samples);
  return wav;
}

TEST(PlayList, PicturesFollowEachOtherAndPauseHoldsThem) {
  MovieDocument doc;
  AddPicture(doc, 100, 100, 0.3f);
  AddPicture(doc, 120, 100, 0.3f);
  AddPicture(doc, 140, 100, 0.3f);
  doc.data().playlistOptions.loop = 1;
  std::wstring sound = projector::MakeUniqueName(doc.ExtractionFolder(), L"wav");
  ASSERT_TRUE(WriteFileBytes(sound, Wave(500)));
  doc.data().sound.embedded = 1;
  doc.data().sound.play = 1;
  doc.data().sound.loop = 1;
  doc.data().sound.file.path = projector::ToU16(sound);
  doc.data().sound.file.sourcePath = u"loop.wav";
  doc.data().sound.file.extracted = true;

  std::vector<std::wstring> seen;
  bool soundWindow = false, soundPlays = false, heldWhilePaused = false, resumed = false;
  RunPlayer(doc, [&](HWND hwnd, PlayerDialog& player) {
    soundWindow = player.sound().mciWindow() != nullptr && ::IsWindow(player.sound().mciWindow());
    soundPlays = player.sound().lastPlayResult() == 0;
    // Watched until three pictures went by rather than for a fixed time: a busy machine slows the player's timer.
    for (int i = 0; i < 400 && seen.size() < 3; ++i) {
      std::wstring path = player.contentView().GetPath();
      if (seen.empty() || seen.back() != path) seen.push_back(path);
      ::Sleep(25);
    }
    ::SendMessageW(hwnd, WM_COMMAND, 607, 0);
    std::wstring pausedOn = player.contentView().GetPath();
    ::Sleep(900);
    heldWhilePaused = player.contentView().GetPath() == pausedOn && player.playSequence().paused();
    ::SendMessageW(hwnd, WM_COMMAND, 607, 0);
    for (int i = 0; i < 400 && !resumed; ++i) {
      ::Sleep(25);
      resumed = player.contentView().GetPath() != pausedOn;
    }
  });
  EXPECT_GE(seen.size(), 3u);
  EXPECT_TRUE(soundWindow);
  EXPECT_TRUE(soundPlays);
  EXPECT_TRUE(heldWhilePaused);
  EXPECT_TRUE(resumed);
}

TEST(PlayList, AMissingFileKeepsThePreviousItemOnShow) {
  MovieDocument doc;
  AddPicture(doc, 100, 100, 0.3f);
  std::wstring first(doc.ExtractedPath(0));
  AddPicture(doc, 100, 100, 0.3f);
  ::DeleteFileW(doc.ExtractedPath(1).c_str());
  std::wstring shown;
  RunPlayer(doc, [&](HWND, PlayerDialog& player) {
    ::Sleep(900);
    shown = player.contentView().GetPath();
  });
  EXPECT_EQ(shown, first);
}

// Stands in for the taskbar: records the commands the player sends it.
class FakeTaskbar {
 public:
  FakeTaskbar() {
    WNDCLASSEXW wc{sizeof(wc)};
    wc.lpfnWndProc = Proc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"Shell_TrayWnd";
    ::RegisterClassExW(&wc);
    hwnd = ::CreateWindowExW(WS_EX_TOPMOST, L"Shell_TrayWnd", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                             wc.hInstance, nullptr);
    ::SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  ~FakeTaskbar() { ::DestroyWindow(hwnd); }
  static std::vector<UINT>& Commands() {
    static std::vector<UINT> commands;
    return commands;
  }
  HWND hwnd = nullptr;

 private:
  static LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_COMMAND) Commands().push_back(LOWORD(wp));
    return ::DefWindowProcW(h, msg, wp, lp);
  }
};

TEST(PlayerWindow, TheTrayIconIsThereWhileThePlayerRunsAndEnterReachesTheDialogAsTab) {
  MovieDocument doc;
  AddPicture(doc, 120, 90);
  doc.data().window.trayIcon = 1;
  bool iconThere = false;
  WPARAM enterBecame = 0;
  HWND player = nullptr;
  RunPlayer(doc, [&](HWND hwnd, PlayerDialog& dialog) {
    player = hwnd;
    NOTIFYICONDATAW probe{};
    probe.cbSize = sizeof(probe);
    probe.hWnd = hwnd;
    probe.uID = PlayerDialog::kTrayIconId;
    iconThere = ::Shell_NotifyIconW(NIM_MODIFY, &probe) != FALSE;
    MSG enter{hwnd, WM_KEYDOWN, VK_RETURN, 0, 0, {0, 0}};
    dialog.PreTranslateMessage(&enter);
    enterBecame = enter.wParam;
  });
  NOTIFYICONDATAW probe{};
  probe.cbSize = sizeof(probe);
  probe.hWnd = player;
  probe.uID = PlayerDialog::kTrayIconId;
  EXPECT_TRUE(iconThere);
  EXPECT_FALSE(::Shell_NotifyIconW(NIM_MODIFY, &probe)) << "the icon is removed with the window";
  EXPECT_EQ(enterBecame, static_cast<WPARAM>(VK_TAB));
}

TEST(PlayerWindow, TheTaskbarIsToldToMinimiseAllAtStartAndToUndoItAtClose) {
  FakeTaskbar taskbar;
  ASSERT_EQ(::FindWindowW(L"Shell_TrayWnd", nullptr), taskbar.hwnd);
  MovieDocument doc;
  AddPicture(doc, 120, 90);
  doc.data().window.taskbarCommand = 1;
  doc.data().window.taskbarCommandAtClose = 1;
  FakeTaskbar::Commands().clear();
  RunPlayer(doc, [&](HWND, PlayerDialog&) {});
  EXPECT_EQ(FakeTaskbar::Commands(), (std::vector<UINT>{PlayerDialog::kMinimizeAll, PlayerDialog::kUndoMinimizeAll}));
  doc.data().window.taskbarCommandAtClose = 0;
  FakeTaskbar::Commands().clear();
  RunPlayer(doc, [&](HWND, PlayerDialog&) {});
  EXPECT_EQ(FakeTaskbar::Commands(), (std::vector<UINT>{PlayerDialog::kMinimizeAll}));
}

// A window standing in for the layered popup the transparent view would make.
TEST(PlayerWindow, TransparentModeAnswersTheViewAndMinimisesAndRestoresItsPopup) {
  MovieDocument doc;
  AddPicture(doc, 120, 90);
  doc.data().window.displayMode = 2;
  doc.data().control.leftButtonMode = 3;
  doc.data().control.rightButtonMode = 2;
  projector::DragNotify query;
  RECT restored{};
  bool minimised = false, restoredShown = false;
  HWND layered = nullptr;
  DWORD style = 0;
  RECT regionBox{}, client{};
  RunPlayer(doc, [&](HWND hwnd, PlayerDialog& dialog) {
    ::GetClientRect(hwnd, &client);
    style = static_cast<DWORD>(::GetWindowLongPtrW(hwnd, GWL_STYLE));
    if (dialog.contentView().regionCopy()) ::GetRgnBox(dialog.contentView().regionCopy(), &regionBox);
    framework::CWnd popup;
    popup.CreateEx(WS_EX_TOOLWINDOW, nullptr, L"layered", WS_POPUP | WS_VISIBLE, {50, 60, 250, 210}, nullptr,
                   nullptr);
    query.kind = projector::DragNotify::kQueryModes;
    query.frame = &popup;
    dialog.dragListener().OnDragNotify(&query);
    layered = dialog.layeredWindow();
    projector::DragNotify moved;
    moved.kind = projector::DragNotify::kMoved;
    moved.rect = {80, 90, 280, 240};
    dialog.dragListener().OnDragNotify(&moved);
    ::SendMessageW(hwnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    minimised = ::IsIconic(popup.m_hWnd) != FALSE;
    ::SendMessageW(hwnd, WM_SYSCOMMAND, SC_RESTORE, 0);
    ::GetWindowRect(popup.m_hWnd, &restored);
    restoredShown = !::IsIconic(popup.m_hWnd);
    popup.DestroyWindow();
  });
  EXPECT_FALSE(style & WS_CAPTION);
  // Without an outline the view keeps the client rectangle.
  EXPECT_TRUE(::EqualRect(&regionBox, &client));
  EXPECT_GT(client.right, 0);
  EXPECT_EQ(query.leftMode, 4);
  EXPECT_EQ(query.rightMode, 1);
  EXPECT_NE(layered, nullptr);
  EXPECT_TRUE(minimised);
  EXPECT_TRUE(restoredShown);
  EXPECT_EQ(restored.left, 80);
  EXPECT_EQ(restored.top, 90);
  EXPECT_EQ(restored.right, 280);
  EXPECT_EQ(restored.bottom, 240);
}

}  // namespace
