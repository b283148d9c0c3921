// The SDL output: SDL's own audio thread renders the mixer through the
// callback while this thread changes the voice, and the voice's callback,
// on that thread, queues the next buffer. SDL's "disk" driver stands in for
// a sound card: a real audio thread that writes what it is given to a file.
#include "platform/audio/output_device.h"
#include "platform/audio/voice_engine.h"
#include "support/TempDir.h"
#include "tools/builders/SoundFiles.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <thread>

namespace {

using namespace paudio;

struct Requeue final : voice_callback {
    source_voice* voice = nullptr;
    audio_buffer buffer;
    std::atomic<int> ended{0};
    int passes = 0;
    void on_buffer_end(void*) override {
        if (++ended < passes) voice->submit(buffer);
    }
};

TEST(SdlOutput, ItsThreadPlaysWhatTheCallbackQueuesGaplessly) {
    qtest::TempDir dir;
    const std::string file = (dir.path() / "out.raw").string();
    const char* before = std::getenv("SDL_AUDIODRIVER");
    const std::string driver = before ? before : "";
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
    output_device& out = output_device::instance();
    out.set_mode(output_mode::automatic);
    mixer* m = out.acquire();
    setenv("SDL_AUDIODRIVER", driver.c_str(), 1);
    ASSERT_TRUE(m);
    ASSERT_FALSE(out.is_null()) << "SDL's disk driver did not open";

    constexpr uint32_t kFrames = 960;
    const std::vector<uint8_t> pcm = qtest::CountingPcm16(kFrames, 2);
    wave_format f;
    f.format_tag = format_pcm;
    f.channels = 2;
    f.samples_per_sec = mix_rate;
    f.bits_per_sample = 16;
    f.block_align = 4;
    f.avg_bytes_per_sec = mix_rate * 4;
    voice_engine engine(*m);
    Requeue requeue;
    requeue.passes = 8;
    requeue.buffer.audio_data = pcm.data();
    requeue.buffer.audio_bytes = uint32_t(pcm.size());
    source_voice* v = engine.create_source_voice(f, &requeue);
    ASSERT_TRUE(v);
    requeue.voice = v;
    ASSERT_TRUE(v->submit(requeue.buffer));
    ASSERT_TRUE(v->start());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (requeue.ended < requeue.passes && std::chrono::steady_clock::now() < deadline) {
        voice_state state;
        v->get_state(state);
        v->set_volume(1.0f);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    v->destroy();
    out.release();
    ASSERT_EQ(requeue.ended, requeue.passes) << "the output thread stopped playing";

    // What reached the device: every pass, frame after frame, then silence.
    std::ifstream in(file, std::ios::binary);
    std::vector<float> samples;
    float s[2];
    while (in.read(reinterpret_cast<char*>(s), sizeof s)) samples.insert(samples.end(), s, s + 2);
    auto frameAt = [&](size_t i) {
        return qtest::CountingFrame(int(std::lround(samples[i * 2] * 32768.0f)),
                                    int(std::lround(samples[i * 2 + 1] * 32768.0f)));
    };
    size_t first = 0;
    while (first < samples.size() / 2 && frameAt(first) == qtest::kNoFrame) ++first;
    ASSERT_GE(samples.size() / 2, first + kFrames * requeue.passes);
    for (uint32_t i = 0; i < kFrames * uint32_t(requeue.passes); ++i)
        ASSERT_EQ(frameAt(first + i), i % kFrames) << "frame " << i;
    EXPECT_EQ(frameAt(first + kFrames * requeue.passes), qtest::kNoFrame);
}

} // namespace
