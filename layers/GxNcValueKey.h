#pragma once
// A key of a track that holds one value: position, scale, rotation and pivot
// (GxVector4), scale factor and the kept extra track (GxVector2), alpha
// (f32) and visibility (u32, 0 hides the layer). Keys begin with their time;
// the mode selects the curve towards the next key.
#include "base/GxVector.h"

template <class Value, u32 DefaultInterMode>
struct GxNcValueKey {
    s32 m_Time = 0;
    Value m_Value{};
    u32 m_InterMode = DefaultInterMode;
    f32 m_InterParam0 = 0;
    f32 m_InterParam1 = 0;
    u32 m_Selected = 0;
};

using GxNcVector4Key = GxNcValueKey<GxVector4, 1>;
using GxNcVector2Key = GxNcValueKey<GxVector2, 1>;
using GxNcFloatKey = GxNcValueKey<f32, 1>;
using GxNcUIntKey = GxNcValueKey<u32, 0>;
