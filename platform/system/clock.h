#pragma once
// Monotonic time and sleeping, behind a replaceable clock so that frame pacing,
// fades and waits can be driven by tests without real waiting.
#include <cstdint>

namespace psys {

// Time source used by everything that paces or waits.
class clock {
public:
    virtual ~clock() = default;
    virtual uint64_t now_us() = 0;           // monotonic microseconds
    virtual void sleep_ms(uint32_t ms) = 0;  // may return early; 0 yields
    // Returns once now_us() has reached t, without giving up precision: the
    // system clock sleeps while far away and spins for the last stretch.
    virtual void spin_until_us(uint64_t t) {
        while (now_us() < t) sleep_ms(0);
    }
    uint64_t now_ms() { return now_us() / 1000; }
};

// The real monotonic clock of the machine.
clock& system_clock();

// The clock in use; the system clock unless a test installed another.
clock& current_clock();
// Installs a clock (null restores the system clock). Not thread-safe against
// concurrent readers: install before the threads that read it start.
void set_current_clock(clock* c);

// Shorthands over the current clock.
inline uint64_t now_us() { return current_clock().now_us(); }
inline uint64_t now_ms() { return current_clock().now_us() / 1000; }
inline void sleep_ms(uint32_t ms) { current_clock().sleep_ms(ms); }

// Wall-clock seconds since 1970 (for dates, not for pacing).
int64_t wall_time_seconds();

// A clock that only moves when told to: sleeping advances it by the slept time.
class manual_clock final : public clock {
public:
    explicit manual_clock(uint64_t start_us = 1000000) : now_(start_us) {}
    uint64_t now_us() override { return now_; }
    void sleep_ms(uint32_t ms) override { now_ += uint64_t(ms) * 1000; slept_ms_ += ms; ++sleeps_; }
    void spin_until_us(uint64_t t) override {
        if (now_ < t) now_ = t;
    }
    void advance_us(uint64_t us) { now_ += us; }
    void set_us(uint64_t us) { now_ = us; }
    uint64_t slept_ms() const { return slept_ms_; }
    uint64_t sleeps() const { return sleeps_; }
private:
    uint64_t now_;
    uint64_t slept_ms_ = 0;
    uint64_t sleeps_ = 0;
};

} // namespace psys
