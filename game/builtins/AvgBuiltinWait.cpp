#include "game/builtins/AvgBuiltinWait.h"

#include "gamedata/GxUserData.h"
#include "layers/GxTaskTreeWalkers.h"

namespace {

// A click always ends the click wait.
constexpr s32 kWaitByClick = 2;

} // namespace

AVG_BUILTIN_DEFINE(AvgBuiltinWait, WA_CLICK, 2) {
    const s32 flags = call.WaitFlags(1);
    call.HideWindowIfAsked(0);
    if (GxUserData* data = AvgBuiltinCall::UserData()) data->m_Hold_WaitClick = flags | kWaitByClick;
    return true;
}

AVG_BUILTIN_DEFINE(AvgBuiltinWait, WA_TIME, 3) {
    const s32 time = call.Int32(0, 0);
    const s32 flags = call.WaitFlags(2);
    call.HideWindowIfAsked(1);
    if (GxUserData* data = AvgBuiltinCall::UserData()) {
        data->m_Hold_WaitTime = flags;
        data->m_Hold_WaitTime_TimeLeft = time;
    }
    return true;
}

AVG_BUILTIN_DEFINE(AvgBuiltinWait, WA_LAYER, 2) {
    const s32 flags = call.WaitFlags(1);
    // Nothing moving or fading: no hold, and the window stays as it is.
    GxTaskBase* visual = AvgBuiltinCall::FindTask(u"$VISUAL:SeqAvgMain");
    if (!visual || !(GxIsActorActionTree(visual) || GxIsLayerTransitTree(visual))) return true;
    call.HideWindowIfAsked(0);
    if (GxUserData* data = AvgBuiltinCall::UserData()) data->m_Hold_EndOfLayerActionAll = flags;
    return true;
}
