#include "platform/render/device.h"

#include "platform/render/core.h"
#include "platform/render/format.h"
#include "platform/render/present_target.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <thread>

namespace prender {

namespace {

constexpr uint32_t max_surface_side = 16384;

unsigned default_threads() {
    unsigned hw = std::thread::hardware_concurrency();
    return std::max(1u, std::min(hw == 0 ? 1u : hw, 4u));
}

uint32_t level_count_for(uint32_t w, uint32_t h) {
    uint32_t n = 1, m = std::max(w, h);
    while (m > 1) {
        m >>= 1;
        ++n;
    }
    return n;
}

bool valid_rect(const rect& r, uint32_t w, uint32_t h) {
    return r.left >= 0 && r.top >= 0 && r.left < r.right && r.top < r.bottom && r.right <= int32_t(w) &&
           r.bottom <= int32_t(h);
}

result make_surface(const surface_desc& d, bool lockable, const std::shared_ptr<detail::device_core>& core,
                    std::shared_ptr<detail::pool_token> token, std::shared_ptr<surface>& out) {
    out.reset();
    if (d.width == 0 || d.height == 0 || d.width > max_surface_side || d.height > max_surface_side)
        return result::invalid_call;
    if (!is_supported_format(d.fmt)) return result::invalid_call;
    surface::init in;
    in.desc = d;
    in.lockable = lockable;
    in.core = core;
    in.token = std::move(token);
    try {
        out = std::make_shared<surface>(in);
    } catch (const std::bad_alloc&) {
        return result::out_of_video_memory;
    }
    return result::ok;
}

// A surface of one format, use and size; callers set any other field.
surface_desc sized_desc(format fmt, uint32_t usage, uint32_t width, uint32_t height, uint32_t ms_type = 0,
                        uint32_t ms_quality = 0) {
    return surface_desc{.fmt = fmt,
                        .usage = usage,
                        .multisample_type = ms_type,
                        .multisample_quality = ms_quality,
                        .width = width,
                        .height = height};
}

uint32_t depth_clear_value(format f, float z, uint32_t stencil) {
    double zc = std::clamp(double(z), 0.0, 1.0);
    switch (f) {
    case format::d16: case format::d16_lockable: return uint32_t(std::lround(zc * 65535.0));
    case format::d15s1: return uint32_t(std::lround(zc * 32767.0)) << 1 | (stencil & 1);
    case format::d32: return uint32_t(std::llround(zc * 4294967295.0));
    default: return uint32_t(std::lround(zc * 16777215.0)) << 8 | (stencil & 255);
    }
}

} // namespace

void complete_present_parameters(present_parameters& p, const display_mode& desktop) {
    if (p.back_buffer_width == 0 || p.back_buffer_height == 0) {
        int w = 0, h = 0;
        if (!p.window || !p.window->client_size(w, h)) {
            w = 640;
            h = 480;
        }
        if (p.back_buffer_width == 0) p.back_buffer_width = uint32_t(w);
        if (p.back_buffer_height == 0) p.back_buffer_height = uint32_t(h);
    }
    if (p.back_buffer_format == format::unknown) p.back_buffer_format = desktop.fmt;
    if (p.back_buffer_count == 0) p.back_buffer_count = 1;
}

device::device(const adapter& from, device_type type, uint32_t behaviour, const present_parameters& params)
    : adapter_(from), type_(type), behaviour_(behaviour) {
    if (from.caps(type, caps_) != result::ok) caps_ = device_caps{};
    caps_.num_simultaneous_rts = std::clamp(caps_.num_simultaneous_rts, 1u, 8u);
    targets_.resize(caps_.num_simultaneous_rts);
    software_vp_ = (behaviour & create_software_vertex_processing) != 0;
    core_ = std::make_shared<detail::device_core>();
    core_->pool = std::make_unique<detail::worker_pool>(default_threads());
    present_parameters pp = params;
    if (build_implicit_chain(pp) != result::ok) throw std::bad_alloc();
    reset_states();
}

device::~device() {
    flush();
    core_->pool.reset();
}

void device::reset_states() {
    using rs = render_state;
    auto set = [this](rs s, uint32_t v) { rs_[uint32_t(s)] = v; };
    set(rs::z_enable, implicit_ && implicit_->params().enable_auto_depth_stencil ? 1 : 0);
    set(rs::z_write_enable, 1);
    set(rs::alpha_test_enable, 0);
    set(rs::alpha_ref, 0);
    set(rs::alpha_func, uint32_t(cmp_func::always));
    set(rs::alpha_blend_enable, 0);
    set(rs::src_blend, uint32_t(blend_factor::one));
    set(rs::dest_blend, uint32_t(blend_factor::zero));
    set(rs::blend_op, uint32_t(blend_op::add));
    set(rs::separate_alpha_blend_enable, 0);
    set(rs::src_blend_alpha, uint32_t(blend_factor::one));
    set(rs::dest_blend_alpha, uint32_t(blend_factor::zero));
    set(rs::blend_op_alpha, uint32_t(blend_op::add));
    set(rs::cull_mode, uint32_t(cull::ccw));
    set(rs::fill_mode, uint32_t(fill::solid));
    set(rs::shade_mode, uint32_t(shade::gouraud));
    set(rs::specular_enable, 0);
    set(rs::lighting, 1);
    set(rs::multisample_antialias, 1);
    set(rs::color_vertex, 1);
    set(rs::diffuse_material_source, uint32_t(material_source::color1));
    set(rs::specular_material_source, uint32_t(material_source::color2));
    set(rs::ambient_material_source, uint32_t(material_source::material));
    set(rs::emissive_material_source, uint32_t(material_source::material));
    set(rs::dither_enable, 0);
    for (uint32_t s = 0; s < max_texture_stages; ++s) {
        uint32_t* t = tss_[s];
        t[uint32_t(stage_state::color_op)] = uint32_t(s == 0 ? texture_op::modulate : texture_op::disable);
        t[uint32_t(stage_state::color_arg1)] = uint32_t(texture_arg::texture);
        t[uint32_t(stage_state::color_arg2)] = uint32_t(texture_arg::current);
        t[uint32_t(stage_state::alpha_op)] = uint32_t(s == 0 ? texture_op::select_arg1 : texture_op::disable);
        t[uint32_t(stage_state::alpha_arg1)] = uint32_t(texture_arg::texture);
        t[uint32_t(stage_state::alpha_arg2)] = uint32_t(texture_arg::current);
        uint32_t* m = ss_[s];
        m[uint32_t(sampler_state::address_u)] = uint32_t(address::wrap);
        m[uint32_t(sampler_state::address_v)] = uint32_t(address::wrap);
        m[uint32_t(sampler_state::mag_filter)] = uint32_t(filter::point);
        m[uint32_t(sampler_state::min_filter)] = uint32_t(filter::point);
        m[uint32_t(sampler_state::mip_filter)] = uint32_t(filter::none);
        textures_[s].reset();
    }
    for (auto& t : targets_) t.reset();
    targets_[0] = implicit_->back_buffer(0);
    depth_.reset();
    if (implicit_->params().enable_auto_depth_stencil) {
        std::shared_ptr<surface> ds;
        const present_parameters& p = implicit_->params();
        const surface_desc d =
            sized_desc(p.auto_depth_stencil_format, usage_depth_stencil, p.back_buffer_width, p.back_buffer_height);
        if (make_surface(d, false, core_, nullptr, ds) == result::ok) depth_ = ds;
    }
    const surface_desc& bb = targets_[0]->desc();
    viewport_ = viewport{0, 0, bb.width, bb.height, 0.0f, 1.0f};
}

result device::build_implicit_chain(present_parameters& params) {
    display_mode desktop;
    adapter_.desktop_mode(desktop);
    if (params.windowed) complete_present_parameters(params, desktop);
    if (!is_color_format(params.back_buffer_format) || params.back_buffer_width == 0 || params.back_buffer_height == 0)
        return result::invalid_call;
    const surface_desc d = sized_desc(params.back_buffer_format, usage_render_target, params.back_buffer_width,
                                      params.back_buffer_height, params.multisample_type, params.multisample_quality);
    std::shared_ptr<surface> bb;
    result r = make_surface(d, (params.flags & present_flag_lockable_back_buffer) != 0, core_, nullptr, bb);
    if (r != result::ok) return r;
    implicit_ = std::make_shared<swap_chain>(core_, params, bb, nullptr);
    return result::ok;
}

result device::test_cooperative_level() const {
    std::lock_guard<std::recursive_mutex> g(core_->mu);
    switch (core_->state) {
    case detail::loss::lost: return result::device_lost;
    case detail::loss::not_reset: return result::device_not_reset;
    default: return result::ok;
    }
}

result device::reset(present_parameters& params) {
    std::lock_guard<std::recursive_mutex> g(core_->mu);
    if (core_->state == detail::loss::lost) return result::device_lost;
    core_->flush();
    for (auto& t : textures_) t.reset();
    for (auto& t : targets_) t.reset();
    depth_.reset();
    // A refused reset leaves the device waiting for another, drawing to the old chain.
    auto refuse = [this](result r) {
        core_->state = detail::loss::not_reset;
        targets_[0] = implicit_->back_buffer(0);
        return r;
    };
    // What is still held would be lost with the device's memory.
    if (core_->live_default.load() > 0) return refuse(result::invalid_call);
    if (!params.windowed) {
        bool found = false;
        for (const display_mode& m : adapter_.script().modes)
            found |= m.width == params.back_buffer_width && m.height == params.back_buffer_height &&
                     m.fmt == params.back_buffer_format;
        if (!found) return refuse(result::invalid_call);
    }
    std::shared_ptr<swap_chain> old = implicit_;
    result r = build_implicit_chain(params);
    if (r != result::ok) {
        implicit_ = old;
        return refuse(r);
    }
    core_->in_scene = false;
    core_->injected_present = result::ok;
    core_->state = detail::loss::none;
    core_->forget_frames();
    reset_states();
    return result::ok;
}

result device::create_texture(uint32_t width, uint32_t height, uint32_t levels, uint32_t usage, format fmt, pool where,
                              std::shared_ptr<texture>& out) {
    out.reset();
    if (width == 0 || height == 0 || width > caps_.max_texture_width || height > caps_.max_texture_height)
        return result::invalid_call;
    if (!is_color_format(fmt)) return result::invalid_call;
    if ((usage & usage_depth_stencil) || ((usage & usage_render_target) && where != pool::default_pool) ||
        ((usage & usage_dynamic) && where == pool::managed))
        return result::invalid_call;
    uint32_t full = level_count_for(width, height);
    if (levels == 0 || levels > full) levels = full;
    if (usage & usage_render_target) levels = 1;
    std::shared_ptr<detail::pool_token> token;
    if (where == pool::default_pool) token = std::make_shared<detail::pool_token>(core_);
    // Default-pool textures are written through transfers, unless dynamic.
    bool lockable = where != pool::default_pool || (usage & usage_dynamic);
    std::vector<std::shared_ptr<surface>> surfaces;
    for (uint32_t i = 0; i < levels; ++i) {
        surface_desc d = sized_desc(fmt, usage, std::max(1u, width >> i), std::max(1u, height >> i));
        d.type = resource_type::texture;
        d.where = where;
        std::shared_ptr<surface> s;
        result r = make_surface(d, lockable, core_, token, s);
        if (r != result::ok) return r;
        surfaces.push_back(std::move(s));
    }
    out = std::make_shared<texture>(std::move(surfaces), usage, where);
    return result::ok;
}

result device::create_offscreen_plain_surface(uint32_t width, uint32_t height, format fmt, pool where,
                                              std::shared_ptr<surface>& out) {
    out.reset();
    if (where == pool::managed || !is_color_format(fmt)) return result::invalid_call;
    surface_desc d = sized_desc(fmt, 0, width, height);
    d.where = where;
    std::shared_ptr<detail::pool_token> token;
    if (where == pool::default_pool) token = std::make_shared<detail::pool_token>(core_);
    return make_surface(d, true, core_, token, out);
}

result device::create_render_target(uint32_t width, uint32_t height, format fmt, uint32_t ms_type, uint32_t ms_quality,
                                    bool lockable, std::shared_ptr<surface>& out) {
    out.reset();
    if (!is_color_format(fmt)) return result::invalid_call;
    const surface_desc d = sized_desc(fmt, usage_render_target, width, height, ms_type, ms_quality);
    return make_surface(d, lockable, core_, std::make_shared<detail::pool_token>(core_), out);
}

result device::create_depth_stencil_surface(uint32_t width, uint32_t height, format fmt, uint32_t ms_type,
                                            uint32_t ms_quality, bool /*discard*/, std::shared_ptr<surface>& out) {
    out.reset();
    if (!is_depth_format(fmt)) return result::invalid_call;
    const surface_desc d = sized_desc(fmt, usage_depth_stencil, width, height, ms_type, ms_quality);
    return make_surface(d, fmt == format::d16_lockable, core_, std::make_shared<detail::pool_token>(core_), out);
}

result device::create_additional_swap_chain(present_parameters& params, std::shared_ptr<swap_chain>& out) {
    out.reset();
    display_mode desktop;
    adapter_.desktop_mode(desktop);
    complete_present_parameters(params, desktop);
    if (!params.windowed || !is_color_format(params.back_buffer_format)) return result::invalid_call;
    auto token = std::make_shared<detail::pool_token>(core_);
    const surface_desc d =
        sized_desc(params.back_buffer_format, usage_render_target, params.back_buffer_width, params.back_buffer_height);
    std::shared_ptr<surface> bb;
    result r = make_surface(d, (params.flags & present_flag_lockable_back_buffer) != 0, core_, token, bb);
    if (r != result::ok) return r;
    out = std::make_shared<swap_chain>(core_, params, bb, token);
    return result::ok;
}

std::shared_ptr<swap_chain> device::get_swap_chain(uint32_t index) const { return index == 0 ? implicit_ : nullptr; }

result device::set_render_target(uint32_t index, std::shared_ptr<surface> target) {
    std::lock_guard<std::recursive_mutex> g(core_->mu);
    if (index >= caps_.num_simultaneous_rts) return result::invalid_call;
    if (!target) {
        if (index == 0) return result::invalid_call;
        targets_[index].reset();
        return result::ok;
    }
    if (!(target->desc().usage & usage_render_target) || !is_color_format(target->desc().fmt))
        return result::invalid_call;
    targets_[index] = std::move(target);
    if (index == 0) {
        const surface_desc& d = targets_[0]->desc();
        viewport_ = viewport{0, 0, d.width, d.height, 0.0f, 1.0f};
    }
    return result::ok;
}

std::shared_ptr<surface> device::get_render_target(uint32_t index) const {
    return index < caps_.num_simultaneous_rts ? targets_[index] : nullptr;
}

result device::set_depth_stencil_surface(std::shared_ptr<surface> ds) {
    std::lock_guard<std::recursive_mutex> g(core_->mu);
    if (ds && !(ds->desc().usage & usage_depth_stencil)) return result::invalid_call;
    depth_ = std::move(ds);
    return result::ok;
}

result device::set_viewport(const viewport& vp) {
    std::lock_guard<std::recursive_mutex> g(core_->mu);
    const surface_desc& d = targets_[0]->desc();
    if (uint64_t(vp.x) + vp.width > d.width || uint64_t(vp.y) + vp.height > d.height) return result::invalid_call;
    viewport_ = vp;
    return result::ok;
}

result device::begin_scene() {
    std::lock_guard<std::recursive_mutex> g(core_->mu);
    if (core_->in_scene) return result::invalid_call;
    core_->in_scene = true;
    return result::ok;
}

result device::end_scene() {
    std::lock_guard<std::recursive_mutex> g(core_->mu);
    if (!core_->in_scene) return result::invalid_call;
    core_->in_scene = false;
    return result::ok;
}

bool device::in_scene() const {
    std::lock_guard<std::recursive_mutex> g(core_->mu);
    return core_->in_scene;
}

result device::clear(uint32_t count, const rect* rects, uint32_t flags, uint32_t argb, float z, uint32_t stencil) {
    std::lock_guard<std::recursive_mutex> g(core_->mu);
    if ((count > 0 && !rects) || (flags & ~(clear_target | clear_zbuffer | clear_stencil)) || flags == 0)
        return result::invalid_call;
    bool wants_depth = (flags & (clear_zbuffer | clear_stencil)) != 0;
    if (wants_depth) {
        if (!depth_) return result::invalid_call;
        const surface_desc& t = targets_[0]->desc();
        if (depth_->desc().width < t.width || depth_->desc().height < t.height) return result::invalid_call;
    }
    if (core_->state != detail::loss::none) return result::ok;
    detail::command c;
    c.is_clear = true;
    c.flags = flags;
    c.target = targets_[0];
    c.depth = wants_depth ? depth_ : nullptr;
    c.color = argb;
    if (wants_depth) c.depth_value = depth_clear_value(depth_->desc().fmt, z, stencil);
    detail::clip_rect vp{int32_t(viewport_.x), int32_t(viewport_.y), int32_t(viewport_.x + viewport_.width),
                         int32_t(viewport_.y + viewport_.height)};
    auto add = [&](detail::clip_rect a) {
        a.x0 = std::max(a.x0, vp.x0);
        a.y0 = std::max(a.y0, vp.y0);
        a.x1 = std::min(a.x1, vp.x1);
        a.y1 = std::min(a.y1, vp.y1);
        if (a.x0 < a.x1 && a.y0 < a.y1) {
            c.areas.push_back(a);
            c.work += uint64_t(a.x1 - a.x0) * uint64_t(a.y1 - a.y0);
        }
    };
    if (count == 0) {
        add(vp);
    } else {
        for (uint32_t i = 0; i < count; ++i) add(detail::clip_rect{rects[i].left, rects[i].top, rects[i].right, rects[i].bottom});
    }
    if (!c.areas.empty()) core_->enqueue(std::move(c));
    return result::ok;
}

result device::set_render_state(render_state state, uint32_t value) {
    if (uint32_t(state) >= render_state_count) return result::invalid_call;
    std::lock_guard<std::recursive_mutex> g(core_->mu);
    rs_[uint32_t(state)] = value;
    return result::ok;
}

uint32_t device::get_render_state(render_state state) const {
    return uint32_t(state) < render_state_count ? rs_[uint32_t(state)] : 0;
}

result device::set_texture_stage_state(uint32_t stage, stage_state state, uint32_t value) {
    if (stage >= max_texture_stages || uint32_t(state) >= stage_state_count) return result::invalid_call;
    std::lock_guard<std::recursive_mutex> g(core_->mu);
    tss_[stage][uint32_t(state)] = value;
    return result::ok;
}

uint32_t device::get_texture_stage_state(uint32_t stage, stage_state state) const {
    return stage < max_texture_stages && uint32_t(state) < stage_state_count ? tss_[stage][uint32_t(state)] : 0;
}

result device::set_sampler_state(uint32_t sampler, sampler_state state, uint32_t value) {
    if (sampler >= max_texture_stages || uint32_t(state) >= sampler_state_count) return result::invalid_call;
    std::lock_guard<std::recursive_mutex> g(core_->mu);
    ss_[sampler][uint32_t(state)] = value;
    return result::ok;
}

uint32_t device::get_sampler_state(uint32_t sampler, sampler_state state) const {
    return sampler < max_texture_stages && uint32_t(state) < sampler_state_count ? ss_[sampler][uint32_t(state)] : 0;
}

result device::set_texture(uint32_t stage, std::shared_ptr<texture> tex) {
    if (stage >= max_texture_stages) return result::invalid_call;
    std::lock_guard<std::recursive_mutex> g(core_->mu);
    textures_[stage] = std::move(tex);
    return result::ok;
}

std::shared_ptr<texture> device::get_texture(uint32_t stage) const {
    return stage < max_texture_stages ? textures_[stage] : nullptr;
}

result device::draw_primitive_up(primitive_type type, uint32_t count, const screen_vertex* vertices) {
    std::lock_guard<std::recursive_mutex> g(core_->mu);
    if (!core_->in_scene || !vertices) return result::invalid_call;
    if (type != primitive_type::triangle_list && type != primitive_type::triangle_fan &&
        type != primitive_type::triangle_strip)
        return result::invalid_call;
    if (count == 0) return result::ok;
    if (count > 1000000) return result::invalid_call;
    const surface_desc& t = targets_[0]->desc();
    if (depth_ && (depth_->desc().width < t.width || depth_->desc().height < t.height)) return result::invalid_call;
    if (core_->state != detail::loss::none) return result::ok;

    detail::command c;
    c.target = targets_[0];
    auto& pl = c.pl;
    const uint32_t* s0 = tss_[0];
    texture_op cop = texture_op(s0[uint32_t(stage_state::color_op)]);
    if (textures_[0] && cop != texture_op::disable) {
        c.tex = textures_[0]->surface_level(0);
        pl.textured = true;
    }
    pl.color_op = cop;
    pl.color_arg1 = texture_arg(s0[uint32_t(stage_state::color_arg1)]);
    pl.color_arg2 = texture_arg(s0[uint32_t(stage_state::color_arg2)]);
    pl.alpha_op = texture_op(s0[uint32_t(stage_state::alpha_op)]);
    pl.alpha_arg1 = texture_arg(s0[uint32_t(stage_state::alpha_arg1)]);
    pl.alpha_arg2 = texture_arg(s0[uint32_t(stage_state::alpha_arg2)]);
    auto r = [this](render_state s) { return rs_[uint32_t(s)]; };
    pl.specular = r(render_state::specular_enable) != 0;
    pl.alpha_test = r(render_state::alpha_test_enable) != 0;
    pl.alpha_func = cmp_func(r(render_state::alpha_func));
    pl.alpha_ref = r(render_state::alpha_ref);
    pl.blend = r(render_state::alpha_blend_enable) != 0;
    pl.src = blend_factor(r(render_state::src_blend));
    pl.dst = blend_factor(r(render_state::dest_blend));
    pl.op = blend_op(r(render_state::blend_op));
    pl.separate_alpha = r(render_state::separate_alpha_blend_enable) != 0;
    pl.src_alpha = blend_factor(r(render_state::src_blend_alpha));
    pl.dst_alpha = blend_factor(r(render_state::dest_blend_alpha));
    pl.op_alpha = blend_op(r(render_state::blend_op_alpha));
    pl.flat = r(render_state::shade_mode) == uint32_t(shade::flat);
    pl.mag = filter(ss_[0][uint32_t(sampler_state::mag_filter)]);
    pl.min = filter(ss_[0][uint32_t(sampler_state::min_filter)]);
    pl.address_u = address(ss_[0][uint32_t(sampler_state::address_u)]);
    pl.address_v = address(ss_[0][uint32_t(sampler_state::address_v)]);
    pl.fused = fast_paths_;

    detail::pixel_view texv;
    if (c.tex) texv = detail::view_of(*c.tex);
    c.clip = detail::clip_rect{int32_t(viewport_.x), int32_t(viewport_.y),
                               int32_t(std::min<uint64_t>(uint64_t(viewport_.x) + viewport_.width, t.width)),
                               int32_t(std::min<uint64_t>(uint64_t(viewport_.y) + viewport_.height, t.height))};
    if (c.clip.x0 >= c.clip.x1 || c.clip.y0 >= c.clip.y1) return result::ok;
    c.type = type;
    c.cull_mode = cull(r(render_state::cull_mode));
    c.allow_fast = fast_paths_;
    detail::setup_primitives(type, count, vertices, pl, c.tex ? &texv : nullptr, c.cull_mode, fast_paths_, c.prims);
    if (c.prims.empty()) return result::ok;
    const size_t used = type == primitive_type::triangle_list ? size_t(count) * 3 : size_t(count) + 2;
    c.vertices.assign(vertices, vertices + used);
    for (const auto& p : c.prims) {
        int64_t rows = p.is_rect ? int64_t(p.rc.y1) - p.rc.y0 : int64_t(p.tri.row_last) - p.tri.row_first + 1;
        int64_t cols = p.is_rect ? int64_t(p.rc.x1) - p.rc.x0 : int64_t(c.clip.x1) - c.clip.x0;
        rows = std::clamp<int64_t>(rows, 0, c.clip.y1 - c.clip.y0);
        cols = std::clamp<int64_t>(cols, 0, c.clip.x1 - c.clip.x0);
        c.work += uint64_t(rows * cols);
    }
    core_->enqueue(std::move(c));
    return result::ok;
}

result device::stretch_rect(surface& src, const rect* src_rect, surface& dst, const rect* dst_rect, filter f) {
    const surface_desc& sd = src.desc();
    const surface_desc& dd = dst.desc();
    if (!is_color_format(sd.fmt) || !is_color_format(dd.fmt)) return result::invalid_call;
    rect sr = src_rect ? *src_rect : rect{0, 0, int32_t(sd.width), int32_t(sd.height)};
    rect dr = dst_rect ? *dst_rect : rect{0, 0, int32_t(dd.width), int32_t(dd.height)};
    if (!valid_rect(sr, sd.width, sd.height) || !valid_rect(dr, dd.width, dd.height)) return result::invalid_call;
    if (&src == &dst && sr.left < dr.right && dr.left < sr.right && sr.top < dr.bottom && dr.top < sr.bottom)
        return result::invalid_call;
    std::lock_guard<std::recursive_mutex> g(core_->mu);
    core_->flush();
    if (src.locked() || dst.locked()) return result::invalid_call;
    int sw = sr.width(), sh = sr.height(), dw = dr.width(), dh = dr.height();
    std::vector<uint32_t> row(static_cast<size_t>(sw)), out(static_cast<size_t>(dw));
    std::vector<uint32_t> row2(static_cast<size_t>(sw));
    uint32_t sbpp = bytes_per_pixel(sd.fmt), dbpp = bytes_per_pixel(dd.fmt);
    auto src_row = [&](int y, std::vector<uint32_t>& buf) {
        row_to_argb(sd.fmt, src.bits() + ptrdiff_t(sr.top + y) * src.pitch() + ptrdiff_t(sr.left) * sbpp, buf.data(),
                    size_t(sw));
    };
    bool linear = f >= filter::linear && (sw != dw || sh != dh);
    for (int y = 0; y < dh; ++y) {
        if (!linear) {
            int sy = int((int64_t(y) * 2 + 1) * sh / (int64_t(dh) * 2));
            src_row(sy, row);
            for (int x = 0; x < dw; ++x) out[size_t(x)] = row[size_t((int64_t(x) * 2 + 1) * sw / (int64_t(dw) * 2))];
        } else {
            double fy = (y + 0.5) * sh / dh - 0.5;
            int y0 = int(std::floor(fy));
            uint32_t wy = uint32_t(std::lround((fy - y0) * 256.0));
            if (wy == 256) { ++y0; wy = 0; }
            int ya = std::clamp(y0, 0, sh - 1), yb = std::clamp(y0 + 1, 0, sh - 1);
            src_row(ya, row);
            src_row(yb, row2);
            for (int x = 0; x < dw; ++x) {
                double fx = (x + 0.5) * sw / dw - 0.5;
                int x0 = int(std::floor(fx));
                uint32_t wx = uint32_t(std::lround((fx - x0) * 256.0));
                if (wx == 256) { ++x0; wx = 0; }
                int xa = std::clamp(x0, 0, sw - 1), xb = std::clamp(x0 + 1, 0, sw - 1);
                auto lerp = [](uint32_t a, uint32_t b, uint32_t w) {
                    uint32_t mixed = 0;
                    for (int s = 0; s < 32; s += 8) {
                        uint32_t ca = (a >> s) & 255, cb = (b >> s) & 255;
                        mixed |= ((ca * (256 - w) + cb * w + 128) >> 8) << s;
                    }
                    return mixed;
                };
                out[size_t(x)] = lerp(lerp(row[size_t(xa)], row[size_t(xb)], wx), lerp(row2[size_t(xa)], row2[size_t(xb)], wx), wy);
            }
        }
        row_from_argb(dd.fmt, out.data(), dst.bits() + ptrdiff_t(dr.top + y) * dst.pitch() + ptrdiff_t(dr.left) * dbpp,
                      size_t(dw));
    }
    dst.touch();
    return result::ok;
}

result device::get_render_target_data(surface& target, surface& dst) {
    const surface_desc& s = target.desc();
    const surface_desc& d = dst.desc();
    if (!(s.usage & usage_render_target) || d.where != pool::system_memory || s.width != d.width ||
        s.height != d.height || s.fmt != d.fmt)
        return result::invalid_call;
    std::lock_guard<std::recursive_mutex> g(core_->mu);
    core_->flush();
    if (dst.locked()) return result::invalid_call;
    size_t row = size_t(s.width) * bytes_per_pixel(s.fmt);
    for (uint32_t y = 0; y < s.height; ++y)
        std::copy_n(target.bits() + size_t(y) * target.pitch(), row, dst.bits() + size_t(y) * dst.pitch());
    dst.touch();
    return result::ok;
}

result device::update_texture(texture& src, texture& dst) {
    if (src.where() != pool::system_memory || dst.where() != pool::default_pool || src.fmt() != dst.fmt() ||
        src.width() != dst.width() || src.height() != dst.height())
        return result::invalid_call;
    std::lock_guard<std::recursive_mutex> g(core_->mu);
    core_->flush();
    uint32_t n = std::min(src.level_count(), dst.level_count());
    for (uint32_t i = 0; i < n; ++i) {
        auto s = src.surface_level(i), d = dst.surface_level(i);
        if (s->locked() || d->locked()) return result::invalid_call;
        size_t row = size_t(s->desc().width) * bytes_per_pixel(s->desc().fmt);
        for (uint32_t y = 0; y < s->desc().height; ++y)
            std::copy_n(s->bits() + size_t(y) * s->pitch(), row, d->bits() + size_t(y) * d->pitch());
        d->touch();
    }
    return result::ok;
}

result device::present(const rect* src, const rect* dst, present_target* window) {
    return implicit_->present(src, dst, window);
}

void device::set_raster_threads(unsigned count) {
    std::lock_guard<std::recursive_mutex> g(core_->mu);
    core_->flush();
    count = std::clamp(count, 1u, 64u);
    if (core_->pool && core_->pool->size() == count) return;
    core_->pool.reset();
    core_->pool = std::make_unique<detail::worker_pool>(count);
}

unsigned device::raster_threads() const { return core_->pool ? core_->pool->size() : 1; }

void device::flush() const { core_->flush(); }

int device::live_default_resources() const { return core_->live_default.load(); }

void device::make_lost(bool resettable_now) {
    std::lock_guard<std::recursive_mutex> g(core_->mu);
    core_->flush();
    core_->state = resettable_now ? detail::loss::not_reset : detail::loss::lost;
}

void device::allow_reset() {
    std::lock_guard<std::recursive_mutex> g(core_->mu);
    if (core_->state == detail::loss::lost) core_->state = detail::loss::not_reset;
}

void device::inject_present_result(result r) {
    std::lock_guard<std::recursive_mutex> g(core_->mu);
    core_->injected_present = r;
}

void device::set_fast_paths(bool on) { fast_paths_ = on; }

void device::set_frame_reuse(bool on) {
    std::lock_guard<std::recursive_mutex> g(core_->mu);
    core_->reuse_frames = on;
    if (!on) core_->forget_frames();
}

} // namespace prender
