// A pack archive of any bytes: mounting it, looking names up and reading
// every entry that a name finds.
#include "fuzz/io/memory_file.h"
#include "io/GxFileSystem.h"
#include "io/GxPackFileHeaderCache.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1u << 20) return 0;
    qfuzz::MemoryFile file(data, size);
    if (!file.Ok()) return 0;
    GxPackFileHeaderCache pack;
    if (pack.Open(file.Path())) {
        for (const GxChar* name : {u"a", u"a.txt", u"system/sysconf.ini", u"bg\\タイトル.png", u""}) pack.FindEntry(name);
    }
    GxResetFileSystem();
    if (GxMountPackFile(file.Path())) {
        for (const GxChar* name : {u"a", u"b", u"A.TXT", u"se/a.ogg", u"bg/タイトル.png", u"system/sysconf.ini"}) {
            GxBinBuffer buf;
            GxLoadFile(&buf, name, false, true, kGxLoadFileAnySize);
            GxFileHandle h;
            if (GxFileOpen(&h, name)) {
                u8 chunk[64];
                GxFileSeek(&h, s64(size % 97), kGxSeekBegin);
                while (GxFileRead(chunk, sizeof chunk, &h) > 0) {
                }
                GxFileClose(&h);
            }
        }
    }
    GxResetFileSystem();
    return 0;
}
