#include "media/sound/GxSoundBufferStatic.h"

#include "base/GxLog.h"
#include "media/sound/GxSound.h"
#include "platform/audio/buffer_device.h"

#include <cstring>
#include <vector>

namespace {

constexpr u32 kFlags2D = paudio::caps_ctrl_frequency | paudio::caps_ctrl_pan | paudio::caps_ctrl_volume |
                         paudio::caps_ctrl_position_notify | paudio::caps_global_focus |
                         paudio::caps_get_current_position2 | paudio::caps_loc_defer;
constexpr u32 kFlags3D = paudio::caps_loc_software | paudio::caps_ctrl_3d | paudio::caps_ctrl_frequency |
                         paudio::caps_ctrl_volume | paudio::caps_ctrl_position_notify | paudio::caps_global_focus |
                         paudio::caps_get_current_position2 | paudio::caps_mute_3d_at_max_distance;

} // namespace

GxSoundBufferStatic::GxSoundBufferStatic()
    : GxSoundBufferBase(u"Error/GxSoundBufferStatic::::SetConeAngle OutAngleはInAngle以上である必要があります\n") {}

GxSoundBufferStatic::~GxSoundBufferStatic() { Release(); }

void GxSoundBufferStatic::Release() {
    GxMutexScopedLock lock(m_Mutex);
    ReleaseBuffer();
}

bool GxSoundBufferStatic::Create(GxSoundLoaderBase* loader, bool use3D) {
    GxMutexScopedLock lock(m_Mutex);
    if (!loader || !loader->IsOpen() || !GxSound::GetDevice()) return false;
    ReleaseBuffer();
    // The whole sound first: the buffer is made for what the file holds, not
    // for the length a damaged header claims.
    std::vector<u8> pcm;
    const bool read = loader->ReadAll(pcm);
    const GxWaveFormat& format = loader->GetFormat();
    const u32 bytes = format.block_align ? u32(pcm.size() / format.block_align * format.block_align) : 0;
    if (!read || bytes == 0) {
        GxWriteWarningLog(u"Error/GxSoundBufferStatic::Create ファイルの読み込みに失敗しました\n");
        return false;
    }
    if (!CreateBuffer(kFlags2D, kFlags3D, bytes, format, use3D,
                      u"Error/GxSoundBufferStatic::Create セカンダリバッファ作成に失敗しました\n"))
        return false;
    void* part = nullptr;
    u32 partBytes = 0;
    if (!m_Buffer->lock(0, 0, &part, &partBytes, nullptr, nullptr, paudio::lock_entire_buffer)) {
        GxWriteWarningLog(u"Error/GxSoundBufferStatic::Create セカンダリバッファのロックに失敗しました\n");
        ReleaseBuffer();
        return false;
    }
    std::memcpy(part, pcm.data(), partBytes);
    m_Buffer->unlock(part, partBytes, nullptr, 0);
    return true;
}

bool GxSoundBufferStatic::Start(s32 loop, u32 priority, u32 startFrame, s32 volume, s32 pan) {
    SetVolume(volume);
    SetPan(pan);
    return Play(loop, priority, startFrame);
}

bool GxSoundBufferStatic::Play(s32 loop, u32, u32 startFrame) {
    GxMutexScopedLock lock(m_Mutex);
    if (!m_Buffer) return false;
    Stop();
    m_Loop = loop;
    m_Buffer->set_current_position(startFrame * m_Format.block_align);
    if (!m_Buffer->play(loop == -1 ? u32(paudio::play_looping) : 0u)) {
        GxWriteWarningLog(u"Error/GxSoundBufferStatic::Play 失敗 %x\n", 0x80004005u);
        return false;
    }
    return true;
}

bool GxSoundBufferStatic::Stop() {
    GxMutexScopedLock lock(m_Mutex);
    if (m_Buffer) m_Buffer->stop();
    return true;
}
