#include "platform/system/safe_file.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace psys {

namespace {

std::atomic<safe_file_hook> g_hook{nullptr};

// Makes the rename itself durable; a file system that cannot sync a folder
// still has the rename, so a failure here is not the write's failure.
void sync_folder_of(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace

std::string safe_file_temp_path(const std::string& path) { return path + ".tmp"; }

void set_safe_file_hook(safe_file_hook hook) { g_hook.store(hook); }

safe_file::~safe_file() { abandon(); }

void safe_file::fail(const char* step) {
    error_ = std::string(step) + ": " + std::strerror(errno);
}

bool safe_file::open(const std::string& path) {
    abandon();
    error_.clear();
    if (path.empty()) {
        error_ = "open: empty path";
        return false;
    }
    path_ = path;
    temp_ = safe_file_temp_path(path);
    file_ = std::fopen(temp_.c_str(), "wb");
    if (!file_) {
        fail("open");
        return false;
    }
    return true;
}

bool safe_file::commit() {
    if (!file_) {
        if (error_.empty()) error_ = "commit: no open file";
        return false;
    }
    errno = 0;
    bool ok = true;
    if (std::ferror(file_)) {
        // The stream remembers a failed write; errno may be gone by now.
        if (errno == 0) errno = EIO;
        fail("write");
        ok = false;
    } else if (std::fflush(file_) != 0) {
        fail("write");
        ok = false;
    } else if (::fsync(::fileno(file_)) != 0) {
        fail("sync");
        ok = false;
    }
    FILE* f = file_;
    file_ = nullptr;
    if (std::fclose(f) != 0 && ok) {
        fail("close");
        ok = false;
    }
    if (ok) {
        if (safe_file_hook hook = g_hook.load()) hook(path_);
        if (std::rename(temp_.c_str(), path_.c_str()) != 0) {
            fail("rename");
            ok = false;
        }
    }
    if (!ok) {
        std::remove(temp_.c_str());
        return false;
    }
    sync_folder_of(path_);
    return true;
}

void safe_file::abandon() {
    if (!file_) return;
    std::fclose(file_);
    file_ = nullptr;
    std::remove(temp_.c_str());
}

bool write_file_whole(const std::string& path, const void* data, size_t size, std::string* error) {
    safe_file f;
    bool ok = f.open(path);
    // A short write marks the stream, which the commit then refuses.
    if (ok && size) std::fwrite(data, 1, size, f.stream());
    ok = ok && f.commit();
    if (!ok && error) *error = f.error();
    return ok;
}

} // namespace psys

namespace psys {

bool move_file(const std::string& from, const std::string& to, std::string* error) {
    if (std::rename(from.c_str(), to.c_str()) == 0) {
        sync_folder_of(to);
        return true;
    }
    if (error) *error = std::string("rename: ") + std::strerror(errno);
    return false;
}

} // namespace psys
