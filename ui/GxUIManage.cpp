#include "ui/GxUIManage.h"

#include "tasks/GxTaskFolder.h"
#include "ui/DBUILayoutRecord.h"
#include "ui/GxTaskUIBase.h"
#include "ui/GxUIModuleLoaderBase.h"

namespace {

GxUIManage* g_Manage = nullptr;

void CancelMode(bool* mode, GxTaskFolder* folder, const GxChar* button) {
    if (!*mode) return;
    *mode = false;
    GxTaskUIBase* w = folder ? GxTaskUIBase::FromTask(folder->FindTaskLocal(button, 0)) : nullptr;
    if (w) w->SetValueBool(false);
}

} // namespace

GxUIManage* GxUIManage::Get() { return g_Manage; }

GxUIManage::GxUIManage() { g_Manage = this; }

GxUIManage::~GxUIManage() {
    if (g_Manage == this) g_Manage = nullptr;
}

bool GxUIManage::IsUIBlockClear(int block) const {
    return block < 0 || block >= kBlockCount || m_UIBlock[block] == 0;
}

void GxUIManage::SetUIBlock(int block, u8 value) {
    if (block >= 0 && block < kBlockCount) m_UIBlock[block] = value;
}

void GxUIManage::CreateUIFromLayout(const GxString& parentName, GxTaskBase* parent, GxUIModuleLoaderBase* scene,
                                    std::span<const DBUILayoutRecord> table) {
    if (!scene) return;
    if (table.empty()) table = m_LayoutTable;
    for (const DBUILayoutRecord& r : table)
        if (r.Create != 0 && r.ParentName == parentName) scene->LoadUIModule(parent, &r, r.TaskName.c_str(), r.TaskIndex);
}

void GxUIManage::ResetUIEventStates(GxTaskBase* first) {
    for (GxTaskBase* t = first; t; t = t->GetNextSibling()) {
        ResetUIEventStates(t->GetFirstChild());
        if (GxTaskUIBase* w = GxTaskUIBase::FromTask(t)) w->ResetEventState();
    }
}

void GxCancelAutoMode(GxUIManage* manage, GxTaskFolder* folder) {
    if (manage) CancelMode(&manage->m_AutoMode, folder, u"btn_auto");
}

void GxCancelSkipMode(GxUIManage* manage, GxTaskFolder* folder) {
    if (manage) CancelMode(&manage->m_SkipMode, folder, u"btn_skip");
}
