#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shlwapi.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "fscommand/fscommand_log.h"
#include "player/about_dialog.h"
#include "player/hyperlink_label.h"
#include "player/player_context_menu.h"
#include "player/player_dialog.h"
#include "shell/movie_document.h"
#include "shell/projector_app.h"
#include "common/text.h"
#include "common/unique_name.h"
#include "class_registrations.h"
#include "player_test_support.h"
#include "test_support.h"

using namespace testing_support;
using projector::AboutDialog;
using projector::HyperlinkLabel;

namespace {

class TestApp : public projector::ProjectorApp {
 public:
  TestApp() { SetRegistryKey(L"Vantra Software Tests\\BrindleworkProjector"); }
  ~TestApp() override { ::SHDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Vantra Software Tests"); }
};
TestApp theApp;

struct CommonControls {
  CommonControls() { ::InitCommonControls(); }
} g_commonControls;

std::wstring TextOf(HWND hwnd) {
  wchar_t text[512] = {};
  ::GetWindowTextW(hwnd, text, 512);
  return text;
}

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// A grey 24-bit BMP of the given size.
Bytes Bitmap(int w, int h) { return testing_support::Bitmap(w, h, 0x80, 0x80, 0x80); }

// Runs a dialog modally; the inspector runs on another thread once it shows, then the dialog is closed.
void RunModal(framework::CDialog& dialog, const std::function<void(HWND)>& inspect) {
  std::atomic<bool> done{false};
  std::thread inspector([&] {
    HWND hwnd = nullptr;
    for (int i = 0; i < 500 && !done; ++i) {
      hwnd = dialog.m_hWnd;
      if (hwnd && ::IsWindowVisible(hwnd)) break;
      ::Sleep(10);
    }
    if (!hwnd || done) return;
    inspect(hwnd);
    if (!done) ::PostMessageW(hwnd, WM_COMMAND, IDOK, 0);
  });
  dialog.DoModal();
  done = true;
  inspector.join();
}

TEST(AboutBox, SettersTrimAndPrefixTheMailAddress) {
  AboutDialog about(nullptr);
  about.SetProductName(L"  Show \t", L" 2.1 \r\n");
  about.SetNotice(L" (c) Someone  ");
  about.SetWebLink(L"  Our site ", L"  http://example.org  ");
  about.SetMailLink(L" Write ", L" info@example.org ");
  EXPECT_EQ(about.productName(), L"  Show");
  EXPECT_EQ(about.version(), L" 2.1");
  EXPECT_EQ(about.notice(), L" (c) Someone");
  EXPECT_EQ(about.webLabel(), L"Our site");
  EXPECT_EQ(about.webAddress(), L"http://example.org");
  EXPECT_EQ(about.mailLabel(), L"Write");
  EXPECT_EQ(about.mailAddress(), L"mailto:info@example.org");
  about.SetMailLink(L"", L"mailto:info@example.org");
  EXPECT_EQ(about.mailAddress(), L"mailto:info@example.org");
  about.SetMailLink(L"", L"  ");
  EXPECT_EQ(about.mailAddress(), L"");
}

TEST(AboutBox, ShowsCaptionLinesLinksAndPicture) {
  ScratchFolder folder(L"about-picture");
  ASSERT_TRUE(WriteFileBytes(folder / L"p.bmp", Bitmap(40, 30)));
  HBITMAP picture = static_cast<HBITMAP>(
      ::LoadImageW(nullptr, (folder / L"p.bmp").c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
  ASSERT_TRUE(picture);
  AboutDialog about(nullptr);
  about.SetProductName(L"Show", L"2.1");
  about.SetNotice(L"All rights kept");
  about.SetWebLink(L"Our site", L"http://example.org");
  about.SetWebExtra(L"Opens the site");
  about.SetMailLink(L"", L"info@example.org");
  about.SetMailExtra(L"Write to us");
  about.SetPicture(picture);
  RunModal(about, [&](HWND hwnd) {
    EXPECT_EQ(TextOf(hwnd), L"About Show");
    EXPECT_EQ(TextOf(::GetDlgItem(hwnd, AboutDialog::kTitleLine)), L"Show  2.1");
    EXPECT_EQ(TextOf(::GetDlgItem(hwnd, AboutDialog::kNoticeLine)), L"All rights kept");
    EXPECT_EQ(TextOf(::GetDlgItem(hwnd, AboutDialog::kWebLink)), L"Our site");
    // An empty label shows the address, prefix and all.
    EXPECT_EQ(TextOf(::GetDlgItem(hwnd, AboutDialog::kMailLink)), L"mailto:info@example.org");
    HWND image = ::GetDlgItem(hwnd, AboutDialog::kPicture);
    EXPECT_TRUE(::IsWindowVisible(image));
    EXPECT_EQ(reinterpret_cast<HBITMAP>(::SendMessageW(image, STM_GETIMAGE, IMAGE_BITMAP, 0)), picture);
    HWND close = ::GetDlgItem(hwnd, IDOK);
    EXPECT_EQ(TextOf(close), L"Close");
  });
  EXPECT_EQ(about.webLink().target(), L"http://example.org");
  EXPECT_EQ(about.webLink().tipText(), L"Opens the site");
  EXPECT_EQ(about.mailLink().target(), L"mailto:info@example.org");
  EXPECT_EQ(about.mailLink().tipText(), L"Write to us");
  ::DeleteObject(picture);
}

TEST(AboutBox, ALargePictureCoversNoTextAndNotTheButton) {
  ScratchFolder folder(L"about-large");
  ASSERT_TRUE(WriteFileBytes(folder / L"p.bmp", Bitmap(260, 180)));
  HBITMAP picture = static_cast<HBITMAP>(
      ::LoadImageW(nullptr, (folder / L"p.bmp").c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
  ASSERT_TRUE(picture);
  AboutDialog about(nullptr);
  about.SetProductName(L"Show", L"2.1");
  about.SetNotice(L"All rights kept");
  about.SetWebLink(L"Our site", L"http://example.org");
  about.SetMailLink(L"Mail", L"info@example.org");
  about.SetPicture(picture);
  RunModal(about, [&](HWND hwnd) {
    auto screen = [](HWND control) {
      RECT r{};
      ::GetWindowRect(control, &r);
      return r;
    };
    RECT image = screen(::GetDlgItem(hwnd, AboutDialog::kPicture));
    EXPECT_GE(image.right - image.left, 260);
    RECT scratch{};
    for (int id : {AboutDialog::kTitleLine, AboutDialog::kNoticeLine, AboutDialog::kWebLink, AboutDialog::kMailLink,
                   IDOK}) {
      RECT text = screen(::GetDlgItem(hwnd, id));
      EXPECT_FALSE(::IntersectRect(&scratch, &image, &text)) << id;
    }
    // The box grew to keep everything inside it.
    RECT client{};
    ::GetClientRect(hwnd, &client);
    ::MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
    RECT button = screen(::GetDlgItem(hwnd, IDOK));
    EXPECT_LE(button.right, client.right);
    EXPECT_LE(button.bottom, client.bottom);
    EXPECT_LE(image.bottom, client.bottom);
  });
  ::DeleteObject(picture);
}

TEST(AboutBox, WithoutAPictureItsControlIsHidden) {
  AboutDialog about(nullptr);
  about.SetProductName(L"Show", L"");
  RunModal(about, [&](HWND hwnd) {
    EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(hwnd, AboutDialog::kPicture)));
    EXPECT_TRUE(::IsWindowVisible(::GetDlgItem(hwnd, AboutDialog::kWebLink)));
    // The link colours are the About box's own; the text goes over the dialog's background.
    LOGFONTW font{};
    HFONT used = reinterpret_cast<HFONT>(::SendMessageW(::GetDlgItem(hwnd, AboutDialog::kWebLink), WM_GETFONT, 0, 0));
    ASSERT_TRUE(used && ::GetObjectW(used, sizeof(font), &font));
    EXPECT_TRUE(font.lfUnderline);
  });
}

// A parent that hands its links' colour requests and clicks back to them.
class LinkParent : public framework::CFrameWnd {
 protected:
  bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override {
    return HyperlinkLabel::Reflect(msg, wp, lp, result);
  }
};

class Link : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(parent_.Create(nullptr, L"Links", WS_OVERLAPPEDWINDOW, RECT{50, 50, 450, 250}));
    ::ShowWindow(parent_.m_hWnd, SW_SHOWNOACTIVATE);
    control_ = ::CreateWindowExW(0, L"STATIC", L"Example text", WS_CHILD | WS_VISIBLE | SS_LEFT, 10, 10, 300, 40,
                                 parent_.m_hWnd, reinterpret_cast<HMENU>(1002), ::GetModuleHandleW(nullptr), nullptr);
    ASSERT_TRUE(control_);
  }
  void TearDown() override { parent_.DestroyWindow(); }

  LinkParent parent_;
  HWND control_ = nullptr;
};

TEST_F(Link, SubclassingSetsNotifyTextTargetFontAndCursor) {
  HyperlinkLabel link;
  ASSERT_TRUE(link.SubclassDlgItem(1002, parent_.m_hWnd));
  EXPECT_TRUE(::GetWindowLongPtrW(control_, GWL_STYLE) & SS_NOTIFY);
  EXPECT_EQ(link.target(), L"Example text");
  EXPECT_TRUE(link.cursor());
  LOGFONTW font{};
  ASSERT_TRUE(::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(control_, WM_GETFONT, 0, 0)), sizeof(font), &font));
  EXPECT_TRUE(font.lfUnderline);
  // Auto-size: the label takes its text's width and height, keeping its left edge.
  RECT r;
  ::GetWindowRect(control_, &r);
  ::MapWindowPoints(nullptr, parent_.m_hWnd, reinterpret_cast<POINT*>(&r), 2);
  framework::ScreenDC dc(control_);
  HGDIOBJ old = ::SelectObject(dc.get(), link.font());
  SIZE extent{};
  ::GetTextExtentPoint32W(dc.get(), L"Example text", 12, &extent);
  ::SelectObject(dc.get(), old);
  EXPECT_EQ(r.left, 10);
  EXPECT_EQ(r.top, 10);
  EXPECT_EQ(r.right - r.left, extent.cx);
  EXPECT_EQ(r.bottom - r.top, extent.cy);
  link.UnsubclassWindow();
}

TEST_F(Link, AnEmptyTextTakesTheTarget) {
  ::SetWindowTextW(control_, L"");
  HyperlinkLabel link;
  link.SetTarget(L"http://example.org/x");
  link.SetAutoSize(false);
  ASSERT_TRUE(link.SubclassDlgItem(1002, parent_.m_hWnd));
  EXPECT_EQ(TextOf(control_), L"http://example.org/x");
  RECT r;
  ::GetClientRect(control_, &r);
  EXPECT_EQ(r.right, 300);
  link.UnsubclassWindow();
}

TEST_F(Link, ColoursFollowHoverAndVisitedOverATransparentBackground) {
  HyperlinkLabel link;
  link.SetColours(0x112233, 0x445566);
  ASSERT_TRUE(link.SubclassDlgItem(1002, parent_.m_hWnd));
  framework::ScreenDC dc(control_);
  auto colourRequest = [&] {
    return ::SendMessageW(parent_.m_hWnd, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.get()),
                          reinterpret_cast<LPARAM>(control_));
  };
  EXPECT_EQ(colourRequest(), reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH)));
  EXPECT_EQ(::GetTextColor(dc.get()), 0x112233u);
  EXPECT_EQ(::GetBkMode(dc.get()), TRANSPARENT);
  link.SetVisited(true);
  colourRequest();
  EXPECT_EQ(::GetTextColor(dc.get()), 0x445566u);

  // Hover: the system's highlight colour (hover -1), with the mouse captured until it leaves.
  ::SendMessageW(control_, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
  EXPECT_TRUE(link.hover());
  EXPECT_EQ(::GetCapture(), control_);
  colourRequest();
  EXPECT_EQ(::GetTextColor(dc.get()), ::GetSysColor(COLOR_HIGHLIGHT));
  ::SendMessageW(control_, WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
  EXPECT_TRUE(link.hover());
  ::SendMessageW(control_, WM_MOUSEMOVE, 0, MAKELPARAM(-20, 500));
  EXPECT_FALSE(link.hover());
  EXPECT_NE(::GetCapture(), control_);
  // A plain static of the same parent is left to the default colours.
  HWND plain = ::CreateWindowExW(0, L"STATIC", L"plain", WS_CHILD, 0, 0, 10, 10, parent_.m_hWnd, nullptr, nullptr, nullptr);
  LRESULT ignored = 0;
  EXPECT_FALSE(HyperlinkLabel::Reflect(WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.get()),
                                       reinterpret_cast<LPARAM>(plain), &ignored));
  link.UnsubclassWindow();
}

TEST_F(Link, TheTipShowsWhileTheMouseIsOver) {
  HyperlinkLabel link;
  link.SetTipText(L"Opens the page");
  ASSERT_TRUE(link.SubclassDlgItem(1002, parent_.m_hWnd));
  ::SendMessageW(control_, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
  ASSERT_TRUE(link.tipWindow());
  EXPECT_TRUE(::IsWindowVisible(link.tipWindow()));
  ::SendMessageW(control_, WM_MOUSEMOVE, 0, MAKELPARAM(-20, 500));
  EXPECT_FALSE(::IsWindowVisible(link.tipWindow()));
  link.UnsubclassWindow();
}

// Registers the probe program as the handler of web addresses, e-mail links and (as the .htm handler) web pages
// for the test's duration, and collects the command lines it is started with. The registration goes to this
// user's classes; where the system does not look there, to the machine's classes. Everything changed is put back.
class LinkHandlers : public Link {
 protected:
  void SetUp() override {
    Link::SetUp();
    output_ = folder_ / L"probe.txt";
    ::SetEnvironmentVariableW(L"FSCMD_PROBE_OUT", output_.c_str());
    registrations_.Begin(L".fsabouttest", L"FSAboutTest.Page");
    std::wstring command = L"\"" + ProbePath() + L"\" \"%1\"";
    Set(L"http\\shell\\open\\command", nullptr, command);
    Set(L"mailto", L"URL Protocol", L"");
    Set(L"mailto\\shell\\open\\command", nullptr, command);
    Set(L".htm", nullptr, L"FSAboutTest.Page");
    Set(L"FSAboutTest.Page\\shell\\open\\command", nullptr, command);
  }
  void TearDown() override {
    Restore();
    ::SetEnvironmentVariableW(L"FSCMD_PROBE_OUT", nullptr);
    Link::TearDown();
  }

  static std::wstring ProbePath() { return BuildTreePath(L"fscmd\\tests\\fscmd_shell_probe.exe"); }

  void Set(const std::wstring& key, const wchar_t* name, const std::wstring& value) {
    registrations_.Set(key, name, value);
  }
  void Restore() { registrations_.Restore(); }

  // The probe's command lines once `lines` of them arrived (or what came within ten seconds).
  std::wstring WaitForProbe(size_t lines = 1) {
    std::wstring text;
    for (int i = 0; i < 200; ++i) {
      Bytes bytes = ReadFileBytes(output_);
      text.assign(bytes.begin(), bytes.end());
      if (static_cast<size_t>(std::count(text.begin(), text.end(), L'\n')) >= lines) break;
      ::Sleep(50);
    }
    return text;
  }

  ScratchFolder folder_{L"about-links"};
  std::wstring output_;
  test_registry::ClassRegistrations registrations_;
};

TEST_F(LinkHandlers, AClickRunsTheRegisteredHandlerAndMarksTheLinkVisited) {
  HyperlinkLabel link;
  link.SetTarget(L"http://example.org/about");
  ASSERT_TRUE(link.SubclassDlgItem(1002, parent_.m_hWnd));
  ::SendMessageW(control_, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
  ::SendMessageW(control_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
  ::SendMessageW(control_, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
  std::wstring lines = WaitForProbe();
  EXPECT_NE(lines.find(L"http://example.org/about"), std::wstring::npos) << Narrow(lines);
  EXPECT_TRUE(link.visited());
  EXPECT_FALSE(link.hover());
  link.UnsubclassWindow();
}

TEST_F(LinkHandlers, WithoutAHandlerTheWebPageHandlerGetsTheAddressForItsPlaceholder) {
  std::wstring target = L"fsaboutnothing:page-one";
  EXPECT_GT(HyperlinkLabel::OpenTarget(target, SW_SHOW), 32);
  std::wstring lines = WaitForProbe();
  EXPECT_NE(lines.find(L"fscmd_shell_probe.exe\"  fsaboutnothing:page-one"), std::wstring::npos) << Narrow(lines);
  EXPECT_EQ(lines.find(L"%1"), std::wstring::npos) << Narrow(lines);
}

TEST_F(LinkHandlers, TheAboutBoxsMailLinkOpensTheAddressWithItsPrefix) {
  AboutDialog about(nullptr);
  about.SetProductName(L"Show", L"1");
  about.SetMailLink(L"Write to us", L"info@example.org");
  RunModal(about, [&](HWND hwnd) {
    HWND mail = ::GetDlgItem(hwnd, AboutDialog::kMailLink);
    ::SendMessageW(mail, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));
    ::SendMessageW(mail, WM_LBUTTONUP, 0, MAKELPARAM(1, 1));
    std::wstring lines = WaitForProbe();
    EXPECT_NE(lines.find(L"mailto:info@example.org"), std::wstring::npos) << Narrow(lines);
    EXPECT_EQ(lines.find(L"mailto:mailto:"), std::wstring::npos) << Narrow(lines);
  });
  EXPECT_TRUE(about.mailLink().visited());
  EXPECT_FALSE(about.webLink().visited());
}

// A document with one picture, written into the document's own extraction folder, and the resource library.
void AddPicture(projector::MovieDocument& doc) {
  std::wstring path = projector::MakeUniqueName(doc.ExtractionFolder(), L"bmp");
  ASSERT_TRUE(WriteFileBytes(path, Bitmap(200, 120)));
  format::PlaylistEntry e;
  e.sourcePath = u"picture.bmp";
  e.displayTime = 5;
  e.movie.sourcePath = e.sourcePath;
  e.movie.path = projector::ToU16(path);
  e.movie.extracted = true;
  doc.data().playlist.entries.push_back(e);
  ASSERT_TRUE(::CopyFileW(BuildTreePath(L"components\\resources\\Mardenkit.dll").c_str(),
                          (doc.ExtractionFolder() + L"\\Mardenkit.dll").c_str(), FALSE));
}

// The player run with an inspector that needs only its window.
void RunPlayer(projector::MovieDocument& doc, const std::function<void(HWND)>& inspect) {
  testing_support::RunPlayer(doc, [&](HWND hwnd, projector::PlayerDialog&) { inspect(hwnd); });
}

RECT WindowRect(HWND hwnd) {
  RECT r{};
  ::GetWindowRect(hwnd, &r);
  return r;
}

TEST(PlayerLog, TheDebugSwitchShowsTheLogAtStartAndItsPlaceIsKeptForTheNextStart) {
  theApp.WriteProfileString(L"DebugDlg", L"Rect", nullptr);
  RECT moved{};
  {
    projector::MovieDocument doc;
    AddPicture(doc);
    doc.data().debug.showLog = 1;
    testing_support::RunPlayer(doc, [&](HWND player, projector::PlayerDialog& dialog) {
      HWND log = dialog.bridge().log().m_hWnd;
      ASSERT_TRUE(log);
      EXPECT_TRUE(::IsWindowVisible(log));
      EXPECT_EQ(::GetWindow(log, GW_OWNER), player);
      EXPECT_EQ(TextOf(log), L"FSCommand Log");
      ::SetWindowPos(log, nullptr, 60, 70, 420, 180, SWP_NOZORDER | SWP_NOACTIVATE);
      moved = WindowRect(log);
    });
  }
  EXPECT_EQ(theApp.GetProfileString(L"DebugDlg", L"Rect", L""),
            std::to_wstring(moved.left) + L"," + std::to_wstring(moved.top) + L"," + std::to_wstring(moved.right) +
                L"," + std::to_wstring(moved.bottom));
  {
    projector::MovieDocument doc;
    AddPicture(doc);
    testing_support::RunPlayer(doc, [&](HWND, projector::PlayerDialog& dialog) {
      HWND log = dialog.bridge().log().m_hWnd;
      ASSERT_TRUE(log);
      // Without the switch the log stays hidden, in the place it had last time.
      EXPECT_FALSE(::IsWindowVisible(log));
      RECT again = WindowRect(log);
      EXPECT_TRUE(::EqualRect(&again, &moved));
    });
  }
}

// Waits for the dialog to show, or to be gone: a closed dialog is hidden a moment before it is destroyed.
HWND WaitForWindow(const wchar_t* title, bool visible) {
  for (int i = 0; i < 300; ++i) {
    HWND hwnd = ::FindWindowW(L"#32770", title);
    if (visible ? hwnd && ::IsWindowVisible(hwnd) : !hwnd) return hwnd;
    ::Sleep(10);
  }
  return ::FindWindowW(L"#32770", title);
}

TEST(PlayerAbout, TheSystemMenuEntryOpensTheAboutBoxFilledFromTheDocument) {
  projector::MovieDocument doc;
  AddPicture(doc);
  auto& data = doc.data();
  data.about.noAbout = 0;
  data.aboutTexts.productName = u"Show ";
  data.aboutTexts.version = u"3.0";
  data.aboutTexts.notice = u"Notice line";
  data.about.webLabel = u" Web ";
  data.about.webAddress = u"http://example.org";
  data.about.mailLabel = u"Mail";
  data.about.mailAddress = u"info@example.org";
  RunPlayer(doc, [&](HWND player) {
    HMENU system = ::GetSystemMenu(player, FALSE);
    ASSERT_TRUE(system);
    wchar_t entry[64] = {};
    EXPECT_GT(::GetMenuStringW(system, projector::PlayerDialog::kAboutCommand, entry, 64, MF_BYCOMMAND), 0);
    EXPECT_STREQ(entry, L"About...");
    ::PostMessageW(player, WM_SYSCOMMAND, projector::PlayerDialog::kAboutCommand, 0);
    HWND about = WaitForWindow(L"About Show", true);
    ASSERT_TRUE(about);
    EXPECT_EQ(::GetWindow(about, GW_OWNER), player);
    EXPECT_EQ(TextOf(::GetDlgItem(about, AboutDialog::kTitleLine)), L"Show  3.0");
    EXPECT_EQ(TextOf(::GetDlgItem(about, AboutDialog::kNoticeLine)), L"Notice line");
    EXPECT_EQ(TextOf(::GetDlgItem(about, AboutDialog::kWebLink)), L"Web");
    EXPECT_EQ(TextOf(::GetDlgItem(about, AboutDialog::kMailLink)), L"Mail");
    // The document has no About picture.
    EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(about, AboutDialog::kPicture)));
    ::PostMessageW(about, WM_COMMAND, IDOK, 0);
    EXPECT_FALSE(WaitForWindow(L"About Show", false));
  });
}

}  // namespace
