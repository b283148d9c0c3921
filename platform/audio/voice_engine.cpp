#include "platform/audio/voice_engine.h"

namespace paudio {

bool voice_engine::device_details(uint32_t index, output_details& details) const {
    if (index != 0) return false;
    details.channels = mix_channels;
    details.sample_rate = mix_rate;
    details.channel_mask = speaker_front_left | speaker_front_right;
    return true;
}

source_voice* voice_engine::create_source_voice(const wave_format& f, voice_callback* callback) {
    if (!is_playable(f)) return nullptr;
    return new source_voice(m_mixer, f, callback);
}

} // namespace paudio
