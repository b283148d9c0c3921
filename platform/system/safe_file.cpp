#include "platform/system/safe_file.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
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

// Renames from to to unless something stands at to (EEXIST then); 0 or the
// reason it failed.
int move_without_replacing(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    // A file system that cannot refuse to replace is asked first whether
    // anything stands there.
    if (errno != EINVAL && errno != ENOSYS) return errno;
    struct stat st;
    if (::lstat(to.c_str(), &st) == 0) return EEXIST;
    if (errno != ENOENT) return errno;
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
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
    prepared_ = asides_full_ = false;
    kept_as_.clear();
    if (path.empty()) {
        error_ = "open: empty path";
        return false;
    }
    path_ = path;
    temp_ = safe_file_temp_path(path);
    // Whatever stands at the temporary name (a crash's leftover, or a link
    // someone planted there) goes first: the bytes only ever reach a file
    // made here, never one a link leads to.
    if (::unlink(temp_.c_str()) != 0 && errno != ENOENT) {
        fail("open", errno);
        return false;
    }
    fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
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
    for (const std::string& aside : asides_) {
        // A link keeps the old file at its name too, so that no moment is
        // without it; one kept before stands at its name and is passed by.
        if (::link(path_.c_str(), aside.c_str()) == 0) {
            kept_as_ = aside;
            return true;
        }
        if (errno == EEXIST) {
            // Kept already by a write that died before its rename.
            struct stat kept;
            if (::lstat(aside.c_str(), &kept) == 0 && kept.st_dev == st.st_dev && kept.st_ino == st.st_ino) {
                kept_as_ = aside;
                return true;
            }
            continue;
        }
        // No links on this file system, a folder, or another user's file:
        // moved instead, now that the new bytes are safe beside it.
        const int err = move_without_replacing(path_, aside);
        if (err == 0) {
            kept_as_ = aside;
            *moved = true;
            return true;
        }
        if (err == EEXIST) continue;
        fail("keep", err);
        return false;
    }
    asides_full_ = !asides_.empty();
    return true;
}

bool safe_file::commit() {
    kept_as_.clear();
    asides_full_ = false;
    if (!prepare()) return false;
    prepared_ = false;
    bool moved = false;
    if (!asides_.empty() && !keep_old(&moved)) {
        ::unlink(temp_.c_str());
        return false;
    }
    if (safe_file_hook hook = g_hook.load()) hook(path_);
    if (std::rename(temp_.c_str(), path_.c_str()) != 0) {
        fail("rename", errno);
        if (moved) ::rename(kept_as_.c_str(), path_.c_str());
        kept_as_.clear();
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
