#include "layers/GxNcLayerSnapShotEx.h"

#include "layers/GxNcMotionSnapShotEx.h"

GxNcLayerSnapShotEx::GxNcLayerSnapShotEx() {
    for (GxFColor& c : m_Color) c = GxFColor(1, 1, 1, 1);
}

GxNcLayerSnapShotEx::~GxNcLayerSnapShotEx() = default;

GxNcLayerSnapShotEx::GxNcLayerSnapShotEx(const GxNcLayerSnapShotEx& o) { *this = o; }

GxNcLayerSnapShotEx& GxNcLayerSnapShotEx::operator=(const GxNcLayerSnapShotEx& o) {
    if (this == &o) return *this;
    m_Time = o.m_Time;
    m_Period = o.m_Period;
    m_pLayer = o.m_pLayer;
    m_pNested = o.m_pNested ? std::make_unique<GxNcMotionSnapShotEx>(*o.m_pNested) : nullptr;
    m_ImageKey = o.m_ImageKey;
    m_PosKey = o.m_PosKey;
    m_ScaleKey = o.m_ScaleKey;
    m_RotKey = o.m_RotKey;
    m_CenterKey = o.m_CenterKey;
    m_ScaleFactorKey = o.m_ScaleFactorKey;
    m_AlphaKey = o.m_AlphaKey;
    m_VisibleKey = o.m_VisibleKey;
    m_VertexOffsetKey = o.m_VertexOffsetKey;
    m_VertexColorKey = o.m_VertexColorKey;
    m_ExtraKey = o.m_ExtraKey;
    m_BlendMode = o.m_BlendMode;
    m_MatLocal = o.m_MatLocal;
    m_MatWorld = o.m_MatWorld;
    for (int i = 0; i < 5; ++i) {
        m_Pos[i] = o.m_Pos[i];
        m_UV[i] = o.m_UV[i];
        m_Color[i] = o.m_Color[i];
    }
    return *this;
}

GxNcLayerSnapShotEx::GxNcLayerSnapShotEx(GxNcLayerSnapShotEx&& o) noexcept = default;
GxNcLayerSnapShotEx& GxNcLayerSnapShotEx::operator=(GxNcLayerSnapShotEx&& o) noexcept = default;
