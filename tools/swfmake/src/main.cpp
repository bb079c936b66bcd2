// swfmake SCRIPT OUT.swf: makes a Flash movie from a movie script (docs/swfmake.md).
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "movie_script.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: swfmake SCRIPT OUT.swf\n"
               "Makes a Flash movie from a script of shapes, texts, frames and actions (docs/swfmake.md).\n",
               stderr);
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "swfmake: %s: cannot read the script\n", argv[1]);
    return 1;
  }
  std::ostringstream text;
  text << in.rdbuf();
  swfmake::MakeResult made = swfmake::MakeMovie(text.str());
  if (!made.Ok()) {
    std::fprintf(stderr, "swfmake: %s:%s\n", argv[1], made.error.c_str());
    return 1;
  }
  std::ofstream out(argv[2], std::ios::binary);
  out.write(reinterpret_cast<const char*>(made.movie.data()), static_cast<std::streamsize>(made.movie.size()));
  out.close();
  if (!out) {
    std::fprintf(stderr, "swfmake: %s: cannot write the movie\n", argv[2]);
    std::remove(argv[2]);
    return 1;
  }
  return 0;
}
