#include "ui/GxTaskUINull.h"

GxTaskUINull::GxTaskUINull(GxTaskBase* parent, const GxChar* name, const GxChar* localName, s32 localIndex)
    : GxTaskUIBase(parent, name, localName, localIndex) {
    SetTaskTag(kTypeCode);
}
