#pragma once
// A set of prepared glyphs as 4-bit coverage, two pixels to a byte (the even
// pixel in the low nibble), laid out in rows of half-width cells GetSize / 2
// wide and GetSize high; glyph i starts in cell i (column i mod GetColumns,
// row i div GetColumns) and a two-byte character covers two consecutive
// cells. Given by the caller; text textures only read it.
#include "base/GxTypes.h"

#include <cstddef>

class GxGlyphSet {
public:
    virtual ~GxGlyphSet() = default;
    // Glyph height in pixels; a one-byte character is GetSize / 2 wide, a
    // two-byte one GetSize.
    virtual s32 GetSize() const = 0;
    // Half-width cells per row of the image.
    virtual u32 GetColumns() const = 0;
    // Pixels per row of the image.
    virtual u32 GetPitch() const = 0;
    virtual u32 GetCount() const = 0;
    // The glyph index of a code (one byte, or lead byte × 256 + trail byte).
    virtual u32 IndexOf(u32 code) const = 0;
    // Null when the set holds no pixels; pixels past GetPixelBytes read as 0.
    virtual const u8* GetPixels() const = 0;
    virtual size_t GetPixelBytes() const = 0;
};
