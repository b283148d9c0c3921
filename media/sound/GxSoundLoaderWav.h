#pragma once
// PCM RIFF/WAVE files, read through the file layer (on disk or in a pack).
#include "io/GxFileHandle.h"
#include "media/sound/GxSoundLoaderBase.h"

class GxSoundLoaderWav : public GxSoundLoaderBase {
public:
    ~GxSoundLoaderWav() override;

    bool Open(GxStringView name) override;
    void Close() override;
    bool IsOpen() const override { return m_Open; }
    bool Read(void* buffer, u32 bytes, u32* bytesRead) override;
    bool Seek(u32 frame) override;
    u32 Tell() override;
    bool IsEnd() override { return m_BytesLeft == 0; }
    u32 GetLengthSamples() override;
    u32 GetLengthBytes() override { return m_DataSize; }
    int GetType() const override { return kTypeWav; }

private:
    // Walks the chunks after "WAVE" up to riffEnd; false with the reason
    // logged.
    bool ReadChunks(GxStringView name, u64 riffEnd);

    GxFileHandle m_File;
    bool m_Open = false;
    u32 m_DataOffset = 0;
    u32 m_DataSize = 0;
    u32 m_BytesLeft = 0;
};
