#pragma once
// MT19937 with a uniform range function. The default instance seeds itself
// with 5489; other instances that were never seeded take 5490, 5491, ... in
// the order they are first used.
#include "base/GxTypes.h"

class GxRandom {
public:
    void Seed(u32 seed);
    u32 Next();
    // Uniform in 0 to n - 1; 0 (and no draw) when n < 1.
    u32 Range(s32 n);

    static GxRandom& Default();
    // The default instance unseeded again and the instance seeds counted
    // from the start, as in a new process.
    static void ResetShared();

private:
    u32 m_State[624] = {};
    u32 m_Index = 0;
    bool m_Seeded = false;
    s32 m_RangeN = 0;
    u32 m_RangeLimit = 0;
    s32 m_RangeShift = 0;
};
