// An INI file of any bytes, and the getters over what it held.
#include "fuzz/io/memory_file.h"
#include "io/GxINIFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1u << 20) return 0;
    qfuzz::MemoryFile file(data, size);
    if (!file.Ok()) return 0;
    GxINIFile ini;
    if (ini.Load(file.Path(), true)) {
        GxString s;
        for (const GxChar* key : {u"", u"A", u"APP_TITLE", u"PACK_FILE_00", u"a"}) {
            ini.GetString(&s, key, u"");
            ini.GetInt(key, 0);
            ini.GetInt64(key, 0);
            ini.GetBool(key, false);
        }
    }
    return 0;
}
