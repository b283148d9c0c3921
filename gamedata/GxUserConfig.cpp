#include "gamedata/GxUserConfig.h"

#include "base/GxLog.h"
#include "base/GxVector.h"
#include "gamedata/DBAvgChar.h"
#include "gamedata/GxPersistFile.h"
#include "gamedata/GxStoredFields.h"
#include "io/GxContentReaderBase.h"
#include "io/GxContentWriterBase.h"
#include "tasks/GxCoreBase.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>

namespace {

GxUserConfig* g_UserConfig = nullptr;
std::atomic<s32> g_BGMRestraintLevel{100};

constexpr const char* kMagic = "BCD";
constexpr s32 kAttenuationStep = -96;

// The stored values in file order, each handed to f with its name.
template <class Config, class F>
void VisitStored(Config& c, F&& f) {
    f("m_ScreenMode", c.m_ScreenMode);
    f("m_TextWaitTime", c.m_TextWaitTime);
    f("m_TextLongWaitTime", c.m_TextLongWaitTime);
    f("m_AutoWaitTime", c.m_AutoWaitTime);
    f("m_TextWindowOpacity", c.m_TextWindowOpacity);
    f("m_AllowSkipUnreadText", c.m_AllowSkipUnreadText);
    f("m_FastShowReadedText", c.m_FastShowReadedText);
    f("m_ChangeColorReadedText", c.m_ChangeColorReadedText);
    f("m_ChangeColorSelectedMenu", c.m_ChangeColorSelectedMenu);
    f("m_KeepAutoModeAfterSelect", c.m_KeepAutoModeAfterSelect);
    f("m_KeepSkipModeAfterSelect", c.m_KeepSkipModeAfterSelect);
    f("m_StopScreenSaver", c.m_StopScreenSaver);
    f("m_VoiceStopTiming", c.m_VoiceStopTiming);
    f("m_WaitVoiceEndOnAutoMode", c.m_WaitVoiceEndOnAutoMode);
    f("m_NoVoiceSkipMode", c.m_NoVoiceSkipMode);
    f("m_UseSystemVoice", c.m_UseSystemVoice);
    f("m_SoundEngineMode", c.m_SoundEngineMode);
    f("m_GameDataPage", c.m_GameDataPage);
    f("m_LastGameDataFileNum", c.m_LastGameDataFileNum);
    f("m_Volume_Master", c.m_Volume_Master);
    f("m_Volume_BGM", c.m_Volume_BGM);
    f("m_Volume_BGV", c.m_Volume_BGV);
    f("m_Volume_System", c.m_Volume_System);
    f("m_Volume_Sound", c.m_Volume_Sound);
    f("m_Volume_Movie", c.m_Volume_Movie);
    f("m_Volume_RestrainBGM", c.m_Volume_RestrainBGM);
    f("m_Volume_VoiceMaster", c.m_Volume_VoiceMaster);
    f("m_Volume_SystemVoice", c.m_Volume_SystemVoice);
    for (int i = 0; i < GxUserConfig::kVoiceSlotCount; ++i) {
        f("m_Volume_Voice", c.m_Volume_Voice[i]);
        f("m_SystemVoice_Activated", c.m_SystemVoice_Activated[i]);
    }
    f("m_AsyncThreadNum", c.m_AsyncThreadNum);
}

// Brings a loaded value into its range, with one log line when it was not.
void ClampSetting(const char* name, s32& value, s32 low, s32 high) {
    if (value >= low && value <= high) return;
    GxWriteErrorLog(u"GxUserConfig::Load/範囲外の設定値を補正しました(%S=%d)\n", name, value);
    value = std::clamp(value, low, high);
}

} // namespace

GxUserConfig* GxUserConfig::Get() { return g_UserConfig; }
void GxUserConfig::Set(GxUserConfig* config) {
    g_UserConfig = config;
    GxMessageSettingsBase::Set(config);
}

s32 GxGetBGMRestraintLevel() { return g_BGMRestraintLevel.load(); }
void GxSetBGMRestraintLevel(s32 level) { g_BGMRestraintLevel.store(std::clamp(level, 0, 100)); }

GxUserConfig::GxUserConfig(GxCoreBase* core) : m_Core(core) { SetDefault(); }

void GxUserConfig::SetDefault() {
    m_ScreenMode = 0;
    m_TextWaitTime = 60;
    m_TextLongWaitTime = 480;
    m_AutoWaitTime = 3000;
    m_TextWindowOpacity = 255;
    m_AllowSkipUnreadText = false;
    m_FastShowReadedText = true;
    m_ChangeColorReadedText = true;
    m_ChangeColorSelectedMenu = true;
    m_KeepAutoModeAfterSelect = false;
    m_KeepSkipModeAfterSelect = false;
    m_StopScreenSaver = true;
    m_VoiceStopTiming = false;
    m_WaitVoiceEndOnAutoMode = true;
    m_NoVoiceSkipMode = false;
    m_UseSystemVoice = true;
    m_SoundEngineMode = 0;
    m_SoundEngineModeInEffect = 0;
    m_Volume_Master = 100;
    m_Volume_BGM = 80;
    m_Volume_BGV = 100;
    m_Volume_System = 100;
    m_Volume_Sound = 100;
    m_Volume_Movie = 100;
    m_Volume_RestrainBGM = 100;
    m_Volume_VoiceMaster = 100;
    m_Volume_SystemVoice = 100;
    std::fill(std::begin(m_Volume_Voice), std::end(m_Volume_Voice), 100);
    std::fill(std::begin(m_SystemVoice_Activated), std::end(m_SystemVoice_Activated), true);
    m_AsyncThreadNum = 2;
}

GxString GxUserConfig::GetFilePath() const {
    const GxCoreBase* core = m_Core ? m_Core : GxCoreBase::GetCoreBase();
    return (core ? core->GetSaveDir() : GxString()) + u"userconf.dat";
}

bool GxUserConfig::Save() {
    GxCoreBase* core = m_Core ? m_Core : GxCoreBase::GetCoreBase();
    return GxPersistFile::Write(GetFilePath(), true, kMagic, u"GxUserConfig::Save", [&](GxContentWriterBase& w) {
        const bool ok = GxWriteFields(w, [&](auto&& f) { VisitStored(*this, f); });
        return (!core || core->CallModulesWriteUserConfig(&w)) && ok;
    }, &m_Known);
}

bool GxUserConfig::Load(const GxString& path) {
    GxBinBuffer buffer;
    // The settings file is always binary, whatever its first byte.
    std::unique_ptr<GxContentReaderBase> reader =
        GxPersistFile::Open(path, &buffer, nullptr, kMagic, u"GxUserConfig::Load", &m_Known);
    if (!reader) return false;
    GxReadFields(*reader, [&](auto&& f) { VisitStored(*this, f); });
    m_SoundEngineModeInEffect = m_SoundEngineMode;
    m_AsyncThreadNum = std::clamp(m_AsyncThreadNum, 1, 6);
    ClampLoadedValues();
    GxCoreBase* core = m_Core ? m_Core : GxCoreBase::GetCoreBase();
    const bool modulesOk = !core || core->CallModulesReadUserConfig(reader.get());
    const bool whole = modulesOk && reader->GetErrorCount() == 0;
    if (!whole) m_Known.MarkUnread(path);
    return whole;
}

void GxUserConfig::ClampLoadedValues() {
    // Volumes reach the mixer as they stand, the page and the slot name save
    // files, the opacity is a byte, the waits are times: a damaged file must
    // not carry any of them out of range.
    const std::pair<const char*, s32*> volumes[] = {
        {"m_Volume_Master", &m_Volume_Master},         {"m_Volume_BGM", &m_Volume_BGM},
        {"m_Volume_BGV", &m_Volume_BGV},               {"m_Volume_System", &m_Volume_System},
        {"m_Volume_Sound", &m_Volume_Sound},           {"m_Volume_Movie", &m_Volume_Movie},
        {"m_Volume_RestrainBGM", &m_Volume_RestrainBGM}, {"m_Volume_VoiceMaster", &m_Volume_VoiceMaster},
        {"m_Volume_SystemVoice", &m_Volume_SystemVoice},
    };
    for (const auto& [name, value] : volumes) ClampSetting(name, *value, 0, 100);
    for (s32& v : m_Volume_Voice) ClampSetting("m_Volume_Voice", v, 0, 100);
    ClampSetting("m_TextWindowOpacity", m_TextWindowOpacity, 0, 255);
    // The configuration scene shows the waits negated; the long wait is
    // eight text waits.
    ClampSetting("m_TextWaitTime", m_TextWaitTime, 0, INT32_MAX / 8);
    ClampSetting("m_TextLongWaitTime", m_TextLongWaitTime, 0, INT32_MAX);
    ClampSetting("m_AutoWaitTime", m_AutoWaitTime, 0, INT32_MAX);
    ClampSetting("m_GameDataPage", m_GameDataPage, 0, kSavePageCount - 1);
    ClampSetting("m_LastGameDataFileNum", m_LastGameDataFileNum, -1, kSaveSlotCount);
}

s32 GxUserConfig::ToAttenuation(s64 percent) {
    const f32 p = GxPow(f32(std::clamp<s64>(percent, 0, 100)) / 100.0f, 0.2f);
    return s32(std::trunc(100.0f - 100.0f * p)) * kAttenuationStep;
}

namespace {
// The BGM's share before the master volume: the restraint level blends the
// plain BGM volume with the restrained one.
f32 BlendedBGM(const GxUserConfig& c) {
    const f32 r = f32(GxGetBGMRestraintLevel()) / 100.0f;
    const f32 b = f32(c.m_Volume_BGM);
    const f32 t = f32(c.m_Volume_RestrainBGM) * b / 100.0f / 100.0f;
    return r * (b / 100.0f) + t * (1.0f - r);
}
} // namespace

s32 GxUserConfig::GetBGMVolume() const {
    const s64 v = s64(std::trunc(BlendedBGM(*this) * 100.0f)) * m_Volume_Master / 100;
    return ToAttenuation(v);
}

f32 GxUserConfig::GetBGMVolumeLinear() const {
    return BlendedBGM(*this) * 100.0f * f32(m_Volume_Master) / 10000.0f;
}

s32 GxUserConfig::GetBGVVolume(bool mute) const {
    return mute ? ToAttenuation(0) : OfMaster(m_Volume_BGV);
}

s32 GxUserConfig::GetSoundVolume() const { return OfMaster(m_Volume_Sound); }
s32 GxUserConfig::GetMovieVolume() const { return OfMaster(m_Volume_Movie); }
s32 GxUserConfig::GetSystemVoiceVolume() const { return OfMaster(m_Volume_SystemVoice); }

s32 GxUserConfig::OfMaster(s32 channel) const { return ToAttenuation(s64(channel) * m_Volume_Master / 100); }

s32 GxUserConfig::GetVoiceVolume(s32 slot) const {
    const s32 voice = slot >= 0 && slot < kVoiceSlotCount ? m_Volume_Voice[slot] : 100;
    return ToAttenuation((s64(voice) * m_Volume_VoiceMaster * m_Volume_Master / 100) / 100);
}

s32 GxUserConfig::GetCharVoiceVolume(s32 charID) const {
    const DBAvgCharRecord* character = g_DBAvgChar.GetRecord(charID);
    return GetVoiceVolume(character ? character->VoiceVolumeID : -1);
}
