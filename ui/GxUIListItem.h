#pragma once
// One row of a list box: a prefix drawn with a bitmap font, the text, the
// label and value returned for the selected row, the description shown
// while it is hovered, and further columns (of a sub-item its prefix,
// prefix font, text, text offset and colour count).
#include "base/GxVector.h"

#include <vector>

struct GxUIListItem {
    GxString m_Prefix;
    GxString m_Text;
    GxString m_Label;
    s32 m_Value = -1;
    GxString m_Description;
    // Which of the global bitmap fonts draws the prefix.
    s32 m_PrefixFont = 0;
    bool m_Enabled = true;
    // Drawn like the selected row.
    bool m_Ticked = false;
    GxVector2 m_TextOffset;
    // Multiplied into the row's text colour, 0xAARRGGBB.
    u32 m_Color = 0xFFFFFFFF;
    std::vector<GxUIListItem> m_SubItems;
};
