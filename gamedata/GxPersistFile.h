#pragma once
// The file handling shared by the settings, the save games and the permanent
// data. Writing goes through a temporary file that replaces the old file only
// once every byte is on the disk, so a crash or a full disk costs nothing but
// the write itself; reading loads the file whole and checks its magic before
// anything is read.
#include "base/GxTypes.h"
#include "io/GxBinBuffer.h"

#include <functional>
#include <memory>
#include <set>

class GxContentReaderBase;
class GxContentWriterBase;

class GxPersistFile {
public:
    // The version every persistence file is written with.
    static constexpr u32 kVersion = 100;
    // No settings, permanent data or save game comes near this; a file that
    // claims more is not read whole into memory.
    static constexpr u64 kMaxFileBytes = 64ull << 20;

    // The files of one holder whose load failed (they held something that
    // could not be read): each is kept aside by the first write over it, so
    // that nothing a damaged or unreadable file still holds is lost to a
    // save.
    class UnreadFiles {
    public:
        void Mark(const GxString& path) { m_Paths.insert(path); }
        bool Contains(const GxString& path) const { return m_Paths.count(path) != 0; }
        void Forget(const GxString& path) { m_Paths.erase(path); }

    private:
        std::set<GxString> m_Paths;
    };
    // The first kept copy of a file is "<name>.damaged", later ones
    // "<name>.2.damaged" and on (KeptFilePath, n from 1). A copy kept before
    // is never replaced; once kMaxKeptFiles stand nothing more is kept (a
    // file damaged at every start must not fill the disk), and a line says so.
    static constexpr u32 kMaxKeptFiles = 8;
    static GxString KeptFilePath(const GxString& path, u32 n);

    // Writes the header (magic, version) and then the body. True only when the
    // body returned true and the file reached the disk whole and replaced the
    // old one; otherwise the old file stays, and a failed write is logged
    // under who. When unread names the path, or a file stands there that
    // does not open, the old file is kept aside once the new bytes are on
    // the disk and before they replace it.
    static bool Write(const GxString& path, bool binary, const char* magic, const GxChar* who,
                      const std::function<bool(GxContentWriterBase&)>& body, UnreadFiles* unread = nullptr);
    // Loads the file whole, without the cache, into buffer and opens a
    // verbose reader on it past the header: the text reader when textMagic is
    // given and the first byte is 'T', otherwise the binary reader with
    // binaryMagic. The reader's complaints name the file. Null when nothing
    // is at the path, the file is empty, or it cannot be read, is too large or
    // has another magic; in the last three cases the file is marked in unread
    // and one line naming it is logged (under who, or by the reader).
    // notRead, when given, is set when a file stands at the path whose bytes
    // were not read: it cannot be opened or read, or is too large.
    static std::unique_ptr<GxContentReaderBase> Open(const GxString& path, GxBinBuffer* buffer, const char* textMagic,
                                                     const char* binaryMagic, const GxChar* who, UnreadFiles* unread,
                                                     bool* notRead = nullptr);

    // A count read from a file (a plain u32 value, or a list's begin) is
    // believed only when the bytes left could hold that many values of at
    // least minBytes each; otherwise it is refused with a log line under who
    // and read as 0. False when the count was not read or was refused.
    static bool ReadCount(GxContentReaderBase& reader, const char* name, u32 minBytes, const GxChar* who, u32* count);
    static bool ReadListBegin(GxContentReaderBase& reader, const char* name, u32 minBytes, const GxChar* who,
                              u32* count);
    // Skips values up to and including the end marker that closes the level
    // the reader is in (a list's or a tree stratum's), stepping over nested
    // levels of the same kind. False when the data ends first.
    static bool SkipToEnd(GxContentReaderBase& reader, u32 beginCode, u32 endCode);
    // The smallest stored value: a type code and four bytes in the binary
    // form (the text form's lines are longer).
    static constexpr u32 kMinValueBytes = 5;
};
