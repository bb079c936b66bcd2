#pragma once
// Plays assembler-made movies on the engine and records what they report.
#include <algorithm>
#include <cstdint>
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

// The body of an ExportAssets tag (code 56) naming one symbol.
inline std::vector<uint8_t> ExportBody(uint16_t id, const std::string& name) {
  std::vector<uint8_t> b(4 + name.size() + 1, 0);
  b[0] = 1;
  b[2] = static_cast<uint8_t>(id);
  b[3] = static_cast<uint8_t>(id >> 8);
  std::copy(name.begin(), name.end(), b.begin() + 4);
  return b;
}

// obj.method(args...) with the result left on the stack; args are pushed last to first.
inline swfasm::Actions& CallOn(swfasm::Actions& a, const std::string& obj, const std::string& method,
                               const std::vector<swfasm::PushValue>& args) {
  std::vector<swfasm::PushValue> pushed(args.rbegin(), args.rend());
  pushed.push_back(static_cast<int>(args.size()));
  a.Push(pushed);
  a.Push({obj}).Op(swfasm::Action::GetVariable).Push({method}).Op(swfasm::Action::CallMethod);
  return a;
}

using V = std::vector<std::string>;

}  // namespace swftest
