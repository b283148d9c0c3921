#pragma once
// A node of the task tree. Everything that lives in a scene is a task: scenes,
// actors, layers, widgets and plain grouping nodes. A task carries its
// identity (64-bit id, global name, local name and index under its folder),
// its links, its life state, the flag words that steer the task manager's
// walks, and the listener interfaces through which events reach it.
#include "base/GxVector.h"
#include "tasks/GxTaskKeyActionListenerBase.h"
#include "tasks/GxTaskKeyInputListenerBase.h"
#include "tasks/GxTaskListenerBase.h"
#include "tasks/GxTaskMouseListenerBase.h"
#include "tasks/GxTaskNetListenerBase.h"
#include "tasks/GxTaskWindowListenerBase.h"

#include <atomic>

class GxTaskManage;
class GxTaskFolder;
class GxSeqTaskBase;
class GxContentWriterBase;
class GxContentReaderBase;

// TaskFlags: what the walks skip.
constexpr u32 kGxTaskNoUpdate = 0x2;
constexpr u32 kGxTaskNoUpdateBeforeMain = 0x4;
constexpr u32 kGxTaskNoEnqueueRender = 0x8;
constexpr u32 kGxTaskNoDraw = 0x10;
constexpr u32 kGxTaskNoUpdateChildren = 0x200;
constexpr u32 kGxTaskNoUpdateBeforeMainChildren = 0x400;
constexpr u32 kGxTaskNoEnqueueRenderChildren = 0x800;
constexpr u32 kGxTaskEndsSiblingWalk = 0x100000;

// EventMask: events that skip the task and its subtree, or only its children.
constexpr u32 kGxEventSkipWindow = 0x4;
constexpr u32 kGxEventSkipMouse = 0x8;
constexpr u32 kGxEventSkipKeyInput = 0x10;
constexpr u32 kGxEventSkipKeyAction = 0x20;
constexpr u32 kGxEventSkipNet = 0x40;
constexpr u32 kGxEventNoDescentWindow = 0x400;
constexpr u32 kGxEventNoDescentMouse = 0x800;
constexpr u32 kGxEventNoDescentKeyInput = 0x1000;
constexpr u32 kGxEventNoDescentNet = 0x4000;

// TypeBits: the task's kind, tested before every downcast.
constexpr u32 kGxTypeFolder = 0x2;
constexpr u32 kGxTypeSequence = 0x4;
constexpr u32 kGxTypeUI = 0x8;
constexpr u32 kGxTypeActor = 0x10;
constexpr u32 kGxTypeLayer = 0x20;
constexpr u32 kGxTypeTransitSequence = 0x40;
// Buttons, spin buttons and drop-menu items: the scene plays the widget's
// system sound when it receives their click.
constexpr u32 kGxTypeUIButton = 0x80;

// Life states.
constexpr s32 kGxTaskRunning = 1;
constexpr s32 kGxTaskSuspended = 2;
constexpr s32 kGxTaskKilled = 3;

class GxTaskBase : public GxTaskListenerBase,
                   public GxTaskWindowListenerBase,
                   public GxTaskMouseListenerBase,
                   public GxTaskKeyInputListenerBase,
                   public GxTaskKeyActionListenerBase,
                   public GxTaskNetListenerBase {
public:
    // A task under a parent; null or empty names mean none.
    explicit GxTaskBase(GxTaskBase* parent, const GxChar* name = nullptr, const GxChar* localName = nullptr,
                        s32 localIndex = 0);
    // A task without a parent; the manager's first one becomes its top task.
    explicit GxTaskBase(GxTaskManage* manager);
    ~GxTaskBase() override;
    GxTaskBase(const GxTaskBase&) = delete;
    GxTaskBase& operator=(const GxTaskBase&) = delete;

    virtual void OnResume() {}
    virtual void OnSuspend() {}
    virtual void OnKill() {}
    virtual void OnStartSequence(int /*workerIndex*/) {}
    virtual void OnEndSequence(int /*workerIndex*/) {}
    // The nearest ancestor scene, stored as the owning sequence and returned.
    virtual GxSeqTaskBase* FindOwnerSequence();
    // step: the update step of the frame; elapsed: microseconds (step 0 only).
    virtual int Update(int /*step*/, s64 /*elapsed*/) { return 0; }
    virtual int UpdateBeforeMain(int step, s64 elapsed) { return Update(step, elapsed); }
    virtual int EnqueueRender(int /*step*/, s64 /*elapsed*/) { return 0; }
    virtual int Render(int /*drawParam*/, int /*listIndex*/) { return 0; }
    virtual int RenderBeforeMain(int drawParam, int listIndex) { return Render(drawParam, listIndex); }

    // Identity. A refused registration changes nothing: the task keeps what
    // it had, so it can never later remove another task's entry.
    virtual bool SetTaskID(u64 id);
    virtual u64 GetTaskID() const { return m_TaskID; }
    virtual const GxString& GetTaskName() const { return m_TaskName; }
    virtual bool SetTaskName(const GxString& name);
    virtual const GxString& GetTaskLocalName() const { return m_TaskLocalName; }
    virtual s32 GetTaskLocalIndex() const { return m_TaskLocalIndex; }
    virtual bool SetTaskLocalName(const GxString& name, s32 index);
    // "name/local name[local index]:tag"
    virtual void GetTaskPath(GxString* out) const;

    virtual s32 GetGlobalState() const { return m_GlobalState; }
    virtual void SetGlobalState(s32 state) { m_GlobalState = state; }
    virtual bool IsRunning() const { return m_GlobalState == kGxTaskRunning; }
    virtual bool IsSuspended() const { return m_GlobalState == kGxTaskSuspended; }
    virtual bool IsKilled() const { return m_GlobalState == kGxTaskKilled; }
    virtual void Resume();
    virtual void Suspend();
    virtual void Kill();
    virtual void ResumeChildren();
    virtual void SuspendChildren();
    virtual void KillChildren();

    virtual s32 GetTaskTag() const { return m_Tag; }
    virtual void SetTaskTag(s32 tag) { m_Tag = tag; }
    virtual s32 GetDeleteCountdown() const { return m_DeleteCountdown; }
    virtual void SetDeleteCountdown(s32 n) { m_DeleteCountdown = n; }
    // Lowers the countdown while it is above 0; returns it.
    virtual s32 CountDownDelete();
    virtual GxSeqTaskBase* GetOwnerSequence() const { return m_OwnerSequence; }

    virtual void GetPos(GxVector4* out) const;
    virtual void GetWorldPos(GxVector4* out) const;
    virtual void GetScale(GxVector4* out) const;
    virtual void GetRot(GxVector4* out) const;
    virtual void GetCenterPos(GxVector4* out) const;

    virtual bool WriteContent(GxContentWriterBase* writer);
    virtual bool ReadContent(GxContentReaderBase* reader);

    GxTaskManage* GetTaskManage() const { return m_Manager; }
    GxTaskBase* GetParent() const { return m_Parent; }
    GxTaskBase* GetFirstChild() const { return m_FirstChild; }
    GxTaskBase* GetLastChild() const { return m_LastChild; }
    GxTaskBase* GetPrevSibling() const { return m_PrevSibling; }
    GxTaskBase* GetNextSibling() const { return m_NextSibling; }
    s32 GetChildCount() const { return m_ChildCount; }
    // The nearest folder above the task (starting at its parent), or null.
    GxTaskFolder* FindParentFolder() const;
    // Counts every change of any task's links: a task linked under a parent,
    // unlinked from it, or left without it when the parent ends. Whoever
    // holds tasks it collected from a tree knows them all still there as
    // long as the count has not moved.
    static u64 GetLinkChangeCount() { return s_LinkChanges.load(std::memory_order_relaxed); }

    u32 TaskFlags = 0;
    u32 EventMask = 0;
    u32 TypeBits = 0;
    // Counted by the classes that time things in update steps; never stored.
    s32 m_FrameCount = 0;

protected:
    s32 m_GlobalState = kGxTaskRunning;
    s32 m_Tag = 0;
    s32 m_ChildCount = 0;
    GxTaskManage* m_Manager = nullptr;
    GxTaskBase* m_Parent = nullptr;
    GxTaskBase* m_FirstChild = nullptr;
    GxTaskBase* m_LastChild = nullptr;
    GxTaskBase* m_PrevSibling = nullptr;
    GxTaskBase* m_NextSibling = nullptr;
    GxString m_TaskName;
    GxString m_TaskLocalName;
    s32 m_TaskLocalIndex = 0;
    u64 m_TaskID = 0;
    s32 m_DeleteCountdown = 1;
    GxSeqTaskBase* m_OwnerSequence = nullptr;

private:
    static void CountLinkChange() { s_LinkChanges.fetch_add(1, std::memory_order_relaxed); }
    static std::atomic<u64> s_LinkChanges;

    void LinkToParent(GxTaskBase* parent, const GxChar* name, const GxChar* localName, s32 localIndex);
    void Unlink();
    void ForgetOwner(const GxTaskBase* owner);
};
