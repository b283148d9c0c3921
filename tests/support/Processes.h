#pragma once
// Waiting on other processes within bounds: a test that starts a program never
// hangs on it.
#include <chrono>
#include <sys/types.h>
#include <thread>

namespace qtest {

// Waits for a child; its exit code, 128 + the signal that ended it, or -1 when
// it is still running at the deadline (it is then killed).
int WaitExit(pid_t pid, std::chrono::seconds limit);

// A process that is gone: reaped, or a zombie nobody has reaped yet.
bool ProcessGone(pid_t pid);

// The id of a process that has ended (a writer killed, or one on another
// machine), until another takes it.
pid_t EndedProcessId();

// Polls for a condition of another process, within a bound.
template <class F>
bool Eventually(F&& f, std::chrono::seconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!f()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

} // namespace qtest
