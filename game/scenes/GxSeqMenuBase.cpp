#include "game/scenes/GxSeqMenuBase.h"

#include "game/GxGameSound.h"
#include "layers/GxTaskLayer.h"
#include "tasks/GxCoreBase.h"
#include "tasks/GxInput.h"
#include "tasks/GxSystemConfig.h"
#include "tasks/GxTaskManage.h"
#include "ui/GxTaskUIBase.h"
#include "ui/GxUIManage.h"

#include <vector>

namespace {
constexpr f32 kBackgroundOrderZ = -10.0f;
// The keyboard's device keys of the left and right Control keys.
constexpr int kDeviceKeyLeftControl = 0x1D;
constexpr int kDeviceKeyRightControl = 0x9D;
} // namespace

GxSeqMenuBase::GxSeqMenuBase(GxTaskBase* parent, const GxChar* name, bool fromLayout,
                             std::initializer_list<const GxChar*> pages)
    : GxSeqTransitBase(parent, name) {
    SetAcceptUIEventFlag(true);
    auto* root = new GxTaskFolder(this, TaskName(u"$ROOT:").c_str());
    std::vector<GxTaskFolder*> folders{new GxTaskFolder(root, TaskName(u"$UI:").c_str())};
    for (const GxChar* page : pages) folders.push_back(new GxTaskFolder(root, TaskName(page).c_str()));
    auto* background = new GxTaskLayer(root, TaskName(u"$BGLAYER:").c_str());
    background->SetOrderZ(kBackgroundOrderZ);
    if (!fromLayout) return;
    if (GxUIManage* manage = GxUIManage::Get())
        for (GxTaskFolder* folder : folders) manage->CreateUIFromLayout(folder->GetTaskName(), folder, this);
}

GxSeqMenuBase::~GxSeqMenuBase() = default;

GxString GxSeqMenuBase::TaskName(const GxChar* prefix) const { return prefix + GetTaskName(); }

GxTaskFolder* GxSeqMenuBase::GetUIFolder() const {
    return m_Manager ? dynamic_cast<GxTaskFolder*>(m_Manager->FindTaskNameStr(TaskName(u"$UI:"))) : nullptr;
}

GxTaskLayer* GxSeqMenuBase::GetBackgroundLayer() const {
    GxTaskBase* task = m_Manager ? m_Manager->FindTaskNameStr(TaskName(u"$BGLAYER:")) : nullptr;
    return task && (task->TypeBits & kGxTypeLayer) ? static_cast<GxTaskLayer*>(task) : nullptr;
}

GxTaskUIBase* GxSeqMenuBase::FindWidget(const GxChar* localName) const {
    GxTaskFolder* ui = GetUIFolder();
    return ui ? GxTaskUIBase::FromTask(ui->FindTaskLocal(localName, 0)) : nullptr;
}

bool GxSeqMenuBase::ChangeSequence(const GxChar* name) {
    return m_Manager && m_Manager->ChangeSequenceByName(name, m_SeqWorkIndex, 0, 0);
}

void GxSeqMenuBase::PlayButtonSound(GxTaskBase* sender) { GxPlayButtonSound(sender); }

const GxSystemConfig& GxSeqMenuBase::Config() const {
    static const GxSystemConfig builtIn;
    GxCoreBase* core = GetCore();
    const GxSystemConfig* config = core ? core->GetSystemConfig() : nullptr;
    return config ? *config : builtIn;
}

bool GxSeqMenuBase::IsControlHeld() {
    const GxInputState* keyboard = GxGetInputState(0);
    return keyboard && (keyboard->IsDown(kDeviceKeyLeftControl) || keyboard->IsDown(kDeviceKeyRightControl));
}
