// Any bytes as "userconf.dat": whatever loads, every volume, the page, the
// last slot, the opacity and the worker count end up in their ranges.
#include "fuzz/io/memory_file.h"
#include "gamedata/GxUserConfig.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1u << 20) return 0;
    qfuzz::MemoryFile file(data, size);
    if (!file.Ok()) return 0;
    GxUserConfig config;
    config.Load(file.Path());
    const s32 volumes[] = {config.m_Volume_Master, config.m_Volume_BGM,         config.m_Volume_BGV,
                           config.m_Volume_System, config.m_Volume_Sound,       config.m_Volume_Movie,
                           config.m_Volume_RestrainBGM, config.m_Volume_VoiceMaster, config.m_Volume_SystemVoice};
    for (s32 v : volumes)
        if (v < 0 || v > 100) std::abort();
    for (s32 v : config.m_Volume_Voice)
        if (v < 0 || v > 100) std::abort();
    if (config.m_AsyncThreadNum < 1 || config.m_AsyncThreadNum > 6) std::abort();
    if (config.m_GameDataPage < 0 || config.m_GameDataPage > 9) std::abort();
    if (config.m_TextWindowOpacity < 0 || config.m_TextWindowOpacity > 255) std::abort();
    const s32 attenuations[] = {config.GetBGMVolume(), config.GetBGVVolume(false), config.GetSoundVolume(),
                                config.GetVoiceVolume(31), config.GetCharVoiceVolume(79)};
    for (s32 a : attenuations)
        if (a > 0 || a < -9600) std::abort();
    return 0;
}
