#include "game/AvgTaskProxyMain.h"

#include "base/GxLog.h"
#include "io/GxContentReaderBase.h"
#include "io/GxContentWriterBase.h"
#include "tasks/GxTaskManage.h"

AvgTaskProxyMain::AvgTaskProxyMain(GxTaskBase* parent) : GxTaskBase(parent, u"$PROXY:SeqAvgMain") {}

void AvgTaskProxyMain::Clear() {
    m_ReceiveSequenceName.clear();
    m_ReceiveTaskName.clear();
    m_ReceiveSequence = nullptr;
    m_ReceiveTask = nullptr;
}

void AvgTaskProxyMain::SetReceiveTask(const GxString& sequenceName, const GxString& taskName) {
    if (sequenceName.empty() && taskName.empty()) {
        Clear();
        return;
    }
    GxTaskBase* sequence = m_Manager ? m_Manager->FindTaskNameStr(sequenceName) : nullptr;
    GxTaskBase* task = m_Manager ? m_Manager->FindTaskNameStr(taskName) : nullptr;
    if (!sequence || !task) {
        GxWriteErrorLog(u"AvgTaskProxyMainにタスクを設定できませんでした(%s/%s)\n", sequenceName, taskName);
        Clear();
        return;
    }
    m_ReceiveSequenceName = sequenceName;
    m_ReceiveTaskName = taskName;
    m_ReceiveSequence = sequence;
    m_ReceiveTask = task;
}

GxTaskBase* AvgTaskProxyMain::GetReceiveTask() {
    if (!m_ReceiveTask || !m_Manager) return nullptr;
    // The pointers are only as good as the tasks behind the names: a task
    // deleted since (a scene rebuilt, a load) must not be walked.
    m_ReceiveSequence = m_Manager->FindTaskNameStr(m_ReceiveSequenceName);
    m_ReceiveTask = m_ReceiveSequence ? m_Manager->FindTaskNameStr(m_ReceiveTaskName) : nullptr;
    return m_ReceiveTask;
}

GxTaskBase* AvgTaskProxyMain::FirstReceived() {
    GxTaskBase* task = GetReceiveTask();
    // A receiving task above the proxy (names read from a save game can say
    // so) would have every walk enter the proxy again without end.
    for (const GxTaskBase* t = this; t && task; t = t->GetParent())
        if (t == task) return nullptr;
    return task ? task->GetFirstChild() : nullptr;
}

int AvgTaskProxyMain::Update(int step, s64 elapsed) {
    if (GxTaskBase* first = FirstReceived()) m_Manager->UpdateTaskTree(first, step, elapsed);
    return 0;
}

int AvgTaskProxyMain::EnqueueRender(int step, s64 elapsed) {
    if (GxTaskBase* first = FirstReceived()) m_Manager->EnqueueRenderTaskTree(first, step, elapsed);
    return 0;
}

void AvgTaskProxyMain::OnStartSequence(int) {
    if (GxTaskBase* first = FirstReceived()) m_Manager->StartSequenceTree(first, -1);
}

void AvgTaskProxyMain::OnEndSequence(int) {
    if (GxTaskBase* first = FirstReceived()) m_Manager->EndSequenceTree(first, -1);
}

bool AvgTaskProxyMain::WriteContent(GxContentWriterBase* writer) {
    if (!writer) return false;
    GxTaskBase::WriteContent(writer);
    writer->Write("m_ReceiveSequenceName", m_ReceiveSequenceName);
    writer->Write("m_ReceiveTaskName", m_ReceiveTaskName);
    return writer->GetErrorCount() == 0;
}

bool AvgTaskProxyMain::ReadContent(GxContentReaderBase* reader) {
    if (!reader) return false;
    GxTaskBase::ReadContent(reader);
    GxString sequenceName, taskName;
    reader->Read("m_ReceiveSequenceName", &sequenceName);
    reader->Read("m_ReceiveTaskName", &taskName);
    SetReceiveTask(sequenceName, taskName);
    return reader->GetErrorCount() == 0;
}
