#pragma once
// The PCM description every voice and buffer is created with, and the volume
// conversions both device styles share. The mixer plays 8-bit (unsigned) and
// 16-bit (signed, little-endian) PCM in one or two channels at any rate from
// min_rate to max_rate, and mixes in float at mix_rate in stereo.
#include <cstdint>

namespace paudio {

constexpr uint32_t mix_rate = 48000;
constexpr uint32_t mix_channels = 2;
constexpr uint32_t min_rate = 1000;
constexpr uint32_t max_rate = 200000;

constexpr uint16_t format_pcm = 1;

struct wave_format {
    uint16_t format_tag = 0;
    uint16_t channels = 0;
    uint32_t samples_per_sec = 0;
    uint32_t avg_bytes_per_sec = 0;
    uint16_t block_align = 0;
    uint16_t bits_per_sample = 0;
    uint16_t extra_size = 0;
};

// PCM with 1 or 2 channels of 8 or 16 bits, a block of exactly one sample of
// each channel, and a rate the resampler takes.
bool is_playable(const wave_format& f);

// Attenuation in hundredths of a decibel (0 full, negative quieter) as a
// linear gain, 10^(v/2000); -10000 and below are silence.
float gain_from_hundredths_db(int32_t v);
// The two channel gains of a pan from -10000 (left only) over 0 (both at full
// level) to 10000 (right only): the far side is attenuated by |pan|.
void pan_gains(int32_t pan, float& left, float& right);

} // namespace paudio
