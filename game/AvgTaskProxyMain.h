#pragma once
// A task that hands the walks of the task tree on to the children of another
// task, named by its sequence and its own name: the main scene puts one in a
// scene that shows the main scene's tasks. It forwards nothing until both
// names are set and found. Its stored form keeps the two names.
#include "tasks/GxTaskBase.h"

class AvgTaskProxyMain : public GxTaskBase {
public:
    // Named "$PROXY:SeqAvgMain".
    explicit AvgTaskProxyMain(GxTaskBase* parent);

    int Update(int step, s64 elapsed) override;
    int EnqueueRender(int step, s64 elapsed) override;
    bool WriteContent(GxContentWriterBase* writer) override;
    bool ReadContent(GxContentReaderBase* reader) override;
    void OnStartSequence(int workerIndex) override;
    void OnEndSequence(int workerIndex) override;

    // Both names empty: forwards nothing. Otherwise both are looked up; when
    // either is missing the proxy is cleared and the miss logged.
    void SetReceiveTask(const GxString& sequenceName, const GxString& taskName);

    const GxString& GetReceiveSequenceName() const { return m_ReceiveSequenceName; }
    const GxString& GetReceiveTaskName() const { return m_ReceiveTaskName; }
    // The receiving task as it stands now: null when the names are not set
    // or the task has gone since.
    GxTaskBase* GetReceiveTask();

private:
    void Clear();
    // The first child of the receiving task, or null.
    GxTaskBase* FirstReceived();

    GxString m_ReceiveSequenceName;
    GxString m_ReceiveTaskName;
    GxTaskBase* m_ReceiveSequence = nullptr;
    GxTaskBase* m_ReceiveTask = nullptr;
};
