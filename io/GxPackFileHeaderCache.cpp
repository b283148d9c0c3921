#include "io/GxPackFileHeaderCache.h"

#include "base/GxLog.h"
#include "base/GxStringUtil.h"
#include "io/GxDiskPath.h"
#include "io/GxWideCase.h"

#include <cstdio>
#include <cstring>
#include <sys/stat.h>

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
    m_NameMap.clear();
    m_Entries.clear();
    m_Directory.clear();
    m_Directory.shrink_to_fit();
    m_Path.clear();
    m_Open = false;
}

bool GxPackFileHeaderCache::IsScrambled() const { return LE32(m_Header + 20) != 0; }

u64 GxPackFileHeaderCache::GetDataBaseOffset() const { return LE64(m_Header + 40); }

bool GxPackFileHeaderCache::Open(GxStringView path) {
    if (!m_Directory.empty() || m_Open) Release();
    std::string native;
    if (!GxResolveDiskPath(path, &native)) return false;
    FILE* f = std::fopen(native.c_str(), "rb");
    if (!f) return false;
    struct stat st;
    if (::fstat(fileno(f), &st) != 0 || !S_ISREG(st.st_mode)) {
        std::fclose(f);
        return false;
    }
    const u64 fileSize = u64(st.st_size);
    if (std::fread(m_Header, kHeaderSize, 1, f) != 1) {
        std::fclose(f);
        Release();
        return false;
    }
    const u32 dirSize = LE32(m_Header + 28);
    // The stated size is checked against the file before it is allocated.
    if (dirSize > fileSize - kHeaderSize) {
        std::fclose(f);
        Release();
        return false;
    }
    m_Directory.resize(dirSize);
    if (dirSize && std::fread(m_Directory.data(), dirSize, 1, f) != 1) {
        std::fclose(f);
        Release();
        return false;
    }
    std::fclose(f);
    m_Path = GxString(path);
    if (!BuildDirectory(fileSize)) {
        Release();
        return false;
    }
    m_Open = true;
    return true;
}

bool GxPackFileHeaderCache::BuildDirectory(u64 fileSize) {
    const u32 count = LE32(m_Header + 24);
    const bool wide = LE32(m_Header + 12) != 0;
    const bool scrambled = IsScrambled();
    const u64 base = GetDataBaseOffset();
    const u32 dirSize = u32(m_Directory.size());
    const u32 terminator = wide ? 2 : 1;
    auto bad = [&](u32 index) {
        GxWriteErrorLog(u"Error/GxPackFileHeaderCache Bad Directory Record(Index:%u Path:\"%s\")\n", index, m_Path);
        return false;
    };
    // Every record takes at least its fixed fields and a terminator.
    if (u64(count) * (kRecordFixed + terminator) > dirSize) return bad(0);
    m_Entries.reserve(count);
    std::vector<GxString> names;
    names.reserve(count);
    u32 offset = 0;
    for (u32 i = 0; i < count; ++i) {
        u8* rec = m_Directory.data() + offset;
        const u32 left = dirSize - offset;
        if (left < 4) return bad(i);
        if (scrambled) DescramblePackEntries(rec, 4, 0);
        const u32 length = LE32(rec);
        if (length < kRecordFixed + terminator || length > left) return bad(i);
        if (scrambled) DescramblePackEntries(rec + 4, length - 4, 4);
        GxPackEntry e;
        e.m_RecordLength = length;
        e.m_DataSize = LE32(rec + 4);
        e.m_FileTime = LE64(rec + 16);
        e.m_DataOffset = LE64(rec + 24);
        // The entry's bytes must lie inside the pack file.
        const u64 start = base + e.m_DataOffset;
        if (start < base || start > fileSize || e.m_DataSize > fileSize - start) return bad(i);
        GxString name;
        const u8* n = rec + kRecordFixed;
        const u32 room = length - kRecordFixed;
        if (wide) {
            u32 k = 0;
            while (k + 1 < room && (n[k] | n[k + 1]) != 0) {
                name.push_back(GxChar(n[k] | n[k + 1] << 8));
                k += 2;
            }
            if (k + 1 >= room) return bad(i);
        } else {
            const void* zero = std::memchr(n, 0, room);
            if (!zero) return bad(i);
            name = GxFromAnsi(std::string_view(reinterpret_cast<const char*>(n), size_t(static_cast<const u8*>(zero) - n)));
        }
        m_Entries.push_back(e);
        names.push_back(std::move(name));
        offset += length;
    }
    for (u32 i = 0; i < count; ++i) {
        if (names[i].size() > kNameMax) {
            GxWriteErrorLog(u"Error/GxPackFileHeaderCache Name Too Long(Index:%u Path:\"%s\")\n", i, m_Path);
            continue;
        }
        // The first record of a name wins.
        m_NameMap.emplace(GxToLowerWide(names[i]), &m_Entries[i]);
    }
    return true;
}

const GxPackEntry* GxPackFileHeaderCache::FindEntry(GxStringView path) const {
    if (path.size() > kNameMax) return nullptr;
    GxString key(path);
    for (auto& c : key) c = c == u'\\' ? u'/' : GxWideToLower(c);
    auto it = m_NameMap.find(key);
    return it == m_NameMap.end() ? nullptr : it->second;
}
