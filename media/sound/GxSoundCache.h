#pragma once
// Sounds decoded whole, found by file name (without regard to ASCII case), so
// that short sounds played again and again are decoded once. Each audio back
// end owns one. Unreferenced entries that are not kept are purged when the
// cache grows past its limits.
#include "base/GxMutex.h"
#include "media/sound/GxWavData.h"

#include <list>
#include <memory>

class GxSoundCache {
public:
    static constexpr u32 kMaxBytes = 20971520;
    static constexpr u32 kMaxCount = 1023;

    GxSoundCache() = default;
    virtual ~GxSoundCache() = default;
    GxSoundCache(const GxSoundCache&) = delete;
    GxSoundCache& operator=(const GxSoundCache&) = delete;

    // The sound with one more reference and its start time set to now; null
    // when it cannot be decoded.
    GxWavData* Load(GxStringView name);
    void Release(GxStringView name);
    // Load, keep flag, then the reference dropped; true when cached.
    bool Preload(GxStringView name, bool keep);
    void SetKeep(GxStringView name, bool keep);
    bool Contains(GxStringView name);
    bool PurgeForSpace() { return Purge(); }
    // Deletes the unreferenced entries that are not kept; true when any went.
    bool Purge();
    bool Clear();
    u32 GetTotalBytes();
    u32 GetCount();
    // 0 for a name not cached.
    u32 GetLastStartTime(GxStringView name);
    u32 GetLastStartTimeA(const GxStringA& name);

private:
    GxWavData* Find(GxStringView name);

    GxMutex m_Mutex;
    std::list<std::unique_ptr<GxWavData>> m_Entries;
    u32 m_TotalBytes = 0;
};
