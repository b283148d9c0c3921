// Key-frame evaluation against hand-computed values: the halving search,
// interpolated and step tracks with their loops, the four curves, and keys
// that fire at exact times.
#include "layers/GxNcEventKey.h"
#include "layers/GxNcKeyFrame.h"
#include "layers/GxNcValueKey.h"

#include <gtest/gtest.h>

namespace {

std::vector<GxNcVector4Key> Track(std::initializer_list<std::pair<s32, f32>> keys, u32 mode = 1, f32 p = 0) {
    std::vector<GxNcVector4Key> t;
    for (auto [time, x] : keys) {
        GxNcVector4Key k;
        k.m_Time = time;
        k.m_Value = GxVector4(x, -x, 0, 1);
        k.m_InterMode = mode;
        k.m_InterParam0 = p;
        t.push_back(k);
    }
    return t;
}

TEST(KeyFrame, SearchFindsTheLastKeyAtOrBefore) {
    struct Row {
        std::vector<s32> times;
        s32 t;
        size_t expected;
    } rows[] = {
        {{0, 10, 10, 20}, 10, 2}, {{10, 10, 20}, 10, 0}, {{0, 10, 20}, 10, 1}, {{0, 10, 20}, 15, 1},
        {{0, 10, 20}, -5, 0},     {{0, 10, 20}, 25, 2},  {{5}, 0, 0},          {{0, 4, 8, 12, 16, 20, 24}, 17, 4},
    };
    for (const Row& r : rows) {
        std::vector<GxNcFloatKey> keys;
        for (s32 time : r.times) keys.push_back(GxNcFloatKey{time});
        EXPECT_EQ(GxNcSearchKey(keys, r.t), r.expected) << "t " << r.t;
    }
}

TEST(KeyFrame, InterpolatedTracks) {
    const GxNcVector4Key def{};
    struct Row {
        const char* what;
        std::vector<GxNcVector4Key> track;
        s32 t, period;
        u32 loop;
        s32 lastTime;
        f32 expected;
    } rows[] = {
        {"before the first key without a loop: the default", Track({{10, 50}, {20, 100}}), 5, 100, 0, 0, 0},
        {"after the last key without a loop: the last", Track({{10, 50}, {20, 100}}), 30, 100, 0, 0, 100},
        {"linear between keys", Track({{10, 50}, {20, 100}}), 12, 100, 0, 0, 60},
        {"looping wraps 120 to 20", Track({{0, 0}, {50, 100}}), 120, 100, 1, 0, 40},
        {"from the last key towards key 0 one period on", Track({{0, 0}, {50, 100}}), 75, 100, 1, 0, 50},
        {"before key 0 from the last key one period back", Track({{10, 0}, {50, 100}}), 5, 100, 1, 0, 8.333333f},
        {"loop mode 2 over the layer's own time", Track({{0, 0}, {50, 100}}), 70, 100, 2, 40, 60},
        {"loop mode 2 without one: time 0", Track({{0, 10}, {50, 100}}), 70, 100, 2, 0, 10},
        {"period 0: the default", Track({{0, 10}}), 5, 0, 1, 0, 0},
        {"power curve p 0.25 at the middle", Track({{0, 0}, {10, 100}}, 2, 0.25f), 5, 100, 0, 0, 75},
        {"power curve p -0.25 at the middle", Track({{0, 0}, {10, 100}}, 2, -0.25f), 5, 100, 0, 0, 25},
        {"half-sine wobble", Track({{0, 0}, {10, 100}}, 3, 1), 5, 100, 0, 0, 81.83099f},
        {"full-sine wobble at a quarter", Track({{0, 0}, {20, 100}}, 4, -1), 5, 100, 0, 0, 9.08451f},
        {"mode 0 holds", Track({{0, 0}, {10, 100}}, 0), 5, 100, 0, 0, 0},
        {"unknown mode holds", Track({{0, 7}, {10, 100}}, 9), 5, 100, 0, 0, 7},
        {"keys of one time hold A", Track({{0, 0}, {10, 30}, {10, 100}}), 10, 100, 0, 0, 100},
        {"at a key exactly", Track({{0, 0}, {10, 30}, {20, 100}}), 10, 100, 0, 0, 30},
    };
    for (const Row& r : rows) {
        GxNcVector4Key out;
        GxNcEvalInterpolated(r.track, r.t, r.period, r.loop, r.lastTime, def, &out);
        EXPECT_NEAR(out.m_Value.x, r.expected, 1e-3f) << r.what;
        EXPECT_NEAR(out.m_Value.y, -r.expected, 1e-3f) << r.what << " (every component)";
    }
    GxNcVector4Key out;
    GxNcEvalInterpolated(Track({{10, 0}, {50, 100}}), 5, 100, 1, 0, def, &out);
    EXPECT_EQ(out.m_Time, -50) << "the result is a copy of A, whose time was lowered by the period";
}

TEST(KeyFrame, VertexKeysBlendAllFiveVectors) {
    GxNcVertexKey a, b;
    b.m_Time = 10;
    for (int i = 0; i < 5; ++i) b.m_Value[i] = GxVector4(f32(i), 10, 20, 30);
    GxNcVertexKey out;
    GxNcEvalInterpolated(std::vector<GxNcVertexKey>{a, b}, 5, 100, 0, 0, GxNcVertexKey{}, &out);
    for (int i = 0; i < 5; ++i) {
        EXPECT_FLOAT_EQ(out.m_Value[i].x, i * 0.5f);
        EXPECT_FLOAT_EQ(out.m_Value[i].w, 15);
    }
}

TEST(KeyFrame, StepTracks) {
    GxNcUIntKey def;
    def.m_Value = 99;
    std::vector<GxNcUIntKey> track(3);
    track[0].m_Time = 10, track[0].m_Value = 1;
    track[1].m_Time = 20, track[1].m_Value = 2;
    track[2].m_Time = 30, track[2].m_Value = 3;
    struct Row {
        s32 t;
        u32 loop;
        u32 expected;
    } rows[] = {{5, 0, 99}, {5, 1, 3}, {10, 0, 1}, {25, 0, 2}, {45, 0, 3}, {145, 1, 3}, {112, 1, 1}};
    for (const Row& r : rows) {
        GxNcUIntKey out;
        GxNcEvalStep(track, r.t, 100, r.loop, 0, def, &out);
        EXPECT_EQ(out.m_Value, r.expected) << "t " << r.t << " loop " << r.loop;
    }
}

TEST(KeyFrame, KeysFireOnlyAtTheirExactTime) {
    std::vector<GxNcEventKey> track(2);
    track[0].m_Time = 30, track[0].m_EventID = 1;
    track[1].m_Time = 40, track[1].m_EventID = 2;
    EXPECT_EQ(GxNcFindFiringKey(track, 30), &track[0]);
    EXPECT_EQ(GxNcFindFiringKey(track, 29), nullptr);
    EXPECT_EQ(GxNcFindFiringKey(track, 31), nullptr);
    EXPECT_EQ(GxNcFindFiringKey(track, 40), &track[1]);
    EXPECT_EQ(GxNcFindFiringKey(track, 140), nullptr) << "no loop for fired keys";
    EXPECT_EQ(GxNcFindFiringKey(std::vector<GxNcEventKey>{}, 0), nullptr);
}

} // namespace
