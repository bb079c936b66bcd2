#include <gtest/gtest.h>

#include <cstring>

#include "core/extension_answer.h"

namespace projector {
namespace {

using Bytes = std::vector<uint8_t>;

void PutU32(Bytes& bytes, size_t offset, uint32_t value) {
  for (size_t i = 0; i < 4; ++i) bytes.at(offset + i) = static_cast<uint8_t>(value >> (8 * i));
}

constexpr uint16_t kPe32 = 0x10B;
constexpr uint16_t kPe32Plus = 0x20B;

// A file laid out like a library whose export addresses are file offsets; `magic` 0 leaves the optional
// header's magic unset, as in a file of unknown kind.
Bytes Library(const std::vector<std::string>& names, uint32_t count, uint16_t magic = 0) {
  Bytes bytes(0x240);
  bytes[0] = 'M';
  bytes[1] = 'Z';
  PutU32(bytes, 60, 0x80);
  bytes[0x80 + 24] = static_cast<uint8_t>(magic);
  bytes[0x80 + 25] = static_cast<uint8_t>(magic >> 8);
  // The export directory's entry sits 16 bytes further on in a 64-bit library; the other place holds what
  // a 64-bit library has there (the import directory), which must not be taken for it.
  PutU32(bytes, 0x80 + (magic == kPe32Plus ? 136 : 120), 0x200);
  PutU32(bytes, 0x80 + (magic == kPe32Plus ? 120 : 136), 0x100);
  PutU32(bytes, 0x200 + 12, 0x228);
  PutU32(bytes, 0x200 + 20, count);
  std::string table = "Sample.dll";
  table += '\0';
  for (const std::string& name : names) table += name + '\0';
  bytes.resize(0x228);
  bytes.insert(bytes.end(), table.begin(), table.end());
  return bytes;
}

TEST(ReadExportNames, ReadsTheNamesBehindTheLibraryName) {
  Bytes file = Library({"FSBeep", "  FSGetExeDir\t", "", "FSHtmlSafe"}, 4);
  EXPECT_EQ(ReadExportNames(file.data(), file.size()), (std::vector<std::wstring>{L"FSBeep", L"FSGetExeDir", L"FSHtmlSafe"}));
  // The count limits how many strings are read.
  Bytes two = Library({"FSA", "FSB", "FSC"}, 2);
  EXPECT_EQ(ReadExportNames(two.data(), two.size()), (std::vector<std::wstring>{L"FSA", L"FSB"}));
}

TEST(ReadExportNames, ReadsThirtyTwoAndSixtyFourBitLibraries) {
  const std::vector<std::wstring> expected{L"FSBeep", L"FSExec"};
  for (uint16_t magic : {uint16_t{0}, kPe32, kPe32Plus}) {
    Bytes file = Library({"FSBeep", "FSExec"}, 2, magic);
    EXPECT_EQ(ReadExportNames(file.data(), file.size()), expected) << std::hex << magic;
    // Cut anywhere, a 64-bit library yields no more than it holds and reads nothing out of bounds.
    for (size_t size = 0; size < file.size(); ++size) {
      Bytes prefix(file.begin(), file.begin() + size);
      EXPECT_LE(ReadExportNames(prefix.data(), prefix.size()).size(), 2u);
    }
  }
  // A 64-bit library whose export entry points past the end, with a plausible entry at the 32-bit place.
  Bytes hostile = Library({"FSBeep"}, 1, kPe32Plus);
  PutU32(hostile, 0x80 + 136, 0xFFFFFFFC);
  PutU32(hostile, 0x80 + 120, 0x200);
  EXPECT_TRUE(ReadExportNames(hostile.data(), hostile.size()).empty());
}

TEST(ReadExportNames, NoNamesWithoutExportsOrLibrary) {
  Bytes none = Library({"FSA"}, 0);
  EXPECT_TRUE(ReadExportNames(none.data(), none.size()).empty());
  const char text[] = "plain text that is long enough to have offset sixty and beyond, but no MZ at its start at all";
  EXPECT_TRUE(ReadExportNames(reinterpret_cast<const uint8_t*>(text), sizeof text).empty());
  EXPECT_TRUE(ReadExportNames(nullptr, 0).empty());
  const uint8_t mz[] = {'M', 'Z'};
  EXPECT_TRUE(ReadExportNames(mz, sizeof mz).empty());
}

TEST(ReadExportNames, CutShortOrHostileFilesGiveWhatWasRead) {
  Bytes file = Library({"FSOne", "FSTwo", "FSThree"}, 3);
  // Cut inside the third name: the unfinished name is not taken.
  Bytes cut(file.begin(), file.end() - 3);
  EXPECT_EQ(ReadExportNames(cut.data(), cut.size()), (std::vector<std::wstring>{L"FSOne", L"FSTwo"}));
  for (size_t size = 0; size < file.size(); ++size) {
    Bytes prefix(file.begin(), file.begin() + size);
    EXPECT_LE(ReadExportNames(prefix.data(), prefix.size()).size(), 3u);
  }
  Bytes huge = Library({"FSOne"}, 0xFFFFFFFF);
  EXPECT_EQ(ReadExportNames(huge.data(), huge.size()), (std::vector<std::wstring>{L"FSOne"}));
  Bytes header = file;
  PutU32(header, 60, 0xFFFFFFF0);
  EXPECT_TRUE(ReadExportNames(header.data(), header.size()).empty());
  Bytes directory = file;
  PutU32(directory, 0x80 + 120, 0xFFFFFFFC);
  EXPECT_TRUE(ReadExportNames(directory.data(), directory.size()).empty());
  Bytes name = file;
  PutU32(name, 0x200 + 12, static_cast<uint32_t>(name.size()));
  EXPECT_TRUE(ReadExportNames(name.data(), name.size()).empty());
}

TEST(SplitFields, FollowsTheFieldRule) {
  EXPECT_EQ(SplitFields(L"a,,b,", L','), (std::vector<std::wstring>{L"a", L"", L"b"}));
  EXPECT_EQ(SplitFields(L" ,x", L','), (std::vector<std::wstring>{L"", L"x"}));
  EXPECT_EQ(SplitFields(L"  ", L','), std::vector<std::wstring>{});
  // A separator at or below the blank is dropped between fields.
  EXPECT_EQ(SplitFields(L"a\t\tb", L'\t'), (std::vector<std::wstring>{L"a", L"b"}));
}

std::vector<std::pair<std::wstring, std::wstring>> Assignments(const std::wstring& answer, const std::wstring& args) {
  std::vector<std::pair<std::wstring, std::wstring>> out;
  for (const MovieAssignment& a : InterpretAnswer(answer, args).assignments) out.emplace_back(a.name, a.value);
  return out;
}

using Pairs = std::vector<std::pair<std::wstring, std::wstring>>;

TEST(InterpretAnswer, ReturnValueThenNamedVariables) {
  EXPECT_EQ(Assignments(L",-99", L""), (Pairs{{L"fscmd_ret", L"-99"}}));
  EXPECT_EQ(Assignments(L"|A|B", L"first,second"), (Pairs{{L"fscmd_ret", L"A"}, {L"first", L"B"}}));
  // A leading comma leaves argument field 0 empty: result field 1 is dropped, field 2 goes to the name.
  EXPECT_EQ(Assignments(L",r,one,two", L",name"), (Pairs{{L"fscmd_ret", L"r"}, {L"name", L"two"}}));
  // More values than names: the extra ones go nowhere.
  EXPECT_EQ(Assignments(L",0,a,b,c", L"x"), (Pairs{{L"fscmd_ret", L"0"}, {L"x", L"a"}}));
}

TEST(InterpretAnswer, SeparatorAndEmptyAnswers) {
  ExtensionAnswer empty = InterpretAnswer(L"", L"a,b");
  EXPECT_EQ(empty.separator, 0);
  EXPECT_TRUE(empty.assignments.empty());
  ExtensionAnswer bare = InterpretAnswer(L",", L"a");
  EXPECT_EQ(bare.separator, L',');
  EXPECT_TRUE(bare.assignments.empty());
  ExtensionAnswer read = InterpretAnswer(L"\xFF" L"0\xFF" L"1\xFFtext, with comma\xFF", L"1,v");
  EXPECT_EQ(read.result, L"0\xFF" L"1\xFFtext, with comma\xFF");
  ASSERT_EQ(read.assignments.size(), 3u);
  EXPECT_EQ(read.assignments[2].name, L"v");
  EXPECT_EQ(read.assignments[2].value, L"text, with comma");
}

class RecordingMovie : public MovieVariables {
 public:
  Pairs set;
  void SetVariable(const std::wstring& name, const std::wstring& value) override { set.emplace_back(name, value); }
};

TEST(ApplyAnswer, WritesEveryAssignmentInOrder) {
  RecordingMovie movie;
  ApplyAnswer(movie, InterpretAnswer(L"|A|B|C", L"x,,z"));
  EXPECT_EQ(movie.set, (Pairs{{L"fscmd_ret", L"A"}, {L"x", L"B"}}));
  RecordingMovie untouched;
  ApplyAnswer(untouched, InterpretAnswer(L"", L"x"));
  EXPECT_TRUE(untouched.set.empty());
}

}  // namespace
}  // namespace projector
