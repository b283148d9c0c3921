#include "game/scenes/SeqRPMode.h"

#include "base/GxLog.h"
#include "game/GxGameModule.h"
#include "gamedata/DBRPMode.h"
#include "gamedata/GxUserData.h"
#include "gamedata/GxUserDataPerman.h"
#include "script/GxMoaWorkerEx.h"
#include "script/GxMoaSystem.h"
#include "tasks/GxSystemConfig.h"

#include <algorithm>

namespace {
constexpr SeqThumbnailPageBase::Look kLook = {u"btn_rpselect", u"bg_rpmode.png", u"th_rpmode.gis",
                                              u"tip_rpplate.png", 13000.0f};
constexpr s32 kFadeInTime = 200;
// The main scene's first parameter: entered from the replay.
constexpr s32 kReplayEntry = 1;
} // namespace

SeqRPMode::SeqRPMode(GxTaskBase* parent) : SeqThumbnailPageBase(parent, u"SeqRPMode", kLook) {}

const GxString& SeqRPMode::ThumbnailName(s32 id) const { return g_DBRPMode.GetRecord(id)->Thumbnail; }

void SeqRPMode::OnStartSequence(int workerIndex) {
    SeqThumbnailPageBase::OnStartSequence(workerIndex);
    if (GxUserData* data = GxUserData::Get()) {
        data->ResetPlayState(false);
        data->m_ReplayMode = true;
    }
    const GxSystemConfig& config = Config();
    PlaySceneMusic(config.m_BGMNameRPMode, config.m_BGMLoopRPMode);
}

void SeqRPMode::CountRecords() {
    ResetCounts();
    const GxUserDataPerman* perman = GxUserDataPerman::Get();
    for (s32 id = 0; id < kRecordCount; ++id) {
        const DBRPModeRecord& r = *g_DBRPMode.GetRecord(id);
        m_LastPage = std::max(m_LastPage, r.Group);
        if (r.Label.empty()) continue;
        CheckThumbnail(id, u"リプレイモードサムネイル %s (ID=%d)が見つかりません\n");
        ++m_Total;
        if (!perman || !perman->m_PassedReplayLabels.count(r.Label)) continue;
        GxSetFlagBit(m_RecordBits[size_t(id)], 0);
        ++m_Unlocked;
    }
}

bool SeqRPMode::IsListed(s32 id, s32 page) const { return g_DBRPMode.GetRecord(id)->Group == page; }

void SeqRPMode::OnBack() {
    if (GxUserData* data = GxUserData::Get()) data->m_ReplayMode = false;
    ChangeSequence(u"SeqTitle", 0, 0);
}

void SeqRPMode::OnThumbnail(s32 id) {
    GxStartGlobalFadeIn(kFadeInTime);
    const GxString& label = g_DBRPMode.GetRecord(id)->Label;
    if (!g_pMoaMainWorker() || !g_pMoaMainWorker()->StartAtLabel(label, nullptr))
        GxWriteErrorLog(u"スクリプトにラベル %s が存在しないため実行できません\n", label);
    ChangeSequence(u"SeqAvgMain", kReplayEntry, 0);
}
