#include "media/sound/GxRefillThread.h"

#include <system_error>

bool GxRefillThread::Start(std::function<bool()> work) {
    if (m_Thread.joinable()) return true;
    m_Quit = false;
    m_Event.attach_waiter();
    try {
        m_Thread = std::thread([this, work = std::move(work)] {
            for (;;) {
                m_Event.wait();
                if (m_Quit || !work()) break;
            }
            m_Event.detach_waiter();
        });
    } catch (const std::system_error&) {
        m_Event.detach_waiter();
        return false;
    }
    return true;
}

void GxRefillThread::Stop() {
    if (!m_Thread.joinable()) return;
    m_Quit = true;
    m_Event.set();
    m_Thread.join();
    m_Quit = false;
}
