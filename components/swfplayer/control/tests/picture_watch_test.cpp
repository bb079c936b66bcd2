#include "picture_watch.h"

#include <gtest/gtest.h>

#include <vector>

#include "swfplayer/asm/movie_builder.h"

using namespace swfcontrol;

namespace {

// A square that moves 10 pixels right on each of four frames; stopped on the first unless told to play.
std::vector<uint8_t> MovingSquare(bool play) {
  swfasm::MovieBuilder movie(6, 100, 100, 12);
  uint16_t square = movie.Rectangle(0, 0, 20, 20, {255, 0, 0, 255});
  swfasm::Actions first;
  if (!play) first.Stop();
  movie.Main().Place(square, 1).Do(first).ShowFrame();
  for (int i = 1; i < 4; ++i) movie.Main().Move(1, swfasm::Transform::Translate(10.0 * i, 0)).ShowFrame();
  return movie.Build();
}

TEST(PictureWatch, AStoppedMovieChangesOnlyWhenSomethingMovesIt) {
  MovieHost host;
  auto bytes = MovingSquare(false);
  ASSERT_TRUE(host.LoadBytes(bytes));
  host.Tick();
  PictureWatch watch;
  EXPECT_TRUE(watch.Changed(host)) << "the first frame is always new";
  for (int i = 0; i < 3; ++i) {
    host.Tick();
    EXPECT_FALSE(watch.Changed(host)) << "tick " << i;
  }
  host.Forward();
  EXPECT_TRUE(watch.Changed(host));
  EXPECT_FALSE(watch.Changed(host));
  // The main timeline scaled by the host.
  ASSERT_TRUE(host.TSetProperty("/", 2, "50"));
  EXPECT_TRUE(watch.Changed(host));
  watch.Forget();
  EXPECT_TRUE(watch.Changed(host));
}

TEST(PictureWatch, APlayingMovieChangesWithEveryFrameThatMovesSomething) {
  MovieHost host;
  auto bytes = MovingSquare(true);
  ASSERT_TRUE(host.LoadBytes(bytes));
  host.Tick();
  PictureWatch watch;
  watch.Changed(host);
  for (int i = 0; i < 3; ++i) {
    host.Tick();
    EXPECT_TRUE(watch.Changed(host)) << "frame " << i + 1;
  }
}

TEST(PictureWatch, AnotherMovieOrNoneIsAnotherPicture) {
  MovieHost host;
  auto bytes = MovingSquare(false);
  ASSERT_TRUE(host.LoadBytes(bytes));
  host.Tick();
  PictureWatch watch;
  watch.Changed(host);
  // The same file loaded again has definitions of its own.
  ASSERT_TRUE(host.LoadBytes(bytes));
  host.Tick();
  EXPECT_TRUE(watch.Changed(host));
  host.Unload();
  EXPECT_TRUE(watch.Changed(host));
  EXPECT_FALSE(watch.Changed(host));
}

TEST(SamePicture, ComparesColoursTextsAndMasksOfEachItem) {
  swf::DisplayList a;
  a.items.resize(2);
  a.items[1].kind = swf::DisplayItem::Kind::MaskPush;
  a.items[1].maskShapes.push_back({nullptr, swf::Matrix{}});
  swf::DisplayList b = a;
  EXPECT_TRUE(SamePicture(a, b));
  b.items[0].cxform.aMul = 0.5;
  EXPECT_FALSE(SamePicture(a, b));
  b = a;
  b.items[0].textValue.push_back('x');
  EXPECT_FALSE(SamePicture(a, b));
  b = a;
  b.items[1].maskShapes[0].matrix.tx = 20;
  EXPECT_FALSE(SamePicture(a, b));
  b = a;
  b.background = {0, 0, 0, 255};
  EXPECT_FALSE(SamePicture(a, b));
  b = a;
  b.items.pop_back();
  EXPECT_FALSE(SamePicture(a, b));
}

}  // namespace
