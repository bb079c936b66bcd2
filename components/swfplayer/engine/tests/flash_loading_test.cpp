// Movies loaded beside the first: levels, clips whose content another movie replaces, unloading, _url and _root.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "test_movie.h"

using namespace swfasm;
using namespace swftest;

namespace {

// A folder of movie files for one test, removed afterwards.
class MovieFolder {
 public:
  MovieFolder() {
    path_ = std::filesystem::temp_directory_path() /
            ("swf-loading-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~MovieFolder() { std::filesystem::remove_all(path_); }
  std::filesystem::path Write(const std::string& name, const MovieBuilder& m) const {
    std::filesystem::path file = path_ / name;
    std::filesystem::create_directories(file.parent_path());
    std::vector<uint8_t> bytes = m.Build();
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    return file;
  }
  std::filesystem::path Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

std::vector<std::string> PlayFile(const std::filesystem::path& file, int frames) {
  Recorder rec;
  swf::Player p(rec.Callbacks());
  if (!p.LoadFile(file)) return {"<load failed>"};
  for (int i = 0; i < frames; ++i) p.Advance();
  return rec.traces;
}

// Traces whether the variable's text ends with the suffix.
Actions& TraceEndsWith(Actions& a, const std::string& variable, const std::string& suffix) {
  a.Push({variable}).Op(Action::GetVariable).Push({variable}).Op(Action::GetVariable).Op(Action::StringLength)
      .Push({static_cast<int>(suffix.size())}).Op(Action::Subtract).Push({1}).Op(Action::Add)
      .Push({static_cast<int>(suffix.size())})
      .Op(Action::StringExtract).Push({suffix}).Op(Action::StringEquals).Op(Action::Trace);
  return a;
}

// A movie that reports where it stands when its first frame runs.
MovieBuilder Reporter(const std::string& who) {
  MovieBuilder m(6);
  Actions a;
  a.Push({who + " frame 1 in "}).Push({"this"}).Op(Action::GetVariable).Op(Action::Add2).Op(Action::Trace);
  TraceEndsWith(a, "_url", "/" + who + ".swf");
  a.Push({"_root"}).Op(Action::GetVariable).Op(Action::Trace);
  m.Main().Do(a.Stop()).ShowFrame();
  return m;
}

}  // namespace

TEST(FlashLoading, LoadMovieNumPutsASiblingMovieOnALevel) {
  MovieFolder folder;
  folder.Write("child.swf", Reporter("child"));
  MovieBuilder main(6);
  Actions first;
  first.GetUrl("child.swf", "_level1");
  TraceEndsWith(first, "_url", "/main.swf");
  main.Main().Do(first).ShowFrame();
  main.Main().Do(Actions().Trace("main frame 2")).ShowFrame();
  Actions third;
  third.Push({"_level1"}).Op(Action::GetVariable).Op(Action::TypeOf).Op(Action::Trace).TraceVar("_level1._target");
  third.GetUrl("", "_level1");
  main.Main().Do(third).ShowFrame();
  main.Main().Do(Actions().Push({"_level1"}).Op(Action::GetVariable).Op(Action::TypeOf).Op(Action::Trace).Stop())
      .ShowFrame();
  // The request waits for the next frame; the loaded movie runs its first frame after the frame's walk.
  EXPECT_EQ(PlayFile(folder.Write("main.swf", main), 4),
            (V{"true", "main frame 2", "child frame 1 in _level1", "true", "_level1", "movieclip", "_level1",
                "undefined"}));
}

TEST(FlashLoading, LoadMovieReplacesAClipsContentAndKeepsItsPlace) {
  MovieFolder folder;
  folder.Write("movies/inner.swf", Reporter("inner"));
  MovieBuilder main(6);
  Timeline empty;
  empty.ShowFrame();
  uint16_t holder = main.DefineSprite(empty);
  main.Main().PlaceWithEvents(holder, 1, Transform::Translate(30, 0), "holder",
                              {{kOnLoad, Actions().Trace("holder load")}});
  Actions load;
  load.Push({"movies/inner.swf", "holder"}).GetUrl2(0x40);
  main.Main().Do(load).ShowFrame();
  main.Main().ShowFrame();
  main.Main().Do(Actions().TraceVar("holder._x").Stop()).ShowFrame();
  EXPECT_EQ(PlayFile(folder.Write("main.swf", main), 3),
            (V{"holder load", "holder load", "inner frame 1 in _level0.holder", "true", "_level0", "30"}));
}

TEST(FlashLoading, OnlyReadableMoviesBesideTheFirstAreLoaded) {
  MovieFolder folder;
  folder.Write("child.swf", Reporter("child"));
  std::ofstream(folder.Path() / "broken.swf") << "not a movie";
  MovieBuilder main(6);
  Actions a;
  a.GetUrl("missing.swf", "_level1").GetUrl("broken.swf", "_level2").GetUrl("../child.swf", "_level3");
  a.GetUrl("/child.swf", "_level4").GetUrl("file:///child.swf", "_level5");
  main.Main().Do(a).ShowFrame();
  Actions b;
  for (const char* level : {"_level1", "_level2", "_level3", "_level4", "_level5"})
    b.Push({level}).Op(Action::GetVariable).Op(Action::TypeOf).Op(Action::Trace);
  main.Main().Do(b.Stop()).ShowFrame();
  EXPECT_EQ(PlayFile(folder.Write("main.swf", main), 2),
            (V{"undefined", "undefined", "undefined", "undefined", "undefined"}));
  // A movie given as bytes has no folder: nothing is loaded.
  Recorder rec;
  swf::Player p(rec.Callbacks());
  MovieBuilder loader(6);
  loader.Main().Do(Actions().GetUrl("child.swf", "_level1")).ShowFrame();
  loader.Main().Do(Actions().Push({"_level1"}).Op(Action::GetVariable).Op(Action::TypeOf).Op(Action::Trace).Stop())
      .ShowFrame();
  ASSERT_TRUE(p.LoadBytes(loader.Build()));
  p.Advance();
  p.Advance();
  EXPECT_EQ(rec.traces, (V{"undefined"}));
}

TEST(FlashLoading, ALevelHearsTheMouseAboveTheLevelsBelow) {
  MovieFolder folder;
  MovieBuilder upper(6, 300, 300);
  uint16_t rect = upper.Rectangle(0, 0, 50, 50, {0, 0, 0});
  ButtonSpec spec;
  spec.records = {{0x0F, rect}};
  spec.actions.push_back({0x08, Actions().Trace("level 1 button")});
  uint16_t button = upper.DefineButton(spec);
  Timeline empty;
  empty.ShowFrame();
  uint16_t listener = upper.DefineSprite(empty);
  upper.Main().Place(button, 1, {}, "b");
  upper.Main().PlaceWithEvents(listener, 2, {}, "l", {{kOnMouseDown, Actions().Trace("level 1 mouse down")}});
  upper.Main().Do(Actions().Stop()).ShowFrame();
  folder.Write("upper.swf", upper);
  MovieBuilder main(6, 300, 300);
  ButtonSpec lower;
  lower.records = {{0x0F, main.Rectangle(0, 0, 50, 50, {255, 0, 0})}};
  lower.actions.push_back({0x08, Actions().Trace("level 0 button")});
  main.Main().Place(main.DefineButton(lower), 1, {}, "b").Do(Actions().GetUrl("upper.swf", "_level1")).ShowFrame();
  main.Main().Do(Actions().Stop()).ShowFrame();
  Recorder rec;
  swf::Player p(rec.Callbacks());
  ASSERT_TRUE(p.LoadFile(folder.Write("main.swf", main)));
  p.Advance();
  p.Advance();
  p.MouseMove(20, 20);
  p.MouseDown();
  p.MouseUp();
  EXPECT_EQ(rec.traces, (V{"level 1 mouse down", "level 1 button"}));
}

TEST(FlashLoading, ALoadedMoviesScriptsFollowItsOwnVersion) {
  MovieFolder folder;
  MovieBuilder four(4);
  four.Main().Do(Actions().Push({1, 2}).Op(Action::Less).Op(Action::Trace).Stop()).ShowFrame();
  folder.Write("four.swf", four);
  MovieBuilder main(6);
  Actions first;
  first.GetUrl("four.swf", "_level1").Push({1, 2}).Op(Action::Less).Op(Action::Trace);
  main.Main().Do(first).ShowFrame();
  main.Main().Do(Actions().Stop()).ShowFrame();
  EXPECT_EQ(PlayFile(folder.Write("main.swf", main), 3), (V{"true", "1"}));
}

TEST(FlashLoading, LoadVariablesSetsTextOnTheClipOnTheNextFrameAndItHearsData) {
  MovieFolder folder;
  std::ofstream(folder.Path() / "vars.txt", std::ios::binary)
      << "\xEF\xBB\xBFgreeting=hello+world%21&amount=12&empty=&caf%C3%A9=yes&=skipped&flag";
  MovieBuilder main(6);
  Timeline empty;
  empty.ShowFrame();
  uint16_t holder = main.DefineSprite(empty);
  Actions onData;
  onData.Trace("data").TraceVar("greeting").TraceVar("amount").Push({"amount"}).Op(Action::GetVariable)
      .Op(Action::TypeOf).Op(Action::Trace).TraceVar("empty").TraceVar("café").TraceVar("flag");
  main.Main().PlaceWithEvents(holder, 1, {}, "holder", {{kOnData, onData}});
  Actions load;
  load.Push({"vars.txt", "holder"}).GetUrl2(0xC0).TraceVar("holder.greeting");
  main.Main().Do(load).ShowFrame();
  main.Main().Do(Actions().Trace("frame 2").Stop()).ShowFrame();
  EXPECT_EQ(PlayFile(folder.Write("main.swf", main), 3),
            (V{"undefined", "frame 2", "data", "hello world!", "12", "string", "", "yes", ""}));
}

TEST(FlashLoading, LoadVariablesNumAndTheClipMethodsLoadIntoLevelsAndClips) {
  MovieFolder folder;
  std::ofstream(folder.Path() / "level.txt") << "where=level";
  std::ofstream(folder.Path() / "clip.txt") << "where=clip";
  folder.Write("five.swf", [] {
    MovieBuilder five(5);
    five.Main().Do(Actions().Stop()).ShowFrame();
    return five;
  }());
  MovieBuilder main(7);  // getSWFVersion came with the seventh version
  Timeline empty;
  empty.ShowFrame();
  uint16_t holder = main.DefineSprite(empty);
  main.Main().Place(holder, 1, {}, "a").Place(holder, 2, {}, "b");
  Actions first;
  first.Push({"level.txt", "_level0"}).GetUrl2(0x80);
  CallOn(first, "a", "loadVariables", {"clip.txt"}).Op(Action::Pop);
  CallOn(first, "b", "loadMovie", {"five.swf"}).Op(Action::Pop);
  CallOn(first, "a", "loadVariables", {"missing.txt"}).Op(Action::Pop);
  main.Main().Do(first).ShowFrame();
  Actions second;
  second.TraceVar("where").TraceVar("a.where");
  CallOn(second, "b", "getSWFVersion", {}).Op(Action::Trace);
  CallOn(second, "_root", "getSWFVersion", {}).Op(Action::Trace);
  CallOn(second, "b", "unloadMovie", {}).Op(Action::Pop);
  main.Main().Do(second).ShowFrame();
  main.Main().Do(Actions().Push({"b"}).Op(Action::GetVariable).Push({"getSWFVersion"}).Op(Action::GetMember)
                     .Op(Action::TypeOf).Op(Action::Trace).Stop()).ShowFrame();
  EXPECT_EQ(PlayFile(folder.Write("main.swf", main), 3), (V{"level", "clip", "5", "7", "function"}));
}
