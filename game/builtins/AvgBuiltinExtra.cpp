#include "game/builtins/AvgBuiltinExtra.h"

#include "base/GxLog.h"
#include "game/SeqSystem.h"
#include "gamedata/GxDataLookup.h"
#include "gamedata/GxUserData.h"
#include "gamedata/GxUserDataPerman.h"
#include "script/GxMoaWorker.h"
#include "tasks/GxTaskManage.h"

namespace {

constexpr s32 kDefaultIconAlign = 1;
constexpr u32 kOpaque = 0xFF000000;
constexpr const GxChar* kTitleScene = u"SeqTitle";
// The title is told it was entered from the game.
constexpr s32 kTitleFromGame = 6;

// The notice's text colour 0xAARRGGBB. A script usually writes a colour as
// 0xRRGGBB, which would leave the text fully transparent: a colour whose alpha
// byte is 0 is made opaque; one that names its alpha keeps it.
u32 NoticeColour(AvgBuiltinCall& call, int i) {
    const u32 colour = u32(call.Int32(i, -1));
    return (colour & kOpaque) ? colour : colour | kOpaque;
}

using AddNotice = void (*)(const GxString&, const GxString&, s32, u32);

bool QueueNotice(AvgBuiltinCall& call, AddNotice add) {
    add(call.Str(0), call.Str(1), call.Int32(2, kDefaultIconAlign), NoticeColour(call, 3));
    return true;
}

// The one permanent-data change of a builtin; without permanent data nothing
// is recorded.
template <class F>
bool Perman(F change) {
    if (GxUserDataPerman* perman = AvgBuiltinCall::Perman()) change(*perman);
    return true;
}

bool RequireLabel(AvgBuiltinCall& call) {
    if (call.IsGiven(0)) return true;
    call.Report(u"ラベル名を指定してください");
    return false;
}

bool RequirePicture(AvgBuiltinCall& call) {
    if (call.IsGiven(0)) return true;
    call.Report(u"イベント画像名を指定してください");
    return false;
}

// The extra-option bit that argument 0 names; only its low five bits count.
u32 ExtraOptionMask(AvgBuiltinCall& call) { return 1u << (u32(call.Int(0)) & 31u); }

} // namespace

AVG_BUILTIN_DEFINE(AvgBuiltinExtra, NOTICE_SYS, 4) { return QueueNotice(call, &GxAddSystemNotice); }

AVG_BUILTIN_DEFINE(AvgBuiltinExtra, NOTICE_USER, 4) { return QueueNotice(call, &GxAddUserNotice); }

AVG_BUILTIN_DEFINE(AvgBuiltinExtra, RP_SET, 1) {
    if (!RequireLabel(call)) return false;
    const GxString label = call.Str(0);
    if (!GxIsReplayLabel(label)) return call.Fail(u"ラベル名[%s]はリプレイモード定義と一致しません", label);
    return Perman([&](GxUserDataPerman& p) { p.m_PassedReplayLabels.insert(label); });
}

AVG_BUILTIN_DEFINE(AvgBuiltinExtra, RP_UNSET, 1) {
    if (!RequireLabel(call)) return false;
    return Perman([&](GxUserDataPerman& p) { p.m_PassedReplayLabels.erase(call.Str(0)); });
}

AVG_BUILTIN_DEFINE(AvgBuiltinExtra, RP_SETALL, 0) {
    return Perman([](GxUserDataPerman& p) { p.PassAllReplayLabels(); });
}

AVG_BUILTIN_DEFINE(AvgBuiltinExtra, RP_UNSETALL, 0) {
    return Perman([](GxUserDataPerman& p) { p.m_PassedReplayLabels.clear(); });
}

AVG_BUILTIN_DEFINE(AvgBuiltinExtra, RP_END, 0) {
    // Ending the script is enough: the main scene sees the worker stopped in
    // replay mode and goes back to the replay scene.
    const GxUserData* data = AvgBuiltinCall::UserData();
    if (data && data->m_ReplayMode && call.Worker()) call.Worker()->Reset();
    return true;
}

AVG_BUILTIN_DEFINE(AvgBuiltinExtra, CG_SET, 1) {
    if (!RequirePicture(call)) return false;
    return Perman([&](GxUserDataPerman& p) { p.SetShowedCG(call.Str(0)); });
}

AVG_BUILTIN_DEFINE(AvgBuiltinExtra, CG_SETGROUP, 1) {
    if (!RequirePicture(call)) return false;
    // A set whose table row leaves its count to the game is counted by the
    // gallery when it opens; the story may unlock the set before that.
    GxCountCGModeFiles();
    GxUserDataPerman* perman = AvgBuiltinCall::Perman();
    if (perman && !perman->SetShowedCGGroup(call.Str(0))) return call.Fail(u"定義されていない画像名です");
    return true;
}

AVG_BUILTIN_DEFINE(AvgBuiltinExtra, CG_SETALL, 0) {
    return Perman([](GxUserDataPerman& p) { p.SetShowedAllCG(); });
}

AVG_BUILTIN_DEFINE(AvgBuiltinExtra, CG_UNSETALL, 0) {
    return Perman([](GxUserDataPerman& p) { p.m_ShowedCGFlags.clear(); });
}

AVG_BUILTIN_DEFINE(AvgBuiltinExtra, JumpToTitle, 0) {
    GxTaskManage* tasks = AvgBuiltinCall::Tasks();
    GxTaskBase* title = tasks ? tasks->FindTaskName(kTitleScene) : nullptr;
    // Not a fault of the script's: logged, and the story goes on.
    if (!title) {
        GxWriteErrorLog(u"遷移先のシーケンスが見つかりません(%s)\n", kTitleScene);
        return true;
    }
    // The story's news end with it: the title clears them only after the
    // story's last screen is kept for its fade-in, which would show them.
    GxClearUserNotices();
    tasks->ChangeSequence(title, 0, 0, kTitleFromGame);
    return true;
}

AVG_BUILTIN_DEFINE(AvgBuiltinExtra, SetExtraOption, 2) {
    const u32 mask = ExtraOptionMask(call);
    const bool on = call.Int64(1) != 0;
    return Perman([&](GxUserDataPerman& p) { p.m_ExtraOption.Assign(mask, on); });
}

AVG_BUILTIN_DEFINE(AvgBuiltinExtra, GetExtraOption, 1) {
    const GxUserDataPerman* perman = AvgBuiltinCall::Perman();
    call.SetResultFlag(perman && perman->m_ExtraOption.Test(ExtraOptionMask(call)));
    return true;
}
