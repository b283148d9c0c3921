#include "platform/system/safe_file.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
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

// The stream's own writes: a failed one keeps its reason, which a stdio
// stream forgets (errno is anyone's by the time the writer looks).
struct safe_file_stream {
    static ssize_t write(void* cookie, const char* data, size_t size) {
        safe_file& f = *static_cast<safe_file*>(cookie);
        size_t done = 0;
        while (done < size) {
            const ssize_t n = ::write(f.fd_, data + done, size - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                if (f.write_error_ == 0) f.write_error_ = n < 0 ? errno : ENOSPC;
                break;
            }
            done += size_t(n);
        }
        // Fewer bytes than asked mark the stream as failed.
        return ssize_t(done);
    }
    // The descriptor is closed by the safe_file, after its sync.
    static int close(void*) { return 0; }
};

std::string safe_file_temp_path(const std::string& path) { return path + ".tmp"; }

void set_safe_file_hook(safe_file_hook hook) { g_hook.store(hook); }

safe_file::~safe_file() { abandon(); }

void safe_file::fail(const char* step, int err) { error_ = std::string(step) + ": " + std::strerror(err); }

bool safe_file::open(const std::string& path) {
    abandon();
    error_.clear();
    write_error_ = 0;
    prepared_ = kept_ = false;
    if (path.empty()) {
        error_ = "open: empty path";
        return false;
    }
    path_ = path;
    temp_ = safe_file_temp_path(path);
    fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd_ < 0) {
        fail("open", errno);
        return false;
    }
    file_ = fopencookie(this, "wb", cookie_io_functions_t{nullptr, &safe_file_stream::write, nullptr,
                                                         &safe_file_stream::close});
    if (!file_) {
        fail("open", errno);
        ::close(fd_);
        fd_ = -1;
        ::unlink(temp_.c_str());
        return false;
    }
    return true;
}

bool safe_file::prepare() {
    if (prepared_) return true;
    if (!file_) {
        if (error_.empty()) error_ = "commit: no open file";
        return false;
    }
    bool ok = true;
    if (std::ferror(file_) || std::fflush(file_) != 0) {
        fail("write", write_error_ ? write_error_ : EIO);
        ok = false;
    } else if (::fsync(fd_) != 0) {
        fail("sync", errno);
        ok = false;
    }
    std::fclose(file_);
    file_ = nullptr;
    if (::close(fd_) != 0 && ok) {
        fail("close", errno);
        ok = false;
    }
    fd_ = -1;
    if (!ok) {
        ::unlink(temp_.c_str());
        return false;
    }
    prepared_ = true;
    return true;
}

bool safe_file::keep_old(bool* moved) {
    *moved = false;
    struct stat st;
    if (::lstat(path_.c_str(), &st) != 0) {
        if (errno == ENOENT) return true;
        fail("keep", errno);
        return false;
    }
    ::unlink(aside_.c_str());
    // A link keeps the old file at its name too, so that no moment is without it.
    if (::link(path_.c_str(), aside_.c_str()) == 0) {
        kept_ = true;
        return true;
    }
    // No links on this file system, or another user's file: moved instead,
    // now that the new bytes are safe beside it.
    if (::rename(path_.c_str(), aside_.c_str()) == 0) {
        kept_ = *moved = true;
        return true;
    }
    fail("keep", errno);
    return false;
}

bool safe_file::commit() {
    kept_ = false;
    if (!prepare()) return false;
    prepared_ = false;
    bool moved = false;
    if (!aside_.empty() && !keep_old(&moved)) {
        ::unlink(temp_.c_str());
        return false;
    }
    if (safe_file_hook hook = g_hook.load()) hook(path_);
    if (std::rename(temp_.c_str(), path_.c_str()) != 0) {
        fail("rename", errno);
        if (moved) ::rename(aside_.c_str(), path_.c_str());
        kept_ = false;
        ::unlink(temp_.c_str());
        return false;
    }
    sync_folder_of(path_);
    return true;
}

void safe_file::abandon() {
    const bool made = file_ != nullptr || prepared_;
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (made) ::unlink(temp_.c_str());
    prepared_ = false;
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
