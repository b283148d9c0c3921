#pragma once
// A sound held whole in its own memory, played through one source voice
// (once, or looping over the whole sound).
#include "media/sound/GxAudioBufferBase.h"

#include <vector>

class GxAudioBufferStatic : public GxAudioBufferBase {
public:
    ~GxAudioBufferStatic() override;

    // Destroys the voice and lets the PCM go.
    void Release();
    // Reads the open loader's whole sound and makes a voice for it.
    bool Create(GxSoundLoaderBase* loader);
    bool Start(s32 loop, u32 operationSet, u32 startFrame, float volume, s32 pan);
    bool Play(s32 loop, u32 operationSet, u32 startFrame);
    bool Stop();
    u32 GetSize() const { return u32(m_Pcm.size()); }
    bool HoldsSound() const { return m_Voice != nullptr || !m_Pcm.empty(); }

private:
    std::vector<u8> m_Pcm;
};
