#include "ui/GxShowTipHelp.h"

#include "tasks/GxTaskManage.h"
#include "ui/GxTaskUIBase.h"
#include "ui/GxTaskUITipHelpIs.h"

void GxShowTipHelp(GxTaskManage* manager, const GxChar* text, const GxVector4* position) {
    GxTaskBase* task = manager ? manager->FindTaskName(u"tip_help") : nullptr;
    if (!task) return;
    task->Resume();
    GxTaskUIBase* tip = GxTaskUIBase::FromTask(task);
    if (!tip) return;
    tip->Show();
    tip->SetText(text);
    // Any other widget under the name stays where its layout put it.
    auto* tipHelp = dynamic_cast<GxTaskUITipHelpIs*>(tip);
    if (tipHelp && position) tipHelp->SetTipPosition(GxVector3(position->x, position->y, position->z));
}
