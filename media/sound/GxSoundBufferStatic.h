#pragma once
// A sound held whole in one cursor buffer, played once or looping.
#include "media/sound/GxSoundBufferBase.h"

class GxSoundBufferStatic : public GxSoundBufferBase {
public:
    GxSoundBufferStatic();
    ~GxSoundBufferStatic() override;

    void Release() override;
    // Reads the open loader's whole sound into a new buffer.
    bool Create(GxSoundLoaderBase* loader, bool use3D);
    bool Start(s32 loop, u32 priority, u32 startFrame, s32 volume, s32 pan);
    bool Play(s32 loop, u32 priority, u32 startFrame);
    bool Stop();
    u32 GetSize() const { return m_Size; }
};
