#pragma once
// The base of every object that can load on a job worker. Its state runs
// reset -> running -> completed, or -> cancelled (possibly without running).
#include "base/GxMutex.h"
#include "base/GxTypes.h"

class GxThread;
class GxAsyncJobManage;

class GxAsyncJobBase {
public:
    GxAsyncJobBase() { ResetJobState(); }
    virtual ~GxAsyncJobBase() = default;
    GxAsyncJobBase(const GxAsyncJobBase&) = delete;
    GxAsyncJobBase& operator=(const GxAsyncJobBase&) = delete;

    virtual bool IsRunning() const;
    virtual bool IsCompleted() const;
    virtual bool IsCancelled() const;
    virtual bool IsEnded() const;  // completed or cancelled
    virtual u32 GetCompletedTime() const;
    virtual void ResetJobState();
    virtual GxString GetJobName() const { return {}; }
    virtual void ExecuteJob(GxThread* worker, GxAsyncJobManage* manager) = 0;
    virtual void OnJobCompleted(GxAsyncJobManage* manager);
    virtual void OnJobCancelled(GxAsyncJobManage* manager);
    virtual void OnJobStarted();

private:
    mutable GxMutex m_JobMutex;
    bool m_Running = false;
    bool m_Completed = false;
    bool m_Cancelled = false;
    u32 m_CompletedTime = 0;
};
