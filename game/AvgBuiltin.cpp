#include "game/AvgBuiltin.h"

#include "script/GxMoaDelegate.h"
#include "script/GxMoaFunctionBinder.h"

namespace {

using Delegate = GxMoaDelegate<AvgBuiltin>;
using Binding = AvgBuiltin::Binding;

// Registration order. The event picture's colour, move and wait act on the
// background layer both families share, so they are the background's
// handlers; SE and VO are channel 0's.
const Binding kBindings[] = {
    {u"Print", &AvgBuiltinSystem::Print},
    {u"Debug", &AvgBuiltinSystem::Debug},
    {u"GetSaveDir", &AvgBuiltinSystem::GetSaveDir},
    {u"GetCurSeqName", &AvgBuiltinSystem::GetCurSeqName},
    {u"GetPrevSeqName", &AvgBuiltinSystem::GetPrevSeqName},
    {u"GetCurSeqParam0", &AvgBuiltinSystem::GetCurSeqParam0},
    {u"GetCurSeqParam1", &AvgBuiltinSystem::GetCurSeqParam1},
    {u"GetPrevSeqParam0", &AvgBuiltinSystem::GetPrevSeqParam0},
    {u"GetPrevSeqParam1", &AvgBuiltinSystem::GetPrevSeqParam1},
    {u"GetLastSelect", &AvgBuiltinSystem::GetLastSelect},
    {u"GetDialogResult", &AvgBuiltinSystem::GetDialogResult},
    {u"GetDebugModeFlag", &AvgBuiltinSystem::GetDebugModeFlag},
    {u"GetSystemSignature", &AvgBuiltinSystem::GetSystemSignature},
    {u"SetGameDataTitle", &AvgBuiltinSystem::SetGameDataTitle},
    {u"GetGameDataTitle", &AvgBuiltinSystem::GetGameDataTitle},
    {u"GetReplayMode", &AvgBuiltinSystem::GetReplayMode},
    {u"GetPassedLabel", &AvgBuiltinSystem::GetPassedLabel},
    {u"SetNameIdentifyMode", &AvgBuiltinSystem::SetNameIdentifyMode},
    {u"DLG", &AvgBuiltinMessage::DLG},
    {u"MSG", &AvgBuiltinMessage::MSG},
    {u"MSGN", &AvgBuiltinMessage::MSGN},
    {u"MSG.SHOW", &AvgBuiltinMessage::MSG_SHOW},
    {u"MSG.HIDE", &AvgBuiltinMessage::MSG_HIDE},
    {u"MSG.CLEAR", &AvgBuiltinMessage::MSG_CLEAR},
    {u"TEXT", &AvgBuiltinMessage::TEXT},
    {u"NOTICE.SYS", &AvgBuiltinExtra::NOTICE_SYS},
    {u"NOTICE.USER", &AvgBuiltinExtra::NOTICE_USER},
    {u"SP.COLOR", &AvgBuiltinStand::SP_COLOR},
    {u"SP.ALPHA", &AvgBuiltinStand::SP_ALPHA},
    {u"SP.BLEND", &AvgBuiltinStand::SP_BLEND},
    {u"SP.LCG", &AvgBuiltinStand::SP_LCG},
    {u"SP.LNC", &AvgBuiltinStand::SP_LNC},
    {u"SP.WA", &AvgBuiltinStand::SP_WA},
    {u"SP.SHAKE", &AvgBuiltinStand::SP_SHAKE},
    {u"SP.SHAKE_END", &AvgBuiltinStand::SP_SHAKE_END},
    {u"SP.SUB", &AvgBuiltinStand::SP_SUB},
    {u"SP.CLEARALL", &AvgBuiltinStand::SP_CLEARALL},
    {u"SP.ACT_MOVE", &AvgBuiltinStand::SP_ACT_MOVE},
    {u"SP.ACT_FINISH", &AvgBuiltinStand::SP_ACT_FINISH},
    {u"STAND", &AvgBuiltinStand::STAND},
    {u"BG", &AvgBuiltinPicture::BG},
    {u"BG.SW", &AvgBuiltinPicture::BG_SW},
    {u"BG.COLOR", &AvgBuiltinPicture::BG_COLOR},
    {u"BG.ACT_MOVE", &AvgBuiltinPicture::BG_ACT_MOVE},
    {u"BG.WA", &AvgBuiltinPicture::BG_WA},
    {u"EV", &AvgBuiltinPicture::EV},
    {u"EV.SW", &AvgBuiltinPicture::EV_SW},
    {u"EV.COLOR", &AvgBuiltinPicture::BG_COLOR},
    {u"EV.ACT_MOVE", &AvgBuiltinPicture::BG_ACT_MOVE},
    {u"EV.WA", &AvgBuiltinPicture::BG_WA},
    {u"FIN", &AvgBuiltinScreen::FIN},
    {u"FOUT", &AvgBuiltinScreen::FOUT},
    {u"FLASH", &AvgBuiltinScreen::FLASH},
    {u"FLASH.WA", &AvgBuiltinScreen::FLASH_WA},
    {u"SHAKE", &AvgBuiltinScreen::SHAKE},
    {u"SHAKE.END", &AvgBuiltinScreen::SHAKE_END},
    {u"MV", &AvgBuiltinMovie::MV},
    {u"MV.WA", &AvgBuiltinMovie::MV_WA},
    {u"MV.AUTOSTOP", &AvgBuiltinMovie::MV_AUTOSTOP},
    {u"BGM", &AvgBuiltinMusic::BGM},
    {u"BGM.WA", &AvgBuiltinMusic::BGM_WA},
    {u"BGV", &AvgBuiltinMusic::BGV},
    {u"BGV.WA", &AvgBuiltinMusic::BGV_WA},
    {u"SE", &AvgBuiltinSound::SE_0},
    {u"SE_0", &AvgBuiltinSound::SE_0},
    {u"SE_1", &AvgBuiltinSound::SE_1},
    {u"SE_2", &AvgBuiltinSound::SE_2},
    {u"SE_3", &AvgBuiltinSound::SE_3},
    {u"SE.WA", &AvgBuiltinSound::SE_WA},
    {u"VO", &AvgBuiltinSound::VO_0},
    {u"VO_0", &AvgBuiltinSound::VO_0},
    {u"VO_1", &AvgBuiltinSound::VO_1},
    {u"VO_2", &AvgBuiltinSound::VO_2},
    {u"VO_3", &AvgBuiltinSound::VO_3},
    {u"VO.WA", &AvgBuiltinSound::VO_WA},
    {u"SEL", &AvgBuiltinChoice::SEL},
    {u"SEL.GO", &AvgBuiltinChoice::SEL_GO},
    {u"SEL.GOSUB", &AvgBuiltinChoice::SEL_GOSUB},
    {u"SEL.VISIBLE", &AvgBuiltinChoice::SEL_VISIBLE},
    {u"SEL.ENABLE", &AvgBuiltinChoice::SEL_ENABLE},
    {u"SEL.CANCEL", &AvgBuiltinChoice::SEL_CANCEL},
    {u"SEL.HASH", &AvgBuiltinChoice::SEL_HASH},
    {u"WA.CLICK", &AvgBuiltinWait::WA_CLICK},
    {u"WA.TIME", &AvgBuiltinWait::WA_TIME},
    {u"WA.LAYER", &AvgBuiltinWait::WA_LAYER},
    {u"RP.SET", &AvgBuiltinExtra::RP_SET},
    {u"RP.UNSET", &AvgBuiltinExtra::RP_UNSET},
    {u"RP.SETALL", &AvgBuiltinExtra::RP_SETALL},
    {u"RP.UNSETALL", &AvgBuiltinExtra::RP_UNSETALL},
    {u"RP.END", &AvgBuiltinExtra::RP_END},
    {u"CG.SET", &AvgBuiltinExtra::CG_SET},
    {u"CG.SETGROUP", &AvgBuiltinExtra::CG_SETGROUP},
    {u"CG.SETALL", &AvgBuiltinExtra::CG_SETALL},
    {u"CG.UNSETALL", &AvgBuiltinExtra::CG_UNSETALL},
    {u"JumpToTitle", &AvgBuiltinExtra::JumpToTitle},
    {u"SetExtraOption", &AvgBuiltinExtra::SetExtraOption},
    {u"GetExtraOption", &AvgBuiltinExtra::GetExtraOption},
};
static_assert(std::size(kBindings) == 97);

} // namespace

std::span<const AvgBuiltin::Binding> AvgBuiltin::GetBindings() { return kBindings; }

void AvgBuiltin::RegisterBuiltins(GxMoaFunctionBinder* registry) {
    if (!registry) return;
    registry->RemoveFunction(u"Print");
    registry->RemoveFunction(u"Debug");
    // A name bound twice would be refused by the binder with its own
    // message; the table binds each once, so the results are not needed.
    for (const Binding& b : kBindings) registry->AddFunction(b.name, new Delegate(this, b.handler));
}
