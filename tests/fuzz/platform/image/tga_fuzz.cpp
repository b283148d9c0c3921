// Feeds arbitrary bytes to the TGA decoder and the header readers.
#include "fuzz/platform/image/image_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return qfuzz::DecodeAndProbe(pimage::decode_tga, data, size);
}
