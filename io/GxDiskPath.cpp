#include "io/GxDiskPath.h"

#include "base/GxStringUtil.h"
#include "io/GxWideCase.h"
#include "base/GxMutex.h"

#include <map>

#include <ctime>
#include <dirent.h>
#include <sys/stat.h>

namespace {

bool Exists(const std::string& p) {
    struct stat st;
    return ::stat(p.c_str(), &st) == 0;
}

// The names of one folder by their lower-cased form, so that a name that is
// not on disk (every file served from a pack) costs a stat, not a listing.
// A listing stands while the folder is the same one with the same
// modification time; since that time only moves in clock ticks, a name that
// is missing from a listing taken within two seconds of the folder's last
// change is looked for again in a new listing.
struct FolderNames {
    dev_t device = 0;
    ino_t inode = 0;
    struct timespec modified{};
    struct timespec listed{};
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

bool SameTime(const struct timespec& a, const struct timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

void List(const std::string& dir, const struct stat& st, FolderNames* f) {
    f->device = st.st_dev;
    f->inode = st.st_ino;
    f->modified = st.st_mtim;
    clock_gettime(CLOCK_REALTIME, &f->listed);
    f->names.clear();
    DIR* d = ::opendir(dir.c_str());
    if (!d) return;
    while (const dirent* e = ::readdir(d)) {
        const std::string n = e->d_name;
        if (n == "." || n == "..") continue;
        auto [at, added] = f->names.emplace(GxToLowerWide(GxFromNativePath(n)), n);
        if (!added && n < at->second) at->second = n;
    }
    ::closedir(d);
}

bool FindFolded(const std::string& dir, const std::string& name, std::string* found) {
    const std::string key = dir.empty() ? "." : dir;
    struct stat st;
    if (::stat(key.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
    FolderCache& cache = Folders();
    GxMutexScopedLock lock(cache.mutex);
    auto it = cache.folders.find(key);
    bool fresh = false;
    if (it == cache.folders.end() || it->second.device != st.st_dev || it->second.inode != st.st_ino ||
        !SameTime(it->second.modified, st.st_mtim)) {
        // A bound on what is kept: folders listed long ago are simply listed again.
        if (it == cache.folders.end() && cache.folders.size() >= 256) cache.folders.clear();
        it = cache.folders.try_emplace(key).first;
        List(key, st, &it->second);
        fresh = true;
    }
    const GxString want = GxToLowerWide(GxFromNativePath(name));
    auto hit = it->second.names.find(want);
    if (hit == it->second.names.end() && !fresh && it->second.listed.tv_sec - st.st_mtim.tv_sec < 2) {
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
