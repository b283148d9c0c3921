#include "SceneFakes.h"
#include "graphics/GxGraphicsTypes.h"
#include "scenes/GxSeqTransitBase.h"
#include "io/GxContentBinaryReader.h"
#include "io/GxContentBinaryWriter.h"
#include "support/FakeCore.h"
#include "support/LogCapture.h"
#include "tests/io/content_values.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

struct Transit : testing::Test {
    qtest::LogCapture log;
    qtest::FakeGame game;
    qtest::FakeCore core;
    GxTaskManage& m = *core.m_TaskManage;
    GxTaskBase* top = new GxTaskBase(&m);
    GxSeqTransitBase* title = new GxSeqTransitBase(top, u"SeqTitle");
    GxSeqTransitBase* config = new GxSeqTransitBase(top, u"SeqConfig");
    GxSeqBase* plain = new GxSeqBase(top, u"SeqPlain");

    void Change(GxTaskBase* s) {
        ASSERT_TRUE(m.ChangeSequence(s, 0, 0, 0)) << log.Text();
        m.ApplySequenceChanges();
    }
};

TEST_F(Transit, ChangingBetweenTransitionScenesCapturesAndFades) {
    Change(title);
    EXPECT_TRUE(game.calls.empty()) << "nothing was on screen before";
    Change(config);
    EXPECT_EQ(game.calls, (std::vector<std::string>{"capture"}));
    EXPECT_TRUE(config->IsTransiting());
    EXPECT_EQ(config->m_TransitParam.m_TransitTimeTotal, 400);
    EXPECT_EQ(config->EventMask & 0x38u, 0x38u) << "mouse, key input and key actions skip it";
    EXPECT_FALSE(title->IsTransiting());

    game.calls.clear();
    Change(plain);
    EXPECT_TRUE(game.calls.empty()) << "the next scene has no transition";
    EXPECT_FALSE(plain->TypeBits & kGxTypeTransitSequence);
    EXPECT_FALSE(config->IsTransiting()) << "ending finishes its own transition";
    EXPECT_EQ(config->EventMask & 0x38u, 0u);
}

TEST_F(Transit, TheFadeCountsWholeMillisecondsOfFrameTime) {
    Change(title);
    core.m_Config->m_SceneTransitTime = 50;
    Change(config);
    struct Step {
        s64 elapsed;
        s32 left;
        bool mainStarted;
    } steps[] = {{999, 50, false}, {16700, 34, false}, {0, 34, false}, {33999, 1, false}, {1000, 0, true}};
    for (const Step& s : steps) {
        m.Update(0, s.elapsed);
        EXPECT_EQ(config->m_TransitParam.m_TransitTimeLeft, s.left) << s.elapsed;
        EXPECT_EQ(m.GetSeqWorker(0)->m_MainStarted, s.mainStarted) << s.elapsed;
    }
    EXPECT_FALSE(config->IsTransiting());
    EXPECT_EQ(config->EventMask & 0x38u, 0u);
}

// Each channel of the back buffer's pixel within one step of the expected.
::testing::AssertionResult Near(u32 actual, u32 expected) {
    for (int shift = 0; shift < 24; shift += 8)
        if (std::abs(int((actual >> shift) & 255) - int((expected >> shift) & 255)) > 1)
            return ::testing::AssertionFailure() << std::hex << actual << " is not " << expected;
    return ::testing::AssertionSuccess();
}

TEST_F(Transit, TheCapturedScreenIsDrawnLastAndFadesOut) {
    qtest::SceneDevice device;
    ASSERT_TRUE(device.started);
    auto capture = gxtest::Solid(1024, 768, 0xFFFF0000);
    core.m_Config->m_BackgroundColor = 0xFF0000FF;
    Change(title);
    Change(config);
    config->m_TransitParam.m_TransitTimeLeft = 100;
    m.EnqueueRender(0, 0);
    ASSERT_EQ(core.List(0, 0).GetEntries().size(), 1u);
    ASSERT_EQ(core.List(0, 9).GetEntries().size(), 1u);
    EXPECT_EQ(core.List(0, 9).GetEntries().front().m_DrawParam, 1);

    core.DrawRenderLists();
    EXPECT_EQ(device.Pixel(320, 240), 0xFF0000FFu) << "nothing captured, nothing drawn over the clear";
    game.capture = capture.get();
    core.DrawRenderLists();
    // Progress 0.75 leaves alpha 0.25, packed as 63.
    EXPECT_TRUE(Near(device.Pixel(0, 0), 0xFF3F00C0));
    EXPECT_TRUE(Near(device.Pixel(639, 479), 0xFF3F00C0));

    ASSERT_TRUE(GxGraphics::Clear(kGxClearTarget, 0xFF00FF00, 1.0f, 0));
    config->Render(2, 0);
    EXPECT_EQ(device.Pixel(320, 240), 0xFF00FF00u) << "other draw parameters draw nothing";
    config->FinishTransit();
    core.ClearRenderLists();
    m.EnqueueRender(0, 0);
    EXPECT_TRUE(core.List(0, 9).GetEntries().empty());
    config->RenderTransit();
    EXPECT_EQ(device.Pixel(320, 240), 0xFF00FF00u) << "a finished transition draws nothing";
}

TEST_F(Transit, AZeroTimeTransitionIsFullyTransparentAndEndsAtOnce) {
    qtest::SceneDevice device;
    ASSERT_TRUE(device.started);
    auto capture = gxtest::Solid(1024, 768, 0xFFFF0000);
    game.capture = capture.get();
    Change(title);
    core.m_Config->m_SceneTransitTime = 0;
    Change(config);
    EXPECT_TRUE(config->IsTransiting());
    EXPECT_EQ(config->m_TransitParam.GetProgress(), 1.0f);
    ASSERT_TRUE(GxGraphics::Clear(kGxClearTarget, 0xFF00FF00, 1.0f, 0));
    config->RenderTransit();
    EXPECT_EQ(device.Pixel(320, 240), 0xFF00FF00u);
    m.Update(0, 0);
    EXPECT_FALSE(config->IsTransiting());
    EXPECT_TRUE(m.GetSeqWorker(0)->m_MainStarted);
}

TEST_F(Transit, FinishingAnIdleSceneChangesNothing) {
    plain->EventMask = 0x38;
    title->EventMask = 0x38;
    EXPECT_EQ(title->FinishTransit(), 0);
    EXPECT_EQ(title->EventMask, 0x38u);
    EXPECT_TRUE(title->StartTransit(10));
    EXPECT_EQ(title->FinishTransit(), 1);
    EXPECT_EQ(title->EventMask, 0u);
    EXPECT_EQ(title->m_TransitParam.m_TransitTimeLeft, 0);
}

TEST_F(Transit, EndingOnNoWorkerCapturesNothing) {
    Change(title);
    ASSERT_TRUE(m.ChangeSequence(config, 0, 0, 0));
    m.ClearSequences();
    EXPECT_TRUE(game.calls.empty()) << "a shutdown leaves no picture to fade from";
    EXPECT_FALSE(config->IsTransiting());
    m.EndSequenceTree(title, -1);
    EXPECT_TRUE(game.calls.empty());
}

TEST_F(Transit, InputSkipsATransitingScene) {
    struct Clicker : GxTaskBase {
        using GxTaskBase::GxTaskBase;
        int clicks = 0;
        int OnLButtonDown(const GxVector2&, u32, bool) override { return ++clicks; }
    };
    auto* child = new Clicker(config);
    Change(title);
    Change(config);
    m.DispatchLButtonDown({0, 0}, 0);
    EXPECT_EQ(child->clicks, 0);
    config->FinishTransit();
    m.DispatchLButtonDown({0, 0}, 0);
    EXPECT_EQ(child->clicks, 1);
}

TEST(TransitParam, StoredAsFlagAndTwoTimes) {
    GxTransitParam p;
    p.m_Transit = true;
    p.m_TransitTimeLeft = 300;
    p.m_TransitTimeTotal = 400;
    EXPECT_FLOAT_EQ(p.GetProgress(), 0.25f);
    const std::vector<u8> bytes =
        iotest::WriteToMemory<GxContentBinaryWriter>([&](GxContentBinaryWriter& w) { EXPECT_TRUE(p.WriteContent(&w)); });
    EXPECT_EQ(bytes, (std::vector<u8>{0x0B, 1, 0x05, 0, 0, 0x01, 0x2C, 0x05, 0, 0, 0x01, 0x90}));
    GxTransitParam q;
    GxContentBinaryReader r(bytes.data(), u32(bytes.size()), true);
    EXPECT_TRUE(q.ReadContent(&r));
    EXPECT_TRUE(q.m_Transit);
    EXPECT_EQ(q.m_TransitTimeLeft, 300);
    EXPECT_EQ(q.m_TransitTimeTotal, 400);

    q.m_TransitTimeLeft = 500;  // more left than in total, as a damaged save may say
    EXPECT_EQ(q.GetProgress(), 0.0f);
    q.m_TransitTimeTotal = -1;
    EXPECT_EQ(q.GetProgress(), 1.0f);
}

} // namespace
