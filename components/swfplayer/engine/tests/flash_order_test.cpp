// The order a frame runs things in: clips newest first, load before a clip's first frame, initialize and construct
// ahead of everything else, script-made clips constructed at once, event flags limited by the placement, and
// placements that move a clip rather than make it again.
#include <gtest/gtest.h>

#include <algorithm>

#include "test_movie.h"

using namespace swfasm;
using namespace swftest;

namespace {

constexpr uint32_t kInitialize = 0x200, kConstruct = 0x40000;

// A clip of two frames that traces "<name> frame 1" and "<name> frame 2" and then stops.
uint16_t TwoFrameClip(MovieBuilder& m, const std::string& name) {
  Timeline t;
  t.Do(Actions().Trace(name + " frame 1")).ShowFrame();
  t.Do(Actions().Trace(name + " frame 2").Stop()).ShowFrame();
  return m.DefineSprite(t);
}

}  // namespace

TEST(FlashOrder, ClipsRunNewestFirstWhateverTheirDepth) {
  MovieBuilder m(6);
  uint16_t a = TwoFrameClip(m, "a");
  uint16_t b = TwoFrameClip(m, "b");
  m.Main().Place(a, 5, {}, "a").Place(b, 1, {}, "b").Do(Actions().Trace("root frame 1")).ShowFrame();
  m.Main().Do(Actions().Trace("root frame 2").Stop()).ShowFrame();
  // The children go before their parent, the later placed before the earlier.
  EXPECT_EQ(Play(m, 2), (V{"a frame 1", "b frame 1", "root frame 1", "b frame 2", "a frame 2", "root frame 2"}));
}

TEST(FlashOrder, EachClipHearsEnterFrameJustBeforeItMovesOn) {
  MovieBuilder m(6);
  uint16_t a = TwoFrameClip(m, "a");
  m.Main().PlaceWithEvents(a, 1, {}, "a", {{kOnEnterFrame, Actions().Trace("a enterFrame")}});
  Actions handler;
  handler.Push({"_root"}).Op(Action::GetVariable).Push({"onEnterFrame"})
      .DefineFunction("", {}, Actions().Trace("root enterFrame")).Op(Action::SetMember);
  m.Main().Do(handler).ShowFrame();
  m.Main().Do(Actions().Trace("root frame 2").Stop()).ShowFrame();
  EXPECT_EQ(Play(m, 2), (V{"a frame 1", "a enterFrame", "a frame 2", "root enterFrame", "root frame 2"}));
}

TEST(FlashOrder, AClipMadeByAScriptRunsBeforeTheClipsMadeEarlier) {
  Actions attach;
  attach.Push({1, "late", "a", 3, "_root"}).Op(Action::GetVariable).Push({"attachMovie"}).Op(Action::CallMethod)
      .Op(Action::Pop);
  MovieBuilder named(6);
  Timeline t;
  t.Do(Actions().Push({"frame 1 of "}).Push({"_name"}).Op(Action::GetVariable).Op(Action::Add2).Op(Action::Trace))
      .ShowFrame();
  t.Do(Actions().Push({"frame 2 of "}).Push({"_name"}).Op(Action::GetVariable).Op(Action::Add2).Op(Action::Trace)
           .Stop())
      .ShowFrame();
  uint16_t s = named.DefineSprite(t);
  named.Main().Tag(56, ExportBody(s, "a"));
  named.Main().Place(s, 1, {}, "early").Do(attach).ShowFrame();
  named.Main().Do(Actions().Stop()).ShowFrame();
  EXPECT_EQ(Play(named, 2), (V{"frame 1 of early", "frame 1 of late", "frame 2 of late", "frame 2 of early"}));
}

TEST(FlashOrder, LoadComesBeforeTheClipsFirstFrame) {
  MovieBuilder m(6);
  uint16_t a = TwoFrameClip(m, "a");
  m.Main().Do(Actions().Trace("root before"));
  m.Main().PlaceWithEvents(a, 1, {}, "a", {{kOnLoad, Actions().Trace("a load")}});
  m.Main().Do(Actions().Trace("root after").Stop()).ShowFrame();
  EXPECT_EQ(Play(m, 1), (V{"root before", "a load", "a frame 1", "root after"}));
}

TEST(FlashOrder, InitializeThenConstructRunBeforeScriptsQueuedEarlier) {
  MovieBuilder m(6);
  uint16_t a = TwoFrameClip(m, "a");
  m.Main().Do(Actions().Trace("root before"));
  m.Main().PlaceWithEvents(a, 1, {}, "a",
                           {{kOnLoad, Actions().Trace("load")},
                            {kConstruct, Actions().Trace("construct")},
                            {kInitialize, Actions().Trace("initialize")}});
  m.Main().Do(Actions().Trace("root after").Stop()).ShowFrame();
  EXPECT_EQ(Play(m, 1), (V{"initialize", "construct", "root before", "load", "a frame 1", "root after"}));
}

TEST(FlashOrder, DuplicatesConstructAtOnceAndInitializeAfterTheCallingScript) {
  MovieBuilder m(6);
  Timeline t;
  t.Do(Actions().Stop()).ShowFrame();
  uint16_t s = m.DefineSprite(t);
  Actions name;
  name.Push({"_name"}).Op(Action::GetVariable);
  m.Main().PlaceWithEvents(s, 1, {}, "c",
                           {{kConstruct, Actions(name).Push({" construct"}).Op(Action::Add2).Op(Action::Trace)},
                            {kInitialize, Actions(name).Push({" initialize"}).Op(Action::Add2).Op(Action::Trace)},
                            {kOnLoad, Actions(name).Push({" load"}).Op(Action::Add2).Op(Action::Trace)}});
  m.Main().ShowFrame();
  Actions dup;
  dup.Push({"c", "d", 1}).Op(Action::CloneSprite).Trace("after duplicateMovieClip");
  dup.Push({2, "e", 2, "c"}).Op(Action::GetVariable).Push({"duplicateMovieClip"}).Op(Action::CallMethod)
      .Op(Action::Pop).Trace("after the method");
  m.Main().Do(dup.Stop()).ShowFrame();
  EXPECT_EQ(Play(m, 2), (V{"c initialize", "c construct", "c load", "d construct", "after duplicateMovieClip",
                           "e construct", "after the method", "d initialize", "e initialize", "d load", "e load"}));
}

TEST(FlashOrder, AClassOnLoadOnThePrototypeHearsTheLoad) {
  MovieBuilder m(6);
  Timeline t;
  t.ShowFrame();
  uint16_t s = m.DefineSprite(t);
  m.Main().Tag(56, ExportBody(s, "thing"));
  Actions init;
  init.DefineFunction("Thing", {}, Actions().Trace("constructor"));
  init.Push({"Thing"}).Op(Action::GetVariable).Push({"prototype"}).Op(Action::GetMember).Push({"onLoad"})
      .DefineFunction("", {}, Actions().Trace("prototype onLoad")).Op(Action::SetMember);
  init.Push({"Thing"}).Op(Action::GetVariable).Push({"thing", 2, "Object"}).Op(Action::GetVariable)
      .Push({"registerClass"}).Op(Action::CallMethod).Op(Action::Pop);
  m.Main().InitActions(s, init).Place(s, 1, {}, "t").Do(Actions().Trace("frame").Stop()).ShowFrame();
  EXPECT_EQ(Play(m, 1), (V{"constructor", "prototype onLoad", "frame"}));
}

TEST(FlashOrder, HandlersHearOnlyTheEventsThePlacementFlagsName) {
  MovieBuilder m(6);
  Timeline t;
  t.ShowFrame();
  uint16_t s = m.DefineSprite(t);
  m.Main().PlaceWithEvents(s, 1, {}, "c",
                           {{kOnLoad | kOnEnterFrame, Actions().Trace("load or enterFrame")},
                            {kOnEnterFrame, Actions().Trace("enterFrame")}},
                           kOnLoad);
  m.Main().ShowFrame();
  m.Main().Do(Actions().Stop()).ShowFrame();
  EXPECT_EQ(Play(m, 3), (V{"load or enterFrame"}));
}

TEST(FlashOrder, APlacementNamingAnotherCharacterMovesAClipInsteadOfMakingItAgain) {
  MovieBuilder m(6);
  uint16_t a = TwoFrameClip(m, "a");
  uint16_t b = TwoFrameClip(m, "b");
  m.Main().PlaceWithEvents(a, 1, {}, "c", {{kOnUnload, Actions().Trace("unload")}});
  m.Main().Do(Actions().Set("c.mark", "kept")).ShowFrame();
  m.Main().Replace(b, 1).ShowFrame();
  m.Main().Do(Actions().TraceVar("c.mark").Stop()).ShowFrame();
  EXPECT_EQ(Play(m, 3), (V{"a frame 1", "a frame 2", "kept"}));
}

TEST(FlashOrder, AShapeIsReplacedByThePlacementsCharacter) {
  MovieBuilder m(6, 100, 100);
  uint16_t red = m.Rectangle(0, 0, 10, 10, {255, 0, 0});
  uint16_t wide = m.Rectangle(0, 0, 40, 10, {0, 0, 255});
  m.Main().Place(red, 1).ShowFrame();
  m.Main().Replace(wide, 1).Place(m.DefineSprite(Timeline().ShowFrame()), 2, {}, "probe").ShowFrame();
  m.Main().Do(Actions().Push({"_root"}).Op(Action::GetVariable).Push({"_width"}).Op(Action::GetMember)
                  .Op(Action::Trace).Stop())
      .ShowFrame();
  EXPECT_EQ(Play(m, 3), (V{"40"}));
}
