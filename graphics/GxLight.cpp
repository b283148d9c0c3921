#include "graphics/GxLight.h"

#include "graphics/GxCamera.h"
#include "io/GxContentReaderBase.h"
#include "io/GxContentWriterBase.h"

#include <cmath>

bool GxLight::Write(GxContentWriterBase& writer) const {
    bool ok = writer.Write("m_Visible", m_Visible);
    ok &= writer.Write("m_Type", m_Type);
    ok &= writer.Write("m_LightSphere_Pos", m_LightSphere_Pos);
    ok &= writer.Write("m_LightSphere_Radius", m_LightSphere_Radius);
    ok &= writer.Write("m_Dir", m_Dir);
    ok &= writer.Write("m_LightColor0", m_LightColor0);
    ok &= writer.Write("m_LightColor1", m_LightColor1);
    ok &= writer.Write("m_ConeAngle", m_ConeAngle);
    ok &= writer.Write("m_Intensity", m_Intensity);
    return ok && writer.GetErrorCount() == 0;
}

bool GxLight::Read(GxContentReaderBase& reader) {
    reader.Read("m_Visible", &m_Visible);
    reader.Read("m_Type", &m_Type);
    reader.Read("m_LightSphere_Pos", &m_LightSphere_Pos);
    reader.Read("m_LightSphere_Radius", &m_LightSphere_Radius);
    reader.Read("m_Dir", &m_Dir);
    reader.Read("m_LightColor0", &m_LightColor0);
    reader.Read("m_LightColor1", &m_LightColor1);
    reader.Read("m_ConeAngle", &m_ConeAngle);
    reader.Read("m_Intensity", &m_Intensity);
    return reader.GetErrorCount() == 0;
}

namespace {

GxLight g_DefaultLights[2];

} // namespace

GxLight& GxGetDefaultLight(u32 index) { return g_DefaultLights[index < 2 ? index : 1]; }

void GxSetDirectionalLightDefault(const GxFColor* colour, const GxVector3* direction) {
    GxLight& l = g_DefaultLights[0];
    l.m_Visible = true;
    l.m_Type = kGxLightTypeDirectional;
    if (direction) {
        GxVector3 d = *direction;
        // A zero direction has no length to normalise; it stays as given.
        if (d.Length() > 0.0f) d.SetLength(1.0f);
        l.m_Dir = d;
    }
    if (colour) l.m_LightColor0 = *colour;
}

void GxSetAmbientLightDefault(const GxFColor* colour0, const GxFColor* colour1, const GxVector3* direction) {
    GxLight& l = g_DefaultLights[1];
    l.m_Visible = true;
    l.m_Type = kGxLightTypeAmbient;
    if (direction) l.m_Dir = *direction;
    if (colour0) l.m_LightColor0 = *colour0;
    if (colour1) l.m_LightColor1 = *colour1;
}

void GxSetDefaultLights() {
    const GxFColor white(1.0f, 1.0f, 1.0f, 1.0f);
    const GxVector3 down(0.0f, -1.0f, 0.0f);
    GxSetDirectionalLightDefault(&white, &down);
    const GxFColor c0(0.3f, 0.3f, 0.3f, 0.3f), c1(0.2f, 0.2f, 0.2f, 0.2f);
    const GxVector3 up(0.0f, 1.0f, 0.0f);
    GxSetAmbientLightDefault(&c0, &c1, &up);
}

GxCamera& GxGetCamera() {
    static GxCamera camera;
    return camera;
}

void GxResetLightsAndCamera() {
    for (GxLight& l : g_DefaultLights) l = GxLight();
    GxGetCamera() = GxCamera();
}
