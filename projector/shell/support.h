// Components prepared at start-up: the tool control for transparent playback and the Flash Player check.
#pragma once

#include <string>

namespace projector {

class MappedImage;
class MovieDocument;

// Writes the payload's first tool package block into the folder under a new ".dat" name; path is in: the folder,
// out: the file.
bool ExtractToolPackage(const MappedImage& payload, std::wstring* path);
// Runs regsvr32 silently on the file and waits up to two seconds for it.
bool RegisterToolControl(const std::wstring& path);
bool UnregisterToolControl(const std::wstring& path);
// Unloads the tool control file from this process so that it can be deleted; true when it is no longer loaded.
bool ReleaseToolControlModule(const std::wstring& path);
// Whether the transparent player control can be created on this system.
bool CanCreateToolControl();

// Makes sure a usable Flash Player is installed before a movie plays; false ends the program.
bool SettleFlashPlayer(MovieDocument& document);

}  // namespace projector
