// The Unicode layer's loader hook: the projector carries the layer and provides it on systems that need it.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace projector {

// The resource holding the layer: a 32-bit little-endian size, then one zlib stream of exactly that many bytes.
inline constexpr WORD kUnicodeLayerResourceId = 568;
inline constexpr char kUnicodeLayerResourceType[] = "ZLIB_DLL";
inline constexpr char kUnicodeLayerFileName[] = "unicows.dll";
inline constexpr uint32_t kUnicodeLayerSizeLimit = 0x1800000;

// Loads `folder`\unicows.dll, writing it from `packed` first when it does not load; NULL on any failure. Only ANSI
// functions are used: the hook runs exactly when the wide ones cannot be relied on yet.
HMODULE LoadUnicodeLayerFrom(const std::string& folder, std::span<const uint8_t> packed);

}  // namespace projector

// The hook the layer's import stubs call when they first need the layer: the copy in the user's documents
// folder, written there from the program's resource on first use. NULL lets the layer load itself its own way.
extern "C" HMODULE __stdcall LoadUnicodeLayer();
