// How both stand-in controls set up and load their movie: the trace file named by the environment, movie paths
// and file URLs, the text that unloads, and the clock's interval.
#pragma once

#include <windows.h>

#include <string>

#include "movie_host.h"

namespace swfcontrol {

// The trace file named by SWFPLAYER_TRACE; without the variable nothing is traced.
TraceLog TraceLogFromEnvironment();

// Empty or blanks only: the text that unloads the movie instead of naming one.
bool IsUnloadRequest(const std::wstring& path);

// Loads a movie named by a path or a "file:///" URL and shows its first frame at once; a movie that cannot be
// read is refused and the one that was playing stays.
bool LoadMovieFile(MovieHost& host, const std::wstring& path);

// Milliseconds between two frames of a movie with this frame rate.
UINT FrameInterval(double frameRate);

}  // namespace swfcontrol
