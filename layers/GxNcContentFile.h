#pragma once
// A content stream read from a whole file or from bytes in memory, with the
// reader its first byte selects and its header checked: 'T' selects the text
// form and "T" + kind as magic, 'B' the binary form and "B" + kind. Image sets
// refuse any other first byte; projects read anything else as binary (and so
// fail the header check).
#include "io/GxBinBuffer.h"
#include "io/GxContentReaderBase.h"
#include "io/GxFileSystem.h"

#include <memory>

class GxNcContentFile {
public:
    // A first byte other than 'T' or 'B': refused, or read as binary.
    enum class OtherForms { Refuse, AsBinary };

    // The whole file without the file cache; false when it is missing, empty,
    // larger than maxSize, of a refused form or has a wrong magic. The
    // reader's first complaint names the file.
    bool Open(GxStringView path, const char* kind, OtherForms other, bool silent, u32 maxSize);
    // The same over bytes the caller keeps alive while reading.
    bool OpenBytes(const u8* data, u32 size, const char* kind, OtherForms other);

    GxContentReaderBase* GetReader() { return m_Reader.get(); }
    // Whether the last open failed at the header, which the reader then
    // said (naming the file when it had one).
    bool HeaderRefused() const { return m_HeaderRefused; }

private:
    // name: the file, for the reader's first complaint (empty: none).
    bool OpenReader(const u8* data, u32 size, const char* kind, OtherForms other, GxStringView name);

    GxBinBuffer m_Buffer;
    std::unique_ptr<GxContentReaderBase> m_Reader;
    bool m_HeaderRefused = false;
};
