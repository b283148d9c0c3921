#pragma once
// Shared set-up for the render device tests: a headless device, the engine's
// 2-D state and blend presets as the graphics layer sets them, textures from
// pixel lists, quads in the engine's corner order, and golden-image checks.
#include "platform/image/image.h"
#include "platform/render/device.h"
#include "platform/render/format.h"
#include "support/Golden.h"
#include "tools/builders/FileBytes.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace rtest {

using namespace prender;

inline std::unique_ptr<device> make_device(uint32_t w, uint32_t h, format fmt = format::x8r8g8b8,
                                           const adapter* ad = nullptr) {
    static adapter default_adapter;
    present_parameters pp;
    pp.back_buffer_width = w;
    pp.back_buffer_height = h;
    pp.back_buffer_format = fmt;
    std::unique_ptr<device> dev;
    EXPECT_EQ((ad ? *ad : default_adapter).create_device(device_type::hal, create_software_vertex_processing, pp, dev),
              result::ok);
    return dev;
}

inline void set_rs(device& d, render_state s, uint32_t v) { ASSERT_EQ(d.set_render_state(s, v), result::ok); }
template <class E>
void set_rs(device& d, render_state s, E v) { set_rs(d, s, uint32_t(v)); }

// The state the engine's drawing passes run in: specular added, no culling,
// written alpha = max(source, destination), stage 0 alpha from texture × diffuse.
inline void engine_state(device& d) {
    set_rs(d, render_state::cull_mode, cull::none);
    set_rs(d, render_state::specular_enable, 1u);
    set_rs(d, render_state::alpha_blend_enable, 1u);
    set_rs(d, render_state::separate_alpha_blend_enable, 1u);
    set_rs(d, render_state::blend_op_alpha, blend_op::max);
    d.set_texture_stage_state(0, stage_state::alpha_arg2, uint32_t(texture_arg::diffuse));
}

// The ten blend presets of the engine (mode 0 or anything else: the last row).
inline void preset(device& d, int mode) {
    struct row { bool blend; texture_op op; blend_op bop; blend_factor s, t; };
    static const row rows[] = {
        {false, texture_op::modulate, blend_op::add, blend_factor::src_alpha, blend_factor::inv_src_alpha},
        {true, texture_op::modulate, blend_op::add, blend_factor::src_alpha, blend_factor::inv_src_alpha},
        {true, texture_op::modulate, blend_op::add, blend_factor::src_alpha, blend_factor::one},
        {true, texture_op::modulate2x, blend_op::add, blend_factor::src_alpha, blend_factor::one},
        {true, texture_op::modulate, blend_op::rev_subtract, blend_factor::src_alpha, blend_factor::one},
        {true, texture_op::modulate, blend_op::add, blend_factor::zero, blend_factor::src_color},
        {true, texture_op::modulate, blend_op::add, blend_factor::inv_dest_color, blend_factor::inv_src_color},
        {true, texture_op::modulate, blend_op::add, blend_factor::src_alpha, blend_factor::inv_src_alpha},
        {true, texture_op::modulate, blend_op::add, blend_factor::inv_dest_color, blend_factor::one},
        {true, texture_op::modulate, blend_op::subtract, blend_factor::one, blend_factor::one},
    };
    const row& r = (mode >= 1 && mode <= 10) ? rows[mode - 1] : rows[1];
    set_rs(d, render_state::alpha_blend_enable, r.blend ? 1u : 0u);
    d.set_texture_stage_state(0, stage_state::color_arg1, uint32_t(texture_arg::texture));
    d.set_texture_stage_state(0, stage_state::color_op, uint32_t(r.op));
    if (mode != 10) d.set_texture_stage_state(0, stage_state::alpha_arg1, uint32_t(texture_arg::texture));
    d.set_texture_stage_state(0, stage_state::alpha_op, uint32_t(r.op));
    set_rs(d, render_state::blend_op, r.bop);
    set_rs(d, render_state::src_blend, r.s);
    set_rs(d, render_state::dest_blend, r.t);
}

inline std::shared_ptr<texture> make_texture(device& d, uint32_t w, uint32_t h, const std::vector<uint32_t>& px,
                                             format fmt = format::a8r8g8b8) {
    std::shared_ptr<texture> t;
    EXPECT_EQ(d.create_texture(w, h, 1, 0, fmt, pool::managed, t), result::ok);
    locked_rect lr;
    EXPECT_EQ(t->lock_rect(0, nullptr, lr, 0), result::ok);
    std::shared_ptr<surface> s = t->surface_level(0);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
            store_argb(fmt, px[size_t(y) * w + x], static_cast<uint8_t*>(lr.bits) + y * lr.pitch + x * bytes_per_pixel(fmt));
    t->unlock_rect(0);
    return t;
}

inline std::shared_ptr<texture> solid_texture(device& d, uint32_t w, uint32_t h, uint32_t argb) {
    return make_texture(d, w, h, std::vector<uint32_t>(size_t(w) * h, argb));
}

// A quad in the engine's corner order (top-left, bottom-left, bottom-right,
// top-right) drawn as one fan; positions as given, colours per quad.
inline result quad(device& d, float x0, float y0, float x1, float y1, float u0, float v0, float u1, float v1,
                   uint32_t diffuse = 0xFFFFFFFFu, uint32_t specular = 0) {
    screen_vertex v[4] = {
        {x0, y0, 0, 1, diffuse, specular, u0, v0},
        {x0, y1, 0, 1, diffuse, specular, u0, v1},
        {x1, y1, 0, 1, diffuse, specular, u1, v1},
        {x1, y0, 0, 1, diffuse, specular, u1, v0},
    };
    return d.draw_primitive_up(primitive_type::triangle_fan, 2, v);
}

// A whole texture drawn unscaled at (x, y) with the engine's −0.5 offset.
inline result sprite(device& d, float x, float y, float w, float h, uint32_t diffuse = 0xFFFFFFFFu, uint32_t specular = 0) {
    return quad(d, x - 0.5f, y - 0.5f, x + w - 0.5f, y + h - 0.5f, 0, 0, 1, 1, diffuse, specular);
}

inline std::vector<uint32_t> pixels(device& d) { return d.get_render_target(0)->read_argb(); }

// The folder the test binary started in (the build tree), whatever folder a
// test works in by the time it compares a picture.
inline const std::filesystem::path kGoldenOut = std::filesystem::current_path() / "golden-out";

// Compares a picture with tests/golden/FOLDER/NAME.png. QUILLON_UPDATE_GOLDEN=1
// writes the golden instead (look at it before checking it in). A mismatch
// writes NAME.actual.png and NAME.diff.png (red where pixels differ) under
// golden-out/FOLDER in the folder the test binary started in.
inline ::testing::AssertionResult matches_golden(const std::string& name, const std::vector<uint32_t>& px, uint32_t w,
                                                 uint32_t h, const std::string& folder = "platform/render") {
    const std::filesystem::path golden = qtest::GoldenPath(folder + "/" + name + ".png");
    if (const char* u = std::getenv("QUILLON_UPDATE_GOLDEN"); u && std::string(u) == "1") {
        std::filesystem::create_directories(golden.parent_path());
        if (!pimage::save_png(golden.string(), px.data(), w, h, size_t(w) * 4))
            return ::testing::AssertionFailure() << "cannot write " << golden;
        return ::testing::AssertionSuccess();
    }
    std::vector<unsigned char> bytes = qtest::ReadBytes(golden);
    pimage::image g;
    if (bytes.empty() || !pimage::decode_png(bytes.data(), bytes.size(), g))
        return ::testing::AssertionFailure() << "missing or unreadable golden " << golden;
    const bool same_size = g.width == w && g.height == h;
    size_t diffs = 0;
    std::vector<uint32_t> diff(px.size());
    for (size_t i = 0; i < px.size(); ++i) {
        bool differs = !same_size || g.pixels[i] != px[i];
        diffs += differs;
        diff[i] = differs ? 0xFFFF0000u : (0xFF000000u | ((px[i] >> 2) & 0x003F3F3Fu));
    }
    if (diffs == 0) return ::testing::AssertionSuccess();
    const std::filesystem::path out = kGoldenOut / folder;
    std::filesystem::create_directories(out);
    pimage::save_png((out / (name + ".actual.png")).string(), px.data(), w, h, size_t(w) * 4);
    pimage::save_png((out / (name + ".diff.png")).string(), diff.data(), w, h, size_t(w) * 4);
    return ::testing::AssertionFailure() << diffs << " pixels differ from " << golden << "; see " << out;
}

} // namespace rtest
