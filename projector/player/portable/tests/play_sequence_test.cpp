#include "play_sequence.h"

#include <gtest/gtest.h>

#include <map>

using namespace player;

namespace {

struct FakeClock : PlayClock {
  int64_t now = 1000;
  int64_t TimeOfDay() override { return now % kDayMs; }
};

// A view whose movie advances one frame per tick while it plays.
struct FakeView : PlayView {
  FakeClock* clock = nullptr;
  std::vector<std::u16string> loaded;
  bool playing = false;
  bool ready = false;
  int frame = 0;
  int frames = 1;
  int stops = 0;
  bool HasWindow() const override { return true; }
  bool Load(const PlayItem& item) override {
    loaded.push_back(item.path);
    playing = true;
    ready = true;
    frame = 0;
    frames = item.lastFrame + 1;
    return true;
  }
  void Stop() override {
    playing = false;
    ++stops;
  }
  bool IsPlaying() override { return playing; }
  int CurrentFrame() override { return frame; }
  bool IsReady() override { return ready; }
  void ResetReady() override { ready = false; }
  void PumpMessages() override { clock->now += 10; }
  void Advance() {
    if (playing && frame + 1 < frames) ++frame;
  }
};

struct FakeProber : ItemProber {
  std::map<std::u16string, Movie> movies;
  bool ProbeMovie(const std::u16string& path, Movie* movie) override {
    auto it = movies.find(path);
    if (it == movies.end()) return false;
    *movie = it->second;
    return true;
  }
  bool PictureSize(const std::u16string&, int* w, int* h) override {
    *w = 640;
    *h = 480;
    return true;
  }
};

class Sequence : public ::testing::Test {
 protected:
  Sequence() : seq(view, clock) { view.clock = &clock; }
  // One player timer tick: 40 ms pass and the movie moves on a frame.
  bool Tick() {
    clock.now += 40;
    view.Advance();
    return seq.Tick(&shown);
  }
  int TicksUntilNext(int limit = 100000) {
    for (int i = 1; i <= limit; ++i)
      if (Tick()) return i;
    return -1;
  }
  FakeClock clock;
  FakeView view;
  FakeProber prober;
  PlaySequence seq;
  PlayItem shown;
};

TEST(Kinds, ExtensionsDecideAndQualityMaps) {
  EXPECT_EQ(KindOf(u"a.SWF"), ItemKind::Movie);
  EXPECT_EQ(KindOf(u"a.b.JPeG"), ItemKind::Picture);
  EXPECT_EQ(KindOf(u"page.html"), ItemKind::Page);
  EXPECT_EQ(KindOf(u"sound.wav"), ItemKind::Other);
  EXPECT_EQ(KindOf(u"noext"), ItemKind::Other);
  EXPECT_EQ(ItemQuality(0), 2);
  EXPECT_EQ(ItemQuality(1), 1);
  EXPECT_EQ(ItemQuality(2), 0);
  EXPECT_EQ(ItemQuality(7), 3);
}

TEST_F(Sequence, FillSkipsUnreadableMoviesAndOtherFilesAndDefaultsSizes) {
  prober.movies[u"ok.swf"] = {10, 10.0, 0, 0};
  seq.Fill({{u"bad.swf", 1}, {u"ok.swf", 1}, {u"song.mp3", 1}, {u"p.png", 2}, {u"x.htm", 3}}, 0, true, prober);
  ASSERT_EQ(seq.items().size(), 3u);
  EXPECT_EQ(seq.items()[0].width, 400);
  EXPECT_EQ(seq.items()[0].lastFrame, 9);
  EXPECT_FALSE(seq.items()[0].timed);  // one second is the movie's natural length
  EXPECT_EQ(seq.items()[0].quality, 2);
  EXPECT_EQ(seq.items()[1].width, 640);
  EXPECT_EQ(seq.items()[1].playTime, 2000);
  EXPECT_EQ(seq.items()[2].width, 400);
  EXPECT_TRUE(seq.items()[2].timed);
}

TEST_F(Sequence, OneFrameMovieWithoutItsOwnTimeMovesOnAfterSeventyFiveTicks) {
  prober.movies[u"still.swf"] = {1, 12.0, 100, 100};
  seq.Fill({{u"still.swf", 1.0f / 12}, {u"b.png", 1}}, 0, true, prober);
  EXPECT_TRUE(Tick());
  EXPECT_EQ(view.loaded.back(), u"still.swf");
  // 75 ticks of waiting (75 * 40 > 2999), and the next one moves on.
  EXPECT_EQ(TicksUntilNext(), 76);
  EXPECT_EQ(view.loaded.back(), u"b.png");
}

TEST_F(Sequence, MovieRunsByItsFramesWhenTheTimeMatchesAndIsCutWhenItDoesNot) {
  prober.movies[u"m.swf"] = {50, 25.0, 100, 100};
  seq.Fill({{u"m.swf", 2.3f}, {u"p.png", 1}}, 0, true, prober);
  ASSERT_FALSE(seq.items()[0].timed);
  ASSERT_TRUE(Tick());
  EXPECT_EQ(TicksUntilNext(), 49);  // the tick that shows frame 49 moves on

  FakeView cutView;
  cutView.clock = &clock;
  PlaySequence cut(cutView, clock);
  cut.Fill({{u"m.swf", 1.0f}, {u"p.png", 1}}, 0, true, prober);
  ASSERT_TRUE(cut.items()[0].timed);
  ASSERT_TRUE(cut.Tick(nullptr));
  int64_t started = clock.now;
  int ticks = 0;
  while (!cut.Tick(nullptr)) {
    clock.now += 40;
    ++ticks;
  }
  EXPECT_GE(clock.now - started, 1000);
  EXPECT_LT(clock.now - started, 1000 + 40 + 50);
}

TEST_F(Sequence, WithoutLoopingTheLastItemStaysAndWithLoopingTheFirstFollows) {
  seq.Fill({{u"a.png", 0.2f}, {u"b.png", 0.2f}}, 0, false, prober);
  EXPECT_EQ(seq.items()[1].playTime, static_cast<int64_t>(PlaySequence::kLastItemSeconds * 1000));
  ASSERT_TRUE(Tick());
  EXPECT_GT(TicksUntilNext(), 0);
  EXPECT_EQ(view.loaded.back(), u"b.png");
  EXPECT_EQ(TicksUntilNext(2000), -1);
  EXPECT_FALSE(seq.finished());

  FakeView loopView;
  loopView.clock = &clock;
  PlaySequence looping(loopView, clock);
  looping.Fill({{u"a.png", 0.2f}, {u"b.png", 0.2f}}, 0, true, prober);
  for (int i = 0; i < 200; ++i) {
    clock.now += 40;
    looping.Tick(nullptr);
  }
  ASSERT_GE(loopView.loaded.size(), 4u);
  EXPECT_EQ(loopView.loaded[2], u"a.png");
  EXPECT_EQ(loopView.loaded[3], u"b.png");
}

TEST_F(Sequence, MovieThatReloadsItselfFinishesTheList) {
  prober.movies[u"m.swf"] = {50, 25.0, 100, 100};
  seq.Fill({{u"m.swf", 2.0f}, {u"p.png", 1}}, 0, true, prober);
  ASSERT_TRUE(Tick());
  Tick();
  view.ready = true;  // the movie loaded another movie into itself
  EXPECT_FALSE(Tick());
  EXPECT_TRUE(seq.finished());
}

TEST_F(Sequence, PauseHoldsTheClock) {
  seq.Fill({{u"a.png", 1.0f}, {u"b.png", 1.0f}}, 0, true, prober);
  ASSERT_TRUE(Tick());
  for (int i = 0; i < 10; ++i) Tick();
  seq.PauseClock(true);
  for (int i = 0; i < 100; ++i) EXPECT_FALSE(Tick());
  seq.PauseClock(false);
  // 400 ms had passed before the pause: about 600 remain, the 4 s of the pause do not count.
  int ticks = TicksUntilNext();
  EXPECT_GE(ticks, 14);
  EXPECT_LE(ticks, 16);
}

TEST_F(Sequence, AnItemEndingAfterMidnightEndsOnTime) {
  clock.now = kDayMs - 500;
  seq.Fill({{u"a.png", 1.0f}, {u"b.png", 1.0f}}, 0, true, prober);
  ASSERT_TRUE(Tick());
  int ticks = TicksUntilNext();
  EXPECT_GE(ticks, 24);
  EXPECT_LE(ticks, 26);
}

}  // namespace
