#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "movie_script.h"
#include "swfplayer/engine/player.h"

namespace swfmake {
namespace {

// What a movie traces and sends while it plays the given number of frames.
struct Played {
  std::vector<std::string> traces;
  std::vector<std::string> commands;  // "COMMAND|ARGS"
  int frames = 0;
};

Played Play(const std::string& script, int frames) {
  MakeResult made = MakeMovie(script);
  EXPECT_TRUE(made.Ok()) << made.error;
  Played played;
  swf::PlayerCallbacks cb;
  cb.trace = [&](const std::string& text) { played.traces.push_back(text); };
  cb.fscommand = [&](const std::string& c, const std::string& a) { played.commands.push_back(c + "|" + a); };
  swf::Player player(cb);
  EXPECT_TRUE(player.LoadBytes(made.movie));
  played.frames = player.MovieHeader().frameCount;
  for (int k = 0; k < frames; ++k) player.Advance();
  return played;
}

TEST(MovieScript, TheDemoScriptMakesItsMovie) {
  std::ifstream in(std::string(SOURCE_ROOT) + "/examples/demo/movie/orbit.movie");
  std::ostringstream text;
  text << in.rdbuf();
  ASSERT_FALSE(text.str().empty());
  Played played = Play(text.str(), 3);
  EXPECT_EQ(played.frames, 48);
  EXPECT_EQ(played.traces, std::vector<std::string>{"demo movie started"});
}

TEST(MovieScript, ActionsTraceSendAndSetVariables) {
  Played played = Play(R"S(movie 200 100 rate 12
text answer 0 0 200 20 var shown "start"
place answer 1
set greeting "hello, " "world"
set count 3
trace $greeting " (" $count ")"
fscommand "Beep"
fscommand "GetExeDir" "dir"
fscommand "MsgBox" $greeting ",box"
label again
frame
trace "second frame"
frame 2
trace "last frame"
stop
)S",
                       6);
  EXPECT_EQ(played.frames, 4);
  EXPECT_EQ(played.traces,
            (std::vector<std::string>{"hello, world (3)", "second frame", "last frame"}));
  EXPECT_EQ(played.commands, (std::vector<std::string>{"Beep|", "GetExeDir|dir", "MsgBox|hello, world,box"}));
}

TEST(MovieScript, GotoLoopsToAFrameOrALabel) {
  Played played = Play(R"S(movie 10 10
frame
label loop
trace "tick"
frame
gotoAndPlay "loop"
)S",
                       5);
  EXPECT_GE(played.traces.size(), 3u);
  Played stopped = Play("movie 10 10\ntrace \"once\"\nframe\ngotoAndStop 1\n", 6);
  EXPECT_EQ(stopped.traces, (std::vector<std::string>{"once", "once"}));
}

TEST(MovieScript, MistakesNameTheirLine) {
  struct Case {
    std::string script;
    std::string error;
  } cases[] = {
      {"shape a rect 0 0 1 1 #000000\n", "1: the first command must be 'movie WIDTH HEIGHT ...'"},
      {"# nothing\n", "the script has no 'movie' line"},
      {"movie 10 10\n\nwobble\n", "3: unknown command 'wobble'"},
      {"movie 10 10\nshape a rect 0 0 1 1 red\n", "2: a colour is written #RRGGBB, not 'red'"},
      {"movie 10 10\nplace nothing 1\n", "2: no shape or text is called 'nothing'"},
      {"movie 10 10\ntrace \"open\n", "2: a text has no closing quote"},
      {"movie 10 10\nshape a ellipse 0 0 5 5 #ffffff\nshape a rect 0 0 1 1 #000000\n", "3: 'a' is already defined"},
      {"movie 10 10\nset x nonsense\n", "2: 'nonsense' is neither"},
      {"movie 10 10\nmove 0 to 1 1\n", "2: the depth must be between 1 and 16000"},
      {"movie 0 10\n", "1: the width must be between 1 and 8191"},
      {"movie 10 10\nstop now\n", "2: unexpected 'now'"},
  };
  for (const Case& c : cases) {
    MakeResult made = MakeMovie(c.script);
    EXPECT_FALSE(made.Ok()) << c.script;
    EXPECT_TRUE(made.movie.empty());
    EXPECT_EQ(made.error.substr(0, c.error.size()), c.error) << made.error;
  }
}

TEST(MovieScript, AnActionOver64KilobytesIsRefused) {
  std::string fits = "movie 10 10\ntrace \"" + std::string(65000, 'a') + "\"\n";
  EXPECT_TRUE(MakeMovie(fits).Ok());
  std::string script = "movie 10 10\nframe\n\ntrace \"" + std::string(70000, 'a') + "\"\n";
  MakeResult made = MakeMovie(script);
  EXPECT_EQ(made.error.substr(0, 3), "4: ") << made.error;
  EXPECT_NE(made.error.find("more than 65535 bytes"), std::string::npos) << made.error;
  // Joined from parts, the same text fits.
  std::string parts = "movie 10 10\ntrace \"" + std::string(35000, 'a') + "\" \"" + std::string(35000, 'a') + "\"\n";
  EXPECT_TRUE(MakeMovie(parts).Ok());
}

}  // namespace
}  // namespace swfmake
