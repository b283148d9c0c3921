#include "media/sound/GxSoundCache.h"

#include "base/GxStringUtil.h"

GxWavData* GxSoundCache::Find(GxStringView name) {
    for (const auto& e : m_Entries)
        if (GxEqualsNoCase(e->GetName(), name)) return e.get();
    return nullptr;
}

GxWavData* GxSoundCache::Load(GxStringView name) {
    GxMutexScopedLock lock(m_Mutex);
    if (GxWavData* found = Find(name)) {
        found->AddRef();
        found->Touch();
        return found;
    }
    auto data = std::make_unique<GxWavData>();
    if (!data->CreateFromFile(name)) return nullptr;
    if (u64(data->GetSize()) + m_TotalBytes > kMaxBytes || m_Entries.size() > kMaxCount) Purge();
    m_TotalBytes += data->GetSize();
    m_Entries.push_back(std::move(data));
    return m_Entries.back().get();
}

void GxSoundCache::Release(GxStringView name) {
    GxMutexScopedLock lock(m_Mutex);
    if (GxWavData* found = Find(name)) found->Release();
}

bool GxSoundCache::Preload(GxStringView name, bool keep) {
    GxMutexScopedLock lock(m_Mutex);
    GxWavData* data = Load(name);
    if (!data) return false;
    if (keep) data->SetKeep(true);
    data->Release();
    return true;
}

void GxSoundCache::SetKeep(GxStringView name, bool keep) {
    GxMutexScopedLock lock(m_Mutex);
    if (GxWavData* found = Find(name)) found->SetKeep(keep);
}

bool GxSoundCache::Contains(GxStringView name) {
    GxMutexScopedLock lock(m_Mutex);
    return Find(name) != nullptr;
}

bool GxSoundCache::Purge() {
    GxMutexScopedLock lock(m_Mutex);
    bool purged = false;
    for (auto it = m_Entries.begin(); it != m_Entries.end();) {
        if ((*it)->GetRefCount() == 0 && !(*it)->GetKeep()) {
            m_TotalBytes -= (*it)->GetSize();
            it = m_Entries.erase(it);
            purged = true;
        } else {
            ++it;
        }
    }
    return purged;
}

bool GxSoundCache::Clear() {
    GxMutexScopedLock lock(m_Mutex);
    m_Entries.clear();
    m_TotalBytes = 0;
    return true;
}

u32 GxSoundCache::GetTotalBytes() {
    GxMutexScopedLock lock(m_Mutex);
    return m_TotalBytes;
}

u32 GxSoundCache::GetCount() {
    GxMutexScopedLock lock(m_Mutex);
    return u32(m_Entries.size());
}

u32 GxSoundCache::GetLastStartTime(GxStringView name) {
    GxMutexScopedLock lock(m_Mutex);
    const GxWavData* found = Find(name);
    return found ? found->GetLastStartTime() : 0;
}

u32 GxSoundCache::GetLastStartTimeA(const GxStringA& name) { return GetLastStartTime(GxFromAnsi(name)); }
