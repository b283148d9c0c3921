#include "tasks/GxSharedAssetManage.h"

#include "base/GxLog.h"

GxSharedAssetManage::GxSharedAssetManage() : m_Scopes(5, nullptr) {}

GxSharedAssetManage::~GxSharedAssetManage() {
    m_AsyncJobManage.Shutdown();
    for (GxSharedScope*& s : m_Scopes) {
        delete s;
        s = nullptr;
    }
}

GxSharedScope* GxSharedAssetManage::OpenScope(int index) {
    if (index < 0) {
        GxWriteErrorLog(u"GxSharedAssetManage::OpenScope/不正なスコープ番号です(%d)\n", index);
        return nullptr;
    }
    if (m_Scopes.size() < size_t(index) + 1) m_Scopes.resize(size_t(index) + 1, nullptr);
    delete m_Scopes[size_t(index)];
    m_Scopes[size_t(index)] = new GxSharedScope(&m_AsyncJobManage);
    return m_Scopes[size_t(index)];
}

GxSharedScope* GxSharedAssetManage::GetScope(int index) const {
    return (index >= 0 && size_t(index) < m_Scopes.size()) ? m_Scopes[size_t(index)] : nullptr;
}

void GxSharedAssetManage::ReleaseForSequence(const GxString& sequenceName) {
    m_AsyncJobManage.CancelPendingJobs();
    m_AsyncJobManage.WaitAllJobs();
    if (m_Scopes.size() < 2) return;
    for (size_t i = 1; i < m_Scopes.size(); ++i)
        if (m_Scopes[i] && !m_Scopes[i]->HasSequenceName(sequenceName)) m_Scopes[i]->Clear();
}

void GxSharedAssetManage::Tick() {
    for (GxSharedScope* s : m_Scopes)
        if (s) s->Tick();
}

void GxSharedAssetManage::ReleaseAll() {
    m_AsyncJobManage.CancelPendingJobs();
    m_AsyncJobManage.WaitAllJobs();
    for (GxSharedScope* s : m_Scopes)
        if (s) s->Clear();
}
