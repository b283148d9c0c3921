#include "tasks/GxTaskBase.h"

#include "base/GxAssert.h"
#include "base/GxLog.h"
#include "tasks/GxSeqTaskBase.h"
#include "tasks/GxTaskFolder.h"
#include "tasks/GxTaskManage.h"
#include "io/GxContentReaderBase.h"
#include "io/GxContentWriterBase.h"

std::atomic<u64> GxTaskBase::s_LinkChanges{0};

GxTaskBase::GxTaskBase(GxTaskBase* parent, const GxChar* name, const GxChar* localName, s32 localIndex) {
    LinkToParent(parent, name, localName, localIndex);
}

GxTaskBase::GxTaskBase(GxTaskManage* manager) {
    m_Manager = manager;
    if (manager) manager->OfferTopTask(this);
}

void GxTaskBase::LinkToParent(GxTaskBase* parent, const GxChar* name, const GxChar* localName, s32 localIndex) {
    if (parent) {
        CountLinkChange();
        m_Manager = parent->m_Manager;
        m_Parent = parent;
        GX_ASSERT(!parent->m_LastChild || !parent->m_LastChild->m_NextSibling);
        m_PrevSibling = parent->m_LastChild;
        if (parent->m_LastChild)
            parent->m_LastChild->m_NextSibling = this;
        else
            parent->m_FirstChild = this;
        parent->m_LastChild = this;
        ++parent->m_ChildCount;
        // The base's own search: a scene's constructor then claims itself.
        GxTaskBase::FindOwnerSequence();
    }
    if (name && *name) SetTaskName(name);
    if (localName && *localName) SetTaskLocalName(localName, localIndex);
}

GxTaskBase::~GxTaskBase() {
    if (m_Manager) {
        if (m_TaskID != 0) m_Manager->UnregisterTaskID(m_TaskID);
        if (!m_TaskName.empty()) m_Manager->UnregisterTaskName(m_TaskName, this);
    }
    if (!m_TaskLocalName.empty()) {
        GxTaskFolder* folder = FindParentFolder();
        if (folder && folder->FindTaskLocal(m_TaskLocalName, m_TaskLocalIndex) == this)
            folder->UnregisterTaskLocalName(m_TaskLocalName, m_TaskLocalIndex);
    }
    // Children normally go first (the sweep deletes them before their parent);
    // any left over become parentless rather than keep a pointer to this task.
    if (m_FirstChild) CountLinkChange();
    for (GxTaskBase* c = m_FirstChild; c;) {
        GxTaskBase* next = c->m_NextSibling;
        GX_ASSERT(c->m_Parent == this);
        c->ForgetOwner(this);
        c->m_Parent = nullptr;
        c->m_PrevSibling = c->m_NextSibling = nullptr;
        c = next;
    }
    m_FirstChild = m_LastChild = nullptr;
    m_ChildCount = 0;
    Unlink();
    if (m_Manager) m_Manager->ForgetTask(this);
}

void GxTaskBase::ForgetOwner(const GxTaskBase* owner) {
    if (m_OwnerSequence && static_cast<const GxTaskBase*>(m_OwnerSequence) == owner) m_OwnerSequence = nullptr;
    for (GxTaskBase* c = m_FirstChild; c; c = c->m_NextSibling) c->ForgetOwner(owner);
}

void GxTaskBase::Unlink() {
    if (!m_Parent) return;
    CountLinkChange();
    GX_ASSERT(m_PrevSibling ? m_PrevSibling->m_NextSibling == this : m_Parent->m_FirstChild == this);
    GX_ASSERT(m_NextSibling ? m_NextSibling->m_PrevSibling == this : m_Parent->m_LastChild == this);
    GX_ASSERT(m_Parent->m_ChildCount > 0);
    if (m_PrevSibling)
        m_PrevSibling->m_NextSibling = m_NextSibling;
    else
        m_Parent->m_FirstChild = m_NextSibling;
    if (m_NextSibling)
        m_NextSibling->m_PrevSibling = m_PrevSibling;
    else
        m_Parent->m_LastChild = m_PrevSibling;
    --m_Parent->m_ChildCount;
    m_Parent = m_PrevSibling = m_NextSibling = nullptr;
}

GxSeqTaskBase* GxTaskBase::FindOwnerSequence() {
    m_OwnerSequence = nullptr;
    for (GxTaskBase* t = m_Parent; t; t = t->m_Parent)
        if (t->TypeBits & kGxTypeSequence) {
            m_OwnerSequence = static_cast<GxSeqTaskBase*>(t);
            break;
        }
    return m_OwnerSequence;
}

GxTaskFolder* GxTaskBase::FindParentFolder() const {
    for (GxTaskBase* t = m_Parent; t; t = t->m_Parent)
        if (t->TypeBits & kGxTypeFolder) return static_cast<GxTaskFolder*>(t);
    return nullptr;
}

bool GxTaskBase::SetTaskID(u64 id) {
    if (m_TaskID != 0) {
        GxWriteErrorLog(u"GxTaskBase::SetTaskID/TaskIDは後から変更できませんTaskID=%I64u->%I64u\n", m_TaskID, id);
        return false;
    }
    if (!m_Manager || !m_Manager->RegisterTaskID(this, id)) return false;
    m_TaskID = id;
    return true;
}

bool GxTaskBase::SetTaskName(const GxString& name) {
    if (!m_Manager) {
        m_TaskName = name;
        return false;
    }
    if (name.empty()) {
        if (!m_TaskName.empty()) m_Manager->UnregisterTaskName(m_TaskName, this);
        m_TaskName.clear();
        return false;
    }
    if (name == m_TaskName && m_Manager->FindTaskNameStr(name) == this) return true;
    if (!m_Manager->RegisterTaskName(name, this)) return false;
    if (!m_TaskName.empty()) m_Manager->UnregisterTaskName(m_TaskName, this);
    m_TaskName = name;
    return true;
}

bool GxTaskBase::SetTaskLocalName(const GxString& name, s32 index) {
    GxTaskFolder* folder = FindParentFolder();
    if (!folder) {
        GxWriteErrorLog(u"GxTaskBase::SetTaskLocalName/フォルダタスク下にありません (%s,%d)\n", name, index);
        return false;
    }
    const bool ownsOld = !m_TaskLocalName.empty() && folder->FindTaskLocal(m_TaskLocalName, m_TaskLocalIndex) == this;
    if (!name.empty()) {
        if (ownsOld && name == m_TaskLocalName && index == m_TaskLocalIndex) return true;
        if (!folder->RegisterTaskLocalName(name, index, this)) return false;
    }
    if (ownsOld) folder->UnregisterTaskLocalName(m_TaskLocalName, m_TaskLocalIndex);
    m_TaskLocalName = name;
    m_TaskLocalIndex = index;
    return !name.empty();
}

void GxTaskBase::GetTaskPath(GxString* out) const {
    if (out) *out = GxFormat(u"%s/%s[%d]:%d", m_TaskName, m_TaskLocalName, m_TaskLocalIndex, m_Tag);
}

void GxTaskBase::Resume() {
    if (m_GlobalState != kGxTaskSuspended) return;
    m_GlobalState = kGxTaskRunning;
    OnResume();
}

void GxTaskBase::Suspend() {
    if (m_GlobalState != kGxTaskRunning) return;
    m_GlobalState = kGxTaskSuspended;
    OnSuspend();
}

void GxTaskBase::Kill() {
    KillChildren();
    if (m_GlobalState == kGxTaskKilled) return;
    m_GlobalState = kGxTaskKilled;
    OnKill();
}

void GxTaskBase::ResumeChildren() {
    for (GxTaskBase* c = m_FirstChild; c; c = c->m_NextSibling) c->Resume();
}

void GxTaskBase::SuspendChildren() {
    for (GxTaskBase* c = m_FirstChild; c; c = c->m_NextSibling) c->Suspend();
}

void GxTaskBase::KillChildren() {
    for (GxTaskBase* c = m_FirstChild; c; c = c->m_NextSibling) c->Kill();
}

s32 GxTaskBase::CountDownDelete() {
    if (m_DeleteCountdown > 0) --m_DeleteCountdown;
    return m_DeleteCountdown;
}

void GxTaskBase::GetPos(GxVector4* out) const {
    if (out) *out = GxVector4(0, 0, 0, 0);
}

void GxTaskBase::GetWorldPos(GxVector4* out) const {
    if (out) *out = GxVector4(0, 0, 0, 0);
}

void GxTaskBase::GetScale(GxVector4* out) const {
    if (out) *out = GxVector4(1, 1, 1, 0);
}

void GxTaskBase::GetRot(GxVector4* out) const {
    if (out) *out = GxVector4(0, 0, 0, 0);
}

void GxTaskBase::GetCenterPos(GxVector4* out) const {
    if (out) *out = GxVector4(0, 0, 0, 0);
}

bool GxTaskBase::WriteContent(GxContentWriterBase* writer) {
    if (!writer) return false;
    bool ok = writer->Write("m_GlobalState", u32(m_GlobalState));
    ok = writer->Write("m_TaskID", s64(m_TaskID)) && ok;
    return ok && writer->GetErrorCount() == 0;
}

bool GxTaskBase::ReadContent(GxContentReaderBase* reader) {
    if (!reader) return false;
    if (m_TaskID != 0) {
        if (m_Manager) m_Manager->UnregisterTaskID(m_TaskID);
        m_TaskID = 0;
    }
    u32 state = u32(m_GlobalState);
    s64 id = 0;
    bool ok = reader->Read("m_GlobalState", &state);
    ok = reader->Read("m_TaskID", &id) && ok;
    // A stored state outside running, suspended and killed would leave a task
    // that no walk visits and no sweep deletes: keep the current one.
    if (state >= u32(kGxTaskRunning) && state <= u32(kGxTaskKilled)) {
        m_GlobalState = s32(state);
    } else {
        GxWriteErrorLog(u"GxTaskBase::ReadContent/m_GlobalStateが不正です(%u)\n", state);
        ok = false;
    }
    if (id != 0) {
        if (m_Manager && m_Manager->RegisterTaskID(this, u64(id)))
            m_TaskID = u64(id);
        else
            ok = false;
    }
    return ok && reader->GetErrorCount() == 0;
}
