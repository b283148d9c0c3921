#pragma once
// The core's one task manager: the registries of task IDs and names, the three
// task trees the frame walks (the resident system scene and the scenes of two
// sequence workers), the walks themselves, the sweep that deletes killed
// tasks, the offer of window, mouse, key and network events, and scene
// (sequence) changes, which stay pending until the next main-loop pass.
#include "tasks/GxSeqWorker.h"
#include "tasks/GxTaskKeyInputListenerBase.h"
#include "tasks/GxTaskMouseListenerBase.h"
#include "tasks/GxTaskNetListenerBase.h"
#include "tasks/GxTaskWindowListenerBase.h"

#include <map>

class GxCoreBase;
class GxTaskBase;
class GxInputState;

class GxTaskManage : public GxTaskWindowListenerBase,
                     public GxTaskMouseListenerBase,
                     public GxTaskKeyInputListenerBase,
                     public GxTaskNetListenerBase {
public:
    static constexpr int kSeqWorkerCount = 2;

    explicit GxTaskManage(GxCoreBase* core = nullptr);
    // Deletes every task of the tree under the top task, children first.
    ~GxTaskManage() override;
    GxTaskManage(const GxTaskManage&) = delete;
    GxTaskManage& operator=(const GxTaskManage&) = delete;

    // Registries. Refusals are error-log lines and false; the first
    // registration stays.
    bool RegisterTaskID(GxTaskBase* task, u64 id);
    bool UnregisterTaskID(u64 id);
    bool RegisterTaskName(const GxString& name, GxTaskBase* task);
    // Silent; removes the entry only while it names that task.
    void UnregisterTaskName(const GxString& name, const GxTaskBase* task);
    GxTaskBase* FindTaskName(const GxChar* name) const;
    GxTaskBase* FindTaskNameStr(const GxString& name) const;
    GxTaskBase* FindTaskID(u64 id) const;

    GxCoreBase* GetCore() const { return m_Core; }
    GxTaskBase* GetTopTask() const { return m_TopTask; }
    // Called by a task made without a parent: the first becomes the top task.
    void OfferTopTask(GxTaskBase* task);
    GxTaskBase* GetRootTree() const { return m_RootTree; }
    void SetRootTree(GxTaskBase* task) { m_RootTree = task; }
    // Null outside 0 and 1.
    GxSeqWorker* GetSeqWorker(int index);
    const GxSeqWorker* GetSeqWorker(int index) const;
    // A change is pending on either worker: the frame stops stepping.
    bool IsSequenceChangePending() const;
    // A task being deleted: nothing here may point at it any longer.
    void ForgetTask(const GxTaskBase* task);

    // Walks over a sibling chain and the children of its tasks.
    void UpdateTaskTree(GxTaskBase* first, int step, s64 elapsed);
    void UpdateBeforeMainTaskTree(GxTaskBase* first, int step, s64 elapsed);
    void EnqueueRenderTaskTree(GxTaskBase* first, int step, s64 elapsed);
    void StartSequenceTree(GxTaskBase* first, int workerIndex);
    void EndSequenceTree(GxTaskBase* first, int workerIndex);
    void SweepTaskTree(GxTaskBase* first);
    // One update step over worker 1's scene, worker 0's scene, then the root tree.
    void Update(int step, s64 elapsed);
    void EnqueueRender(int step, s64 elapsed);

    // Event offers: the root tree, then the scenes of the ready workers 1 and
    // 0; children before their parent; the first nonzero result wins.
    int OnActivate() override;
    int OnDeactivate() override;
    int OnClose() override;
    int OnWindowEvent(s64 value0, s64 value1) override;
    int OnMouseMove(const GxVector2& pos, u32 keyFlags) override;
    int OnMouseWheel(const GxVector2& pos, s32 delta, u32 keyFlags) override;
    int OnLButtonDown(const GxVector2& pos, u32 keyFlags, bool doubleClick) override;
    int OnLButtonUp(const GxVector2& pos, u32 keyFlags) override;
    int OnRButtonDown(const GxVector2& pos, u32 keyFlags, bool doubleClick) override;
    int OnRButtonUp(const GxVector2& pos, u32 keyFlags) override;
    int OnMButtonDown(const GxVector2& pos, u32 keyFlags, bool doubleClick) override;
    int OnMButtonUp(const GxVector2& pos, u32 keyFlags) override;
    int DispatchLButtonDown(const GxVector2& pos, u32 keyFlags);
    int DispatchRButtonDown(const GxVector2& pos, u32 keyFlags);
    int DispatchMButtonDown(const GxVector2& pos, u32 keyFlags);
    int DispatchLButtonDblClk(const GxVector2& pos, u32 keyFlags);
    int DispatchRButtonDblClk(const GxVector2& pos, u32 keyFlags);
    int DispatchMButtonDblClk(const GxVector2& pos, u32 keyFlags);
    int OnKeyDown(u32 virtualKey, u32 keyData) override;
    int OnKeyUp(u32 virtualKey, u32 keyData) override;
    int OnKeyInputEvent2(s64 value0, s64 value1) override;
    int OnKeyInputEvent3(s64 value0, s64 value1, s64 value2) override;
    int DispatchKeyActionUpdate(const GxInputState* keyMapState, int step, s64 elapsed);
    int DispatchKeyAction(const GxVector4* stick, int slot, int stickIndex, int step, s64 elapsed);
    int OnNetEvent1(s64 value) override;
    int OnNetEvent2(s64 value) override;
    int OnNetEvent3(s64 value0, s64 value1) override;
    int OnNetEvent4(s64 value0, s64 value1) override;
    int OnNetEvent5(s64 value0, s64 value1) override;

    // Scene changes.
    bool ChangeSequence(GxTaskBase* task, int workerIndex, s32 param0, s32 param1);
    bool ChangeSequenceByName(const GxChar* name, int workerIndex, s32 param0, s32 param1);
    bool ChangeSequenceByNameStr(const GxString& name, int workerIndex, s32 param1);
    void ApplySequenceChanges();
    void ClearSequences();
    void StartMain(int workerIndex);

    // Set during the update walk (by the message window when its text stops):
    // the walk of the current step ends and the frame runs no further update
    // steps. The frame clears it when it begins.
    bool m_StopUpdateFlag = false;

private:
    template <class Offer>
    int DispatchEvent(u32 skipBit, u32 noDescentBit, Offer&& offer);
    void ApplySequenceChange(int workerIndex);
    bool IsHeldByWorker(const GxTaskBase* task) const;

    std::map<u64, GxTaskBase*> m_TaskIDs;
    std::map<GxString, GxTaskBase*> m_TaskNames;
    GxCoreBase* m_Core = nullptr;
    GxTaskBase* m_TopTask = nullptr;
    GxTaskBase* m_RootTree = nullptr;
    GxSeqWorker m_SeqWorkers[kSeqWorkerCount];
};
