#include "game/scenes/SeqQuickLoad.h"

#include "base/GxFrameTimer.h"
#include "game/GxGameModule.h"
#include "game/SeqSystem.h"
#include "gamedata/GxSaveSlot.h"
#include "tasks/GxCoreBase.h"
#include "tasks/GxSystemConfig.h"

namespace {
// The load runs in the update after this many.
constexpr s32 kWaitUpdates = 30;
constexpr u32 kNoticeColor = 0xFFFFFFFF;
} // namespace

SeqQuickLoad::SeqQuickLoad(GxTaskBase* parent) : GxSeqBackMenuBase(parent, u"SeqQuickLoad") {}

void SeqQuickLoad::OnStartSequence(int workerIndex) {
    GxSeqBackMenuBase::OnStartSequence(workerIndex);
    m_FrameCount = 0;
    m_Done = false;
    if (GxCoreBase* core = GetCore()) core->GetFrameTimer()->m_StepCatchUp = false;
}

void SeqQuickLoad::OnEndSequence(int workerIndex) {
    GxSeqBackMenuBase::OnEndSequence(workerIndex);
    if (GxCoreBase* core = GetCore()) {
        core->GetFrameTimer()->Reset();
        core->GetFrameTimer()->m_StepCatchUp = true;
    }
}

int SeqQuickLoad::Update(int, s64) {
    ProcessUIEvents(nullptr);
    // Once only: a load that went nowhere must not be tried every frame.
    if (m_FrameCount > kWaitUpdates && !m_Done) {
        m_Done = true;
        const int worker = m_SeqWorkIndex >= 0 ? m_SeqWorkIndex : 0;
        // A resume that fails would leave the player here, on no screen.
        if (!QuickLoad() || !GxResumeLoadedGame(worker)) {
            GxAddSystemNotice(u"クイックロードに失敗しました", GxString(), 0, kNoticeColor);
            GoBack();
        }
    }
    ++m_FrameCount;
    return 0;
}

bool SeqQuickLoad::QuickLoad() {
    GxCoreBase* core = GetCore();
    const GxSystemConfig* config = core ? core->GetSystemConfig() : nullptr;
    if (!core || !config) return false;
    const GxLoadResult result = GxLoadSavedGame(GxSaveSlot::QuickSavePath(core->GetSaveDir(), *config));
    if (result == GxLoadResult::Damaged)
        GxAddSystemNotice(u"クイックロードに失敗しました", GxString(), 0, kNoticeColor);
    return result != GxLoadResult::Refused;
}
