#pragma once
// Mouse events offered to the task trees. Positions are in the 1024 x 768
// virtual screen; key flags are the mouse message's button and modifier bits;
// the wheel delta is 120 per notch. Nonzero consumes the event.
#include "base/GxVector.h"

class GxTaskMouseListenerBase {
public:
    virtual ~GxTaskMouseListenerBase() = default;
    virtual int OnMouseMove(const GxVector2& /*pos*/, u32 /*keyFlags*/) { return 0; }
    virtual int OnMouseWheel(const GxVector2& /*pos*/, s32 /*delta*/, u32 /*keyFlags*/) { return 0; }
    virtual int OnLButtonDown(const GxVector2& /*pos*/, u32 /*keyFlags*/, bool /*doubleClick*/) { return 0; }
    virtual int OnLButtonUp(const GxVector2& /*pos*/, u32 /*keyFlags*/) { return 0; }
    virtual int OnRButtonDown(const GxVector2& /*pos*/, u32 /*keyFlags*/, bool /*doubleClick*/) { return 0; }
    virtual int OnRButtonUp(const GxVector2& /*pos*/, u32 /*keyFlags*/) { return 0; }
    virtual int OnMButtonDown(const GxVector2& /*pos*/, u32 /*keyFlags*/, bool /*doubleClick*/) { return 0; }
    virtual int OnMButtonUp(const GxVector2& /*pos*/, u32 /*keyFlags*/) { return 0; }
};
