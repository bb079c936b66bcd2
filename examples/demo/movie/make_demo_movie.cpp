// Writes the demo's Flash movie: a ball circling over a blue stage, two seconds long.
#include <cmath>
#include <cstdio>
#include <fstream>

#include "swfplayer/asm/actions.h"
#include "swfplayer/asm/movie_builder.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_demo_movie OUT.swf\n");
    return 2;
  }
  const double width = 320, height = 240;
  swfasm::MovieBuilder movie(6, width, height, 24);
  movie.Main().Background({0x1d, 0x4f, 0xa8});
  uint16_t ground = movie.Rectangle(0, 180, width, 60, {0x23, 0x7a, 0x3c});
  uint16_t ball = movie.Ellipse(0, 0, 22, 22, {0xe8, 0x3a, 0x2e});
  movie.Main().Place(ground, 1);
  movie.Main().Place(ball, 2, swfasm::Transform::Translate(width / 2 + 80, 110), "ball");
  movie.Main().Do(swfasm::Actions().Trace("demo movie started"));
  const int frames = 48;
  const double pi = 3.14159265358979323846;
  for (int f = 0; f < frames; ++f) {
    if (f > 0) {
      double angle = 2 * pi * f / frames;
      movie.Main().Move(2, swfasm::Transform::Translate(width / 2 + 80 * std::cos(angle), 110 + 50 * std::sin(angle)));
    }
    movie.Main().ShowFrame();
  }
  auto bytes = movie.Build();
  std::ofstream out(argv[1], std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return out ? 0 : 1;
}
