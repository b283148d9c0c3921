// The binary content reader over any bytes.
#include "fuzz/io/content_fuzz.h"
#include "io/GxContentBinaryReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1u << 20) return 0;
    const bool verbose = size && (data[0] & 1);
    GxContentBinaryReader r(data, u32(size), verbose);
    u32 version = 0;
    r.ReadHeader("BGD", &version);
    qfuzz::ReadValues(r, size ? data[size - 1] : 0);
    return 0;
}
