// Sound: the mixer's cost for 32 streamed voices and 16 one-shots at 48 kHz
// (CPU time per second of audio, against a plain loop that adds the same
// samples without resampling or gains), and Ogg Vorbis decoding through the
// loader against oggdec decoding the same file.
#include "base/GxStringUtil.h"
#include "bench/timing.h"
#include "media/sound/GxAudio.h"
#include "media/sound/GxSoundLoaderOgg.h"
#include "platform/audio/output_device.h"
#include "tools/builders/SoundFiles.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr u32 kStreams = 32;
constexpr u32 kOneShots = 16;
constexpr u32 kSeconds = 10;

double CpuMs(clockid_t id) {
    timespec ts{};
    clock_gettime(id, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

void Write(const std::string& name, const std::vector<uint8_t>& bytes) {
    std::ofstream f(name, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// The baseline: the same number of 16-bit samples added into a float buffer,
// one voice after another, with no resampling and no gains.
double PlainMixMsPerSecond(const std::vector<uint8_t>& stereo, const std::vector<uint8_t>& mono) {
    std::vector<float> out(size_t(paudio::mix_rate) * 2);
    const auto* s = reinterpret_cast<const int16_t*>(stereo.data());
    const auto* m = reinterpret_cast<const int16_t*>(mono.data());
    const double ms = qbench::BestOf(3, [&] {
        for (u32 second = 0; second < kSeconds; ++second) {
            std::fill(out.begin(), out.end(), 0.0f);
            for (u32 v = 0; v < kStreams; ++v)
                for (size_t i = 0; i < out.size(); ++i) out[i] += float(s[i]) * (1.0f / 32768.0f);
            for (u32 v = 0; v < kOneShots; ++v)
                for (size_t i = 0; i < out.size(); i += 2) {
                    out[i] += float(m[i / 2]) * (1.0f / 32768.0f);
                    out[i + 1] += float(m[i / 2]) * (1.0f / 32768.0f);
                }
        }
    });
    volatile float sink = out[123];
    (void)sink;
    return ms / kSeconds;
}

void MixBench() {
    const std::vector<uint8_t> stereo = qtest::SinePcm16(44100 * 4, 2, 44100, 441.0);
    const std::vector<uint8_t> mono = qtest::SinePcm16(22050, 1, 22050, 300.0);
    Write("stream.wav", qtest::BuildWav({.rate = 44100}, stereo));
    for (u32 i = 0; i < kOneShots; ++i)
        Write("shot" + std::to_string(i) + ".wav", qtest::BuildWav({.channels = 1, .rate = 22050}, mono));

    paudio::output_device::instance().set_mode(paudio::output_mode::manual);
    if (!GxAudio::Initialize(false)) {
        std::printf("the audio back end did not start\n");
        return;
    }
    u32 playing = 0;
    for (u32 ch = 0; ch < kStreams; ++ch)
        playing += GxAudio::PlayStream(ch, u"stream.wav", -1, ch * 97, 0, 0.03f, 0, 0);
    for (u32 i = 0; i < kOneShots; ++i)
        playing += GxAudio::PlayOneShot(nullptr, GxFromUtf8("shot" + std::to_string(i) + ".wav"), -1, 0, 0, 0.03f, 0);
    std::printf("voices playing: %u of %u\n", playing, kStreams + kOneShots);
    paudio::output_device::instance().pump(paudio::mix_rate / 2);  // warm up: the streams' first refills

    const double thread0 = CpuMs(CLOCK_THREAD_CPUTIME_ID), process0 = CpuMs(CLOCK_PROCESS_CPUTIME_ID);
    const double wall0 = qbench::NowMs();
    paudio::output_device::instance().pump(paudio::mix_rate * kSeconds);
    const double wall = qbench::NowMs() - wall0;
    const double mixing = (CpuMs(CLOCK_THREAD_CPUTIME_ID) - thread0) / kSeconds;
    const double total = (CpuMs(CLOCK_PROCESS_CPUTIME_ID) - process0) / kSeconds;
    GxAudio::Shutdown();

    const double plain = PlainMixMsPerSecond(stereo, mono);
    std::printf("mixing %u streams + %u one-shots at 48 kHz, per second of audio:\n", kStreams, kOneShots);
    std::printf("  mixing thread  %7.2f ms CPU  (%.2f%% of one core)\n", mixing, mixing / 10.0);
    std::printf("  with refills   %7.2f ms CPU  (%.2f%% of one core; wall %.2f ms)\n", total, total / 10.0,
                wall / kSeconds);
    std::printf("  plain add loop %7.2f ms      (mixing / plain = %.2f)\n", plain, mixing / plain);
}

void OggBench() {
    // A minute of stereo music-like sound: two tones over quiet noise.
    std::vector<uint8_t> pcm = qtest::SinePcm16(44100 * 60, 2, 44100, 220.0);
    const std::vector<uint8_t> noise = qtest::NoisePcm16(44100 * 60, 2);
    const std::vector<uint8_t> tone = qtest::SinePcm16(44100 * 60, 2, 44100, 1375.0);
    for (size_t i = 0; i + 1 < pcm.size(); i += 2) {
        const int v = int16_t(pcm[i] | pcm[i + 1] << 8) / 2 + int16_t(tone[i] | tone[i + 1] << 8) / 4 +
                      int16_t(noise[i] | noise[i + 1] << 8) / 8;
        pcm[i] = uint8_t(v);
        pcm[i + 1] = uint8_t(v >> 8);
    }
    Write("music.wav", qtest::BuildWav({.rate = 44100}, pcm));
    if (!qtest::RunIn(std::filesystem::current_path(), "oggenc -Q -q 4 -o music.ogg music.wav")) {
        std::printf("oggenc failed; no Ogg figures\n");
        return;
    }
    size_t bytes = 0;
    const double loader = qbench::BestOf(3, [&] {
        GxSoundLoaderOgg ogg;
        std::vector<u8> out;
        if (ogg.Open(u"music.ogg")) ogg.ReadAll(out);
        bytes = out.size();
    });
    const double oggdec = qbench::BestOf(3, [&] {
        qtest::RunIn(std::filesystem::current_path(), "oggdec -Q -R -o /dev/null music.ogg");
    });
    std::printf("decoding 60 s of 44.1 kHz stereo Ogg Vorbis (%zu bytes of PCM):\n", bytes);
    std::printf("  loader %8.1f ms   oggdec %8.1f ms   loader / oggdec = %.2f\n", loader, oggdec, loader / oggdec);
}

} // namespace

int main() {
    char dir[] = "/tmp/quillon-sound-bench-XXXXXX";
    if (!mkdtemp(dir)) return 1;
    const std::filesystem::path old = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    MixBench();
    OggBench();
    std::filesystem::current_path(old);
    std::filesystem::remove_all(dir);
    return 0;
}
