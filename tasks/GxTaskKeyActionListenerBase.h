#pragma once
// The game's actions (the key-mapped input state) and the analog sticks,
// offered to the task trees once per update step. Nonzero consumes the event.
#include "base/GxVector.h"

class GxInputState;

class GxTaskKeyActionListenerBase {
public:
    virtual ~GxTaskKeyActionListenerBase() = default;
    virtual int OnKeyActionUpdate(const GxInputState* /*keyMapState*/, int /*step*/, s64 /*elapsed*/) { return 0; }
    // The stick record is (x, y, z, w); slot is the input state (0-4), stick 0-3.
    virtual int OnKeyAction(const GxVector4* /*stick*/, int /*slot*/, int /*stickIndex*/, int /*step*/,
                            s64 /*elapsed*/) {
        return 0;
    }
};
