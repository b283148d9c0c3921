#include "graphics/GxRenderState.h"

#include "graphics/GxGraphics.h"
#include "graphics/GxLight.h"

#include <algorithm>

using prender::blend_factor;
using prender::blend_op;
using prender::render_state;
using prender::stage_state;
using prender::texture_arg;
using prender::texture_op;

namespace {

struct Cache {
    u32 renderValue[prender::render_state_count] = {};
    bool renderSet[prender::render_state_count] = {};
    u32 stageValue[prender::max_texture_stages][prender::stage_state_count] = {};
    bool stageSet[prender::max_texture_stages][prender::stage_state_count] = {};
    u32 blendMode[prender::max_texture_stages] = {};
    prender::viewport viewport;
};

Cache& C() {
    static Cache cache;
    return cache;
}

struct Preset {
    bool blend;
    texture_op op;
    bool setsAlphaArg1;
    blend_op bop;
    blend_factor src, dst;
};

// Modes 1 to 10, then the row for every other mode.
const Preset kPresets[kGxBlendModeCount + 1] = {
    {false, texture_op::modulate, true, blend_op::add, blend_factor::src_alpha, blend_factor::inv_src_alpha},
    {true, texture_op::modulate, true, blend_op::add, blend_factor::src_alpha, blend_factor::inv_src_alpha},
    {true, texture_op::modulate, true, blend_op::add, blend_factor::src_alpha, blend_factor::one},
    {true, texture_op::modulate2x, true, blend_op::add, blend_factor::src_alpha, blend_factor::one},
    {true, texture_op::modulate, true, blend_op::rev_subtract, blend_factor::src_alpha, blend_factor::one},
    {true, texture_op::modulate, true, blend_op::add, blend_factor::zero, blend_factor::src_color},
    {true, texture_op::modulate, true, blend_op::add, blend_factor::inv_dest_color, blend_factor::inv_src_color},
    {true, texture_op::modulate, true, blend_op::add, blend_factor::src_alpha, blend_factor::inv_src_alpha},
    {true, texture_op::modulate, true, blend_op::add, blend_factor::inv_dest_color, blend_factor::one},
    {true, texture_op::modulate, false, blend_op::subtract, blend_factor::one, blend_factor::one},
    {true, texture_op::modulate, false, blend_op::add, blend_factor::src_alpha, blend_factor::inv_src_alpha},
};

} // namespace

bool GxSetRenderState(render_state state, u32 value) {
    u32 i = u32(state);
    if (i >= prender::render_state_count) return false;
    Cache& c = C();
    if (c.renderSet[i] && c.renderValue[i] == value) return true;
    c.renderValue[i] = value;
    c.renderSet[i] = true;
    prender::device* dev = GxGraphics::GetDevice();
    return dev && prender::succeeded(dev->set_render_state(state, value));
}

bool GxSetTextureStageState(u32 stage, stage_state type, u32 value) {
    u32 t = u32(type);
    if (stage >= prender::max_texture_stages || t >= prender::stage_state_count) return false;
    Cache& c = C();
    if (c.stageSet[stage][t] && c.stageValue[stage][t] == value) return true;
    c.stageValue[stage][t] = value;
    c.stageSet[stage][t] = true;
    prender::device* dev = GxGraphics::GetDevice();
    return dev && prender::succeeded(dev->set_texture_stage_state(stage, type, value));
}

bool GxSetBlendMode(u32 stage, u32 mode) {
    if (stage >= prender::max_texture_stages) return false;
    Cache& c = C();
    if (mode != 0)
        c.blendMode[stage] = mode;
    else
        mode = c.blendMode[stage];
    const Preset& p = (mode >= 1 && mode <= kGxBlendModeCount) ? kPresets[mode - 1] : kPresets[kGxBlendModeCount];
    GxSetRenderState(render_state::alpha_blend_enable, p.blend ? 1 : 0);
    GxSetTextureStageState(stage, stage_state::color_arg1, u32(texture_arg::texture));
    GxSetTextureStageState(stage, stage_state::color_op, u32(p.op));
    if (p.setsAlphaArg1) GxSetTextureStageState(stage, stage_state::alpha_arg1, u32(texture_arg::texture));
    GxSetTextureStageState(stage, stage_state::alpha_op, u32(p.op));
    GxSetRenderState(render_state::blend_op, u32(p.bop));
    GxSetRenderState(render_state::src_blend, u32(p.src));
    return GxSetRenderState(render_state::dest_blend, u32(p.dst));
}

u32 GxGetBlendMode(u32 stage) { return stage < prender::max_texture_stages ? C().blendMode[stage] : 0; }

bool GxSetZEnable(bool enable) { return GxSetRenderState(render_state::z_enable, enable ? 1 : 0); }
bool GxSetZWriteEnable(bool enable) { return GxSetRenderState(render_state::z_write_enable, enable ? 1 : 0); }

bool GxSetAlphaTest(bool enable, u32 reference) {
    if (!enable) return GxSetRenderState(render_state::alpha_test_enable, 0);
    GxSetRenderState(render_state::alpha_test_enable, 1);
    GxSetRenderState(render_state::alpha_ref, reference);
    return GxSetRenderState(render_state::alpha_func, u32(prender::cmp_func::greater_equal));
}

bool GxSetMultiSampleAntialias(bool enable) {
    return GxSetRenderState(render_state::multisample_antialias, enable ? 1 : 0);
}
bool GxSetSpecularEnable(bool enable) { return GxSetRenderState(render_state::specular_enable, enable ? 1 : 0); }
bool GxSetCullMode(prender::cull mode) { return GxSetRenderState(render_state::cull_mode, u32(mode)); }
bool GxSetFillMode(prender::fill mode) { return GxSetRenderState(render_state::fill_mode, u32(mode)); }
bool GxSetLighting(bool enable) { return GxSetRenderState(render_state::lighting, enable ? 1 : 0); }

void GxSetTextureFilter(prender::filter filter) {
    prender::device* dev = GxGraphics::GetDevice();
    if (!dev) return;
    dev->set_sampler_state(0, prender::sampler_state::mag_filter, u32(filter));
    dev->set_sampler_state(0, prender::sampler_state::min_filter, u32(filter));
}

void GxSetViewport(const GxRect* rect) {
    const GxGraphicsConfig& cfg = GxGraphics::GetConfig();
    s64 left = 0, top = 0, right = cfg.m_ScreenWidth, bottom = cfg.m_ScreenHeight;
    if (rect) left = rect->left, top = rect->top, right = rect->right, bottom = rect->bottom;
    prender::device* dev = GxGraphics::GetDevice();
    if (dev) {
        // The device takes only viewports inside render target 0; keeping the
        // rectangle inside it keeps the device and the copy that culling
        // reads in agreement.
        if (auto target = dev->get_render_target(0)) {
            const prender::surface_desc& d = target->desc();
            left = std::clamp<s64>(left, 0, d.width);
            top = std::clamp<s64>(top, 0, d.height);
            right = std::clamp<s64>(right, left, d.width);
            bottom = std::clamp<s64>(bottom, top, d.height);
        }
    }
    left = std::max<s64>(left, 0);
    top = std::max<s64>(top, 0);
    prender::viewport vp;
    vp.x = u32(left);
    vp.y = u32(top);
    vp.width = u32(std::max<s64>(right - left, 0));
    vp.height = u32(std::max<s64>(bottom - top, 0));
    vp.min_z = 0.0f;
    vp.max_z = 1.0f;
    C().viewport = vp;
    if (dev) dev->set_viewport(vp);
}

prender::viewport GxGetViewport() { return C().viewport; }

namespace {
// The states that start-up sets and that every return to the defaults puts back.
void SetBaseStates() {
    GxSetZEnable(false);
    GxSetZWriteEnable(false);
    GxSetAlphaTest(false, 128);
    GxSetMultiSampleAntialias(true);
    GxSetSpecularEnable(true);
    GxSetCullMode(prender::cull::none);
    GxSetFillMode(prender::fill::solid);
    GxSetLighting(false);
}
} // namespace

void GxSetDefaultRenderStates() {
    SetBaseStates();
    if (prender::device* dev = GxGraphics::GetDevice())
        for (u32 s = 0; s < prender::max_texture_stages; ++s) dev->set_texture(s, nullptr);
}

void GxSetInitialRenderStates() {
    const prender::present_parameters& pp = GxGraphics::GetPresentParameters(GxGraphics::GetConfig().m_DisplayMode);
    GxRect whole{0, 0, s32(pp.back_buffer_width), s32(pp.back_buffer_height)};
    GxSetViewport(&whole);
    Cache& c = C();
    for (u32 s = 0; s < prender::max_texture_stages; ++s) {
        GxSetBlendMode(s, 0);
        GxSetTextureStageState(s, stage_state::alpha_op, u32(texture_op::modulate));
        GxSetTextureStageState(s, stage_state::alpha_arg1, u32(texture_arg::texture));
        GxSetTextureStageState(s, stage_state::alpha_arg2, u32(texture_arg::diffuse));
        c.blendMode[s] = 2;
    }
    GxSetTextureFilter(prender::filter::point);
    GxSetRenderState(render_state::alpha_blend_enable, 1);
    GxSetRenderState(render_state::blend_op, u32(blend_op::add));
    GxSetRenderState(render_state::separate_alpha_blend_enable, 1);
    GxSetRenderState(render_state::blend_op_alpha, u32(blend_op::max));
    GxSetRenderState(render_state::color_vertex, 1);
    GxSetRenderState(render_state::diffuse_material_source, u32(prender::material_source::color1));
    GxSetRenderState(render_state::specular_material_source, u32(prender::material_source::material));
    GxSetRenderState(render_state::ambient_material_source, u32(prender::material_source::material));
    GxSetRenderState(render_state::emissive_material_source, u32(prender::material_source::material));
    GxGraphics::ApplyVertexProcessing(0, 0);
    SetBaseStates();
    GxSetDefaultLights();
}

void GxClearRenderStateCache() { C() = Cache{}; }

void GxReapplyRenderStateCache() {
    prender::device* dev = GxGraphics::GetDevice();
    if (!dev) return;
    Cache& c = C();
    for (u32 i = 0; i < prender::render_state_count; ++i)
        if (c.renderSet[i]) dev->set_render_state(render_state(i), c.renderValue[i]);
    for (u32 s = 0; s < prender::max_texture_stages; ++s)
        for (u32 t = 0; t < prender::stage_state_count; ++t)
            if (c.stageSet[s][t]) dev->set_texture_stage_state(s, stage_state(t), c.stageValue[s][t]);
}
