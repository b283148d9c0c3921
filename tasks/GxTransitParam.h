#pragma once
// The stored timing of a scene's transition: running or not, and the time
// left and in total, in milliseconds.
#include "base/GxTypes.h"

class GxContentWriterBase;
class GxContentReaderBase;

class GxTransitParam {
public:
    GxTransitParam() = default;
    virtual ~GxTransitParam() = default;
    virtual bool WriteContent(GxContentWriterBase* writer);
    virtual bool ReadContent(GxContentReaderBase* reader);

    // 0 to 1: 1 when idle or with no total time.
    f32 GetProgress() const;

    bool m_Transit = false;
    s32 m_TransitTimeLeft = 0;
    s32 m_TransitTimeTotal = 0;
};
