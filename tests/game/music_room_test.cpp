// The music room over the test game: its screen, the pieces counted up to
// the table's first gap, previous and next by mouse and keys, a piece heard
// through the null output and stopped, a piece not restarted when chosen
// again, buttons without a piece refused, and the ways back by the right
// button, the pad and the back button.
#include "ExtrasFixture.h"

#include "game/scenes/SeqBGMMode.h"
#include "gamedata/GxUserData.h"

namespace {

using extrastest::ExtrasTest;

constexpr const char16_t* kUI = u"$UI:SeqBGMMode";
// A piece's level at the default BGM volume (80 of 100).
constexpr float kGain = 0.8f;

class MusicRoom : public ExtrasTest {
protected:
    void SetUp() override {
        ExtrasTest::SetUp();
        // The room is entered from another scene, so that it has one to go back to.
        Enter(u"SeqCGMode");
        Enter(u"SeqBGMMode");
    }
    SeqBGMMode* Room() { return Scene<SeqBGMMode>(u"SeqBGMMode"); }
    s32 Current() { return Room()->GetCurrentPiece(); }
    bool On(const GxChar* name, s32 index = 0) { return Widget(kUI, name, index)->GetValueBool(); }
};

TEST_F(MusicRoom, PiecesEndAtTheFirstRecordWithoutAFileAndTheTipFollowsThePlayingOne) {
    EXPECT_EQ(Room()->GetPieceCount(), 4);
    EXPECT_EQ(Current(), 0);
    EXPECT_TRUE(On(u"btn_bgmstop"));
    EXPECT_FALSE(Widget(kUI, u"tip_playing")->IsVisible());
    Click(kUI, u"btn_bgmselect", 4);
    EXPECT_EQ(Current(), 4);
    EXPECT_TRUE(On(u"btn_bgmselect", 4));
    EXPECT_TRUE(On(u"btn_bgmplay"));
    GxTaskUIBase* tip = Widget(kUI, u"tip_playing");
    GxVector4 at;
    tip->GetPos(&at);
    EXPECT_TRUE(tip->IsVisible());
    EXPECT_FLOAT_EQ(at.x, 120.0f - 37.0f);
    EXPECT_FLOAT_EQ(at.y, 80.0f + 40 * 4);
    Click(kUI, u"btn_bgmstop");
    EXPECT_FALSE(tip->IsVisible());
}

TEST_F(MusicRoom, PreviousAndNextSkipPiecesWithoutAButtonAndWrapByMouseAndKeys) {
    // Piece 3 has no button of its own: previous and next pass it by.
    const struct {
        const char* how;
        s32 expected;
    } steps[] = {{"play", 1}, {"next", 2}, {"next", 4}, {"right", 1}, {"prev", 4}, {"left", 2}, {"prev", 1}, {"left", 4}};
    for (const auto& s : steps) {
        const std::string how = s.how;
        if (how == "play") Click(kUI, u"btn_bgmplay");
        if (how == "next") Click(kUI, u"btn_bgmnext");
        if (how == "prev") Click(kUI, u"btn_bgmprev");
        if (how == "right") Key(0x27);
        if (how == "left") Key(0x25);
        EXPECT_EQ(Current(), s.expected) << how;
        EXPECT_TRUE(On(u"btn_bgmselect", s.expected)) << how;
        EXPECT_EQ(data_->m_BGMParam.m_FileName, GxFromUtf8("bgms/m" + std::to_string(s.expected) + ".wav")) << how;
    }
    // Its own button still plays it.
    Click(kUI, u"btn_bgmselect", 3);
    EXPECT_EQ(Current(), 3);
    EXPECT_EQ(data_->m_BGMParam.m_FileName, u"bgms/m3.wav");
}

// The screen shows the pieces with the playing one marked.
TEST_F(MusicRoom, APieceIsHeardUntilItIsStoppedAndChoosingItAgainDoesNotRestartIt) {
    Click(kUI, u"btn_bgmselect", 2);
    Frames(10);
    EXPECT_TRUE(MatchesGolden("music_room"));
    EXPECT_TRUE(BgmPlaying());
    EXPECT_NEAR(Heard(), 8000.0f / 32768 * kGain, 1e-3);
    EXPECT_EQ(data_->m_BGMParam.m_Loop, 0);
    // The same piece again: the music goes on from where it was.
    const u32 channel = Playing(0) ? 0 : 1;
    const u32 before = StartTime(channel);
    Frames(20);
    Click(kUI, u"btn_bgmselect", 2);
    EXPECT_TRUE(Playing(channel));
    EXPECT_EQ(StartTime(channel), before);
    // Stopped, it fades out over a second and is silent.
    Click(kUI, u"btn_bgmstop");
    EXPECT_TRUE(data_->m_BGMParam.m_FileName.empty());
    Frames(70);
    EXPECT_FALSE(BgmPlaying());
    EXPECT_EQ(Heard(), 0.0f);
    // Play starts it from the beginning.
    Click(kUI, u"btn_bgmplay");
    EXPECT_TRUE(BgmPlaying());
    EXPECT_NEAR(Heard(), 8000.0f / 32768 * kGain, 1e-3);
}

TEST_F(MusicRoom, TheMusicThatPlayedBeforeFadesOnEntryAndEveryWayBackLeaves) {
    Click(kUI, u"btn_bgmselect", 1);
    Enter(u"SeqCGMode");  // the gallery has no music of its own: it stops the music
    GxPlayBgm(u"bgms/m4.wav", 0, 0, 0, 0, false);
    Enter(u"SeqBGMMode");
    EXPECT_TRUE(data_->m_BGMParam.m_FileName.empty());
    Frames(70);
    EXPECT_FALSE(BgmPlaying());
    Click(kUI, u"btn_bgmselect", 2);
    // The right button, the pad's cancel and the back button go back.
    for (int how = 0; how < 3; ++how) {
        if (how > 0) Enter(u"SeqBGMMode");
        how == 0 ? RightClick() : how == 1 ? Action(u"CANCEL", true) : Click(kUI, u"btn_back");
        Frames(2);
        EXPECT_EQ(Worker().m_CurrentName, u"SeqCGMode") << how;
    }
}

TEST_F(MusicRoom, AButtonWithoutAPieceChangesNothing) {
    Click(kUI, u"btn_bgmselect", 1);
    log_.Clear();
    // Record 5 is empty and 6 lies past it; 70 lies past the table.
    for (s32 index : {5, 6, 70}) {
        Click(kUI, u"btn_bgmselect", index);
        EXPECT_EQ(Current(), 1) << index;
        EXPECT_TRUE(On(u"btn_bgmselect", 1)) << index;
        EXPECT_FALSE(On(u"btn_bgmselect", index)) << index;
        EXPECT_EQ(data_->m_BGMParam.m_FileName, u"bgms/m1.wav") << index;
        EXPECT_TRUE(log_.Contains("SeqBGMMode/曲がありません(ID=" + std::to_string(index) + ")")) << log_.Text();
    }
}

} // namespace
