#pragma once
// Plays assembler-made movies on the engine and records what they report.
#include <string>
#include <vector>

#include "swfplayer/asm/movie_builder.h"
#include "swfplayer/engine/player.h"

namespace swftest {

struct Recorder {
  std::vector<std::string> traces;
  std::vector<std::string> commands;  // "COMMAND|ARGS"
  swf::PlayerCallbacks Callbacks() {
    swf::PlayerCallbacks cb;
    cb.trace = [this](const std::string& t) { traces.push_back(t); };
    cb.fscommand = [this](const std::string& c, const std::string& a) { commands.push_back(c + "|" + a); };
    return cb;
  }
};

// Plays a movie for `frames` ticks and returns its traces.
inline std::vector<std::string> Play(const swfasm::MovieBuilder& m, int frames) {
  Recorder rec;
  swf::Player p(rec.Callbacks());
  if (!p.LoadBytes(m.Build())) return {"<load failed>"};
  for (int i = 0; i < frames; ++i) p.Advance();
  return rec.traces;
}

// A one-frame movie running the given code; returns its traces after `frames` ticks.
inline std::vector<std::string> RunScript(const swfasm::Actions& code, int version = 6, int frames = 1) {
  swfasm::MovieBuilder m(version);
  m.Main().Do(code).ShowFrame();
  return Play(m, frames);
}

using V = std::vector<std::string>;

}  // namespace swftest
