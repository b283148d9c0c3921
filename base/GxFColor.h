#pragma once
// A colour of four floats, each 0 to 1, and the packed 0xAARRGGBB forms.
#include "base/GxTypes.h"

struct GxFColor {
    f32 r = 0, g = 0, b = 0, a = 0;

    GxFColor() = default;
    GxFColor(f32 r_, f32 g_, f32 b_, f32 a_) : r(r_), g(g_), b(b_), a(a_) {}
    // Bytes / 255.0.
    static GxFColor FromARGB(u32 argb);
    // x 255.0 truncated toward zero, low 8 bits of each channel kept.
    u32 ToARGB() const;

    void Set(const GxFColor& c) { *this = c; }
    GxFColor& operator*=(const GxFColor& o) {
        r *= o.r, g *= o.g, b *= o.b, a *= o.a;
        return *this;
    }
    GxFColor operator*(const GxFColor& o) const {
        GxFColor c = *this;
        c *= o;
        return c;
    }
    bool operator==(const GxFColor& o) const { return r == o.r && g == o.g && b == o.b && a == o.a; }
};

// The top four bits of each channel packed as 0xARGB.
u32 GxColorToA4R4G4B4(u32 argb);
