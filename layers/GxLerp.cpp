#include "layers/GxLerp.h"

#include "base/GxVector.h"

#include <cmath>

f32 GxLerpPow(f32 a, f32 b, f32 t, f32 p) {
    if (p > 0) {
        const f32 exponent = 1.0f + 4.0f * p;
        const f32 rest = 1.0f - t;
        return f32(b - (b - a) * GxPow(rest, exponent));
    }
    const f32 exponent = 1.0f - 4.0f * p;
    return f32(a + (b - a) * GxPow(t, exponent));
}

f32 GxLerpSinPi(f32 a, f32 b, f32 t, f32 p) {
    const f32 angle = f32(kGxPi * t);
    return f32(a + (b - a) * (t + std::sin(f64(angle)) * p / kGxPi));
}

f32 GxLerpSin2Pi(f32 a, f32 b, f32 t, f32 p) {
    const f32 angle = f32(kGx2Pi * t);
    return f32(a + (b - a) * (t + std::sin(f64(angle)) * p * kGxInv2Pi));
}

s32 GxTruncToS32(f64 v) {
    if (!(v == v)) return 0;
    if (v >= 2147483647.0) return 2147483647;
    if (v <= -2147483648.0) return -2147483647 - 1;
    return s32(v);
}
