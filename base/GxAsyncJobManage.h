#pragma once
// A fixed set of worker threads ("AsyncWorker%d") that take load jobs from one
// shared queue, front to back. Entries leave the queue strictly from the front,
// in the order they were queued, even when a later job finishes first.
#include "base/GxAsyncJobBase.h"
#include "base/GxMutex.h"
#include "base/GxThread.h"

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
    void RemoveFinishedJobs();
    void StopThreads();
    void Shutdown();

    // The worker's report that the entry's job has run; the entry may leave
    // the queue from then on.
    void MarkDone(GxAsyncJobEntry* entry);

    // The engine itself queues nothing; tests drive the queue through this.
    void EnqueueForTest(const GxString& name, GxAsyncJobBase* job);
    void SetPausedForTest(bool paused);

    int GetWorkerCount() const { return m_WorkerCount; }
    GxThread* GetThread(int i) { return (i >= 0 && i < m_WorkerCount) ? &m_Threads[size_t(i)] : nullptr; }
    size_t GetQueueSizeForTest();

private:
    GxMutex m_QueueMutex;
    int m_WorkerCount = 0;
    std::unique_ptr<GxThread[]> m_Threads;
    std::unique_ptr<GxAsyncWorker[]> m_Workers;
    std::deque<std::unique_ptr<GxAsyncJobEntry>> m_Queue;
    u32 m_NextIndex = 0;
    bool m_Paused = true;
};
