#include "ui/GxTaskUITextPanelFx.h"

GxTaskUITextPanelFx::GxTaskUITextPanelFx(GxTaskBase* parent, const GxChar* name, const GxChar* localName,
                                         s32 localIndex)
    : GxTaskUITextPanel(parent, name, localName, localIndex, u"GxTaskUITextPanelFx") {
    SetTaskTag(kTypeCode);
}
