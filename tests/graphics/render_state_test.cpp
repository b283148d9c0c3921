// The cached state setters and the blend presets as the device sees them.
#include "graphics_fixture.h"

using namespace gxtest;
using prender::blend_factor;
using prender::blend_op;
using prender::render_state;
using prender::stage_state;
using prender::texture_arg;
using prender::texture_op;

namespace {

class RenderStateTest : public GraphicsTest {
protected:
    u32 Rs(render_state s) { return Dev().get_render_state(s); }
    u32 Ts(u32 stage, stage_state s) { return Dev().get_texture_stage_state(stage, s); }
};

TEST_F(RenderStateTest, EachPresetSetsItsRow) {
    ASSERT_TRUE(Start());
    struct Row {
        u32 mode;
        bool blend;
        texture_op op;
        blend_op bop;
        blend_factor src, dst;
    };
    const Row rows[] = {
        {1, false, texture_op::modulate, blend_op::add, blend_factor::src_alpha, blend_factor::inv_src_alpha},
        {2, true, texture_op::modulate, blend_op::add, blend_factor::src_alpha, blend_factor::inv_src_alpha},
        {3, true, texture_op::modulate, blend_op::add, blend_factor::src_alpha, blend_factor::one},
        {4, true, texture_op::modulate2x, blend_op::add, blend_factor::src_alpha, blend_factor::one},
        {5, true, texture_op::modulate, blend_op::rev_subtract, blend_factor::src_alpha, blend_factor::one},
        {6, true, texture_op::modulate, blend_op::add, blend_factor::zero, blend_factor::src_color},
        {7, true, texture_op::modulate, blend_op::add, blend_factor::inv_dest_color, blend_factor::inv_src_color},
        {8, true, texture_op::modulate, blend_op::add, blend_factor::src_alpha, blend_factor::inv_src_alpha},
        {9, true, texture_op::modulate, blend_op::add, blend_factor::inv_dest_color, blend_factor::one},
        {10, true, texture_op::modulate, blend_op::subtract, blend_factor::one, blend_factor::one},
        {11, true, texture_op::modulate, blend_op::add, blend_factor::src_alpha, blend_factor::inv_src_alpha},
        {0xFFFFFFFF, true, texture_op::modulate, blend_op::add, blend_factor::src_alpha, blend_factor::inv_src_alpha},
    };
    for (const Row& r : rows) {
        // Start from a preset that differs in every state.
        GxSetBlendMode(0, 4);
        GxSetBlendMode(0, 6);
        EXPECT_TRUE(GxSetBlendMode(0, r.mode)) << r.mode;
        EXPECT_EQ(Rs(render_state::alpha_blend_enable), r.blend ? 1u : 0u) << r.mode;
        EXPECT_EQ(Ts(0, stage_state::color_arg1), u32(texture_arg::texture)) << r.mode;
        EXPECT_EQ(Ts(0, stage_state::color_op), u32(r.op)) << r.mode;
        EXPECT_EQ(Ts(0, stage_state::alpha_op), u32(r.op)) << r.mode;
        EXPECT_EQ(Rs(render_state::blend_op), u32(r.bop)) << r.mode;
        EXPECT_EQ(Rs(render_state::src_blend), u32(r.src)) << r.mode;
        EXPECT_EQ(Rs(render_state::dest_blend), u32(r.dst)) << r.mode;
        EXPECT_EQ(GxGetBlendMode(0), r.mode) << "a non-zero mode is remembered";
        EXPECT_EQ(Ts(0, stage_state::color_arg2), u32(texture_arg::current)) << "second arguments untouched";
        EXPECT_EQ(Ts(0, stage_state::alpha_arg2), u32(texture_arg::diffuse)) << "second arguments untouched";
    }
}

TEST_F(RenderStateTest, ModeZeroReappliesTheRememberedMode) {
    ASSERT_TRUE(Start());
    GxSetBlendMode(0, 3);
    // Changed since, so that the re-application shows.
    GxSetRenderState(render_state::dest_blend, u32(blend_factor::zero));
    GxSetBlendMode(0, 0);
    EXPECT_EQ(GxGetBlendMode(0), 3u);
    EXPECT_EQ(Rs(render_state::dest_blend), u32(blend_factor::one));
    EXPECT_EQ(Rs(render_state::alpha_blend_enable), 1u);
    // Stages remember their own modes.
    GxSetBlendMode(1, 5);
    EXPECT_EQ(GxGetBlendMode(0), 3u);
    EXPECT_EQ(GxGetBlendMode(1), 5u);
    // 11 is remembered, applies alpha blending, and so does a later 0.
    GxSetBlendMode(0, 11);
    GxSetBlendMode(0, 6);
    GxSetBlendMode(0, 11);
    GxSetBlendMode(0, 0);
    EXPECT_EQ(GxGetBlendMode(0), 11u);
    EXPECT_EQ(Rs(render_state::dest_blend), u32(blend_factor::inv_src_alpha));
}

TEST_F(RenderStateTest, FreshStageWithModeZeroAppliesTheLastRowAndRemembersNothing) {
    ASSERT_TRUE(Start());
    GxClearRenderStateCache();
    EXPECT_EQ(GxGetBlendMode(0), 0u);
    GxSetBlendMode(0, 0);
    EXPECT_EQ(GxGetBlendMode(0), 0u);
    EXPECT_EQ(Rs(render_state::src_blend), u32(blend_factor::src_alpha));
    EXPECT_EQ(Rs(render_state::dest_blend), u32(blend_factor::inv_src_alpha));
}

TEST_F(RenderStateTest, PlainSubtractKeepsTheAlphaArgument) {
    ASSERT_TRUE(Start());
    GxSetTextureStageState(0, stage_state::alpha_arg1, u32(texture_arg::diffuse));
    GxSetBlendMode(0, 10);
    EXPECT_EQ(Ts(0, stage_state::alpha_arg1), u32(texture_arg::diffuse));
    GxSetBlendMode(0, 2);
    EXPECT_EQ(Ts(0, stage_state::alpha_arg1), u32(texture_arg::texture));
}

TEST_F(RenderStateTest, CachedSettersSkipRepeatsAndNamedSettersSetTheirState) {
    ASSERT_TRUE(Start());
    EXPECT_TRUE(GxSetRenderState(render_state::dither_enable, 1));
    Dev().set_render_state(render_state::dither_enable, 0);
    EXPECT_TRUE(GxSetRenderState(render_state::dither_enable, 1));
    EXPECT_EQ(Rs(render_state::dither_enable), 0u) << "the same value again makes no device call";
    EXPECT_TRUE(GxSetRenderState(render_state::dither_enable, 2));
    EXPECT_EQ(Rs(render_state::dither_enable), 2u);
    EXPECT_FALSE(GxSetRenderState(render_state::count, 1));
    EXPECT_FALSE(GxSetTextureStageState(8, stage_state::color_op, 1));

    GxSetAlphaTest(true, 77);
    EXPECT_EQ(Rs(render_state::alpha_test_enable), 1u);
    EXPECT_EQ(Rs(render_state::alpha_ref), 77u);
    EXPECT_EQ(Rs(render_state::alpha_func), u32(prender::cmp_func::greater_equal));
    GxSetAlphaTest(false, 5);
    EXPECT_EQ(Rs(render_state::alpha_test_enable), 0u);
    EXPECT_EQ(Rs(render_state::alpha_ref), 77u) << "disabling touches nothing else";
    GxSetZEnable(true);
    GxSetCullMode(prender::cull::cw);
    GxSetLighting(true);
    GxSetSpecularEnable(false);
    GxSetDefaultRenderStates();
    EXPECT_EQ(Rs(render_state::z_enable), 0u);
    EXPECT_EQ(Rs(render_state::cull_mode), u32(prender::cull::none));
    EXPECT_EQ(Rs(render_state::lighting), 0u);
    EXPECT_EQ(Rs(render_state::specular_enable), 1u);
    EXPECT_EQ(Dev().get_texture(0), nullptr);
}

TEST_F(RenderStateTest, TextureFilterIsNotRestoredByAReset) {
    ASSERT_TRUE(Start());
    GxSetTextureFilter(prender::filter::linear);
    EXPECT_EQ(Dev().get_sampler_state(0, prender::sampler_state::mag_filter), u32(prender::filter::linear));
    ASSERT_TRUE(GxGraphics::ResetDevice(true, 0, 0, nullptr));
    EXPECT_EQ(Dev().get_sampler_state(0, prender::sampler_state::min_filter), u32(prender::filter::point));
}

TEST_F(RenderStateTest, ViewportFromRectangleOrScreenKeptInsideTheTarget) {
    GxGraphics::GetConfig().m_ScreenWidth = 320;
    GxGraphics::GetConfig().m_ScreenHeight = 200;
    ASSERT_TRUE(Start());
    GxSetViewport(nullptr);
    EXPECT_EQ(GxGetViewport().width, 320u);
    EXPECT_EQ(GxGetViewport().height, 200u);
    GxRect r{10, 20, 110, 70};
    GxSetViewport(&r);
    prender::viewport vp = Dev().get_viewport();
    EXPECT_EQ(vp.x, 10u);
    EXPECT_EQ(vp.y, 20u);
    EXPECT_EQ(vp.width, 100u);
    EXPECT_EQ(vp.height, 50u);
    GxRect outside{-20, 400, 900, 900};
    GxSetViewport(&outside);
    vp = Dev().get_viewport();
    EXPECT_EQ(vp.x, 0u);
    EXPECT_EQ(vp.width, 640u);
    EXPECT_EQ(vp.y, 400u);
    EXPECT_EQ(vp.height, 80u);
    EXPECT_EQ(GxGetViewport().height, vp.height) << "the copy the culling reads agrees with the device";
}

} // namespace
