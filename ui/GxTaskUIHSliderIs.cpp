#include "ui/GxTaskUIHSliderIs.h"

GxTaskUIHSliderIs::GxTaskUIHSliderIs(GxTaskBase* parent, const GxChar* name, const GxChar* localName, s32 localIndex)
    : GxTaskUISliderIs(parent, name, localName, localIndex, false, u"GxTaskUIHSliderIs") {
    SetTaskTag(kTypeCode);
}
