// A stored light table read from any bytes, in the binary and the text form:
// the counts index fixed arrays and must never reach past them.
#include "graphics/GxLightTable.h"
#include "io/GxContentBinaryReader.h"
#include "io/GxContentTextReader.h"

#include <cstddef>
#include <cstdint>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 20)) return 0;
    static auto table = std::make_unique<GxLightTable>();
    std::unique_ptr<GxContentReaderBase> r;
    if (size && data[0] == 'T')
        r = std::make_unique<GxContentTextReader>(data, u32(size), false);
    else
        r = std::make_unique<GxContentBinaryReader>(data, u32(size), false);
    u32 version = 0;
    r->ReadHeader(size && data[0] == 'T' ? "TLIGHT" : "BLIGHT", &version);
    table->Read(*r);
    if (table->m_PointLightCount < 0 || table->m_PointLightCount > GxLightTable::kMaxLights ||
        table->m_SpotLightCount < 0 || table->m_SpotLightCount > GxLightTable::kMaxLights)
        __builtin_trap();
    return 0;
}
