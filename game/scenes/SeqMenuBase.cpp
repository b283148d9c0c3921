#include "game/scenes/SeqMenuBase.h"

#include "layers/GxTaskLayer.h"
#include "tasks/GxCoreBase.h"
#include "tasks/GxSystemConfig.h"
#include "tasks/GxTaskManage.h"
#include "ui/GxTaskUIBase.h"
#include "ui/GxUIManage.h"

namespace {
constexpr f32 kBackgroundZ = -10.0f;
constexpr const GxChar* kMainMessageWindow = u"$MESWIN:SeqAvgMain";
} // namespace

SeqMenuBase::SeqMenuBase(GxTaskBase* parent, const GxChar* name) : GxSeqTransitBase(parent, name) {
    const GxString scene(name);
    auto* root = new GxTaskFolder(this, (u"$ROOT:" + scene).c_str());
    m_UIFolder = new GxTaskFolder(root, (u"$UI:" + scene).c_str());
    m_BackgroundLayer = new GxTaskLayer(root, (u"$BGLAYER:" + scene).c_str());
    m_BackgroundLayer->SetOrderZ(kBackgroundZ);
    if (GxUIManage* ui = GxUIManage::Get()) ui->CreateUIFromLayout(m_UIFolder->GetTaskName(), m_UIFolder, this);
    SetAcceptUIEventFlag(true);
}

SeqMenuBase::~SeqMenuBase() = default;

int SeqMenuBase::Update(int, s64) {
    ProcessUIEvents(nullptr);
    ++m_FrameCount;
    return 0;
}

GxTaskUIBase* SeqMenuBase::FindWidget(const GxChar* localName, s32 index) const {
    return GxTaskUIBase::FromTask(m_UIFolder->FindTaskLocal(localName, index));
}

int SeqMenuBase::OnRButtonDown(const GxVector2&, u32, bool) {
    GxTaskUIBase* back = FindWidget(u"btn_back");
    if (!back || !CanOperateUI(back, 0)) return 0;
    back->PostUIEvent(UIEVENT_DECIDE);
    return 1;
}

void SeqMenuBase::ShowBackground(const GxChar* fileName) {
    GxCoreBase* core = GetCore();
    const GxSystemConfig* config = core ? core->GetSystemConfig() : nullptr;
    const GxString folder = config ? config->m_FolderNames[kGxFolderCGUI] : GxString(u"cg/ui/");
    m_BackgroundLayer->SetFlexImageContent(folder + fileName, 0);
}

int SeqMenuBase::GoBack() {
    const GxSeqWorker* worker = m_Manager ? m_Manager->GetSeqWorker(m_SeqWorkIndex) : nullptr;
    if (worker && worker->m_PrevTask) m_Manager->ChangeSequenceByNameStr(worker->m_PrevName, m_SeqWorkIndex, 0);
    ClearUIEvents();
    return 1;
}

void SeqMenuBase::CancelPlayModes() {
    GxCoreBase* core = GxCoreBase::GetCoreBase();
    GxTaskManage* tm = core ? core->GetTaskManage() : nullptr;
    GxTaskBase* window = tm ? tm->FindTaskName(kMainMessageWindow) : nullptr;
    GxTaskFolder* folder = window && (window->TypeBits & kGxTypeFolder) ? static_cast<GxTaskFolder*>(window) : nullptr;
    GxUIManage* ui = GxUIManage::Get();
    GxCancelSkipMode(ui, folder);
    GxCancelAutoMode(ui, folder);
}
