#include "io/GxContentWriterBase.h"

#include "base/GxLog.h"

#include <cstring>

bool GxContentWriterBase::AcceptHeader(const GxChar* writer, const char* magic, u32 version) {
    if (magic && std::strlen(magic) > kGxContentMagicMax) {
        GxWriteErrorLog(u"%s/Header String Too Long(Limit=%d Chars)\n", writer, int(kGxContentMagicMax));
        return false;
    }
    m_Version = version;
    return true;
}
