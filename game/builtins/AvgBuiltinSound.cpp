#include "game/builtins/AvgBuiltinSound.h"

#include "game/GxGameSound.h"
#include "gamedata/GxDataLookup.h"
#include "gamedata/GxUserData.h"
#include "tasks/GxSystemConfig.h"

#include <algorithm>

namespace {

// A fade time below 0 would reach the stop as an unsigned time of days: the
// effect would go on while the game state says it stopped.
u32 StopFade(s32 ms) { return u32(std::max(ms, 0)); }

// Effect channel n: (sound name, fade time, loop value, loop start).
bool PlaySe(AvgBuiltinCall& call, s32 n) {
    const s32 fade = call.Int(1);
    if (!call.IsGiven(0)) {
        GxStopSe(n, StopFade(fade));
        return true;
    }
    GxString path = call.InFolder(kGxFolderSoundsSE, 0);
    if (!GxResolveSoundFile(path))
        return call.MissingFile(AvgBuiltinCall::Config().m_ErrorStopNotFound_SE, u"SEファイルが見つかりません[%s]", path);
    const s32 loop = call.Int(2, 1);
    const u32 loopStart = u32(u64(call.Int64(3)));
    GxPlaySe(n, path, loop, 0, fade, loopStart);
    return true;
}

// Voice channel n: (voice name), found in the first character's voice folder
// that has it and played at that character's volume.
bool PlayVoice(AvgBuiltinCall& call, s32 n) {
    if (!call.IsGiven(0)) {
        GxStopVoice(n, 0);
        return true;
    }
    GxString path = call.Str(0);
    const s32 charID = GxFindVoiceCharID(path);
    if (charID == 0)
        return call.MissingFile(AvgBuiltinCall::Config().m_ErrorStopNotFound_VO, u"ボイスファイルが見つかりません[%s]",
                                path);
    GxPlayVoice(n, path, charID);
    return true;
}

} // namespace

AVG_BUILTIN_DEFINE(AvgBuiltinSound, SE_0, 4) { return PlaySe(call, 0); }
AVG_BUILTIN_DEFINE(AvgBuiltinSound, SE_1, 4) { return PlaySe(call, 1); }
AVG_BUILTIN_DEFINE(AvgBuiltinSound, SE_2, 4) { return PlaySe(call, 2); }
AVG_BUILTIN_DEFINE(AvgBuiltinSound, SE_3, 4) { return PlaySe(call, 3); }

AVG_BUILTIN_DEFINE(AvgBuiltinSound, SE_WA, 2) {
    call.HoldUntilSoundEnds(&GxUserData::m_Hold_EndOfSE);
    return true;
}

AVG_BUILTIN_DEFINE(AvgBuiltinSound, VO_0, 1) { return PlayVoice(call, 0); }
AVG_BUILTIN_DEFINE(AvgBuiltinSound, VO_1, 1) { return PlayVoice(call, 1); }
AVG_BUILTIN_DEFINE(AvgBuiltinSound, VO_2, 1) { return PlayVoice(call, 2); }
AVG_BUILTIN_DEFINE(AvgBuiltinSound, VO_3, 1) { return PlayVoice(call, 3); }

AVG_BUILTIN_DEFINE(AvgBuiltinSound, VO_WA, 2) {
    call.HoldUntilSoundEnds(&GxUserData::m_Hold_EndOfVoice);
    // The message after the wait is logged without the voices just waited for.
    if (GxUserData* data = AvgBuiltinCall::UserData()) data->ClearCurrentVoices();
    return true;
}
