#pragma once
// The wake-up of a refill thread: set by the mixer (a buffer ended, the play
// cursor passed a notification position) or by the owner, waited for by one
// thread. Sets that come before the wait are kept, never lost; several sets
// before one wait wake it once.
//
// Every event also knows whether its thread is working on a wake. settle_all
// returns once every attached thread has handled every wake set so far and
// waits again (or has ended), so that a test pumping the null output by hand,
// and the clock-paced null output, see the refills the audio has asked for
// before the next block is mixed.
#include <condition_variable>
#include <mutex>

namespace paudio {

class wake_event {
public:
    wake_event();
    ~wake_event();
    wake_event(const wake_event&) = delete;
    wake_event& operator=(const wake_event&) = delete;

    void set();
    // The owner, before it starts the waiting thread: the thread counts as
    // busy until its first wait.
    void attach_waiter();
    // The waiting thread, as it ends (or the owner, when the thread could not
    // be started).
    void detach_waiter();
    // The waiting thread: marks the previous wake handled, blocks until set,
    // and clears the set.
    void wait();

    // Blocks until every attached thread is idle with no wake pending.
    static void settle_all();

private:
    void settle();

    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_signaled = false;
    bool m_busy = false;
    bool m_attached = false;
};

} // namespace paudio
