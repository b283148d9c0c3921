#pragma once
// One top-level parameter of a shader effect, as its description gives it.
#include "graphics/GxShaderTechnique.h"

struct GxShaderParameter {
    GxShaderHandle m_Handle = nullptr;
    GxString m_Name;
    GxString m_Semantic;  // empty when the effect gives none
    u32 m_Class = 0;
    u32 m_Type = 0;
    u32 m_Rows = 0;
    u32 m_Columns = 0;
    u32 m_Elements = 0;
    u32 m_Annotations = 0;
    u32 m_StructMembers = 0;
    u32 m_Flags = 0;
    u32 m_Bytes = 0;
};
