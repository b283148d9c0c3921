#pragma once
// The interpolation curves of actor actions, layer cross-fades and key
// frames: each blends a towards b by the progress t (0..1), shaped by p.
// Results are rounded to single precision.
#include "base/GxTypes.h"

// Single-precision values of the constants the curves use, widened.
inline constexpr f64 kGxPi = 3.1415927410125732;
inline constexpr f64 kGx2Pi = 6.2831854820251465;
inline constexpr f64 kGxInv2Pi = 0.15915493866300567;
inline constexpr f32 kGxDegToRad = 0.01745329238474369f;

// p > 0 eases out: b − (b − a)(1 − t)^(1 + 4p); otherwise it eases in:
// a + (b − a)t^(1 − 4p); p = 0 is a straight line.
f32 GxLerpPow(f32 a, f32 b, f32 t, f32 p);
// a + (b − a)(t + sin(πt)·p/π): a half-sine swell over the line.
f32 GxLerpSinPi(f32 a, f32 b, f32 t, f32 p);
// a + (b − a)(t + sin(2πt)·p/(2π)): a full-sine wobble about the line.
f32 GxLerpSin2Pi(f32 a, f32 b, f32 t, f32 p);

// A float truncated toward zero into s32; values beyond the range saturate
// and NaN gives 0 (values read from files may be anything).
s32 GxTruncToS32(f64 v);
