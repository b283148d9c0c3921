#pragma once
// A 4x4 float matrix: row-major, row vectors multiplied from the left,
// translation in elements 12 to 14. A new matrix is the identity.
#include "base/GxVector.h"

class GxMatrix {
public:
    constexpr GxMatrix() { SetIdentity(); }
    GxMatrix(const GxMatrix& o) = default;
    GxMatrix& operator=(const GxMatrix& o) = default;

    constexpr void SetIdentity() {
        for (int i = 0; i < 16; ++i) m[i] = (i % 5 == 0) ? 1.0f : 0.0f;
    }
    void Set(f32 m0, f32 m1, f32 m2, f32 m3, f32 m4, f32 m5, f32 m6, f32 m7, f32 m8, f32 m9, f32 m10, f32 m11,
             f32 m12, f32 m13, f32 m14, f32 m15);
    void SetTranslation(f32 x, f32 y, f32 z);
    void SetTranslationV(const GxVector3& v) { SetTranslation(v.x, v.y, v.z); }
    void SetRotationX(f32 angle);
    void SetRotationY(f32 angle);
    void SetRotationZ(f32 angle);
    void SetScale(f32 x, f32 y, f32 z);
    // Translation applied after the matrix.
    void Translate(const GxVector3& v) { TranslateXYZ(v.x, v.y, v.z); }
    void TranslateXYZ(f32 x, f32 y, f32 z);
    // this = this x diag(s.x, s.y, s.z, 1)
    void ScaleAfter(const GxVector3& s);
    GxMatrix& operator*=(const GxMatrix& o);
    GxMatrix operator*(const GxMatrix& o) const;
    // this = this x rotation; nothing at all when the angle is exactly 0.
    void RotateXAfter(f32 angle);
    void RotateYAfter(f32 angle);
    void RotateZAfter(f32 angle);
    // T(-pivot) S Rx Ry Rz T(pivot) T(position), angles in radians.
    void Compose(const GxVector3& position, const GxVector3& rotation, const GxVector3& scale, const GxVector3& pivot);
    // T(-pivot) S Rz Rx Ry T(pivot) T(position).
    void ComposeZXY(const GxVector3& position, const GxVector3& rotation, const GxVector3& scale,
                    const GxVector3& pivot);

    f32& operator[](int i) { return m[i]; }
    f32 operator[](int i) const { return m[i]; }
    bool operator==(const GxMatrix& o) const;

    f32 m[16] = {};
};

inline constexpr GxMatrix kGxMatrixIdentity{};
