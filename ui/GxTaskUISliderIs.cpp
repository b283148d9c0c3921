#include "ui/GxTaskUISliderIs.h"

#include "graphics/GxGraphics.h"
#include "layers/GxLerp.h"
#include "layers/GxNcCrammedDraw.h"
#include "layers/GxNcOriginImage.h"

#include <algorithm>
#include <cmath>

GxTaskUISliderIs::GxTaskUISliderIs(GxTaskBase* parent, const GxChar* name, const GxChar* localName, s32 localIndex,
                                   bool vertical, const GxChar* className)
    : GxTaskUIIsBase(parent, name, localName, localIndex), m_Vertical(vertical), m_ClassName(className) {
    m_Max = 100.0;
    m_Min = 0.0;
    m_ValueAtPress = m_Value;
}

bool GxTaskUISliderIs::LoadImages() {
    const GxString cls(m_ClassName);
    GxNcCrammedImageSet* set = GetImageSet((cls + u"/ImageSet wasn't Loaded:%s [%s]\n").c_str());
    if (!set) return false;
    static constexpr const GxChar* kSuffixes[kImageSlotCount] = {u"_off.png",  u"_on.png",   u"_over.png",
                                                                 u"_na.png",   u"_back.png", u"_backna.png"};
    for (int i = 0; i < kImageSlotCount; ++i) m_Images[i] = FindImage(set, kSuffixes[i]);
    if (!m_Images[kKnob]) {
        LogImageMessage((cls + u"/Image not found:%s [%s]\n").c_str(), m_ImageName + kSuffixes[kKnob]);
        return false;
    }
    if (!m_Images[kKnobPressed]) m_Images[kKnobPressed] = m_Images[kKnobHovered];
    if (!m_Images[kKnobUnavailable]) m_Images[kKnobUnavailable] = m_Images[kKnob];
    if (!m_Images[kTrackUnavailable]) m_Images[kTrackUnavailable] = m_Images[kTrack];
    if (const GxNcCrammedPattern* track = m_Images[kTrack] ? m_Images[kTrack]->GetPattern(0) : nullptr) {
        if (m_Width == 0) m_Width = track->m_Width;
        if (m_Height == 0) m_Height = track->m_Height;
    }
    const GxNcCrammedPattern* knob = m_Images[kKnob]->GetPattern(0);
    m_KnobWidth = knob ? knob->m_Width : 0;
    m_KnobHeight = knob ? knob->m_Height : 0;
    // Along the track, a client rectangle without a margin leaves half a
    // knob at the end, so that the knob's centre can reach both ends.
    if (m_ClientWidth == 0 && !m_Vertical && m_ClientLeft == 0)
        m_ClientWidth = GxTruncToS32(f64(m_Width) - m_KnobWidth / 2);
    if (m_ClientHeight == 0 && m_Vertical && m_ClientTop == 0)
        m_ClientHeight = GxTruncToS32(f64(m_Height) - m_KnobHeight / 2);
    ApplyClientDefaults();
    SetAlong(&m_KnobTargetPos, f32(ValueToPos(m_Value)));
    m_KnobShownPos = m_KnobTargetPos;
    return true;
}

void GxTaskUISliderIs::ReleaseImages() { std::fill(std::begin(m_Images), std::end(m_Images), nullptr); }

// ---- value and mapping -------------------------------------------------------

// A track of no length maps like an empty range: dividing by it would give
// infinities and NaN values.
f64 GxTaskUISliderIs::ValueToPos(f64 value) const {
    const s32 length = TrackLength();
    if (m_Min == m_Max || length <= 0) return 0.0;
    const f64 pos = (value - m_Min) / (m_Max - m_Min) * length;
    if (!(pos == pos)) return 0.0;
    return std::clamp(pos, 0.0, f64(length));
}

f64 GxTaskUISliderIs::PosToValue(f64 pos) const {
    const s32 length = TrackLength();
    if (m_Min == m_Max || length <= 0) return m_Min;
    if (pos < 0) return m_Min;
    if (pos > length) return m_Max;
    return m_Min + (m_Max - m_Min) * pos / length;
}

f64 GxTaskUISliderIs::DeltaToValue(f64 delta) const {
    const s32 length = TrackLength();
    if (m_Min == m_Max || length <= 0) return 0.0;
    return delta * (m_Max - m_Min) / length;
}

void GxTaskUISliderIs::SetValue(f64 value) {
    m_Value = ClampToRange(value);
    SetAlong(&m_KnobTargetPos, f32(ValueToPos(m_Value)));
    m_KnobShownPos = m_KnobTargetPos;
}

// The value comes into the new range and the knob to it.
void GxTaskUISliderIs::SetMax(f64 v) {
    m_Max = v;
    SetValue(m_Value);
}

void GxTaskUISliderIs::SetMin(f64 v) {
    m_Min = v;
    SetValue(m_Value);
}

void GxTaskUISliderIs::ResetEventState() {
    GxTaskUIBase::ResetEventState();
    m_Drag.Reset();
    m_ValueAtPress = m_Value;
    m_EaseStepsLeft = 0;
    m_KnobShownPos = m_KnobTargetPos;
}

// ---- hit tests -------------------------------------------------------------------

bool GxTaskUISliderIs::HitTestClient(const GxVector4* w, f32 x, f32 y) {
    if (!w) return false;
    const f32 hx = m_Vertical ? 0.0f : f32(m_KnobWidth / 2);
    const f32 hy = m_Vertical ? f32(m_KnobHeight / 2) : 0.0f;
    const f32 left = w->x + f32(m_ClientLeft), top = w->y + f32(m_ClientTop);
    return left - hx <= x && x < left + f32(m_ClientWidth) + hx && top - hy <= y && y < top + f32(m_ClientHeight) + hy;
}

bool GxTaskUISliderIs::HitTestKnob(const GxVector4* w, f32 x, f32 y) {
    if (!HitTestClient(w, x, y)) return false;
    const f32 half = f32((m_Vertical ? m_KnobHeight : m_KnobWidth) / 2);
    const f32 k = (m_Vertical ? w->y + f32(m_ClientTop) : w->x + f32(m_ClientLeft)) + GetKnobTarget();
    const f32 c = m_Vertical ? y : x;
    return k - half <= c && c <= k + half;
}

f32 GxTaskUISliderIs::TrackStart() const {
    GxVector4 w;
    GetWorldPos(&w);
    return m_Vertical ? w.y + f32(m_ClientTop) : w.x + f32(m_ClientLeft);
}

// ---- pointer ------------------------------------------------------------------------

void GxTaskUISliderIs::ReportValueChange(const GxVector2& pointer) {
    RaisePointerEvent(UIEVENT_VALUE_CHANGE, pointer);
    if (m_LinkedWidget) m_LinkedWidget->SetValueInt(GetValueRounded());
}

void GxTaskUISliderIs::StartDrag(const GxVector2& pointer) {
    m_Drag.m_Dragging = true;
    m_Drag.m_PressPos = m_Drag.m_LastPos = pointer;
    m_Drag.m_Words[2] = u32(m_FrameCount);
    m_ValueAtPress = m_Value;
}

int GxTaskUISliderIs::OnLButtonDown(const GxVector2& pos, u32, bool) {
    if (!CanOperate(0)) return 0;
    GxVector4 w;
    GetWorldPos(&w);
    if (!HitTestClient(&w, pos.x, pos.y)) return 0;
    if (HitTestKnob(&w, pos.x, pos.y)) {
        StartDrag(pos);
    } else {
        m_Value = ClampToRange(PosToValue(f64(Along(pos)) - TrackStart()));
        SetAlong(&m_KnobTargetPos, f32(GxTruncToS32(ValueToPos(m_Value))));
        m_EaseStepsLeft = kEaseSteps;
        StartDrag(pos);
        ReportValueChange(pos);
    }
    return m_EventBlockFlag ? 1 : 0;
}

int GxTaskUISliderIs::OnMouseMove(const GxVector2& pos, u32) {
    if (!CanOperate(0)) return 0;
    GxVector4 w;
    GetWorldPos(&w);
    const bool inside = HitTestClient(&w, pos.x, pos.y);
    if (!m_Drag.m_Dragging) return HandlePointerMove(pos, inside);
    m_Value = ClampToRange(m_ValueAtPress + DeltaToValue(f64(Along(pos)) - Along(m_Drag.m_PressPos)));
    SetAlong(&m_KnobTargetPos, f32(ValueToPos(m_Value)));
    m_KnobShownPos = m_KnobTargetPos;
    m_Drag.m_LastPos = pos;
    ReportValueChange(pos);
    return (m_MouseMoveBlockFlag && inside) ? 1 : 0;
}

int GxTaskUISliderIs::OnLButtonUp(const GxVector2&, u32) {
    m_Drag.m_Dragging = false;
    return 0;
}

// ---- update and drawing ------------------------------------------------------------

int GxTaskUISliderIs::Update(int step, s64 elapsed) {
    GxTaskUIBase::Update(step, elapsed);
    const GxVector2 pointer = GetPointer();
    HandlePointerLeave(pointer, IsInsideClient(pointer));
    if (m_EaseStepsLeft != 0) {
        const f32 k = std::pow(f32(m_EaseStepsLeft) / f32(kEaseSteps), 81.0f);
        const f32 target = GetKnobTarget();
        SetAlong(&m_KnobShownPos, target + (GetKnobShown() - target) * k);
        --m_EaseStepsLeft;
    } else {
        m_KnobShownPos = m_KnobTargetPos;
    }
    if (!CanOperate(0))
        m_KnobState = 0;
    else if (m_Drag.m_Dragging)
        m_KnobState = 1;
    else
        m_KnobState = m_HoverCount != 0 ? 2 : 0;
    UpdateAutoHelp(elapsed, &pointer);
    m_FrameCount = s32(u32(m_FrameCount) + 1u);
    return 0;
}

int GxTaskUISliderIs::Render(int, int) {
    if (!IsActiveInScene()) return 0;
    BeginWidgetDraw();
    const bool available = IsEnabled() && m_Min < m_Max;
    GxNcOriginImage* track = m_Images[available ? kTrack : kTrackUnavailable];
    GxNcOriginImage* knob = available ? m_Images[std::clamp(m_KnobState, 0, 2)] : m_Images[kKnobUnavailable];
    if (!knob) knob = m_Images[kKnob];
    const f32 shown = GetKnobShown();
    const GxVector3 offset =
        m_Vertical ? GxVector3(f32(s64(m_ClientLeft) + m_ClientWidth / 2 - m_KnobWidth / 2),
                               f32(GxTruncToS32(f64(m_ClientTop) + shown - m_KnobHeight / 2)), 0)
                   : GxVector3(f32(GxTruncToS32(f64(m_ClientLeft) + shown - m_KnobWidth / 2)),
                               f32(s64(m_ClientTop) + m_ClientHeight / 2 - m_KnobHeight / 2), 0);
    const f32 alpha = GetAlphaScale();
    const u32 blend = u32(m_Visual.m_BlendMode);
    DrawCrammedPattern(m_PatternIndex, track, ComposeWorldMatrix(GxVector3()), alpha, m_Visual.m_Color0,
                       m_Visual.m_Color1, blend);
    DrawCrammedPattern(m_PatternIndex, knob, ComposeWorldMatrix(offset, false), alpha, m_Visual.m_Color0,
                       m_Visual.m_Color1, blend);
    GxGraphics::EndScene();
    return 0;
}
