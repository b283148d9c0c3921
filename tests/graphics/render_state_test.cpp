// The cached state setters and the blend presets as the device sees them.
#include "graphics_fixture.h"

using namespace gxtest;
using prender::blend_factor;
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

TEST_F(RenderStateTest, ModeZeroReappliesTheRememberedModeOrTheLastRowOnAFreshStage) {
    ASSERT_TRUE(Start());
    // A fresh stage remembers nothing: mode 0 applies the last row.
    GxClearRenderStateCache();
    GxSetBlendMode(0, 0);
    EXPECT_EQ(GxGetBlendMode(0), 0u);
    EXPECT_EQ(Rs(render_state::src_blend), u32(blend_factor::src_alpha));
    EXPECT_EQ(Rs(render_state::dest_blend), u32(blend_factor::inv_src_alpha));
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

    // Plain subtract keeps the alpha argument.
    GxSetTextureStageState(0, stage_state::alpha_arg1, u32(texture_arg::diffuse));
    GxSetBlendMode(0, 10);
    EXPECT_EQ(Ts(0, stage_state::alpha_arg1), u32(texture_arg::diffuse));
    GxSetBlendMode(0, 2);
    EXPECT_EQ(Ts(0, stage_state::alpha_arg1), u32(texture_arg::texture));

    // The texture filter is not restored by a reset.
    GxSetTextureFilter(prender::filter::linear);
    EXPECT_EQ(Dev().get_sampler_state(0, prender::sampler_state::mag_filter), u32(prender::filter::linear));
    ASSERT_TRUE(GxGraphics::ResetDevice(true, 0, 0, nullptr));
    EXPECT_EQ(Dev().get_sampler_state(0, prender::sampler_state::min_filter), u32(prender::filter::point));
}

TEST_F(RenderStateTest, ViewportFromRectangleOrScreenKeptInsideTheTarget) {
    GxGraphics::GetConfig().m_ScreenWidth = 320;
    GxGraphics::GetConfig().m_ScreenHeight = 200;
    ASSERT_TRUE(Start());
    const auto viewport = [this](const GxRect* r) {
        GxSetViewport(r);
        const prender::viewport vp = Dev().get_viewport();
        EXPECT_EQ(GxGetViewport().height, vp.height) << "the copy the culling reads agrees with the device";
        return std::vector<u32>{vp.x, vp.y, vp.width, vp.height};
    };
    EXPECT_EQ(viewport(nullptr), (std::vector<u32>{0, 0, 320, 200}));
    const GxRect r{10, 20, 110, 70}, outside{-20, 400, 900, 900};
    EXPECT_EQ(viewport(&r), (std::vector<u32>{10, 20, 100, 50}));
    EXPECT_EQ(viewport(&outside), (std::vector<u32>{0, 400, 640, 80}));
}

} // namespace
