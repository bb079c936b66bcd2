#include <gtest/gtest.h>

#include "class_registrations.h"

#include <windows.h>
#include <shlwapi.h>

#include <algorithm>
#include <vector>

#include "library_access.h"
#include "testing_support/files.h"

namespace fscmd_tests {
namespace {

using testing_support::ScratchFolder;

TEST(Beep, AnswersNoCode) {
  EXPECT_EQ(Call("FSBeep", L""), L",-99");
  EXPECT_EQ(Call("FSBeep", L"440"), L",-99");
  EXPECT_EQ(Call("FSBeep", L"abc,10"), L",-99");
}

TEST(MessageBoxes, AnswerTheButtonPressed) {
  {
    DialogCloser closer(L"FSCmd test box", IDNO);
    EXPECT_EQ(Call("FSMessageBox", L"Continue?,FSCmd test box,4"), L",7");
    EXPECT_TRUE(closer.pressed());
    EXPECT_EQ(closer.text(), L"Continue?");
  }
  {
    DialogCloser closer(L"VantraFSCmd", IDCANCEL);
    EXPECT_EQ(Call("FSAfxMessageBox", L"From the application,1"), L",2");
    EXPECT_TRUE(closer.pressed());
  }
  {
    DialogCloser closer(L"FSCmd plain box", IDOK);
    EXPECT_EQ(Call("FSMessageBox", L"Plain,FSCmd plain box"), L",1");
  }
}

TEST(GetExeDir, AnswersTheProgramFolderTwice) {
  std::wstring folder = ProgramFolder() + L"\\";
  EXPECT_EQ(Call("FSGetExeDir", L"ignored"), L"|" + folder + L"|" + folder);
}

TEST(HtmlSafe, EscapesFieldZero) {
  EXPECT_EQ(Call("FSHtmlSafe", L"   a b&c'd\r\n#/\\%"), L",a%20b%26cd%0A%23%2F%5C%");
  EXPECT_EQ(Call("FSHtmlSafe", L"first field,second"), L",first%20field");
  EXPECT_EQ(Call("FSHtmlSafe", L""), L",-101");
  EXPECT_EQ(Call("FSHtmlSafe", L",x"), L",-101");
}

TEST(Exec, NoFieldAnswersMinusOne) {
  EXPECT_EQ(Call("FSExec", L""), L",-1");
  EXPECT_EQ(Call("FSExec", L"   "), L",-1");
}

// Registers the probe program as the http, mailto and test document handler for the test's duration, and
// collects the command lines it is started with. The registration goes to this user's classes; where the
// system does not look there, to the machine's classes, and every value replaced there is put back.
class ShellHandlers : public ::testing::Test {
 protected:
  void SetUp() override {
    output_ = folder_ / L"probe.txt";
    ::SetEnvironmentVariableW(L"FSCMD_PROBE_OUT", output_.c_str());
    ::GetCurrentDirectoryW(MAX_PATH, savedCurrent_);
    std::wstring command = L"\"" + ProbePath() + L"\" \"%1\"";
    registrations_.Begin(L".fscmdtest", L"FSCmdTest.Document");
    Set(L"http\\shell\\open\\command", nullptr, command);
    Set(L"mailto", L"URL Protocol", L"");
    Set(L"mailto\\shell\\open\\command", nullptr, command);
    Set(L"FSCmdTest.Document\\shell\\open\\command", nullptr, command);
  }
  void TearDown() override {
    ::SetCurrentDirectoryW(savedCurrent_);
    Restore();
    ::SetEnvironmentVariableW(L"FSCMD_PROBE_OUT", nullptr);
  }

  void Set(const std::wstring& key, const wchar_t* name, const std::wstring& value) {
    registrations_.Set(key, name, value);
  }
  void Restore() { registrations_.Restore(); }

  // The probe's command lines once `lines` of them arrived (or what came within ten seconds).
  std::wstring WaitForProbe(size_t lines = 1) {
    std::wstring text;
    for (int i = 0; i < 200; ++i) {
      text = ReadTextFile(output_);
      if (static_cast<size_t>(std::count(text.begin(), text.end(), L'\n')) >= lines) break;
      ::Sleep(50);
    }
    return text;
  }
  static long Code(const std::wstring& answer) { return std::wcstol(answer.c_str() + 1, nullptr, 10); }

  ScratchFolder folder_{L"fscmd-shell"};
  std::wstring output_;
  wchar_t savedCurrent_[MAX_PATH] = {};
  test_registry::ClassRegistrations registrations_;
};

TEST_F(ShellHandlers, WebAddressesGoToTheBrowser) {
  EXPECT_GT(Code(Call("FSExec", L"www.example.org/start")), 32);
  EXPECT_GT(Code(Call("FSExec", L"http://example.org/page.htm?a=1")), 32);
  std::wstring lines = WaitForProbe(2);
  EXPECT_NE(lines.find(L"www.example.org/start"), std::wstring::npos) << Utf8(lines);
  EXPECT_NE(lines.find(L"http://example.org/page.htm?a=1"), std::wstring::npos) << Utf8(lines);
}

TEST_F(ShellHandlers, LocalPagesSwapTheirExtensionAndBecomeAbsolute) {
  ASSERT_TRUE(WriteTextFile(folder_ / L"page.html", "<html></html>"));
  ASSERT_TRUE(WriteTextFile(folder_ / L"other.htm", "<html></html>"));
  ASSERT_TRUE(::SetCurrentDirectoryW(folder_.path().c_str()));
  EXPECT_GT(Code(Call("FSExec", L"page.htm")), 32);
  EXPECT_GT(Code(Call("FSExec", L"other.HTML")), 32);
  std::wstring lines = WaitForProbe(2);
  EXPECT_NE(lines.find(folder_ / L"page.html"), std::wstring::npos) << Utf8(lines);
  EXPECT_NE(lines.find(folder_ / L"other.htm"), std::wstring::npos) << Utf8(lines);
}

TEST_F(ShellHandlers, DocumentsOpenWithTheirHandler) {
  std::wstring document = folder_ / L"letter.fscmdtest";
  ASSERT_TRUE(WriteTextFile(document, "text"));
  EXPECT_GT(Code(Call("FSExec", document)), 32);
  EXPECT_NE(WaitForProbe().find(L"letter.fscmdtest"), std::wstring::npos) << Utf8(ReadTextFile(output_));
}

TEST_F(ShellHandlers, RunAndExecuteStartProgramsWithParameters) {
  EXPECT_GT(Code(Call("FSRun", ProbePath() + L",first-run")), 32);
  EXPECT_NE(WaitForProbe(1).find(L"first-run"), std::wstring::npos);
  EXPECT_GT(Code(Call("FSExecute", L"0,open," + ProbePath() + L",second-run,,1")), 32);
  EXPECT_NE(WaitForProbe(2).find(L"second-run"), std::wstring::npos);
  // A program that does not exist: ShellExecuteW's error code.
  EXPECT_LE(Code(Call("FSRun", folder_ / L"missing.exe")), 32);
}

TEST_F(ShellHandlers, MailtoPassesTheWholeArgumentText) {
  EXPECT_GT(Code(Call("FSmailto", L"a@example.org,b@example.org")), 32);
  EXPECT_NE(WaitForProbe().find(L"mailto:a@example.org,b@example.org"), std::wstring::npos)
      << Utf8(ReadTextFile(output_));
}

// The shell builds the handler's command line in a fixed buffer on some systems and overruns it with texts this
// long; the commands answer "name too long" (-2000 - ERROR_FILENAME_EXCED_RANGE) and start nothing.
TEST_F(ShellHandlers, TextsTooLongForTheShellStartNothing) {
  const std::wstring tooLong = L",-" + std::to_wstring(2000 + ERROR_FILENAME_EXCED_RANGE);
  EXPECT_EQ(Call("FSmailto", std::wstring(3000, L',')), tooLong);
  EXPECT_EQ(Call("FSmailto", L"a@example.org?body=" + std::wstring(1000, L'x')), tooLong);
  EXPECT_EQ(Call("FSExec", L"http://example.org/" + std::wstring(1000, L'a')), tooLong);
  EXPECT_EQ(Call("FSRun", ProbePath() + L"," + std::wstring(1000, L'p')), tooLong);
  EXPECT_EQ(Call("FSExecute", L"0,open," + ProbePath() + L"," + std::wstring(1000, L'p') + L",,1"), tooLong);
  // A mail link of an ordinary length still goes out.
  EXPECT_GT(Code(Call("FSmailto", L"a@example.org?body=" + std::wstring(500, L'x'))), 32);
  std::wstring lines = WaitForProbe(1);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), L'\n'), 1) << Utf8(lines);
}

}  // namespace
}  // namespace fscmd_tests
