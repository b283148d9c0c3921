#include "game/SeqSystem.h"

#include "base/GxLog.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxRenderState.h"
#include "script/GxMoaEx.h"
#include "script/GxMoaSystem.h"
#include "tasks/GxCoreBase.h"
#include "tasks/GxSystemConfig.h"
#include "tasks/GxTaskRenderManage.h"

namespace {
constexpr int kTopRenderList = 9;
} // namespace

SeqSystem::SeqSystem(GxTaskBase* parent) : GxSeqBase(parent, u"SeqSystem") {}

int SeqSystem::EnqueueRender(int step, s64 elapsed) {
    // The frame's clear from list 0, as every scene makes it, then the
    // overlay after everything else.
    GxSeqBase::EnqueueRender(step, elapsed);
    GxCoreBase* core = GetCore();
    if (GxTaskRenderManage* list = core ? core->GetRenderList(kTopRenderList) : nullptr)
        list->AddTask(0, this, 0.0f, -1);
    return 0;
}

bool SeqSystem::IsDebugStatusShown() const {
    GxCoreBase* core = GetCore();
    const GxSystemConfig* config = core ? core->GetSystemConfig() : nullptr;
    if (config && config->m_DebugConsoleFlag) return true;
    if (GxGetErrorCount() == 0) return false;
    const bool skipSlight = config ? config->m_SkipSlightError : true;
    return !skipSlight || (g_pMoa && g_pMoa->m_ErrorFlag);
}

int SeqSystem::Render(int drawParam, int listIndex) {
    if (listIndex != kTopRenderList) return GxSeqBase::Render(drawParam, listIndex);
    GxCoreBase* core = GetCore();
    if (!core || !GxGraphics::GetDevice()) return 0;
    GxGraphics::BeginScene();
    GxSetDefaultRenderStates();
    if (IsDebugStatusShown()) core->DrawDebugStatus(0.0f, 0.0f);
    GxGraphics::EndScene();
    return 0;
}
