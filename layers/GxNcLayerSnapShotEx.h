#pragma once
// One layer of a motion evaluated at a time: every evaluated key, its local
// and world matrices, the four corners and the centre of its quad with their
// texture coordinates and colours, and for a layer that plays another motion
// the nested motion snapshot. Corner order: left-top, left-bottom,
// right-bottom, right-top, then the centre.
#include "base/GxFColor.h"
#include "base/GxMatrix.h"
#include "layers/GxNcImageKey.h"
#include "layers/GxNcValueKey.h"
#include "layers/GxNcVertexKey.h"

#include <memory>

class GxNcLayer;
class GxNcMotionSnapShotEx;

class GxNcLayerSnapShotEx {
public:
    GxNcLayerSnapShotEx();
    virtual ~GxNcLayerSnapShotEx();
    // A copy gets its own copy of the nested motion snapshot.
    GxNcLayerSnapShotEx(const GxNcLayerSnapShotEx& o);
    GxNcLayerSnapShotEx& operator=(const GxNcLayerSnapShotEx& o);
    GxNcLayerSnapShotEx(GxNcLayerSnapShotEx&& o) noexcept;
    GxNcLayerSnapShotEx& operator=(GxNcLayerSnapShotEx&& o) noexcept;

    s32 m_Time = 0;
    s32 m_Period = 1;
    const GxNcLayer* m_pLayer = nullptr;
    std::unique_ptr<GxNcMotionSnapShotEx> m_pNested;

    GxNcImageKey m_ImageKey;
    GxNcVector4Key m_PosKey;
    GxNcVector4Key m_ScaleKey;
    GxNcVector4Key m_RotKey;
    GxNcVector4Key m_CenterKey;
    GxNcVector2Key m_ScaleFactorKey;
    GxNcFloatKey m_AlphaKey;
    GxNcUIntKey m_VisibleKey;
    GxNcVertexKey m_VertexOffsetKey;
    GxNcVertexKey m_VertexColorKey;
    GxNcVector2Key m_ExtraKey;  // never evaluated: stays (0, 0)

    u32 m_BlendMode = 1;
    GxMatrix m_MatLocal;
    GxMatrix m_MatWorld;
    GxVector4 m_Pos[5];
    GxVector2 m_UV[5];
    GxFColor m_Color[5];
};
