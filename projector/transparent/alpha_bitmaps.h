// The alpha passes on GDI bitmaps: their bits are copied into the cached pixel buffers, fixed there and written
// back.
#pragma once

#include <windows.h>

#include "portable/alpha.h"

namespace projector {

// The geometry of a 32-bit bitmap; an invalid one for anything else.
PixelGeometry BitmapGeometry(HBITMAP bitmap);

// Makes every pixel the control drew without alpha opaque; writes the bits back only when one changed.
// False when the bitmap is not 32 bits per pixel or its bits cannot be read.
bool FixAlpha32(HBITMAP bitmap, PixelBuffers& buffers);

// Gives the render on black the alpha its difference from the render on white shows. The two renders must have
// the same size; false (the bitmap unchanged) otherwise.
bool AlphaFromPair(HBITMAP black, HBITMAP white, PixelBuffers& buffers);

}  // namespace projector
