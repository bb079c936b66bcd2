// swfrun end to end: output lines, FSCommands, quitting, frame limits, variables and exit codes.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>

#include "swfplayer/asm/movie_builder.h"

using namespace swfasm;

namespace {

struct Result {
  int code = -1;
  std::string out;
  std::string err;
};

Result RunSwfrun(const std::string& args) {
  Result r;
  auto errPath = std::filesystem::temp_directory_path() / "swfrun_test_stderr.txt";
  std::string cmd = std::string(SWFRUN_PATH) + " " + args + " 2>" + errPath.string();
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return r;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
  int status = pclose(p);
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::ifstream err(errPath, std::ios::binary);
  r.err.assign(std::istreambuf_iterator<char>(err), std::istreambuf_iterator<char>());
  return r;
}

std::string Write(const std::string& name, const MovieBuilder& m) {
  auto path = std::filesystem::temp_directory_path() / ("swfrun_test_" + name + ".swf");
  auto bytes = m.Build();
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return path.string();
}

}  // namespace

TEST(Swfrun, PrintsOnlyTheTracesAndEndsAtQuit) {
  MovieBuilder m(6);
  m.SetCompressed(true);
  m.Main().Do(Actions().Trace("line one\rline two\r\nline three").GetUrl("FSCommand:show", "a|b")).ShowFrame();
  m.Main().Do(Actions().TraceVar("who").GetUrl("FSCommand:quit", "")).ShowFrame();
  m.Main().Do(Actions().Trace("after quit")).ShowFrame();
  Result r = RunSwfrun(Write("quit", m) + " --var who=Ann --frames 100");
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, "line one\nline two\n\nline three\nAnn\n");
  EXPECT_EQ(r.err, "fscommand: show|a|b\nfscommand: quit|\n");
}

TEST(Swfrun, QuitThroughGetUrl2InAnyCase) {
  MovieBuilder m(7);
  m.Main().Do(Actions().Trace("bye").Push({"FSCommand:Quit", ""}).GetUrl2()).ShowFrame();
  m.Main().Do(Actions().Trace("too late")).ShowFrame();
  Result r = RunSwfrun(Write("quit2", m));
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, "bye\n");
}

TEST(Swfrun, RunsExactlyTheFramesItIsGivenEvenWhenTheMovieStops) {
  // The movie stops at once but counts frames with an enterFrame handler; quiet movies end early
  // only without --frames.
  MovieBuilder m(6, 100, 100, 10);
  Timeline inner;
  inner.ShowFrame();
  uint16_t sprite = m.DefineSprite(inner);
  m.Main().PlaceWithEvents(sprite, 1, {}, "c", {{kOnEnterFrame, Actions().Trace("tick")}});
  m.Main().Do(Actions().Stop()).ShowFrame();
  std::string path = Write("frames", m);
  Result r = RunSwfrun(path + " --frames 25");
  EXPECT_EQ(r.out.size(), 24 * 5u);  // every frame after the first enters a frame
  r = RunSwfrun(path + " --frames 0");
  EXPECT_EQ(r.out, "");
}

TEST(Swfrun, StopsWhenTheMovieIsQuietOrAtTheFrameLimit) {
  MovieBuilder stopped(6, 100, 100, 10);
  stopped.Main().Do(Actions().Trace("once").Stop()).ShowFrame();
  stopped.Main().Do(Actions().Trace("never")).ShowFrame();
  Result r = RunSwfrun(Write("stopped", stopped));
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, "once\n");

  MovieBuilder loop(6, 100, 100, 5);
  loop.Main().Do(Actions().Trace("a")).ShowFrame();
  loop.Main().Do(Actions().Trace("b")).ShowFrame();
  std::string path = Write("loop", loop);
  r = RunSwfrun(path + " --frames 3");
  EXPECT_EQ(r.out, "a\nb\na\n");
  r = RunSwfrun(path);  // ten seconds of movie time at 5 frames per second
  EXPECT_EQ(r.out.size(), 50 * 2u);
}

TEST(Swfrun, ExitCodes) {
  EXPECT_EQ(RunSwfrun("").code, 2);
  EXPECT_EQ(RunSwfrun("--frames").code, 2);
  EXPECT_EQ(RunSwfrun("x.swf --frames many").code, 2);
  EXPECT_EQ(RunSwfrun("x.swf --var novalue").code, 2);
  EXPECT_EQ(RunSwfrun("x.swf --bogus").code, 2);
  EXPECT_EQ(RunSwfrun("/nonexistent/movie.swf").code, 1);
  auto path = std::filesystem::temp_directory_path() / "swfrun_test_text.swf";
  std::ofstream(path) << "not a movie at all";
  EXPECT_EQ(RunSwfrun(path.string()).code, 1);
}
