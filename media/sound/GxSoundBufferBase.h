#pragma once
// What the two buffers of the GxSound back end share: their lock, the cursor
// buffer they play through, the format, the loop value last played, volume
// and pan, and the 3-D parameters held as one record that a commit hands to
// the buffer.
#include "base/GxMutex.h"
#include "base/GxVector.h"
#include "media/sound/GxSoundLoaderBase.h"
#include "platform/audio/cursor_buffer.h"

class GxSoundBufferBase {
public:
    explicit GxSoundBufferBase(const GxChar* coneAngleError) : m_ConeAngleError(coneAngleError) {}
    virtual ~GxSoundBufferBase() = default;
    GxSoundBufferBase(const GxSoundBufferBase&) = delete;
    GxSoundBufferBase& operator=(const GxSoundBufferBase&) = delete;

    virtual void Release() = 0;
    virtual bool IsPlaying();
    virtual bool SetVolume(s32 volume);
    s32 GetVolume();
    virtual bool SetPan(s32 pan);
    s32 GetPan();
    s32 GetLoop() const { return m_Buffer ? m_Loop : 0; }
    bool Has3D() const { return m_3DBuffer; }

    // The 3-D record; the setters change it only on a 3-D buffer.
    bool SetPosition(const GxVector3& position);
    GxVector3 GetPosition() const;
    bool SetMinDistance(f32 distance);
    f32 GetMinDistance() const { return m_3D.min_distance; }
    bool SetMaxDistance(f32 distance);
    f32 GetMaxDistance() const { return m_3D.max_distance; }
    // The outside angle must be at least the inside one.
    bool SetConeAngles(u32 inside, u32 outside);
    bool SetConeOrientation(const GxVector3& front);
    GxVector3 GetConeOrientation() const;
    // Hands the record to the buffer, deferred to the next commit when asked.
    bool Commit3D(bool deferred);

protected:
    // The cursor buffer for the format on the GxSound device, with 3-D when
    // asked and the sound is mono; logs createError (with the result) when it
    // cannot be made.
    bool CreateBuffer(u32 flags2D, u32 flags3D, u32 bytes, const GxWaveFormat& format, bool use3D,
                      const GxChar* createError);
    void ReleaseBuffer();
    // Silence for the format: 0x80 for 8-bit samples, 0 for 16-bit.
    u8 SilenceByte() const { return paudio::sample_bytes(m_Format) == 1 ? 0x80 : 0x00; }

    GxMutex m_Mutex;
    paudio::cursor_buffer* m_Buffer = nullptr;
    u32 m_Size = 0;
    GxWaveFormat m_Format;
    s32 m_Loop = 0;
    bool m_3DBuffer = false;
    paudio::buffer_3d_params m_3D;

private:
    const GxChar* m_ConeAngleError;
};
