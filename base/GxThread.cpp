#include "base/GxThread.h"

#include "base/GxAssert.h"
#include "base/GxStringUtil.h"
#include "platform/system/thread_name.h"


GxThread::~GxThread() { Close(); }

void GxThread::Join() {
    if (!m_Thread.joinable()) return;
    if (m_Thread.get_id() == std::this_thread::get_id()) {
        // A delegate that closes its own thread cannot join itself.
        m_Thread.detach();
        return;
    }
    {
        // A thread never resumed must not start its delegate now.
        std::lock_guard<std::mutex> g(m_GateMutex);
        if (m_ResumeCount == 0) m_Abandoned = true;
    }
    m_Gate.notify_all();
    m_Thread.join();
}

void GxThread::Close() {
    Join();
    GxMutexScopedLock lock(m_Mutex);
    delete m_Delegate;
    m_Delegate = nullptr;
    m_UserValue = 0;
    m_Finished = m_StopRequested = m_Stopped = false;
    m_ExitCode = 0;
    m_JobCount = 0;
    m_Ended = false;
}

bool GxThread::Create(const GxString& name, GxThreadDelegateBase* delegate) {
    if (m_Thread.joinable()) {
        // A thread that ended on its own no longer exists; only joining it is
        // left to do.
        bool ended;
        {
            GxMutexScopedLock lock(m_Mutex);
            ended = m_Ended;
        }
        if (!ended) return false;
        Join();
    }
    {
        GxMutexScopedLock lock(m_Mutex);
        GX_ASSERT(!delegate || delegate != m_Delegate);
        delete m_Delegate;
        m_Name = name;
        m_Delegate = delegate;
        m_UserValue = 0;
        m_Finished = m_StopRequested = m_Stopped = false;
        m_ExitCode = 0;
        m_JobCount = 0;
        m_Ended = false;
    }
    {
        std::lock_guard<std::mutex> g(m_GateMutex);
        m_ResumeCount = 0;
        m_Abandoned = false;
    }
    try {
        m_Thread = std::thread(&GxThread::Body, this);
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

bool GxThread::Resume(uintptr_t userValue) {
    if (!m_Thread.joinable()) return false;
    bool first;
    {
        std::lock_guard<std::mutex> g(m_GateMutex);
        first = m_ResumeCount == 0;
        if (first) {
            GxMutexScopedLock lock(m_Mutex);
            m_UserValue = userValue;
        }
        ++m_ResumeCount;
    }
    m_Gate.notify_all();
    return first;
}

bool GxThread::Wait() {
    if (!m_Thread.joinable()) return false;
    if (m_Thread.get_id() == std::this_thread::get_id()) return false;
    Join();
    return true;
}

void GxThread::RequestStop() {
    GxMutexScopedLock lock(m_Mutex);
    if (m_Thread.joinable() && !m_Ended) m_StopRequested = true;
}

bool GxThread::IsRunning() {
    GxMutexScopedLock lock(m_Mutex);
    return m_Thread.joinable() && !m_Ended;
}

bool GxThread::IsStopRequested() {
    GxMutexScopedLock lock(m_Mutex);
    return m_StopRequested;
}

void GxThread::CountJob() {
    GxMutexScopedLock lock(m_Mutex);
    ++m_JobCount;
}

bool GxThread::IsFinished() {
    GxMutexScopedLock lock(m_Mutex);
    return m_Finished;
}
bool GxThread::IsStopped() {
    GxMutexScopedLock lock(m_Mutex);
    return m_Stopped;
}
u32 GxThread::GetExitCode() {
    GxMutexScopedLock lock(m_Mutex);
    return m_ExitCode;
}
s32 GxThread::GetJobCount() {
    GxMutexScopedLock lock(m_Mutex);
    return m_JobCount;
}

void GxThread::Body() {
    {
        std::unique_lock<std::mutex> g(m_GateMutex);
        m_Gate.wait(g, [this] { return m_ResumeCount > 0 || m_Abandoned; });
        if (m_Abandoned && m_ResumeCount == 0) return;
    }
    GxThreadDelegateBase* delegate;
    uintptr_t user;
    {
        GxMutexScopedLock lock(m_Mutex);
        delegate = m_Delegate;
        user = m_UserValue;
        psys::name_current_thread(GxToUtf8(m_Name));
    }
    u32 result = delegate ? delegate->Invoke(this, user) : 0;
    GxMutexScopedLock lock(m_Mutex);
    if (m_StopRequested) {
        m_StopRequested = false;
        m_Stopped = true;
    } else {
        m_Finished = true;
    }
    m_ExitCode = result;
    m_Ended = true;
}
