#pragma once
// What every image fuzz target checks: any input gives a result, never a
// crash, an overread or a huge allocation, from the target's decoder and
// from the header readers that see the same bytes. The decoder is held to
// the limit the game holds every picture to: the device's largest texture.
#include "platform/image/image.h"
#include "platform/render/adapter.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace qfuzz {

using ImageDecoder = bool (*)(const uint8_t* data, size_t size, pimage::image& out, const pimage::size_limit& limit,
                              std::string* error);

inline int DecodeAndProbe(ImageDecoder decode, const uint8_t* data, size_t size) {
    static const prender::device_caps caps;
    static const pimage::size_limit limit{caps.max_texture_width, caps.max_texture_height};
    pimage::image img;
    if (decode(data, size, img, limit, nullptr) &&
        (img.pixels.size() != size_t(img.width) * img.height || img.width > limit.width ||
         img.height > limit.height))
        __builtin_trap();
    pimage::image_info info;
    pimage::read_info(data, size, info);
    pimage::probe_png_header(data, size, info);
    pimage::probe_dds_header(data, size, info);
    return 0;
}

} // namespace qfuzz
