#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "fscommand/extension_registry.h"
#include "testing_support/files.h"

namespace projector {
namespace {

using testing_support::BuildTreePath;
using testing_support::ScratchFolder;
using Pairs = std::vector<std::pair<std::wstring, std::wstring>>;

class RecordingMovie : public MovieVariables {
 public:
  Pairs set;
  void SetVariable(const std::wstring& name, const std::wstring& value) override { set.emplace_back(name, value); }
};

std::wstring VantraPath() { return BuildTreePath(L"fscmd\\VantraFSCmd.dll"); }
std::wstring TestLibraryPath() { return BuildTreePath(L"projector\\fscommand\\tests\\TestFSCmd.dll"); }

void CopyInto(const ScratchFolder& folder, const std::wstring& source, const std::wstring& name) {
  ASSERT_TRUE(::CopyFileW(source.c_str(), (folder / name).c_str(), FALSE)) << ::GetLastError();
}

TEST(ExtensionLibraryFile, TheProjectorReadsTheLibrarysNames) {
  std::vector<std::wstring> names = ReadExportNames(VantraPath());
  ASSERT_FALSE(names.empty());
  // Byte order of the names, which is also the ordinal order.
  EXPECT_EQ(names.front(), L"FSAfxMessageBox");
  EXPECT_EQ(names.back(), L"FSmailto");
  EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
  for (const wchar_t* name : {L"FSWindowSetHandle", L"FSBeep", L"FSGetExeDir", L"FSHtmlSafe", L"FSRegRead"})
    EXPECT_NE(std::find(names.begin(), names.end(), name), names.end()) << name;
  // Every name is one the loaded library really exports.
  HMODULE module = ::LoadLibraryW(VantraPath().c_str());
  ASSERT_TRUE(module);
  for (const std::wstring& name : names)
    EXPECT_TRUE(::GetProcAddress(module, std::string(name.begin(), name.end()).c_str())) << std::string(name.begin(), name.end());
  ::FreeLibrary(module);
}

TEST(ExtensionLibraryFile, FilesThatAreNoLibrariesGiveNoNames) {
  ScratchFolder folder(L"fscmd-names");
  ASSERT_TRUE(testing_support::WriteFileBytes(folder / L"text.dll", {'h', 'e', 'l', 'l', 'o'}));
  EXPECT_TRUE(ReadExportNames(folder / L"text.dll").empty());
  ASSERT_TRUE(testing_support::WriteFileBytes(folder / L"empty.dll", {}));
  EXPECT_TRUE(ReadExportNames(folder / L"empty.dll").empty());
  EXPECT_TRUE(ReadExportNames(folder / L"missing.dll").empty());
  // The executable of this test: a program without exports.
  wchar_t self[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  EXPECT_TRUE(ReadExportNames(self).empty());
}

TEST(ExtensionRegistry, RegistersMatchingFilesSortedWithoutRegardToCase) {
  ScratchFolder folder(L"fscmd-register");
  CopyInto(folder, TestLibraryPath(), L"b_TestFSCmd.dll");
  CopyInto(folder, TestLibraryPath(), L"A_TestFSCmd.dll");
  CopyInto(folder, TestLibraryPath(), L"Other.dll");
  ASSERT_TRUE(testing_support::WriteFileBytes(folder / L"broken_FSCmd.dll", {'M', 'Z'}));
  ExtensionRegistry registry;
  registry.RegisterExtensionLibraries(folder.path() + L"\\");
  ASSERT_EQ(registry.libraries().size(), 2u);
  EXPECT_EQ(registry.libraries()[0].path, folder / L"A_TestFSCmd.dll");
  EXPECT_EQ(registry.libraries()[1].path, folder / L"b_TestFSCmd.dll");
  ASSERT_EQ(registry.exports().size(), 16u);
  EXPECT_EQ(registry.exports()[0].name, L"FSEcho");
  EXPECT_EQ(registry.exports()[8].library, 1u);
  // Nothing is loaded before the first call.
  EXPECT_FALSE(registry.libraries()[0].module);

  // Both export FSWhich: the first by sorted name answers.
  RecordingMovie movie;
  EXPECT_TRUE(registry.Dispatch(movie, L"Which", L""));
  EXPECT_EQ(movie.set, (Pairs{{L"fscmd_ret", L"A_TestFSCmd.dll"}}));
  EXPECT_TRUE(registry.libraries()[0].module);
  EXPECT_FALSE(registry.libraries()[1].module);
  registry.FreeLibraries();
  EXPECT_FALSE(registry.libraries()[0].module);
  EXPECT_EQ(registry.exports().size(), 16u);
}

class DispatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CopyInto(folder_, VantraPath(), L"VantraFSCmd.dll");
    CopyInto(folder_, TestLibraryPath(), L"TestFSCmd.dll");
    registry_.RegisterExtensionLibraries(folder_.path());
    ASSERT_EQ(registry_.libraries().size(), 2u);
  }
  void TearDown() override { registry_.FreeLibraries(); }

  ScratchFolder folder_{L"fscmd-dispatch"};
  ExtensionRegistry registry_;
  RecordingMovie movie_;
};

TEST_F(DispatchTest, BeepWithNoArgumentsSetsOnlyTheReturnValue) {
  EXPECT_TRUE(registry_.Dispatch(movie_, L"Beep", L""));
  EXPECT_EQ(movie_.set, (Pairs{{L"fscmd_ret", L"-99"}}));
}

TEST_F(DispatchTest, AnswerFieldsGoToTheNamedVariables) {
  EXPECT_TRUE(registry_.Dispatch(movie_, L"Pipe2", L"first,second"));
  EXPECT_EQ(movie_.set, (Pairs{{L"fscmd_ret", L"A"}, {L"first", L"B"}}));
  movie_.set.clear();
  // Leading comma: argument field 0 is empty, so result field 1 is dropped and field 2 reaches the name.
  EXPECT_TRUE(registry_.Dispatch(movie_, L"Pipe3", L",second"));
  EXPECT_EQ(movie_.set, (Pairs{{L"fscmd_ret", L"A"}, {L"second", L"C"}}));
  movie_.set.clear();
  EXPECT_TRUE(registry_.Dispatch(movie_, L"GetExeDir", L"folder"));
  ASSERT_EQ(movie_.set.size(), 2u);
  EXPECT_EQ(movie_.set[1].first, L"folder");
  EXPECT_EQ(movie_.set[0].second, movie_.set[1].second);
  EXPECT_EQ(movie_.set[0].second.back(), L'\\');
}

TEST_F(DispatchTest, ExportNamesAreCaseSensitive) {
  EXPECT_FALSE(registry_.Dispatch(movie_, L"beep", L""));
  EXPECT_FALSE(registry_.Dispatch(movie_, L"NoSuchCommand", L""));
  EXPECT_TRUE(movie_.set.empty());
}

TEST_F(DispatchTest, AnEmptyAnswerSetsNothingButIsHandled) {
  EXPECT_TRUE(registry_.Dispatch(movie_, L"Empty", L"x"));
  EXPECT_TRUE(registry_.Dispatch(movie_, L"Null", L"x"));
  EXPECT_TRUE(movie_.set.empty());
}

class RecordingObserver : public DispatchObserver {
 public:
  std::vector<std::wstring> lines;
  void OnCommand(const std::wstring& command, const std::wstring& args) override { lines.push_back(command + L"|" + args); }
  void OnFound(const std::wstring& library) override { lines.push_back(L"found " + library); }
  void OnResult(const std::wstring& result) override { lines.push_back(L"result " + result); }
  void OnNotFound() override { lines.push_back(L"not found"); }
};

TEST_F(DispatchTest, TheObserverSeesEveryStep) {
  RecordingObserver observer;
  registry_.Dispatch(movie_, L"HtmlSafe", L"a b", &observer);
  registry_.Dispatch(movie_, L"Missing", L"", &observer);
  EXPECT_EQ(observer.lines, (std::vector<std::wstring>{L"HtmlSafe|a b", L"found VantraFSCmd.dll", L"result a%20b",
                                                       L"Missing|", L"not found"}));
}

TEST_F(DispatchTest, TheLibraryIsNamedBeforeItsExportRuns) {
  // An export that waits (a message box) must find its library's line already in the log.
  ::SetEnvironmentVariableW(L"TESTFSCMD_MARK", nullptr);
  bool markedBeforeFound = true;
  class Observer : public RecordingObserver {
   public:
    bool* marked = nullptr;
    void OnFound(const std::wstring& library) override {
      *marked = ::GetEnvironmentVariableW(L"TESTFSCMD_MARK", nullptr, 0) != 0;
      RecordingObserver::OnFound(library);
    }
  } observer;
  observer.marked = &markedBeforeFound;
  EXPECT_TRUE(registry_.Dispatch(movie_, L"Mark", L"", &observer));
  EXPECT_FALSE(markedBeforeFound);
  EXPECT_NE(::GetEnvironmentVariableW(L"TESTFSCMD_MARK", nullptr, 0), 0u);
  EXPECT_EQ(observer.lines, (std::vector<std::wstring>{L"Mark|", L"found TestFSCmd.dll", L"result marked"}));
}

TEST_F(DispatchTest, ANameLongerThan255CharactersIsNeverLookedUp) {
  std::wstring command(254, L'L');
  ASSERT_NE(std::find_if(registry_.exports().begin(), registry_.exports().end(),
                         [&](const ExtensionExport& e) { return e.name == L"FS" + command; }),
            registry_.exports().end());
  RecordingObserver observer;
  EXPECT_FALSE(registry_.Dispatch(movie_, command, L"", &observer));
  EXPECT_TRUE(movie_.set.empty());
  EXPECT_EQ(observer.lines.back(), L"not found");
  // One character less reaches no export and no library either, without harm.
  EXPECT_FALSE(registry_.Dispatch(movie_, command.substr(1), L""));
}

// A copy of the test library with its bytes changed at every place `from` stands.
void CopyPatched(const ScratchFolder& folder, const std::wstring& name, const std::string& from, const std::string& to) {
  std::vector<uint8_t> bytes = testing_support::ReadFileBytes(TestLibraryPath());
  std::string text(bytes.begin(), bytes.end());
  size_t found = 0;
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + 1), ++found)
    text.replace(at, to.size(), to);
  ASSERT_GT(found, 0u);
  ASSERT_TRUE(testing_support::WriteFileBytes(folder / name, std::vector<uint8_t>(text.begin(), text.end())));
}

// A copy that lists its exports but is built for a machine no system runs.
void CopyUnloadable(const ScratchFolder& folder, const std::wstring& name) {
  std::vector<uint8_t> bytes = testing_support::ReadFileBytes(TestLibraryPath());
  ASSERT_GT(bytes.size(), 64u);
  size_t header = bytes[60] | (bytes[61] << 8) | (bytes[62] << 16) | (static_cast<size_t>(bytes[63]) << 24);
  ASSERT_LT(header + 6, bytes.size());
  bytes[header + 4] = 0x34;
  bytes[header + 5] = 0x12;
  ASSERT_TRUE(testing_support::WriteFileBytes(folder / name, bytes));
}

TEST(ExtensionRegistryFailures, ALibraryThatDoesNotLoadPassesToTheNextOne) {
  ScratchFolder folder(L"fscmd-unloadable");
  CopyUnloadable(folder, L"A_FSCmd.dll");
  CopyInto(folder, TestLibraryPath(), L"B_FSCmd.dll");
  ExtensionRegistry registry;
  registry.RegisterExtensionLibraries(folder.path());
  ASSERT_EQ(registry.libraries().size(), 2u);
  ASSERT_EQ(registry.exports()[0].name, L"FSEcho");

  RecordingMovie movie;
  RecordingObserver observer;
  EXPECT_TRUE(registry.Dispatch(movie, L"Which", L"", &observer));
  EXPECT_EQ(movie.set, (Pairs{{L"fscmd_ret", L"B_FSCmd.dll"}}));
  EXPECT_FALSE(registry.libraries()[0].module);
  EXPECT_TRUE(registry.libraries()[1].module);
  registry.FreeLibraries();

  // Alone, it answers nothing; a match was noted, so no "not found" line.
  ExtensionRegistry alone;
  ASSERT_TRUE(alone.RegisterLibrary(folder / L"A_FSCmd.dll"));
  RecordingObserver quiet;
  EXPECT_FALSE(alone.Dispatch(movie, L"Echo", L"x", &quiet));
  EXPECT_EQ(quiet.lines, (std::vector<std::wstring>{L"Echo|x"}));
  EXPECT_FALSE(alone.libraries()[0].module);
}

TEST(ExtensionRegistryFailures, AnExportTheLoaderCannotFindIsNotFound) {
  // The file lists "FSZcho", but the loader's sorted search for it passes the place where it stands.
  ScratchFolder folder(L"fscmd-unfindable");
  CopyPatched(folder, L"Patched_FSCmd.dll", std::string("FSEcho\0", 7), std::string("FSZcho\0", 7));
  ExtensionRegistry registry;
  ASSERT_TRUE(registry.RegisterLibrary(folder / L"Patched_FSCmd.dll"));
  ASSERT_EQ(registry.exports()[0].name, L"FSZcho");

  RecordingMovie movie;
  RecordingObserver observer;
  EXPECT_FALSE(registry.Dispatch(movie, L"Zcho", L"x", &observer));
  EXPECT_TRUE(movie.set.empty());
  EXPECT_EQ(observer.lines, (std::vector<std::wstring>{L"Zcho|x", L"not found"}));
  // The library loaded for the look-up and still answers its other exports.
  EXPECT_TRUE(registry.libraries()[0].module);
  EXPECT_TRUE(registry.Dispatch(movie, L"Which", L""));
  EXPECT_EQ(movie.set, (Pairs{{L"fscmd_ret", L"Patched_FSCmd.dll"}}));
  registry.FreeLibraries();
}

TEST(ExtensionRegistryFailures, FreeingUnloadsEveryLibraryItLoaded) {
  ScratchFolder folder(L"fscmd-unload");
  CopyInto(folder, TestLibraryPath(), L"One_FSCmd.dll");
  CopyPatched(folder, L"Two_FSCmd.dll", std::string("FSPipe3\0", 8), std::string("FSPipe4\0", 8));
  ExtensionRegistry registry;
  registry.RegisterExtensionLibraries(folder.path());
  ASSERT_EQ(registry.libraries().size(), 2u);
  RecordingMovie movie;
  EXPECT_TRUE(registry.Dispatch(movie, L"Which", L""));
  EXPECT_TRUE(registry.Dispatch(movie, L"Pipe4", L""));
  EXPECT_TRUE(::GetModuleHandleW((folder / L"One_FSCmd.dll").c_str()));
  EXPECT_TRUE(::GetModuleHandleW((folder / L"Two_FSCmd.dll").c_str()));
  registry.FreeLibraries();
  EXPECT_FALSE(::GetModuleHandleW((folder / L"One_FSCmd.dll").c_str()));
  EXPECT_FALSE(::GetModuleHandleW((folder / L"Two_FSCmd.dll").c_str()));
}

TEST(ExtensionRegistryFallback, AnEmptyRegistryRegistersTheProgramFolder) {
  // The test program's folder holds the test library, found on the first dispatch.
  ExtensionRegistry registry;
  RecordingMovie movie;
  EXPECT_TRUE(registry.Dispatch(movie, L"Which", L""));
  EXPECT_EQ(movie.set, (Pairs{{L"fscmd_ret", L"TestFSCmd.dll"}}));
  ASSERT_EQ(registry.libraries().size(), 1u);
  EXPECT_EQ(registry.libraries()[0].path, ProgramFolder() + L"\\TestFSCmd.dll");
  registry.FreeLibraries();
}

}  // namespace
}  // namespace projector
