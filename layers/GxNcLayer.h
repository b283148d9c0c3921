#pragma once
// One layer of a layout-project motion: its editor settings and its twelve
// key tracks. Tracks keep the file's order, which is ascending time;
// evaluation relies on it.
#include "layers/GxNcImageKey.h"
#include "layers/GxNcValueKey.h"
#include "layers/GxNcVertexKey.h"

#include <vector>

class GxNcLayer {
public:
    GxString m_LayerName;
    GxString m_EnumName;
    u32 m_LayerID = 0;
    s32 m_LastTime = 0;     // the loop period in loop mode 2 (at least 1 is used)
    u32 m_LoopMode = 0;     // 0 none, 2 over m_LastTime, else over the motion
    u32 m_LayerType = 0;    // 1 and 2 are never drawn
    s32 m_AttachIndex = -1;
    u32 m_VertexCount = 5;
    u32 m_EditLock = 0;
    u32 m_EditVisible = 1;  // 0: not drawn
    u32 m_LightEnable = 1;
    u32 m_AlphaTestEnable = 0;
    u32 m_ZWriteEnable = 0;
    u32 m_ZTestEnable = 0;
    u32 m_ViewMode = 0;
    u32 m_BlendMode = 1;    // 0: the parent node's
    u32 m_FilterMode = 1;
    u32 m_StencilMode = 0;
    u32 m_StencilTestEnable = 0;
    u32 m_Selected = 0;
    u32 m_Expanded = 0;

    std::vector<GxNcImageKey> m_ImageTrack;
    std::vector<GxNcVector4Key> m_PosTrack;
    std::vector<GxNcVector4Key> m_ScaleTrack;
    std::vector<GxNcVector4Key> m_RotTrack;
    std::vector<GxNcVector4Key> m_CenterTrack;
    std::vector<GxNcVector2Key> m_ScaleFactorTrack;
    std::vector<GxNcFloatKey> m_AlphaTrack;
    std::vector<GxNcUIntKey> m_VisibleTrack;
    std::vector<GxNcVertexKey> m_VertexOffsetTrack;
    std::vector<GxNcVertexKey> m_VertexColorTrack;
    std::vector<GxNcVector2Key> m_ExtraTrack;
};
