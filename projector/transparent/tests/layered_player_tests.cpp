// The layered player's view inside a real layered popup: rendering with per-pixel alpha on both paths, the
// mouse modes and dragging, the events, and the host falling back to its window when the popup cannot be made.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "framework/app.h"
#include "fscommand/fscommand_bridge.h"
#include "probe_control.h"
#include "transparent/occ_manager_ex.h"
#include "transparent/transp_frame_wnd.h"

namespace projector {
namespace {

// What the last layered update was given: the size and the pixels of the bitmap in its source DC.
struct Captured {
  int calls = 0;
  SIZE size{0, 0};
  POINT destination{0, 0};
  DWORD flags = 0;
  BLENDFUNCTION blend{};
  std::vector<uint32_t> pixels;  // top-down rows
  uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * size.cx + x]; }
};
Captured g_captured;

BOOL WINAPI CaptureUpdate(HWND, HDC, POINT* destination, SIZE* size, HDC source, POINT*, COLORREF,
                          BLENDFUNCTION* blend, DWORD flags) {
  ++g_captured.calls;
  g_captured.size = *size;
  g_captured.destination = *destination;
  g_captured.flags = flags;
  g_captured.blend = *blend;
  HBITMAP bitmap = static_cast<HBITMAP>(::GetCurrentObject(source, OBJ_BITMAP));
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = size->cx;
  info.bmiHeader.biHeight = -size->cy;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  g_captured.pixels.assign(static_cast<size_t>(size->cx) * size->cy, 0xDEADBEEF);
  return ::GetDIBits(source, bitmap, 0, size->cy, g_captured.pixels.data(), &info, DIB_RGB_COLORS) == size->cy;
}

// Records what the view tells the player window.
class RecordingListener : public DragListener {
 public:
  void OnDragNotify(DragNotify* notify) override {
    kinds.push_back(notify->kind);
    if (notify->kind == DragNotify::kQueryModes) {
      frame = notify->frame;
      notify->leftMode = leftMode;
      notify->rightMode = rightMode;
    }
    if (notify->kind == DragNotify::kMoved) rect = notify->rect;
  }
  int leftMode = 0;
  int rightMode = 0;
  std::vector<int> kinds;
  framework::CWnd* frame = nullptr;
  RECT rect{};
};

// Hears every command the view passes on.
class RecordingCommands : public BuiltInCommandHandler {
 public:
  bool HandleBuiltIn(const CommandSource& source, const std::wstring& command, const std::wstring& args) override {
    seen.push_back(command + L"(" + args + L")" + (source.transparent ? L" transparent" : L""));
    return true;
  }
  std::vector<std::wstring> seen;
};


// A layered popup with its view and, when asked, the probe control windowless in part of it; the layered update
// is captured instead of shown.
class LayeredView : public ::testing::Test {
 protected:
  void SetUp() override {
    framework::AfxEnableControlContainer(&manager_);
    ASSERT_TRUE(framework::AfxOleInit());
    registration_ = std::make_unique<probe::Registration>();
    ASSERT_TRUE(registration_->ok());
    g_captured = Captured{};
    popup_ = std::make_unique<TranspFrameWnd>();
    ASSERT_TRUE(popup_->CreateEx(WS_EX_LAYERED, nullptr, L"", WS_POPUP | WS_VISIBLE, RECT{100, 120, 160, 160},
                                 nullptr, nullptr));
    popup_->view = std::make_unique<FlashCView>();
    ASSERT_TRUE(view().CreateView(popup_.get()));
    view().frame = popup_.get();
    view().updateLayeredWindow = &CaptureUpdate;
  }
  void TearDown() override {
    if (::GetCapture()) ::ReleaseCapture();
    popup_.reset();
    registration_.reset();
    framework::AfxEnableControlContainer(nullptr);
  }
  FlashCView& view() { return *popup_->view; }
  void AddProbe(const RECT& area, COLORREF colour) {
    probe::Options options;
    options.colour = colour;
    probe::SetNextOptions(options);
    ASSERT_TRUE(view().m_ctrl.CreateControl(probe::kClsid, nullptr, WS_VISIBLE, area, &view(), 0));
    ASSERT_EQ(view().m_ctrl.m_hWnd, nullptr);
    view().control = &view().m_ctrl;
  }
  BOOL Send(UINT message, WPARAM buttons) {
    MSG msg{view().m_hWnd, message, buttons, 0, 0, {0, 0}};
    return view().PreTranslateMessage(&msg);
  }
  RECT PopupRect() {
    RECT r;
    ::GetWindowRect(popup_->m_hWnd, &r);
    return r;
  }

  COccManagerEx manager_;
  std::unique_ptr<probe::Registration> registration_;
  std::unique_ptr<TranspFrameWnd> popup_;
};

TEST_F(LayeredView, ThirtyTwoBitPathShowsWhatTheControlDrewOpaqueAndTheRestClear) {
  AddProbe(RECT{10, 5, 30, 25}, RGB(0x20, 0xC0, 0x40));
  view().renderer.OnDisplayChange(true);
  view().OnDraw();
  ASSERT_EQ(g_captured.calls, 1);
  EXPECT_EQ(g_captured.size.cx, 60);
  EXPECT_EQ(g_captured.size.cy, 40);
  EXPECT_EQ(g_captured.destination.x, 100);
  EXPECT_EQ(g_captured.destination.y, 120);
  EXPECT_EQ(g_captured.flags, static_cast<DWORD>(ULW_ALPHA));
  EXPECT_EQ(g_captured.blend.AlphaFormat, AC_SRC_ALPHA);
  EXPECT_EQ(g_captured.blend.SourceConstantAlpha, 255);
  EXPECT_EQ(g_captured.At(0, 0), 0x00000000u);
  EXPECT_EQ(g_captured.At(59, 39), 0x00000000u);
  EXPECT_EQ(g_captured.At(10, 5), 0xFF20C040u);
  EXPECT_EQ(g_captured.At(29, 24), 0xFF20C040u);
  EXPECT_EQ(g_captured.At(30, 24), 0x00000000u);
}

TEST_F(LayeredView, PairPathDerivesTheSameAlphaFromTheWhiteAndBlackRenders) {
  AddProbe(RECT{10, 5, 30, 25}, RGB(0x20, 0xC0, 0x40));
  view().renderer.OnDisplayChange(false);
  view().OnDraw();
  ASSERT_EQ(g_captured.calls, 1);
  EXPECT_EQ(g_captured.At(0, 0), 0x00000000u);
  EXPECT_EQ(g_captured.At(10, 5), 0xFF20C040u);
  EXPECT_EQ(g_captured.At(29, 24), 0xFF20C040u);
  EXPECT_EQ(g_captured.At(45, 30), 0x00000000u);
}

TEST_F(LayeredView, ResizedPopupIsRenderedWholeOnBothPaths) {
  AddProbe(RECT{0, 0, 60, 40}, RGB(0xFF, 0, 0));
  for (bool depthIs32 : {true, false}) {
    SCOPED_TRACE(depthIs32 ? "32-bit" : "16/24-bit");
    view().renderer.OnDisplayChange(depthIs32);
    ::MoveWindow(popup_->m_hWnd, 100, 120, 60, 40, FALSE);
    view().OnDraw();
    ASSERT_EQ(g_captured.size.cx, 60);
    // The buffers and sections made for 60 x 40 would be too small for this frame and too big for the next.
    ::MoveWindow(popup_->m_hWnd, 100, 120, 90, 70, FALSE);
    view().OnDraw();
    ASSERT_EQ(g_captured.size.cx, 90);
    ASSERT_EQ(g_captured.size.cy, 70);
    EXPECT_EQ(g_captured.At(59, 39), 0xFFFF0000u);
    EXPECT_EQ(g_captured.At(89, 69), 0x00000000u);
    EXPECT_EQ(view().renderer.buffers().geometry().width, 90);
    ::MoveWindow(popup_->m_hWnd, 100, 120, 20, 10, FALSE);
    view().OnDraw();
    ASSERT_EQ(g_captured.size.cx, 20);
    EXPECT_EQ(g_captured.At(19, 9), 0xFFFF0000u);
    EXPECT_EQ(view().renderer.buffers().geometry().height, 10);
  }
}

TEST_F(LayeredView, NothingIsRenderedWithoutAControlOrTheLayeredUpdate) {
  view().OnDraw();
  EXPECT_EQ(g_captured.calls, 0);
  AddProbe(RECT{0, 0, 10, 10}, RGB(1, 2, 3));
  view().updateLayeredWindow = nullptr;
  view().OnDraw();
  EXPECT_EQ(g_captured.calls, 0);
}

TEST_F(LayeredView, ColourChangeRecomputesThePath) {
  view().renderer.OnDisplayChange(false);
  ::SendMessageW(popup_->m_hWnd, WM_SYSCOLORCHANGE, 0, 0);
  EXPECT_EQ(view().renderer.depthIs32(), DisplayColourDepth() == 32);
}

TEST_F(LayeredView, ModesAreAskedOnceAndNothingIsWithheldBeforeThereIsAListener) {
  EXPECT_FALSE(Send(WM_LBUTTONDOWN, MK_LBUTTON));
  RecordingListener listener;
  listener.leftMode = 1;
  view().SetDragListener(&listener);
  EXPECT_TRUE(Send(WM_LBUTTONDOWN, MK_LBUTTON));
  EXPECT_TRUE(Send(WM_LBUTTONDBLCLK, MK_LBUTTON));
  ASSERT_EQ(listener.kinds, std::vector<int>{DragNotify::kQueryModes});
  EXPECT_EQ(listener.frame, popup_.get());
  EXPECT_TRUE(view().listenerQueried);
}

TEST_F(LayeredView, DraggingMovesThePopupReportsEachStepAndReleasesTheCapture) {
  RecordingListener listener;
  listener.leftMode = 1;
  view().SetDragListener(&listener);
  ::SetCursorPos(130, 140);
  RECT start = PopupRect();
  EXPECT_TRUE(Send(WM_MOUSEMOVE, MK_LBUTTON));
  EXPECT_TRUE(view().captured);
  EXPECT_EQ(::GetCapture(), view().m_hWnd);
  ::SetCursorPos(150, 145);
  EXPECT_TRUE(Send(WM_MOUSEMOVE, MK_LBUTTON));
  RECT moved = PopupRect();
  EXPECT_EQ(moved.left - start.left, 20);
  EXPECT_EQ(moved.top - start.top, 5);
  EXPECT_EQ(moved.right - moved.left, 60);
  ASSERT_EQ(listener.kinds.back(), DragNotify::kMoved);
  EXPECT_EQ(listener.rect.left, moved.left);
  EXPECT_EQ(listener.rect.bottom, moved.bottom);
  // Buttons up: the capture goes and the next drag takes a new offset.
  EXPECT_TRUE(Send(WM_MOUSEMOVE, 0));
  EXPECT_FALSE(view().captured);
  EXPECT_EQ(view().dragOffset.x, kUnsetOffset);
  EXPECT_NE(::GetCapture(), view().m_hWnd);
  EXPECT_FALSE(Send(WM_MOUSEMOVE, 0));
}

TEST_F(LayeredView, RightButtonModes) {
  RecordingListener listener;
  listener.rightMode = 3;
  view().SetDragListener(&listener);
  EXPECT_TRUE(Send(WM_RBUTTONDOWN, MK_RBUTTON));
  EXPECT_EQ(listener.kinds.back(), DragNotify::kContextMenu);
  EXPECT_TRUE(Send(WM_RBUTTONUP, 0));
  // Mode 0: the press never reaches the movie, the release does; a right drag does not move the popup.
  view().listenerQueried = false;
  listener.rightMode = 0;
  EXPECT_TRUE(Send(WM_RBUTTONDOWN, MK_RBUTTON));
  EXPECT_FALSE(Send(WM_RBUTTONUP, 0));
  RECT before = PopupRect();
  EXPECT_FALSE(Send(WM_MOUSEMOVE, MK_RBUTTON));
  EXPECT_EQ(PopupRect().left, before.left);
  // Mode 4 swallows moves with the right button held.
  view().listenerQueried = false;
  listener.rightMode = 4;
  EXPECT_TRUE(Send(WM_MOUSEMOVE, MK_RBUTTON));
  EXPECT_FALSE(view().captured);
}

TEST_F(LayeredView, LeftModeZeroWithholdsOnlyOverTheDragArea) {
  FSCommandBridge bridge;
  DragRegion& area = bridge.dragRegion();
  area.SetMovieSize(60, 40);
  area.SetViewSize(60, 40);
  area.AddRect(0, 0, 30, 40);
  view().SetBridge(&bridge);
  RecordingListener listener;
  view().SetDragListener(&listener);
  ::SetCursorPos(145, 140);  // right half of the popup: outside the area
  EXPECT_FALSE(Send(WM_LBUTTONDOWN, MK_LBUTTON));
  EXPECT_FALSE(Send(WM_MOUSEMOVE, MK_LBUTTON));
  EXPECT_FALSE(view().captured);
  ::SetCursorPos(110, 140);  // left half: inside
  EXPECT_TRUE(Send(WM_LBUTTONDOWN, MK_LBUTTON));
  EXPECT_TRUE(Send(WM_MOUSEMOVE, MK_LBUTTON));
  EXPECT_TRUE(view().captured);
  // Once dragging, leaving the area does not stop it.
  ::SetCursorPos(250, 300);
  EXPECT_TRUE(Send(WM_MOUSEMOVE, MK_LBUTTON));
  EXPECT_EQ(PopupRect().left, 240);
  EXPECT_TRUE(Send(WM_MOUSEMOVE, 0));
  EXPECT_FALSE(view().captured);
}

TEST_F(LayeredView, FirstCommandOfTheProcessIsPrecededByTheWindowHandle) {
  FSCommandBridge bridge;
  RecordingCommands commands;
  bridge.SetBuiltIns(&commands);
  view().SetBridge(&bridge);
  FlashCView::SendWindowHandle() = true;
  view().OnFSCommand(L"Hello", L"a");
  view().OnFSCommand(L"Again", L"");
  framework::CWinApp* app = framework::AfxGetApp();
  HWND main = app && app->m_pMainWnd ? app->m_pMainWnd->m_hWnd : nullptr;
  std::wstring handle = std::to_wstring(static_cast<int>(reinterpret_cast<INT_PTR>(main)));
  EXPECT_EQ(commands.seen, (std::vector<std::wstring>{L"WindowSetHandle(" + handle + L") transparent",
                                                      L"Hello(a) transparent", L"Again() transparent"}));
}

TEST_F(LayeredView, OnlyReadyStateFourMarksTheMovieLoaded) {
  view().OnReadyStateChange(3);
  EXPECT_FALSE(popup_->IsLoaded());
  view().OnReadyStateChange(4);
  EXPECT_TRUE(popup_->IsLoaded());
  view().OnReadyStateChange(3);
  EXPECT_TRUE(popup_->IsLoaded());
  popup_->ResetLoaded();
  EXPECT_FALSE(popup_->IsLoaded());
}

TEST_F(LayeredView, ControlThatMakesAWindowIsRefused) {
  probe::Options options;
  options.windowless = false;
  probe::SetNextOptions(options);
  ASSERT_TRUE(view().m_ctrl.CreateControl(probe::kClsid, nullptr, WS_VISIBLE, RECT{0, 0, 60, 40}, &view(), 0));
  ASSERT_NE(view().m_ctrl.m_hWnd, nullptr);
  // The control already exists with a window: the view will not render it.
  EXPECT_FALSE(view().InitTransparency(popup_.get(), RECT{100, 120, 160, 160}));
  EXPECT_EQ(popup_->GetControl(), nullptr);
}

}  // namespace
}  // namespace projector
