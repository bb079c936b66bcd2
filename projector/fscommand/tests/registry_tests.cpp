#include <gtest/gtest.h>

#include <windows.h>

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
  ASSERT_EQ(registry.exports().size(), 12u);
  EXPECT_EQ(registry.exports()[0].name, L"FSEcho");
  EXPECT_EQ(registry.exports()[6].library, 1u);
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
  EXPECT_EQ(registry.exports().size(), 12u);
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
