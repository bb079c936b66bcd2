// The player window's frame: client rectangles of captioned, frameless, shaped and full-screen windows, the outline
// of a player that starts minimised, and the icons the window and the document hold.
#include <gtest/gtest.h>

#include <windows.h>

#include "player/player_dialog.h"
#include "shell/movie_document.h"
#include "common/text.h"
#include "player_test_support.h"
#include "test_support.h"

using namespace testing_support;
using projector::MovieDocument;
using projector::PlayerDialog;

namespace {

struct Frame {
  RECT window{};
  RECT client{};
  DWORD style = 0;
  DWORD exStyle = 0;
  bool iconic = false;
  bool hasRegion = false;
  RECT regionBox{};
};

Frame FrameOf(MovieDocument& doc) {
  Frame f;
  RunPlayer(doc, [&](HWND hwnd, PlayerDialog&) {
    ::GetWindowRect(hwnd, &f.window);
    ::GetClientRect(hwnd, &f.client);
    f.style = static_cast<DWORD>(::GetWindowLongPtrW(hwnd, GWL_STYLE));
    f.exStyle = static_cast<DWORD>(::GetWindowLongPtrW(hwnd, GWL_EXSTYLE));
    f.iconic = ::IsIconic(hwnd) != FALSE;
    HRGN region = ::CreateRectRgn(0, 0, 0, 0);
    if (::GetWindowRgn(hwnd, region) != ERROR) {
      f.hasRegion = true;
      ::GetRgnBox(region, &f.regionBox);
    }
    ::DeleteObject(region);
  });
  return f;
}

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

TEST(PlayerFrame, ACaptionedPlayerIsResizableByItsEdges) {
  MovieDocument doc;
  AddPicture(doc, 240, 160);
  Frame f = FrameOf(doc);
  EXPECT_TRUE(f.style & WS_CAPTION);
  EXPECT_TRUE(f.style & WS_THICKFRAME);
  EXPECT_EQ(f.client.right, 240);
  EXPECT_EQ(f.client.bottom, 160);
}

TEST(PlayerFrame, FramelessAndShapedWindowsAreAllClient) {
  {
    MovieDocument doc;
    AddPicture(doc, 100, 100);
    doc.data().size.sizeMode = 1;
    doc.data().size.fixedWidth = 300;
    doc.data().size.fixedHeight = 150;
    doc.data().window.captionStyle = 0;
    Frame f = FrameOf(doc);
    EXPECT_EQ(Width(f.window), 300);
    EXPECT_EQ(Height(f.window), 150);
    EXPECT_EQ(f.client.right, 300);
    EXPECT_EQ(f.client.bottom, 150);
    EXPECT_FALSE(f.style & (WS_CAPTION | WS_THICKFRAME));
    EXPECT_FALSE(f.exStyle & (WS_EX_DLGMODALFRAME | WS_EX_CLIENTEDGE));
  }
  for (uint32_t shape : {1u, 4u}) {
    MovieDocument doc;
    AddPicture(doc, 201, 101);
    doc.data().window.shapeKind = 1;
    doc.data().window.shapeIndex = shape;
    Frame f = FrameOf(doc);
    EXPECT_EQ(Width(f.window), 201) << shape;
    EXPECT_EQ(f.client.right, 201) << shape;
    EXPECT_EQ(f.client.bottom, 101) << shape;
  }
}

TEST(PlayerFrame, FullScreenSizeModeCoversTheScreenWithItsClientArea) {
  for (uint32_t caption : {1u, 0u}) {
    MovieDocument doc;
    AddPicture(doc, 100, 100);
    doc.data().size.sizeMode = 3;
    doc.data().window.captionStyle = caption;
    Frame f = FrameOf(doc);
    const int cx = ::GetSystemMetrics(SM_CXSCREEN), cy = ::GetSystemMetrics(SM_CYSCREEN);
    EXPECT_EQ(f.window.left, -1) << caption;
    EXPECT_EQ(f.window.top, -1) << caption;
    EXPECT_EQ(f.client.right, cx + 2) << caption;
    EXPECT_EQ(f.client.bottom, cy + 2) << caption;
  }
}

TEST(PlayerFrame, APlayerThatStartsMinimisedIsOutlinedAtItsRestoredSize) {
  Frame shown, minimised;
  for (uint32_t state : {0u, 2u}) {
    MovieDocument doc;
    AddPicture(doc, 201, 101);
    doc.data().window.shapeKind = 1;
    doc.data().window.shapeIndex = 1;
    doc.data().size.initialState = state;
    (state == 0 ? shown : minimised) = FrameOf(doc);
  }
  EXPECT_FALSE(shown.iconic);
  EXPECT_TRUE(minimised.iconic);
  ASSERT_TRUE(shown.hasRegion);
  ASSERT_TRUE(minimised.hasRegion);
  EXPECT_GE(shown.regionBox.right, 200);
  EXPECT_GE(shown.regionBox.bottom, 100);
  EXPECT_TRUE(::EqualRect(&minimised.regionBox, &shown.regionBox));
}

TEST(PlayerFrame, SizesBeyondTheSystemsTrackingLimitsAreKeptExactly) {
  {
    MovieDocument doc;
    AddPicture(doc, 40, 30);
    Frame f = FrameOf(doc);
    EXPECT_EQ(f.client.right, 40);
    EXPECT_EQ(f.client.bottom, 30);
  }
  {
    RECT work;
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    MovieDocument doc;
    AddPicture(doc, 100, 100);
    doc.data().size.sizeMode = 2;
    doc.data().size.percentage = 120;
    Frame f = FrameOf(doc);
    EXPECT_EQ(Width(f.window), (Width(work) * 120 + 50) / 100);
    EXPECT_EQ(Height(f.window), (Height(work) * 120 + 50) / 100);
  }
}

// The document's icon is loaded and kept with its settings; the window shows the projector's own icon.
TEST(PlayerFrame, TheWindowShowsTheProjectorsIconWhileTheDocumentKeepsItsOwn) {
  MovieDocument doc;
  AddPicture(doc, 120, 90);
  doc.data().window.icon.sourcePath = u"C:\\author\\show.ico";
  doc.data().window.icon.path = projector::ToU16(BuildTreePath(L"projector\\projector.ico"));
  doc.data().window.icon.extracted = true;
  doc.LoadResources();
  ASSERT_NE(doc.icon(), nullptr);
  ICONINFO info{};
  ASSERT_TRUE(::GetIconInfo(doc.icon(), &info));
  BITMAP mask{};
  ::GetObjectW(info.hbmMask, sizeof(mask), &mask);
  EXPECT_EQ(mask.bmWidth, 16);
  if (info.hbmColor) ::DeleteObject(info.hbmColor);
  ::DeleteObject(info.hbmMask);

  HICON shown = nullptr;
  RunPlayer(doc, [&](HWND hwnd, PlayerDialog&) {
    shown = reinterpret_cast<HICON>(::SendMessageW(hwnd, WM_GETICON, ICON_BIG, 0));
  });
  EXPECT_EQ(shown, ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(128)));
  EXPECT_NE(shown, doc.icon());
}

}  // namespace
