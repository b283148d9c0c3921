#pragma once
// PNG files for 32-bit pictures: 4 bytes a pixel in the order blue, green,
// red, alpha (little-endian 0xAARRGGBB words), rows top first and adjacent.
// Save thumbnails are written with GxWritePNGFile; pictures blended from
// several files are read with GxDecodePNG.
#include "base/GxTypes.h"

// Writes an RGBA PNG (through a temporary file renamed over the old one).
bool GxWritePNGFile(const GxChar* path, s32 width, s32 height, const u8* pixels);
// Decodes PNG bytes (any colour type and depth, grey with alpha included) to
// the picture layout above; null for anything that is not a sound PNG. The
// picture is the caller's, freed with GxFreeDecodedPNG.
u8* GxDecodePNG(const u8* data, u32 size, u32* width, u32* height);
void GxFreeDecodedPNG(u8* pixels);
