// The text content reader over any bytes.
#include "fuzz/io/content_fuzz.h"
#include "io/GxContentTextReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1u << 20) return 0;
    const bool verbose = size && (data[0] & 1);
    GxContentTextReader r(data, u32(size), verbose);
    r.SetValueNameCheck(size && (data[0] & 2));
    u32 version = 0;
    r.ReadHeader("TGD", &version);
    qfuzz::ReadValues(r, size ? data[size - 1] : 0);
    return 0;
}
