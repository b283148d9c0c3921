// Feeds arbitrary bytes to the TGA decoder and the header readers: any
// input must give a result, never a crash, an overread or a huge allocation.
#include "platform/image/image.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    pimage::image img;
    if (pimage::decode_tga(data, size, img) && img.pixels.size() != size_t(img.width) * img.height) __builtin_trap();
    pimage::image_info info;
    pimage::read_info(data, size, info);
    pimage::probe_png_header(data, size, info);
    pimage::probe_dds_header(data, size, info);
    return 0;
}
