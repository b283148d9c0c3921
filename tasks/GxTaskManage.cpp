#include "tasks/GxTaskManage.h"

#include "base/GxLog.h"
#include "tasks/GxCoreBase.h"
#include "tasks/GxSeqTaskBase.h"
#include "tasks/GxSharedAssetManage.h"
#include "tasks/GxTaskBase.h"

namespace {

bool EndsSiblingWalk(const GxTaskBase* t) { return (t->TaskFlags & kGxTaskEndsSiblingWalk) != 0; }
bool IsRunningTask(const GxTaskBase* t) { return t->GetGlobalState() == kGxTaskRunning; }

GxSeqTaskBase* AsSequence(GxTaskBase* t) {
    return (t && (t->TypeBits & kGxTypeSequence)) ? static_cast<GxSeqTaskBase*>(t) : nullptr;
}

// Children before their parent; the first nonzero result ends the walk.
template <class Offer>
int WalkEvent(GxTaskBase* first, u32 skipBit, u32 noDescentBit, Offer& offer) {
    for (GxTaskBase* t = first; t; t = t->GetNextSibling()) {
        if (IsRunningTask(t) && !(t->EventMask & skipBit)) {
            if (!(t->EventMask & noDescentBit)) {
                if (int r = WalkEvent(t->GetFirstChild(), skipBit, noDescentBit, offer)) return r;
            }
            if (int r = offer(t)) return r;
        }
        if (EndsSiblingWalk(t)) break;
    }
    return 0;
}

// The update and render passes: running tasks, each before its children; a
// task's flags may leave out its own call or its children. Once stopped()
// holds, the walk ends at the next step.
template <class Visit, class Stopped>
void WalkRunning(GxTaskBase* first, u32 noVisitFlag, u32 noChildrenFlag, const Visit& visit, const Stopped& stopped) {
    for (GxTaskBase* t = first; t && !stopped(); t = t->GetNextSibling()) {
        if (IsRunningTask(t)) {
            if (!(t->TaskFlags & noVisitFlag)) visit(t);
            if (stopped()) return;
            if (!(t->TaskFlags & noChildrenFlag))
                WalkRunning(t->GetFirstChild(), noVisitFlag, noChildrenFlag, visit, stopped);
        }
        if (EndsSiblingWalk(t)) break;
    }
}

// Scene start and end reach every task not yet killed, each before its children.
template <class Visit>
void WalkUnkilled(GxTaskBase* first, const Visit& visit) {
    for (GxTaskBase* t = first; t; t = t->GetNextSibling()) {
        if (t->GetGlobalState() != kGxTaskKilled) {
            visit(t);
            WalkUnkilled(t->GetFirstChild(), visit);
        }
        if (EndsSiblingWalk(t)) break;
    }
}

// Applied or refused, a pending change is gone.
void DropPendingChange(GxSeqWorker& w) {
    w.m_PendingTask = nullptr;
    w.m_PendingName.clear();
    w.m_PendingParam0 = w.m_PendingParam1 = 0;
    w.m_ChangePending = false;
}

void DeleteTree(GxTaskBase* first) {
    for (GxTaskBase* t = first; t;) {
        GxTaskBase* next = t->GetNextSibling();
        DeleteTree(t->GetFirstChild());
        delete t;
        t = next;
    }
}

} // namespace

GxTaskManage::GxTaskManage(GxCoreBase* core) : m_Core(core) {}

GxTaskManage::~GxTaskManage() {
    // Each task's destructor still finds the registries and unregisters itself.
    DeleteTree(m_TopTask);
    m_TopTask = nullptr;
    m_RootTree = nullptr;
    for (GxSeqWorker& w : m_SeqWorkers) w = GxSeqWorker{};
    m_TaskIDs.clear();
    m_TaskNames.clear();
}

bool GxTaskManage::RegisterTaskID(GxTaskBase* task, u64 id) {
    const GxString name = task ? task->GetTaskName() : GxString();
    if (id == 0) {
        GxWriteErrorLog(u"GxTaskManage::RegisterTaskID/TaskID=0は指定できません(%s)\n", name);
        return false;
    }
    if (!m_TaskIDs.emplace(id, task).second) {
        GxWriteErrorLog(u"GxTaskManage::RegisterTaskID/TaskID重複を検出 (%I64u,%s)\n", id, name);
        return false;
    }
    return true;
}

bool GxTaskManage::UnregisterTaskID(u64 id) {
    if (m_TaskIDs.erase(id) == 0) {
        GxWriteErrorLog(u"GxTaskManage::UnregisterTaskID/TaskID発見できず (%I64u)\n", id);
        return false;
    }
    return true;
}

bool GxTaskManage::RegisterTaskName(const GxString& name, GxTaskBase* task) {
    if (!m_TaskNames.emplace(name, task).second) {
        GxWriteErrorLog(u"GxTaskManage::RegisterTaskName/TaskName重複を検出 (%s)\n", name);
        return false;
    }
    return true;
}

void GxTaskManage::UnregisterTaskName(const GxString& name, const GxTaskBase* task) {
    auto it = m_TaskNames.find(name);
    if (it != m_TaskNames.end() && it->second == task) m_TaskNames.erase(it);
}

GxTaskBase* GxTaskManage::FindTaskName(const GxChar* name) const {
    return name ? FindTaskNameStr(GxString(name)) : nullptr;
}

GxTaskBase* GxTaskManage::FindTaskNameStr(const GxString& name) const {
    auto it = m_TaskNames.find(name);
    return it == m_TaskNames.end() ? nullptr : it->second;
}

GxTaskBase* GxTaskManage::FindTaskID(u64 id) const {
    auto it = m_TaskIDs.find(id);
    return it == m_TaskIDs.end() ? nullptr : it->second;
}

void GxTaskManage::OfferTopTask(GxTaskBase* task) {
    if (!m_TopTask) m_TopTask = task;
}

GxSeqWorker* GxTaskManage::GetSeqWorker(int index) {
    return (index >= 0 && index < kSeqWorkerCount) ? &m_SeqWorkers[index] : nullptr;
}

const GxSeqWorker* GxTaskManage::GetSeqWorker(int index) const {
    return (index >= 0 && index < kSeqWorkerCount) ? &m_SeqWorkers[index] : nullptr;
}

bool GxTaskManage::IsSequenceChangePending() const {
    return m_SeqWorkers[0].m_ChangePending || m_SeqWorkers[1].m_ChangePending;
}

bool GxTaskManage::IsHeldByWorker(const GxTaskBase* task) const {
    for (const GxSeqWorker& w : m_SeqWorkers)
        if (w.m_CurrentTask == task || w.m_PendingTask == task || w.m_PrevTask == task) return true;
    return false;
}

void GxTaskManage::ForgetTask(const GxTaskBase* task) {
    if (m_TopTask == task) m_TopTask = nullptr;
    if (m_RootTree == task) m_RootTree = nullptr;
    for (GxSeqWorker& w : m_SeqWorkers) {
        if (w.m_CurrentTask == task) {
            w.m_CurrentTask = nullptr;
            w.m_Ready = w.m_MainStarted = false;
        }
        if (w.m_PendingTask == task) w.m_PendingTask = nullptr;
        if (w.m_PrevTask == task) w.m_PrevTask = nullptr;
    }
}

void GxTaskManage::UpdateTaskTree(GxTaskBase* first, int step, s64 elapsed) {
    WalkRunning(first, kGxTaskNoUpdate, kGxTaskNoUpdateChildren, [&](GxTaskBase* t) { t->Update(step, elapsed); },
                [this] { return m_StopUpdateFlag; });
}

void GxTaskManage::UpdateBeforeMainTaskTree(GxTaskBase* first, int step, s64 elapsed) {
    WalkRunning(first, kGxTaskNoUpdateBeforeMain, kGxTaskNoUpdateBeforeMainChildren,
                [&](GxTaskBase* t) { t->UpdateBeforeMain(step, elapsed); }, [this] { return m_StopUpdateFlag; });
}

void GxTaskManage::EnqueueRenderTaskTree(GxTaskBase* first, int step, s64 elapsed) {
    // The stop of the update walk does not cut drawing short.
    WalkRunning(first, kGxTaskNoEnqueueRender, kGxTaskNoEnqueueRenderChildren,
                [&](GxTaskBase* t) { t->EnqueueRender(step, elapsed); }, [] { return false; });
}

void GxTaskManage::StartSequenceTree(GxTaskBase* first, int workerIndex) {
    WalkUnkilled(first, [&](GxTaskBase* t) { t->OnStartSequence(workerIndex); });
}

void GxTaskManage::EndSequenceTree(GxTaskBase* first, int workerIndex) {
    WalkUnkilled(first, [&](GxTaskBase* t) { t->OnEndSequence(workerIndex); });
}

void GxTaskManage::SweepTaskTree(GxTaskBase* first) {
    for (GxTaskBase* t = first; t;) {
        GxTaskBase* next = t->GetNextSibling();
        SweepTaskTree(t->GetFirstChild());
        if (t->GetGlobalState() == kGxTaskKilled && !t->GetFirstChild()) {
            if (t->GetDeleteCountdown() > 0) {
                t->CountDownDelete();
            } else if (!IsHeldByWorker(t) && t != m_TopTask && t != m_RootTree) {
                // A scene a worker still names stays until the worker lets go
                // of it; deleting it would leave the worker pointing at nothing.
                delete t;
            }
        }
        t = next;
    }
}

void GxTaskManage::Update(int step, s64 elapsed) {
    for (int i = kSeqWorkerCount - 1; i >= 0; --i) {
        if (m_StopUpdateFlag) return;
        GxSeqWorker& w = m_SeqWorkers[i];
        if (!w.m_CurrentTask) continue;
        if (w.m_MainStarted)
            UpdateTaskTree(w.m_CurrentTask, step, elapsed);
        else
            UpdateBeforeMainTaskTree(w.m_CurrentTask, step, elapsed);
    }
    if (!m_StopUpdateFlag && m_RootTree) UpdateTaskTree(m_RootTree, step, elapsed);
}

void GxTaskManage::EnqueueRender(int step, s64 elapsed) {
    for (int i = kSeqWorkerCount - 1; i >= 0; --i)
        if (m_SeqWorkers[i].m_CurrentTask) EnqueueRenderTaskTree(m_SeqWorkers[i].m_CurrentTask, step, elapsed);
    if (m_RootTree) EnqueueRenderTaskTree(m_RootTree, step, elapsed);
}

template <class Offer>
int GxTaskManage::DispatchEvent(u32 skipBit, u32 noDescentBit, Offer&& offer) {
    if (m_RootTree)
        if (int r = WalkEvent(m_RootTree, skipBit, noDescentBit, offer)) return r;
    for (int i = kSeqWorkerCount - 1; i >= 0; --i) {
        const GxSeqWorker& w = m_SeqWorkers[i];
        if (w.m_Ready && w.m_CurrentTask)
            if (int r = WalkEvent(w.m_CurrentTask, skipBit, noDescentBit, offer)) return r;
    }
    return 0;
}

int GxTaskManage::OnActivate() {
    return DispatchEvent(kGxEventSkipWindow, kGxEventNoDescentWindow, [](GxTaskBase* t) { return t->OnActivate(); });
}

int GxTaskManage::OnDeactivate() {
    return DispatchEvent(kGxEventSkipWindow, kGxEventNoDescentWindow,
                         [](GxTaskBase* t) { return t->OnDeactivate(); });
}

int GxTaskManage::OnClose() {
    return DispatchEvent(kGxEventSkipWindow, kGxEventNoDescentWindow, [](GxTaskBase* t) { return t->OnClose(); });
}

int GxTaskManage::OnWindowEvent(s64 value0, s64 value1) {
    return DispatchEvent(kGxEventSkipWindow, kGxEventNoDescentWindow,
                         [&](GxTaskBase* t) { return t->OnWindowEvent(value0, value1); });
}

int GxTaskManage::OnMouseMove(const GxVector2& pos, u32 keyFlags) {
    return DispatchEvent(kGxEventSkipMouse, kGxEventNoDescentMouse,
                         [&](GxTaskBase* t) { return t->OnMouseMove(pos, keyFlags); });
}

int GxTaskManage::OnMouseWheel(const GxVector2& pos, s32 delta, u32 keyFlags) {
    return DispatchEvent(kGxEventSkipMouse, kGxEventNoDescentMouse,
                         [&](GxTaskBase* t) { return t->OnMouseWheel(pos, delta, keyFlags); });
}

int GxTaskManage::OnLButtonDown(const GxVector2& pos, u32 keyFlags, bool doubleClick) {
    return DispatchEvent(kGxEventSkipMouse, kGxEventNoDescentMouse,
                         [&](GxTaskBase* t) { return t->OnLButtonDown(pos, keyFlags, doubleClick); });
}

int GxTaskManage::OnLButtonUp(const GxVector2& pos, u32 keyFlags) {
    return DispatchEvent(kGxEventSkipMouse, kGxEventNoDescentMouse,
                         [&](GxTaskBase* t) { return t->OnLButtonUp(pos, keyFlags); });
}

int GxTaskManage::OnRButtonDown(const GxVector2& pos, u32 keyFlags, bool doubleClick) {
    return DispatchEvent(kGxEventSkipMouse, kGxEventNoDescentMouse,
                         [&](GxTaskBase* t) { return t->OnRButtonDown(pos, keyFlags, doubleClick); });
}

int GxTaskManage::OnRButtonUp(const GxVector2& pos, u32 keyFlags) {
    return DispatchEvent(kGxEventSkipMouse, kGxEventNoDescentMouse,
                         [&](GxTaskBase* t) { return t->OnRButtonUp(pos, keyFlags); });
}

int GxTaskManage::OnMButtonDown(const GxVector2& pos, u32 keyFlags, bool doubleClick) {
    return DispatchEvent(kGxEventSkipMouse, kGxEventNoDescentMouse,
                         [&](GxTaskBase* t) { return t->OnMButtonDown(pos, keyFlags, doubleClick); });
}

int GxTaskManage::OnMButtonUp(const GxVector2& pos, u32 keyFlags) {
    return DispatchEvent(kGxEventSkipMouse, kGxEventNoDescentMouse,
                         [&](GxTaskBase* t) { return t->OnMButtonUp(pos, keyFlags); });
}

int GxTaskManage::DispatchLButtonDown(const GxVector2& pos, u32 keyFlags) { return OnLButtonDown(pos, keyFlags, false); }
int GxTaskManage::DispatchRButtonDown(const GxVector2& pos, u32 keyFlags) { return OnRButtonDown(pos, keyFlags, false); }
int GxTaskManage::DispatchMButtonDown(const GxVector2& pos, u32 keyFlags) { return OnMButtonDown(pos, keyFlags, false); }
int GxTaskManage::DispatchLButtonDblClk(const GxVector2& pos, u32 keyFlags) { return OnLButtonDown(pos, keyFlags, true); }
int GxTaskManage::DispatchRButtonDblClk(const GxVector2& pos, u32 keyFlags) { return OnRButtonDown(pos, keyFlags, true); }
int GxTaskManage::DispatchMButtonDblClk(const GxVector2& pos, u32 keyFlags) { return OnMButtonDown(pos, keyFlags, true); }

int GxTaskManage::OnKeyDown(u32 virtualKey, u32 keyData) {
    return DispatchEvent(kGxEventSkipKeyInput, kGxEventNoDescentKeyInput,
                         [&](GxTaskBase* t) { return t->OnKeyDown(virtualKey, keyData); });
}

int GxTaskManage::OnKeyUp(u32 virtualKey, u32 keyData) {
    return DispatchEvent(kGxEventSkipKeyInput, kGxEventNoDescentKeyInput,
                         [&](GxTaskBase* t) { return t->OnKeyUp(virtualKey, keyData); });
}

int GxTaskManage::OnKeyInputEvent2(s64 value0, s64 value1) {
    return DispatchEvent(kGxEventSkipKeyInput, kGxEventNoDescentKeyInput,
                         [&](GxTaskBase* t) { return t->OnKeyInputEvent2(value0, value1); });
}

int GxTaskManage::OnKeyInputEvent3(s64 value0, s64 value1, s64 value2) {
    return DispatchEvent(kGxEventSkipKeyInput, kGxEventNoDescentKeyInput,
                         [&](GxTaskBase* t) { return t->OnKeyInputEvent3(value0, value1, value2); });
}

int GxTaskManage::DispatchKeyActionUpdate(const GxInputState* keyMapState, int step, s64 elapsed) {
    return DispatchEvent(kGxEventSkipKeyAction, 0,
                         [&](GxTaskBase* t) { return t->OnKeyActionUpdate(keyMapState, step, elapsed); });
}

int GxTaskManage::DispatchKeyAction(const GxVector4* stick, int slot, int stickIndex, int step, s64 elapsed) {
    return DispatchEvent(kGxEventSkipKeyAction, 0,
                         [&](GxTaskBase* t) { return t->OnKeyAction(stick, slot, stickIndex, step, elapsed); });
}

int GxTaskManage::OnNetEvent1(s64 value) {
    return DispatchEvent(kGxEventSkipNet, kGxEventNoDescentNet, [&](GxTaskBase* t) { return t->OnNetEvent1(value); });
}

int GxTaskManage::OnNetEvent2(s64 value) {
    return DispatchEvent(kGxEventSkipNet, kGxEventNoDescentNet, [&](GxTaskBase* t) { return t->OnNetEvent2(value); });
}

int GxTaskManage::OnNetEvent3(s64 value0, s64 value1) {
    return DispatchEvent(kGxEventSkipNet, kGxEventNoDescentNet,
                         [&](GxTaskBase* t) { return t->OnNetEvent3(value0, value1); });
}

int GxTaskManage::OnNetEvent4(s64 value0, s64 value1) {
    return DispatchEvent(kGxEventSkipNet, kGxEventNoDescentNet,
                         [&](GxTaskBase* t) { return t->OnNetEvent4(value0, value1); });
}

int GxTaskManage::OnNetEvent5(s64 value0, s64 value1) {
    return DispatchEvent(kGxEventSkipNet, kGxEventNoDescentNet,
                         [&](GxTaskBase* t) { return t->OnNetEvent5(value0, value1); });
}

bool GxTaskManage::ChangeSequence(GxTaskBase* task, int workerIndex, s32 param0, s32 param1) {
    if (!task) return false;
    // Only two workers exist: any other index is refused like a negative one.
    if (workerIndex < 0 || workerIndex >= kSeqWorkerCount) {
        GxWriteErrorLog(u"指定されたワーカーインデックスでは実行できませんありません(%s:seqworkindex=%d)\n",
                        task->GetTaskName(), workerIndex);
        return false;
    }
    GxSeqTaskBase* seq = AsSequence(task);
    if (!seq) {
        GxWriteErrorLog(u"指定されたタスクはシーケンスタスクではありません(%s)\n", task->GetTaskName());
        return false;
    }
    if (seq->GetSeqWorkIndex() != -1) {
        GxWriteErrorLog(u"既に実行中のシーケンスに遷移することはできません(%s:seqworkindex=%d)\n", task->GetTaskName(),
                        seq->GetSeqWorkIndex());
        return false;
    }
    GxSeqWorker& w = m_SeqWorkers[workerIndex];
    if (w.m_CurrentName == task->GetTaskName()) {
        GxWriteWarningLog(u"Can not change the same sequence(%s)\n", task->GetTaskName());
        return false;
    }
    w.m_PendingTask = task;
    w.m_PendingName = task->GetTaskName();
    w.m_PendingParam0 = param0;
    w.m_PendingParam1 = param1;
    if (!w.m_ChangePending) w.m_MainStartedBeforeRequest = w.m_MainStarted;
    w.m_Ready = false;
    w.m_MainStarted = false;
    w.m_ChangePending = true;
    return true;
}

bool GxTaskManage::ChangeSequenceByName(const GxChar* name, int workerIndex, s32 param0, s32 param1) {
    GxTaskBase* task = FindTaskName(name);
    if (!task) {
        GxWriteErrorLog(u"遷移先のシーケンスが見つかりません(%s)\n", name ? name : u"");
        return false;
    }
    return ChangeSequence(task, workerIndex, param0, param1);
}

bool GxTaskManage::ChangeSequenceByNameStr(const GxString& name, int workerIndex, s32 param1) {
    if (name.empty()) {
        GxWriteErrorLog(u"名前のないタスクは遷移先のシーケンスに指定できません\n");
        return false;
    }
    GxTaskBase* task = FindTaskNameStr(name);
    if (!task) {
        GxWriteErrorLog(u"遷移先のシーケンスが見つかりません(%s)\n", name);
        return false;
    }
    return ChangeSequence(task, workerIndex, 0, param1);
}

void GxTaskManage::ApplySequenceChanges() {
    for (int i = kSeqWorkerCount - 1; i >= 0; --i)
        if (m_SeqWorkers[i].m_ChangePending) ApplySequenceChange(i);
}

void GxTaskManage::ApplySequenceChange(int workerIndex) {
    GxSeqWorker& w = m_SeqWorkers[workerIndex];
    GxSeqTaskBase* incoming = AsSequence(w.m_PendingTask);
    // Both workers may have asked for the same scene in one frame; the one
    // applied first has it, and a scene never runs on two workers.
    if (incoming && incoming->GetSeqWorkIndex() != -1) {
        GxWriteErrorLog(u"既に実行中のシーケンスに遷移することはできません(%s:seqworkindex=%d)\n",
                        incoming->GetTaskName(), incoming->GetSeqWorkIndex());
        DropPendingChange(w);
        w.m_Ready = w.m_CurrentTask != nullptr;
        w.m_MainStarted = w.m_Ready && w.m_MainStartedBeforeRequest;
        return;
    }
    w.m_PrevTask = w.m_CurrentTask;
    w.m_PrevName = w.m_CurrentName;
    w.m_PrevParam0 = w.m_CurrentParam0;
    w.m_PrevParam1 = w.m_CurrentParam1;
    if (GxSeqTaskBase* outgoing = AsSequence(w.m_CurrentTask)) {
        EndSequenceTree(outgoing, workerIndex);
        outgoing->SetSeqWorkIndex(-1);
    }
    if (workerIndex == 0 && m_Core) {
        if (GxSharedAssetManage* assets = m_Core->GetSharedAssetManage()) assets->ReleaseForSequence(w.m_PendingName);
    }
    w.m_CurrentTask = w.m_PendingTask;
    w.m_CurrentName = w.m_PendingName;
    w.m_CurrentParam0 = w.m_PendingParam0;
    w.m_CurrentParam1 = w.m_PendingParam1;
    DropPendingChange(w);
    w.m_Ready = true;
    if (incoming) {
        incoming->SetSeqWorkIndex(workerIndex);
        StartSequenceTree(incoming, workerIndex);
    }
}

void GxTaskManage::ClearSequences() {
    for (int i = kSeqWorkerCount - 1; i >= 0; --i) {
        GxSeqWorker& w = m_SeqWorkers[i];
        GxSeqTaskBase* seq = AsSequence(w.m_CurrentTask);
        if (seq && w.m_Ready) {
            EndSequenceTree(seq, -1);
            seq->SetSeqWorkIndex(-1);
        }
        w.m_CurrentTask = nullptr;
        w.m_CurrentName.clear();
        w.m_CurrentParam0 = w.m_CurrentParam1 = 0;
        w.m_ChangePending = w.m_Ready = w.m_MainStarted = false;
    }
}

void GxTaskManage::StartMain(int workerIndex) {
    GxSeqWorker* w = GetSeqWorker(workerIndex);
    if (!w || !w->m_Ready) {
        GxWriteErrorLog(u"GxTaskManage::StartMain/シーケンスの準備ができていません seqworkindex=%d\n", workerIndex);
        return;
    }
    w->m_MainStarted = true;
}
