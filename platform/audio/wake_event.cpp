#include "platform/audio/wake_event.h"

#include <algorithm>
#include <vector>

namespace paudio {
namespace {

struct registry {
    std::mutex mutex;
    std::vector<wake_event*> events;
};

registry& events() {
    static registry r;
    return r;
}

} // namespace

wake_event::wake_event() {
    registry& r = events();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.events.push_back(this);
}

wake_event::~wake_event() {
    registry& r = events();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.events.erase(std::find(r.events.begin(), r.events.end(), this));
}

void wake_event::set() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_signaled = true;
    m_cv.notify_all();
}

void wake_event::attach_waiter() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_attached = true;
    m_busy = true;
}

void wake_event::detach_waiter() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_attached = false;
    m_busy = false;
    m_cv.notify_all();
}

void wake_event::wait() {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_busy = false;
    m_cv.notify_all();
    m_cv.wait(lock, [this] { return m_signaled; });
    m_signaled = false;
    m_busy = true;
}

void wake_event::settle() {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_cv.wait(lock, [this] { return !m_attached || (!m_signaled && !m_busy); });
}

void wake_event::settle_all() {
    registry& r = events();
    std::lock_guard<std::mutex> lock(r.mutex);
    for (wake_event* e : r.events) e->settle();
}

} // namespace paudio
