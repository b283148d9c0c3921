#pragma once
// Plays a sound whole from memory (the one-shots) on the GxSound back end.
#include "media/sound/GxSoundBufferStatic.h"
#include "media/sound/GxSoundPlayerBase.h"

class GxSoundPlayerStatic : public GxSoundPlayerBase {
public:
    ~GxSoundPlayerStatic() override;

    bool Stop() override;

protected:
    GxSoundBufferBase& Buffer() override { return m_Buffer; }
    const GxPlayTexts& FileTexts() const override;
    const GxPlayTexts& MemoryTexts() const override;
    bool CreateBuffer(GxSoundLoaderBase* loader, bool use3D) override { return m_Buffer.Create(loader, use3D); }
    bool StartBuffer(const GxPlayArgs<s32>& args, u32 startFrame, u32 loopStartFrame, s32 volume) override;

private:
    GxSoundBufferStatic m_Buffer;
};
