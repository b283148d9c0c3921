// One 1024 × 768 frame: a clear and eight full-screen alpha-blended quads,
// first unscaled (row copies), then rotated, scaled and linearly filtered,
// the latter also with the span kernels held to SSE2 (what a processor
// without AVX2 runs) and to the portable scalar path. Figures are
// milliseconds per frame and ratios against a plain vectorised blend loop
// over the same pixels, measured in the same run (the memory bandwidth limit).
#include "bench/timing.h"
#include "platform/render/device.h"
#include "platform/render/span_kernels.h"

#if PRENDER_SIMD_X86
#include <emmintrin.h>
#endif

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

using namespace prender;

namespace {

constexpr uint32_t W = 1024, H = 768;
constexpr int kQuads = 8;

// The baseline: clear, then eight times d = s·a + d·(1 − a) over every pixel
// with SSE2 (plain C++ where there is none), no set-up, no sampling.
void plain_frame(std::vector<uint32_t>& dst, const std::vector<uint32_t>& src) {
    std::fill(dst.begin(), dst.end(), 0xFF000000u);
#if !PRENDER_SIMD_X86
    for (int q = 0; q < kQuads; ++q)
        for (size_t i = 0; i < dst.size(); ++i) {
            uint32_t s = src[i], d = dst[i], a = s >> 24, out = 0;
            for (int sh = 0; sh < 32; sh += 8) {
                uint32_t t = ((s >> sh) & 255) * a + ((d >> sh) & 255) * (255 - a) + 128;
                out |= ((t + (t >> 8)) >> 8) << sh;
            }
            dst[i] = out;
        }
#else
    const __m128i z = _mm_setzero_si128(), k255 = _mm_set1_epi16(255), k128 = _mm_set1_epi16(128);
    for (int q = 0; q < kQuads; ++q) {
        for (size_t i = 0; i < dst.size(); i += 4) {
            __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&src[i]));
            __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&dst[i]));
            __m128i out[2];
            for (int h = 0; h < 2; ++h) {
                __m128i s16 = h ? _mm_unpackhi_epi8(s, z) : _mm_unpacklo_epi8(s, z);
                __m128i d16 = h ? _mm_unpackhi_epi8(d, z) : _mm_unpacklo_epi8(d, z);
                __m128i a = _mm_shufflehi_epi16(_mm_shufflelo_epi16(s16, 0xFF), 0xFF);
                __m128i t = _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(s16, a), _mm_mullo_epi16(d16, _mm_sub_epi16(k255, a))), k128);
                out[h] = _mm_srli_epi16(_mm_add_epi16(t, _mm_srli_epi16(t, 8)), 8);
            }
            _mm_storeu_si128(reinterpret_cast<__m128i*>(&dst[i]), _mm_packus_epi16(out[0], out[1]));
        }
    }
#endif
}

void setup_state(device& d, filter f) {
    d.set_render_state(render_state::cull_mode, uint32_t(cull::none));
    d.set_render_state(render_state::alpha_blend_enable, 1);
    d.set_render_state(render_state::src_blend, uint32_t(blend_factor::src_alpha));
    d.set_render_state(render_state::dest_blend, uint32_t(blend_factor::inv_src_alpha));
    d.set_render_state(render_state::separate_alpha_blend_enable, 1);
    d.set_render_state(render_state::blend_op_alpha, uint32_t(blend_op::max));
    d.set_render_state(render_state::specular_enable, 1);
    d.set_texture_stage_state(0, stage_state::color_op, uint32_t(texture_op::modulate));
    d.set_texture_stage_state(0, stage_state::alpha_op, uint32_t(texture_op::modulate));
    d.set_texture_stage_state(0, stage_state::alpha_arg2, uint32_t(texture_arg::diffuse));
    d.set_sampler_state(0, sampler_state::mag_filter, uint32_t(f));
    d.set_sampler_state(0, sampler_state::min_filter, uint32_t(f));
}

void draw_frame(device& d, bool general) {
    d.clear(0, nullptr, clear_target, 0xFF000000u, 1, 0);
    d.begin_scene();
    for (int q = 0; q < kQuads; ++q) {
        screen_vertex v[4];
        if (!general) {
            const float x0 = -0.5f, y0 = -0.5f, x1 = W - 0.5f, y1 = H - 0.5f, u1 = float(W) / 1024, v1 = float(H) / 1024;
            v[0] = {x0, y0, 0, 1, ~0u, 0, 0, 0};
            v[1] = {x0, y1, 0, 1, ~0u, 0, 0, v1};
            v[2] = {x1, y1, 0, 1, ~0u, 0, u1, v1};
            v[3] = {x1, y0, 0, 1, ~0u, 0, u1, 0};
        } else {
            // Rotated by a few degrees and scaled up so that it still covers the screen.
            float a = 0.05f + 0.03f * q, s = 1.35f, cx = W / 2.0f, cy = H / 2.0f, c = std::cos(a), sn = std::sin(a);
            const float px[4] = {-0.5f * W, -0.5f * W, 0.5f * W, 0.5f * W}, py[4] = {-0.5f * H, 0.5f * H, 0.5f * H, -0.5f * H};
            const float u[4] = {0, 0, 0.9f, 0.9f}, vv[4] = {0, 0.7f, 0.7f, 0};
            for (int k = 0; k < 4; ++k)
                v[k] = {cx + (px[k] * c - py[k] * sn) * s - 0.5f, cy + (px[k] * sn + py[k] * c) * s - 0.5f, 0, 1, ~0u, 0, u[k], vv[k]};
        }
        d.draw_primitive_up(primitive_type::triangle_fan, 2, v);
    }
    d.end_scene();
    d.flush();
}

} // namespace

int main() {
    adapter ad;
    present_parameters pp;
    pp.back_buffer_width = W;
    pp.back_buffer_height = H;
    pp.back_buffer_format = format::x8r8g8b8;
    std::unique_ptr<device> d;
    if (ad.create_device(device_type::hal, create_software_vertex_processing, pp, d) != result::ok) {
        std::printf("no device\n");
        return 1;
    }
    std::shared_ptr<texture> tex;
    d->create_texture(1024, 1024, 1, 0, format::a8r8g8b8, pool::managed, tex);
    locked_rect lr;
    tex->lock_rect(0, nullptr, lr, 0);
    std::vector<uint32_t> src(size_t(W) * H);
    for (uint32_t y = 0; y < 1024; ++y)
        for (uint32_t x = 0; x < 1024; ++x) {
            uint32_t p = ((x * 7 + y * 3) & 255) << 24 | (x & 255) << 16 | (y & 255) << 8 | ((x ^ y) & 255);
            static_cast<uint32_t*>(lr.bits)[size_t(y) * (lr.pitch / 4) + x] = p;
            if (y < H && x < W) src[size_t(y) * W + x] = p;
        }
    tex->unlock_rect(0);
    d->set_texture(0, tex);

    std::vector<uint32_t> dst(size_t(W) * H);
    const int runs = 15;
    double plain = qbench::BestOf(runs, [&] { plain_frame(dst, src); });
    unsigned hw = std::thread::hardware_concurrency();
    double load = 0;
    if (FILE* f = std::fopen("/proc/loadavg", "r")) {
        if (std::fscanf(f, "%lf", &load) != 1) load = 0;
        std::fclose(f);
    }
    std::printf("frame 1024x768, clear + %d alpha-blended full-screen quads; best of %d runs; %u hardware threads, "
                "load average %.2f (other work on the machine slows the threaded figures)\n",
                kQuads, runs, hw, load);
    const bool avx2 = detail::span_simd() == detail::simd_level::avx2;
    const bool scalar = detail::span_simd() == detail::simd_level::scalar;
    std::printf("  fused span kernels: %s\n",
                avx2 ? "AVX2" : scalar ? "none (the scalar path of this build)" : "SSE2 (no AVX2 on this processor)");
    std::printf("  plain %s blend loop (baseline)      %7.2f ms\n", PRENDER_SIMD_X86 ? "SSE2" : "C++ ", plain);
    // The rotated quads again held to each lower level: SSE2, and the scalar
    // path (what a processor without the x86 kernels runs).
    using detail::simd_level;
    const simd_level best = detail::span_simd();
    struct pass { bool general; simd_level most; const char* name; };
    const pass passes[] = {{false, simd_level::avx2, "unscaled"}, {true, simd_level::avx2, "rotated"},
                           {true, simd_level::sse2, "rot.SSE2"}, {true, simd_level::scalar, "rot.scal"}};
    for (const pass& p : passes) {
        if (p.most != simd_level::avx2 && p.most >= best) continue;  // the same as the full level
        detail::limit_span_simd(p.most);
        setup_state(*d, p.general ? filter::linear : filter::point);
        double one = 0, four = 0;
        for (unsigned threads : {1u, 4u}) {
            d->set_raster_threads(threads);
            draw_frame(*d, p.general);  // warm up
            double t = qbench::BestOf(runs, [&] { draw_frame(*d, p.general); });
            (threads == 1 ? one : four) = t;
            std::printf("  %-8s quads, %u thread%s            %7.2f ms  (%.2f x baseline)\n", p.name, threads,
                        threads == 1 ? " " : "s", t, t / plain);
        }
        std::printf("  %-8s quads, 4 threads vs 1:       %.2f x faster\n", p.name, one / four);
    }
    detail::limit_span_simd(detail::simd_level::avx2);
    return 0;
}
