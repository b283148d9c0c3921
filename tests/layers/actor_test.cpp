// Actors: the interpolation curves, the two action channels with their
// time flow, first-step captures and end effects, shakes, and the stored form.
#include "layer_fixture.h"

#include "base/GxRuntimeRandom.h"
#include "layers/GxActorActions.h"
#include "layers/GxLayerServices.h"
#include "layers/GxLerp.h"
#include "layers/GxTaskActor.h"
#include "support/LogCapture.h"

#include <cmath>

namespace {

struct Actor : testing::Test {
    ltest::TaskTree tree;
    GxTaskActor* a = new GxTaskActor(tree.top, u"actor");
    GxActorVisualParam& v = a->GetVisualParam();
};

TEST(Lerp, CurvesAtTheirEndsAndMiddles) {
    struct Row {
        const char* what;
        f32 (*curve)(f32, f32, f32, f32);
        f32 p, t, expected;
    } rows[] = {
        {"pow ease-out start", GxLerpPow, 0.4f, 0, 0},
        {"pow ease-out end", GxLerpPow, 0.4f, 1, 1},
        {"pow ease-out half: 1 - 0.5^2.6", GxLerpPow, 0.4f, 0.5f, 0.8350615f},
        {"pow ease-in half: 0.5^2.6", GxLerpPow, -0.4f, 0.5f, 0.1649385f},
        {"pow p 0 is a line", GxLerpPow, 0, 0.3f, 0.3f},
        {"pow key curve 0.25", GxLerpPow, 0.25f, 0.5f, 0.75f},
        {"pow key curve -0.25", GxLerpPow, -0.25f, 0.5f, 0.25f},
        {"half sine swell at the middle: 0.5 + 1/pi", GxLerpSinPi, 1, 0.5f, 0.8183099f},
        {"half sine end", GxLerpSinPi, 1, 1, 1},
        {"full sine at a quarter: 0.25 - 1/(2pi)", GxLerpSin2Pi, -1, 0.25f, 0.0908451f},
        {"full sine middle", GxLerpSin2Pi, -1, 0.5f, 0.5f},
        {"full sine end", GxLerpSin2Pi, -1, 1, 1},
    };
    for (const Row& r : rows) EXPECT_NEAR(r.curve(0, 1, r.t, r.p), r.expected, 2e-6f) << r.what;
    EXPECT_NEAR(GxLerpPow(10, 20, 0.5f, 0.4f), 18.350615f, 1e-4f) << "scaled between a and b";
}

TEST_F(Actor, FadeInStepsLinearlyAndTruncates) {
    a->SetAlpha(100);
    GxAddActionFadeIn(0, 1000, a);
    std::vector<s32> seen;
    for (int i = 0; i < 4; ++i) {
        a->Update(0, 250000);
        seen.push_back(a->GetAlpha());
    }
    EXPECT_EQ(seen, (std::vector<s32>{138, 177, 216, 255}));
    EXPECT_TRUE(a->IsActionFinished());
}

TEST_F(Actor, TimeLeftOverFlowsIntoTheNextAction) {
    const f32 target[4] = {100, 50, 0, 0};
    GxAddActionMove(target, 1000, a, 1);
    GxAddActionFadeOut(0, 1000, a);
    a->UpdateActions(1500);
    EXPECT_EQ(v.m_Pos.x, 100);
    EXPECT_EQ(v.m_Pos.y, 50);
    EXPECT_EQ(a->GetAlpha(), 127) << "the 500 ms left ran half of the fade";
    ASSERT_EQ(a->GetActionList(0).size(), 1u);
    EXPECT_EQ(a->GetActionList(0).front().m_TimeLeft, 500);
}

TEST_F(Actor, ZeroLengthActionsAndChannels) {
    GxAddActionHide(a);
    a->UpdateActions(0);
    EXPECT_FALSE(a->IsVisible()) << "a hide completes in a step of no time";

    const f32 rgb[3] = {0.5f, 0.25f, 0};
    GxAddActionSetColor(rgb, a);
    GxAddActionSetColor(rgb, a);
    a->UpdateActions(0);
    EXPECT_EQ(a->GetActionList(0).size(), 1u) << "with no time only one action completes per step";
    a->UpdateActions(1);
    EXPECT_TRUE(a->IsActionFinished()) << "with time left over, consecutive zero-length actions go together";
    EXPECT_EQ(v.m_Color0, GxFColor(0.5f, 0.25f, 0, 1)) << "alpha kept";

    GxAddActionFadeOut(0, 1000, a);
    const f32 by[4] = {10, -4, 0, 0};
    GxAddActionMoveBy(by, a);
    a->UpdateActions(200);
    EXPECT_TRUE(a->GetActionList(1).empty()) << "channel 1 runs beside a busy channel 0";
    EXPECT_EQ(v.m_Pos.x, 10);
    EXPECT_EQ(v.m_Pos.y, -4);
    EXPECT_FALSE(a->GetActionList(0).empty());
}

TEST_F(Actor, ProgressShapes) {
    struct Row {
        u32 mode;
        f32 expected;
    } rows[] = {{1, 50}, {2, 83.50615f}, {3, 16.49385f}, {4, 50}, {0, 50}, {9, 50}};
    for (const Row& r : rows) {
        v.m_Pos = GxVector4();
        const f32 target[4] = {100, 0, 0, 0};
        GxAddActionMove(target, 1000, a, r.mode);
        a->UpdateActions(500);
        EXPECT_NEAR(v.m_Pos.x, r.expected, 1e-3f) << "mode " << r.mode;
        a->ClearActions();
    }
    const f32 target[4] = {7, 8, 9, 0};
    GxAddActionMove(target, 0, a, 1);
    a->UpdateActions(0);
    EXPECT_EQ(v.m_Pos.z, 9) << "a move of no length lands at once";
}

TEST_F(Actor, OverdueTimeEndsTheActionInsteadOfLengtheningTheStep) {
    GxActionParam late;
    late.m_ActionType = kGxActionWait;
    late.m_TimeLeft = -5000;
    late.m_TimeTotal = 100;
    a->AddAction(0, late);
    GxAddActionFadeOut(0, 1000, a);
    a->UpdateActions(100);
    EXPECT_EQ(a->GetAlpha(), 229) << "the step's 100 ms reach the fade (255 x 0.9), not 5100";
}

TEST_F(Actor, FinishActionsRunsEverythingToItsEnd) {
    GxActionParam shake;
    shake.m_ActionType = kGxActionShake;
    shake.m_TimeLeft = shake.m_TimeTotal = 3000;
    shake.m_End = GxVector3(10, 6, 0);
    a->AddAction(0, shake);
    a->UpdateActions(16);
    GxAddActionType16(a);
    a->FinishActions();
    EXPECT_TRUE(a->IsActionFinished());
    EXPECT_EQ(v.m_ShakeOffsetPos.x, 0);
    EXPECT_EQ(v.m_ShakeOffsetPos.y, 0);
    EXPECT_TRUE(a->IsSuspended()) << "the delayed suspend ran during FinishActions";
}

TEST_F(Actor, ShakeOffsetsAreWholePixelsWithinTheAmplitude) {
    GxRuntimeRandom::Seed(12345);
    GxActionParam shake;
    shake.m_ActionType = kGxActionShake;
    shake.m_TimeLeft = shake.m_TimeTotal = 100000;
    shake.m_End = GxVector3(10, 6, 0);
    a->AddAction(1, shake);
    bool moved = false;
    for (int i = 0; i < 200; ++i) {
        a->m_FrameCount = i;
        a->UpdateActions(16);
        const f32 x = v.m_ShakeOffsetPos.x, y = v.m_ShakeOffsetPos.y;
        ASSERT_EQ(x, std::trunc(x));
        ASSERT_LE(std::fabs(x), 10);
        ASSERT_LE(std::fabs(y), 6);
        moved |= x != 0 || y != 0;
        if (i % 2 == 1) {
            const f32 px = x;
            a->UpdateActions(0);
            ASSERT_EQ(v.m_ShakeOffsetPos.x, px) << "odd update steps keep the offset";
        }
    }
    EXPECT_TRUE(moved);
    GxVector4 world;
    a->GetWorldPos(&world);
    EXPECT_EQ(world.x, v.m_ShakeOffsetPos.x) << "the world position carries the shake";
}

struct SoundRecorder : GxLayerServices {
    std::vector<std::pair<s32, s32>> played;
    void PlaySystemSound(s32 id, s32 voice) override { played.emplace_back(id, voice); }
};

TEST_F(Actor, EndEffects) {
    SoundRecorder sounds;
    GxLayerServices::Set(&sounds);
    auto add = [&](s32 type, f32 x) {
        GxActionParam p;
        p.m_ActionType = type;
        p.m_End = GxVector3(x, 0.5f, 0.25f);
        a->AddAction(0, p);
    };
    add(kGxActionSetAlpha, 77.9f);
    add(kGxActionSetColor1, 0.75f);
    add(kGxActionSetBlendMode, 3.5f);
    add(kGxActionSystemSound, 4.2f);
    add(99, 0);
    a->UpdateActions(1);
    GxLayerServices::Set(nullptr);
    EXPECT_EQ(a->GetAlpha(), 77);
    EXPECT_EQ(v.m_Color1, GxFColor(0.75f, 0.5f, 0.25f, 0));
    EXPECT_EQ(a->GetBlendMode(), 3);
    EXPECT_EQ(sounds.played, (std::vector<std::pair<s32, s32>>{{4, 0}}));
    EXPECT_TRUE(a->IsActionFinished()) << "an unknown type completes when its time runs out";

    auto* child = new GxTaskActor(a);
    add(kGxActionKillChildren, 0);
    a->UpdateActions(0);
    EXPECT_TRUE(child->IsKilled());
    EXPECT_FALSE(a->IsKilled());
}

TEST(ActorStore, AnActorComesBackWithItsQueues) {
    for (bool text : {true, false}) {
        ltest::TaskTree tree;
        auto* a = new GxTaskActor(tree.top);
        a->SetPos(1, 2, 3, 4);
        a->SetColorARGB(0x80FF0000);
        a->m_ActionPause = true;
        const f32 target[4] = {50, 60, 70, 0};
        GxAddActionMove(target, 1000, a, 2);
        a->UpdateActions(100);
        GxAddActionType17(a);
        auto* b = new GxTaskActor(tree.top);
        ltest::RoundTrip(
            text, [&](GxContentWriterBase& w) { EXPECT_TRUE(a->WriteContent(&w)); },
            [&](GxContentReaderBase& r) { EXPECT_TRUE(b->ReadContent(&r)); });
        EXPECT_TRUE(b->m_ActionPause);
        EXPECT_EQ(b->GetVisualParam().m_Pos.x, a->GetVisualParam().m_Pos.x);
        EXPECT_EQ(b->GetVisualParam().m_Pos.w, 0) << "vectors are stored as three floats";
        EXPECT_EQ(b->GetVisualParam().m_Color0.ToARGB(), 0x80FF0000u) << "the text form keeps six decimals";
        ASSERT_EQ(b->GetActionList(0).size(), 1u);
        const GxActionParam& m = b->GetActionList(0).front();
        EXPECT_TRUE(m.m_InitCompleted);
        EXPECT_EQ(m.m_Start, GxVector3(1, 2, 3)) << "the captured start";
        EXPECT_EQ(m.m_TimeLeft, 900);
        EXPECT_EQ(m.m_InterMode, 2u);
        ASSERT_EQ(b->GetActionList(1).size(), 1u);
        EXPECT_EQ(b->GetActionList(1).front().m_ActionType, kGxActionSuspendChildren);
    }
}

TEST(ActorStore, AnActionCountLargerThanTheSaveIsRefused) {
    ltest::TaskTree tree;
    auto* a = new GxTaskActor(tree.top);
    auto* b = new GxTaskActor(tree.top);
    GxAddActionWait(1, 10, b);
    qtest::LogCapture log;
    ltest::RoundTrip(
        false,
        [&](GxContentWriterBase& w) {
            GxTaskFolder f(nullptr);
            f.WriteContent(&w);
            a->GetVisualParam().Write(&w);
            w.WriteListBegin("m_ActionList", "", 0);
            w.WriteListEnd();
            w.WriteListBegin("m_ActionList", "", 1000000);
        },
        [&](GxContentReaderBase& r) { EXPECT_FALSE(b->ReadContent(&r)); });
    EXPECT_TRUE(log.Contains("m_ActionListの要素数が不正です(1000000)")) << log.Text();
    EXPECT_EQ(b->GetActionList(1).size(), 1u) << "the channel is not replaced by a damaged list";
}

} // namespace
