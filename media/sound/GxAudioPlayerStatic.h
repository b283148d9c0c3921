#pragma once
// Plays a sound whole from memory (the one-shots): once, or looping over the
// whole sound with loop -1.
#include "media/sound/GxAudioBufferStatic.h"
#include "media/sound/GxAudioPlayerBase.h"

class GxAudioPlayerStatic : public GxAudioPlayerBase {
public:
    ~GxAudioPlayerStatic() override;

    bool Stop() override;

protected:
    GxAudioBufferBase& Buffer() override { return m_Buffer; }
    const GxPlayTexts& FileTexts() const override;
    const GxPlayTexts& MemoryTexts() const override;
    void ReleaseIdleVoice() override;
    bool CreateBufferFor(GxSoundLoaderBase* loader, const GxPlayArgs<float>& args) override;
    bool StartBuffer(const GxPlayArgs<float>& args, u32 startFrame, u32 loopStartFrame, float volume) override;

private:
    GxAudioBufferStatic m_Buffer;
};
