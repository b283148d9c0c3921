#include "game/scenes/SeqLoad.h"

#include "base/GxFrameTimer.h"
#include "game/GxGameModule.h"
#include "game/GxGameSound.h"
#include "game/SeqSystem.h"
#include "tasks/GxCoreBase.h"

namespace {
constexpr SeqSaveLoadBase::Kind kLoad{u"SeqLoad", u"bg_load.png", u"SeqLoad_LOADCONFIRM", u"ロードしますか？", true};
constexpr u32 kNoticeColor = 0xFFFFFFFF;
} // namespace

SeqLoad::SeqLoad(GxTaskBase* parent) : SeqSaveLoadBase(parent, kLoad) {}

void SeqLoad::OnConfirmed(s32 n, GxTaskBase* pressed) {
    const GxLoadResult result = GxLoadSavedGame(GxSaveSlot::GameDataPath(GetSaveDir(), n));
    if (result == GxLoadResult::Refused) {
        GxAddSystemNotice(u"ロードに失敗しました", GxString(), 0, kNoticeColor);
        RefreshPage();
        return;
    }
    // What could be read is the play now; the player is told the rest was
    // lost. A resume that fails keeps the player here, told so too.
    const bool resumed = GxResumeLoadedGame(WorkerIndex());
    if (result == GxLoadResult::Damaged || !resumed)
        GxAddSystemNotice(u"ロードに失敗しました", GxString(), 0, kNoticeColor);
    if (!resumed) {
        RefreshPage();
        return;
    }
    PlayButtonSound(pressed);
    // The time spent loading is not made up with extra steps.
    if (GxCoreBase* core = GetCore()) core->GetFrameTimer()->Reset();
}
