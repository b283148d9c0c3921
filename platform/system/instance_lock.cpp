#include "platform/system/instance_lock.h"

#include "platform/system/file_system.h"

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
#include <sys/sysmacros.h>
#include <unistd.h>
#include <vector>

namespace psys {
namespace {

// The longest file name most Linux file systems take, in bytes.
constexpr size_t kNameMax = 255;
// Room left for the title when it has to be cut: its hash and the ending.
constexpr size_t kCutTitleMax = 200;
// What a lock file that is not a plain file of its own is refused as.
constexpr const char* kNotRegular = "not a regular file";
// Why a folder's own lock was not taken: only users who may not write into
// it hold it, which stops no start but keeps this copy from holding it.
constexpr const char* kHeldByNonWriters = "held by users who may not write into it";
// Why a lock this copy holds is not seen by every copy that may write into
// the folder.
constexpr const char* kNotListedByWriters = "not listable by every user who may write into it";
constexpr const char* kNotOpenToWriters = "not open to every user who may write into the folder";
// How many times a lock file replaced under this copy's hands is looked for
// anew.
constexpr int kReplacedTries = 4;
// How long a copy that holds the lock file waits for one that replaces it to
// finish or give up (a few calls), in milliseconds.
constexpr long kReplacerWaitMs = 200;
// Why a copy takes no lock: it may not write into the folder.
constexpr const char* kNotWriter = "this user may not write into it";
// Why the lock file was looked for anew.
constexpr const char* kReplaced = "replaced by another copy meanwhile";
uint64_t fnv1a(const std::string& s) {
    uint64_t h = 14695981039346656037ull;
    for (unsigned char c : s) {
        h ^= c;
        h *= 1099511628211ull;
    }
    return h;
}

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
    // Made for this user alone; one that stands already is checked as it is.
    ::mkdir(cache.c_str(), 0700);
    const std::string dir = cache + "/quillon";
    ::mkdir(dir.c_str(), 0700);
    return own_folder(dir, why) ? dir : std::string();
}

// Whether fd is open on a regular file of one name, and, where own, of this
// user's: anything else (a FIFO, a hard link to another file) is never
// locked.
bool plain_file(int fd, bool own) {
    struct stat st {};
    return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_nlink == 1 && (!own || st.st_uid == ::geteuid());
}

// Whether the file fd is open on is the player's: this user's, or, run as
// root, the folder owner's, for whom root writes.
bool players_file(int fd, const access_rules& folder) {
    struct stat st {};
    return ::fstat(fd, &st) == 0 && (st.st_uid == ::geteuid() || (::geteuid() == 0 && st.st_uid == folder.owner));
}

// Whether the name path still names the file fd is open on.
bool names(const std::string& path, int fd) {
    struct stat at {}, open {};
    return ::lstat(path.c_str(), &at) == 0 && ::fstat(fd, &open) == 0 && at.st_dev == open.st_dev &&
           at.st_ino == open.st_ino;
}

// A process's file-system user and groups, from /proc/<pid>/status; false
// where it cannot be seen.
bool credentials_of_process(long pid, credentials* out) {
    if (pid <= 0) return false;
    FILE* status = std::fopen(("/proc/" + std::to_string(pid) + "/status").c_str(), "re");
    if (!status) return false;
    *out = credentials();
    bool user = false, group = false;
    char line[4096];
    while (std::fgets(line, sizeof line, status)) {
        unsigned real, effective, saved, fs;
        unsigned long long caps;
        if (std::sscanf(line, "Uid: %u %u %u %u", &real, &effective, &saved, &fs) == 4) {
            out->uid = fs;
            user = true;
            out->overrides = out->overrides || fs == 0;
        } else if (std::sscanf(line, "Gid: %u %u %u %u", &real, &effective, &saved, &fs) == 4) {
            out->groups.push_back(fs);
            group = true;
        } else if (std::strncmp(line, "Groups:", 7) == 0) {
            const char* p = line + 7;
            char* end;
            for (unsigned long id = std::strtoul(p, &end, 10); end != p; id = std::strtoul(p, &end, 10)) {
                out->groups.push_back(unsigned(id));
                p = end;
            }
        } else if (std::sscanf(line, "CapEff: %llx", &caps) == 1) {
            // CAP_DAC_OVERRIDE: past every mode, as root.
            out->overrides = out->overrides || (caps & 2) != 0;
        }
    }
    std::fclose(status);
    return user && group;
}

// Whether a process counts as a copy that may write into the folder: one
// that may make files there, or the folder's owner, who may make it
// writable again at will (a save folder the player made read-only).
bool writes_into(const access_rules& folder, const credentials& who) {
    return who.uid == folder.owner || may_write_into(folder, who);
}

// Whether the process that took a lock is gone from this pid namespace
// (kill finds no such process, and /proc has no entry: neither is fooled by
// /proc mounted with hidepid or by a /proc of another namespace). Its lock
// lives on only in a descriptor some other process kept, as a shell's after
// `flock 3`; no copy of the game holds its lock so, as each takes it itself
// and keeps it while it runs.
bool taker_gone(long pid) {
    if (pid <= 0 || ::kill(pid_t(pid), 0) == 0 || errno != ESRCH) return false;
    struct stat st {};
    return ::stat(("/proc/" + std::to_string(pid)).c_str(), &st) != 0 && errno == ENOENT;
}

enum class holders { writers, non_writers, none_seen };

// Who holds a flock on the file or folder fd is open on, as /proc/locks and
// each holder's status tell: writers where any may make files in the folder
// or cannot be seen (of another namespace, /proc hidden), non_writers where
// none may or its taker is gone (taker_gone), none_seen where no holder is
// listed (another machine's, or one let go of since).
holders holders_of(int fd, const access_rules& folder) {
    struct stat st {};
    if (!folder.known || ::fstat(fd, &st) != 0) return holders::writers;
    FILE* locks = std::fopen("/proc/locks", "re");
    if (!locks) return holders::writers;
    holders found = holders::none_seen;
    char line[512];
    while (found != holders::writers && std::fgets(line, sizeof line, locks)) {
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
        credentials who;
        found = taker_gone(pid) || (credentials_of_process(pid, &who) && !writes_into(folder, who))
                    ? holders::non_writers
                    : holders::writers;
    }
    std::fclose(locks);
    return found;
}

// This process as the file system judges it.
credentials this_process() {
    credentials me;
    me.uid = ::geteuid();
    me.overrides = me.uid == 0;
    me.groups.push_back(::getegid());
    const int n = ::getgroups(0, nullptr);
    if (n > 0) {
        std::vector<gid_t> groups(static_cast<size_t>(n));
        const int got = ::getgroups(n, groups.data());
        for (int i = 0; i < got; ++i) me.groups.push_back(groups[size_t(i)]);
    }
    return me;
}

// What one try of a lock came to.
enum class taken { held, busy, ignored, failed };

// An exclusive flock on fd without waiting: busy where a copy that may write
// into the folder holds it, or one that cannot be seen; ignored where only
// users who may not write into it hold it, which stops no start.
taken try_lock(int fd, const access_rules& folder, std::string* why) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return taken::held;
        if (errno != EWOULDBLOCK) {
            *why = std::strerror(errno);
            return taken::failed;
        }
        switch (holders_of(fd, folder)) {
        case holders::writers: return taken::busy;
        case holders::non_writers: return taken::ignored;
        // Let go of between the two looks, perhaps: tried once more.
        case holders::none_seen: break;
        }
    }
    return taken::busy;
}

// The name a copy that replaces the lock file of that inode takes first, so
// that copies replace it one at a time.
std::string next_name(const std::string& path, int fd) {
    struct stat st {};
    ::fstat(fd, &st);
    return path + "." + std::to_string(uint64_t(st.st_dev)) + "-" + std::to_string(uint64_t(st.st_ino)) + ".next";
}

// After this copy took the lock on fd, opened on the file at path: held
// where that is still the file at path and no copy is about to put another
// there. A copy that replaces the file holds its next name
// (next_name) until its own file stands at path: waited for a little, then
// looked at anew. A next name no one holds is a leftover of a copy ended
// while it replaced, and goes.
taken settle_replacer(int fd, const std::string& path, const access_rules& rules, std::string* why) {
    if (!names(path, fd)) {
        *why = kReplaced;
        return taken::failed;
    }
    const std::string next = next_name(path, fd);
    int next_fd = ::open(next.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (next_fd < 0 && errno == EACCES) next_fd = ::open(next.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (next_fd < 0) return taken::held;
    bool got = false;
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        got = ::flock(next_fd, LOCK_EX | LOCK_NB) == 0;
        if (got || errno != EWOULDBLOCK || holders_of(next_fd, rules) == holders::non_writers) break;
        if (std::chrono::steady_clock::now() - start > std::chrono::milliseconds(kReplacerWaitMs)) {
            ::close(next_fd);
            return taken::busy;
        }
        ::usleep(5000);
    }
    taken state = taken::held;
    if (!names(path, fd)) {
        *why = kReplaced;
        state = taken::failed;
    } else if (got && plain_file(next_fd, false) && names(next, next_fd)) {
        struct stat st {};
        if (::fstat(next_fd, &st) == 0 && (st.st_uid == ::geteuid() || st.st_uid == rules.owner)) ::unlink(next.c_str());
    }
    ::close(next_fd);
    return state;
}

// Puts a fresh lock file of the writers' reach at path in place of the file
// old is open on (held by this copy where old_held), and returns it, locked;
// -1 where it cannot be done, with busy set where a copy that may write into
// the folder holds the next name or the old file, or has replaced it since.
// One copy at a time: each first makes or takes the next name and locks it,
// and renames it over path only where path still names the old file and no
// copy that may write holds that.
int replace_lock_file(int old, bool old_held, const std::string& path, const std::string& folder,
                      const access_rules& rules, bool* busy, std::string* why) {
    const std::string next = next_name(path, old);
    int fd = ::open(next.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600);
    if (fd >= 0) give_folder_writers_reach(fd, folder);
    else if (errno == EEXIST) fd = ::open(next.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        *why = next + ": " + std::strerror(errno);
        return -1;
    }
    struct stat st {};
    if (!plain_file(fd, false) || ::fstat(fd, &st) != 0 || owner_in_folder(folder, st.st_uid) == file_owner::other) {
        ::close(fd);
        *why = next + ": " + kNotRegular;
        return -1;
    }
    std::string lock_why;
    switch (try_lock(fd, rules, &lock_why)) {
    case taken::held: break;
    case taken::busy:
        ::close(fd);
        *busy = true;
        return -1;
    case taken::ignored:
    case taken::failed:
        ::close(fd);
        *why = next + ": " + (lock_why.empty() ? kHeldByNonWriters : lock_why);
        return -1;
    }
    // A leftover of a copy ended while it replaced is this copy's to use.
    if (players_file(fd, rules)) give_folder_writers_reach(fd, folder);
    const auto give_up = [&] {
        if (names(next, fd)) ::unlink(next.c_str());
        ::close(fd);
    };
    // Another copy put its file there first: that copy runs.
    if (!names(path, old)) {
        give_up();
        *busy = true;
        return -1;
    }
    if (!old_held) {
        std::string old_why;
        const taken now = try_lock(old, rules, &old_why);
        if (now == taken::busy || now == taken::failed) {
            give_up();
            *busy = now == taken::busy;
            *why = old_why;
            return -1;
        }
    }
    if (!names(next, fd) || ::rename(next.c_str(), path.c_str()) != 0) {
        *why = std::strerror(errno);
        give_up();
        return -1;
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
    if (path.empty()) {
        busy_ = false;
        failure_ = why;
        return false;
    }
    // Never blocks (a FIFO in its place) and never follows a planted link.
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    const char* reason = nullptr;
    // Only a file of this user's own is trusted to say the game runs: one
    // that someone else could hold would keep the player's game from
    // starting.
    if (fd >= 0 && !plain_file(fd, true)) {
        ::close(fd);
        fd = -2;
        reason = "not a regular file of this user's own";
    }
    fd_ = lock_opened(fd, path, reason);
    return held();
}

bool instance_lock::acquire_folder(const std::string& path) {
    release();
    // Named as the player knows it in what failure() says, whether or not
    // the caller closed it with a '/'.
    std::string folder = path;
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    const std::string file_path = (folder == "/" ? "" : folder) + "/" + kFolderLockName;

    // The folder's own lock. Anyone who may open the folder may lock it, a
    // user who may only read it too, and through a descriptor opened before
    // the player narrowed it: only a holder who may write into it (or one
    // that cannot be seen) is taken as a copy. Not inherited by the programs
    // the game starts (an editor outlives it).
    const int folder_fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const int open_error = errno;
    access_rules rules;
    if (folder_fd >= 0) access_rules_of(folder_fd, &rules);
    else access_rules_of(folder, &rules);
    // A copy that may not write into the folder cannot harm what the player
    // keeps there, and no copy takes its locks as a copy's: it takes none,
    // so that it holds nothing a copy that may write would want, and is
    // refused by none.
    if (rules.known && !writes_into(rules, this_process())) {
        if (folder_fd >= 0) ::close(folder_fd);
        failure_ = folder + ": " + kNotWriter;
        return false;
    }
    std::string folder_why;
    taken folder_state = taken::failed;
    if (folder_fd < 0) {
        folder_why = std::strerror(open_error);
    } else {
        folder_state = try_lock(folder_fd, rules, &folder_why);
        if (folder_state == taken::held) fd_ = folder_fd;
        else ::close(folder_fd);
        if (folder_state == taken::ignored) folder_why = kHeldByNonWriters;
    }

    // The file, which copies that cannot lock the folder see (one that may
    // not list it; on NFS and SMB, where only a descriptor open for writing
    // takes an exclusive lock). Taken anew where another copy replaced it
    // between the open and the lock.
    std::string file_why;
    taken file_state = taken::failed;
    int file_fd = -1;
    for (int tries = 0; tries < kReplacedTries; ++tries) {
        const char* reason = nullptr;
        file_fd = open_lock_file(file_path, folder, &reason);
        if (file_fd < 0) {
            file_why = reason ? reason : std::strerror(errno);
            file_state = taken::failed;
            break;
        }
        file_state = try_lock(file_fd, rules, &file_why);
        if (file_state == taken::held) file_state = settle_replacer(file_fd, file_path, rules, &file_why);
        if (file_state == taken::held || file_state == taken::ignored) break;
        ::close(file_fd);
        file_fd = -1;
        if (file_state != taken::failed || file_why != kReplaced) break;
    }
    if (file_state == taken::busy) return refused();
    // A copy that holds the folder alone, because the file does not reach
    // it, may be running: refused unless this copy holds a file that every
    // copy that may write into the folder opens, which that copy would hold.
    const reach_fit fit = file_fd >= 0 ? writers_reach_fit(file_fd, rules) : reach_fit();
    if (folder_state == taken::busy && !(file_state == taken::held && fit.reaches_writers)) {
        if (file_fd >= 0) ::close(file_fd);
        return refused();
    }
    // Held only by users who may not write into the folder: a descriptor
    // kept from when the file reached further. The file is replaced by one
    // of the writers' reach, which every later copy opens; and so is one
    // that reaches further than the writers, which this copy now holds, so
    // that no descriptor opened before can hold the lock once this copy is
    // gone. Narrowed first, where the rename cannot be made.
    if (file_state == taken::held && players_file(file_fd, rules)) give_folder_writers_reach(file_fd, folder);
    if (file_state == taken::ignored || (file_state == taken::held && rules.known && fit.wider)) {
        bool busy = false;
        std::string why;
        const int fresh = replace_lock_file(file_fd, file_state == taken::held, file_path, folder, rules, &busy, &why);
        // One that replaces a file this copy holds has waited for it above.
        if (busy && file_state == taken::ignored) {
            ::close(file_fd);
            return refused();
        }
        if (fresh >= 0) {
            ::close(file_fd);
            file_fd = fresh;
            file_state = taken::held;
        } else if (file_state == taken::ignored) {
            ::close(file_fd);
            file_fd = -1;
            file_why = std::string(kHeldByNonWriters) + ", not replaced: " + why;
        }
    }
    if (file_state == taken::held) file_fd_ = file_fd;

    // Exclusive where every copy that may write into the folder sees this
    // copy: by the file, where it reaches them all, or by the folder, where
    // they all may list it.
    const bool file_seen = file_fd_ >= 0 && writers_reach_fit(file_fd_, rules).reaches_writers;
    const bool folder_seen = fd_ >= 0 && every_writer_may_list(rules);
    exclusive_ = file_seen || folder_seen;
    if (exclusive_) {
        // Held by the folder alone, failure() keeps what the file said, so
        // that the start can tell that copies which see only the file cannot
        // see it.
        if (!file_seen) failure_ = file_path + ": " + (file_fd_ >= 0 ? kNotOpenToWriters : file_why);
        return true;
    }
    failure_ = folder + ": " + (fd_ >= 0 ? kNotListedByWriters : folder_why) + "; " + file_path + ": " +
               (file_fd_ >= 0 ? kNotOpenToWriters : file_why);
    return false;
}

bool instance_lock::refused() {
    release();
    busy_ = true;
    return false;
}

int instance_lock::lock_opened(int fd, const std::string& path, const char* reason) {
    const int open_error = errno;
    busy_ = false;
    failure_.clear();
    if (fd < 0) {
        failure_ = path + ": " + (fd == -2 && reason ? reason : std::strerror(open_error));
        return -1;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        ::close(fd);
        if (err == EWOULDBLOCK) busy_ = true;
        else failure_ = path + ": " + std::strerror(err);
        return -1;
    }
    return fd;
}

int instance_lock::open_lock_file(const std::string& path, const std::string& folder, const char** reason) {
    // Made here, it gets the folder's group and reach whatever the umask and
    // the player's own group: a copy of anyone who may write into the folder
    // must open it to see the lock (on NFS only a descriptor open for writing
    // takes it), and no one else may open it, so that no one else can hold
    // it. Made for this user alone first, so that no one else opens it
    // before it has that reach.
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600);
    if (fd >= 0) {
        give_folder_writers_reach(fd, folder);
        return fd;
    }
    if (errno != EEXIST) return -1;
    // Never through a planted link, and open for writing where it may be:
    // on NFS only such a descriptor takes an exclusive lock.
    fd = ::open(path.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    // Made by another user, whose mode leaves the others reading: on a
    // local disk that is enough to lock it.
    if (fd < 0 && errno == EACCES) fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        // A symbolic link, a folder or a socket standing there.
        if (errno == ELOOP || errno == EISDIR || errno == ENXIO) {
            *reason = kNotRegular;
            return -2;
        }
        return -1;
    }
    if (!plain_file(fd, false)) {
        ::close(fd);
        *reason = kNotRegular;
        return -2;
    }
    return fd;
}

void instance_lock::release() {
    exclusive_ = false;
    for (int* fd : {&fd_, &file_fd_}) {
        if (*fd < 0) continue;
        ::flock(*fd, LOCK_UN);
        ::close(*fd);
        *fd = -1;
    }
}

} // namespace psys
