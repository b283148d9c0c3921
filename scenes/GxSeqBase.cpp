#include "scenes/GxSeqBase.h"

#include "base/GxLog.h"
#include "gamedata/DBUIModule.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxGraphicsTypes.h"
#include "layers/GxTaskActor.h"
#include "scenes/GxSceneGameServices.h"
#include "tasks/GxCoreBase.h"
#include "tasks/GxSystemConfig.h"
#include "tasks/GxTaskManage.h"
#include "tasks/GxTaskRenderManage.h"
#include "ui/DBUILayoutRecord.h"
#include "ui/GxTaskUIBase.h"
#include "ui/GxUIManage.h"
#include "ui/GxUIWidgetFactory.h"

namespace {
// Without a UI manager nothing blocks.
bool IsBlockClear(int block) {
    const GxUIManage* ui = GxUIManage::Get();
    return !ui || ui->IsUIBlockClear(block);
}
} // namespace

GxSeqBase::GxSeqBase(GxTaskBase* parent, const GxChar* name) : GxSeqTaskBase(parent, name) {}

GxSeqBase::~GxSeqBase() = default;

GxCoreBase* GxSeqBase::GetCore() const {
    if (m_Manager && m_Manager->GetCore()) return m_Manager->GetCore();
    return GxCoreBase::GetCoreBase();
}

bool GxSeqBase::IsUIWidgetActive(GxTaskBase* widget) {
    if (!widget || widget->IsSuspended()) return false;
    const GxTaskUIBase* w = GxTaskUIBase::FromTask(widget);
    return !w || w->IsVisibleInTree();
}

bool GxSeqBase::CanOperateUI(GxTaskBase* widget, u32 ignoreMask) {
    if (!widget) return false;
    const GxTaskUIBase* w = GxTaskUIBase::FromTask(widget);
    const GxUIManage* ui = GxUIManage::Get();
    if (!(ignoreMask & kGxUIIgnoreSuspended) && widget->IsSuspended()) return false;
    if (!(ignoreMask & kGxUIIgnoreActive) && !IsUIWidgetActive(widget)) return false;
    if (w && (!w->IsEnabledInTree() || w->IsLockedInTree())) return false;
    if (!(ignoreMask & kGxUIIgnoreActions) && (widget->TypeBits & kGxTypeActor) &&
        !static_cast<const GxTaskActor*>(widget)->IsActionFinished())
        return false;
    if (!(ignoreMask & kGxUIIgnoreModal) && ui && !GxTaskUIBase::PassesModalLevel(widget, ui->m_ModalLevel))
        return false;
    // A scene current on no worker has no main phase and no pending change to
    // ask about: both tests fail.
    const GxSeqWorker* worker = m_Manager ? m_Manager->GetSeqWorker(m_SeqWorkIndex) : nullptr;
    if (!(ignoreMask & kGxUIIgnoreMainStarted) && (!worker || !worker->m_MainStarted)) return false;
    if (!(ignoreMask & kGxUIIgnoreChangePending) && (!worker || worker->m_ChangePending)) return false;
    return IsBlockClear(0);
}

bool GxSeqBase::IsUIBlock1Clear() { return IsBlockClear(1); }
bool GxSeqBase::IsUIBlock2Clear() { return IsBlockClear(2); }
bool GxSeqBase::IsUIBlock3Clear() { return IsBlockClear(3); }

GxTaskBase* GxSeqBase::CreateUIWidget(GxTaskBase* parent, const DBUIModuleRecord* module, const GxChar* name,
                                      s32 localIndex) {
    if (!module) return nullptr;
    GxTaskUIBase* widget = GxUIWidgetFactory::Construct(module->UIType, parent, name, localIndex, this);
    if (widget) widget->ApplyModuleRecord(*module);
    return widget;
}

GxTaskBase* GxSeqBase::LoadUIModule(GxTaskBase* parent, const DBUILayoutRecord* layout, const GxChar* name,
                                    s32 localIndex) {
    if (!layout) return nullptr;
    const s32 id = g_DBUIModule.FindNameMap(layout->ModuleName, 0);
    const DBUIModuleRecord* module = id != 0 ? g_DBUIModule.GetRecord(id) : nullptr;
    if (!module) {
        const GxSeqTaskBase* owner = parent ? parent->GetOwnerSequence() : nullptr;
        GxWriteErrorLog(u"UIモジュールデータ[%s]が見つかりません:%s\n", layout->ModuleName,
                        owner ? owner->GetTaskName() : GxString());
        return nullptr;
    }
    GxTaskUIBase* widget = GxUIWidgetFactory::Construct(module->UIType, parent, name, localIndex, this);
    if (!widget) return nullptr;
    widget->ApplyLayoutRecord(*layout);
    widget->ApplyModuleRecord(*module);
    return widget;
}

void GxSeqBase::OnEndSequence(int) {
    ClearUIEvents();
    if (!m_Manager) return;
    if (GxTaskBase* tip = m_Manager->FindTaskName(u"tip_help")) tip->Suspend();
    GxSceneGameServices* game = GxSceneGameServices::Get();
    if (!game) return;
    GxTaskBase* shutdown = m_Manager->FindTaskName(u"dlg_shutdown");
    if (shutdown && shutdown->IsRunning()) game->CloseShutdownDialog(false);
    GxTaskBase* user = m_Manager->FindTaskName(u"dlg_user");
    if (user && user->IsRunning() && game->GetUserDialogOwner() == this) game->CloseUserDialog(false);
}

int GxSeqBase::UpdateBeforeMain(int, s64) {
    if (m_SeqWorkIndex >= 0 && m_Manager) m_Manager->StartMain(m_SeqWorkIndex);
    return 0;
}

int GxSeqBase::EnqueueRender(int, s64) {
    GxCoreBase* core = GetCore();
    if (GxTaskRenderManage* list = core ? core->GetRenderList(0) : nullptr) list->AddTask(0, this, 0.0f, 0);
    return 0;
}

void GxSeqBase::ClearScreen() {
    GxCoreBase* core = GetCore();
    const GxSystemConfig* config = core ? core->GetSystemConfig() : nullptr;
    const u32 colour = config ? config->m_BackgroundColor : 0xFF000000u;
    // A target without a depth buffer is still cleared.
    if (GxGraphics::Clear(kGxClearTarget | kGxClearZBuffer | kGxClearStencil, colour, 1.0f, 0)) return;
    GxGraphics::Clear(kGxClearTarget, colour, 1.0f, 0);
}

int GxSeqBase::Render(int, int) {
    ClearScreen();
    return 0;
}

int GxSeqBase::OnUIEventDecide(GxTaskBase* sender, const GxUIEventParam*) {
    GxSceneGameServices* game = GxSceneGameServices::Get();
    if (!sender || !game) return 0;
    const GxTaskBase* parent = sender->GetParent();
    if (!parent || parent->GetTaskName() != u"dlg_user") return 0;
    if (game->GetPendingDialogRequest() != u"SeqAvgMain_USERDIALOG") return 0;
    const GxString& button = sender->GetTaskLocalName();
    if (button == u"btn_dlguser_yes" || button == u"btn_dlguser_ok")
        game->SetDialogResult(1);
    else if (button == u"btn_dlguser_no" || button == u"btn_dlguser_cancel")
        game->SetDialogResult(0);
    else
        return 0;
    game->CloseUserDialog(true);
    return 1;
}
