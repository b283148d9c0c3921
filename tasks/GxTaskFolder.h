#pragma once
// A task that holds named children (by local name and index) and receives UI
// events: it drops them, routes them at once, or queues them for its next
// update, as its two flags say.
#include "tasks/GxTaskBase.h"
#include "tasks/GxUIListenerBase.h"

#include <deque>
#include <map>

class GxTaskFolder : public GxTaskBase, public GxUIListenerBase {
public:
    explicit GxTaskFolder(GxTaskBase* parent, const GxChar* name = nullptr, const GxChar* localName = nullptr,
                          s32 localIndex = 0);
    ~GxTaskFolder() override;

    void OnEndSequence(int workerIndex) override;
    // Routes the queued UI events, in arrival order.
    int Update(int step, s64 elapsed) override;
    void GetWorldPos(GxVector4* out) const override;
    bool WriteContent(GxContentWriterBase* writer) override;
    bool ReadContent(GxContentReaderBase* reader) override;

    virtual bool RegisterTaskLocalName(const GxString& name, s32 index, GxTaskBase* task);
    virtual bool UnregisterTaskLocalName(const GxString& name, s32 index);
    // With an error-log line when absent.
    virtual GxTaskBase* GetTaskLocal(const GxChar* name, s32 index);
    virtual GxTaskBase* GetTaskLocal(const GxString& name, s32 index);
    // Silent.
    virtual GxTaskBase* FindTaskLocal(const GxChar* name, s32 index) const;
    virtual GxTaskBase* FindTaskLocal(const GxString& name, s32 index) const;

    virtual void SetAcceptUIEventFlag(bool on) { m_AcceptUIEventFlag = on; }
    virtual bool GetAcceptUIEventFlag() const { return m_AcceptUIEventFlag; }
    virtual void SetInstantUIEventFlag(bool on) { m_InstantUIEventFlag = on; }
    virtual bool GetInstantUIEventFlag() const { return m_InstantUIEventFlag; }
    // Routes every queued event to the listener (null: the folder itself);
    // returns the sum of the handlers' results.
    virtual int ProcessUIEvents(GxUIListenerBase* listener = nullptr);
    virtual int RouteUIEvent(const GxUIEventParam* ev, GxUIListenerBase* listener);
    virtual void ClearUIEvents();

    bool OnUIEvent(GxTaskBase* sender, const GxUIEventParam* ev) override;

    size_t GetQueuedUIEventCount() const { return m_UIEventQueue.size(); }

protected:
    std::map<GxString, std::map<s32, GxTaskBase*>> m_LocalNames;
    std::deque<GxUIEventParam> m_UIEventQueue;
    bool m_AcceptUIEventFlag = false;
    bool m_InstantUIEventFlag = false;
};
