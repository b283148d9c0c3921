#include "platform/system/safe_file.h"

#include "platform/system/clock.h"

#include <atomic>
#include <cctype>
#include <cstdint>
#include <map>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace psys {

namespace {

std::atomic<safe_file_hook> g_hook{nullptr};
std::atomic<safe_file_step_hook> g_step_hook{nullptr};

// 0, or the errno a test makes the step fail with.
int step(const char* what, const std::string& path) {
    const safe_file_step_hook hook = g_step_hook.load();
    return hook ? hook(what, path) : 0;
}

// Each of these runs one system call as one counted step: 0 or the reason it
// failed (errno is set to it too).
template <class Call>
int stepped(const char* what, const std::string& path, Call call) {
    int err = step(what, path);
    if (err == 0) err = call() == 0 ? 0 : errno;
    errno = err;
    return err;
}

int link_name(const std::string& from, const std::string& to) {
    return stepped("link", to, [&] { return ::link(from.c_str(), to.c_str()); });
}

int rename_name(const std::string& from, const std::string& to) {
    return stepped("rename", to, [&] { return ::rename(from.c_str(), to.c_str()); });
}

std::string folder_of(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
}

// Makes the renames durable; a file system that cannot sync a folder still
// has them, so a failure here is not the write's failure.
void sync_folder_of(const std::string& path) {
    const std::string dir = folder_of(path);
    if (step("sync folder", dir) != 0) return;
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// Sixteen hex digits no other user can foresee: planting a file at every
// name a writer could use would take the whole range.
std::string unforeseeable() {
    unsigned long long r = 0;
    if (::getrandom(&r, sizeof r, GRND_NONBLOCK) != ssize_t(sizeof r)) {
        // Without the kernel's generator (a very early boot), the clock's
        // finest digits and a count: still not the pid alone.
        static std::atomic<unsigned> count{0};
        timespec ts{};
        ::clock_gettime(CLOCK_MONOTONIC, &ts);
        r = (static_cast<unsigned long long>(ts.tv_nsec) << 32) ^ static_cast<unsigned long long>(ts.tv_sec) ^
            (static_cast<unsigned long long>(++count) << 48) ^ reinterpret_cast<uintptr_t>(&r);
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", r);
    return text;
}

// "<path>.<pid>-<suffix><ending>": a name of this writer's own.
std::string writer_path(const std::string& path, const std::string& suffix, const char* ending) {
    return path + "." + std::to_string(::getpid()) + "-" + suffix + ending;
}

bool cannot_exchange(int err) { return err == EINVAL || err == ENOSYS || err == EOPNOTSUPP; }

// A token that stands unchanged this long, by the waiting writer's own
// clock (the process's clock, which a test may drive), was left by a writer
// killed while it held it.
constexpr uint64_t kStaleTokenUs = 10000000;

// Where names cannot be exchanged, the writers of one file take turns at its
// name by a token beside it ("<path>.writing"), made with O_EXCL, which NFS
// makes in one step too, and removed after. A token is judged stale by how
// long this writer has watched it stand, not by its time, which is the file
// server's and need not agree with this machine's clock. Anything at the
// token's name that is not a regular file was never a writer's token and
// goes at once. A turn that cannot be had (a stale token this writer may not
// remove, another user's in a shared folder; tokens that keep changing hands
// for twice the stale time; a folder that takes no new files) costs the
// turn, not the write, and is told through note; a stale token that could
// not be removed is handed back through stuck, so that the next write of
// the file, given it, does not watch it again while it stands unchanged.
class write_token {
public:
    write_token(const std::string& path, std::string* note, file_status* stuck) : path_(path + ".writing") {
        const uint64_t start = now_us();
        file_status watched;
        uint64_t since = start;
        bool watching = false;
        while (now_us() - start < 2 * kStaleTokenUs) {
            int err = step("token", path_);
            const int fd = err ? -1 : ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
            if (fd >= 0) {
                held_ = status_of_open(fd, &own_);
                ::close(fd);
                return;
            }
            if (!err) err = errno;
            if (err != EEXIST) {
                *note = path_ + ": " + std::strerror(err);
                return;
            }
            struct stat st;
            if (::lstat(path_.c_str(), &st) != 0) continue;
            if (!S_ISREG(st.st_mode)) {
                // A link (dangling or not), a FIFO, a folder: planted, never
                // a writer's.
                const int gone = S_ISDIR(st.st_mode) ? ::rmdir(path_.c_str()) : ::unlink(path_.c_str());
                if (gone != 0 && errno != ENOENT) {
                    *note = path_ + ": not a regular file, cannot be removed (" + std::strerror(errno) + ")";
                    return;
                }
                continue;
            }
            file_status now;
            if (status_of(path_, &now)) {
                if (stuck->kind == file_kind::regular && same_file(now, *stuck)) return;
                if (!watching || !same_file(now, watched)) {
                    watched = now;
                    since = now_us();
                    watching = true;
                } else if (now_us() - since >= kStaleTokenUs) {
                    const int removed = remove_stale(watched);
                    if (removed != 0) {
                        *note = path_ + ": stale, cannot be removed (" + std::strerror(removed) + ")";
                        *stuck = watched;
                        return;
                    }
                    watching = false;
                    continue;
                }
            }
            sleep_ms(2);
        }
        *note = path_ + ": no turn within " + std::to_string(2 * kStaleTokenUs / 1000000) + " s";
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
    // stale a moment before) is put back rather than removed. 0 or why it
    // could not be moved.
    int remove_stale(const file_status& stale) const {
        const std::string aside = writer_path(path_, unforeseeable(), ".stale");
        if (::rename(path_.c_str(), aside.c_str()) != 0) return errno == ENOENT ? 0 : errno;
        file_status st;
        if (status_of(aside, &st) && !same_file(st, stale)) ::link(aside.c_str(), path_.c_str());
        ::unlink(aside.c_str());
        return 0;
    }

    std::string path_;
    file_status own_;
    bool held_ = false;
};

// Whether a process of that id runs here (one of another user's included).
bool running(long pid) { return pid > 0 && (::kill(pid_t(pid), 0) == 0 || errno == EPERM); }

// A regular file opened for reading, never through a link and never
// waiting on a FIFO; -1 for anything else.
int open_regular(const std::string& path, struct stat* st) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) return -1;
    if (::fstat(fd, st) != 0 || !S_ISREG(st->st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

// The stream's own writes: a failed one keeps its reason, which a stdio
// stream forgets (errno is anyone's by the time the writer looks).
struct safe_file_stream {
    static ssize_t write(void* cookie, const char* data, size_t size) {
        safe_file& f = *static_cast<safe_file*>(cookie);
        size_t done = 0;
        while (done < size) {
            const int injected = step("write", f.temp_);
            const ssize_t n = injected ? -1 : ::write(f.fd_, data + done, size - done);
            if (injected) errno = injected;
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

int move_without_replacing(const std::string& from, const std::string& to) {
    const int err = stepped("rename", to, [&] {
        return ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE);
    });
    if (err != EINVAL && err != ENOSYS) return err;
    // A file system whose renames cannot refuse to replace (NFS) still makes
    // a link only where nothing stands, in one step, so that two writers
    // keeping files at one name at one moment never both take it: the file
    // gets its new name so and loses its old one after.
    if (link_name(from, to) == 0) {
        remove_name(from);
        return 0;
    }
    if (errno == EEXIST || errno == ENOENT) return errno;
    // One that makes no links (or a folder to be moved) is asked first
    // whether anything stands there.
    struct stat st;
    if (::lstat(to.c_str(), &st) == 0) return EEXIST;
    if (errno != ENOENT) return errno;
    return rename_name(from, to);
}

int exchange_names(const std::string& a, const std::string& b) {
    return stepped("exchange", b, [&] {
        return ::renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE);
    });
}

int remove_name(const std::string& path) {
    return stepped("unlink", path, [&] {
        if (::unlink(path.c_str()) == 0) return 0;
        const int err = errno;
        if ((err == EISDIR || err == EPERM) && ::rmdir(path.c_str()) == 0) return 0;
        errno = err;
        return -1;
    });
}

bool same_bytes(const std::string& a, const std::string& b) {
    struct stat sa, sb;
    const int fa = open_regular(a, &sa);
    const int fb = fa < 0 ? -1 : open_regular(b, &sb);
    bool same = fa >= 0 && fb >= 0 && sa.st_size == sb.st_size;
    char ba[8192], bb[8192];
    for (off_t at = 0; same && at < sa.st_size;) {
        const ssize_t n = ::pread(fa, ba, sizeof ba, at);
        same = n > 0 && ::pread(fb, bb, size_t(n), at) == n && std::memcmp(ba, bb, size_t(n)) == 0;
        at += n > 0 ? n : 0;
    }
    if (fa >= 0) ::close(fa);
    if (fb >= 0) ::close(fb);
    return same;
}

std::string safe_file_held_name(const std::string& path) { return writer_path(path, unforeseeable(), ".held"); }

void set_safe_file_hook(safe_file_hook hook) { g_hook.store(hook); }
void set_safe_file_step_hook(safe_file_step_hook hook) { g_step_hook.store(hook); }

safe_file::~safe_file() { abandon(); }

void safe_file::fail(const char* what, int err) { error_ = std::string(what) + ": " + std::strerror(err); }

bool safe_file::open(const std::string& path) {
    abandon();
    error_.clear();
    note_.clear();
    write_error_ = 0;
    prepared_ = hold_ = false;
    replaced_path_.clear();
    if (path.empty()) {
        error_ = "open: empty path";
        return false;
    }
    path_ = path;
    // Made anew: the bytes only ever reach a file made here, never one a
    // link planted at the name leads to, nor another writer's. A name taken
    // already can only be chance, and a new one is drawn.
    int err = EEXIST;
    for (int attempt = 0; attempt < 4 && err == EEXIST; ++attempt) {
        const std::string suffix = unforeseeable();
        temp_ = writer_path(path, suffix, ".tmp");
        held_ = writer_path(path, suffix, ".held");
        err = stepped("open", temp_, [&] {
            fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
            return fd_ >= 0 ? 0 : -1;
        });
    }
    if (fd_ < 0) {
        fail("open", err);
        return false;
    }
    give_folder_reach(fd_, folder_of(path));
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
    } else if (const int err = stepped("sync", temp_, [&] { return ::fsync(fd_); })) {
        fail("sync", err);
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
    // The held name becomes a second name of the new file first: whatever
    // the exchange then replaces lands under it, a name no start removes,
    // and the temporary name only ever holds the new bytes.
    int err = link_name(temp_, held_);
    if (err == 0) {
        for (int attempt = 0; attempt < 8; ++attempt) {
            err = exchange_names(held_, path_);
            if (err == 0) {
                replaced_path_ = held_;
                if (!status_of(held_, &replaced_)) replaced_ = file_status{};
                remove_name(temp_);
                return true;
            }
            if (cannot_exchange(err)) break;
            if (err != ENOENT) break;
            // Nothing stands there yet; a file another writer puts there
            // first is exchanged with on the next turn.
            err = move_without_replacing(held_, path_);
            if (err == 0) {
                remove_name(temp_);
                return true;
            }
            if (err != EEXIST) break;
        }
        // The second name goes; the temporary one still holds the bytes.
        remove_name(held_);
        if (!cannot_exchange(err)) {
            fail("rename", err);
            return false;
        }
    } else if (err != EPERM && err != EMLINK && err != EOPNOTSUPP && err != ENOSYS) {
        fail("link", err);
        return false;
    }
    return put_in_turn(held_);
}

bool safe_file::put_in_turn(const std::string& held) {
    // A file system that cannot exchange names (NFS, some FUSE ones): the
    // old file gets the held name just before the rename, as a second name
    // or, where it cannot be linked, moved there, while this writer holds
    // the file's turn, so that no other writer's file comes between.
    const write_token turn(path_, &note_, &stuck_token_);
    bool holding = false, moved = false;
    int err = link_name(path_, held);
    if (err == 0) {
        holding = true;
    } else if (err != ENOENT) {
        err = move_without_replacing(path_, held);
        if (err == 0) holding = moved = true;
        else if (err != ENOENT) {
            fail("keep", err);
            return false;
        }
    }
    err = rename_name(temp_, path_);
    if (err != 0) {
        fail("rename", err);
        if (moved) move_without_replacing(held, path_);
        else if (holding) remove_name(held);
        return false;
    }
    if (holding) {
        replaced_path_ = held;
        if (!status_of(held, &replaced_)) replaced_ = file_status{};
    }
    return true;
}

bool safe_file::commit() {
    replaced_path_.clear();
    note_.clear();
    if (!prepare()) return false;
    prepared_ = false;
    if (safe_file_hook hook = g_hook.load()) hook(path_);
    bool ok;
    if (hold_) {
        ok = put_holding();
    } else {
        const int err = rename_name(temp_, path_);
        ok = err == 0;
        if (!ok) fail("rename", err);
    }
    if (!ok) {
        ::unlink(temp_.c_str());
        return false;
    }
    // No step: a notice that the new file stands at its name.
    step("committed", path_);
    sync_folder_of(path_);
    return true;
}

std::string safe_file::keep_replaced(const std::function<std::string(unsigned)>& name, unsigned count,
                                     bool* identical, const std::function<void(const std::string&)>& announce) {
    if (identical) *identical = false;
    if (replaced_path_.empty()) return {};
    // Nothing is kept twice: not the bytes this commit wrote (another copy
    // wrote the same), not those a copy kept before holds.
    file_status standing;
    bool same = status_of(path_, &standing) && same_file(standing, written_) && same_bytes(replaced_path_, path_);
    for (unsigned n = 1; n <= count && !same; ++n) {
        const std::string aside = name(n);
        if (aside.empty()) continue;
        if (anything_at(aside)) {
            same = same_bytes(replaced_path_, aside);
            continue;
        }
        if (announce) announce(aside);
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
        same = same_bytes(replaced_path_, aside);
    }
    if (same) {
        if (identical) *identical = true;
        drop_replaced();
    }
    return {};
}

void safe_file::drop_replaced() {
    if (replaced_path_.empty()) return;
    remove_name(replaced_path_);
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

namespace {

// A leftover's name split: the file it was written for, its writer's process
// and its kind (".tmp", ".held", ".stale"); false for any other name.
struct leftover_name {
    std::string final;
    long pid = 0;
    std::string ending;
};

bool ends_with(const std::string& s, const char* ending) {
    const size_t n = std::strlen(ending);
    return s.size() > n && s.compare(s.size() - n, n, ending) == 0;
}

bool parse_leftover(const std::string& entry, const std::set<std::string>& names, leftover_name* out) {
    for (const char* ending : {".tmp", ".held", ".stale"}) {
        if (!ends_with(entry, ending)) continue;
        const std::string stem = entry.substr(0, entry.size() - std::strlen(ending));
        const bool temporary = std::strcmp(ending, ".tmp") == 0;
        // "<name>.tmp": an older writer's, which named no process.
        if (temporary && names.count(stem)) {
            *out = {stem, 0, ending};
            return true;
        }
        // "<name>.<pid>" (an older writer's), "<name>.<pid>-<suffix>"; a
        // stale token's is "<name>.writing.<pid>-<suffix>".
        const size_t dot = stem.find_last_of('.');
        if (dot == std::string::npos) return false;
        std::string final = stem.substr(0, dot);
        if (std::strcmp(ending, ".stale") == 0) {
            if (!ends_with(final, ".writing")) return false;
            final.resize(final.size() - std::strlen(".writing"));
        }
        if (!names.count(final)) return false;
        const char* digits = stem.c_str() + dot + 1;
        if (*digits < '1' || *digits > '9') return false;
        char* end = nullptr;
        const long pid = std::strtol(digits, &end, 10);
        if (*end == '-')
            for (++end; std::isxdigit(static_cast<unsigned char>(*end));) ++end;
        if (end != stem.c_str() + stem.size()) return false;
        *out = {final, pid, ending};
        return true;
    }
    return false;
}

} // namespace

safe_file_leftovers find_safe_file_leftovers(const std::string& folder, const std::set<std::string>& names) {
    std::vector<std::string> entries;
    list_folder(folder.empty() ? "." : folder, &entries);
    const std::string dir = folder.empty() || folder.back() == '/' ? folder : folder + "/";
    struct name_seen {
        std::string entry;
        leftover_name leftover;
        bool is_leftover = false;
        bool is_held() const { return is_leftover && leftover.ending == ".held"; }
    };
    // Every name each file stands under, of the files' own, their writers'
    // and their kept names.
    using file_id = std::pair<dev_t, ino_t>;
    std::multimap<file_id, name_seen> names_of;
    for (const std::string& entry : entries) {
        name_seen seen{entry, {}, false};
        seen.is_leftover = parse_leftover(entry, names, &seen.leftover);
        bool related = seen.is_leftover;
        for (const std::string& name : names) related = related || entry.compare(0, name.size(), name) == 0;
        struct stat st;
        if (related && ::lstat((dir + entry).c_str(), &st) == 0) names_of.emplace(file_id(st.st_dev, st.st_ino), seen);
    }
    safe_file_leftovers out;
    std::set<file_id> held_once;
    for (const auto& [file, seen] : names_of) {
        const leftover_name& l = seen.leftover;
        if (!seen.is_leftover || l.pid == long(::getpid()) || running(l.pid)) continue;
        const std::string path = dir + seen.entry;
        if (!seen.is_held()) {
            out.temporary.push_back({path, dir + l.final});
            continue;
        }
        // Only a second name where the file stands under a name that is no
        // held one; among held names alone, one stays.
        bool elsewhere = false;
        const auto range = names_of.equal_range(file);
        for (auto it = range.first; it != range.second; ++it) elsewhere = elsewhere || !it->second.is_held();
        if (elsewhere || !held_once.insert(file).second) out.second_names.push_back(path);
        else out.held.push_back({path, dir + l.final});
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
