#pragma once
// A task with visual parameters and two queues of timed actions that change
// them: channel 0 for fades, moves, hiding and colours, channel 1 beside it
// for nudges and delayed suspends and kills. Layers and widgets derive from
// it; scripts wait on IsActionFinished.
#include "layers/GxActionParam.h"
#include "layers/GxActorVisualParam.h"
#include "tasks/GxTaskFolder.h"

#include <deque>

class GxTaskActor : public GxTaskFolder {
public:
    static constexpr int kChannelCount = 2;

    explicit GxTaskActor(GxTaskBase* parent, const GxChar* name = nullptr, const GxChar* localName = nullptr,
                         s32 localIndex = 0);
    ~GxTaskActor() override;

    // Steps the actions by the elapsed time (microseconds, whole ms used).
    int Update(int step, s64 elapsed) override;
    void GetPos(GxVector4* out) const override;
    // The parent's world position plus the position plus the shake offset.
    void GetWorldPos(GxVector4* out) const override;
    void GetScale(GxVector4* out) const override;
    void GetRot(GxVector4* out) const override;
    void GetCenterPos(GxVector4* out) const override;
    bool WriteContent(GxContentWriterBase* writer) override;
    bool ReadContent(GxContentReaderBase* reader) override;

    virtual void Hide() { m_Visual.m_Visible = false; }
    virtual void Show() { m_Visual.m_Visible = true; }
    virtual bool IsVisible() const { return m_Visual.m_Visible; }
    virtual void SetOrderZ(f32 z) { m_Visual.m_OrderZ = z; }
    virtual f32 GetOrderZ() const { return m_Visual.m_OrderZ; }
    virtual void SetBlendMode(s32 mode) { m_Visual.m_BlendMode = mode; }
    virtual s32 GetBlendMode() const { return m_Visual.m_BlendMode; }
    virtual void SetAlpha(s32 alpha) { m_Visual.m_Alpha = alpha; }
    virtual s32 GetAlpha() const { return m_Visual.m_Alpha; }
    virtual void SetPos(f32 x, f32 y, f32 z, f32 w) { m_Visual.m_Pos = GxVector4(x, y, z, w); }
    virtual void SetScale(f32 x, f32 y, f32 z, f32 w) { m_Visual.m_Scale = GxVector4(x, y, z, w); }
    virtual void SetRot(f32 x, f32 y, f32 z, f32 w) { m_Visual.m_Rot = GxVector4(x, y, z, w); }
    virtual void SetCenterPos(f32 x, f32 y, f32 z, f32 w) { m_Visual.m_CenterPos = GxVector4(x, y, z, w); }
    virtual void SetUVOffset(f32 u, f32 v) { m_Visual.m_UVOffset = GxVector2(u, v); }
    virtual void SetColor(f32 r, f32 g, f32 b, f32 a) { m_Visual.m_Color0 = GxFColor(r, g, b, a); }
    virtual void SetColorARGB(u32 argb) { m_Visual.m_Color0 = GxFColor::FromARGB(argb); }
    virtual void GetColor(f32 out[4]) const;
    // 0 here; layers give their content's size, widgets their own.
    virtual s32 GetWidth() { return 0; }
    virtual s32 GetHeight() { return 0; }

    // Steps channel 0, then channel 1, by the same time; whether any action remains.
    bool UpdateActions(s32 ms);
    bool IsActionFinished() const;
    // Drops every queued action without applying it.
    void ClearActions();
    // Runs every queued action to its end at once and clears the shake offset.
    void FinishActions();

    // Appends an action to channel 0 or 1 (other channels are ignored).
    void AddAction(int channel, const GxActionParam& action);
    const std::deque<GxActionParam>& GetActionList(int channel) const { return m_ActionList[channel & 1]; }

    GxActorVisualParam& GetVisualParam() { return m_Visual; }
    const GxActorVisualParam& GetVisualParam() const { return m_Visual; }
    bool m_ActionPause = false;

protected:
    GxActorVisualParam m_Visual;

private:
    bool StepChannel(int channel, s32 dt);
    void Capture(GxActionParam& a);
    void Apply(GxActionParam& a, f32 t, bool atEnd);
    void ApplyShake(const GxActionParam& a);

    std::deque<GxActionParam> m_ActionList[kChannelCount];
};
