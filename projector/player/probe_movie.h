// A movie's stage size, frame rate and frame count, read from its header before it is played.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace projector {

struct MovieInfo {
  int version = 0;
  uint32_t fileLength = 0;
  int xMin = 0, yMin = 0, xMax = 600, yMax = 400;
  int frameRate = 0;
  int frameCount = 1;
};

// Reads an uncompressed ("FWS") header held in memory; false, with info untouched, when it does not fit.
bool ParseMovieHeader(const uint8_t* data, size_t size, MovieInfo* info);

// Fills info in every case; false when the file cannot be read as a movie. A file that is neither "FWS" nor
// "CWS" is measured by a temporary control.
bool ProbeMovie(const std::wstring& path, MovieInfo* info);

}  // namespace projector
