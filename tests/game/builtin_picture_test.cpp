// The background and event-picture builtins run by the main script worker of
// the headless game: the picture, place, colour and transition each call
// gives the background layer, the wide picture, the gallery mark, the
// standing pictures kept or cleared, the holds, and the reports of a missing
// name, file or rule picture.
#include "BuiltinScript.h"
#include "MainSceneFixture.h"

#include "game/scenes/SeqAvgMain.h"
#include "gamedata/DBCGMode.h"
#include "gamedata/GxUserData.h"
#include "gamedata/GxUserDataPerman.h"
#include "layers/GxLayerContent.h"
#include "layers/GxTaskLayer.h"
#include "tasks/GxSystemConfig.h"
#include "tasks/GxTaskManage.h"
#include "graphics/graphics_fixture.h"

#include <gtest/gtest.h>

namespace {

using gametest::BuiltinScriptTest;

constexpr u32 kKept = 0xFF102030;

class PictureBuiltins : public BuiltinScriptTest {
protected:
    // The pictures the rows name, a gallery entry for "e01", and a standing
    // character with a picture.
    void StartWith(const std::vector<std::u16string>& calls) {
        WritePng("cg/bg/room.png", 8, 8, 0xFF804020);
        WritePng("cg/tr/rule.png", 8, 8, 0xFF808080);
        // What a layer shows for a picture that cannot be read.
        WritePng("cg/error.png", 8, 8, 0xFFFF00FF);
        WritePng("cg/ev/e01.png", 8, 8, 0xFF204080);
        WritePng("cg/ev/e01_w.png", 16, 8, 0xFF204080);
        WritePng("cg/ev/e02.png", 8, 8, 0xFF208040);
        WritePng("cg/ev/alt.png", 16, 8, 0xFF208040);
        StartRows(calls);
        g_DBCGMode.GetRecord(3)->FileName[1] = u"e01";
        auto* stand = static_cast<GxTaskBase*>(Task(u"$STAND:SeqAvgMain"));
        ASSERT_NE(stand, nullptr);
        stand_ = new GxTaskLayer(stand, u"$STANDTEST");
        ASSERT_NE(SeqAvgMain::Find(), nullptr);
    }
    GxTaskLayer* Bg() { return Layer(u"$BGLAYER:SeqAvgMain"); }
    GxTaskLayer* Wide() { return Layer(u"$BGWLAYER:SeqAvgMain"); }
    // The file a layer shows, "" when empty, "kept" for the colour the test
    // gave it.
    static std::string Shows(GxTaskLayer* layer) {
        const GxLayerContent* c = layer->GetCurrentContent();
        if (c->m_ContentType == kGxContentEmpty) return "";
        if (c->m_ContentType == kGxContentColor) return "kept";
        return GxToUtf8(c->m_ContentFileName);
    }

    static GxFColor Colour(GxTaskLayer* layer) {
        f32 c[4];
        layer->GetColor(c);
        return GxFColor(c[0], c[1], c[2], c[3]);
    }

    GxTaskLayer* stand_ = nullptr;
};

TEST_F(PictureBuiltins, PicturesGoToTheBackgroundLayer) {
    struct Row {
        const char16_t* call;
        bool stopSwitch;       // ErrorStopNotFound_BG and _EV set
        std::string error;     // the report, "" none; a report stops the script
        std::string bg;        // what the background layer shows after the call
        s32 transit;           // the scene's transition time, 0 none
        f32 x, y;
        u32 argb;
        bool standsKept, hide;
        std::string wide;
        bool seen;             // "e01" marked as shown for the gallery
    };
    const std::string noName = "画像ファイルを指定してください";
    const Row rows[] = {
        {u"BG.SW(\"room\")", false, "", "cg/bg/room.png", 1000, 0, 0, 0xFFFFFFFF, false, false, "", false},
        {u"BG.SW(\"room\", 0, \"\", 12, 34.5, 0xFF0000, 1)", false, "", "cg/bg/room.png", 0, 12, 34.5f, 0xFFFF0000, true, false, "", false},
        {u"BG.SW(\"room\", 0, \"\", \"\", \"\", \"\", 0)", false, "", "cg/bg/room.png", 0, 0, 0, 0xFFFFFFFF, false, false, "", false},
        {u"BG.SW(\"room\", \"\")", false, "", "cg/bg/room.png", 0, 0, 0, 0xFFFFFFFF, false, false, "", false},
        {u"BG.SW(\"room\", -5)", false, "", "cg/bg/room.png", 0, 0, 0, 0xFFFFFFFF, false, false, "", false},
        {u"bg.sw(\"room\", 300, \"rule\", 0, 0, 0)", false, "", "cg/bg/room.png", 300, 0, 0, 0xFF000000, false, false, "", false},
        {u"BG(\"room\", 0, \"\", 0, 0, \"\", 1)", false, "", "cg/bg/room.png", 0, 0, 0, 0xFFFFFFFF, true, true, "", false},
        {u"BG.SW()", false, noName, "kept", 0, 5, 6, kKept, true, false, "", false},
        {u"BG(\"\", 0)", false, noName, "kept", 0, 5, 6, kKept, true, true, "", false},
        {u"BG.SW(\"none\", 0)", false, "", "cg/bg/none", 0, 0, 0, 0xFFFFFFFF, false, false, "", false},
        {u"BG.SW(\"none\", 0)", true, "画像ファイルが見つかりません", "kept", 0, 5, 6, kKept, true, false, "", false},
        {u"BG.SW(\"room\", 0, \"none\")", false, "トランジション画像ファイルが見つかりません", "kept", 0, 5, 6, kKept, true, false, "", false},
        {u"EV.SW(\"e01\", 0)", false, "", "cg/ev/e01.png", 0, 0, 0, 0xFFFFFFFF, false, false, "cg/ev/e01_w.png", true},
        {u"EV.SW(\"e01.png\", 0, \"\", 0, 0, \"\", 1, \"\")", false, "", "cg/ev/e01.png", 0, 0, 0, 0xFFFFFFFF, true, false, "cg/ev/e01_w.png", true},
        {u"EV.SW(\"e02\", 0)", false, "", "cg/ev/e02.png", 0, 0, 0, 0xFFFFFFFF, false, false, "", false},
        {u"EV.SW(\"e02\", 0, \"\", 0, 0, \"\", 0, \"sub/alt.png\")", false, "", "cg/ev/e02.png", 0, 0, 0, 0xFFFFFFFF, false, false, "cg/ev/alt.png", false},
        {u"EV(\"e02\", 400, \"rule\", 1, 2, 0x00FF00)", false, "", "cg/ev/e02.png", 400, 1, 2, 0xFF00FF00, false, true, "", false},
        {u"EV.SW()", false, noName, "kept", 0, 5, 6, kKept, true, false, "kept", false},
        {u"EV.SW(\"none\", 0)", false, "", "cg/ev/none", 0, 0, 0, 0xFFFFFFFF, false, false, "", false},
        {u"EV.SW(\"none\", 0)", true, "画像ファイルが見つかりません[cg/ev/none]", "kept", 0, 5, 6, kKept, true, false, "kept", false},
        {u"EV.SW(\"e01\", 0, \"none\")", true, "トランジション画像ファイルが見つかりません[cg/tr/none]", "kept", 0, 5, 6, kKept, true, false, "cg/ev/e01_w.png", true},
    };
    StartWith(gametest::Calls(rows));
    SeqAvgMain* scene = SeqAvgMain::Find();
    gametest::ForEachRow(rows, [&](size_t i, const Row& r) {
        core_.m_Config->m_ErrorStopNotFound_BG = core_.m_Config->m_ErrorStopNotFound_EV = r.stopSwitch;
        scene->EndBgTransit();
        Bg()->SetColorContent(0xFF000000, 0);
        Bg()->SetPos(5, 6, -100, 0);
        Bg()->SetColorARGB(kKept);
        Wide()->SetColorContent(0xFF000000, 0);
        stand_->SetColorContent(0xFF000000, 0);
        data_->m_HideWindowByCommandFlag = false;
        perman_->m_ShowedCGFlags.clear();
        RunRow(i);
        EXPECT_EQ(Errors(), Reports(RowLine(i), gametest::NameOf(r.call), r.error));
        EXPECT_EQ(Shows(Bg()), r.bg);
        EXPECT_EQ(scene->IsBgTransiting(), r.transit > 0);
        EXPECT_EQ(scene->GetBgTransitTimeLeft(), r.transit);
        GxVector4 pos;
        Bg()->GetPos(&pos);
        EXPECT_EQ(pos.x, r.x);
        EXPECT_EQ(pos.y, r.y);
        EXPECT_EQ(pos.z, -100.0f) << "the layer keeps its depth";
        EXPECT_EQ(Colour(Bg()), GxFColor::FromARGB(r.argb));
        EXPECT_EQ(Shows(stand_) == "kept", r.standsKept);
        EXPECT_EQ(data_->m_HideWindowByCommandFlag, r.hide);
        EXPECT_EQ(Shows(Wide()), r.wide);
        if (!r.wide.empty() && r.wide != "kept") {
            EXPECT_FALSE(Wide()->IsVisible()) << "the scene shows it";
        }
        EXPECT_EQ(perman_->m_ShowedCGFlags.count(u"e01"), r.seen ? 1u : 0u);
    });
}

TEST_F(PictureBuiltins, ColourMoveAndWaitActOnTheOneBackgroundLayer) {
    struct Row {
        const char16_t* call;
        u32 argb;
        bool moving;
        s32 hold;
        bool hide;
    };
    const Row rows[] = {
        {u"BG.COLOR(0xFF0000)", 0xFFFF0000, false, 0, false},
        {u"EV.COLOR(0x80123456)", 0xFF123456, false, 0, false},
        {u"BG.COLOR()", 0xFFFFFFFF, false, 0, false},
        {u"EV.COLOR(\"\")", 0xFFFFFFFF, false, 0, false},
        {u"BG.ACT_MOVE(100, 50.5, 200)", kKept, true, 0, false},
        {u"EV.ACT_MOVE(-20, 0)", kKept, true, 0, false},
        {u"BG.WA(0, 2)", kKept, false, 3, false},
        {u"BG.WA()", kKept, false, 15, false},
        {u"EV.WA(1, 8)", kKept, false, 9, true},
        {u"EV.WA(\"\", \"\")", kKept, false, 15, false},
    };
    StartWith(gametest::Calls(rows));
    gametest::ForEachRow(rows, [&](size_t i, const Row& r) {
        Bg()->ClearActions();
        Bg()->SetColorARGB(kKept);
        Bg()->m_ActionPause = true;
        data_->m_Hold_EndOfLayerActionSeparate = 0;
        data_->m_Hold_EndOfLayerActionSeparate_LayerName.clear();
        data_->m_HideWindowByCommandFlag = false;
        RunRow(i);
        EXPECT_EQ(Errors(), std::vector<std::string>{});
        EXPECT_EQ(Colour(Bg()), GxFColor::FromARGB(r.argb));
        EXPECT_EQ(!Bg()->IsActionFinished(), r.moving);
        EXPECT_EQ(Bg()->m_ActionPause, !r.moving) << "a move lets the layer act";
        EXPECT_EQ(data_->m_Hold_EndOfLayerActionSeparate, r.hold);
        EXPECT_EQ(GxToUtf8(data_->m_Hold_EndOfLayerActionSeparate_LayerName), r.hold ? "$BGLAYER:SeqAvgMain" : "");
        EXPECT_EQ(data_->m_HideWindowByCommandFlag, r.hide);
    });
}

class PictureFrames : public maintest::MainSceneTest {
protected:
    void SetUp() override {
        MainSceneTest::SetUp();
        // A night sky of bands, and a rule that wipes from left to right
        // (black on the left quarter, white on the right quarter).
        WritePicture("cg/bg/sky.png", 1024, 768, [](int, int y) { return 0xFF101040u + u32(y / 96 % 2) * 0x303000u; });
        WritePicture("cg/tr/wipe.png", 1024, 768, [](int x, int) {
            return 0xFF000000u + u32(std::clamp((x - 256) / 2, 0, 255)) * 0x010101u;
        });
    }
    static u32 Pixel(const std::vector<uint32_t>& px, int x, int y) { return px[size_t(y) * 1024 + size_t(x)]; }
};

// The old picture dissolves into the new one through the rule: at the start
// all old, halfway the rule's dark half new, at the end all new; the script
// goes on only after the transition.
TEST_F(PictureFrames, ARuleTransitionAtChosenTimes) {
    Play(u"*start\nBG.SW(\"room\", 0)\nWA.CLICK()\nBG.SW(\"sky\", 480, \"wipe\")\nWA.CLICK()\n");
    const std::vector<uint32_t> room = Draw();
    Click();
    ASSERT_TRUE(FramesUntil([] { return Main()->IsBgTransiting(); }));
    EXPECT_EQ(Draw(), room) << "the captured screen first";
    ASSERT_TRUE(FramesUntil([] { return Main()->GetBgTransitTimeLeft() <= 240; }));
    EXPECT_EQ(Main()->GetBgTransitTimeLeft(), 240);
    const std::vector<uint32_t> half = Draw();
    EXPECT_EQ(Pixel(half, 100, 10), 0xFF101040u) << "the dark end of the rule is through";
    EXPECT_EQ(Pixel(half, 900, 10), Pixel(room, 900, 10)) << "the light end is not";
    EXPECT_TRUE(gxtest::MatchesGolden("bg_rule_transition_half", half, 1024, 768, "game"));
    EXPECT_TRUE(FramesUntil([] { return !Main()->IsBgTransiting(); }, 20));
    Frame();
    const std::vector<uint32_t> sky = Draw();
    EXPECT_EQ(Pixel(sky, 900, 10), 0xFF101040u);
    EXPECT_EQ(Pixel(sky, 900, 100), 0xFF404040u);
}

// A move runs over the following frames; the wait holds the script until it
// has ended, and a click cuts the next one short at its target.
TEST_F(PictureFrames, TheWaitHoldsUntilTheMoveHasEnded) {
    Play(u"*start\nBG.SW(\"room\", 0)\nWA.CLICK()\nBG.ACT_MOVE(100, 50, 160)\nBG.WA()\nWA.CLICK()\n"
         u"EV.ACT_MOVE(-30, 0, 5000)\nEV.WA(0, 2)\nWA.CLICK()\n");
    Click();
    Frames(6);
    GxTaskLayer* bg = Layer(u"$BGLAYER:SeqAvgMain");
    GxVector4 pos;
    bg->GetPos(&pos);
    EXPECT_GT(pos.x, 0.0f);
    EXPECT_LT(pos.x, 100.0f);
    EXPECT_EQ(data_->m_Hold_EndOfLayerActionSeparate, 15);
    ASSERT_TRUE(FramesUntil([] { return GxUserData::Get()->m_Hold_WaitClick != 0; }, 8));
    bg->GetPos(&pos);
    EXPECT_EQ(pos.x, 100.0f);
    EXPECT_EQ(pos.y, 50.0f);
    Click();
    Frames(3);
    EXPECT_EQ(data_->m_Hold_EndOfLayerActionSeparate, 3) << "five seconds to go";
    Click();
    Frame();
    bg->GetPos(&pos);
    EXPECT_EQ(pos.x, -30.0f);
    EXPECT_EQ(data_->m_Hold_EndOfLayerActionSeparate, 0);
}

} // namespace
