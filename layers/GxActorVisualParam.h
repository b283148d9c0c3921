#pragma once
// The visual parameters an actor carries: visibility, sort depth, opacity,
// the multiplied and added colours, position, scale, rotation in degrees,
// pivot, texture-coordinate offset, the shake offset and the blend preset.
#include "base/GxFColor.h"
#include "base/GxVector.h"

class GxContentWriterBase;
class GxContentReaderBase;

class GxActorVisualParam {
public:
    GxActorVisualParam();
    virtual ~GxActorVisualParam() = default;
    GxActorVisualParam(const GxActorVisualParam&) = default;
    GxActorVisualParam& operator=(const GxActorVisualParam&) = default;

    // True when the stream reports no error.
    virtual bool Write(GxContentWriterBase* writer);
    virtual bool Read(GxContentReaderBase* reader);

    // Back to the defaults a new actor has.
    void Reset();

    bool m_Visible = true;
    f32 m_OrderZ = 1000.0f;
    s32 m_Alpha = 255;
    GxFColor m_Color0{1, 1, 1, 1};
    GxFColor m_Color1{1, 1, 1, 1};
    GxVector4 m_Pos;
    GxVector4 m_Scale;
    GxVector4 m_Rot;
    GxVector4 m_CenterPos;
    GxVector2 m_UVOffset;
    GxVector4 m_ShakeOffsetPos;
    s32 m_BlendMode = 2;
};
