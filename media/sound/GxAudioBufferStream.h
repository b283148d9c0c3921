#pragma once
// Streams a sound from its loader through a ring of four half-second buffers
// that a refill thread of its own keeps queued on one source voice, looping
// from a loop start as often as asked. A ring buffer is filled again only
// after the voice has finished every piece queued from it, so a refill never
// overwrites sound still waiting to be played, however short the loop.
#include "media/sound/GxAudioBufferBase.h"
#include "media/sound/GxAudioVoiceContext.h"
#include "media/sound/GxRefillThread.h"
#include "media/sound/GxSoundPan.h"

#include <vector>

class GxAudioBufferStream : public GxAudioBufferBase {
public:
    GxAudioBufferStream();
    // Resets the voice, then ends and joins the refill thread.
    ~GxAudioBufferStream() override;

    // The loader is not owned; it must stay open until Reset.
    bool Create(GxSoundLoaderBase* loader);
    bool Start(s32 loop, u32 operationSet, u32 startFrame, u32 loopStartFrame, float volume, s32 pan);
    bool Play(s32 loop, u32 operationSet, u32 startFrame, u32 loopStartFrame);
    // Silences and stops the voice, keeping what is queued.
    bool Stop();
    // Flushes and destroys the voice and forgets the loader and positions.
    void Reset();
    // Only a volume that differs from the last one set reaches the voice.
    bool SetVolume(float volume) override;
    u32 GetBufferSize8() const { return m_BufferSize * 8; }
    u32 GetStreamEnd() const { return m_StreamEnd; }
    u32 GetBufferSize() const { return m_BufferSize; }
    u32 GetPlayCount() const { return m_Plays; }
    u32 GetStopCount() const { return m_Stops; }

private:
    // Fills the next ring buffer (if it is free) with up to one buffer size,
    // queued as one piece or, where it crosses the loop point, more. Called
    // with the lock held; false when nothing was queued.
    bool ReadBuffer();
    // One wake of the refill thread.
    bool Refill();

    // Joined by the destructor before anything else goes.
    GxRefillThread m_Thread;
    GxSoundLoaderBase* m_Loader = nullptr;
    GxAudioVoiceContext m_Context;
    std::vector<u8> m_Ring[GxAudioVoiceContext::kRingCount];
    u32 m_Next = 0;
    u32 m_BufferSize = 0;
    u32 m_StreamEnd = 0;
    u32 m_ReadPos = 0;
    u32 m_LoopStart = 0;
    u32 m_LoopEnd = 0;
    s32 m_LoopCount = 0;
    // A factor above full (1): no volume applied yet.
    static constexpr float kVolumeNotSet = 3.0f;
    float m_CachedVolume = kVolumeNotSet;
    s32 m_CachedPan = kGxPanNotSet;
    u32 m_Plays = 0;
    u32 m_Stops = 0;
};
