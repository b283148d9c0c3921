#pragma once
// One line of the text log: a row of icons (each character one glyph of the
// icon font), the text, a link that the log keeps but does not use, and the
// colour it was added with (kept and stored; the log draws every line in its
// own colour).
#include "base/GxTypes.h"

struct GxTextLogElement {
    GxString m_Icon;
    GxString m_Text;
    GxString m_Link;
    u32 m_TextColor = 0;
};
