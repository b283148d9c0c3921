#include "io/GxFileSystem.h"

#include "base/GxLog.h"
#include "base/GxMutex.h"
#include "base/GxStringUtil.h"
#include "io/GxDiskPath.h"

#include <limits>
#include <list>
#include <memory>

namespace {

struct FileSystem {
    GxMutex mutex;
    std::list<std::unique_ptr<GxPackFileHeaderCache>> packs;
    GxFileCache cache;
};

// Built on first use and never destroyed, so loads from threads that outlive
// static destruction stay safe.
FileSystem& Fs() {
    static FileSystem* fs = new FileSystem;
    return *fs;
}

u64 ModifiedNs(const psys::file_status& st) {
    return u64(st.modified_seconds) * 1000000000ull + u64(st.modified_nanoseconds);
}

u32 ClampSize(u64 size) { return size > std::numeric_limits<u32>::max() ? std::numeric_limits<u32>::max() : u32(size); }

// A regular file on disk, at its native path, with its status.
bool IsRegularFile(const std::string& native, psys::file_status* st) {
    return psys::status_of(native, st) && st->kind == psys::file_kind::regular;
}

const GxPackEntry* FindInPacks(const GxPackFileHeaderCache** pack, GxStringView path) {
    FileSystem& fs = Fs();
    GxMutexScopedLock lock(fs.mutex);
    for (const auto& p : fs.packs) {
        if (const GxPackEntry* e = p->FindEntry(path)) {
            if (pack) *pack = p.get();
            return e;
        }
    }
    return nullptr;
}

// A pack entry whose data does not lie inside its pack can never be read
// whole; it is refused before its stated size is allocated.
bool DataMissing(const GxFileHandle& file) { return file.GetPack() && !file.GetPack()->HoldsData(*file.GetEntry()); }

} // namespace

// A file larger than its kind can mean is refused before anything is
// allocated; so is one whose size no 32-bit count can hold, which would
// otherwise be read cut short as if it were whole.
bool GxRefuseTooLargeFile(const GxFileHandle& file, u32 maxSize, GxStringView path, bool silent) {
    if (file.GetFullSize() <= maxSize && file.GetFullSize() <= std::numeric_limits<u32>::max()) return false;
    if (!silent) GxWriteErrorLog(u"File too large(%I64u bytes, at most %u):%s\n", file.GetFullSize(), maxSize, path);
    return true;
}

int GxFileExists(GxStringView path) {
    std::string native;
    if (GxResolveDiskPath(path, &native)) return kGxFileOnDisk;
    return FindInPacks(nullptr, path) ? kGxFileInPack : kGxFileNotFound;
}

u32 GxGetFileSize(GxStringView path) {
    GxMutexScopedLock lock(Fs().mutex);
    std::string native;
    psys::file_status st;
    if (GxResolveDiskPath(path, &native) && IsRegularFile(native, &st)) return ClampSize(st.size);
    const GxPackEntry* e = FindInPacks(nullptr, path);
    return e ? e->m_DataSize : 0;
}

const GxPackEntry* GxPackFindEntry(const GxPackFileHeaderCache** pack, const GxPackEntry** entry, GxStringView path) {
    const GxPackFileHeaderCache* p = nullptr;
    const GxPackEntry* e = FindInPacks(&p, path);
    if (pack) *pack = p;
    if (entry) *entry = e;
    return e;
}

bool GxFileOpen(GxFileHandle* file, GxStringView path) {
    FileSystem& fs = Fs();
    GxMutexScopedLock lock(fs.mutex);
    std::string native;
    const bool onDisk = GxResolveDiskPath(path, &native);
    const GxPackFileHeaderCache* pack = nullptr;
    const GxPackEntry* entry = onDisk ? nullptr : FindInPacks(&pack, path);
    if (!onDisk && !entry) return false;
    if (file->IsOpen()) file->Close();
    // Opening never waits: a FIFO or a device where a game file should be is
    // refused, not read.
    if (onDisk) {
        if (!file->m_File.open(native)) return false;
        file->m_FullSize = file->m_File.status().size;
        file->m_Size = ClampSize(file->m_FullSize);
        file->m_FileTime = ModifiedNs(file->m_File.status());
    } else {
        std::string packNative;
        if (!GxResolveDiskPath(pack->GetPath(), &packNative)) return false;
        // A place no file offset can reach cannot be opened; data that only
        // runs past the end of the pack opens, and reads stop where it does.
        const u64 base = pack->GetDataBaseOffset() + entry->m_DataOffset;
        if (base < entry->m_DataOffset || base > u64(std::numeric_limits<s64>::max())) return false;
        if (!file->m_File.open(packNative)) return false;
        file->m_Size = entry->m_DataSize;
        file->m_FullSize = entry->m_DataSize;
        file->m_FileTime = entry->m_FileTime;
        file->m_Base = base;
        file->m_Scrambled = pack->IsScrambled();
        file->m_Pack = pack;
        file->m_Entry = entry;
    }
    file->m_Open = true;
    file->m_End = false;
    file->m_Position = 0;
    return true;
}

u32 GxFileRead(void* buffer, u32 count, GxFileHandle* file) {
    if (!file || !file->m_Open || file->m_End || !file->m_File.is_open()) return 0;
    const s64 left = s64(file->m_Size) - file->m_Position;
    if (left <= 0) return 0;
    if (s64(count) > left) count = u32(left);
    u8* out = static_cast<u8*>(buffer);
    const u32 done = u32(file->m_File.read_at(out, count, file->m_Base + u64(file->m_Position)));
    if (file->m_Scrambled) DescramblePackEntries(out, done, u32(file->m_Position));
    file->m_Position += done;
    if (file->m_Position >= s64(file->m_Size)) file->m_End = true;
    return done;
}

bool GxFileSeek(GxFileHandle* file, s64 offset, u32 origin) {
    if (!file || !file->m_Open || !file->m_File.is_open()) return false;
    s64 from;
    switch (origin) {
    case kGxSeekBegin: from = 0; break;
    case kGxSeekCurrent: from = file->m_Position; break;
    case kGxSeekEnd: from = s64(file->m_Size); break;
    default: return false;
    }
    s64 target;
    if (__builtin_add_overflow(from, offset, &target)) target = offset < 0 ? 0 : s64(file->m_Size);
    if (target > s64(file->m_Size)) target = s64(file->m_Size);
    if (target < 0) target = 0;
    file->m_Position = target;
    file->m_End = target >= s64(file->m_Size);
    return true;
}

s64 GxFileTell(const GxFileHandle* file) { return file ? file->GetPosition() : 0; }

void GxFileClose(GxFileHandle* file) {
    if (!file) return;
    GxMutexScopedLock lock(Fs().mutex);
    file->Close();
}

bool GxLoadFile(GxBinBuffer* out, GxStringView path, bool useCache, bool silent, u32 maxSize) {
    const GxString key = GxToLower(path);
    GxFileHandle file;
    if (!GxFileOpen(&file, path)) {
        if (!silent) GxWriteErrorLog(u"File open error or not exist:%s\n", path);
        return false;
    }
    GxFileCache& cache = Fs().cache;
    if (useCache && cache.FindCopy(key, file.GetFileTime(), out)) {
        GxFileClose(&file);
        return true;
    }
    if (GxRefuseTooLargeFile(file, maxSize, path, silent)) {
        out->Free();
        GxFileClose(&file);
        return false;
    }
    if (DataMissing(file)) {
        if (!silent) GxWriteErrorLog(u"File read error:%s\n", path);
        out->Free();
        GxFileClose(&file);
        return false;
    }
    const u32 size = file.GetSize();
    u8* data = out->Alloc(size);
    if (size == 0) {
        GxFileClose(&file);
        return true;
    }
    if (GxFileRead(data, size, &file) != size) {
        if (!silent) GxWriteErrorLog(u"File read error:%s\n", path);
        GxFileClose(&file);
        return false;
    }
    if (useCache) cache.Add(key, *out, file.GetFileTime());
    GxFileClose(&file);
    return true;
}

bool GxLoadFileNoCache(GxBinBuffer* out, GxStringView path, u32, bool silent, u32 maxSize) {
    GxFileHandle file;
    if (!GxFileOpen(&file, path)) {
        if (!silent) GxWriteErrorLog(u"File open error:%s\n", path);
        return false;
    }
    if (GxRefuseTooLargeFile(file, maxSize, path, silent)) {
        GxFileClose(&file);
        return false;
    }
    const u32 size = file.GetSize();
    // Room for the two zero bytes that end the text.
    if (size > std::numeric_limits<u32>::max() - 2 || DataMissing(file)) {
        if (!silent) GxWriteErrorLog(u"File read error:%s\n", path);
        GxFileClose(&file);
        return false;
    }
    u8* data = out->Alloc(size + 2);
    if (size != 0 && GxFileRead(data, size, &file) != size) {
        if (!silent) GxWriteErrorLog(u"File read error:%s\n", path);
        GxFileClose(&file);
        return false;
    }
    GxFileClose(&file);
    return true;
}

bool GxMountPackFile(GxStringView path) {
    FileSystem& fs = Fs();
    GxMutexScopedLock lock(fs.mutex);
    // Reading a FIFO given as a pack would wait for a writer that never comes.
    std::string native;
    psys::file_status st;
    if (!GxResolveDiskPath(path, &native) || !IsRegularFile(native, &st)) return false;
    auto pack = std::make_unique<GxPackFileHeaderCache>();
    if (!pack->Open(path)) return false;
    fs.packs.push_back(std::move(pack));
    return true;
}

bool GxMountPackFileReported(GxStringView path, bool optional) {
    if (GxMountPackFile(path)) return true;
    std::string native;
    if (!optional || GxResolveDiskPath(path, &native)) GxWriteErrorLog(u"Error/GxMountPackFile Failed(%s)\n", path);
    return false;
}

void GxUnmountAllPackFiles() {
    FileSystem& fs = Fs();
    GxMutexScopedLock lock(fs.mutex);
    while (!fs.packs.empty()) fs.packs.pop_front();
}

void GxSetFileCacheCapacity(u32 bytes) {
    GxMutexScopedLock lock(Fs().mutex);
    Fs().cache.SetCapacity(bytes);
}

void GxSetFileCacheMaxFileSize(u32 bytes) {
    GxMutexScopedLock lock(Fs().mutex);
    Fs().cache.SetMaxFileSize(bytes);
}

void GxSetFileCacheEnable(bool enable) {
    GxMutexScopedLock lock(Fs().mutex);
    Fs().cache.SetEnable(enable);
}

void GxClearFileCache() {
    GxMutexScopedLock lock(Fs().mutex);
    Fs().cache.Clear();
}

GxFileCache& GxGetFileCache() { return Fs().cache; }

void GxEndFileSystem() {
    GxClearFileCache();
    GxUnmountAllPackFiles();
}

void GxResetFileSystem() {
    GxEndFileSystem();
    GxMutexScopedLock lock(Fs().mutex);
    GxFileCache& c = Fs().cache;
    c.SetEnable(false);
    c.SetCapacity(0);
    c.SetMaxFileSize(0);
}
