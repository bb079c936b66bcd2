// Reading files: header, compression, damaged input and shape building.
#include <gtest/gtest.h>
#include <zlib.h>

#include "swfplayer/engine/movie.h"
#include "test_movie.h"

using namespace swfasm;
using namespace swftest;

namespace {
std::vector<uint8_t> TracingMovie(bool compressed) {
  MovieBuilder m(6, 200, 100, 30);
  m.SetCompressed(compressed);
  uint16_t shape = m.Rectangle(0, 0, 10, 10, {255, 0, 0});
  m.Main().Place(shape, 1).Do(Actions().Trace("one").Set("n", 1)).ShowFrame();
  m.Main().Do(Actions().Push({"n"}).Op(Action::GetVariable).Op(Action::Trace).Stop()).ShowFrame();
  return m.Build();
}
}  // namespace

TEST(Loader, CompressedAndPlainMoviesBehaveTheSame) {
  std::vector<std::string> out[2];
  swf::Header headers[2];
  for (int c = 0; c < 2; ++c) {
    Recorder rec;
    swf::Player p(rec.Callbacks());
    ASSERT_TRUE(p.LoadBytes(TracingMovie(c == 1)));
    for (int i = 0; i < 4; ++i) p.Advance();
    out[c] = rec.traces;
    headers[c] = p.MovieHeader();
  }
  EXPECT_EQ(out[0], (V{"one", "1"}));
  EXPECT_EQ(out[0], out[1]);
  EXPECT_EQ(headers[0].frameCount, headers[1].frameCount);
  EXPECT_EQ(headers[0].fileLength, headers[1].fileLength);
  EXPECT_EQ(headers[0].stage, headers[1].stage);
  EXPECT_DOUBLE_EQ(headers[1].frameRate, 30);
}

TEST(Loader, RefusesWhatIsNotAMovie) {
  swf::LoadError e;
  EXPECT_FALSE(swf::LoadMovie(std::vector<uint8_t>{}, &e));
  EXPECT_EQ(e, swf::LoadError::TooShort);
  std::vector<uint8_t> gif{'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0};
  EXPECT_FALSE(swf::LoadMovie(gif, &e));
  EXPECT_EQ(e, swf::LoadError::BadSignature);
  swf::Player p;
  EXPECT_FALSE(p.LoadBytes(gif));
  EXPECT_FALSE(p.Loaded());
  EXPECT_FALSE(p.LoadFile("/nonexistent/movie.swf"));
}

TEST(Loader, RefusesAbsurdCompressedLengthsWithoutAllocating) {
  auto movie = TracingMovie(true);
  auto lying = movie;
  lying[4] = lying[5] = lying[6] = 0xFF;
  lying[7] = 0x7F;  // about 2 GiB
  swf::LoadError e;
  EXPECT_FALSE(swf::LoadMovie(lying, &e));
  EXPECT_EQ(e, swf::LoadError::TooLarge);
  // Small in absolute terms but far more than zlib can produce from the data.
  std::vector<uint8_t> tiny{'C', 'W', 'S', 6, 0, 0, 0x10, 0, 0x78, 0x9C};
  EXPECT_FALSE(swf::LoadMovie(tiny, &e));
  EXPECT_EQ(e, swf::LoadError::TooLarge);
  std::vector<uint8_t> garbage{'C', 'W', 'S', 6, 20, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8};
  EXPECT_FALSE(swf::LoadMovie(garbage, &e));
  EXPECT_EQ(e, swf::LoadError::BadCompression);
}

TEST(Loader, TruncatedMoviesKeepWhatTheyHold) {
  auto movie = TracingMovie(false);
  for (size_t cut = 0; cut < movie.size(); ++cut) {
    std::vector<uint8_t> part(movie.begin(), movie.begin() + static_cast<long>(cut));
    swf::Player p;
    if (p.LoadBytes(part)) {
      EXPECT_GE(p.TotalFrames(), 1);
      p.Advance();
      p.Advance();
    }
  }
  auto compressed = TracingMovie(true);
  compressed.resize(compressed.size() - 6);
  swf::Player p;
  EXPECT_TRUE(p.LoadBytes(compressed));
}

TEST(Loader, UnknownTagsAreSkippedByTheirLength) {
  MovieBuilder m(6);
  m.Main().Tag(777, {1, 2, 3, 4, 5, 6, 7, 8}).Tag(14, std::vector<uint8_t>(100, 0xAB));
  m.Main().Do(Actions().Trace("after")).ShowFrame();
  Recorder rec;
  swf::Player p(rec.Callbacks());
  ASSERT_TRUE(p.LoadBytes(m.Build()));
  p.Advance();
  EXPECT_EQ(rec.traces, V{"after"});
}

TEST(Loader, TagLongerThanTheFileEndsTheWalk) {
  MovieBuilder m(6);
  m.Main().Do(Actions().Trace("kept")).ShowFrame();
  auto bytes = m.Build();
  bytes.resize(bytes.size() - 2);  // drop the End tag
  bytes.push_back(0x3F);           // a long tag header...
  bytes.push_back(0x03);
  for (int i = 0; i < 4; ++i) bytes.push_back(0xFF);  // ...claiming 4 GiB
  Recorder rec;
  swf::Player p(rec.Callbacks());
  ASSERT_TRUE(p.LoadBytes(bytes));
  p.Advance();
  EXPECT_EQ(rec.traces, V{"kept"});
}

TEST(Loader, FillSidesCloseEachRegion) {
  // Two squares side by side drawn as one path: the middle edge carries the
  // left square on one side and the right square on the other.
  MovieBuilder m(6);
  Shape s;
  s.Fill({255, 0, 0}).Rect(0, 0, 10, 10).Fill({0, 0, 255}).Rect(10, 0, 10, 10);
  uint16_t id = m.DefineShape(s);
  auto movie = swf::LoadMovie(m.Build());
  ASSERT_TRUE(movie);
  const swf::ShapeDef& shape = *movie->Find(id)->shape;
  ASSERT_EQ(shape.fills.size(), 2u);
  for (const auto& f : shape.fills) {
    ASSERT_FALSE(f.commands.empty());
    EXPECT_EQ(f.commands.front().op, swf::PathCommand::Op::Move);
    const auto& last = f.commands.back();
    EXPECT_EQ(last.x, f.commands.front().x);
    EXPECT_EQ(last.y, f.commands.front().y);
  }
}

TEST(Loader, ShapeRecordsWithBothSidesChainIntoClosedContours) {
  // fill0 = 1 on a clockwise square, fill1 = 1 on a counter-clockwise one: both close.
  swf::ShapeDef a, b;
  // Shape records by hand: bounds 0..200 in 9-bit rect, one solid fill, no lines.
  auto encode = [](bool useFill1, bool reverse) {
    std::vector<uint8_t> out;
    uint32_t acc = 0;
    int bits = 0;
    auto put = [&](uint32_t v, int n) {
      for (int i = n - 1; i >= 0; --i) {
        acc = (acc << 1) | ((v >> i) & 1);
        if (++bits == 8) out.push_back(static_cast<uint8_t>(acc)), acc = 0, bits = 0;
      }
    };
    auto flush = [&]() {
      if (bits) out.push_back(static_cast<uint8_t>(acc << (8 - bits))), acc = 0, bits = 0;
    };
    put(9, 5); put(0, 9); put(200, 9); put(0, 9); put(200, 9); flush();
    out.push_back(1); out.push_back(0); out.push_back(255); out.push_back(0); out.push_back(0);  // solid red
    out.push_back(0);  // no line styles
    put(1, 4); put(0, 4);
    put(0, 1); put(useFill1 ? 0x05 : 0x03, 5); put(2, 5); put(0, 2); put(0, 2);  // move to 0,0
    put(1, 1);
    int clockwise[4][2] = {{200, 0}, {0, 200}, {-200, 0}, {0, -200}};
    int counter[4][2] = {{0, 200}, {200, 0}, {0, -200}, {-200, 0}};
    auto& moves = reverse ? counter : clockwise;
    for (int i = 0; i < 4; ++i) {
      put(1, 1);
      put(1, 1); put(8, 4); put(1, 1); put(static_cast<uint32_t>(moves[i][0]), 10); put(static_cast<uint32_t>(moves[i][1]), 10);
    }
    put(0, 6); flush();
    return out;
  };
  ASSERT_TRUE(swf::ParseShape(encode(false, false), 1, a));
  ASSERT_TRUE(swf::ParseShape(encode(true, true), 1, b));
  for (auto* s : {&a, &b}) {
    ASSERT_EQ(s->fills.size(), 1u);
    ASSERT_EQ(s->fills[0].commands.size(), 5u);
    EXPECT_EQ(s->fills[0].commands[0].op, swf::PathCommand::Op::Move);
    EXPECT_EQ(s->fills[0].commands[4].x, s->fills[0].commands[0].x);
    EXPECT_EQ(s->fills[0].commands[4].y, s->fills[0].commands[0].y);
  }
}

TEST(StaticText, EmbeddedGlyphsBecomeOutlinesAndDeviceTextStaysText) {
  MovieBuilder m(6);
  Shape box;
  box.Fill({0, 0, 0}).Rect(0, -1024, 512, 1024);  // em units
  uint16_t outlined = m.DefineFont("Boxes", {{'A', box}, {'B', box}});
  uint16_t device = m.DefineFont("_serif", {});
  TextRunSpec run{outlined, 10.24, {255, 0, 0, 255}, 100, 50, {{0, 6}, {1, 6}}};
  uint16_t text = m.DefineText(0, 0, 200, 100, {run});
  uint16_t deviceText = m.DefineText(0, 0, 200, 100, {});
  m.Main().Place(text, 1).Place(deviceText, 2).ShowFrame();
  swf::Player p;
  ASSERT_TRUE(p.LoadBytes(m.Build()));
  p.Advance();
  swf::DisplayList list;
  p.BuildDisplayList(list);
  ASSERT_EQ(list.items.size(), 1u);  // the empty text shows nothing
  const swf::ShapeDef* s = list.items[0].shape;
  ASSERT_TRUE(s);
  ASSERT_EQ(s->fills.size(), 1u);
  EXPECT_EQ(s->fills[0].style.color, (swf::Rgba{255, 0, 0, 255}));
  // Two glyphs of 5 commands each, the second one 6 pixels on; the em (1024 units) is the
  // text height, 205 twips, above the baseline at 50 pixels.
  ASSERT_EQ(s->fills[0].commands.size(), 10u);
  float top = 1e9f, left = 1e9f;
  for (int i = 0; i < 5; ++i) top = std::min(top, s->fills[0].commands[i].y), left = std::min(left, s->fills[0].commands[i].x);
  EXPECT_FLOAT_EQ(top, 1000 - 205);
  EXPECT_FLOAT_EQ(left, 2000);
  EXPECT_FLOAT_EQ(s->fills[0].commands[5].x - s->fills[0].commands[0].x, 120);
  (void)device;
}

TEST(StaticText, DeviceFontRunsKeepTheirCharacters) {
  MovieBuilder m(6);
  // A font without outlines but with codes: text in a device font.
  std::vector<std::pair<uint16_t, Shape>> glyphs{{'H', Shape()}, {'i', Shape()}};
  uint16_t font = m.DefineFont("_sans", glyphs);
  uint16_t text = m.DefineText(0, 0, 200, 100, {{font, 12, {0, 0, 255, 255}, 10, 20, {{0, 8}, {1, 4}}}});
  m.Main().Place(text, 1).ShowFrame();
  swf::Player p;
  ASSERT_TRUE(p.LoadBytes(m.Build()));
  p.Advance();
  swf::DisplayList list;
  p.BuildDisplayList(list);
  ASSERT_EQ(list.items.size(), 1u);
  EXPECT_EQ(list.items[0].kind, swf::DisplayItem::Kind::Text);
  EXPECT_EQ(list.items[0].textValue, "Hi");
  EXPECT_EQ(list.items[0].text->fontName, "_sans");
  EXPECT_EQ(list.items[0].text->fontHeight, 240);
  EXPECT_EQ(list.items[0].text->color, (swf::Rgba{0, 0, 255, 255}));
}

TEST(Bitmaps, JpegBytesGoToTheRendererWithTheirSize) {
  // A minimal JPEG header: start of image, a baseline frame of 3 x 2 pixels, end of image.
  std::vector<uint8_t> jpeg{0xFF, 0xD8, 0xFF, 0xC0, 0x00, 0x0B, 0x08, 0x00, 0x02, 0x00, 0x03, 0x01, 0x01, 0x11, 0x00,
                            0xFF, 0xD9};
  MovieBuilder m(6);
  // Id 1, the old writers' empty stream, then the image.
  std::vector<uint8_t> jpeg2(jpeg.size() + 6);
  const uint8_t head[] = {0x01, 0x00, 0xFF, 0xD9, 0xFF, 0xD8};
  std::copy(std::begin(head), std::end(head), jpeg2.begin());
  std::copy(jpeg.begin(), jpeg.end(), jpeg2.begin() + 6);
  m.Main().Tag(21, jpeg2);
  std::vector<uint8_t> tables{0xFF, 0xD8, 0xFF, 0xD9};
  m.Main().Tag(8, tables);
  std::vector<uint8_t> bits(jpeg.size() + 2);  // id 2, then the image
  bits[0] = 0x02;
  std::copy(jpeg.begin(), jpeg.end(), bits.begin() + 2);
  m.Main().Tag(6, bits).ShowFrame();
  auto movie = swf::LoadMovie(m.Build());
  ASSERT_TRUE(movie);
  for (uint16_t id : {1, 2}) {
    const swf::BitmapDef* b = movie->Find(id) ? movie->Find(id)->bitmap.get() : nullptr;
    ASSERT_TRUE(b) << id;
    EXPECT_EQ(b->width, 3u);
    EXPECT_EQ(b->height, 2u);
    ASSERT_GE(b->jpeg.size(), 4u);
    EXPECT_EQ(b->jpeg[0], 0xFF);
    EXPECT_EQ(b->jpeg[1], 0xD8);
    EXPECT_EQ(b->jpeg[2], 0xFF);
    EXPECT_EQ(b->jpeg[3], 0xC0);
  }
}

namespace {
std::vector<uint8_t> LosslessTag(uint16_t id, uint8_t format, uint16_t w, uint16_t h, int tableSize,
                                 const std::vector<uint8_t>& raw) {
  std::vector<uint8_t> body{static_cast<uint8_t>(id), 0, format, static_cast<uint8_t>(w), static_cast<uint8_t>(w >> 8),
                            static_cast<uint8_t>(h), static_cast<uint8_t>(h >> 8)};
  if (format == 3) body.push_back(static_cast<uint8_t>(tableSize - 1));
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  std::vector<uint8_t> z(size);
  compress(z.data(), &size, raw.data(), static_cast<uLong>(raw.size()));
  body.insert(body.end(), z.begin(), z.begin() + static_cast<long>(size));
  return body;
}
}  // namespace

TEST(Bitmaps, ColourMappedAndFifteenBitRowsArePadded) {
  MovieBuilder m(6);
  // 3 x 2 colour-mapped: rows padded to 4 bytes; table of two RGB colours.
  std::vector<uint8_t> mapped{255, 0, 0, 0, 0, 255, /*row 0*/ 0, 1, 0, 9, /*row 1*/ 1, 1, 7, 9};
  m.Main().Tag(20, LosslessTag(1, 3, 3, 2, 2, mapped));
  // 1 x 2 fifteen-bit: each row one pixel and two bytes of padding.
  std::vector<uint8_t> fifteen{0x7C, 0x00, 0, 0, 0x00, 0x1F, 0, 0};
  m.Main().Tag(20, LosslessTag(2, 4, 1, 2, 0, fifteen));
  // Data that ends early leaves the rest black; sizes the data cannot hold, or absurd ones, are refused.
  std::vector<uint8_t> partial(4000);
  for (size_t i = 0; i < partial.size(); ++i) partial[i] = static_cast<uint8_t>(i * 7919 % 251);  // hardly compressible
  m.Main().Tag(20, LosslessTag(3, 5, 0xFF, 0xFF, 0, partial));
  m.Main().Tag(36, LosslessTag(4, 5, 0xFFFF, 0xFFFF, 0, {1, 2, 3}));
  m.Main().Tag(36, LosslessTag(5, 5, 4000, 4000, 0, {1, 2, 3}));
  auto movie = swf::LoadMovie(m.Build());
  ASSERT_TRUE(movie);
  const swf::BitmapDef* a = movie->Find(1)->bitmap.get();
  ASSERT_EQ(a->pixels.size(), 6u);
  EXPECT_EQ(a->pixels[0], 0xFFFF0000u);
  EXPECT_EQ(a->pixels[1], 0xFF0000FFu);
  EXPECT_EQ(a->pixels[3], 0xFF0000FFu);
  EXPECT_EQ(a->pixels[5], 0u);  // index 7 is outside the table
  const swf::BitmapDef* b = movie->Find(2)->bitmap.get();
  ASSERT_EQ(b->pixels.size(), 2u);
  EXPECT_EQ(b->pixels[0], 0xFFFF0000u);
  EXPECT_EQ(b->pixels[1], 0xFF0000FFu);
  ASSERT_TRUE(movie->Find(3));
  EXPECT_EQ(movie->Find(3)->bitmap->pixels.size(), 255u * 255u);
  EXPECT_EQ(movie->Find(3)->bitmap->pixels[60000], 0xFF000000u);  // past the data; no alpha channel: opaque black
  EXPECT_FALSE(movie->Find(4));
  EXPECT_FALSE(movie->Find(5));
}
