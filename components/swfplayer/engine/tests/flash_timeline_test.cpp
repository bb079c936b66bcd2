// Jumps and the shape of a timeline: what a goto keeps, makes again and in which order, the frames a timeline
// really has, and when it loops.
#include <gtest/gtest.h>

#include "test_movie.h"

using namespace swfasm;
using namespace swftest;

namespace {

// A one-frame clip whose frame traces `text`.
uint16_t Announcing(MovieBuilder& m, const std::string& text) {
  Timeline t;
  t.Do(Actions().Trace(text)).ShowFrame();
  return m.DefineSprite(t);
}

// PlaceObject2 that moves the object at a depth to a new ratio.
std::vector<uint8_t> RatioMove(uint16_t depth, uint16_t ratio) {
  return {0x11, static_cast<uint8_t>(depth), static_cast<uint8_t>(depth >> 8), static_cast<uint8_t>(ratio),
          static_cast<uint8_t>(ratio >> 8)};
}

}  // namespace

TEST(FlashTimeline, AForwardGotoMakesAClipRemovedAndPlacedAgainOnTheWayAnew) {
  MovieBuilder m(6);
  uint16_t s = Announcing(m, "c frame 1");
  m.Main().Place(s, 1, {}, "c").Do(Actions().Set("c.mark", "old").GotoFrame(2)).ShowFrame();
  m.Main().Remove(1).Place(s, 1, {}, "c").ShowFrame();
  m.Main().Do(Actions().TraceVar("c.mark").Stop()).ShowFrame();
  EXPECT_EQ(Play(m, 1), (V{"c frame 1", "c frame 1", "undefined"}));
}

TEST(FlashTimeline, AForwardGotoMakesObjectsInTagOrderBetweenTheTargetFramesScripts) {
  MovieBuilder m(6);
  uint16_t a = Announcing(m, "a"), b = Announcing(m, "b"), c = Announcing(m, "c");
  m.Main().Do(Actions().GotoFrame(2)).ShowFrame();
  m.Main().Place(a, 10, {}, "a").Place(b, 1, {}, "b").ShowFrame();
  m.Main().Do(Actions().Trace("frame 3 before").Stop()).Place(c, 5, {}, "c").Do(Actions().Trace("frame 3 after"));
  m.Main().ShowFrame();
  EXPECT_EQ(Play(m, 1), (V{"a", "b", "frame 3 before", "c", "frame 3 after"}));
}

TEST(FlashTimeline, GoingBackKeepsAChildOnlyWithTheSameCharacterAndRatio) {
  MovieBuilder m(6);
  uint16_t s = Announcing(m, "made");
  m.Main().Place(s, 1, {}, "moved").Place(s, 2, {}, "still").ShowFrame();
  m.Main().Tag(26, RatioMove(1, 5)).ShowFrame();
  Actions back;
  back.Set("moved.mark", "kept").Set("still.mark", "kept").GotoFrame(0);
  back.TraceVar("moved.mark").TraceVar("still.mark").Stop();
  m.Main().Do(back).ShowFrame();
  EXPECT_EQ(Play(m, 3), (V{"made", "made", "undefined", "kept", "made"}));
}

TEST(FlashTimeline, TagsAfterTheLastFrameRunOnceAndAreNoFrame) {
  MovieBuilder m(6);
  Timeline two;
  two.Do(Actions().Trace("frame 1")).ShowFrame();
  two.Do(Actions().Trace("frame 2")).ShowFrame();
  two.Do(Actions().Trace("after the last frame").TraceVar("_totalframes"));
  uint16_t s = m.DefineSprite(two);
  m.Main().Place(s, 1, {}, "c").ShowFrame();
  EXPECT_EQ(Play(m, 5), (V{"frame 1", "frame 2", "after the last frame", "2", "frame 1", "frame 2", "frame 1"}));
  // With one frame the clip does not loop at all.
  MovieBuilder single(6);
  Timeline one;
  one.Do(Actions().Trace("frame 1")).ShowFrame();
  one.Do(Actions().Trace("after"));
  uint16_t id = single.DefineSprite(one);
  single.Main().Place(id, 1, {}, "c").ShowFrame();
  EXPECT_EQ(Play(single, 4), (V{"frame 1", "after"}));
}

TEST(FlashTimeline, AClipWithoutAnEndTagStaysAtItsLastFrame) {
  MovieBuilder m(6);
  Timeline two;
  two.Do(Actions().Trace("frame 1")).ShowFrame();
  two.Do(Actions().Trace("frame 2")).ShowFrame();
  uint16_t open = m.DefineSprite(two, false);
  m.Main().Place(open, 1, {}, "c").ShowFrame();
  EXPECT_EQ(Play(m, 4), (V{"frame 1", "frame 2"}));
}

TEST(FlashTimeline, GoingBackRemovesDuplicatesBelowDepthZeroAndKeepsTheOthers) {
  MovieBuilder m(6);
  uint16_t s = Announcing(m, "made");
  Actions dup;
  CallOn(dup, "c", "duplicateMovieClip", {"low", -5}).Op(Action::Pop);
  CallOn(dup, "c", "duplicateMovieClip", {"high", 5}).Op(Action::Pop);
  dup.Set("low.mark", "here").Set("high.mark", "here");
  m.Main().Place(s, 1, {}, "c").ShowFrame();
  m.Main().Do(dup).ShowFrame();
  Actions back;
  back.GotoFrame(0).TraceVar("low.mark").TraceVar("high.mark").Stop();
  m.Main().Do(back).ShowFrame();
  EXPECT_EQ(Play(m, 3), (V{"made", "made", "made", "undefined", "here"}));
}
