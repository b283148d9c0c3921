#pragma once
// What every image fuzz target checks: any input gives a result, never a
// crash, an overread or a huge allocation, from the target's decoder and
// from the header readers that see the same bytes.
#include "platform/image/image.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace qfuzz {

using ImageDecoder = bool (*)(const uint8_t* data, size_t size, pimage::image& out, std::string* error);

inline int DecodeAndProbe(ImageDecoder decode, const uint8_t* data, size_t size) {
    pimage::image img;
    if (decode(data, size, img, nullptr) && img.pixels.size() != size_t(img.width) * img.height) __builtin_trap();
    pimage::image_info info;
    pimage::read_info(data, size, info);
    pimage::probe_png_header(data, size, info);
    pimage::probe_dds_header(data, size, info);
    return 0;
}

} // namespace qfuzz
