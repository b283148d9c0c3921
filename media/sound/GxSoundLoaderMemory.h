#pragma once
// Reads a sound decoded whole (GxWavData). The data is not owned: the sound
// cache keeps it while the loader reads.
#include "media/sound/GxSoundLoaderBase.h"

class GxWavData;

class GxSoundLoaderMemory : public GxSoundLoaderBase {
public:
    using GxSoundLoaderBase::Open;
    // False for null or empty data.
    bool Open(GxWavData* data);
    void Close() override;
    bool IsOpen() const override { return m_Data != nullptr; }
    bool Read(void* buffer, u32 bytes, u32* bytesRead) override;
    bool Seek(u32 frame) override;
    u32 Tell() override;
    bool IsEnd() override { return m_BytesLeft == 0; }
    u32 GetLengthSamples() override { return m_Format.block_align ? m_Size / m_Format.block_align : 0; }
    u32 GetLengthBytes() override { return m_Size; }
    int GetType() const override { return kTypeMemory; }

private:
    GxWavData* m_Data = nullptr;
    const u8* m_Read = nullptr;
    u32 m_Size = 0;
    u32 m_BytesLeft = 0;
};
