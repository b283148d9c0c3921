#include "platform/render/raster.h"

#include "platform/render/format.h"
#include "platform/render/span_kernels.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#if PRENDER_SIMD_X86
#include <emmintrin.h>
#endif

namespace prender::detail {

namespace {

// Triangles reaching farther out than this are clipped to it first: it keeps
// every edge product inside 64 bits, and lies far outside any surface.
constexpr double coord_limit = 1048576.0;
// Texel coordinates are clamped here before fixed-point conversion.
constexpr double texel_limit = 1073741824.0;

inline int64_t floor_div(int64_t a, int64_t b) {  // b > 0
    int64_t q = a / b;
    if ((a % b) != 0 && a < 0) --q;
    return q;
}
inline int64_t ceil_div(int64_t a, int64_t b) {  // b > 0
    return -floor_div(-a, b);
}

inline int64_t to_fixed(double v, double scale) {
    double x = v * scale;
    const double lim = 9.0e18;
    if (!(x > -lim)) x = -lim;  // also catches NaN
    if (x > lim) x = lim;
    return std::llround(x);
}

inline uint32_t clamp255(int64_t v) { return v < 0 ? 0u : (v > 255 ? 255u : uint32_t(v)); }

inline uint32_t ch(uint32_t c, int shift) { return (c >> shift) & 255u; }

// ---- texel fetch and addressing ------------------------------------------

inline int address_coord(int64_t x, int size, address m) {
    switch (m) {
    case address::wrap: {
        int64_t r = x % size;
        if (r < 0) r += size;
        return int(r);
    }
    case address::mirror: {
        int64_t p = int64_t(size) * 2;
        int64_t r = x % p;
        if (r < 0) r += p;
        return int(r < size ? r : p - 1 - r);
    }
    default:  // clamp; border is treated as clamp
        return x < 0 ? 0 : (x >= size ? size - 1 : int(x));
    }
}

enum fetch_kind { fetch_argb = 0, fetch_xrgb = 1, fetch_other = 2 };

template <int F>
inline uint32_t fetch(const pixel_view& t, int x, int y) {
    const uint8_t* row = t.bits + ptrdiff_t(y) * t.pitch;
    if constexpr (F == fetch_argb) {
        uint32_t v;
        std::memcpy(&v, row + ptrdiff_t(x) * 4, 4);
        return v;
    } else if constexpr (F == fetch_xrgb) {
        uint32_t v;
        std::memcpy(&v, row + ptrdiff_t(x) * 4, 4);
        return v | 0xFF000000u;
    } else {
        return load_argb(t.fmt, row + ptrdiff_t(x) * bytes_per_pixel(t.fmt));
    }
}

inline uint32_t lerp2(uint32_t a, uint32_t b, uint32_t f) {  // f in 0..255
    uint32_t g = 256 - f;
    uint32_t rb = (((a & 0x00FF00FFu) * g + (b & 0x00FF00FFu) * f + 0x00800080u) >> 8) & 0x00FF00FFu;
    uint32_t ag = (((a >> 8) & 0x00FF00FFu) * g + ((b >> 8) & 0x00FF00FFu) * f + 0x00800080u) & 0xFF00FF00u;
    return rb | ag;
}

struct sampler_ctx {
    const pixel_view* tex;
    address au, av;
    bool pow2_wrap;  // both axes wrap over power-of-two sizes: addressing is a mask
    int mask_x, mask_y;
    bool vector;     // the vector loops may run (else everything is scalar)
};

template <int F, bool Pow2>
void sample_point(const sampler_ctx& c, int64_t& u_io, int64_t du, int64_t& v_io, int64_t dv, int n, uint32_t* out) {
    const pixel_view& t = *c.tex;
    const int64_t mask_x = c.mask_x, mask_y = c.mask_y;
    const int width = t.width, height = t.height;
    const address au = c.au, av = c.av;
    const pixel_view tv = t;
    int64_t u = u_io, v = v_io;
    for (int i = 0; i < n; ++i) {
        int64_t xi = u >> 32, yi = v >> 32;
        u += du;
        v += dv;
        int x, y;
        if constexpr (Pow2) {
            x = int(xi & mask_x);
            y = int(yi & mask_y);
        } else {
            x = address_coord(xi, width, au);
            y = address_coord(yi, height, av);
        }
        out[i] = fetch<F>(tv, x, y);
    }
    u_io = u;
    v_io = v;
}

// Bilinear weights have 8 bits: rows are blended first, then the two columns,
// each step rounded; texel centres give the texel itself.
inline uint32_t bilerp(uint32_t t00, uint32_t t01, uint32_t t10, uint32_t t11, uint32_t fx, uint32_t fy) {
    return lerp2(lerp2(t00, t10, fy), lerp2(t01, t11, fy), fx);
}

#if PRENDER_SIMD_X86
// One pixel's two texel pairs, 16 bits a channel: the top and bottom rows'
// channels interleaved, left texel then right texel.
struct texel_quad {
    __m128i left, right;
};

inline texel_quad load_quad(const uint8_t* ra, const uint8_t* rb, int xa, int xb) {
    const __m128i z = _mm_setzero_si128();
    __m128i top, bot;
    if (xb == xa + 1) {
        top = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(ra + ptrdiff_t(xa) * 4));
        bot = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(rb + ptrdiff_t(xa) * 4));
    } else {
        uint32_t a0, a1, b0, b1;
        std::memcpy(&a0, ra + ptrdiff_t(xa) * 4, 4);
        std::memcpy(&a1, ra + ptrdiff_t(xb) * 4, 4);
        std::memcpy(&b0, rb + ptrdiff_t(xa) * 4, 4);
        std::memcpy(&b1, rb + ptrdiff_t(xb) * 4, 4);
        top = _mm_unpacklo_epi32(_mm_cvtsi32_si128(int(a0)), _mm_cvtsi32_si128(int(a1)));
        bot = _mm_unpacklo_epi32(_mm_cvtsi32_si128(int(b0)), _mm_cvtsi32_si128(int(b1)));
    }
    __m128i t16 = _mm_unpacklo_epi8(top, z), b16 = _mm_unpacklo_epi8(bot, z);
    return {_mm_unpacklo_epi16(t16, b16), _mm_unpackhi_epi16(t16, b16)};
}

// Four 32-bit channel sums of one pixel (before the final rounding shift).
inline __m128i weigh(const texel_quad& q, uint32_t fx, uint32_t fy) {
    const __m128i k128 = _mm_set1_epi32(128);
    __m128i wy = _mm_set1_epi32(int(fy << 16 | (256 - fy)));
    __m128i lo = _mm_srli_epi32(_mm_add_epi32(_mm_madd_epi16(q.left, wy), k128), 8);
    __m128i hi = _mm_srli_epi32(_mm_add_epi32(_mm_madd_epi16(q.right, wy), k128), 8);
    __m128i wx = _mm_set1_epi32(int(fx << 16 | (256 - fx)));
    return _mm_srli_epi32(_mm_add_epi32(_mm_madd_epi16(_mm_or_si128(lo, _mm_slli_epi32(hi, 16)), wx), k128), 8);
}
#endif // PRENDER_SIMD_X86

// Power-of-two wrapping textures of 32-bit texels: four pixels a step, their
// coordinates in 16.16 fixed point in SSE2 lanes. 32-bit wrap-around keeps
// the texel coordinate modulo any power-of-two size up to 65536, so masking
// still gives the wrapped texel. Each step restarts from the exact 64-bit
// coordinate, so rounding of the step cannot build up along a row.
template <int F>
void sample_linear_wrap4(const sampler_ctx& c, int64_t& u_io, int64_t du, int64_t& v_io, int64_t dv, int n,
                         uint32_t* out) {
    const pixel_view& t = *c.tex;
    const int64_t half = int64_t(1) << 31;
    const int32_t du16 = int32_t(du >> 16), dv16 = int32_t(dv >> 16);
    int64_t u = u_io, v = v_io;
    int i = 0;
#if PRENDER_SIMD_X86
    if (c.vector) {
    const uint8_t* const bits = t.bits;
    const int32_t pitch_px = t.pitch / 4;
    const __m128i mx = _mm_set1_epi32(c.mask_x), my = _mm_set1_epi32(c.mask_y);
    const __m128i k255 = _mm_set1_epi32(255), k256 = _mm_set1_epi32(256), k128 = _mm_set1_epi32(128);
    const __m128i one = _mm_set1_epi32(1), rowmul = _mm_set1_epi32(1 | (pitch_px << 16));
    const __m128i z = _mm_setzero_si128();
    const __m128i steps_u = _mm_set_epi32(3 * du16, 2 * du16, du16, 0);
    const __m128i steps_v = _mm_set_epi32(3 * dv16, 2 * dv16, dv16, 0);
    alignas(16) int32_t off[16];
    alignas(16) uint32_t wts[8];
    for (; i + 4 <= n; i += 4) {
        __m128i U = _mm_add_epi32(_mm_set1_epi32(int32_t(uint32_t(uint64_t(u - half) >> 16))), steps_u);
        __m128i V = _mm_add_epi32(_mm_set1_epi32(int32_t(uint32_t(uint64_t(v - half) >> 16))), steps_v);
        u += 4 * du;
        v += 4 * dv;
        __m128i ux = _mm_srli_epi32(_mm_add_epi32(U, k128), 8);
        __m128i vy = _mm_srli_epi32(_mm_add_epi32(V, k128), 8);
        __m128i fx = _mm_and_si128(ux, k255), fy = _mm_and_si128(vy, k255);
        __m128i x0 = _mm_and_si128(_mm_srli_epi32(ux, 8), mx), y0 = _mm_and_si128(_mm_srli_epi32(vy, 8), my);
        __m128i x1 = _mm_and_si128(_mm_add_epi32(x0, one), mx), y1 = _mm_and_si128(_mm_add_epi32(y0, one), my);
        // Texel offsets x + y · pitch, one multiply-add over (x, y) pairs.
        __m128i r0 = _mm_slli_epi32(y0, 16), r1 = _mm_slli_epi32(y1, 16);
        _mm_store_si128(reinterpret_cast<__m128i*>(off), _mm_madd_epi16(_mm_or_si128(x0, r0), rowmul));
        _mm_store_si128(reinterpret_cast<__m128i*>(off + 4), _mm_madd_epi16(_mm_or_si128(x1, r0), rowmul));
        _mm_store_si128(reinterpret_cast<__m128i*>(off + 8), _mm_madd_epi16(_mm_or_si128(x0, r1), rowmul));
        _mm_store_si128(reinterpret_cast<__m128i*>(off + 12), _mm_madd_epi16(_mm_or_si128(x1, r1), rowmul));
        // Weight pairs (256 − f, f) as two 16-bit halves.
        _mm_store_si128(reinterpret_cast<__m128i*>(wts), _mm_or_si128(_mm_sub_epi32(k256, fy), _mm_slli_epi32(fy, 16)));
        _mm_store_si128(reinterpret_cast<__m128i*>(wts + 4), _mm_or_si128(_mm_sub_epi32(k256, fx), _mm_slli_epi32(fx, 16)));
        const uint32_t* tx = reinterpret_cast<const uint32_t*>(bits);
        auto pixel = [&](int k) {
            __m128i top = _mm_unpacklo_epi32(_mm_cvtsi32_si128(int(tx[off[k]])), _mm_cvtsi32_si128(int(tx[off[4 + k]])));
            __m128i bot = _mm_unpacklo_epi32(_mm_cvtsi32_si128(int(tx[off[8 + k]])), _mm_cvtsi32_si128(int(tx[off[12 + k]])));
            __m128i t16 = _mm_unpacklo_epi8(top, z), b16 = _mm_unpacklo_epi8(bot, z);
            __m128i wy = _mm_set1_epi32(int(wts[k])), wx = _mm_set1_epi32(int(wts[4 + k]));
            __m128i lo = _mm_srli_epi32(_mm_add_epi32(_mm_madd_epi16(_mm_unpacklo_epi16(t16, b16), wy), k128), 8);
            __m128i hi = _mm_srli_epi32(_mm_add_epi32(_mm_madd_epi16(_mm_unpackhi_epi16(t16, b16), wy), k128), 8);
            return _mm_srli_epi32(_mm_add_epi32(_mm_madd_epi16(_mm_or_si128(lo, _mm_slli_epi32(hi, 16)), wx), k128), 8);
        };
        __m128i res[4] = {pixel(0), pixel(1), pixel(2), pixel(3)};
        __m128i p = _mm_packus_epi16(_mm_packs_epi32(res[0], res[1]), _mm_packs_epi32(res[2], res[3]));
        if constexpr (F == fetch_xrgb) p = _mm_or_si128(p, _mm_set1_epi32(int(0xFF000000u)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), p);
    }
    }
#endif
    // The same groups a pixel at a time: 16.16 coordinates stepped in 32-bit
    // unsigned arithmetic from each group's exact start.
    for (; i + 4 <= n; i += 4) {
        const uint32_t u0 = uint32_t(uint64_t(u - half) >> 16), v0 = uint32_t(uint64_t(v - half) >> 16);
        u += 4 * du;
        v += 4 * dv;
        for (int k = 0; k < 4; ++k) {
            uint32_t ux = (u0 + uint32_t(k * du16) + 128u) >> 8, vy = (v0 + uint32_t(k * dv16) + 128u) >> 8;
            int xa = int((ux >> 8) & uint32_t(c.mask_x)), ya = int((vy >> 8) & uint32_t(c.mask_y));
            int xb = (xa + 1) & c.mask_x, yb = (ya + 1) & c.mask_y;
            out[i + k] = bilerp(fetch<F>(t, xa, ya), fetch<F>(t, xb, ya), fetch<F>(t, xa, yb), fetch<F>(t, xb, yb),
                                ux & 255u, vy & 255u);
        }
    }
    u_io = u;
    v_io = v;
    if (i < n) {
        // The last few pixels one at a time, exactly.
        const int64_t bias = (int64_t(1) << 23) - half;
        for (; i < n; ++i) {
            int64_t ux = (u + bias) >> 24, vy = (v + bias) >> 24;
            u += du;
            v += dv;
            int64_t x0 = ux >> 8, y0 = vy >> 8;
            int xa = int(x0 & c.mask_x), xb = int((x0 + 1) & c.mask_x), ya = int(y0 & c.mask_y), yb = int((y0 + 1) & c.mask_y);
            out[i] = bilerp(fetch<F>(t, xa, ya), fetch<F>(t, xb, ya), fetch<F>(t, xa, yb), fetch<F>(t, xb, yb),
                            uint32_t(ux & 255), uint32_t(vy & 255));
        }
        u_io = u;
        v_io = v;
    }
}

template <int F, bool Pow2>
void sample_linear(const sampler_ctx& c, int64_t& u_io, int64_t du, int64_t& v_io, int64_t dv, int n, uint32_t* out) {
    const pixel_view& t = *c.tex;
    // Locals: stores to out[] could otherwise alias the context's fields.
    const int64_t mask_x = c.mask_x, mask_y = c.mask_y;
    const int width = t.width, height = t.height;
    const address au = c.au, av = c.av;
    const int64_t bias = (int64_t(1) << 23) - (int64_t(1) << 31);  // round to 8 bits, minus half a texel
    int64_t u = u_io, v = v_io;
    auto coords = [&](int64_t ux, int64_t vy, int& xa, int& xb, int& ya, int& yb) {
        int64_t x0 = ux >> 8, y0 = vy >> 8;
        if constexpr (Pow2) {
            xa = int(x0 & mask_x);
            xb = int((x0 + 1) & mask_x);
            ya = int(y0 & mask_y);
            yb = int((y0 + 1) & mask_y);
        } else {
            xa = address_coord(x0, width, au);
            xb = address_coord(x0 + 1, width, au);
            ya = address_coord(y0, height, av);
            yb = address_coord(y0 + 1, height, av);
        }
    };
    int i = 0;
#if PRENDER_SIMD_X86
    if (F != fetch_other && c.vector) {
        const uint8_t* const bits = t.bits;
        const ptrdiff_t pitch = t.pitch;
        const uint32_t force = F == fetch_xrgb ? 0xFF000000u : 0u;
        // Two pixels a step: their sums share the packing and the store.
        for (; i + 2 <= n; i += 2) {
            int64_t ux0 = (u + bias) >> 24, vy0 = (v + bias) >> 24;
            int64_t ux1 = (u + du + bias) >> 24, vy1 = (v + dv + bias) >> 24;
            u += 2 * du;
            v += 2 * dv;
            int xa0, xb0, ya0, yb0, xa1, xb1, ya1, yb1;
            coords(ux0, vy0, xa0, xb0, ya0, yb0);
            coords(ux1, vy1, xa1, xb1, ya1, yb1);
            texel_quad q0 = load_quad(bits + ya0 * pitch, bits + yb0 * pitch, xa0, xb0);
            texel_quad q1 = load_quad(bits + ya1 * pitch, bits + yb1 * pitch, xa1, xb1);
            __m128i s0 = weigh(q0, uint32_t(ux0 & 255), uint32_t(vy0 & 255));
            __m128i s1 = weigh(q1, uint32_t(ux1 & 255), uint32_t(vy1 & 255));
            __m128i p = _mm_packs_epi32(s0, s1);
            p = _mm_packus_epi16(p, p);
            uint64_t two = uint64_t(_mm_cvtsi128_si64(p)) | (uint64_t(force) << 32 | force);
            std::memcpy(out + i, &two, 8);
        }
    }
#endif
    for (; i < n; ++i) {
        int64_t ux = (u + bias) >> 24, vy = (v + bias) >> 24;
        u += du;
        v += dv;
        int xa, xb, ya, yb;
        coords(ux, vy, xa, xb, ya, yb);
        out[i] = bilerp(fetch<F>(t, xa, ya), fetch<F>(t, xb, ya), fetch<F>(t, xa, yb), fetch<F>(t, xb, yb),
                        uint32_t(ux & 255), uint32_t(vy & 255));
    }
    u_io = u;
    v_io = v;
}

using sample_fn = void (*)(const sampler_ctx&, int64_t&, int64_t, int64_t&, int64_t, int, uint32_t*);

template <bool Linear, bool Pow2>
sample_fn pick_fetch(format f) {
    if (f == format::a8r8g8b8) return Linear ? sample_linear<fetch_argb, Pow2> : sample_point<fetch_argb, Pow2>;
    if (f == format::x8r8g8b8) return Linear ? sample_linear<fetch_xrgb, Pow2> : sample_point<fetch_xrgb, Pow2>;
    return Linear ? sample_linear<fetch_other, Pow2> : sample_point<fetch_other, Pow2>;
}

// Whether spans take sample_linear_wrap4 (and may take the fused kernels,
// which sample as it does).
bool four_pixel_sampling(bool linear, bool pow2, format f, bool small_steps) {
    return linear && pow2 && small_steps && (f == format::a8r8g8b8 || f == format::x8r8g8b8);
}

sample_fn pick_sampler(bool linear, bool pow2, format f, bool small_steps) {
    if (four_pixel_sampling(linear, pow2, f, small_steps))
        return f == format::a8r8g8b8 ? sample_linear_wrap4<fetch_argb> : sample_linear_wrap4<fetch_xrgb>;
    if (linear) return pow2 ? pick_fetch<true, true>(f) : pick_fetch<true, false>(f);
    return pow2 ? pick_fetch<false, true>(f) : pick_fetch<false, false>(f);
}

inline bool is_pow2(int v) { return v > 0 && (v & (v - 1)) == 0; }

// ---- SSE2 helpers ----------------------------------------------------------
#if PRENDER_SIMD_X86

// round(t / 255) for 16-bit lanes holding 0..65025.
inline __m128i div255_epu16(__m128i t) {
    t = _mm_add_epi16(t, _mm_set1_epi16(128));
    return _mm_srli_epi16(_mm_add_epi16(t, _mm_srli_epi16(t, 8)), 8);
}

inline __m128i alpha_lanes(__m128i px16) {  // broadcast lane 3 and 7 (alpha of two pixels)
    px16 = _mm_shufflelo_epi16(px16, _MM_SHUFFLE(3, 3, 3, 3));
    return _mm_shufflehi_epi16(px16, _MM_SHUFFLE(3, 3, 3, 3));
}

// Four pixels: per channel round(a × b / 255).
inline __m128i mul_px4(__m128i a, __m128i b) {
    const __m128i z = _mm_setzero_si128();
    __m128i lo = div255_epu16(_mm_mullo_epi16(_mm_unpacklo_epi8(a, z), _mm_unpacklo_epi8(b, z)));
    __m128i hi = div255_epu16(_mm_mullo_epi16(_mm_unpackhi_epi8(a, z), _mm_unpackhi_epi8(b, z)));
    return _mm_packus_epi16(lo, hi);
}
#endif

inline uint32_t mul_px(uint32_t a, uint32_t b) {
    return mul8(ch(a, 24), ch(b, 24)) << 24 | mul8(ch(a, 16), ch(b, 16)) << 16 | mul8(ch(a, 8), ch(b, 8)) << 8 |
           mul8(a & 255, b & 255);
}

// s over d: colour round((s·a + d·(255 − a)) / 255); or d + s·a: colour
// min(255, d + round(s·a / 255)). Either way alpha max(sa, da).
template <fused_blend B>
void kernel_max(const uint32_t* src, uint32_t* dst, int n, uint32_t force) {
    int i = 0;
#if PRENDER_SIMD_X86
    const simd_level level = span_simd();
    if (level == simd_level::avx2) i = blend_avx2(B, src, dst, n, force);
    const __m128i z = _mm_setzero_si128();
    const __m128i fm = _mm_set1_epi32(int(force));
    const __m128i amask = _mm_set1_epi32(int(0xFF000000u));
    for (; level != simd_level::scalar && i + 4 <= n; i += 4) {
        __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
        __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i));
        __m128i slo = _mm_unpacklo_epi8(s, z), shi = _mm_unpackhi_epi8(s, z);
        __m128i r;
        if constexpr (B == fused_blend::over_max) {
            const __m128i k255 = _mm_set1_epi16(255);
            __m128i dlo = _mm_unpacklo_epi8(d, z), dhi = _mm_unpackhi_epi8(d, z);
            __m128i alo = alpha_lanes(slo), ahi = alpha_lanes(shi);
            __m128i rlo = div255_epu16(_mm_add_epi16(_mm_mullo_epi16(slo, alo), _mm_mullo_epi16(dlo, _mm_sub_epi16(k255, alo))));
            __m128i rhi = div255_epu16(_mm_add_epi16(_mm_mullo_epi16(shi, ahi), _mm_mullo_epi16(dhi, _mm_sub_epi16(k255, ahi))));
            r = _mm_packus_epi16(rlo, rhi);
        } else {
            __m128i mlo = div255_epu16(_mm_mullo_epi16(slo, alpha_lanes(slo)));
            __m128i mhi = div255_epu16(_mm_mullo_epi16(shi, alpha_lanes(shi)));
            r = _mm_adds_epu8(d, _mm_andnot_si128(amask, _mm_packus_epi16(mlo, mhi)));
        }
        __m128i a = _mm_and_si128(_mm_max_epu8(s, d), amask);
        r = _mm_or_si128(_mm_or_si128(_mm_andnot_si128(amask, r), a), fm);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), r);
    }
#endif
    for (; i < n; ++i) {
        uint32_t s = src[i], d = dst[i], a = s >> 24;
        uint32_t out = std::max(a, d >> 24) << 24;
        for (int sh = 0; sh < 24; sh += 8) {
            if constexpr (B == fused_blend::over_max)
                out |= ((ch(s, sh) * a + ch(d, sh) * (255 - a) + 127) / 255) << sh;
            else
                out |= std::min(255u, ch(d, sh) + mul8(ch(s, sh), a)) << sh;
        }
        dst[i] = out | force;
    }
}

constexpr auto kernel_over_max = kernel_max<fused_blend::over_max>;
constexpr auto kernel_add_max = kernel_max<fused_blend::add_max>;

// ---- generic blending ------------------------------------------------------

inline uint32_t factor(blend_factor f, uint32_t s, uint32_t d, uint32_t sa, uint32_t da, bool alpha_channel) {
    switch (f) {
    case blend_factor::zero: return 0;
    case blend_factor::one: return 255;
    case blend_factor::src_color: return s;
    case blend_factor::inv_src_color: return 255 - s;
    case blend_factor::src_alpha: return sa;
    case blend_factor::inv_src_alpha: return 255 - sa;
    case blend_factor::dest_alpha: return da;
    case blend_factor::inv_dest_alpha: return 255 - da;
    case blend_factor::dest_color: return d;
    case blend_factor::inv_dest_color: return 255 - d;
    case blend_factor::src_alpha_sat: return alpha_channel ? 255 : std::min(sa, 255 - da);
    }
    return 0;
}

inline uint32_t combine(blend_op op, uint32_t s, uint32_t fs, uint32_t d, uint32_t fd) {
    int64_t ts = int64_t(s) * fs, td = int64_t(d) * fd;
    switch (op) {
    case blend_op::add: return std::min<int64_t>(255, (ts + td + 127) / 255);
    case blend_op::subtract: return ts > td ? uint32_t((ts - td + 127) / 255) : 0;
    case blend_op::rev_subtract: return td > ts ? uint32_t((td - ts + 127) / 255) : 0;
    case blend_op::min: return std::min(s, d);
    case blend_op::max: return std::max(s, d);
    }
    return s;
}

inline bool alpha_pass(cmp_func f, uint32_t a, uint32_t ref) {
    switch (f) {
    case cmp_func::never: return false;
    case cmp_func::less: return a < ref;
    case cmp_func::equal: return a == ref;
    case cmp_func::less_equal: return a <= ref;
    case cmp_func::greater: return a > ref;
    case cmp_func::not_equal: return a != ref;
    case cmp_func::greater_equal: return a >= ref;
    case cmp_func::always: return true;
    }
    return true;
}

// ---- texture stage 0 ---------------------------------------------------------

inline uint32_t stage_arg(texture_arg a, uint32_t tex, uint32_t diff, uint32_t spc) {
    switch (a) {
    case texture_arg::texture: return tex;
    case texture_arg::specular: return spc;
    case texture_arg::tfactor: return 0xFFFFFFFFu;
    default: return diff;  // diffuse, and current, which is the diffuse colour on stage 0
    }
}

inline uint32_t stage_op(texture_op op, uint32_t a1, uint32_t a2, uint32_t diff) {
    switch (op) {
    case texture_op::disable: return diff;
    case texture_op::select_arg1: return a1;
    case texture_op::select_arg2: return a2;
    case texture_op::modulate: return mul8(a1, a2);
    case texture_op::modulate2x: return std::min(255u, mul8(a1, a2) * 2);
    case texture_op::modulate4x: return std::min(255u, mul8(a1, a2) * 4);
    case texture_op::add: return std::min(255u, a1 + a2);
    }
    return a1;
}

inline uint32_t stage_pixel(const pixel_pipeline& pl, uint32_t tex, uint32_t diff, uint32_t spc) {
    uint32_t c1 = stage_arg(pl.color_arg1, tex, diff, spc), c2 = stage_arg(pl.color_arg2, tex, diff, spc);
    uint32_t a1 = stage_arg(pl.alpha_arg1, tex, diff, spc), a2 = stage_arg(pl.alpha_arg2, tex, diff, spc);
    uint32_t out = stage_op(pl.alpha_op, a1 >> 24, a2 >> 24, diff >> 24) << 24;
    for (int sh = 0; sh < 24; sh += 8) out |= stage_op(pl.color_op, ch(c1, sh), ch(c2, sh), ch(diff, sh)) << sh;
    return out;
}

inline bool is_tex_diffuse_pair(texture_arg a, texture_arg b) {
    auto dif = [](texture_arg x) { return x == texture_arg::diffuse || x == texture_arg::current; };
    return (a == texture_arg::texture && dif(b)) || (dif(a) && b == texture_arg::texture);
}

// ---- spans -------------------------------------------------------------------

struct span_attrs {
    const uint8_t* texrow = nullptr;  // direct texels (rectangles)
    int64_t u = 0, du = 0, v = 0, dv = 0;
    bool linear = false;
    bool diff_uniform = true;
    uint32_t diff = 0;
    int64_t dc[4] = {}, ddc[4] = {};
    bool spec_uniform = true;
    uint32_t spc = 0;
    int64_t sc[3] = {}, dsc[3] = {};
};

inline uint32_t fixed_channel(int64_t v) { return clamp255((v + 32768) >> 16); }

void fill_gradient(int64_t* acc, const int64_t* step, int channels, int n, uint32_t* out, bool rgb_only) {
    for (int i = 0; i < n; ++i) {
        uint32_t c = 0;
        if (rgb_only) {
            c = fixed_channel(acc[0]) << 16 | fixed_channel(acc[1]) << 8 | fixed_channel(acc[2]);
        } else {
            c = fixed_channel(acc[0]) << 24 | fixed_channel(acc[1]) << 16 | fixed_channel(acc[2]) << 8 |
                fixed_channel(acc[3]);
        }
        out[i] = c;
        for (int k = 0; k < channels; ++k) acc[k] += step[k];
    }
}

struct target_kind {
    bool in_place;   // 32-bit target written directly
    bool force_alpha;  // x8r8g8b8: stored alpha is always 255
};

// Shades n pixels of the span into a source row; returns a pointer to it.
const uint32_t* shade(const pixel_pipeline& pl, const pixel_view* tex, const sampler_ctx* sc, sample_fn sampler,
                      span_attrs& a, int n, raster_scratch& s) {
    const uint32_t* texels = nullptr;
    if (pl.textured && tex) {
        if (a.texrow) {
            if (tex->fmt == format::a8r8g8b8) {
                texels = reinterpret_cast<const uint32_t*>(a.texrow);
            } else {
                row_to_argb(tex->fmt, a.texrow, s.tex, size_t(n));
                texels = s.tex;
            }
            a.texrow += ptrdiff_t(n) * bytes_per_pixel(tex->fmt);
        } else {
            sampler(*sc, a.u, a.du, a.v, a.dv, n, s.tex);
            texels = s.tex;
        }
    }
    const uint32_t* diff = nullptr;
    if (!a.diff_uniform) {
        fill_gradient(a.dc, a.ddc, 4, n, s.diff, false);
        diff = s.diff;
    }
    const uint32_t* spc = nullptr;
    if (!a.spec_uniform) {
        fill_gradient(a.sc, a.dsc, 3, n, s.spc, true);
        spc = s.spc;
    }

    const uint32_t* out = nullptr;
    if (!texels) {
        // Without a texture the stage passes the diffuse colour through.
        if (diff) {
            out = diff;
        } else {
            std::fill_n(s.src, n, a.diff);
            out = s.src;
        }
    } else if (pl.color_op == texture_op::modulate && pl.alpha_op == texture_op::modulate &&
               is_tex_diffuse_pair(pl.color_arg1, pl.color_arg2) && is_tex_diffuse_pair(pl.alpha_arg1, pl.alpha_arg2)) {
        if (!diff && a.diff == 0xFFFFFFFFu) {
            out = texels;
        } else {
            int i = 0;
#if PRENDER_SIMD_X86
            if (sc->vector) {
                const __m128i d1 = _mm_set1_epi32(int(a.diff));
                for (; i + 4 <= n; i += 4) {
                    __m128i t = _mm_loadu_si128(reinterpret_cast<const __m128i*>(texels + i));
                    __m128i d = diff ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(diff + i)) : d1;
                    _mm_storeu_si128(reinterpret_cast<__m128i*>(s.src + i), mul_px4(t, d));
                }
            }
#endif
            for (; i < n; ++i) s.src[i] = mul_px(texels[i], diff ? diff[i] : a.diff);
            out = s.src;
        }
    } else {
        for (int i = 0; i < n; ++i)
            s.src[i] = stage_pixel(pl, texels[i], diff ? diff[i] : a.diff, spc ? spc[i] : a.spc);
        out = s.src;
    }

    if (pl.specular && (spc || (a.spc & 0x00FFFFFFu) != 0)) {
        if (out != s.src) {
            std::memcpy(s.src, out, size_t(n) * 4);
            out = s.src;
        }
        int i = 0;
#if PRENDER_SIMD_X86
        if (sc->vector) {
            const __m128i rgb = _mm_set1_epi32(0x00FFFFFF), p1 = _mm_set1_epi32(int(a.spc));
            for (; i + 4 <= n; i += 4) {
                __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s.src + i));
                __m128i p = spc ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(spc + i)) : p1;
                _mm_storeu_si128(reinterpret_cast<__m128i*>(s.src + i), _mm_adds_epu8(c, _mm_and_si128(p, rgb)));
            }
        }
#endif
        for (; i < n; ++i) {
            uint32_t c = s.src[i], p = spc ? spc[i] : a.spc, r = c & 0xFF000000u;
            for (int sh = 0; sh < 24; sh += 8) r |= std::min(255u, ch(c, sh) + ch(p, sh)) << sh;
            s.src[i] = r;
        }
    }
    return out;
}

void write_span(const pixel_pipeline& pl, const uint32_t* src, const pixel_view& target, int x, int y, int n,
                raster_scratch& s) {
    uint8_t* row = target.bits + ptrdiff_t(y) * target.pitch + ptrdiff_t(x) * bytes_per_pixel(target.fmt);
    bool in_place = target.fmt == format::a8r8g8b8 || target.fmt == format::x8r8g8b8;
    uint32_t* dst = in_place ? reinterpret_cast<uint32_t*>(row) : s.dst;
    if (!in_place) row_to_argb(target.fmt, row, s.dst, size_t(n));
    if (target.fmt == format::x8r8g8b8 && (pl.alpha_test || (pl.blend && !(pl.separate_alpha && pl.op_alpha == blend_op::max)))) {
        // Generic paths may read the destination's alpha: an x8 target has none.
        for (int i = 0; i < n; ++i) dst[i] |= 0xFF000000u;
    }
    blend_span(pl, src, dst, n, target.fmt == format::x8r8g8b8 ? 0xFF000000u : 0u);
    if (!in_place) {
        row_from_argb(target.fmt, s.dst, row, size_t(n));
    }
}

void attrs_at(const triangle_setup& t, const pixel_pipeline& pl, int x, int y, span_attrs& a) {
    double dx = double(x) - t.ref_x, dy = double(y) - t.ref_y;
    auto at = [&](int k) { return t.f0[k] + t.dfdx[k] * dx + t.dfdy[k] * dy; };
    const double one32 = 4294967296.0;
    if (pl.textured) {
        double u = std::clamp(at(0), -texel_limit, texel_limit), v = std::clamp(at(1), -texel_limit, texel_limit);
        a.u = to_fixed(u, one32);
        a.v = to_fixed(v, one32);
        a.du = to_fixed(std::clamp(t.dfdx[0], -texel_limit, texel_limit), one32);
        a.dv = to_fixed(std::clamp(t.dfdx[1], -texel_limit, texel_limit), one32);
        a.linear = (t.minify ? pl.min : pl.mag) >= filter::linear;
    }
    a.diff_uniform = t.diffuse_uniform;
    a.diff = t.diffuse;
    if (!t.diffuse_uniform) {
        for (int k = 0; k < 4; ++k) {
            a.dc[k] = to_fixed(at(2 + k), 65536.0);
            a.ddc[k] = to_fixed(t.dfdx[2 + k], 65536.0);
        }
    }
    a.spec_uniform = t.specular_uniform;
    a.spc = t.specular;
    if (!t.specular_uniform) {
        for (int k = 0; k < 3; ++k) {
            a.sc[k] = to_fixed(at(6 + k), 65536.0);
            a.dsc[k] = to_fixed(t.dfdx[6 + k], 65536.0);
        }
    }
}

// ---- fused spans ---------------------------------------------------------------

// The fused kernel for a triangle whose spans take sample_linear_wrap4, if
// the texture-times-diffuse stage and one of the kernels of blend_span would
// then decide their pixels; null otherwise.
fused_fn pick_fused(const triangle_setup& t, const pixel_pipeline& pl, const pixel_view& tex, const pixel_view& target,
                    fused_span& f) {
    if (!pl.fused || pl.alpha_test) return nullptr;
    if (target.fmt != format::a8r8g8b8 && target.fmt != format::x8r8g8b8) return nullptr;
    if (!(pl.color_op == texture_op::modulate && pl.alpha_op == texture_op::modulate &&
          is_tex_diffuse_pair(pl.color_arg1, pl.color_arg2) && is_tex_diffuse_pair(pl.alpha_arg1, pl.alpha_arg2)))
        return nullptr;
    if (!t.diffuse_uniform || (pl.specular && !t.specular_uniform)) return nullptr;
    fused_blend b;
    bool max_alpha = pl.separate_alpha && pl.op_alpha == blend_op::max && pl.op == blend_op::add &&
                     pl.src == blend_factor::src_alpha;
    if (!pl.blend)
        b = fused_blend::copy;
    else if (max_alpha && pl.dst == blend_factor::inv_src_alpha)
        b = fused_blend::over_max;
    else if (max_alpha && pl.dst == blend_factor::one)
        b = fused_blend::add_max;
    else
        return nullptr;
    f.texels = tex.bits;
    f.pitch = tex.pitch;
    f.mask_x = tex.width - 1;
    f.mask_y = tex.height - 1;
    f.diffuse = t.diffuse;
    f.modulate = t.diffuse != 0xFFFFFFFFu;
    f.specular = t.specular & 0x00FFFFFFu;
    f.add_specular = pl.specular && f.specular != 0;
    f.opaque_target = target.fmt == format::x8r8g8b8;
    return fused_kernel(b, tex.fmt == format::x8r8g8b8);
}

// ---- set-up -------------------------------------------------------------------

struct snapped { int64_t x, y; };

inline bool within_limit(double x, double y) {
    return std::isfinite(x) && std::isfinite(y) && std::fabs(x) <= coord_limit && std::fabs(y) <= coord_limit;
}

bool snap(double x, double y, snapped& s) {
    if (!within_limit(x, y)) return false;
    s.x = std::llround(x * subpixel_scale);
    s.y = std::llround(y * subpixel_scale);
    return true;
}
bool snap(const screen_vertex& v, snapped& s) { return snap(double(v.x), double(v.y), s); }

bool culled(int64_t area2, cull mode) {
    if (mode == cull::cw) return area2 > 0;
    if (mode == cull::ccw) return area2 < 0;
    return false;
}

void vertex_attrs(const screen_vertex& v, const pixel_view* tex, bool textured, double* f) {
    f[0] = textured && tex ? double(v.u) * tex->width : 0.0;
    f[1] = textured && tex ? double(v.v) * tex->height : 0.0;
    f[2] = ch(v.diffuse, 24);
    f[3] = ch(v.diffuse, 16);
    f[4] = ch(v.diffuse, 8);
    f[5] = ch(v.diffuse, 0);
    f[6] = ch(v.specular, 16);
    f[7] = ch(v.specular, 8);
    f[8] = ch(v.specular, 0);
}

// A vertex as set-up reads it: position and the interpolated attributes.
struct setup_vertex {
    double x, y;
    double f[attr_count];
};

setup_vertex setup_vertex_of(const screen_vertex& v, const pixel_view* tex, bool textured) {
    setup_vertex s;
    s.x = v.x;
    s.y = v.y;
    vertex_attrs(v, tex, textured, s.f);
    return s;
}

// The colours a triangle's spans take when they do not vary over it.
struct triangle_colours {
    bool diffuse_uniform, specular_uniform;
    uint32_t diffuse, specular;
};

triangle_colours colours_of(const screen_vertex& v0, const screen_vertex& v1, const screen_vertex& v2,
                            const pixel_pipeline& pl) {
    if (pl.flat) return {true, true, v0.diffuse, v0.specular};
    return {v0.diffuse == v1.diffuse && v0.diffuse == v2.diffuse,
            v0.specular == v1.specular && v0.specular == v2.specular, v0.diffuse, v0.specular};
}

bool setup_triangle(const setup_vertex& v0, const setup_vertex& v1, const setup_vertex& v2,
                    const triangle_colours& colours, cull cull_mode, triangle_setup& t) {
    snapped p[3];
    if (!snap(v0.x, v0.y, p[0]) || !snap(v1.x, v1.y, p[1]) || !snap(v2.x, v2.y, p[2])) return false;
    int64_t area2 = (p[1].x - p[0].x) * (p[2].y - p[0].y) - (p[2].x - p[0].x) * (p[1].y - p[0].y);
    if (area2 == 0 || culled(area2, cull_mode)) return false;
    const setup_vertex* vs[3] = {&v0, &v1, &v2};
    if (area2 < 0) {
        std::swap(p[1], p[2]);
        std::swap(vs[1], vs[2]);
    }
    for (int e = 0; e < 3; ++e) {
        const snapped& a = p[e];
        const snapped& b = p[(e + 1) % 3];
        t.ea[e] = -(b.y - a.y);
        t.eb[e] = b.x - a.x;
        t.ex[e] = a.x;
        t.ey[e] = a.y;
        bool top_left = t.ea[e] > 0 || (t.ea[e] == 0 && t.eb[e] > 0);
        t.bias[e] = top_left ? 0 : 1;
    }
    int64_t ymin = std::min({p[0].y, p[1].y, p[2].y}), ymax = std::max({p[0].y, p[1].y, p[2].y});
    t.row_first = int32_t(ceil_div(ymin, subpixel_scale));
    t.row_last = int32_t(floor_div(ymax, subpixel_scale));

    double x[3], y[3];
    const double* f[3];
    for (int i = 0; i < 3; ++i) {
        x[i] = double(p[i].x) / subpixel_scale;
        y[i] = double(p[i].y) / subpixel_scale;
        f[i] = vs[i]->f;
    }
    double det = (x[1] - x[0]) * (y[2] - y[0]) - (x[2] - x[0]) * (y[1] - y[0]);
    t.ref_x = x[0];
    t.ref_y = y[0];
    for (int k = 0; k < attr_count; ++k) {
        double d1 = f[1][k] - f[0][k], d2 = f[2][k] - f[0][k];
        t.f0[k] = f[0][k];
        t.dfdx[k] = (d1 * (y[2] - y[0]) - d2 * (y[1] - y[0])) / det;
        t.dfdy[k] = (d2 * (x[1] - x[0]) - d1 * (x[2] - x[0])) / det;
    }
    t.diffuse_uniform = colours.diffuse_uniform;
    t.specular_uniform = colours.specular_uniform;
    t.diffuse = colours.diffuse;
    t.specular = colours.specular;
    double rho = std::max(std::hypot(t.dfdx[0], t.dfdx[1]), std::hypot(t.dfdy[0], t.dfdy[1]));
    t.minify = rho > 1.0 + 1e-9;
    return true;
}

// An axis-aligned quad drawn as a fan whose texels fall on pixel centres one to
// one is drawn by rows; anything else goes through the triangles.
bool setup_rect(const screen_vertex* v, const pixel_pipeline& pl, const pixel_view* tex, cull cull_mode,
                bool& culled_out, rect_setup& r) {
    culled_out = false;
    snapped p[4];
    for (int i = 0; i < 4; ++i)
        if (!snap(v[i], p[i])) return false;
    int64_t xa = std::min({p[0].x, p[1].x, p[2].x, p[3].x}), xb = std::max({p[0].x, p[1].x, p[2].x, p[3].x});
    int64_t ya = std::min({p[0].y, p[1].y, p[2].y, p[3].y}), yb = std::max({p[0].y, p[1].y, p[2].y, p[3].y});
    if (xa == xb || ya == yb) return false;
    int corners = 0;
    for (int i = 0; i < 4; ++i) {
        bool lx = p[i].x == xa, rx = p[i].x == xb, ty = p[i].y == ya, by = p[i].y == yb;
        if (!(lx || rx) || !(ty || by)) return false;
        corners |= 1 << ((rx ? 1 : 0) + (by ? 2 : 0));
    }
    if (corners != 15) return false;
    // The fan's two triangles (0, 1, 2) and (0, 2, 3) wind the same way round a rectangle.
    int64_t area2 = (p[1].x - p[0].x) * (p[2].y - p[0].y) - (p[2].x - p[0].x) * (p[1].y - p[0].y);
    int64_t area2b = (p[2].x - p[0].x) * (p[3].y - p[0].y) - (p[3].x - p[0].x) * (p[2].y - p[0].y);
    if (area2 == 0 || area2b == 0 || (area2 > 0) != (area2b > 0)) return false;
    if (culled(area2, cull_mode)) {
        culled_out = true;
        return true;
    }
    if (pl.flat) {
        r.diffuse = v[0].diffuse;
        r.specular = v[0].specular;
    } else {
        for (int i = 1; i < 4; ++i)
            if (v[i].diffuse != v[0].diffuse || v[i].specular != v[0].specular) return false;
        r.diffuse = v[0].diffuse;
        r.specular = v[0].specular;
    }
    r.x0 = int32_t(ceil_div(xa, subpixel_scale));
    r.x1 = int32_t(ceil_div(xb, subpixel_scale));
    r.y0 = int32_t(ceil_div(ya, subpixel_scale));
    r.y1 = int32_t(ceil_div(yb, subpixel_scale));
    if (r.x0 >= r.x1 || r.y0 >= r.y1) {
        culled_out = true;  // covers no pixel centre
        return true;
    }
    if (!pl.textured || !tex) return true;

    // Texel coordinates must depend on x alone (u) and on y alone (v).
    float ul = 0, ur = 0, vt = 0, vb = 0;
    for (int i = 0; i < 4; ++i) {
        (p[i].x == xa ? ul : ur) = v[i].u;
        (p[i].y == ya ? vt : vb) = v[i].v;
    }
    for (int i = 0; i < 4; ++i) {
        if (v[i].u != (p[i].x == xa ? ul : ur) || v[i].v != (p[i].y == ya ? vt : vb)) return false;
    }
    auto aligned = [&](double t0, double t1, int64_t s0, int64_t s1, int size, int first, int count, int32_t& texel) {
        double px0 = double(s0) / subpixel_scale, px1 = double(s1) / subpixel_scale;
        double slope = (t1 - t0) * size / (px1 - px0);  // texels per pixel
        if (std::fabs(slope - 1.0) * double(std::max(count, 1)) > 1e-4) return false;
        double c = t0 * size + (double(first) - px0) * slope;  // texel coordinate at the first pixel centre
        double fl = std::floor(c), fr = c - fl;
        filter f = pl.mag;
        if (f >= filter::linear) {
            if (std::fabs(fr - 0.5) > 1e-3) return false;
        } else if (fr < 1e-3 || fr > 1.0 - 1e-3) {
            return false;
        }
        if (fl < 0 || fl + count > size) return false;
        texel = int32_t(fl);
        return true;
    };
    if (!aligned(ul, ur, xa, xb, tex->width, r.x0, r.x1 - r.x0, r.tx0)) return false;
    if (!aligned(vt, vb, ya, yb, tex->height, r.y0, r.y1 - r.y0, r.ty0)) return false;
    return true;
}

// The part of a triangle inside the square of ±coord_limit, as a convex
// polygon (at most 7 vertices: one more per side cut). Each new vertex is
// interpolated from the end inside the cut, so that a far-away end costs no
// precision where the polygon meets the screen.
int clip_to_limit(const setup_vertex (&tri)[3], setup_vertex (&out)[7]) {
    setup_vertex a[7], b[7];
    int n = 3;
    std::copy(tri, tri + 3, a);
    setup_vertex* in = a;
    setup_vertex* res = b;
    for (int side = 0; side < 4 && n > 0; ++side) {
        const bool on_y = side >= 2;
        const double bound = side % 2 ? coord_limit : -coord_limit;
        auto inside = [&](const setup_vertex& v) {
            const double c = on_y ? v.y : v.x;
            return side % 2 ? c <= bound : c >= bound;
        };
        int m = 0;
        for (int i = 0; i < n; ++i) {
            const setup_vertex& cur = in[i];
            const setup_vertex& next = in[(i + 1) % n];
            const bool cur_in = inside(cur), next_in = inside(next);
            if (cur_in) res[m++] = cur;
            if (cur_in == next_in) continue;
            const setup_vertex& from = cur_in ? cur : next;
            const setup_vertex& to = cur_in ? next : cur;
            const double t = on_y ? (bound - from.y) / (to.y - from.y) : (bound - from.x) / (to.x - from.x);
            setup_vertex v;
            v.x = on_y ? from.x + t * (to.x - from.x) : bound;
            v.y = on_y ? bound : from.y + t * (to.y - from.y);
            for (int k = 0; k < attr_count; ++k) v.f[k] = from.f[k] + t * (to.f[k] - from.f[k]);
            res[m++] = v;
        }
        n = m;
        std::swap(in, res);
    }
    std::copy(in, in + n, out);
    return n;
}

void setup_clipped_triangle(const setup_vertex (&tri)[3], const triangle_colours& colours, cull cull_mode,
                            std::vector<primitive>& out) {
    setup_vertex poly[7];
    const int n = clip_to_limit(tri, poly);
    // A fan over the convex polygon: its inner edges are shared, so the
    // fill rule covers each pixel once, as for the whole triangle.
    for (int i = 1; i + 1 < n; ++i) {
        primitive p;
        if (setup_triangle(poly[0], poly[i], poly[i + 1], colours, cull_mode, p.tri)) out.push_back(p);
    }
}

} // namespace

void setup_primitives(primitive_type type, uint32_t count, const screen_vertex* v, const pixel_pipeline& pl,
                      const pixel_view* tex, cull cull_mode, bool allow_fast, std::vector<primitive>& out) {
    if (count == 0 || !v) return;
    if (allow_fast && type == primitive_type::triangle_fan && count == 2) {
        primitive p;
        bool was_culled = false;
        if (setup_rect(v, pl, tex, cull_mode, was_culled, p.rc)) {
            if (!was_culled) {
                p.is_rect = true;
                out.push_back(p);
            }
            return;
        }
    }
    for (uint32_t i = 0; i < count; ++i) {
        const screen_vertex *a, *b, *c;
        switch (type) {
        case primitive_type::triangle_list: a = &v[3 * i]; b = &v[3 * i + 1]; c = &v[3 * i + 2]; break;
        case primitive_type::triangle_fan: a = &v[0]; b = &v[i + 1]; c = &v[i + 2]; break;
        default:  // strip: every second triangle is wound the other way round
            a = &v[i];
            b = &v[i + 1 + (i & 1)];
            c = &v[i + 2 - (i & 1)];
            break;
        }
        const setup_vertex tri[3] = {setup_vertex_of(*a, tex, pl.textured), setup_vertex_of(*b, tex, pl.textured),
                                     setup_vertex_of(*c, tex, pl.textured)};
        const triangle_colours colours = colours_of(*a, *b, *c, pl);
        if (within_limit(tri[0].x, tri[0].y) && within_limit(tri[1].x, tri[1].y) && within_limit(tri[2].x, tri[2].y)) {
            primitive p;
            if (setup_triangle(tri[0], tri[1], tri[2], colours, cull_mode, p.tri)) out.push_back(p);
        } else if (std::isfinite(a->x) && std::isfinite(a->y) && std::isfinite(b->x) && std::isfinite(b->y) &&
                   std::isfinite(c->x) && std::isfinite(c->y)) {
            setup_clipped_triangle(tri, colours, cull_mode, out);
        }
    }
}

void draw_primitive(const primitive& p, const pixel_pipeline& pl, const pixel_view* tex, const pixel_view& target,
                    const clip_rect& clip, const row_band& band, raster_scratch& s) {
    sampler_ctx sc{};
    sc.vector = span_simd() != simd_level::scalar;
    sample_fn sampler = nullptr;
    if (pl.textured && tex) {
        sc.tex = tex;
        sc.au = pl.address_u;
        sc.av = pl.address_v;
        sc.pow2_wrap = pl.address_u == address::wrap && pl.address_v == address::wrap && is_pow2(tex->width) &&
                       is_pow2(tex->height);
        sc.mask_x = tex->width - 1;
        sc.mask_y = tex->height - 1;
    }
    if (p.is_rect) {
        const rect_setup& r = p.rc;
        int x0 = std::max(r.x0, clip.x0), x1 = std::min(r.x1, clip.x1);
        int y0 = std::max({r.y0, clip.y0, band.first}), y1 = std::min({r.y1, clip.y1, band.end});
        if (x0 >= x1) return;
        for (int y = y0; y < y1; ++y) {
            span_attrs a;
            a.diff = r.diffuse;
            a.spc = r.specular;
            if (pl.textured && tex) {
                a.texrow = tex->bits + ptrdiff_t(r.ty0 + (y - r.y0)) * tex->pitch +
                           ptrdiff_t(r.tx0 + (x0 - r.x0)) * bytes_per_pixel(tex->fmt);
            }
            for (int x = x0; x < x1; x += span_max) {
                int n = std::min(span_max, x1 - x);
                const uint32_t* src = shade(pl, tex, &sc, sampler, a, n, s);
                write_span(pl, src, target, x, y, n, s);
            }
        }
        return;
    }
    const triangle_setup& t = p.tri;
    int y0 = std::max({t.row_first, clip.y0, band.first}), y1 = std::min({t.row_last, clip.y1 - 1, band.end - 1});
    if (y0 > y1) return;
    bool linear = (t.minify ? pl.min : pl.mag) >= filter::linear;
    fused_span fs;
    fused_fn fused = nullptr;
    if (pl.textured && tex) {
        // The four-pixel sampler works in 16.16 fixed point: steps under 8192
        // texels and sizes that fit its 16-bit offsets.
        bool small = std::fabs(t.dfdx[0]) < 8192.0 && std::fabs(t.dfdx[1]) < 8192.0 && tex->width <= 16384 &&
                     tex->height <= 16384 && tex->pitch / 4 <= 16384;
        sampler = pick_sampler(linear, sc.pow2_wrap, tex->fmt, small);
        if (four_pixel_sampling(linear, sc.pow2_wrap, tex->fmt, small)) fused = pick_fused(t, pl, *tex, target, fs);
    }
    for (int y = y0; y <= y1; ++y) {
        int64_t lo = clip.x0, hi = int64_t(clip.x1) - 1;
        for (int e = 0; e < 3 && lo <= hi; ++e) {
            int64_t a = t.ea[e];
            int64_t k = -a * t.ex[e] + t.eb[e] * (int64_t(y) * subpixel_scale - t.ey[e]);
            int64_t need = t.bias[e] - k;  // a·subpixel_scale·i ≥ need
            if (a > 0) {
                lo = std::max(lo, ceil_div(need, a * subpixel_scale));
            } else if (a < 0) {
                hi = std::min(hi, floor_div(-need, -a * subpixel_scale));
            } else if (need > 0) {
                hi = lo - 1;
            }
        }
        if (lo > hi) continue;
        span_attrs a;
        attrs_at(t, pl, int(lo), y, a);
        int64_t x = lo;
        if (fused) {
            // Groups of four counted from the span's start, as the general
            // path's sampler counts them; it takes the rest.
            int groups = int((hi - lo + 1) / 4);
            fs.du = a.du;
            fs.dv = a.dv;
            uint32_t* row = reinterpret_cast<uint32_t*>(target.bits + ptrdiff_t(y) * target.pitch);
            fused(fs, a.u, a.v, groups, row + lo);
            x += int64_t(groups) * 4;
        }
        for (; x <= hi; x += span_max) {
            int n = int(std::min<int64_t>(span_max, hi - x + 1));
            const uint32_t* src = shade(pl, tex, &sc, sampler, a, n, s);
            write_span(pl, src, target, int(x), y, n, s);
        }
    }
}

uint32_t blend_pixel(const pixel_pipeline& pl, uint32_t s, uint32_t d) {
    if (!pl.blend) return s;
    uint32_t sa = s >> 24, da = d >> 24;
    uint32_t out = 0;
    for (int sh = 0; sh < 24; sh += 8) {
        uint32_t sc = ch(s, sh), dc = ch(d, sh);
        out |= combine(pl.op, sc, factor(pl.src, sc, dc, sa, da, false), dc, factor(pl.dst, sc, dc, sa, da, false)) << sh;
    }
    blend_factor fs = pl.separate_alpha ? pl.src_alpha : pl.src;
    blend_factor fd = pl.separate_alpha ? pl.dst_alpha : pl.dst;
    blend_op op = pl.separate_alpha ? pl.op_alpha : pl.op;
    out |= combine(op, sa, factor(fs, sa, da, sa, da, true), da, factor(fd, sa, da, sa, da, true)) << 24;
    return out;
}

void blend_span(const pixel_pipeline& pl, const uint32_t* src, uint32_t* dst, int n, uint32_t force) {
    if (pl.alpha_test) {
        for (int i = 0; i < n; ++i)
            if (alpha_pass(pl.alpha_func, src[i] >> 24, pl.alpha_ref & 255))
                dst[i] = blend_pixel(pl, src[i], dst[i]) | force;
        return;
    }
    if (!pl.blend) {
        if (!force) {
            std::memcpy(dst, src, size_t(n) * 4);
        } else {
            for (int i = 0; i < n; ++i) dst[i] = src[i] | force;
        }
        return;
    }
    if (pl.separate_alpha && pl.op_alpha == blend_op::max && pl.op == blend_op::add && pl.src == blend_factor::src_alpha) {
        if (pl.dst == blend_factor::inv_src_alpha) {
            kernel_over_max(src, dst, n, force);
            return;
        }
        if (pl.dst == blend_factor::one) {
            kernel_add_max(src, dst, n, force);
            return;
        }
    }
    for (int i = 0; i < n; ++i) dst[i] = blend_pixel(pl, src[i], dst[i]) | force;
}

void fill_pixels(uint8_t* row, int n, uint32_t bpp, uint32_t value) {
    switch (bpp) {
    case 4: std::fill_n(reinterpret_cast<uint32_t*>(row), n, value); break;
    case 2: std::fill_n(reinterpret_cast<uint16_t*>(row), n, uint16_t(value)); break;
    default:
        for (int i = 0; i < n; ++i) std::memcpy(row + ptrdiff_t(i) * bpp, &value, bpp);
    }
}

namespace {

void fill_rows(const pixel_view& target, const clip_rect& area, uint32_t value, const row_band& band) {
    uint32_t bpp = bytes_per_pixel(target.fmt);
    if (!bpp || area.x0 >= area.x1) return;
    for (int y = std::max(area.y0, band.first); y < std::min(area.y1, band.end); ++y)
        fill_pixels(target.bits + ptrdiff_t(y) * target.pitch + ptrdiff_t(area.x0) * bpp, area.x1 - area.x0, bpp,
                    value);
}

} // namespace

void clear_rows(const pixel_view& target, const clip_rect& area, uint32_t argb, const row_band& band) {
    uint32_t stored = 0;  // the pixel's bytes, as they lie in memory
    store_argb(target.fmt, argb, &stored);
    fill_rows(target, area, stored, band);
}

void clear_depth_rows(const pixel_view& target, const clip_rect& area, uint32_t value, const row_band& band) {
    fill_rows(target, area, value, band);
}

} // namespace prender::detail
