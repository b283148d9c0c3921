#pragma once
// One mounted pack archive: its 48-byte header and its directory's entries
// held in memory, with a hashed index of the lower-cased entry names. The
// pack file itself is not kept open: every entry open opens it anew.
//
// Layout (little-endian): 12 bytes unread; u32 name form at 12 (0: CP932
// names, else UTF-16LE); u32 unread; u32 scrambled at 20; u32 entry count at
// 24; u32 directory size at 28; 8 bytes unread; u64 data base offset at 40;
// then the directory. Each record: u32 length (itself included), u32 data
// size, 8 bytes unread, u64 last-write time, u64 data offset (from the data
// base offset), the NUL-terminated name, padding up to the length.
#include "base/GxTypes.h"
#include "platform/system/file_system.h"

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
    // The longest directory record taken: the fixed fields, the longest name
    // and room to spare for padding.
    static constexpr u32 kRecordMax = 65536;

    GxPackFileHeaderCache();
    virtual ~GxPackFileHeaderCache();
    GxPackFileHeaderCache(const GxPackFileHeaderCache&) = delete;
    GxPackFileHeaderCache& operator=(const GxPackFileHeaderCache&) = delete;

    // Reads the header and directory and indexes the names. A directory whose
    // size does not fit its entry count or the file, or whose records do not
    // fit the directory, is refused with a logged error before anything of
    // its size is allocated. An entry whose data lies outside the file does
    // not stop the mount: reading it fails on its own.
    bool Open(GxStringView path);
    // '\' is taken as '/', and the name is lower-cased as the index's keys are.
    const GxPackEntry* FindEntry(GxStringView path) const;
    void Release();

    bool IsOpen() const { return m_Open; }
    bool IsScrambled() const;
    u64 GetDataBaseOffset() const;
    const GxString& GetPath() const { return m_Path; }
    // The names that can be looked up (a name held twice counts once).
    size_t GetEntryCount() const { return m_IndexCount; }
    // Whether the entry's bytes lay inside the pack file when it was mounted.
    bool HoldsData(const GxPackEntry& entry) const;

private:
    // Where an entry's lowered name lies in m_Names; an offset of kUnnamed
    // for a name too long to be looked up.
    static constexpr u32 kUnnamed = 0xFFFFFFFF;
    struct NameRef {
        u32 offset = 0;
        u32 length = 0;
    };
    struct Slot {
        u32 hash = 0;
        u32 entry = 0;  // index + 1; 0 for an empty slot
    };

    bool ReadDirectory(const psys::input_file& file);
    // Takes one unscrambled record; false when it is damaged.
    bool TakeRecord(const u8* record, u32 length, u32 index);
    void BuildIndex();
    GxStringView NameOf(u32 entry) const {
        return GxStringView(m_Names).substr(m_NameRefs[entry].offset, m_NameRefs[entry].length);
    }

    u8 m_Header[kHeaderSize] = {};
    u64 m_FileSize = 0;
    std::vector<GxPackEntry> m_Entries;
    // Every entry's name, lowered, one after another.
    GxString m_Names;
    std::vector<NameRef> m_NameRefs;
    // Open addressing on a hash of the lowered name, at most half full; the
    // first entry of a name is the one entered.
    std::vector<Slot> m_Index;
    size_t m_IndexCount = 0;
    bool m_Open = false;
    GxString m_Path;
};
