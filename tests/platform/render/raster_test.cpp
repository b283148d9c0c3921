// Coverage (pixel centres, top-left rule, clipping), interpolation and
// sampling of the rasteriser, its fast paths and its row bands.
#include "platform/render/core.h"
#include "platform/render/span_kernels.h"
#include "render_util.h"

#include <array>
#include <atomic>
#include <cmath>
#include <cstring>
#include <random>

using namespace rtest;

namespace {

// Additive, untextured drawing: every covering adds 1 to red.
void counting_state(device& d) {
    set_rs(d, render_state::cull_mode, cull::none);
    set_rs(d, render_state::alpha_blend_enable, 1u);
    set_rs(d, render_state::src_blend, blend_factor::one);
    set_rs(d, render_state::dest_blend, blend_factor::one);
    d.set_texture(0, nullptr);
}

screen_vertex vtx(float x, float y, uint32_t diffuse = 0xFF010000u, float u = 0, float v = 0) {
    return screen_vertex{x, y, 0, 1, diffuse, 0, u, v};
}

// A scene of one quad drawn as a fan of its four vertices.
void fan(device& d, const screen_vertex* v) {
    d.begin_scene();
    d.draw_primitive_up(primitive_type::triangle_fan, 2, v);
    d.end_scene();
}

std::vector<int> red(const std::vector<uint32_t>& px) {
    std::vector<int> r;
    for (uint32_t p : px) r.push_back(int((p >> 16) & 255));
    return r;
}

// A rectangle of half sides hw and hh centred on (x, y), turned by `angle`,
// in the engine's corner order; its texture from (u0, v0) at the first
// corner to (u1, v1) at the third.
std::array<screen_vertex, 4> turned(float x, float y, float hw, float hh, float angle, uint32_t diffuse,
                                    uint32_t specular, float u0, float v0, float u1, float v1) {
    const float c = std::cos(angle), sn = std::sin(angle);
    const float px[4] = {-hw, -hw, hw, hw}, py[4] = {-hh, hh, hh, -hh};
    std::array<screen_vertex, 4> v;
    for (size_t k = 0; k < 4; ++k)
        v[k] = screen_vertex{x + px[k] * c - py[k] * sn, y + px[k] * sn + py[k] * c, 0, 1, diffuse, specular,
                             k < 2 ? u0 : u1, k == 0 || k == 3 ? v0 : v1};
    return v;
}

} // namespace

TEST(Coverage, PixelCentresAndEdgesOfRectangles) {
    // Pixel centres sit on integer coordinates; left and top edges through a
    // centre take it, right and bottom edges do not.
    struct row { float x0, y0, x1, y1; int cx0, cx1, cy0, cy1; };
    const row rows[] = {
        {-0.5f, -0.5f, 3.5f, 2.5f, 0, 4, 0, 3},  // the engine's −0.5: whole pixels
        {0.0f, 0.0f, 4.0f, 4.0f, 0, 4, 0, 4},    // edges through centres: left/top in, right/bottom out
        {0.5f, 0.5f, 3.5f, 3.5f, 1, 4, 1, 4},
        {0.2f, 1.7f, 2.2f, 1.9f, 1, 3, 0, 0},    // thinner than a centre: nothing
        {-3.0f, -3.0f, 0.0f, 9.0f, 0, 0, 0, 0},  // right edge through column 0: nothing
        {5.6f, 6.1f, 12.0f, 12.0f, 6, 8, 7, 8},  // clipped by the target
    };
    for (bool fast : {true, false}) {
        for (const row& r : rows) {
            auto d = make_device(8, 8);
            d->set_fast_paths(fast);
            d->clear(0, nullptr, clear_target, 0, 1, 0);
            counting_state(*d);
            d->begin_scene();
            ASSERT_EQ(quad(*d, r.x0, r.y0, r.x1, r.y1, 0, 0, 1, 1, 0xFF010000u), result::ok);
            d->end_scene();
            std::vector<int> px = red(pixels(*d));
            for (int y = 0; y < 8; ++y)
                for (int x = 0; x < 8; ++x) {
                    int want = (x >= r.cx0 && x < r.cx1 && y >= r.cy0 && y < r.cy1) ? 1 : 0;
                    ASSERT_EQ(px[size_t(y * 8 + x)], want)
                        << "quad (" << r.x0 << "," << r.y0 << ")-(" << r.x1 << "," << r.y1 << ") pixel " << x << ","
                        << y << " fast " << fast;
                }
        }
    }
}

TEST(Coverage, JitteredMeshCoversEveryPixelExactlyOnce) {
    // A mesh of irregular triangles over the whole target: shared edges and
    // vertices must give each pixel to exactly one triangle, whatever the slope.
    const int n = 9, size = 64;
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> jitter(-2.4f, 2.4f);
    std::vector<screen_vertex> grid;
    for (int j = 0; j <= n; ++j)
        for (int i = 0; i <= n; ++i) {
            float x = -0.5f + float(i) * size / n, y = -0.5f + float(j) * size / n;
            if (i > 0 && i < n) x += jitter(rng);
            if (j > 0 && j < n) y += jitter(rng);
            if (i == 3 && j == 3) x = std::round(x);  // a vertex exactly on a pixel centre
            grid.push_back(vtx(x, y));
        }
    std::vector<screen_vertex> tris;
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            const screen_vertex& a = grid[size_t(j * (n + 1) + i)];
            const screen_vertex& b = grid[size_t(j * (n + 1) + i + 1)];
            const screen_vertex& c = grid[size_t((j + 1) * (n + 1) + i)];
            const screen_vertex& e = grid[size_t((j + 1) * (n + 1) + i + 1)];
            bool flip = (i + j) % 2;
            tris.insert(tris.end(), {a, b, flip ? e : c});
            tris.insert(tris.end(), flip ? std::initializer_list<screen_vertex>{a, e, c} : std::initializer_list<screen_vertex>{b, e, c});
        }
    for (unsigned threads : {1u, 4u}) {
        auto d = make_device(size, size);
        d->set_raster_threads(threads);
        d->clear(0, nullptr, clear_target, 0, 1, 0);
        counting_state(*d);
        d->begin_scene();
        ASSERT_EQ(d->draw_primitive_up(primitive_type::triangle_list, uint32_t(tris.size() / 3), tris.data()), result::ok);
        d->end_scene();
        std::vector<int> px = red(pixels(*d));
        for (size_t i = 0; i < px.size(); ++i) ASSERT_EQ(px[i], 1) << "pixel " << i % size << "," << i / size;
    }
}

TEST(Coverage, ViewportClipsDrawingAndClears) {
    auto d = make_device(8, 8);
    d->clear(0, nullptr, clear_target, 0xFF000000u, 1, 0);
    viewport vp{2, 3, 4, 2, 0, 1};
    ASSERT_EQ(d->set_viewport(vp), result::ok);
    counting_state(*d);
    d->begin_scene();
    quad(*d, -10, -10, 20, 20, 0, 0, 1, 1, 0xFF010000u);
    d->end_scene();
    rect r{0, 0, 3, 8};  // clears are clipped to the viewport as well
    d->clear(1, &r, clear_target, 0xFF000005u, 1, 0);
    std::vector<uint32_t> px = pixels(*d);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            bool in = x >= 2 && x < 6 && y >= 3 && y < 5;
            uint32_t want = in ? (x < 3 ? 0xFF000005u : 0xFF010000u) : 0xFF000000u;
            EXPECT_EQ(px[size_t(y * 8 + x)], want) << x << "," << y;
        }
    viewport outside{6, 0, 4, 4, 0, 1};
    EXPECT_EQ(d->set_viewport(outside), result::invalid_call);
}

TEST(Interpolation, GouraudColoursAtPixelCentres) {
    auto d = make_device(4, 1);
    counting_state(*d);
    set_rs(*d, render_state::alpha_blend_enable, 0u);
    screen_vertex v[4] = {vtx(-0.5f, -0.5f, 0xFF000000u), vtx(-0.5f, 0.5f, 0xFF000000u), vtx(3.5f, 0.5f, 0xFFFF0000u),
                          vtx(3.5f, -0.5f, 0xFFFF0000u)};
    fan(*d, v);
    EXPECT_EQ(red(pixels(*d)), (std::vector<int>{32, 96, 159, 223}));  // 255 × (i + 0.5) / 4
    // Flat shading takes the first vertex's colour.
    set_rs(*d, render_state::shade_mode, shade::flat);
    fan(*d, v);
    EXPECT_EQ(red(pixels(*d)), (std::vector<int>{0, 0, 0, 0}));
}

TEST(Sampling, PointLinearWrapClampAndMirror) {
    // A 2 × 2 texture, black left column and red right column, stretched over
    // 4 pixels (2×), repeated (u 0..2, 1:1) or squeezed (u 0..4, 2 texels a
    // pixel); magnifying and minifying each take their own filter.
    struct row { filter mag, min; address a; float u1; std::vector<int> want; const char* what; };
    const std::vector<row> rows = {
        {filter::point, filter::point, address::wrap, 1, {0, 0, 255, 255}, "point, 2×"},
        {filter::linear, filter::linear, address::wrap, 1, {64, 64, 191, 191}, "linear, wrapping at both ends"},
        {filter::linear, filter::linear, address::clamp, 1, {0, 64, 191, 255}, "linear, clamped"},
        {filter::point, filter::point, address::wrap, 2, {0, 255, 0, 255}, "point, repeated"},
        {filter::point, filter::point, address::mirror, 2, {0, 255, 255, 0}, "point, mirrored"},
        {filter::linear, filter::linear, address::wrap, 2, {0, 255, 0, 255}, "linear on texel centres"},
        {filter::point, filter::linear, address::wrap, 1, {0, 0, 255, 255}, "magnified: point"},
        {filter::point, filter::linear, address::wrap, 4, {128, 128, 128, 128}, "minified: linear, between columns"},
    };
    for (bool fast : {true, false}) {
        for (const row& r : rows) {
            auto d = make_device(4, 1);
            d->set_fast_paths(fast);
            engine_state(*d);
            preset(*d, 1);
            auto tex = make_texture(*d, 2, 2, {0xFF000000u, 0xFFFF0000u, 0xFF000000u, 0xFFFF0000u});
            d->set_texture(0, tex);
            d->set_sampler_state(0, sampler_state::mag_filter, uint32_t(r.mag));
            d->set_sampler_state(0, sampler_state::min_filter, uint32_t(r.min));
            d->set_sampler_state(0, sampler_state::address_u, uint32_t(r.a));
            d->set_sampler_state(0, sampler_state::address_v, uint32_t(r.a));
            d->begin_scene();
            quad(*d, -0.5f, -0.5f, 3.5f, 0.5f, 0, 0, r.u1, 0.5f);
            d->end_scene();
            EXPECT_EQ(red(pixels(*d)), r.want) << r.what << " fast " << fast;
        }
    }
}

TEST(Sampling, FourPixelSamplerAgreesWithThePerPixelOne) {
    // Wrapping power-of-two textures take the four-pixel sampler; clamping
    // takes the exact per-pixel one. Inside the texture both must agree
    // within the sampler's 16.16 stepping (one level at most).
    std::mt19937 rng(5);
    std::vector<uint32_t> texels(64 * 64);
    for (uint32_t& t : texels) t = rng();
    std::vector<uint32_t> pics[2];
    for (int k = 0; k < 2; ++k) {
        auto d = make_device(96, 96, format::a8r8g8b8);
        engine_state(*d);
        preset(*d, 1);
        auto tex = make_texture(*d, 64, 64, texels);
        d->set_texture(0, tex);
        for (auto st : {sampler_state::mag_filter, sampler_state::min_filter})
            d->set_sampler_state(0, st, uint32_t(filter::linear));
        address a = k == 0 ? address::wrap : address::clamp;
        d->set_sampler_state(0, sampler_state::address_u, uint32_t(a));
        d->set_sampler_state(0, sampler_state::address_v, uint32_t(a));
        // Rotated by 0.4 rad, 1.3 pixels a texel, texel coordinates 2..62.
        fan(*d, turned(48, 48, 39, 39, 0.4f, ~0u, 0, 2.0f / 64, 2.0f / 64, 62.0f / 64, 62.0f / 64).data());
        pics[k] = pixels(*d);
    }
    int worst = 0, drawn = 0;
    for (size_t i = 0; i < pics[0].size(); ++i) {
        if (pics[0][i] != 0) ++drawn;
        for (int sh = 0; sh < 32; sh += 8)
            worst = std::max(worst, std::abs(int((pics[0][i] >> sh) & 255) - int((pics[1][i] >> sh) & 255)));
    }
    EXPECT_GT(drawn, 4000);
    EXPECT_LE(worst, 1);
}

namespace {

// A busy scene: random sprites, some rotated and scaled, all presets, both
// filters, gradients and specular.
std::vector<uint32_t> random_scene(unsigned threads, bool fast, bool aligned_only, uint32_t seed) {
    const int W = 160, H = 120;
    auto d = make_device(W, H, format::a8r8g8b8);
    d->set_raster_threads(threads);
    d->set_fast_paths(fast);
    std::mt19937 rng(seed);
    std::vector<uint32_t> texels(64 * 32);
    for (uint32_t& t : texels) t = rng();
    auto tex = make_texture(*d, 64, 32, texels);
    d->clear(0, nullptr, clear_target, 0xFF203040u, 1, 0);
    engine_state(*d);
    d->begin_scene();
    for (int i = 0; i < 300; ++i) {
        preset(*d, int(rng() % 11));
        filter f = rng() % 2 ? filter::linear : filter::point;
        d->set_sampler_state(0, sampler_state::mag_filter, uint32_t(f));
        d->set_sampler_state(0, sampler_state::min_filter, uint32_t(f));
        d->set_texture(0, rng() % 5 ? tex : nullptr);
        float x = float(int(rng() % W) - 20), y = float(int(rng() % H) - 20);
        uint32_t diffuse = rng() % 2 ? 0xFFFFFFFFu : rng(), specular = rng() % 3 ? 0 : rng() & 0x00FFFFFFu;
        if (aligned_only) {
            float off = rng() % 2 ? 0.0f : 0.5f;
            quad(*d, x - 0.5f + off, y - 0.5f, x + 64 - 0.5f + off, y + 32 - 0.5f, 0, 0, 1, 1, diffuse, specular);
            continue;
        }
        float a = float(rng() % 628) / 100.0f, s = 0.3f + float(rng() % 300) / 100.0f;
        auto v = turned(x, y, 32 * s, 16 * s, a, diffuse, specular, 0, 0, 1.5f, 1);
        v[2].diffuse ^= 0x00FF00FFu;
        d->draw_primitive_up(primitive_type::triangle_fan, 2, v.data());
    }
    d->end_scene();
    return pixels(*d);
}

} // namespace

TEST(RowBands, PicturesDoNotDependOnTheThreadCount) {
    std::vector<uint32_t> one = random_scene(1, true, false, 11);
    EXPECT_EQ(random_scene(4, true, false, 11), one);
    EXPECT_EQ(random_scene(3, true, false, 11), one);
}

TEST(RowBands, TheWorkerPoolRunsEveryItemOnceBeforeRunReturns) {
    // Many runs in a row: a worker that wakes late must neither run an item
    // of a finished run again nor miss one of the next.
    for (unsigned threads : {1u, 2u, 4u, 7u}) {
        detail::worker_pool pool(threads);
        EXPECT_EQ(pool.size(), threads);
        for (int round = 0; round < 40; ++round) {
            for (unsigned items : {0u, 1u, 3u, 96u, 1000u}) {
                std::vector<std::atomic<int>> runs(items);
                pool.run(items, [&](unsigned i) { runs[i].fetch_add(1, std::memory_order_relaxed); });
                for (unsigned i = 0; i < items; ++i)
                    ASSERT_EQ(runs[i].load(), 1) << "item " << i << " of " << items << ", " << threads << " threads";
            }
        }
    }
}

TEST(FastPaths, RowCopiesMatchTheGeneralRasteriser) {
    for (uint32_t seed : {1u, 2u, 3u}) {
        std::vector<uint32_t> fast = random_scene(2, true, true, seed);
        EXPECT_EQ(random_scene(1, false, true, seed), fast) << "seed " << seed;
    }
}

namespace {

// The back buffer's stored words, the alpha byte of x8r8g8b8 included.
std::vector<uint32_t> raw_pixels(device& d) {
    std::shared_ptr<surface> back = d.get_render_target(0), copy;
    const surface_desc& desc = back->desc();
    EXPECT_EQ(d.create_offscreen_plain_surface(desc.width, desc.height, desc.fmt, pool::system_memory, copy), result::ok);
    EXPECT_EQ(d.get_render_target_data(*back, *copy), result::ok);
    locked_rect lr;
    EXPECT_EQ(copy->lock_rect(nullptr, lr, lock_read_only), result::ok);
    std::vector<uint32_t> out(size_t(desc.width) * desc.height);
    for (uint32_t y = 0; y < desc.height; ++y)
        std::memcpy(&out[size_t(y) * desc.width], static_cast<const uint8_t*>(lr.bits) + size_t(y) * lr.pitch, desc.width * 4);
    copy->unlock_rect();
    return out;
}

// Sprites in the states the fused span kernels take (and a few they refuse):
// wrapping power-of-two textures filtered linearly, copied, blended over or
// added, with and without a diffuse tint and a specular colour, rotated and
// scaled, some far out in texel space, drawn with the fused kernels or not.
std::vector<uint32_t> sprite_scene(uint32_t seed, bool fused, format target) {
    const int W = 192, H = 144;
    auto d = make_device(W, H, target);
    d->set_fast_paths(fused);
    std::mt19937 rng(seed);
    // From one texel (every texel pair wraps) to wider than the target.
    struct tex_size { uint32_t w, h; format fmt; };
    const tex_size sizes[] = {{1, 1, format::a8r8g8b8}, {2, 2, format::x8r8g8b8}, {4, 64, format::a8r8g8b8},
                              {64, 32, format::a8r8g8b8}, {32, 16, format::x8r8g8b8}, {256, 256, format::a8r8g8b8}};
    std::vector<std::shared_ptr<texture>> textures;
    for (const tex_size& ts : sizes) {
        std::vector<uint32_t> texels(size_t(ts.w) * ts.h);
        for (uint32_t& t : texels) {
            t = rng();
            if (rng() % 4 == 0) t |= 0xFF000000u;
            if (rng() % 4 == 0) t &= 0x00FFFFFFu;
        }
        textures.push_back(make_texture(*d, ts.w, ts.h, texels, ts.fmt));
    }
    d->clear(0, nullptr, clear_target, rng(), 1, 0);
    engine_state(*d);
    for (auto st : {sampler_state::mag_filter, sampler_state::min_filter})
        d->set_sampler_state(0, st, uint32_t(filter::linear));
    d->begin_scene();
    for (int i = 0; i < 160; ++i) {
        const int modes[] = {1, 2, 3, 8, 6};  // copy, over, add, over; multiply is refused
        preset(*d, modes[rng() % 5]);
        set_rs(*d, render_state::shade_mode, rng() % 6 ? shade::gouraud : shade::flat);
        d->set_texture(0, textures[rng() % textures.size()]);
        float x = float(rng() % W), y = float(rng() % H) + float(rng() % 256) / 256.0f;
        float a = float(rng() % 628) / 100.0f, s = 0.1f + float(rng() % 400) / 100.0f;
        float hw = float(2 + rng() % 60) * s, hh = float(1 + rng() % 40) * s;
        float u0 = rng() % 3 ? 0.0f : float(int(rng() % 600) - 300) + float(rng() % 64) / 64.0f;
        float v0 = rng() % 3 ? 0.0f : float(int(rng() % 600) - 300) + float(rng() % 64) / 64.0f;
        float us = rng() % 3 ? 1.0f : float(rng() % 500) / 100.0f, vs = rng() % 3 ? 1.0f : float(rng() % 500) / 100.0f;
        uint32_t diffuse = rng() % 2 ? 0xFFFFFFFFu : rng(), specular = rng() % 2 ? 0 : rng();
        bool gradient = rng() % 8 == 0;  // refused: the diffuse colour varies
        auto v = turned(x, y, hw, hh, a, diffuse, specular, u0, v0, u0 + us, v0 + vs);
        if (gradient) v[2].diffuse ^= 0x3F00FF00u;
        d->draw_primitive_up(primitive_type::triangle_fan, 2, v.data());
    }
    d->end_scene();
    return raw_pixels(*d);
}

} // namespace

TEST(FusedSpans, SamePixelsAsTheGeneralPath) {
    // Each instruction set the processor has, down to the SSE2 baseline.
    using detail::simd_level;
    const simd_level best = detail::span_simd();
    for (simd_level level : {simd_level::sse2, simd_level::avx2}) {
        if (level == simd_level::avx2 && best != simd_level::avx2) continue;
        detail::limit_span_simd(level);
        for (format target : {format::a8r8g8b8, format::x8r8g8b8}) {
            for (uint32_t seed : {1u, 2u, 3u, 4u}) {
                std::vector<uint32_t> general = sprite_scene(seed, false, target);
                EXPECT_EQ(sprite_scene(seed, true, target), general)
                    << "seed " << seed << ", target " << uint32_t(target) << ", "
                    << (level == simd_level::avx2 ? "AVX2" : "SSE2");
            }
        }
    }
    detail::limit_span_simd(simd_level::avx2);
}

TEST(RowBands, ATextureDrawnAndSampledInOneBatch) {
    // A render-target texture is drawn, drawn upside down onto the back
    // buffer, drawn into again and drawn once more, all queued together.
    // Each draw must see the ones before it finished, as with a flush after
    // every draw, although bands draw a batch's rows one band at a time.
    auto run = [](unsigned threads, bool flush_each) {
        auto d = make_device(320, 240, format::a8r8g8b8);
        d->set_raster_threads(threads);
        std::shared_ptr<texture> tex;
        EXPECT_EQ(d->create_texture(256, 256, 1, usage_render_target, format::a8r8g8b8, pool::default_pool, tex),
                  result::ok);
        std::shared_ptr<surface> back = d->get_render_target(0), rt = tex->surface_level(0);
        engine_state(*d);
        preset(*d, 1);
        auto step = [&] {
            if (flush_each) d->flush();
        };
        d->begin_scene();
        d->set_render_target(0, rt);
        d->clear(0, nullptr, clear_target, 0xFF102030u, 1, 0);
        step();
        d->set_texture(0, nullptr);
        screen_vertex ramp[4] = {{-0.5f, -0.5f, 0, 1, 0xFFFF0000u, 0, 0, 0}, {-0.5f, 255.5f, 0, 1, 0xFF0000FFu, 0, 0, 0},
                                 {255.5f, 255.5f, 0, 1, 0xFF00FFFFu, 0, 0, 0}, {255.5f, -0.5f, 0, 1, 0xFFFFFF00u, 0, 0, 0}};
        d->draw_primitive_up(primitive_type::triangle_fan, 2, ramp);
        step();
        d->set_render_target(0, back);
        d->set_texture(0, tex);
        quad(*d, -0.5f, -0.5f, 319.5f, 239.5f, 0, 1, 1, 0);
        step();
        // Rows the flipped draw read in its lower bands, painted over.
        d->set_render_target(0, rt);
        d->set_texture(0, nullptr);
        quad(*d, 20, 20, 236, 236, 0, 0, 1, 1, 0xFF00C000u);
        step();
        // Each texture row read from a lower band than the one that drew it.
        d->set_render_target(0, back);
        d->set_texture(0, tex);
        quad(*d, 159.5f, 99.5f, 299.5f, 355.5f, 0, 0, 1, 1);
        step();
        d->end_scene();
        return pixels(*d);
    };
    std::vector<uint32_t> want = run(1, true);
    EXPECT_EQ(run(1, false), want);
    EXPECT_EQ(run(4, false), want);
}

TEST(Golden, BlendPresetsAndSampling) {
    // Ten columns, one per preset, each a rotated sprite over a colour ramp;
    // a bottom strip with the same texture magnified, point then linear.
    const uint32_t W = 320, H = 160;
    auto d = make_device(W, H, format::a8r8g8b8);
    std::vector<uint32_t> texels(16 * 16);
    for (uint32_t y = 0; y < 16; ++y)
        for (uint32_t x = 0; x < 16; ++x)
            texels[y * 16 + x] = uint32_t(std::min(255u, 64 + x * 16)) << 24 | ((x / 4 + y / 4) % 2 ? 0xE08020u : 0x2060E0u);
    auto tex = make_texture(*d, 16, 16, texels);
    d->clear(0, nullptr, clear_target, 0xFF000000u, 1, 0);
    engine_state(*d);
    d->begin_scene();
    preset(*d, 1);
    d->set_texture(0, nullptr);
    screen_vertex ramp[4] = {vtx(0, 0, 0xFF202020u), vtx(0, 100, 0xFFE0E0E0u), vtx(float(W), 100, 0xFF4080C0u),
                             vtx(float(W), 0, 0xFFC08040u)};
    d->draw_primitive_up(primitive_type::triangle_fan, 2, ramp);
    d->set_texture(0, tex);
    for (int mode = 1; mode <= 10; ++mode) {
        preset(*d, mode);
        float cx = 16.0f + float(mode - 1) * 32, cy = 50, a = 0.35f, s = 1.3f;
        screen_vertex v[4];
        const float px[4] = {-12, -12, 12, 12}, py[4] = {-40, 40, 40, -40}, u[4] = {0, 0, 1, 1}, vv[4] = {0, 2, 2, 0};
        for (int k = 0; k < 4; ++k)
            v[k] = screen_vertex{cx + (px[k] * std::cos(a) - py[k] * std::sin(a)) * s - 0.5f,
                                 cy + (px[k] * std::sin(a) + py[k] * std::cos(a)) * s * 0.5f - 0.5f, 0, 1,
                                 0xFFFFFFFFu, 0x00101010u, u[k], vv[k]};
        d->draw_primitive_up(primitive_type::triangle_fan, 2, v);
    }
    preset(*d, 2);
    for (int i = 0; i < 2; ++i) {
        filter f = i ? filter::linear : filter::point;
        d->set_sampler_state(0, sampler_state::mag_filter, uint32_t(f));
        d->set_sampler_state(0, sampler_state::min_filter, uint32_t(f));
        float x0 = 10.0f + float(i) * 160;
        quad(*d, x0 - 0.5f, 105.5f, x0 + 140.5f, 155.5f, 0, 0, 1.25f, 0.5f);
    }
    d->end_scene();
    EXPECT_TRUE(matches_golden("blend_presets", pixels(*d), W, H));
}

TEST(ScalarPath, SamePicturesAsTheVectorKernels) {
    // The portable scalar path, all that a build without the x86 kernels
    // has, against the widest kernels of this processor: busy scenes of
    // every preset, filter, gradient and sampler, every pixel.
    using detail::simd_level;
    const simd_level best = detail::span_simd();
    if (best == simd_level::scalar) GTEST_SKIP() << "this build has the scalar path only";
    struct restore {
        ~restore() { detail::limit_span_simd(simd_level::avx2); }
    } restore_level;
    auto pictures = [](simd_level level) {
        detail::limit_span_simd(level);
        std::vector<std::vector<uint32_t>> out;
        for (uint32_t seed : {21u, 22u}) {
            out.push_back(random_scene(2, true, false, seed));
            out.push_back(random_scene(1, false, true, seed));
            for (bool fused : {true, false})
                for (format target : {format::a8r8g8b8, format::x8r8g8b8})
                    out.push_back(sprite_scene(seed, fused, target));
        }
        return out;
    };
    const std::vector<std::vector<uint32_t>> vector = pictures(best), scalar = pictures(simd_level::scalar);
    ASSERT_EQ(scalar.size(), vector.size());
    for (size_t i = 0; i < vector.size(); ++i) EXPECT_EQ(scalar[i], vector[i]) << "scene " << i;
}

TEST(Coverage, VerticesFarOffScreenAreClippedNotDropped) {
    // A sprite zoomed until its corners lie millions of pixels away still
    // covers the screen: the four texels of a 2 × 2 texture meet at the
    // quad's centre, (16, 24), whatever the zoom.
    const int W = 48, H = 40;
    const uint32_t texels[4] = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFF00u};
    auto d = make_device(W, H, format::a8r8g8b8);
    engine_state(*d);
    preset(*d, 1);
    d->set_texture(0, make_texture(*d, 2, 2, std::vector<uint32_t>(texels, texels + 4)));
    for (float half : {4096.0f, 2097152.0f, 16777216.0f, 67108864.0f}) {
        for (float turn : {0.0f, 0.3f}) {
            d->clear(0, nullptr, clear_target, 0, 1, 0);
            const float cx = 16, cy = 24, c = std::cos(turn), sn = std::sin(turn);
            fan(*d, turned(cx, cy, half, half, turn, 0xFFFFFFFFu, 0, 0, 0, 1, 1).data());
            std::vector<uint32_t> px_out = pixels(*d);
            int wrong = 0;
            for (int y = 0; y < H; ++y)
                for (int x = 0; x < W; ++x) {
                    // Which side of the quad's two centre lines the pixel lies on.
                    float rx = (float(x) - cx) * c + (float(y) - cy) * sn;
                    float ry = (float(y) - cy) * c - (float(x) - cx) * sn;
                    if (std::fabs(rx) < 1 || std::fabs(ry) < 1) continue;
                    wrong += px_out[size_t(y) * W + x] != texels[(ry > 0 ? 2 : 0) + (rx > 0 ? 1 : 0)];
                }
            EXPECT_EQ(wrong, 0) << "half side " << half << ", turned " << turn;
        }
    }
    // Untextured, corners as far as floats go: the whole screen, once.
    counting_state(*d);
    d->clear(0, nullptr, clear_target, 0, 1, 0);
    d->begin_scene();
    const float far = 1e30f;
    screen_vertex big[4] = {vtx(-far, -far), vtx(-far, far), vtx(far, far), vtx(far, -far)};
    d->draw_primitive_up(primitive_type::triangle_fan, 2, big);
    // A triangle with one vertex five million pixels to the right: rows 9
    // to 39 between its two nearly flat edges, from column 10 on.
    screen_vertex wedge[3] = {vtx(10, 8.5f), vtx(10, 39.5f), vtx(5e6f, 24)};
    d->draw_primitive_up(primitive_type::triangle_list, 1, wedge);
    d->end_scene();
    std::vector<int> r = red(pixels(*d));
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            bool in_wedge = x >= 10 && y >= 9 && y <= 39;
            ASSERT_EQ(r[size_t(y) * W + x], in_wedge ? 2 : 1) << "pixel " << x << "," << y;
        }
}
