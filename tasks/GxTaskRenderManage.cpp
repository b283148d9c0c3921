#include "tasks/GxTaskRenderManage.h"

#include "tasks/GxSeqTaskBase.h"
#include "tasks/GxTaskManage.h"

bool GxTaskRenderManage::AddTask(s32 mode, GxTaskBase* task, f32 sortKey, s32 drawParam) {
    if (mode == kSortDefault) mode = m_DefaultSortMode;
    RenderEntry entry{task, sortKey, drawParam, 0};
    auto insertBefore = [&](auto goesBefore) {
        auto it = m_Entries.begin();
        while (it != m_Entries.end() && !goesBefore(it->m_SortKey)) ++it;
        m_Entries.insert(it, entry);
    };
    switch (mode) {
    case kSortFront: m_Entries.push_front(entry); break;
    case kSortAscending: insertBefore([&](f32 k) { return k > sortKey; }); break;
    case kSortDescending: insertBefore([&](f32 k) { return k < sortKey; }); break;
    case kSortAscendingBeforeEqual: insertBefore([&](f32 k) { return k >= sortKey; }); break;
    case kSortDescendingBeforeEqual: insertBefore([&](f32 k) { return k <= sortKey; }); break;
    default: m_Entries.push_back(entry); break;
    }
    return true;
}

void GxTaskRenderManage::DrawList(GxTaskManage* manager, int listIndex) {
    for (const RenderEntry& e : m_Entries) {
        GxTaskBase* task = e.m_Task;
        if (!task || task->GetGlobalState() != kGxTaskRunning || (task->TaskFlags & kGxTaskNoDraw)) continue;
        // A task outside every scene, or in a scene on no worker, has no
        // main phase to wait for.
        bool beforeMain = false;
        if (const GxSeqTaskBase* seq = task->GetOwnerSequence()) {
            const GxSeqWorker* w = manager ? manager->GetSeqWorker(seq->GetSeqWorkIndex()) : nullptr;
            beforeMain = w && !w->m_MainStarted;
        }
        if (beforeMain)
            task->RenderBeforeMain(e.m_DrawParam, listIndex);
        else
            task->Render(e.m_DrawParam, listIndex);
    }
}
