#pragma once
// One choice of the choice menu, as the game state keeps and saves it.
#include "base/GxTypes.h"

class GxContentReaderBase;
class GxContentWriterBase;

class GxSelectMenuItem {
public:
    // The fewest bytes one stored item takes.
    static constexpr u32 kMinStoredBytes = 2 * 6 + 4 * 2;

    // Empty texts, enabled and visible, neither taken before nor a call.
    void Clear() { *this = GxSelectMenuItem(); }
    bool Write(GxContentWriterBase& writer) const;
    bool Read(GxContentReaderBase& reader);

    GxString m_Text;
    GxString m_Label;
    bool m_Enable = true;
    bool m_Visible = true;
    bool m_BeforeSelected = false;
    bool m_UseGosub = false;
};
