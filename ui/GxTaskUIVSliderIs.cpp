#include "ui/GxTaskUIVSliderIs.h"

GxTaskUIVSliderIs::GxTaskUIVSliderIs(GxTaskBase* parent, const GxChar* name, const GxChar* localName, s32 localIndex)
    : GxTaskUISliderIs(parent, name, localName, localIndex, true, u"GxTaskUIVSliderIs") {
    SetTaskTag(kTypeCode);
}
