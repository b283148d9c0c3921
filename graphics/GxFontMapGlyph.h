#pragma once
// What a glyph map returns for a character: where its cell lies on a page
// texture (the leading sprite rectangle, drawn as one by GxDrawSpriteRect),
// its cell width and the cell's texture coordinates. A cleared record (all
// zero, no texture) draws nothing.
#include "graphics/GxDraw.h"

struct GxFontMapGlyph : GxSpriteRect {
    // 1 or 2 (half- or full-width).
    s32 m_CellWidth = 0;
    f32 m_ULeft = 0.0f;
    f32 m_VTop = 0.0f;
    f32 m_URight = 0.0f;
    f32 m_VBottom = 0.0f;
};
