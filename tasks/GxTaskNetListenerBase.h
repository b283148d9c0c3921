#pragma once
// Network events: part of every task's interface, offered like the others,
// though nothing in the engine sends them.
#include "base/GxTypes.h"

class GxTaskNetListenerBase {
public:
    virtual ~GxTaskNetListenerBase() = default;
    virtual int OnNetEvent1(s64 /*value*/) { return 0; }
    virtual int OnNetEvent2(s64 /*value*/) { return 0; }
    virtual int OnNetEvent3(s64 /*value0*/, s64 /*value1*/) { return 0; }
    virtual int OnNetEvent4(s64 /*value0*/, s64 /*value1*/) { return 0; }
    virtual int OnNetEvent5(s64 /*value0*/, s64 /*value1*/) { return 0; }
};
