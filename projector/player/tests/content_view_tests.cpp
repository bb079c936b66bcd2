// The play list in the content view: pictures, movies and pages in turn, a missing file, the background sound with
// pause and resume, and the page holder with the browser control.
#include <gtest/gtest.h>

#include <windows.h>
#include <gdiplus.h>
#include <mmsystem.h>
#include <vfw.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "format/payload.h"
#include "player/html_view.h"
#include "player/player_dialog.h"
#include "shell/movie_document.h"
#include "shell/projector_app.h"
#include "common/text.h"
#include "common/unique_name.h"
#include "player_test_support.h"
#include "swfplayer/asm/movie_builder.h"
#include "test_support.h"

using namespace testing_support;
using projector::ContentView;
using projector::MovieDocument;
using projector::PlayerDialog;

namespace {

class TestApp : public projector::ProjectorApp {};
TestApp theApp;

// A mono 8-bit WAV of a tone.
Bytes ToneWave(double seconds) {
  const uint32_t rate = 8000, samples = static_cast<uint32_t>(rate * seconds);
  Bytes wav(44 + samples);
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) wav[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  auto put16 = [&](size_t at, uint16_t v) {
    wav[at] = static_cast<uint8_t>(v);
    wav[at + 1] = static_cast<uint8_t>(v >> 8);
  };
  std::memcpy(wav.data(), "RIFF", 4);
  put32(4, 36 + samples);
  std::memcpy(wav.data() + 8, "WAVEfmt ", 8);
  put32(16, 16);
  put16(20, 1);
  put16(22, 1);
  put32(24, rate);
  put32(28, rate);
  put16(32, 1);
  put16(34, 8);
  std::memcpy(wav.data() + 36, "data", 4);
  put32(40, samples);
  for (uint32_t i = 0; i < samples; ++i)
    wav[44 + i] = static_cast<uint8_t>(128 + 60 * std::sin(i * 2 * 3.14159265 * 440 / rate));
  return wav;
}

// A file of the document's extraction folder added to its play list as it is.
std::wstring AddFile(MovieDocument& doc, const wchar_t* extension, const Bytes& content, float seconds) {
  std::wstring path = projector::MakeUniqueName(doc.ExtractionFolder(), extension);
  EXPECT_TRUE(WriteFileBytes(path, content));
  format::PlaylistEntry e;
  e.sourcePath = u"item." + projector::ToU16(extension);
  e.displayTime = seconds;
  e.movie.sourcePath = e.sourcePath;
  e.movie.path = projector::ToU16(path);
  e.movie.extracted = true;
  doc.data().playlist.entries.push_back(e);
  return path;
}

std::wstring ClassOf(HWND hwnd) {
  wchar_t name[64] = {};
  ::GetClassNameW(hwnd, name, 64);
  return name;
}

template <typename Condition>
bool WaitFor(Condition done, int ms) {
  for (int waited = 0; waited < ms; waited += 20) {
    if (done()) return true;
    ::Sleep(20);
  }
  return done();
}

TEST(PagePlayList, APageShowsItsHolderWithTheBrowserControlNavigatedToThePath) {
  MovieDocument doc;
  std::string page = "<html><body>Hello</body></html>";
  std::wstring path = AddFile(doc, L"html", Bytes(page.begin(), page.end()), 5);
  HWND holder = nullptr, control = nullptr, browser = nullptr;
  RECT viewClient{}, holderRect{}, controlRect{};
  DWORD holderExStyle = 0;
  UINT holderClassStyle = 0;
  std::wstring target, holderClass;
  int kind = -1;
  RunPlayer(doc, [&](HWND, PlayerDialog& player) {
    ContentView& view = player.contentView();
    WaitFor([&] { return view.htmlView() && !view.htmlView()->control().lastTarget().empty(); }, 3000);
    kind = view.kind();
    if (!view.htmlView()) return;
    holder = view.htmlView()->m_hWnd;
    control = ::GetDlgItem(holder, projector::CHtmlCtrl::kControlId);
    browser = view.htmlView()->control().GetBrowserWindow();
    target = view.htmlView()->control().lastTarget();
    ::GetClientRect(view.m_hWnd, &viewClient);
    ::GetWindowRect(holder, &holderRect);
    ::MapWindowPoints(nullptr, view.m_hWnd, reinterpret_cast<POINT*>(&holderRect), 2);
    RECT holderClient;
    ::GetClientRect(holder, &holderClient);
    ::SetWindowPos(holder, nullptr, 0, 0, 300, 200, SWP_NOMOVE | SWP_NOZORDER);
    ::Sleep(100);
    ::GetClientRect(control, &controlRect);
    ::GetClientRect(holder, &holderClient);
    controlRect.right -= holderClient.right;
    controlRect.bottom -= holderClient.bottom;
    holderExStyle = static_cast<DWORD>(::GetWindowLongPtrW(holder, GWL_EXSTYLE));
    holderClassStyle = static_cast<UINT>(::GetClassLongPtrW(holder, GCL_STYLE));
    holderClass = ClassOf(holder);
    RECT window;
    ::GetWindowRect(::GetAncestor(holder, GA_ROOT), &window);
    CaptureArtefact(window, L"playlist-page.png", 0, 0);
  });
  EXPECT_EQ(kind, ContentView::kHtml);
  ASSERT_NE(holder, nullptr);
  EXPECT_EQ(holderClass, projector::HtmlHolder::kClassName);
  EXPECT_TRUE(holderExStyle & WS_EX_STATICEDGE);
  EXPECT_EQ(holderClassStyle, static_cast<UINT>(CS_SAVEBITS));
  EXPECT_TRUE(::EqualRect(&holderRect, &viewClient)) << holderRect.right << "x" << holderRect.bottom;
  ASSERT_NE(control, nullptr);
  EXPECT_NE(browser, nullptr);
  // The control stays one pixel larger than the holder in each direction.
  EXPECT_EQ(controlRect.right, 1);
  EXPECT_EQ(controlRect.bottom, 1);
  EXPECT_NE(target.find(path.substr(path.rfind(L'\\') + 1)), std::wstring::npos);
}

// Records the commands of "app:" targets.
class RecordingHtmlCtrl : public projector::CHtmlCtrl {
 public:
  std::wstring command;
  int commands = 0;

 protected:
  void OnAppCmd(const std::wstring& text) override {
    command = text;
    ++commands;
  }
};

TEST(PageControl, AppTargetsAreCancelledAndHandedToTheCommandHandler) {
  EXPECT_TRUE(projector::IsAppCommand(L"APP:quit", nullptr));
  EXPECT_FALSE(projector::IsAppCommand(L"ap:quit", nullptr));
  EXPECT_FALSE(projector::IsAppCommand(L"http://app:1/", nullptr));

  framework::CWnd parent;
  ASSERT_TRUE(parent.CreateEx(0, nullptr, L"page parent", WS_OVERLAPPEDWINDOW, {0, 0, 320, 240}, nullptr, nullptr));
  RecordingHtmlCtrl control;
  ASSERT_TRUE(control.Create({0, 0, 300, 200}, &parent, projector::CHtmlCtrl::kControlId));
  control.Navigate(L"app:Next Slide");
  MSG msg;
  for (int i = 0; i < 50 && control.commands == 0; ++i) {
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
    ::Sleep(20);
  }
  EXPECT_EQ(control.commands, 1);
  EXPECT_EQ(control.command, L"Next Slide");
  EXPECT_EQ(control.GetLocationURL().find(L"app:"), std::wstring::npos);
  control.DestroyWindow();
  EXPECT_EQ(control.GetBrowser(), nullptr);
  parent.DestroyWindow();
}

// A PNG with a transparent ground and an opaque disc filling it.
void WriteDiscPng(const std::wstring& path, int size) {
  GdiplusSession gdiplus;
  Gdiplus::Bitmap bitmap(size, size, PixelFormat32bppARGB);
  {
    Gdiplus::Graphics g(&bitmap);
    g.Clear(Gdiplus::Color(0, 0, 0, 0));
    Gdiplus::SolidBrush brush(Gdiplus::Color(255, 0, 128, 255));
    g.FillEllipse(&brush, 0, 0, size, size);
  }
  ASSERT_TRUE(SaveImageFile(bitmap, path, L"image/png"));
}

TEST(PicturePlayList, InTransparentModeTheWindowTakesTheOutlineOfThePicture) {
  MovieDocument doc;
  std::wstring png = projector::MakeUniqueName(doc.ExtractionFolder(), L"png");
  WriteDiscPng(png, 200);
  format::PlaylistEntry e;
  e.sourcePath = u"disc.png";
  e.displayTime = 5;
  e.movie.sourcePath = e.sourcePath;
  e.movie.path = projector::ToU16(png);
  e.movie.extracted = true;
  doc.data().playlist.entries.push_back(e);
  doc.data().window.displayMode = 2;
  bool region = false, centre = false, corner = true, edge = false;
  RunPlayer(doc, [&](HWND hwnd, PlayerDialog& player) {
    RECT client;
    ::GetClientRect(hwnd, &client);
    HRGN rgn = ::CreateRectRgn(0, 0, 0, 0);
    region = ::GetWindowRgn(hwnd, rgn) != ERROR;
    centre = ::PtInRegion(rgn, client.right / 2, client.bottom / 2) != FALSE;
    corner = ::PtInRegion(rgn, client.right / 2 - 90, client.bottom / 2 - 90) != FALSE;
    edge = ::PtInRegion(rgn, client.right / 2 - 95, client.bottom / 2) != FALSE;
    ::DeleteObject(rgn);
  });
  EXPECT_TRUE(region);
  EXPECT_TRUE(centre);
  EXPECT_FALSE(corner);
  EXPECT_TRUE(edge);
}

TEST(PicturePlayList, AMissingFileKeepsThePreviousItemOnShow) {
  MovieDocument doc;
  AddPicture(doc, 160, 120, 1, RGB(0, 0, 255));
  std::wstring shown = projector::ToWide(doc.data().playlist.entries[0].movie.path);
  format::PlaylistEntry missing = doc.data().playlist.entries[0];
  missing.movie.path = projector::ToU16(doc.ExtractionFolder() + L"\\gone.bmp");
  doc.data().playlist.entries.push_back(missing);
  doc.data().playlistOptions.loop = 0;
  std::wstring path;
  COLORREF centre = 0;
  size_t items = 0;
  RunPlayer(doc, [&](HWND hwnd, PlayerDialog& player) {
    items = player.playSequence().items().size();
    ::Sleep(2000);
    path = player.contentView().GetPath();
    RECT r;
    ::GetWindowRect(player.contentView().m_hWnd, &r);
    ::SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    ::Sleep(200);
    centre = CaptureArtefact(r, L"playlist-missing-file.png", 80, 60);
  });
  EXPECT_EQ(items, 2u);
  EXPECT_EQ(path, shown);
  EXPECT_EQ(centre, RGB(0, 0, 255));
}

TEST(BackgroundSound, TheSoundPlaysInItsMciWindowAndPausesAndResumesWithTheList) {
  MovieDocument doc;
  AddPicture(doc, 160, 120, 30);
  std::wstring wav = projector::MakeUniqueName(doc.ExtractionFolder(), L"wav");
  ASSERT_TRUE(WriteFileBytes(wav, ToneWave(3)));
  doc.data().sound.embedded = 0;
  doc.data().sound.play = 1;
  doc.data().sound.loop = 1;
  doc.data().sound.path = projector::ToU16(wav);
  HWND mci = nullptr, popup = nullptr;
  long played = -1;
  LONG modePlaying = 0, modePaused = 0, modeResumed = 0;
  bool pausedClock = false, resumedClock = true;
  RECT popupRect{};
  DWORD popupStyle = 0;
  std::wstring mciClass;
  RunPlayer(doc, [&](HWND hwnd, PlayerDialog& player) {
    WaitFor([&] { return player.sound().mciWindow() != nullptr; }, 2000);
    mci = player.sound().mciWindow();
    if (!mci) return;
    popup = ::GetParent(mci);
    mciClass = ClassOf(mci);
    ::GetWindowRect(popup, &popupRect);
    popupStyle = static_cast<DWORD>(::GetWindowLongPtrW(popup, GWL_STYLE));
    played = player.sound().lastPlayResult();
    modePlaying = static_cast<LONG>(MCIWndGetMode(mci, nullptr, 0));
    ::SendMessageW(hwnd, WM_COMMAND, 607, 0);
    modePaused = static_cast<LONG>(MCIWndGetMode(mci, nullptr, 0));
    pausedClock = player.playSequence().paused();
    ::SendMessageW(hwnd, WM_COMMAND, 607, 0);
    modeResumed = static_cast<LONG>(MCIWndGetMode(mci, nullptr, 0));
    resumedClock = player.playSequence().paused();
  });
  ASSERT_NE(mci, nullptr);
  EXPECT_EQ(mciClass, L"MCIWndClass");
  EXPECT_FALSE(popupStyle & WS_VISIBLE);
  EXPECT_TRUE(popupStyle & WS_POPUP);
  EXPECT_EQ(popupRect.right - popupRect.left, 10);
  EXPECT_EQ(played, 0);
  EXPECT_EQ(modePlaying, MCI_MODE_PLAY);
  EXPECT_EQ(modePaused, MCI_MODE_PAUSE);
  EXPECT_TRUE(pausedClock);
  EXPECT_EQ(modeResumed, MCI_MODE_PLAY);
  EXPECT_FALSE(resumedClock);
}

// ---- a packed projector playing a picture, a movie and a picture ----


// Twelve frames at 12 per second on green, tracing its first and last frame.
Bytes GreenMovie() {
  swfasm::MovieBuilder movie(6, 160, 120, 12);
  movie.Main().Background({0, 160, 0, 255});
  swfasm::Actions first, last;
  first.Trace("first frame");
  last.Trace("last frame");
  movie.Main().Do(first).ShowFrame();
  for (int i = 1; i < 11; ++i) movie.Main().ShowFrame();
  movie.Main().Do(last).ShowFrame();
  return movie.Build();
}

format::PlaylistEntry Entry(MemoryContent& content, const std::u16string& name, Bytes bytes, float seconds) {
  format::PlaylistEntry e;
  e.sourcePath = u"C:\\author\\" + name;
  e.displayTime = seconds;
  e.movie = Embed(content, e.sourcePath, std::move(bytes));
  return e;
}

COLORREF ScreenPixel(POINT at) {
  HDC screen = ::GetDC(nullptr);
  COLORREF c = ::GetPixel(screen, at.x, at.y);
  ::ReleaseDC(nullptr, screen);
  return c;
}

// Twenty frames on grey, playing in a loop.
Bytes LoopingMovie() {
  swfasm::MovieBuilder movie(6, 200, 150, 12);
  movie.Main().Background({128, 128, 128, 255});
  for (int i = 0; i < 20; ++i) movie.Main().ShowFrame();
  return movie.Build();
}

// Always on top (603) is left out: this Wine never makes a window topmost while it owns a pop-up (the log
// window), whatever the flags; the document's switch, applied before the log exists, is tested with the window.
TEST(ContextMenuCommands, EachCommandActsOnTheMovieAndTheWindow) {
  ASSERT_TRUE(RegisterBuiltFlashControl());
  MovieDocument doc;
  AddFile(doc, L"swf", LoopingMovie(), 100);
  struct Seen {
    bool pausedStops = true, playResumes = false, loopToggles = false;
    long rewoundFrame = -1, forwardFrame = -1, backFrame = -1;
    bool rewoundStops = false, cursorCentred = false, maximised = false, restored = false, minimised = false;
    bool closed = false;
  } seen;
  RunPlayer(doc, [&](HWND hwnd, PlayerDialog& player) {
    auto command = [&](UINT id) { ::SendMessageW(hwnd, WM_COMMAND, id, 0); };
    projector::FlashPlayerHost& host = player.contentView().flashHost();
    WaitFor([&] { return player.contentView().kind() == ContentView::kFlash && host.IsPlaying(); }, 3000);
    command(607);
    seen.pausedStops = !host.IsPlaying();
    command(607);
    seen.playResumes = host.IsPlaying();
    bool loop = host.GetLoop();
    command(608);
    seen.loopToggles = host.GetLoop() != loop;
    command(608);
    command(609);
    seen.rewoundFrame = host.CurrentFrame();
    seen.rewoundStops = !host.IsPlaying();
    command(610);
    seen.forwardFrame = host.CurrentFrame();
    command(611);
    seen.backFrame = host.CurrentFrame();
    ::SetCursorPos(5, 5);
    command(604);
    RECT client;
    ::GetClientRect(hwnd, &client);
    POINT centre = {client.right / 2, client.bottom / 2}, cursor;
    ::ClientToScreen(hwnd, &centre);
    ::GetCursorPos(&cursor);
    seen.cursorCentred = cursor.x == centre.x && cursor.y == centre.y;
    command(616);
    command(612);
    seen.maximised = ::IsZoomed(hwnd) != FALSE;
    command(614);
    WaitFor([&] { return !::IsZoomed(hwnd); }, 1000);
    seen.restored = !::IsZoomed(hwnd);
    command(613);
    seen.minimised = ::IsIconic(hwnd) != FALSE;
    ::PostMessageW(hwnd, WM_COMMAND, 615, 0);
    seen.closed = WaitFor([&] { return !::IsWindow(hwnd); }, 2000);
  }, false);
  EXPECT_TRUE(seen.pausedStops);
  EXPECT_TRUE(seen.playResumes);
  EXPECT_TRUE(seen.loopToggles);
  EXPECT_EQ(seen.rewoundFrame, 0);
  EXPECT_TRUE(seen.rewoundStops);
  EXPECT_EQ(seen.forwardFrame, 1);
  EXPECT_EQ(seen.backFrame, 0);
  EXPECT_TRUE(seen.cursorCentred);
  EXPECT_TRUE(seen.maximised);
  EXPECT_TRUE(seen.restored);
  EXPECT_TRUE(seen.minimised);
  EXPECT_TRUE(seen.closed);
}

// The document holds a COLORREF: the view's brush and the movie's background must both show that colour.
TEST(DisplayModeOne, TheBackgroundColourReachesTheMovieWithRedAndBlueInPlace) {
  ASSERT_TRUE(RegisterBuiltFlashControl());
  MovieDocument doc;
  AddFile(doc, L"swf", LoopingMovie(), 100);
  const COLORREF colour = RGB(200, 30, 60);
  doc.data().window.displayMode = 1;
  doc.data().window.backgroundColor = colour;
  long given = -2;
  COLORREF shown = 0;
  RunPlayer(doc, [&](HWND hwnd, PlayerDialog& player) {
    projector::FlashPlayerHost& host = player.contentView().flashHost();
    WaitFor([&] { return player.contentView().kind() == ContentView::kFlash && host.IsPlaying(); }, 3000);
    given = host.flash().GetBackgroundColor().value_or(-2);
    ::Sleep(200);
    RECT client;
    ::GetClientRect(hwnd, &client);
    POINT centre = {client.right / 2, client.bottom / 2};
    ::ClientToScreen(hwnd, &centre);
    shown = ScreenPixel(centre);
  });
  EXPECT_EQ(given, static_cast<long>(colour));
  EXPECT_EQ(shown, colour);
}

TEST(PackedPlayList, APictureAMovieAndAPictureShowInTurnAndTheLastStays) {
  ASSERT_GT(BuiltStub().size(), 10000u) << "the projector must be built first";
  ASSERT_TRUE(RegisterBuiltFlashControl());
  ScratchFolder scratch(L"playlist");
  MemoryContent content;
  format::MovieDocumentData data;
  data.playlist.entries.push_back(Entry(content, u"red.bmp", Bitmap(160, 120, 220, 0, 0), 1.5f));
  data.playlist.entries.push_back(Entry(content, u"green.swf", GreenMovie(), 1.0f));
  data.playlist.entries.push_back(Entry(content, u"blue.bmp", Bitmap(160, 120, 0, 0, 220), 1.0f));
  data.window.title = u"Play list";
  std::wstring exe = scratch / L"PlayList.exe";
  ASSERT_TRUE(WriteFileBytes(exe, PackImage(BuiltStub(), data, content, 140, true, {})));
  std::wstring temp = scratch / L"temp";
  projector::CreateFolderPath(temp);
  std::wstring trace = scratch / L"trace.txt";
  ::SetEnvironmentVariableW(L"SWFPLAYER_TRACE", trace.c_str());

  std::vector<COLORREF> seen;
  std::vector<DWORD> when;
  int code = RunAndClose(exe, temp, 0, [&](HWND hwnd) {
    ::SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    DWORD start = ::GetTickCount();
    const wchar_t* names[] = {L"playlist-1-picture.png", L"playlist-2-movie.png", L"playlist-3-picture.png"};
    while (::GetTickCount() - start < 9000) {
      RECT client;
      ::GetClientRect(hwnd, &client);
      POINT centre = {client.right / 2, client.bottom / 2};
      ::ClientToScreen(hwnd, &centre);
      COLORREF c = ScreenPixel(centre);
      if (c == RGB(220, 0, 0) || c == RGB(0, 160, 0) || c == RGB(0, 0, 220)) {
        if (seen.empty() || seen.back() != c) {
          seen.push_back(c);
          when.push_back(::GetTickCount() - start);
          RECT window;
          ::GetWindowRect(hwnd, &window);
          if (seen.size() <= 3) CaptureArtefact(window, names[seen.size() - 1], 0, 0);
        }
        if (c == RGB(0, 0, 220) && ::GetTickCount() - start > when.back() + 2500) break;
      }
      ::Sleep(50);
    }
  });
  ::SetEnvironmentVariableW(L"SWFPLAYER_TRACE", nullptr);
  EXPECT_EQ(code, 0);
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0], RGB(220, 0, 0));
  EXPECT_EQ(seen[1], RGB(0, 160, 0));
  EXPECT_EQ(seen[2], RGB(0, 0, 220));
  // The picture's 1.5 s and the movie's twelve frames, give or take a slow machine.
  EXPECT_GE(when[2] - when[1], 700u);
  Bytes traced = ReadFileBytes(trace);
  std::string text(traced.begin(), traced.end());
  EXPECT_NE(text.find("trace: first frame"), std::string::npos) << text;
  EXPECT_NE(text.find("trace: last frame"), std::string::npos) << text;
}

}  // namespace
