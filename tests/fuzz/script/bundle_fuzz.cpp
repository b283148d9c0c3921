// The compiled bundle over any bytes: the form chosen by the first byte as
// the loader does, the bundle read, its variables created, and the script
// stepped a little from its first label with no builtins bound, so that
// damaged tokens and jump targets are run as well as read.
#include "io/GxContentBinaryReader.h"
#include "io/GxContentCompressedBinaryReader.h"
#include "io/GxContentTextReader.h"
#include "script/GxMoa.h"
#include "script/GxMoaFunctionBinder.h"
#include "script/GxMoaWorker.h"

#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0 || size > 1u << 20) return 0;
    std::unique_ptr<GxContentReaderBase> reader;
    const char* magic = nullptr;
    switch (data[0]) {
    case 'T':
        reader = std::make_unique<GxContentTextReader>(data, u32(size), false);
        magic = "TMOA";
        break;
    case 'B':
        reader = std::make_unique<GxContentBinaryReader>(data, u32(size), false);
        magic = "BMOA";
        break;
    case 'Z':
        reader = std::make_unique<GxContentCompressedBinaryReader>(data, u32(size), false);
        magic = "ZMOA";
        break;
    default: return 0;
    }
    u32 version = 0;
    if (!reader->ReadHeader(magic, &version)) return 0;
    GxMoa moa;
    if (!moa.ReadBundle(reader.get())) return 0;
    moa.InitExternVariables();
    GxMoaWorker worker(&moa);
    worker.InitGlobalVariables();
    GxMoaFunctionBinder binder;
    if (moa.GetLabels().empty()) return 0;
    worker.StartAtLabel(moa.GetLabels().begin()->first, nullptr);
    for (int i = 0; i < 200 && worker.Step(&binder); ++i) {
    }
    return 0;
}
