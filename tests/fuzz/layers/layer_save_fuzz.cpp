// A layer read back from any bytes of a save, in the binary and the text
// form: slot index, movie channels and list counts are checked before use,
// and whatever was restored is given back again.
#include "layers/GxNcContentFile.h"
#include "layers/GxTaskLayer.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 16)) return 0;
    GxNcContentFile file;
    if (!file.OpenBytes(data, u32(size), "LAYER", GxNcContentFile::OtherForms::AsBinary)) return 0;
    GxTaskLayer layer(nullptr);
    layer.ReadContent(file.GetReader());
    if (layer.GetIndexPos() != 0 && layer.GetIndexPos() != 1) __builtin_trap();
    layer.Update(0, 16000);
    layer.ClearContent();
    return 0;
}
