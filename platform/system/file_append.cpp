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

bool write_all(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes.remove_prefix(size_t(n));
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
// may not write into the save folder reads what the game did there. Made
// only where nothing stands (errno EEXIST otherwise), so that no file this
// process did not make has its mode set, through a link or otherwise.
int make_log(const std::string& path) {
    const int fd = ::open(path.c_str(), kAppendFlags | O_CREAT | O_EXCL, 0600);
    if (fd >= 0) give_folder_reach(fd, folder_of(path));
    return fd;
}

// A file of the log's own in place of the link that stood at path.
int replace_link(const std::string& path, std::string* error) {
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
        // Another user's, in a folder with the sticky bit.
        *error = errno == EPERM || errno == EACCES ? kLinkKept : std::strerror(errno);
        return -1;
    }
    const int fd = make_log(path);
    if (fd < 0) *error = std::strerror(errno);
    return fd;
}

// Whether users who are neither the player nor a sharer may make files in
// the folder (one open to all, sticky or not): a file of theirs at a log's
// name is theirs, not a log of the game's.
bool others_make_files(const std::string& folder) {
    access_rules rules;
    return !access_rules_of(folder.empty() ? "." : folder, &rules) || !rules.known ||
           may_write_into(rules, credentials());
}

} // namespace

std::string append_to_file(const std::string& path, std::string_view prefix, std::string_view bytes) {
    const std::string folder = folder_of(path);
    // A link at the path (one planted in a folder others can write to, or a
    // backup's hard link) would carry the lines into a file that is not the
    // log: the link goes, where this user may remove it, and the log is made
    // anew.
    std::string error;
    int fd = make_log(path);
    bool made = fd >= 0;
    if (!made && errno == EEXIST) {
        fd = ::open(path.c_str(), kAppendFlags);
        // Removed since (the game deletes its logs): made after all.
        if (fd < 0 && errno == ENOENT) made = (fd = make_log(path)) >= 0;
        else if (fd < 0 && errno == ELOOP) made = (fd = replace_link(path, &error)) >= 0;
    }
    if (fd < 0) return error.empty() ? std::strerror(errno) : error;
    struct stat st {};
    if (!made && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        if (st.st_nlink > 1) {
            ::close(fd);
            fd = replace_link(path, &error);
            if (fd < 0) return error;
        } else if (owner_in_folder(folder, st.st_uid) == file_owner::other && others_make_files(folder)) {
            // Planted where anyone may make files: not the game's to write.
            ::close(fd);
            return kOthersFile;
        } else if (st.st_uid == ::geteuid() &&
                   ((st.st_mode & 07777 & ~0600) != 0 || player_of_folder(folder) != ::geteuid())) {
            // A log of this user's from an older run, made open to others
            // by its umask: no wider than the folder's reach from now on.
            // One root made for the folder's owner (sudo) is given to that
            // owner. One of another user's keeps what that user gave it.
            give_folder_reach(fd, folder, true);
        }
    }
    if (::fstat(fd, &st) != 0) error = std::strerror(errno);
    else if (!S_ISREG(st.st_mode)) error = "not a regular file";
    else {
        // One write, so that the mark and the first line never come apart.
        std::string all(st.st_size == 0 ? prefix : std::string_view());
        all.append(bytes);
        if (!write_all(fd, all)) error = std::strerror(errno);
    }
    ::close(fd);
    return error;
}

void write_to_standard_error(std::string_view bytes) {
    std::fwrite(bytes.data(), 1, bytes.size(), stderr);
    std::fflush(stderr);
}

} // namespace psys
