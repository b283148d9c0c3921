// A text file of any bytes through both line readers, and the string parsers
// over the same bytes.
#include "fuzz/io/memory_file.h"
#include "io/GxStringParse.h"
#include "io/GxTextFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1u << 20) return 0;
    qfuzz::MemoryFile file(data, size);
    if (!file.Ok()) return 0;
    std::vector<GxString> wide;
    ReadTextFileLines(&wide, file.Path(), size & 1);
    std::vector<GxStringA> narrow;
    ReadTextFileLinesSJIS(&narrow, file.Path(), size & 2);

    const char* text = reinterpret_cast<const char*>(data);
    const char* end = text + size;
    for (const char* p = text; p < end;) {
        GxStringA s;
        const char* next = p;
        u32 lines = 0;
        ParseQuotedString(&s, p, &next, &lines, end);
        p = next > p ? next : p + 1;
    }
    GxString w;
    for (size_t i = 0; i + 1 < size; i += 2) w.push_back(GxChar(data[i] | data[i + 1] << 8));
    for (size_t i = 0; i < w.size(); i += 1 + w.size() / 16) {
        const GxChar* at = w.c_str() + i;
        const GxChar* stop = nullptr;
        ParseInteger(at, &stop, u32(data[0]) % 40, data[0] & 64);
        ParseInteger64(at, &stop, u32(data[0]) % 40, data[0] & 128);
        u32 len = 0;
        GxScanNumberLiteral(at, &len, w.c_str() + w.size());
        GxString q;
        const GxChar* next = nullptr;
        ParseQuotedStringW(&q, at, &next, nullptr, w.c_str() + w.size());
    }
    std::vector<GxString> fields;
    GxSplitString(&fields, w, u",", 8);
    GxSplitStringAll(&fields, w, u"\t");
    return 0;
}
