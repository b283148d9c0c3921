#include "ui/GxTaskUITextPanelIs.h"

GxTaskUITextPanelIs::GxTaskUITextPanelIs(GxTaskBase* parent, const GxChar* name, const GxChar* localName,
                                         s32 localIndex)
    : GxTaskUITextPanel(parent, name, localName, localIndex, u"GxTaskUITextPanelIs") {
    SetTaskTag(kTypeCode);
}
