#pragma once
// The UI-event interface of folders (and so of every scene and widget).
// OnUIEvent accepts, queues or routes an event; routing calls the handler whose
// number is the event type. Handlers return nonzero when they handled it.
#include "tasks/GxUIEventParam.h"

class GxTaskBase;

class GxUIListenerBase {
public:
    virtual ~GxUIListenerBase() = default;
    virtual bool OnUIEvent(GxTaskBase* sender, const GxUIEventParam* ev) = 0;

    virtual int OnUIEventDecide(GxTaskBase*, const GxUIEventParam*) { return 0; }         // 1
    virtual int OnUIEventCancel(GxTaskBase*, const GxUIEventParam*) { return 0; }         // 2
    virtual int OnUIEventType03(GxTaskBase*, const GxUIEventParam*) { return 0; }
    virtual int OnUIEventRelease(GxTaskBase*, const GxUIEventParam*) { return 0; }        // 4
    virtual int OnUIEventType05(GxTaskBase*, const GxUIEventParam*) { return 0; }
    virtual int OnUIEventType06(GxTaskBase*, const GxUIEventParam*) { return 0; }
    virtual int OnUIEventPointerEnter(GxTaskBase*, const GxUIEventParam*) { return 0; }   // 7
    virtual int OnUIEventPointerLeave(GxTaskBase*, const GxUIEventParam*) { return 0; }   // 8
    virtual int OnUIEventType09(GxTaskBase*, const GxUIEventParam*) { return 0; }
    virtual int OnUIEventType10(GxTaskBase*, const GxUIEventParam*) { return 0; }
    virtual int OnUIEventType11(GxTaskBase*, const GxUIEventParam*) { return 0; }
    virtual int OnUIEventType12(GxTaskBase*, const GxUIEventParam*) { return 0; }
    virtual int OnUIEventType13(GxTaskBase*, const GxUIEventParam*) { return 0; }
    virtual int OnUIEventType14(GxTaskBase*, const GxUIEventParam*) { return 0; }
    virtual int OnUIEventSelect(GxTaskBase*, const GxUIEventParam*) { return 0; }         // 15
    virtual int OnUIEventValueChange(GxTaskBase*, const GxUIEventParam*) { return 0; }    // 16
    virtual int OnUIEventType17(GxTaskBase*, const GxUIEventParam*) { return 0; }
    virtual int OnUIEventType18(GxTaskBase*, const GxUIEventParam*) { return 0; }
    virtual int OnUIEventType19(GxTaskBase*, const GxUIEventParam*) { return 0; }
    virtual int OnUIEventType20(GxTaskBase*, const GxUIEventParam*) { return 0; }
    virtual int OnUIEventType21(GxTaskBase*, const GxUIEventParam*) { return 0; }
    virtual int OnUIEventType22(GxTaskBase*, const GxUIEventParam*) { return 0; }
    virtual int OnUIEventType23(GxTaskBase*, const GxUIEventParam*) { return 0; }
    virtual int OnUIEventType24(GxTaskBase*, const GxUIEventParam*) { return 0; }
    virtual int OnUIEventActionEnd(GxTaskBase*, const GxUIEventParam*) { return 0; }      // 25
    virtual int OnUIEventType26(GxTaskBase*, const GxUIEventParam*) { return 0; }

    // Calls the handler of event type 1..26; 0 for any other type.
    int CallUIEventHandler(s32 type, GxTaskBase* sender, const GxUIEventParam* ev);
};
