#include "platform/audio/wave_format.h"

#include <cmath>

namespace paudio {

bool is_playable(const wave_format& f) {
    if (f.format_tag != format_pcm) return false;
    if (f.channels != 1 && f.channels != 2) return false;
    if (f.bits_per_sample != 8 && f.bits_per_sample != 16) return false;
    if (f.block_align != f.channels * f.bits_per_sample / 8) return false;
    return f.samples_per_sec >= min_rate && f.samples_per_sec <= max_rate;
}

float gain_from_hundredths_db(int32_t v) {
    if (v <= -10000) return 0.0f;
    if (v >= 0) return 1.0f;
    return float(std::pow(10.0, double(v) / 2000.0));
}

void pan_gains(int32_t pan, float& left, float& right) {
    left = pan > 0 ? gain_from_hundredths_db(-pan) : 1.0f;
    right = pan < 0 ? gain_from_hundredths_db(pan) : 1.0f;
}

} // namespace paudio
