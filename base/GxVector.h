#pragma once
// Value types for positions, sizes and rectangles. All arithmetic is in single
// precision.
#include "base/GxTypes.h"

class GxMatrix;

struct GxPoint2 {
    s32 x = 0, y = 0;
};
struct GxPoint3 {
    s32 x = 0, y = 0, z = 0;
};
struct GxPoint4 {
    s32 x = 0, y = 0, z = 0, w = 0;
};

struct GxRect {
    s32 left = 0, top = 0, right = 0, bottom = 0;
};
struct GxFRect {
    f32 left = 0, top = 0, right = 0, bottom = 0;
};

struct GxQuat {
    f32 x = 0, y = 0, z = 0, w = 1;
};

struct GxVector2 {
    f32 x = 0, y = 0;

    constexpr GxVector2() = default;
    constexpr GxVector2(f32 x_, f32 y_) : x(x_), y(y_) {}

    void Set(f32 x_, f32 y_) { x = x_, y = y_; }
    void SetFromArray(const f32* v) { x = v[0], y = v[1]; }
    void SetFromPoint(const GxPoint2& p) { x = f32(p.x), y = f32(p.y); }
    GxVector2 Transform(const GxMatrix& m) const;
    void TransformSelf(const GxMatrix& m) { *this = Transform(m); }
    GxVector2 Divide(f32 s) const { return {x / s, y / s}; }
    bool operator==(const GxVector2& o) const { return x == o.x && y == o.y; }
};

// w is carried in memory and set to 0 by every operation that makes a new
// vector; only x, y, z are stored.
struct GxVector3 {
    f32 x = 0, y = 0, z = 0, w = 0;

    GxVector3() = default;
    GxVector3(f32 x_, f32 y_, f32 z_) : x(x_), y(y_), z(z_), w(0) {}

    f32 Length() const;
    GxVector3& SetLength(f32 length);
    GxVector3& operator+=(const GxVector3& o) {
        x += o.x, y += o.y, z += o.z;
        return *this;
    }
    // NaN components compare unequal, so a vector holding NaN is not equal to itself.
    bool operator==(const GxVector3& o) const { return x == o.x && y == o.y && z == o.z; }
    bool operator!=(const GxVector3& o) const { return !(*this == o); }
    GxVector3 Transform(const GxMatrix& m) const;
    void TransformSelf(const GxMatrix& m) { *this = Transform(m); }
    GxVector3 operator+(const GxVector3& o) const { return {x + o.x, y + o.y, z + o.z}; }
    GxVector3 operator-(const GxVector3& o) const { return {x - o.x, y - o.y, z - o.z}; }
    GxVector3 operator*(f32 s) const { return {x * s, y * s, z * s}; }
};

struct GxVector4 {
    f32 x = 0, y = 0, z = 0, w = 0;

    GxVector4() = default;
    GxVector4(f32 x_, f32 y_, f32 z_, f32 w_) : x(x_), y(y_), z(z_), w(w_) {}
    GxVector4 operator+(const GxVector4& o) const { return {x + o.x, y + o.y, z + o.z, w + o.w}; }
    GxVector4 operator-(const GxVector4& o) const { return {x - o.x, y - o.y, z - o.z, w - o.w}; }
    GxVector4 operator*(f32 s) const { return {x * s, y * s, z * s, w * s}; }
};

// The default scale handed to drawing calls.
inline constexpr GxVector2 kGxVector2One{1.0f, 1.0f};

// pow in double precision, rounded to float.
f32 GxPow(f32 x, f32 y);
