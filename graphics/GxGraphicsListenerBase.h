#pragma once
// Told when the device is lost and when it has been reset, with the display
// mode being changed to and the one before.
#include "base/GxTypes.h"

class GxGraphicsListenerBase {
public:
    virtual ~GxGraphicsListenerBase() = default;
    virtual void OnDeviceLost(u32 newMode, u32 previousMode) = 0;
    virtual void OnDeviceReset(u32 newMode, u32 previousMode) = 0;
};

using GxDeviceEventCallback = void (*)(u32 newMode, u32 previousMode);
