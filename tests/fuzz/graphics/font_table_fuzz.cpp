// A bitmap font's glyph table (".fmp") read from any bytes against an image
// of a size the first two bytes choose: whatever the header claims, the
// reader never reads past the bytes, and a table it accepts has one glyph per
// character of its range, every one inside the image.
#include "graphics/GxFontData.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2 || size > (1u << 20)) return 0;
    const u32 imageW = u32(data[0]) * 4, imageH = u32(data[1]) * 4;
    GxFontData font;
    if (!font.ReadTable(data + 2, size - 2, imageW, imageH)) {
        if (!font.GetGlyphs().empty()) __builtin_trap();
        return 0;
    }
    if (font.GetLast() < font.GetFirst() || font.GetGlyphs().size() != u64(font.GetLast()) - font.GetFirst() + 1)
        __builtin_trap();
    for (const GxFontGlyph& g : font.GetGlyphs())
        if (u32(g.m_X) + g.m_Width > imageW || u32(g.m_Y) + u32(font.GetCellHeight()) > imageH) __builtin_trap();
    // Measuring any character stays inside the table.
    for (u32 ch = 0; ch < 0x100; ++ch) (void)font.GetCharWidth(font.GetFirst() + ch);
    return 0;
}
