// Both audio back ends over the null output pumped by hand: what they play is
// read back sample by sample. Each scenario runs on the GxAudio (float gain)
// and on the GxSound (hundredths of a decibel) back end.
#include "base/GxStringUtil.h"
#include "media/sound/GxAudioPlayerStream.h"
#include "media/sound/GxSoundLoaderWav.h"
#include "media/sound/GxSoundPlayerStream.h"
#include "sound_fixture.h"
#include "support/LogCapture.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <thread>

namespace {

using soundtest::SoundTest;

// A back end seen through linear gains.
struct BackEnd {
    const char* name;
    bool (*initialize)();
    void (*shutdown)();
    bool (*playStream)(u32 channel, GxStringView file, s32 loop, u32 startMs, u32 fadeInMs, double gain,
                       u32 loopStartMs);
    bool (*playBgm)(GxStringView file, s32 loop, u32 fadeInMs, double gain);
    bool (*stopStream)(u32 channel);
    bool (*fadeOutStream)(u32 channel, u32 ms);
    bool (*fadeOutBgm)(u32 ms);
    bool (*setStreamVolume)(u32 channel, double gain);
    bool (*isStreamPlaying)(u32 channel);
    bool (*playOneShot)(u32* serial, GxStringView file, double gain);
    bool (*stopAllOneShots)();
    bool (*update)();
    u32 (*oneShotCount)();
    // The gain heard a fraction t into a fade from silence to full level.
    double (*fadeInGain)(double t);
    // The gain heard a fraction t into a fade from full level to silence.
    double (*fadeOutGain)(double t);
};

s32 Hundredths(double gain) { return gain <= 0.0 ? -10000 : s32(std::lround(2000.0 * std::log10(gain))); }
double FromHundredths(s32 v) { return v <= -10000 ? 0.0 : std::pow(10.0, v / 2000.0); }

const BackEnd kAudio{
    "GxAudio",
    [] { return GxAudio::Initialize(false); },
    [] { GxAudio::Shutdown(); },
    [](u32 ch, GxStringView f, s32 loop, u32 start, u32 fade, double g, u32 loopStart) {
        return GxAudio::PlayStream(ch, f, loop, start, fade, float(g), 0, loopStart);
    },
    [](GxStringView f, s32 loop, u32 fade, double g) { return GxAudio::PlayBGM(f, loop, 0, fade, float(g), 0, 0); },
    GxAudio::StopStream,
    GxAudio::FadeOutStream,
    GxAudio::FadeOutBGM,
    [](u32 ch, double g) { return GxAudio::SetStreamVolume(ch, float(g)); },
    GxAudio::IsStreamPlaying,
    [](u32* serial, GxStringView f, double g) { return GxAudio::PlayOneShot(serial, f, 0, 0, 0, float(g), 0); },
    GxAudio::StopAllOneShots,
    GxAudio::Update,
    GxAudio::GetOneShotCount,
    [](double t) { return t; },
    [](double t) { return 1.0 - t; },
};

const BackEnd kSound{
    "GxSound",
    [] { return GxSound::Initialize(1, false); },
    [] { GxSound::Shutdown(); },
    [](u32 ch, GxStringView f, s32 loop, u32 start, u32 fade, double g, u32 loopStart) {
        return GxSound::PlayStream(ch, f, loop, start, fade, Hundredths(g), 0, loopStart);
    },
    [](GxStringView f, s32 loop, u32 fade, double g) { return GxSound::PlayBGM(f, loop, 0, fade, Hundredths(g), 0, 0); },
    GxSound::StopStream,
    GxSound::FadeOutStream,
    GxSound::FadeOutBGM,
    [](u32 ch, double g) { return GxSound::SetStreamVolume(ch, Hundredths(g)); },
    GxSound::IsStreamPlaying,
    [](u32* serial, GxStringView f, double g) { return GxSound::PlayOneShot(serial, f, 0, 0, 0, Hundredths(g), 0); },
    GxSound::StopAllOneShots,
    GxSound::Update,
    GxSound::GetOneShotCount,
    // Fades run linearly in hundredths of a decibel from and to -6400.
    [](double t) { return FromHundredths(s32(-6400 + 6400 * t)); },
    [](double t) { return FromHundredths(s32(-6400 * t)); },
};

class BackEndTest : public SoundTest, public testing::WithParamInterface<const BackEnd*> {
protected:
    void SetUp() override {
        SoundTest::SetUp();
        ASSERT_TRUE(B().initialize());
    }
    const BackEnd& B() const { return *GetParam(); }
    // Pumps and runs the service pass, as the frame loop does.
    std::vector<float> Play(u32 frames) {
        std::vector<float> out = Pump(frames);
        B().update();
        return out;
    }
};

// What a stream with these loop settings should play, frame by frame, with
// kNoFrame once it has ended.
std::vector<u32> ExpectedFrames(u32 length, s32 loop, u32 start, u32 loopStart, u32 count) {
    std::vector<u32> frames;
    u32 pos = start;
    bool ended = false;
    while (frames.size() < count) {
        frames.push_back(ended ? qtest::kNoFrame : pos);
        if (ended || ++pos < length) continue;
        if (loop == 0) {
            ended = true;
        } else {
            pos = loopStart;
            if (loop > 0) --loop;
        }
    }
    return frames;
}

// Streams and one-shots give their samples back bit for bit at full level,
// loop without a gap or a repeated frame (also over loops much shorter than
// the streaming buffers), start where asked, and end when the loops are done.
TEST_P(BackEndTest, StreamsPlayEveryFrameInOrder) {
    struct Case {
        const char* name;
        u32 length;  // frames at 48 kHz
        s32 loop;
        u32 startMs, loopStartMs;
        u32 pump;
    };
    const Case cases[] = {
        {"whole piece, longer than the buffers", 5 * 48000, 0, 0, 0, 5 * 48000 + 24000},
        {"endless loop from 300 ms", 48000, -1, 0, 300, 4 * 48000},
        {"loop of 100 ms", 24000, -1, 0, 400, 3 * 48000},
        {"two more times", 12000, 2, 0, 0, 48000},
        {"start at 1 s, once more", 72000, 1, 1000, 0, 3 * 48000},
        {"start inside the loop", 30000, 3, 500, 100, 2 * 48000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PutWav("piece.wav", qtest::CountingPcm16(c.length, 2));
        ASSERT_TRUE(B().playStream(5, u"piece.wav", c.loop, c.startMs, 0, 1.0, c.loopStartMs));
        const std::vector<u32> expected =
            ExpectedFrames(c.length, c.loop, c.startMs * 48, c.loopStartMs * 48, c.pump);
        std::vector<float> out;
        for (u32 done = 0; done < c.pump; done += 4800) {
            const std::vector<float> part = Play(std::min<u32>(4800, c.pump - done));
            out.insert(out.end(), part.begin(), part.end());
        }
        u32 wrong = 0;
        for (u32 f = 0; f < c.pump && wrong < 5; ++f) {
            if (FrameAt(out, f) != expected[f]) {
                ADD_FAILURE() << "frame " << f << ": " << FrameAt(out, f) << " instead of " << expected[f];
                ++wrong;
            }
        }
        const bool endless = c.loop < 0;
        EXPECT_EQ(B().isStreamPlaying(5), endless);
        B().stopStream(5);
        EXPECT_FALSE(B().isStreamPlaying(5));
        Pump(480);
    }
}

TEST_P(BackEndTest, OneShotsPlayWholeAndGoAway) {
    PutWav("click.wav", qtest::CountingPcm16(4000, 2));
    u32 serial = 0;
    ASSERT_TRUE(B().playOneShot(&serial, u"click.wav", 1.0));
    EXPECT_GT(serial, 0u);
    EXPECT_EQ(B().oneShotCount(), 1u);
    const std::vector<float> out = Play(4800);
    for (u32 f = 0; f < 4000; ++f) ASSERT_EQ(FrameAt(out, f), f);
    for (u32 f = 4000; f < 4800; ++f) ASSERT_EQ(FrameAt(out, f), qtest::kNoFrame);
    EXPECT_EQ(B().oneShotCount(), 0u) << "deleted by the service pass once ended";

    // Sixteen at most; the same file not twice within 4 ms.
    for (int i = 0; i < 17; ++i) PutWav("s" + std::to_string(i) + ".wav", qtest::CountingPcm16(48000, 2));
    for (int i = 0; i < 16; ++i) ASSERT_TRUE(B().playOneShot(nullptr, GxFromUtf8("s" + std::to_string(i) + ".wav"), 1.0));
    EXPECT_FALSE(B().playOneShot(nullptr, u"s16.wav", 1.0)) << "the seventeenth";
    EXPECT_TRUE(B().stopAllOneShots());
    EXPECT_EQ(B().oneShotCount(), 0u);
    AdvanceMs(3);
    EXPECT_FALSE(B().playOneShot(nullptr, u"S0.WAV", 1.0)) << "3 ms after the last start of that file";
    AdvanceMs(1);
    EXPECT_TRUE(B().playOneShot(nullptr, u"s0.wav", 1.0)) << "4 ms after";
    Pump(480);
}

// PlayBGM cross-fades over channels 0 and 1: the old piece fades out over the
// new piece's fade-in time. The two pieces sound on different sides, so each
// side's level is one piece's gain.
TEST_P(BackEndTest, MusicCrossFade) {
    PutWav("left.wav", qtest::ConstantPcm16(48000, 16384, 0));
    PutWav("right.wav", qtest::ConstantPcm16(48000, 0, 16384));
    auto levels = [&] {
        const std::vector<float> out = Play(960);  // past the few milliseconds a gain change takes
        return std::pair{out[959 * 2] / 0.5, out[959 * 2 + 1] / 0.5};
    };
    ASSERT_TRUE(B().playBgm(u"left.wav", -1, 0, 1.0));
    EXPECT_TRUE(B().isStreamPlaying(0));
    EXPECT_FALSE(B().isStreamPlaying(1));
    Play(4800);
    ASSERT_TRUE(B().playBgm(u"right.wav", -1, 1000, 1.0));
    EXPECT_TRUE(B().isStreamPlaying(1));
    for (u32 ms : {0u, 250u, 500u, 750u}) {
        SCOPED_TRACE(ms);
        const auto [left, right] = levels();
        EXPECT_NEAR(left, B().fadeOutGain(ms / 1000.0), 1e-4);
        EXPECT_NEAR(right, B().fadeInGain(ms / 1000.0), 1e-4);
        AdvanceMs(250);
        B().update();
    }
    auto [left, right] = levels();
    EXPECT_EQ(left, 0.0);
    EXPECT_NEAR(right, 1.0, 1e-6);
    EXPECT_FALSE(B().isStreamPlaying(0)) << "a fade-out stops its channel at the end";
    // Channel 1 plays alone: the next piece fades it out and starts on 0.
    ASSERT_TRUE(B().playBgm(u"left.wav", -1, 500, 1.0));
    EXPECT_TRUE(B().isStreamPlaying(0));
    AdvanceMs(500);
    B().update();
    std::tie(left, right) = levels();
    EXPECT_NEAR(left, 1.0, 1e-6);
    EXPECT_FALSE(B().isStreamPlaying(1));
    // Both playing: channel 1 fades out, channel 0 restarts with the new piece.
    ASSERT_TRUE(B().playBgm(u"right.wav", -1, 0, 1.0));
    ASSERT_TRUE(B().playBgm(u"left.wav", -1, 0, 0.5));
    EXPECT_TRUE(B().isStreamPlaying(0));
    EXPECT_TRUE(B().fadeOutBgm(0));
    EXPECT_FALSE(B().isStreamPlaying(0));
    EXPECT_FALSE(B().isStreamPlaying(1));
}

// Fades: a fade-out of 0 stops at once; a volume set during a fade-in moves
// only where the fade ends; a fade-out reaches silence on time and stops.
TEST_P(BackEndTest, FadesAndVolumes) {
    PutWav("tone.wav", qtest::ConstantPcm16(48000, 16384, 16384));
    auto level = [&] { return Play(960)[959 * 2] / 0.5; };
    ASSERT_TRUE(B().playStream(3, u"tone.wav", -1, 0, 0, 1.0, 0));
    EXPECT_TRUE(B().fadeOutStream(3, 0));
    EXPECT_FALSE(B().isStreamPlaying(3));

    ASSERT_TRUE(B().playStream(3, u"tone.wav", -1, 0, 1000, 1.0, 0));
    EXPECT_NEAR(level(), B().fadeInGain(0.0), 1e-6);
    AdvanceMs(500);
    EXPECT_TRUE(B().setStreamVolume(3, 0.5));
    B().update();
    const double halfWay = B().fadeInGain(0.5);  // the fade's own value half way, toward a lower end
    const double expected = B().name[2] == 'A' ? 0.25 : FromHundredths(s32(-6400 + (Hundredths(0.5) + 6400) * 0.5));
    EXPECT_NEAR(level(), expected, 1e-4);
    EXPECT_NE(expected, halfWay);
    AdvanceMs(500);
    B().update();
    EXPECT_NEAR(level(), 0.5, 1e-3);

    EXPECT_TRUE(B().fadeOutStream(3, 1000));
    AdvanceMs(999);
    B().update();
    EXPECT_TRUE(B().isStreamPlaying(3));
    AdvanceMs(1);
    B().update();
    EXPECT_FALSE(B().isStreamPlaying(3));
    Pump(480);
    EXPECT_EQ(level(), 0.0);
}

// Refusals: channels past 31, missing files, start positions past the end.
TEST_P(BackEndTest, Refusals) {
    PutWav("short.wav", qtest::CountingPcm16(4800, 2));
    qtest::LogCapture log;
    EXPECT_FALSE(B().playStream(32, u"short.wav", 0, 0, 0, 1.0, 0));
    EXPECT_FALSE(B().isStreamPlaying(32));
    EXPECT_FALSE(B().setStreamVolume(40, 1.0));
    EXPECT_FALSE(B().stopStream(32));
    EXPECT_FALSE(B().fadeOutStream(32, 10));
    EXPECT_FALSE(B().playStream(1, u"none.wav", 0, 0, 0, 1.0, 0));
    EXPECT_TRUE(log.Contains("PlayFromFile ローダー作成に失敗(none.wav)")) << log.Text();
    EXPECT_FALSE(B().playStream(1, u"short.wav", 0, 100, 0, 1.0, 0)) << "starts at its length";
    EXPECT_TRUE(log.Contains("PlayFromFile シーク不可能な位置が指定されました(short.wav)")) << log.Text();
    EXPECT_FALSE(B().isStreamPlaying(1));
    EXPECT_FALSE(B().playOneShot(nullptr, u"none.wav", 1.0));
    EXPECT_TRUE(B().fadeOutBgm(100)) << "nothing playing: nothing to fade";
    B().shutdown();
    EXPECT_FALSE(B().playStream(1, u"short.wav", 0, 0, 0, 1.0, 0));
    EXPECT_FALSE(B().update());
    EXPECT_FALSE(B().fadeOutBgm(100));
}

// Files from sox and oggenc of widths and channel counts beyond 16-bit
// stereo play, more than two channels mixed down by speaker: a tone of 0.5
// in one speaker is heard at that speaker's share in each side.
TEST_P(BackEndTest, WideSamplesAndSurroundPlay) {
    const std::string tone = "synth 0.5 sine 480 vol 0.5";
    const std::string six = "sox -r 48000 -c 1 -n -b 16 -t wavpcm ";
    ASSERT_TRUE(Run("sox -r 48000 -c 2 -n -b 24 -t wavpcm wide24.wav " + tone));
    ASSERT_TRUE(Run("sox -r 48000 -c 2 -n -b 32 -e signed-integer -t wavpcm wide32.wav " + tone));
    ASSERT_TRUE(Run(six + "centre.wav " + tone + " remix 0 0 1 0 0 0"));
    ASSERT_TRUE(Run(six + "back.wav " + tone + " remix 0 0 0 0 1 0"));
    ASSERT_TRUE(Run("oggenc -Q -q 4 -o centre.ogg centre.wav && oggenc -Q -q 4 -o back.ogg back.wav"));
    const double third = 0.5 * 0.70710678;
    struct Case {
        const char16_t* file;
        double left, right;
    };
    const Case cases[] = {
        {u"wide24.wav", 0.5, 0.5}, {u"wide32.wav", 0.5, 0.5},   {u"centre.wav", third, third},
        {u"centre.ogg", third, third}, {u"back.ogg", third, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(GxToUtf8(c.file));
        ASSERT_TRUE(B().playStream(0, c.file, 0, 0, 0, 1.0, 0));
        const std::vector<float> out = Play(14400);
        double left = 0, right = 0;
        for (size_t f = 4800; f < 14400; ++f) {
            left = std::max(left, double(std::fabs(out[f * 2])));
            right = std::max(right, double(std::fabs(out[f * 2 + 1])));
        }
        EXPECT_NEAR(left, c.left, 0.02);
        EXPECT_NEAR(right, c.right, 0.02);
        B().stopStream(0);
    }
}

INSTANTIATE_TEST_SUITE_P(BothStyles, BackEndTest, testing::Values(&kAudio, &kSound),
                         [](const testing::TestParamInfo<const BackEnd*>& p) { return std::string(p.param->name); });

using StreamBuffer = SoundTest;

// The streaming buffers' sizes, and a volume already set not sent again.
TEST_F(StreamBuffer, StreamingBuffers) {
    PutWav("cd.wav", qtest::CountingPcm16(66150, 2), {.rate = 44100});
    ASSERT_TRUE(GxAudio::Initialize(false));
    ASSERT_TRUE(GxSound::Initialize(1, false));
    ASSERT_TRUE(GxAudio::PlayStream(0, u"cd.wav", 0, 0, 0, 1.0f, 0, 0));
    EXPECT_EQ(GxAudio::GetStreamPlayer(0)->GetStreamBuffer().GetBufferSize(), 88200u);
    ASSERT_TRUE(GxSound::PlayStream(0, u"cd.wav", 0, 0, 0, 0, 0, 0));
    GxSoundBufferStream& ds = GxSound::GetStreamPlayer(0)->GetStreamBuffer();
    EXPECT_EQ(ds.GetSegmentSize(), 44100u);
    EXPECT_EQ(ds.GetBufferSize(), 16u * 44100);
    const u32 calls = ds.GetVolumeCalls();
    EXPECT_TRUE(GxSound::SetStreamVolume(0, 0));
    EXPECT_EQ(ds.GetVolumeCalls(), calls);
    EXPECT_TRUE(GxSound::SetStreamVolume(0, -100));
    EXPECT_EQ(ds.GetVolumeCalls(), calls + 1);
    // A value the buffer refuses is not taken as set: asked again, it is
    // refused again, and the volume set before stays.
    for (int again = 0; again < 2; ++again) {
        EXPECT_FALSE(GxSound::SetStreamVolume(0, 100)) << again;
        EXPECT_FALSE(ds.SetPan(20000)) << again;
    }
    EXPECT_EQ(ds.GetVolume(), -100);
    EXPECT_TRUE(GxSound::SetStreamVolume(0, -100)) << "still the volume applied";
    // Both back ends mix into the one output.
    const std::vector<float> out = Pump(2);
    EXPECT_EQ(S16(out[0]), 2 * 1);
    Pump(480);
    // 3-D is for mono sounds: a stereo one plays without it.
    PutWav("mono.wav", qtest::CountingPcm16(4800, 1), {.channels = 1});
    GxSoundPlayerStream positioned;
    for (const auto& [file, with3D] : {std::pair{u"cd.wav", false}, std::pair{u"mono.wav", true}}) {
        ASSERT_TRUE(positioned.PlayFromFile3D(file, 0, 0, 0, 0, 0, 0, 0, true, GxVector3(10, 0, 0), GxVector3(0, 0, 1)));
        EXPECT_EQ(positioned.CanSetConeAngles(), with3D);
    }
    positioned.Stop();
}

// A stream buffer played again reads from where its play starts, not from
// where its last read ended.
TEST_F(StreamBuffer, StreamBufferPlaysAgainFromItsStart) {
    PutWav("piece.wav", qtest::CountingPcm16(30000, 2));
    ASSERT_TRUE(GxAudio::Initialize(false));
    GxSoundLoaderWav loader;
    ASSERT_TRUE(loader.Open(u"piece.wav"));
    GxAudioBufferStream buffer;
    ASSERT_TRUE(buffer.Create(&loader));
    ASSERT_TRUE(buffer.Start(0, 0, 0, 0, 1.0f, 0));
    std::vector<float> out = Pump(36000);
    EXPECT_EQ(FrameAt(out, 29999), 29999u);
    EXPECT_FALSE(buffer.IsPlaying());
    ASSERT_TRUE(buffer.Play(0, 0, 10000, 0));
    out = Pump(20000);
    for (u32 f = 0; f < 20000; ++f) ASSERT_EQ(FrameAt(out, f), 10000 + f);
    buffer.Reset();
}

// Streams started and stopped over and over on both back ends while an
// output thread renders the mixer: every refill thread is joined before what
// it reads goes (run under the sanitizers, a use after free fails this).
using Stress = SoundTest;

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
