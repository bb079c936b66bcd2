#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "format/inflate.h"
#include "test_support.h"

namespace format {
namespace {

using testing::Deflate;

std::vector<uint8_t> Noise(size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> v(n);
  for (auto& b : v) b = static_cast<uint8_t>(rng() % 7);  // compressible, not trivial
  return v;
}

TEST(InflateTo, StreamsInBoundedChunks) {
  auto raw = Noise(3 * kInflateChunk + 17, 1);
  auto packed = Deflate(raw);
  std::vector<uint8_t> out;
  size_t largest = 0;
  uint64_t produced = 0;
  ASSERT_TRUE(InflateTo(packed.data(), packed.size(), raw.size(), [&](const uint8_t* p, size_t n) {
    largest = std::max(largest, n);
    out.insert(out.end(), p, p + n);
    return true;
  }, &produced));
  EXPECT_EQ(out, raw);
  EXPECT_EQ(produced, raw.size());
  EXPECT_LE(largest, kInflateChunk);
}

TEST(InflateTo, FailsOnDamageEarlyEndExcessAndRefusal) {
  auto raw = Noise(5000, 2);
  auto packed = Deflate(raw);
  auto keep = [](const uint8_t*, size_t) { return true; };
  EXPECT_FALSE(InflateTo(packed.data(), packed.size() - 1, raw.size(), keep));  // ends early
  EXPECT_FALSE(InflateTo(packed.data(), packed.size(), raw.size() - 1, keep));  // exceeds
  EXPECT_FALSE(InflateTo(packed.data(), packed.size(), 0, keep));
  EXPECT_FALSE(InflateTo(packed.data(), packed.size(), raw.size(), [](const uint8_t*, size_t) { return false; }));
  EXPECT_FALSE(InflateTo(packed.data(), 0, raw.size(), keep));
  auto damaged = packed;
  damaged[0] = 0x12;  // not a zlib header
  EXPECT_FALSE(InflateTo(damaged.data(), damaged.size(), raw.size(), keep));
  auto withTail = packed;
  withTail.resize(packed.size() + 100, 0xCC);  // bytes behind the stream are ignored
  EXPECT_TRUE(InflateTo(withTail.data(), withTail.size(), raw.size(), keep));
}

TEST(InflateTo, AnEmptyStreamFitsAZeroBudget) {
  auto packed = Deflate({});
  uint64_t produced = 99;
  EXPECT_TRUE(InflateTo(packed.data(), packed.size(), 0, [](const uint8_t*, size_t) { return true; }, &produced));
  EXPECT_EQ(produced, 0u);
}

TEST(InflatingSource, ReadsOnDemandUpToItsLimit) {
  auto raw = Noise(100000, 3);
  auto packed = Deflate(raw);
  InflatingSource src(packed.data(), packed.size(), raw.size());
  std::vector<uint8_t> out(raw.size() + 10);
  size_t got = 0;
  for (size_t step : {size_t{1}, size_t{3}, size_t{4096}, size_t{200000}}) {
    got += src.Read(out.data() + got, std::min(step, out.size() - got));
  }
  EXPECT_EQ(got, raw.size());
  out.resize(got);
  EXPECT_EQ(out, raw);
  EXPECT_FALSE(src.Failed());
  uint8_t more;
  EXPECT_EQ(src.Read(&more, 1), 0u);

  InflatingSource limited(packed.data(), packed.size(), 1000);
  std::vector<uint8_t> some(5000);
  EXPECT_EQ(limited.Read(some.data(), some.size()), 1000u);
}

TEST(InflatingSource, DamagedStreamsReadShort) {
  auto raw = Noise(100000, 4);
  auto packed = Deflate(raw);
  std::vector<uint8_t> half(packed.begin(), packed.begin() + static_cast<long>(packed.size() / 2));
  InflatingSource src(half.data(), half.size(), raw.size());
  std::vector<uint8_t> out(raw.size());
  EXPECT_LT(src.Read(out.data(), out.size()), raw.size());
  EXPECT_TRUE(src.Failed());
  InflatingSource none(nullptr, 0, 10);
  EXPECT_EQ(none.Read(out.data(), 10), 0u);
}

TEST(DeflatingSink, CountsBothSides) {
  auto raw = Noise(70000, 5);
  VectorSink out;
  DeflatingSink d(out);
  ASSERT_TRUE(d.Write(raw.data(), 100));
  ASSERT_TRUE(d.Write(raw.data() + 100, raw.size() - 100));
  ASSERT_TRUE(d.Finish());
  EXPECT_FALSE(d.Write(raw.data(), 1));
  EXPECT_EQ(d.BytesIn(), raw.size());
  EXPECT_EQ(d.BytesOut(), out.bytes.size());
  std::vector<uint8_t> back;
  EXPECT_TRUE(InflateTo(out.bytes.data(), out.bytes.size(), raw.size(), [&](const uint8_t* p, size_t n) {
    back.insert(back.end(), p, p + n);
    return true;
  }));
  EXPECT_EQ(back, raw);
}

}  // namespace
}  // namespace format
