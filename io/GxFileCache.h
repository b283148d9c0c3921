#pragma once
// Copies of recently loaded small files, keyed by the path with ASCII letters
// lowered. Bounded by a total capacity and by the size of the largest file it
// takes; when full it frees the least recently used files, at least a quarter
// of its capacity at a time. Off until switched on. Every operation holds the
// cache's own mutex (taken after the file system's where both are held).
#include "base/GxMutex.h"
#include "io/GxFileCacheBuffer.h"

#include <map>
#include <memory>

class GxFileCache {
public:
    GxFileCache() = default;
    virtual ~GxFileCache();
    GxFileCache(const GxFileCache&) = delete;
    GxFileCache& operator=(const GxFileCache&) = delete;

    // The held buffer when enabled and the key is held with exactly this file
    // time; a hit counts as a use. The buffer stays the cache's and may go at
    // the next addition from any thread: FindCopy copies under the lock.
    GxFileCacheBuffer* Find(const GxString& key, u64 fileTime);
    bool FindCopy(const GxString& key, u64 fileTime, GxBinBuffer* out);
    // Stores a copy when enabled and the data fits both limits; any held copy
    // of the key goes first, whatever follows.
    bool Add(const GxString& key, const GxBinBuffer& data, u64 fileTime);
    bool Remove(const GxString& key);
    // Frees the least recently used buffers until max(wanted, capacity / 4)
    // bytes are freed or nothing is left.
    bool Evict(u32 wanted);
    void Clear();
    u32 GetUsedBytes() const;

    void SetCapacity(u32 bytes);
    void SetMaxFileSize(u32 bytes);
    void SetEnable(bool enable);
    u32 GetCapacity() const;
    u32 GetMaxFileSize() const;
    bool IsEnabled() const;

private:
    std::map<GxString, std::unique_ptr<GxFileCacheBuffer>> m_Entries;
    u32 m_Capacity = 0;
    u32 m_Used = 0;
    u32 m_MaxFileSize = 0;
    bool m_Enabled = false;
    mutable GxMutex m_Mutex;
};
