#include "media/sound/GxSoundBufferStream.h"

#include "base/GxAssert.h"
#include "base/GxLog.h"
#include "media/sound/GxSound.h"
#include "platform/audio/buffer_device.h"

#include <cstring>

namespace {

constexpr u32 kFlags2D = paudio::caps_ctrl_pan | paudio::caps_ctrl_volume | paudio::caps_ctrl_position_notify |
                         paudio::caps_global_focus | paudio::caps_get_current_position2 | paudio::caps_loc_defer;
constexpr u32 kFlags3D = paudio::caps_loc_software | paudio::caps_ctrl_3d | paudio::caps_ctrl_frequency |
                         paudio::caps_ctrl_volume | paudio::caps_ctrl_position_notify | paudio::caps_global_focus |
                         paudio::caps_get_current_position2 | paudio::caps_mute_3d_at_max_distance;

} // namespace

GxSoundBufferStream::GxSoundBufferStream()
    : GxSoundBufferBase(u"Error/GxSoundBufferStream::SetConeAngle OutAngleはInAngle以上である必要があります\n") {}

GxSoundBufferStream::~GxSoundBufferStream() { Release(); }

void GxSoundBufferStream::Release() {
    // The thread first, without the lock: it may be waiting for it.
    m_Thread.Stop();
    GxMutexScopedLock lock(m_Mutex);
    ReleaseBuffer();
    m_Loader = nullptr;
    m_SegmentSize = m_LengthFrames = m_LengthBytes = m_LastCursor = 0;
    m_LastSegment = -1;
    m_Delivered = m_Played = 0;
    m_End = false;
    m_LoopStart = 0;
    m_LoopCount = 0;
    m_CachedVolume = kVolumeNotSet;
    m_CachedPan = kGxPanNotSet;
}

bool GxSoundBufferStream::Create(GxSoundLoaderBase* loader, bool use3D) {
    if (!loader || !loader->IsOpen() || !GxSound::GetDevice()) return false;
    Release();
    GxMutexScopedLock lock(m_Mutex);
    const GxWaveFormat& format = loader->GetFormat();
    const u32 block = format.block_align;
    if (block == 0) return false;
    // A quarter of a second, rounded down to whole blocks (at least one).
    m_SegmentSize = std::max<u32>(u32(u64(format.samples_per_sec) * block / 4 / block * block), block);
    if (!CreateBuffer(kFlags2D, kFlags3D, m_SegmentSize * kSegments, format, use3D,
                      u"Error/GxSoundBufferStream::Create セカンダリバッファ作成に失敗しました %x\n"))
        return false;
    m_Loader = loader;
    m_LengthFrames = loader->GetLengthSamples();
    m_LengthBytes = loader->GetLengthBytes();
    paudio::notify_position positions[kSegments];
    for (u32 k = 0; k < kSegments; ++k) positions[k] = {m_SegmentSize * k + m_SegmentSize / 2, &m_Thread.GetEvent()};
    if (!m_Buffer->set_notification_positions(kSegments, positions)) {
        GxWriteWarningLog(u"Error/GxSoundBufferStream::Create IDirectSoundNotify通知位置の設定に失敗しました\n");
        ReleaseBuffer();
        m_Loader = nullptr;
        return false;
    }
    if (!m_Thread.Start([this] { return ServiceSegments(); })) {
        GxWriteWarningLog(u"Error/GxSoundBufferStream::Create ストリーム再生スレッドの作成に失敗しました\n");
        ReleaseBuffer();
        m_Loader = nullptr;
        return false;
    }
    return true;
}

bool GxSoundBufferStream::Start(s32 loop, u32 priority, u32 startFrame, u32 loopStartFrame, s32 volume, s32 pan) {
    {
        GxMutexScopedLock lock(m_Mutex);
        m_CachedVolume = kVolumeNotSet;
        m_CachedPan = kGxPanNotSet;
    }
    SetVolume(volume);
    SetPan(pan);
    return Play(loop, priority, startFrame, loopStartFrame);
}

bool GxSoundBufferStream::Play(s32 loop, u32, u32 startFrame, u32 loopStartFrame) {
    bool filled = false;
    {
        GxMutexScopedLock lock(m_Mutex);
        if (!m_Buffer || !m_Loader) return false;
        Stop();
        if (!RestoreBuffer()) {
            GxWriteWarningLog(u"Error/GxSoundBufferStream::Play RestoreBufferに失敗\n");
            return false;
        }
        if (!m_Loader->Seek(startFrame))
            GxWriteWarningLog(u"Error/GxSoundBufferStream::Play ストリーミング再生シーク失敗\n");
        m_LastSegment = -1;
        m_LastCursor = 0;
        m_Delivered = m_Played = 0;
        m_End = false;
        m_Loader->SetLoopPos(loopStartFrame);
        m_LoopStart = m_Loader->GetLoopPos();
        m_LoopCount = loop;
        m_Buffer->set_current_position(0);
        Fill fill;
        filled = FillBuffer(0, m_Size, m_LoopStart, m_LoopCount, fill);
        if (filled) {
            m_Delivered = fill.delivered;
            m_LoopCount = fill.loopCountLeft;
            m_End = fill.reachedEnd;
            if (!m_Buffer->play(paudio::play_looping)) {
                GxWriteWarningLog(u"Error/GxSoundBufferStream::Play 失敗 %x\n", 0x80004005u);
                return false;
            }
        }
    }
    if (!filled) {
        GxWriteWarningLog(u"Error/GxSoundBufferStream::Play FillBuffer失敗\n");
        Release();
    }
    return filled;
}

bool GxSoundBufferStream::Stop() {
    GxMutexScopedLock lock(m_Mutex);
    if (m_Buffer) m_Buffer->stop();
    return true;
}

bool GxSoundBufferStream::IsPlaying() {
    GxMutexScopedLock lock(m_Mutex);
    return m_Buffer && (m_Buffer->status() & paudio::status_playing) != 0;
}

bool GxSoundBufferStream::SetVolume(s32 volume) {
    GxMutexScopedLock lock(m_Mutex);
    if (!m_Buffer) return false;
    if (volume == m_CachedVolume) return true;
    ++m_VolumeCalls;
    // Only a value the buffer took may stand for it: a refused one asked
    // for again must be refused again.
    if (!m_Buffer->set_volume(volume)) return false;
    m_CachedVolume = volume;
    return true;
}

bool GxSoundBufferStream::SetPan(s32 pan) {
    GxMutexScopedLock lock(m_Mutex);
    if (!m_Buffer) return false;
    if (pan == m_CachedPan) return true;
    if (!m_Buffer->set_pan(pan)) return false;
    m_CachedPan = pan;
    return true;
}

bool GxSoundBufferStream::RestoreBuffer() {
    // Called with a buffer only. Our buffers never lose their memory; a lost one would be restored here.
    if (m_Buffer->status() & paudio::status_buffer_lost) return m_Buffer->restore();
    return true;
}

bool GxSoundBufferStream::FillBuffer(u32 offset, u32 bytes, u32 loopStartFrame, s32 loopCount, Fill& result) {
    GX_ASSERT(m_Mutex.IsHeldByThisThread());
    GxMutexScopedLock lock(m_Mutex);
    result = Fill{0, loopCount, false};
    if (!RestoreBuffer()) {
        GxWriteWarningLog(u"Error/GxSoundBufferStream::FillBuffer RestoreBufferに失敗\n");
        return false;
    }
    void *part1 = nullptr, *part2 = nullptr;
    u32 bytes1 = 0, bytes2 = 0;
    if (!m_Buffer->lock(offset, bytes, &part1, &bytes1, &part2, &bytes2, 0)) {
        GxWriteWarningLog(u"Error/GxSoundBufferStream::FillBuffer Lockに失敗\n");
        return false;
    }
    // The staging memory of one lock is contiguous.
    u8* out = static_cast<u8*>(part1);
    std::memset(out, SilenceByte(), bytes1 + bytes2);
    u32 got = 0;
    bool ok = m_Loader->Read(out, bytes, &got);
    if (!ok) GxWriteWarningLog(u"Error/GxSoundBufferStream::FillBuffer Readに失敗\n");
    u32 filled = got;
    if (ok && filled < bytes) {
        if (loopCount == 0) result.reachedEnd = true;
        while (loopCount != 0 && filled < bytes) {
            if (m_Loader->IsEnd() && loopCount > 0) --loopCount;
            if (!m_Loader->Seek(loopStartFrame)) {
                GxWriteWarningLog(u"Error/GxSoundBufferStream::FillBuffer Seek(2)に失敗\n");
                ok = false;
                break;
            }
            if (!m_Loader->Read(out + filled, bytes - filled, &got)) {
                GxWriteWarningLog(u"Error/GxSoundBufferStream::FillBuffer Read(2)に失敗\n");
                ok = false;
                break;
            }
            if (got == 0) break;
            filled += got;
        }
    }
    if (ok && filled == bytes && m_Loader->IsEnd()) {
        if (loopCount != 0) {
            if (!m_Loader->Seek(loopStartFrame)) {
                GxWriteWarningLog(u"Error/GxSoundBufferStream::FillBuffer Seek(3)に失敗\n");
                ok = false;
            } else if (loopCount > 0) {
                --loopCount;
            }
        } else {
            result.reachedEnd = true;
        }
    }
    m_Buffer->unlock(part1, bytes1, part2, bytes2);
    result.delivered = filled;
    result.loopCountLeft = loopCount;
    return ok;
}

bool GxSoundBufferStream::FillSilence(u32 offset, u32 bytes) {
    GxMutexScopedLock lock(m_Mutex);
    void *part1 = nullptr, *part2 = nullptr;
    u32 bytes1 = 0, bytes2 = 0;
    if (!RestoreBuffer() || !m_Buffer->lock(offset, bytes, &part1, &bytes1, &part2, &bytes2, 0)) return false;
    std::memset(part1, SilenceByte(), bytes1 + bytes2);
    return m_Buffer->unlock(part1, bytes1, part2, bytes2);
}

bool GxSoundBufferStream::ServiceSegments() {
    GxMutexScopedLock lock(m_Mutex);
    if (!m_Buffer) return false;
    if (!(m_Buffer->status() & paudio::status_playing)) return true;
    if (!RestoreBuffer()) {
        m_Buffer->stop();
        return false;
    }
    u32 cursor = 0;
    m_Buffer->current_position(&cursor, nullptr);
    m_Played += cursor >= m_LastCursor ? cursor - m_LastCursor : m_Size - m_LastCursor + cursor;
    m_LastCursor = cursor;
    // The segment before the one being played.
    const s32 segment = s32((cursor / m_SegmentSize + kSegments - 1) % kSegments);
    u32 first = 0, count = 0;
    if (m_LastSegment < 0) {
        if (segment == 0) {
            first = 0;
            count = 1;
            m_LastSegment = 0;
        }
    } else {
        first = u32(m_LastSegment + 1) % kSegments;
        count = u32(segment - m_LastSegment + s32(kSegments)) % kSegments;
        m_LastSegment = segment;
    }
    for (u32 k = 0; k < std::min(count, kMaxFill); ++k) {
        const u32 offset = (first + k) % kSegments * m_SegmentSize;
        bool ok;
        if (!m_End) {
            Fill fill;
            ok = FillBuffer(offset, m_SegmentSize, m_LoopStart, m_LoopCount, fill);
            m_Delivered += fill.delivered;
            m_LoopCount = fill.loopCountLeft;
            m_End = fill.reachedEnd;
        } else {
            ok = FillSilence(offset, m_SegmentSize);
        }
        if (!ok) {
            m_Buffer->stop();
            return false;
        }
    }
    if (m_End && m_Played > m_Delivered) {
        // The piece has been played to its end.
        m_Buffer->stop();
        return false;
    }
    return true;
}
