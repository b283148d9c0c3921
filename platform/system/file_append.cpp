#include "platform/system/file_append.h"

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

constexpr int kAppendFlags = O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW;

// A file of the log's own in place of the link that stood at path.
int replace_link(const std::string& path) {
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) return -1;
    return ::open(path.c_str(), kAppendFlags | O_EXCL, 0644);
}

} // namespace

std::string append_to_file(const std::string& path, std::string_view prefix, std::string_view bytes) {
    // A link at the path (one planted in a folder others can write to, or a
    // backup's hard link) would carry the lines into a file that is not the
    // log: the link goes, and the log is made anew.
    int fd = ::open(path.c_str(), kAppendFlags, 0644);
    if (fd < 0 && errno == ELOOP) fd = replace_link(path);
    if (fd < 0) return std::strerror(errno);
    struct stat st {};
    std::string error;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_nlink > 1) {
        ::close(fd);
        fd = replace_link(path);
        if (fd < 0) return std::strerror(errno);
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
