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
#include <pwd.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>
#include <utility>

namespace psys {

namespace {

std::atomic<safe_file_step_hook> g_step_hook{nullptr};

// 0, or the errno a test makes the step fail with.
int step(const char* what, const std::string& path, const std::string& from = {}) {
    const safe_file_step_hook hook = g_step_hook.load();
    return hook ? hook(what, path, from) : 0;
}

// Each of these runs one system call as one counted step: 0 or the reason it
// failed (errno is set to it too). A test's hook may let the call run and,
// where it did, fail it all the same (a negative errno), as a lost reply
// does.
template <class Call>
int stepped(const char* what, const std::string& path, const std::string& from, Call call) {
    const int hooked = step(what, path, from);
    int err = hooked;
    if (hooked <= 0) {
        err = call() == 0 ? 0 : errno;
        if (hooked < 0 && err == 0) err = -hooked;
    }
    errno = err;
    return err;
}

// The first step of the running commit that failed though it had acted:
// what stands is the only truth then, and the write that goes on from it
// is told as one that may not outlive a power cut.
thread_local const char* t_acted_step = nullptr;
thread_local int t_acted_error = 0;

struct identity {
    bool is = false;
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const identity& o) const { return is && o.is && device == o.device && inode == o.inode; }
};

identity identity_at(const std::string& path) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0) return {};
    return {true, st.st_dev, st.st_ino};
}

// A step that changes names can act and still report an error (an NFS
// reply lost and the call sent again, which then finds its source gone or
// its new name taken; a FUSE file system's own error after the act): the
// names are looked at again after any error, and a step whose change stands
// whole counts as taken. A rename or a move acted where from's file stands
// at to and no longer at from; a link, where it stands at both; an
// exchange, where each stands at the other's name. What stood just before
// the call tells this step's change from another writer's: where from's
// file stood at to already (a start without the lock linked a companion's
// temporary file to its name), or from stood nowhere, the change is not
// this step's, and the error is met as it is.
enum class name_change { move, link, exchange };

// Records the first step of the running commit that acted though it said it
// failed.
void acted_all_the_same(const char* what, int err) {
    if (t_acted_error) return;
    t_acted_step = what;
    t_acted_error = err;
}

template <class Call>
int name_step(const char* what, const std::string& from, const std::string& to, name_change kind, Call call) {
    identity was_from, was_to;
    const int err = stepped(what, to, from, [&] {
        was_from = identity_at(from);
        was_to = identity_at(to);
        return call();
    });
    if (err == 0 || !was_from.is || was_to == was_from) return err;
    const identity now_from = identity_at(from), now_to = identity_at(to);
    const bool acted = now_to == was_from && (kind == name_change::link     ? now_from == was_from
                                              : kind == name_change::move ? !(now_from == was_from)
                                                                          : now_from == was_to);
    if (!acted) {
        errno = err;
        return err;
    }
    acted_all_the_same(what, err);
    errno = 0;
    return 0;
}

int rename_name(const std::string& from, const std::string& to) {
    return name_step("rename", from, to, name_change::move, [&] { return ::rename(from.c_str(), to.c_str()); });
}

int link_name(const std::string& from, const std::string& to) {
    return name_step("link", from, to, name_change::link, [&] { return ::link(from.c_str(), to.c_str()); });
}

int exchange_names(const std::string& a, const std::string& b) {
    return name_step("exchange", a, b, name_change::exchange, [&] {
        return ::renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE);
    });
}

int move_refusing(const std::string& from, const std::string& to) {
    return name_step("move", from, to, name_change::move, [&] {
        return ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE);
    });
}

// Removes the name (a file's, or an empty folder's). One whose call said
// it failed but whose name no longer leads to the file it stood for was
// removed all the same (6.1): nothing failed, and a commit counts it as a
// step that acted though it said it failed.
int remove_name(const std::string& path) {
    identity was;
    const int err = stepped("unlink", path, {}, [&] {
        was = identity_at(path);
        if (::unlink(path.c_str()) == 0) return 0;
        const int why = errno;
        if ((why == EISDIR || why == EPERM) && ::rmdir(path.c_str()) == 0) return 0;
        errno = why;
        return -1;
    });
    if (err == 0 || err == ENOENT || !was.is || identity_at(path) == was) return err;
    acted_all_the_same("unlink", err);
    errno = 0;
    return 0;
}

std::string folder_of(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
}

std::string name_of(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string in_folder(const std::string& folder, const std::string& name) {
    const std::string key = folder_key(folder);
    return key == "/" ? "/" + name : key + "/" + name;
}

// Errors that say this file system, or this folder's mode (one the player
// may write into but not read), cannot sync a folder at all: its names'
// changes are as durable as it makes them, and no write fails for that.
bool cannot_sync_folder(int err) {
    return err == EINVAL || err == ENOTSUP || err == EOPNOTSUPP || err == ENOSYS || err == EACCES || err == EPERM;
}

// Makes the names' changes in the folder durable (6.1): 0, or why they may
// not be (EIO, ENOSPC, EDQUOT, ...).
int sync_folder(const std::string& dir) {
    const int err = stepped("sync folder", dir, {}, [&] {
        const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) return -1;
        const int r = ::fsync(fd);
        const int saved = errno;
        ::close(fd);
        errno = saved;
        return r;
    });
    return cannot_sync_folder(err) ? 0 : err;
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

// A step the file system does not have (or refuses for every file alike).
bool unsupported(int err) { return err == EINVAL || err == ENOSYS || err == EOPNOTSUPP; }
// A link refused: no links on this file system, too many, a folder, or
// another user's file under the kernel's protected_hardlinks.
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

// Whether what stands in the folder (st) is the player's: its owner counts
// there, or cannot be told (an id this user namespace cannot tell is no
// stranger's). Only such a file is read, held, kept or settled (I6).
bool players(const std::string& folder, const struct stat& st) {
    return owner_judged(folder, st.st_uid, st.st_gid) != judged::does_not_count;
}

bool players_at(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0 && players(folder_of(path), st);
}

// Whether two regular files hold the same bytes, compared to their ends;
// false, unread, for files larger than limit.
bool same_bytes(const std::string& a, const std::string& b, unsigned long long limit = ~0ull) {
    struct stat sa, sb;
    const int fa = open_regular(a, &sa);
    const int fb = fa < 0 ? -1 : open_regular(b, &sb);
    bool same = fa >= 0 && fb >= 0 && sa.st_size == sb.st_size && static_cast<unsigned long long>(sa.st_size) <= limit;
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

std::string user_of(unsigned uid) {
    struct passwd pw {}, *found = nullptr;
    char buffer[4096];
    if (::getpwuid_r(uid_t(uid), &pw, buffer, sizeof buffer, &found) == 0 && found) return pw.pw_name;
    return std::to_string(uid);
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

bool hash_mark(const std::string& mark) { return mark.compare(0, 2, "h:") == 0; }

// The mark of the regular file at path as it reads now: none where no
// regular file stands there (nothing, a link, a folder, a FIFO); where a
// read failed, why (a file cut short by a failed read bears no mark of its
// own, and no other).
mark_read hash_of_file(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) return mark_read::after(errno);
    struct stat st;
    int why = ::fstat(fd, &st) == 0 ? 0 : errno;
    const bool regular = why == 0 && S_ISREG(st.st_mode);
    unsigned long long h = kHashStart;
    static thread_local unsigned char buffer[65536];
    off_t at = 0;
    while (regular && why == 0) {
        const ssize_t n = ::pread(fd, buffer, sizeof buffer, at);
        if (n == 0) break;
        if (n > 0) {
            h = hash_bytes(h, buffer, size_t(n));
            at += n;
        } else if (errno != EINTR) {
            why = errno;
        }
    }
    ::close(fd);
    if (why) return mark_read::failed(why);
    return regular ? mark_read(mark_text(h, static_cast<unsigned long long>(at))) : mark_read();
}

// The mark the companion at path bears, as the pair's reader reads it.
mark_read companion_mark(const mark_of_companion& mark_of, const std::string& path) {
    return mark_of ? mark_of(path) : mark_read();
}

// The marks of the mains a settling looks at, each file's hash read once
// (files are named by identity and contents' time, so a file a move renamed
// is not read again).
class mark_reader {
public:
    // The mark of the file of that status, as its writer made it.
    void know(const file_status& file, const std::string& mark) {
        if (!hash_mark(mark)) return;
        hashes_[std::make_tuple(dev_t(file.device), ino_t(file.inode), off_t(file.size), time_t(file.modified_seconds),
                                long(file.modified_nanoseconds))] = mark;
    }
    // Whether the file at path bears the mark; where the read that would
    // tell failed, false, and why in *unread.
    bool bears(const std::string& path, const std::string& mark, int* unread = nullptr) {
        struct stat st;
        if (!hash_mark(mark)) return older_mark_names(path, mark);
        const size_t colon = mark.find_last_of(':');
        if (colon == std::string::npos || !regular_at(path, &st) ||
            std::to_string(st.st_size) != mark.substr(colon + 1))
            return false;
        const auto key = std::make_tuple(st.st_dev, st.st_ino, st.st_size, st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
        auto it = hashes_.find(key);
        if (it == hashes_.end()) it = hashes_.emplace(key, hash_of_file(path)).first;
        if (it->second.error && unread) *unread = it->second.error;
        return !it->second.error && it->second.mark == mark;
    }

private:
    // An earlier release named a save by its device, inode, size and time;
    // the size and time stay where a folder is copied keeping times or
    // synced.
    static bool older_mark_names(const std::string& path, const std::string& mark) {
        unsigned long long device = 0, inode = 0, size = 0;
        long long seconds = 0;
        unsigned nanoseconds = 0;
        struct stat st;
        if (std::sscanf(mark.c_str(), "%llx:%llx:%llx:%lld.%9u", &device, &inode, &size, &seconds, &nanoseconds) != 5)
            return false;
        return regular_at(path, &st) && static_cast<unsigned long long>(st.st_size) == size &&
               st.st_mtim.tv_sec == seconds && static_cast<unsigned>(st.st_mtim.tv_nsec) == nanoseconds;
    }

    std::map<std::tuple<dev_t, ino_t, off_t, time_t, long>, mark_read> hashes_;
};

// ---- the folders' ways ------------------------------------------------------

struct folder_state {
    bool probed = false;
    write_way way = write_way::exchange;
    bool locked = false;
};

std::mutex g_folders_mutex;
std::map<std::string, folder_state> g_folders;

// The name the probe's files are written for, so that a start removes what
// a probe ended in its middle left.
constexpr const char* kProbeName = "way-probe";

// Tries, with files of its own in the folder, what the folder's file system
// can do; false where it could not even make them, or a step failed for a
// reason that says nothing of what the file system can do (nothing was
// learnt: the next write tries again).
bool probe(const std::string& folder, write_way* way) {
    const std::string base = in_folder(folder, kProbeName);
    const std::string a = writer_path(base, new_writer(), ".tmp"), b = writer_path(base, new_writer(), ".tmp"),
                      c = writer_path(base, new_writer(), ".tmp");
    const auto make = [](const std::string& path) {
        return stepped("open", path, {}, [&] {
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
    const int linked = unsupported(exchanged) || exchanged == 0 ? link_name(a, c) : exchanged;
    if (exchanged == 0 && linked == 0) {
        *way = write_way::exchange;
    } else if ((exchanged != 0 && !unsupported(exchanged)) || (linked != 0 && !cannot_link(linked))) {
        learnt = false;
    } else if (linked == 0) {
        *way = write_way::link;
    } else {
        const int moved = move_refusing(a, c);
        if (moved == 0) *way = write_way::move;
        else if (unsupported(moved)) *way = write_way::look;
        else learnt = false;
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
    const bool learnt = probe(key, &way);
    std::lock_guard<std::mutex> lock(g_folders_mutex);
    folder_state& state = g_folders[key];
    if (learnt && !state.probed) {
        state.probed = true;
        state.way = way;
    }
    return state;
}

// ---- moves in the folder's way ------------------------------------------------

// Puts the file at from at to unless something stands at to (EEXIST then),
// in the folder's way (section 3). No step here replaces what stands, but
// the look way's move where a look found nothing (6.3), which the link way
// takes too where a link and a refusing move are both refused, only with
// the folder's lock (I2).
int place_without_replacing(const std::string& from, const std::string& to, write_way way, bool locked) {
    if (way == write_way::exchange || way == write_way::move) return move_refusing(from, to);
    if (way == write_way::link) {
        const int linked = link_name(from, to);
        if (!cannot_link(linked)) return linked;
        const int moved = move_refusing(from, to);
        if (!unsupported(moved) || !locked) return moved;
    }
    if (const int err = stepped("look", to, from, [] { return 0; })) return err;
    if (anything_at(to)) return EEXIST;
    return rename_name(from, to);
}

// The same, from going where it was linked.
int move_without_replacing(const std::string& from, const std::string& to, write_way way, bool locked) {
    const int err = place_without_replacing(from, to, way, locked);
    if (err == 0 && anything_at(from)) remove_name(from);
    return err;
}

// Whether from's own file stands at to already (a start without the lock
// links a companion's temporary file to its name): it is placed, and
// taking it would hold the very file placed.
bool placed_already(const std::string& from, const std::string& to) { return identity_at(to) == identity_at(from); }

// The one take-then-place step of a commit and of a companion's put: puts
// the file at from at to, first taking whatever stands at to under a held
// name of final's (the first one given, then new ones), or, in the exchange
// way, exchanging the two so that from then holds it. Names holding what
// was taken are added to *taken. 0, or why not: after a failure what was
// taken last goes back to to where nothing stands there, and otherwise stays
// held (I5). From stays where the place linked it.
int take_then_place(const std::string& from, const std::string& to, const std::string& final,
                    const std::string& first_held, write_way way, bool locked, std::vector<std::string>* taken) {
    constexpr int kTurns = 8;
    int err = 0;
    if (way == write_way::exchange) {
        for (int turn = 0; turn < kTurns; ++turn) {
            err = exchange_names(from, to);
            // Two names of one file exchange nothing: from, a second name
            // of the file placed already, goes, and nothing is taken.
            if (err == 0 && placed_already(from, to)) {
                remove_name(from);
                return 0;
            }
            if (err == 0) {
                taken->push_back(from);
                return 0;
            }
            if (err != ENOENT) return err;
            // Nothing stands there now; a file another writer puts there
            // first is exchanged with on the next turn.
            err = move_refusing(from, to);
            if (err != EEXIST) return err;
        }
        return err;
    }
    const size_t before = taken->size();
    for (int turn = 0; turn < kTurns; ++turn) {
        // Whatever stands is taken, whoever wrote it; the look way's move
        // comes only after a look finds nothing there.
        const std::string held = turn == 0 && !first_held.empty() ? first_held : writer_path(final, new_writer(), ".held");
        err = rename_name(to, held);
        if (err == 0) taken->push_back(held);
        else if (err != ENOENT) break;
        err = place_without_replacing(from, to, way, locked);
        if (err == 0 || (err == EEXIST && placed_already(from, to))) return 0;
        if (err != EEXIST) break;
    }
    if (taken->size() > before && !anything_at(to) &&
        move_without_replacing(taken->back(), to, way, locked) == 0)
        taken->pop_back();
    return err;
}

// ---- names in the folder --------------------------------------------------------

bool ends_with(const std::string& s, const char* ending) {
    const size_t n = std::strlen(ending);
    return s.size() > n && s.compare(s.size() - n, n, ending) == 0;
}

// A leftover's name split: the file it was written for, its writer and its
// kind. Names of earlier releases are read too: "<name>.tmp",
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

// The folder's names, sorted; where they could not all be read, none, and
// why in *unlisted (a folder that is not there has none).
std::vector<std::string> entries_of(const std::string& folder, int* unlisted = nullptr) {
    const std::string key = folder_key(folder);
    std::vector<std::string> entries;
    int why = std::abs(step("read", key));
    if (!why && !list_folder(key, &entries) && errno != ENOENT && errno != ENOTDIR) why = errno;
    if (why) {
        if (unlisted) *unlisted = why;
        return {};
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

// The kept names of final of the kind that stand and are the player's, by
// number.
std::map<unsigned, std::string> kept_names(const std::string& final, const char* why,
                                           const std::vector<std::string>& entries) {
    std::map<unsigned, std::string> kept;
    const std::string folder = folder_of(final), name = name_of(final);
    for (const std::string& entry : entries)
        if (const unsigned n = parse_kept(entry, name, why)) {
            const std::string path = in_folder(folder, entry);
            if (players_at(path)) kept[n] = path;
        }
    return kept;
}

void note(const settle_notes& notes, settle_note::kind what, const std::string& path, const std::string& target = {},
          const std::string& why = {}, bool start = false) {
    if (notes) notes(settle_note{what, path, target, why, start});
}

// Removes a name, saying why just before and, where it stays, that too.
void remove_said(const settle_notes& notes, settle_note::kind what, const std::string& path,
                 const std::string& target = {}, bool start = false) {
    note(notes, what, path, target, {}, start);
    const int err = remove_name(path);
    if (err != 0 && err != ENOENT) note(notes, settle_note::kind::failed, path, {}, std::strerror(err), start);
}

} // namespace

// ---- the folder's way -----------------------------------------------------

write_way folder_way(const std::string& folder, std::string* said) {
    const folder_state state = state_of(folder);
    if (said) {
        static const char* const kSaid[] = {"名前の入れ替え", "ハードリンク", "置き換えない移動", "確かめてからの移動"};
        *said = state.probed ? kSaid[int(state.way)] : "不明(ファイルを作れません)";
    }
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

std::string folder_key(const std::string& folder) {
    std::string key;
    size_t at = 0;
    while (at <= folder.size()) {
        size_t slash = folder.find('/', at);
        if (slash == std::string::npos) slash = folder.size();
        const std::string part = folder.substr(at, slash - at);
        if (!part.empty() && part != ".") key += (key.empty() ? "" : "/") + part;
        at = slash + 1;
    }
    if (!folder.empty() && folder[0] == '/') return "/" + key;
    return key.empty() ? "." : key;
}

// ---- whose a file is -----------------------------------------------------------

standing_file look_at(const std::string& path) {
    standing_file found;
    stranger& s = found.refused;
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0) return found;
    s.uid = st.st_uid;
    s.own = s.uid == ::geteuid();
    bool opened = false;
    if (!players(folder_of(path), st)) {
        s.what = stranger::kind::others;
    } else if (S_ISREG(st.st_mode)) {
        // One open tells whether it reads and what it is.
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd >= 0) {
            opened = found.readable = found.present = status_of_open(fd, &found.status);
            ::close(fd);
        } else if (errno == EACCES || errno == EPERM) {
            s.what = stranger::kind::unreadable;
        }
    }
    if (s.what != stranger::kind::none) {
        s.user = user_of(s.uid);
        return found;
    }
    if (!opened) {
        found.present = status_of(path, &found.status);
        found.readable = found.present && can_open_for_reading(path);
    }
    return found;
}

stranger stranger_at(const std::string& path) { return look_at(path).refused; }

std::string player_name(const std::string& folder) {
    struct stat st {};
    return ::stat(folder_key(folder).c_str(), &st) == 0 ? user_of(st.st_uid) : std::string();
}

// ---- held files and kept names ------------------------------------------------

std::string kept_name(const std::string& final, unsigned n, const char* why) {
    return n <= 1 ? final + "." + why : final + "." + std::to_string(n) + "." + why;
}

keep_result keep_held(const held_file& file, const keep_rule& rule, const settle_notes& notes) {
    keep_result result;
    const std::string folder = folder_of(file.final);
    const auto removed_as_same = [&](const std::string& same) {
        remove_said(notes, settle_note::kind::same_bytes, file.path, same);
        result.what = keep_result::outcome::same_bytes;
        return result;
    };
    // Nothing is kept twice: not bytes that stand at the name, not those of
    // any file kept before (of the player's: another user's bytes are no
    // copy of the player's).
    if (players_at(file.final) && same_bytes(file.path, file.final, rule.compared)) return removed_as_same(file.final);
    for (const auto& [n, kept] : kept_names(file.final, rule.why, entries_of(folder)))
        if (same_bytes(file.path, kept, rule.compared)) return removed_as_same(kept);
    const write_way way = folder_way(folder);
    const bool locked = folder_locked(folder);
    for (unsigned n = 1; n <= rule.limit; ++n) {
        const std::string name = kept_name(file.final, n, rule.why);
        if (anything_at(name)) continue;
        // A number whose companion's kept name is taken (by anything: what
        // another user planted there need not give way) would part this
        // file from the one kept with it.
        if (!rule.beside.empty() && anything_at(kept_name(rule.beside, n, rule.why))) continue;
        note(notes, settle_note::kind::keeping, file.path, name);
        const int err = move_without_replacing(file.path, name, way, locked);
        if (err == 0) {
            result.what = keep_result::outcome::kept;
            result.name = name;
            result.number = n;
            if (const int synced = sync_folder(folder)) {
                result.error = std::strerror(synced);
                note(notes, settle_note::kind::unsynced, folder, name, result.error);
            }
            return result;
        }
        if (err == ENOENT && !anything_at(file.path)) {
            note(notes, settle_note::kind::gone, file.path, name);
            result.what = keep_result::outcome::gone;
            return result;
        }
        if (err == EEXIST || err == ENOTEMPTY) {
            // Another copy kept the same bytes there in that instant.
            if (players_at(name) && same_bytes(file.path, name, rule.compared)) return removed_as_same(name);
            note(notes, settle_note::kind::name_taken, file.path, name);
            continue;
        }
        result.error = std::strerror(err);
        note(notes, settle_note::kind::keep_failed, file.path, name, result.error);
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

bool drop_held(const held_file& file) {
    const int err = remove_name(file.path);
    return err == 0 || err == ENOENT;
}

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

void safe_file::fail(const char* what, int err) {
    error_ = std::string(what) + ": " + std::strerror(err);
    failed_step_ = what;
    errno_ = err;
}

bool safe_file::open(const std::string& path, bool players_only) {
    abandon();
    found_ = standing_file{};
    error_.clear();
    failed_step_.clear();
    errno_ = 0;
    write_error_ = 0;
    prepared_ = hold_ = holding_ = placed_ = companion_ = false;
    as_seen_ = nullptr;
    held_.clear();
    hash_ = kHashStart;
    bytes_ = 0;
    mark_.clear();
    if (path.empty()) {
        fail("open", ENOENT);
        return false;
    }
    path_ = path;
    if (players_only) {
        found_ = look_at(path);
        if (found_.refused.what != stranger::kind::none) {
            fail("open", EACCES);
            return false;
        }
    }
    // Made anew: the bytes only ever reach a file made here, never one a
    // link planted at the name leads to, nor another writer's. A name taken
    // already can only be chance, and a new one is drawn.
    int err = EEXIST;
    for (int attempt = 0; attempt < 4 && err == EEXIST; ++attempt) {
        writer_ = new_writer();
        temp_ = writer_path(path, writer_, ".tmp");
        held_name_ = writer_path(path, writer_, ".held");
        err = stepped("open", temp_, {}, [&] {
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
        if (error_.empty()) fail("commit", EBADF);
        return false;
    }
    bool ok = true;
    if (std::ferror(file_) || std::fflush(file_) != 0) {
        fail("write", write_error_ ? write_error_ : EIO);
        ok = false;
    } else if (const int err = stepped("sync", temp_, {}, [&] { return ::fsync(fd_); })) {
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
    if (ok && name_too) {
        if (const int err = sync_folder(folder_of(temp_))) {
            fail("sync folder", err);
            ok = false;
        }
    }
    if (!ok) {
        remove_name(temp_);
        return false;
    }
    mark_ = mark_text(hash_, bytes_);
    prepared_ = true;
    companion_ = name_too;
    return true;
}

// The new file stands at its name (a test hears so at once, before the
// temporary name, a second name of it by now, goes).
bool safe_file::on_placed() {
    step("committed", path_);
    placed_ = true;
    if (anything_at(temp_)) remove_name(temp_);
    return true;
}

// Whether a start without the lock put this write's temporary file at its
// name already (a companion written whole beside its main): the file that
// stands there is this write's own, linked there (its temporary name stands
// too) or moved. A symbolic link at the name is no file of this write's,
// wherever it leads; only where the temporary name is gone can a move that
// gave the file another number (FAT through FUSE) be told by its bytes.
bool safe_file::placed_by_another() const {
    if (identity_at(path_) == identity{true, dev_t(written_.device), ino_t(written_.inode)}) return true;
    return !anything_at(temp_) && bears_mark(path_, mark_);
}

bool safe_file::place(bool hold, bool present) {
    const std::string folder = folder_of(path_);
    const write_way way = folder_way(folder);
    const bool locked = folder_locked(folder);
    if (!hold) {
        // A writer that holds nothing (a variable dump, a picture) replaces
        // what stands, and so does one with the lock over its own older
        // file (R4). One with the lock where nothing stood is placed where
        // nothing stands still, so that a file another program put there
        // since that look is held, not replaced.
        const int err = !hold_ || present ? rename_name(temp_, path_) : place_without_replacing(temp_, path_, way, locked);
        if (err == 0 || ((err == ENOENT || err == EEXIST) && placed_by_another())) return on_placed();
        if (err != EEXIST) {
            fail("rename", err);
            return false;
        }
    }
    holding_ = true;
    std::string from = temp_;
    if (way == write_way::exchange) {
        // The held name becomes a second name of the new file first: what
        // the exchange replaces then lands under it, a name no start
        // removes, and the temporary name only ever holds the new bytes.
        if (const int err = link_name(temp_, held_name_)) {
            if (err == ENOENT && placed_by_another()) return on_placed();
            fail("link", err);
            return false;
        }
        from = held_name_;
    }
    std::vector<std::string> taken;
    const int err = take_then_place(from, path_, path_, held_name_, way, locked, &taken);
    for (const std::string& name : taken) {
        // One a start without the lock put back meanwhile was taken again.
        file_status st;
        if (status_of(name, &st)) held_.push_back({name, path_, st});
    }
    if (err == 0 || (err == ENOENT && placed_by_another())) return on_placed();
    // In the exchange way nothing was taken: the held name is still a second
    // name of the temporary file, and goes first, for a start that found
    // only it would keep the new bytes.
    if (way == write_way::exchange) remove_name(held_name_);
    fail(way == write_way::exchange ? "exchange" : "rename", err);
    return false;
}

bool safe_file::commit() {
    held_.clear();
    holding_ = placed_ = false;
    if (!prepare()) return false;
    t_acted_step = nullptr;
    t_acted_error = 0;
    prepared_ = false;
    // The looks just before the step decide: what stands now is the file the
    // writer last saw (or nothing, as it saw), and only then, with the lock,
    // is it not held.
    const bool present = anything_at(path_);
    bool hold = hold_;
    if (hold && as_seen_ && folder_locked(folder_of(path_))) {
        file_status now;
        const bool stands = status_of(path_, &now);
        hold = !as_seen_(stands ? &now : nullptr);
    }
    if (!place(hold, present)) {
        // What a failed commit holds stays held (take_held names it): a
        // start settles it. So does a companion's temporary file, whole and
        // its name synced: a start puts it beside its main, unless this
        // user may not take what stands at its name at all.
        const bool refused = errno_ == EPERM || errno_ == EACCES;
        if ((!companion_ || refused) && anything_at(temp_)) remove_name(temp_);
        return false;
    }
    if (const int err = sync_folder(folder_of(path_))) {
        // The name may not outlive a power cut: the write fails, and what it
        // holds stays held, for a start (I4, I5).
        fail("sync folder", err);
        return false;
    }
    // The file stands, but a step on the way said it failed: whether the
    // names outlive a power cut is not known, and what it holds stays held
    // for a start, as after a folder sync that fails.
    if (t_acted_error) {
        fail(t_acted_step, t_acted_error);
        return false;
    }
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

bool bears_mark(const std::string& path, const std::string& mark) { return mark_reader().bears(path, mark); }

std::string mark_of_bytes(const void* data, size_t size) {
    return mark_text(hash_bytes(kHashStart, static_cast<const unsigned char*>(data), size), size);
}

std::string mark_of_file(const std::string& path) { return players_at(path) ? hash_of_file(path).mark : std::string(); }

namespace {

// Where the main a mark names stands: its own name, a kept one (number
// n, as changed or damaged), or a name a write holds it under; "" for
// nowhere, or for where cannot be told (unread: why the read of a file
// looked at before failed). Only the player's files count.
struct main_place {
    std::string path;
    unsigned kept = 0;
    bool held = false;
    const char* why = "changed";
    int unread = 0;
};

main_place find_main(const file_pair& pair, const std::string& mark, mark_reader& marks,
                     const std::vector<std::string>& entries) {
    const std::string folder = folder_of(pair.main), name = name_of(pair.main);
    int unread = 0;
    const auto bears = [&](const std::string& path) {
        return players_at(path) && marks.bears(path, mark, &unread) && !unread;
    };
    if (bears(pair.main)) return {pair.main, 0, false};
    const std::set<std::string> names = {name};
    for (const std::string& entry : entries) {
        const std::string path = in_folder(folder, entry);
        bool kept = false;
        for (const char* why : {"changed", "damaged"})
            if (const unsigned n = parse_kept(entry, name, why)) {
                if (bears(path)) return {path, n, false, why};
                kept = true;
            }
        if (kept) continue;
        leftover_name left;
        if (parse_leftover(entry, names, &left) && left.what == leftover_name::kind::held && bears(path))
            return {path, 0, true};
    }
    main_place nowhere;
    nowhere.unread = unread;
    return nowhere;
}

// Whether the held name at path is only a second name of its own writer's
// temporary file: a write that had not yet put it at its name.
bool uncommitted(const std::string& path, const leftover_name& left) {
    struct stat held, temp;
    const std::string temporary = in_folder(folder_of(path), left.final + "." + left.writer + ".tmp");
    return !left.writer.empty() && ::lstat(path.c_str(), &held) == 0 && ::lstat(temporary.c_str(), &temp) == 0 &&
           held.st_dev == temp.st_dev && held.st_ino == temp.st_ino;
}

// One settling of a pair's companions in hand (I7), in its passes: those
// other writes left in hand are taken into hands of this one; then each
// hand goes beside its main, waits while a write holds that, or goes as a
// companion of no main or as a twin of the one standing beside its main;
// the folder is synced after what was placed. Its folder's names are
// listed once: a settling moves only companions, never a main, and only
// mains are looked for in the listing.
class companion_settling {
public:
    companion_settling(const file_pair& pair, const settle_notes& notes, mark_reader& marks)
        : pair_(pair), notes_(notes), marks_(marks), folder_(folder_of(pair.companion)), way_(folder_way(folder_)),
          locked_(folder_locked(folder_)), entries_(entries_of(folder_, &unlisted_)) {}

    // 0, or the errno of the first step that failed.
    int run(std::vector<companion_hand> hands) {
        hands_ = std::move(hands);
        take_others_hands();
        for (int round = 0; round < 64 && !hands_.empty(); ++round) {
            companion_hand h = std::move(hands_.back());
            hands_.pop_back();
            settle(std::move(h));
        }
        if (moved_)
            if (const int err = sync_folder(folder_)) {
                note(notes_, settle_note::kind::unsynced, folder_, {}, std::strerror(err));
                if (!first_failure_) first_failure_ = err;
            }
        return first_failure_;
    }

private:
    // Those other writes left in hand go too, where they find the main they
    // name and no write holds it: each taken first into a hand of this
    // writer's own in one step, so that two copies settling one companion
    // never both move it. One that finds no main of its own is left for a
    // start, which knows no write is under way.
    void take_others_hands() {
        std::set<std::string> in_hand;
        for (const companion_hand& h : hands_) in_hand.insert(h.file.path);
        const std::set<std::string> names = {name_of(pair_.companion)};
        for (const std::string& entry : entries_) {
            leftover_name left;
            if (!parse_leftover(entry, names, &left) || left.what != leftover_name::kind::held) continue;
            const std::string path = in_folder(folder_, entry);
            struct stat st;
            if (in_hand.count(path) || !regular_at(path, &st) || !players(folder_, st) || uncommitted(path, left))
                continue;
            const std::string mark = companion_mark(pair_.mark_of, path).mark;
            if (mark.empty()) continue;
            const main_place main = find_main(pair_, mark, marks_, entries_);
            if (main.held || (main.path.empty() && !hash_mark(mark))) continue;
            const std::string hand = writer_path(pair_.companion, new_writer(), ".held");
            if (move_without_replacing(path, hand, way_, locked_) == 0) hands_.push_back({{hand, pair_.companion, {}}});
        }
    }

    // One hand: where its main is, it goes beside it (or, beside the
    // companion its main has already, goes as a twin); where a write holds
    // its main, it waits; where no main may be its, it goes. Where a read
    // that would tell where it goes failed, it stays where it is held, said.
    void settle(companion_hand h) {
        const std::string& path = h.file.path;
        if (!anything_at(path)) return;
        const mark_read read = companion_mark(pair_.mark_of, path);
        const std::string& mark = read.mark;
        const main_place main =
            read.error || mark.empty() ? main_place{} : find_main(pair_, mark, marks_, entries_);
        // The write that holds the main settles it with its companion.
        if (main.held) return;
        // Where a read it rests on failed (its mark, a main's, or, for a
        // main found nowhere, the folder's names), where it goes cannot be
        // told.
        if (const int unread = read.error ? read.error : main.unread ? main.unread : main.path.empty() ? unlisted_ : 0)
            return failed(path, {}, unread);
        std::string target;
        if (!main.path.empty()) {
            target = main.kept ? kept_name(pair_.companion, main.kept, main.why) : pair_.companion;
        } else if (h.main == companion_hand::main_was::kept) {
            // One that finds no main goes with the one its write kept from
            // its name: a save whose bytes were damaged names by no hash.
            target = kept_name(pair_.companion, h.kept_with, h.kept_as);
        } else if (h.main != companion_hand::main_was::dropped && (!hash_mark(mark) || locked_)) {
            // An older companion that finds no main goes with one alone
            // (I7); one naming a hash, only where no copy can be writing,
            // with a kept one alone (a damaged save, which its hash no
            // longer names); while a write holds a main of the pair, that
            // may be its own, and it waits.
            if (main_held()) return;
            int unread = 0;
            target = main_alone(hash_mark(mark), &unread);
            if (unread) return failed(path, {}, unread);
        }
        if (target.empty()) return orphan(path);
        if (twin_stands(mark, main, target)) return remove_twin(path, target);
        place(std::move(h), target);
    }

    // Whether a main of the pair is held by a write.
    bool main_held() const {
        const std::set<std::string> names = {name_of(pair_.main)};
        for (const std::string& entry : entries_) {
            leftover_name left;
            if (parse_leftover(entry, names, &left) && left.what == leftover_name::kind::held &&
                players_at(in_folder(folder_, entry)))
                return true;
        }
        return false;
    }

    // Where a companion that finds no main of its own goes when its write
    // did not say: beside the main at its own name, where none stands there
    // or the one standing names another main by its hash (one of an older
    // form may be that main's: the one standing stays), unless kept_only;
    // else beside the main kept (as damaged first) under the highest number
    // with no companion beside it; "" for nowhere, or for cannot be told
    // (why a read failed in *unread).
    std::string main_alone(bool kept_only, int* unread) {
        if (!kept_only && players_at(pair_.main)) {
            if (!anything_at(pair_.companion)) return pair_.companion;
            // Another user's file there is never read (I6), and never replaced.
            const mark_read standing =
                players_at(pair_.companion) ? companion_mark(pair_.mark_of, pair_.companion) : mark_read();
            if ((*unread = standing.error)) return {};
            if (hash_mark(standing.mark) && !marks_.bears(pair_.main, standing.mark)) return pair_.companion;
        }
        for (const char* why : {"damaged", "changed"}) {
            const std::map<unsigned, std::string> kept = kept_names(pair_.main, why, entries_);
            for (auto it = kept.rbegin(); it != kept.rend(); ++it) {
                const std::string beside = kept_name(pair_.companion, it->first, why);
                if (!anything_at(beside)) return beside;
            }
        }
        return {};
    }

    // Whether the companion standing at target names the same main: the
    // one standing stays.
    bool twin_stands(const std::string& mark, const main_place& main, const std::string& target) {
        if (!players_at(target) || !pair_.mark_of) return false;
        const std::string standing = companion_mark(pair_.mark_of, target).mark;
        return !standing.empty() && (standing == mark || (!main.path.empty() && marks_.bears(main.path, standing)));
    }

    void remove_twin(const std::string& path, const std::string& target) {
        note(notes_, same_bytes(path, target) ? settle_note::kind::same_bytes : settle_note::kind::twin, path, target);
        const int err = remove_name(path);
        if (err != 0 && err != ENOENT) failed(path, {}, err);
    }

    // A companion goes with its main only once the main's going is durable:
    // a power cut must not bring back a main without it.
    void orphan(const std::string& path) {
        if (!synced_) {
            if (const int err = sync_folder(folder_)) return failed(path, {}, err);
            synced_ = true;
        }
        note(notes_, settle_note::kind::orphan, path);
        const int err = remove_name(path);
        if (err != 0 && err != ENOENT) failed(path, {}, err);
    }

    // Puts the hand at target, holding what stood there, which goes on the
    // same way. A companion put beside a kept main is kept too, and said so;
    // one put back at its own name is said as a start puts back a file, but
    // a write's own finishing only in the debug log.
    void place(companion_hand h, const std::string& target) {
        const std::string path = h.file.path;
        note(notes_, target != pair_.companion ? settle_note::kind::keeping
                     : h.finished             ? settle_note::kind::finished
                                              : settle_note::kind::put_back,
             path, target);
        std::vector<std::string> taken;
        const int err = take_then_place(path, target, pair_.companion, {}, way_, locked_, &taken);
        moved_ = true;
        if (err == 0 && way_ != write_way::exchange && anything_at(path)) remove_name(path);
        for (const std::string& t : taken) hands_.push_back({{t, pair_.companion, {}}});
        if (err == EEXIST) hands_.push_back(std::move(h));
        // One another settled meanwhile stands elsewhere.
        else if (err != 0 && !(err == ENOENT && !anything_at(path))) failed(path, target, err);
    }

    void failed(const std::string& path, const std::string& target, int err) {
        note(notes_, settle_note::kind::failed, path, target, std::strerror(err));
        if (!first_failure_) first_failure_ = err;
    }

    const file_pair& pair_;
    const settle_notes& notes_;
    mark_reader& marks_;
    const std::string folder_;
    const write_way way_;
    const bool locked_;
    // Why the folder's names could not be read (set before they are).
    int unlisted_ = 0;
    const std::vector<std::string> entries_;
    std::vector<companion_hand> hands_;
    bool moved_ = false, synced_ = false;
    int first_failure_ = 0;
};

} // namespace

int settle_companions(const file_pair& pair, std::vector<companion_hand> hands, const settle_notes& notes,
                      const known_mark& main) {
    mark_reader marks;
    marks.know(main.file, main.mark);
    return companion_settling(pair, notes, marks).run(std::move(hands));
}

// ---- a start -----------------------------------------------------------------------

namespace {

// One start's settling of a folder, in the passes section 5 names.
class folder_settling {
public:
    folder_settling(const std::string& folder, const folder_files& files, bool locked, const settle_notes& notes)
        : folder_(folder_key(folder)), files_(files), locked_(locked), notes_(notes), way_(folder_way(folder_)) {
        names_ = files.names;
        names_.insert(kProbeName);
        for (const auto& [companion, main] : files.pairs) main_of_[companion] = main;
        start_notes_ = [this](const settle_note& n) {
            settle_note start = n;
            start.start = true;
            if (notes_) notes_(start);
        };
    }

    std::vector<held_file> run() {
        list();
        if (locked_) drop_tokens();
        sort_held();
        if (locked_) settle_temporaries();
        settle_mains();
        if (locked_) settle_companion_hands();
        else place_companions_beside_standing_mains();
        narrow();
        if (const int err = sync_folder(folder_)) said(settle_note::kind::unsynced, folder_, {}, std::strerror(err));
        return std::move(merged_);
    }

private:
    using file_id = std::pair<dev_t, ino_t>;
    struct leftover {
        std::string path;
        leftover_name name;
        struct stat st;
    };

    void said(settle_note::kind what, const std::string& path, const std::string& target = {},
              const std::string& why = {}) {
        note(notes_, what, path, target, why, true);
    }
    void removed(settle_note::kind what, const std::string& path, const std::string& target = {}) {
        remove_said(notes_, what, path, target, true);
    }
    bool paired(const std::string& name) const { return main_of_.count(name) != 0; }
    file_pair pair_of(const std::string& companion) const {
        return {in_folder(folder_, main_of_.at(companion)), in_folder(folder_, companion), files_.mark_of};
    }

    // Listing: every leftover of the player's by kind, and every file of
    // the player's that stays (at a file's name or a kept name) by
    // identity. What another user made is left alone (I6).
    void list() {
        int unlisted = 0;
        listed_ = entries_of(folder_, &unlisted);
        // Nothing is settled from names that could not all be read.
        if (unlisted) said(settle_note::kind::failed, folder_, {}, std::strerror(unlisted));
        for (const std::string& entry : listed_) {
            const std::string path = in_folder(folder_, entry);
            leftover left;
            if (::lstat(path.c_str(), &left.st) != 0) continue;
            const judged owner = owner_judged(folder_, left.st.st_uid, left.st.st_gid);
            if (owner == judged::does_not_count) continue;
            if (owner == judged::cannot_tell) said(settle_note::kind::unjudged, path);
            if (parse_leftover(entry, names_, &left.name)) {
                left.path = path;
                (left.name.what == leftover_name::kind::temporary ? temporaries_
                 : left.name.what == leftover_name::kind::held    ? held_
                                                                  : tokens_)
                    .push_back(left);
                continue;
            }
            bool stays = names_.count(entry) != 0;
            for (const std::string& name : files_.names)
                stays = stays || parse_kept(entry, name, "changed") || parse_kept(entry, name, "damaged");
            if (stays) {
                staying_[{left.st.st_dev, left.st.st_ino}] = path;
                // Narrowed only where whose it is is known.
                if (owner == judged::counts) stay_paths_.push_back(path);
            }
        }
    }

    // A token of an earlier release's turns never held bytes of any file;
    // one of the player's goes (listing left the others').
    void drop_tokens() {
        for (const leftover& token : tokens_)
            if (S_ISREG(token.st.st_mode)) removed(settle_note::kind::token, token.path);
    }

    // Held names, while every temporary name still stands to tell a write
    // not yet committed: those and second names of files that stay go (with
    // the lock); the rest are mains or companions to settle. A folder of the
    // player's at a held name is one a write took from the file's name.
    void sort_held() {
        for (const leftover& h : held_) {
            if (!S_ISREG(h.st.st_mode) && !S_ISDIR(h.st.st_mode)) continue;
            if (uncommitted(h.path, h.name)) {
                if (locked_) removed(settle_note::kind::temporary, h.path);
                continue;
            }
            const auto same = staying_.find({h.st.st_dev, h.st.st_ino});
            if (S_ISREG(h.st.st_mode) && same != staying_.end()) {
                if (locked_) removed(settle_note::kind::second_name, h.path, same->second);
                continue;
            }
            file_status status;
            status_of(h.path, &status);
            const held_file file{h.path, in_folder(folder_, h.name.final), status};
            if (paired(h.name.final) && S_ISREG(h.st.st_mode)) companions_.push_back({file});
            else mains_.push_back(file);
            staying_[{h.st.st_dev, h.st.st_ino}] = h.path;
        }
    }

    // A companion written whole, naming a main that stands, is finished: it
    // goes beside that main as its writer would have put it, first taken
    // into a hand of the start's own; where that move fails it stays, said,
    // for the next start (it is a finished write's, never one to remove);
    // so does one where a read that would tell whether it is one failed.
    // Every other temporary name goes. Mains are looked for among the names
    // listed: none has moved since.
    void settle_temporaries() {
        mark_reader marks;
        for (const leftover& t : temporaries_) {
            // A folder at such a name was never a writer's.
            if (S_ISDIR(t.st.st_mode)) continue;
            if (paired(t.name.final) && files_.mark_of && S_ISREG(t.st.st_mode)) {
                const mark_read read = companion_mark(files_.mark_of, t.path);
                const file_pair pair = pair_of(t.name.final);
                const main_place main =
                    read.error || read.mark.empty() ? main_place{} : find_main(pair, read.mark, marks, listed_);
                if (const int unread = read.error ? read.error : main.unread) {
                    said(settle_note::kind::failed, t.path, {}, std::strerror(unread));
                    continue;
                }
                if (!main.path.empty()) {
                    const std::string hand = writer_path(pair.companion, new_writer(), ".held");
                    const int err = move_without_replacing(t.path, hand, way_, true);
                    if (err == 0) {
                        finished_.push_back({{hand, pair.companion, {}}, companion_hand::main_was::not_known, 0, "changed", true});
                        continue;
                    }
                    // Gone from its name, another settled it: it stands elsewhere.
                    if (err != ENOENT || anything_at(t.path)) said(settle_note::kind::failed, t.path, hand, std::strerror(err));
                    continue;
                }
            }
            const auto same = staying_.find({t.st.st_dev, t.st.st_ino});
            if (same != staying_.end()) removed(settle_note::kind::second_name, t.path, same->second);
            else removed(settle_note::kind::temporary, t.path);
        }
    }

    // Held mains: back at their name where nothing stands there (I8, the
    // only step a start without the lock takes besides handing over what
    // the caller merges), merged by the caller, else kept.
    void settle_mains() {
        for (const held_file& h : mains_) {
            touched_.insert(name_of(h.final));
            if (!anything_at(h.final)) {
                said(settle_note::kind::put_back, h.path, h.final);
                const int err = move_without_replacing(h.path, h.final, way_, locked_);
                if (err == 0) continue;
                // The line just said is answered: it stays held (and where
                // something took the name since the look, goes on as such).
                said(settle_note::kind::failed, h.path, h.final, std::strerror(err));
                if (err != EEXIST) continue;
            }
            const std::string name = name_of(h.final);
            if (files_.merged.count(name)) {
                if (locked_ && players_at(h.final) && same_bytes(h.path, h.final, files_.compared))
                    removed(settle_note::kind::same_bytes, h.path, h.final);
                else merged_.push_back(h);
                continue;
            }
            if (!locked_) continue;
            keep_rule rule;
            rule.compared = files_.compared;
            for (const auto& [companion, main] : files_.pairs)
                if (main == name) rule.beside = in_folder(folder_, companion);
            keep_held(h, rule, start_notes_);
        }
    }

    void settle_companion_hands() {
        std::map<std::string, std::vector<companion_hand>> by_pair;
        for (companion_hand& h : companions_) by_pair[name_of(h.file.final)].push_back(std::move(h));
        // The finished ones last: each goes where its writer would have put
        // it, after what that writer held has gone its way.
        for (companion_hand& h : finished_) by_pair[name_of(h.file.final)].insert(by_pair[name_of(h.file.final)].begin(), std::move(h));
        // Where this start put back or kept a main, the companion standing
        // at its own name may name one of those by its hash: it goes beside
        // it too, first taken into a hand of the start's own.
        mark_reader marks;
        for (const auto& [companion, main] : files_.pairs) {
            if (!touched_.count(main) || !files_.mark_of) continue;
            const file_pair pair = pair_of(companion);
            struct stat st;
            if (!regular_at(pair.companion, &st) || !players(folder_, st)) continue;
            const std::string mark = companion_mark(files_.mark_of, pair.companion).mark;
            if (!hash_mark(mark) || marks.bears(pair.main, mark)) continue;
            const main_place place = find_main(pair, mark, marks, entries_of(folder_));
            if (place.path.empty() || place.held) continue;
            const std::string hand = writer_path(pair.companion, new_writer(), ".held");
            if (move_without_replacing(pair.companion, hand, way_, true) == 0)
                by_pair[companion].push_back({{hand, pair.companion, {}}});
        }
        for (auto& [companion, hands] : by_pair)
            companion_settling(pair_of(companion), start_notes_, marks).run(std::move(hands));
    }

    // Without the lock a companion is placed only where nothing stands at
    // its name and its mark names the main that stands at the main's own
    // name, never beside another (I8): one held, put back in the folder's
    // way; a temporary one written whole, by a link where the folder's way
    // has links, so that its writer, were it still running, finds its
    // temporary name as it left it (and, where it was moved, its own file
    // at the name). The rest wait for a start with the lock.
    void place_companions_beside_standing_mains() {
        if (!files_.mark_of) return;
        mark_reader marks;
        const auto names_standing_main = [&](const std::string& path, const file_pair& pair) {
            if (anything_at(pair.companion) || !players_at(pair.main)) return false;
            const std::string mark = companion_mark(files_.mark_of, path).mark;
            return !mark.empty() && marks.bears(pair.main, mark);
        };
        for (const companion_hand& h : companions_) {
            const file_pair pair = pair_of(name_of(h.file.final));
            if (!names_standing_main(h.file.path, pair)) continue;
            said(settle_note::kind::put_back, h.file.path, pair.companion);
            const int err = move_without_replacing(h.file.path, pair.companion, way_, false);
            if (err != 0) said(settle_note::kind::failed, h.file.path, pair.companion, std::strerror(err));
        }
        for (const leftover& t : temporaries_) {
            if (!paired(t.name.final) || !S_ISREG(t.st.st_mode)) continue;
            const file_pair pair = pair_of(t.name.final);
            if (!names_standing_main(t.path, pair)) continue;
            said(settle_note::kind::finished, t.path, pair.companion);
            const int err = place_without_replacing(t.path, pair.companion,
                                                    way_ == write_way::exchange ? write_way::link : way_, false);
            // Moved by its own writer meanwhile (ENOENT), it stands there.
            if (err != 0 && err != ENOENT) said(settle_note::kind::failed, t.path, pair.companion, std::strerror(err));
        }
    }

    // Files of the player's own that stay, left open to more than the
    // folder's writers (written while it was shared), narrowed to them.
    void narrow() {
        for (const std::string& path : stay_paths_) {
            struct stat st;
            const int fd = open_regular(path, &st);
            if (fd < 0) continue;
            const mode_t before = st.st_mode & 07777;
            if (st.st_nlink == 1 && give_folder_reach(fd, folder_, true) &&
                ::fstat(fd, &st) == 0 && (st.st_mode & 07777) != before)
                said(settle_note::kind::narrowed, path);
            ::close(fd);
        }
    }

    const std::string folder_;
    const folder_files& files_;
    const bool locked_;
    const settle_notes notes_;
    settle_notes start_notes_;
    const write_way way_;
    std::set<std::string> names_;
    std::map<std::string, std::string> main_of_;
    std::vector<std::string> listed_;
    std::vector<leftover> temporaries_, held_, tokens_;
    std::map<file_id, std::string> staying_;
    std::vector<std::string> stay_paths_;
    std::vector<held_file> mains_, merged_;
    std::vector<companion_hand> companions_, finished_;
    std::set<std::string> touched_;
};

} // namespace

std::vector<held_file> settle_folder(const std::string& folder, const folder_files& files, bool locked,
                                     const settle_notes& notes) {
    return folder_settling(folder, files, locked, notes).run();
}

void set_safe_file_step_hook(safe_file_step_hook hook) { g_step_hook.store(hook); }

} // namespace psys
