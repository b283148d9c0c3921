#include "game/scenes/GxSeqBackMenuBase.h"

#include "layers/GxTaskLayer.h"
#include "tasks/GxCoreBase.h"
#include "tasks/GxSystemConfig.h"
#include "tasks/GxTaskManage.h"
#include "ui/GxTaskUIBase.h"
#include "ui/GxUIManage.h"

namespace {
constexpr const GxChar* kMainMessageWindow = u"$MESWIN:SeqAvgMain";
} // namespace

GxSeqBackMenuBase::GxSeqBackMenuBase(GxTaskBase* parent, const GxChar* name) : GxSeqMenuBase(parent, name, true) {}

GxSeqBackMenuBase::~GxSeqBackMenuBase() = default;

int GxSeqBackMenuBase::Update(int, s64) {
    ProcessUIEvents(nullptr);
    ++m_FrameCount;
    return 0;
}

GxTaskUIBase* GxSeqBackMenuBase::FindWidget(const GxChar* localName, s32 index) const {
    GxTaskFolder* ui = GetUIFolder();
    return ui ? GxTaskUIBase::FromTask(ui->FindTaskLocal(localName, index)) : nullptr;
}

int GxSeqBackMenuBase::OnRButtonDown(const GxVector2&, u32, bool) {
    GxTaskUIBase* back = FindWidget(u"btn_back");
    if (!back || !CanOperateUI(back, 0)) return 0;
    back->PostUIEvent(UIEVENT_DECIDE);
    return 1;
}

void GxSeqBackMenuBase::ShowBackground(const GxChar* fileName) {
    if (GxTaskLayer* background = GetBackgroundLayer())
        background->SetFlexImageContent(Config().m_FolderNames[kGxFolderCGUI] + fileName, 0);
}

int GxSeqBackMenuBase::GoBack() {
    const GxSeqWorker* worker = m_Manager ? m_Manager->GetSeqWorker(m_SeqWorkIndex) : nullptr;
    if (worker && worker->m_PrevTask) m_Manager->ChangeSequenceByNameStr(worker->m_PrevName, m_SeqWorkIndex, 0);
    ClearUIEvents();
    return 1;
}

void GxSeqBackMenuBase::CancelPlayModes() {
    GxCoreBase* core = GxCoreBase::GetCoreBase();
    GxTaskManage* tm = core ? core->GetTaskManage() : nullptr;
    GxTaskBase* window = tm ? tm->FindTaskName(kMainMessageWindow) : nullptr;
    GxTaskFolder* folder = window && (window->TypeBits & kGxTypeFolder) ? static_cast<GxTaskFolder*>(window) : nullptr;
    GxUIManage* ui = GxUIManage::Get();
    GxCancelSkipMode(ui, folder);
    GxCancelAutoMode(ui, folder);
}
