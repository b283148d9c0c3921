// The AVX2 kernels: eight pixels a step (two groups of four of a fused
// span), 256-bit lanes.
//
// This file alone is compiled with -mavx2, and its code runs only after the
// processor has been found to have AVX2. Nothing here may be an inline
// function or template that another file instantiates too, or the linker
// could keep this file's copy for every caller: hence the anonymous
// namespace and no standard-library templates.
#include "platform/render/span_kernels.h"

#if PRENDER_SIMD_X86
#include <immintrin.h>

namespace prender::detail {

namespace {

struct span_vectors {
    __m256i mask_x, mask_y;
    __m256i rowmul;            // (1, pitch in texels) pairs: x + y · pitch in one multiply-add
    __m256i steps_u, steps_v;  // 0, 1, 2, 3 steps in 16.16, in both halves
    __m256i diffuse16, specular16;
};

inline __m256i channels16(uint32_t c) { return _mm256_cvtepu8_epi16(_mm_set1_epi32(int(c))); }

span_vectors vectors_of(const fused_span& f) {
    span_vectors v;
    v.mask_x = _mm256_set1_epi32(f.mask_x);
    v.mask_y = _mm256_set1_epi32(f.mask_y);
    v.rowmul = _mm256_set1_epi32(1 | (f.pitch / 4) << 16);
    const int32_t du16 = int32_t(f.du >> 16), dv16 = int32_t(f.dv >> 16);
    v.steps_u = _mm256_setr_epi32(0, du16, 2 * du16, 3 * du16, 0, du16, 2 * du16, 3 * du16);
    v.steps_v = _mm256_setr_epi32(0, dv16, 2 * dv16, 3 * dv16, 0, dv16, 2 * dv16, 3 * dv16);
    v.diffuse16 = channels16(f.diffuse);
    v.specular16 = channels16(f.specular);
    return v;
}

// round(t / 255) for 16-bit lanes holding 0..65025 (see the SSE2 kernel).
inline __m256i div255(__m256i t) {
    return _mm256_mulhi_epu16(_mm256_add_epi16(t, _mm256_set1_epi16(128)), _mm256_set1_epi16(257));
}

// Each pixel's alpha word copied to its four channels (its high byte is 0).
inline __m256i alpha_lanes(__m256i px16) {
    const __m256i pick = _mm256_setr_epi8(6, -1, 6, -1, 6, -1, 6, -1, 14, -1, 14, -1, 14, -1, 14, -1,
                                          6, -1, 6, -1, 6, -1, 6, -1, 14, -1, 14, -1, 14, -1, 14, -1);
    return _mm256_shuffle_epi8(px16, pick);
}

// (a·(256 − f) + b·f + 128) >> 8 per 16-bit lane, given f7 = f·128: it is
// a + ((b − a)·f + 128) >> 8, and mulhrs gives ((b − a)·f7 + 2^14) >> 15,
// the same value, with an arithmetic shift.
inline __m256i lerp16(__m256i a, __m256i b, __m256i f7) {
    return _mm256_add_epi16(a, _mm256_mulhrs_epi16(_mm256_sub_epi16(b, a), f7));
}

// Eight pixels' channels in 16-bit lanes, (0 1 | 4 5) and (2 3 | 6 7) (the
// order in which d unpacks), over or added to d. Written alpha is the larger
// of source and destination, then force is ORed in; Opaque: force is
// 0xFF000000, which decides the alpha alone.
template <fused_blend B, bool Opaque = false>
inline __m256i blend8(__m256i s01, __m256i s23, __m256i d, __m256i force) {
    const __m256i z = _mm256_setzero_si256(), amask = _mm256_set1_epi32(int(0xFF000000u));
    __m256i a01 = alpha_lanes(s01), a23 = alpha_lanes(s23);
    __m256i r;
    if constexpr (B == fused_blend::over_max) {
        // round((s·a + d·(255 − a)) / 255)
        const __m256i c255 = _mm256_set1_epi16(255);
        __m256i d01 = _mm256_unpacklo_epi8(d, z), d23 = _mm256_unpackhi_epi8(d, z);
        __m256i r01 = div255(_mm256_add_epi16(_mm256_mullo_epi16(s01, a01), _mm256_mullo_epi16(d01, _mm256_sub_epi16(c255, a01))));
        __m256i r23 = div255(_mm256_add_epi16(_mm256_mullo_epi16(s23, a23), _mm256_mullo_epi16(d23, _mm256_sub_epi16(c255, a23))));
        r = _mm256_packus_epi16(r01, r23);
    } else {
        // d + round(s·a / 255), saturated
        __m256i m01 = div255(_mm256_mullo_epi16(s01, a01)), m23 = div255(_mm256_mullo_epi16(s23, a23));
        r = _mm256_adds_epu8(d, _mm256_andnot_si256(amask, _mm256_packus_epi16(m01, m23)));
    }
    if constexpr (Opaque) return _mm256_or_si256(r, amask);
    __m256i a = _mm256_and_si256(_mm256_max_epu8(_mm256_packus_epi16(s01, s23), d), amask);
    return _mm256_or_si256(_mm256_or_si256(_mm256_andnot_si256(amask, r), a), force);
}

// Stage: the span has a diffuse tint or a specular colour to apply.
// Opaque: the target has no alpha.
template <bool Xrgb, fused_blend B, bool Stage, bool Opaque>
void groups_avx2(const fused_span& f, int64_t& u_io, int64_t& v_io, int groups, uint32_t* dst) {
    // Steps with a pixel on the texture's last column or row, and an odd
    // last group, go to the SSE2 kernel.
    const fused_fn narrow = fused_kernel_sse2(B, Xrgb);
    const span_vectors sv = vectors_of(f);
    const __m256i k128 = _mm256_set1_epi32(128), k255 = _mm256_set1_epi32(255);
    const __m256i force = _mm256_set1_epi32(f.opaque_target ? int(0xFF000000u) : 0);
    const uint8_t* const tx = f.texels;
    const uint8_t* const below = tx + f.pitch;
    // The two groups' exact 32.32 starts less half a texel, stepped in 64-bit
    // lanes: (u, u + 4·du, v, v + 4·dv). Shifted right by 16, their low
    // halves are the 16.16 starts that the four-pixel sampler forms.
    const int64_t half = int64_t(1) << 31, du4 = 4 * f.du, dv4 = 4 * f.dv;
    __m256i starts = _mm256_setr_epi64x(u_io - half, u_io + du4 - half, v_io - half, v_io + dv4 - half);
    const __m256i advance = _mm256_setr_epi64x(2 * du4, 2 * du4, 2 * dv4, 2 * dv4);
    const __m256i pick_u = _mm256_setr_epi32(0, 0, 0, 0, 2, 2, 2, 2), pick_v = _mm256_setr_epi32(4, 4, 4, 4, 6, 6, 6, 6);
    for (; groups >= 2; groups -= 2, dst += 8, starts = _mm256_add_epi64(starts, advance)) {
        // Lanes 0-3 are the first group, 4-7 the second.
        __m256i s16 = _mm256_srli_epi64(starts, 16);
        __m256i U = _mm256_add_epi32(_mm256_permutevar8x32_epi32(s16, pick_u), sv.steps_u);
        __m256i V = _mm256_add_epi32(_mm256_permutevar8x32_epi32(s16, pick_v), sv.steps_v);
        __m256i ux = _mm256_srli_epi32(_mm256_add_epi32(U, k128), 8), vy = _mm256_srli_epi32(_mm256_add_epi32(V, k128), 8);
        __m256i x0 = _mm256_and_si256(_mm256_srli_epi32(ux, 8), sv.mask_x);
        __m256i y0 = _mm256_and_si256(_mm256_srli_epi32(vy, 8), sv.mask_y);
        __m256i edge = _mm256_or_si256(_mm256_cmpeq_epi32(x0, sv.mask_x), _mm256_cmpeq_epi32(y0, sv.mask_y));
        if (!_mm256_testz_si256(edge, edge)) {
            int64_t u = _mm256_extract_epi64(starts, 0) + half, v = _mm256_extract_epi64(starts, 2) + half;
            narrow(f, u, v, 2, dst);
            continue;
        }
        alignas(32) uint32_t top[8];
        _mm256_store_si256(reinterpret_cast<__m256i*>(top),
                           _mm256_madd_epi16(_mm256_or_si256(x0, _mm256_slli_epi32(y0, 16)), sv.rowmul));
        // Weights · 128 in 16-bit pairs, (f0 f0 f1 f1 f2 f2 f3 f3 | f4 f4 … f7 f7).
        __m256i fx7 = _mm256_slli_epi32(_mm256_and_si256(ux, k255), 7);
        __m256i fy7 = _mm256_slli_epi32(_mm256_and_si256(vy, k255), 7);
        __m256i wx = _mm256_packs_epi32(fx7, fx7), wy = _mm256_packs_epi32(fy7, fy7);
        wx = _mm256_unpacklo_epi16(wx, wx);
        wy = _mm256_unpacklo_epi16(wy, wy);
        // Pixel k in the low half and pixel k + 4 in the high half: their
        // (left, right) texel pairs widened to 16 bits.
        auto pairs = [&](int k, const uint8_t* base) {
            __m128i p = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(base + size_t(top[k]) * 4));
            p = _mm_castpd_si128(_mm_loadh_pd(_mm_castsi128_pd(p), reinterpret_cast<const double*>(base + size_t(top[k + 4]) * 4)));
            return _mm256_cvtepu8_epi16(p);
        };
        __m256i r0 = lerp16(pairs(0, tx), pairs(0, below), _mm256_shuffle_epi32(wy, 0x00));
        __m256i r1 = lerp16(pairs(1, tx), pairs(1, below), _mm256_shuffle_epi32(wy, 0x55));
        __m256i r2 = lerp16(pairs(2, tx), pairs(2, below), _mm256_shuffle_epi32(wy, 0xAA));
        __m256i r3 = lerp16(pairs(3, tx), pairs(3, below), _mm256_shuffle_epi32(wy, 0xFF));
        // Columns: (p0 p1 | p4 p5) and (p2 p3 | p6 p7), the order in which
        // the target's pixels unpack.
        __m256i s01 = lerp16(_mm256_unpacklo_epi64(r0, r1), _mm256_unpackhi_epi64(r0, r1), _mm256_unpacklo_epi32(wx, wx));
        __m256i s23 = lerp16(_mm256_unpacklo_epi64(r2, r3), _mm256_unpackhi_epi64(r2, r3), _mm256_unpackhi_epi32(wx, wx));
        if constexpr (Xrgb) {
            const __m256i alpha = _mm256_setr_epi16(0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255);
            s01 = _mm256_or_si256(s01, alpha);
            s23 = _mm256_or_si256(s23, alpha);
        }
        if (Stage && f.modulate) {
            s01 = div255(_mm256_mullo_epi16(s01, sv.diffuse16));
            s23 = div255(_mm256_mullo_epi16(s23, sv.diffuse16));
        }
        if (Stage && f.add_specular) {
            const __m256i c255 = _mm256_set1_epi16(255);
            s01 = _mm256_min_epi16(_mm256_add_epi16(s01, sv.specular16), c255);
            s23 = _mm256_min_epi16(_mm256_add_epi16(s23, sv.specular16), c255);
        }
        __m256i* out = reinterpret_cast<__m256i*>(dst);
        __m256i r;
        if constexpr (B == fused_blend::copy)
            r = _mm256_or_si256(_mm256_packus_epi16(s01, s23), force);
        else
            r = blend8<B, Opaque>(s01, s23, _mm256_loadu_si256(out), force);
        _mm256_storeu_si256(out, r);
    }
    u_io = _mm256_extract_epi64(starts, 0) + half;
    v_io = _mm256_extract_epi64(starts, 2) + half;
    if (groups) narrow(f, u_io, v_io, 1, dst);
}

template <bool Xrgb, fused_blend B>
void groups_avx2(const fused_span& f, int64_t& u, int64_t& v, int groups, uint32_t* dst) {
    const bool stage = f.modulate || f.add_specular;
    if (f.opaque_target)
        (stage ? groups_avx2<Xrgb, B, true, true> : groups_avx2<Xrgb, B, false, true>)(f, u, v, groups, dst);
    else
        (stage ? groups_avx2<Xrgb, B, true, false> : groups_avx2<Xrgb, B, false, false>)(f, u, v, groups, dst);
}

template <fused_blend B>
int blend_span8(const uint32_t* src, uint32_t* dst, int n, uint32_t force) {
    const __m256i z = _mm256_setzero_si256(), fm = _mm256_set1_epi32(int(force));
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i));
        __m256i* out = reinterpret_cast<__m256i*>(dst + i);
        _mm256_storeu_si256(out, blend8<B>(_mm256_unpacklo_epi8(s, z), _mm256_unpackhi_epi8(s, z), _mm256_loadu_si256(out), fm));
    }
    return i;
}

template <bool Xrgb>
fused_fn pick(fused_blend b) {
    switch (b) {
    case fused_blend::copy: return groups_avx2<Xrgb, fused_blend::copy>;
    case fused_blend::over_max: return groups_avx2<Xrgb, fused_blend::over_max>;
    default: return groups_avx2<Xrgb, fused_blend::add_max>;
    }
}

} // namespace

fused_fn fused_kernel_avx2(fused_blend b, bool xrgb_texels) { return xrgb_texels ? pick<true>(b) : pick<false>(b); }

int blend_avx2(fused_blend b, const uint32_t* src, uint32_t* dst, int n, uint32_t force) {
    return b == fused_blend::over_max ? blend_span8<fused_blend::over_max>(src, dst, n, force)
                                      : blend_span8<fused_blend::add_max>(src, dst, n, force);
}

} // namespace prender::detail

#endif // PRENDER_SIMD_X86
