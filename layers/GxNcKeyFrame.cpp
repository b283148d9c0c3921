#include "layers/GxNcKeyFrame.h"

bool GxNcBlendFactor(u32 mode, f32 f, f32 p, f32* factor) {
    switch (mode) {
    case 1: *factor = f; return true;
    case 2: *factor = GxLerpPow(0, 1, f, p); return true;
    case 3: *factor = GxLerpSinPi(0, 1, f, p); return true;
    case 4: *factor = GxLerpSin2Pi(0, 1, f, p); return true;
    default: return false;
    }
}
