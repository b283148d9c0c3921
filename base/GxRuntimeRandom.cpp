#include "base/GxRuntimeRandom.h"

#include <atomic>

namespace {
std::atomic<u32> g_State{1};
}

void GxRuntimeRandom::Seed(u32 seed) { g_State.store(seed, std::memory_order_relaxed); }

// Layers on the loader's threads draw beside the main one: the step is one
// atomic exchange, so two draws never take the same state and one step is
// never lost.
s32 GxRuntimeRandom::Next() {
    u32 s = g_State.load(std::memory_order_relaxed);
    u32 next = 0;
    do {
        next = s * 214013u + 2531011u;
    } while (!g_State.compare_exchange_weak(s, next, std::memory_order_relaxed));
    return s32((next >> 16) & 0x7FFFu);
}
