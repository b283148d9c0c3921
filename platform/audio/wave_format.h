#pragma once
// The PCM description every voice and buffer is created with, and the volume
// conversions both device styles share. The mixer plays PCM of one to
// max_channels channels with samples of 1 byte (unsigned) or 2, 3 or 4 bytes
// (signed, little-endian) at any rate from min_rate to max_rate, and mixes in
// float at mix_rate in stereo. More than two channels are taken in the order
// of a WAVE file's speakers and mixed down to stereo.
#include <cstdint>

namespace paudio {

constexpr uint32_t mix_rate = 48000;
constexpr uint32_t mix_channels = 2;
constexpr uint32_t min_rate = 1000;
constexpr uint32_t max_rate = 200000;
// Eight channels (7.1) is the widest layout whose speaker order is known.
constexpr uint16_t max_channels = 8;

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

// Bytes a sample takes: the block shared among the channels.
inline uint32_t sample_bytes(const wave_format& f) { return f.channels ? f.block_align / f.channels : 0; }

// PCM with 1 to max_channels channels, a block of exactly one sample of each
// channel, samples of 1 to 4 bytes whose significant bits fill the last byte
// at least in part (12 bits in 2 bytes, 24 in 3), and a rate the resampler
// takes.
bool is_playable(const wave_format& f);

// The share of each channel (in a WAVE file's speaker order for that many
// channels) in the left and the right of the stereo mix: front sides whole,
// the centre and the surrounds at -3 dB, a back centre at -3 dB on each side
// of that, the low-frequency channel left out. Mono and stereo map straight.
void downmix_gains(uint16_t channels, float gains[max_channels][2]);

// Attenuation in hundredths of a decibel (0 full, negative quieter) as a
// linear gain, 10^(v/2000); -10000 and below are silence.
float gain_from_hundredths_db(int32_t v);
// The two channel gains of a pan from -10000 (left only) over 0 (both at full
// level) to 10000 (right only): the far side is attenuated by |pan|.
void pan_gains(int32_t pan, float& left, float& right);

} // namespace paudio
