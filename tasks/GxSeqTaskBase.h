#pragma once
// What the task tree and the widgets need of a scene (sequence): its worker
// index and the operations widgets call on their owning scene. The scene
// itself, GxSeqBase, implements them above this library; tasks reach it as
// their owning sequence.
#include "tasks/GxTaskFolder.h"

class GxSeqTaskBase : public GxTaskFolder {
public:
    // Scenes end every sibling walk and own themselves.
    GxSeqTaskBase(GxTaskBase* parent, const GxChar* name);
    ~GxSeqTaskBase() override;

    GxSeqTaskBase* FindOwnerSequence() override;

    // -1 while the scene is current on no sequence worker.
    virtual s32 GetSeqWorkIndex() const { return m_SeqWorkIndex; }
    virtual void SetSeqWorkIndex(s32 index) { m_SeqWorkIndex = index; }
    virtual bool CanOperateUI(GxTaskBase* widget, u32 ignoreMask) = 0;
    virtual bool IsUIWidgetActive(GxTaskBase* widget) = 0;
    virtual bool IsScriptRunnable() { return true; }
    virtual bool IsUIBlock1Clear() = 0;
    virtual bool IsUIBlock2Clear() = 0;
    virtual bool IsUIBlock3Clear() = 0;

protected:
    s32 m_SeqWorkIndex = -1;
};
