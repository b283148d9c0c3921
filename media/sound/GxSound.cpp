#include "media/sound/GxSound.h"

#include "base/GxLog.h"
#include "media/sound/GxSoundBackEnd.h"
#include "media/sound/GxSoundPlayerStatic.h"
#include "media/sound/GxSoundPlayerStream.h"
#include "platform/audio/buffer_device.h"
#include "platform/audio/output_device.h"

namespace {

struct SoundModule : GxSoundBackEnd<GxSoundPlayerStream, GxSoundPlayerStatic, s32> {
    std::unique_ptr<paudio::buffer_device> device;
    paudio::primary_buffer* primary = nullptr;
    paudio::sound_listener* listener = nullptr;
};

SoundModule& Module() {
    static SoundModule m;
    return m;
}

void ReleaseDevice(SoundModule& m) {
    m.listener = nullptr;
    if (m.primary) m.primary->release();
    m.primary = nullptr;
    m.device.reset();
    if (m.m_ComCount == 1) paudio::output_device::instance().release();
    m.m_ComCount = 0;
}

// A start-up step that failed: logged, everything released.
bool Fail(SoundModule& m, const GxChar* message) {
    GxWriteWarningLog(message);
    m.End();
    ReleaseDevice(m);
    return false;
}

void LogCaps(const paudio::device_caps& caps) {
    GxWriteDeviceLog(u"サウンドデバイスの能力情報\n");
    GxWriteDeviceLog(u"\t・Flags:0x%X\n", caps.flags);
    const struct {
        const GxChar* text;
        u32 flag;
    } flags[] = {
        {u"\t\t・DSCAPS_CERTIFIED:%d\n", paudio::caps_flag_certified},
        {u"\t\t・DSCAPS_CONTINUOUSRATE:%d\n", paudio::caps_flag_continuous_rate},
        {u"\t\t・DSCAPS_EMULDRIVER:%d\n", paudio::caps_flag_emulated},
        {u"\t\t・DSCAPS_PRIMARY16BIT:%d\n", paudio::caps_flag_primary_16bit},
        {u"\t\t・DSCAPS_PRIMARY8BIT:%d\n", paudio::caps_flag_primary_8bit},
        {u"\t\t・DSCAPS_PRIMARYMONO:%d\n", paudio::caps_flag_primary_mono},
        {u"\t\t・DSCAPS_PRIMARYSTEREO:%d\n", paudio::caps_flag_primary_stereo},
        {u"\t\t・DSCAPS_SECONDARY16BIT:%d\n", paudio::caps_flag_secondary_16bit},
        {u"\t\t・DSCAPS_SECONDARY8BIT:%d\n", paudio::caps_flag_secondary_8bit},
        {u"\t\t・DSCAPS_SECONDARYMONO:%d\n", paudio::caps_flag_secondary_mono},
        {u"\t\t・DSCAPS_SECONDARYSTEREO:%d\n", paudio::caps_flag_secondary_stereo},
    };
    for (const auto& f : flags) GxWriteDeviceLog(f.text, (caps.flags & f.flag) ? 1 : 0);
    const struct {
        const GxChar* text;
        u32 value;
    } values[] = {
        {u"\t・セカンダリバッファ最小サンプリングレート:%d\n", caps.min_secondary_rate},
        {u"\t・セカンダリバッファ最大サンプリングレート:%d\n", caps.max_secondary_rate},
        {u"\t・最大プライマリバッファ数:%d\n", caps.primary_buffers},
        {u"\t・最大ハードウェアミキシング数:%d\n", caps.max_hw_mixing_all},
        {u"\t・スタティックバッファ最大数:%d\n", caps.max_hw_mixing_static},
        {u"\t・ストリーミングバッファ最大数:%d\n", caps.max_hw_mixing_streaming},
        {u"\t・フリーの全バッファ数:%d\n", caps.free_hw_mixing_all},
        {u"\t・フリーのスタティックバッファ数:%d\n", caps.free_hw_mixing_static},
        {u"\t・フリーのストリーミングバッファ数:%d\n", caps.free_hw_mixing_streaming},
        {u"\t・３Ｄバッファ最大数:%d\n", caps.max_hw_3d_all},
        {u"\t・３Ｄスタティックバッファ最大数:%d\n", caps.max_hw_3d_static},
        {u"\t・３Ｄストリーミングバッファ最大数:%d\n", caps.max_hw_3d_streaming},
        {u"\t・フリーの全３Ｄバッファ数:%d\n", caps.free_hw_3d_all},
        {u"\t・フリーの３Ｄスタティックバッファ数:%d\n", caps.free_hw_3d_static},
        {u"\t・フリーの３Ｄストリーミングバッファ数:%d\n", caps.free_hw_3d_streaming},
        {u"\t・静的サウンドバッファメモリサイズ:%d Bytes\n", caps.total_hw_mem},
        {u"\t・サウンドカード空きメモリサイズ:%d Bytes\n", caps.free_hw_mem},
        {u"\t・空きメモリの最大連続ブロックサイズ:%d Bytes\n", caps.max_contig_free_hw_mem},
        {u"\t・バッファ転送速度:%d KBytes/Sec\n", caps.transfer_rate_kb},
        {u"\t・処理オーバーヘッド:%d %%\n", caps.cpu_overhead_percent},
    };
    for (const auto& v : values) GxWriteDeviceLog(v.text, v.value);
}

paudio::vec3 ToAudio(const GxVector3& v) { return GxToAudioVector(v); }

} // namespace

bool GxSound::Initialize(uintptr_t window, bool use3D) {
    SoundModule& m = Module();
    GxMutexScopedLock lock(m.m_Lock);
    if (m.m_ComCount) Shutdown();
    m.Begin(use3D);
    GxWriteDeviceLog(u"DirectSound8の初期化を開始します\n");
    paudio::mixer* mixer = paudio::output_device::instance().acquire();
    m.m_ComCount = 1;
    m.device = std::make_unique<paudio::buffer_device>(*mixer);
    paudio::device_caps caps;
    if (!m.device->get_caps(caps)) {
        GxWriteDeviceLog(u"DirectSound8を初期化できませんでした\n");
        return Fail(m, u"Error/GxSound DirectSound8::GetCapsに失敗しました\n");
    }
    LogCaps(caps);
    if (m.device->set_cooperative_level(window, paudio::cooperative_priority)) {
        GxWriteDeviceLog(u"\tDirectSound8のCooperativeLevelを DSSCL_PRIORITY に設定しました\n");
        if (!m.device->compact()) GxWriteWarningLog(u"Error/GxSound メモリ最適化に失敗しました\n");
    } else if (m.device->set_cooperative_level(window, paudio::cooperative_normal)) {
        GxWriteDeviceLog(u"\tDirectSound8のCooperativeLevelを DSSCL_NORMAL に設定しました\n");
    } else {
        return Fail(m, u"Error/GxSound CooperativeLevelの設定に失敗しました\n");
    }
    m.primary = m.device->create_primary_buffer(paudio::caps_primary | (use3D ? paudio::caps_ctrl_3d : 0u));
    if (!m.primary || (use3D && !m.primary->listener()))
        return Fail(m, u"Error/GxSound プライマリサウンドバッファ作成に失敗しました\n");
    if (use3D) {
        m.listener = m.primary->listener();
        m.listener->set_position(ToAudio(m.m_ListenerPosition), true);
        m.listener->set_orientation(ToAudio(m.m_ListenerFront), ToAudio(m.m_ListenerTop), true);
        m.listener->commit_deferred_settings();
    }
    GxWaveFormat primaryFormat;
    primaryFormat.format_tag = paudio::format_pcm;
    primaryFormat.channels = 2;
    primaryFormat.samples_per_sec = 44100;
    primaryFormat.avg_bytes_per_sec = 176400;
    primaryFormat.block_align = 4;
    primaryFormat.bits_per_sample = 16;
    if (!m.primary->set_format(primaryFormat))
        return Fail(m, u"Error/GxSound プライマリサウンドバッファのフォーマット設定に失敗しました\n");
    m.m_Ready = true;
    return true;
}

void GxSound::Shutdown() {
    SoundModule& m = Module();
    GxMutexScopedLock lock(m.m_Lock);
    m.End();
    ReleaseDevice(m);
}

bool GxSound::PlayStream(u32 channel, GxStringView file, s32 loop, u32 startMs, u32 fadeInMs, s32 volume, s32 pan,
                         u32 loopStartMs) {
    return Module().PlayStream(channel, file, loop, startMs, fadeInMs, volume, pan, loopStartMs);
}

bool GxSound::PlayBGM(GxStringView file, s32 loop, u32 startMs, u32 fadeInMs, s32 volume, s32 pan, u32 loopStartMs) {
    return Module().PlayBGM(file, loop, startMs, fadeInMs, volume, pan, loopStartMs);
}

bool GxSound::StopStream(u32 channel) { return Module().StopStream(channel); }

bool GxSound::FadeOutStream(u32 channel, u32 ms) { return Module().FadeOutStream(channel, ms); }

bool GxSound::FadeOutBGM(u32 ms) { return Module().FadeOutBGM(ms); }

bool GxSound::SetStreamVolume(u32 channel, s32 volume) { return Module().SetStreamVolume(channel, volume); }

bool GxSound::IsStreamPlaying(u32 channel) { return Module().IsStreamPlaying(channel); }

bool GxSound::PlayOneShot(u32* serial, GxStringView file, s32 loop, u32 startMs, u32 fadeInMs, s32 volume, s32 pan) {
    return Module().PlayOneShot(serial, file, [&](GxSoundPlayerStatic& player, GxWavData* data) {
        return player.PlayFromMemory3D(data, loop, 0, startMs, fadeInMs, volume, pan, 0, false,
                                       GxVector3(0.0f, 0.0f, 0.0f), GxVector3(0.0f, 0.0f, 1.0f));
    });
}

bool GxSound::StopAllOneShots() { return Module().StopAllOneShots(); }

bool GxSound::Update() { return Module().Update(); }

void GxSound::Update3D() {
    SoundModule& m = Module();
    if (!m.m_Ready || !m.m_Use3D || !m.listener) return;
    if (m.ApplyListener()) {
        m.listener->set_position(ToAudio(m.m_AppliedPosition), true);
        m.listener->set_orientation(ToAudio(m.m_AppliedFront), ToAudio(m.m_AppliedTop), true);
    }
    for (auto& p : m.m_Streams) p->Update3D();
    for (auto& p : m.m_OneShots) p->Update3D();
    m.listener->commit_deferred_settings();
}

paudio::buffer_device* GxSound::GetDevice() { return Module().device.get(); }

GxSoundPlayerStream* GxSound::GetStreamPlayer(u32 channel) {
    SoundModule& m = Module();
    return channel < SoundModule::kStreamChannels ? m.m_Streams[channel].get() : nullptr;
}

u32 GxSound::GetOneShotCount() { return Module().GetOneShotCount(); }

GxSoundCache* GxSound::GetCache() { return &Module().m_Cache; }
