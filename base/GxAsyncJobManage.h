#pragma once
// A fixed set of worker threads ("AsyncWorker%d") that take load jobs from one
// shared queue, front to back. Entries leave the queue strictly from the front,
// in the order they were queued, even when a later job finishes first.
//
// Nobody polls: an idle worker sleeps on a condition until an entry can be
// handed out or its stop is asked for, and a thread waiting for the queue to
// empty sleeps until the last entry has left. Lock order: the queue mutex
// before a worker thread's own (a worker checks its stop request under both)
// and before a job's (cancelling).
#include "base/GxAsyncJobBase.h"
#include "base/GxMutex.h"
#include "base/GxThread.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <vector>

class GxAsyncJobManage;

class GxAsyncWorker {
public:
    // The worker loop; the user value is the manager.
    u32 Run(GxThread* thread, uintptr_t manager);
};

struct GxAsyncJobEntry {
    virtual ~GxAsyncJobEntry() = default;
    // Decides when the entry may be handed out and when it may leave the queue.
    virtual bool IsFinished() const { return m_Done || m_Cancelled; }
    GxString m_Name;
    GxAsyncJobBase* m_Job = nullptr;  // not owned
    bool m_Done = false;
    bool m_Cancelled = false;
};

class GxAsyncJobManage {
public:
    GxAsyncJobManage() = default;
    virtual ~GxAsyncJobManage();
    GxAsyncJobManage(const GxAsyncJobManage&) = delete;
    GxAsyncJobManage& operator=(const GxAsyncJobManage&) = delete;

    void CreateThread(int count, bool paused);
    bool HasJobs();
    void WaitAllJobs();
    void CancelPendingJobs();
    // The workers' side: the next entry to run, or null.
    GxAsyncJobEntry* TakeNextJob();
    // The worker loop's side: blocks until an entry is handed out to it, or
    // returns null once the thread's stop has been requested.
    GxAsyncJobEntry* WaitNextJob(GxThread* thread);
    void RemoveFinishedJobs();
    void StopThreads();
    void Shutdown();

    // The worker's report that the entry's job has run; the entry, and the
    // finished ones queued behind it, leave the queue at once.
    void MarkDone(GxAsyncJobEntry* entry);

    // The engine itself queues nothing; tests drive the queue through this.
    void EnqueueForTest(const GxString& name, GxAsyncJobBase* job);
    void SetPausedForTest(bool paused);

    int GetWorkerCount() const { return m_WorkerCount; }
    GxThread* GetThread(int i) { return (i >= 0 && i < m_WorkerCount) ? &m_Threads[size_t(i)] : nullptr; }
    size_t GetQueueSizeForTest();

private:
    GxMutex m_QueueMutex;
    // Signalled under the queue mutex: an entry to hand out (one queued, the
    // workers unpaused) or a stop request; and the queue's last entry gone.
    std::condition_variable_any m_JobReady;
    std::condition_variable_any m_QueueEmpty;
    int m_WorkerCount = 0;
    std::unique_ptr<GxThread[]> m_Threads;
    std::unique_ptr<GxAsyncWorker[]> m_Workers;
    std::deque<std::unique_ptr<GxAsyncJobEntry>> m_Queue;
    u32 m_NextIndex = 0;
    bool m_Paused = true;
};
