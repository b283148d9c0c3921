#pragma once
// Streams a file from its loader through a GxAudioBufferStream, repeating
// from the loop start: loop 0 plays once, -1 endlessly, n n more times.
#include "media/sound/GxAudioBufferStream.h"
#include "media/sound/GxAudioPlayerBase.h"

class GxAudioPlayerStream : public GxAudioPlayerBase {
public:
    ~GxAudioPlayerStream() override;

    bool Stop() override;
    GxAudioBufferStream& GetStreamBuffer() { return m_Buffer; }

protected:
    GxAudioBufferBase& Buffer() override { return m_Buffer; }
    const GxPlayTexts& FileTexts() const override;
    const GxPlayTexts& MemoryTexts() const override;
    bool CreateBufferFor(GxSoundLoaderBase* loader, const GxPlayArgs<float>& args) override;
    void KeepLoader(std::unique_ptr<GxSoundLoaderBase> loader) override { m_Loader = std::move(loader); }
    bool StartBuffer(const GxPlayArgs<float>& args, u32 startFrame, u32 loopStartFrame, float volume) override;

private:
    // The buffer's refill thread reads the loader: declared after it, the
    // buffer goes first.
    std::unique_ptr<GxSoundLoaderBase> m_Loader;
    GxAudioBufferStream m_Buffer;
};
