// A layer read back from any bytes of a save, in the binary and the text
// form: slot index, movie channels and list counts are checked before use,
// and whatever was restored is given back again.
#include "io/GxContentBinaryReader.h"
#include "io/GxContentTextReader.h"
#include "layers/GxTaskLayer.h"
#include "tasks/GxTaskManage.h"

#include <cstddef>
#include <cstdint>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 16)) return 0;
    std::unique_ptr<GxContentReaderBase> r;
    if (size && data[0] == 'T')
        r = std::make_unique<GxContentTextReader>(data, u32(size), false);
    else
        r = std::make_unique<GxContentBinaryReader>(data, u32(size), false);
    u32 version = 0;
    r->ReadHeader(size && data[0] == 'T' ? "TLAYER" : "BLAYER", &version);
    GxTaskLayer layer(nullptr);
    layer.ReadContent(r.get());
    if (layer.GetIndexPos() != 0 && layer.GetIndexPos() != 1) __builtin_trap();
    layer.Update(0, 16000);
    layer.ClearContent();
    return 0;
}
