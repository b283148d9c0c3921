#pragma once
// WAV files for tests, written by our own writer from the RIFF layout (with
// the odd chunk layouts real files have), sample patterns whose every frame
// is distinct so that gaps and repeats show, and the outside tools (oggenc,
// oggdec, sox) run on files in a folder.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace qtest {

struct WavSpec {
    uint16_t tag = 1;
    uint16_t channels = 2;
    uint32_t rate = 48000;
    uint16_t bits = 16;
    uint16_t blockAlign = 0;         // 0: channels * bits / 8
    bool chunkBeforeFormat = false;  // a "LIST" chunk between "WAVE" and "fmt "
    bool oddChunk = false;           // a chunk of odd size (with its pad byte) before "data"
    bool noData = false;
    bool noWave = false;             // "WAVX" in place of "WAVE"
    uint32_t dataSize = 0;           // 0: the PCM's size; else written as the chunk size
    uint32_t riffSize = 0;           // 0: the true size
};

std::vector<uint8_t> BuildWav(const WavSpec& spec, const std::vector<uint8_t>& pcm);

// 16-bit frames that carry their own number: n = frame + 1 (so that silence
// reads as no frame), the left sample n modulo 32768 and the right one n
// divided by 32768 (stereo), or the left alone (mono).
std::vector<uint8_t> CountingPcm16(uint32_t frames, uint16_t channels);
// The frame number CountingPcm16 put into a left and right sample;
// kNoFrame for silence.
uint32_t CountingFrame(int left, int right);
constexpr uint32_t kNoFrame = 0xFFFFFFFFu;
// Every frame the same sample values.
std::vector<uint8_t> ConstantPcm16(uint32_t frames, int16_t left, int16_t right);
// White noise at a quarter of full scale (it does not compress away).
std::vector<uint8_t> NoisePcm16(uint32_t frames, uint16_t channels);
// A sine of the frequency at 0.5 of full scale.
std::vector<uint8_t> SinePcm16(uint32_t frames, uint16_t channels, uint32_t rate, double hz);

// Runs a shell command in folder; true when it exits with 0.
bool RunIn(const std::filesystem::path& folder, const std::string& command);

} // namespace qtest
