#pragma once
// The text settings that the text button, the tool tip and the list box
// share and store alike: one of the six system fonts with its configured
// size, the text and outline colours (0xAARRGGBB), and whether glyphs are
// outlined.
#include "base/GxTypes.h"

class GxContentReaderBase;
class GxContentWriterBase;

struct GxUITextStyle {
    s32 m_TextFontIndex = 0;
    s32 m_TextFontSize = 0;
    u32 m_TextColor = 0xFFFFFFFF;
    u32 m_EdgeColor = 0;
    bool m_UseEdge = true;

    GxUITextStyle() = default;
    // The font with its configured size, and the outline colour.
    GxUITextStyle(s32 fontIndex, u32 edgeColor);
    // A font index 0 to 5 and its configured size.
    void SetFont(s32 index);
    // The five fields in this order, under their member names.
    void Write(GxContentWriterBase* writer) const;
    void Read(GxContentReaderBase* reader);
};
