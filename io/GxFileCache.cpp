#include "io/GxFileCache.h"

#include "platform/system/clock.h"

#include <cstring>
#include <algorithm>
#include <vector>

namespace {
u32 NowMs() { return u32(psys::now_ms()); }
} // namespace

GxFileCache::~GxFileCache() {
    Clear();
    m_Capacity = m_MaxFileSize = 0;
    m_Enabled = false;
}

GxFileCacheBuffer* GxFileCache::Find(const GxString& key, u64 fileTime) {
    GxMutexScopedLock lock(m_Mutex);
    if (!m_Enabled) return nullptr;
    auto it = m_Entries.find(key);
    if (it == m_Entries.end() || it->second->m_FileTime != fileTime) return nullptr;
    it->second->m_LastAccess = NowMs();
    return it->second.get();
}

bool GxFileCache::FindCopy(const GxString& key, u64 fileTime, GxBinBuffer* out) {
    GxMutexScopedLock lock(m_Mutex);
    const GxFileCacheBuffer* b = Find(key, fileTime);
    if (!b) return false;
    u8* d = out->Alloc(b->GetSize());
    if (b->GetSize()) std::memcpy(d, b->GetData(), b->GetSize());
    return true;
}

bool GxFileCache::Add(const GxString& key, const GxBinBuffer& data, u64 fileTime) {
    GxMutexScopedLock lock(m_Mutex);
    Remove(key);
    const u32 size = data.GetSize();
    if (!m_Enabled || size > m_MaxFileSize || size > m_Capacity) return false;
    if (u64(m_Used) + size > m_Capacity) Evict(size);
    auto b = std::make_unique<GxFileCacheBuffer>();
    u8* d = b->Alloc(size);
    if (size) std::memcpy(d, data.GetData(), size);
    b->m_LastAccess = NowMs();
    b->m_FileTime = fileTime;
    m_Entries.emplace(key, std::move(b));
    m_Used += size;
    return true;
}

bool GxFileCache::Remove(const GxString& key) {
    GxMutexScopedLock lock(m_Mutex);
    auto it = m_Entries.find(key);
    if (it == m_Entries.end()) return false;
    m_Used -= it->second->GetSize();
    m_Entries.erase(it);
    return true;
}

bool GxFileCache::Evict(u32 wanted) {
    GxMutexScopedLock lock(m_Mutex);
    const u32 target = wanted > m_Capacity / 4 ? wanted : m_Capacity / 4;
    struct Record {
        const GxString* key;
        u32 access;
        u32 size;
    };
    // Oldest first; equal times keep the map's key order.
    std::vector<Record> order;
    order.reserve(m_Entries.size());
    for (const auto& [key, buf] : m_Entries) order.push_back({&key, buf->m_LastAccess, buf->GetSize()});
    std::stable_sort(order.begin(), order.end(), [](const Record& a, const Record& b) { return a.access < b.access; });
    u64 freed = 0;
    for (const Record& r : order) {
        if (freed >= target) break;
        freed += r.size;
        const GxString key = *r.key;
        Remove(key);
    }
    return true;
}

void GxFileCache::Clear() {
    GxMutexScopedLock lock(m_Mutex);
    m_Entries.clear();
    m_Used = 0;
}

u32 GxFileCache::GetUsedBytes() const {
    GxMutexScopedLock lock(m_Mutex);
    return m_Used;
}

void GxFileCache::SetCapacity(u32 bytes) {
    GxMutexScopedLock lock(m_Mutex);
    m_Capacity = bytes;
}
void GxFileCache::SetMaxFileSize(u32 bytes) {
    GxMutexScopedLock lock(m_Mutex);
    m_MaxFileSize = bytes;
}
void GxFileCache::SetEnable(bool enable) {
    GxMutexScopedLock lock(m_Mutex);
    m_Enabled = enable;
}
u32 GxFileCache::GetCapacity() const {
    GxMutexScopedLock lock(m_Mutex);
    return m_Capacity;
}
u32 GxFileCache::GetMaxFileSize() const {
    GxMutexScopedLock lock(m_Mutex);
    return m_MaxFileSize;
}
bool GxFileCache::IsEnabled() const {
    GxMutexScopedLock lock(m_Mutex);
    return m_Enabled;
}
