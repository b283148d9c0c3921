#include "ui/GxTaskUITimerButtonIs.h"

#include "graphics/GxGraphics.h"
#include "io/GxContentReaderBase.h"
#include "io/GxContentWriterBase.h"
#include "layers/GxLerp.h"
#include "layers/GxNcCrammedDraw.h"
#include "layers/GxNcOriginImage.h"

GxTaskUITimerButtonIs::GxTaskUITimerButtonIs(GxTaskBase* parent, const GxChar* name, const GxChar* localName,
                                             s32 localIndex)
    : GxTaskUIButtonIs(parent, name, localName, localIndex) {
    SetTaskTag(kTypeCode);
}

bool GxTaskUITimerButtonIs::LoadImages() {
    if (!LoadFaces(u"GxTaskUITimerButtonIs/ImageSet wasn't Loaded:%s [%s]\n",
                   u"GxTaskUITimerButtonIs/Image not found:%s [%s]\n",
                   {u"_off.png", u"_on.png", u"_over.png", u"_na.png", u"_back.png", u"_backna.png", u"_mid.png"}))
        return false;
    GxNcOriginImage** slot = m_ImagePatterns;
    if (!slot[kFaceOn]) slot[kFaceOn] = slot[kFaceOver];
    if (!slot[kFaceNa]) slot[kFaceNa] = slot[kFaceOff];
    if (!slot[kBackNa]) slot[kBackNa] = slot[kBack];
    ApplyFaceSize();
    return true;
}

void GxTaskUITimerButtonIs::SetValue(f64 value) { m_Value = ClampToRange(value); }

bool GxTaskUITimerButtonIs::IsAutoEnabled() const {
    switch (m_AutoEnableMode) {
    case 1: return m_Value >= m_Max;
    case 2: return m_Value <= m_Min;
    case 3: return m_Value < m_Max;
    case 4: return m_Value > m_Min;
    default: return true;
    }
}

int GxTaskUITimerButtonIs::Update(int step, s64 elapsed) {
    GxTaskUIButtonIs::Update(step, elapsed);
    SetValue(m_Value + m_AutoCountUpValue);
    return 0;
}

int GxTaskUITimerButtonIs::Render(int, int) {
    if (!IsActiveInScene()) return 0;
    const bool clickable = IsEnabled() && IsAutoEnabled();
    const GxNcOriginImage* face = clickable ? GetFace(m_ImageIndex, kFaceNa) : m_ImagePatterns[kFaceNa];
    const GxNcOriginImage* back = m_ImagePatterns[clickable ? kBack : kBackNa];
    const f32 alpha = GetImageAlphaScale();
    BeginWidgetDraw();
    DrawFace(back, alpha);
    const f64 range = m_Max - m_Min;
    const f64 rate = range == 0 ? 0.0 : (m_Value - m_Min) / range;
    const GxNcCrammedPattern* mid =
        m_ImagePatterns[kMid] ? m_ImagePatterns[kMid]->GetPattern(m_PatternIndex) : nullptr;
    if (mid && rate > 0.0 && rate < 1.0) {
        // The fill's own offset lands on the client rectangle's corner.
        const GxMatrix at = ComposeWorldMatrix(GxVector3(f32(s64(m_ClientLeft) - mid->m_CrammedOffsetLeft),
                                                         f32(s64(m_ClientTop) - mid->m_CrammedOffsetTop), 0));
        const GxRect clip{m_ClientLeft, m_ClientTop, GxTruncToS32(f64(m_ClientLeft) + GxTruncToS32(m_ClientWidth * rate)),
                          GxTruncToS32(f64(m_ClientTop) + m_ClientHeight)};
        DrawCrammedPatternClipped(m_PatternIndex, m_ImagePatterns[kMid], clip, at, GetAlphaScale(), m_Visual.m_Color0,
                                  m_Visual.m_Color1, u32(m_Visual.m_BlendMode));
    }
    DrawFace(face, alpha);
    GxGraphics::EndScene();
    return 0;
}

bool GxTaskUITimerButtonIs::WriteContent(GxContentWriterBase* w) {
    bool ok = GxTaskUIButtonIs::WriteContent(w);
    if (!w) return false;
    w->Write("m_AutoEnableMode", m_AutoEnableMode);
    w->Write("m_AutoCountUpValue", m_AutoCountUpValue);
    return ok && w->GetErrorCount() == 0;
}

bool GxTaskUITimerButtonIs::ReadContent(GxContentReaderBase* r) {
    bool ok = GxTaskUIButtonIs::ReadContent(r);
    if (!r) return false;
    r->Read("m_AutoEnableMode", &m_AutoEnableMode);
    r->Read("m_AutoCountUpValue", &m_AutoCountUpValue);
    return ok && r->GetErrorCount() == 0;
}
