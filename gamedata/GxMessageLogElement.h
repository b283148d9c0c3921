#pragma once
// One backlog entry: the speaker, the text, how it was laid out, and the
// voices that played with it (so that the backlog can replay them).
#include "base/GxTypes.h"

class GxContentReaderBase;
class GxContentWriterBase;

class GxMessageLogElement {
public:
    static constexpr int kVoiceCount = 4;
    // The fewest bytes one stored entry takes.
    static constexpr u32 kMinStoredBytes = 2 * 6 + 3 * 2 + kVoiceCount * (6 + 5);

    bool Write(GxContentWriterBase& writer) const;
    bool Read(GxContentReaderBase& reader);

    GxString m_Name;
    GxString m_Message;
    bool m_IgnoreKinsoku = false;
    bool m_DisenableAutoNewline = false;
    bool m_ShowNameByText = false;
    GxString m_VoiceFileName[kVoiceCount];
    s32 m_VoiceCharID[kVoiceCount] = {};
};
