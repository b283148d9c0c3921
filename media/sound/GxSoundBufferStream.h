#pragma once
// Streams a sound through one looping cursor buffer of sixteen quarter-second
// segments. A notification in the middle of each segment wakes the refill
// thread, which refills the segments the play cursor has left behind and
// stops the buffer once the piece has been played to its end.
//
// The thread ends by a flag and a wake that cannot be lost, and Release joins
// it before anything it uses goes.
#include "media/sound/GxRefillThread.h"
#include "media/sound/GxSoundBufferBase.h"
#include "media/sound/GxSoundPan.h"

class GxSoundBufferStream : public GxSoundBufferBase {
public:
    static constexpr u32 kSegments = 16;
    // Segments refilled at most per wake.
    static constexpr u32 kMaxFill = 4;

    GxSoundBufferStream();
    ~GxSoundBufferStream() override;

    // Ends and joins the refill thread, then frees the buffer.
    void Release() override;
    // The loader is not owned; it must stay open until Release.
    bool Create(GxSoundLoaderBase* loader, bool use3D);
    bool Start(s32 loop, u32 priority, u32 startFrame, u32 loopStartFrame, s32 volume, s32 pan);
    bool Play(s32 loop, u32 priority, u32 startFrame, u32 loopStartFrame);
    bool Stop();
    bool IsPlaying() override;
    // Only a value that differs from the last one the buffer took reaches it.
    bool SetVolume(s32 volume) override;
    bool SetPan(s32 pan) override;
    u32 GetSegmentSize() const { return m_SegmentSize; }
    u32 GetBufferSize() const { return m_Size; }
    u32 GetVolumeCalls() const { return m_VolumeCalls; }

private:
    struct Fill {
        u32 delivered = 0;
        s32 loopCountLeft = 0;
        bool reachedEnd = false;
    };
    // Fills bytes at offset from the loader, looping as the count allows;
    // called with the lock held.
    bool FillBuffer(u32 offset, u32 bytes, u32 loopStartFrame, s32 loopCount, Fill& result);
    bool FillSilence(u32 offset, u32 bytes);
    bool RestoreBuffer();
    // One notification's work; false ends the thread.
    bool ServiceSegments();

    // Joined by the destructor before anything else goes.
    GxRefillThread m_Thread;
    GxSoundLoaderBase* m_Loader = nullptr;
    u32 m_SegmentSize = 0;
    u32 m_LengthFrames = 0;
    u32 m_LengthBytes = 0;
    u32 m_LastCursor = 0;
    s32 m_LastSegment = -1;
    u64 m_Delivered = 0;
    u64 m_Played = 0;
    bool m_End = false;
    u32 m_LoopStart = 0;
    s32 m_LoopCount = 0;
    // Above full volume (0): no volume applied yet.
    static constexpr s32 kVolumeNotSet = 1;
    s32 m_CachedVolume = kVolumeNotSet;
    s32 m_CachedPan = kGxPanNotSet;
    u32 m_VolumeCalls = 0;
};
