#include "tools/builders/ContentBytes.h"

#include "io/GxContentBinaryWriter.h"
#include "io/GxContentTextWriter.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace qtest {

std::vector<unsigned char> WriteContentBytes(bool text, const char* kind, u32 version,
                                             const std::function<void(GxContentWriterBase&)>& body) {
    char* data = nullptr;
    size_t size = 0;
    FILE* f = open_memstream(&data, &size);
    if (!f) return {};
    {
        std::unique_ptr<GxContentWriterBase> w;
        if (text)
            w = std::make_unique<GxContentTextWriter>(f);
        else
            w = std::make_unique<GxContentBinaryWriter>(f);
        const std::string magic = std::string(text ? "T" : "B") + kind;
        w->WriteHeader(magic.c_str(), version);
        body(*w);
    }
    std::fclose(f);
    std::vector<unsigned char> out(data, data + size);
    std::free(data);
    return out;
}

} // namespace qtest
