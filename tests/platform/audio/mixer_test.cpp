// The mixer and both device styles, rendered by hand: samples read back from
// the output, not timings. Then the SDL output: SDL's own audio thread renders
// the mixer through the callback while this thread changes the voice, and the
// voice's callback, on that thread, queues the next buffer. SDL's "disk"
// driver stands in for a sound card: a real audio thread that writes what it
// is given to a file.
#include "platform/audio/buffer_device.h"
#include "platform/audio/mixer.h"
#include "platform/audio/output_device.h"
#include "platform/audio/push_voice.h"
#include "platform/audio/voice_engine.h"
#include "platform/audio/wake_event.h"
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

wave_format Pcm(uint16_t channels, uint32_t rate, uint16_t bits) {
    wave_format f;
    f.format_tag = format_pcm;
    f.channels = channels;
    f.samples_per_sec = rate;
    f.bits_per_sample = bits;
    f.block_align = uint16_t(channels * bits / 8);
    f.avg_bytes_per_sec = rate * f.block_align;
    return f;
}

std::vector<float> Render(mixer& m, uint32_t frames) {
    std::vector<float> out(size_t(frames) * 2);
    m.render(out.data(), frames);
    return out;
}

int S16(float v) { return int(std::lround(v * 32768.0f)); }
// The frame number a counting sound left at frame f of a stereo output.
uint32_t FrameAt(const std::vector<float>& out, size_t f) { return qtest::CountingFrame(S16(out[f * 2]), S16(out[f * 2 + 1])); }

std::vector<uint8_t> Samples16(std::initializer_list<int> values) {
    std::vector<uint8_t> out;
    for (int v : values) {
        out.push_back(uint8_t(v & 0xFF));
        out.push_back(uint8_t((v >> 8) & 0xFF));
    }
    return out;
}

audio_buffer Whole(const std::vector<uint8_t>& pcm, void* context = nullptr) {
    audio_buffer b;
    b.audio_data = pcm.data();
    b.audio_bytes = uint32_t(pcm.size());
    b.context = context;
    return b;
}

struct EndCounter final : voice_callback {
    std::vector<void*> ended;
    void on_buffer_end(void* context) override { ended.push_back(context); }
};

// A 16-bit stereo voice at the mix rate comes out bit for bit, across the
// seam between two queued buffers; each buffer's end is reported once.
TEST(QueuedVoice, MixRateSixteenBitIsExactAcrossBuffers) {
    mixer m;
    voice_engine engine(m);
    EndCounter ends;
    const std::vector<uint8_t> pcm = qtest::CountingPcm16(1000, 2);
    const std::vector<uint8_t> first(pcm.begin(), pcm.begin() + 1400), second(pcm.begin() + 1400, pcm.end());
    source_voice* v = engine.create_source_voice(Pcm(2, 48000, 16), &ends);
    ASSERT_TRUE(v);
    int a = 1, b = 2;
    ASSERT_TRUE(v->submit(Whole(first, &a)));
    ASSERT_TRUE(v->submit(Whole(second, &b)));
    v->start();
    const std::vector<float> out = Render(m, 1100);
    for (uint32_t f = 0; f < 1000; ++f) ASSERT_EQ(FrameAt(out, f), f) << "frame " << f;
    for (uint32_t f = 1000; f < 1100; ++f) ASSERT_EQ(out[f * 2], 0.0f);
    EXPECT_EQ(ends.ended, (std::vector<void*>{&a, &b}));
    voice_state state;
    v->get_state(state);
    EXPECT_EQ(state.buffers_queued, 0u);
    v->destroy();
}

std::vector<uint8_t> Samples(int bytes, std::initializer_list<int64_t> values) {
    std::vector<uint8_t> out;
    for (int64_t v : values)
        for (int b = 0; b < bytes; ++b) out.push_back(uint8_t((v >> (8 * b)) & 0xFF));
    return out;
}

// Sample formats and rates: 8-bit is unsigned around 128, wider samples
// signed; other rates are interpolated linearly, also over the seam to the
// next buffer; more than two channels are mixed down to stereo by speaker.
TEST(QueuedVoice, FormatsAndResampling) {
    struct Case {
        const char* name;
        wave_format format;
        std::vector<std::vector<uint8_t>> buffers;
        std::vector<int> left;   // expected output, 16-bit scale
        std::vector<int> right;  // empty: as left
    };
    // 5.1 frames, each with one speaker at 8192: front left, centre, the
    // low-frequency channel, back right.
    const std::vector<uint8_t> surround = Samples(2, {8192, 0, 0, 0, 0, 0, 0, 0, 8192, 0, 0, 0,  //
                                                      0, 0, 0, 8192, 0, 0, 0, 0, 0, 0, 0, 8192});
    const Case cases[] = {
        {"24-bit stereo", Pcm(2, 48000, 24), {Samples(3, {0x400000, -0x200000, -0x800000, 0x7FFFFF})},
         {16384, -32768}, {-8192, 32768}},
        {"32-bit mono", Pcm(1, 48000, 32), {Samples(4, {0x40000000, -0x40000000})}, {16384, -16384}, {}},
        {"5.1 mixed down", Pcm(6, 48000, 16), {surround}, {8192, 5793, 0, 0}, {0, 5793, 0, 5793}},
        {"7.1 side left", Pcm(8, 48000, 16), {Samples(2, {0, 0, 0, 0, 0, 0, 8192, 0})}, {5793}, {0}},
        {"8-bit mono", Pcm(1, 48000, 8), {{0x80, 0xC0, 0x00, 0xFF}}, {0, 16384, -32768, 32512}, {}},
        {"16-bit mono at 24 kHz", Pcm(1, 24000, 16), {Samples16({0, 1000, 2000})}, {0, 500, 1000, 1500, 2000}, {}},
        {"seam between buffers", Pcm(1, 24000, 16), {Samples16({0, 1000}), Samples16({2000, 3000})},
         {0, 500, 1000, 1500, 2000, 2500, 3000}, {}},
        {"16-bit mono at 96 kHz", Pcm(1, 96000, 16), {Samples16({0, 100, 200, 300, 400, 500})}, {0, 200, 400}, {}},
        {"5.1 at 24 kHz", Pcm(6, 24000, 16), {surround}, {8192, 6992, 5793}, {0, 2896, 5793}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        mixer m;
        voice_engine engine(m);
        source_voice* v = engine.create_source_voice(c.format, nullptr);
        ASSERT_TRUE(v);
        for (const auto& b : c.buffers) ASSERT_TRUE(v->submit(Whole(b)));
        v->start();
        const std::vector<float> out = Render(m, uint32_t(c.left.size()));
        const std::vector<int>& right = c.right.empty() ? c.left : c.right;
        for (size_t i = 0; i < c.left.size(); ++i) {
            EXPECT_EQ(S16(out[i * 2]), c.left[i]) << "frame " << i;
            EXPECT_EQ(S16(out[i * 2 + 1]), right[i]) << "frame " << i;
        }
        v->destroy();
    }
}

// A buffer's first pass starts at its play begin; the loop passes cover the
// loop region; the end is reported after the last pass only.
TEST(QueuedVoice, LoopRegionPasses) {
    mixer m;
    voice_engine engine(m);
    EndCounter ends;
    const std::vector<uint8_t> pcm = qtest::CountingPcm16(4, 2);
    source_voice* v = engine.create_source_voice(Pcm(2, 48000, 16), &ends);
    audio_buffer b = Whole(pcm);
    b.play_begin = 2;
    b.loop_count = 2;
    ASSERT_TRUE(v->submit(b));
    v->start();
    const std::vector<float> out = Render(m, 12);
    std::vector<uint32_t> frames;
    for (int f = 0; f < 12; ++f) frames.push_back(FrameAt(out, f));
    EXPECT_EQ(frames, (std::vector<uint32_t>{2, 3, 0, 1, 2, 3, 0, 1, 2, 3, qtest::kNoFrame, qtest::kNoFrame}));
    EXPECT_EQ(ends.ended.size(), 1u);
    // Regions outside the buffer are refused.
    audio_buffer bad = Whole(pcm);
    bad.play_begin = 4;
    EXPECT_FALSE(v->submit(bad));
    bad = Whole(pcm);
    bad.loop_count = 1;
    bad.loop_begin = 3;
    bad.loop_length = 2;
    EXPECT_FALSE(v->submit(bad));
    v->destroy();
}

// Stopping a sounding voice fades what follows to silence over a few
// milliseconds; the voice itself stops where it was and goes on from there.
TEST(QueuedVoice, StopRampsOutAndKeepsThePosition) {
    mixer m;
    voice_engine engine(m);
    const std::vector<uint8_t> pcm = qtest::CountingPcm16(2000, 2);
    source_voice* v = engine.create_source_voice(Pcm(2, 48000, 16), nullptr);
    ASSERT_TRUE(v->submit(Whole(pcm)));
    v->set_volume(0.5f);
    v->start();
    Render(m, 100);
    v->stop();
    const std::vector<float> tail = Render(m, mix_voice::ramp_frames + 20);
    for (uint32_t f = 0; f < mix_voice::ramp_frames; ++f) {
        const float weight = 1.0f - float(f + 1) / float(mix_voice::ramp_frames);
        EXPECT_NEAR(tail[f * 2], 0.5f * float(101 + f) / 32768.0f * weight, 1e-6f) << "frame " << f;
    }
    for (uint32_t f = mix_voice::ramp_frames; f < mix_voice::ramp_frames + 20; ++f) ASSERT_EQ(tail[f * 2], 0.0f);
    v->set_volume(1.0f);
    v->start();
    const std::vector<float> more = Render(m, 1);
    EXPECT_EQ(FrameAt(more, 0), 100u);
    // A volume change moves over the same few milliseconds, never in a jump.
    v->set_volume(0.0f);
    const std::vector<float> fall = Render(m, mix_voice::ramp_frames + 1);
    for (uint32_t f = 1; f < mix_voice::ramp_frames; ++f) EXPECT_LT(fall[f * 2] / float(102 + f), fall[(f - 1) * 2] / float(101 + f));
    EXPECT_EQ(fall[mix_voice::ramp_frames * 2], 0.0f);
    v->destroy();
}

// A thread waiting on a wake event, counting its wakes; settle_all makes the
// count exact after each render.
struct WakeCounter {
    wake_event event;
    std::atomic<int> wakes{0};
    std::atomic<bool> quit{false};
    std::thread thread;
    WakeCounter() {
        event.attach_waiter();
        thread = std::thread([this] {
            for (;;) {
                event.wait();
                if (quit) break;
                ++wakes;
            }
            event.detach_waiter();
        });
    }
    ~WakeCounter() {
        quit = true;
        event.set();
        thread.join();
    }
};

// Cursor buffers play from their cursor, once to the end or looping, and
// wake their event as the cursor reaches each notification position.
TEST(CursorBuffer, PlaysOnceOrLoopingWithNotifications) {
    mixer m;
    buffer_device device(m);
    ASSERT_TRUE(device.set_cooperative_level(1, cooperative_priority));
    const std::vector<uint8_t> pcm = qtest::CountingPcm16(4800, 2);
    cursor_buffer* b = device.create_buffer(caps_ctrl_volume | caps_ctrl_pan | caps_ctrl_position_notify,
                                            uint32_t(pcm.size()), Pcm(2, 48000, 16));
    ASSERT_TRUE(b);
    void *p1 = nullptr, *p2 = nullptr;
    uint32_t n1 = 0, n2 = 0;
    ASSERT_TRUE(b->lock(0, 0, &p1, &n1, &p2, &n2, lock_entire_buffer));
    ASSERT_EQ(n1, pcm.size());
    std::memcpy(p1, pcm.data(), n1);
    ASSERT_TRUE(b->unlock(p1, n1, p2, n2));
    WakeCounter counter;
    const notify_position positions[] = {{1200 * 4, &counter.event}, {3600 * 4, &counter.event}};
    ASSERT_TRUE(b->set_notification_positions(2, positions));

    ASSERT_TRUE(b->play(play_looping));
    EXPECT_EQ(b->status(), uint32_t(status_playing | status_looping));
    std::vector<float> out = Render(m, 2400);
    wake_event::settle_all();
    EXPECT_EQ(counter.wakes, 1);
    uint32_t play = 0;
    b->current_position(&play, nullptr);
    EXPECT_EQ(play, 2400u * 4);
    out = Render(m, 2400);
    wake_event::settle_all();
    EXPECT_EQ(counter.wakes, 2);
    EXPECT_EQ(FrameAt(out, 2399), 4799u);
    out = Render(m, 2400);
    wake_event::settle_all();
    EXPECT_EQ(counter.wakes, 3);
    EXPECT_EQ(FrameAt(out, 0), 0u) << "wraps to the start";

    // Once: from a set position to the end, then it stops by itself.
    b->stop();
    Render(m, mix_voice::ramp_frames);
    ASSERT_TRUE(b->set_current_position(4700 * 4));
    ASSERT_TRUE(b->play(0));
    out = Render(m, 200);
    EXPECT_EQ(FrameAt(out, 99), 4799u);
    EXPECT_EQ(out[100 * 2], 0.0f);
    EXPECT_EQ(b->status(), 0u);
    b->release();
}

// Volume in hundredths of a decibel and pan, as gains of the two outputs.
TEST(CursorBuffer, VolumeAndPan) {
    struct Case {
        int32_t volume, pan;
        float left, right;
    };
    const Case cases[] = {
        {0, 0, 1.0f, 1.0f},           {-600, 0, 0.501187f, 0.501187f}, {-2000, 0, 0.1f, 0.1f},
        {0, 2000, 0.1f, 1.0f},        {0, -600, 1.0f, 0.501187f},      {0, 10000, 0.0f, 1.0f},
        {-10000, 0, 0.0f, 0.0f},      {-6400, 0, 0.000631f, 0.000631f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "volume " << c.volume << " pan " << c.pan);
        mixer m;
        buffer_device device(m);
        const std::vector<uint8_t> pcm = qtest::ConstantPcm16(480, 16384, 16384);
        cursor_buffer* b =
            device.create_buffer(caps_ctrl_volume | caps_ctrl_pan, uint32_t(pcm.size()), Pcm(2, 48000, 16));
        void *p1, *p2;
        uint32_t n1, n2;
        ASSERT_TRUE(b->lock(0, 0, &p1, &n1, &p2, &n2, lock_entire_buffer));
        std::memcpy(p1, pcm.data(), n1);
        b->unlock(p1, n1, p2, n2);
        ASSERT_TRUE(b->set_volume(c.volume));
        ASSERT_TRUE(b->set_pan(c.pan));
        b->play(play_looping);
        const std::vector<float> out = Render(m, 1);
        EXPECT_NEAR(out[0], 0.5f * c.left, 2e-6f);
        EXPECT_NEAR(out[1], 0.5f * c.right, 2e-6f);
        b->release();
    }
    mixer m;
    buffer_device device(m);
    cursor_buffer* noPan = device.create_buffer(caps_ctrl_volume, 4800, Pcm(2, 48000, 16));
    EXPECT_FALSE(noPan->set_pan(100)) << "pan needs its control";
    EXPECT_FALSE(noPan->set_volume(1)) << "no gain above full level";
    noPan->release();
    EXPECT_FALSE(device.create_buffer(caps_ctrl_3d, 4800, Pcm(2, 48000, 16))) << "3-D sources are mono";
}

// A movie's sound: written by a feeder, drained at its rate, silent while it
// runs dry and going on when more arrives.
TEST(PushVoice, FeedsThroughItsRing) {
    mixer m;
    push_voice* v = push_voice::create(m, Pcm(2, 48000, 16), 1000);
    ASSERT_TRUE(v);
    const std::vector<uint8_t> pcm = qtest::CountingPcm16(1500, 2);
    EXPECT_EQ(v->write(pcm.data(), uint32_t(pcm.size())), 4000u) << "takes what fits";
    v->start();
    std::vector<float> out = Render(m, 600);
    EXPECT_EQ(v->played_frames(), 600u);
    EXPECT_EQ(v->queued_frames(), 400u);
    EXPECT_EQ(v->write(pcm.data() + 4000, 2000), 2000u);
    out = Render(m, 1000);
    for (uint32_t f = 0; f < 900; ++f) ASSERT_EQ(FrameAt(out, f), 600 + f);
    for (uint32_t f = 900; f < 1000; ++f) ASSERT_EQ(out[f * 2], 0.0f) << "ran dry";
    EXPECT_EQ(v->played_frames(), 1500u);
    v->write(pcm.data(), 8);
    out = Render(m, 2);
    EXPECT_EQ(FrameAt(out, 0), 0u);
    EXPECT_EQ(FrameAt(out, 1), 1u);
    v->destroy();
}

// 3-D gains of a mono source for a few positions, in both styles.
TEST(Spatial, GainsForPositions) {
    spatial_instance instance;
    ASSERT_TRUE(spatial_initialize(speaker_front_left | speaker_front_right, 343.5f, instance));
    const sound_cone listenerCone{2.617994f, 5.759587f, 1.0f, 0.75f};
    const sound_cone emitterCone{0.0f, 0.0f, 0.0f, 1.0f};
    const curve_point points[] = {{0.0f, 1.0f}, {1.0f, 0.0f}};
    const distance_curve curve{points, 2};
    struct Case {
        vec3 position;
        float left, right;
    };
    const float side = 0.5f * (1.0f - 0.25f * 15.0f / 90.0f);  // half the curve, the cone at 90 degrees
    const float behind = (1.0f - 100.0f / 550.0f) * 0.75f;
    const Case cases[] = {
        {{0, 0, 0}, 0.707107f, 0.707107f},
        {{275, 0, 0}, side * std::sqrt(0.225f), side * std::sqrt(0.775f)},
        {{0, 0, -100}, behind * 0.707107f, behind * 0.707107f},
        {{600, 0, 0}, 0.0f, 0.0f},
    };
    for (const Case& c : cases) {
        listener_3d listener;
        listener.cone = &listenerCone;
        emitter_3d emitter;
        emitter.cone = &emitterCone;
        emitter.position = c.position;
        emitter.inner_radius = 500.0f;
        emitter.volume_curve = &curve;
        emitter.curve_distance_scaler = 550.0f;
        float matrix[2] = {};
        dsp_settings dsp;
        dsp.matrix = matrix;
        spatial_calculate(instance, listener, emitter, calculate_matrix, dsp);
        EXPECT_NEAR(matrix[0], c.left, 1e-5f) << c.position.x << "," << c.position.z;
        EXPECT_NEAR(matrix[1], c.right, 1e-5f) << c.position.x << "," << c.position.z;
    }

    struct BufferCase {
        vec3 position;
        bool muteAtMax;
        float left, right;
    };
    const BufferCase buffers[] = {
        {{0, 0, 50}, false, 0.707107f, 0.707107f},
        {{200, 0, 0}, false, 0.0f, 0.5f},
        {{-200, 0, 0}, false, 0.5f, 0.0f},
        {{600, 0, 0}, false, 0.0f, 100.0f / 500.0f},
        {{600, 0, 0}, true, 0.0f, 0.0f},
    };
    for (const BufferCase& c : buffers) {
        buffer_3d_params params;
        params.position = c.position;
        params.min_distance = 100.0f;
        params.max_distance = 500.0f;
        float left = -1, right = -1;
        buffer_3d_gains(listener_params{}, params, c.muteAtMax, left, right);
        EXPECT_NEAR(left, c.left, 1e-5f) << c.position.x;
        EXPECT_NEAR(right, c.right, 1e-5f) << c.position.x;
    }
}

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
    voice_engine engine(*m);
    Requeue requeue;
    requeue.passes = 8;
    requeue.buffer.audio_data = pcm.data();
    requeue.buffer.audio_bytes = uint32_t(pcm.size());
    source_voice* v = engine.create_source_voice(Pcm(2, mix_rate, 16), &requeue);
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
    size_t first = 0;
    while (first < samples.size() / 2 && FrameAt(samples, first) == qtest::kNoFrame) ++first;
    ASSERT_GE(samples.size() / 2, first + kFrames * requeue.passes);
    for (uint32_t i = 0; i < kFrames * uint32_t(requeue.passes); ++i)
        ASSERT_EQ(FrameAt(samples, first + i), i % kFrames) << "frame " << i;
    EXPECT_EQ(FrameAt(samples, first + kFrames * requeue.passes), qtest::kNoFrame);
}

} // namespace
