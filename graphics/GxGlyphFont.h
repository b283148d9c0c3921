#pragma once
// Opening a font of the glyph rasteriser for text drawn on the processor. The
// first time a face name is asked for, the face it resolves to is written to
// "device.log"; a name that names no installed face is warned about once and
// drawn with the default face instead.
#include "base/GxTypes.h"
#include "platform/glyph/font.h"

#include <memory>

// What a font is asked for by: the cell height in pixels and the face. Weight
// (regular) and character set (Japanese) are the same for every font.
struct GxLogFont {
    s32 m_Height = 0;
    s32 m_Weight = 400;
    u32 m_CharSet = 128;
    GxString m_FaceName;
};

// Null when the height is not positive or no face is installed at all.
std::unique_ptr<pglyph::font> GxOpenGlyphFont(const GxLogFont& logFont);
