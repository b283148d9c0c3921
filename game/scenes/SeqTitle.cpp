#include "game/scenes/SeqTitle.h"

#include "base/GxLog.h"
#include "game/AvgCore.h"
#include "game/GxGameSound.h"
#include "game/SeqSystem.h"
#include "gamedata/GxUserData.h"
#include "gamedata/GxUserDataPerman.h"
#include "layers/GxNcImageSetPool.h"
#include "layers/GxTaskLayer.h"
#include "script/GxMoaSystem.h"
#include "script/GxMoaWorkerEx.h"
#include "tasks/GxCoreBase.h"
#include "tasks/GxSystemConfig.h"
#include "tasks/GxTaskManage.h"
#include "ui/GxTaskUIBase.h"

namespace {
constexpr const GxChar* kImageSet = u"ui_title.gis";
constexpr u32 kExtraOpenBit = 1u << 10;
constexpr s32 kMusicFadeIn = 50;
// The parameter the script's return to the title carries.
constexpr s32 kReturnToTitle = 6;
constexpr s32 kVoiceTitleCall = 1;
} // namespace

SeqTitle::SeqTitle(GxTaskBase* parent) : GxSeqMenuBase(parent, u"SeqTitle", true) {}

void SeqTitle::OnStartSequence(int) {
    const GxSystemConfig& config = Config();
    if (GxTaskLayer* background = GetBackgroundLayer())
        background->SetFlexImageContent(config.m_FolderNames[kGxFolderCGUI] + u"bg_title.png", 0);
    GxNcImageSetPool::Add(config.m_FolderNames[kGxFolderUIGis] + kImageSet);
    GxClearUserNotices();
    if (GxUserData* data = GxUserData::Get()) data->ResetPlayState(false);
    if (GxCoreBase* core = GetCore()) core->CallModulesEnterTitle();
    StartMusic();
    if (GxTaskUIBase* extra = FindWidget(u"btn_title_extra")) {
        const GxUserDataPerman* perman = GxUserDataPerman::Get();
        extra->SetEnabled(perman && perman->m_ExtraOption.Test(kExtraOpenBit));
    }
    const GxSeqWorker* worker = m_Manager ? m_Manager->GetSeqWorker(m_SeqWorkIndex) : nullptr;
    if (worker && (worker->m_PrevName == u"SeqBoot" || worker->m_PrevName == u"SeqOpening" ||
                   worker->m_CurrentParam1 == kReturnToTitle))
        GxPlaySystemVoice(kVoiceTitleCall);
}

void SeqTitle::StartMusic() {
    const GxSystemConfig& config = Config();
    if (config.m_BGMNameTitle.empty()) {
        GxStopBgm(1000);
        return;
    }
    // The same music, remembered, plays on untouched.
    GxPlayBgm(config.m_FolderNames[kGxFolderBGMs] + config.m_BGMNameTitle, 0, 0, kMusicFadeIn,
              u32(config.m_BGMLoopTitle), true);
}

void SeqTitle::OnEndSequence(int workerIndex) {
    GxSeqTransitBase::OnEndSequence(workerIndex);
    if (GxTaskLayer* background = GetBackgroundLayer()) background->ClearContent();
    GxNcImageSetPool::Release(Config().m_FolderNames[kGxFolderUIGis] + kImageSet);
}

int SeqTitle::OnUIEventDecide(GxTaskBase* sender, const GxUIEventParam* ev) {
    if (GxSeqBase::OnUIEventDecide(sender, ev)) return 1;
    if (!sender) return 0;
    PlayButtonSound(sender);
    const GxString& name = sender->GetTaskLocalName();
    static constexpr struct {
        const GxChar* button;
        const GxChar* scene;
    } kScenes[] = {
        {u"btn_title_load", u"SeqLoad"},     {u"btn_title_visual", u"SeqCGMode"}, {u"btn_title_event", u"SeqRPMode"},
        {u"btn_title_music", u"SeqBGMMode"}, {u"btn_title_config", u"SeqConfig"},
    };
    for (const auto& s : kScenes)
        if (name == s.button) {
            ChangeSequence(s.scene);
            return 1;
        }
    if (name == u"btn_title_start") {
        if (Config().m_DebugModeFlag && IsControlHeld()) {
            ChangeSequence(u"SeqDebug");
            return 1;
        }
        if (!g_pMoaMainWorker() || !g_pMoaMainWorker()->Jump(u"MAIN", nullptr))
            GxWriteErrorLog(u"スクリプトにラベル MAIN が存在しないため実行できません\n");
        ChangeSequence(u"SeqAvgMain");
        return 1;
    }
    if (name == u"btn_title_extra") {
        AvgCore::StartMainScene(m_SeqWorkIndex, Config().m_LabelNameExtra);
        return 1;
    }
    if (name == u"btn_title_exit") {
        if (SeqSystem* system = SeqSystem::Get()) system->OnClose();
        return 1;
    }
    return 0;
}
