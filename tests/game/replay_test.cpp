// The scene replay over the test game: its page with a passed and a locked
// scene and its completion rate, the pages a record without a label still
// reaches, page 0 with the unfilled records, the replay started at its label
// in the main scene on the main worker, a missing label, replay mode and the
// play reset on entry, and the way back to the title.
#include "ExtrasFixture.h"

#include "game/scenes/SeqRPMode.h"
#include "gamedata/GxUserData.h"
#include "script/GxMoaEx.h"
#include "script/GxMoaSystem.h"
#include "script/GxMoaWorkerEx.h"
#include "tools/builders/MoaScriptBuilder.h"

namespace {

using extrastest::ExtrasTest;

constexpr const char16_t* kUI = u"$UI:SeqRPMode";

class Replay : public ExtrasTest {
protected:
    // The script of the replayed scenes.
    void AddStory() {
        ASSERT_NE(builder_.AddScript(g_pMoa(), u"main", u"*scene1\n$a = 1\n*scene2\n$a = 2\n"), nullptr) << builder_.LastError();
    }
    SeqRPMode* Room() { return Scene<SeqRPMode>(u"SeqRPMode"); }
    GxTaskUIBase* Thumb(int i) { return Widget(kUI, u"btn_rpselect", i); }

    qtest::MoaScriptBuilder builder_;
};

TEST_F(Replay, ThePageShowsPassedScenesAndLockedOnesAsPlates) {
    perman_->m_PassedReplayLabels.insert(u"scene1");
    Enter(u"SeqRPMode");
    Click(kUI, u"btn_pageselect", 1);
    MoveTo(1000, 20);
    Frames(2);
    EXPECT_TRUE(MatchesGolden("replay"));
}

TEST_F(Replay, ScenesUnlockFromThePassedLabelsAndEveryGroupMakesAPage) {
    perman_->m_PassedReplayLabels.insert(u"scene2");
    Enter(u"SeqRPMode");
    // Record 3 has no label: it counts for nothing but still makes page 2.
    EXPECT_EQ(Room()->GetTotal(), 2);
    EXPECT_EQ(Room()->GetUnlocked(), 1);
    EXPECT_EQ(Room()->GetCompletionRate(), 50);
    EXPECT_EQ(Room()->GetLastPage(), 2);
    // Page 0 lists the unfilled records of group 0, the first 25, none open.
    EXPECT_EQ(Room()->GetCurrentPage(), 0);
    ASSERT_EQ(Room()->GetPageList().size(), 197u);
    EXPECT_EQ(Room()->GetPageList()[1], 4);
    for (int i = 0; i < 25; ++i) {
        EXPECT_TRUE(Thumb(i)->IsVisible()) << i;
        EXPECT_FALSE(Thumb(i)->IsEnabled()) << i;
    }
    Click(kUI, u"btn_next");
    EXPECT_EQ(Room()->GetPageList(), (std::vector<s32>{1, 2}));
    EXPECT_FALSE(Thumb(0)->IsEnabled());
    EXPECT_TRUE(Thumb(1)->IsEnabled());
    EXPECT_FALSE(Thumb(2)->IsVisible());
    Click(kUI, u"btn_next");
    EXPECT_EQ(Room()->GetPageList(), (std::vector<s32>{3}));
    Key(0x27);
    EXPECT_EQ(Room()->GetCurrentPage(), 1);
    Wheel(120);
    EXPECT_EQ(Room()->GetCurrentPage(), 2);
}

TEST_F(Replay, EnteringResetsThePlayAndTurnsReplayModeOnWithItsOwnMusic) {
    core_.m_Config->m_BGMNameRPMode = u"replay.wav";
    data_->m_GameDataTitle = u"a game in progress";
    data_->m_Hold_WaitClick = 3;
    Enter(u"SeqRPMode");
    EXPECT_TRUE(data_->m_ReplayMode);
    EXPECT_TRUE(data_->m_GameDataTitle.empty());
    EXPECT_EQ(data_->m_Hold_WaitClick, 0);
    EXPECT_FALSE(g_pMoaMainWorker()->IsRunning());
    EXPECT_TRUE(BgmPlaying());
    EXPECT_EQ(data_->m_BGMParam.m_FileName, u"bgms/replay.wav");
    // Back: replay mode ends even though the title is missing.
    log_.Clear();
    Unname(u"SeqTitle");
    Click(kUI, u"btn_back");
    EXPECT_FALSE(data_->m_ReplayMode);
    EXPECT_TRUE(log_.Contains("遷移先のシーケンスが見つかりません(SeqTitle)")) << log_.Text();
}

// A label the script lacks is logged, and the main scene entered all the same.
TEST_F(Replay, AThumbnailStartsTheScriptAtItsLabelInTheMainScene) {
    perman_->m_PassedReplayLabels = {u"scene1", u"scene2"};
    for (const bool story : {false, true}) {
        SCOPED_TRACE(story);
        if (story) AddStory();
        Enter(u"SeqRPMode");
        Click(kUI, u"btn_pageselect", 1);
        log_.Clear();
        Click(kUI, u"btn_rpselect", 1);
        EXPECT_EQ(log_.Contains("スクリプトにラベル scene2 が存在しないため実行できません"), !story) << log_.Text();
        EXPECT_EQ(g_pMoaMainWorker()->IsRunning(), story);
        EXPECT_EQ(Worker().m_CurrentName, u"SeqAvgMain");
        EXPECT_EQ(Worker().m_CurrentParam0, 1);
        EXPECT_EQ(Worker().m_CurrentParam1, 0);
        // Replay mode stays on while the scene replays.
        EXPECT_TRUE(data_->m_ReplayMode);
    }
}

} // namespace
