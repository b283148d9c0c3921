#pragma once
// What the two buffers of the GxAudio back end share: their lock, the source
// voice they play through, the format and the loop value last played.
#include "base/GxMutex.h"
#include "media/sound/GxSoundLoaderBase.h"
#include "platform/audio/source_voice.h"

class GxAudioBufferBase {
public:
    GxAudioBufferBase() = default;
    virtual ~GxAudioBufferBase() = default;
    GxAudioBufferBase(const GxAudioBufferBase&) = delete;
    GxAudioBufferBase& operator=(const GxAudioBufferBase&) = delete;

    // The voice has one or more buffers queued.
    virtual bool IsPlaying();
    virtual bool SetVolume(float volume);
    virtual float GetVolume();
    // The pan is not applied on this back end.
    bool SetPan(s32) { return m_Voice != nullptr; }
    bool GetPan(s32* pan);
    s32 GetLoop() { return m_Voice ? m_Loop : 0; }
    // For the 3-D update; null without a voice.
    paudio::source_voice* GetVoice() { return m_Voice; }
    GxMutex& GetMutex() { return m_Mutex; }

protected:
    // A voice for the format on the GxAudio engine; logged when it fails.
    bool CreateVoice(const GxWaveFormat& format, paudio::voice_callback* callback);
    void DestroyVoice();

    GxMutex m_Mutex;
    paudio::source_voice* m_Voice = nullptr;
    GxWaveFormat m_Format;
    s32 m_Loop = 0;
};
