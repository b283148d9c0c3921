// The replay, gallery, extra-option and notice builtins run by the main
// script worker of the headless game, over small replay and gallery tables:
// what each records in the permanent data, the reports that stop the script,
// the notices queued with their colours, shown on the sample's system scene
// and ended with the play's return to the title, and the end of a replayed
// scene in the main scene.
#include "BuiltinScript.h"
#include "MainSceneFixture.h"
#include "SampleSceneFixture.h"

#include "game/SeqSystem.h"
#include "scenes/GxSeqTransitBase.h"
#include "script/GxMoaEx.h"
#include "gamedata/GxUserData.h"
#include "gamedata/GxUserDataPerman.h"
#include "tools/builders/FileBytes.h"
#include "ui/GxTaskUINoticePanelFx.h"

#include <gtest/gtest.h>

#include <set>

namespace {

using gametest::BuiltinScriptTest;
using gametest::SampleScenes;
namespace fs = std::filesystem;

using Labels = std::set<GxString>;
using Pictures = std::set<GxString>;

class ExtraBuiltins : public BuiltinScriptTest {
protected:
    // Replay scenes "scene1" and "scene2" (and a row without a label); a
    // gallery set of three pictures whose count the game works out, and one
    // of a single picture that gives its count.
    void SetUp() override {
        BuiltinScriptTest::SetUp();
        WriteTable("data/db_rpmode.txt", "ID\tGroup\tThumbnail\tLabel\tHelp",
                   {"1\t1\tth_r1.png\tscene1\t", "2\t1\tth_r2.png\tscene2\t", "3\t2\tth_r3.png\t\t"});
        WriteTable("data/db_cgmode.txt", "ID\tGroup\tThumbnail\tFileName x32\tCount",
                   {CGRow(1, 1, "th.png", {"ev001a", "ev001b", "ev001c"}), CGRow(2, 1, "th.png", {"ev002"}, 1)});
    }
    Pictures Shown() const {
        Pictures out;
        for (const auto& [name, flag] : perman_->m_ShowedCGFlags)
            if (flag) out.insert(name);
        return out;
    }
};

TEST_F(ExtraBuiltins, UnlocksAreRecordedInThePermanentData) {
    struct Row {
        const char16_t* call;
        Labels labelsBefore;
        Pictures shownBefore;
        u32 bitsBefore;
        Labels labels;
        Pictures shown;
        u32 bits;
        const char* report;  // the message of a report that stops the script
        std::string trace;   // what "trace" saw after the call, "on" when it ran
    };
    const Pictures all = {u"ev001a", u"ev001b", u"ev001c", u"ev002"};
    const Row rows[] = {
        {u"RP.SET(\"scene1\")", {}, {}, 0, {u"scene1"}, {}, 0, nullptr, "on"},
        {u"RP.SET(\"SCENE1\")", {}, {}, 0, {}, {}, 0, "ラベル名[SCENE1]はリプレイモード定義と一致しません", ""},
        {u"RP.SET()", {}, {}, 0, {}, {}, 0, "ラベル名を指定してください", ""},
        {u"RP.UNSET(\"scene1\")", {u"scene1", u"scene2"}, {}, 0, {u"scene2"}, {}, 0, nullptr, "on"},
        {u"RP.UNSET(\"nowhere\")", {u"scene2"}, {}, 0, {u"scene2"}, {}, 0, nullptr, "on"},
        {u"RP.UNSET()", {u"scene2"}, {}, 0, {u"scene2"}, {}, 0, "ラベル名を指定してください", ""},
        {u"RP.SETALL()", {u"old"}, {}, 0, {u"scene1", u"scene2"}, {}, 0, nullptr, "on"},
        {u"RP.UNSETALL()", {u"scene1", u"scene2"}, {}, 0, {}, {}, 0, nullptr, "on"},
        {u"CG.SET(\"cg/ev/ev001a.png\")", {}, {}, 0, {}, {u"ev001a"}, 0, nullptr, "on"},
        {u"CG.SET()", {}, {}, 0, {}, {}, 0, "イベント画像名を指定してください", ""},
        // The set's count is left to the game, which works it out before
        // the gallery has ever been opened.
        {u"CG.SETGROUP(\"cg/ev/EV001B.png\")", {}, {}, 0, {}, {u"ev001a", u"ev001b", u"ev001c"}, 0, nullptr, "on"},
        {u"CG.SETGROUP(\"ev002\")", {}, {u"ev001a"}, 0, {}, {u"ev001a", u"ev002"}, 0, nullptr, "on"},
        {u"CG.SETGROUP(\"ev404\")", {}, {u"ev001a"}, 0, {}, {u"ev001a"}, 0, "定義されていない画像名です", ""},
        {u"CG.SETALL()", {}, {u"ev009"}, 0, {}, all, 0, nullptr, "on"},
        {u"CG.UNSETALL()", {}, all, 0, {}, {}, 0, nullptr, "on"},
        // Bit numbers count modulo 32; "on" is any value but 0.
        {u"SetExtraOption(33, 1)\ntrace(GetExtraOption(33), GetExtraOption(1))", {}, {}, 0, {}, {}, 2, nullptr, "1,1|on"},
        {u"SetExtraOption(4)\ntrace(GetExtraOption(4))", {}, {}, 0x13, {}, {}, 0x03, nullptr, "0|on"},
        {u"SetExtraOption(-1, 4294967296)\ntrace(GetExtraOption(31))", {}, {}, 0, {}, {}, 0x80000000u, nullptr, "1|on"},
    };
    StartRows(gametest::Calls(rows, u"trace(\"on\")"));
    gametest::ForEachRow(rows, [&](size_t i, const Row& r) {
        perman_->m_PassedReplayLabels = r.labelsBefore;
        perman_->m_ShowedCGFlags.clear();
        for (const GxString& p : r.shownBefore) perman_->m_ShowedCGFlags[p] = 1;
        perman_->m_ExtraOption.m_Bits = r.bitsBefore;
        traces_.clear();
        RunRow(i);
        EXPECT_EQ(perman_->m_PassedReplayLabels, r.labels);
        EXPECT_EQ(Shown(), r.shown);
        EXPECT_EQ(perman_->m_ExtraOption.m_Bits, r.bits);
        EXPECT_EQ(TraceText(), r.trace);
        EXPECT_EQ(Errors(), Reports(RowLine(i), gametest::NameOf(r.call), r.report ? r.report : ""));
    });
}

TEST_F(ExtraBuiltins, NoticesAreQueuedWithAnOpaqueColour) {
    struct Row {
        const char16_t* call;
        bool user;
        const char* text;
        const char* icon;
        s32 align;
        u32 colour;
    };
    const Row rows[] = {
        {u"NOTICE.SYS(\"保存しました\", \"icon_save\", 2, 0xFF8000)", false, "保存しました", "icon_save", 2, 0xFFFF8000u},
        {u"NOTICE.SYS(\"既定\")", false, "既定", "", 1, 0xFFFFFFFFu},
        // A colour that names its alpha keeps it.
        {u"NOTICE.SYS(\"半透明\", \"\", 1, 0x80FF0000)", false, "半透明", "", 1, 0x80FF0000u},
        {u"NOTICE.USER(\"解放\", \"icon_cg\", 3, 0x00FF00)", true, "解放", "icon_cg", 3, 0xFF00FF00u},
    };
    StartRows(gametest::Calls(rows));
    SeqSystem* system = SeqSystem::Get();
    ASSERT_NE(system, nullptr);
    gametest::ForEachRow(rows, [&](size_t i, const Row& r) {
        const size_t sysBefore = system->GetSystemNotices().size();
        const size_t userBefore = data_->m_NoticeList.size();
        RunRow(i);
        EXPECT_EQ(Errors(), std::vector<std::string>{});
        ASSERT_EQ(system->GetSystemNotices().size(), sysBefore + (r.user ? 0 : 1));
        ASSERT_EQ(data_->m_NoticeList.size(), userBefore + (r.user ? 1 : 0));
        const GxNoticeParam& n = r.user ? data_->m_NoticeList.back() : system->GetSystemNotices().back();
        EXPECT_EQ(GxToUtf8(n.m_Text), r.text);
        EXPECT_EQ(GxToUtf8(n.m_IconName), r.icon);
        EXPECT_EQ(n.m_IconAlign, r.align);
        EXPECT_EQ(n.m_TextColor, r.colour);
        EXPECT_EQ(n.m_ShowTime, 2500);
        EXPECT_EQ(n.m_UISoundID, r.user ? 8 : 7);
        EXPECT_EQ(n.m_NoticeID, 0);
    });
}

// A notice from the story on the sample's system scene: its panel comes up
// with the text drawn in the colour the script gave without alpha.
class StoryNotice : public SampleScenes {
protected:
    // The sample at its title, with the script "notice" beside its story.
    void StartWith(const char16_t* script) {
        Start(false);
        ASSERT_TRUE(RunUntil(u"SeqTitle"));
        qtest::MoaScriptBuilder builder;
        builder.DeclareGameBuiltins();
        ASSERT_NE(builder.AddScript(g_pMoa(), u"notice", script), nullptr) << builder.LastError();
        g_pMoaMainWorker()->InitGlobalVariables();
    }
    void RunLabel(const GxChar* label) {
        ASSERT_TRUE(g_pMoaMainWorker()->StartAtLabel(label, nullptr));
        for (int i = 0; i < 100 && g_pMoaMainWorker()->Step(g_pMoaFunctionBinder()); ++i) {
        }
    }
};

TEST_F(StoryNotice, IsShownInTheColourGivenWithoutAlpha) {
    StartWith(u"*n\nNOTICE.SYS(\"保存しました\", \"\", 1, 0xFF8000)\n");
    qtest::LogCapture log;
    RunLabel(u"n");
    ASSERT_EQ(System()->GetSystemNotices().size(), 1u) << log.Text();
    auto* panel = dynamic_cast<GxTaskUINoticePanelFx*>(Tm()->FindTaskName(u"tip_sysnotice"));
    ASSERT_NE(panel, nullptr);
    for (int i = 0; i < 30 && !panel->IsVisible(); ++i) Pass();
    ASSERT_TRUE(panel->IsVisible());
    EXPECT_EQ(GxToUtf8(panel->GetText()), "保存しました");
    EXPECT_EQ(panel->GetPanelText().m_TextColor, 0xFFFF8000u);
    // Slid in and standing still.
    Pass(30);
    GxVector4 at;
    panel->GetWorldPos(&at);
    const std::vector<u32> screen = GxGraphics::GetDevice()->get_swap_chain(0)->back_buffer(0)->read_argb();
    int orange = 0;
    for (int y = std::max(0, int(at.y)); y < std::min(768, int(at.y) + panel->GetHeight()); ++y)
        for (int x = std::max(0, int(at.x)); x < std::min(1024, int(at.x) + panel->GetWidth()); ++x) {
            const u32 p = screen[size_t(y) * 1024 + size_t(x)];
            const u32 r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
            if (r > 0xC0 && g > 0x50 && g < 0xB0 && b < 0x60) ++orange;
        }
    EXPECT_GT(orange, 30) << "the text is drawn";
}

// The story's news end with it: the script's return to the title, or the
// player's from the settings, leaves the notice shown and the one queued
// behind it out of the last picture of the play, over which the title
// fades in.
TEST_F(StoryNotice, EndsWithThePlayThatReturnsToTheTitle) {
    StartWith(u"*n\nNOTICE.USER(\"ギャラリーに新しい絵が加わりました\", \"icon_cg\")\n"
              u"NOTICE.USER(\"おまけが開きました\", \"icon_info\")\nEXIT()\n*end\nJumpToTitle()\n");
    const auto enter = [&](const GxChar* scene) {
        ASSERT_TRUE(ChangeTo(scene));
        Pass(30);
    };
    auto* panel = dynamic_cast<GxTaskUINoticePanelFx*>(Tm()->FindTaskName(u"tip_usernotice"));
    ASSERT_NE(panel, nullptr);
    const auto screen = [] { return GxGraphics::GetDevice()->get_swap_chain(0)->back_buffer(0)->read_argb(); };
    for (const bool fromSettings : {false, true}) {
        SCOPED_TRACE(fromSettings ? "from the settings" : "by the script");
        // The screen left, as it looks without the notice; the settings are
        // entered from the play, which they offer to leave.
        enter(u"SeqDebug");
        if (fromSettings) enter(u"SeqConfig");
        const std::vector<u32> before = screen();
        if (fromSettings) enter(u"SeqDebug");
        RunLabel(u"n");
        Pass(30);
        if (fromSettings) {
            ASSERT_TRUE(ChangeTo(u"SeqConfig"));
            ASSERT_TRUE(panel->IsVisible());
            Click(Widget(u"$UI:SeqConfig", u"btn_title"));
            Click(Widget(u"dlg_user", u"btn_dlguser_yes"));
        } else {
            ASSERT_TRUE(panel->IsVisible());
            RunLabel(u"end");
        }
        Pass();
        ASSERT_EQ(Worker().m_CurrentName, u"SeqTitle");
        auto* title = dynamic_cast<GxSeqTransitBase*>(Tm()->FindTaskName(u"SeqTitle"));
        ASSERT_TRUE(title && title->IsTransiting());
        // The fade's first frame is the screen left, without the notice.
        EXPECT_TRUE(qtest::SameArea(before, screen(), 600, 0, 424, 100, 24));
        Pass(300);
        EXPECT_FALSE(panel->IsVisible()) << "the notice queued behind it";
    }
}

// The end of a replayed scene: in replay mode the story stops at RP.END
// and the main scene goes back to the replay screen; in a normal play the
// story goes on to its next line.
class ReplayEnd : public maintest::MainSceneTest {};

TEST_F(ReplayEnd, ReturnsToTheReplayScreenOnlyInReplayMode) {
    for (const bool replay : {true, false}) {
        SCOPED_TRACE(replay);
        if (!replay) Restart();
        data_->m_ReplayMode = replay;
        Play(u"*start\nRP.END()\n> 続きの一行。\n");
        UntilClickWait();
        EXPECT_EQ(GxToUtf8(CurrentScene()), replay ? "SeqRPMode" : "SeqAvgMain");
        EXPECT_EQ(Shown(), replay ? "" : "続きの一行。");
    }
}

} // namespace
