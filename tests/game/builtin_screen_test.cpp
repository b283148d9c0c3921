// The screen effect builtins: what each call leaves on the fade, flash and
// visual layers and in the holds, then the effects over frames under the
// manual clock: flashes one after another, and a shake (golden frame) that
// ends on its own; every wait builtin's hold and flags, with the layer wait
// that holds only while something on the screen still moves.
#include "BuiltinScript.h"
#include "MainSceneFixture.h"

#include "base/GxRuntimeRandom.h"
#include "gamedata/GxUserData.h"
#include "graphics/graphics_fixture.h"
#include "layers/GxActorActions.h"
#include "layers/GxTaskLayer.h"
#include "tasks/GxTaskManage.h"

#include <gtest/gtest.h>

namespace {

using gametest::BuiltinScriptTest;

constexpr const GxChar* kFade = u"$GLOBALFADE:SeqAvgMain";
constexpr const GxChar* kFlash = u"$GLOBALFLASH:SeqAvgMain";
constexpr const GxChar* kVisual = u"$VISUAL:SeqAvgMain";

using ScreenBuiltins = BuiltinScriptTest;
using WaitBuiltins = BuiltinScriptTest;

TEST_F(ScreenBuiltins, EachCallActsOnItsLayer) {
    constexpr s32 kActing = -1;
    struct Row {
        const char16_t* call;
        s32 fade;  // the fade layer's alpha after the call, or kActing
        bool flashActing, shaking;
        s32 hold;
        bool hide;
    };
    const Row rows[] = {
        {u"FIN(0)", 0, false, true, 0, false},
        {u"FIN()", kActing, false, true, 0, false},
        {u"FIN(\"x\")", 0, false, true, 0, false},
        {u"fout(0)", 255, false, true, 0, false},
        {u"FOUT(\"\")", kActing, false, true, 0, false},
        {u"FOUT(-3)", 255, false, true, 0, false},
        {u"FLASH()", 128, true, true, 0, false},
        {u"FLASH(10, 10, 0x000000, 7)", 128, true, true, 0, false},
        {u"FLASH.WA()", 128, false, true, 15, false},
        {u"FLASH.WA(1, 2)", 128, false, true, 3, true},
        {u"FLASH.WA(0, 0)", 128, false, true, 1, false},
        {u"SHAKE.END()", 128, false, false, 0, false},
        {u"SHAKE()", 128, false, true, 0, false},
        {u"SHAKE(100, 8, 4)", 128, false, true, 0, false},
    };
    StartRows(gametest::Calls(rows));
    GxTaskLayer* fade = Layer(kFade);
    GxTaskLayer* flash = Layer(kFlash);
    GxTaskLayer* visual = Layer(kVisual);
    ASSERT_TRUE(fade && flash && visual);
    const f32 amplitude[4] = {3, 3, 0, 0};
    gametest::ForEachRow(rows, [&](size_t i, const Row& r) {
        fade->ClearActions();
        fade->SetAlpha(128);
        flash->ClearActions();
        visual->StartShake(amplitude, 5000);
        data_->m_Hold_EndOfLayerActionSeparate = 0;
        data_->m_Hold_EndOfLayerActionSeparate_LayerName.clear();
        data_->m_HideWindowByCommandFlag = false;
        RunRow(i);
        EXPECT_EQ(Errors(), std::vector<std::string>{});
        if (r.fade == kActing) {
            EXPECT_FALSE(fade->IsActionFinished());
        } else {
            EXPECT_TRUE(fade->IsActionFinished());
            EXPECT_EQ(fade->GetAlpha(), r.fade);
        }
        EXPECT_EQ(!flash->IsActionFinished(), r.flashActing);
        EXPECT_EQ(visual->IsShaking(), r.shaking);
        EXPECT_EQ(data_->m_Hold_EndOfLayerActionSeparate, r.hold);
        EXPECT_EQ(GxToUtf8(data_->m_Hold_EndOfLayerActionSeparate_LayerName), r.hold ? GxToUtf8(kFlash) : "");
        EXPECT_EQ(data_->m_HideWindowByCommandFlag, r.hide);
    });
}

using ScreenFrames = maintest::MainSceneTest;

// A flash rises and falls in its colour; a second flash runs after the
// first, and the flash wait lasts until both are over.
TEST_F(ScreenFrames, FlashesRunOneAfterAnother) {
    Play(u"*start\nBG.SW(\"room\", 0)\nWA.CLICK()\nFLASH(160, 320, 0xFF0000)\nFLASH(160, 160)\nFLASH.WA()\nWA.CLICK()\n");
    GxTaskLayer* flash = Layer(kFlash);
    const std::vector<uint32_t> before = Draw();
    Click();
    Frames(10);
    EXPECT_EQ(flash->GetAlpha(), 255);
    const std::vector<uint32_t> peak = Draw();
    const size_t centre = 384 * 1024 + 512;
    EXPECT_EQ(peak[centre] & 0xFF0000u, 0xFF0000u) << "red added in full";
    EXPECT_EQ(peak[centre] & 0x00FFFFu, before[centre] & 0x00FFFFu);
    Frames(21);
    f32 colour[4];
    flash->GetColor(colour);
    EXPECT_GT(flash->GetAlpha(), 0);
    EXPECT_EQ(colour[1], 1.0f) << "the second flash, in white";
    int frames = 0;
    while (data_->m_Hold_WaitClick == 0 && frames < 400) Frame(), ++frames;
    EXPECT_EQ(frames, 20) << "the wait lasts until the second flash is over";
    EXPECT_EQ(flash->GetAlpha(), 0);
}

// Everything drawn shakes by up to the amplitude until the time is over;
// the end call stops a shake at once.
TEST_F(ScreenFrames, TheScreenShakes) {
    Play(u"*start\nBG.SW(\"room\", 0)\nWA.CLICK()\nSHAKE(320, 40, 24)\nWA.CLICK()\nSHAKE(5000, 40, 24)\nSHAKE.END()\nWA.CLICK()\n");
    GxTaskLayer* visual = Layer(kVisual);
    const std::vector<uint32_t> still = Draw();
    Click();
    GxRuntimeRandom::Seed(7);
    Frames(4);
    const GxVector4 offset = visual->GetVisualParam().m_ShakeOffsetPos;
    EXPECT_TRUE(offset.x != 0 || offset.y != 0);
    EXPECT_LE(std::abs(offset.x), 40.0f);
    EXPECT_LE(std::abs(offset.y), 24.0f);
    const std::vector<uint32_t> shaken = Draw();
    EXPECT_NE(shaken, still);
    EXPECT_TRUE(gxtest::MatchesGolden("screen_shake", shaken, 1024, 768, "game"));
    Frames(16);
    EXPECT_FALSE(visual->IsShaking());
    EXPECT_EQ(Draw(), still);
    Click();
    Frame();
    EXPECT_FALSE(visual->IsShaking());
    EXPECT_EQ(visual->GetVisualParam().m_ShakeOffsetPos.x, 0.0f);
}

// Every wait stores its one hold with bit 0 set and its flags, flag 1
// hiding the message window; the layer wait holds only while something on
// the screen still moves.
TEST_F(WaitBuiltins, HoldsTakeTheirFlagsWithBitZeroSet) {
    using Hold = s32 GxUserData::*;
    constexpr Hold kClick = &GxUserData::m_Hold_WaitClick, kTime = &GxUserData::m_Hold_WaitTime,
                   kLayer = &GxUserData::m_Hold_EndOfLayerActionAll, kMovie = &GxUserData::m_Hold_EndOfMovie,
                   kBgm = &GxUserData::m_Hold_EndOfBGM, kBgv = &GxUserData::m_Hold_EndOfBGV,
                   kSe = &GxUserData::m_Hold_EndOfSE, kVoice = &GxUserData::m_Hold_EndOfVoice;
    const Hold holds[] = {kClick, kTime, kLayer, kMovie, kBgm, kBgv, kSe, kVoice};
    struct Row {
        const char16_t* call;
        int moving;       // a layer under the visual folder: 0 still, 1 fading, 2 in a transition
        bool hideBefore;  // the message-window flag as an earlier wait left it
        Hold hold;        // the hold the call sets, null none
        s32 flags, timeLeft;
        bool hideAfter;
    };
    const Row rows[] = {
        {u"WA.CLICK()", 0, false, kClick, 15, 0, false},
        {u"WA.CLICK(0, 4)", 0, false, kClick, 7, 0, false},
        {u"WA.CLICK(0, 8)", 0, false, kClick, 11, 0, false},
        {u"WA.CLICK(0, 0)", 0, false, kClick, 3, 0, false},
        {u"WA.CLICK(\"\", \"\")", 0, false, kClick, 15, 0, false},
        {u"WA.CLICK(1)", 0, false, kClick, 15, 0, true},
        {u"WA.CLICK(0)", 0, true, kClick, 15, 0, true},
        {u"wa.click(2, 4294967300)", 0, false, kClick, 7, 0, true},
        {u"WA.TIME(500)", 0, false, kTime, 15, 500, false},
        {u"WA.TIME(500, 0, 0)", 0, false, kTime, 1, 500, false},
        {u"WA.TIME()", 0, false, kTime, 15, 0, false},
        {u"WA.TIME(250, 1, 2)", 0, false, kTime, 3, 250, true},
        {u"WA.TIME(4294967796)", 0, false, kTime, 15, 500, false},
        {u"WA.TIME(\"300\", 0, 8, 99)", 0, false, kTime, 9, 300, false},
        {u"WA.LAYER()", 0, false, nullptr, 0, 0, false},
        {u"WA.LAYER(1, 4)", 0, false, nullptr, 0, 0, false},
        {u"WA.LAYER(1, 4)", 1, false, kLayer, 5, 0, true},
        {u"WA.LAYER()", 1, false, kLayer, 15, 0, false},
        {u"WA.LAYER(0)", 1, true, kLayer, 15, 0, true},
        {u"WA.LAYER(0, 8)", 2, false, kLayer, 9, 0, false},
        {u"MV.WA()", 0, false, kMovie, 15, 0, false},
        {u"MV.WA(1)", 0, false, kMovie, 15, 0, true},
        {u"MV.WA(0, 4)", 0, false, kMovie, 5, 0, false},
        {u"MV.WA(2, 4294967304)", 0, false, kMovie, 9, 0, true},
        {u"BGM.WA()", 0, false, kBgm, 15, 0, false},
        {u"BGM.WA(\"\", \"\")", 0, false, kBgm, 15, 0, false},
        {u"BGV.WA(0, 4)", 0, false, kBgv, 5, 0, false},
        {u"bgv.wa(2, 0)", 0, false, kBgv, 1, 0, true},
        {u"SE.WA(1)", 0, false, kSe, 15, 0, true},
        {u"SE.WA(0, 4294967304)", 0, false, kSe, 9, 0, false},
        {u"VO.WA(0, 2)", 0, false, kVoice, 3, 0, false},
    };
    StartRows(gametest::Calls(rows));
    GxTaskBase* visual = core_.GetTaskManage()->FindTaskName(kVisual);
    if (!visual) visual = new GxTaskBase(core_.GetTaskManage()->GetTopTask(), kVisual);
    auto* layer = new GxTaskLayer(visual);
    gametest::ForEachRow(rows, [&](size_t i, const Row& r) {
        for (Hold h : holds) data_.get()->*h = 0;
        data_->m_Hold_WaitTime_TimeLeft = 0;
        data_->m_HideWindowByCommandFlag = r.hideBefore;
        layer->ClearActions();
        layer->FinishTransit();
        if (r.moving == 1) GxAddActionFadeIn(0, 1000, layer);
        if (r.moving == 2) {
            ASSERT_TRUE(layer->StartTransit(1000));
        }
        RunRow(i);
        for (Hold h : holds) EXPECT_EQ(data_.get()->*h, h == r.hold ? r.flags : 0);
        EXPECT_EQ(data_->m_Hold_WaitTime_TimeLeft, r.timeLeft);
        EXPECT_EQ(data_->m_HideWindowByCommandFlag, r.hideAfter);
        EXPECT_EQ(Errors(), std::vector<std::string>{});
    });
}

} // namespace
