#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "movie_host.h"
#include "swfplayer/asm/movie_builder.h"

using namespace swfcontrol;

namespace {

std::vector<uint8_t> MovieWithScript(const swfasm::Actions& frame1, int frames = 3) {
  swfasm::MovieBuilder movie(6, 200, 100, 10);
  movie.Main().Do(frame1).ShowFrame();
  for (int i = 1; i < frames; ++i) movie.Main().ShowFrame();
  return movie.Build();
}

std::filesystem::path TempFile(const char* name) {
  auto p = std::filesystem::temp_directory_path() / name;
  std::filesystem::remove(p);
  return p;
}

std::vector<std::string> Lines(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

}  // namespace

TEST(ComputeView, ShowAllFitsAndCentresTheStage) {
  swf::Rect stage{0, 0, 4000, 2000};  // 200 x 100 pixels
  ViewTransform v = ComputeView(stage, {}, 400, 400, kShowAll);
  EXPECT_DOUBLE_EQ(v.sx, 0.1);
  EXPECT_DOUBLE_EQ(v.sy, 0.1);
  EXPECT_NEAR(v.tx, 0, 1e-9);
  EXPECT_DOUBLE_EQ(v.ty, 100);  // 200 pixels of stage height centred in 400
  double x, y;
  v.ToStagePixels(400, 300, &x, &y);
  EXPECT_DOUBLE_EQ(x, 200);
  EXPECT_DOUBLE_EQ(y, 100);
}

TEST(ComputeView, NoScaleKeepsNaturalSizeCentred) {
  swf::Rect stage{0, 0, 4000, 2000};
  ViewTransform v = ComputeView(stage, {}, 400, 400, kNoScale);
  EXPECT_DOUBLE_EQ(v.sx, 0.05);
  EXPECT_DOUBLE_EQ(v.tx, 100);
  EXPECT_DOUBLE_EQ(v.ty, 150);
}

TEST(ComputeView, ZoomRectangleFillsTheWindow) {
  swf::Rect stage{0, 0, 4000, 2000};
  ViewTransform v = ComputeView(stage, swf::Rect{1000, 500, 2000, 1000}, 100, 50, kShowAll);
  EXPECT_DOUBLE_EQ(v.sx, 0.1);
  EXPECT_DOUBLE_EQ(v.tx, -100);
  EXPECT_DOUBLE_EQ(v.ty, -50);
}

TEST(ComputeView, DegenerateSizesGiveTheDefault) {
  ViewTransform v = ComputeView(swf::Rect{}, {}, 400, 400, kShowAll);
  EXPECT_DOUBLE_EQ(v.sx, 0.05);
  v = ComputeView(swf::Rect{0, 0, 100, 100}, {}, 0, 0, kShowAll);
  EXPECT_DOUBLE_EQ(v.sx, 0.05);
}

TEST(TraceLog, WritesTheThreeKindsOfLine) {
  auto path = TempFile("swfcontrol_trace_test.txt");
  std::vector<std::pair<std::string, std::string>> commands;
  MovieHost host({[&](const std::string& c, const std::string& a) { commands.emplace_back(c, a); }, nullptr},
                 TraceLog(path));
  swfasm::Actions a;
  a.Trace("hello world").GetUrl("FSCommand:quit", "now|later");
  ASSERT_TRUE(host.LoadBytes(MovieWithScript(a)));
  host.Tick();
  host.SetVariable("name", "a=b");
  auto lines = Lines(path);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "trace: hello world");
  EXPECT_EQ(lines[1], "fscommand: quit|now|later");
  EXPECT_EQ(lines[2], "setvariable: name=a=b");
  ASSERT_EQ(commands.size(), 1u);
  EXPECT_EQ(commands[0].first, "quit");
  EXPECT_EQ(commands[0].second, "now|later");
  std::filesystem::remove(path);
}

TEST(MovieHost, ReadyStateFourOnLoadAndVariablesRoundTrip) {
  int ready = 0;
  MovieHost host({nullptr, [&](int s) { ready = s; }});
  swfasm::Actions a;
  a.Set("greeting", "hi").Stop();
  ASSERT_TRUE(host.LoadBytes(MovieWithScript(a, 5)));
  EXPECT_EQ(ready, 4);
  host.Tick();
  EXPECT_EQ(host.TotalFrames(), 5);
  EXPECT_EQ(host.CurrentFrame(), 0);
  EXPECT_FALSE(host.IsPlaying());
  EXPECT_EQ(host.GetVariable("greeting"), "hi");
  host.SetVariable("answer", "42");
  EXPECT_EQ(host.GetVariable("answer"), "42");
  EXPECT_EQ(host.GetVariable("missing"), "");
  host.Forward();
  EXPECT_EQ(host.CurrentFrame(), 1);
  host.Play();
  EXPECT_TRUE(host.IsPlaying());
}

TEST(MovieHost, BadInputIsRefusedAndTheCurrentMovieStays) {
  MovieHost host;
  ASSERT_TRUE(host.LoadBytes(MovieWithScript(swfasm::Actions(), 7)));
  std::vector<uint8_t> empty;
  EXPECT_FALSE(host.LoadBytes(empty));
  auto truncated = MovieWithScript(swfasm::Actions());
  truncated.resize(10);
  EXPECT_FALSE(host.LoadBytes(truncated));
  // A compressed movie that claims 2 GB is refused without allocating it.
  std::vector<uint8_t> lying = {'C', 'W', 'S', 6, 0xFF, 0xFF, 0xFF, 0x7F, 0x78, 0x9C, 0x03, 0x00};
  EXPECT_FALSE(host.LoadBytes(lying));
  EXPECT_FALSE(host.Load("/nonexistent/movie.swf"));
  EXPECT_TRUE(host.Loaded());
  EXPECT_EQ(host.TotalFrames(), 7);
}

TEST(Utf8, RoundTripsAndTakesStrayBytesAsLatin1) {
  std::u16string text = u"Gr\u00fc\u00dfe \u20ac \U0001F600";
  EXPECT_EQ(FromUtf8(ToUtf8(text)), text);
  EXPECT_EQ(FromUtf8(std::string("\xE9t\xE9")), u"\u00e9t\u00e9");
}

TEST(MovieHost, EditTextsAppearInTheDisplayListWithTheirText) {
  swfasm::MovieBuilder movie(6, 100, 100, 12);
  swfasm::EditTextSpec text;
  text.text = "WWWW";
  uint16_t field = movie.DefineEditText(text);
  movie.Main().Place(field, 1).ShowFrame();
  MovieHost host;
  ASSERT_TRUE(host.LoadBytes(movie.Build()));
  host.Tick();
  swf::DisplayList list;
  host.BuildDisplayList(list);
  ASSERT_EQ(list.items.size(), 1u);
  EXPECT_EQ(list.items[0].kind, swf::DisplayItem::Kind::Text);
  ASSERT_NE(list.items[0].text, nullptr);
  EXPECT_EQ(list.items[0].textValue, "WWWW");
}

TEST(ComputeView, ExactFitStretchesAndNoBorderFillsTheWindow) {
  swf::Rect stage{0, 0, 4000, 2000};
  ViewTransform fit = ComputeView(stage, {}, 400, 400, kExactFit);
  EXPECT_DOUBLE_EQ(fit.sx, 0.1);
  EXPECT_DOUBLE_EQ(fit.sy, 0.2);
  EXPECT_NEAR(fit.ty, 0, 1e-9);
  ViewTransform fill = ComputeView(stage, {}, 400, 400, kNoBorder);
  EXPECT_DOUBLE_EQ(fill.sx, 0.2);
  EXPECT_DOUBLE_EQ(fill.tx, -200);  // 800 pixels of stage width centred in 400
}

TEST(MovieHost, TheLoopSettingOutlivesTheMovie) {
  MovieHost host;
  host.SetLoop(false);
  ASSERT_TRUE(host.LoadBytes(MovieWithScript(swfasm::Actions(), 2)));
  EXPECT_FALSE(host.Loop());
  host.Tick();
  host.Tick();
  host.Tick();
  // Without looping the movie stops on its last frame.
  EXPECT_EQ(host.CurrentFrame(), 1);
  host.Unload();
  EXPECT_FALSE(host.Loaded());
  EXPECT_EQ(host.TotalFrames(), 0);
  EXPECT_EQ(host.GetVariable("x"), "");
  host.Tick();
}
