#pragma once
// One page of a glyph map: its text texture and the pen that fills it, row
// by row from the top-left.
#include "graphics/GxTextureText.h"

#include <memory>

class GxGDIFontMapTextureParam {
public:
    virtual ~GxGDIFontMapTextureParam() = default;

    std::unique_ptr<GxTextureText> m_Texture;
    // Top of the row being filled and left of its next free cell.
    s32 m_PenY = 0;
    s32 m_PenX = 0;
};
