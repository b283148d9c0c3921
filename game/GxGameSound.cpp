#include "game/GxGameSound.h"

#include "base/GxLog.h"
#include "base/GxRandom.h"
#include "base/GxStringUtil.h"
#include "gamedata/DBAvgChar.h"
#include "gamedata/DBSystemVoice.h"
#include "gamedata/GxDataLookup.h"
#include "gamedata/GxUserConfig.h"
#include "gamedata/GxUserData.h"
#include "media/movie/GxMovie.h"
#include "media/movie/GxMoviePlayerBase.h"
#include "media/sound/GxAudio.h"
#include "media/sound/GxSound.h"
#include "platform/system/clock.h"
#include "tasks/GxCoreBase.h"
#include "tasks/GxSystemConfig.h"
#include "ui/GxTaskUIBase.h"

#include <algorithm>
#include <cmath>
#include <type_traits>
#include <vector>

namespace {

constexpr s32 kRecordCount = 4;
constexpr u32 kSystemVoiceFadeMs = 200;
constexpr s32 kSystemVoiceFileCount = s32(std::extent_v<decltype(DBSystemVoiceRecord::VoiceFileName)>);
constexpr s32 kAttenuationStep = -96;

GxTestVoiceRecord g_TestVoice;
GxSubVoiceEntry g_SubVoices[kGxSubVoiceCount];

const GxSystemConfig& Config() {
    static const GxSystemConfig defaults;
    GxCoreBase* core = GxCoreBase::GetCoreBase();
    const GxSystemConfig* config = core ? core->GetSystemConfig() : nullptr;
    return config ? *config : defaults;
}

const GxUserConfig& Settings() {
    static const GxUserConfig defaults;
    const GxUserConfig* settings = GxUserConfig::Get();
    return settings ? *settings : defaults;
}

bool UseXAudio2() { return Config().m_UseXAudio2; }

// A volume in both back ends' forms; the service hands on the one in use.
struct Volume {
    f32 gain;
    s32 attenuation;
};

s32 Percent(s32 v) { return std::clamp(v, 0, 100); }

Volume BgmVolume() {
    const GxUserConfig& s = Settings();
    return {s.GetBGMVolumeLinear(), s.GetBGMVolume()};
}

Volume BgvVolume() {
    const GxUserConfig& s = Settings();
    const s32 product = Percent(s.m_Volume_BGV) * Percent(s.m_Volume_Master);
    const f64 curve = std::pow(f64(product / 100) / 100.0, 0.2);
    return {f32(f64(product) / 10000.0), s32(std::trunc(100.0 - 100.0 * curve)) * kAttenuationStep};
}

Volume SeVolume() {
    const GxUserConfig& s = Settings();
    return {f32(f64(s.m_Volume_Sound * s.m_Volume_Master) / 10000.0), s.GetSoundVolume()};
}

Volume SystemVoiceVolume() {
    const GxUserConfig& s = Settings();
    return {f32(f64(s.m_Volume_SystemVoice * s.m_Volume_Master) / 10000.0), s.GetSystemVoiceVolume()};
}

// The gain of a voice-volume slot; a slot outside the settings plays at the
// slot volume 100, as the attenuation does.
f32 SlotGain(s32 slot) {
    const GxUserConfig& s = Settings();
    const s32 voice = slot >= 0 && slot < GxUserConfig::kVoiceSlotCount ? s.m_Volume_Voice[slot] : 100;
    return f32(f64(s64(voice) * s.m_Volume_VoiceMaster * s.m_Volume_Master) / 1000000.0);
}

Volume SlotVoiceVolume(s32 slot) { return {SlotGain(slot), Settings().GetVoiceVolume(slot)}; }

Volume CharVoiceVolume(s32 charID) {
    const DBAvgCharRecord* character = g_DBAvgChar.GetRecord(charID);
    return {SlotGain(character ? character->VoiceVolumeID : -1), Settings().GetCharVoiceVolume(charID)};
}

bool PlayStream(u32 channel, GxStringView file, s32 loop, u32 startMs, u32 fadeInMs, Volume v, u32 loopStartMs) {
    if (UseXAudio2()) return GxAudio::PlayStream(channel, file, loop, startMs, fadeInMs, v.gain, 0, loopStartMs);
    return GxSound::PlayStream(channel, file, loop, startMs, fadeInMs, v.attenuation, 0, loopStartMs);
}

bool StopStream(u32 channel) { return UseXAudio2() ? GxAudio::StopStream(channel) : GxSound::StopStream(channel); }

bool FadeOutStream(u32 channel, u32 ms) {
    return UseXAudio2() ? GxAudio::FadeOutStream(channel, ms) : GxSound::FadeOutStream(channel, ms);
}

bool SetStreamVolume(u32 channel, Volume v) {
    return UseXAudio2() ? GxAudio::SetStreamVolume(channel, v.gain) : GxSound::SetStreamVolume(channel, v.attenuation);
}

bool IsPlaying(u32 channel) {
    return UseXAudio2() ? GxAudio::IsStreamPlaying(channel) : GxSound::IsStreamPlaying(channel);
}

bool AnyPlaying(u32 first, u32 last) {
    for (u32 channel = first; channel <= last; ++channel)
        if (IsPlaying(channel)) return true;
    return false;
}

void SetVolumeWhilePlaying(u32 channel, Volume v) {
    if (IsPlaying(channel)) SetStreamVolume(channel, v);
}

// A fade-in time below 0 would reach the back end as an unsigned time of
// days: the sound would never be heard.
u32 FadeTime(s32 ms) { return u32(std::max(ms, 0)); }

bool ValidRecord(s32 n) { return n >= 0 && n < kRecordCount; }

GxSoundParam* BgmRecord() {
    GxUserData* data = GxUserData::Get();
    return data ? &data->m_BGMParam : nullptr;
}
GxSoundParam* BgvRecord() {
    GxUserData* data = GxUserData::Get();
    return data ? &data->m_BGVParam : nullptr;
}
GxSoundParam* SeRecord(s32 n) {
    GxUserData* data = GxUserData::Get();
    return data ? &data->m_SEParam[n] : nullptr;
}
GxSoundParam* VoiceRecord(s32 n) {
    GxUserData* data = GxUserData::Get();
    return data ? &data->m_VoiceParam[n] : nullptr;
}

// The file may be the record's own name (a loaded game plays what its
// records hold): callers play the name Remember returns, which outlives the
// record's old one.
GxString Remember(GxSoundParam* record, GxStringView file, s32 loop, u32 startMs, s32 fadeInMs, u32 loopStartMs) {
    GxString name(file);
    if (!record) return name;
    record->m_FileName = name;
    record->m_Loop = loop;
    record->m_StartSeekPosTime = startMs;
    record->m_FadeInTime = fadeInMs;
    record->m_LoopPosTime = loopStartMs;
    return name;
}

void Forget(GxSoundParam* record) {
    if (record) record->Clear();
}

} // namespace

bool GxPlayBgm(GxStringView file, s32 loop, u32 startMs, s32 fadeInMs, u32 loopStartMs, bool checkSame) {
    GxSoundParam* record = BgmRecord();
    if (checkSame && record && record->m_FileName == file) return true;
    const GxString name = Remember(record, file, loop, startMs, fadeInMs, loopStartMs);
    const Volume v = BgmVolume();
    if (UseXAudio2()) return GxAudio::PlayBGM(name, loop - 1, startMs, FadeTime(fadeInMs), v.gain, 0, loopStartMs);
    return GxSound::PlayBGM(name, loop - 1, startMs, FadeTime(fadeInMs), v.attenuation, 0, loopStartMs);
}

bool GxPlayBgv(GxStringView file, s32 loop, u32 startMs, s32 fadeInMs, u32 loopStartMs) {
    const GxString name = Remember(BgvRecord(), file, loop, startMs, fadeInMs, loopStartMs);
    return PlayStream(kGxChannelBgv, name, loop - 1, startMs, FadeTime(fadeInMs), BgvVolume(), loopStartMs);
}

bool GxPlaySe(s32 n, GxStringView file, s32 loop, u32 startMs, s32 fadeInMs, u32 loopStartMs) {
    if (!ValidRecord(n)) return false;
    const GxString name = Remember(SeRecord(n), file, loop, startMs, fadeInMs, loopStartMs);
    StopStream(kGxChannelSe0 + u32(n));
    return PlayStream(kGxChannelSe0 + u32(n), name, loop - 1, startMs, FadeTime(fadeInMs), SeVolume(), loopStartMs);
}

bool GxPlaySeTest(GxStringView file) {
    StopStream(kGxChannelSeTest);
    return PlayStream(kGxChannelSeTest, file, 0, 0, 0, SeVolume(), 0);
}

bool GxPlayVoice(s32 n, GxStringView file, s32 charID) {
    if (!ValidRecord(n)) return false;
    GxSoundParam* record = VoiceRecord(n);
    const GxString name = Remember(record, file, 1, 0, 0, 0);
    if (record) record->m_CharID = charID;
    StopStream(kGxChannelVoice0 + u32(n));
    return PlayStream(kGxChannelVoice0 + u32(n), name, 0, 0, 0, CharVoiceVolume(charID), 0);
}

bool GxReplayCurrentVoice(s32 n) {
    const GxSoundParam* record = ValidRecord(n) ? VoiceRecord(n) : nullptr;
    if (!record || record->m_FileName.empty()) return false;
    return PlayStream(kGxChannelVoice0 + u32(n), record->m_FileName, 0, 0, 0, CharVoiceVolume(record->m_CharID), 0);
}

bool GxPlayLogVoice(s32 n, GxStringView file, s32 charID) {
    if (!ValidRecord(n)) return false;
    return PlayStream(kGxChannelVoice0 + u32(n), file, 0, 0, 0, CharVoiceVolume(charID), 0);
}

bool GxPlayVoiceTest(GxStringView file, s32 voiceVolumeID) {
    g_TestVoice.m_FileName = GxString(file);
    g_TestVoice.m_Started = 1;
    g_TestVoice.m_VoiceVolumeID = voiceVolumeID;
    g_TestVoice.m_StartTime = u32(psys::now_ms());
    return PlayStream(kGxChannelVoiceTest, file, 0, 0, 0, SlotVoiceVolume(voiceVolumeID), 0);
}

void GxPlaySystemVoice(s32 id) {
    const GxUserConfig& settings = Settings();
    if (id == 0 || !settings.m_UseSystemVoice) return;
    if (id < 1 || id >= kSystemVoiceFileCount) return;
    std::vector<GxString> candidates;
    for (s32 k = 0; k < GxUserConfig::kVoiceSlotCount && k < DBSystemVoice::kCapacity; ++k) {
        const DBSystemVoiceRecord* record = g_DBSystemVoice.GetRecord(k);
        if (!settings.m_SystemVoice_Activated[k] || !record || record->VoiceFileName[id].empty()) continue;
        candidates.push_back(GxCombinePath(record->VoicePath, record->VoiceFileName[id]));
    }
    if (candidates.empty()) return;
    const GxString picked = candidates[GxRandom::Default().Range(s32(candidates.size()))];
    GxString file = picked;
    if (GxResolveSoundFile(file)) {
        PlayStream(kGxChannelSystemVoice, file, 0, 0, 0, SystemVoiceVolume(), 0);
    } else if (Config().m_ErrorStopNotFound_VO) {
        GxWriteErrorLog(u"システムボイスが見つかりません SystemVoiceID=%d (%s)\n", id, picked);
    }
}

bool GxPlaySystemVoiceTest(GxStringView file) {
    return PlayStream(kGxChannelSystemVoiceTest, file, 0, 0, 0, SystemVoiceVolume(), 0);
}

bool GxPlaySystemSound(s32 systemSoundID, s32 systemVoiceID) {
    if (systemSoundID == 0) FadeOutStream(kGxChannelSystemVoice, kSystemVoiceFadeMs);
    GxPlaySystemVoice(systemVoiceID);
    if (systemSoundID == -1) return true;
    // Only the configured interface sounds exist; any other number names
    // nothing to play.
    if (systemSoundID < 0 || systemSoundID >= GxSystemConfig::kSystemSoundCount) return false;
    const GxString& file = Config().m_SystemSoundFiles[systemSoundID];
    const Volume v = SeVolume();
    if (UseXAudio2()) return GxAudio::PlayOneShot(nullptr, file, 0, 0, 0, v.gain, 0);
    return GxSound::PlayOneShot(nullptr, file, 0, 0, 0, v.attenuation, 0);
}

void GxPlayButtonSound(GxTaskBase* widget) {
    const GxTaskUIBase* w = GxTaskUIBase::FromTask(widget);
    if (w && (widget->TypeBits & kGxTypeUIButton)) GxPlaySystemSound(w->GetSystemSoundID(), 0);
}

bool GxStopBgm(u32 fadeMs) {
    Forget(BgmRecord());
    return UseXAudio2() ? GxAudio::FadeOutBGM(fadeMs) : GxSound::FadeOutBGM(fadeMs);
}

bool GxStopBgv(u32 fadeMs) {
    Forget(BgvRecord());
    return FadeOutStream(kGxChannelBgv, fadeMs);
}

bool GxStopSe(s32 n, u32 fadeMs) {
    if (!ValidRecord(n)) return false;
    Forget(SeRecord(n));
    return FadeOutStream(kGxChannelSe0 + u32(n), fadeMs);
}

bool GxStopAllSe() {
    for (s32 n = 0; n < kRecordCount; ++n) GxStopSe(n, 0);
    return true;
}

bool GxStopVoice(s32 n, u32 fadeMs) {
    if (!ValidRecord(n)) return false;
    Forget(VoiceRecord(n));
    return FadeOutStream(kGxChannelVoice0 + u32(n), fadeMs);
}

bool GxStopAllVoices() {
    for (s32 n = 0; n < kRecordCount; ++n) GxStopVoice(n, 0);
    return true;
}

bool GxFadeOutVoices(u32 fadeMs) {
    for (s32 n = 0; n < kRecordCount; ++n) FadeOutStream(kGxChannelVoice0 + u32(n), fadeMs);
    return true;
}

bool GxStopAllSubVoices() {
    // The last extra channel is left to the test sounds.
    for (int i = 0; i + 1 < kGxSubVoiceCount; ++i) FadeOutStream(kGxChannelSubVoice0 + u32(i), 0);
    GxClearSubVoiceTable();
    return true;
}

void GxClearSubVoiceTable() {
    for (GxSubVoiceEntry& e : g_SubVoices) e = GxSubVoiceEntry();
}

bool GxStopTestSounds() {
    for (u32 channel : {kGxChannelBgvSub, kGxChannelSeTest, kGxChannelVoiceTest, kGxChannelSystemVoiceTest,
                        kGxChannelSubVoice0 + u32(kGxSubVoiceCount - 1)})
        StopStream(channel);
    g_TestVoice = GxTestVoiceRecord();
    return true;
}

bool GxStopAllOneShots() { return UseXAudio2() ? GxAudio::StopAllOneShots() : GxSound::StopAllOneShots(); }

void GxApplyBgmVolume() {
    // During a cross-fade only the piece on channel 0 takes the new volume.
    if (IsPlaying(kGxChannelBgm0))
        SetStreamVolume(kGxChannelBgm0, BgmVolume());
    else if (IsPlaying(kGxChannelBgm1))
        SetStreamVolume(kGxChannelBgm1, BgmVolume());
}

void GxApplyBgvVolume(bool mute) {
    const Volume v = mute ? Volume{0.0f, Settings().GetBGVVolume(true)} : BgvVolume();
    SetVolumeWhilePlaying(kGxChannelBgv, v);
    SetVolumeWhilePlaying(kGxChannelBgvSub, v);
}

void GxApplySeVolume() {
    for (u32 channel = kGxChannelSe0; channel <= kGxChannelSeTest; ++channel)
        SetVolumeWhilePlaying(channel, SeVolume());
}

void GxApplyVoiceVolume() {
    for (s32 n = 0; n < kRecordCount; ++n) {
        const GxSoundParam* record = VoiceRecord(n);
        SetVolumeWhilePlaying(kGxChannelVoice0 + u32(n), CharVoiceVolume(record ? record->m_CharID : 0));
    }
    SetVolumeWhilePlaying(kGxChannelVoiceTest, SlotVoiceVolume(std::max(g_TestVoice.m_VoiceVolumeID, 0)));
}

void GxApplySystemVoiceVolume() {
    SetVolumeWhilePlaying(kGxChannelSystemVoice, SystemVoiceVolume());
    SetVolumeWhilePlaying(kGxChannelSystemVoiceTest, SystemVoiceVolume());
}

void GxApplySubVoiceVolume() {
    for (int i = 0; i < kGxSubVoiceCount; ++i)
        SetVolumeWhilePlaying(kGxChannelSubVoice0 + u32(i), SlotVoiceVolume(std::max(g_SubVoices[i].m_VoiceVolumeID, 0)));
}

void GxApplyMovieVolume() {
    // The DirectSound-style volume on either back end: the movies' sound has
    // its own path into the mixer.
    for (GxMoviePlayerBase* player : GxMoviePlayerSlots)
        if (player && player->IsPlaying()) player->SetVolume(Settings().GetMovieVolume());
}

bool GxIsBgmPlaying() { return AnyPlaying(kGxChannelBgm0, kGxChannelBgm1); }
bool GxIsBgvPlaying() { return AnyPlaying(kGxChannelBgv, kGxChannelBgvSub); }
bool GxIsSePlaying() { return AnyPlaying(kGxChannelSe0, kGxChannelSeTest); }
bool GxIsVoicePlaying() { return AnyPlaying(kGxChannelVoice0, kGxChannelVoiceTest); }

void GxResetSoundState() {
    GxSetBGMRestraintLevel(100);
    GxClearSubVoiceTable();
    g_TestVoice = GxTestVoiceRecord();
}

const GxTestVoiceRecord& GxGetTestVoiceRecord() { return g_TestVoice; }

GxSubVoiceEntry* GxGetSubVoiceEntry(int index) {
    return index >= 0 && index < kGxSubVoiceCount ? &g_SubVoices[index] : nullptr;
}
