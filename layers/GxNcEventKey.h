#pragma once
// An event reported when a motion is evaluated at exactly the key's time.
#include "base/GxTypes.h"

struct GxNcEventKey {
    s32 m_Time = 0;
    s32 m_EventID = 0;
    GxString m_Param;
    u32 m_AfterCallFlag = 0;
    u32 m_InterMode = 0;
    f32 m_InterParam0 = 0;
    f32 m_InterParam1 = 0;
    u32 m_Selected = 0;
};
