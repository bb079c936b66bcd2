#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "format/container.h"
#include "format/payload.h"
#include "test_support.h"

namespace format {
namespace {

using testing::Bytes;
using testing::Deflate;

std::vector<uint8_t> Utf16(std::u16string_view s) {
  std::vector<uint8_t> out;
  for (char16_t c : s) {
    out.push_back(static_cast<uint8_t>(c));
    out.push_back(static_cast<uint8_t>(c >> 8));
  }
  return out;
}

// Every match offset of a non-overlapping left-to-right scan, the slow way.
std::vector<size_t> NaiveMatches(const std::vector<uint8_t>& data, const std::vector<uint8_t>& pattern) {
  std::vector<size_t> out;
  size_t m = pattern.size();
  for (size_t i = 0; m && i + m <= data.size();) {
    if (std::equal(pattern.begin(), pattern.end(), data.begin() + static_cast<long>(i))) {
      out.push_back(i);
      i += m;
    } else {
      ++i;
    }
  }
  return out;
}

std::vector<size_t> SearchMatches(const std::vector<uint8_t>& data, const std::vector<uint8_t>& pattern) {
  MarkerSearch s;
  EXPECT_TRUE(s.SetPatternBytes(pattern.data(), pattern.size()));
  std::vector<size_t> out;
  for (const uint8_t* p = s.Find(data.data(), data.size()); p; p = s.FindNext()) {
    out.push_back(static_cast<size_t>(p - data.data()));
  }
  return out;
}

TEST(MarkerSearch, FindsMatchesAtTheEdgesOfTheData) {
  std::vector<uint8_t> pattern = Bytes("abcab");
  EXPECT_EQ(SearchMatches(Bytes("abcab"), pattern), std::vector<size_t>{0});
  EXPECT_EQ(SearchMatches(Bytes("xxabcab"), pattern), std::vector<size_t>{2});
  EXPECT_EQ(SearchMatches(Bytes("abcabxxabcab"), pattern), (std::vector<size_t>{0, 7}));
  EXPECT_EQ(SearchMatches(Bytes("abcabcab"), pattern), std::vector<size_t>{0});  // overlapping: first only
  EXPECT_EQ(SearchMatches(Bytes("abcaabcabb"), pattern), std::vector<size_t>{4});
  EXPECT_TRUE(SearchMatches(Bytes("abca"), pattern).empty());
  EXPECT_TRUE(SearchMatches(Bytes("bcabcaxabc"), pattern).empty());
  EXPECT_TRUE(SearchMatches({}, pattern).empty());
}

TEST(MarkerSearch, FindNextStopsWhenLessThanThePatternRemains) {
  std::vector<uint8_t> data = Bytes("abcab" "abca");
  MarkerSearch s;
  ASSERT_TRUE(s.SetPatternBytes(Bytes("abcab").data(), 5));
  ASSERT_EQ(s.Find(data.data(), data.size()), data.data());
  EXPECT_EQ(s.FindNext(), nullptr);
  EXPECT_EQ(s.FindNext(), nullptr);
  MarkerSearch fresh;
  ASSERT_TRUE(fresh.SetPatternBytes(Bytes("ab").data(), 2));
  EXPECT_EQ(fresh.FindNext(), nullptr);  // no Find yet
}

TEST(MarkerSearch, RefusesEmptyAndOverlongPatterns) {
  MarkerSearch s;
  EXPECT_FALSE(s.SetPatternBytes(nullptr, 0));
  std::vector<uint8_t> data(300, 'a');
  EXPECT_EQ(s.Find(data.data(), data.size()), nullptr);
  EXPECT_TRUE(s.SetPatternBytes(data.data(), 257));
  EXPECT_EQ(s.Find(data.data(), data.size()), data.data());
  EXPECT_FALSE(s.SetPatternBytes(data.data(), 258));
  EXPECT_EQ(s.Find(data.data(), data.size()), nullptr);
  EXPECT_TRUE(s.SetPattern(std::u16string(128, u'x')));
  EXPECT_FALSE(s.SetPattern(std::u16string(129, u'x')));
}

TEST(MarkerSearch, AgreesWithANaiveScanOnRandomData) {
  std::mt19937 rng(7);
  for (int round = 0; round < 2000; ++round) {
    std::vector<uint8_t> data(rng() % 64);
    for (auto& b : data) b = static_cast<uint8_t>('a' + rng() % 3);
    std::vector<uint8_t> pattern(1 + rng() % 6);
    for (auto& b : pattern) b = static_cast<uint8_t>('a' + rng() % 3);
    ASSERT_EQ(SearchMatches(data, pattern), NaiveMatches(data, pattern)) << round;
  }
}

TEST(MarkerSearch, SearchesUtf16Markers) {
  std::u16string marker = DocumentMarker();
  std::vector<uint8_t> data = Bytes("MZ");
  auto bytes = Utf16(marker);
  data.insert(data.end(), bytes.begin(), bytes.end());
  MarkerSearch s;
  ASSERT_TRUE(s.SetPattern(marker));
  EXPECT_EQ(s.PatternLength(), marker.size() * 2);
  EXPECT_EQ(s.Find(data.data(), data.size()), data.data() + 2);
}

TEST(Markers, AreJoinedFromTheirWords) {
  // Compared piece by piece: a joined literal here would put the marker into this program.
  auto joinedOf = [](const std::u16string& m, std::u16string_view prefix, std::u16string_view suffix) {
    return m.size() == prefix.size() + suffix.size() && m.compare(0, prefix.size(), prefix) == 0 &&
           m.compare(prefix.size(), suffix.size(), suffix) == 0;
  };
  EXPECT_TRUE(joinedOf(DocumentMarker(), u"_Brindlework_", u"_document_"));
  EXPECT_TRUE(joinedOf(FsCommandMarker(), u"_VantraFsCommand_", u"_Dll_"));
  EXPECT_TRUE(joinedOf(InstallerMarker(), u"_VantraFlash_", u"_Installer_"));
  EXPECT_TRUE(joinedOf(ResourceMarker(), u"_Mardenkit_", u"_Dll_"));
  EXPECT_TRUE(joinedOf(ToolPackageMarker(), u"_VantraPackage_", u"_Tools_"));
  EXPECT_EQ(JoinMarker(u"ab", u"cd"), u"abcd");
}

TEST(DocumentHeader, PutsEveryFieldAtItsOffset) {
  DocumentHeader h;
  h.marker = DocumentMarker();
  h.version = 140;
  h.compressed = 1;
  h.uncompressedSize = 0x11223344;
  h.compressedSize = 0x55667788;
  auto raw = h.Serialize();
  ASSERT_TRUE(raw);
  EXPECT_EQ(raw->size(), 148u);
  EXPECT_EQ(LoadU32(raw->data() + 68), 140u);
  EXPECT_EQ(LoadU32(raw->data() + 72), 1u);
  EXPECT_EQ(LoadU32(raw->data() + 76), 0x11223344u);
  EXPECT_EQ(LoadU32(raw->data() + 80), 0x55667788u);
  for (size_t k = 84; k < 148; ++k) EXPECT_EQ((*raw)[k], 0) << k;
  for (size_t k = h.marker.size() * 2; k < 68; ++k) EXPECT_EQ((*raw)[k], 0) << k;

  auto back = DocumentHeader::Parse(raw->data(), raw->size());
  ASSERT_TRUE(back);
  EXPECT_EQ(back->marker, h.marker);
  EXPECT_EQ(back->version, 140u);
  EXPECT_EQ(back->uncompressedSize, 0x11223344u);
  EXPECT_TRUE(back->HasDocumentMarker());
  EXPECT_FALSE(DocumentHeader::Parse(raw->data(), 147));
}

TEST(DocumentHeader, MarkerTextStaysInsideItsField) {
  std::array<uint8_t, 148> raw{};
  for (size_t k = 0; k < 68; ++k) raw[k] = 'A';  // no terminating NUL in the field
  raw[68] = 'B';
  auto h = DocumentHeader::Parse(raw.data(), raw.size());
  ASSERT_TRUE(h);
  EXPECT_EQ(h->marker, std::u16string(34, u'\x4141'));
  DocumentHeader tooLong;
  tooLong.marker = std::u16string(34, u'x');
  EXPECT_FALSE(tooLong.Serialize());
  tooLong.marker.resize(33);
  EXPECT_TRUE(tooLong.Serialize());
}

TEST(DocumentHeader, MarkerComparisonIgnoresTrailingBlanksOnly) {
  DocumentHeader h;
  h.marker = DocumentMarker() + u"  \t";
  EXPECT_TRUE(h.HasDocumentMarker());
  h.marker = u" " + DocumentMarker();
  EXPECT_FALSE(h.HasDocumentMarker());
  h.marker = DocumentMarker() + u"x";
  EXPECT_FALSE(h.HasDocumentMarker());
}

TEST(FileBlockHeader, PutsEveryFieldAtItsOffset) {
  FileBlockHeader h;
  h.marker = FsCommandMarker();
  h.version = 100;
  h.name = u"VantraFSCmd.dll";
  h.storedSize = 1234;
  h.compressed = true;
  h.compressedSize = 567;
  auto raw = h.Serialize();
  ASSERT_TRUE(raw);
  EXPECT_EQ(LoadU32(raw->data() + 128), 100u);
  EXPECT_EQ(ReadFieldText(raw->data() + 132, 256), u"VantraFSCmd.dll");
  EXPECT_EQ(LoadU32(raw->data() + 388), 1234u);
  EXPECT_EQ(LoadU32(raw->data() + 392), 1u);
  EXPECT_EQ(LoadU32(raw->data() + 396), 567u);
  for (size_t k = 400; k < 496; ++k) EXPECT_EQ((*raw)[k], 0) << k;
  auto back = FileBlockHeader::Parse(raw->data(), raw->size());
  ASSERT_TRUE(back);
  EXPECT_EQ(back->name, h.name);
  EXPECT_TRUE(back->compressed);
  EXPECT_EQ(back->BodyLength(), 567u);
  EXPECT_FALSE(FileBlockHeader::Parse(raw->data(), 495));
  h.name = std::u16string(128, u'n');
  EXPECT_FALSE(h.Serialize());
}

TEST(FileBlockHeader, OnlyTheLowByteOfTheFlagCounts) {
  std::array<uint8_t, 496> raw{};
  StoreU32(raw.data() + 392, 0x004E4401);
  EXPECT_TRUE(FileBlockHeader::Parse(raw.data(), raw.size())->compressed);
  StoreU32(raw.data() + 392, 0x004E4400);
  auto h = FileBlockHeader::Parse(raw.data(), raw.size());
  EXPECT_FALSE(h->compressed);
  StoreU32(raw.data() + 388, 10);
  StoreU32(raw.data() + 396, 99);
  EXPECT_EQ(FileBlockHeader::Parse(raw.data(), raw.size())->BodyLength(), 10u);
}

TEST(IsSafeFileName, RefusesNamesThatLeaveTheFolder) {
  EXPECT_TRUE(IsSafeFileName(u"VantraFSCmd.dll"));
  EXPECT_TRUE(IsSafeFileName(u"a.b.c"));
  EXPECT_TRUE(IsSafeFileName(u".hidden"));
  for (std::u16string_view bad : {u"", u".", u"..", u"...", u" . ", u"..\\x.dll", u"a/b", u"a\\b", u"C:x.dll",
                                  u"c:", u"x..y", u"tab\there", u"nul\x01", u"what?.dll", u"star*.dll"}) {
    EXPECT_FALSE(IsSafeFileName(bad)) << std::string(bad.begin(), bad.end());
  }
}

// A container with a stub and the given blocks, built by the writer.
struct Image {
  std::vector<uint8_t> bytes;
};

void AppendBlock(std::vector<uint8_t>& out, const FileBlockHeader& h, const std::vector<uint8_t>& body) {
  auto raw = h.Serialize();
  ASSERT_TRUE(raw);
  out.insert(out.end(), raw->begin(), raw->end());
  out.insert(out.end(), body.begin(), body.end());
}

FileBlockHeader Header(std::u16string name, uint32_t stored, bool compressed, uint32_t compressedSize) {
  FileBlockHeader h;
  h.marker = FsCommandMarker();
  h.version = 100;
  h.name = std::move(name);
  h.storedSize = stored;
  h.compressed = compressed;
  h.compressedSize = compressedSize;
  return h;
}

std::vector<uint8_t> Collect(const FileBlockView& v, bool* ok) {
  std::vector<uint8_t> out;
  *ok = ExtractFileBlock(v, [&](const uint8_t* p, size_t n) {
    out.insert(out.end(), p, p + n);
    return true;
  });
  return out;
}

TEST(FileBlockScanner, WalksBlocksInFileOrder) {
  std::vector<uint8_t> image = Bytes("MZ stub bytes");
  auto first = Bytes("first library");
  auto second = Bytes("second library, stored compressed");
  auto packed = Deflate(second);
  AppendBlock(image, Header(u"One.dll", static_cast<uint32_t>(first.size()), false, 0xDEAD), first);
  AppendBlock(image, Header(u"Two.dll", static_cast<uint32_t>(second.size()), true,
                            static_cast<uint32_t>(packed.size())), packed);

  FileBlockScanner scan(image.data(), image.size(), FsCommandMarker());
  FileBlockView v;
  ASSERT_TRUE(scan.Next(&v));
  EXPECT_EQ(v.offset, 13u);
  EXPECT_EQ(v.header.name, u"One.dll");
  EXPECT_TRUE(v.Extractable());
  bool ok;
  EXPECT_EQ(Collect(v, &ok), first);
  EXPECT_TRUE(ok);
  ASSERT_TRUE(scan.Next(&v));
  EXPECT_EQ(v.header.name, u"Two.dll");
  EXPECT_EQ(Collect(v, &ok), second);
  EXPECT_TRUE(ok);
  EXPECT_FALSE(scan.Next(&v));
  EXPECT_FALSE(scan.Next(&v));
}

TEST(FileBlockScanner, NeverTrustsSizesBeyondTheRange) {
  std::vector<uint8_t> image = Bytes("stub");
  auto body = Bytes("0123456789");
  AppendBlock(image, Header(u"Lies.dll", 0xFFFFFFF0u, false, 0), body);
  FileBlockScanner scan(image.data(), image.size(), FsCommandMarker());
  FileBlockView v;
  ASSERT_TRUE(scan.Next(&v));
  EXPECT_TRUE(v.headerComplete);
  EXPECT_FALSE(v.bodyInRange);
  EXPECT_FALSE(v.Extractable());
  bool ok;
  EXPECT_TRUE(Collect(v, &ok).empty());
  EXPECT_FALSE(ok);

  // A header cut short by the end of the file.
  std::vector<uint8_t> cut(image.begin(), image.begin() + 4 + 300);
  FileBlockScanner scanCut(cut.data(), cut.size(), FsCommandMarker());
  ASSERT_TRUE(scanCut.Next(&v));
  EXPECT_FALSE(v.headerComplete);
  EXPECT_FALSE(v.Extractable());
}

TEST(FileBlockScanner, SkipsWrongVersionsAndUnsafeNames) {
  std::vector<uint8_t> image = Bytes("stub");
  auto body = Bytes("x");
  FileBlockHeader wrongVersion = Header(u"A.dll", 1, false, 0);
  wrongVersion.version = 101;
  AppendBlock(image, wrongVersion, body);
  AppendBlock(image, Header(u"..\\evil.dll", 1, false, 0), body);
  AppendBlock(image, Header(u"C:evil.dll", 1, false, 0), body);
  AppendBlock(image, Header(u"", 1, false, 0), body);
  AppendBlock(image, Header(u"Good.dll", 1, false, 0), body);
  FileBlockScanner scan(image.data(), image.size(), FsCommandMarker());
  std::vector<std::u16string> extractable;
  int seen = 0;
  for (FileBlockView v; scan.Next(&v); ++seen) {
    if (v.Extractable()) extractable.push_back(v.header.name);
  }
  EXPECT_EQ(seen, 5);
  EXPECT_EQ(extractable, std::vector<std::u16string>{u"Good.dll"});
}

TEST(FileBlockScanner, CompressedBodiesObeyTheStoredSize) {
  auto content = Bytes("a body of twenty-six bytes");
  auto packed = Deflate(content);
  auto extract = [&](uint32_t stored, std::vector<uint8_t> body, bool* ok) {
    std::vector<uint8_t> image;
    AppendBlock(image, Header(u"F.bin", stored, true, static_cast<uint32_t>(body.size())), body);
    FileBlockScanner scan(image.data(), image.size(), FsCommandMarker());
    FileBlockView v;
    EXPECT_TRUE(scan.Next(&v));
    return Collect(v, ok);
  };
  bool ok;
  EXPECT_EQ(extract(26, packed, &ok), content);
  EXPECT_TRUE(ok);
  EXPECT_EQ(extract(1000, packed, &ok), content);  // shorter output than stored: the inflated bytes
  EXPECT_TRUE(ok);
  extract(25, packed, &ok);  // longer than stored: refused
  EXPECT_FALSE(ok);
  auto damaged = packed;
  damaged[damaged.size() / 2] ^= 0x55;
  damaged[2] ^= 0xFF;
  extract(26, damaged, &ok);
  EXPECT_FALSE(ok);
  auto truncated = std::vector<uint8_t>(packed.begin(), packed.end() - 6);
  extract(26, truncated, &ok);
  EXPECT_FALSE(ok);
}

TEST(FindDocumentBlock, TakesTheFirstMatchAndChecksItsHeader) {
  EXPECT_FALSE(FindDocumentBlock(nullptr, 0));
  std::vector<uint8_t> stub = Bytes("0123456789");
  EXPECT_FALSE(FindDocumentBlock(stub.data(), stub.size()));

  DocumentHeader h;
  h.marker = DocumentMarker();
  h.version = 120;
  auto raw = h.Serialize();
  std::vector<uint8_t> image = Bytes("stub!");
  image.insert(image.end(), raw->begin(), raw->end());
  image.push_back(42);
  auto found = FindDocumentBlock(image.data(), image.size());
  ASSERT_TRUE(found);
  EXPECT_EQ(found->offset, 5u);
  EXPECT_EQ(found->header.version, 120u);
  EXPECT_EQ(found->bodyAvailable, 1u);
  EXPECT_EQ(*found->body, 42);

  std::vector<uint8_t> truncated(image.begin(), image.begin() + 100);
  EXPECT_FALSE(FindDocumentBlock(truncated.data(), truncated.size()));
}

}  // namespace
}  // namespace format
