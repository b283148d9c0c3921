#include "base/GxAsyncJobBase.h"

#include "platform/system/clock.h"

bool GxAsyncJobBase::IsRunning() const {
    GxMutexScopedLock lock(m_JobMutex);
    return m_Running;
}
bool GxAsyncJobBase::IsCompleted() const {
    GxMutexScopedLock lock(m_JobMutex);
    return m_Completed;
}
bool GxAsyncJobBase::IsCancelled() const {
    GxMutexScopedLock lock(m_JobMutex);
    return m_Cancelled;
}
bool GxAsyncJobBase::IsEnded() const {
    GxMutexScopedLock lock(m_JobMutex);
    return m_Completed || m_Cancelled;
}
u32 GxAsyncJobBase::GetCompletedTime() const {
    GxMutexScopedLock lock(m_JobMutex);
    return m_CompletedTime;
}
void GxAsyncJobBase::ResetJobState() {
    GxMutexScopedLock lock(m_JobMutex);
    m_Running = m_Completed = m_Cancelled = false;
    m_CompletedTime = 0;
}
void GxAsyncJobBase::OnJobCompleted(GxAsyncJobManage*) {
    GxMutexScopedLock lock(m_JobMutex);
    m_Running = false;
    m_Completed = true;
    m_CompletedTime = u32(psys::now_ms());
}
void GxAsyncJobBase::OnJobCancelled(GxAsyncJobManage*) {
    GxMutexScopedLock lock(m_JobMutex);
    m_Cancelled = true;
}
void GxAsyncJobBase::OnJobStarted() {
    GxMutexScopedLock lock(m_JobMutex);
    m_Running = true;
}
