#pragma once
// One mounted pack archive: its 48-byte header and its whole directory held in
// memory (unscrambled), with a map from lower-cased entry name to entry. The
// pack file itself is not kept open: every entry open opens it anew.
//
// Layout (little-endian): 12 bytes unread; u32 name form at 12 (0: CP932
// names, else UTF-16LE); u32 unread; u32 scrambled at 20; u32 entry count at
// 24; u32 directory size at 28; 8 bytes unread; u64 data base offset at 40;
// then the directory. Each record: u32 length (itself included), u32 data
// size, 8 bytes unread, u64 last-write time, u64 data offset (from the data
// base offset), the NUL-terminated name, padding up to the length.
#include "base/GxTypes.h"

#include <map>
#include <vector>

struct GxPackEntry {
    u32 m_RecordLength = 0;
    u32 m_DataSize = 0;
    u64 m_FileTime = 0;
    u64 m_DataOffset = 0;
};

// The scrambling table that every pack written for the engine is scrambled with.
extern const u8 kGxPackScrambleTable[23];

// XORs each byte with the low byte of its position and the table's byte at
// position mod 23; its own inverse. position counts from the start of the
// record or of the entry's data.
void DescramblePackEntries(void* bytes, u32 count, u32 position);

class GxPackFileHeaderCache {
public:
    static constexpr u32 kHeaderSize = 48;
    // The longest name (in UTF-16 code units) a pack holds or a look-up takes.
    static constexpr size_t kNameMax = 521;

    GxPackFileHeaderCache();
    virtual ~GxPackFileHeaderCache();
    GxPackFileHeaderCache(const GxPackFileHeaderCache&) = delete;
    GxPackFileHeaderCache& operator=(const GxPackFileHeaderCache&) = delete;

    // Reads the header and directory and builds the name map. A directory
    // whose records do not fit it, or whose entries lie outside the file, is
    // refused with a logged error.
    bool Open(GxStringView path);
    // '\' is taken as '/', and the name is lower-cased as the map's keys are.
    const GxPackEntry* FindEntry(GxStringView path) const;
    void Release();

    bool IsOpen() const { return m_Open; }
    bool IsScrambled() const;
    u64 GetDataBaseOffset() const;
    const GxString& GetPath() const { return m_Path; }
    size_t GetEntryCount() const { return m_NameMap.size(); }

private:
    bool BuildDirectory(u64 fileSize);

    std::map<GxString, const GxPackEntry*> m_NameMap;
    u8 m_Header[kHeaderSize] = {};
    std::vector<u8> m_Directory;
    std::vector<GxPackEntry> m_Entries;
    bool m_Open = false;
    GxString m_Path;
};
