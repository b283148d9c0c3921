#include "layers/GxActorVisualParam.h"

#include "io/GxContentReaderBase.h"
#include "io/GxContentWriterBase.h"

namespace {

GxVector3 Xyz(const GxVector4& v) { return GxVector3(v.x, v.y, v.z); }

// Vectors are stored as three floats: the fourth reads back as 0.
bool ReadXyz(GxContentReaderBase* r, const char* name, GxVector4* v) {
    GxVector3 t;
    const bool ok = r->Read(name, &t);
    *v = GxVector4(t.x, t.y, t.z, 0);
    return ok;
}

} // namespace

GxActorVisualParam::GxActorVisualParam() { Reset(); }

void GxActorVisualParam::Reset() {
    m_Visible = true;
    m_OrderZ = 1000.0f;
    m_Alpha = 255;
    m_Color0 = GxFColor(1, 1, 1, 1);
    m_Color1 = GxFColor(0, 0, 0, 0);
    m_Pos = GxVector4(0, 0, 0, 0);
    m_Scale = GxVector4(1, 1, 1, 0);
    m_Rot = GxVector4(0, 0, 0, 0);
    m_CenterPos = GxVector4(0, 0, 0, 0);
    m_UVOffset = GxVector2(0, 0);
    m_ShakeOffsetPos = GxVector4(0, 0, 0, 0);
    m_BlendMode = 2;
}

bool GxActorVisualParam::Write(GxContentWriterBase* w) {
    if (!w) return false;
    w->Write("m_Visible", m_Visible);
    w->Write("m_OrderZ", m_OrderZ);
    w->Write("m_Alpha", m_Alpha);
    w->Write("m_Color0", m_Color0);
    w->Write("m_Color1", m_Color1);
    w->Write("m_Pos", Xyz(m_Pos));
    w->Write("m_Scale", Xyz(m_Scale));
    w->Write("m_Rot", Xyz(m_Rot));
    w->Write("m_CenterPos", Xyz(m_CenterPos));
    w->Write("m_UVOffset", m_UVOffset);
    w->Write("m_ShakeOffsetPos", Xyz(m_ShakeOffsetPos));
    w->Write("m_BlendMode", m_BlendMode);
    return w->GetErrorCount() == 0;
}

bool GxActorVisualParam::Read(GxContentReaderBase* r) {
    if (!r) return false;
    r->Read("m_Visible", &m_Visible);
    r->Read("m_OrderZ", &m_OrderZ);
    r->Read("m_Alpha", &m_Alpha);
    r->Read("m_Color0", &m_Color0);
    r->Read("m_Color1", &m_Color1);
    ReadXyz(r, "m_Pos", &m_Pos);
    ReadXyz(r, "m_Scale", &m_Scale);
    ReadXyz(r, "m_Rot", &m_Rot);
    ReadXyz(r, "m_CenterPos", &m_CenterPos);
    r->Read("m_UVOffset", &m_UVOffset);
    ReadXyz(r, "m_ShakeOffsetPos", &m_ShakeOffsetPos);
    r->Read("m_BlendMode", &m_BlendMode);
    return r->GetErrorCount() == 0;
}
