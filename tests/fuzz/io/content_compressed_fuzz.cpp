// The compressed content reader over any bytes: the header, the inflation and
// the values inflated.
#include "fuzz/io/content_fuzz.h"
#include "io/GxContentCompressedBinaryReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1u << 20) return 0;
    GxContentCompressedBinaryReader r(data, u32(size), size && (data[size - 1] & 1));
    u32 version = 0;
    if (r.ReadHeader("ZMOA", &version)) qfuzz::ReadValues(r, size ? data[size - 1] : 0);
    return 0;
}
