#include "tools/builders/ContentBytes.h"

#include "io/GxContentBinaryWriter.h"
#include "io/GxContentTextWriter.h"
#include "platform/system/file_system.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace qtest {

std::vector<unsigned char> WriteContentBytes(bool text, const char* kind, u32 version,
                                             const std::function<void(GxContentWriterBase&)>& body) {
    psys::memory_stream memory;
    if (!memory.stream()) return {};
    {
        std::unique_ptr<GxContentWriterBase> w;
        if (text)
            w = std::make_unique<GxContentTextWriter>(memory.stream());
        else
            w = std::make_unique<GxContentBinaryWriter>(memory.stream());
        const std::string magic = std::string(text ? "T" : "B") + kind;
        w->WriteHeader(magic.c_str(), version);
        body(*w);
    }
    return memory.bytes();
}

} // namespace qtest
