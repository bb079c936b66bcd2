// What the packer tells an author before it builds: the stub's kind, and what
// the projector would lack or drop with the chosen document and blocks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "format/document.h"
#include "manifest.h"

namespace pack {

// An MZ header whose e_lfanew points at a "PE\0\0" signature inside the file.
bool IsWindowsExecutable(const std::vector<uint8_t>& bytes);

// Whether the play list holds a Flash movie: only then does the projector ever run the Flash Player installer.
bool PlaysFlashMovies(const format::MovieDocumentData& doc);

// One line per thing the projector will lack or ignore, without the tool's prefix.
std::vector<std::string> BuildWarnings(const Manifest& manifest, uint32_t version, const BlockFiles& blocks);

}  // namespace pack
