#pragma once
// One technique of a shader effect: its handle, name, pass and annotation
// counts, and the integer annotations the engine looks for (0 when absent).
#include "base/GxTypes.h"

using GxShaderHandle = const void*;

struct GxShaderTechnique {
    GxShaderHandle m_Handle = nullptr;
    GxString m_Name;
    u32 m_Passes = 0;
    u32 m_Annotations = 0;
    s32 m_MaxPointLight = 0;
    s32 m_MaxSpotLight = 0;
    s32 m_MaxMultiRT = 0;
    s32 m_OptionFlags = 0;
};
