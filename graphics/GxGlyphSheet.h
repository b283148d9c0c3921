#pragma once
// A sheet of prepared glyph images that text textures copy from, one cell
// per one-byte code: code c in [first, last] sits in column (c − first) mod
// columns and row (c − first) div columns; any other code uses cell (0, 0).
// Given by the caller, who owns it and its texture.
#include "base/GxTypes.h"

class GxTexture;

struct GxGlyphSheet {
    GxTexture* m_Texture = nullptr;
    // Added to every source rectangle.
    f32 m_OffsetX = 0.0f;
    f32 m_OffsetY = 0.0f;
    u32 m_Reserved0 = 0;
    u32 m_Reserved1 = 0;
    u8 m_First = 0;
    u8 m_Last = 0;
    u8 m_Reserved2[2] = {};
    // Also the line height.
    s32 m_CellHeight = 0;
    u32 m_Columns = 0;
    // Non-zero: every glyph is 0 wide here.
    u32 m_Proportional = 0;
    s32 m_CellWidth = 0;
};
