#pragma once
// What the horizontal and the vertical slider share: a knob on a track in an
// image set, dragged or moved by a click on the track (the knob then eases
// to its place), with the value clamped to the range and reported as event
// 16, and passed on rounded to a linked widget. The two differ only in their
// axis and their messages; nothing beyond the base's fields is stored.
// Images: <name>_off (the knob, required), _on, _over, _na, _back, _backna.
#include "ui/GxTaskUIIsBase.h"

class GxNcOriginImage;

class GxTaskUISliderIs : public GxTaskUIIsBase {
public:
    static constexpr int kImageSlotCount = 6;
    enum Slot { kKnob = 0, kKnobPressed, kKnobHovered, kKnobUnavailable, kTrack, kTrackUnavailable };
    // Update steps of the knob's ease after a click on the track.
    static constexpr s32 kEaseSteps = 100;

    // Vertical sliders work on y and heights where horizontal ones work on
    // x and widths. className begins the image messages.
    GxTaskUISliderIs(GxTaskBase* parent, const GxChar* name, const GxChar* localName, s32 localIndex, bool vertical,
                     const GxChar* className);

    int Update(int step, s64 elapsed) override;
    int Render(int drawParam, int listIndex) override;
    // Also ends a drag and puts the knob where it belongs at once.
    void ResetEventState() override;
    bool LoadImages() override;
    void ReleaseImages() override;
    // Clamped; the knob goes to the value at once.
    void SetValue(f64 value) override;
    void SetMax(f64 v) override;
    void SetMin(f64 v) override;
    // The client rectangle widened by half the knob along the track.
    bool HitTestClient(const GxVector4* worldPos, f32 x, f32 y) override;
    int OnMouseMove(const GxVector2& pos, u32 keyFlags) override;
    int OnLButtonDown(const GxVector2& pos, u32 keyFlags, bool doubleClick) override;
    int OnLButtonUp(const GxVector2& pos, u32 keyFlags) override;

    // Inside the widened client rectangle and within half a knob of it.
    virtual bool HitTestKnob(const GxVector4* worldPos, f32 x, f32 y);
    // Pixels along the track from the client start, held to the track.
    virtual f64 ValueToPos(f64 value) const;
    // m_Min before the track, m_Max past it.
    virtual f64 PosToValue(f64 pos) const;
    virtual f64 DeltaToValue(f64 delta) const;
    // Receives SetValueInt with the rounded value on each change; not owned.
    virtual void SetLinkedWidget(GxTaskUIBase* widget) { m_LinkedWidget = widget; }

    bool IsVertical() const { return m_Vertical; }
    s32 GetKnobState() const { return m_KnobState; }
    s32 GetKnobWidth() const { return m_KnobWidth; }
    s32 GetKnobHeight() const { return m_KnobHeight; }
    // Along the track: where the knob belongs, and where it is drawn.
    f32 GetKnobTarget() const { return Along(m_KnobTargetPos); }
    f32 GetKnobShown() const { return Along(m_KnobShownPos); }
    s32 GetEaseStepsLeft() const { return m_EaseStepsLeft; }
    void SetPatternIndex(int index) { m_PatternIndex = index; }
    GxNcOriginImage* GetImage(int slot) const { return slot >= 0 && slot < kImageSlotCount ? m_Images[slot] : nullptr; }

protected:
    // The track's length: the client width or height.
    s32 TrackLength() const { return m_Vertical ? m_ClientHeight : m_ClientWidth; }
    f32 Along(const GxVector4& v) const { return m_Vertical ? v.y : v.x; }
    f32 Along(const GxVector2& v) const { return m_Vertical ? v.y : v.x; }
    void SetAlong(GxVector4* v, f32 value) const { (m_Vertical ? v->y : v->x) = value; }
    // The track's start in the virtual screen along the axis.
    f32 TrackStart() const;
    // The value's change: event 16 with the pointer, and the linked widget.
    void ReportValueChange(const GxVector2& pointer);
    void StartDrag(const GxVector2& pointer);

    bool m_Vertical;
    const GxChar* m_ClassName;
    GxNcOriginImage* m_Images[kImageSlotCount] = {};
    s32 m_KnobState = 0;
    s32 m_PatternIndex = 0;
    s32 m_KnobWidth = 0;
    s32 m_KnobHeight = 0;
    GxVector4 m_KnobTargetPos;
    GxVector4 m_KnobShownPos;
    s32 m_EaseStepsLeft = 0;
    f64 m_ValueAtPress = 0.0;
    GxTaskUIBase* m_LinkedWidget = nullptr;
};
