#include "graphics/GxD3DResourceManage.h"

#include "base/GxAssert.h"
#include "base/GxLog.h"
#include "graphics/GxD3DResourceBase.h"

#include <vector>

namespace {

// Runs the registry's exit report after the program's entry returns; built
// before main, so it is destroyed after every factory and resource that was
// first used after start-up.
struct ExitReport {
    ExitReport() { GxD3DResourceManage::GetInstance(); }
    ~ExitReport() { GxD3DResourceManage::GetInstance().ReportAndShutDown(); }
};
ExitReport g_ExitReport;

} // namespace

GxD3DResourceManage& GxD3DResourceManage::GetInstance() {
    static GxD3DResourceManage* instance = new GxD3DResourceManage;
    return *instance;
}

GxD3DResourceManage::GxD3DResourceManage() { Clear(); }

void GxD3DResourceManage::Register(GxD3DResourceBase* resource) {
    if (!resource) return;
    GX_ASSERT(resource->GetResourceMutex().IsHeldByThisThread());
    u32 size = resource->GetMemorySize();
    GxMutexScopedLock lock(m_Mutex);
    if (m_ShuttingDown) return;
    m_Resources[resource] = size;
}

bool GxD3DResourceManage::Unregister(GxD3DResourceBase* resource) {
    GxMutexScopedLock lock(m_Mutex);
    if (m_ShuttingDown) return false;
    return m_Resources.erase(resource) > 0;
}

void GxD3DResourceManage::UpdateMemorySize(GxD3DResourceBase* resource) {
    if (!resource) return;
    u32 size = resource->GetMemorySize();
    GxMutexScopedLock lock(m_Mutex);
    auto it = m_Resources.find(resource);
    if (it != m_Resources.end()) it->second = size;
}

namespace {

std::vector<GxD3DResourceBase*> Snapshot(GxMutex& mutex, const std::map<GxD3DResourceBase*, u32>& set) {
    GxMutexScopedLock lock(mutex);
    std::vector<GxD3DResourceBase*> out;
    out.reserve(set.size());
    for (const auto& e : set) out.push_back(e.first);
    return out;
}

} // namespace

void GxD3DResourceManage::OnLostAll() {
    GX_ASSERT(!m_Mutex.IsHeldByThisThread());
    for (GxD3DResourceBase* r : Snapshot(m_Mutex, m_Resources)) r->OnLost();
}

void GxD3DResourceManage::OnResetAll() {
    GX_ASSERT(!m_Mutex.IsHeldByThisThread());
    for (GxD3DResourceBase* r : Snapshot(m_Mutex, m_Resources)) r->OnReset();
}

u32 GxD3DResourceManage::GetTotalMemorySize() {
    GxMutexScopedLock lock(m_Mutex);
    u64 total = 0;
    for (const auto& e : m_Resources) total += e.second;
    return GxD3DResourceBase::ClampMemorySize(total);
}

void GxD3DResourceManage::Clear() {
    GxMutexScopedLock lock(m_Mutex);
    m_ShuttingDown = false;
    m_Resources.clear();
}

void GxD3DResourceManage::ReportAndShutDown() {
    GxMutexScopedLock lock(m_Mutex);
    if (m_ShuttingDown) return;
    for (const auto& e : m_Resources) {
        // The resources' fields are read without their mutexes (the registry
        // never takes a resource's mutex while holding its own); at exit
        // nothing else runs.
        const GxD3DResourceBase* r = e.first;
        GxWriteWarningLog(u"Warning/未解放のまま終了したリソースがあります 0x%x [%s:%s]\n",
                          u32(reinterpret_cast<uintptr_t>(r)), GxGetObjectTypeName(r->m_ObjectType), r->m_Name);
    }
    m_ShuttingDown = true;
    m_Resources.clear();
}

size_t GxD3DResourceManage::GetCount() {
    GxMutexScopedLock lock(m_Mutex);
    return m_Resources.size();
}

bool GxD3DResourceManage::IsRegistered(const GxD3DResourceBase* resource) {
    GxMutexScopedLock lock(m_Mutex);
    return m_Resources.count(const_cast<GxD3DResourceBase*>(resource)) > 0;
}
