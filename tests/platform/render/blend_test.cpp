// Pixel values of the blend presets and the texture stage, worked out by hand
// from the blend equations (round(x / 255) per product sum).
#include "platform/render/raster.h"
#include "platform/render/span_kernels.h"
#include "render_util.h"

#include <random>

using namespace rtest;

namespace {

constexpr uint32_t kSrc = 0x80C86432;  // a 128, r 200, g 100, b 50
constexpr uint32_t kDst = 0x40102030;  // a 64, r 16, g 32, b 48

// Clears an A8R8G8B8 target to kDst and draws one 8 × 8 sprite of `texel`
// with the given preset, diffuse and specular colours.
uint32_t draw_one(int mode, uint32_t texel, uint32_t diffuse, uint32_t specular, bool fast, bool textured = true,
                  format target = format::a8r8g8b8) {
    auto d = make_device(8, 8, target);
    d->set_fast_paths(fast);
    std::shared_ptr<surface> rt;
    EXPECT_EQ(d->create_render_target(8, 8, target, 0, 0, false, rt), result::ok);
    EXPECT_EQ(d->set_render_target(0, rt), result::ok);
    EXPECT_EQ(d->clear(0, nullptr, clear_target, kDst, 1.0f, 0), result::ok);
    engine_state(*d);
    preset(*d, mode);
    std::shared_ptr<texture> tex;
    if (textured) tex = solid_texture(*d, 8, 8, texel);
    d->set_texture(0, tex);
    EXPECT_EQ(d->begin_scene(), result::ok);
    EXPECT_EQ(sprite(*d, 0, 0, 8, 8, diffuse, specular), result::ok);
    EXPECT_EQ(d->end_scene(), result::ok);
    std::vector<uint32_t> px = rt->read_argb();
    for (uint32_t p : px) EXPECT_EQ(p, px[0]) << "one texel over a uniform target gives one colour";
    return px[5 * 8 + 3];
}

} // namespace

// Each preset over the destination, then the texture stage: specular,
// modulation, no texture, and targets of other formats.
TEST(BlendPresets, EachPresetAndTheTextureStageOverAKnownDestination) {
    constexpr uint32_t kWhite = 0xFFFFFFFF;
    struct row {
        int mode;
        uint32_t texel, diffuse, specular;
        bool textured;
        uint32_t expected;
        const char* what;
        format target = format::a8r8g8b8;
    };
    const row rows[] = {
        {1, kSrc, kWhite, 0, true, 0x80C86432, "opaque: the source as it is"},
        {2, kSrc, kWhite, 0, true, 0x806C4231, "alpha blend"},
        {3, kSrc, kWhite, 0, true, 0x80745249, "additive d + s·a"},
        {4, kSrc, kWhite, 0, true, 0xFFFFE894, "additive with doubled colour and alpha"},
        {5, kSrc, kWhite, 0, true, 0x80000017, "subtractive d − s·a, floored at 0"},
        {6, kSrc, kWhite, 0, true, 0x800D0D09, "multiply d·s"},
        {7, kSrc, kWhite, 0, true, 0x80BF6B4F, "exclusion s(1 − d) + d(1 − s)"},
        {8, kSrc, kWhite, 0, true, 0x806C4231, "alpha blend again"},
        {9, kSrc, kWhite, 0, true, 0x80CB7759, "screen s(1 − d) + d"},
        {10, kSrc, kWhite, 0, true, 0x80B84402, "plain subtract s − d"},
        {0, kSrc, kWhite, 0, true, 0x806C4231, "anything else: alpha blend"},
        {1, kSrc, kWhite, 0x00204080, true, 0x80E8A4B2, "specular added to RGB, alpha untouched"},
        {1, kSrc, kWhite, 0xFF204080, true, 0x80E8A4B2, "specular alpha plays no part"},
        {1, 0x80F0F0F0, kWhite, 0x00404040, true, 0x80FFFFFF, "specular saturates"},
        {1, kSrc, 0x80808080, 0, true, 0x40643219, "texture × diffuse"},
        {4, 0x40605040, 0xFF808080, 0, true, 0x80404850, "modulate-2×: colour and alpha doubled, then added"},
        {2, kSrc, 0xFF336699, 0, false, 0xFF336699, "no texture: the diffuse colour alone"},
        {4, kSrc, 0xFF336699, 0, false, 0xFF4386C9, "no texture with modulate-2×: diffuse alone, added"},
        // Source alpha 0x20 below the destination's 0x40: the destination's
        // stays; colour (255·32 + c·223) / 255.
        {2, 0x20FFFFFF, kWhite, 0, true, 0x402E3C4A, "written alpha: the larger of source and destination"},
        {2, kSrc, kWhite, 0, true, 0xFF6C4231, "x8r8g8b8: the destination reads as opaque, 255 stored", format::x8r8g8b8},
        // The destination 0x4123 is (68, 17, 34, 51); the result is stored in 4 bits.
        {1, kSrc, kWhite, 0, true, 0x88CC6633, "a4r4g4b4", format::a4r4g4b4},
    };
    for (const row& r : rows)
        for (bool fast : {true, false})
            EXPECT_EQ(draw_one(r.mode, r.texel, r.diffuse, r.specular, fast, r.textured, r.target), r.expected)
                << "mode " << r.mode << " (" << r.what << ")" << (fast ? "" : " (general path)");
}

TEST(BlendKernels, EachInstructionSetAgreesWithThePerPixelEquation) {
    // The over and add kernels with each instruction set the processor has,
    // over random colours including the extremes, spans of every length up
    // to 40 (the wide kernels' tails) and a long one, with and without the
    // alpha forced to 255.
    using detail::simd_level;
    const simd_level best = detail::span_simd();
    std::mt19937 rng(11);
    std::vector<int> lengths;
    for (int n = 1; n <= 40; ++n) lengths.push_back(n);
    lengths.push_back(4099);
    for (simd_level level : {simd_level::sse2, simd_level::avx2}) {
        if (level == simd_level::avx2 && best != simd_level::avx2) continue;
        detail::limit_span_simd(level);
        for (blend_factor dst_factor : {blend_factor::inv_src_alpha, blend_factor::one}) {
            detail::pixel_pipeline pl;
            pl.blend = true;
            pl.src = blend_factor::src_alpha;
            pl.dst = dst_factor;
            pl.separate_alpha = true;
            pl.op_alpha = blend_op::max;
            for (uint32_t force : {0u, 0xFF000000u}) {
                for (int n : lengths) {
                    std::vector<uint32_t> src, dst, want;
                    for (int i = 0; i < n; ++i) {
                        uint32_t s = rng(), d = rng();
                        if (rng() % 4 == 0) s |= 0xFF000000u;
                        if (rng() % 4 == 0) s &= 0x00FFFFFFu;
                        src.push_back(s);
                        dst.push_back(d);
                        want.push_back(detail::blend_pixel(pl, s, d) | force);
                    }
                    detail::blend_span(pl, src.data(), dst.data(), n, force);
                    ASSERT_EQ(dst, want) << (level == simd_level::avx2 ? "AVX2" : "SSE2") << ", n " << n
                                         << ", force " << force;
                }
            }
        }
    }
    detail::limit_span_simd(simd_level::avx2);
    // The rounding itself: round(a·b / 255) for every pair.
    for (uint32_t a = 0; a < 256; ++a)
        for (uint32_t b = 0; b < 256; ++b) ASSERT_EQ(detail::mul8(a, b), uint32_t(a * b / 255.0 + 0.5)) << a << "," << b;
}
