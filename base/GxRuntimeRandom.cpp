#include "base/GxRuntimeRandom.h"

#include <atomic>

namespace {
std::atomic<u32> g_State{1};
}

void GxRuntimeRandom::Seed(u32 seed) { g_State.store(seed, std::memory_order_relaxed); }

s32 GxRuntimeRandom::Next() {
    u32 s = g_State.load(std::memory_order_relaxed);
    s = s * 214013u + 2531011u;
    g_State.store(s, std::memory_order_relaxed);
    return s32((s >> 16) & 0x7FFFu);
}
