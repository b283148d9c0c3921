#include "game/scenes/SeqBGMMode.h"

#include "base/GxLog.h"
#include "game/GxGameSound.h"
#include "gamedata/DBBGMMode.h"
#include "gamedata/GxUserData.h"
#include "layers/GxNcImageSetPool.h"
#include "layers/GxTaskLayer.h"
#include "platform/window/keys.h"
#include "tasks/GxCoreBase.h"
#include "tasks/GxSystemConfig.h"
#include "tasks/GxTaskRenderManage.h"
#include "ui/GxTaskUIBase.h"
#include "ui/GxTaskUIRadioButtonIs.h"

namespace {
constexpr const GxChar* kImageSets[] = {u"ui_extra.gis", u"ui_bgmname.gis"};
constexpr u32 kStopFade = 1000;
constexpr s32 kPieceGroup = 1;
// The tip stands this far left of the playing piece's button.
constexpr f32 kTipOffsetX = -37.0f;
constexpr int kRenderList = 5;
constexpr f32 kRenderKey = 13000.0f;
} // namespace

SeqBGMMode::SeqBGMMode(GxTaskBase* parent) : SeqScreenBase(parent, u"SeqBGMMode") {}

void SeqBGMMode::CountPieces() {
    m_PieceCount = 0;
    // The last record stays outside: IDs 1 to 59.
    while (m_PieceCount + 1 < DBBGMMode::kCapacity && !g_DBBGMMode.GetRecord(m_PieceCount + 1)->FileName.empty())
        ++m_PieceCount;
}

bool SeqBGMMode::IsPlayable(s32 id) const { return IsPiece(id) && g_DBBGMMode.GetRecord(id)->ButtonIndex > 0; }

s32 SeqBGMMode::StepPiece(s32 current, s32 step) const {
    if (g_DBBGMMode.GetMaxID() < 1 || m_PieceCount < 1) return current;
    s32 id = current;
    for (int i = 0; i < DBBGMMode::kCapacity; ++i) {
        id += step;
        if (id < 1) id = m_PieceCount;
        if (id > m_PieceCount) id = 1;
        if (IsPlayable(id)) return id;
    }
    return current;
}

s32 SeqBGMMode::PrevPiece(s32 current) const { return StepPiece(current, -1); }
s32 SeqBGMMode::NextPiece(s32 current) const { return StepPiece(current, 1); }

void SeqBGMMode::SelectRadio(const GxChar* name, s32 index) {
    GxTaskFolder* folder = GetFolder();
    GxTaskBase* task = folder ? folder->FindTaskLocal(name, index) : nullptr;
    if (auto* radio = dynamic_cast<GxTaskUIRadioButtonIs*>(GxTaskUIBase::FromTask(task))) radio->SelectInGroup();
}

void SeqBGMMode::SelectPieceButton(s32 id) { SelectRadio(u"btn_bgmselect", id); }

void SeqBGMMode::ClearPieceButtons() {
    GxTaskFolder* folder = GetFolder();
    for (GxTaskBase* t = folder ? folder->GetFirstChild() : nullptr; t; t = t->GetNextSibling())
        if (GxTaskUIBase* w = GxTaskUIBase::FromTask(t); w && w->GetGroupID() == kPieceGroup) w->SetValueBool(false);
}

void SeqBGMMode::UpdatePlayingTip() {
    GxTaskUIBase* tip = FindWidget(u"tip_playing");
    if (!tip) return;
    const GxTaskUIBase* stop = FindWidget(u"btn_bgmstop");
    const GxTaskUIBase* piece = FindWidget(u"btn_bgmselect", m_CurrentPiece);
    if ((stop && stop->GetValueBool()) || !piece) {
        tip->Hide();
        return;
    }
    GxVector4 at;
    piece->GetPos(&at);
    tip->SetPos(at.x + kTipOffsetX, at.y, at.z, 0.0f);
    tip->Show();
}

void SeqBGMMode::PlayPiece(s32 id) {
    if (!IsPiece(id)) {
        GxWriteErrorLog(u"SeqBGMMode/曲がありません(ID=%d)\n", id);
        return;
    }
    const DBBGMModeRecord* record = g_DBBGMMode.GetRecord(id);
    const GxString path = Config().m_FolderNames[kGxFolderBGMs] + record->FileName;
    const GxUserData* data = GxUserData::Get();
    if (data && data->m_BGMParam.m_FileName == path) return;
    GxPlayBgm(path, 0, 0, 0, record->LoopPosTime, false);
}

void SeqBGMMode::ChoosePiece(s32 id) {
    m_CurrentPiece = id;
    SelectPieceButton(m_CurrentPiece);
    PlayPiece(m_CurrentPiece);
    SelectRadio(u"btn_bgmplay", 0);
    UpdatePlayingTip();
}

void SeqBGMMode::OnStartSequence(int) {
    ShowBackground(u"bg_bgmmode.png");
    for (const GxChar* set : kImageSets) GxNcImageSetPool::Add(ImageSetPath(set));
    GxStopBgm(kStopFade);
    CountPieces();
    m_CurrentPiece = 0;
    ClearPieceButtons();
    SelectRadio(u"btn_bgmstop", 0);
    UpdatePlayingTip();
}

void SeqBGMMode::OnEndSequence(int workerIndex) {
    GxSeqTransitBase::OnEndSequence(workerIndex);
    if (GxTaskLayer* background = GetBackgroundLayer()) background->ClearContent();
    for (const GxChar* set : kImageSets) GxNcImageSetPool::Release(ImageSetPath(set));
}

int SeqBGMMode::EnqueueRender(int step, s64 elapsed) {
    GxSeqTransitBase::EnqueueRender(step, elapsed);
    GxCoreBase* core = GetCore();
    if (GxTaskRenderManage* list = core ? core->GetRenderList(kRenderList) : nullptr)
        list->AddTask(GxTaskRenderManage::kSortAscending, this, kRenderKey, 2);
    return 0;
}

int SeqBGMMode::Render(int drawParam, int listIndex) {
    // The scene's own pass draws nothing of its own.
    if (drawParam == 2) return 0;
    return GxSeqTransitBase::Render(drawParam, listIndex);
}

int SeqBGMMode::OnKeyDown(u32 virtualKey, u32) {
    if (virtualKey == pwin::vk_left) return PostClick(u"btn_bgmprev") ? 1 : 0;
    if (virtualKey == pwin::vk_right) return PostClick(u"btn_bgmnext") ? 1 : 0;
    return 0;
}

int SeqBGMMode::OnUIEventDecide(GxTaskBase* sender, const GxUIEventParam* ev) {
    if (GxSeqBase::OnUIEventDecide(sender, ev)) return 1;
    if (!sender) return 0;
    PlayButtonSound(sender);
    const GxString& name = sender->GetTaskLocalName();
    if (name == u"btn_back") {
        GoBack(0, 0);
    } else if (name == u"btn_bgmstop") {
        GxStopBgm(kStopFade);
        UpdatePlayingTip();
    } else if (name == u"btn_bgmplay") {
        if (!IsPiece(m_CurrentPiece)) {
            m_CurrentPiece = NextPiece(0);
            SelectPieceButton(m_CurrentPiece);
        }
        PlayPiece(m_CurrentPiece);
        UpdatePlayingTip();
    } else if (name == u"btn_bgmprev" || name == u"btn_bgmnext") {
        ChoosePiece(name == u"btn_bgmprev" ? PrevPiece(m_CurrentPiece) : NextPiece(m_CurrentPiece));
    } else if (name == u"btn_bgmselect") {
        const s32 id = sender->GetTaskLocalIndex();
        // A button without a piece (a layout longer than the table) changes
        // nothing: the ID would be read past the table.
        if (!IsPiece(id)) {
            GxWriteErrorLog(u"SeqBGMMode/曲がありません(ID=%d)\n", id);
            ClearPieceButtons();
            SelectPieceButton(m_CurrentPiece);
            return 1;
        }
        ChoosePiece(id);
    } else {
        return 0;
    }
    return 1;
}
