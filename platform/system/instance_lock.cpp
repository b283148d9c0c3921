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
// Why a copy runs without the save folder's lock.
constexpr const char* kNotReplaced = "could not be replaced";
constexpr const char* kNotOpenToAll = "not open to every user who counts in the folder";
constexpr const char* kUnjudged = "not the player's lock, and held by a process this copy cannot judge";

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
// finds it.
enum class holders {
    none,          // nobody: this process took it (where it could open it), or
                   // /proc lists nobody where it would list every holder
    not_counting,  // only processes that do not count in the folder, or whose
                   // taker has ended
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

judging judging_in(const std::string& folder, bool* rules_read) {
    judging j;
    *rules_read = access_rules_of(folder, &j.rules);
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
        return j.ours && pid > 0 && ::kill(pid_t(pid), 0) != 0 && errno == ESRCH ? holders::not_counting
                                                                                   : holders::unknown;
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
    if (ended) return holders::not_counting;
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

// Who holds the flock on what st names, open on fd (or -1 where this process
// may not open it): the one answer for the folder, and for what stands at
// the lock's names (through beside). Where fd is open and nobody holds it,
// this process holds it after. error, where given, is the flock's own
// failure (ENOLCK: no locks on this file system).
holders held_by(int fd, const struct stat& st, const judging& j, int* error = nullptr) {
    if (error) *error = 0;
    // A holder may let go between the flock and the look at /proc: one look
    // more.
    for (int look = 0; look < 2; ++look) {
        if (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0) return holders::none;
        if (fd >= 0 && errno != EWOULDBLOCK) {
            if (error) *error = errno;
            return holders::unknown;
        }
        const holders listed = listed_holders(st, j);
        if (listed != holders::none) return listed;
        // Nobody listed: free only where /proc lists every holder there is,
        // and this process could not try the flock itself.
        if (!j.whole || j.network) return holders::unknown;
        if (fd < 0) return holders::none;
    }
    return holders::unknown;
}

// What a start may do beside what stands at one of the lock's names (the
// lock file or its next name, and the old file again just before its
// rename): the one answer every look takes.
enum class verdict {
    hold,     // a lock file of someone who counts that nobody held: this
              // process holds it now
    replace,  // no copy's lock (held by none that counts, or no lock file at
              // all): replaced, a next name removed, where this process may
    unsure,   // no lock file of someone who counts, but held by a process not
              // seen to be one that does not count (a copy may hold it by
              // another view of whose it is): replaced where this process
              // may, and it runs without the lock
    refuse,   // a lock file of someone who counts that a copy may hold
};

// The answer for what stands (st), open on fd where this process may open
// it. Only a regular file of someone who counts is a lock this process
// holds or waits for: a link, a FIFO or a folder is replaced whoever holds
// it. Beside one whose owner does not count, or cannot be told, a start runs
// alone only where every holder is seen not to count; where it may be one a
// copy that counts made (its owner cannot be told, in a folder where only
// those who count may make files), such a holder refuses the start, else the
// start runs without the lock. error as held_by's.
verdict beside(int fd, const struct stat& st, const judging& j, int* error = nullptr) {
    if (error) *error = 0;
    if (!S_ISREG(st.st_mode)) return verdict::replace;
    const holders who = held_by(fd, st, j, error);
    const judged owner = owner_judged(j.rules, st.st_uid, st.st_gid);
    const bool copys = owner == judged::counts || (owner == judged::cannot_tell && j.rules.known && !j.rules.sticky);
    switch (who) {
    case holders::none: return fd >= 0 && owner == judged::counts ? verdict::hold : verdict::replace;
    case holders::not_counting: return verdict::replace;
    case holders::unknown:
    case holders::counts: break;
    }
    return copys ? verdict::refuse : verdict::unsure;
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

// The lock file opened (made, with the folder's reach, where nothing
// stands); for writing where it may be, as on NFS only such a descriptor
// takes a lock.
int open_lock_file(const std::string& path, const std::string& folder) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600);
    if (fd >= 0) {
        give_folder_reach(fd, folder);
        return fd;
    }
    return errno == EEXIST ? open_standing(path) : -1;
}

// What stands at a next name and what a start may do beside it; present
// false where nothing stands there. The flock that judged it free stays
// taken while this lives.
struct standing {
    standing(const std::string& path, const judging& j) : fd(open_standing(path)) {
        present = fd >= 0 ? ::fstat(fd, &st) == 0 : ::lstat(path.c_str(), &st) == 0;
        if (present) may = beside(fd, st, j);
    }
    ~standing() {
        if (fd >= 0) ::close(fd);
    }
    standing(const standing&) = delete;
    standing& operator=(const standing&) = delete;
    int fd;
    bool present = false;
    struct stat st {};
    verdict may = verdict::replace;
};

// Removes a next name no copy may hold (left by a copy ended while it
// replaced, planted, or of someone who does not count) where this process
// may, while the flock that judged it free (n's) is still taken: a copy that
// made it a moment ago and has not locked it yet then cannot, or finds its
// name gone, and looks at the lock file again. 0, or why it stays.
int remove_leftover(const std::string& next, const standing& n, const std::string& path) {
    step("leftover", path);
    if (!n.present || !names(next, n.st) || ::unlink(next.c_str()) == 0 || errno == ENOENT) return 0;
    return errno;
}

// What one look at the lock file came to.
struct look {
    enum kind { held, busy, stale, again, failed };
    kind what = failed;
    int fd = -1;          // held; for stale, open where it could be opened (not held)
    struct stat st {};    // what stands at the name
    std::string why;      // failed
    bool unsure = false;  // something at the lock's names is held by a process not seen to be no copy
};

// While this copy holds the lock file, a copy that replaces it holds its
// next name until its own file stands at the name: waited for a little, and
// the name looked at again. A next name no copy holds (one a copy made a
// moment ago and has not locked yet among them: that copy then looks
// again) is removed where this copy may: with the file held, no replacer
// can finish.
// Held, busy or again.
look::kind wait_for_replacer(int fd, const std::string& path, const judging& j, bool* unsure) {
    struct stat st {};
    ::fstat(fd, &st);
    const std::string next = next_name(path, st);
    const auto start = std::chrono::steady_clock::now();
    while (anything_at(next)) {
        step("waiting", path);
        const standing n(next, j);
        if (n.may != verdict::refuse) {
            *unsure = *unsure || n.may == verdict::unsure;
            if (names(path, st)) remove_leftover(next, n, path);
            break;
        }
        if (std::chrono::steady_clock::now() - start > std::chrono::milliseconds(kReplacerWaitMs)) return look::busy;
        ::usleep(5000);
    }
    return names(path, st) ? look::held : look::again;
}

// Opens and locks what stands at the lock file's name.
look take_lock_file(const std::string& path, const std::string& folder, const judging& j) {
    look l;
    l.fd = open_lock_file(path, folder);
    const int open_error = errno;
    if (l.fd < 0) {
        if (open_error == ENOENT) return l.what = look::again, l;
        if (::lstat(path.c_str(), &l.st) != 0) {
            l.why = std::strerror(errno == ENOENT ? open_error : errno);
            return l;
        }
        // A link, a folder or a socket is no copy's lock and is replaced (a
        // folder cannot be); a regular file this user may not open is judged
        // by /proc alone.
        l.why = std::strerror(open_error);
        if (S_ISREG(l.st.st_mode) && open_error != EACCES) return l;
    } else {
        ::fstat(l.fd, &l.st);
        if (S_ISREG(l.st.st_mode)) step("opened", path);
    }
    int error = 0;
    const verdict may = beside(l.fd, l.st, j, &error);
    if (error != 0 || may == verdict::refuse) {
        if (l.fd >= 0) ::close(l.fd);
        l.fd = -1;
        l.what = error != 0 ? look::failed : look::busy;
        l.why = std::strerror(error);
        return l;
    }
    if (may != verdict::hold) {
        l.unsure = may == verdict::unsure;
        return l.what = look::stale, l;
    }
    // Held: still the file at the name (a copy may have put its own there
    // since the open), and none about to replace it.
    l.what = names(path, l.fd) ? wait_for_replacer(l.fd, path, j, &l.unsure) : look::again;
    if (l.what != look::held) {
        ::close(l.fd);
        l.fd = -1;
    }
    return l;
}

// Puts a fresh lock file of the folder's reach at path in place of what
// stands there (old, held by this copy where held, open on old_fd where it
// could be opened), and returns it, locked; -1 where it cannot be done,
// with *state saying why: busy where a copy may hold the next name or may
// have taken the old file since it was judged, again where another copy
// replaced it first or took this copy's next name for a leftover, failed
// (why) where the name could not be replaced. *unsure is set where
// something at the lock's names is held by a process not seen to be no
// copy.
int replace_lock_file(const std::string& path, const std::string& folder, const judging& j, const struct stat& old,
                      int old_fd, bool held, look::kind* state, std::string* why, bool* unsure) {
    const std::string next = next_name(path, old);
    int fd = -1;
    int err = 0;
    for (int attempt = 0; attempt < 2 && fd < 0; ++attempt) {
        fd = ::open(next.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600);
        if (fd >= 0) {
            give_folder_reach(fd, folder);
            step("next made", path);
            // Until this copy locks it, another that finds it may take it for
            // a leftover and remove it: this copy then cannot lock it, or
            // finds its name gone, and looks at the lock file again.
            if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || !names(next, fd)) {
                ::close(fd);
                *state = look::again;
                return -1;
            }
            break;
        }
        err = errno;
        if (err != EEXIST) break;
        // One a copy may hold: that copy replaces it. Any other goes where
        // this copy may remove it.
        const standing n(next, j);
        if (n.may == verdict::refuse) {
            *state = look::busy;
            return -1;
        }
        *unsure = *unsure || n.may == verdict::unsure;
        if (const int stays = remove_leftover(next, n, path)) {
            err = stays;
            break;
        }
    }
    if (fd < 0) {
        *why = next + ": " + std::strerror(err);
        *state = look::failed;
        return -1;
    }
    step("next held", path);
    const auto give_up = [&](look::kind how) {
        if (names(next, fd)) ::unlink(next.c_str());
        ::close(fd);
        *state = how;
        return -1;
    };
    // Another copy put its file there first.
    if (!names(path, old)) return give_up(look::again);
    // A copy may have taken what this one replaces since it was judged (its
    // holder let go meanwhile).
    if (!held) {
        const verdict may = beside(old_fd, old, j);
        if (may == verdict::refuse) return give_up(look::busy);
        *unsure = *unsure || may == verdict::unsure;
    }
    step("renaming", path);
    if (!names(next, fd) || ::rename(next.c_str(), path.c_str()) != 0) {
        *why = std::strerror(errno);
        return give_up(look::failed);
    }
    return fd;
}

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
    const judging j = judging_in(folder, &rules_read);
    if (!rules_read) return failed(folder + ": " + std::strerror(errno));

    // The folder: a copy holding it is refused the start, though its lock
    // file was removed or replaced since it began, where /proc shows it.
    // Anyone who may open the folder may lock it, so only a holder seen to
    // count refuses here; the lock file, which only those who count may
    // open, judges the rest. Not inherited by the programs the game starts
    // (an editor outlives it).
    const int folder_fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder_fd >= 0) {
        struct stat st {};
        const holders h = ::fstat(folder_fd, &st) == 0 ? held_by(folder_fd, st, j) : holders::unknown;
        if (h == holders::none) folder_fd_ = folder_fd;
        else ::close(folder_fd);
        if (h == holders::counts) return refused();
    }

    // The lock file, looked at anew where another copy replaced it meanwhile.
    for (int tries = 0; tries < kTries; ++tries) {
        look l = take_lock_file(file, folder, j);
        if (l.what == look::again) continue;
        if (l.what == look::busy) return refused();
        if (l.what == look::failed) return failed(file + ": " + l.why);
        // Held, open to every copy that counts and to no one else: this copy
        // is alone, and stays the only one that can hold it, unless a process
        // it cannot judge holds something else at the lock's names.
        if (l.what == look::held) {
            const reach_fit fit = folder_reach_fit(l.fd, folder);
            if (fit.reaches && !fit.wider) {
                fd_ = l.fd;
                return !l.unsure || failed(file + ": " + kUnjudged);
            }
        } else {
            step("judged", file);
        }
        // Replaced: a file held that does not reach every copy that counts,
        // or that reaches others (who may have kept a descriptor from when
        // the folder let them: only a fresh file is sure to be no one
        // else's), and whatever stands where no lock can be taken.
        look::kind state = look::failed;
        std::string why;
        bool unsure = l.unsure;
        const int fresh = replace_lock_file(file, folder, j, l.st, l.fd, l.what == look::held, &state, &why, &unsure);
        if (fresh >= 0) {
            if (l.fd >= 0) ::close(l.fd);
            fd_ = fresh;
            if (!folder_reach_fit(fd_, folder).reaches) return failed(file + ": " + kNotOpenToAll);
            return !unsure || failed(file + ": " + kUnjudged);
        }
        if (state == look::failed && l.what == look::held) {
            // The name could not be replaced: the copy holds on to what it
            // holds, which copies that open it still see.
            fd_ = l.fd;
            return (folder_reach_fit(fd_, folder).reaches && !unsure) || failed(file + ": " + kNotReplaced + ": " + why);
        }
        if (l.fd >= 0) ::close(l.fd);
        if (state == look::busy) return refused();
        if (state == look::failed) return failed(file + ": " + kNotReplaced + ": " + why);
    }
    return refused();
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
    for (int* fd : {&fd_, &folder_fd_}) {
        if (*fd < 0) continue;
        ::flock(*fd, LOCK_UN);
        ::close(*fd);
        *fd = -1;
    }
}

void set_instance_lock_step_hook(instance_lock_step_hook hook) { g_hook.store(hook); }

} // namespace psys
