#include "media/sound/GxSoundBufferBase.h"

#include "base/GxLog.h"
#include "media/sound/GxSound.h"
#include "platform/audio/buffer_device.h"

bool GxSoundBufferBase::IsPlaying() {
    GxMutexScopedLock lock(m_Mutex);
    return m_Buffer && (m_Buffer->status() & (paudio::status_playing | paudio::status_looping)) != 0;
}

bool GxSoundBufferBase::SetVolume(s32 volume) {
    GxMutexScopedLock lock(m_Mutex);
    return m_Buffer && m_Buffer->set_volume(volume);
}

s32 GxSoundBufferBase::GetVolume() {
    GxMutexScopedLock lock(m_Mutex);
    return m_Buffer ? m_Buffer->volume() : paudio::volume_min;
}

bool GxSoundBufferBase::SetPan(s32 pan) {
    GxMutexScopedLock lock(m_Mutex);
    return m_Buffer && m_Buffer->set_pan(pan);
}

s32 GxSoundBufferBase::GetPan() {
    GxMutexScopedLock lock(m_Mutex);
    return m_Buffer ? m_Buffer->pan() : 0;
}

bool GxSoundBufferBase::SetPosition(const GxVector3& position) {
    if (!m_3DBuffer) return false;
    m_3D.position = {position.x, position.y, position.z};
    return true;
}

GxVector3 GxSoundBufferBase::GetPosition() const { return GxVector3(m_3D.position.x, m_3D.position.y, m_3D.position.z); }

bool GxSoundBufferBase::SetMinDistance(f32 distance) {
    if (!m_3DBuffer) return false;
    m_3D.min_distance = distance;
    return true;
}

bool GxSoundBufferBase::SetMaxDistance(f32 distance) {
    if (!m_3DBuffer) return false;
    m_3D.max_distance = distance;
    return true;
}

bool GxSoundBufferBase::SetConeAngles(u32 inside, u32 outside) {
    if (!m_3DBuffer) return false;
    if (outside < inside) {
        GxWriteWarningLog(m_ConeAngleError);
        return false;
    }
    m_3D.inside_cone_angle = inside;
    m_3D.outside_cone_angle = outside;
    return true;
}

bool GxSoundBufferBase::SetConeOrientation(const GxVector3& front) {
    if (!m_3DBuffer) return false;
    m_3D.cone_orientation = {front.x, front.y, front.z};
    return true;
}

GxVector3 GxSoundBufferBase::GetConeOrientation() const {
    return GxVector3(m_3D.cone_orientation.x, m_3D.cone_orientation.y, m_3D.cone_orientation.z);
}

bool GxSoundBufferBase::Commit3D(bool deferred) {
    GxMutexScopedLock lock(m_Mutex);
    return m_Buffer && m_3DBuffer && m_Buffer->set_3d_parameters(m_3D, deferred);
}

bool GxSoundBufferBase::CreateBuffer(u32 flags2D, u32 flags3D, u32 bytes, const GxWaveFormat& format, bool use3D,
                                     const GxChar* createError) {
    paudio::buffer_device* device = GxSound::GetDevice();
    // 3-D is for mono sounds only.
    const bool with3D = use3D && format.channels == 1;
    m_Buffer = device ? device->create_buffer(with3D ? flags3D : flags2D, bytes, format) : nullptr;
    if (!m_Buffer) {
        GxWriteWarningLog(createError, 0x80070057u);
        return false;
    }
    m_Format = format;
    m_Size = bytes;
    m_3DBuffer = with3D;
    m_3D = paudio::buffer_3d_params{};
    if (with3D) {
        m_Buffer->get_3d_parameters(m_3D);
        m_3D.min_distance = 100.0f;
        m_3D.max_distance = 500.0f;
    }
    return true;
}

void GxSoundBufferBase::ReleaseBuffer() {
    if (m_Buffer) {
        m_Buffer->stop();
        m_Buffer->release();
    }
    m_Buffer = nullptr;
    m_Size = 0;
    m_3DBuffer = false;
}
