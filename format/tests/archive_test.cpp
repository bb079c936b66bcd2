#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "format/archive.h"
#include "test_support.h"

namespace format {
namespace {

std::u16string ReadStringFrom(const std::vector<uint8_t>& bytes, bool* ok, uint64_t* consumed = nullptr) {
  MemorySource src(bytes.data(), bytes.size());
  ArchiveReader ar(src);
  std::u16string s;
  *ok = ar.ReadString(&s);
  if (consumed) *consumed = ar.Position();
  return s;
}

std::vector<uint8_t> Written(const std::function<void(ArchiveWriter&)>& write) {
  VectorSink sink;
  ArchiveWriter ar(sink);
  write(ar);
  EXPECT_FALSE(ar.Failed());
  return sink.bytes;
}

TEST(ArchiveStrings, ReadsEveryNarrowLengthForm) {
  bool ok;
  EXPECT_EQ(ReadStringFrom({3, 'a', 'b', 'c'}, &ok), u"abc");
  EXPECT_TRUE(ok);
  EXPECT_EQ(ReadStringFrom({0}, &ok), u"");
  EXPECT_TRUE(ok);

  std::vector<uint8_t> medium = {0xFF, 0x00, 0x01};  // 0xFF + u16 256
  medium.resize(medium.size() + 256, 'm');
  EXPECT_EQ(ReadStringFrom(medium, &ok), std::u16string(256, u'm'));
  EXPECT_TRUE(ok);

  std::vector<uint8_t> big = {0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x01, 0x00};  // 0xFF 0xFFFF + u32 65536
  big.resize(big.size() + 65536, 'b');
  EXPECT_EQ(ReadStringFrom(big, &ok), std::u16string(65536, u'b'));
  EXPECT_TRUE(ok);
}

TEST(ArchiveStrings, WidensNarrowBytesAsLatin1) {
  bool ok;
  EXPECT_EQ(ReadStringFrom({2, 0xE9, 0xFC}, &ok), u"\u00E9\u00FC");
  EXPECT_TRUE(ok);
}

TEST(ArchiveStrings, ReadsTheWideMarkerWithEveryLengthForm) {
  bool ok;
  EXPECT_EQ(ReadStringFrom({0xFF, 0xFE, 0xFF, 0x00}, &ok), u"");
  EXPECT_TRUE(ok);
  EXPECT_EQ(ReadStringFrom({0xFF, 0xFE, 0xFF, 0x02, 0x41, 0x00, 0xAC, 0x20}, &ok), u"A\u20AC");
  EXPECT_TRUE(ok);

  // After the marker 0xFFFE is a plain 16-bit length, not a second marker.
  std::vector<uint8_t> w = {0xFF, 0xFE, 0xFF, 0xFF, 0xFE, 0xFF};
  for (int k = 0; k < 0xFFFE; ++k) {
    w.push_back('w');
    w.push_back(0);
  }
  EXPECT_EQ(ReadStringFrom(w, &ok).size(), 0xFFFEu);
  EXPECT_TRUE(ok);

  std::vector<uint8_t> w32 = {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0x01, 0x00, 0x00, 0x00, 'z', 0};
  EXPECT_EQ(ReadStringFrom(w32, &ok), u"z");
  EXPECT_TRUE(ok);
}

TEST(ArchiveStrings, LengthsRunningPastTheEndFailCleanly) {
  bool ok;
  ReadStringFrom({5, 'a', 'b'}, &ok);
  EXPECT_FALSE(ok);
  ReadStringFrom({0xFF, 0xFE, 0xFF, 0x03, 'a', 0, 'b'}, &ok);
  EXPECT_FALSE(ok);
  ReadStringFrom({0xFF, 0xFE}, &ok);
  EXPECT_FALSE(ok);
  // Four billion UTF-16 units announced in a kilobyte: refused before anything more is read.
  std::vector<uint8_t> huge = {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  huge.resize(1024, 'x');
  uint64_t consumed;
  ReadStringFrom(huge, &ok, &consumed);
  EXPECT_FALSE(ok);
  EXPECT_EQ(consumed, 10u);
}

TEST(ArchiveStrings, WriterUsesTheWideFormWithTheShortestLength) {
  EXPECT_EQ(Written([](ArchiveWriter& ar) { ar.WriteString(u""); }), (std::vector<uint8_t>{0xFF, 0xFE, 0xFF, 0x00}));
  EXPECT_EQ(Written([](ArchiveWriter& ar) { ar.WriteString(u"A"); }),
            (std::vector<uint8_t>{0xFF, 0xFE, 0xFF, 0x01, 0x41, 0x00}));
  struct Case {
    size_t length;
    std::vector<uint8_t> prefix;
  } cases[] = {
      {0xFE, {0xFF, 0xFE, 0xFF, 0xFE}},
      {0xFF, {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0x00}},
      {0xFFFE, {0xFF, 0xFE, 0xFF, 0xFF, 0xFE, 0xFF}},
      {0xFFFF, {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}},
  };
  for (const Case& c : cases) {
    std::u16string text(c.length, u'\u0416');
    auto bytes = Written([&](ArchiveWriter& ar) { ar.WriteString(text); });
    ASSERT_EQ(bytes.size(), c.prefix.size() + 2 * c.length) << c.length;
    EXPECT_TRUE(std::equal(c.prefix.begin(), c.prefix.end(), bytes.begin())) << c.length;
    bool ok;
    EXPECT_EQ(ReadStringFrom(bytes, &ok), text);
    EXPECT_TRUE(ok);
  }
}

TEST(ArchiveStrings, NarrowWriterAvoidsTheWideMarker) {
  for (size_t length : {size_t{0}, size_t{0xFE}, size_t{0xFF}, size_t{0xFFFE}, size_t{0x10000}}) {
    std::string text(length, 'n');
    auto bytes = Written([&](ArchiveWriter& ar) { ar.WriteNarrowString(text); });
    bool ok;
    EXPECT_EQ(ReadStringFrom(bytes, &ok), std::u16string(length, u'n')) << length;
    EXPECT_TRUE(ok);
  }
}

std::vector<uint8_t> ReadArrayFrom(const std::vector<uint8_t>& bytes, bool* ok) {
  MemorySource src(bytes.data(), bytes.size());
  ArchiveReader ar(src);
  std::vector<uint8_t> out;
  *ok = ar.ReadByteArray(&out);
  return out;
}

TEST(ArchiveByteArrays, ReadsBothCountForms) {
  bool ok;
  EXPECT_EQ(ReadArrayFrom({2, 0, 7, 8}, &ok), (std::vector<uint8_t>{7, 8}));
  EXPECT_TRUE(ok);
  EXPECT_EQ(ReadArrayFrom({0xFF, 0xFF, 1, 0, 0, 0, 9}, &ok), std::vector<uint8_t>{9});
  EXPECT_TRUE(ok);
  EXPECT_TRUE(ReadArrayFrom({0, 0}, &ok).empty());
  EXPECT_TRUE(ok);
}

TEST(ArchiveByteArrays, HugeCountsFailWithoutAllocating) {
  std::vector<uint8_t> bytes = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  bytes.resize(1024, 1);
  bool ok;
  ReadArrayFrom(bytes, &ok);
  EXPECT_FALSE(ok);
  ReadArrayFrom({3, 0, 1}, &ok);
  EXPECT_FALSE(ok);
  ReadArrayFrom({0xFF}, &ok);
  EXPECT_FALSE(ok);
}

TEST(ArchiveByteArrays, WriterUsesTheShortestCount) {
  for (size_t n : {size_t{0}, size_t{1}, size_t{0xFFFE}, size_t{0xFFFF}, size_t{0x12345}}) {
    std::vector<uint8_t> data(n, 0xAB);
    auto bytes = Written([&](ArchiveWriter& ar) { ar.WriteByteArray(data); });
    EXPECT_EQ(bytes.size(), n + (n < 0xFFFF ? 2 : 6)) << n;
    bool ok;
    EXPECT_EQ(ReadArrayFrom(bytes, &ok), data);
    EXPECT_TRUE(ok);
  }
}

TEST(ArchiveReader, NumbersAreLittleEndianAndFailuresStick) {
  std::vector<uint8_t> bytes = {0x78, 0x56, 0x34, 0x12, 0x00, 0x00, 0xC0, 0x3F, 0x01};
  MemorySource src(bytes.data(), bytes.size());
  ArchiveReader ar(src);
  uint32_t v;
  float f;
  ASSERT_TRUE(ar.ReadU32(&v));
  EXPECT_EQ(v, 0x12345678u);
  ASSERT_TRUE(ar.ReadFloat(&f));
  EXPECT_EQ(f, 1.5f);
  EXPECT_FALSE(ar.ReadU32(&v));
  EXPECT_TRUE(ar.Failed());
  uint8_t b;
  EXPECT_FALSE(ar.ReadU8(&b));  // a failed reader stays failed
}

TEST(ArchiveReader, ChunkedReadsConsumeEvenWhenTheSinkRefuses) {
  std::vector<uint8_t> bytes(200000, 5);
  bytes.push_back(0xEE);
  MemorySource src(bytes.data(), bytes.size());
  ArchiveReader ar(src);
  size_t calls = 0;
  bool sinkOk = true;
  ASSERT_TRUE(ar.ReadChunks(200000, [&](const uint8_t*, size_t n) {
    EXPECT_LE(n, kArchiveChunk);
    ++calls;
    return false;
  }, &sinkOk));
  EXPECT_EQ(calls, 1u);
  EXPECT_FALSE(sinkOk);
  uint8_t tail;
  ASSERT_TRUE(ar.ReadU8(&tail));
  EXPECT_EQ(tail, 0xEE);
}

}  // namespace
}  // namespace format
