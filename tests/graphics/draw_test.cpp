// The quad routines as the engine's drawing uses them: blend presets, the
// added second colour, modulate-2×, alpha written as the maximum, drawing
// without a texture, corner order, the sprite transform, culling against the
// viewport, the layout-project quad and the gradient rectangle. Exact values
// are worked out from the blend equations; the golden pictures were checked
// by eye.
#include "graphics_fixture.h"

#include "graphics/GxDraw.h"
#include "graphics/GxGraphicsTypes.h"

#include <cmath>
#include <numbers>
#include <tuple>

using namespace gxtest;

namespace {

constexpr uint32_t kSrc = 0x80C86432;  // a 128, r 200, g 100, b 50
constexpr uint32_t kDst = 0x40102030;  // a 64, r 16, g 32, b 48

using DrawTest = TargetTest;

const f32 kWhole8[4] = {0, 0, 8, 8};

TEST_F(DrawTest, PresetsOverAKnownDestination) {
    struct Row {
        u32 mode;
        uint32_t texel, diffuse, specular;
        bool textured;
        uint32_t expected;
        const char* what;
    };
    const Row rows[] = {
        {1, kSrc, 0xFFFFFFFF, 0, true, 0x80C86432, "opaque"},
        {2, kSrc, 0xFFFFFFFF, 0, true, 0x806C4231, "alpha blend, alpha the larger"},
        {3, kSrc, 0xFFFFFFFF, 0, true, 0x80745249, "additive"},
        {4, kSrc, 0xFFFFFFFF, 0, true, 0xFFFFE894, "additive, colour and alpha doubled"},
        {5, kSrc, 0xFFFFFFFF, 0, true, 0x80000017, "subtractive, floored at 0"},
        {6, kSrc, 0xFFFFFFFF, 0, true, 0x800D0D09, "multiply"},
        {7, kSrc, 0xFFFFFFFF, 0, true, 0x80BF6B4F, "exclusion"},
        {8, kSrc, 0xFFFFFFFF, 0, true, 0x806C4231, "alpha blend"},
        {9, kSrc, 0xFFFFFFFF, 0, true, 0x80CB7759, "screen"},
        {10, kSrc, 0xFFFFFFFF, 0, true, 0x80B84402, "plain subtract"},
        {0, kSrc, 0xFFFFFFFF, 0, true, 0x806C4231, "mode 0 on a fresh pass: the remembered alpha blend"},
        {1, kSrc, 0xFFFFFFFF, 0x00204080, true, 0x80E8A4B2, "second colour added to RGB"},
        {1, 0x80F0F0F0, 0xFFFFFFFF, 0x00404040, true, 0x80FFFFFF, "second colour saturates"},
        {1, kSrc, 0x80808080, 0, true, 0x40643219, "texture × colour"},
        {4, 0x40605040, 0xFF808080, 0, true, 0x80404850, "modulate-2× with a colour"},
        {2, kSrc, 0xFF336699, 0, false, 0xFF336699, "no texture: the colour alone"},
        {2, 0x20FFFFFF, 0xFFFFFFFF, 0, true, 0x402E3C4A, "a source alpha below the destination's keeps it"},
    };
    for (const Row& r : rows) {
        Begin(8, 8, kDst);
        auto tex = Solid(8, 8, r.texel);
        GxDrawSprite(r.textured ? tex.get() : nullptr, 0, 0, kWhole8, nullptr, nullptr, nullptr, nullptr, r.diffuse,
                     r.specular, r.mode);
        std::vector<uint32_t> px = End();
        for (uint32_t p : px) ASSERT_EQ(p, r.expected) << r.what << " (mode " << r.mode << ")";
        GxGraphics::Finalize();
    }
}

TEST_F(DrawTest, PresetsGolden) {
    // Eleven columns (modes 0 to 10) over a gradient destination: a textured
    // sprite with four quadrant colours, the same with a colour and a second
    // colour, and an untextured quad.
    Begin(176, 48, 0);
    const f32 bg[4] = {0, 0, 176, 48};
    const u32 bgColours[5] = {0xFF0000FFu, 0x00FF0000u, 0x8000FF00u, 0xFFFFFFFFu, 0x80808080u};
    GxDrawGradientRect(bg, bgColours, nullptr, 1);
    PixelTexture quad(2, 2, {0xFFFF8000u, 0x8000C0FFu, 0x40FFFFFFu, 0xC0202020u});
    const f32 src[4] = {0, 0, 2, 2};
    const GxVector2 scale(7, 7);
    for (u32 mode = 0; mode <= 10; ++mode) {
        f32 x = f32(mode * 16 + 1);
        GxDrawSprite(&quad, x, 1, src, &scale, nullptr, nullptr, nullptr, 0xFFFFFFFFu, 0, mode);
        GxDrawSprite(&quad, x, 17, src, &scale, nullptr, nullptr, nullptr, 0xC080A0FFu, 0x00302010u, mode);
        const f32 corners[8] = {x, 33, x, 47, x + 14, 47, x + 14, 33};
        const u32 colours[4] = {0xFFFF0000u, 0x80FFFF00u, 0xFF00FFFFu, 0x40FFFFFFu};
        GxDrawTexturedQuad(nullptr, corners, nullptr, colours, nullptr, mode);
    }
    std::vector<uint32_t> px = End();
    EXPECT_TRUE(MatchesGolden("blend_presets", px, 176, 48));
}

TEST_F(DrawTest, CornerOrderAndScaledTexels) {
    Begin(32, 32, 0xFF000000u);
    PixelTexture quad(2, 2, {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFFFFu});
    const f32 src[4] = {0, 0, 2, 2};
    const GxVector2 scale(4, 4);
    GxDrawSprite(&quad, 10, 10, src, &scale, nullptr, nullptr, nullptr, 0xFFFFFFFFu, 0, 1);
    std::vector<uint32_t> px = End();
    // Each corner's texel at its corner, each texel over exactly four pixels,
    // the sprite over exactly 8.
    for (const auto& [x, y, argb] : {std::tuple{10, 10, 0xFFFF0000u}, {17, 10, 0xFF00FF00u}, {10, 17, 0xFF0000FFu},
                                      {17, 17, 0xFFFFFFFFu}, {13, 13, 0xFFFF0000u}, {14, 13, 0xFF00FF00u},
                                      {9, 10, 0xFF000000u}, {18, 10, 0xFF000000u}})
        EXPECT_EQ(At(px, x, y), argb) << x << "," << y;
}

TEST_F(DrawTest, RotationAndTheSpriteMatrixAboutThePivot) {
    Begin(40, 40, 0xFF000000u);
    PixelTexture quad(2, 2, {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFFFFu});
    const f32 src[4] = {0, 0, 2, 2};
    const GxVector2 scale(4, 2), pivot(0.5f, 0.5f);
    const GxVector3 rotation(0, 0, std::numbers::pi_v<f32> / 2);
    // An 8 × 4 picture turned a quarter about its centre, centred on (20, 20):
    // 4 wide and 8 tall, its top edge now on the right.
    GxDrawSprite(&quad, 20, 20, src, &scale, &rotation, &pivot, nullptr, 0xFFFFFFFFu, 0, 1);
    std::vector<uint32_t> px = End();
    for (const auto& [x, y, argb] : {std::tuple{21, 17, 0xFFFF0000u}, {21, 22, 0xFF00FF00u}, {18, 17, 0xFF0000FFu},
                                      {18, 22, 0xFFFFFFFFu}, {17, 20, 0xFF000000u}, {22, 20, 0xFF000000u},
                                      {20, 15, 0xFF000000u}, {20, 24, 0xFF000000u}})
        EXPECT_EQ(At(px, x, y), argb) << x << "," << y;
    EXPECT_NE(At(px, 20, 23), 0xFF000000u);

    // The sprite matrix places corners relative to the pivot.
    const GxVector2 matScale(2, 3), matPivot(0.25f, 0.5f);
    GxMatrix m = GxMakeSpriteMatrix(100, 50, 8, 4, &matScale, nullptr, &matPivot);
    // (c − pivot)·S + (x, y) − 0.5 with pivot (2, 2).
    GxVector2 tl = GxVector2(0, 0).Transform(m), br = GxVector2(8, 4).Transform(m);
    EXPECT_FLOAT_EQ(tl.x, 100 - 4 - 0.5f);
    EXPECT_FLOAT_EQ(tl.y, 50 - 6 - 0.5f);
    EXPECT_FLOAT_EQ(br.x, 100 + 12 - 0.5f);
    EXPECT_FLOAT_EQ(br.y, 50 + 6 - 0.5f);
}

TEST_F(DrawTest, CullingIsStrictAndChangesNoStateForSkippedQuads) {
    Begin(64, 64, 0xFF000000u);
    auto tex = Solid(8, 8, 0xFFFFFFFFu);
    GxSetBlendMode(0, 3);
    struct Row {
        f32 x, y;
        f32 src[4];
        f32 rotation;
        bool drawn;
        const char* what;
    };
    const Row rows[] = {
        {64.5f, 10, {0, 0, 0, 8}, 0, true, "all corners exactly on the right edge"},
        {64.625f, 10, {0, 0, 0, 8}, 0, false, "all corners just beyond the right edge"},
        {-7.625f, 10, {0, 0, 8, 8}, 0, false, "wholly left of the viewport"},
        {-7.375f, 10, {0, 0, 8, 8}, 0, true, "one column still inside"},
        {10, 64.625f, {0, 0, 8, 8}, 0, false, "below"},
        {10, -8, {0, 0, 8, 8}, 0, false, "above"},
        {-2, 20, {0, 0, 8, 8}, 0.7f, true, "rotated across the left edge"},
    };
    for (const Row& r : rows) {
        GxSetBlendMode(0, 3);
        GxSetTexture(0, nullptr);
        const GxVector3 rot(0, 0, r.rotation);
        GxDrawSprite(tex.get(), r.x, r.y, r.src, nullptr, &rot, nullptr, nullptr, 0xFFFFFFFFu, 0, 5);
        EXPECT_EQ(GxGetBlendMode(0), r.drawn ? 5u : 3u) << r.what;
        EXPECT_EQ(Dev().get_texture(0) != nullptr, r.drawn) << r.what;
    }
    End();
}

TEST_F(DrawTest, DrawingIsClippedToTheViewport) {
    Begin(32, 32, 0xFF000000u);
    GxRect vp{8, 8, 16, 20};
    GxSetViewport(&vp);
    auto tex = Solid(32, 32, 0xFFFFFFFFu);
    const f32 src[4] = {0, 0, 32, 32};
    GxDrawSprite(tex.get(), 0, 0, src, nullptr, nullptr, nullptr, nullptr, 0xFFFFFFFFu, 0, 1);
    std::vector<uint32_t> px = End();
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            bool inside = x >= 8 && x < 16 && y >= 8 && y < 20;
            ASSERT_EQ(At(px, x, y), inside ? 0xFFFFFFFFu : 0xFF000000u) << x << "," << y;
        }
}

TEST_F(DrawTest, SharedEdgesAreDrawnOnceWithoutGaps) {
    // Additive quads: a pixel drawn twice would show 0x80, a gap 0.
    Begin(32, 16, 0xFF000000u);
    auto tex = Solid(8, 8, 0xFF404040u);
    const f32 src[4] = {0, 0, 8, 8};
    const GxVector2 scale(1.5f, 1.25f);
    GxDrawSprite(tex.get(), 2.25f, 1.5f, src, &scale, nullptr, nullptr, nullptr, 0xFFFFFFFFu, 0, 3);
    GxDrawSprite(tex.get(), 14.25f, 1.5f, src, &scale, nullptr, nullptr, nullptr, 0xFFFFFFFFu, 0, 3);
    const f32 below[8] = {2.25f, 11.5f, 2.25f, 15.0f, 26.25f, 15.0f, 26.25f, 11.5f};
    const f32 uv[4] = {0, 0, 1, 1};
    GxDrawTexturedQuad(tex.get(), below, uv, nullptr, nullptr, 3);
    std::vector<uint32_t> px = End();
    // After the half-pixel move the quads span x 1.75 – 25.75 and y 1 – 14.5:
    // pixel centres 2 … 25 and 1 … 14, the top and left edges inclusive.
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 32; ++x) {
            const bool inside = x >= 2 && x <= 25 && y >= 1 && y <= 14;
            ASSERT_EQ(At(px, x, y), inside ? 0xFF404040u : 0xFF000000u) << x << "," << y;
        }
}

TEST_F(DrawTest, SpriteRectsAndTheirOutline) {
    Begin(16, 16, 0xFF000000u);
    PixelTexture tex(4, 4, std::vector<uint32_t>(16, 0xFF404040u));
    GxSpriteRect one{&tex, 1, 1, 1, 1};
    // Additive: each of the eight offsets adds 0x40 where it lands.
    GxDrawSpriteRectEdge(&one, 8, 8, 1.0f, nullptr, nullptr, nullptr, 0xFFFFFFFFu, 0, 3);
    std::vector<uint32_t> px = End();
    EXPECT_EQ(At(px, 8, 8), 0xFF000000u) << "the middle is left for the caller";
    for (auto [x, y] : {std::pair{7, 7}, {9, 9}, {9, 7}, {7, 9}, {9, 8}, {7, 8}, {8, 9}, {8, 7}})
        EXPECT_EQ(At(px, x, y), 0xFF404040u) << x << "," << y;
    EXPECT_EQ(At(px, 10, 8), 0xFF000000u);
}

TEST_F(DrawTest, TexturedQuadWithColoursPerCorner) {
    Begin(16, 16, 0xFF000000u);
    const f32 corners[8] = {0, 0, 0, 16, 16, 16, 16, 0};
    const u32 colours[4] = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFFFFu};
    GxDrawTexturedQuad(nullptr, corners, nullptr, colours, nullptr, 1);
    std::vector<uint32_t> px = End();
    auto near = [](uint32_t p, uint32_t q) {
        for (int s = 0; s < 24; s += 8)
            if (std::abs(int((p >> s) & 255) - int((q >> s) & 255)) > 40) return false;
        return true;
    };
    EXPECT_TRUE(near(At(px, 0, 0), 0xFFFF0000u)) << std::hex << At(px, 0, 0);
    EXPECT_TRUE(near(At(px, 0, 15), 0xFF00FF00u)) << std::hex << At(px, 0, 15);
    EXPECT_TRUE(near(At(px, 15, 15), 0xFF0000FFu)) << std::hex << At(px, 15, 15);
    EXPECT_TRUE(near(At(px, 15, 0), 0xFFFFFFFFu)) << std::hex << At(px, 15, 0);
}

TEST_F(DrawTest, LayerQuadMeetsAtItsCentreAndIsCulledOnAllFivePoints) {
    Begin(32, 32, 0xFF000000u);
    auto tex = Solid(4, 4, 0xFFFFFFFFu);
    // Corners left of the viewport, the centre inside: drawn.
    const GxVector4 points[5] = {{-20, 0, 0, 1}, {-20, 30, 0, 1}, {-10, 30, 0, 1}, {-10, 0, 0, 1}, {4, 16, 0, 1}};
    GxSetBlendMode(0, 2);
    GxDrawNcLayerQuad(tex.get(), points, nullptr, nullptr, nullptr, nullptr, 1);
    EXPECT_EQ(GxGetBlendMode(0), 1u);
    std::vector<uint32_t> px = End();
    EXPECT_EQ(At(px, 1, 16), 0xFFFFFFFFu) << "the triangles reach the centre";
    EXPECT_EQ(At(px, 6, 16), 0xFF000000u);

    Begin(32, 32, 0xFF000000u);
    const GxVector4 away[5] = {{-20, 0, 0, 1}, {-20, 30, 0, 1}, {-10, 30, 0, 1}, {-10, 0, 0, 1}, {-15, 16, 0, 1}};
    GxSetBlendMode(0, 2);
    GxDrawNcLayerQuad(tex.get(), away, nullptr, nullptr, nullptr, nullptr, 1);
    EXPECT_EQ(GxGetBlendMode(0), 2u) << "all five outside: skipped";
    End();
}

TEST_F(DrawTest, GradientRectCentreColourAndNoOffset) {
    Begin(16, 16, 0xFF000000u);
    const f32 rect[4] = {0, 0, 16, 16};
    const u32 colours[5] = {0xFF000000u, 0xFF000000u, 0xFF000000u, 0xFF000000u, 0xFFFFFFFFu};
    GxDrawGradientRect(rect, colours, nullptr, 1);
    std::vector<uint32_t> px = End();
    // Not moved by half a pixel: the centre vertex lands on pixel (8, 8)'s
    // centre and the corner vertex on pixel (0, 0)'s.
    EXPECT_EQ(At(px, 8, 8), 0xFFFFFFFFu);
    EXPECT_EQ(At(px, 0, 0), 0xFF000000u);
    EXPECT_EQ(At(px, 7, 8), At(px, 9, 8));
    EXPECT_EQ(At(px, 8, 7), At(px, 8, 9));
    EXPECT_LT(At(px, 7, 7) & 0xFF, 0xFFu);
}

TEST_F(DrawTest, SamplingPointLinearAndWrap) {
    Begin(48, 16, 0xFF000000u);
    PixelTexture quad(2, 2, {0xFF000000u, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFF000000u});
    const f32 src[4] = {0, 0, 2, 2};
    const GxVector2 scale(8, 8);
    GxSetTextureFilter(prender::filter::point);
    GxDrawSprite(&quad, 0, 0, src, &scale, nullptr, nullptr, nullptr, 0xFFFFFFFFu, 0, 1);
    GxSetTextureFilter(prender::filter::linear);
    GxDrawSprite(&quad, 16, 0, src, &scale, nullptr, nullptr, nullptr, 0xFFFFFFFFu, 0, 1);
    const GxVector2 half(0.5f, 0.0f);
    GxSetTextureFilter(prender::filter::point);
    GxDrawSprite(&quad, 32, 0, src, &scale, nullptr, nullptr, &half, 0xFFFFFFFFu, 0, 1);
    std::vector<uint32_t> px = End();
    EXPECT_EQ(At(px, 7, 0), 0xFF000000u);
    EXPECT_EQ(At(px, 8, 0), 0xFFFFFFFFu) << "point: hard texel edges";
    uint32_t mid = At(px, 16 + 8, 8) & 0xFF;
    EXPECT_GT(mid, 0x40u) << "linear: blended between texels";
    EXPECT_LT(mid, 0xC0u);
    EXPECT_EQ(At(px, 32, 0), 0xFFFFFFFFu) << "shifted by half the texture and wrapped";
    EXPECT_EQ(At(px, 47, 0), 0xFF000000u);
    EXPECT_TRUE(MatchesGolden("sampling", px, 48, 16));
}

TEST(DrawMath, RoundUpPowerOfTwo) {
    const std::pair<u32, u32> rows[] = {{0, 1},      {1, 1},          {2, 2}, {3, 4}, {640, 1024}, {1024, 1024},
                                        {0x80000000u, 0x80000000u}, {0x80000001u, 0}, {0xFFFFFFFFu, 0}};
    for (auto [n, expected] : rows) EXPECT_EQ(GxRoundUpPowerOfTwo(n), expected) << n;
}

} // namespace
