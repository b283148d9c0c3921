// Streams started and stopped over and over on both back ends while an
// output thread renders the mixer: every refill thread is joined before what
// it reads goes (run under the sanitizers, a use after free fails this).
#include "sound_fixture.h"

#include <atomic>
#include <thread>

namespace {

using Stress = soundtest::SoundTest;

TEST_F(Stress, ThousandStreamsWhileTheOutputRuns) {
    PutWav("a.wav", qtest::CountingPcm16(14400, 2));
    PutWav("n.wav", qtest::NoisePcm16(22050, 1), {.channels = 1, .rate = 22050});
    ASSERT_TRUE(Run("oggenc -Q -q 0 -o b.ogg n.wav"));
    ASSERT_TRUE(GxAudio::Initialize(false));
    ASSERT_TRUE(GxSound::Initialize(1, false));
    std::atomic<bool> stop{false};
    std::thread output([&] {
        while (!stop) paudio::output_device::instance().pump(480);
    });
    int started = 0;
    for (int i = 0; i < 1000; ++i) {
        const u32 channel = u32(i % 6);
        const GxStringView file = (i / 2) % 2 ? GxStringView(u"a.wav") : GxStringView(u"b.ogg");
        const s32 loop = i % 3 == 0 ? -1 : i % 3 - 1;
        if (i % 2 == 0) {
            started += GxAudio::PlayStream(channel, file, loop, 0, 0, 1.0f, 0, 100);
            if (i % 7 == 0) GxAudio::StopStream((channel + 3) % 6);
            GxAudio::Update();
        } else {
            started += GxSound::PlayStream(channel, file, loop, 0, 0, 0, 0, 100);
            if (i % 7 == 0) GxSound::FadeOutStream((channel + 3) % 6, 0);
            GxSound::Update();
        }
        AdvanceMs(1);
    }
    stop = true;
    output.join();
    EXPECT_EQ(started, 1000);
}

} // namespace
