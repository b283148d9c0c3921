#include "base/GxVector.h"

#include "base/GxMatrix.h"

#include <cfloat>
#include <cmath>

f32 GxPow(f32 x, f32 y) { return f32(std::pow(double(x), double(y))); }

GxVector2 GxVector2::Transform(const GxMatrix& t) const {
    const f32* m = t.m;
    return {x * m[0] + y * m[4] + m[12], x * m[1] + y * m[5] + m[13]};
}

f32 GxVector3::Length() const { return std::sqrt(x * x + y * y + z * z); }

GxVector3& GxVector3::SetLength(f32 length) {
    f32 len = Length();
    if (len >= FLT_EPSILON) {
        x = (x * length) / len;
        y = (y * length) / len;
        z = (z * length) / len;
    }
    return *this;
}

GxVector3 GxVector3::Transform(const GxMatrix& t) const {
    const f32* m = t.m;
    return {x * m[0] + y * m[4] + z * m[8] + m[12], x * m[1] + y * m[5] + z * m[9] + m[13],
            x * m[2] + y * m[6] + z * m[10] + m[14]};
}

