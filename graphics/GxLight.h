#pragma once
// A light of the small 3-D lighting model, stored in content streams, and the
// two default lights that the device's initial state fills. The 2-D drawing
// reads none of it: device lighting stays off.
#include "base/GxFColor.h"
#include "base/GxVector.h"

class GxContentReaderBase;
class GxContentWriterBase;

class GxLight {
public:
    virtual ~GxLight() = default;
    // The nine stored fields in order; true when the stream reports no errors.
    virtual bool Write(GxContentWriterBase& writer) const;
    virtual bool Read(GxContentReaderBase& reader);

    bool m_Visible = false;
    s32 m_Type = 0;
    GxVector3 m_LightSphere_Pos;
    f32 m_LightSphere_Radius = 0.0f;
    GxVector3 m_Dir;
    GxFColor m_LightColor0{1.0f, 1.0f, 1.0f, 1.0f};
    GxFColor m_LightColor1{1.0f, 1.0f, 1.0f, 1.0f};
    f32 m_ConeAngle = 0.0f;
    f32 m_Intensity = 1.0f;
    // Not stored.
    u32 m_Reserved0 = 0;
    u32 m_Reserved1 = 0;
};

// Light types of the default lights.
constexpr s32 kGxLightTypeDirectional = 2;
constexpr s32 kGxLightTypeAmbient = 7;

// The two default lights: 0 directional, 1 ambient.
GxLight& GxGetDefaultLight(u32 index);
// Visible, directional, the direction normalised, colour 0.
void GxSetDirectionalLightDefault(const GxFColor* colour, const GxVector3* direction);
// Visible, ambient, the direction as given, both colours.
void GxSetAmbientLightDefault(const GxFColor* colour0, const GxFColor* colour1, const GxVector3* direction);
// The defaults of the initial render state: white light from (0, −1, 0);
// ambient (0.3 …, 0.2 …) along (0, 1, 0).
void GxSetDefaultLights();
// The two default lights and the camera (GxGetCamera) as a new process has
// them.
void GxResetLightsAndCamera();
