// The stand-in Shockwave Flash control in a container, under Wine: its variables, drawing, input, view object,
// type information and trace file. The player's Flash host is the container; the fixture registers the control.
#include <gtest/gtest.h>

#define ASSERT_SUCCEEDED(expr) ASSERT_TRUE(SUCCEEDED(expr))

#include <windows.h>

#include <string>

#include "flash_host_fixture.h"
#include "framework/app.h"
#include "framework/occ.h"
#include "player/flash_player_host.h"
#include "swfplayer/asm/movie_builder.h"
#include "test_support.h"

using namespace projector;
using namespace testing_support;

namespace {

class FlashControl : public FlashHost {};

TEST_F(FlashControl, SetVariableThenGetVariable) {
  ASSERT_TRUE(CreateAt(RECT{0, 0, 100, 100}));
  ASSERT_TRUE(host_.LoadMovie(Write(L"v.swf", SquareMovie(false, swfasm::Actions().Set("start", "yes").Stop()))));
  EXPECT_EQ(host_.flash().GetVariable(L"start").value_or(L"?"), L"yes");
  EXPECT_TRUE(host_.flash().SetVariable(L"fscmd_ret", L"H\u00e9llo"));
  EXPECT_EQ(host_.flash().GetVariable(L"fscmd_ret").value_or(L"?"), L"H\u00e9llo");
  EXPECT_EQ(host_.flash().GetVariable(L"nothing").value_or(L"?"), L"");
  // The main timeline is as wide as what it shows: the 50-pixel square.
  EXPECT_EQ(host_.flash().TGetProperty(L"/", 8).value_or(L""), L"50");
}

TEST_F(FlashControl, ShowsTheMovieAtKnownPixels) {
  ASSERT_TRUE(CreateAt(RECT{0, 0, 200, 200}));
  ASSERT_TRUE(host_.LoadMovie(Write(L"shot.swf", SquareMovie(false))));
  ::SetWindowPos(window_.m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
  Pump(300);
  ::RedrawWindow(host_.flash().m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  HDC dc = ::GetDC(host_.flash().m_hWnd);
  COLORREF centre = ::GetPixel(dc, 100, 100);
  COLORREF corner = ::GetPixel(dc, 10, 10);
  COLORREF edge = ::GetPixel(dc, 45, 100);
  ::ReleaseDC(host_.flash().m_hWnd, dc);
  // Show all doubles the 100 x 100 stage: the square covers 50..150.
  EXPECT_EQ(centre, RGB(255, 0, 0));
  EXPECT_EQ(corner, RGB(0, 0, 255));
  EXPECT_EQ(edge, RGB(0, 0, 255));
  SetAllowScale(false);
  Pump(50);
  ::RedrawWindow(host_.flash().m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  dc = ::GetDC(host_.flash().m_hWnd);
  // Natural size, centred: the stage spans 50..150 and the square 75..125.
  EXPECT_EQ(::GetPixel(dc, 100, 100), RGB(255, 0, 0));
  EXPECT_EQ(::GetPixel(dc, 60, 100), RGB(0, 0, 255));
  ::ReleaseDC(host_.flash().m_hWnd, dc);
}

TEST_F(FlashControl, MouseInputReachesButtonsAndTheMousePosition) {
  swfasm::MovieBuilder movie(6, 100, 100, 12);
  uint16_t square = movie.Rectangle(0, 0, 40, 40, {255, 0, 0, 255});
  swfasm::Actions pressed;
  pressed.Set("clicked", "yes");
  uint16_t button = movie.DefineButton1({{0x0F, square}}, pressed);
  movie.Main().Place(button, 1).Do(swfasm::Actions().Stop()).ShowFrame();
  ASSERT_TRUE(CreateAt(RECT{0, 0, 200, 200}));
  ASSERT_TRUE(host_.LoadMovie(Write(L"button.swf", movie.Build())));
  HWND control = host_.flash().m_hWnd;
  ::SendMessageW(control, WM_MOUSEMOVE, 0, MAKELPARAM(100, 60));
  POINT mouse = host_.GetMovieMouse();
  EXPECT_EQ(mouse.x, 50);
  EXPECT_EQ(mouse.y, 30);
  EXPECT_EQ(host_.flash().GetVariable(L"clicked").value_or(L"?"), L"");
  ::SendMessageW(control, WM_MOUSEMOVE, 0, MAKELPARAM(20, 20));
  ::SendMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
  ::SendMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(20, 20));
  EXPECT_EQ(host_.flash().GetVariable(L"clicked").value_or(L"?"), L"yes");
}

TEST_F(FlashControl, KeysReachTheMoviesKeyListenersWithTheirCodeAndCharacter) {
  using swfasm::Action;
  swfasm::MovieBuilder movie(6, 100, 100, 12);
  swfasm::Actions onKey;
  onKey.Push({"code", 0, "Key"}).Op(Action::GetVariable).Push({"getCode"}).Op(Action::CallMethod)
      .Op(Action::SetVariable);
  onKey.Push({"ascii", 0, "Key"}).Op(Action::GetVariable).Push({"getAscii"}).Op(Action::CallMethod)
      .Op(Action::SetVariable);
  swfasm::Actions a;
  a.Push({"l", 0}).Op(Action::InitObject).Op(Action::SetVariable);
  a.Push({"l"}).Op(Action::GetVariable).Push({"onKeyDown"}).DefineFunction("", {}, onKey).Op(Action::SetMember);
  a.Push({"l"}).Op(Action::GetVariable).Push({1, "Key"}).Op(Action::GetVariable).Push({"addListener"})
      .Op(Action::CallMethod).Op(Action::Pop);
  movie.Main().Do(a.Stop()).ShowFrame();
  ASSERT_TRUE(CreateAt(RECT{0, 0, 100, 100}));
  ASSERT_TRUE(host_.LoadMovie(Write(L"keys.swf", movie.Build())));
  HWND control = host_.flash().m_hWnd;
  EXPECT_EQ(::SendMessageW(control, WM_GETDLGCODE, 0, 0), DLGC_WANTARROWS | DLGC_WANTCHARS);
  ::SendMessageW(control, WM_KEYDOWN, 'A', (0x1E << 16) | 1);
  EXPECT_EQ(host_.flash().GetVariable(L"code").value_or(L"?"), L"65");
  EXPECT_EQ(host_.flash().GetVariable(L"ascii").value_or(L"?"), L"97");
  ::SendMessageW(control, WM_KEYDOWN, VK_LEFT, (0x4B << 16) | 1);
  EXPECT_EQ(host_.flash().GetVariable(L"code").value_or(L"?"), L"37");
  EXPECT_EQ(host_.flash().GetVariable(L"ascii").value_or(L"?"), L"0");
}

TEST_F(FlashControl, ZoomRectangleShowsPartOfTheStage) {
  ASSERT_TRUE(CreateAt(RECT{0, 0, 200, 200}));
  ASSERT_TRUE(host_.LoadMovie(Write(L"zoom.swf", SquareMovie(false))));
  // The top-left quarter of the stage fills the window: the square's corner (25, 25) lands at (100, 100).
  host_.SetZoomRect(0, 0, 50, 50);
  ::SetWindowPos(window_.m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
  Pump(100);
  ::RedrawWindow(host_.flash().m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  HDC dc = ::GetDC(host_.flash().m_hWnd);
  EXPECT_EQ(::GetPixel(dc, 90, 90), RGB(0, 0, 255));
  EXPECT_EQ(::GetPixel(dc, 110, 110), RGB(255, 0, 0));
  ::ReleaseDC(host_.flash().m_hWnd, dc);
  host_.SetQuality(0);
  EXPECT_EQ(host_.flash().TGetProperty(L"/", 16).value_or(L"?"), L"2");
}

TEST_F(FlashControl, BitmapFillsAndDeviceFontTextsAreDrawn) {
  swfasm::MovieBuilder movie(6, 100, 100, 12);
  movie.Main().Background({255, 255, 255, 255});
  // A 2 x 2 bitmap, green on the left and yellow on the right, stretched over a 40 x 40 square.
  uint16_t bitmap = movie.DefineBitmap(2, 2, {0xFF00FF00, 0xFFFFFF00, 0xFF00FF00, 0xFFFFFF00});
  swfasm::Shape square;
  square.BitmapFill(bitmap, swfasm::Transform::Scale(20, 20), false).Rect(0, 0, 40, 40);
  uint16_t shape = movie.DefineShape(square);
  swfasm::EditTextSpec text;
  text.x = 0;
  text.y = 60;
  text.width = 100;
  text.height = 30;
  text.text = "WWWWWWWW";
  text.fontSize = 20;
  uint16_t field = movie.DefineEditText(text);
  movie.Main().Place(shape, 1).Place(field, 2).Do(swfasm::Actions().Stop()).ShowFrame();
  ASSERT_TRUE(CreateAt(RECT{0, 0, 100, 100}));
  ASSERT_TRUE(host_.LoadMovie(Write(L"bitmap.swf", movie.Build())));
  ::SetWindowPos(window_.m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
  Pump(100);
  ::RedrawWindow(host_.flash().m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  HDC dc = ::GetDC(host_.flash().m_hWnd);
  EXPECT_EQ(::GetPixel(dc, 10, 20), RGB(0, 255, 0));
  EXPECT_EQ(::GetPixel(dc, 30, 20), RGB(255, 255, 0));
  int dark = 0;
  for (int y = 60; y < 90; ++y)
    for (int x = 0; x < 100; ++x)
      if (GetRValue(::GetPixel(dc, x, y)) < 128) ++dark;
  ::ReleaseDC(host_.flash().m_hWnd, dc);
  EXPECT_GT(dark, 20) << "the text field drew nothing";
}

TEST_F(FlashControl, TheViewObjectDrawsIntoAnyDeviceContext) {
  ASSERT_TRUE(CreateAt(RECT{0, 0, 100, 100}));
  ASSERT_TRUE(host_.LoadMovie(Write(L"view.swf", SquareMovie(false))));
  framework::ComPtr<IViewObject> view;
  ASSERT_SUCCEEDED(view.QueryFrom(host_.flash().GetControlSite()->m_pObject.get(), IID_IViewObject));
  HDC screen = ::GetDC(nullptr);
  HDC memory = ::CreateCompatibleDC(screen);
  HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 60, 60);
  ::ReleaseDC(nullptr, screen);
  HGDIOBJ old = ::SelectObject(memory, bitmap);
  RECTL bounds{10, 10, 60, 60};
  ASSERT_SUCCEEDED(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, memory, &bounds, nullptr, nullptr, 0));
  // The 50 x 50 bounds show the 100 x 100 stage at half size: the square covers 22..47.
  EXPECT_EQ(::GetPixel(memory, 35, 35), RGB(255, 0, 0));
  EXPECT_EQ(::GetPixel(memory, 15, 15), RGB(0, 0, 255));
  ::SelectObject(memory, old);
  ::DeleteObject(bitmap);
  ::DeleteDC(memory);
}

TEST_F(FlashControl, MasksClipWhatLiesAboveThem) {
  swfasm::MovieBuilder movie(6, 100, 100, 12);
  movie.Main().Background({0, 0, 255, 255});
  uint16_t leftHalf = movie.Rectangle(0, 0, 50, 100, {0, 255, 0, 255});
  uint16_t full = movie.Rectangle(0, 0, 100, 100, {255, 0, 0, 255});
  movie.Main().PlaceMask(leftHalf, 1, 2).Place(full, 2).Do(swfasm::Actions().Stop()).ShowFrame();
  ASSERT_TRUE(CreateAt(RECT{0, 0, 200, 200}));
  ASSERT_TRUE(host_.LoadMovie(Write(L"mask.swf", movie.Build())));
  ::SetWindowPos(window_.m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
  Pump(200);
  ::RedrawWindow(host_.flash().m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  HDC dc = ::GetDC(host_.flash().m_hWnd);
  EXPECT_EQ(::GetPixel(dc, 50, 100), RGB(255, 0, 0));
  EXPECT_EQ(::GetPixel(dc, 150, 100), RGB(0, 0, 255));
  ::ReleaseDC(host_.flash().m_hWnd, dc);
}

TEST_F(FlashControl, TheDispatchInterfaceNamesItsMembers) {
  ASSERT_TRUE(CreateAt(RECT{0, 0, 100, 100}));
  IDispatch* dispatch = host_.flash().GetControlSite()->m_pDispatch.get();
  ASSERT_NE(dispatch, nullptr);
  const wchar_t* names[] = {L"Movie", L"TGetProperty", L"FlashVersion", L"SetVariable"};
  const DISPID expected[] = {102, 154, 132, 151};
  for (size_t i = 0; i < 4; ++i) {
    LPOLESTR name = const_cast<LPOLESTR>(names[i]);
    DISPID id = 0;
    ASSERT_SUCCEEDED(dispatch->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id)) << names[i];
    EXPECT_EQ(id, expected[i]) << names[i];
  }
  EXPECT_FALSE(IsEqualIID(host_.flash().GetControlSite()->m_iidEvents, IID_NULL));
  framework::Variant result;
  EXPECT_EQ(host_.flash().InvokeHelper(9999, DISPATCH_METHOD, &result), DISP_E_MEMBERNOTFOUND);
}

TEST_F(FlashControl, TraceFileGetsTraceFSCommandAndSetVariableLines) {
  std::wstring trace = scratch_ / L"trace.txt";
  ::SetEnvironmentVariableW(L"SWFPLAYER_TRACE", trace.c_str());
  ASSERT_TRUE(CreateAt(RECT{0, 0, 100, 100}));
  ::SetEnvironmentVariableW(L"SWFPLAYER_TRACE", nullptr);
  swfasm::Actions script;
  script.Trace("frame one").GetUrl("FSCommand:exec", "notepad.exe|x").Stop();
  ASSERT_TRUE(host_.LoadMovie(Write(L"trace.swf", SquareMovie(false, script))));
  host_.flash().SetVariable(L"fscmd_ret", L"1");
  Bytes text = ReadFileBytes(trace);
  EXPECT_EQ(std::string(text.begin(), text.end()),
            "trace: frame one\nfscommand: exec|notepad.exe|x\nsetvariable: fscmd_ret=1\n");
}

}  // namespace

// The application object the host consults for the main window.
framework::CWinApp g_testApp;
