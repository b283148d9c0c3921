#include "platform/system/file_append.h"

#include "platform/system/file_system.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace psys {
namespace {

// Appends all of bytes; false, with *written those that were, where a write
// failed.
bool write_all(int fd, std::string_view bytes, size_t* written) {
    *written = 0;
    while (*written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + *written, bytes.size() - *written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        *written += size_t(n);
    }
    return true;
}

bool write_all_at(int fd, std::string_view bytes, off_t at) {
    while (!bytes.empty()) {
        const ssize_t n = ::pwrite(fd, bytes.data(), bytes.size(), at);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes.remove_prefix(size_t(n));
        at += n;
    }
    return true;
}

constexpr int kAppendFlags = O_WRONLY | O_APPEND | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY;

// What a log says where it cannot be written.
constexpr const char* kOthersFile = "another user's file";
constexpr const char* kLinkKept = "a link this user may not remove";

std::string folder_of(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return "";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// A log made here, with its folder's reach whatever the umask: no one who
// does not count in the save folder reads what the game did there. Made
// only where nothing stands (errno EEXIST otherwise), so that no file this
// process did not make has its mode set, through a link or otherwise.
int make_log(const std::string& path) {
    const int fd = ::open(path.c_str(), kAppendFlags | O_CREAT | O_EXCL, 0600);
    if (fd >= 0) give_folder_reach(fd, folder_of(path));
    return fd;
}

// A log of the game's own in place of what stood at path (a link, a second
// name of another file, a file of someone who does not count there).
int replace_log(const std::string& path, const char* kept, std::string* error) {
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
        // Another user's, in a folder with the sticky bit.
        *error = errno == EPERM || errno == EACCES ? kept : std::strerror(errno);
        return -1;
    }
    const int fd = make_log(path);
    if (fd < 0) *error = std::strerror(errno);
    return fd;
}

// Where a file system refuses to append (fusefat refuses a write that starts
// at the file's end, whatever the flags, but takes one that starts inside
// it): the bytes written over the last byte, which they begin with again, on
// the same file, opened anew without O_APPEND. The last byte is read through
// a descriptor of its own: fusefat misplaces a write that follows a read on
// one descriptor.
bool write_at_end(const std::string& path, const struct stat& log, std::string_view bytes) {
    const auto open_log = [&](int flags) {
        const int fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY);
        struct stat st {};
        if (fd >= 0 && (::fstat(fd, &st) != 0 || st.st_dev != log.st_dev || st.st_ino != log.st_ino)) {
            ::close(fd);
            errno = ESTALE;
            return -1;
        }
        return fd;
    };
    std::string all;
    off_t at = 0;
    const int reader = open_log(O_RDONLY);
    if (reader < 0) return false;
    struct stat st {};
    bool ok = ::fstat(reader, &st) == 0;
    if (ok && st.st_size > 0) {
        char last = 0;
        ok = ::pread(reader, &last, 1, st.st_size - 1) == 1;
        all.push_back(last);
        at = st.st_size - 1;
    }
    ::close(reader);
    all.append(bytes);
    const int fd = ok ? open_log(O_WRONLY) : -1;
    if (fd < 0) return false;
    ok = write_all_at(fd, all, at);
    const int err = errno;
    ::close(fd);
    errno = err;
    return ok;
}

} // namespace

std::string append_to_file(const std::string& path, std::string_view prefix, std::string_view bytes) {
    const std::string folder = folder_of(path);
    // A link at the path (one planted in a folder others can write to, or a
    // backup's hard link) would carry the lines into a file that is not the
    // log, and a file of someone who does not count in the folder is not the
    // game's to write: either goes, where this user may remove it, and the
    // log is made anew.
    std::string error;
    int fd = make_log(path);
    bool made = fd >= 0;
    if (!made && errno == EEXIST) {
        fd = ::open(path.c_str(), kAppendFlags);
        // Removed since (the game deletes its logs): made after all.
        if (fd < 0 && errno == ENOENT) made = (fd = make_log(path)) >= 0;
        else if (fd < 0 && errno == ELOOP) made = (fd = replace_log(path, kLinkKept, &error)) >= 0;
    }
    if (fd < 0) return error.empty() ? std::strerror(errno) : error;
    struct stat st {};
    if (!made && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        // Judged as the file written into, not whatever stands at the name
        // by now; one whose owner this user namespace cannot tell is no
        // stranger's.
        const judged owner = owner_judged(folder, st.st_uid, st.st_gid);
        if (st.st_nlink > 1 || owner == judged::does_not_count) {
            ::close(fd);
            fd = replace_log(path, owner != judged::does_not_count ? kLinkKept : kOthersFile, &error);
            if (fd < 0) return error;
        } else if (owner == judged::counts) {
            // A log from an older run made open to others by its umask, or
            // left by a start under sudo: no wider than the folder's reach
            // from now on, and root's is given to the folder's owner. One of
            // a sharer's keeps what it has where this user may not change it.
            give_folder_reach(fd, folder, true);
        }
    }
    if (::fstat(fd, &st) != 0) error = std::strerror(errno);
    else if (!S_ISREG(st.st_mode)) error = "not a regular file";
    else {
        // One write, so that the mark and the first line never come apart.
        std::string all(st.st_size == 0 ? prefix : std::string_view());
        all.append(bytes);
        size_t written = 0;
        if (!write_all(fd, all, &written) && !(errno == EPERM && written == 0 && write_at_end(path, st, all)))
            error = std::strerror(errno);
    }
    ::close(fd);
    return error;
}

void write_to_standard_error(std::string_view bytes) {
    std::fwrite(bytes.data(), 1, bytes.size(), stderr);
    std::fflush(stderr);
}

} // namespace psys
