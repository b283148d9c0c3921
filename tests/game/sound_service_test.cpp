// The game sound service on each audio back end over the null output pumped
// by hand: which channel each call plays on, at which volume (read from the
// player and heard in the output), what the game state remembers of it, the
// system sounds and voices, and the stops.
#include "GameFixture.h"

#include "game/GxGameSound.h"
#include "game/GxGameLayerServices.h"
#include "game/GxGameUserDataHost.h"
#include "gamedata/DBSystemVoice.h"
#include "media/movie/GxMovie.h"
#include "media/movie/GxMoviePlayerBase.h"
#include "media/sound/GxAudioPlayerStream.h"
#include "media/sound/GxSoundPlayerStream.h"
#include "support/LogCapture.h"
#include "tools/builders/SoundFiles.h"

#include <cmath>
#include <functional>
#include <set>

namespace {

using gametest::GameTest;
namespace fs = std::filesystem;

class GameSound : public GameTest, public testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        GameTest::SetUp();
        StartAudio();
        core_.m_Config->m_UseXAudio2 = XAudio2();
        // Half of full scale on both sides, a second long.
        WriteWav("tone.wav", 48000, 16384);
        WriteWav("short.wav", 4800, 16384);
    }
    bool XAudio2() const { return GetParam(); }
    std::set<u32> PlayingChannels() {
        std::set<u32> on;
        for (u32 c = 0; c < kChannels; ++c)
            if (Playing(c)) on.insert(c);
        return on;
    }
    // The channel's volume as a linear gain.
    double Gain(u32 channel) {
        if (XAudio2()) return GxAudio::GetStreamPlayer(channel)->GetVolume();
        return FromHundredths(GxSound::GetStreamPlayer(channel)->GetVolume());
    }
    static double FromHundredths(s32 v) { return v <= -10000 ? 0.0 : std::pow(10.0, v / 2000.0); }
    // The left level heard after a few milliseconds, as a gain of the tone.
    double Heard() {
        std::vector<float> out(960 * 2);
        paudio::output_device::instance().pump(960, out.data());
        Service();
        return out[959 * 2] / 0.5;
    }
    u32 OneShots() { return XAudio2() ? GxAudio::GetOneShotCount() : GxSound::GetOneShotCount(); }
    void SetUpSystemVoices() {
        settings_->m_UseSystemVoice = true;
        settings_->m_SystemVoice_Activated[2] = true;
        DBSystemVoiceRecord* r = g_DBSystemVoice.GetRecord(2);
        r->VoicePath = u"voice/sys";
        r->VoiceFileName[4] = u"hello";
        r->VoiceFileName[6] = u"gone";
        WriteWav("voice/sys/hello.wav", 48000, 16384);
    }
};

// Each call plays on its channel alone, at the user's volume in its back
// end's form, on the player and as heard; the apply calls bring a changed
// setting onto what plays.
TEST_P(GameSound, EachCallPlaysOnItsChannelAtItsVolume) {
    SetUpSystemVoices();
    struct Case {
        const char* call;
        u32 channel;
        std::function<void()> play;
        double gain;       // GxAudio
        s32 attenuation;   // GxSound
        std::function<void()> apply;
    };
    const Case cases[] = {
        {"bgm", 0, [] { GxPlayBgm(u"tone.wav", 0, 0, 0, 0, false); }, 0.4, -1536, GxApplyBgmVolume},
        {"bgv", 2, [] { GxPlayBgv(u"tone.wav", 0, 0, 0, 0); }, 0.4, -1536, [] { GxApplyBgvVolume(false); }},
        {"se", 4, [] { GxPlaySe(0, u"tone.wav", 0, 0, 0, 0); }, 0.48, -1248, GxApplySeVolume},
        {"se test", 8, [] { GxPlaySeTest(u"tone.wav"); }, 0.48, -1248, GxApplySeVolume},
        {"voice", 10, [] { GxPlayVoice(0, u"tone.wav", 3); }, 0.288, -2112, GxApplyVoiceVolume},
        {"voice test", 14, [] { GxPlayVoiceTest(u"tone.wav", 5); }, 0.288, -2112, GxApplyVoiceVolume},
        {"system voice", 15, [] { GxPlaySystemVoice(4); }, 0.56, -960, GxApplySystemVoiceVolume},
        {"system voice test", 16, [] { GxPlaySystemVoiceTest(u"tone.wav"); }, 0.56, -960, GxApplySystemVoiceVolume},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.call);
        StopEverything();
        SetVolumes();
        c.play();
        ASSERT_EQ(PlayingChannels(), std::set<u32>{c.channel});
        const double expected = XAudio2() ? c.gain : FromHundredths(c.attenuation);
        EXPECT_NEAR(Gain(c.channel), expected, 1e-6);
        EXPECT_NEAR(Heard(), expected, 1e-4);
        // A changed master volume reaches the channel as a new play would set it.
        settings_->m_Volume_Master = 30;
        c.apply();
        const double applied = Gain(c.channel);
        EXPECT_LT(applied, expected);
        StopEverything();
        c.play();
        EXPECT_NEAR(Gain(c.channel), applied, 1e-6);
    }
    // The music's next piece starts on the other channel of the pair.
    StopEverything();
    ASSERT_TRUE(GxPlayBgm(u"tone.wav", 0, 0, 0, 0, false));
    ASSERT_TRUE(GxPlayBgm(u"short.wav", 0, 0, 500, 0, false));
    EXPECT_EQ(PlayingChannels(), (std::set<u32>{0, 1}));
    // The background voice muted, and its curve at half volume on GxSound.
    StopEverything();
    settings_->m_Volume_Master = 100;
    settings_->m_Volume_BGV = 50;
    GxPlayBgv(u"tone.wav", 0, 0, 0, 0);
    EXPECT_NEAR(Gain(2), XAudio2() ? 0.5 : FromHundredths(-1152), 1e-6);
    GxApplyBgvVolume(true);
    EXPECT_NEAR(Gain(2), XAudio2() ? 0.0 : FromHundredths(-9600), 1e-6);
    // An extra voice channel takes its entry's slot volume.
    StopEverything();
    SetVolumes();
    ASSERT_TRUE(XAudio2() ? GxAudio::PlayStream(20, u"tone.wav", 0, 0, 0, 1.0f, 0, 0)
                          : GxSound::PlayStream(20, u"tone.wav", 0, 0, 0, 0, 0, 0));
    GxGetSubVoiceEntry(3)->m_VoiceVolumeID = 5;
    GxApplySubVoiceVolume();
    EXPECT_NEAR(Gain(20), XAudio2() ? 0.288 : FromHundredths(-2112), 1e-6);
}

// What the game state remembers: plays record before the back end is asked,
// stops clear, the loop value is handed on less one, and the calls that take
// a record number refuse any other number.
TEST_P(GameSound, RecordsLoopsAndRefusedNumbers) {
    ASSERT_TRUE(GxPlaySe(1, u"short.wav", 1, 20, 0, 30));
    ASSERT_TRUE(GxPlaySe(2, u"short.wav", 0, 0, 0, 0));
    const GxSoundParam& se = data_->m_SEParam[1];
    EXPECT_EQ(se.m_FileName, u"short.wav");
    EXPECT_EQ(se.m_Loop, 1);
    EXPECT_EQ(se.m_StartSeekPosTime, 20u);
    EXPECT_EQ(se.m_LoopPosTime, 30u);
    for (int i = 0; i < 10; ++i) {
        Heard();
        Advance(20);
    }
    EXPECT_FALSE(Playing(5)) << "loop value 1 plays once";
    EXPECT_TRUE(Playing(6)) << "loop value 0 repeats";
    EXPECT_TRUE(GxIsSePlaying());
    GxStopSe(2, 0);
    EXPECT_TRUE(data_->m_SEParam[2].m_FileName.empty());
    EXPECT_FALSE(GxIsSePlaying());

    // A file that is not there is still recorded, and the refusal passed on.
    EXPECT_FALSE(GxPlayBgv(u"missing.wav", 0, 0, 0, 0));
    EXPECT_EQ(data_->m_BGVParam.m_FileName, u"missing.wav");
    // The music's same-name check holds even after the music ended.
    ASSERT_TRUE(GxPlayBgm(u"short.wav", 1, 0, 0, 0, false));
    XAudio2() ? GxAudio::StopStream(0) : GxSound::StopStream(0);
    EXPECT_TRUE(GxPlayBgm(u"short.wav", 1, 0, 0, 0, true));
    EXPECT_FALSE(GxIsBgmPlaying());
    GxStopBgm(0);
    EXPECT_TRUE(data_->m_BGMParam.m_FileName.empty());

    ASSERT_TRUE(GxPlayVoice(2, u"tone.wav", 3));
    EXPECT_EQ(data_->m_VoiceParam[2].m_Loop, 1);
    EXPECT_EQ(data_->m_VoiceParam[2].m_CharID, 3);
    GxFadeOutVoices(0);
    EXPECT_EQ(data_->m_VoiceParam[2].m_FileName, u"tone.wav") << "a fade keeps the records";
    EXPECT_TRUE(GxReplayCurrentVoice(2));
    EXPECT_TRUE(Playing(12));
    EXPECT_FALSE(GxReplayCurrentVoice(1)) << "an empty record";
    GxStopAllVoices();
    EXPECT_TRUE(data_->m_VoiceParam[2].m_FileName.empty());

    // Numbers outside the four records play nothing and touch no record
    // (record 4 would be the first voice's memory).
    data_->m_VoiceParam[0].m_FileName = u"kept";
    StopEverything();
    EXPECT_FALSE(GxPlaySe(4, u"tone.wav", 0, 0, 0, 0));
    EXPECT_FALSE(GxPlaySe(-1, u"tone.wav", 0, 0, 0, 0));
    EXPECT_FALSE(GxPlayVoice(4, u"tone.wav", 3));
    EXPECT_FALSE(GxStopVoice(-1, 0));
    EXPECT_FALSE(GxReplayCurrentVoice(9));
    EXPECT_EQ(data_->m_VoiceParam[0].m_FileName, u"kept");
    EXPECT_TRUE(PlayingChannels().empty());
    // A fade-in time below 0 is heard at once rather than after days.
    ASSERT_TRUE(GxPlayBgv(u"tone.wav", 0, 0, -1, 0));
    EXPECT_NEAR(Heard(), 1.0, 1e-4);
}

// Interface sounds and system voices.
TEST_P(GameSound, SystemSoundsAndVoices) {
    SetUpSystemVoices();
    WriteWav("sounds/sys/push.wav", 4800, 16384);
    qtest::LogCapture log;
    // Sound 0 fades the system voice out over 200 ms and plays "push.wav".
    GxPlaySystemVoice(4);
    ASSERT_TRUE(Playing(15));
    EXPECT_TRUE(GxPlaySystemSound(0, 0));
    EXPECT_EQ(OneShots(), 1u);
    Advance(150);
    EXPECT_TRUE(Playing(15));
    Advance(100);
    EXPECT_FALSE(Playing(15));
    // -1 plays the voice alone; a number beyond the configured sounds nothing.
    StopEverything();
    EXPECT_TRUE(GxPlaySystemSound(-1, 4));
    EXPECT_TRUE(Playing(15));
    EXPECT_EQ(OneShots(), 0u);
    StopEverything();
    EXPECT_FALSE(GxPlaySystemSound(16, 0));
    EXPECT_FALSE(GxPlaySystemSound(-7, 0));
    EXPECT_EQ(OneShots(), 0u);

    struct Case {
        const char* what;
        s32 id;
        bool use, activated;
        bool plays;
    };
    const Case cases[] = {
        {"activated", 4, true, true, true},     {"switched off", 4, false, true, false},
        {"not activated", 4, true, false, false}, {"no file name", 5, true, true, false},
        {"id 24", 24, true, true, false},        {"negative", -4, true, true, false},
        {"id 0", 0, true, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        StopEverything();
        settings_->m_UseSystemVoice = c.use;
        settings_->m_SystemVoice_Activated[2] = c.activated;
        GxPlaySystemVoice(c.id);
        EXPECT_EQ(Playing(15), c.plays);
    }
    settings_->m_UseSystemVoice = settings_->m_SystemVoice_Activated[2] = true;
    GxPlaySystemVoice(6);
    EXPECT_FALSE(log.Contains("システムボイスが見つかりません"));
    core_.m_Config->m_ErrorStopNotFound_VO = true;
    GxPlaySystemVoice(6);
    EXPECT_TRUE(log.Contains("システムボイスが見つかりません SystemVoiceID=6 (voice/sys/gone)\n")) << log.Text();
}

// The stops of many channels, and the host the game state stops and
// restarts sounds through.
TEST_P(GameSound, StopsOfManyChannels) {
    auto play = [&](u32 channel) {
        return XAudio2() ? GxAudio::PlayStream(channel, u"tone.wav", -1, 0, 0, 1.0f, 0, 0)
                         : GxSound::PlayStream(channel, u"tone.wav", -1, 0, 0, 0, 0, 0);
    };
    for (u32 c = 17; c <= 25; ++c) ASSERT_TRUE(play(c));
    GxGetSubVoiceEntry(0)->m_FileName = u"x";
    GxStopAllSubVoices();
    EXPECT_EQ(PlayingChannels(), std::set<u32>{25});
    EXPECT_TRUE(GxGetSubVoiceEntry(0)->m_FileName.empty());
    for (u32 c : {3u, 8u, 14u, 16u}) ASSERT_TRUE(play(c));
    ASSERT_TRUE(GxPlayVoiceTest(u"tone.wav", 7));
    EXPECT_EQ(GxGetTestVoiceRecord().m_VoiceVolumeID, 7);
    EXPECT_TRUE(GxIsBgvPlaying()) << "channel 3 counts with the background voice";
    EXPECT_TRUE(GxIsVoicePlaying()) << "the voice test counts";
    GxStopTestSounds();
    EXPECT_TRUE(PlayingChannels().empty());
    EXPECT_EQ(GxGetTestVoiceRecord().m_VoiceVolumeID, -1);

    GxGameUserDataHost host;
    for (bool stopBgm : {false, true}) {
        SCOPED_TRACE(stopBgm);
        GxPlayBgm(u"tone.wav", 0, 0, 0, 0, false);
        GxPlayBgv(u"tone.wav", 0, 0, 0, 0);
        GxPlaySe(3, u"tone.wav", 0, 0, 0, 0);
        GxPlayVoice(1, u"tone.wav", 0);
        ASSERT_TRUE(play(18));
        host.StopChannels(stopBgm);
        EXPECT_EQ(PlayingChannels(), stopBgm ? std::set<u32>{} : std::set<u32>{0});
        EXPECT_EQ(data_->m_BGMParam.m_FileName.empty(), stopBgm);
        EXPECT_TRUE(data_->m_BGVParam.m_FileName.empty());
        EXPECT_TRUE(data_->m_SEParam[3].m_FileName.empty());
        EXPECT_TRUE(data_->m_VoiceParam[1].m_FileName.empty());
    }
    // A restored record starts again and is recorded again.
    GxSoundParam record;
    record.m_FileName = u"tone.wav";
    record.m_Loop = 0;
    host.PlaySe(2, record, 0);
    EXPECT_TRUE(Playing(6));
    EXPECT_EQ(data_->m_SEParam[2].m_FileName, u"tone.wav");
}

INSTANTIATE_TEST_SUITE_P(BackEnds, GameSound, testing::Values(true, false),
                         [](const testing::TestParamInfo<bool>& i) { return i.param ? "GxAudio" : "GxSound"; });

// A movie player that only keeps what it is told.
class FakeMoviePlayer : public GxMoviePlayerBase {
public:
    void Close() override {}
    bool Play(s32, s32 v) override { return playing = true, volume = v, true; }
    bool Stop() override { return playing = false, true; }
    void SetVolume(s32 v) override { volume = v; }
    void SetRate(f64) override {}
    void SetLoopStart(f64) override {}
    f64 GetLoopStart() override { return 0; }
    f64 GetStopTime() override { return 0; }
    f64 GetDuration() override { return 0; }
    f64 GetPosition() override { return 0; }
    s32 GetLoopCount() override { return 0; }
    void SetPosition(f64) override {}
    void GetTextureUV(f32& u, f32& v) override { u = v = 1; }
    s32 GetVideoWidth() override { return 0; }
    s32 GetVideoHeight() override { return 0; }
    s32 GetVideoPitch() override { return 0; }
    pmovie::result GetEvent(s32*, intptr_t*, intptr_t*, s32) override { return pmovie::e_abort; }
    void Update() override {}
    bool IsPlaying() override { return playing; }
    std::shared_ptr<prender::texture> GetD3DTexture() override { return nullptr; }
    GxTextureMovie* GetTexture() override { return nullptr; }
    bool playing = false;
    s32 volume = 1;
};

// The movie slots through the game's services: the user's movie volume onto
// the players that play, every player stopped for a new play.
TEST(GameMovies, SlotsTakeTheMovieVolumeAndStop) {
    GxUserConfig settings;
    settings.m_Volume_Movie = 50;
    GxUserConfig::Set(&settings);
    FakeMoviePlayer playing, stopped;
    GxMoviePlayerSlots[0] = &playing;
    GxMoviePlayerSlots[2] = &stopped;
    GxGameLayerServices layers;
    layers.PlayMovie(0, 0, -300);
    EXPECT_EQ(playing.volume, -300);
    GxApplyMovieVolume();
    EXPECT_EQ(playing.volume, GxUserConfig::ToAttenuation(50));
    EXPECT_EQ(stopped.volume, 1) << "a player that does not play keeps its volume";
    EXPECT_EQ(layers.GetMovieVolume(), GxUserConfig::ToAttenuation(50));
    EXPECT_EQ(layers.GetMoviePlayer(0), &playing);
    EXPECT_EQ(layers.GetMoviePlayer(4), nullptr);
    GxGameUserDataHost().StopAllMovies();
    EXPECT_FALSE(playing.IsPlaying());
    GxMoviePlayerSlots[0] = GxMoviePlayerSlots[2] = nullptr;
    GxUserConfig::Set(nullptr);
}

} // namespace
