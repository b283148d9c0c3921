#pragma once
// A key of the vertex offsets or colours: corners 0 (left, top), 1 (left, bottom),
// 2 (right, bottom), 3 (right, top), then the centre.
#include "base/GxVector.h"

struct GxNcVertexKey {
    s32 m_Time = 0;
    GxVector4 m_Value[5];
    u32 m_InterMode = 1;
    f32 m_InterParam0 = 0;
    f32 m_InterParam1 = 0;
    u32 m_Selected = 0;
    u32 m_SelectedLocalFlags = 0;
};
