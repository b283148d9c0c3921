#include "ui/GxTaskUIHBarIs.h"

#include "graphics/GxGraphics.h"
#include "io/GxContentReaderBase.h"
#include "io/GxContentWriterBase.h"
#include "layers/GxLerp.h"
#include "layers/GxNcCrammedDraw.h"
#include "layers/GxNcOriginImage.h"

#include <algorithm>

GxTaskUIHBarIs::GxTaskUIHBarIs(GxTaskBase* parent, const GxChar* name, const GxChar* localName, s32 localIndex)
    : GxTaskUIIsBase(parent, name, localName, localIndex) {
    SetTaskTag(kTypeCode);
    m_EventBlockFlag = false;
}

bool GxTaskUIHBarIs::LoadImages() {
    GxNcCrammedImageSet* set = GetImageSet(u"GxTaskUIHBarIs/ImageSet wasn't Loaded:%s [%s]\n");
    if (!set) return false;
    m_Images[kOverlay] = FindImage(set, u"_on.png");
    if (!m_Images[kOverlay]) m_Images[kOverlay] = FindImage(set, u"_off.png");
    m_Images[kFill] = FindImage(set, u"_mid.png");
    m_Images[kBackground] = FindImage(set, u"_back.png");
    if (!m_Images[kFill]) {
        LogImageMessage(u"GxTaskUIHBarIs/Image not found:%s [%s]\n", m_ImageName + u"_mid.png");
        return false;
    }
    if (const GxNcCrammedPattern* first = m_Images[kFill]->GetPattern(0)) {
        if (m_Width == 0) m_Width = first->m_Width;
        if (m_Height == 0) m_Height = first->m_Height;
    }
    ApplyClientDefaults();
    return true;
}

void GxTaskUIHBarIs::ReleaseImages() { std::fill(std::begin(m_Images), std::end(m_Images), nullptr); }

s32 GxTaskUIHBarIs::GetPatternCount() const {
    return m_Images[kFill] ? s32(m_Images[kFill]->m_PatternArray.size()) : 0;
}

// ---- value and glide -------------------------------------------------------

void GxTaskUIHBarIs::SetValue(f64 value) {
    m_Value = ClampToRange(value);
    m_OldValue = m_Value;
    m_ChangeTimeLeft = m_ChangeTimeTotal = 0;
}

void GxTaskUIHBarIs::SetMax(f64 v) {
    m_Max = v;
    m_Value = ClampToRange(m_Value);
    m_OldValue = ClampToRange(m_OldValue);
}

void GxTaskUIHBarIs::SetMin(f64 v) {
    m_Min = v;
    m_Value = ClampToRange(m_Value);
    m_OldValue = ClampToRange(m_OldValue);
}

f64 GxTaskUIHBarIs::GlideProgress() const {
    if (m_ChangeTimeTotal <= 0 || m_ChangeTimeLeft <= 0) return 1.0;
    // Single precision, as the bar always measured it; a remaining time
    // beyond the whole (from a damaged save) starts at the beginning.
    const f32 t = f32(s64(m_ChangeTimeTotal) - m_ChangeTimeLeft) / f32(m_ChangeTimeTotal);
    return std::clamp(t, 0.0f, 1.0f);
}

f64 GxTaskUIHBarIs::GetShownValue() const {
    const f64 t = GlideProgress();
    return t >= 1.0 ? m_Value : (1.0 - t) * m_OldValue + t * m_Value;
}

void GxTaskUIHBarIs::SetValueGlide(f64 value, int ms) {
    // A glide restarted midway goes on from where the bar stands now, not
    // from a blend of its start with the new target.
    if (m_ChangeTimeTotal > 0 && m_ChangeTimeLeft != 0) m_OldValue = GetShownValue();
    m_Value = ClampToRange(value);
    m_ChangeTimeLeft = m_ChangeTimeTotal = ms;
}

void GxTaskUIHBarIs::FinishGlide() {
    m_OldValue = m_Value;
    m_ChangeTimeLeft = m_ChangeTimeTotal = 0;
}

int GxTaskUIHBarIs::Update(int step, s64 elapsed) {
    GxTaskUIBase::Update(step, elapsed);
    if (m_ChangeTimeTotal != 0) {
        m_ChangeTimeLeft = GxTruncToS32(f64(m_ChangeTimeLeft) - f64(elapsed / 1000));
        if (m_ChangeTimeLeft <= 0) m_ChangeTimeLeft = m_ChangeTimeTotal = 0;
    }
    if (m_ChangeTimeTotal == 0) m_OldValue = m_Value;
    const GxVector2 pointer = GetPointer();
    HandlePointerLeave(pointer, IsInside(pointer));
    return 0;
}

// ---- drawing ------------------------------------------------------------------

int GxTaskUIHBarIs::Render(int, int) {
    if (!IsActiveInScene()) return 0;
    BeginWidgetDraw();
    const GxMatrix world = ComposeWorldMatrix(GxVector3());
    const f32 alpha = GetAlphaScale();
    const GxFColor& c0 = m_Visual.m_Color0;
    const GxFColor& c1 = m_Visual.m_Color1;
    const u32 blend = u32(m_Visual.m_BlendMode);
    DrawCrammedPattern(m_PatternIndex, m_Images[kBackground], world, alpha, c0, c1, blend);
    // The fill's offset is read from its pattern: an index the fill image
    // does not have draws no fill rather than reading past its patterns.
    const GxNcCrammedPattern* p = m_Images[kFill] ? m_Images[kFill]->GetPattern(m_PatternIndex) : nullptr;
    if (p) {
        const f64 range = m_Max - m_Min;
        const f64 share = range == 0 ? 0.0 : (GetShownValue() - m_Min) / range;
        const s32 w = GxTruncToS32(share * m_ClientWidth);
        const GxMatrix fill = ComposeWorldMatrix(
            GxVector3(f32(s64(m_ClientLeft) - p->m_CrammedOffsetLeft), f32(s64(m_ClientTop) - p->m_CrammedOffsetTop), 0));
        const GxRect clip{m_ClientLeft, m_ClientTop, GxTruncToS32(f64(m_ClientLeft) + w),
                          GxTruncToS32(f64(m_ClientTop) + m_ClientHeight)};
        DrawCrammedPatternClipped(m_PatternIndex, m_Images[kFill], clip, fill, alpha, c0, c1, blend);
    }
    DrawCrammedPattern(m_PatternIndex, m_Images[kOverlay], world, alpha, c0, c1, blend);
    GxGraphics::EndScene();
    return 0;
}

// ---- stored form and pointer ------------------------------------------------------

bool GxTaskUIHBarIs::WriteContent(GxContentWriterBase* w) {
    bool ok = GxTaskUIBase::WriteContent(w);
    if (!w) return false;
    WriteImageNames(w);
    w->Write("m_ImageIndex", m_ImageIndex);
    w->Write("m_PatternIndex", m_PatternIndex);
    w->Write("m_OldValue", m_OldValue);
    w->Write("m_ChangeTimeLeft", m_ChangeTimeLeft);
    w->Write("m_ChangeTimeTotal", m_ChangeTimeTotal);
    return ok && w->GetErrorCount() == 0;
}

bool GxTaskUIHBarIs::ReadContent(GxContentReaderBase* r) {
    bool ok = GxTaskUIBase::ReadContent(r);
    if (!r) return false;
    ReadImageNames(r);
    r->Read("m_ImageIndex", &m_ImageIndex);
    r->Read("m_PatternIndex", &m_PatternIndex);
    r->Read("m_OldValue", &m_OldValue);
    r->Read("m_ChangeTimeLeft", &m_ChangeTimeLeft);
    r->Read("m_ChangeTimeTotal", &m_ChangeTimeTotal);
    ReleaseImages();
    ResetEventState();
    return ok && r->GetErrorCount() == 0;
}

int GxTaskUIHBarIs::OnMouseMove(const GxVector2& pos, u32) { return HandlePointerMove(pos, IsInside(pos)); }

int GxTaskUIHBarIs::OnLButtonDown(const GxVector2& pos, u32, bool) { return HandlePointerPress(pos, IsInside(pos)); }
