#include "game/builtins/AvgBuiltinMusic.h"

#include "game/GxGameSound.h"
#include "gamedata/GxDataLookup.h"
#include "gamedata/GxUserData.h"
#include "tasks/GxSystemConfig.h"

#include <algorithm>

namespace {

// A fade time below 0 would reach the stop as an unsigned time of days: the
// music would go on while the game state says it stopped.
u32 StopFade(s32 ms) { return u32(std::max(ms, 0)); }

} // namespace

AVG_BUILTIN_DEFINE(AvgBuiltinMusic, BGM, 5) {
    const s32 fade = call.Int32(1, 0);
    if (!call.IsGiven(0)) {
        GxStopBgm(StopFade(fade));
        return true;
    }
    GxString path = call.InFolder(kGxFolderBGMs, 0);
    if (!GxResolveSoundFile(path))
        return call.MissingFile(AvgBuiltinCall::Config().m_ErrorStopNotFound_BGM, u"BGMファイルが見つかりません[%s]",
                                path);
    const s32 loop = call.Int(2);
    const u32 loopStart = call.IsGiven(3) ? u32(call.Int32(3, 0)) : GxGetBGMLoopPosTime(path);
    const bool keepSame = call.Int(4) != 0;
    GxPlayBgm(path, loop, 0, fade, loopStart, keepSame);
    return true;
}

AVG_BUILTIN_DEFINE(AvgBuiltinMusic, BGM_WA, 2) {
    call.HoldUntilSoundEnds(&GxUserData::m_Hold_EndOfBGM);
    return true;
}

AVG_BUILTIN_DEFINE(AvgBuiltinMusic, BGV, 4) {
    const s32 fade = call.Int32(1, 0);
    if (!call.IsGiven(0)) {
        GxStopBgv(StopFade(fade));
        return true;
    }
    GxString path = call.InFolder(kGxFolderSoundsBGV, 0);
    if (!GxResolveSoundFile(path))
        return call.MissingFile(AvgBuiltinCall::Config().m_ErrorStopNotFound_BGV, u"BGVファイルが見つかりません[%s]",
                                path);
    GxPlayBgv(path, call.Int(2), 0, fade, u32(u64(call.Int64(3))));
    return true;
}

AVG_BUILTIN_DEFINE(AvgBuiltinMusic, BGV_WA, 2) {
    call.HoldUntilSoundEnds(&GxUserData::m_Hold_EndOfBGV);
    return true;
}
