#pragma once
// The engine's one kind of lock: recursive, held for a scope by
// GxMutexScopedLock.
#include <mutex>

class GxObjectNotCopyable {
public:
    GxObjectNotCopyable() = default;
    virtual ~GxObjectNotCopyable() = default;
    GxObjectNotCopyable(const GxObjectNotCopyable&) = delete;
    GxObjectNotCopyable& operator=(const GxObjectNotCopyable&) = delete;
};

class GxMutex : public GxObjectNotCopyable {
public:
    void Lock() { m_Mutex.lock(); }
    void Unlock() { m_Mutex.unlock(); }
    // Standard names, so std::scoped_lock and friends work too.
    void lock() { m_Mutex.lock(); }
    void unlock() { m_Mutex.unlock(); }

private:
    std::recursive_mutex m_Mutex;
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
