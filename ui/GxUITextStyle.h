#pragma once
// The text settings that the text button, the tool tip, the list box and the
// text panels share and store alike: one of the six system fonts with its
// configured size, the text and outline colours (0xAARRGGBB), and whether
// glyphs are outlined.
#include "base/GxTypes.h"
#include "ui/GxUIText.h"

class GxContentReaderBase;
class GxContentWriterBase;

struct GxUITextStyle {
    s32 m_TextFontIndex = 0;
    s32 m_TextFontSize = 0;
    u32 m_TextColor = 0xFFFFFFFF;
    u32 m_EdgeColor = 0;
    bool m_UseEdge = true;

    GxUITextStyle() = default;
    // The font (0 to 5) with its configured size, and the outline colour.
    GxUITextStyle(s32 fontIndex, u32 edgeColor);
    // An index outside 0..5 is logged with the class name and held to the
    // range; the size follows the index.
    void SetFontIndex(s32 index, const GxChar* className);
    // How its glyphs are drawn: the colours with their alpha scaled, the
    // outline when m_UseEdge.
    GxUIGlyphStyle GlyphStyle(f32 alphaScale, u32 blendMode) const;
    // The five fields in this order, under their member names.
    void Write(GxContentWriterBase* writer) const;
    // The font index read is checked like a set one; the size stays as read.
    void Read(GxContentReaderBase* reader, const GxChar* className);
};
