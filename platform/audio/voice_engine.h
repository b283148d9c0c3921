#pragma once
// The queued device style: an engine on the mixer that makes source voices
// and reports the output it mixes into (the mastering voice: stereo at the
// mix rate).
#include "platform/audio/source_voice.h"

namespace paudio {

constexpr uint32_t speaker_front_left = 0x1;
constexpr uint32_t speaker_front_right = 0x2;

struct output_details {
    uint32_t channels = 0;
    uint32_t sample_rate = 0;
    uint32_t channel_mask = 0;
};

class voice_engine {
public:
    explicit voice_engine(mixer& m) : m_mixer(m) {}

    mixer& owner() { return m_mixer; }
    // The one output device (index 0).
    bool device_details(uint32_t index, output_details& details) const;
    // Null for a format the mixer does not play. The callback (may be null)
    // must outlive the voice.
    source_voice* create_source_voice(const wave_format& f, voice_callback* callback);

private:
    mixer& m_mixer;
};

} // namespace paudio
