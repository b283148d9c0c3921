#include "ui/GxShowTipHelp.h"

#include "tasks/GxTaskManage.h"
#include "ui/GxTaskUIBase.h"

void GxShowTipHelp(GxTaskManage* manager, const GxChar* text, const GxVector4* position) {
    GxTaskBase* task = manager ? manager->FindTaskName(u"tip_help") : nullptr;
    if (!task) return;
    task->Resume();
    GxTaskUIBase* tip = GxTaskUIBase::FromTask(task);
    if (!tip) return;
    tip->Show();
    tip->SetText(text);
    // Placing the tip belongs to the tip widget (its SetTipPosition, which
    // keeps it on the screen); until that widget exists the tip stays where
    // its layout put it.
    (void)position;
}
