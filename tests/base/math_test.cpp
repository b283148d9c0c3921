#include "base/GxFColor.h"
#include "base/GxMatrix.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

constexpr float kPi = 3.14159265358979f;

void ExpectNear(const GxVector3& v, float x, float y, float z) {
    EXPECT_NEAR(v.x, x, 1e-4f);
    EXPECT_NEAR(v.y, y, 1e-4f);
    EXPECT_NEAR(v.z, z, 1e-4f);
}

TEST(GxMatrix, IdentityTranslationAndRotations) {
    GxMatrix m;
    EXPECT_EQ(m, kGxMatrixIdentity);
    m.SetTranslation(10, 0, 0);
    GxVector3 p(1, 2, 3);
    p.w = 5;
    GxVector3 t = p.Transform(m);
    EXPECT_EQ(t, GxVector3(11, 2, 3));
    EXPECT_EQ(t.w, 0.0f) << "a new vector has w 0";

    GxMatrix r;
    r.RotateZAfter(kPi / 2);
    ExpectNear(GxVector3(1, 0, 0).Transform(r), 0, 1, 0);
    GxMatrix rx;
    rx.SetRotationX(kPi / 2);
    ExpectNear(GxVector3(0, 1, 0).Transform(rx), 0, 0, 1);
    GxMatrix ry;
    ry.SetRotationY(kPi / 2);
    ExpectNear(GxVector3(0, 0, 1).Transform(ry), 1, 0, 0);

    // A rotation by exactly 0 changes nothing, not even by rounding.
    GxMatrix s;
    s.Set(1.1f, 2, 3, 0, 4, 5.3f, 6, 0, 7, 8, 9.7f, 0, 1, 2, 3, 1);
    GxMatrix s2 = s;
    s2.RotateXAfter(0.0f);
    s2.RotateYAfter(0.0f);
    s2.RotateZAfter(0.0f);
    EXPECT_EQ(s2, s);
}

TEST(GxMatrix, ProductOrderAndScaleAfter) {
    // this x m: this applies first.
    GxMatrix t, sc;
    t.SetTranslation(1, 0, 0);
    sc.SetScale(2, 3, 4);
    ExpectNear(GxVector3(1, 1, 1).Transform(t * sc), 4, 3, 4);
    ExpectNear(GxVector3(1, 1, 1).Transform(sc * t), 3, 3, 4);
    GxMatrix a = t;
    a.ScaleAfter(GxVector3(2, 3, 4));
    EXPECT_EQ(a, t * sc);
    GxMatrix b = t;
    b *= sc;
    EXPECT_EQ(b, t * sc);
    GxVector2 v2 = GxVector2(1, 1).Transform(t * sc);
    EXPECT_EQ(v2, GxVector2(4, 3));
}

TEST(GxMatrix, ComposeTurnsAboutThePivot) {
    GxMatrix m;
    m.Compose(GxVector3(5, 6, 0), GxVector3(0, 0, kPi), GxVector3(1, 1, 1), GxVector3(10, 0, 0));
    ExpectNear(GxVector3(10, 0, 0).Transform(m), 15, 6, 0);
    ExpectNear(GxVector3(11, 0, 0).Transform(m), 14, 6, 0);
    // Scale then rotate, about the pivot.
    m.Compose(GxVector3(0, 0, 0), GxVector3(0, 0, kPi / 2), GxVector3(2, 2, 1), GxVector3(1, 1, 0));
    ExpectNear(GxVector3(2, 1, 0).Transform(m), 1, 3, 0);
    // ZXY turns Z first: with X and Z quarter turns the two orders differ.
    GxMatrix a, b;
    GxVector3 rot(kPi / 2, 0, kPi / 2);
    a.Compose({}, rot, GxVector3(1, 1, 1), {});
    b.ComposeZXY({}, rot, GxVector3(1, 1, 1), {});
    ExpectNear(GxVector3(1, 0, 0).Transform(a), 0, 1, 0);
    ExpectNear(GxVector3(1, 0, 0).Transform(b), 0, 0, 1);
}

TEST(GxVector3, LengthEqualityAndArithmetic) {
    GxVector3 z;
    z.SetLength(5);
    EXPECT_EQ(z, GxVector3(0, 0, 0));
    GxVector3 v(3, 0, 4);
    EXPECT_FLOAT_EQ(v.Length(), 5);
    v.SetLength(10);
    EXPECT_EQ(v, GxVector3(6, 0, 8));
    GxVector3 n(NAN, 0, 0);
    EXPECT_FALSE(n == n);
    EXPECT_TRUE(n != n);
    GxVector3 w(1, 2, 3);
    w.w = 9;
    EXPECT_EQ((w + w).w, 0.0f);
    EXPECT_EQ((w * 2).w, 0.0f);
    w += GxVector3(1, 1, 1);
    EXPECT_EQ(w.w, 9.0f) << "+= leaves w alone";
    EXPECT_EQ(GxVector2(6, 3).Divide(3), GxVector2(2, 1));
}

TEST(GxFColor, PackedConversions) {
    EXPECT_EQ(GxColorToA4R4G4B4(0xFF8040C0u), 0xF84Cu);
    GxFColor c = GxFColor::FromARGB(0x80FF4000u);
    EXPECT_FLOAT_EQ(c.a, 128 / 255.0f);
    EXPECT_FLOAT_EQ(c.r, 1.0f);
    EXPECT_EQ(c.ToARGB(), 0x80FF4000u);
    // x 255 truncated: 0.999 gives 254, not 255.
    EXPECT_EQ(GxFColor(0.999f, 0, 0, 1).ToARGB(), 0xFFFE0000u);
    // Out of range keeps the low 8 bits of the product: 2.0 x 255 = 510 -> 0xFE.
    EXPECT_EQ(GxFColor(2.0f, 0, 0, 0).ToARGB(), 0x00FE0000u);
    EXPECT_EQ((GxFColor(1, 0.5f, 1, 1) * GxFColor(0.5f, 0.5f, 0, 1)), GxFColor(0.5f, 0.25f, 0, 1));
    EXPECT_FLOAT_EQ(GxPow(2.0f, 0.5f), 1.4142135f);
}

} // namespace
