#include "game/builtins/AvgBuiltinMusic.h"

#include "game/GxGameSound.h"
#include "gamedata/GxDataLookup.h"
#include "gamedata/GxUserData.h"
#include "tasks/GxSystemConfig.h"

#include <algorithm>

namespace {

// A fade time below 0 would reach the stop as an unsigned time of days: the
// sound would go on while the game state says it stopped.
u32 StopFade(s32 ms) { return u32(std::max(ms, 0)); }

// (file, fade time, ...): no file stops with the fade; a file found in the
// folder is played with the fade; a missing one follows the switch.
template <class Stop, class Play>
bool StopOrPlay(AvgBuiltinCall& call, GxSystemFolder folder, bool stopSwitch, const GxChar* missing, Stop stop,
                Play play) {
    const s32 fade = call.Int32(1, 0);
    if (!call.IsGiven(0)) {
        stop(StopFade(fade));
        return true;
    }
    GxString path = call.InFolder(folder, 0);
    if (!GxResolveSoundFile(path)) return call.MissingFile(stopSwitch, missing, path);
    play(path, fade);
    return true;
}

} // namespace

AVG_BUILTIN_DEFINE(AvgBuiltinMusic, BGM, 5) {
    const GxSystemConfig& config = AvgBuiltinCall::Config();
    return StopOrPlay(call, kGxFolderBGMs, config.m_ErrorStopNotFound_BGM, u"BGMファイルが見つかりません[%s]", GxStopBgm,
                      [&](const GxString& path, s32 fade) {
                          const s32 loop = call.Int(2);
                          const u32 loopStart = call.IsGiven(3) ? u32(call.Int32(3, 0)) : GxGetBGMLoopPosTime(path);
                          const bool keepSame = call.Int(4) != 0;
                          GxPlayBgm(path, loop, 0, fade, loopStart, keepSame);
                      });
}

AVG_BUILTIN_DEFINE(AvgBuiltinMusic, BGM_WA, 2) {
    call.HoldUntilSoundEnds(&GxUserData::m_Hold_EndOfBGM);
    return true;
}

AVG_BUILTIN_DEFINE(AvgBuiltinMusic, BGV, 4) {
    const GxSystemConfig& config = AvgBuiltinCall::Config();
    return StopOrPlay(call, kGxFolderSoundsBGV, config.m_ErrorStopNotFound_BGV, u"BGVファイルが見つかりません[%s]",
                      GxStopBgv, [&](const GxString& path, s32 fade) {
                          GxPlayBgv(path, call.Int(2), 0, fade, u32(u64(call.Int64(3))));
                      });
}

AVG_BUILTIN_DEFINE(AvgBuiltinMusic, BGV_WA, 2) {
    call.HoldUntilSoundEnds(&GxUserData::m_Hold_EndOfBGV);
    return true;
}
