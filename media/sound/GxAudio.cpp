#include "media/sound/GxAudio.h"

#include "base/GxLog.h"
#include "media/sound/GxAudioPlayerStatic.h"
#include "media/sound/GxAudioPlayerStream.h"
#include "media/sound/GxSoundBackEnd.h"
#include "platform/audio/output_device.h"
#include "platform/audio/voice_engine.h"

namespace {

struct AudioModule : GxSoundBackEnd<GxAudioPlayerStream, GxAudioPlayerStatic, float> {
    std::unique_ptr<paudio::voice_engine> engine;
    paudio::spatial_instance spatial;
    paudio::sound_cone listenerCone;
};

AudioModule& Module() {
    static AudioModule m;
    return m;
}

constexpr float kSpeedOfSound = 343.5f;

// Releases what a start-up made (the engine, the output).
void ReleaseDevice(AudioModule& m) {
    m.engine.reset();
    if (m.m_ComCount == 1) paudio::output_device::instance().release();
    m.m_ComCount = 0;
}

} // namespace

bool GxAudio::Initialize(bool use3D) {
    AudioModule& m = Module();
    GxMutexScopedLock lock(m.m_Lock);
    if (m.m_ComCount) Shutdown();
    m.Begin(use3D);
    m.listenerCone = {2.617994f, 5.759587f, 1.0f, 0.75f};
    // The process's output stands where the platform's component library was
    // initialised; it always opens (silently when there is no device).
    paudio::mixer* mixer = paudio::output_device::instance().acquire();
    m.m_ComCount = 1;
    m.engine = std::make_unique<paudio::voice_engine>(*mixer);
    paudio::output_details details;
    if (!m.engine->device_details(0, details)) {
        GxWriteWarningLog(u"Error/GxAudio MasteringVoiceの生成に失敗しました\n");
        GxWriteDeviceLog(u"XAudio2を初期化できませんでした\n");
        m.End();
        ReleaseDevice(m);
        return false;
    }
    if (use3D) {
        if (details.channels > 8) {
            GxWriteWarningLog(u"Error/GxAudio チャンネル数が多すぎます\n");
            m.End();
            ReleaseDevice(m);
            return false;
        }
        paudio::spatial_initialize(details.channel_mask, kSpeedOfSound, m.spatial);
        m.ApplyListener();
    }
    m.m_Ready = true;
    return true;
}

void GxAudio::Shutdown() {
    AudioModule& m = Module();
    GxMutexScopedLock lock(m.m_Lock);
    m.End();
    ReleaseDevice(m);
}

bool GxAudio::PlayStream(u32 channel, GxStringView file, s32 loop, u32 startMs, u32 fadeInMs, float volume, s32 pan,
                         u32 loopStartMs) {
    return Module().PlayStream(channel, file, loop, startMs, fadeInMs, volume, pan, loopStartMs);
}

bool GxAudio::PlayBGM(GxStringView file, s32 loop, u32 startMs, u32 fadeInMs, float volume, s32 pan,
                      u32 loopStartMs) {
    return Module().PlayBGM(file, loop, startMs, fadeInMs, volume, pan, loopStartMs);
}

bool GxAudio::StopStream(u32 channel) { return Module().StopStream(channel); }

bool GxAudio::FadeOutStream(u32 channel, u32 ms) { return Module().FadeOutStream(channel, ms); }

bool GxAudio::FadeOutBGM(u32 ms) { return Module().FadeOutBGM(ms); }

bool GxAudio::SetStreamVolume(u32 channel, float volume) { return Module().SetStreamVolume(channel, volume); }

bool GxAudio::IsStreamPlaying(u32 channel) { return Module().IsStreamPlaying(channel); }

bool GxAudio::PlayOneShot(u32* serial, GxStringView file, s32 loop, u32 startMs, u32 fadeInMs, float volume, s32 pan) {
    return Module().PlayOneShot(serial, file, [&](GxAudioPlayerStatic& player, GxWavData* data) {
        return player.PlayFromMemory(data, loop, 0, startMs, fadeInMs, volume, pan, 0);
    });
}

bool GxAudio::StopAllOneShots() { return Module().StopAllOneShots(); }

bool GxAudio::Update() { return Module().Update(); }

void GxAudio::Update3D() {
    AudioModule& m = Module();
    if (!m.m_Ready || !m.m_Use3D) return;
    m.ApplyListener();
    paudio::listener_3d listener;
    listener.front = GxToAudioVector(m.m_AppliedFront);
    listener.top = GxToAudioVector(m.m_AppliedTop);
    listener.position = GxToAudioVector(m.m_AppliedPosition);
    listener.velocity = GxToAudioVector(m.m_ListenerVelocity);
    listener.cone = &m.listenerCone;
    for (auto& p : m.m_Streams) p->Update3D(m.spatial, listener, paudio::calculate_matrix);
    for (auto& p : m.m_OneShots) p->Update3D(m.spatial, listener, paudio::calculate_matrix);
}

paudio::voice_engine* GxAudio::GetEngine() { return Module().engine.get(); }

GxAudioPlayerStream* GxAudio::GetStreamPlayer(u32 channel) {
    AudioModule& m = Module();
    return channel < AudioModule::kStreamChannels ? m.m_Streams[channel].get() : nullptr;
}

u32 GxAudio::GetOneShotCount() { return Module().GetOneShotCount(); }

GxSoundCache* GxAudio::GetCache() { return &Module().m_Cache; }
