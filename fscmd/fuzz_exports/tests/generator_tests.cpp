// The generator's promises: every command has a layout, runs repeat from their seed, each export is called
// as often as asked, the hostile texts cover what they must, and nothing a command writes, creates, deletes or
// connects to leaves the scratch folder or the harness's registry key.
#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <map>
#include <string>

#include "fscmd/text_rules.h"
#include "fuzz_exports/generator.h"
#include "fuzz_exports/shapes.h"

namespace fuzz_exports {
namespace {

#define FSCMD_COMMAND(name) "FS" #name,
constexpr const char* kExportNames[] = {
#include "command_list.h"
};
#undef FSCMD_COMMAND

const std::wstring kScratch = L"c:\\fuzz";
const std::wstring kWork = L"C:\\fuzz\\work\\cwd";

Environment TestEnvironment() {
  Environment env;
  env.writeAnchors = {L"%Temp%", L"%TempDir%", L"%Desktop%", L"%MyDocuments%", L"%Org%", L"%StartUp%", L".", L"",
                      kWork,     L"\\\\?\\" + kWork, L"D:\\", L"D:", L"C:/fuzz/work/cwd"};
  env.readAnchors = {L"%WinDir%", L"C:\\windows", L"C:\\"};
  env.probe = L"C:\\fuzz\\tools\\probe.exe";
  env.document = kWork + L"\\doc.fzd";
  env.page = kWork + L"\\page.html";
  env.connectPrefix = L"DRIVER={SQLite3};Database=/scratch/db/";
  env.hostHandle = L"65538";
  env.otherHandle = L"65540";
  env.registryKey = L"Software\\FuzzExports";
  return env;
}

// The folders of the aliases as the confined prefix gives them.
class ScratchFolders : public fscmd::AliasFolderSource {
 public:
  std::wstring Folder(fscmd::PathAlias alias) override {
    switch (alias) {
      case fscmd::PathAlias::Org: return L"C:\\fuzz\\bin\\org";
      case fscmd::PathAlias::Temp: return L"C:\\fuzz\\temp\\t";
      case fscmd::PathAlias::Windows: return L"C:\\windows";
      case fscmd::PathAlias::System: return L"C:\\windows\\system32";
      case fscmd::PathAlias::ProgramFiles: return L"C:\\Program Files";
      default: return L"C:\\fuzz\\shell\\Folder";
    }
  }
};

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
  return text;
}

// Where the system would put a path, resolved by its text alone; empty for a share or a drive the prefix does not
// have (nothing the harness's prefix can reach).
std::wstring Resolve(std::wstring path) {
  std::replace(path.begin(), path.end(), L'/', L'\\');
  if (path.compare(0, 4, L"\\\\?\\") == 0 || path.compare(0, 4, L"\\\\.\\") == 0) path = path.substr(4);
  std::vector<std::wstring> base;
  std::wstring rest;
  if (path.size() >= 2 && path[1] == L':') {
    wchar_t drive = static_cast<wchar_t>(std::towupper(path[0]));
    bool absolute = path.size() >= 3 && path[2] == L'\\';
    if (drive == L'D') base = {L"c:", L"fuzz", L"drive-d"};
    else if (drive == L'C') base = absolute ? std::vector<std::wstring>{L"c:"}
                                            : std::vector<std::wstring>{L"c:", L"fuzz", L"work", L"cwd"};
    else return {};
    rest = path.substr(absolute ? 3 : 2);
  } else if (path.compare(0, 2, L"\\\\") == 0 || path.compare(0, 3, L"UNC") == 0) {
    return {};
  } else if (!path.empty() && path[0] == L'\\') {
    base = {L"c:"};
    rest = path.substr(1);
  } else {
    base = {L"c:", L"fuzz", L"work", L"cwd"};
    rest = path;
  }
  // A drive's root is as high as ".." goes.
  size_t floor = base[0] == L"c:" && base.size() >= 3 && base[2] == L"drive-d" ? 3 : 1;
  std::vector<std::wstring> parts = base;
  size_t i = 0;
  while (i <= rest.size()) {
    size_t end = rest.find(L'\\', i);
    if (end == std::wstring::npos) end = rest.size();
    std::wstring part = Lower(rest.substr(i, end - i));
    i = end + 1;
    if (part.find_first_not_of(L". ") == std::wstring::npos) {
      if (std::count(part.begin(), part.end(), L'.') >= 2 && parts.size() > floor) parts.pop_back();
      continue;
    }
    while (part.back() == L'.' || part.back() == L' ') part.pop_back();
    parts.push_back(part);
  }
  std::wstring out;
  for (const std::wstring& part : parts) out += (out.empty() ? L"" : L"\\") + part;
  return out;
}

bool InsideScratch(const std::wstring& resolved) {
  return resolved.empty() || resolved == kScratch || resolved.compare(0, kScratch.size() + 1, kScratch + L"\\") == 0;
}

fscmd::ArgumentList SplitLikeTheLibrary(const ExportShape& shape, const std::wstring& text) {
  switch (shape.split) {
    case Split::kFirstComma: return fscmd::SplitWithFreeText(text, 1);
    case Split::kFirstTwoCommas: return fscmd::SplitWithFreeText(text, 2);
    case Split::kWhole: return fscmd::ArgumentList({text});
    default: return fscmd::SplitArguments(text);
  }
}

TEST(Shapes, EveryCommandOfTheLibraryHasItsOwnLayout) {
  for (const char* name : kExportNames) EXPECT_TRUE(KnowsShape(name)) << name;
  EXPECT_FALSE(KnowsShape("FSNoSuchCommand"));
  EXPECT_FALSE(ShapeOf("FSNoSuchCommand").fields.empty());
}

TEST(Generator, RunsRepeatFromTheirSeed) {
  ExportShape shape = ShapeOf("FSFileOpen");
  ArgumentGenerator a(TestEnvironment(), 7), b(TestEnvironment(), 7), c(TestEnvironment(), 8);
  bool differs = false;
  for (int i = 0; i < 200; ++i) {
    std::wstring next = a.Next(shape);
    EXPECT_EQ(next, b.Next(shape));
    differs = differs || next != c.Next(shape);
  }
  EXPECT_TRUE(differs);
}

TEST(CallOrder, CallsEveryExportExactlyAsOftenAsAsked) {
  std::vector<size_t> order = CallOrder(70, 13, 5);
  ASSERT_EQ(order.size(), 70u * 13u);
  std::map<size_t, size_t> counts;
  for (size_t index : order) ++counts[index];
  EXPECT_EQ(counts.size(), 70u);
  for (const auto& [index, count] : counts) EXPECT_EQ(count, 13u) << index;
  EXPECT_FALSE(std::is_sorted(order.begin(), order.end()));
  EXPECT_EQ(order, CallOrder(70, 13, 5));
  EXPECT_NE(order, CallOrder(70, 13, 6));
  EXPECT_TRUE(CallOrder(70, 0, 5).empty());
}

TEST(HostileTexts, CoverTheHostileKindsAndStayRelative) {
  const auto& texts = HostileTexts();
  auto has = [&](auto predicate) { return std::any_of(texts.begin(), texts.end(), predicate); };
  EXPECT_TRUE(has([](const std::wstring& t) { return t.empty(); }));
  EXPECT_TRUE(has([](const std::wstring& t) { return t.size() >= 100000; }));
  EXPECT_TRUE(has([](const std::wstring& t) { return std::count(t.begin(), t.end(), L',') >= 1000; }));
  EXPECT_TRUE(has([](const std::wstring& t) { return t == L"2147483648" || t == L"-2147483649"; }));
  EXPECT_TRUE(has([](const std::wstring& t) { return t == L"CON"; }));
  EXPECT_TRUE(has([](const std::wstring& t) { return t.compare(0, 4, L"\\\\.\\") == 0; }));
  EXPECT_TRUE(has([](const std::wstring& t) { return t.compare(0, 2, L"\\\\") == 0 && t.size() > 32767; }));
  EXPECT_TRUE(has([](const std::wstring& t) { return t == L"\xD800"; }));
  EXPECT_TRUE(has([](const std::wstring& t) { return t == L"%s%n%x"; }));
  EXPECT_TRUE(has([](const std::wstring& t) { return t == L"HKEY_FOO"; }));
  for (const std::wstring& text : texts) {
    SCOPED_TRACE(Printable(text, 60));
    EXPECT_LE(ParentClimbs(text), 2u);
    EXPECT_TRUE(InsideScratch(Resolve(text)));
  }
  // The read-only paths do leave it: they are the ones kept away from commands that write.
  EXPECT_FALSE(InsideScratch(Resolve(L"C:\\windows")));
  EXPECT_FALSE(InsideScratch(Resolve(L"..\\..\\..\\..\\x")));
}

TEST(ParentClimbs, CountsEveryPartMadeOfDots) {
  EXPECT_EQ(ParentClimbs(L"a\\b"), 0u);
  EXPECT_EQ(ParentClimbs(L".\\a"), 0u);
  EXPECT_EQ(ParentClimbs(L"..\\a/../b"), 2u);
  EXPECT_EQ(ParentClimbs(L"...\\. .\\.. "), 3u);
  EXPECT_EQ(ParentClimbs(L"a..b\\..c"), 0u);
}

TEST(Generator, WhatCommandsWriteStaysInTheScratchFolderAndTheHarnessKey) {
  ScratchFolders folders;
  Environment env = TestEnvironment();
  size_t checked = 0;
  for (uint64_t seed = 1; seed <= 2; ++seed) {
    ArgumentGenerator generator(env, seed);
    for (const char* name : kExportNames) {
      ExportShape shape = ShapeOf(name);
      for (int round = 0; round < 50; ++round) {
        std::wstring text = generator.Next(shape);
        fscmd::ArgumentList fields = SplitLikeTheLibrary(shape, text);
        for (size_t i = 0; i < shape.fields.size(); ++i) {
          const std::wstring& field = fields[i];
          Field kind = shape.fields[i];
          if (kind == Field::kIniFile && !field.empty()) {
            // A profile file named without a folder is the Windows folder's.
            EXPECT_NE(fscmd::ExpandPathAliases(field, folders).find(L'\\'), std::wstring::npos)
                << name << ": " << Printable(field, 200);
          }
          if (kind == Field::kWritePath || kind == Field::kIniFile) {
            std::wstring resolved = Resolve(fscmd::ExpandPathAliases(field, folders));
            EXPECT_TRUE(InsideScratch(resolved)) << name << " field " << i << ": " << Printable(field, 200)
                                                 << " -> " << Printable(resolved, 200);
            ++checked;
          }
          bool rootNamed = fscmd::RootKeyByName(fields[0]).has_value();
          if ((kind == Field::kRegKeyPath || (kind == Field::kRegValuePath && std::string(name) == "FSRegWrite")) &&
              rootNamed && !field.empty()) {
            EXPECT_EQ(field.compare(0, env.registryKey.size(), env.registryKey), 0) << name << ": " << Printable(field);
            ++checked;
          }
          if (kind == Field::kConnect) {
            size_t database = field.find(L"Database=");
            if (database != std::wstring::npos) {
              std::wstring file = field.substr(database + 9);
              EXPECT_EQ(file.compare(0, 12, L"/scratch/db/"), 0) << Printable(field);
              std::wstring name = file.substr(std::min(file.size(), size_t{12}));
              EXPECT_EQ(name.find_first_of(L"/\\"), std::wstring::npos) << Printable(field);
              EXPECT_EQ(ParentClimbs(name), 0u) << Printable(field);
            }
          }
        }
      }
    }
  }
  EXPECT_GT(checked, 500u);
}

TEST(NamesTheDriveRoot, SeesTheRootBehindLeadingBlanksAndControlCharacters) {
  EXPECT_TRUE(NamesTheDriveRoot(L"\\page.htm"));
  EXPECT_TRUE(NamesTheDriveRoot(L"   \x01\x02\\page.htm"));
  EXPECT_TRUE(NamesTheDriveRoot(L"\t/x"));
  EXPECT_TRUE(NamesTheDriveRoot(L"\\\\?\\\\c.fzd"));
  EXPECT_FALSE(NamesTheDriveRoot(L"page.htm"));
  EXPECT_FALSE(NamesTheDriveRoot(L" a\\page.htm"));
  EXPECT_FALSE(NamesTheDriveRoot(L"\\\\?\\C:\\fuzz"));
  EXPECT_FALSE(NamesTheDriveRoot(L""));
}

// Many draws of the commands that write files: a path of blanks and control characters below the current
// folder once became the drive's root ("   \x01\x02\\page.htm" is "\\page.htm" to the library).
TEST(Generator, WritePathsNeverBecomeTheDriveRootOnceSplit) {
  ScratchFolders folders;
  ArgumentGenerator generator(TestEnvironment(), 11);
  for (const char* name : {"FSFileCopy", "FSPrivateProfileStringSet", "FSFileMkDir", "FSFileOpen"}) {
    ExportShape shape = ShapeOf(name);
    for (int round = 0; round < 4000; ++round) {
      fscmd::ArgumentList fields = SplitLikeTheLibrary(shape, generator.Next(shape));
      for (size_t i = 0; i < shape.fields.size(); ++i) {
        if (shape.fields[i] != Field::kWritePath && shape.fields[i] != Field::kIniFile) continue;
        std::wstring resolved = Resolve(fscmd::ExpandPathAliases(fields[i], folders));
        ASSERT_TRUE(InsideScratch(resolved)) << name << ": " << Printable(fields[i], 200) << " -> "
                                             << Printable(resolved, 200);
      }
    }
  }
}

// Most calls must reach the commands' real work, or the state kept between calls (slots, the search, the
// host window, the test database, the harness's key) would never be exercised.
TEST(Generator, MostCallsCarryPlausibleState) {
  Environment env = TestEnvironment();
  ArgumentGenerator generator(env, 3);
  auto share = [&](const char* name, auto accept) {
    ExportShape shape = ShapeOf(name);
    int accepted = 0;
    for (int i = 0; i < 400; ++i)
      if (accept(SplitLikeTheLibrary(shape, generator.Next(shape)))) ++accepted;
    return accepted / 4;  // percent
  };
  auto smallSlot = [](const fscmd::ArgumentList& f) { long slot = f.Number(0); return slot >= 1 && slot <= 10; };
  EXPECT_GT(share("FSDBOpen", [&](const fscmd::ArgumentList& f) {
              return smallSlot(f) && f[1].compare(0, env.connectPrefix.size(), env.connectPrefix) == 0;
            }),
            40);
  EXPECT_GT(share("FSFileOpen", [&](const fscmd::ArgumentList& f) { return smallSlot(f) && !f[1].empty(); }), 50);
  EXPECT_GT(share("FSFileRead", smallSlot), 50);
  EXPECT_GT(share("FSDBDoSQL", [&](const fscmd::ArgumentList& f) {
              return smallSlot(f) && f[1].compare(0, 6, L"SELECT") == 0;
            }),
            10);
  EXPECT_GT(share("FSWindowSetHandle", [&](const fscmd::ArgumentList& f) { return f[0] == env.hostHandle; }), 50);
  EXPECT_GT(share("FSRegWrite", [&](const fscmd::ArgumentList& f) {
              return fscmd::RootKeyByName(f[0]).has_value() && fscmd::RegistryTypeByName(f[2]) != 0;
            }),
            30);
  EXPECT_GT(share("FSFileFindFirst", [&](const fscmd::ArgumentList& f) { return !f[0].empty(); }), 50);
}

TEST(Printable, EscapesWhatALogLineCannotHoldAndCutsLongTexts) {
  EXPECT_EQ(Printable(L"a\\b,c"), "a\\\\b,c");
  EXPECT_EQ(Printable(L"\x01\xD800\x00E9"), "\\u0001\\uD800\\u00E9");
  EXPECT_EQ(Printable(std::wstring(10, L'x'), 4), "xxxx... (10 characters)");
}

}  // namespace
}  // namespace fuzz_exports
