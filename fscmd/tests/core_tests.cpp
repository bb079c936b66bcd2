#include <gtest/gtest.h>

#include <map>

#include "fscmd/text_rules.h"

namespace fscmd {
namespace {

std::vector<std::wstring> Fields(const std::wstring& text, wchar_t separator = L',') {
  return SplitArguments(text, separator).fields();
}

TEST(SplitArguments, KeepsEmptyInnerFieldsAndDropsTrailingOne) {
  EXPECT_EQ(Fields(L"a,,b"), (std::vector<std::wstring>{L"a", L"", L"b"}));
  EXPECT_EQ(Fields(L"a,b,"), (std::vector<std::wstring>{L"a", L"b"}));
  EXPECT_EQ(Fields(L",name"), (std::vector<std::wstring>{L"", L"name"}));
  EXPECT_EQ(Fields(L",,"), (std::vector<std::wstring>{L"", L""}));
}

TEST(SplitArguments, DropsLeadingBlanksKeepsTrailingOnes) {
  EXPECT_EQ(Fields(L"  a  , \t b"), (std::vector<std::wstring>{L"a  ", L"b"}));
  EXPECT_TRUE(Fields(L"").empty());
  EXPECT_TRUE(Fields(L"   \t\r\n").empty());
  EXPECT_EQ(Fields(L"a, ,b"), (std::vector<std::wstring>{L"a", L"", L"b"}));
}

TEST(SplitArguments, NoQuotingAndOtherSeparators) {
  EXPECT_EQ(Fields(L"\"a,b\""), (std::vector<std::wstring>{L"\"a", L"b\""}));
  EXPECT_EQ(Fields(L"a|b,c", L'|'), (std::vector<std::wstring>{L"a", L"b,c"}));
  EXPECT_EQ(Fields(L"a,b", 0), (std::vector<std::wstring>{L"a", L"b"}));
  // A blank separator cannot make empty fields: runs of blanks count as one.
  EXPECT_EQ(Fields(L"  0a   1b ff", L' '), (std::vector<std::wstring>{L"0a", L"1b", L"ff"}));
}

TEST(SplitArguments, MissingFieldsReadEmpty) {
  ArgumentList fields = SplitArguments(L"x");
  EXPECT_EQ(fields[0], L"x");
  EXPECT_EQ(fields[7], L"");
  EXPECT_TRUE(fields.IsEmpty(1));
  EXPECT_EQ(fields.Number(1, 1000), 1000);
}

TEST(SplitWithFreeText, LastFieldKeepsItsCommas) {
  EXPECT_EQ(SplitWithFreeText(L"3, hello, world,!", 1).fields(), (std::vector<std::wstring>{L"3", L"hello, world,!"}));
  EXPECT_EQ(SplitWithFreeText(L"f.txt,w,a,b", 2).fields(), (std::vector<std::wstring>{L"f.txt", L"w", L"a,b"}));
  // An empty mode: the run of separators is skipped and the text moves up to the mode field.
  EXPECT_EQ(SplitWithFreeText(L"f.txt,,text", 2).fields(), (std::vector<std::wstring>{L"f.txt", L"text"}));
}

TEST(ReadNumber, ReadsLikeTheRuntime) {
  EXPECT_EQ(ReadNumber(L"42"), 42);
  EXPECT_EQ(ReadNumber(L"  -17xyz"), -17);
  EXPECT_EQ(ReadNumber(L"+5"), 5);
  EXPECT_EQ(ReadNumber(L"abc"), 0);
  EXPECT_EQ(ReadNumber(L""), 0);
  EXPECT_EQ(ReadNumber(L"12 34"), 12);
  // Only 19 characters count.
  EXPECT_EQ(ReadNumber(L"                  7"), 7);
  EXPECT_EQ(ReadNumber(L"                   7"), 0);
  EXPECT_EQ(ReadNumber(L"99999999999999999"), 2147483647L);
  EXPECT_EQ(ReadNumber(L"-99999999999999999"), -2147483647L - 1);
}

TEST(CommandResult, BuildsTheAnswerText) {
  CommandResult nothing;
  EXPECT_EQ(nothing.Finish(), L",-99");

  CommandResult codes;
  codes.AddExtra(10);
  codes.AddExtra(L"20");
  EXPECT_EQ(codes.Finish(1), L",1,10,20");

  CommandResult text;
  text.SetSeparator(L'|');
  text.SetPrimary(L"C:\\dir\\");
  text.AddExtra(L"C:\\dir\\");
  EXPECT_EQ(text.Finish(), L"|C:\\dir\\|C:\\dir\\");

  CommandResult empties;
  empties.AddEmptyExtra();
  empties.AddExtra(L"b");
  EXPECT_EQ(empties.Finish(0), L",0,,b");

  CommandResult numeric;
  numeric.SetPrimary(7L);
  EXPECT_EQ(numeric.Finish(), L",7");
  EXPECT_EQ(code::FromErrno(2), -1002);
  EXPECT_EQ(code::FromLastError(5), -2005);
}

class FakeFolders : public AliasFolderSource {
 public:
  std::map<PathAlias, std::wstring> values;
  std::wstring Folder(PathAlias alias) override {
    auto it = values.find(alias);
    return it == values.end() ? L"" : it->second;
  }
};

TEST(ExpandPathAliases, ReplacesKnownAliasesInAnyCase) {
  FakeFolders folders;
  folders.values[PathAlias::Desktop] = L"C:\\Users\\me\\Desktop";
  folders.values[PathAlias::Temp] = L"  C:\\Temp\\\\  ";
  EXPECT_EQ(ExpandPathAliases(L"%Desktop%\\x.txt", folders), L"C:\\Users\\me\\Desktop\\x.txt");
  EXPECT_EQ(ExpandPathAliases(L"%dEsKtOp%/x.txt", folders), L"C:\\Users\\me\\Desktop\\x.txt");
  EXPECT_EQ(ExpandPathAliases(L"%TEMP%\\a", folders), L"C:\\Temp\\a");
  EXPECT_EQ(ExpandPathAliases(L"%TempDir%", folders), L"C:\\Temp");
}

TEST(ExpandPathAliases, LeavesUnknownUnterminatedAndEmptyAliasesAsWritten) {
  FakeFolders folders;
  folders.values[PathAlias::Org] = L"D:\\app";
  EXPECT_EQ(ExpandPathAliases(L"%Nowhere%\\x", folders), L"%Nowhere%\\x");
  EXPECT_EQ(ExpandPathAliases(L"100%", folders), L"100%");
  EXPECT_EQ(ExpandPathAliases(L"a%Org", folders), L"a%Org");
  EXPECT_EQ(ExpandPathAliases(L"%%", folders), L"%%");
  // An alias whose folder is empty counts as unknown.
  EXPECT_EQ(ExpandPathAliases(L"%Desktop%\\x", folders), L"%Desktop%\\x");
  EXPECT_EQ(ExpandPathAliases(L"a/b/%org%/c", folders), L"a\\b\\D:\\app\\c");
}

TEST(ExpandPathAliases, KnowsEveryAliasName) {
  const std::pair<const wchar_t*, PathAlias> names[] = {
      {L"Org", PathAlias::Org},          {L"MyPictures", PathAlias::MyPictures}, {L"MyDocuments", PathAlias::MyDocuments},
      {L"WinDir", PathAlias::Windows},   {L"Windows", PathAlias::Windows},       {L"SysDir", PathAlias::System},
      {L"System", PathAlias::System},    {L"System32", PathAlias::System},       {L"TempDir", PathAlias::Temp},
      {L"Temp", PathAlias::Temp},        {L"Desktop", PathAlias::Desktop},       {L"StartMenu", PathAlias::StartMenu},
      {L"Programs", PathAlias::Programs}, {L"StartUp", PathAlias::StartUp}, {L"ProgramFilesDir", PathAlias::ProgramFiles}};
  for (const auto& [name, alias] : names) {
    ASSERT_TRUE(AliasByName(name).has_value()) << name;
    EXPECT_EQ(*AliasByName(name), alias) << name;
  }
  EXPECT_FALSE(AliasByName(L"ProgramFiles").has_value());
  EXPECT_FALSE(AliasByName(L"").has_value());
}

TEST(PathParts, SplitAPath) {
  EXPECT_EQ(FileNamePart(L" C:/dir/file.txt "), L"file.txt");
  EXPECT_EQ(FileNamePart(L"plain"), L"plain");
  EXPECT_EQ(FileNamePart(L"C:\\dir\\"), L"");
  EXPECT_EQ(FileTitlePart(L"C:\\dir\\file.tar.gz"), L"file.tar");
  EXPECT_EQ(FileTitlePart(L"C:\\dir\\noext"), L"noext");
  EXPECT_EQ(ExtensionPart(L"C:\\dir\\page.HTML"), L"HTML");
  EXPECT_EQ(ExtensionPart(L".htm"), L"");
  EXPECT_EQ(ExtensionPart(L"C:\\my.dir\\page"), L"");
  EXPECT_EQ(ExtensionPart(L"name."), L"");
  EXPECT_EQ(DirectoryPart(L"C:/dir/sub/file.txt"), L"C:\\dir\\sub");
  EXPECT_EQ(DirectoryPart(L"C:\\dir\\\\file.txt"), L"C:\\dir");
  EXPECT_EQ(DirectoryPart(L"file.txt"), L"");
  EXPECT_EQ(DirectoryPart(L"C:\\dir\\file.txt  "), L"C:\\dir");
}

TEST(AuthoringTool, RecognisedByFileNameInAnyCase) {
  EXPECT_TRUE(IsAuthoringToolPath(L"C:\\Program Files\\Tool\\BRINDLEWORK.EXE"));
  EXPECT_TRUE(IsAuthoringToolPath(L"Brindlework.exe"));
  EXPECT_FALSE(IsAuthoringToolPath(L"C:\\Brindlework.exe\\projector.exe"));
  EXPECT_FALSE(IsAuthoringToolPath(L"C:\\x\\Brindlework.exe.bak"));
}

TEST(HtmlSafe, EscapesInOrder) {
  EXPECT_EQ(HtmlSafe(L"a b&c"), L"a%20b%26c");
  EXPECT_EQ(HtmlSafe(L"it's\r\n#/\\"), L"its%0A%23%2F%5C");
  EXPECT_EQ(HtmlSafe(L"100%"), L"100%");
  // The blank's escape is not escaped again.
  EXPECT_EQ(HtmlSafe(L"% "), L"%%20");
}

TEST(BrowserFromOpenCommand, FindsTheProgram) {
  EXPECT_EQ(BrowserFromOpenCommand(L"\"C:\\Program Files\\B\\b.exe\" -url \"%1\""), L"C:\\Program Files\\B\\b.exe");
  EXPECT_EQ(BrowserFromOpenCommand(L"\"C:\\Program Files\\B\\b.exe\""), L"C:\\Program Files\\B\\b.exe");
  EXPECT_EQ(BrowserFromOpenCommand(L"C:\\B\\b.exe %1"), L"C:\\B\\b.exe");
  EXPECT_EQ(BrowserFromOpenCommand(L"C:\\B\\b.exe"), L"C:\\B\\b.exe");
  EXPECT_EQ(BrowserFromOpenCommand(L"browser %1"), L"browser %1");
}

TEST(WebPages, RecognisesPagesAndAddresses) {
  EXPECT_TRUE(IsWebPageName(L"a\\b.HTM"));
  EXPECT_TRUE(IsWebPageName(L"b.html"));
  EXPECT_FALSE(IsWebPageName(L"b.htmx"));
  EXPECT_TRUE(IsWebAddress(L"WWW.example.org"));
  EXPECT_TRUE(IsWebAddress(L"HTTP://example.org"));
  EXPECT_FALSE(IsWebAddress(L"https://example.org"));
  EXPECT_EQ(OtherPageForm(L"C:\\site\\index.htm"), L"C:\\site\\index.html");
  EXPECT_EQ(OtherPageForm(L"C:\\site\\index.HTML"), L"C:\\site\\index.htm");
  EXPECT_EQ(OtherPageForm(L"index.Htm"), L"index.html");
}

TEST(RegistryRules, NamesAreCaseSensitive) {
  EXPECT_EQ(RootKeyByName(L"HKCU"), RootKey::CurrentUser);
  EXPECT_EQ(RootKeyByName(L"HKUSR"), RootKey::Users);
  EXPECT_FALSE(RootKeyByName(L"hkcu").has_value());
  EXPECT_FALSE(RootKeyByName(L"HKU").has_value());
  EXPECT_EQ(RegistryTypeByName(L"REG_EXPAND_SZ"), 2u);
  EXPECT_EQ(RegistryTypeByName(L"reg_sz"), 0u);
  EXPECT_EQ(RegistryTypeName(4), L"REG_DWORD");
  EXPECT_EQ(RegistryTypeName(7), L"Unknown");
}

TEST(RegistryRules, ValuePathSplitsAtTheLastBackslash) {
  std::wstring key, value;
  ASSERT_TRUE(SplitValuePath(L"Software\\A\\Name", &key, &value));
  EXPECT_EQ(key, L"Software\\A");
  EXPECT_EQ(value, L"Name");
  ASSERT_TRUE(SplitValuePath(L"Software\\A\\", &key, &value));
  EXPECT_EQ(value, L"");
  EXPECT_FALSE(SplitValuePath(L"NoBackslash", &key, &value));
}

TEST(RegistryRules, HexBytes) {
  EXPECT_EQ(ParseHexBytes(L"0A 1B   FF"), (std::vector<uint8_t>{0x0A, 0x1B, 0xFF}));
  EXPECT_EQ(ParseHexBytes(L"ABC G1 7"), (std::vector<uint8_t>{0xAB, 0x00, 0x07}));
  EXPECT_TRUE(ParseHexBytes(L"").empty());
  const uint8_t bytes[] = {1, 255, 0x0A};
  EXPECT_EQ(FormatHexBytes(bytes, 3), L" 01 FF 0A");
  EXPECT_EQ(FormatHexBytes(bytes, 0), L"");
}

TEST(RegistryRules, StoredTextNeverRunsPastItsData) {
  const uint8_t terminated[] = {'a', 0, 'b', 0, 0, 0, 'x', 0};
  EXPECT_EQ(StoredRegistryText(terminated, sizeof terminated), L"ab");
  const uint8_t unterminated[] = {'a', 0, 'b', 0, 'c'};
  EXPECT_EQ(StoredRegistryText(unterminated, sizeof unterminated), L"ab");
  EXPECT_EQ(StoredRegistryText(unterminated, 0), L"");
}

}  // namespace
}  // namespace fscmd
