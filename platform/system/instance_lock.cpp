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
    fd_ = lock_opened(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600), path);
    return held();
}

bool instance_lock::acquire_folder(const std::string& path) {
    release();
    // Not inherited by the programs the game starts (an editor outlives it).
    fd_ = lock_opened(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC), path);
    if (busy_) return false;
    const std::string folder_failure = failure_;
    // The folder cannot be locked where it cannot be listed (a shared folder
    // others may only write into) or where an exclusive lock needs a
    // descriptor open for writing (NFS, SMB). A copy that locks the folder
    // also takes the file, so that one that can only take the file still
    // sees it.
    const std::string file_path = path + "/" + kFolderLockName;
    file_fd_ = lock_opened(open_lock_file(file_path), file_path);
    if (busy_) {
        release();
        return false;
    }
    if (held()) {
        failure_.clear();
        return true;
    }
    failure_ = folder_failure + "; " + failure_;
    return false;
}

int instance_lock::lock_opened(int fd, const std::string& path) {
    const int open_error = errno;
    busy_ = false;
    failure_.clear();
    if (fd < 0) {
        failure_ = path + ": " + std::strerror(open_error);
        return -1;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        ::close(fd);
        if (err == EWOULDBLOCK) busy_ = true;
        else failure_ = path + ": " + std::strerror(err);
        return -1;
    }
    return fd;
}

int instance_lock::open_lock_file(const std::string& path) {
    // Never through a planted link, and open for writing where it may be:
    // on NFS only such a descriptor takes an exclusive lock.
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0666);
    // Made by another user, whose mode leaves the others reading: on a
    // local disk that is enough to lock it.
    if (fd < 0 && errno == EACCES) fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    // Every user who may write into the folder must be able to open the
    // file to see the lock, whatever the umask of the copy that made it
    // (it holds nothing, and whoever may write there could replace it).
    if (st.st_uid == ::geteuid() && (st.st_mode & 0666) != 0666) ::fchmod(fd, (st.st_mode & 07777) | 0666);
    return fd;
}

void instance_lock::release() {
    for (int* fd : {&fd_, &file_fd_}) {
        if (*fd < 0) continue;
        ::flock(*fd, LOCK_UN);
        ::close(*fd);
        *fd = -1;
    }
}

} // namespace psys
