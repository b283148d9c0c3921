#pragma once
// Window events offered to the task trees. Every default returns 0: not
// consumed, so the offer goes on to the next task.
#include "base/GxTypes.h"

class GxTaskWindowListenerBase {
public:
    virtual ~GxTaskWindowListenerBase() = default;
    virtual int OnActivate() { return 0; }
    virtual int OnDeactivate() { return 0; }
    // Nonzero keeps the window open.
    virtual int OnClose() { return 0; }
    virtual int OnWindowEvent(s64 /*value0*/, s64 /*value1*/) { return 0; }
};
