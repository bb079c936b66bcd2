#include <gtest/gtest.h>

#include <windows.h>
#include <shlwapi.h>

#include <string>

#include "testing_support/database.h"
#include "testing_support/files.h"

namespace {

using testing_support::BuildTreePath;
using testing_support::ReadFileBytes;
using testing_support::ScratchFolder;

struct Outcome {
  DWORD exitCode = 0xFFFFFFFF;
  std::string output;
};

// Runs fscall with the given arguments and standard input and collects its standard output and error.
Outcome RunFscall(const std::wstring& exe, const std::wstring& arguments, const std::string& input = {}) {
  Outcome outcome;
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!::CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return outcome;
  ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  // The input is small enough for the pipe's buffer: written whole and closed before fscall starts.
  HANDLE inputRead = nullptr, inputWrite = nullptr;
  if (!input.empty() && ::CreatePipe(&inputRead, &inputWrite, &inherit, 1 << 16)) {
    ::SetHandleInformation(inputWrite, HANDLE_FLAG_INHERIT, 0);
    DWORD written = 0;
    ::WriteFile(inputWrite, input.data(), static_cast<DWORD>(input.size()), &written, nullptr);
    ::CloseHandle(inputWrite);
  }
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writeEnd;
  startup.hStdError = writeEnd;
  startup.hStdInput = inputRead ? inputRead : ::GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION process = {};
  std::wstring line = L"\"" + exe + L"\" " + arguments;
  if (::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                       &process)) {
    ::CloseHandle(writeEnd);
    writeEnd = nullptr;
    // The output is read while it comes and until fscall has ended, not until the pipe closes: a helper
    // process the system starts for a console program may hold the pipe's other end a while longer.
    auto drain = [&] {
      char buffer[4096];
      DWORD available = 0, got = 0;
      while (::PeekNamedPipe(readEnd, nullptr, 0, nullptr, &available, nullptr) && available > 0 &&
             ::ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0)
        outcome.output.append(buffer, got);
    };
    for (int waited = 0; waited < 30000; waited += 10) {
      drain();
      if (::WaitForSingleObject(process.hProcess, 10) == WAIT_OBJECT_0) break;
    }
    drain();
    ::GetExitCodeProcess(process.hProcess, &outcome.exitCode);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
  }
  if (writeEnd) ::CloseHandle(writeEnd);
  if (inputRead) ::CloseHandle(inputRead);
  ::CloseHandle(readEnd);
  return outcome;
}

std::string Utf8(const std::wstring& text) {
  int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(bytes), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), bytes, nullptr, nullptr);
  return out;
}

std::wstring Fscall() { return BuildTreePath(L"tools\\fscall\\fscall.exe"); }
std::wstring Library() { return BuildTreePath(L"fscmd\\VantraFSCmd.dll"); }
std::wstring WithLibrary(const std::wstring& rest) { return L"--library \"" + Library() + L"\" " + rest; }

TEST(Fscall, PrintsTheRawAnswerThenTheAssignments) {
  Outcome beep = RunFscall(Fscall(), WithLibrary(L"Beep"));
  EXPECT_EQ(beep.exitCode, 0u);
  EXPECT_EQ(beep.output, ",-99\nfscmd_ret=-99\n");

  Outcome safe = RunFscall(Fscall(), WithLibrary(L"HtmlSafe \"a b&c\""));
  EXPECT_EQ(safe.exitCode, 0u);
  EXPECT_EQ(safe.output, ",a%20b%26c\nfscmd_ret=a%20b%26c\n");

  // The words after the command form one argument text.
  Outcome words = RunFscall(Fscall(), WithLibrary(L"HtmlSafe a b"));
  EXPECT_EQ(words.output, ",a%20b\nfscmd_ret=a%20b\n");

  Outcome empty = RunFscall(Fscall(), WithLibrary(L"AppGetCmdLine"));
  EXPECT_EQ(empty.exitCode, 0u);
  EXPECT_EQ(empty.output, ",\n");
}

TEST(Fscall, NamedVariablesAndUtf8) {
  const std::wstring key = L"Software\\FSCmdFscallTest";
  ::SHDeleteKeyW(HKEY_CURRENT_USER, key.c_str());
  Outcome write = RunFscall(Fscall(), WithLibrary(L"RegWrite HKCU," + key + L"\\v,REG_SZ,Gr\u00fc\u00dfe,status"));
  EXPECT_EQ(write.exitCode, 0u);
  EXPECT_EQ(write.output, ",0,HKCU,Software\\FSCmdFscallTest\\v,REG_SZ,Gr\xC3\xBC\xC3\x9F" "e,OK\n"
                          "fscmd_ret=0\nHKCU=HKCU\nSoftware\\FSCmdFscallTest\\v=Software\\FSCmdFscallTest\\v\n"
                          "REG_SZ=REG_SZ\nGr\xC3\xBC\xC3\x9F" "e=Gr\xC3\xBC\xC3\x9F" "e\nstatus=OK\n");
  Outcome read = RunFscall(Fscall(), WithLibrary(L"RegRead HKCU," + key + L"\\v,,value"));
  EXPECT_EQ(read.output, ",0,HKCU,Software\\FSCmdFscallTest\\v,,Gr\xC3\xBC\xC3\x9F" "e\n"
                         "fscmd_ret=0\nHKCU=HKCU\nSoftware\\FSCmdFscallTest\\v=Software\\FSCmdFscallTest\\v\n"
                         "value=Gr\xC3\xBC\xC3\x9F" "e\n");
  ::SHDeleteKeyW(HKEY_CURRENT_USER, key.c_str());
}

TEST(Fscall, UnknownCommandsAndUsage) {
  Outcome missing = RunFscall(Fscall(), WithLibrary(L"NoSuchCommand x"));
  EXPECT_EQ(missing.exitCode, 1u);
  EXPECT_EQ(missing.output, "fscall: no library exports FSNoSuchCommand\n");
  // Export names are matched case-sensitively; the one meant is named.
  Outcome lower = RunFscall(Fscall(), WithLibrary(L"beep"));
  EXPECT_EQ(lower.exitCode, 1u);
  EXPECT_EQ(lower.output, "fscall: no library exports FSbeep; FSBeep differs only in case (export names are "
                          "case-sensitive)\n");
  EXPECT_EQ(RunFscall(Fscall(), L"").exitCode, 2u);
  EXPECT_EQ(RunFscall(Fscall(), L"--library").exitCode, 2u);
}

TEST(Fscall, EachLineOfTheInputIsOneCommandOfOneLoadedLibrary) {
  ScratchFolder folder(L"fscall-each");
  std::string file = Utf8(folder / L"slot.txt");
  std::string connect = Utf8(testing_support::SqliteConnectString(folder / L"each.db"));
  std::string input =
      "FileOpen 1," + file + ",w\n"
      "FileWrite 1,kept across commands\r\n"
      "\n"
      "NoSuchCommand x\n"
      "FileClose 1\n"
      "DBOpen 2," + connect + "\n"
      "DBExecSQL 2,CREATE TABLE t (a TEXT)\n"
      "DBExecSQL 2,INSERT INTO t VALUES ('x y')\n"
      "DBDoSQL 2,SELECT * FROM t\n"
      "  DBGetFieldVal 2,a,value\n"
      "DBClose 2";
  Outcome each = RunFscall(Fscall(), WithLibrary(L"--each"), input);
  // One command had no export: the others still ran, and the exit code says so.
  EXPECT_EQ(each.exitCode, 1u);
  EXPECT_EQ(each.output,
            ",0\nfscmd_ret=0\n"
            ",0\nfscmd_ret=0\n"
            "fscall: no library exports FSNoSuchCommand\n"
            ",0\nfscmd_ret=0\n"
            ",0\nfscmd_ret=0\n"
            ",0\nfscmd_ret=0\n"
            ",0\nfscmd_ret=0\n"
            ",1\nfscmd_ret=1\n"
            "\t0\t2\ta\tx y\nfscmd_ret=0\n2=2\na=a\nvalue=x y\n"
            ",0\nfscmd_ret=0\n");
  EXPECT_EQ(ReadFileBytes(folder / L"slot.txt").size(), std::string("kept across commands").size());

  EXPECT_EQ(RunFscall(Fscall(), WithLibrary(L"--each extra")).exitCode, 2u);
}

TEST(Fscall, ListsTheExportsOfTheCommandTable) {
  Outcome list = RunFscall(Fscall(), WithLibrary(L"--list"));
  EXPECT_EQ(list.exitCode, 0u);
  std::string table;
#define FSCMD_COMMAND(name) table += "FS" #name "\n";
#include "command_list.h"
#undef FSCMD_COMMAND
  EXPECT_EQ(list.output, table);
}

TEST(Fscall, FindsTheLibrariesBesideItself) {
  ScratchFolder folder(L"fscall");
  ASSERT_TRUE(::CopyFileW(Fscall().c_str(), (folder / L"fscall.exe").c_str(), FALSE));
  Outcome alone = RunFscall(folder / L"fscall.exe", L"Beep");
  EXPECT_EQ(alone.exitCode, 1u);
  EXPECT_EQ(alone.output, "fscall: no library exports FSBeep (no extension library was found)\n");
  ASSERT_TRUE(::CopyFileW(Library().c_str(), (folder / L"VantraFSCmd.dll").c_str(), FALSE));
  Outcome found = RunFscall(folder / L"fscall.exe", L"GetExeDir dir");
  EXPECT_EQ(found.exitCode, 0u);
  EXPECT_NE(found.output.find("\ndir="), std::string::npos) << found.output;
}

}  // namespace
