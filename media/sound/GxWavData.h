#pragma once
// A sound decoded whole into memory, shared through the sound cache and
// reference counted (the count only says whether the cache may purge it; the
// cache owns and frees it).
#include "media/sound/GxSoundLoaderBase.h"

#include <vector>

class GxWavData {
public:
    GxWavData() = default;
    virtual ~GxWavData() = default;
    GxWavData(const GxWavData&) = delete;
    GxWavData& operator=(const GxWavData&) = delete;

    // Zeroes every field (keeping nothing).
    void Reset();
    void AddRef() { ++m_RefCount; }
    // Never below 0; does not free. The new count.
    u32 Release();
    u32 GetRefCount() const { return m_RefCount; }
    // Frees the PCM and zeroes every field.
    void Destroy() { Reset(); }
    // A zeroed sound of bytes bytes in the format, with one reference; false
    // for no format or no bytes.
    bool Create(GxStringView name, const GxWaveFormat* format, u32 bytes);
    bool CreateA(const GxStringA& name, const GxWaveFormat* format, u32 bytes);
    // Decodes a ".wav" or ".ogg" file whole.
    bool CreateFromFile(GxStringView name);
    bool CreateFromFileA(const GxStringA& name);

    const GxWaveFormat& GetFormat() const { return m_Format; }
    u32 GetSize() const { return u32(m_Data.size()); }
    u8* GetData() { return m_Data.data(); }
    const u8* GetData() const { return m_Data.data(); }
    u32 GetLengthSamples() const { return m_Length; }
    u32 GetLengthMs() const;
    // The frame's samples in the signed 16-bit range (a mono sound gives its
    // sample as both); false for a frame outside the sound or a format other
    // than 8- or 16-bit.
    bool GetSamplePair(s16* left, s16* right, u32 frame) const;
    // Marks now as the time the sound was last started.
    void Touch();
    const GxString& GetName() const { return m_Name; }
    void SetKeep(bool keep) { m_Keep = keep; }
    bool GetKeep() const { return m_Keep; }
    u32 GetLastStartTime() const { return m_LastStartTime; }

private:
    std::vector<u8> m_Data;
    u32 m_LastStartTime = 0;
    GxWaveFormat m_Format;
    GxString m_Name;
    u32 m_RefCount = 0;
    u32 m_Length = 0;
    bool m_Keep = false;
};
