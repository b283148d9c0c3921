#include "platform/system/safe_file.h"

#include <atomic>
#include <chrono>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <csignal>
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
    if (errno != EINVAL && errno != ENOSYS) return errno;
    // A file system whose renames cannot refuse to replace (NFS) still makes
    // a link only where nothing stands, in one step, so that two writers
    // keeping files at one name at one moment never both take it: the file
    // gets its new name so and loses its old one after.
    if (::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return 0;
    }
    if (errno == EEXIST || errno == ENOENT) return errno;
    // One that makes no links (or a folder to be moved) is asked first
    // whether anything stands there.
    struct stat st;
    if (::lstat(to.c_str(), &st) == 0) return EEXIST;
    if (errno != ENOENT) return errno;
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

bool cannot_exchange(int err) { return err == EINVAL || err == ENOSYS || err == EOPNOTSUPP; }

// A token that stands unchanged this long, by the waiting writer's own
// clock, was left by a writer killed while it held it.
constexpr std::chrono::seconds kStaleToken{10};

// Where names cannot be exchanged, the writers of one file take turns at its
// name by a token beside it ("<path>.writing"), made with O_EXCL, which NFS
// makes in one step too, and removed after. A token is judged stale by how
// long this writer has watched it stand, not by its time, which is the file
// server's and need not agree with this machine's clock. A turn that cannot
// be had within twice the stale time (tokens that keep changing hands, a
// folder that takes no new files) costs the turn, not the write.
class write_token {
public:
    explicit write_token(const std::string& path) : path_(path + ".writing") {
        using clock = std::chrono::steady_clock;
        const auto start = clock::now();
        file_status watched;
        auto since = start;
        bool watching = false;
        while (clock::now() - start < 2 * kStaleToken) {
            const int fd = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd >= 0) {
                held_ = status_of_open(fd, &own_);
                ::close(fd);
                return;
            }
            if (errno != EEXIST) return;
            file_status st;
            if (status_of(path_, &st)) {
                if (!watching || !same_file(st, watched)) {
                    watched = st;
                    since = clock::now();
                    watching = true;
                } else if (clock::now() - since >= kStaleToken) {
                    remove_stale(watched);
                    watching = false;
                    continue;
                }
            }
            ::usleep(2000);
        }
    }
    ~write_token() {
        // Unless another writer judged this one stale and took the turn.
        file_status st;
        if (held_ && status_of(path_, &st) && same_file(st, own_)) ::unlink(path_.c_str());
    }
    write_token(const write_token&) = delete;
    write_token& operator=(const write_token&) = delete;

private:
    // Moved to a name of this writer's own before it goes, so that a token
    // another waiter made at the name since (one that judged the same token
    // stale a moment before) is put back rather than removed.
    void remove_stale(const file_status& stale) const {
        const std::string aside = path_ + "." + std::to_string(::getpid()) + ".stale";
        if (::rename(path_.c_str(), aside.c_str()) != 0) return;
        file_status st;
        if (status_of(aside, &st) && !same_file(st, stale)) ::link(aside.c_str(), path_.c_str());
        ::unlink(aside.c_str());
    }

    std::string path_;
    file_status own_;
    bool held_ = false;
};

// Whether a process of that id runs here (one of another user's included).
bool running(long pid) { return pid > 0 && (::kill(pid_t(pid), 0) == 0 || errno == EPERM); }

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

// A writer tries its process's name first; another writer of the same file
// in this process, or anything planted there, moves it on to a numbered one.
std::string safe_file_temp_path(const std::string& path, unsigned n) {
    const std::string pid = std::to_string(::getpid());
    return n <= 1 ? path + "." + pid + ".tmp" : path + "." + pid + "-" + std::to_string(n) + ".tmp";
}

void set_safe_file_hook(safe_file_hook hook) { g_hook.store(hook); }

safe_file::~safe_file() { abandon(); }

void safe_file::fail(const char* step, int err) { error_ = std::string(step) + ": " + std::strerror(err); }

bool safe_file::open(const std::string& path) {
    abandon();
    error_.clear();
    write_error_ = 0;
    prepared_ = hold_ = false;
    replaced_path_.clear();
    if (path.empty()) {
        error_ = "open: empty path";
        return false;
    }
    path_ = path;
    // Made anew: the bytes only ever reach a file made here, never one a
    // link planted at the name leads to, nor another writer's.
    for (unsigned n = 1; n <= kSafeFileTempNames && fd_ < 0; ++n) {
        temp_ = safe_file_temp_path(path, n);
        fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd_ < 0 && errno != EEXIST) break;
    }
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
    if (ok) status_of_open(fd_, &written_);
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

bool safe_file::put_holding() {
    // Exchanged in one step, nothing another writer puts there in between
    // is lost: whatever the new file replaced stands at its old name.
    for (int attempt = 0; attempt < 8; ++attempt) {
        if (::renameat2(AT_FDCWD, temp_.c_str(), AT_FDCWD, path_.c_str(), RENAME_EXCHANGE) == 0) {
            replaced_path_ = temp_;
            if (!status_of(temp_, &replaced_)) replaced_ = file_status{};
            return true;
        }
        if (cannot_exchange(errno)) break;
        if (errno != ENOENT) {
            fail("rename", errno);
            return false;
        }
        // Nothing stands there yet; a file another writer puts there first
        // is exchanged with on the next turn.
        const int err = move_without_replacing(temp_, path_);
        if (err == 0) return true;
        if (err != EEXIST) {
            fail("rename", err);
            return false;
        }
    }
    // A file system that cannot exchange names (NFS, some FUSE ones): the
    // old file is linked to a name of this writer's own just before the
    // rename, or moved there where it cannot be linked, while this writer
    // holds the file's token, so that no other writer's file comes between.
    const write_token turn(path_);
    std::string held;
    bool moved = false;
    for (unsigned n = 2; n <= kSafeFileTempNames && held.empty(); ++n) {
        const std::string name = safe_file_temp_path(path_, n);
        if (name == temp_) continue;
        if (::link(path_.c_str(), name.c_str()) == 0) {
            held = name;
            break;
        }
        if (errno == EEXIST) continue;
        if (errno == ENOENT) break;
        const int err = move_without_replacing(path_, name);
        if (err == 0) {
            held = name;
            moved = true;
        } else if (err == ENOENT) {
            break;
        } else if (err != EEXIST) {
            fail("keep", err);
            return false;
        }
    }
    if (std::rename(temp_.c_str(), path_.c_str()) != 0) {
        fail("rename", errno);
        if (moved) ::rename(held.c_str(), path_.c_str());
        else if (!held.empty()) ::unlink(held.c_str());
        return false;
    }
    if (!held.empty()) {
        replaced_path_ = held;
        if (!status_of(held, &replaced_)) replaced_ = file_status{};
    }
    return true;
}

bool safe_file::commit() {
    replaced_path_.clear();
    if (!prepare()) return false;
    prepared_ = false;
    if (safe_file_hook hook = g_hook.load()) hook(path_);
    bool ok;
    if (hold_) {
        ok = put_holding();
    } else {
        ok = std::rename(temp_.c_str(), path_.c_str()) == 0;
        if (!ok) fail("rename", errno);
    }
    if (!ok) {
        ::unlink(temp_.c_str());
        return false;
    }
    sync_folder_of(path_);
    return true;
}

std::string safe_file::keep_replaced(const std::function<std::string(unsigned)>& name, unsigned count) {
    if (replaced_path_.empty()) return {};
    for (unsigned n = 1; n <= count; ++n) {
        const std::string aside = name(n);
        const int err = move_without_replacing(replaced_path_, aside);
        if (err == 0) {
            replaced_path_.clear();
            sync_folder_of(aside);
            return aside;
        }
        if (err != EEXIST && err != ENOTEMPTY) {
            fail("keep", err);
            return {};
        }
    }
    return {};
}

void safe_file::drop_replaced() {
    if (replaced_path_.empty()) return;
    if (::unlink(replaced_path_.c_str()) != 0 && errno == EISDIR) ::rmdir(replaced_path_.c_str());
    replaced_path_.clear();
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

std::vector<std::string> safe_file_leftovers(const std::string& folder, const std::set<std::string>& names) {
    std::vector<std::string> entries, out;
    list_folder(folder.empty() ? "." : folder, &entries);
    const std::string dir = folder.empty() || folder.back() == '/' ? folder : folder + "/";
    for (const std::string& entry : entries) {
        if (entry.size() < 5 || entry.compare(entry.size() - 4, 4, ".tmp") != 0) continue;
        // "<name>.tmp": an older writer's, which named no process.
        if (names.count(entry.substr(0, entry.size() - 4))) {
            out.push_back(dir + entry);
            continue;
        }
        // "<name>.<pid>.tmp" or "<name>.<pid>-<n>.tmp".
        const size_t dot = entry.find_last_of('.', entry.size() - 5);
        if (dot == std::string::npos || !names.count(entry.substr(0, dot))) continue;
        const char* digits = entry.c_str() + dot + 1;
        if (*digits < '0' || *digits > '9') continue;
        char* end = nullptr;
        const long pid = std::strtol(digits, &end, 10);
        if (*end == '-' && end[1] >= '0' && end[1] <= '9') std::strtol(end + 1, &end, 10);
        if (end == entry.c_str() + entry.size() - 4 && pid != long(::getpid()) && !running(pid))
            out.push_back(dir + entry);
    }
    return out;
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
