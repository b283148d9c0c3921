#include "platform/system/clock.h"

#include <atomic>
#include <ctime>
#include <thread>
#include <chrono>

namespace psys {
namespace {

class monotonic_clock final : public clock {
public:
    uint64_t now_us() override {
        timespec ts{};
        clock_gettime(CLOCK_MONOTONIC, &ts);
        return uint64_t(ts.tv_sec) * 1000000u + uint64_t(ts.tv_nsec) / 1000u;
    }
    void sleep_ms(uint32_t ms) override {
        if (ms == 0) {
            std::this_thread::yield();
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
    void spin_until_us(uint64_t t) override {
        // Linux sleeps wake within a timer slack of about 50 µs, so sleep
        // until shortly before the deadline and spin only for the rest: a
        // longer spin is what a still screen would spend its CPU on.
        for (;;) {
            uint64_t now = now_us();
            if (now >= t) return;
            uint64_t left = t - now;
            if (left > 300)
                std::this_thread::sleep_for(std::chrono::microseconds(left - 150));
            else
                std::this_thread::yield();
        }
    }
};

std::atomic<clock*> g_current{nullptr};

} // namespace

clock& system_clock() {
    static monotonic_clock c;
    return c;
}

clock& current_clock() {
    clock* c = g_current.load(std::memory_order_acquire);
    return c ? *c : system_clock();
}

void set_current_clock(clock* c) { g_current.store(c, std::memory_order_release); }

int64_t wall_time_seconds() { return int64_t(::time(nullptr)); }

} // namespace psys
