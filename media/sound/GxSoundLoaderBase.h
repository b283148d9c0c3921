#pragma once
// A source of PCM for the players: opens one sound, reports its format and
// length, delivers 8- or 16-bit little-endian PCM on demand, seeks by sample
// frame and remembers a loop position.
#include "base/GxTypes.h"
#include "platform/audio/wave_format.h"

#include <vector>

using GxWaveFormat = paudio::wave_format;

// Frames at a rate for a time in milliseconds: rate / 1000 * ms in double
// precision, truncated.
u32 MillisecondsToFrames(u32 ms, u32 rate);

class GxSoundLoaderBase {
public:
    enum : int { kTypeBase = 0, kTypeMemory = 1, kTypeWav = 2, kTypeOgg = 4 };

    GxSoundLoaderBase() = default;
    virtual ~GxSoundLoaderBase() = default;
    GxSoundLoaderBase(const GxSoundLoaderBase&) = delete;
    GxSoundLoaderBase& operator=(const GxSoundLoaderBase&) = delete;

    // A loader for the file's extension (".wav" or ".ogg", any ASCII case),
    // not yet opened; null for any other.
    static GxSoundLoaderBase* CreateForFile(GxStringView name);
    // CreateForFile and Open; null when either fails.
    static GxSoundLoaderBase* OpenFile(GxStringView name);

    virtual bool Open(GxStringView) { return false; }
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
    // Up to bytes bytes; true while open, even when fewer came.
    virtual bool Read(void* buffer, u32 bytes, u32* bytesRead) = 0;
    virtual bool Seek(u32 frame) = 0;
    virtual u32 Tell() = 0;
    virtual bool IsEnd() = 0;
    const GxWaveFormat& GetFormat() const { return m_Format; }
    virtual u32 GetLengthSamples() = 0;
    virtual u32 GetLengthBytes() = 0;
    void SetLoopPos(u32 frame) { m_LoopPos = frame; }
    // A loop position at or past the end loops from the start.
    u32 GetLoopPos() { return m_LoopPos >= GetLengthSamples() ? 0 : m_LoopPos; }
    virtual u32 GetLengthMs();
    // Reads on to the length in bytes (or the end of what the source holds)
    // into out, growing it as data comes rather than by what the source
    // claims: a damaged file must not cause a huge allocation. False when not
    // open.
    bool ReadAll(std::vector<u8>& out);
    virtual int GetType() const { return kTypeBase; }

protected:
    GxWaveFormat m_Format;
    u32 m_LoopPos = 0;
};
