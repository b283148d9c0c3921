#include "media/sound/GxAudioBufferBase.h"

#include "base/GxLog.h"
#include "media/sound/GxAudio.h"
#include "platform/audio/voice_engine.h"

bool GxAudioBufferBase::IsPlaying() {
    GxMutexScopedLock lock(m_Mutex);
    if (!m_Voice) return false;
    paudio::voice_state state;
    m_Voice->get_state(state);
    return state.buffers_queued > 0;
}

bool GxAudioBufferBase::SetVolume(float volume) {
    GxMutexScopedLock lock(m_Mutex);
    return m_Voice && m_Voice->set_volume(volume);
}

float GxAudioBufferBase::GetVolume() {
    GxMutexScopedLock lock(m_Mutex);
    return m_Voice ? m_Voice->volume() : 0.0f;
}

bool GxAudioBufferBase::GetPan(s32* pan) {
    if (pan) *pan = 0;
    return true;
}

bool GxAudioBufferBase::CreateVoice(const GxWaveFormat& format, paudio::voice_callback* callback) {
    paudio::voice_engine* engine = GxAudio::GetEngine();
    m_Voice = engine ? engine->create_source_voice(format, callback) : nullptr;
    if (!m_Voice) GxWriteWarningLog(u"Error/GxAudio プライマリサウンドバッファのフォーマット設定に失敗しました\n");
    return m_Voice != nullptr;
}

void GxAudioBufferBase::DestroyVoice() {
    if (m_Voice) m_Voice->destroy();
    m_Voice = nullptr;
}
