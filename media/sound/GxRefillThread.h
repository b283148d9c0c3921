#pragma once
// The refill thread of a streaming buffer, woken through its event by the
// mixer (a buffer ended, the play cursor passed a notification). It is asked
// to end by a flag and a wake, which cannot be lost, and its owner joins it
// before anything the thread uses goes.
#include "platform/audio/wake_event.h"

#include <atomic>
#include <functional>
#include <thread>

class GxRefillThread {
public:
    GxRefillThread() = default;
    ~GxRefillThread() { Stop(); }
    GxRefillThread(const GxRefillThread&) = delete;
    GxRefillThread& operator=(const GxRefillThread&) = delete;

    paudio::wake_event& GetEvent() { return m_Event; }
    bool IsStarted() const { return m_Thread.joinable(); }
    // Runs work once per wake until it returns false or Stop; false when no
    // thread could be made.
    bool Start(std::function<bool()> work);
    // Ends and joins the thread. The caller holds no lock the work takes.
    void Stop();

private:
    paudio::wake_event m_Event;
    std::atomic<bool> m_Quit{false};
    std::thread m_Thread;
};
