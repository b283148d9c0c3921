#pragma once
// One notice for the system scene to show: its text, icon, how long it
// stays, the sound it plays and its colour. The defaults are a fresh notice's.
#include "base/GxTypes.h"

class GxContentReaderBase;
class GxContentWriterBase;

class GxNoticeParam {
public:
    // The fewest bytes one stored notice takes.
    static constexpr u32 kMinStoredBytes = 2 * 6 + 5 * 5;

    bool Write(GxContentWriterBase& writer) const;
    bool Read(GxContentReaderBase& reader);

    GxString m_Text;
    GxString m_IconName;
    s32 m_IconAlign = 1;
    s32 m_ShowTime = 1500;  // ms
    s32 m_UISoundID = -1;   // no sound
    s32 m_NoticeID = 0;
    u32 m_TextColor = 0xFFFFFFFF;
};
