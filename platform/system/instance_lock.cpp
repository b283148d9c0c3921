#include "platform/system/instance_lock.h"

#include "platform/system/file_system.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace psys {
namespace {

// The longest file name most Linux file systems take, in bytes.
constexpr size_t kNameMax = 255;
// Room left for the title when it has to be cut: its hash and the ending.
constexpr size_t kCutTitleMax = 200;
// What a lock file that is not a plain file of its own is refused as.
constexpr const char* kNotRegular = "not a regular file";
// Why a folder's own lock says nothing: someone who may not write into it
// could hold it.
constexpr const char* kLockableByReaders = "lockable by users who may not write into it";

uint64_t fnv1a(const std::string& s) {
    uint64_t h = 14695981039346656037ull;
    for (unsigned char c : s) {
        h ^= c;
        h *= 1099511628211ull;
    }
    return h;
}

// Whether only this user can make files in the folder: its owner, and no
// one else may write into it. why says what is wrong otherwise.
bool own_folder(const std::string& dir, std::string* why) {
    struct stat st {};
    if (::stat(dir.c_str(), &st) != 0) {
        *why = dir + ": " + std::strerror(errno);
        return false;
    }
    if (!S_ISDIR(st.st_mode) || st.st_uid != ::geteuid() || (st.st_mode & 022) != 0) {
        *why = dir + ": not a folder of this user's own";
        return false;
    }
    return true;
}

// The folder for the title's lock; "" with why set when there is none.
std::string lock_folder(std::string* why) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::string runtime_why;
    if (runtime && *runtime == '/' && own_folder(runtime, &runtime_why)) return runtime;
    std::string cache;
    if (const char* c = std::getenv("XDG_CACHE_HOME"); c && *c == '/') cache = c;
    else if (const char* home = std::getenv("HOME"); home && *home == '/') cache = std::string(home) + "/.cache";
    if (cache.empty()) {
        *why = runtime_why.empty() ? "no runtime, cache or home folder" : runtime_why;
        return {};
    }
    // Made for this user alone; one that stands already is checked as it is.
    ::mkdir(cache.c_str(), 0700);
    const std::string dir = cache + "/quillon";
    ::mkdir(dir.c_str(), 0700);
    return own_folder(dir, why) ? dir : std::string();
}

// Whether fd is open on a regular file of one name, and, where own, of this
// user's: anything else (a FIFO, a hard link to another file) is never
// locked.
bool plain_file(int fd, bool own) {
    struct stat st {};
    return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_nlink == 1 && (!own || st.st_uid == ::geteuid());
}

// Whether a folder's own lock can say that a copy runs: anyone who may open
// the folder may lock it, so only where everyone who may list it may also
// write into it. An access list may let in users its mode does not name.
bool only_writers_may_lock(int folder_fd) {
    struct stat st {};
    if (::fstat(folder_fd, &st) != 0) return false;
    for (const int shift : {6, 3, 0}) {
        const mode_t bits = (st.st_mode >> shift) & 07;
        if ((bits & 04) && !(bits & 02)) return false;
    }
    return ::fgetxattr(folder_fd, "system.posix_acl_access", nullptr, 0) < 0 && (errno == ENODATA || errno == ENOTSUP);
}

// A lock file of this user's own takes the folder's group and reach, which
// may have changed since it was made (a folder shared later): every copy
// that may write into the folder must open it for writing. Made or kept by
// root, it is also given to the folder's owner, whose copies could not open
// a file of root's alone.
void give_lock_file_reach(int fd, const std::string& folder) {
    struct stat dir {}, file {};
    if (::geteuid() == 0 && ::stat(folder.c_str(), &dir) == 0 && ::fstat(fd, &file) == 0 && file.st_uid != dir.st_uid)
        (void)!::fchown(fd, dir.st_uid, gid_t(-1));
    give_folder_writers_reach(fd, folder);
}

} // namespace

std::string instance_lock::path_for(const std::string& title_utf8, std::string* why) {
    std::string ignored;
    const std::string dir = lock_folder(why ? why : &ignored);
    if (dir.empty()) return {};
    const std::string ending = ".lock";
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
    std::string why;
    const std::string path = path_for(title_utf8, &why);
    if (path.empty()) {
        busy_ = false;
        failure_ = why;
        return false;
    }
    // Never blocks (a FIFO in its place) and never follows a planted link.
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    const char* reason = nullptr;
    // Only a file of this user's own is trusted to say the game runs: one
    // that someone else could hold would keep the player's game from
    // starting.
    if (fd >= 0 && !plain_file(fd, true)) {
        ::close(fd);
        fd = -2;
        reason = "not a regular file of this user's own";
    }
    fd_ = lock_opened(fd, path, reason);
    return held();
}

bool instance_lock::acquire_folder(const std::string& path) {
    release();
    // Named as the player knows it in what failure() says, whether or not
    // the caller closed it with a '/'.
    std::string folder = path;
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    // Not inherited by the programs the game starts (an editor outlives it).
    const int folder_fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const bool trusted = folder_fd < 0 || only_writers_may_lock(folder_fd);
    fd_ = lock_opened(folder_fd, folder);
    if (busy_ && trusted) return false;
    // Held by someone who may only read the folder, perhaps: that stops no
    // start. Still held where it could be had, so that the copies see this
    // one should the folder be closed to readers while it runs.
    if (!trusted && (busy_ || fd_ >= 0)) {
        busy_ = false;
        failure_ = folder + ": " + kLockableByReaders;
    }
    const std::string folder_failure = failure_;
    // The folder cannot be locked where it cannot be listed (a shared folder
    // others may only write into) or where an exclusive lock needs a
    // descriptor open for writing (NFS, SMB). A copy that locks the folder
    // also takes the file, so that one that can only take the file still
    // sees it.
    const std::string file_path = (folder == "/" ? "" : folder) + "/" + kFolderLockName;
    const char* reason = nullptr;
    const int file_fd = open_lock_file(file_path, folder, &reason);
    file_fd_ = lock_opened(file_fd, file_path, reason);
    if (busy_) {
        release();
        return false;
    }
    // Changed only once this copy runs: a copy refused changes nothing.
    if (file_fd_ >= 0) {
        if (plain_file(file_fd_, true)) give_lock_file_reach(file_fd_, folder);
        return true;
    }
    // Held by the folder alone, failure() keeps what the file said, so that
    // the start can tell that copies which see only the file cannot see it.
    if (fd_ >= 0 && trusted) return true;
    release();
    failure_ = folder_failure + "; " + failure_;
    return false;
}

int instance_lock::lock_opened(int fd, const std::string& path, const char* reason) {
    const int open_error = errno;
    busy_ = false;
    failure_.clear();
    if (fd < 0) {
        failure_ = path + ": " + (fd == -2 && reason ? reason : std::strerror(open_error));
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

int instance_lock::open_lock_file(const std::string& path, const std::string& folder, const char** reason) {
    // Made here, it gets the folder's group and reach whatever the umask and
    // the player's own group: a copy of anyone who may write into the folder
    // must open it to see the lock (on NFS only a descriptor open for writing
    // takes it), and no one else may open it, so that no one else can hold
    // it. Made for this user alone first, so that no one else opens it
    // before it has that reach.
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600);
    if (fd >= 0) {
        give_lock_file_reach(fd, folder);
        return fd;
    }
    if (errno != EEXIST) return -1;
    // Never through a planted link, and open for writing where it may be:
    // on NFS only such a descriptor takes an exclusive lock.
    fd = ::open(path.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    // Made by another user, whose mode leaves the others reading: on a
    // local disk that is enough to lock it.
    if (fd < 0 && errno == EACCES) fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        // A symbolic link, a folder or a socket standing there.
        if (errno == ELOOP || errno == EISDIR || errno == ENXIO) {
            *reason = kNotRegular;
            return -2;
        }
        return -1;
    }
    if (!plain_file(fd, false)) {
        ::close(fd);
        *reason = kNotRegular;
        return -2;
    }
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
