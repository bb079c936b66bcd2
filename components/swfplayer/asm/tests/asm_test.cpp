// The assembler's output read back by the engine's loader.
#include <gtest/gtest.h>

#include "swfplayer/asm/movie_builder.h"
#include "swfplayer/engine/movie.h"

using namespace swfasm;

TEST(Assembler, HeaderFieldsRoundTrip) {
  MovieBuilder m(8, 320, 240, 24.5);
  m.Main().ShowFrame().ShowFrame();
  auto bytes = m.Build();
  swf::Header h;
  ASSERT_TRUE(swf::ReadHeader(bytes, h));
  EXPECT_EQ(std::string(h.signature), "FWS");
  EXPECT_EQ(h.version, 8);
  EXPECT_EQ(h.fileLength, bytes.size());
  EXPECT_EQ(h.stage.xMax, 320 * 20);
  EXPECT_EQ(h.stage.yMax, 240 * 20);
  EXPECT_DOUBLE_EQ(h.frameRate, 24.5);
  EXPECT_EQ(h.frameCount, 2);
}

TEST(Assembler, CompressedHeaderStatesInflatedLength) {
  MovieBuilder m(6);
  m.SetCompressed(true);
  m.Main().ShowFrame();
  auto bytes = m.Build();
  swf::Header h;
  ASSERT_TRUE(swf::ReadHeader(bytes, h));
  EXPECT_EQ(std::string(h.signature), "CWS");
  std::vector<uint8_t> inflated;
  ASSERT_TRUE(swf::InflateMovie(bytes, inflated));
  EXPECT_EQ(inflated.size(), h.fileLength);
  EXPECT_EQ(inflated[0], 'F');
}

TEST(Assembler, ShapeWithCurvesAndLinesReadsBack) {
  MovieBuilder m(6);
  Shape s;
  s.Fill({255, 0, 0}).Line(2, {0, 0, 255}).Rect(10, 10, 100, 50).NoLine().Fill({0, 255, 0}).Ellipse(200, 200, 30, 20);
  uint16_t id = m.DefineShape(s);
  m.Main().Place(id, 1).ShowFrame();
  auto movie = swf::LoadMovie(m.Build());
  ASSERT_TRUE(movie);
  const swf::Character* c = movie->Find(id);
  ASSERT_TRUE(c && c->shape);
  ASSERT_EQ(c->shape->fills.size(), 2u);
  EXPECT_EQ(c->shape->fills[0].style.color, (swf::Rgba{255, 0, 0, 255}));
  ASSERT_EQ(c->shape->strokes.size(), 1u);
  EXPECT_EQ(c->shape->strokes[0].style.width, 40);
  EXPECT_EQ(c->shape->bounds.xMin, 10 * 20 - 20);  // half the line width outside
  int curves = 0;
  for (auto& cmd : c->shape->fills[1].commands) curves += cmd.op == swf::PathCommand::Op::Curve;
  EXPECT_EQ(curves, 8);
}

TEST(Assembler, JumpOffsetsCountFromTheEndOfTheJump) {
  Actions a;
  a.Jump("skip").Trace("never").Label("skip").Trace("after");
  auto b = a.Bytes();
  ASSERT_EQ(b[0], 0x99);
  int16_t off = static_cast<int16_t>(b[3] | (b[4] << 8));
  // The skipped block is one push of "never" (3 + 1 + 6 bytes) and a trace.
  EXPECT_EQ(off, 3 + 7 + 1);
  EXPECT_EQ(b.back(), 0);
}

TEST(Assembler, SpriteKeepsItsOwnFrames) {
  MovieBuilder m(6);
  Timeline t;
  t.ShowFrame().ShowFrame().ShowFrame();
  uint16_t id = m.DefineSprite(t);
  m.Main().Place(id, 1, {}, "clip").ShowFrame();
  auto movie = swf::LoadMovie(m.Build());
  ASSERT_TRUE(movie);
  ASSERT_TRUE(movie->Find(id) && movie->Find(id)->sprite);
  EXPECT_EQ(movie->Find(id)->sprite->frames.size(), 3u);
  EXPECT_EQ(movie->main.frames.size(), 1u);
}

TEST(Assembler, BitmapPixelsSurviveWithAlpha) {
  MovieBuilder m(8);
  uint16_t id = m.DefineBitmap(2, 1, {0xFFFF0000u, 0x80004080u});
  auto movie = swf::LoadMovie(m.Build());
  ASSERT_TRUE(movie);
  const swf::BitmapDef* b = movie->Find(id)->bitmap.get();
  ASSERT_TRUE(b);
  ASSERT_EQ(b->pixels.size(), 2u);
  EXPECT_EQ(b->pixels[0], 0xFFFF0000u);
  EXPECT_EQ(b->pixels[1] >> 24, 0x80u);
  EXPECT_NEAR(static_cast<int>((b->pixels[1] >> 8) & 0xFF), 0x40, 1);
  EXPECT_NEAR(static_cast<int>(b->pixels[1] & 0xFF), 0x80, 1);
}

TEST(Assembler, GradientFillsReadBack) {
  MovieBuilder m(6);
  Shape s;
  s.GradientFill(true, {{0, {255, 0, 0, 255}}, {255, {0, 0, 255, 128}}}, Transform::Scale(0.1, 0.1, 50, 50)).Rect(0, 0, 100, 100);
  uint16_t id = m.DefineShape(s);
  auto movie = swf::LoadMovie(m.Build());
  ASSERT_TRUE(movie);
  const auto& f = movie->Find(id)->shape->fills.at(0).style;
  EXPECT_EQ(f.kind, swf::FillStyle::Kind::RadialGradient);
  ASSERT_EQ(f.stops.size(), 2u);
  EXPECT_EQ(f.stops[1].ratio, 255);
  EXPECT_EQ(f.stops[1].color, (swf::Rgba{0, 0, 255, 128}));
  EXPECT_NEAR(f.matrix.a, 0.1, 1e-4);
  EXPECT_EQ(f.matrix.tx, 1000);
}
