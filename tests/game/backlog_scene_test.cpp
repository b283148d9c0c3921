// The backlog over the played log: the newest page first, each line with its
// speaker and a voice button where it had a voice, the paging buttons and
// the wheel, a voice replayed, and the way back; its screen drawn.
#include "MainSceneFixture.h"
#include "SampleSceneFixture.h"

#include "game/scenes/SeqAvgLog.h"
#include "gamedata/GxUserData.h"
#include "media/sound/GxAudio.h"
#include "media/sound/GxAudioPlayerStream.h"
#include "graphics/text_fixture.h"
#include "ui/GxTaskUITextWindowFx.h"

namespace {

using maintest::MainSceneTest;

// Seven text lines; the third has a voice.
constexpr const char16_t* kStory =
    u"*start\n"
    u"tbg(\"cg/bg/room.png\")\n"
    u"> アキ「一行目。」\n"
    u"> 二行目。\n"
    u"tvoice(\"voices/v1.wav\")\n"
    u"> ユウ「三行目、声つき。」\n"
    u"> 四行目。\n"
    u"> アキ「五行目。」\n"
    u"> 六行目。\n"
    u"> ユウ「七行目。」\n";

class Backlog : public MainSceneTest {
protected:
    void SetUp() override {
        MainSceneTest::SetUp();
        settings_->m_TextWaitTime = 0;
    }
    // Plays the story to its last line.
    void PlayThrough() {
        Play(kStory);
        for (int i = 0; i < 7; ++i) {
            ASSERT_TRUE(FramesUntil([] { return Window()->IsClickWaiting(); }));
            if (i < 6) Click();
        }
    }
    void OpenLog() {
        Press(u"btn_log");
        Frames(2);
        ASSERT_EQ(CurrentScene(), u"SeqAvgLog") << log_.Text();
        Frames(30);
    }
    static SeqAvgLog* Log() { return static_cast<SeqAvgLog*>(Task(u"SeqAvgLog")); }
    static GxString Line(s32 i) {
        return static_cast<GxTaskUITextWindowFx*>(Log()->FindWidget(u"tip_logwindow", i))->GetText();
    }
    static bool VoiceButton(s32 i) { return Log()->FindWidget(u"btn_voiceplay", i)->IsVisible(); }
    void Paging(const GxChar* button) {
        PressIn(u"$UI:SeqAvgLog", button);
        Frame();
    }
};

TEST_F(Backlog, TheNewestPageWithSpeakersAndVoicesPagedWithinTheLog) {
    PlayThrough();
    OpenLog();
    if (gxtest::GoldenFontMismatch().empty()) {
        EXPECT_TRUE(gxtest::MatchesGolden("backlog", Draw(), 1024, 768, "game"));
    }
    EXPECT_EQ(Log()->GetTopLine(), 2);
    const char16_t* lines[] = {u"【ユウ】%r「三行目、声つき。」", u"四行目。", u"【アキ】%r「五行目。」", u"六行目。",
                               u"【ユウ】%r「七行目。」"};
    for (s32 i = 0; i < 5; ++i) {
        EXPECT_EQ(Line(i), lines[i]) << i;
        EXPECT_EQ(VoiceButton(i), i == 0) << i;
    }
    // The voice plays again on its channel; the play's current voices stay.
    const GxSoundParam before = data_->m_VoiceParam[0];
    ASSERT_TRUE(FramesUntil([] { return !GxIsVoicePlaying(); })) << "the story's voice ends on its own";
    PressIn(u"$UI:SeqAvgLog", u"btn_voiceplay", 0);
    Frame();
    EXPECT_TRUE(GxIsVoicePlaying());
    EXPECT_EQ(data_->m_VoiceParam[0].m_FileName, before.m_FileName);

    // The paging buttons and the wheel keep to the log.
    struct Step {
        const GxChar* button;  // null: the wheel by delta
        s32 delta;
        s32 top;
    } steps[] = {
        {u"btn_b", 0, 1}, {u"btn_bb", 0, 0}, {u"btn_b", 0, 0},    {u"btn_ff", 0, 2}, {u"btn_f", 0, 2},
        {nullptr, 240, 1}, {nullptr, 120, 0}, {nullptr, 120, 0}, {nullptr, -120, 1}, {u"btn_f", 0, 2},
    };
    for (const Step& s : steps) {
        if (s.button)
            Paging(s.button);
        else
            EXPECT_EQ(Tasks().OnMouseWheel(GxVector2(0.0f, 0.0f), s.delta, 0), 0) << "the wheel is never consumed";
        EXPECT_EQ(Log()->GetTopLine(), s.top) << (s.button ? GxToUtf8(s.button) : std::to_string(s.delta));
    }
    EXPECT_EQ(Line(0), u"【ユウ】%r「三行目、声つき。」");
    // Towards the player past the newest line: back to the play.
    Tasks().OnMouseWheel(GxVector2(0.0f, 0.0f), -120, 0);
    Frames(2);
    EXPECT_EQ(CurrentScene(), u"SeqAvgMain");
    Frames(30);
    EXPECT_EQ(Shown(), "「七行目。」") << "the play stands as it was";
    Click();
    Frame();
    EXPECT_FALSE(g_pMoaMainWorker()->IsRunning()) << "and goes on";
}

TEST_F(Backlog, AnEmptyLogShowsEmptyLinesAndTheRightButtonGoesBack) {
    Play(u"*start\ntwaitclick()\n");
    OpenLog();
    for (s32 i = 0; i < 5; ++i) {
        EXPECT_TRUE(Line(i).empty());
        EXPECT_FALSE(VoiceButton(i));
    }
    Paging(u"btn_ff");
    EXPECT_EQ(Log()->GetTopLine(), 0);
    Tasks().OnRButtonDown(GxVector2(0.0f, 0.0f), 0, false);
    Frames(2);
    EXPECT_EQ(CurrentScene(), u"SeqAvgMain");
}


// The sample's backlog as a player meets it: Aki's first line read and her
// voice heard to its end, then the backlog opened and her line's Voice
// clicked where it is drawn; clicked again while it plays, it starts again.
class SampleBacklog : public gametest::SampleScenes {};

TEST_F(SampleBacklog, VoiceReplaysTheLineWhetherItsVoiceEndedOrPlays) {
    Start(false);
    ASSERT_TRUE(RunUntil(u"SeqTitle"));
    Click(Widget(u"$UI:SeqTitle", u"btn_title_start"));
    ASSERT_TRUE(RunUntil(u"SeqAvgMain"));
    const std::deque<GxMessageLogElement>& log = GxUserData::Get()->m_MessageLog;
    const auto voiced = [&] { return !log.empty() && !log.back().m_VoiceFileName[0].empty(); };
    ReadUntil(voiced);
    for (int i = 0; i < 600 && GxIsVoicePlaying(); ++i) Pass();
    ASSERT_FALSE(GxIsVoicePlaying()) << "her voice ends on its own";
    Click(Widget(u"$MESWIN:SeqAvgMain", u"btn_log"));
    ASSERT_TRUE(RunUntil(u"SeqAvgLog"));
    Pass(30);
    GxTaskUIBase* voice = Widget(u"$UI:SeqAvgLog", u"btn_voiceplay", s32(log.size()) - 1);
    ASSERT_TRUE(voice && voice->IsVisible());
    const GxAudioBufferStream& channel = GxAudio::GetStreamPlayer(kGxChannelVoice0)->GetStreamBuffer();
    const u32 plays = channel.GetPlayCount();
    Click(voice);
    EXPECT_TRUE(GxIsVoicePlaying());
    EXPECT_EQ(channel.GetPlayCount(), plays + 1);
    Pass(10);
    Click(voice);
    EXPECT_TRUE(GxIsVoicePlaying());
    EXPECT_EQ(channel.GetPlayCount(), plays + 2);
    EXPECT_EQ(Worker().m_CurrentName, u"SeqAvgLog");
}

} // namespace
