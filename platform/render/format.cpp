#include "platform/render/format.h"

#include <cstring>

namespace prender {

namespace {
inline uint32_t expand5(uint32_t v) { return (v << 3) | (v >> 2); }
inline uint32_t expand6(uint32_t v) { return (v << 2) | (v >> 4); }
inline uint16_t rd16(const void* p) { uint16_t v; std::memcpy(&v, p, 2); return v; }
inline uint32_t rd32(const void* p) { uint32_t v; std::memcpy(&v, p, 4); return v; }
inline void wr16(void* p, uint32_t v) { uint16_t w = uint16_t(v); std::memcpy(p, &w, 2); }
inline void wr32(void* p, uint32_t v) { std::memcpy(p, &v, 4); }
} // namespace

uint32_t bytes_per_pixel(format f) {
    switch (f) {
    case format::a8r8g8b8: case format::x8r8g8b8: case format::a2r10g10b10:
    case format::d32: case format::d24s8: case format::d24x8: case format::d24x4s4:
    case format::r32f: case format::g16r16f:
        return 4;
    case format::r5g6b5: case format::x1r5g5b5: case format::a1r5g5b5:
    case format::a4r4g4b4: case format::x4r4g4b4:
    case format::d16: case format::d16_lockable: case format::d15s1: case format::r16f:
        return 2;
    case format::g32r32f:
        return 8;
    default:
        return 0;
    }
}

bool is_color_format(format f) {
    switch (f) {
    case format::a8r8g8b8: case format::x8r8g8b8: case format::r5g6b5: case format::x1r5g5b5:
    case format::a1r5g5b5: case format::a4r4g4b4: case format::x4r4g4b4:
        return true;
    default:
        return false;
    }
}

bool is_depth_format(format f) {
    switch (f) {
    case format::d16: case format::d16_lockable: case format::d32: case format::d15s1:
    case format::d24s8: case format::d24x8: case format::d24x4s4:
        return true;
    default:
        return false;
    }
}

bool has_alpha(format f) {
    return f == format::a8r8g8b8 || f == format::a1r5g5b5 || f == format::a4r4g4b4;
}

bool is_supported_format(format f) { return is_color_format(f) || is_depth_format(f); }

uint32_t load_argb(format f, const void* p) {
    switch (f) {
    case format::a8r8g8b8: return rd32(p);
    case format::x8r8g8b8: return rd32(p) | 0xFF000000u;
    case format::r5g6b5: {
        uint32_t v = rd16(p);
        return 0xFF000000u | expand5(v >> 11) << 16 | expand6((v >> 5) & 63) << 8 | expand5(v & 31);
    }
    case format::x1r5g5b5: case format::a1r5g5b5: {
        uint32_t v = rd16(p);
        uint32_t a = (f == format::x1r5g5b5 || (v & 0x8000)) ? 0xFF000000u : 0;
        return a | expand5((v >> 10) & 31) << 16 | expand5((v >> 5) & 31) << 8 | expand5(v & 31);
    }
    case format::a4r4g4b4: return a4r4g4b4_argb(rd16(p));
    case format::x4r4g4b4: return a4r4g4b4_argb(rd16(p)) | 0xFF000000u;
    default: return 0;
    }
}

void store_argb(format f, uint32_t c, void* p) {
    switch (f) {
    case format::a8r8g8b8: wr32(p, c); break;
    case format::x8r8g8b8: wr32(p, c | 0xFF000000u); break;
    case format::r5g6b5:
        wr16(p, ((c >> 8) & 0xF800u) | ((c >> 5) & 0x07E0u) | ((c >> 3) & 0x001Fu));
        break;
    case format::x1r5g5b5: case format::a1r5g5b5: {
        uint32_t a = (f == format::x1r5g5b5 || (c >> 31)) ? 0x8000u : 0;
        wr16(p, a | ((c >> 9) & 0x7C00u) | ((c >> 6) & 0x03E0u) | ((c >> 3) & 0x001Fu));
        break;
    }
    case format::a4r4g4b4: wr16(p, argb_a4r4g4b4(c)); break;
    case format::x4r4g4b4: wr16(p, argb_a4r4g4b4(c) | 0xF000u); break;
    default: break;
    }
}

void row_to_argb(format f, const void* src, uint32_t* dst, size_t n) {
    const uint8_t* s = static_cast<const uint8_t*>(src);
    if (f == format::a8r8g8b8) { std::memcpy(dst, s, n * 4); return; }
    if (f == format::x8r8g8b8) {
        std::memcpy(dst, s, n * 4);
        for (size_t i = 0; i < n; ++i) dst[i] |= 0xFF000000u;
        return;
    }
    uint32_t bpp = bytes_per_pixel(f);
    for (size_t i = 0; i < n; ++i) dst[i] = load_argb(f, s + i * bpp);
}

void row_from_argb(format f, const uint32_t* src, void* dst, size_t n) {
    uint8_t* d = static_cast<uint8_t*>(dst);
    if (f == format::a8r8g8b8) { std::memcpy(d, src, n * 4); return; }
    if (f == format::x8r8g8b8) {
        for (size_t i = 0; i < n; ++i) wr32(d + i * 4, src[i] | 0xFF000000u);
        return;
    }
    uint32_t bpp = bytes_per_pixel(f);
    for (size_t i = 0; i < n; ++i) store_argb(f, src[i], d + i * bpp);
}

} // namespace prender
