#pragma once
// Key messages offered to the task trees: the virtual-key code and the key
// message's data word (repeat count, scan code, extended, previous state,
// transition). The last two operations have no sender in the engine but are
// offered the same way. Nonzero consumes the event.
#include "base/GxTypes.h"

class GxTaskKeyInputListenerBase {
public:
    virtual ~GxTaskKeyInputListenerBase() = default;
    virtual int OnKeyDown(u32 /*virtualKey*/, u32 /*keyData*/) { return 0; }
    virtual int OnKeyUp(u32 /*virtualKey*/, u32 /*keyData*/) { return 0; }
    virtual int OnKeyInputEvent2(s64 /*value0*/, s64 /*value1*/) { return 0; }
    virtual int OnKeyInputEvent3(s64 /*value0*/, s64 /*value1*/, s64 /*value2*/) { return 0; }
};
