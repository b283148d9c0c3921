#pragma once
// Span kernels beside the general path's, with the same integer arithmetic
// step for step, so that both give the same pixels; the tests hold them to
// that.
//
// Fused spans serve the engine's usual sprite: a wrapping power-of-two
// 32-bit texture filtered linearly, times one diffuse colour, plus one
// specular colour, then copied, blended over, or added keeping the larger
// alpha. Groups of four pixels go from texels to the target in registers
// instead of through scratch rows.
//
// The AVX2 kernels are compiled on their own with -mavx2 and only called
// when the processor has AVX2; they take eight pixels a step and otherwise
// do exactly what the SSE2 ones do.
//
// The vector kernels exist on x86 only. Elsewhere (or built with
// QUILLON_SCALAR_SPANS) every span takes the scalar path, which is always
// compiled: the vector loops are shortcuts in front of it, so lowering the
// level to scalar at run time draws with exactly the code a build without
// them runs.
#include <cstddef>
#include <cstdint>

#if (defined(__x86_64__) || defined(__i386__)) && !defined(QUILLON_SCALAR_SPANS)
#define PRENDER_SIMD_X86 1
#else
#define PRENDER_SIMD_X86 0
#endif

namespace prender::detail {

enum class fused_blend { copy, over_max, add_max };

struct fused_span {
    const uint8_t* texels = nullptr;
    int32_t pitch = 0;            // bytes; a multiple of 4, at most 65536
    int32_t mask_x = 0, mask_y = 0;  // width − 1, height − 1
    int64_t du = 0, dv = 0;       // texel steps a pixel, 32.32
    uint32_t diffuse = 0xFFFFFFFFu;
    uint32_t specular = 0;        // RGB only
    bool modulate = false;        // diffuse is not white
    bool add_specular = false;
    bool opaque_target = false;   // x8r8g8b8: written alpha is 255
};

// Draws `groups` groups of four pixels to dst. u and v (32.32 texel
// coordinates of the first pixel) are advanced past them, exactly as the
// general path advances them.
using fused_fn = void (*)(const fused_span& f, int64_t& u, int64_t& v, int groups, uint32_t* dst);

// In rising order: a level allows the ones below it.
enum class simd_level { scalar, sse2, avx2 };

// The kernel for the blend and texture format (x8r8g8b8 texels read with
// alpha 255), using the widest instruction set allowed; null on the scalar
// level, where the general path draws these spans.
fused_fn fused_kernel(fused_blend b, bool xrgb_texels);

// The widest level allowed: what the build and the processor have, unless
// lowered (for tests and the benchmarks, which compare the kernels).
// Raising the limit gives back what they have, never more.
simd_level span_simd();
void limit_span_simd(simd_level most);

#if PRENDER_SIMD_X86
// One instruction set's kernels.
fused_fn fused_kernel_sse2(fused_blend b, bool xrgb_texels);
fused_fn fused_kernel_avx2(fused_blend b, bool xrgb_texels);

// blend_span's over and add kernels (b is over_max or add_max) for the
// first n & ~7 pixels, which they return the count of; force is ORed into
// every written pixel. AVX2 only: the caller checks span_simd() and blends
// the rest itself.
int blend_avx2(fused_blend b, const uint32_t* src, uint32_t* dst, int n, uint32_t force);
#endif

} // namespace prender::detail
