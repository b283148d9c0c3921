#include "graphics/GxCharWidth.h"

#include "platform/glyph/half_width.h"

s32 GxGetCharCellWidth(GxChar ch) {
    if (ch < 0x80) return 1;
    return pglyph::is_half_width(ch) ? 1 : 2;
}

s32 GxGetStringCellWidth(const GxChar* text) {
    s32 cells = 0;
    for (const GxChar* p = text; p && *p; ++p) cells += GxGetCharCellWidth(*p);
    return cells;
}

u8 GxCharToSjisByte(GxChar ch) {
    if (ch <= 0x80) return u8(ch);
    if (ch >= 0xFF61 && ch <= 0xFF9F) return u8(ch - 0xFEC0);
    if (ch == 0xF8F0) return 0xA0;
    if (ch >= 0xF8F1 && ch <= 0xF8F3) return u8(ch - 0xF8F1 + 0xFD);
    return 0x20;
}
