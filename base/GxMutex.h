#pragma once
// The engine's one kind of lock: recursive, held for a scope by
// GxMutexScopedLock. It knows which thread holds it, so that code a comment
// says runs under the lock can check that it does.
#include <atomic>
#include <mutex>
#include <thread>

class GxObjectNotCopyable {
public:
    GxObjectNotCopyable() = default;
    virtual ~GxObjectNotCopyable() = default;
    GxObjectNotCopyable(const GxObjectNotCopyable&) = delete;
    GxObjectNotCopyable& operator=(const GxObjectNotCopyable&) = delete;
};

class GxMutex : public GxObjectNotCopyable {
public:
    void Lock() {
        m_Mutex.lock();
        if (m_Depth++ == 0) m_Owner.store(std::this_thread::get_id(), std::memory_order_relaxed);
    }
    void Unlock() {
        if (--m_Depth == 0) m_Owner.store(std::thread::id(), std::memory_order_relaxed);
        m_Mutex.unlock();
    }
    // Standard names, so std::scoped_lock and friends work too.
    void lock() { Lock(); }
    void unlock() { Unlock(); }
    // Only the holder ever stores its own id, and it clears it before it lets
    // go, so a thread that reads its own id here holds the lock.
    bool IsHeldByThisThread() const { return m_Owner.load(std::memory_order_relaxed) == std::this_thread::get_id(); }

private:
    std::recursive_mutex m_Mutex;
    std::atomic<std::thread::id> m_Owner{};
    int m_Depth = 0;  // touched by the holder only
};

class GxMutexScopedLock : public GxObjectNotCopyable {
public:
    explicit GxMutexScopedLock(GxMutex* mutex) : m_Mutex(mutex) {
        if (m_Mutex) m_Mutex->Lock();
    }
    explicit GxMutexScopedLock(GxMutex& mutex) : GxMutexScopedLock(&mutex) {}
    ~GxMutexScopedLock() override {
        if (m_Mutex) m_Mutex->Unlock();
    }

private:
    GxMutex* m_Mutex;
};
