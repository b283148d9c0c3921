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

} // namespace

std::string append_to_file(const std::string& path, std::string_view prefix, std::string_view bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0644);
    if (fd < 0) return std::strerror(errno);
    struct stat st {};
    std::string error;
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
