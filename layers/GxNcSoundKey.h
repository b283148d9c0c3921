#pragma once
// A sound started when a motion is evaluated at exactly the key's time.
#include "base/GxTypes.h"

struct GxNcSoundKey {
    s32 m_Time = 0;
    GxString m_SoundName;
    u32 m_InterMode = 0;
    u32 m_Selected = 0;
};
