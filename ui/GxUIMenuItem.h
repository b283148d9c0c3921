#pragma once
// One row of a menu: its text and further columns (of a sub-item only the
// text and the text offset count), the label and value returned for the
// selected row, and the description shown while it is hovered.
#include "base/GxVector.h"

#include <vector>

struct GxUIMenuItem {
    GxString m_Text;
    GxString m_Label;
    s32 m_Value = -1;
    GxString m_Description;
    bool m_Enabled = true;
    // Drawn like the selected row.
    bool m_Ticked = false;
    GxVector2 m_TextOffset;
    std::vector<GxUIMenuItem> m_SubItems;
};
