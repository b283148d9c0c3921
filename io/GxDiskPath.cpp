#include "io/GxDiskPath.h"

#include "base/GxStringUtil.h"
#include "io/GxWideCase.h"
#include "base/GxMutex.h"
#include "platform/system/clock.h"
#include "platform/system/file_system.h"

#include <map>
#include <vector>

namespace {

bool Exists(const std::string& p) {
    psys::file_status st;
    return psys::status_of(p, &st);
}

// The names of one folder by their lower-cased form, so that a name that is
// not on disk (every file served from a pack) costs a stat, not a listing.
// A listing stands while the folder is the same one with the same
// modification time; since that time only moves in clock ticks, a name that
// is missing from a listing taken within two seconds of the folder's last
// change is looked for again in a new listing.
struct FolderNames {
    u64 device = 0;
    u64 inode = 0;
    s64 modifiedSeconds = 0;
    u32 modifiedNanoseconds = 0;
    s64 listedSeconds = 0;  // wall-clock time
    // Lower-cased name -> the smallest real name of that form, so the choice
    // does not depend on the order in which the folder lists its entries.
    std::map<GxString, std::string> names;
};

struct FolderCache {
    GxMutex mutex;
    std::map<std::string, FolderNames> folders;
};

FolderCache& Folders() {
    static FolderCache* c = new FolderCache;
    return *c;
}

bool SameFolder(const FolderNames& f, const psys::file_status& st) {
    return f.device == st.device && f.inode == st.inode && f.modifiedSeconds == st.modified_seconds &&
           f.modifiedNanoseconds == st.modified_nanoseconds;
}

void List(const std::string& dir, const psys::file_status& st, FolderNames* f) {
    f->device = st.device;
    f->inode = st.inode;
    f->modifiedSeconds = st.modified_seconds;
    f->modifiedNanoseconds = st.modified_nanoseconds;
    f->listedSeconds = psys::wall_time_seconds();
    f->names.clear();
    std::vector<std::string> names;
    psys::list_folder(dir, &names);
    for (const std::string& n : names) {
        auto [at, added] = f->names.emplace(GxToLowerWide(GxFromNativePath(n)), n);
        if (!added && n < at->second) at->second = n;
    }
}

bool FindFolded(const std::string& dir, const std::string& name, std::string* found) {
    const std::string key = dir.empty() ? "." : dir;
    psys::file_status st;
    if (!psys::status_of(key, &st) || st.kind != psys::file_kind::folder) return false;
    FolderCache& cache = Folders();
    GxMutexScopedLock lock(cache.mutex);
    auto it = cache.folders.find(key);
    bool fresh = false;
    if (it == cache.folders.end() || !SameFolder(it->second, st)) {
        // A bound on what is kept: folders listed long ago are simply listed again.
        if (it == cache.folders.end() && cache.folders.size() >= 256) cache.folders.clear();
        it = cache.folders.try_emplace(key).first;
        List(key, st, &it->second);
        fresh = true;
    }
    const GxString want = GxToLowerWide(GxFromNativePath(name));
    auto hit = it->second.names.find(want);
    if (hit == it->second.names.end() && !fresh && it->second.listedSeconds - st.modified_seconds < 2) {
        List(key, st, &it->second);
        hit = it->second.names.find(want);
    }
    if (hit == it->second.names.end()) return false;
    *found = hit->second;
    return true;
}

} // namespace

bool GxResolveDiskPath(GxStringView path, std::string* native) {
    if (path.empty()) return false;
    const std::string p = GxToNativePath(path);
    if (Exists(p)) {
        *native = p;
        return true;
    }
    std::string base = p[0] == '/' ? "/" : "";
    size_t start = 0;
    bool any = false;
    while (start <= p.size()) {
        size_t slash = p.find('/', start);
        if (slash == std::string::npos) slash = p.size();
        const std::string part = p.substr(start, slash - start);
        start = slash + 1;
        if (part.empty()) continue;
        std::string candidate = base + part;
        if (!Exists(candidate)) {
            std::string found;
            if (part == "." || part == ".." || !FindFolded(base, part, &found)) return false;
            candidate = base + found;
            if (!Exists(candidate)) return false;
        }
        base = candidate + "/";
        any = true;
    }
    if (!any) return false;
    base.pop_back();
    *native = base;
    return true;
}

void GxClearDiskPathCache() {
    FolderCache& cache = Folders();
    GxMutexScopedLock lock(cache.mutex);
    cache.folders.clear();
}
