// An adventure game's frame at 1920 × 1080 through the graphics layer: the
// engine's own clear (target, depth and stencil), an opaque background, two
// character-sized alpha sprites, a message-window panel and 200 glyph-sized
// quads of text, presented headless. Figures are milliseconds per frame on
// one raster thread and on four, against the plain loop that copies and
// blends the same pixels (the memory-bandwidth floor), measured in the same
// run; and the engine's full clear against a colour-only clear.
#include "bench/graphics/headless_graphics.h"
#include "bench/timing.h"
#include "graphics/GxDraw.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxGraphicsTypes.h"
#include "graphics/GxRenderState.h"
#include "graphics/GxTexture.h"
#include "platform/render/span_kernels.h"

#if PRENDER_SIMD_X86
#include <emmintrin.h>
#endif

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr u32 W = 1920, H = 1080;
constexpr int kGlyphs = 200;

struct Quad {
    f32 x, y;
    f32 src[4];
};

// Where everything goes.
const Quad kCharacters[2] = {{200, 80, {0, 0, 600, 1000}}, {1120, 80, {0, 0, 600, 1000}}};
const Quad kPanel{160, 760, {0, 0, 1600, 300}};
Quad Glyph(int i) {
    const f32 cx = f32((i % 20) * 24), cy = f32((i / 20 % 20) * 24);
    return {f32(200 + (i % 50) * 30), f32(790 + (i / 50) * 60), {cx, cy, cx + 24, cy + 24}};
}

struct Scene {
    GxTexture background, character, panel, glyphs;
};

// Fills a texture's image area with a pattern: f(x, y) gives the pixel.
template <class F>
void Paint(GxTexture& t, const GxChar* name, u32 w, u32 h, F f) {
    t.CreateTexture(name, w, h, kGxFmtA8R8G8B8, 1);
    void* bits = nullptr;
    u32 pitch = 0;
    t.LockRect(nullptr, &bits, &pitch, nullptr, nullptr, nullptr, false);
    for (u32 y = 0; y < h; ++y)
        for (u32 x = 0; x < w; ++x) static_cast<u32*>(bits)[size_t(y) * (pitch / 4) + x] = f(x, y);
    t.UnlockRect();
}

void Build(Scene& s) {
    Paint(s.background, u"background", W, H,
          [](u32 x, u32 y) { return 0xFF000000u | (x & 255) << 16 | (y & 255) << 8 | ((x ^ y) & 255); });
    // A figure: opaque inside an ellipse, a soft edge, transparent outside.
    Paint(s.character, u"character", 600, 1000, [](u32 x, u32 y) {
        const double dx = (double(x) - 300) / 280, dy = (double(y) - 500) / 490, r = std::sqrt(dx * dx + dy * dy);
        const u32 a = r < 0.95 ? 255u : r < 1.0 ? u32((1.0 - r) * 20 * 255) : 0u;
        return a << 24 | 0xC08060u;
    });
    Paint(s.panel, u"panel", 1600, 300, [](u32 x, u32 y) { return 0xC0000000u | (x / 8 & 63) << 8 | (y & 63); });
    Paint(s.glyphs, u"glyphs", 480, 480, [](u32 x, u32 y) {
        const u32 gx = x % 24, gy = y % 24;
        return (gx > 3 && gx < 20 && (gy % 6 < 3 || gx % 7 < 3) ? 0xFFu : 0u) << 24 | 0xFFFFFFu;
    });
}

void Draw(GxTexture& t, const Quad& q, u32 colour, u32 blend) {
    GxDrawSprite(&t, q.x, q.y, q.src, nullptr, nullptr, nullptr, nullptr, colour, 0, blend);
}

void Frame(Scene& s) {
    GxGraphics::Clear(kGxClearTarget | kGxClearZBuffer | kGxClearStencil, 0xFF000000u, 1.0f, 0);
    GxGraphics::BeginScene();
    GxSetDefaultRenderStates();
    GxSetTextureFilter(prender::filter::point);
    Draw(s.background, Quad{0, 0, {0, 0, f32(W), f32(H)}}, 0xFFFFFFFFu, 1);
    for (const Quad& c : kCharacters) Draw(s.character, c, 0xFFFFFFFFu, 2);
    Draw(s.panel, kPanel, 0xFFFFFFFFu, 2);
    for (int i = 0; i < kGlyphs; ++i) Draw(s.glyphs, Glyph(i), 0xFFF0F0E0u, 2);
    GxGraphics::EndScene();
    GxGraphics::Present();
}

// d = s·a + d·(1 − a) over n pixels, rounded as the renderer rounds.
void BlendRow(const u32* src, u32* dst, size_t n) {
    size_t i = 0;
#if PRENDER_SIMD_X86
    const __m128i z = _mm_setzero_si128(), k255 = _mm_set1_epi16(255), k128 = _mm_set1_epi16(128);
    for (; i + 4 <= n; i += 4) {
        __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
        __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i));
        __m128i out[2];
        for (int h = 0; h < 2; ++h) {
            __m128i s16 = h ? _mm_unpackhi_epi8(sv, z) : _mm_unpacklo_epi8(sv, z);
            __m128i d16 = h ? _mm_unpackhi_epi8(dv, z) : _mm_unpacklo_epi8(dv, z);
            __m128i a = _mm_shufflehi_epi16(_mm_shufflelo_epi16(s16, 0xFF), 0xFF);
            __m128i t = _mm_add_epi16(_mm_mullo_epi16(s16, a), _mm_mullo_epi16(d16, _mm_sub_epi16(k255, a)));
            t = _mm_add_epi16(t, k128);
            out[h] = _mm_srli_epi16(_mm_add_epi16(t, _mm_srli_epi16(t, 8)), 8);
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), _mm_packus_epi16(out[0], out[1]));
    }
#endif
    for (; i < n; ++i) {
        u32 sp = src[i], dp = dst[i], a = sp >> 24, out = 0;
        for (int sh = 0; sh < 32; sh += 8) {
            u32 t = ((sp >> sh) & 255) * a + ((dp >> sh) & 255) * (255 - a) + 128;
            out |= ((t + (t >> 8)) >> 8) << sh;
        }
        dst[i] = out;
    }
}

// The baseline: the same pixels cleared, copied and blended by plain loops,
// from images already in memory, with no set-up and no drawing state.
struct Plain {
    std::vector<u32> frame = std::vector<u32>(size_t(W) * H), background, character, panel, glyphs;

    void Blit(const std::vector<u32>& img, u32 img_w, const Quad& q, bool blend) {
        const u32 w = u32(q.src[2] - q.src[0]), h = u32(q.src[3] - q.src[1]);
        for (u32 y = 0; y < h; ++y) {
            const u32* s = img.data() + size_t(q.src[1] + f32(y)) * img_w + size_t(q.src[0]);
            u32* d = frame.data() + size_t(q.y + f32(y)) * W + size_t(q.x);
            blend ? BlendRow(s, d, w) : void(std::memcpy(d, s, size_t(w) * 4));
        }
    }
    void Frame() {
        std::fill(frame.begin(), frame.end(), 0xFF000000u);
        Blit(background, W, Quad{0, 0, {0, 0, f32(W), f32(H)}}, false);
        for (const Quad& c : kCharacters) Blit(character, 600, c, true);
        Blit(panel, 1600, kPanel, true);
        for (int i = 0; i < kGlyphs; ++i) Blit(glyphs, 480, Glyph(i), true);
    }
};

std::vector<u32> Pixels(GxTexture& t, u32 w, u32 h) {
    std::vector<u32> out(size_t(w) * h);
    void* bits = nullptr;
    u32 pitch = 0;
    t.LockRect(nullptr, &bits, &pitch, nullptr, nullptr, nullptr, true);
    for (u32 y = 0; y < h; ++y)
        std::memcpy(&out[size_t(y) * w], static_cast<u8*>(bits) + size_t(y) * pitch, size_t(w) * 4);
    t.UnlockRect();
    return out;
}

} // namespace

int main() {
    if (!qbench::StartHeadlessGraphics("adventure_frame_bench", W, H)) return 1;
    prender::device& d = *GxGraphics::GetDevice();
    {
        Scene s;
        Build(s);
        Plain plain;
        plain.background = Pixels(s.background, W, H);
        plain.character = Pixels(s.character, 600, 1000);
        plain.panel = Pixels(s.panel, 1600, 300);
        plain.glyphs = Pixels(s.glyphs, 480, 480);
        const int runs = 25;
        double load = 0;
        if (FILE* f = std::fopen("/proc/loadavg", "r")) {
            if (std::fscanf(f, "%lf", &load) != 1) load = 0;
            std::fclose(f);
        }
        const auto level = prender::detail::span_simd();
        std::printf("adventure_frame_bench: %u x %u, clear + background + 2 characters + panel + %d glyphs; "
                    "best of %d; span kernels %s; load average %.2f (other work on the machine slows the figures)\n",
                    W, H, kGlyphs, runs,
                    level == prender::detail::simd_level::avx2   ? "AVX2"
                    : level == prender::detail::simd_level::sse2 ? "SSE2"
                                                                 : "scalar",
                    load);
        plain.Frame();
        const double base = qbench::BestOf(runs, [&] { plain.Frame(); });
        std::printf("  plain copy and blend loop (baseline)   %7.2f ms\n", base);
        for (unsigned threads : {1u, 4u}) {
            d.set_raster_threads(threads);
            Frame(s);
            const double t = qbench::BestOf(runs, [&] { Frame(s); });
            std::printf("  engine frame, %u raster thread%s        %7.2f ms  (%.2f x baseline)\n", threads,
                        threads == 1 ? " " : "s", t, t / base);
        }
        // The clears alone, each finished before the next.
        d.set_raster_threads(1);
        auto clear = [&](u32 flags) {
            return qbench::BestOf(runs * 4, [&] {
                GxGraphics::Clear(flags, 0xFF000000u, 1.0f, 0);
                d.flush();
            });
        };
        const double colour = clear(kGxClearTarget), full = clear(kGxClearTarget | kGxClearZBuffer | kGxClearStencil);
        std::printf("  clear, colour only, 1 thread           %7.2f ms\n", colour);
        std::printf("  clear, target + depth + stencil        %7.2f ms  (%.2f x the colour-only clear)\n", full,
                    full / colour);
        s.glyphs.Release();
        s.panel.Release();
        s.character.Release();
        s.background.Release();
    }
    GxGraphics::Finalize();
    return 0;
}
