#include "io/GxPackFileHeaderCache.h"

#include "base/GxLog.h"
#include "io/GxCp932.h"
#include "io/GxDiskPath.h"
#include "io/GxWideCase.h"

#include <algorithm>
#include <cstring>

const u8 kGxPackScrambleTable[23] = {0x5A, 0xC3, 0x1F, 0x88, 0x27, 0xE4, 0x6B, 0x90, 0x3D, 0xB2, 0x71, 0x0E,
                                     0xD9, 0x46, 0xA5, 0x13, 0xFC, 0x58, 0x8F, 0x32, 0xC7, 0x6E, 0x9B};

namespace {

// The key of position p is (p & 0xFF) ^ table[p % 23]; it repeats every
// 256 * 23 bytes. Two periods in a row let any run of up to one period be
// XORed from one contiguous stretch of keys.
constexpr u32 kKeyPeriod = 256 * 23;

struct KeyStream {
    u8 bytes[2 * kKeyPeriod];
    KeyStream() {
        for (u32 p = 0; p < 2 * kKeyPeriod; ++p) bytes[p] = u8(p & 0xFF) ^ kGxPackScrambleTable[p % 23];
    }
};

const KeyStream& Keys() {
    static const KeyStream k;
    return k;
}

void XorRun(u8* d, const u8* k, u32 n) {
    u32 i = 0;
    for (; i + 8 <= n; i += 8) {
        u64 a, b;
        std::memcpy(&a, d + i, 8);
        std::memcpy(&b, k + i, 8);
        a ^= b;
        std::memcpy(d + i, &a, 8);
    }
    for (; i < n; ++i) d[i] ^= k[i];
}

u32 LE32(const u8* p) { return u32(p[0]) | u32(p[1]) << 8 | u32(p[2]) << 16 | u32(p[3]) << 24; }
u64 LE64(const u8* p) { return u64(LE32(p)) | u64(LE32(p + 4)) << 32; }

constexpr u32 kRecordFixed = 32;

u32 NameHash(GxStringView name) {
    u32 h = 2166136261u;
    for (GxChar c : name) h = (h ^ c) * 16777619u;
    return h;
}

} // namespace

void DescramblePackEntries(void* bytes, u32 count, u32 position) {
    u8* d = static_cast<u8*>(bytes);
    const KeyStream& keys = Keys();
    while (count > 0) {
        // Positions wrap at 2^32, where the key pattern breaks off: a run
        // never crosses that point.
        const u64 toWrap = (u64(1) << 32) - position;
        u32 run = count < kKeyPeriod ? count : kKeyPeriod;
        if (run > toWrap) run = u32(toWrap);
        XorRun(d, keys.bytes + position % kKeyPeriod, run);
        d += run;
        count -= run;
        position += run;
    }
}

GxPackFileHeaderCache::GxPackFileHeaderCache() = default;

GxPackFileHeaderCache::~GxPackFileHeaderCache() { Release(); }

void GxPackFileHeaderCache::Release() {
    std::memset(m_Header, 0, sizeof m_Header);
    m_FileSize = 0;
    m_Entries = {};
    m_Names = {};
    m_NameRefs = {};
    m_Index = {};
    m_IndexCount = 0;
    m_Path.clear();
    m_Open = false;
}

bool GxPackFileHeaderCache::IsScrambled() const { return LE32(m_Header + 20) != 0; }

u64 GxPackFileHeaderCache::GetDataBaseOffset() const { return LE64(m_Header + 40); }

bool GxPackFileHeaderCache::HoldsData(const GxPackEntry& entry) const {
    const u64 base = GetDataBaseOffset();
    const u64 start = base + entry.m_DataOffset;
    return start >= base && start <= m_FileSize && entry.m_DataSize <= m_FileSize - start;
}

bool GxPackFileHeaderCache::Open(GxStringView path) {
    if (m_Open || !m_Entries.empty()) Release();
    std::string native;
    if (!GxResolveDiskPath(path, &native)) return false;
    psys::input_file f;
    if (!f.open(native)) return false;
    m_FileSize = f.status().size;
    m_Path = GxString(path);
    const bool ok = f.read_at(m_Header, kHeaderSize, 0) == kHeaderSize && ReadDirectory(f);
    if (!ok) {
        Release();
        return false;
    }
    BuildIndex();
    m_Open = true;
    return true;
}

bool GxPackFileHeaderCache::ReadDirectory(const psys::input_file& file) {
    const u32 count = LE32(m_Header + 24);
    const u32 dirSize = LE32(m_Header + 28);
    const bool scrambled = IsScrambled();
    const u32 minRecord = kRecordFixed + (LE32(m_Header + 12) != 0 ? 2 : 1);
    // The count and the size vouch for each other, and the file for both,
    // before anything of their size is allocated: a damaged header must not
    // cost gigabytes of memory and a read of the whole file.
    if (dirSize > m_FileSize - kHeaderSize || u64(count) * minRecord > dirSize ||
        u64(dirSize) > (u64(count) + 1) * kRecordMax) {
        GxWriteErrorLog(u"Error/GxPackFileHeaderCache Bad Directory Size(Count:%u Size:%u Path:\"%s\")\n", count,
                        dirSize, m_Path);
        return false;
    }
    auto bad = [&](u32 index) {
        GxWriteErrorLog(u"Error/GxPackFileHeaderCache Bad Directory Record(Index:%u Path:\"%s\")\n", index, m_Path);
        return false;
    };
    // The directory is read a piece at a time, so that memory follows the
    // records found rather than the size stated.
    std::vector<u8> buffer(std::min<u32>(dirSize, 1u << 20));
    size_t begin = 0, end = 0;  // the unread part of the buffer
    u32 unread = dirSize;       // of the directory, not yet in the buffer
    u64 at = kHeaderSize;       // where the unread part lies in the file
    // Makes n bytes ready from begin; false when the directory ends first.
    auto ready = [&](u32 n) {
        if (end - begin >= n) return true;
        std::memmove(buffer.data(), buffer.data() + begin, end - begin);
        end -= begin;
        begin = 0;
        const u32 take = u32(std::min<u64>(unread, buffer.size() - end));
        if (take && file.read_at(buffer.data() + end, take, at) != take) return false;
        at += take;
        end += take;
        unread -= take;
        return end - begin >= n;
    };
    // Room grows with the records read, not with the count the header states.
    m_Entries.reserve(std::min<u32>(count, 1u << 16));
    m_NameRefs.reserve(m_Entries.capacity());
    for (u32 i = 0; i < count; ++i) {
        if (!ready(4)) return bad(i);
        u8 head[4];
        std::memcpy(head, buffer.data() + begin, 4);
        if (scrambled) DescramblePackEntries(head, 4, 0);
        const u32 length = LE32(head);
        if (length < minRecord || length > kRecordMax || length > end - begin + unread || !ready(length))
            return bad(i);
        // Positions count from the record's start: its length field, then
        // the rest, is one run from 0.
        u8* record = buffer.data() + begin;
        if (scrambled) DescramblePackEntries(record, length, 0);
        if (!TakeRecord(record, length, i)) return bad(i);
        begin += length;
    }
    return true;
}

bool GxPackFileHeaderCache::TakeRecord(const u8* record, u32 length, u32 index) {
    GxPackEntry e;
    e.m_RecordLength = length;
    e.m_DataSize = LE32(record + 4);
    e.m_FileTime = LE64(record + 16);
    e.m_DataOffset = LE64(record + 24);
    const u8* n = record + kRecordFixed;
    const u32 room = length - kRecordFixed;
    const size_t from = m_Names.size();
    if (LE32(m_Header + 12) != 0) {
        u32 k = 0;
        while (k + 1 < room && (n[k] | n[k + 1]) != 0) {
            m_Names.push_back(GxWideToLower(GxChar(n[k] | n[k + 1] << 8)));
            k += 2;
        }
        if (k + 1 >= room) return false;
    } else {
        const void* zero = std::memchr(n, 0, room);
        if (!zero) return false;
        GxAppendCp932(std::string_view(reinterpret_cast<const char*>(n), size_t(static_cast<const u8*>(zero) - n)),
                      &m_Names);
        for (size_t k = from; k < m_Names.size(); ++k) m_Names[k] = GxWideToLower(m_Names[k]);
    }
    NameRef ref{u32(from), u32(m_Names.size() - from)};
    if (ref.length > kNameMax) {
        GxWriteErrorLog(u"Error/GxPackFileHeaderCache Name Too Long(Index:%u Path:\"%s\")\n", index, m_Path);
        m_Names.resize(from);
        ref = {kUnnamed, 0};
    }
    m_Entries.push_back(e);
    m_NameRefs.push_back(ref);
    return true;
}

void GxPackFileHeaderCache::BuildIndex() {
    size_t slots = 16;
    while (slots < 2 * m_Entries.size()) slots *= 2;
    m_Index.assign(slots, Slot());
    const size_t mask = slots - 1;
    for (u32 i = 0; i < m_Entries.size(); ++i) {
        if (m_NameRefs[i].offset == kUnnamed) continue;
        const GxStringView name = NameOf(i);
        const u32 hash = NameHash(name);
        for (size_t k = hash & mask;; k = (k + 1) & mask) {
            Slot& slot = m_Index[k];
            if (slot.entry == 0) {
                slot = {hash, i + 1};
                ++m_IndexCount;
                break;
            }
            // The first record of a name wins.
            if (slot.hash == hash && NameOf(slot.entry - 1) == name) break;
        }
    }
}

const GxPackEntry* GxPackFileHeaderCache::FindEntry(GxStringView path) const {
    if (path.size() > kNameMax || m_Index.empty()) return nullptr;
    GxChar key[kNameMax];
    for (size_t i = 0; i < path.size(); ++i) key[i] = path[i] == u'\\' ? u'/' : GxWideToLower(path[i]);
    const GxStringView name(key, path.size());
    const u32 hash = NameHash(name);
    const size_t mask = m_Index.size() - 1;
    for (size_t k = hash & mask;; k = (k + 1) & mask) {
        const Slot& slot = m_Index[k];
        if (slot.entry == 0) return nullptr;
        if (slot.hash == hash && NameOf(slot.entry - 1) == name) return &m_Entries[slot.entry - 1];
    }
}
