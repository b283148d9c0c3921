#include "platform/system/instance_lock.h"

#include "platform/system/file_system.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <vector>

namespace psys {
namespace {

// The longest file name most Linux file systems take, in bytes.
constexpr size_t kNameMax = 255;
// Room left for the title when it has to be cut: its hash and the ending.
constexpr size_t kCutTitleMax = 200;
// How many times the lock file is looked for anew when another copy
// replaced it meanwhile.
constexpr int kTries = 4;
// How long a copy that holds the lock file waits for one that holds its
// next name to finish or give up (a few calls), in milliseconds.
constexpr long kReplacerWaitMs = 200;
std::atomic<instance_lock_step_hook> g_hook{nullptr};

void step(const char* what, const std::string& path) {
    if (const instance_lock_step_hook hook = g_hook.load()) hook(what, path);
}

uint64_t fnv1a(const std::string& s) {
    uint64_t h = 14695981039346656037ull;
    for (unsigned char c : s) {
        h ^= c;
        h *= 1099511628211ull;
    }
    return h;
}

// ---- the title's lock ---------------------------------------------------------

// Whether only this user can make files in the folder: its owner, and no
// one else may write into it. why says what is wrong otherwise.
bool own_folder(const std::string& dir, std::string* why) {
    struct stat st {};
    if (::stat(dir.c_str(), &st) != 0) {
        *why = dir + ": " + std::strerror(errno);
        return false;
    }
    if (!S_ISDIR(st.st_mode) || st.st_uid != ::geteuid() || (st.st_mode & 022) != 0) {
        *why = dir + ": not a folder of this user's own";
        return false;
    }
    return true;
}

// The folder for the title's lock; "" with why set when there is none.
std::string lock_folder(std::string* why) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::string runtime_why;
    if (runtime && *runtime == '/' && own_folder(runtime, &runtime_why)) return runtime;
    std::string cache;
    if (const char* c = std::getenv("XDG_CACHE_HOME"); c && *c == '/') cache = c;
    else if (const char* home = std::getenv("HOME"); home && *home == '/') cache = std::string(home) + "/.cache";
    if (cache.empty()) {
        *why = runtime_why.empty() ? "no runtime, cache or home folder" : runtime_why;
        return {};
    }
    // Made for this user alone, or, by root in another user's home (sudo -E),
    // for that user; one that stands already is checked as it is.
    make_folder(cache, true);
    const std::string dir = cache + "/quillon";
    make_folder(dir, true);
    return own_folder(dir, why) ? dir : std::string();
}

// ---- who holds a lock -----------------------------------------------------------

// Who holds the flock on a file or folder of the save folder, as one look
// finds it; each answer graver than the one before.
enum class holders {
    none,          // nobody: this process took it (where it could open it), or
                   // /proc lists nobody where it would list every holder
    gone,          // only takers that have ended (a zombie too): the lock lives
                   // on only in a descriptor someone else kept, no copy's
    not_counting,  // running processes, none of which counts in the folder
    unknown,       // perhaps a copy: a holder no start can judge (hidden, in
                   // another pid namespace, of ids this user namespace cannot
                   // tell, on another machine), or nobody listed where /proc
                   // may leave a holder out
    counts,        // a process that counts in the folder
};

// pid namespaces have one first namespace, whose /proc/self/ns/pid always
// has this inode number.
constexpr ino_t kFirstPidNamespace = 0xEFFFFFFCu;

// What a start knows for judging holders in a save folder: its rules, and
// how far /proc can tell who holds what.
struct judging {
    access_rules rules;
    // The lock file's path, as the steps name it.
    std::string file;
    // /proc speaks of this process's own pid namespace: the pids it gives
    // are the ones kill() takes.
    bool ours = false;
    // That namespace is the first: /proc/locks lists every flock taken on
    // this machine, by its taker's pid, also where the taker has ended
    // (another namespace's /proc leaves out those taken outside it, and
    // those whose taker has ended).
    bool whole = false;
    // Its lines can be matched to the folder's files: the file system is one
    // whose flocks /proc/locks names by the device and inode stat gives
    // (ext2/3/4, xfs, f2fs, tmpfs, ramfs, FAT, exFAT, NFS and FUSE). On
    // others (btrfs, whose subvolumes stat numbers apart from the device the
    // locks name; overlayfs) no holder can be found, and a held lock cannot
    // be judged.
    bool matched = false;
    // NFS, and FUSE, whose server may keep a flock for other machines too:
    // one another machine holds is listed by no /proc here.
    bool network = false;
};

judging judging_in(const std::string& folder, const std::string& file, bool* rules_read) {
    judging j;
    *rules_read = access_rules_of(folder, &j.rules);
    j.file = file;
    char link[32] = {};
    const ssize_t n = ::readlink("/proc/self", link, sizeof link - 1);
    j.ours = n > 0 && std::strtol(link, nullptr, 10) == long(::getpid());
    struct stat ns {};
    j.whole = j.ours && ::stat("/proc/self/ns/pid", &ns) == 0 && ns.st_ino == kFirstPidNamespace;
    struct statfs fs {};
    if (::statfs(folder.c_str(), &fs) == 0) {
        switch (static_cast<unsigned long>(fs.f_type)) {
        case 0x6969:      // NFS
        case 0x65735546:  // FUSE
            j.network = true;
            [[fallthrough]];
        case 0xEF53:      // ext2, ext3, ext4
        case 0x58465342:  // xfs
        case 0xF2F52010:  // f2fs
        case 0x01021994:  // tmpfs
        case 0x858458F6:  // ramfs
        case 0x4D44:      // FAT
        case 0x2011BAB0:  // exFAT
            j.matched = true;
            break;
        default: break;
        }
    }
    return j;
}

// The holder with that pid (as /proc gives it), judged by its real user and
// groups as this process's user namespace numbers them (not its effective
// ones: a reader waiting at su's prompt is no root, nor is one inside
// `unshare -r`), by the one rule of who counts; one that has ended (a
// zombie too: its locks live only in what others kept) is no copy.
holders judge(long pid, const judging& j) {
    FILE* status = pid > 0 ? std::fopen(("/proc/" + std::to_string(pid) + "/status").c_str(), "re") : nullptr;
    if (!status) {
        // Gone from this pid namespace, as kill() and /proc both say; hidden
        // (hidepid), or of another namespace, it may run.
        return j.ours && pid > 0 && ::kill(pid_t(pid), 0) != 0 && errno == ESRCH ? holders::gone : holders::unknown;
    }
    credentials who;
    bool ended = false;
    char line[4096];
    while (std::fgets(line, sizeof line, status)) {
        unsigned real;
        char state = 0;
        if (std::sscanf(line, "State: %c", &state) == 1) {
            ended = state == 'Z' || state == 'X';
        } else if (std::sscanf(line, "Uid: %u", &real) == 1) {
            who.uid = real;
        } else if (std::sscanf(line, "Gid: %u", &real) == 1) {
            who.groups.push_back(real);
        } else if (std::strncmp(line, "Groups:", 7) == 0) {
            const char* p = line + 7;
            char* end;
            for (unsigned long id = std::strtoul(p, &end, 10); end != p; id = std::strtoul(p, &end, 10)) {
                who.groups.push_back(unsigned(id));
                p = end;
            }
        }
    }
    std::fclose(status);
    if (ended) return holders::gone;
    switch (judge_in_folder(j.rules, who)) {
    case judged::counts: return holders::counts;
    case judged::does_not_count: return holders::not_counting;
    case judged::cannot_tell: break;
    }
    return holders::unknown;
}

// Who /proc/locks lists holding a flock on the file or folder st names: the
// gravest of their judgements, none where it lists nobody.
holders listed_holders(const struct stat& st, const judging& j) {
    FILE* locks = j.matched ? std::fopen("/proc/locks", "re") : nullptr;
    if (!locks) return holders::unknown;
    holders found = holders::none;
    char line[512];
    while (found != holders::counts && std::fgets(line, sizeof line, locks)) {
        // "1: FLOCK  ADVISORY  WRITE 1234 fe:00:10953057 0 EOF"; one waiting
        // has "->" before its kind.
        const char* p = std::strchr(line, ':');
        char kind[16], mode[16], access[16];
        long pid;
        unsigned major, minor;
        unsigned long long inode;
        if (!p || std::sscanf(p + 1, " %15s %15s %15s %ld %x:%x:%llu", kind, mode, access, &pid, &major, &minor,
                              &inode) != 7)
            continue;
        if (std::strcmp(kind, "FLOCK") != 0 || makedev(major, minor) != st.st_dev || inode != st.st_ino) continue;
        found = std::max(found, judge(pid, j));
    }
    std::fclose(locks);
    return found;
}

// One look at who holds a flock, and, where the look itself failed (the
// flock's own failure: ENOLCK where the file system has no locks), why.
struct holding {
    holders who = holders::unknown;
    int error = 0;
};

// Who holds the flock on what st names, open on fd (or -1 where this process
// may not open it): the one answer for the folder and for what stands at
// the lock's names (through look_at). Where fd is open and nobody holds it,
// this process holds it after.
holding held_by(int fd, const struct stat& st, const judging& j) {
    // A holder may let go between the flock and the look at /proc: one look
    // more.
    for (int look = 0; look < 2; ++look) {
        if (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0) return {holders::none};
        if (fd >= 0 && errno != EWOULDBLOCK) return {holders::unknown, errno};
        step("held", j.file);
        const holders listed = listed_holders(st, j);
        if (listed != holders::none) return {listed};
        // Nobody listed: free only where /proc lists every holder there is,
        // and this process could not try the flock itself.
        if (!j.whole || j.network) return {holders::unknown};
        if (fd < 0) return {holders::none};
    }
    return {holders::unknown};
}

// Why a copy runs without the save folder's lock.
constexpr const char* kNotReplaced = "could not be replaced";
constexpr const char* kNotOpenToAll = "not open to every user who counts in the folder";
constexpr const char* kUnjudged = "not the player's lock, and held by a process this copy cannot judge";
constexpr const char* kTheirs = "not the player's lock, and held by a process that does not count in the folder";
constexpr const char* kChanging = "another file stood at its name at every look";

// What a start may do beside what stands at one of the lock's names (the
// lock file, its next name, and the old file again just before its rename):
// the one table every look goes by.
enum class verdict {
    hold,     // the player's lock file, which nobody held: this process holds
              // it now
    replace,  // no copy's lock: a link, a FIFO, a folder; a file nobody holds
              // but takers that have ended; the player's file held only by
              // processes that do not count: replaced, a next name removed,
              // where this process may
    leave,    // no lock of the player's, held by a running process not seen
              // to count: it may be that process's own copy's lock, by its
              // view of whose the file is (root's copy counts no one else in
              // root's folder with the sticky bit), so it is never taken, and
              // the start runs without the lock
    refuse,   // a copy that counts may hold it
    failed,   // the look itself failed
};

struct finding {
    finding(verdict may_, std::string why_ = {}) : may(may_), why(std::move(why_)) {}
    verdict may;
    std::string why;  // leave and failed
};

// The verdict on what stands (st), open on fd where this process may open
// it. Only a regular file is a lock. A held file is judged by its holders:
// one a process that counts holds is that copy's lock, whoever's the file is
// (a member the group database no longer lists still counts through the
// group his process has).
finding look_at(int fd, const struct stat& st, const judging& j) {
    if (!S_ISREG(st.st_mode)) return {verdict::replace};
    const holding h = held_by(fd, st, j);
    if (h.error != 0) return {verdict::failed, std::strerror(h.error)};
    const judged owner = owner_judged(j.rules, st.st_uid, st.st_gid);
    const bool players = owner == judged::counts;
    // One whose owner cannot be told, in a folder where only those who count
    // may make files, may be a copy's.
    const bool copys = players || (owner == judged::cannot_tell && j.rules.known && !j.rules.sticky);
    switch (h.who) {
    case holders::none: return {fd >= 0 && players ? verdict::hold : verdict::replace};
    case holders::gone: return {verdict::replace};
    case holders::not_counting: return players ? finding{verdict::replace} : finding{verdict::leave, kTheirs};
    case holders::unknown: return copys ? finding{verdict::refuse} : finding{verdict::leave, kUnjudged};
    case holders::counts: break;
    }
    return {verdict::refuse};
}

bool same_file(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// Whether the name path still names the file st was taken of.
bool names(const std::string& path, const struct stat& st) {
    struct stat at {};
    return ::lstat(path.c_str(), &at) == 0 && same_file(at, st);
}

bool names(const std::string& path, int fd) {
    struct stat open {};
    return ::fstat(fd, &open) == 0 && names(path, open);
}

// ---- the save folder's lock file -------------------------------------------------

// The name a copy that replaces the file st was taken of holds first, so
// that copies replace it one at a time.
std::string next_name(const std::string& path, const struct stat& st) {
    return path + "." + std::to_string(uint64_t(st.st_dev)) + "-" + std::to_string(uint64_t(st.st_ino)) + ".next";
}

// What stands at a name, opened (for reading and writing where it may be,
// else for reading; -1 where this process may not open it), never through a
// link and never waiting on a FIFO.
int open_standing(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd >= 0 || errno != EACCES) return fd;
    return ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
}

// A descriptor closed when this goes.
struct open_file {
    explicit open_file(int fd_) : fd(fd_) {}
    ~open_file() {
        if (fd >= 0) ::close(fd);
    }
    open_file(const open_file&) = delete;
    open_file& operator=(const open_file&) = delete;
    int fd;
};

// What a start finds at the lock file's next name.
struct next_found {
    enum kind { clear, replacer, stays };
    next_found(kind what_ = clear, std::string why_ = {}) : what(what_), why(std::move(why_)) {}
    kind what;
    std::string why;  // stays
};

// Looks at the next name of the lock file (lock: the file it is the next
// of). A copy that replaces the lock file holds it; anything else there goes
// where this process may remove it, while it holds the flock it judged it
// free by: a copy that made it a moment ago and has not locked it yet then
// cannot, or finds its name gone, and looks at the lock file again. What
// this process cannot hold (it may not open it) is never removed.
next_found look_at_next(const std::string& next, const struct stat& lock, const judging& j) {
    const open_file n(open_standing(next));
    struct stat st {};
    if (n.fd >= 0 ? ::fstat(n.fd, &st) != 0 : ::lstat(next.c_str(), &st) != 0) return {};
    // A second name of the lock file itself (a hard link anyone who may open
    // it can make) is no replacer's: each makes its next name fresh.
    const bool second_name = same_file(st, lock);
    const finding f = second_name ? finding{verdict::replace} : look_at(n.fd, st, j);
    switch (f.may) {
    case verdict::refuse: return {next_found::replacer};
    case verdict::leave:
    case verdict::failed: return {next_found::stays, next + ": " + f.why};
    case verdict::hold:
    case verdict::replace: break;
    }
    // Whoever made it (a copy a moment ago, which then replaces the lock
    // file alone), it stays.
    if (n.fd < 0 && S_ISREG(st.st_mode) && !second_name)
        return {next_found::stays, next + ": " + std::strerror(EACCES)};
    step("leftover", j.file);
    if (::unlink(next.c_str()) != 0 && errno != ENOENT) return {next_found::stays, next + ": " + std::strerror(errno)};
    step("removed", j.file);
    return {};
}

// One start on the save folder's lock file: its looks, each of which does
// what the verdict on what it saw allows, and the one place (outcome) that
// says what they come to.
class folder_start {
public:
    folder_start(std::string folder, const judging& j) : folder_(std::move(folder)), file_(j.file), j_(j) {}
    ~folder_start() { forget(); }
    folder_start(const folder_start&) = delete;
    folder_start& operator=(const folder_start&) = delete;

    enum class result { alone, refused, without };

    // Looks at the lock file anew while another copy replaced it meanwhile.
    result run() {
        look_result last = look_result::again;
        for (int tries = 0; tries < kTries && last == look_result::again; ++tries) last = look();
        return outcome(last);
    }
    // The lock file it holds (-1: none), handed to the caller.
    int take() {
        const int fd = held_ ? fd_ : -1;
        if (held_) fd_ = -1;
        held_ = false;
        return fd;
    }
    const std::string& why() const { return why_; }

private:
    enum class look_result { done, again, refused };

    // The one place: refused where a look found a copy that may hold the
    // lock; alone only where it holds a lock file open to everyone who counts
    // and no one else and no look found a reason not to count itself alone;
    // else without the lock, holding what it holds (copies that open it
    // still see it), with the first reason found.
    result outcome(look_result last) {
        if (last == look_result::refused) {
            forget();
            return result::refused;
        }
        if (last == look_result::again) without(kChanging);
        if (!held_) forget();
        if (held_ && why_.empty()) {
            const reach_fit fit = folder_reach_fit(fd_, folder_);
            if (fit.reaches && !fit.wider) return result::alone;
            without(kNotOpenToAll);
        }
        return result::without;
    }

    void without(std::string why) {
        if (why_.empty()) why_ = std::move(why);
    }

    void forget() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
        held_ = false;
    }

    // Opens and looks at what stands at the lock file's name (made, with the
    // folder's reach, where nothing stands), and takes, keeps or replaces it
    // as the verdict allows.
    look_result look() {
        forget();
        fd_ = ::open(file_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600);
        const bool made = fd_ >= 0;
        int open_error = made ? 0 : errno;
        if (!made && open_error == EEXIST) {
            fd_ = open_standing(file_);
            open_error = fd_ >= 0 ? 0 : errno;
        }
        if (fd_ < 0) {
            if (open_error == ENOENT) return look_result::again;
            if (::lstat(file_.c_str(), &st_) != 0) {
                without(std::strerror(errno == ENOENT ? open_error : errno));
                return look_result::done;
            }
            // A link, a folder or a socket is no copy's lock and is replaced
            // (a folder cannot be); a regular file this user may not open is
            // judged by /proc alone.
            if (S_ISREG(st_.st_mode) && open_error != EACCES) {
                without(std::strerror(open_error));
                return look_result::done;
            }
        } else {
            ::fstat(fd_, &st_);
            if (made) give_folder_reach(fd_, folder_);
            if (S_ISREG(st_.st_mode)) step("opened", file_);
        }
        const finding f = look_at(fd_, st_, j_);
        switch (f.may) {
        case verdict::refuse: return look_result::refused;
        case verdict::leave:
        case verdict::failed: without(f.why); return look_result::done;
        case verdict::replace: step("judged", file_); return replace(false);
        case verdict::hold: break;
        }
        // Held: still the file at the name (a copy may have put its own there
        // since the open), and none about to replace it.
        if (!names(file_, fd_)) return look_result::again;
        const look_result waited = wait_for_replacer();
        if (waited != look_result::done) return waited;
        held_ = true;
        // One that reaches further or not far enough is replaced by a fresh
        // one, so that no descriptor someone kept from before holds the lock.
        const reach_fit fit = folder_reach_fit(fd_, folder_);
        return fit.reaches && !fit.wider ? look_result::done : replace(true);
    }

    // While this copy holds the lock file, a copy that replaces it holds its
    // next name until its own file stands at the name: waited for a little.
    look_result wait_for_replacer() {
        const std::string next = next_name(file_, st_);
        const auto start = std::chrono::steady_clock::now();
        while (anything_at(next)) {
            step("waiting", file_);
            const next_found n = look_at_next(next, st_, j_);
            if (n.what == next_found::stays) without(kNotReplaced + (": " + n.why));
            if (n.what != next_found::replacer) break;
            if (std::chrono::steady_clock::now() - start > std::chrono::milliseconds(kReplacerWaitMs))
                return look_result::refused;
            ::usleep(5000);
        }
        return names(file_, st_) ? look_result::done : look_result::again;
    }

    // Puts a fresh lock file of the folder's reach in place of what stands
    // at the name (held by this copy where held), first holding its next
    // name, so that copies replace it one at a time.
    look_result replace(bool held) {
        const std::string next = next_name(file_, st_);
        int fd = -1;
        for (int attempt = 0; attempt < 2 && fd < 0; ++attempt) {
            fd = ::open(next.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600);
            if (fd >= 0) break;
            if (errno != EEXIST) {
                without(kNotReplaced + (": " + next + ": " + std::strerror(errno)));
                return look_result::done;
            }
            const next_found n = look_at_next(next, st_, j_);
            if (n.what == next_found::replacer) return look_result::refused;
            if (n.what == next_found::stays) {
                without(kNotReplaced + (": " + n.why));
                return look_result::done;
            }
        }
        // Another start made it again meanwhile: the lock file is looked at
        // again.
        if (fd < 0) return look_result::again;
        give_folder_reach(fd, folder_);
        step("next made", file_);
        // Until this copy locks it, another that finds it may take it for a
        // leftover and remove it: this copy then cannot lock it, or finds its
        // name gone, and looks at the lock file again.
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || !names(next, fd)) {
            ::close(fd);
            return look_result::again;
        }
        step("next held", file_);
        const auto give_up = [&](look_result how) {
            if (names(next, fd)) ::unlink(next.c_str());
            ::close(fd);
            return how;
        };
        // Another copy put its file there first.
        if (!names(file_, st_)) return give_up(look_result::again);
        // A process may have taken what this copy replaces since it was
        // judged (its holder let go meanwhile).
        if (!held) {
            const finding f = look_at(fd_, st_, j_);
            if (f.may == verdict::refuse) return give_up(look_result::refused);
            if (f.may == verdict::leave || f.may == verdict::failed) {
                without(f.why);
                return give_up(look_result::done);
            }
        }
        step("renaming", file_);
        if (!names(next, fd)) return give_up(look_result::again);
        if (::rename(next.c_str(), file_.c_str()) != 0) {
            without(kNotReplaced + (": " + std::string(std::strerror(errno))));
            return give_up(look_result::done);
        }
        forget();
        fd_ = fd;
        ::fstat(fd_, &st_);
        held_ = true;
        return look_result::done;
    }

    const std::string folder_, file_;
    const judging& j_;
    int fd_ = -1;         // what stands at the name, where it could be opened
    struct stat st_ {};   // what stands at the name
    bool held_ = false;   // fd_ is the lock file this copy holds
    std::string why_;     // the first reason not to count itself alone
};

} // namespace

std::string instance_lock::path_for(const std::string& title_utf8, std::string* why) {
    std::string ignored;
    const std::string dir = lock_folder(why ? why : &ignored);
    if (dir.empty()) return {};
    const std::string ending = ".lock";
    std::string name;
    for (char c : title_utf8) name += (c == '/' || static_cast<unsigned char>(c) < 0x20) ? '_' : c;
    if (name.empty() || name == "." || name == "..") name = "_" + name;
    if (name.size() + ending.size() > kNameMax) {
        // Cut on a character boundary, then tell titles apart by their hash.
        size_t cut = kCutTitleMax;
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
        char hash[20];
        std::snprintf(hash, sizeof hash, "~%016llx", static_cast<unsigned long long>(fnv1a(title_utf8)));
        name = name.substr(0, cut) + hash;
    }
    return dir + "/" + name + ending;
}

bool instance_lock::acquire(const std::string& title_utf8) {
    release();
    std::string why;
    const std::string path = path_for(title_utf8, &why);
    if (path.empty()) return failed(why);
    // Never blocks (a FIFO in its place) and never follows a planted link.
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    if (fd < 0) return failed(path + ": " + std::strerror(errno));
    // Only a file of this user's own is trusted to say the game runs: one
    // that someone else could hold would keep the player's game from
    // starting.
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_nlink != 1 || st.st_uid != ::geteuid()) {
        ::close(fd);
        return failed(path + ": not a regular file of this user's own");
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        ::close(fd);
        return err == EWOULDBLOCK ? refused() : failed(path + ": " + std::strerror(err));
    }
    fd_ = fd;
    return true;
}

bool instance_lock::acquire_folder(const std::string& path) {
    release();
    // Named as the player knows it in what failure() says, whether or not
    // the caller closed it with a '/'.
    std::string folder = path;
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    const std::string file = (folder == "/" ? "" : folder) + "/" + kFolderLockName;

    bool rules_read = false;
    const judging j = judging_in(folder, file, &rules_read);
    if (!rules_read) return failed(folder + ": " + std::strerror(errno));

    // The folder: a copy holding it is refused the start, though its lock
    // file was removed or replaced since it began, where /proc shows it.
    // Anyone who may open the folder may lock it, so only a holder seen to
    // count refuses here; the lock file, which only those who count may
    // open, judges the rest. Not inherited by the programs the game starts
    // (an editor outlives it). Where its flock fails (no locks here), the
    // lock file's look fails the same way and says so.
    const int folder_fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder_fd >= 0) {
        struct stat st {};
        const holders h = ::fstat(folder_fd, &st) == 0 ? held_by(folder_fd, st, j).who : holders::unknown;
        if (h == holders::none) folder_fd_ = folder_fd;
        else ::close(folder_fd);
        if (h == holders::counts) return refused();
    }

    folder_start start(folder, j);
    const folder_start::result result = start.run();
    if (result == folder_start::result::refused) return refused();
    fd_ = start.take();
    // Where others who may make files in the folder cannot open this copy's
    // lock file (root's, or the folder's owner's, in a folder with the sticky
    // bit), none of them could tell, once it has ended, that it holds
    // nothing: it goes with the copy.
    if (fd_ >= 0 && j.rules.sticky) file_ = file;
    return result == folder_start::result::alone || failed(file + ": " + start.why());
}

bool instance_lock::refused() {
    release();
    busy_ = true;
    return false;
}

bool instance_lock::failed(std::string why) {
    busy_ = false;
    failure_ = std::move(why);
    return false;
}

void instance_lock::release() {
    busy_ = false;
    failure_.clear();
    // Removed while still held: a start that opened it before then locks a
    // file no longer at the name, and looks again.
    if (fd_ >= 0 && !file_.empty() && names(file_, fd_)) ::unlink(file_.c_str());
    file_.clear();
    for (int* fd : {&fd_, &folder_fd_}) {
        if (*fd < 0) continue;
        ::flock(*fd, LOCK_UN);
        ::close(*fd);
        *fd = -1;
    }
}

void set_instance_lock_step_hook(instance_lock_step_hook hook) { g_hook.store(hook); }

} // namespace psys
