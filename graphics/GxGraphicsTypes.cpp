#include "graphics/GxGraphicsTypes.h"

#include "base/GxFColor.h"
#include "platform/image/image.h"

#include <algorithm>

u32 GxGetFormatBytesPerPixel(u32 format) {
    switch (format) {
    case 27: case 28: case 41: case 50: case 52: case 85:  // R3G3B2 A8 P8 L8 A4L4 S8_LOCKABLE
        return 1;
    case 23: case 24: case 25: case 26: case 29: case 30:  // R5G6B5 X1R5G5B5 A1R5G5B5 A4R4G4B4 A8R3G3B2 X4R4G4B4
    case 40: case 51: case 60: case 61:                    // A8P8 A8L8 V8U8 L6V5U5
    case 70: case 73: case 80: case 81:                    // D16_LOCKABLE D15S1 D16 L16
    case 101: case 111:                                    // INDEX16 R16F
        return 2;
    case 36: case 100: case 110: case 113: case 115:       // A16B16G16R16 VERTEXDATA Q16W16V16U16 A16B16G16R16F G32R32F
        return 8;
    case 116:                                              // A32B32G32R32F
        return 16;
    default:
        return 4;
    }
}

// Texture sizes follow the image library's rule, so both agree on every size.
u32 GxRoundUpPowerOfTwo(u32 n) { return pimage::round_up_pow2(n); }

bool GxFillLockedArea(u32 format, const prender::locked_rect& lr, u32 w, u32 h, u32 argb) {
    auto* base = static_cast<u8*>(lr.bits);
    if (GxIs32BitColorFormat(format)) {
        for (u32 y = 0; y < h; ++y) {
            u32* row = reinterpret_cast<u32*>(base + ptrdiff_t(y) * lr.pitch);
            std::fill(row, row + w, argb);
        }
        return true;
    }
    if (GxIs16BitColorFormat(format)) {
        const u16 v = u16(GxColorToA4R4G4B4(argb));
        for (u32 y = 0; y < h; ++y) {
            u16* row = reinterpret_cast<u16*>(base + ptrdiff_t(y) * lr.pitch);
            std::fill(row, row + w, v);
        }
        return true;
    }
    return false;
}
