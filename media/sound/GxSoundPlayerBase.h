#pragma once
// The players of the GxSound back end: as the GxAudio players, with volumes
// as DirectSound attenuations (0 full, -6400 the silence of fades), the pan
// applied, and 3-D through the buffer's parameter record.
#include "media/sound/GxSoundBufferBase.h"
#include "media/sound/GxSoundPlayerCore.h"

class GxWavData;

class GxSoundPlayerBase : public GxSoundPlayerCore<s32> {
public:
    static constexpr s32 kFadeSilence = -6400;

    GxSoundPlayerBase();
    ~GxSoundPlayerBase() override = default;

    // Sent to the buffer's record when it differs.
    void Set3DPosition(const GxVector3& position);
    GxVector3 Get3DPosition();
    void SetConeOrientation(const GxVector3& front);
    const GxVector3& GetConeOrientation() const { return m_Front; }
    GxVector3 GetBufferConeOrientation() { return Buffer().GetConeOrientation(); }
    // Applied only when they differ from the value last set by more than the
    // float epsilon.
    bool SetMinDistance(f32 distance);
    f32 GetMinDistance() const { return m_MinDistance; }
    bool SetMaxDistance(f32 distance);
    f32 GetMaxDistance() const { return m_MaxDistance; }
    bool SetConeAngles(u32 inside, u32 outside) { return Buffer().SetConeAngles(inside, outside); }
    bool CanSetConeAngles() { return Buffer().Has3D(); }

    u32 GetSerial() const;

    bool SetPan(s32 pan) { return Buffer().SetPan(pan); }
    s32 GetPan() { return Buffer().GetPan(); }
    s32 GetVolume() override { return Buffer().GetVolume(); }
    s32 GetLoop() { return Buffer().GetLoop(); }
    bool IsPlaying() override { return Buffer().IsPlaying(); }

    // The 3-D service pass for this player: follows the position and front
    // sources and hands the record to the buffer as a deferred setting.
    void Update3D();

protected:
    virtual GxSoundBufferBase& Buffer() = 0;
    bool SetVoiceVolume(s32 v) override { return Buffer().SetVolume(v); }
    void Setup3D(u32) override {}
    bool CreateBufferFor(GxSoundLoaderBase* loader, const GxPlayArgs<s32>& args) override;
    virtual bool CreateBuffer(GxSoundLoaderBase* loader, bool use3D) = 0;

private:
    f32 m_MinDistance = 100.0f;
    f32 m_MaxDistance = 500.0f;
};
