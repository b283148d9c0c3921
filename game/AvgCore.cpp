#include "game/AvgCore.h"

#include "base/GxLog.h"
#include "game/AvgBuiltin.h"
#include "game/GxGameModule.h"
#include "game/GxGameScenes.h"
#include "script/GxMoaFunctionBinder.h"
#include "script/GxMoaSystem.h"
#include "script/GxMoaWorkerEx.h"
#include "tasks/GxCoreBase.h"
#include "tasks/GxSharedAssetManage.h"
#include "tasks/GxTaskManage.h"

namespace {
constexpr int kMainSceneScope = 3;
constexpr const GxChar* kMainSceneScopeNames[] = {u"SeqConfig", u"SeqSave",    u"SeqLoad",
                                                  u"SeqAvgMain", u"SeqAvgLog", u"SeqDebug"};
constexpr s32 kStartFadeInTime = 1000;
} // namespace

AvgCore* AvgCore::GetInstance() {
    static AvgCore instance;
    return &instance;
}

AvgCore::AvgCore() = default;
AvgCore::~AvgCore() = default;

const GxString& AvgCore::GetModuleName() {
    static const GxString name = u"AVG";
    return name;
}

void AvgCore::AttachCore(GxCoreBase* core) {
    m_Core = core;
    m_Builtin = std::make_unique<AvgBuiltin>(core);
}

void AvgCore::DetachCore() {
    m_Builtin.reset();
    // The core may go right after; a kept pointer would outlive it.
    m_Core = nullptr;
}

void AvgCore::RegisterBuiltins(GxBuiltinRegistryBase* registry) {
    if (m_Builtin) m_Builtin->RegisterBuiltins(dynamic_cast<GxMoaFunctionBinder*>(registry));
}

void AvgCore::CreateSequences(GxTaskBase* parent) {
    if (GxSharedAssetManage* assets = m_Core ? m_Core->GetSharedAssetManage() : nullptr)
        if (GxSharedScope* scope = assets->OpenScope(kMainSceneScope))
            for (const GxChar* name : kMainSceneScopeNames) scope->AddSequenceName(name);
    GxCreateScenes(GxGetModuleScenes(), parent);
}

void AvgCore::StartMainScene(int workerIndex, const GxString& label) {
    GxShowDefaultBackground();
    GxStartGlobalFadeIn(kStartFadeInTime);
    if (!g_pMoaMainWorker() || !g_pMoaMainWorker()->Jump(label, nullptr))
        GxWriteErrorLog(u"スクリプトにラベル %s が存在しないため実行できません\n", label);
    GxCoreBase* core = GetInstance()->m_Core ? GetInstance()->m_Core : GxCoreBase::GetCoreBase();
    if (GxTaskManage* tm = core ? core->GetTaskManage() : nullptr) tm->ChangeSequenceByName(u"SeqAvgMain", workerIndex, 0, 0);
}
