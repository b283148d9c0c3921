#include "game/builtins/AvgBuiltinScreen.h"

#include "base/GxFColor.h"
#include "game/GxGameModule.h"
#include "layers/GxActorActions.h"
#include "layers/GxTaskLayer.h"
#include "tasks/GxSystemConfig.h"

// The screen effects never stop the script, not even when the scene's layer
// is missing (it is reported).
namespace {

constexpr const GxChar* kVisual = u"$VISUAL:SeqAvgMain";
constexpr const GxChar* kFlash = u"$GLOBALFLASH:SeqAvgMain";
constexpr u32 kWhite = 0xFFFFFF;

s32 ScreenEffectTime() { return AvgBuiltinCall::Config().m_ScreenEffectTime; }

} // namespace

// A running fade holds the script by itself: the main scene does not step
// while the fade layer still acts.
AVG_BUILTIN_DEFINE(AvgBuiltinScreen, FIN, 1) {
    GxStartGlobalFadeIn(call.Int(0, ScreenEffectTime()));
    return true;
}

AVG_BUILTIN_DEFINE(AvgBuiltinScreen, FOUT, 1) {
    GxStartGlobalFadeOut(call.Int(0, ScreenEffectTime()));
    return true;
}

// Queued behind whatever the flash layer still does, so that a second flash
// follows the first instead of cutting it off.
AVG_BUILTIN_DEFINE(AvgBuiltinScreen, FLASH, 3) {
    const s32 rise = call.Int32(0, ScreenEffectTime());
    const s32 fall = call.Int32(1, ScreenEffectTime());
    const GxFColor colour = GxFColor::FromARGB(call.Colour(2, kWhite));
    GxTaskLayer* flash = AvgBuiltinCall::FindLayer(kFlash);
    if (!flash) {
        call.MissingTask(kFlash);
        return true;
    }
    const f32 rgb[3] = {colour.r, colour.g, colour.b};
    GxAddActionSetColor(rgb, flash);
    GxAddActionFadeIn(0, rise, flash);
    GxAddActionFadeOut(0, fall, flash);
    return true;
}

AVG_BUILTIN_DEFINE(AvgBuiltinScreen, FLASH_WA, 2) {
    call.HoldForLayer(kFlash);
    return true;
}

AVG_BUILTIN_DEFINE(AvgBuiltinScreen, SHAKE, 3) {
    const s32 time = call.Int(0, AvgBuiltinCall::Config().m_CharEffectTime);
    GxTaskLayer* visual = AvgBuiltinCall::FindLayer(kVisual);
    if (!visual) {
        call.MissingTask(kVisual);
        return true;
    }
    const f32 amplitude[4] = {f32(call.Int(1)), f32(call.Int(2)), 0.0f, 0.0f};
    visual->StartShake(amplitude, time);
    return true;
}

AVG_BUILTIN_DEFINE(AvgBuiltinScreen, SHAKE_END, 0) {
    GxTaskLayer* visual = AvgBuiltinCall::FindLayer(kVisual);
    if (!visual) {
        call.MissingTask(kVisual);
        return true;
    }
    visual->StopShake();
    return true;
}
