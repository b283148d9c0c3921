#include "base/GxMatrix.h"

#include <cmath>

void GxMatrix::Set(f32 m0, f32 m1, f32 m2, f32 m3, f32 m4, f32 m5, f32 m6, f32 m7, f32 m8, f32 m9, f32 m10,
                   f32 m11, f32 m12, f32 m13, f32 m14, f32 m15) {
    const f32 v[16] = {m0, m1, m2, m3, m4, m5, m6, m7, m8, m9, m10, m11, m12, m13, m14, m15};
    for (int i = 0; i < 16; ++i) m[i] = v[i];
}

void GxMatrix::SetTranslation(f32 x, f32 y, f32 z) {
    SetIdentity();
    m[12] = x, m[13] = y, m[14] = z;
}

void GxMatrix::SetRotationX(f32 a) {
    f32 c = std::cos(a), s = std::sin(a);
    Set(1, 0, 0, 0, 0, c, s, 0, 0, -s, c, 0, 0, 0, 0, 1);
}

void GxMatrix::SetRotationY(f32 a) {
    f32 c = std::cos(a), s = std::sin(a);
    Set(c, 0, -s, 0, 0, 1, 0, 0, s, 0, c, 0, 0, 0, 0, 1);
}

void GxMatrix::SetRotationZ(f32 a) {
    f32 c = std::cos(a), s = std::sin(a);
    Set(c, s, 0, 0, -s, c, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
}

void GxMatrix::SetScale(f32 x, f32 y, f32 z) { Set(x, 0, 0, 0, 0, y, 0, 0, 0, 0, z, 0, 0, 0, 0, 1); }

void GxMatrix::TranslateXYZ(f32 x, f32 y, f32 z) {
    m[12] += x, m[13] += y, m[14] += z;
}

void GxMatrix::ScaleAfter(const GxVector3& s) {
    for (int r = 0; r < 4; ++r) {
        m[r * 4 + 0] *= s.x;
        m[r * 4 + 1] *= s.y;
        m[r * 4 + 2] *= s.z;
    }
}

GxMatrix GxMatrix::operator*(const GxMatrix& o) const {
    GxMatrix r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r.m[i * 4 + j] =
                m[i * 4 + 0] * o.m[0 + j] + m[i * 4 + 1] * o.m[4 + j] + m[i * 4 + 2] * o.m[8 + j] + m[i * 4 + 3] * o.m[12 + j];
    return r;
}

GxMatrix& GxMatrix::operator*=(const GxMatrix& o) {
    *this = *this * o;
    return *this;
}

void GxMatrix::RotateXAfter(f32 a) {
    if (a == 0.0f) return;
    GxMatrix r;
    r.SetRotationX(a);
    *this *= r;
}
void GxMatrix::RotateYAfter(f32 a) {
    if (a == 0.0f) return;
    GxMatrix r;
    r.SetRotationY(a);
    *this *= r;
}
void GxMatrix::RotateZAfter(f32 a) {
    if (a == 0.0f) return;
    GxMatrix r;
    r.SetRotationZ(a);
    *this *= r;
}

void GxMatrix::Compose(const GxVector3& position, const GxVector3& rotation, const GxVector3& scale,
                       const GxVector3& pivot) {
    SetTranslation(-pivot.x, -pivot.y, -pivot.z);
    ScaleAfter(scale);
    // The pair cancels; kept because its rounding is part of the result.
    Translate(pivot);
    TranslateXYZ(-pivot.x, -pivot.y, -pivot.z);
    RotateXAfter(rotation.x);
    RotateYAfter(rotation.y);
    RotateZAfter(rotation.z);
    Translate(pivot);
    Translate(position);
}

void GxMatrix::ComposeZXY(const GxVector3& position, const GxVector3& rotation, const GxVector3& scale,
                          const GxVector3& pivot) {
    SetTranslation(-pivot.x, -pivot.y, -pivot.z);
    ScaleAfter(scale);
    Translate(pivot);
    TranslateXYZ(-pivot.x, -pivot.y, -pivot.z);
    RotateZAfter(rotation.z);
    RotateXAfter(rotation.x);
    RotateYAfter(rotation.y);
    Translate(pivot);
    Translate(position);
}

bool GxMatrix::operator==(const GxMatrix& o) const {
    for (int i = 0; i < 16; ++i)
        if (m[i] != o.m[i]) return false;
    return true;
}
