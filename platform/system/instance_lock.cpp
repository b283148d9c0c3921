#include "platform/system/instance_lock.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace psys {
namespace {

// The longest file name most Linux file systems take, in bytes.
constexpr size_t kNameMax = 255;
// Room left for the title when it has to be cut: its hash and the ending.
constexpr size_t kCutTitleMax = 200;

uint64_t fnv1a(const std::string& s) {
    uint64_t h = 14695981039346656037ull;
    for (unsigned char c : s) {
        h ^= c;
        h *= 1099511628211ull;
    }
    return h;
}

} // namespace

std::string instance_lock::path_for(const std::string& title_utf8) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::string dir = "/tmp";
    std::string ending = ".lock";
    struct stat st {};
    if (runtime && *runtime && ::stat(runtime, &st) == 0 && S_ISDIR(st.st_mode)) {
        dir = runtime;
    } else {
        // Users share /tmp: one user's lock file must not lock out another.
        ending = "-" + std::to_string(::getuid()) + ".lock";
    }
    std::string name;
    for (char c : title_utf8) name += (c == '/' || static_cast<unsigned char>(c) < 0x20) ? '_' : c;
    if (name.empty() || name == "." || name == "..") name = "_" + name;
    if (name.size() + ending.size() > kNameMax) {
        // Cut on a character boundary, then tell titles apart by their hash.
        size_t cut = kCutTitleMax;
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
        char hash[20];
        std::snprintf(hash, sizeof hash, "~%016llx", static_cast<unsigned long long>(fnv1a(title_utf8)));
        name = name.substr(0, cut) + hash;
    }
    return dir + "/" + name + ending;
}

bool instance_lock::acquire(const std::string& title_utf8) {
    release();
    const std::string path = path_for(title_utf8);
    // Never blocks (a FIFO in its place) and never follows a planted link.
    return lock_opened(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600), path);
}

bool instance_lock::acquire_folder(const std::string& path) {
    release();
    // Not inherited by the programs the game starts (an editor outlives it).
    return lock_opened(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC), path);
}

bool instance_lock::lock_opened(int fd, const std::string& path) {
    const int open_error = errno;
    busy_ = false;
    failure_.clear();
    if (fd < 0) {
        failure_ = path + ": " + std::strerror(open_error);
        return false;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        ::close(fd);
        if (err == EWOULDBLOCK) busy_ = true;
        else failure_ = path + ": " + std::strerror(err);
        return false;
    }
    fd_ = fd;
    return true;
}

void instance_lock::release() {
    if (fd_ < 0) return;
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
    fd_ = -1;
}

} // namespace psys
