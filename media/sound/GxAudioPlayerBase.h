#pragma once
// The players of the GxAudio back end: a buffer each, with timed fades, start
// and loop positions in milliseconds and a 3-D emitter. Volumes are float
// gains (1.0 full); the pan is accepted and not applied.
#include "media/sound/GxAudioBufferBase.h"
#include "media/sound/GxSoundPlayerCore.h"

class GxWavData;

class GxAudioPlayerBase : public GxSoundPlayerCore<float> {
public:
    GxAudioPlayerBase();
    ~GxAudioPlayerBase() override = default;

    // The count of players made so far: read right after construction, the
    // new player's number.
    u32 GetSerial() const;

    bool SetPan(s32) { return true; }
    s32 GetPan() { return 0; }
    float GetVolume() override { return Buffer().GetVolume(); }
    s32 GetLoop() { return Buffer().GetLoop(); }
    bool IsPlaying() override { return Buffer().IsPlaying(); }

    // The 3-D service pass for this player (only while its 3-D flag is set).
    void Update3D(const paudio::spatial_instance& instance, const paudio::listener_3d& listener, u32 flags);
    // The gains of the last 3-D calculation, source channel by output channel.
    const float* GetMatrix() const { return m_Matrix; }

protected:
    virtual GxAudioBufferBase& Buffer() = 0;
    bool SetVoiceVolume(float v) override { return Buffer().SetVolume(v); }
    void Setup3D(u32 sourceChannels) override;

private:
    GxVector3 m_Top{0.0f, 1.0f, 0.0f};
    paudio::emitter_3d m_Emitter;
    paudio::sound_cone m_Cone;
    paudio::curve_point m_VolumePoints[2];
    paudio::distance_curve m_VolumeCurve;
    float m_Azimuths[2];
    float m_Matrix[4] = {};
    paudio::dsp_settings m_Dsp;
};
