#include "media/sound/GxAudioBufferStatic.h"

#include "base/GxLog.h"
#include "media/sound/GxAudio.h"

GxAudioBufferStatic::~GxAudioBufferStatic() { Release(); }

void GxAudioBufferStatic::Release() {
    GxMutexScopedLock lock(m_Mutex);
    DestroyVoice();
    std::vector<u8>().swap(m_Pcm);
}

bool GxAudioBufferStatic::Create(GxSoundLoaderBase* loader) {
    GxMutexScopedLock lock(m_Mutex);
    if (!loader || !loader->IsOpen() || !GxAudio::GetEngine()) return false;
    Release();
    if (!loader->ReadAll(m_Pcm) || m_Pcm.empty()) {
        GxWriteWarningLog(u"Error/GxAudioBufferStatic::Create ファイルの読み込みに失敗しました\n");
        return false;
    }
    m_Format = loader->GetFormat();
    return CreateVoice(m_Format, nullptr);
}

bool GxAudioBufferStatic::Start(s32 loop, u32 operationSet, u32 startFrame, float volume, s32 pan) {
    SetVolume(volume);
    SetPan(pan);
    return Play(loop, operationSet, startFrame);
}

bool GxAudioBufferStatic::Play(s32 loop, u32, u32 startFrame) {
    GxMutexScopedLock lock(m_Mutex);
    if (!m_Voice) return false;
    m_Loop = loop;
    paudio::audio_buffer b;
    b.flags = paudio::buffer_end_of_stream;
    b.audio_bytes = u32(m_Pcm.size());
    b.audio_data = m_Pcm.data();
    b.play_begin = startFrame;
    b.loop_count = loop == -1 ? paudio::loop_infinite : 0;
    if (!m_Voice->submit(b)) {
        DestroyVoice();
        return false;
    }
    if (!m_Voice->start()) {
        GxWriteWarningLog(u"Error/GxAudioBufferStatic::Play 失敗 %x\n", 0x80004005u);
        return false;
    }
    return true;
}

bool GxAudioBufferStatic::Stop() {
    GxMutexScopedLock lock(m_Mutex);
    if (IsPlaying()) m_Voice->stop();
    return true;
}
