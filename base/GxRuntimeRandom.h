#pragma once
// The small process-wide generator of pseudo-random integers 0..32767 that
// actor shakes and layer shakes draw from: a linear congruential generator
// whose sequence depends on its seed only. The game's start-up seeds it
// (with the calendar time plus the millisecond timer); unseeded it starts
// from 1, so a run that never seeds repeats itself.
#include "base/GxTypes.h"

class GxRuntimeRandom {
public:
    static constexpr s32 kMax = 32767;

    static void Seed(u32 seed);
    // The next value, 0 to kMax.
    static s32 Next();
};
