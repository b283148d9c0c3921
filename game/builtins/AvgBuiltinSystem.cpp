#include "game/builtins/AvgBuiltinSystem.h"

#include "base/GxCrc32.h"
#include "base/GxLog.h"
#include "gamedata/GxUserData.h"
#include "gamedata/GxUserDataPerman.h"
#include "platform/system/resources.h"
#include "script/GxMoa.h"
#include "script/GxMoaWorker.h"
#include "tasks/GxCoreBase.h"
#include "tasks/GxSeqWorker.h"
#include "tasks/GxSystemConfig.h"
#include "tasks/GxTaskManage.h"

namespace {

constexpr u32 kSignatureResource = 102;

// A field of the game state as the result; 0 or empty without a game state.
template <class T>
bool StateField(AvgBuiltinCall& call, T GxUserData::*field) {
    const GxUserData* data = AvgBuiltinCall::UserData();
    call.SetResult(data ? data->*field : T());
    return true;
}

// The sequence worker that argument 0 names (0 or 1); any other index is
// reported and null. The whole value is compared, so none wraps into range.
GxSeqWorker* SeqWorkerArg(AvgBuiltinCall& call) {
    s32 index = 0;
    if (!call.InRange(0, 0, GxTaskManage::kSeqWorkerCount - 1, &index)) {
        call.Report(u"シーケンスワーカーの番号が範囲外です[%I64d]", call.Int64(0));
        return nullptr;
    }
    GxTaskManage* tasks = AvgBuiltinCall::Tasks();
    return tasks ? tasks->GetSeqWorker(index) : nullptr;
}

// The field of that worker as the result.
template <class T>
bool SeqWorkerField(AvgBuiltinCall& call, T GxSeqWorker::*field) {
    const GxSeqWorker* w = SeqWorkerArg(call);
    call.SetResult(w ? w->*field : T());
    return true;
}

} // namespace

GxString AvgBuiltinSystem::SystemSignature() {
    const psys::resource* r = psys::find_resource(nullptr, kSignatureResource, u"PNG");
    const u8* bytes = psys::load_resource(nullptr, r);
    const u32 size = psys::sizeof_resource(nullptr, r);
    return GxFormat(u"%08X", bytes ? CalcCrc32(bytes, size) : 0u);
}

AVG_BUILTIN_DEFINE(AvgBuiltinSystem, Print, 1) {
    // Written literally: a '%' in the text is no format directive.
    if (AvgBuiltinCall::Config().m_DebugModeFlag && call.Worker())
        call.Worker()->GetMoa()->Message(u"%s", call.Str(0));
    return true;
}

AVG_BUILTIN_DEFINE(AvgBuiltinSystem, Debug, 1) {
    if (AvgBuiltinCall::Config().m_DebugModeFlag) GxWriteDebugLog(u"%s\n", call.Str(0));
    return true;
}

AVG_BUILTIN_DEFINE(AvgBuiltinSystem, GetSaveDir, 0) {
    GxCoreBase* core = AvgBuiltinCall::Core();
    call.SetResult(core ? core->GetSaveDir() : GxString());
    return true;
}

// The six sequence queries: a field of the named worker's current or
// previous scene. An index other than 0 or 1 gives an empty text or 0 and
// the script goes on.
AVG_BUILTIN_DEFINE(AvgBuiltinSystem, GetCurSeqName, 1) { return SeqWorkerField(call, &GxSeqWorker::m_CurrentName); }
AVG_BUILTIN_DEFINE(AvgBuiltinSystem, GetPrevSeqName, 1) { return SeqWorkerField(call, &GxSeqWorker::m_PrevName); }
AVG_BUILTIN_DEFINE(AvgBuiltinSystem, GetCurSeqParam0, 1) { return SeqWorkerField(call, &GxSeqWorker::m_CurrentParam0); }
AVG_BUILTIN_DEFINE(AvgBuiltinSystem, GetCurSeqParam1, 1) { return SeqWorkerField(call, &GxSeqWorker::m_CurrentParam1); }
AVG_BUILTIN_DEFINE(AvgBuiltinSystem, GetPrevSeqParam0, 1) { return SeqWorkerField(call, &GxSeqWorker::m_PrevParam0); }
AVG_BUILTIN_DEFINE(AvgBuiltinSystem, GetPrevSeqParam1, 1) { return SeqWorkerField(call, &GxSeqWorker::m_PrevParam1); }

AVG_BUILTIN_DEFINE(AvgBuiltinSystem, GetLastSelect, 0) { return StateField(call, &GxUserData::m_LastSelectNum); }
AVG_BUILTIN_DEFINE(AvgBuiltinSystem, GetDialogResult, 0) { return StateField(call, &GxUserData::m_LastDialogResult); }

AVG_BUILTIN_DEFINE(AvgBuiltinSystem, GetDebugModeFlag, 0) {
    call.SetResultFlag(AvgBuiltinCall::Config().m_DebugModeFlag);
    return true;
}

AVG_BUILTIN_DEFINE(AvgBuiltinSystem, GetSystemSignature, 0) {
    call.SetResult(SystemSignature());
    return true;
}

AVG_BUILTIN_DEFINE(AvgBuiltinSystem, SetGameDataTitle, 1) {
    if (GxUserData* data = AvgBuiltinCall::UserData()) data->SetGameDataTitle(call.Str(0));
    return true;
}

AVG_BUILTIN_DEFINE(AvgBuiltinSystem, GetGameDataTitle, 0) { return StateField(call, &GxUserData::m_GameDataTitle); }

AVG_BUILTIN_DEFINE(AvgBuiltinSystem, GetReplayMode, 0) { return StateField(call, &GxUserData::m_ReplayMode); }

AVG_BUILTIN_DEFINE(AvgBuiltinSystem, GetPassedLabel, 1) {
    if (!call.IsGiven(0)) return call.Fail(u"ラベル名を指定してください");
    const GxUserDataPerman* perman = AvgBuiltinCall::Perman();
    call.SetResultFlag(perman && perman->m_PassedReplayLabels.count(call.Str(0)) > 0);
    return true;
}

AVG_BUILTIN_DEFINE(AvgBuiltinSystem, SetNameIdentifyMode, 1) {
    // Stored as given: the main scene's name handling decides what a mode means.
    if (GxUserData* data = AvgBuiltinCall::UserData()) data->m_NameIdentifyMode = call.Int(0);
    return true;
}
