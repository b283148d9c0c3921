#pragma once
// Pixel formats: sizes, and conversion of pixels to and from packed
// 0xAARRGGBB values. Formats without alpha read back as opaque.
#include "platform/render/types.h"

#include <cstddef>
#include <cstdint>

namespace prender {

// Bytes one pixel takes in memory; 0 for a format the device cannot hold.
uint32_t bytes_per_pixel(format f);
// A colour format the device can draw into and sample from.
bool is_color_format(format f);
bool is_depth_format(format f);
bool has_alpha(format f);
// Whether this device can create resources of the format at all.
bool is_supported_format(format f);

uint32_t load_argb(format f, const void* pixel);
void store_argb(format f, uint32_t argb, void* pixel);
// Whole rows; src and dst must not overlap.
void row_to_argb(format f, const void* src, uint32_t* dst, size_t n);
void row_from_argb(format f, const uint32_t* src, void* dst, size_t n);

inline uint32_t argb_a4r4g4b4(uint32_t c) {
    return ((c >> 16) & 0xF000u) | ((c >> 12) & 0x0F00u) | ((c >> 8) & 0x00F0u) | ((c >> 4) & 0x000Fu);
}
inline uint32_t a4r4g4b4_argb(uint32_t v) {
    uint32_t a = (v >> 12) & 15, r = (v >> 8) & 15, g = (v >> 4) & 15, b = v & 15;
    return (a * 17u) << 24 | (r * 17u) << 16 | (g * 17u) << 8 | (b * 17u);
}

} // namespace prender
