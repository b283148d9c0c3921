#pragma once
// Ogg Vorbis files encoded with libvorbisenc, the same bytes on every run: a
// fixed stream serial number and no encoder comment that could change.
#include <cstdint>
#include <vector>

namespace qtest {

struct OggVorbisSpec {
    uint16_t channels = 2;
    uint32_t rate = 44100;
    float quality = 0.3f;  // -0.1 to 1.0, as oggenc's -q divided by 10
    int32_t serial = 0x51554C4E;
};

// Interleaved 16-bit samples (frames × channels) as an Ogg Vorbis file;
// empty when the encoder refuses the format.
std::vector<uint8_t> EncodeOggVorbis(const std::vector<int16_t>& samples, const OggVorbisSpec& spec);

} // namespace qtest
