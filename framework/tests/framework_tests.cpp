#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "framework/app.h"
#include "framework/file.h"
#include "framework/program_path.h"
#include "framework/wnd.h"

using namespace framework;

namespace {

class TestApp : public CWinApp {};
TestApp g_app;

std::wstring TempPath(const wchar_t* name) {
  wchar_t dir[MAX_PATH];
  ::GetTempPathW(MAX_PATH, dir);
  return std::wstring(dir) + name;
}

TEST(CFileAndArchive, ArchiveReadsAcrossBufferBoundariesAndReportsShortReads) {
  std::wstring path = TempPath(L"framework-archive.bin");
  std::vector<uint8_t> data(10000);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7 + i / 256);
  {
    CFile f;
    ASSERT_TRUE(f.Open(path, CFile::modeCreate | CFile::modeReadWrite | CFile::shareExclusive));
    ASSERT_TRUE(f.Write(data.data(), data.size()));
    EXPECT_EQ(f.GetLength(), data.size());
  }
  CFile f;
  ASSERT_TRUE(f.Open(path, CFile::modeRead | CFile::shareDenyWrite));
  ASSERT_TRUE(f.Seek(3, CFile::begin));
  CArchive ar(f);
  std::vector<uint8_t> got(data.size() - 3);
  size_t pos = 0;
  for (size_t step : {1u, 4095u, 2u, 5000u}) {
    ASSERT_EQ(ar.Read(got.data() + pos, step), step);
    pos += step;
  }
  size_t rest = got.size() - pos;
  EXPECT_EQ(ar.Read(got.data() + pos, rest + 10), rest);
  EXPECT_TRUE(ar.failed());
  EXPECT_TRUE(std::equal(got.begin(), got.end(), data.begin() + 3));
  f.Close();
  ::DeleteFileW(path.c_str());
}

TEST(CFileAndArchive, ShareExclusiveKeepsOthersOut) {
  std::wstring path = TempPath(L"framework-share.bin");
  CFile a;
  ASSERT_TRUE(a.Open(path, CFile::modeCreate | CFile::modeReadWrite | CFile::shareExclusive));
  CFile b;
  EXPECT_FALSE(b.Open(path, CFile::modeRead));
  a.Close();
  EXPECT_TRUE(b.Open(path, CFile::modeRead));
  b.Close();
  ::DeleteFileW(path.c_str());
}

TEST(Profile, IntegersAndStringsLiveUnderTheRegistryKey) {
  g_app.SetRegistryKey(L"FrameworkTests\\BrindleworkProjector");
  EXPECT_EQ(g_app.GetProfileInt(L"Section", L"Missing", 7), 7u);
  ASSERT_TRUE(g_app.WriteProfileInt(L"Section", L"Value", 0));
  EXPECT_EQ(g_app.GetProfileInt(L"Section", L"Value", 1), 0u);
  ASSERT_TRUE(g_app.WriteProfileString(L"Section", L"Text", L"1,2,3,4"));
  EXPECT_EQ(g_app.GetProfileString(L"Section", L"Text"), L"1,2,3,4");
  HKEY key;
  std::wstring path = g_app.ProfileKeyPath() + L"\\Section";
  EXPECT_NE(path.find(L"Software\\FrameworkTests\\BrindleworkProjector\\"), std::wstring::npos);
  ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
  ::RegCloseKey(key);
  ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\FrameworkTests");
}

TEST(Profile, WrongTypesMissingValuesAndNoRegistryKeyGiveTheDefaults) {
  g_app.SetRegistryKey(L"FrameworkTests\\BrindleworkProjector");
  ASSERT_TRUE(g_app.WriteProfileString(L"Section", L"Text", L"12"));
  ASSERT_TRUE(g_app.WriteProfileInt(L"Section", L"Number", 12));
  EXPECT_EQ(g_app.GetProfileInt(L"Section", L"Text", 5), 5u);
  EXPECT_EQ(g_app.GetProfileString(L"Section", L"Number", L"none"), L"none");
  EXPECT_EQ(g_app.GetProfileInt(L"Missing section", L"Number", 6), 6u);

  ASSERT_TRUE(g_app.WriteProfileString(L"Section", L"Text", nullptr));
  EXPECT_EQ(g_app.GetProfileString(L"Section", L"Text", L"gone"), L"gone");
  EXPECT_FALSE(g_app.WriteProfileString(L"Section", L"Text", nullptr));

  // A string stored without its terminating NUL reads back whole and no further.
  std::wstring path = g_app.ProfileKeyPath() + L"\\Section";
  HKEY raw = nullptr;
  ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_WRITE, &raw), ERROR_SUCCESS);
  UniqueRegKey key(raw);
  const wchar_t bare[] = {L'a', L'b', L'c'};
  ::RegSetValueExW(key.get(), L"Bare", 0, REG_SZ, reinterpret_cast<const BYTE*>(bare), sizeof(bare));
  EXPECT_EQ(g_app.GetProfileString(L"Section", L"Bare"), L"abc");

  g_app.SetRegistryKey(L"");
  EXPECT_EQ(g_app.GetProfileInt(L"Section", L"Number", 3), 3u);
  EXPECT_EQ(g_app.GetProfileString(L"Section", L"Bare", L"d"), L"d");
  EXPECT_FALSE(g_app.WriteProfileInt(L"Section", L"Number", 1));
  EXPECT_FALSE(g_app.WriteProfileString(L"Section", L"Bare", L"x"));
  ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\FrameworkTests");
}

TEST(WindowClasses, RegisteredOnceForTheProgramAndKeptThereafter) {
  WNDCLASSEXW wc{};
  wc.lpfnWndProc = ::DefWindowProcW;
  wc.lpszClassName = L"FrameworkTestsClass";
  ASSERT_TRUE(RegisterWindowClass(wc));
  WNDCLASSEXW found{};
  found.cbSize = sizeof(found);
  ASSERT_TRUE(::GetClassInfoExW(::GetModuleHandleW(nullptr), wc.lpszClassName, &found));

  // A second registration of the name keeps the first class, whichever way a refusal would count.
  wc.style = CS_DBLCLKS;
  EXPECT_TRUE(RegisterWindowClass(wc, RefusedAsExisting::kFails));
  ASSERT_TRUE(::GetClassInfoExW(::GetModuleHandleW(nullptr), wc.lpszClassName, &found));
  EXPECT_EQ(found.style, 0u);
  ::UnregisterClassW(L"FrameworkTestsClass", ::GetModuleHandleW(nullptr));
}

TEST(ProgramPath, NamesThisProgramWholly) {
  std::wstring path = ExecutablePath();
  EXPECT_EQ(std::filesystem::path(path).filename(), L"framework_tests.exe");
  EXPECT_EQ(path.find(L'\0'), std::wstring::npos);
  EXPECT_TRUE(std::filesystem::exists(path));
}

class CountingWindow : public CFrameWnd {
 public:
  int creates = 0, timers = 0, destroys = 0;
  bool ncDestroyed = false;

 protected:
  bool OnCreate(CREATESTRUCTW*) override {
    ++creates;
    return false;
  }
  bool OnTimer(UINT_PTR id) override {
    ++timers;
    ::KillTimer(m_hWnd, id);
    ::PostQuitMessage(0);
    return true;
  }
  bool OnDestroy() override {
    ++destroys;
    return false;
  }
  void PostNcDestroy() override { ncDestroyed = true; }
};

TEST(Windows, BoundAtCreationAndDispatchedToHandlers) {
  CountingWindow w;
  ASSERT_TRUE(w.Create(nullptr, L"t", WS_OVERLAPPEDWINDOW));
  EXPECT_EQ(CWnd::FromHandlePermanent(w.m_hWnd), &w);
  EXPECT_EQ(w.creates, 1);
  ::SetTimer(w.m_hWnd, 1, 10, nullptr);
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) ::DispatchMessageW(&msg);
  EXPECT_EQ(w.timers, 1);
  HWND hwnd = w.m_hWnd;
  EXPECT_TRUE(w.DestroyWindow());
  EXPECT_EQ(w.destroys, 1);
  EXPECT_TRUE(w.ncDestroyed);
  EXPECT_EQ(w.m_hWnd, nullptr);
  EXPECT_EQ(CWnd::FromHandlePermanent(hwnd), nullptr);
}

class TickDialog : public CDialog {
 public:
  TickDialog(int press, bool tick) : CDialog(200), press_(press), tick_(tick) {}
  BOOL ticked = FALSE;
  int preTranslated = 0;

  BOOL PreTranslateMessage(MSG* msg) override {
    if (msg->message == WM_APP) {
      ++preTranslated;
      return TRUE;
    }
    return CDialog::PreTranslateMessage(msg);
  }

 protected:
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    if (tick_) ::SendMessageW(GetDlgItem(1007), BM_SETCHECK, BST_CHECKED, 0);
    PostMessage(WM_APP);
    PostMessage(WM_COMMAND, MAKEWPARAM(press_, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(press_)));
    return TRUE;
  }
  void DoDataExchange(CDataExchange* dx) override { DDX_Check(dx, 1007, ticked); }

 private:
  int press_;
  bool tick_;
};

TEST(Dialogs, ModalLoopRunsPreTranslateAndExchangesDataOnlyOnOk) {
  TickDialog ok(IDOK, true);
  EXPECT_EQ(ok.DoModal(), IDOK);
  EXPECT_TRUE(ok.ticked);
  EXPECT_EQ(ok.preTranslated, 1);
  EXPECT_EQ(ok.m_hWnd, nullptr);

  TickDialog cancel(IDCANCEL, true);
  EXPECT_EQ(cancel.DoModal(), IDCANCEL);
  EXPECT_FALSE(cancel.ticked);
}

TEST(Dialogs, MissingTemplateFails) {
  CDialog missing(999);
  EXPECT_EQ(missing.DoModal(), -1);
}

}  // namespace
