#include "platform/system/safe_file.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace psys {

namespace {

std::atomic<safe_file_hook> g_hook{nullptr};
std::atomic<safe_file_step_hook> g_step_hook{nullptr};

// 0, kStepTakenAsDone, or the errno a test makes the step fail with.
int step(const char* what, const std::string& path) {
    const safe_file_step_hook hook = g_step_hook.load();
    return hook ? hook(what, path) : 0;
}

// Each of these runs one system call as one counted step: 0 or the reason it
// failed (errno is set to it too).
template <class Call>
int stepped(const char* what, const std::string& path, Call call) {
    int err = step(what, path);
    if (err == kStepTakenAsDone) err = 0;
    else if (err == 0) err = call() == 0 ? 0 : errno;
    errno = err;
    return err;
}

int rename_name(const std::string& from, const std::string& to) {
    return stepped("rename", to, [&] { return ::rename(from.c_str(), to.c_str()); });
}

int link_name(const std::string& from, const std::string& to) {
    return stepped("link", to, [&] { return ::link(from.c_str(), to.c_str()); });
}

int exchange_names(const std::string& a, const std::string& b) {
    return stepped("exchange", b, [&] {
        return ::renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE);
    });
}

int move_refusing(const std::string& from, const std::string& to) {
    return stepped("move", to, [&] {
        return ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE);
    });
}

// Removes the name (a file's, or an empty folder's).
int remove_name(const std::string& path) {
    return stepped("unlink", path, [&] {
        if (::unlink(path.c_str()) == 0) return 0;
        const int err = errno;
        if ((err == EISDIR || err == EPERM) && ::rmdir(path.c_str()) == 0) return 0;
        errno = err;
        return -1;
    });
}

std::string folder_of(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
}

// The folder as the registry knows it: no closing '/'.
std::string folder_key(const std::string& folder) {
    std::string key = folder.empty() ? "." : folder;
    while (key.size() > 1 && key.back() == '/') key.pop_back();
    return key;
}

std::string in_folder(const std::string& folder, const std::string& name) {
    const std::string key = folder_key(folder);
    return key == "/" ? "/" + name : key + "/" + name;
}

// Makes the names' changes durable; a file system that cannot sync a folder
// still has them, so a failure here is not the write's failure.
void sync_folder(const std::string& dir) {
    stepped("sync folder", dir, [&] {
        const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) return -1;
        const int r = ::fsync(fd);
        ::close(fd);
        return r;
    });
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

std::string new_writer() { return std::to_string(::getpid()) + "-" + unforeseeable(); }

// "<path>.<writer><ending>": a name of that writer's own.
std::string writer_path(const std::string& path, const std::string& writer, const char* ending) {
    return path + "." + writer + ending;
}

bool cannot_exchange(int err) { return err == EINVAL || err == ENOSYS || err == EOPNOTSUPP; }
bool cannot_link(int err) { return err == EPERM || err == EMLINK || err == EOPNOTSUPP || err == ENOSYS; }

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

bool regular_at(const std::string& path, struct stat* st) {
    return ::lstat(path.c_str(), st) == 0 && S_ISREG(st->st_mode);
}

// Whether two regular files hold the same bytes, compared to their ends.
bool same_bytes(const std::string& a, const std::string& b) {
    struct stat sa, sb;
    const int fa = open_regular(a, &sa);
    const int fb = fa < 0 ? -1 : open_regular(b, &sb);
    bool same = fa >= 0 && fb >= 0 && sa.st_size == sb.st_size;
    static thread_local char ba[65536], bb[65536];
    for (off_t at = 0; same && at < sa.st_size;) {
        const ssize_t n = ::pread(fa, ba, sizeof ba, at);
        same = n > 0 && ::pread(fb, bb, size_t(n), at) == n && std::memcmp(ba, bb, size_t(n)) == 0;
        at += n > 0 ? n : 0;
    }
    if (fa >= 0) ::close(fa);
    if (fb >= 0) ::close(fb);
    return same;
}

// ---- marks --------------------------------------------------------------------

constexpr unsigned long long kHashStart = 14695981039346656037ull;

unsigned long long hash_bytes(unsigned long long h, const unsigned char* p, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        h ^= p[i];
        h *= 1099511628211ull;
    }
    return h;
}

std::string mark_text(unsigned long long hash, unsigned long long size) {
    char text[64];
    std::snprintf(text, sizeof text, "h:%016llx:%llu", hash, size);
    return text;
}

// ---- the folders' ways ------------------------------------------------------

struct folder_state {
    bool probed = false;
    write_way way = write_way::exchange;
    std::string said;
    bool locked = false;
};

std::mutex g_folders_mutex;
std::map<std::string, folder_state> g_folders;

// The name the probe's files are written for, so that a start removes what
// a probe ended in its middle left.
constexpr const char* kProbeName = "way-probe";

// Tries, with files of its own in the folder, what the folder's file system
// can do; false where it could not even make them (nothing was learnt).
bool probe(const std::string& folder, write_way* way, std::string* said) {
    const std::string base = in_folder(folder, kProbeName);
    const std::string a = writer_path(base, new_writer(), ".tmp"), b = writer_path(base, new_writer(), ".tmp"),
                      c = writer_path(base, new_writer(), ".tmp");
    const auto make = [](const std::string& path) {
        return stepped("open", path, [&] {
            const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
            return fd < 0 ? -1 : ::close(fd);
        });
    };
    if (make(a) != 0) return false;
    if (make(b) != 0) {
        remove_name(a);
        return false;
    }
    // Exchange is used only beside hard links: a writer makes its held name
    // a second name of its new file before the exchange.
    bool learnt = true;
    const int exchanged = exchange_names(a, b);
    const int linked = cannot_exchange(exchanged) || exchanged == 0 ? link_name(a, c) : exchanged;
    if (exchanged == 0 && linked == 0) {
        *way = write_way::exchange;
        *said = "names exchanged in one step, hard links";
    } else if ((exchanged != 0 && !cannot_exchange(exchanged)) || (linked != 0 && !cannot_link(linked))) {
        learnt = false;
    } else if (linked == 0) {
        *way = write_way::link;
        *said = std::string("no exchange (") + std::strerror(exchanged) + "), hard links";
    } else {
        *said = exchanged == 0 ? std::string("names exchanged")
                               : std::string("no exchange (") + std::strerror(exchanged) + ")";
        *said += std::string(", no hard links (") + std::strerror(linked) + ")";
        const int moved = move_refusing(a, c);
        if (moved == 0) {
            *way = write_way::move;
            *said += ", moves that refuse to replace";
        } else if (cannot_exchange(moved)) {
            *way = write_way::look;
            *said += std::string(", no moves that refuse to replace (") + std::strerror(moved) +
                     "): a move where a look finds nothing";
        } else {
            learnt = false;
        }
    }
    for (const std::string* name : {&a, &b, &c})
        if (anything_at(*name)) remove_name(*name);
    return learnt;
}

folder_state state_of(const std::string& folder) {
    const std::string key = folder_key(folder);
    {
        std::lock_guard<std::mutex> lock(g_folders_mutex);
        const auto it = g_folders.find(key);
        if (it != g_folders.end() && it->second.probed) return it->second;
    }
    write_way way = write_way::exchange;
    std::string said;
    const bool learnt = probe(key, &way, &said);
    std::lock_guard<std::mutex> lock(g_folders_mutex);
    folder_state& state = g_folders[key];
    if (learnt && !state.probed) {
        state.probed = true;
        state.way = way;
        state.said = said;
    }
    return state;
}

// ---- moves in the folder's way ------------------------------------------------

// Puts the file at from at to unless something stands at to (EEXIST then):
// in one step where the file system refuses to replace, by a link (which
// refuses too; from stays as a second name) where it links, else where a
// look finds nothing (folders, which no file system links, always so but in
// the exchange and move ways).
int place_without_replacing(const std::string& from, const std::string& to, write_way way) {
    if (way == write_way::exchange || way == write_way::move) return move_refusing(from, to);
    if (way == write_way::link) {
        const int err = link_name(from, to);
        if (!cannot_link(err)) return err;
    }
    if (anything_at(to)) return EEXIST;
    return rename_name(from, to);
}

// The same, from going where it was linked.
int move_without_replacing(const std::string& from, const std::string& to, write_way way) {
    const int err = place_without_replacing(from, to, way);
    if (err == 0 && way == write_way::link && anything_at(from)) remove_name(from);
    return err;
}

// Puts the file at from (a held name of final's) at to, holding what stood
// there under *taken (from itself in the exchange way, else a new held name
// of final's; "" when nothing stood). 0, or why it could not; EEXIST where
// something came to stand at to after what was there had been taken
// (*taken then holds that).
int put_holding(const std::string& from, const std::string& to, const std::string& final, write_way way,
                std::string* taken) {
    taken->clear();
    if (way == write_way::exchange) {
        const int err = exchange_names(from, to);
        if (err == 0) {
            *taken = from;
            return 0;
        }
        if (err != ENOENT) return err;
        return move_refusing(from, to);
    }
    const std::string held = writer_path(final, new_writer(), ".held");
    const int took = rename_name(to, held);
    if (took == 0) *taken = held;
    else if (took != ENOENT) return took;
    return move_without_replacing(from, to, way);
}

// ---- names in the folder --------------------------------------------------------

bool ends_with(const std::string& s, const char* ending) {
    const size_t n = std::strlen(ending);
    return s.size() > n && s.compare(s.size() - n, n, ending) == 0;
}

// A leftover's name split: the file it was written for, its writer and its
// kind. Names of the last releases are read too: "<name>.tmp",
// "<name>.<pid>.tmp", "<name>.<pid>-<n>.tmp", a turn's token
// "<name>.writing" and its aside "<name>.writing.<writer>.stale".
struct leftover_name {
    enum class kind { temporary, held, token };
    std::string final;
    std::string writer;
    kind what = kind::temporary;
};

bool parse_leftover(const std::string& entry, const std::set<std::string>& names, leftover_name* out) {
    if (ends_with(entry, ".writing") && names.count(entry.substr(0, entry.size() - 8))) {
        *out = {entry.substr(0, entry.size() - 8), "", leftover_name::kind::token};
        return true;
    }
    for (const char* ending : {".tmp", ".held", ".stale"}) {
        if (!ends_with(entry, ending)) continue;
        const std::string stem = entry.substr(0, entry.size() - std::strlen(ending));
        const bool temporary = std::strcmp(ending, ".tmp") == 0;
        if (temporary && names.count(stem)) {
            *out = {stem, "", leftover_name::kind::temporary};
            return true;
        }
        const size_t dot = stem.find_last_of('.');
        if (dot == std::string::npos) return false;
        std::string final = stem.substr(0, dot);
        leftover_name::kind what = temporary ? leftover_name::kind::temporary : leftover_name::kind::held;
        if (std::strcmp(ending, ".stale") == 0) {
            if (!ends_with(final, ".writing")) return false;
            final.resize(final.size() - std::strlen(".writing"));
            what = leftover_name::kind::token;
        }
        if (!names.count(final)) return false;
        const std::string writer = stem.substr(dot + 1);
        const char* p = writer.c_str();
        if (*p < '1' || *p > '9') return false;
        while (std::isdigit(static_cast<unsigned char>(*p))) ++p;
        if (*p == '-')
            for (++p; std::isxdigit(static_cast<unsigned char>(*p));) ++p;
        if (*p != '\0') return false;
        *out = {final, writer, what};
        return true;
    }
    return false;
}

// A kept name split ("<final>.<why>" or "<final>.<n>.<why>"); 0 for none.
unsigned parse_kept(const std::string& entry, const std::string& final, const char* why) {
    const std::string ending = std::string(".") + why;
    if (entry.compare(0, final.size() + 1, final + ".") != 0 || !ends_with(entry, ending.c_str())) return 0;
    const std::string middle = entry.substr(final.size(), entry.size() - final.size() - ending.size());
    if (middle.empty()) return 1;
    if (middle.size() < 2 || middle[0] != '.' || middle[1] == '0' ||
        middle.find_first_not_of("0123456789", 1) != std::string::npos || middle.size() > 5)
        return 0;
    const unsigned n = unsigned(std::strtoul(middle.c_str() + 1, nullptr, 10));
    return n >= 2 ? n : 0;
}

std::vector<std::string> entries_of(const std::string& folder) {
    std::vector<std::string> entries;
    list_folder(folder_key(folder), &entries);
    std::sort(entries.begin(), entries.end());
    return entries;
}

std::string name_of(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The kept names of final of the kind that stand, by number.
std::map<unsigned, std::string> kept_names(const std::string& final, const char* why) {
    std::map<unsigned, std::string> kept;
    const std::string folder = folder_of(final), name = name_of(final);
    for (const std::string& entry : entries_of(folder))
        if (const unsigned n = parse_kept(entry, name, why)) kept[n] = in_folder(folder, entry);
    return kept;
}

void note(const settle_notes& notes, settle_note::kind what, const std::string& path, const std::string& target = {},
          const std::string& why = {}, bool start = false) {
    if (notes) notes(settle_note{what, path, target, why, start});
}

} // namespace

// ---- the folder's way -----------------------------------------------------

const char* write_way_name(write_way way) {
    switch (way) {
    case write_way::exchange: return "exchange";
    case write_way::link: return "link";
    case write_way::move: return "move";
    case write_way::look: return "look";
    }
    return "?";
}

write_way folder_way(const std::string& folder, std::string* said) {
    const folder_state state = state_of(folder);
    if (said) *said = state.probed ? state.said : "not known: no file could be made there";
    return state.way;
}

void set_folder_locked(const std::string& folder, bool locked) {
    std::lock_guard<std::mutex> lock(g_folders_mutex);
    g_folders[folder_key(folder)].locked = locked;
}

bool folder_locked(const std::string& folder) {
    std::lock_guard<std::mutex> lock(g_folders_mutex);
    const auto it = g_folders.find(folder_key(folder));
    return it != g_folders.end() && it->second.locked;
}

void forget_folders() {
    std::lock_guard<std::mutex> lock(g_folders_mutex);
    g_folders.clear();
}

// ---- held files and kept names ------------------------------------------------

std::string kept_name(const std::string& final, unsigned n, const char* why) {
    return n <= 1 ? final + "." + why : final + "." + std::to_string(n) + "." + why;
}

keep_result keep_held(const held_file& file, const keep_rule& rule, const settle_notes& notes) {
    keep_result result;
    // Nothing is kept twice: not bytes that stand at the name, not those of
    // any file kept before.
    std::string same = same_bytes(file.path, file.final) ? file.final : std::string();
    const std::map<unsigned, std::string> kept = kept_names(file.final, rule.why);
    for (auto it = kept.begin(); same.empty() && it != kept.end(); ++it)
        if (same_bytes(file.path, it->second)) same = it->second;
    if (!same.empty()) {
        note(notes, settle_note::kind::same_bytes, file.path, same);
        remove_name(file.path);
        result.what = keep_result::outcome::same_bytes;
        return result;
    }
    const write_way way = folder_way(folder_of(file.final));
    for (unsigned n = std::max(rule.first, 1u); n <= rule.limit; ++n) {
        const std::string name = kept_name(file.final, n, rule.why);
        if (anything_at(name)) continue;
        // A number whose companion's kept name is taken (by anything: what
        // another user planted there need not give way) would part this
        // file from the one kept with it.
        if (!rule.beside.empty() && anything_at(kept_name(rule.beside, n, rule.why))) continue;
        note(notes, settle_note::kind::keeping, file.path, name);
        const int err = move_without_replacing(file.path, name, way);
        if (err == 0) {
            sync_folder(folder_of(name));
            result.what = keep_result::outcome::kept;
            result.name = name;
            result.number = n;
            return result;
        }
        if (err == EEXIST || err == ENOTEMPTY) {
            if (same_bytes(file.path, name)) {
                note(notes, settle_note::kind::same_bytes, file.path, name);
                remove_name(file.path);
                result.what = keep_result::outcome::same_bytes;
                return result;
            }
            continue;
        }
        note(notes, settle_note::kind::keep_failed, file.path, name, std::strerror(err));
        result.error = std::strerror(err);
        return result;
    }
    if (std::strcmp(rule.why, "damaged") == 0) {
        // A file damaged at every start must not fill the disk.
        note(notes, settle_note::kind::beyond_limit, file.path, file.final, std::to_string(rule.limit));
        remove_name(file.path);
        result.what = keep_result::outcome::beyond_limit;
        return result;
    }
    note(notes, settle_note::kind::no_name, file.path);
    result.what = keep_result::outcome::no_name;
    return result;
}

void drop_held(const held_file& file) { remove_name(file.path); }

// ---- a write ----------------------------------------------------------------------

// The stream's own writes: a failed one keeps its reason, which a stdio
// stream forgets (errno is anyone's by the time the writer looks).
struct safe_file_stream {
    static ssize_t write(void* cookie, const char* data, size_t size) {
        safe_file& f = *static_cast<safe_file*>(cookie);
        size_t done = 0;
        while (done < size) {
            const int injected = step("write", f.temp_);
            const ssize_t n = injected > 0 ? -1 : ::write(f.fd_, data + done, size - done);
            if (injected > 0) errno = injected;
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                if (f.write_error_ == 0) f.write_error_ = n < 0 ? errno : ENOSPC;
                break;
            }
            f.hash_ = hash_bytes(f.hash_, reinterpret_cast<const unsigned char*>(data + done), size_t(n));
            f.bytes_ += size_t(n);
            done += size_t(n);
        }
        // Fewer bytes than asked mark the stream as failed.
        return ssize_t(done);
    }
    // The descriptor is closed by the safe_file, after its sync.
    static int close(void*) { return 0; }
};

safe_file::~safe_file() { abandon(); }

void safe_file::fail(const char* what, int err) { error_ = std::string(what) + ": " + std::strerror(err); }

bool safe_file::open(const std::string& path) {
    abandon();
    error_.clear();
    write_error_ = 0;
    prepared_ = hold_ = holding_ = false;
    as_seen_ = nullptr;
    held_.clear();
    hash_ = kHashStart;
    bytes_ = 0;
    mark_.clear();
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
        writer_ = new_writer();
        temp_ = writer_path(path, writer_, ".tmp");
        held_name_ = writer_path(path, writer_, ".held");
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
        remove_name(temp_);
        return false;
    }
    return true;
}

void safe_file::hold_replaced(std::function<bool(const file_status*)> as_seen) {
    hold_ = true;
    as_seen_ = std::move(as_seen);
}

bool safe_file::prepare(bool name_too) {
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
        remove_name(temp_);
        return false;
    }
    mark_ = mark_text(hash_, bytes_);
    if (name_too) sync_folder(folder_of(temp_));
    prepared_ = true;
    return true;
}

// The new file stands at its name (a test hears so at once, before the
// temporary name, a second name of it by now, goes).
bool safe_file::placed() {
    step("committed", path_);
    if (anything_at(temp_)) remove_name(temp_);
    return true;
}

bool safe_file::place(bool hold) {
    const std::string folder = folder_of(path_);
    const write_way way = folder_way(folder);
    if (!hold) {
        // A writer that holds nothing (a variable dump, a picture) replaces
        // what stands. One that would, where nothing stood and nothing
        // stands, is placed where nothing stands still, so that a file
        // another program puts there meanwhile is held, not replaced.
        const int err = !hold_ || anything_at(path_) ? rename_name(temp_, path_)
                                                     : place_without_replacing(temp_, path_, way);
        if (err == 0) return placed();
        if (err != EEXIST) {
            fail("rename", err);
            return false;
        }
    }
    holding_ = true;
    if (way == write_way::look && !folder_locked(folder)) {
        // Nothing here can put a file at a name without replacing what
        // another copy put there in the same moment.
        error_ = "commit: without the save folder's lock a file cannot be written here without losing another "
                 "copy's (names cannot be exchanged, linked or moved without replacing)";
        return false;
    }
    const auto hold_taken = [&](const std::string& taken) {
        file_status st;
        status_of(taken, &st);
        held_.push_back({taken, path_, st});
    };
    int err = 0;
    if (way == write_way::exchange) {
        // The held name becomes a second name of the new file first: what
        // the exchange replaces then lands under it, a name no start
        // removes, and the temporary name only ever holds the new bytes.
        err = link_name(temp_, held_name_);
        if (err != 0) {
            fail("link", err);
            return false;
        }
        for (int attempt = 0; attempt < 8; ++attempt) {
            err = exchange_names(held_name_, path_);
            if (err == 0) {
                hold_taken(held_name_);
                return placed();
            }
            if (err != ENOENT) break;
            // Nothing stands there now; a file another writer puts there
            // first is exchanged with on the next turn.
            err = move_refusing(held_name_, path_);
            if (err == 0) return placed();
            if (err != EEXIST) break;
        }
        // The second name goes first: the temporary one still holds the
        // bytes, and a start that found only the held one would keep them.
        remove_name(held_name_);
        fail("rename", err);
        return false;
    }
    for (int attempt = 0; attempt < 8; ++attempt) {
        // Whatever stands is taken, whoever wrote it; the way look only gets
        // here with the folder's lock, so nothing comes between its look and
        // its move.
        const std::string taken = attempt == 0 ? held_name_ : writer_path(path_, new_writer(), ".held");
        err = rename_name(path_, taken);
        if (err == 0) hold_taken(taken);
        else if (err != ENOENT) break;
        err = place_without_replacing(temp_, path_, way);
        if (err == 0) return placed();
        if (err != EEXIST) break;
    }
    fail("rename", err);
    // What was taken goes back where nothing stands; a start settles it
    // otherwise.
    if (!held_.empty() && !anything_at(path_) && move_without_replacing(held_.back().path, path_, way) == 0)
        held_.pop_back();
    return false;
}

bool safe_file::commit() {
    held_.clear();
    holding_ = false;
    if (!prepare()) return false;
    prepared_ = false;
    if (safe_file_hook hook = g_hook.load()) hook(path_);
    bool hold = hold_;
    if (hold && as_seen_ && folder_locked(folder_of(path_))) {
        file_status now;
        const bool present = status_of(path_, &now);
        hold = !as_seen_(present ? &now : nullptr);
    }
    if (!place(hold)) {
        // What a failed commit holds stays held: a start settles it.
        if (anything_at(temp_)) remove_name(temp_);
        return false;
    }
    sync_folder(folder_of(path_));
    return true;
}

std::vector<held_file> safe_file::take_held() { return std::exchange(held_, {}); }

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
    if (made) remove_name(temp_);
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

// ---- pairs ------------------------------------------------------------------------

bool bears_mark(const std::string& path, const std::string& mark) {
    struct stat st;
    if (mark.compare(0, 2, "h:") == 0) {
        const int fd = open_regular(path, &st);
        if (fd < 0) return false;
        unsigned long long h = kHashStart;
        static thread_local unsigned char buffer[65536];
        off_t at = 0;
        for (ssize_t n; (n = ::pread(fd, buffer, sizeof buffer, at)) > 0; at += n) h = hash_bytes(h, buffer, size_t(n));
        ::close(fd);
        return mark_text(h, static_cast<unsigned long long>(at)) == mark;
    }
    // The last release named a save by its device, inode, size and time; the
    // size and time stay where a folder is copied keeping times or synced.
    unsigned long long device = 0, inode = 0, size = 0;
    long long seconds = 0;
    unsigned nanoseconds = 0;
    if (std::sscanf(mark.c_str(), "%llx:%llx:%llx:%lld.%9u", &device, &inode, &size, &seconds, &nanoseconds) != 5)
        return false;
    return regular_at(path, &st) && static_cast<unsigned long long>(st.st_size) == size &&
           st.st_mtim.tv_sec == seconds && static_cast<unsigned>(st.st_mtim.tv_nsec) == nanoseconds;
}

namespace {

// Where the main a mark names stands: its own name, a kept one (number
// n), or a name a write holds it under; "" for nowhere.
struct main_place {
    std::string path;
    unsigned kept = 0;
    bool held = false;
};

main_place find_main(const file_pair& pair, const std::string& mark) {
    const std::string folder = folder_of(pair.main), name = name_of(pair.main);
    if (bears_mark(pair.main, mark)) return {pair.main, 0, false};
    const std::set<std::string> names = {name};
    for (const std::string& entry : entries_of(folder)) {
        const std::string path = in_folder(folder, entry);
        if (const unsigned n = parse_kept(entry, name, "changed")) {
            if (bears_mark(path, mark)) return {path, n, false};
            continue;
        }
        leftover_name left;
        if (parse_leftover(entry, names, &left) && left.what == leftover_name::kind::held && bears_mark(path, mark))
            return {path, 0, true};
    }
    return {};
}

// Whether the held name at path is only a second name of its own writer's
// temporary file: a write that had not yet put it at its name.
bool uncommitted(const std::string& path, const leftover_name& left) {
    struct stat held, temp;
    const std::string temporary = in_folder(folder_of(path), left.final + "." + left.writer + ".tmp");
    return !left.writer.empty() && ::lstat(path.c_str(), &held) == 0 && ::lstat(temporary.c_str(), &temp) == 0 &&
           held.st_dev == temp.st_dev && held.st_ino == temp.st_ino;
}

} // namespace

void settle_companion(const file_pair& pair, held_file hand, unsigned unnamed, const settle_notes& notes) {
    const std::string folder = folder_of(pair.companion);
    const write_way way = folder_way(folder);
    std::vector<held_file> work = {std::move(hand)};
    bool moved = false, synced = false;
    // A companion goes with its main only once the main's going is durable:
    // a power cut must not bring back a main without it.
    const auto orphan = [&](const std::string& path) {
        if (!synced) sync_folder(folder);
        synced = true;
        note(notes, settle_note::kind::orphan, path);
        remove_name(path);
    };
    for (int round = 0; round < 64 && !work.empty(); ++round) {
        held_file h = std::move(work.back());
        work.pop_back();
        if (!anything_at(h.path)) continue;
        const std::string mark = pair.mark_of ? pair.mark_of(h.path) : std::string();
        if (mark.empty()) {
            if (unnamed == 0) {
                orphan(h.path);
            } else {
                keep_rule rule;
                rule.first = unnamed;
                keep_held(held_file{h.path, pair.companion, h.status}, rule, notes);
            }
            continue;
        }
        const main_place main = find_main(pair, mark);
        if (main.path.empty()) {
            orphan(h.path);
            continue;
        }
        // The write that holds the main settles it with its companion.
        if (main.held) continue;
        const std::string target = main.kept ? kept_name(pair.companion, main.kept, "changed") : pair.companion;
        const std::string standing = anything_at(target) && pair.mark_of ? pair.mark_of(target) : std::string();
        if (!standing.empty() && (standing == mark || bears_mark(main.path, standing))) {
            // Its main has its own beside it already.
            note(notes, same_bytes(h.path, target) ? settle_note::kind::same_bytes : settle_note::kind::orphan, h.path,
                 target);
            remove_name(h.path);
            continue;
        }
        // A companion put beside a kept main is kept too, and said so.
        if (main.kept) note(notes, settle_note::kind::keeping, h.path, target);
        std::string taken;
        const int err = put_holding(h.path, target, pair.companion, way, &taken);
        moved = true;
        if (!taken.empty() && taken != h.path) work.push_back({taken, pair.companion, {}});
        if (err == 0 && taken == h.path) work.push_back({h.path, pair.companion, {}});
        if (err == EEXIST) work.push_back(h);
        else if (err != 0) note(notes, settle_note::kind::failed, h.path, target, std::strerror(err));
    }
    if (moved) sync_folder(folder);
}

void settle_held_companions(const file_pair& pair, const settle_notes& notes) {
    const std::string folder = folder_of(pair.companion), name = name_of(pair.companion);
    const std::set<std::string> names = {name};
    const write_way way = folder_way(folder);
    for (const std::string& entry : entries_of(folder)) {
        leftover_name left;
        if (!parse_leftover(entry, names, &left) || left.what != leftover_name::kind::held) continue;
        const std::string path = in_folder(folder, entry);
        struct stat st;
        if (!regular_at(path, &st) || uncommitted(path, left)) continue;
        const std::string mark = pair.mark_of ? pair.mark_of(path) : std::string();
        if (mark.empty() || find_main(pair, mark).held) continue;
        // Taken into a hand of this writer's own in one step first: two
        // copies settling one companion never both move it.
        const std::string hand = writer_path(pair.companion, new_writer(), ".held");
        if (move_without_replacing(path, hand, way) == 0) settle_companion(pair, {hand, pair.companion, {}}, 0, notes);
    }
}

// ---- a start -----------------------------------------------------------------------

std::vector<held_file> settle_folder(const std::string& folder, const folder_files& files, const settle_notes& notes) {
    const write_way way = folder_way(folder);
    std::set<std::string> names = files.names;
    names.insert(kProbeName);
    const settle_notes start_notes = [&](const settle_note& n) {
        settle_note start = n;
        start.start = true;
        if (notes) notes(start);
    };
    const auto said = [&](settle_note::kind what, const std::string& path, const std::string& target = {},
                          const std::string& why = {}) { note(notes, what, path, target, why, true); };
    const auto removed = [&](const std::string& path) {
        said(settle_note::kind::temporary, path);
        const int err = remove_name(path);
        if (err != 0 && err != ENOENT) said(settle_note::kind::failed, path, {}, std::strerror(err));
    };
    std::map<std::string, std::string> main_of, companion_of;
    for (const auto& [companion, main] : files.pairs) {
        main_of[companion] = main;
        companion_of[main] = companion;
    }
    const auto pair_of = [&](const std::string& companion) {
        return file_pair{in_folder(folder, main_of[companion]), in_folder(folder, companion), files.mark_of};
    };

    // Every file that stays (at a file's name or a kept name), by identity.
    using file_id = std::pair<dev_t, ino_t>;
    std::set<file_id> staying;
    struct leftover {
        std::string path;
        leftover_name name;
    };
    std::vector<leftover> temporaries, held, tokens;
    for (const std::string& entry : entries_of(folder)) {
        const std::string path = in_folder(folder, entry);
        leftover_name left;
        if (parse_leftover(entry, names, &left)) {
            auto& list = left.what == leftover_name::kind::temporary ? temporaries
                         : left.what == leftover_name::kind::held    ? held
                                                                     : tokens;
            list.push_back({path, left});
            continue;
        }
        bool stays = names.count(entry) != 0;
        for (const std::string& name : files.names)
            stays = stays || parse_kept(entry, name, "changed") || parse_kept(entry, name, "damaged");
        struct stat st;
        if (stays && ::lstat(path.c_str(), &st) == 0) staying.insert({st.st_dev, st.st_ino});
    }

    // A token of the last release's turns never held bytes of any file.
    for (const leftover& token : tokens) {
        struct stat st;
        if (regular_at(token.path, &st) && st.st_uid == ::geteuid()) removed(token.path);
    }

    // Held names first, while every temporary name still stands to tell a
    // write not yet committed.
    std::vector<held_file> keep, companions;
    for (const leftover& h : held) {
        struct stat st;
        if (!regular_at(h.path, &st)) continue;
        if (uncommitted(h.path, h.name) || !staying.insert({st.st_dev, st.st_ino}).second) {
            removed(h.path);
            continue;
        }
        file_status status;
        status_of(h.path, &status);
        const held_file file{h.path, in_folder(folder, h.name.final), status};
        (main_of.count(h.name.final) ? companions : keep).push_back(file);
    }

    // A companion written whole, naming a main that stands, is finished: it
    // goes beside that main as its writer would have put it, first taken
    // into a hand of the start's own. Every other temporary name goes.
    std::vector<held_file> finished;
    for (const leftover& t : temporaries) {
        struct stat st;
        // A folder at such a name was never a writer's.
        if (::lstat(t.path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) continue;
        if (main_of.count(t.name.final) && files.mark_of) {
            const std::string mark = files.mark_of(t.path);
            const file_pair pair = pair_of(t.name.final);
            const main_place main = mark.empty() ? main_place{} : find_main(pair, mark);
            if (!main.path.empty()) {
                const std::string hand = writer_path(pair.companion, new_writer(), ".held");
                if (move_without_replacing(t.path, hand, way) == 0) {
                    finished.push_back({hand, pair.companion, {}});
                    continue;
                }
            }
        }
        removed(t.path);
    }

    std::vector<held_file> merged;
    for (const held_file& h : keep) {
        if (!anything_at(h.final)) {
            said(settle_note::kind::put_back, h.path, h.final);
            const int err = move_without_replacing(h.path, h.final, way);
            if (err == 0) continue;
            if (err != EEXIST) {
                said(settle_note::kind::failed, h.path, h.final, std::strerror(err));
                continue;
            }
        }
        const std::string name = name_of(h.final);
        if (files.merged.count(name) && !same_bytes(h.path, h.final)) {
            merged.push_back(h);
            continue;
        }
        keep_rule rule;
        if (companion_of.count(name)) rule.beside = in_folder(folder, companion_of[name]);
        keep_held(h, rule, start_notes);
    }
    for (held_file& h : companions) settle_companion(pair_of(name_of(h.final)), h, 1, start_notes);
    for (held_file& h : finished) settle_companion(pair_of(name_of(h.final)), h, 0, start_notes);
    sync_folder(folder_key(folder));
    return merged;
}

void set_safe_file_hook(safe_file_hook hook) { g_hook.store(hook); }
void set_safe_file_step_hook(safe_file_step_hook hook) { g_step_hook.store(hook); }

} // namespace psys
