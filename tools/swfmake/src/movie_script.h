// The movie maker's script: a text file of shapes, texts, frames and actions
// (trace, fscommand, variables, timeline control) turned into an SWF file
// through the movie assembler.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace swfmake {

struct MakeResult {
  std::vector<uint8_t> movie;  // the finished file, empty on failure
  std::string error;           // "LINE: what is wrong", when there is one
  bool Ok() const { return error.empty(); }
};

// Reads the whole script; the first mistake stops it and is reported with its line.
MakeResult MakeMovie(std::string_view script);

}  // namespace swfmake
