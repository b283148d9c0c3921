#include "platform/audio/wave_format.h"

#include <cmath>

namespace paudio {

bool is_playable(const wave_format& f) {
    if (f.format_tag != format_pcm) return false;
    if (f.channels < 1 || f.channels > max_channels) return false;
    const uint32_t bytes = (uint32_t(f.bits_per_sample) + 7) / 8;
    if (bytes < 1 || bytes > 4 || f.block_align != f.channels * bytes) return false;
    return f.samples_per_sec >= min_rate && f.samples_per_sec <= max_rate;
}

void downmix_gains(uint16_t channels, float gains[max_channels][2]) {
    enum speaker { fl, fr, fc, lfe, bl, br, bc, sl, sr };
    // The speakers of 1 to 8 channels, in the order a WAVE file holds them.
    static const speaker layouts[max_channels][max_channels] = {
        {fc},
        {fl, fr},
        {fl, fr, fc},
        {fl, fr, bl, br},
        {fl, fr, fc, bl, br},
        {fl, fr, fc, lfe, bl, br},
        {fl, fr, fc, lfe, bc, sl, sr},
        {fl, fr, fc, lfe, bl, br, sl, sr},
    };
    constexpr float half_power = 0.70710678f;
    static const float shares[][2] = {
        {1.0f, 0.0f},                               // fl
        {0.0f, 1.0f},                               // fr
        {half_power, half_power},                   // fc
        {0.0f, 0.0f},                               // lfe
        {half_power, 0.0f},                         // bl
        {0.0f, half_power},                         // br
        {half_power * half_power, half_power * half_power},  // bc
        {half_power, 0.0f},                         // sl
        {0.0f, half_power},                         // sr
    };
    for (int c = 0; c < max_channels; ++c) gains[c][0] = gains[c][1] = 0.0f;
    if (channels == 1) {
        gains[0][0] = gains[0][1] = 1.0f;
        return;
    }
    if (channels < 1 || channels > max_channels) return;
    for (int c = 0; c < channels; ++c) {
        gains[c][0] = shares[layouts[channels - 1][c]][0];
        gains[c][1] = shares[layouts[channels - 1][c]][1];
    }
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
