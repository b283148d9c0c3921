#include "media/sound/GxSoundPlayerBase.h"

#include <atomic>
#include <cmath>

namespace {

std::atomic<u32> g_CreatedPlayers{0};

constexpr float kEpsilon = 1.1920929e-07f;

} // namespace

GxSoundPlayerBase::GxSoundPlayerBase() : GxSoundPlayerCore<s32>(kFadeSilence) { ++g_CreatedPlayers; }

u32 GxSoundPlayerBase::GetSerial() const { return g_CreatedPlayers.load(); }

void GxSoundPlayerBase::Set3DPosition(const GxVector3& position) {
    if (GxSoundVectorDiffers(Buffer().GetPosition(), position)) Buffer().SetPosition(position);
}

GxVector3 GxSoundPlayerBase::Get3DPosition() { return Buffer().GetPosition(); }

void GxSoundPlayerBase::SetConeOrientation(const GxVector3& front) {
    m_Front = front;
    if (GxSoundVectorDiffers(Buffer().GetConeOrientation(), front)) Buffer().SetConeOrientation(front);
}

bool GxSoundPlayerBase::SetMinDistance(f32 distance) {
    if (std::fabs(distance - m_MinDistance) <= kEpsilon) return true;
    m_MinDistance = distance;
    return Buffer().SetMinDistance(distance);
}

bool GxSoundPlayerBase::SetMaxDistance(f32 distance) {
    if (std::fabs(distance - m_MaxDistance) <= kEpsilon) return true;
    m_MaxDistance = distance;
    return Buffer().SetMaxDistance(distance);
}

bool GxSoundPlayerBase::CreateBufferFor(GxSoundLoaderBase* loader, const GxPlayArgs<s32>& args) {
    return CreateBuffer(loader, args.use3D);
}

void GxSoundPlayerBase::Update3D() {
    if (!m_Use3D) return;
    if (m_PositionSource) {
        m_Position = *m_PositionSource;
        Set3DPosition(m_Position);
    }
    if (m_FrontSource) SetConeOrientation(*m_FrontSource);
    Buffer().Commit3D(true);
}
