#include "io/GxDiskPath.h"

#include "core/base/GxStringUtil.h"
#include "io/GxWideCase.h"

#include <dirent.h>
#include <sys/stat.h>

namespace {

bool Exists(const std::string& p) {
    struct stat st;
    return ::stat(p.c_str(), &st) == 0;
}

// The entry of dir whose name equals name without regard to case; the
// smallest such name when several do, so the choice does not depend on the
// order in which the folder lists them.
bool FindFolded(const std::string& dir, const std::string& name, std::string* found) {
    DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
    if (!d) return false;
    const GxString want = GxToLowerWide(GxFromUtf8(name));
    bool any = false;
    while (const dirent* e = ::readdir(d)) {
        const std::string n = e->d_name;
        if (n == "." || n == "..") continue;
        if (GxToLowerWide(GxFromUtf8(n)) != want) continue;
        if (!any || n < *found) *found = n;
        any = true;
    }
    ::closedir(d);
    return any;
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
        }
        base = candidate + "/";
        any = true;
    }
    if (!any) return false;
    base.pop_back();
    *native = base;
    return true;
}
