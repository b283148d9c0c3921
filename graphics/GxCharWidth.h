#pragma once
// Text cells: every layout measures text in cells, a half-width character
// taking one and a full-width character two, and turns cells into pixels as
// font height × cells / 2. Also the one-byte code page 932 code of a
// character, for glyph sheets indexed by byte.
#include "base/GxTypes.h"

// 1 below 0x80 and for half-width characters (half-width katakana and forms,
// narrow Latin), else 2.
s32 GxGetCharCellWidth(GxChar ch);
// The sum over a NUL-terminated string (null or empty: 0).
s32 GxGetStringCellWidth(const GxChar* text);
// The character itself up to 0x80; 0xA1 to 0xDF for the half-width katakana
// U+FF61 to U+FF9F; 0xA0 and 0xFD to 0xFF for U+F8F0 to U+F8F3; else a space.
u8 GxCharToSjisByte(GxChar ch);
