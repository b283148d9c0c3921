#include "tasks/GxUIListenerBase.h"

int GxUIListenerBase::CallUIEventHandler(s32 type, GxTaskBase* sender, const GxUIEventParam* ev) {
    using Handler = int (GxUIListenerBase::*)(GxTaskBase*, const GxUIEventParam*);
    static constexpr Handler kHandlers[kGxUIEventTypeMax] = {
        &GxUIListenerBase::OnUIEventDecide,       &GxUIListenerBase::OnUIEventCancel,
        &GxUIListenerBase::OnUIEventType03,       &GxUIListenerBase::OnUIEventRelease,
        &GxUIListenerBase::OnUIEventType05,       &GxUIListenerBase::OnUIEventType06,
        &GxUIListenerBase::OnUIEventPointerEnter, &GxUIListenerBase::OnUIEventPointerLeave,
        &GxUIListenerBase::OnUIEventType09,       &GxUIListenerBase::OnUIEventType10,
        &GxUIListenerBase::OnUIEventType11,       &GxUIListenerBase::OnUIEventType12,
        &GxUIListenerBase::OnUIEventType13,       &GxUIListenerBase::OnUIEventType14,
        &GxUIListenerBase::OnUIEventSelect,       &GxUIListenerBase::OnUIEventValueChange,
        &GxUIListenerBase::OnUIEventType17,       &GxUIListenerBase::OnUIEventType18,
        &GxUIListenerBase::OnUIEventType19,       &GxUIListenerBase::OnUIEventType20,
        &GxUIListenerBase::OnUIEventType21,       &GxUIListenerBase::OnUIEventType22,
        &GxUIListenerBase::OnUIEventType23,       &GxUIListenerBase::OnUIEventType24,
        &GxUIListenerBase::OnUIEventActionEnd,    &GxUIListenerBase::OnUIEventType26,
    };
    if (type < 1 || type > kGxUIEventTypeMax) return 0;
    return (this->*kHandlers[type - 1])(sender, ev);
}
