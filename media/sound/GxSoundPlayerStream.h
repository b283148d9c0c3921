#pragma once
// Streams a file from its loader through a GxSoundBufferStream, repeating
// from the loop start: loop 0 plays once, -1 endlessly, n n more times.
#include "media/sound/GxSoundBufferStream.h"
#include "media/sound/GxSoundPlayerBase.h"

class GxSoundPlayerStream : public GxSoundPlayerBase {
public:
    ~GxSoundPlayerStream() override;

    bool Stop() override;
    GxSoundBufferStream& GetStreamBuffer() { return m_Buffer; }

protected:
    GxSoundBufferBase& Buffer() override { return m_Buffer; }
    const GxPlayTexts& FileTexts() const override;
    const GxPlayTexts& MemoryTexts() const override;
    bool CreateBuffer(GxSoundLoaderBase* loader, bool use3D) override { return m_Buffer.Create(loader, use3D); }
    bool StartBuffer(const GxPlayArgs<s32>& args, u32 startFrame, u32 loopStartFrame, s32 volume) override;
    void KeepLoader(std::unique_ptr<GxSoundLoaderBase> loader) override { m_Loader = std::move(loader); }

private:
    // The buffer's refill thread reads the loader: declared after it, the
    // buffer goes first.
    std::unique_ptr<GxSoundLoaderBase> m_Loader;
    GxSoundBufferStream m_Buffer;
};
