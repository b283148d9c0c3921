#pragma once
// One operating-system thread that runs a bound delegate. The thread starts
// suspended; Resume hands it its user value and lets it run. Only the owner
// joins the thread (Wait, Close, the destructor), so nothing waits on a handle
// that the thread itself has already released.
#include "base/GxMutex.h"
#include "base/GxTypes.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

class GxThread;

class GxThreadDelegateBase {
public:
    virtual ~GxThreadDelegateBase() = default;
    virtual u32 Invoke(GxThread* thread, uintptr_t userValue) = 0;
};

template <class T>
class GxThreadDelegate : public GxThreadDelegateBase {
public:
    using Member = u32 (T::*)(GxThread*, uintptr_t);
    GxThreadDelegate() = default;
    GxThreadDelegate(T* object, Member member) { Bind(object, member); }
    u32 Invoke(GxThread* thread, uintptr_t userValue) override {
        return (m_Object && m_Member) ? (m_Object->*m_Member)(thread, userValue) : 0;
    }
    void Bind(T* object, Member member) {
        m_Object = object;
        m_Member = member;
    }

private:
    T* m_Object = nullptr;
    Member m_Member = nullptr;
};

class GxThread {
public:
    GxThread() = default;
    virtual ~GxThread();
    GxThread(const GxThread&) = delete;
    GxThread& operator=(const GxThread&) = delete;

    // Joins a thread that was resumed (a suspended one is abandoned unrun),
    // then deletes the delegate and clears the state.
    virtual void Close();
    // Refused while a thread runs (one that ended on its own is joined first);
    // otherwise takes ownership of the delegate and starts a suspended thread.
    virtual bool Create(const GxString& name, GxThreadDelegateBase* delegate);
    // True only for the first resume of a suspended thread.
    virtual bool Resume(uintptr_t userValue);
    // False without a thread; otherwise blocks until it ended, joins it.
    virtual bool Wait();
    virtual void RequestStop();

    bool IsRunning();
    bool IsStopRequested();
    void CountJob();

    bool IsFinished();
    bool IsStopped();
    u32 GetExitCode();
    s32 GetJobCount();
    const GxString& GetName() const { return m_Name; }

private:
    void Body();
    void Join();

    GxMutex m_Mutex;
    std::thread m_Thread;
    GxString m_Name;
    GxThreadDelegateBase* m_Delegate = nullptr;
    uintptr_t m_UserValue = 0;
    bool m_Finished = false;
    bool m_StopRequested = false;
    bool m_Stopped = false;
    u32 m_ExitCode = 0;
    s32 m_JobCount = 0;
    bool m_Ended = false;

    // The start gate of a suspended thread.
    std::mutex m_GateMutex;
    std::condition_variable m_Gate;
    int m_ResumeCount = 0;
    bool m_Abandoned = false;
};
