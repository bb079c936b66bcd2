#include <gtest/gtest.h>

#include <windows.h>

#include <cwctype>

#include "library_access.h"
#include "testing_support/files.h"

namespace fscmd_tests {
namespace {

using testing_support::ScratchFolder;

class FileCommands : public ::testing::Test {
 protected:
  ScratchFolder folder_{L"fscmd-files"};
  std::wstring Path(const std::wstring& name) const { return folder_ / name; }
};

TEST_F(FileCommands, IsDirTellsFoldersFromFiles) {
  ASSERT_TRUE(WriteTextFile(Path(L"f.txt"), "x"));
  EXPECT_EQ(Call("FSFileIsDir", folder_.path()), L",1");
  EXPECT_EQ(Call("FSFileIsDir", Path(L"f.txt")), L",0");
  EXPECT_EQ(Call("FSFileIsDir", Path(L"missing")), L",0");
  EXPECT_EQ(Call("FSFileIsDir", L""), L",0");
  EXPECT_EQ(Call("FSFileIsDir", L"%TEMP%"), L",1");
}

TEST_F(FileCommands, FindFirstAndNextListFilesSortedWithoutFolders) {
  ASSERT_TRUE(WriteTextFile(Path(L"b.txt"), "b"));
  ASSERT_TRUE(WriteTextFile(Path(L"A.txt"), "a"));
  ASSERT_TRUE(::CreateDirectoryW(Path(L"sub").c_str(), nullptr));
  EXPECT_EQ(Call("FSFileFindFirst", folder_.path() + L"\\\\,name"), L",1,,A.txt");
  EXPECT_EQ(Call("FSFileFindNext", L"name"), L",1,b.txt");
  EXPECT_EQ(Call("FSFileFindNext", L"name"), L",0,");
  EXPECT_EQ(Call("FSFileFindNext", L"name"), L",0,");
  EXPECT_EQ(Call("FSFileFindFirst", folder_.path() + L",name,*.*,D"), L",1,,b.txt");
  EXPECT_EQ(Call("FSFileFindFirst", folder_.path() + L",name,*.txt,a"), L",1,,A.txt");
  EXPECT_EQ(Call("FSFileFindNext", L""), L",0,");
  EXPECT_EQ(Call("FSFileFindFirst", folder_.path() + L",name,*.none"), L",0,,");
  EXPECT_EQ(Call("FSFileFindFirst", L""), L",0,,");
}

TEST_F(FileCommands, SlotsOpenWriteReadAndClose) {
  std::wstring file = Path(L"slot.txt");
  EXPECT_EQ(Call("FSFileOpen", L"0," + file + L",w"), L",-102");
  EXPECT_EQ(Call("FSFileOpen", L"11," + file + L",w"), L",-102");
  EXPECT_EQ(Call("FSFileOpen", L"3"), L",-101");
  EXPECT_EQ(Call("FSFileOpen", L""), L",-101");
  EXPECT_EQ(Call("FSFileOpen", L"3," + Path(L"none\\x.txt")), L",-104");
  EXPECT_EQ(Call("FSFileWrite", L"3,text"), L",-103");
  EXPECT_EQ(Call("FSFileOpen", L"3," + file + L",W"), L",0");
  EXPECT_EQ(Call("FSFileWrite", L"3,  one, two,three\n"), L",0");
  EXPECT_EQ(Call("FSFileWrite", L"3,second line\n"), L",0");
  EXPECT_EQ(Call("FSFileWrite", L"3"), L",-101");
  EXPECT_EQ(Call("FSFileWrite", L"12,x"), L",-102");
  // Opening the slot again closes the first stream, which writes the text out.
  EXPECT_EQ(Call("FSFileOpen", L"3," + file), L",0");
  // Text mode: line feeds are stored as CR LF and read back as line feeds.
  EXPECT_EQ(ReadTextFile(file), L"one, two,three\r\nsecond line\r\n");
  EXPECT_EQ(Call("FSFileRead", L"3,v,5"), L"\xFF" L"0\xFF" L"3\xFF" L"one, \xFF" L"5");
  EXPECT_EQ(Call("FSFileRead", L"3,v"), L"\xFF" L"0\xFF" L"3\xFF" L"two,three\n\xFF");
  EXPECT_EQ(Call("FSFileRead", L"3,v,L"), L"\xFF" L"0\xFF" L"3\xFF" L"second line\n\xFF" L"L");
  EXPECT_EQ(Call("FSFileRead", L"3,v,500"), L"\xFF" L"0\xFF" L"3\xFF\xFF" L"500");
  EXPECT_EQ(Call("FSFileRead", L"3,v"), L"\xFF" L"0\xFF" L"3\xFF\xFF");
  EXPECT_EQ(Call("FSFileRead", L"3"), L"\xFF-101");
  EXPECT_EQ(Call("FSFileRead", L"0,v"), L"\xFF-102");
  EXPECT_EQ(Call("FSFileRead", L"4,v"), L"\xFF-103");
  EXPECT_EQ(Call("FSFileClose", L"3"), L",0");
  EXPECT_EQ(Call("FSFileClose", L""), L",-101");
  EXPECT_EQ(Call("FSFileClose", L"-1"), L",-102");
  EXPECT_EQ(Call("FSFileRead", L"3,v"), L"\xFF-103");
}

TEST_F(FileCommands, DevicesAreNoFiles) {
  // A read from the console would wait for ever; the other commands refuse devices as well.
  for (const wchar_t* device : {L"CONIN$", L"CON", L"nul", L"\\\\.\\pipe\\none", L"C:\\aux.txt"}) {
    EXPECT_EQ(Call("FSFileOpen", L"3," + std::wstring(device) + L",r"), L",-104") << device;
    EXPECT_EQ(Call("FSFileRead", L"3,v,5"), L"\xFF-103") << device;
    EXPECT_EQ(Call("FSWriteStr", std::wstring(device) + L",w,text"), L",0") << device;
    EXPECT_NE(Call("FSFileCopy", std::wstring(device) + L"," + Path(L"copy.txt")), L",0") << device;
    EXPECT_NE(Call("FSPrivateProfileStringGet", std::wstring(device) + L",s,k,d"), L",1") << device;
  }
  EXPECT_EQ(::GetFileAttributesW(Path(L"copy.txt").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(FileCommands, AHugeReadCountReadsWhatIsThere) {
  std::wstring file = Path(L"small.txt");
  ASSERT_TRUE(WriteTextFile(file, "tiny"));
  EXPECT_EQ(Call("FSFileOpen", L"5," + file), L",0");
  EXPECT_EQ(Call("FSFileRead", L"5,v,2147483647"), L"\xFF" L"0\xFF" L"5\xFFtiny\xFF" L"2147483647");
  EXPECT_EQ(Call("FSFileClose", L"5"), L",0");
}

TEST_F(FileCommands, DeleteAccessCopyAndSize) {
  std::wstring source = Path(L"source.txt");
  ASSERT_TRUE(WriteTextFile(source, "12345"));
  EXPECT_EQ(Call("FSFileAccess", source), L",0");
  EXPECT_EQ(Call("FSFileAccess", source + L",6"), L",0");
  EXPECT_EQ(Call("FSFileAccess", Path(L"missing.txt")), L",-1002");
  EXPECT_EQ(Call("FSFileAccess", L""), L",-101");
  // Modes the runtime does not know never reach it: the answer is its invalid-argument code, EINVAL.
  EXPECT_EQ(Call("FSFileAccess", source + L",1"), L",-1022");
  EXPECT_EQ(Call("FSFileAccess", source + L",-7"), L",-1022");
  EXPECT_EQ(Call("FSFileSize", source + L",size"), L",0," + source + L",5");
  EXPECT_EQ(Call("FSFileSize", source), L",-101");
  EXPECT_EQ(Call("FSFileSize", Path(L"missing.txt") + L",size"), L",-1002");

  std::wstring target = Path(L"target.txt");
  EXPECT_EQ(Call("FSFileCopy", source + L"," + target), L",0");
  EXPECT_EQ(Call("FSFileCopy", source + L"," + target), L",-2080");
  EXPECT_EQ(Call("FSFileCopy", source + L"," + target + L",N"), L",-2080");
  EXPECT_EQ(Call("FSFileCopy", source + L"," + target + L",y"), L",0");
  EXPECT_EQ(Call("FSFileCopy", source), L",-101");

  EXPECT_EQ(Call("FSFileDelete", target), L",0");
  EXPECT_EQ(Call("FSFileDelete", target), L",-1002");
  EXPECT_EQ(Call("FSFileDelete", L""), L",-101");
}

TEST_F(FileCommands, TempNameAndMkDir) {
  std::wstring answer = Call("FSFileTempName", L"name");
  ASSERT_EQ(answer.substr(0, 3), L",0,");
  // The runtime may shorten the prefix.
  EXPECT_NE(answer.find(L"KTQ"), std::wstring::npos) << Utf8(answer);
  EXPECT_EQ(Call("FSFileTempName", L""), L",-101");

  std::wstring nested = Path(L"one\\two\\three");
  EXPECT_EQ(Call("FSFileMkDir", nested + L"\\"), L",-99");
  EXPECT_EQ(Call("FSFileIsDir", nested), L",1");
  EXPECT_EQ(Call("FSFileMkDir", nested), L",-99");
  EXPECT_EQ(Call("FSFileMkDir", L""), L",-99");
}

// Fifty thousand nested folders in a 100,000-character text: longer than any path the system takes, so nothing
// is made, and the walk never holds every parent at once (which took gigabytes).
TEST_F(FileCommands, MkDirOfAPathLongerThanTheSystemTakesMakesNothing) {
  std::wstring deep;
  for (int i = 0; i < 50000; ++i) deep += L"a\\";
  EXPECT_EQ(Call("FSFileMkDir", Path(deep)), L",-99");
  EXPECT_EQ(Call("FSFileIsDir", Path(L"a")), L",0");
}

// A profile file name longer than the profile functions take answers "name too long" and touches nothing.
TEST_F(FileCommands, ProfileFileNamesLongerThanTheSystemTakesAreRefused) {
  const std::wstring tooLong = L",-" + std::to_wstring(2000 + ERROR_FILENAME_EXCED_RANGE);
  std::wstring bare(300, L'A');
  EXPECT_EQ(Call("FSPrivateProfileStringGet", bare + L",s,k,d,v"), tooLong);
  EXPECT_EQ(Call("FSPrivateProfileStringSet", bare + L",s,k,v"), tooLong);
  EXPECT_EQ(Call("FSPrivateProfileStringGet", std::wstring(100000, L'A') + L",s,k"), tooLong);
  EXPECT_EQ(Call("FSPrivateProfileStringSet", Path(std::wstring(300, L'b') + L".ini") + L",s,k,v"), tooLong);
  // A name of an ordinary length still works.
  EXPECT_EQ(Call("FSPrivateProfileStringSet", Path(L"ok.ini") + L",s,k,v"), L",0");
  EXPECT_EQ(Call("FSPrivateProfileStringGet", Path(L"ok.ini") + L",s,k,d"), L",1");
}

// A file holding a NUL: the text read ends there, and the answer carries no NUL (the host would cut the answer
// at it and lose the fields behind).
TEST_F(FileCommands, ReadTextEndsAtANulOfTheFile) {
  ASSERT_TRUE(WriteTextFile(Path(L"zeros.bin"), std::string("ab\0cd", 5)));
  EXPECT_EQ(Call("FSFileOpen", L"4," + Path(L"zeros.bin") + L",r"), L",0");
  std::wstring answer = Call("FSFileRead", L"4,v,100");
  // What the runtime makes of the bytes before the NUL is its own; nothing from the NUL on is in the answer.
  EXPECT_EQ(answer.find(L'\0'), std::wstring::npos) << answer.size();
  EXPECT_EQ(answer.substr(0, 5), L"\xFF" L"0\xFF" L"4\xFF");
  EXPECT_EQ(answer.substr(answer.size() - 4), L"\xFF" L"100");
  EXPECT_EQ(answer.find(L"cd"), std::wstring::npos);
  EXPECT_EQ(Call("FSFileClose", L"4"), L",0");
}

// Changes the current folder for one test.
class CurrentFolder {
 public:
  explicit CurrentFolder(const std::wstring& folder) {
    ::GetCurrentDirectoryW(MAX_PATH, saved_);
    ::SetCurrentDirectoryW(folder.c_str());
  }
  ~CurrentFolder() { ::SetCurrentDirectoryW(saved_); }

 private:
  wchar_t saved_[MAX_PATH] = {};
};

TEST_F(FileCommands, MkDirKeepsARootRelativePathBelowTheRoot) {
  ScratchFolder elsewhere(L"fscmd-mkdir-current");
  ASSERT_EQ(folder_.path().substr(1, 2), L":\\");
  ASSERT_EQ(towlower(elsewhere.path()[0]), towlower(folder_.path()[0]));
  CurrentFolder current(elsewhere.path());
  std::wstring rootRelative = folder_.path().substr(2) + L"\\made\\below";
  EXPECT_EQ(Call("FSFileMkDir", rootRelative), L",-99");
  EXPECT_EQ(Call("FSFileIsDir", Path(L"made\\below")), L",1");
  // Nothing of the path lands below the current folder.
  size_t second = rootRelative.find(L'\\', 1);
  EXPECT_EQ(::GetFileAttributesW((elsewhere / rootRelative.substr(1, second - 1)).c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(FileCommands, OpenTakesOnlyModesTheRuntimeKnows) {
  std::wstring file = Path(L"modes.txt");
  ASSERT_TRUE(WriteTextFile(file, "line\n"));
  for (const wchar_t* mode : {L"z", L"r++", L"rw", L"x+"}) {
    EXPECT_EQ(Call("FSFileOpen", L"4," + file + L"," + mode), L",-104") << Utf8(mode);
    EXPECT_EQ(Call("FSFileRead", L"4,text"), L"\xFF-103");
  }
  EXPECT_EQ(Call("FSFileOpen", L"4," + file + L",RB"), L",0");
  EXPECT_EQ(Call("FSFileClose", L"4"), L",0");
  EXPECT_EQ(Call("FSFileOpen", L"4," + file + L",a+"), L",0");
  EXPECT_EQ(Call("FSFileClose", L"4"), L",0");
}

TEST_F(FileCommands, WriteStrModes) {
  std::wstring file = Path(L"str.txt");
  EXPECT_EQ(Call("FSWriteStr", file + L",,text"), L",0");
  EXPECT_EQ(Call("FSWriteStr", file + L",x,text"), L",0");
  EXPECT_EQ(Call("FSWriteStr", file + L",a,first, with comma;"), L",2");
  EXPECT_EQ(ReadTextFile(file), L"first, with comma;");
  EXPECT_EQ(Call("FSWriteStr", file + L",append, more"), L",2");
  EXPECT_EQ(ReadTextFile(file), L"first, with comma;more");
  EXPECT_EQ(Call("FSWriteStr", file + L",w,Grüße"), L",2");
  std::vector<uint8_t> bytes = testing_support::ReadFileBytes(file);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "Gr\xC3\xBC\xC3\x9F" "e");
  EXPECT_EQ(Call("FSWriteStr", L""), L",-99");
  // A leading comma is skipped like a blank: "w" becomes the path, which does not exist.
  EXPECT_EQ(Call("FSWriteStr", L",w,x"), L",0");
}

TEST_F(FileCommands, ProfileStrings) {
  std::wstring ini = Path(L"settings.ini");
  EXPECT_EQ(Call("FSPrivateProfileStringSet", ini + L",Main,Colour,blue"), L",0");
  EXPECT_EQ(Call("FSPrivateProfileStringSet", ini + L",Main,Colour"), L",-101");
  EXPECT_EQ(Call("FSPrivateProfileStringGet", ini + L",Main,Colour,none,value"),
            L",4," + ini + L",Main,Colour,none,blue");
  EXPECT_EQ(Call("FSPrivateProfileStringGet", ini + L",Main,Colour"), L",4");
  EXPECT_EQ(Call("FSPrivateProfileStringGet", ini + L",Main,Size,large,value"), L",5," + ini + L",Main,Size,large,large");
  EXPECT_EQ(Call("FSPrivateProfileStringGet", ini + L",Main"), L",-101");
}

TEST(DriveDoor, AnswersNoCodeWhateverTheDrive) {
  EXPECT_EQ(Call("FSDriveDoor", L"Q,close"), L",-99");
}

}  // namespace
}  // namespace fscmd_tests
