#include "media/sound/GxAudioBufferStream.h"

#include "base/GxAssert.h"
#include "base/GxLog.h"
#include "media/sound/GxAudio.h"

#include <algorithm>

GxAudioBufferStream::GxAudioBufferStream() : m_Context(m_Thread.GetEvent()) {}

GxAudioBufferStream::~GxAudioBufferStream() {
    // No callback after the voice has gone; then the thread is joined.
    Reset();
    m_Thread.Stop();
}

bool GxAudioBufferStream::Create(GxSoundLoaderBase* loader) {
    GxMutexScopedLock lock(m_Mutex);
    if (!loader || !loader->IsOpen() || !GxAudio::GetEngine()) return false;
    if (m_Voice) Reset();
    m_Format = loader->GetFormat();
    const u32 block = m_Format.block_align;
    if (block == 0) return false;
    // Half a second, rounded up to whole blocks.
    const u64 half = u64(m_Format.samples_per_sec) * block * 4 / 8;
    m_BufferSize = u32(std::min<u64>((half + block - 1) / block * block, 0x7FFFFFFF));
    m_StreamEnd = loader->GetLengthBytes();
    if (!CreateVoice(m_Format, &m_Context)) return false;
    for (auto& ring : m_Ring) ring.resize(m_BufferSize);
    m_Loader = loader;
    if (!m_Thread.Start([this] { return Refill(); })) {
        GxWriteWarningLog(u"Error/GxAudioBufferStream::Create ストリーム再生スレッドの作成に失敗しました\n");
        Reset();
        return false;
    }
    return true;
}

bool GxAudioBufferStream::Start(s32 loop, u32 operationSet, u32 startFrame, u32 loopStartFrame, float volume,
                                s32 pan) {
    m_CachedVolume = kVolumeNotSet;
    m_CachedPan = kGxPanNotSet;
    SetVolume(volume);
    SetPan(pan);
    return Play(loop, operationSet, startFrame, loopStartFrame);
}

bool GxAudioBufferStream::Play(s32 loop, u32, u32 startFrame, u32 loopStartFrame) {
    GxMutexScopedLock lock(m_Mutex);
    if (!m_Voice || !m_Loader || !m_Loader->IsOpen()) return false;
    const u32 block = m_Format.block_align;
    if (!m_Loader->Seek(startFrame))
        GxWriteWarningLog(u"Error/GxAudioBufferStream::Play ストリーミング再生シーク失敗\n");
    m_Loader->SetLoopPos(loopStartFrame);
    m_LoopStart = m_Loader->GetLoopPos() * block;
    m_LoopEnd = m_Loader->GetLengthSamples() * block;
    m_LoopCount = loop;
    // Where the stream reads from now: without it a start past the first
    // buffer's worth would be cut short at the stream's end.
    m_ReadPos = m_Loader->Tell() * block;
    ReadBuffer();
    ReadBuffer();
    ++m_Plays;
    if (!m_Voice->start()) {
        GxWriteWarningLog(u"Error/GxAudioBufferStream::Play 失敗 %x\n", 0x80004005u);
        return false;
    }
    return true;
}

bool GxAudioBufferStream::ReadBuffer() {
    GX_ASSERT(m_Mutex.IsHeldByThisThread());
    const u32 slot = m_Next;
    if (!m_Voice || !m_Loader || !m_Context.IsFree(slot)) return false;
    u8* ring = m_Ring[slot].data();
    u32 filled = 0;
    while (filled < m_BufferSize) {
        if (m_ReadPos >= m_StreamEnd || m_Loader->IsEnd()) {
            if (m_LoopCount == 0) break;
            if (!m_Loader->Seek(m_LoopStart / m_Format.block_align)) {
                GxWriteWarningLog(u"Error/GxAudioBufferStream::ReadBuffer ストリーミング再生シーク失敗\n");
                break;
            }
            m_ReadPos = m_LoopStart;
            if (m_LoopCount > 0) --m_LoopCount;
        }
        const u32 limit = m_LoopCount != 0 ? m_LoopEnd : m_StreamEnd;
        const u32 piece = std::min(limit - std::min(limit, m_ReadPos), m_BufferSize - filled);
        u32 got = 0;
        if (piece == 0 || !m_Loader->Read(ring + filled, piece, &got) || got == 0) break;
        m_ReadPos += got;
        paudio::audio_buffer b;
        b.flags = paudio::buffer_end_of_stream;
        b.audio_bytes = got;
        b.audio_data = ring + filled;
        b.context = m_Context.PieceSubmitted(slot);
        if (!m_Voice->submit(b)) {
            // A piece of less than one frame: nothing queued, nothing to end.
            m_Context.on_buffer_end(b.context);
            break;
        }
        filled += got;
    }
    if (filled == 0) return false;
    m_Next = (slot + 1) % GxAudioVoiceContext::kRingCount;
    return true;
}

bool GxAudioBufferStream::Refill() {
    GxMutexScopedLock lock(m_Mutex);
    // Keep three of the four ring buffers queued.
    while (m_Voice && m_Context.BusyCount() < 3 && ReadBuffer()) {
    }
    return true;
}

bool GxAudioBufferStream::Stop() {
    GxMutexScopedLock lock(m_Mutex);
    if (!m_Voice) return true;
    m_Voice->set_volume(0.0f);
    m_Voice->stop();
    ++m_Stops;
    return true;
}

void GxAudioBufferStream::Reset() {
    GxMutexScopedLock lock(m_Mutex);
    if (m_Voice) m_Voice->flush();
    DestroyVoice();
    m_Context.ClearPieces();
    m_Loader = nullptr;
    m_Next = 0;
    m_ReadPos = m_StreamEnd = m_LoopStart = m_LoopEnd = 0;
    m_LoopCount = 0;
    m_Format = GxWaveFormat{};
    m_CachedVolume = kVolumeNotSet;
    m_CachedPan = kGxPanNotSet;
}

bool GxAudioBufferStream::SetVolume(float volume) {
    GxMutexScopedLock lock(m_Mutex);
    if (!m_Voice) return false;
    if (volume == m_CachedVolume) return true;
    if (!m_Voice->set_volume(volume)) return false;
    m_CachedVolume = volume;
    return true;
}
