#include "media/sound/GxAudioPlayerBase.h"

#include <atomic>

namespace {

std::atomic<u32> g_CreatedPlayers{0};

constexpr float kDistanceScaler = 550.0f;
constexpr float kInnerRadius = 500.0f;
constexpr float kChannelRadius = 1.0f;
// The two channels of a stereo source to the left and the right of its front.
constexpr float kLeftAzimuth = 3.0f * 3.14159265f / 2.0f;
constexpr float kRightAzimuth = 3.14159265f / 2.0f;

} // namespace

GxAudioPlayerBase::GxAudioPlayerBase() : GxSoundPlayerCore<float>(0.0f) {
    ++g_CreatedPlayers;
    m_Cone = {0.0f, 0.0f, 0.0f, 1.0f};
    m_VolumePoints[0] = {0.0f, 1.0f};
    m_VolumePoints[1] = {1.0f, 0.0f};
    m_VolumeCurve = {m_VolumePoints, 2};
    m_Azimuths[0] = kLeftAzimuth;
    m_Azimuths[1] = kRightAzimuth;
    m_Emitter.cone = &m_Cone;
    m_Emitter.inner_radius = kInnerRadius;
    m_Emitter.channel_count = 2;
    m_Emitter.channel_radius = kChannelRadius;
    m_Emitter.channel_azimuths = m_Azimuths;
    m_Emitter.volume_curve = &m_VolumeCurve;
    m_Emitter.curve_distance_scaler = kDistanceScaler;
}

u32 GxAudioPlayerBase::GetSerial() const { return g_CreatedPlayers.load(); }

void GxAudioPlayerBase::Setup3D(u32 sourceChannels) {
    // Positioned are sounds of one or two channels; more play mixed down to
    // stereo, as they would without 3-D.
    m_Dsp.matrix = sourceChannels <= 2 ? m_Matrix : nullptr;
    m_Dsp.source_channels = sourceChannels;
    m_Dsp.destination_channels = 2;
}

void GxAudioPlayerBase::Update3D(const paudio::spatial_instance& instance, const paudio::listener_3d& listener,
                                 u32 flags) {
    if (!m_Use3D) return;
    if (m_PositionSource) m_Position = *m_PositionSource;
    if (m_FrontSource) m_Front = *m_FrontSource;
    const paudio::vec3 position = GxToAudioVector(m_Position), front = GxToAudioVector(m_Front);
    const paudio::vec3 top = GxToAudioVector(m_Top);
    auto differs = [](const paudio::vec3& a, const paudio::vec3& b) {
        return GxSoundVectorDiffers(GxVector3(a.x, a.y, a.z), GxVector3(b.x, b.y, b.z));
    };
    if (differs(m_Emitter.position, position)) m_Emitter.position = position;
    if (differs(m_Emitter.front, front)) m_Emitter.front = front;
    if (differs(m_Emitter.top, top)) m_Emitter.top = top;
    GxMutexScopedLock lock(Buffer().GetMutex());
    paudio::source_voice* voice = Buffer().GetVoice();
    if (!m_Dsp.matrix || !voice) return;
    paudio::spatial_calculate(instance, listener, m_Emitter, flags, m_Dsp);
    voice->set_output_matrix(m_Dsp.source_channels, m_Dsp.destination_channels, m_Matrix);
}
