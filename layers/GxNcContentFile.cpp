#include "layers/GxNcContentFile.h"

#include "io/GxContentBinaryReader.h"
#include "io/GxContentTextReader.h"
#include "io/GxFileSystem.h"

#include <string>

bool GxNcContentFile::Open(GxStringView path, const char* kind, OtherForms other, bool silent, u32 maxSize) {
    m_Reader.reset();
    m_HeaderRefused = false;
    if (!GxLoadFile(&m_Buffer, path, false, silent, maxSize)) return false;
    return OpenReader(m_Buffer.GetData(), m_Buffer.GetSize(), kind, other, path);
}

bool GxNcContentFile::OpenBytes(const u8* data, u32 size, const char* kind, OtherForms other) {
    return OpenReader(data, size, kind, other, u"");
}

bool GxNcContentFile::OpenReader(const u8* data, u32 size, const char* kind, OtherForms other, GxStringView name) {
    m_Reader.reset();
    m_HeaderRefused = false;
    if (!data || size == 0) return false;
    char form = char(data[0]);
    if (form != 'T' && form != 'B') {
        if (other == OtherForms::Refuse) return false;
        form = 'B';
    }
    if (form == 'T')
        m_Reader = std::make_unique<GxContentTextReader>(data, size, true);
    else
        m_Reader = std::make_unique<GxContentBinaryReader>(data, size, true);
    m_Reader->SetSourceName(name);
    const std::string magic = std::string(1, form) + kind;
    u32 version = 0;
    if (!m_Reader->ReadHeader(magic.c_str(), &version)) {
        m_Reader.reset();
        m_HeaderRefused = true;
        return false;
    }
    return true;
}
