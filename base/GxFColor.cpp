#include "base/GxFColor.h"

GxFColor GxFColor::FromARGB(u32 c) {
    return {f32(((c >> 16) & 0xFF) / 255.0), f32(((c >> 8) & 0xFF) / 255.0), f32((c & 0xFF) / 255.0),
            f32(((c >> 24) & 0xFF) / 255.0)};
}

namespace {
// x 255 truncated toward zero, low 8 bits kept (out-of-range values wrap, as
// an integer conversion of the product would).
u32 ChannelByte(f32 v) {
    double p = double(v) * 255.0;
    if (!(p == p)) return 0;
    if (p >= 2147483647.0 || p <= -2147483648.0) return 0;
    return u32(s32(p)) & 0xFF;
}
} // namespace

u32 GxFColor::ToARGB() const {
    return (ChannelByte(a) << 24) | (ChannelByte(r) << 16) | (ChannelByte(g) << 8) | ChannelByte(b);
}

u32 GxColorToA4R4G4B4(u32 c) {
    return ((c >> 16) & 0xF000) | ((c >> 12) & 0x0F00) | ((c >> 8) & 0x00F0) | ((c >> 4) & 0x000F);
}

