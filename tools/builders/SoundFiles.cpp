#include "tools/builders/SoundFiles.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace qtest {
namespace {

void Put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}
void Put16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}
void PutBytes(std::vector<uint8_t>& out, const char* bytes, size_t n) {
    for (size_t i = 0; i < n; ++i) out.push_back(uint8_t(bytes[i]));
}
void PutTag(std::vector<uint8_t>& out, const char* tag) { PutBytes(out, tag, 4); }
void PutSample(std::vector<uint8_t>& out, int v) { Put16(out, uint16_t(int16_t(v))); }

} // namespace

std::vector<uint8_t> BuildWav(const WavSpec& spec, const std::vector<uint8_t>& pcm) {
    std::vector<uint8_t> out;
    PutTag(out, "RIFF");
    Put32(out, 0);
    PutTag(out, spec.noWave ? "WAVX" : "WAVE");
    if (spec.chunkBeforeFormat) {
        PutTag(out, "LIST");
        Put32(out, 10);
        PutTag(out, "INFO");
        PutBytes(out, "ISFT\0\0", 6);
    }
    PutTag(out, "fmt ");
    Put32(out, 16);
    const uint16_t block = spec.blockAlign ? spec.blockAlign : uint16_t(spec.channels * spec.bits / 8);
    Put16(out, spec.tag);
    Put16(out, spec.channels);
    Put32(out, spec.rate);
    Put32(out, spec.rate * block);
    Put16(out, block);
    Put16(out, spec.bits);
    if (spec.oddChunk) {
        PutTag(out, "note");
        Put32(out, 3);
        PutBytes(out, "abc\0", 4);  // the pad byte after an odd size
    }
    if (!spec.noData) {
        PutTag(out, "data");
        Put32(out, spec.dataSize ? spec.dataSize : uint32_t(pcm.size()));
        for (uint8_t b : pcm) out.push_back(b);
        if (pcm.size() & 1) out.push_back(0);
    }
    const uint32_t riff = spec.riffSize ? spec.riffSize : uint32_t(out.size() - 8);
    std::memcpy(out.data() + 4, &riff, 4);
    return out;
}

std::vector<uint8_t> CountingPcm16(uint32_t frames, uint16_t channels) {
    std::vector<uint8_t> out;
    for (uint32_t f = 0; f < frames; ++f) {
        PutSample(out, int((f + 1) % 32768));
        if (channels == 2) PutSample(out, int((f + 1) / 32768));
    }
    return out;
}

uint32_t CountingFrame(int left, int right) { return uint32_t(right) * 32768u + uint32_t(left) - 1u; }

std::vector<uint8_t> ConstantPcm16(uint32_t frames, int16_t left, int16_t right) {
    std::vector<uint8_t> out;
    for (uint32_t f = 0; f < frames; ++f) {
        PutSample(out, left);
        PutSample(out, right);
    }
    return out;
}

std::vector<uint8_t> NoisePcm16(uint32_t frames, uint16_t channels) {
    std::vector<uint8_t> out;
    uint32_t state = 12345;
    for (uint32_t i = 0; i < frames * channels; ++i) {
        state = state * 1664525u + 1013904223u;
        PutSample(out, int(state >> 16) / 4 - 8192);
    }
    return out;
}

std::vector<uint8_t> SinePcm16(uint32_t frames, uint16_t channels, uint32_t rate, double hz) {
    std::vector<uint8_t> out;
    for (uint32_t f = 0; f < frames; ++f) {
        const int v = int(std::lround(16384.0 * std::sin(2.0 * 3.14159265358979 * hz * f / rate)));
        for (uint16_t c = 0; c < channels; ++c) PutSample(out, c == 0 ? v : -v);
    }
    return out;
}

bool RunIn(const std::filesystem::path& folder, const std::string& command) {
    const std::string cmd = "cd '" + folder.string() + "' && " + command + " >/dev/null 2>&1";
    return std::system(cmd.c_str()) == 0;
}

} // namespace qtest
