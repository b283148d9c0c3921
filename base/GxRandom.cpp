#include "base/GxRandom.h"

#include <atomic>

namespace {
std::atomic<u32> g_InstanceCounter{5489};
}

GxRandom& GxRandom::Default() {
    static GxRandom r;
    return r;
}

void GxRandom::ResetShared() {
    Default() = GxRandom();
    g_InstanceCounter = 5489;
}

void GxRandom::Seed(u32 seed) {
    m_State[0] = seed;
    for (u32 i = 1; i < 624; ++i) m_State[i] = 1812433253u * (m_State[i - 1] ^ (m_State[i - 1] >> 30)) + i;
    m_Index = 0;
    m_Seeded = true;
    m_RangeN = 0;
    m_RangeLimit = 0;
    m_RangeShift = 0;
}

u32 GxRandom::Next() {
    if (!m_Seeded) Seed(this == &Default() ? 5489u : ++g_InstanceCounter);
    if (m_Index == 0) {
        for (int i = 0; i < 624; ++i) {
            u32 y = (m_State[i] & 0x80000000u) | (m_State[(i + 1) % 624] & 0x7FFFFFFFu);
            m_State[i] = m_State[(i + 397) % 624] ^ (y >> 1) ^ ((y & 1u) ? 0x9908B0DFu : 0u);
        }
    }
    u32 y = m_State[m_Index];
    y ^= y >> 11;
    y ^= (y << 7) & 0x9D2C5680u;
    y ^= (y << 15) & 0xEFC60000u;
    y ^= y >> 18;
    m_Index = (m_Index + 1) % 624;
    return y;
}

u32 GxRandom::Range(s32 n) {
    if (n < 1) return 0;
    if (n != m_RangeN) {
        m_RangeN = n;
        m_RangeLimit = u32(n);
        m_RangeShift = 0;
        if (u32(n) <= 0x40000000u) {
            while (m_RangeLimit <= 0x40000000u) {
                m_RangeLimit <<= 1;
                ++m_RangeShift;
            }
        }
    }
    const u32 limit = m_RangeLimit;
    const s32 shift = m_RangeShift;
    u32 r = Next() >> 1;
    if (r < limit) return r >> shift;
    for (;;) {
        // Reuse the part of the 31-bit range above the limit before drawing again.
        u32 rest = 0x80000000u - limit;
        u32 rr = r - limit;
        u32 d = limit;
        s32 s = shift;
        while (rest >= u32(n)) {
            while (d > rest) {
                d >>= 1;
                --s;
            }
            if (rr < d) return rr >> s;
            rest -= d;
            rr -= d;
        }
        r = Next() >> 1;
        if (r < limit) return r >> shift;
    }
}
