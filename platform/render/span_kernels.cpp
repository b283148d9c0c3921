#include "platform/render/span_kernels.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#if PRENDER_SIMD_X86
#include <emmintrin.h>
#endif

namespace prender::detail {

namespace {

#if PRENDER_SIMD_X86

// The span's constants in vector form, built once a call so that stores to
// the target cannot force them to be reloaded.
struct span_vectors {
    __m128i mask_x, mask_y;
    __m128i rowmul;            // (1, pitch in texels) pairs: x + y · pitch in one multiply-add
    __m128i steps_u, steps_v;  // 0, 1, 2, 3 steps in 16.16
    __m128i diffuse16, specular16;
};

inline __m128i channels16(uint32_t c) { return _mm_unpacklo_epi8(_mm_set1_epi32(int(c)), _mm_setzero_si128()); }

span_vectors vectors_of(const fused_span& f) {
    span_vectors v;
    v.mask_x = _mm_set1_epi32(f.mask_x);
    v.mask_y = _mm_set1_epi32(f.mask_y);
    v.rowmul = _mm_set1_epi32(1 | (f.pitch / 4) << 16);
    // As the general four-pixel sampler forms its steps: whole 16.16 steps.
    const int32_t du16 = int32_t(f.du >> 16), dv16 = int32_t(f.dv >> 16);
    v.steps_u = _mm_set_epi32(3 * du16, 2 * du16, du16, 0);
    v.steps_v = _mm_set_epi32(3 * dv16, 2 * dv16, dv16, 0);
    v.diffuse16 = channels16(f.diffuse);
    v.specular16 = channels16(f.specular);
    return v;
}

// round(t / 255) for 16-bit lanes holding 0..65025, as ((t + 128) · 257) >> 16:
// for these t it equals the general kernels' ((t + 128) + ((t + 128) >> 8)) >> 8.
inline __m128i div255(__m128i t) {
    return _mm_mulhi_epu16(_mm_add_epi16(t, _mm_set1_epi16(128)), _mm_set1_epi16(257));
}

inline __m128i alpha_lanes(__m128i px16) {
    px16 = _mm_shufflelo_epi16(px16, _MM_SHUFFLE(3, 3, 3, 3));
    return _mm_shufflehi_epi16(px16, _MM_SHUFFLE(3, 3, 3, 3));
}

template <int K>
inline __m128i dword_lane(__m128i v) {
    return _mm_shuffle_epi32(v, K * 0x55);
}

// (a·(256 − f) + b·f + 128) >> 8 per 16-bit lane, as ((a << 8) + 128 +
// (b − a)·f) >> 8: the true sum is below 65536, so 16-bit lanes hold it
// exactly whatever the sign of the product. a8 is (a << 8) + 128.
inline __m128i lerp16(__m128i a, __m128i a8, __m128i b, __m128i f) {
    return _mm_srli_epi16(_mm_add_epi16(a8, _mm_mullo_epi16(_mm_sub_epi16(b, a), f)), 8);
}

// One pixel's rows blended: the (left, right) texel pairs of the top and
// bottom rows give the left and right column values.
[[gnu::always_inline]] inline __m128i lerp_rows(__m128i top, __m128i bottom, __m128i fy) {
    const __m128i z = _mm_setzero_si128();
    __m128i t8 = _mm_unpacklo_epi8(_mm_set1_epi8(-128), top);  // (t << 8) + 128 in one unpack
    return lerp16(_mm_unpacklo_epi8(top, z), t8, _mm_unpacklo_epi8(bottom, z), fy);
}

// Two pixels' columns blended: the left halves of a and b with their right halves.
[[gnu::always_inline]] inline __m128i lerp_columns(__m128i a, __m128i b, __m128i fx) {
    __m128i l = _mm_unpacklo_epi64(a, b);
    return lerp16(l, _mm_or_si128(_mm_slli_epi16(l, 8), _mm_set1_epi16(128)), _mm_unpackhi_epi64(a, b), fx);
}

template <class Pair>
[[gnu::always_inline]] inline void rows4(const Pair& pair, __m128i wy, __m128i* r) {
    r[0] = lerp_rows(pair(0, false), pair(0, true), dword_lane<0>(wy));
    r[1] = lerp_rows(pair(1, false), pair(1, true), dword_lane<1>(wy));
    r[2] = lerp_rows(pair(2, false), pair(2, true), dword_lane<2>(wy));
    r[3] = lerp_rows(pair(3, false), pair(3, true), dword_lane<3>(wy));
}

// Channels of four pixels in 16-bit lanes: pixels 0 and 1, then 2 and 3.
struct four_px {
    __m128i p01, p23;
};

// Four bilinear samples. Coordinates are 16.16, stepped from the group's
// exact 32.32 start; 32-bit wrap-around keeps them right modulo any
// power-of-two size up to 65536, so masking still gives the wrapped texel.
template <bool Xrgb>
[[gnu::always_inline]] inline four_px sample4(const fused_span& f, const span_vectors& sv, int64_t u, int64_t v) {
    const __m128i k128 = _mm_set1_epi32(128), k255 = _mm_set1_epi32(255), one = _mm_set1_epi32(1);
    const int64_t half = int64_t(1) << 31;
    __m128i U = _mm_add_epi32(_mm_set1_epi32(int32_t(uint32_t(uint64_t(u - half) >> 16))), sv.steps_u);
    __m128i V = _mm_add_epi32(_mm_set1_epi32(int32_t(uint32_t(uint64_t(v - half) >> 16))), sv.steps_v);
    __m128i ux = _mm_srli_epi32(_mm_add_epi32(U, k128), 8), vy = _mm_srli_epi32(_mm_add_epi32(V, k128), 8);
    __m128i fx = _mm_and_si128(ux, k255), fy = _mm_and_si128(vy, k255);
    __m128i x0 = _mm_and_si128(_mm_srli_epi32(ux, 8), sv.mask_x), y0 = _mm_and_si128(_mm_srli_epi32(vy, 8), sv.mask_y);
    alignas(16) uint32_t top[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(top), _mm_madd_epi16(_mm_or_si128(x0, _mm_slli_epi32(y0, 16)), sv.rowmul));
    // Weights in 16-bit pairs (f0 f0 f1 f1 f2 f2 f3 f3): one dword is one pixel's.
    __m128i fy16 = _mm_packs_epi32(fy, fy), fx16 = _mm_packs_epi32(fx, fx);
    __m128i wy = _mm_unpacklo_epi16(fy16, fy16), wx = _mm_unpacklo_epi16(fx16, fx16);
    const uint8_t* tx = f.texels;
    __m128i r[4];
    __m128i edge = _mm_or_si128(_mm_cmpeq_epi32(x0, sv.mask_x), _mm_cmpeq_epi32(y0, sv.mask_y));
    if (_mm_movemask_epi8(edge) == 0) {
        // No pixel on the last column or row: each pair of texels lies side
        // by side, and the bottom pair one pitch below the top one.
        const uint8_t* below = tx + f.pitch;
        auto pair = [&](int k, bool bottom) {
            return _mm_loadl_epi64(reinterpret_cast<const __m128i*>((bottom ? below : tx) + size_t(top[k]) * 4));
        };
        rows4(pair, wy, r);
    } else {
        // Some wrap back to column 0 or row 0.
        const __m128i x1 = _mm_and_si128(_mm_add_epi32(x0, one), sv.mask_x);
        const __m128i y1 = _mm_and_si128(_mm_add_epi32(y0, one), sv.mask_y);
        alignas(16) int32_t right[4];
        alignas(16) uint32_t bot[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(right), _mm_sub_epi32(x1, x0));
        _mm_store_si128(reinterpret_cast<__m128i*>(bot), _mm_madd_epi16(_mm_or_si128(x0, _mm_slli_epi32(y1, 16)), sv.rowmul));
        auto pair = [&](int k, bool bottom) {
            const uint8_t* p = tx + size_t(bottom ? bot[k] : top[k]) * 4;
            uint32_t a, b;
            std::memcpy(&a, p, 4);
            std::memcpy(&b, p + ptrdiff_t(right[k]) * 4, 4);
            return _mm_unpacklo_epi32(_mm_cvtsi32_si128(int(a)), _mm_cvtsi32_si128(int(b)));
        };
        rows4(pair, wy, r);
    }
    four_px p{lerp_columns(r[0], r[1], _mm_unpacklo_epi32(wx, wx)), lerp_columns(r[2], r[3], _mm_unpackhi_epi32(wx, wx))};
    if constexpr (Xrgb) {
        const __m128i alpha = _mm_set_epi16(255, 0, 0, 0, 255, 0, 0, 0);
        p.p01 = _mm_or_si128(p.p01, alpha);
        p.p23 = _mm_or_si128(p.p23, alpha);
    }
    return p;
}

// Texture times diffuse, round(a·b / 255) a channel, then the specular
// colour added with saturation.
[[gnu::always_inline]] inline void stage4(const fused_span& f, const span_vectors& sv, four_px& p) {
    if (f.modulate) {
        p.p01 = div255(_mm_mullo_epi16(p.p01, sv.diffuse16));
        p.p23 = div255(_mm_mullo_epi16(p.p23, sv.diffuse16));
    }
    if (f.add_specular) {
        const __m128i k255 = _mm_set1_epi16(255);
        p.p01 = _mm_min_epi16(_mm_add_epi16(p.p01, sv.specular16), k255);
        p.p23 = _mm_min_epi16(_mm_add_epi16(p.p23, sv.specular16), k255);
    }
}

// Copy; s over d, colour round((s·a + d·(255 − a)) / 255); or d + s·a with
// saturation. Written alpha is max(sa, da), or 255 on targets without alpha.
template <fused_blend B>
[[gnu::always_inline]] inline void blend4(const fused_span& f, const four_px& s, uint32_t* dst) {
    const __m128i amask = _mm_set1_epi32(int(0xFF000000u));
    __m128i* out = reinterpret_cast<__m128i*>(dst);
    if constexpr (B == fused_blend::copy) {
        __m128i r = _mm_packus_epi16(s.p01, s.p23);
        _mm_storeu_si128(out, f.opaque_target ? _mm_or_si128(r, amask) : r);
    } else {
        const __m128i z = _mm_setzero_si128();
        __m128i d = _mm_loadu_si128(out);
        __m128i a01 = alpha_lanes(s.p01), a23 = alpha_lanes(s.p23);
        __m128i r;
        if constexpr (B == fused_blend::over_max) {
            const __m128i k255 = _mm_set1_epi16(255);
            __m128i d01 = _mm_unpacklo_epi8(d, z), d23 = _mm_unpackhi_epi8(d, z);
            __m128i r01 = div255(_mm_add_epi16(_mm_mullo_epi16(s.p01, a01), _mm_mullo_epi16(d01, _mm_sub_epi16(k255, a01))));
            __m128i r23 = div255(_mm_add_epi16(_mm_mullo_epi16(s.p23, a23), _mm_mullo_epi16(d23, _mm_sub_epi16(k255, a23))));
            r = _mm_packus_epi16(r01, r23);
        } else {
            __m128i m01 = div255(_mm_mullo_epi16(s.p01, a01)), m23 = div255(_mm_mullo_epi16(s.p23, a23));
            r = _mm_adds_epu8(d, _mm_andnot_si128(amask, _mm_packus_epi16(m01, m23)));
        }
        if (f.opaque_target) {
            r = _mm_or_si128(r, amask);
        } else {
            __m128i a = _mm_and_si128(_mm_max_epu8(_mm_packus_epi16(s.p01, s.p23), d), amask);
            r = _mm_or_si128(_mm_andnot_si128(amask, r), a);
        }
        _mm_storeu_si128(out, r);
    }
}

template <bool Xrgb, fused_blend B>
void groups_sse2(const fused_span& f, int64_t& u_io, int64_t& v_io, int groups, uint32_t* dst) {
    const span_vectors sv = vectors_of(f);
    int64_t u = u_io, v = v_io;
    for (int g = 0; g < groups; ++g, dst += 4) {
        four_px p = sample4<Xrgb>(f, sv, u, v);
        u += 4 * f.du;
        v += 4 * f.dv;
        stage4(f, sv, p);
        blend4<B>(f, p, dst);
    }
    u_io = u;
    v_io = v;
}

template <bool Xrgb>
fused_fn pick(fused_blend b) {
    switch (b) {
    case fused_blend::copy: return groups_sse2<Xrgb, fused_blend::copy>;
    case fused_blend::over_max: return groups_sse2<Xrgb, fused_blend::over_max>;
    default: return groups_sse2<Xrgb, fused_blend::add_max>;
    }
}

#endif // PRENDER_SIMD_X86

simd_level detect() {
#if PRENDER_SIMD_X86
    __builtin_cpu_init();  // may run before the compiler's own start-up code has
    return __builtin_cpu_supports("avx2") ? simd_level::avx2 : simd_level::sse2;
#else
    return simd_level::scalar;
#endif
}

// Made on first use, so that a device built during static initialisation
// finds it ready.
std::atomic<simd_level>& allowed() {
    static std::atomic<simd_level> level{detect()};
    return level;
}

} // namespace

#if PRENDER_SIMD_X86
fused_fn fused_kernel_sse2(fused_blend b, bool xrgb_texels) { return xrgb_texels ? pick<true>(b) : pick<false>(b); }
#endif

fused_fn fused_kernel(fused_blend b, bool xrgb_texels) {
    switch (span_simd()) {
#if PRENDER_SIMD_X86
    case simd_level::avx2: return fused_kernel_avx2(b, xrgb_texels);
    case simd_level::sse2: return fused_kernel_sse2(b, xrgb_texels);
#endif
    default: (void)b; (void)xrgb_texels; return nullptr;
    }
}

simd_level span_simd() { return allowed().load(std::memory_order_relaxed); }

void limit_span_simd(simd_level most) { allowed().store(std::min(most, detect()), std::memory_order_relaxed); }

} // namespace prender::detail
