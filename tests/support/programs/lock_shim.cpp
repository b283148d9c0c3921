// Preloaded into the real program by the process tests to give it the file
// systems a player may keep a save folder on, which this machine has not:
//   QUILLON_SHIM_FLOCK=folders  an exclusive flock on a folder fails with
//                               EBADF, as on NFS (only a descriptor open for
//                               writing takes one there)
//   QUILLON_SHIM_FLOCK=all      every flock fails with ENOLCK (no locks at all)
//   QUILLON_SHIM_MKDIR_AFTER=F  mkdir of the folder that holds the file F
//                               first waits (10 s at most) until F exists:
//                               another copy made the folder first
#include <dlfcn.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

bool Is(const char* name, const char* value) {
    const char* v = std::getenv(name);
    return v && std::strcmp(v, value) == 0;
}

template <class F>
F Next(const char* symbol) {
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, symbol));
}

} // namespace

extern "C" int flock(int fd, int operation) noexcept {
    struct stat st {};
    if (Is("QUILLON_SHIM_FLOCK", "all")) {
        errno = ENOLCK;
        return -1;
    }
    if (Is("QUILLON_SHIM_FLOCK", "folders") && (operation & LOCK_EX) && fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        errno = EBADF;
        return -1;
    }
    static const auto next = Next<int (*)(int, int)>("flock");
    return next(fd, operation);
}

extern "C" int mkdir(const char* path, mode_t mode) noexcept {
    struct stat st {};
    const char* after = std::getenv("QUILLON_SHIM_MKDIR_AFTER");
    const char* slash = after ? std::strrchr(after, '/') : nullptr;
    if (slash && std::strlen(path) == size_t(slash - after) && std::strncmp(path, after, size_t(slash - after)) == 0)
        for (int i = 0; i < 1000 && stat(after, &st) != 0; ++i) usleep(10000);
    static const auto next = Next<int (*)(const char*, mode_t)>("mkdir");
    return next(path, mode);
}
