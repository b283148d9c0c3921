#include "tasks/GxTaskFolder.h"

#include "base/GxLog.h"
#include "io/GxContentReaderBase.h"
#include "io/GxContentWriterBase.h"

GxTaskFolder::GxTaskFolder(GxTaskBase* parent, const GxChar* name, const GxChar* localName, s32 localIndex)
    : GxTaskBase(parent, name, localName, localIndex) {
    TypeBits |= kGxTypeFolder;
}

GxTaskFolder::~GxTaskFolder() = default;

void GxTaskFolder::OnEndSequence(int) { ClearUIEvents(); }

int GxTaskFolder::Update(int, s64) {
    ProcessUIEvents(nullptr);
    return 0;
}

void GxTaskFolder::GetWorldPos(GxVector4* out) const {
    if (!out) return;
    if (m_Parent)
        m_Parent->GetWorldPos(out);
    else
        *out = GxVector4(0, 0, 0, 0);
}

bool GxTaskFolder::RegisterTaskLocalName(const GxString& name, s32 index, GxTaskBase* task) {
    auto it = m_LocalNames.find(name);
    if (it == m_LocalNames.end()) {
        m_LocalNames[name][index] = task;
        return true;
    }
    if (!it->second.emplace(index, task).second) {
        GxWriteErrorLog(u"GxTaskFolder::RegisterTaskLocalName/TaskLocalNameまたはIndex重複を検出 %s (%s,%d)\n", m_TaskName,
                        name, index);
        return false;
    }
    return true;
}

bool GxTaskFolder::UnregisterTaskLocalName(const GxString& name, s32 index) {
    auto it = m_LocalNames.find(name);
    if (it == m_LocalNames.end()) return false;
    if (it->second.erase(index) == 0) return false;
    if (it->second.empty()) m_LocalNames.erase(it);
    return true;
}

GxTaskBase* GxTaskFolder::FindTaskLocal(const GxString& name, s32 index) const {
    auto it = m_LocalNames.find(name);
    if (it == m_LocalNames.end()) return nullptr;
    auto jt = it->second.find(index);
    return jt == it->second.end() ? nullptr : jt->second;
}

GxTaskBase* GxTaskFolder::FindTaskLocal(const GxChar* name, s32 index) const {
    return FindTaskLocal(GxString(name ? name : u""), index);
}

GxTaskBase* GxTaskFolder::GetTaskLocal(const GxString& name, s32 index) {
    GxTaskBase* task = FindTaskLocal(name, index);
    if (!task)
        GxWriteErrorLog(u"GxTaskFolder::GetTaskLocal/ローカルタスクが存在しません %s:%s[%d]\n", m_TaskName, name, index);
    return task;
}

GxTaskBase* GxTaskFolder::GetTaskLocal(const GxChar* name, s32 index) {
    return GetTaskLocal(GxString(name ? name : u""), index);
}

bool GxTaskFolder::OnUIEvent(GxTaskBase*, const GxUIEventParam* ev) {
    if (!m_AcceptUIEventFlag || !ev) return false;
    if (m_InstantUIEventFlag) {
        RouteUIEvent(ev, nullptr);
        return true;
    }
    m_UIEventQueue.push_back(*ev);
    return true;
}

int GxTaskFolder::ProcessUIEvents(GxUIListenerBase* listener) {
    int sum = 0;
    while (!m_UIEventQueue.empty()) {
        // Taken off the queue before it is routed: a handler may clear the
        // queue or queue more events.
        GxUIEventParam ev = m_UIEventQueue.front();
        m_UIEventQueue.pop_front();
        sum += RouteUIEvent(&ev, listener);
    }
    return sum;
}

int GxTaskFolder::RouteUIEvent(const GxUIEventParam* ev, GxUIListenerBase* listener) {
    if (!ev) return 0;
    if (!listener) listener = this;
    return listener->CallUIEventHandler(ev->m_Type, ev->m_Source, ev);
}

void GxTaskFolder::ClearUIEvents() { m_UIEventQueue.clear(); }

bool GxTaskFolder::WriteContent(GxContentWriterBase* writer) {
    bool ok = GxTaskBase::WriteContent(writer);
    if (!writer) return false;
    ok = writer->Write("m_AcceptUIEventFlag", m_AcceptUIEventFlag) && ok;
    ok = writer->Write("m_InstantUIEventFlag", m_InstantUIEventFlag) && ok;
    return ok && writer->GetErrorCount() == 0;
}

bool GxTaskFolder::ReadContent(GxContentReaderBase* reader) {
    bool ok = GxTaskBase::ReadContent(reader);
    if (!reader) return false;
    ok = reader->Read("m_AcceptUIEventFlag", &m_AcceptUIEventFlag) && ok;
    ok = reader->Read("m_InstantUIEventFlag", &m_InstantUIEventFlag) && ok;
    ClearUIEvents();
    return ok && reader->GetErrorCount() == 0;
}
