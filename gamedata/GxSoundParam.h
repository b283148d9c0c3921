#pragma once
// One remembered sound channel: what was started on it and how, so that a
// load can start it again. An empty file name means nothing to restore.
#include "base/GxTypes.h"

class GxContentReaderBase;
class GxContentWriterBase;

class GxSoundParam {
public:
    void Clear() { *this = GxSoundParam(); }
    bool Write(GxContentWriterBase& writer) const;
    bool Read(GxContentReaderBase& reader);

    GxString m_FileName;
    s32 m_Loop = 0;               // the loop argument it was started with
    u32 m_StartSeekPosTime = 0;   // ms
    u32 m_LoopPosTime = 0;        // ms
    s32 m_FadeInTime = 0;         // ms
    s32 m_CharID = 0;             // the character of a voice
};
