#include "base/GxAsyncJobManage.h"

#include "base/GxAssert.h"
#include "base/GxLog.h"

#include <mutex>

u32 GxAsyncWorker::Run(GxThread* thread, uintptr_t user) {
    auto* manager = reinterpret_cast<GxAsyncJobManage*>(user);
    while (GxAsyncJobEntry* entry = manager->WaitNextJob(thread)) {
        // A handed-out entry is behind the hand-out index, where cancelling
        // does not reach, so its job pointer is the worker's to read.
        if (GxAsyncJobBase* job = entry->m_Job) {
            job->OnJobStarted();
            job->ExecuteJob(thread, manager);
            // The job's own completion comes first: once the entry is done
            // the queue may drain and a waiter may free the job.
            job->OnJobCompleted(manager);
            thread->CountJob();
        }
        manager->MarkDone(entry);
    }
    return 0;
}

GxAsyncJobManage::~GxAsyncJobManage() { Shutdown(); }

void GxAsyncJobManage::CreateThread(int count, bool paused) {
    if (count == 0) {
        GxWriteDebugLog(u"GxAsyncJobManage::CreateThread スレッド数に0は設定できません\n");
        return;
    }
    if (count < 0) return;
    Shutdown();
    {
        GxMutexScopedLock lock(m_QueueMutex);
        m_Paused = paused;
    }
    m_WorkerCount = count;
    m_Threads = std::make_unique<GxThread[]>(size_t(count));
    m_Workers = std::make_unique<GxAsyncWorker[]>(size_t(count));
    for (int i = 0; i < count; ++i) {
        auto* d = new GxThreadDelegate<GxAsyncWorker>(&m_Workers[size_t(i)], &GxAsyncWorker::Run);
        if (!m_Threads[size_t(i)].Create(GxFormat(u"AsyncWorker%d", i), d)) {
            delete d;
            continue;
        }
        m_Threads[size_t(i)].Resume(reinterpret_cast<uintptr_t>(this));
    }
}

bool GxAsyncJobManage::HasJobs() {
    GxMutexScopedLock lock(m_QueueMutex);
    return !m_Queue.empty();
}

void GxAsyncJobManage::WaitAllJobs() {
    // Under the queue's lock (a job's cancel notice) the wait would never end.
    GX_ASSERT(!m_QueueMutex.IsHeldByThisThread());
    std::unique_lock<GxMutex> lock(m_QueueMutex);
    m_QueueEmpty.wait(lock, [this] { return m_Queue.empty(); });
}

void GxAsyncJobManage::RemoveFinishedJobs() {
    GxMutexScopedLock lock(m_QueueMutex);
    bool removed = false;
    while (!m_Queue.empty() && m_Queue.front()->IsFinished()) {
        m_Queue.pop_front();
        if (m_NextIndex > 0) --m_NextIndex;
        removed = true;
    }
    if (removed && m_Queue.empty()) m_QueueEmpty.notify_all();
}

GxAsyncJobEntry* GxAsyncJobManage::TakeNextJob() {
    GxMutexScopedLock lock(m_QueueMutex);
    RemoveFinishedJobs();
    if (m_Paused) return nullptr;
    while (m_NextIndex < m_Queue.size()) {
        GxAsyncJobEntry* e = m_Queue[m_NextIndex].get();
        ++m_NextIndex;
        if (!e->IsFinished()) return e;
    }
    return nullptr;
}

GxAsyncJobEntry* GxAsyncJobManage::WaitNextJob(GxThread* thread) {
    std::unique_lock<GxMutex> lock(m_QueueMutex);
    for (;;) {
        if (thread->IsStopRequested()) return nullptr;
        if (GxAsyncJobEntry* e = TakeNextJob()) return e;
        m_JobReady.wait(lock);
    }
}

void GxAsyncJobManage::MarkDone(GxAsyncJobEntry* entry) {
    GxMutexScopedLock lock(m_QueueMutex);
    entry->m_Done = true;
    entry->m_Job = nullptr;
    RemoveFinishedJobs();
}

void GxAsyncJobManage::CancelPendingJobs() {
    GxMutexScopedLock lock(m_QueueMutex);
    for (size_t i = m_NextIndex; i < m_Queue.size(); ++i) {
        GxAsyncJobEntry* e = m_Queue[i].get();
        if (e->m_Cancelled) continue;
        if (e->m_Job) e->m_Job->OnJobCancelled(this);
        e->m_Job = nullptr;
        e->m_Cancelled = true;
    }
    RemoveFinishedJobs();
}

void GxAsyncJobManage::StopThreads() {
    for (int i = 0; i < m_WorkerCount; ++i) m_Threads[size_t(i)].RequestStop();
    {
        // Taken before the wake, so that a worker between its stop check and
        // its wait cannot miss it.
        GxMutexScopedLock lock(m_QueueMutex);
        m_JobReady.notify_all();
    }
    for (int i = 0; i < m_WorkerCount; ++i) m_Threads[size_t(i)].Wait();
}

void GxAsyncJobManage::Shutdown() {
    if (m_WorkerCount > 0) {
        CancelPendingJobs();
        WaitAllJobs();
        StopThreads();
    }
    m_Threads.reset();
    m_Workers.reset();
    m_WorkerCount = 0;
    GxMutexScopedLock lock(m_QueueMutex);
    m_Queue.clear();
    m_NextIndex = 0;
    m_Paused = true;
    m_QueueEmpty.notify_all();
}

void GxAsyncJobManage::EnqueueForTest(const GxString& name, GxAsyncJobBase* job) {
    GxMutexScopedLock lock(m_QueueMutex);
    auto e = std::make_unique<GxAsyncJobEntry>();
    e->m_Name = name;
    e->m_Job = job;
    m_Queue.push_back(std::move(e));
    m_JobReady.notify_one();
}

void GxAsyncJobManage::SetPausedForTest(bool paused) {
    GxMutexScopedLock lock(m_QueueMutex);
    m_Paused = paused;
    if (!paused) m_JobReady.notify_all();
}

size_t GxAsyncJobManage::GetQueueSizeForTest() {
    GxMutexScopedLock lock(m_QueueMutex);
    return m_Queue.size();
}
