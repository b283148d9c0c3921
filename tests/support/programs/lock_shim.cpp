// Preloaded into the real program by the process tests to give it the file
// systems a player may keep a save folder on, which this machine has not,
// and to hold copies at the moments where they could meet:
//   QUILLON_SHIM_FLOCK=folders  an exclusive flock on a descriptor not open
//                               for writing (a folder's, a file's opened for
//                               reading) fails with EBADF, as on NFS (only a
//                               descriptor open for writing takes one there)
//   QUILLON_SHIM_FLOCK=all      every flock fails with ENOLCK (no locks at all)
//   QUILLON_SHIM_NFS=elsewhere  every file system reads as NFS (statfs), and
//                               /proc/locks lists no lock, as where whoever
//                               holds one does so on another computer
//   QUILLON_SHIM_MKDIR_AFTER=F  mkdir of the folder that holds the file F
//                               first waits (10 s at most) until F exists:
//                               another copy made the folder first
//   QUILLON_SHIM_MKDIR_HELD=F   made once that mkdir waits
//   QUILLON_SHIM_FSYNC_NAME=S   an fsync of a file whose path holds S, once
//                               its bytes are written, first makes a file
//   QUILLON_SHIM_FSYNC_ARRIVED=D  named after the process in the folder D,
//   QUILLON_SHIM_FSYNC_WAIT=N   then waits until D holds N such files, and
//   QUILLON_SHIM_FSYNC_UNTIL=F  then until the file F exists (each 10 s at
//                               most): copies held inside their writes
//   QUILLON_SHIM_FSYNC2_NAME, _ARRIVED, _WAIT, _UNTIL  a second such hold,
//                               at writes of another file
//   QUILLON_SHIM_FSYNC2_COPY=D  the bytes of the file that hold is at are
//                               first copied into D, named after the process
//   QUILLON_SHIM_KEEP_NAME, _ARRIVED, _WAIT, _UNTIL  the same hold at a
//                               rename or link to a path that holds the
//                               name: copies keeping files at one moment
//   (each hold holds a process once, at its first such step)
//   QUILLON_SHIM_EXCHANGE=none  renameat2 takes no flags (EINVAL), as on NFS
//   QUILLON_SHIM_EXCHANGE_NAME, _ARRIVED, _WAIT  the same hold just after
//                               an exchange of names at a path that holds
//                               the name: copies that all tried theirs
//                               before any went on (all found nothing there)
//   QUILLON_SHIM_LINK_DELAY=MS  a link made (or tried) at a path that holds
//                               the QUILLON_SHIM_FSYNC_NAME then waits MS ms
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

namespace {

bool Is(const char* name, const char* value) {
    const char* v = std::getenv(name);
    return v && std::strcmp(v, value) == 0;
}

template <class F>
F Next(const char* symbol) {
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, symbol));
}

void Touch(const char* path) {
    const int fd = open(path, O_WRONLY | O_CREAT, 0666);
    if (fd >= 0) close(fd);
}

// Waits (10 s at most) until done says so.
template <class Done>
void WaitFor(Done done) {
    for (int i = 0; i < 1000 && !done(); ++i) usleep(10000);
}

void CopyFile(const char* from, const char* to) {
    const int in = open(from, O_RDONLY), out = open(to, O_WRONLY | O_CREAT | O_TRUNC, 0666);
    char buffer[65536];
    for (ssize_t n; in >= 0 && out >= 0 && (n = read(in, buffer, sizeof buffer)) > 0;)
        if (write(out, buffer, size_t(n)) != n) break;
    if (in >= 0) close(in);
    if (out >= 0) close(out);
}

int Entries(const char* dir) {
    int n = 0;
    if (DIR* d = opendir(dir)) {
        while (const dirent* e = readdir(d)) n += e->d_name[0] != '.';
        closedir(d);
    }
    return n;
}

} // namespace

extern "C" int flock(int fd, int operation) noexcept {
    if (Is("QUILLON_SHIM_FLOCK", "all")) {
        errno = ENOLCK;
        return -1;
    }
    if (Is("QUILLON_SHIM_FLOCK", "folders") && (operation & LOCK_EX) && (fcntl(fd, F_GETFL) & O_ACCMODE) == O_RDONLY) {
        errno = EBADF;
        return -1;
    }
    static const auto next = Next<int (*)(int, int)>("flock");
    return next(fd, operation);
}

extern "C" int statfs(const char* path, struct statfs* out) noexcept {
    static const auto next = Next<int (*)(const char*, struct statfs*)>("statfs");
    const int result = next(path, out);
    if (result == 0 && Is("QUILLON_SHIM_NFS", "elsewhere")) out->f_type = 0x6969;
    return result;
}

extern "C" FILE* fopen(const char* path, const char* mode) {
    static const auto next = Next<FILE* (*)(const char*, const char*)>("fopen");
    const bool elsewhere = Is("QUILLON_SHIM_NFS", "elsewhere") && std::strcmp(path, "/proc/locks") == 0;
    return next(elsewhere ? "/dev/null" : path, mode);
}

extern "C" int mkdir(const char* path, mode_t mode) noexcept {
    struct stat st {};
    const char* after = std::getenv("QUILLON_SHIM_MKDIR_AFTER");
    const char* slash = after ? std::strrchr(after, '/') : nullptr;
    if (slash && std::strlen(path) == size_t(slash - after) && std::strncmp(path, after, size_t(slash - after)) == 0) {
        if (const char* held = std::getenv("QUILLON_SHIM_MKDIR_HELD")) Touch(held);
        WaitFor([&] { return stat(after, &st) == 0; });
    }
    static const auto next = Next<int (*)(const char*, mode_t)>("mkdir");
    return next(path, mode);
}

// The hold (at an fsync, a keep or an exchange) of the variables that start
// with prefix, for the file at path; once for each process: a copy that
// keeps two files, or tries a second kept name, has arrived already.
static void HoldAt(const std::string& prefix, const char* path) {
    const char* name = std::getenv((prefix + "_NAME").c_str());
    const char* arrived = std::getenv((prefix + "_ARRIVED").c_str());
    if (!name || !arrived || !std::strstr(path, name)) return;
    static std::set<std::string> held;
    if (!held.insert(prefix).second) return;
    if (const char* copy = std::getenv((prefix + "_COPY").c_str())) CopyFile(path, (std::string(copy) + "/" + std::to_string(getpid())).c_str());
    Touch((std::string(arrived) + "/" + std::to_string(getpid())).c_str());
    const char* wait = std::getenv((prefix + "_WAIT").c_str());
    const int count = wait ? std::atoi(wait) : 0;
    WaitFor([&] { return Entries(arrived) >= count; });
    struct stat st {};
    if (const char* until = std::getenv((prefix + "_UNTIL").c_str())) WaitFor([&] { return stat(until, &st) == 0; });
}

extern "C" int fsync(int fd) noexcept {
    char path[4096] = {};
    const std::string link = "/proc/self/fd/" + std::to_string(fd);
    if (readlink(link.c_str(), path, sizeof path - 1) > 0) {
        HoldAt("QUILLON_SHIM_FSYNC", path);
        HoldAt("QUILLON_SHIM_FSYNC2", path);
    }
    static const auto next = Next<int (*)(int)>("fsync");
    return next(fd);
}

extern "C" int renameat2(int olddir, const char* from, int newdir, const char* to, unsigned int flags) noexcept {
    if (flags != 0 && Is("QUILLON_SHIM_EXCHANGE", "none")) {
        errno = EINVAL;
        return -1;
    }
    HoldAt("QUILLON_SHIM_KEEP", to);
    static const auto next = Next<int (*)(int, const char*, int, const char*, unsigned int)>("renameat2");
    const int result = next(olddir, from, newdir, to, flags);
    const int err = errno;
    if (flags & RENAME_EXCHANGE) HoldAt("QUILLON_SHIM_EXCHANGE", to);
    errno = err;
    return result;
}

extern "C" int rename(const char* from, const char* to) noexcept {
    HoldAt("QUILLON_SHIM_KEEP", to);
    static const auto next = Next<int (*)(const char*, const char*)>("rename");
    return next(from, to);
}

extern "C" int link(const char* from, const char* to) noexcept {
    HoldAt("QUILLON_SHIM_KEEP", to);
    static const auto next = Next<int (*)(const char*, const char*)>("link");
    const int result = next(from, to);
    const int err = errno;
    const char* name = std::getenv("QUILLON_SHIM_FSYNC_NAME");
    const char* delay = std::getenv("QUILLON_SHIM_LINK_DELAY");
    if (name && delay && std::strstr(to, name)) usleep(useconds_t(std::atoi(delay)) * 1000);
    errno = err;
    return result;
}
