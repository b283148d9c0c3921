#include "platform/system/instance_lock.h"
#include "platform/system/file_system.h"
#include "support/Processes.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>


#include <fcntl.h>
#include <grp.h>
#include <sched.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <tuple>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Runs a test with the environment of its choosing (the runtime folder its
// own) and puts the old one back.
class InstanceLock : public testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"XDG_RUNTIME_DIR", "XDG_CACHE_HOME", "HOME"}) {
            const char* old = std::getenv(name);
            saved_.push_back({name, old ? std::optional<std::string>(old) : std::nullopt});
        }
        setenv("XDG_RUNTIME_DIR", dir_.str().c_str(), 1);
        unsetenv("XDG_CACHE_HOME");
        fs::create_directory(home_);
        setenv("HOME", home_.c_str(), 1);
    }
    void TearDown() override {
        for (const auto& [name, value] : saved_) {
            if (value) setenv(name, value->c_str(), 1);
            else unsetenv(name);
        }
    }
    qtest::TempDir dir_;
    fs::path home_ = dir_.path() / "home";
    std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};

mode_t ModeOf(const fs::path& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

gid_t GroupOf(const fs::path& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0 ? st.st_gid : gid_t(-1);
}

// A group this process may give a file it owns other than its own: any as
// root, else one it is also a member of; -1 when there is none.
gid_t AnotherGroup() {
    if (geteuid() == 0) return 4242;
    gid_t groups[256];
    const int n = getgroups(256, groups);
    for (int i = 0; i < n; ++i)
        if (groups[i] != getegid()) return groups[i];
    return gid_t(-1);
}

uid_t OwnerOf(const fs::path& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0 ? st.st_uid : uid_t(-1);
}

// Runs f as the user uid (root: this process itself) in a child process;
// its exit code, or -1 when this process may not become that user.
int AsUser(const std::function<int()>& f, uid_t uid, gid_t gid, const std::vector<gid_t>& groups = {}) {
    if (uid == 0 && geteuid() == 0) return f();
    if (geteuid() != 0) return -1;
    return qtest::AsUser(uid, gid, groups, f);
}

// The same for an answer in text.
std::string SaidAs(const std::function<std::string()>& f, uid_t uid, gid_t gid, const std::vector<gid_t>& groups = {}) {
    if (uid == 0 && geteuid() == 0) return f();
    if (geteuid() != 0) return "!";
    return qtest::SaidAsUser(uid, gid, groups, f);
}

// The users of the layouts: the player (a member of the group it shares its
// folder with), a member of the folder's group (nobody), a user access lists
// name, and root.
struct User {
    char name;
    uid_t uid;
    gid_t gid;
    std::vector<gid_t> groups;
};
constexpr gid_t kGroup = 4242;
const User kPlayer{'P', 65533, 65533, {kGroup}};
const User kMember{'D', 65534, 65534, {kGroup}};
const User kListed{'E', 65532, 65532, {}};
const User kRoot{'R', 0, 0, {}};
// A member started by sg or newgrp: of the group by its primary group alone.
const User kPrimaryMember{'G', 65531, kGroup, {}};
// The listed user in a group no table maps; and started by sg into the
// folder's group, which the user database does not list it in.
const User kStray{'S', 65532, 65532, {4343}};
const User kNewgrp{'N', 65532, kGroup, {}};
// The listed user, once a member of the group, since removed from it in the
// user database: his process still has the group.
const User kRemoved{'M', 65532, 65532, {kGroup}};

// While it lives, the user and group databases name the test's users as an
// administrator who shares a folder with the group has them: the player,
// the member and the member by its primary group alone members of it. The
// files are not changed: copies, its entries first (a look-up takes the
// first that matches), are bound over /etc/passwd and /etc/group in a mount
// namespace of this thread's own, which the processes it starts share.
// ok() is false where this process may not (not root).
class NamedUsers {
public:
    NamedUsers() {
        char dir[] = "/tmp/quillon-users-XXXXXX";
        if (geteuid() != 0 || !mkdtemp(dir)) return;
        dir_ = dir;
        std::ofstream passwd(dir_ + "/passwd"), group(dir_ + "/group");
        // The member by its primary group alone has a group of its own there.
        for (const auto& [name, uid, gid] : {std::tuple{"qplayer", kPlayer.uid, kPlayer.gid},
                                             {"nobody", kMember.uid, kMember.gid}, {"qlisted", kListed.uid, kListed.gid},
                                             {"qmember", kPrimaryMember.uid, kPrimaryMember.uid}})
            passwd << name << ":x:" << uid << ":" << gid << "::/nonexistent:/usr/sbin/nologin\n";
        passwd << std::ifstream("/etc/passwd").rdbuf();
        group << "q" << kGroup << ":x:" << kGroup << ":qplayer,nobody,qmember\n" << std::ifstream("/etc/group").rdbuf();
        passwd.close(), group.close();
        for (const char* name : {"/passwd", "/group"}) chmod((dir_ + name).c_str(), 0644);
        // Mounts made elsewhere still reach this namespace; none made here leave it.
        if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_SLAVE, nullptr) != 0 ||
            mount((dir_ + "/passwd").c_str(), "/etc/passwd", nullptr, MS_BIND, nullptr) != 0)
            return;
        ok_ = mount((dir_ + "/group").c_str(), "/etc/group", nullptr, MS_BIND, nullptr) == 0;
        if (!ok_) umount2("/etc/passwd", MNT_DETACH);
    }
    ~NamedUsers() {
        if (ok_)
            for (const char* mounted : {"/etc/group", "/etc/passwd"}) umount2(mounted, MNT_DETACH);
        std::error_code ignored;
        if (!dir_.empty()) fs::remove_all(dir_, ignored);
    }
    NamedUsers(const NamedUsers&) = delete;
    NamedUsers& operator=(const NamedUsers&) = delete;
    bool ok() const { return ok_; }

private:
    bool ok_ = false;
    std::string dir_;
};

bool Become(const User& user) { return user.uid == 0 || qtest::BecomeUser(user.uid, user.gid, user.groups); }

// A child process of the user's that does first() at once, then, at each
// step(), the next of steps, and holds what it opened and locked until this
// is destroyed; then it does last() where given (a quit, not a kill). Each
// answers one character.
class Child {
public:
    Child(const User& user, std::function<char()> first, std::vector<std::function<char()>> steps = {},
          std::function<void()> last = nullptr) {
        if (pipe(to_) != 0 || pipe(from_) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            // Nothing of the other children's: each ends when its own pipe
            // closes, in any order.
            for (int fd = 3; fd < 1024; ++fd)
                if (fd != to_[0] && fd != from_[1]) close(fd);
            char answer = Become(user) ? first() : '!';
            char byte;
            for (size_t i = 0; write(from_[1], &answer, 1) == 1 && read(to_[0], &byte, 1) == 1 && i < steps.size();)
                answer = steps[i++]();
            if (last) last();
            _exit(0);
        }
        close(to_[0]);
        close(from_[1]);
        answer_ = Read();
    }
    ~Child() {
        close(to_[1]);
        close(from_[0]);
        if (pid_ > 0) waitpid(pid_, nullptr, 0);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    char answer() const { return answer_; }
    char step() {
        const char byte = 's';
        return write(to_[1], &byte, 1) == 1 ? (answer_ = Read()) : '!';
    }

private:
    char Read() {
        char c = '!';
        return read(from_[0], &c, 1) == 1 ? c : '!';
    }
    int to_[2] = {-1, -1}, from_[2] = {-1, -1};
    pid_t pid_ = -1;
    char answer_ = '!';
};

// How a lock is taken through a descriptor kept: by the process that keeps
// it, as `flock 3` in a shell would; by a process that ends at once, as the
// `flock` command does, whether or not anyone reaps it; by the process that
// then runs su and waits at its prompt (root by its effective user, the
// reader by its real one); or by one inside `unshare -r` (root of a user
// namespace of its own).
enum class Taker { Itself, EndedProcess, UnreapedProcess, AtSuPrompt, InUserNamespace };

// A process of the user's that opens path (a folder, or a file for reading
// and writing where it may, else for reading) and, at step(), locks it
// through the descriptor kept, at the next closes it; 'y' once opened, then
// once locked, then once closed. AtSuPrompt
// runs as root until then, having opened path as user.
std::unique_ptr<Child> Kept(const fs::path& path, const User& user, int operation = LOCK_EX,
                            Taker taker = Taker::Itself) {
    auto fd = std::make_shared<int>(-1);
    const bool su = taker == Taker::AtSuPrompt;
    return std::make_unique<Child>(
        su ? kRoot : user,
        [=] {
            if (su && (setegid(user.gid) != 0 || seteuid(user.uid) != 0)) return 'n';
            *fd = open(path.c_str(), O_RDWR | O_NONBLOCK);
            if (*fd < 0) *fd = open(path.c_str(), O_RDONLY | O_NONBLOCK);
            if (su && (seteuid(0) != 0 || setegid(0) != 0)) return 'n';
            return *fd >= 0 ? 'y' : 'n';
        },
        std::vector<std::function<char()>>{[=] {
            const auto lock = [&] { return flock(*fd, operation | LOCK_NB) == 0; };
            switch (taker) {
            case Taker::Itself: return lock() ? 'y' : 'n';
            case Taker::AtSuPrompt: {
                const gid_t groups[] = {user.gid};
                return lock() && setgroups(1, groups) == 0 && setresgid(user.gid, 0, 0) == 0 &&
                               setresuid(user.uid, 0, 0) == 0
                           ? 'y'
                           : 'n';
            }
            case Taker::InUserNamespace: return qtest::EnterOwnUserNamespace(true) && lock() ? 'y' : 'n';
            case Taker::EndedProcess:
            case Taker::UnreapedProcess: break;
            }
            const pid_t child = fork();
            if (child == 0) _exit(lock() ? 0 : 1);
            if (taker == Taker::UnreapedProcess) {
                // Ended, and left unreaped.
                return qtest::Eventually([&] { return qtest::ProcessGone(child); }, std::chrono::seconds(10)) ? 'y'
                                                                                                             : 'n';
            }
            int status = 0;
            return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0
                       ? 'y'
                       : 'n';
        },
                                            // Then lets go, answering once it has.
                                            [=] { return close(*fd) == 0 ? 'y' : 'n'; }});
}

// The same, locked at once.
std::unique_ptr<Child> Held(const fs::path& path, const User& user, int operation = LOCK_EX,
                            Taker taker = Taker::Itself) {
    auto child = Kept(path, user, operation, taker);
    if (child->answer() == 'y') child->step();
    return child;
}

constexpr const char* kGameFile = "permanent.dat";

// A start's outcome: 'x' holding the lock alone, 'b' refused as busy, '-'
// running without the lock.
char Outcome(const psys::instance_lock& lock, bool alone) { return lock.busy() ? 'b' : alone ? 'x' : '-'; }

// A copy of the game as the user, started on the save folder: it makes the
// folder where asked (as a first start does), takes the folder's lock and,
// where writes, writes a file of the game's as the game does; it holds on
// until destroyed, then quits as the game does. Its answer: its Outcome.
std::unique_ptr<Child> StartCopy(const fs::path& folder, const User& user, bool makes = false, bool writes = false) {
    auto lock = std::make_shared<psys::instance_lock>();
    return std::make_unique<Child>(user, [=] {
        if (makes && !psys::make_folder(folder.string(), true)) return 'm';
        const bool exclusive = lock->acquire_folder(folder.string());
        if (writes && !lock->busy()) {
            const int fd = open((folder / kGameFile).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0600);
            if (fd < 0 || !psys::give_folder_reach(fd, folder.string()) || write(fd, "x", 1) != 1) return 'w';
            close(fd);
        }
        return Outcome(*lock, exclusive);
    }, std::vector<std::function<char()>>{}, [lock] { lock->release(); });
}

// How the user may open the file: 'w' for writing, 'r' for reading alone,
// '-' not at all (or not a regular file).
char Opens(const fs::path& path, const User& user) {
    const int code = AsUser(
        [&] {
            struct stat st {};
            if (lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return int('-');
            int fd = open(path.c_str(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) return close(fd), int('w');
            fd = open(path.c_str(), O_RDONLY | O_NONBLOCK);
            return fd >= 0 ? (close(fd), int('r')) : int('-');
        },
        user.uid, user.gid, user.groups);
    return char(code);
}

void SetAccessList(const fs::path& path, const char* text) {
    EXPECT_TRUE(qtest::SetAccessList(path.c_str(), text)) << text << ": " << strerror(errno);
}

// A file of that user's and mode at path, as an earlier start or another
// user left it.
void Plant(const fs::path& path, mode_t mode, uid_t uid, gid_t gid) {
    qtest::WriteText(path, "");
    ASSERT_EQ(chown(path.c_str(), uid, gid), 0);
    ASSERT_EQ(chmod(path.c_str(), mode), 0);
}

// The name a copy that replaces the lock file standing at path takes first.
fs::path NextName(const fs::path& lockFile) {
    struct stat st {};
    lstat(lockFile.c_str(), &st);
    return lockFile.string() + "." + std::to_string(st.st_dev) + "-" + std::to_string(st.st_ino) + ".next";
}

// A folder of the player's of that mode and group, as the player would set it.
void MakeFolder(const fs::path& folder, mode_t mode, gid_t group = kPlayer.gid) {
    fs::create_directory(folder);
    ASSERT_EQ(chown(folder.c_str(), kPlayer.uid, group), 0);
    ASSERT_EQ(chmod(folder.c_str(), mode), 0);
}

// Without a runtime folder of the user's own (none, or one others may write
// into) the title's lock is kept in the user's cache folder, made for the
// user alone; never in /tmp, where anyone can make a file of that name.
TEST_F(InstanceLock, TheTitlesLockIsKeptWhereOnlyTheUserMakesFiles) {
    const fs::path cache = home_ / ".cache" / "quillon";
    const fs::path shared = dir_.path() / "shared";
    fs::create_directory(shared);
    fs::permissions(shared, fs::perms::all);
    const fs::path othersHome = dir_.path() / "others";
    struct Row {
        const char* what;
        std::function<void()> prepare;
        std::string path;  // "" for none
        uid_t madeFor = uid_t(-1);  // whose the cache folders made are, where not this user's
    } rows[] = {
        {"no runtime folder", [] {}, (cache / "t.lock").string()},
        {"a runtime folder others may write into",
         [&] { setenv("XDG_RUNTIME_DIR", shared.c_str(), 1); }, (cache / "t.lock").string()},
        {"a cache folder of its own", [&] { setenv("XDG_CACHE_HOME", (dir_.path() / "c").c_str(), 1); },
         (dir_.path() / "c" / "quillon" / "t.lock").string()},
        {"a cache folder others may write into",
         [&] {
             setenv("XDG_CACHE_HOME", shared.c_str(), 1);
             fs::create_directory(shared / "quillon");
             fs::permissions(shared / "quillon", fs::perms::all);
         },
         ""},
        {"no home at all", [] { unsetenv("HOME"); }, ""},
        // Root with another user's home kept (sudo -E): what it makes there
        // is that user's, and not a folder of root's own to lock in.
        {"root with another user's home", [&] {
             fs::create_directory(othersHome);
             ASSERT_EQ(chown(othersHome.c_str(), 65534, 65534), 0);
             setenv("HOME", othersHome.c_str(), 1);
         },
         "", 65534},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        if (row.madeFor != uid_t(-1) && geteuid() != 0) continue;
        unsetenv("XDG_RUNTIME_DIR");
        unsetenv("XDG_CACHE_HOME");
        setenv("HOME", home_.c_str(), 1);
        row.prepare();
        std::string why;
        EXPECT_EQ(psys::instance_lock::path_for("t", &why), row.path);
        psys::instance_lock lock;
        EXPECT_EQ(lock.acquire("t"), !row.path.empty()) << lock.failure();
        EXPECT_FALSE(lock.busy());
        if (row.path.empty()) {
            EXPECT_FALSE(why.empty());
            EXPECT_EQ(lock.failure(), why);
        } else {
            EXPECT_EQ(ModeOf(fs::path(row.path).parent_path()), 0700u);
        }
        if (row.madeFor != uid_t(-1)) {
            for (const fs::path& made : {othersHome / ".cache", othersHome / ".cache" / "quillon"}) {
                EXPECT_EQ(OwnerOf(made), row.madeFor) << made;
                EXPECT_EQ(ModeOf(made), 0700u) << made;
            }
        }
    }
}

TEST_F(InstanceLock, OnlyARunningHolderOfTheUsersOwnFileRefusesAStart) {
    // 84 Japanese characters: 252 bytes, too long for a file name with ".lock".
    std::string longTitle;
    for (int i = 0; i < 84; ++i) longTitle += "長";
    std::string otherLongTitle = longTitle;
    otherLongTitle.replace(otherLongTitle.size() - 3, 3, "短");
    const std::string longPath = psys::instance_lock::path_for(longTitle);
    EXPECT_LE(fs::path(longPath).filename().string().size(), 255u);
    EXPECT_NE(longPath, psys::instance_lock::path_for(otherLongTitle)) << "the hash tells long titles apart";
    EXPECT_EQ(psys::instance_lock::path_for("ゲーム/体験版"), dir_.str() + "/ゲーム_体験版.lock");
    EXPECT_EQ(psys::instance_lock::path_for(".."), dir_.str() + "/_...lock");

    // Another user's lock file, held by that user's process.
    const auto held = [](const fs::path& path) {
        const int fd = open(path.c_str(), O_RDONLY);
        EXPECT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0);
        return fd;
    };
    std::vector<int> holders;
    struct Case {
        const char* what;
        std::string title;
        std::function<void()> prepare;
        bool held, busy;
        bool needsRoot = false;
    };
    psys::instance_lock running;
    const Case cases[] = {
        {"a long title", longTitle, [] {}, true, false},
        {"a stale lock file nobody holds", "stale",
         [&] { qtest::WriteText(dir_.path() / "stale.lock", "left by a crash"); }, true, false},
        {"a running holder", "running", [&] { ASSERT_TRUE(running.acquire("running")); }, false, true},
        {"a folder where the lock file goes", "folder", [&] { fs::create_directory(dir_.path() / "folder.lock"); },
         false, false},
        {"a FIFO where the lock file goes", "fifo", [&] { mkfifo((dir_.path() / "fifo.lock").c_str(), 0600); }, false,
         false},
        {"a link to a file elsewhere", "link",
         [&] {
             qtest::WriteText(dir_.path() / "elsewhere", "");
             fs::create_hard_link(dir_.path() / "elsewhere", dir_.path() / "link.lock");
         },
         false, false},
        // Where no one else may make files, a file of another user's can
        // only be one of an earlier owner's: it is not trusted, held or not.
        {"another user's file, held", "theirs",
         [&] {
             qtest::WriteText(dir_.path() / "theirs.lock", "");
             ASSERT_EQ(chown((dir_.path() / "theirs.lock").c_str(), 65534, 65534), 0);
             holders.push_back(held(dir_.path() / "theirs.lock"));
         },
         false, false, true},
        // A lock someone else planted in /tmp under the name the title's lock
        // had there, and holds.
        {"a lock planted in /tmp", "planted",
         [&] {
             unsetenv("XDG_RUNTIME_DIR");
             const fs::path tmp = "/tmp/planted-" + std::to_string(getuid()) + ".lock";
             qtest::WriteText(tmp, "");
             holders.push_back(held(tmp));
         },
         true, false},
        // Nobody, root included, can create files there.
        {"a runtime folder that cannot be written", "t", [] { setenv("XDG_RUNTIME_DIR", "/proc/self", 1); }, false,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.needsRoot && geteuid() != 0) continue;
        c.prepare();
        psys::instance_lock lock;
        EXPECT_EQ(lock.acquire(c.title), c.held);
        EXPECT_EQ(lock.busy(), c.busy);
        // Any other failure says what it was and where.
        EXPECT_EQ(lock.failure().empty(), c.held || c.busy) << lock.failure();
        if (!c.held && !c.busy) {
            EXPECT_NE(lock.failure().find(psys::instance_lock::path_for(c.title) + ": "), std::string::npos)
                << lock.failure();
        }
    }
    // Once the running holder lets go, its title starts again.
    setenv("XDG_RUNTIME_DIR", dir_.str().c_str(), 1);
    running.release();
    EXPECT_TRUE(psys::instance_lock().acquire("running"));
    for (int fd : holders) close(fd);
    fs::remove("/tmp/planted-" + std::to_string(getuid()) + ".lock");
}

// The save folder's lock file. Made by the first copy, it is of the folder's
// group and can be read and written by its owner, the folder's owner and
// whoever else counts in the folder, by no one else, whatever the umask. One
// that does not reach them all, or reaches further (an earlier release's,
// one made before the folder was shared or narrowed), and whatever else
// stands at its name (a link, a FIFO, another user's file), is replaced by a
// fresh one, so that every later copy sees this one; nothing it led to is
// changed. A folder at its name cannot be replaced: the copy runs without
// the lock, saying why, and the folder's own lock refuses a second copy all
// the same. The rows of a player who is not root run as another user: as
// root every change of group succeeds.
TEST_F(InstanceLock, TheSaveFoldersLockFileTakesTheFoldersReachAndChangesNothingElse) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to be the players and groups of its rows";
    const NamedUsers users;
    ASSERT_TRUE(users.ok());
    fs::permissions(dir_.path(), fs::perms(0711));
    const mode_t umaskBefore = umask(077);
    const fs::path outside = dir_.path() / "players.txt";
    constexpr gid_t kFolders = gid_t(-1);
    const gid_t shared = AnotherGroup(), root = getegid();
    struct Row {
        const char* what;
        fs::perms folder;
        std::function<void(const fs::path&)> plant;  // at the lock file's name
        mode_t mode;                                  // the lock file's; 0: none could be put there
        gid_t folderGroup = kFolders;                 // given to the folder; -1 leaves the player's
        gid_t group = kFolders;                       // the lock file's; -1 the folder's
        uid_t player = 0;                             // another user than root runs the row
        std::vector<gid_t> playersGroups{};           // further groups of that user
        uid_t owner = 0;                              // the folder's owner; the lock file's where made
        const char* list = nullptr;                   // the folder's access list
        uid_t fileOwner = uid_t(-1);                  // the lock file's, where not the folder's owner
        // Why the copy runs without the lock, where it does though something
        // stands there ("<next>" the next name).
        const char* failure = nullptr;
    };
    // The player's lock file from an earlier start, of that mode.
    const auto earlier = [](mode_t mode, uid_t uid, gid_t gid) {
        return [=](const fs::path& p) { Plant(p, mode, uid, gid); };
    };
    const Row rows[] = {
        {"a private folder", fs::perms::owner_all, nullptr, 0600},
        {"a folder others may read", fs::perms(0755), nullptr, 0600},
        {"a folder its group may write", fs::perms(0775), nullptr, 0660},
        {"a folder of another group that group may write", fs::perms(0775), nullptr, 0660, shared},
        {"a folder others may write but not list", fs::perms(0733), nullptr, 0666},
        // Only a file's owner may replace it there: no one else counts.
        {"a shared folder with the sticky bit", fs::perms(01777), nullptr, 0600},
        {"the player's file from when the folder was its alone, the folder since shared with a group",
         fs::perms(02770), earlier(0600, 0, root), 0660, shared},
        {"the player's file open to all, the folder since closed to others", fs::perms(0755),
         earlier(0666, 0, root), 0600},
        {"another user's file, not open to all who count", fs::perms(0777), earlier(0640, 65533, 65533), 0666},
        {"the player's file, others who may write only reading it", fs::perms(0777), earlier(0644, 0, root), 0666},
        {"the player's file, others who may not write reading it", fs::perms(0755), earlier(0644, 0, root), 0600},
        {"the player's file, others who may not write writing it", fs::perms(0755), earlier(0602, 0, root), 0600},
        // Root, which passes every mode, needs no part of it.
        {"root's folder open to all with the sticky bit, the player's copy", fs::perms(01777), nullptr, 0600,
         kFolders, 65534, 65534, {}, 0, nullptr, 65534},
        // Another user's file is never the lock; where it cannot be
        // replaced, the copy runs without the lock, holding the folder.
        {"another user's file open to all in root's folder with the sticky bit", fs::perms(01777),
         earlier(0666, 65533, 65533), 0666, kFolders, 65533, 65534, {}, 0, nullptr, 65533,
         "could not be replaced: Operation not permitted"},
        // Where it cannot be replaced, the copy keeps what it holds, which
        // copies that open it see, but is not alone where that does not reach
        // every copy that counts.
        {"the player's 0644 lock file in another user's folder with the sticky bit, a stranger's file at its next "
         "name",
         fs::perms(01777),
         [&](const fs::path& p) {
             Plant(p, 0644, 65533, 65533);
             Plant(NextName(p), 0644, 65532, 65532);
         },
         0644, kFolders, 65533, 65533, {}, 65534, nullptr, 65533, "could not be replaced: <next>: Operation not permitted"},
        // A member may not open it, and no copy holds it: replaced.
        {"the owner's lock file from when the folder was its alone, since shared with a group, a member's copy",
         fs::perms(02770), earlier(0600, 65534, 65534), 0660, shared, kFolders, 65533, {shared}, 65534, nullptr,
         65533},
        // The folder's owner counts through the group the user database
        // names it a member of.
        {"a folder of the group, owned by a member of it by the user database", fs::perms(02770), nullptr, 0660,
         shared, kFolders, 65533, {shared}, 65534, nullptr, 65533},
        // The folder's owner may open the lock file a writer the list names
        // made.
        {"a private folder, its access list letting another user write, that user's copy", fs::perms(0700), nullptr,
         0660, kFolders, 65532, 65532, {}, 65534, "u::rwx,u:65532:rwx,g::---,m::rwx,o::---", 65532},
        // Root's copy gives it to the folder's owner, whose copies could not
        // open a file of root's.
        {"a folder of another user's, the player root", fs::perms(0755), nullptr, 0600, kFolders, kFolders, 0, {},
         65534},
        // The folder's group gets its part by name.
        {"a folder of a group the player is not in, that group may write", fs::perms(0775), nullptr, 0660, shared,
         65534, 65534, {}, 65534},
        {"a folder of a group the player is not in, that group and the others may write", fs::perms(0777), nullptr,
         0666, shared, 65534, 65534, {}, 65534},
        {"the player's file from when the folder was its alone, the folder since shared with a group it is in",
         fs::perms(02770), earlier(0600, 65534, 65534), 0660, shared, kFolders, 65534, {shared}, 65534},
        {"a hard link to the player's file", fs::perms(0777),
         [&](const fs::path& p) { fs::create_hard_link(outside, p); }, 0666},
        {"a symbolic link to the player's file", fs::perms(0777),
         [&](const fs::path& p) { fs::create_symlink(outside, p); }, 0666},
        {"a symbolic link to nothing", fs::perms(0777),
         [&](const fs::path& p) { fs::create_symlink(dir_.path() / "made-through-a-link", p); }, 0666},
        {"a FIFO", fs::perms(0777), [](const fs::path& p) { mkfifo(p.c_str(), 0666); }, 0666},
        {"a folder", fs::perms(0777), [](const fs::path& p) { fs::create_directory(p); }, 0},
    };
    int n = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        // Made anew, of one name: a hard link left by the row before would
        // keep it from being the player's own alone.
        fs::remove(outside);
        qtest::WriteText(outside, "the player's own\n");
        chmod(outside.c_str(), 0600);
        const fs::path folder = dir_.path() / ("save" + std::to_string(n++));
        fs::create_directory(folder);
        const fs::path file = folder / psys::instance_lock::kFolderLockName;
        if (row.plant) row.plant(file);
        ASSERT_EQ(chown(folder.c_str(), row.owner, row.folderGroup), 0);
        fs::permissions(folder, row.folder);
        if (row.list) SetAccessList(folder, row.list);
        std::string failure = row.failure ? file.string() + ": " + row.failure
                              : row.mode  ? ""
                                          : file.string() + ": could not be replaced: Is a directory";
        if (const size_t at = failure.find("<next>"); at != std::string::npos)
            failure.replace(at, 6, NextName(file).string());
        // The lock file as it stands while held, where the lock is held as it
        // should be and a second copy is refused all the same (by the folder
        // or the file).
        const std::string said = SaidAs(
            [&]() -> std::string {
                psys::instance_lock lock;
                // Given as the engine gives it, with a closing '/'.
                if (lock.acquire_folder(folder.string() + "/") != failure.empty()) return "held: " + lock.failure();
                if (lock.busy()) return "refused";
                if (lock.failure() != failure) return lock.failure();
                psys::instance_lock second;
                if (second.acquire_folder(folder.string()) || !second.busy()) return "a second copy not refused";
                struct stat st {};
                if (lstat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return "";
                char text[64];
                std::snprintf(text, sizeof text, "%o %u %u %u", unsigned(st.st_mode & 07777), unsigned(st.st_gid),
                              unsigned(st.st_uid), unsigned(st.st_nlink));
                return text;
            },
            row.player, row.player ? row.player : root, row.playersGroups);
        char want[64] = "";
        if (row.mode)
            std::snprintf(want, sizeof want, "%o %u %u 1", unsigned(row.mode),
                          unsigned(row.group == kFolders ? GroupOf(folder) : row.group),
                          unsigned(row.fileOwner == uid_t(-1) ? row.owner : row.fileOwner));
        EXPECT_EQ(said, want);
        // Where others who may make files cannot open it, it goes with the copy.
        if ((ModeOf(folder) & S_ISVTX) && fs::exists(fs::symlink_status(file))) {
            EXPECT_NE(OwnerOf(file), row.player);
        }
        EXPECT_EQ(qtest::ReadText(outside), "the player's own\n");
        EXPECT_EQ(ModeOf(outside), 0600u);
        EXPECT_FALSE(fs::exists(dir_.path() / "made-through-a-link"));
    }
    umask(umaskBefore);
}

// Who can lock a save folder, and who can open which file for writing, in
// each layout a player may give it: a copy of the player (or root's, under
// sudo) starts first and writes a file of the game's; while it runs, a copy
// of each other user starts (D, a member of the folder's group; E, a user
// access lists name; and root, or the player where root started first).
// Then who may open the game's file and the lock file, and what the
// player's next start holds once the first copy has ended. A lock held by a
// user who does not count in the folder never refuses a start, however that
// user came to hold it, and whatever it became since (root at su's prompt,
// root of a user namespace of its own); nor does one whose taker has ended,
// reaped or not. A copy that counts holding the lock file or the folder
// refuses every other start, also where the lock file was a second name, a
// link or a FIFO when the first copy began, whatever became of it since. A
// refused copy changes nothing.
TEST_F(InstanceLock, WhoCanLockAndWriteInEachLayout) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to be the users of its rows";
    const NamedUsers users;
    ASSERT_TRUE(users.ok());
    fs::permissions(dir_.path(), fs::perms(0711));
    const fs::path home = dir_.path() / "player";
    MakeFolder(home, 0755);
    const fs::path lockName = psys::instance_lock::kFolderLockName;
    // What other users hold through the row.
    std::vector<std::unique_ptr<Child>> kept;
    // A folder of the player's of that mode, group and access list, held by
    // a process of the holder's where one is given.
    const auto layout = [&](mode_t mode, gid_t group = kPlayer.gid, const char* list = nullptr,
                            const User* holder = nullptr) {
        return [&, mode, group, list, holder](const fs::path& f) {
            MakeFolder(f, mode, group);
            if (list) SetAccessList(f, list);
            if (holder) kept.push_back(Held(f, *holder));
        };
    };
    // Shared with the group as that mode, as the player would.
    const auto sharedAs = [](mode_t mode) {
        return [mode](const fs::path& f) {
            ASSERT_EQ(chown(f.c_str(), uid_t(-1), kGroup), 0);
            ASSERT_EQ(chmod(f.c_str(), mode), 0);
        };
    };
    const auto nextName = [&](const fs::path& f) { return NextName(f / lockName); };
    // The player's lock file of that mode in a 0755 folder, as an earlier
    // release left it, with the next name a copy ended while it replaced
    // left, of the player's, where left.
    const auto playersLockFile = [&](mode_t mode, bool left, std::function<void(const fs::path&)> then = nullptr) {
        return [&, mode, left, then](const fs::path& f) {
            MakeFolder(f, 0755);
            Plant(f / lockName, mode, kPlayer.uid, kPlayer.gid);
            if (left) Plant(nextName(f), 0600, kPlayer.uid, kPlayer.gid);
            if (then) then(f);
        };
    };
    // A member opens the lock file while the folder is shared 2770, and
    // locks it, itself or by a process that ends at once, once the player
    // has narrowed the folder to 2750.
    const auto narrowedUnderAMember = [&](Taker taker) {
        return [&, taker](const fs::path& f) {
            MakeFolder(f, 02770, kGroup);
            StartCopy(f, kPlayer).reset();
            kept.push_back(Kept(f / lockName, kMember, LOCK_EX, taker));
            ASSERT_EQ(chmod(f.c_str(), 02750), 0);
            ASSERT_EQ(kept.back()->step(), 'y');
        };
    };
    // While the folder is shared 2770 a member plants a link at a name, and
    // the player then narrows it to 2750.
    const auto plantedByAMember = [&](bool atNextName) {
        return [&, atNextName](const fs::path& f) {
            MakeFolder(f, 02770, kGroup);
            StartCopy(f, kPlayer).reset();
            const fs::path at = atNextName ? nextName(f) : f / lockName;
            if (!atNextName) fs::remove(at);
            ASSERT_EQ(AsUser([&] { return symlink((home / "elsewhere").c_str(), at.c_str()); }, kMember.uid,
                             kMember.gid, kMember.groups),
                      0);
            ASSERT_EQ(chmod(f.c_str(), 02750), 0);
        };
    };
    // An earlier release's 0666 lock file of the player's in a 0755 folder,
    // held by a reader who took it as taker does.
    const auto heldByAReader = [&](Taker taker) {
        return playersLockFile(0666, false, [&, taker](const fs::path& f) {
            kept.push_back(Held(f / lockName, kMember, LOCK_EX, taker));
            ASSERT_EQ(kept.back()->answer(), 'y');
        });
    };
    struct Row {
        const char* what;
        std::function<void(const fs::path&)> before;  // null: the first copy makes the folder
        // "<first>:<answer> <other>:<answer>... game:<P D E> lock:<P D E> then:<answer>"
        const char* want;
        const User* first = &kPlayer;
        std::function<void(const fs::path&)> during = nullptr;  // while the first copy runs
        std::function<void(const fs::path&)> after = nullptr;   // once the first copy has ended
    };
    const Row rows[] = {
        {"made by the game", nullptr, "P:x D:- E:- R:b game:w-- lock:w-- then:x"},
        {"0755", layout(0755), "P:x D:b E:b R:b game:w-- lock:w-- then:x"},
        // The mask is rwx; D may only read, E may write.
        {"0750 of the group, its access list letting E write",
         layout(0750, kGroup, "u::rwx,u:65532:rwx,g::r-x,m::rwx,o::---"), "P:x D:b E:b R:b game:w-w lock:w-w then:x"},
        {"0770 of the group, its access list's mask leaving its users reading",
         layout(0770, kGroup, "u::rwx,u:65532:rwx,g::rwx,m::r-x,o::---"), "P:x D:b E:b R:b game:w-- lock:w-- then:x"},
        // D holds the folder's lock as a user the list names, reading only.
        {"0777, its access list naming a user who may only read, who locks it",
         layout(0777, kPlayer.gid, "u::rwx,u:65534:r-x,g::rwx,m::rwx,o::rwx", &kMember),
         "P:x D:b E:b R:b game:w-w lock:w-w then:x"},
        {"2770 narrowed to 2750, a member holding the lock file it opened before",
         narrowedUnderAMember(Taker::Itself), "P:x D:b E:- R:b game:w-- lock:w-- then:x"},
        {"2770 narrowed to 2750, a member locking the lock file it opened before by a process gone since",
         narrowedUnderAMember(Taker::EndedProcess), "P:x D:b E:- R:b game:w-- lock:w-- then:x"},
        {"2770 narrowed to 2750, a member having planted a link at the lock file's name", plantedByAMember(false),
         "P:x D:b E:- R:b game:w-- lock:w-- then:x"},
        {"2770 narrowed to 2750, a member having planted a link at the next name", plantedByAMember(true),
         "P:x D:b E:- R:b game:w-- lock:w-- then:x"},
        {"an earlier release's 0666 lock file in a 0755 folder, locked by a reader's process gone since",
         heldByAReader(Taker::EndedProcess), "P:x D:b E:b R:b game:w-- lock:w-- then:x"},
        {"the same, its taker never reaped", heldByAReader(Taker::UnreapedProcess),
         "P:x D:b E:b R:b game:w-- lock:w-- then:x"},
        {"the same, held by a reader", heldByAReader(Taker::Itself), "P:x D:b E:b R:b game:w-- lock:w-- then:x"},
        {"the same, held by a reader waiting at su's prompt", heldByAReader(Taker::AtSuPrompt),
         "P:x D:b E:b R:b game:w-- lock:w-- then:x"},
        {"the same, held by a reader inside unshare -r", heldByAReader(Taker::InUserNamespace),
         "P:x D:b E:b R:b game:w-- lock:w-- then:x"},
        {"the same, with the next name a copy ended while it replaced left",
         playersLockFile(0666, true, [&](const fs::path& f) { kept.push_back(Held(f / lockName, kMember)); }),
         "P:x D:b E:b R:b game:w-- lock:w-- then:x"},
        // Another copy replaces the file: this one is refused, and changes
        // nothing.
        {"the same, a copy of the player's holding the next name",
         playersLockFile(0666, true,
                         [&](const fs::path& f) {
                             kept.push_back(Held(nextName(f), kPlayer));
                             kept.push_back(Held(f / lockName, kMember));
                         }),
         "P:b D:b E:b R:b game:--- lock:www then:b"},
        // A reader opened it before the first copy; the first copy that holds
        // it puts one of the folder's reach in its place, so that the lock
        // the reader takes through that descriptor once the copy has ended
        // is on no file a start opens.
        {"an earlier release's 0666 lock file in a 0755 folder, a reader locking what it opened before once the "
         "first copy has ended",
         playersLockFile(0666, false, [&](const fs::path& f) { kept.push_back(Kept(f / lockName, kMember)); }),
         "P:x D:b E:b R:b game:w-- lock:w-- then:x", &kPlayer, nullptr,
         [&](const fs::path&) { ASSERT_EQ(kept.back()->step(), 'y'); }},
        {"the player's lock file, with the next name a copy ended while it replaced left", playersLockFile(0600, true),
         "P:x D:b E:b R:b game:w-- lock:w-- then:x"},
        // It is about to put its own file at the name: a copy that takes the
        // lock file meanwhile waits for it a moment, then is refused.
        {"the player's lock file, a copy of the player's holding its next name",
         playersLockFile(0600, true, [&](const fs::path& f) { kept.push_back(Held(nextName(f), kPlayer)); }),
         "P:b D:b E:b R:b game:--- lock:w-- then:b"},
        {"the player's lock file, locked by a process of the player's never reaped",
         playersLockFile(0600, false,
                         [&](const fs::path& f) {
                             kept.push_back(Held(f / lockName, kPlayer, LOCK_EX, Taker::UnreapedProcess));
                             ASSERT_EQ(kept.back()->answer(), 'y');
                         }),
         "P:x D:b E:b R:b game:w-- lock:w-- then:x"},
        // A backup made with hard links while the first copy runs: the lock
        // file has two names, then one again.
        {"the player's lock file, given a second name by a backup, the backup then deleted",
         playersLockFile(0600, false,
                         [&](const fs::path& f) {
                             fs::create_directory(home / "backup");
                             fs::create_hard_link(f / lockName, home / "backup" / lockName);
                         }),
         "P:x D:b E:b R:b game:w-- lock:w-- then:x", &kPlayer,
         [&](const fs::path&) { fs::remove_all(home / "backup"); }},
        {"a FIFO at the lock file's name",
         [&](const fs::path& f) {
             MakeFolder(f, 0755);
             ASSERT_EQ(mkfifo((f / lockName).c_str(), 0600), 0);
             ASSERT_EQ(chown((f / lockName).c_str(), kPlayer.uid, kPlayer.gid), 0);
         },
         "P:x D:b E:b R:b game:w-- lock:w-- then:x"},
        // The lock file taken from under the first copy: the folder's lock
        // refuses the others all the same.
        {"the lock file removed while the first copy runs", layout(0755),
         "P:x D:b E:b R:b game:w-- lock:--- then:x", &kPlayer,
         [&](const fs::path& f) { fs::remove(f / lockName); }},
        {"0755 closed to 0700, a reader locking it through the descriptor it opened before",
         [&](const fs::path& f) {
             MakeFolder(f, 0755);
             kept.push_back(Kept(f, kMember, LOCK_SH));
             ASSERT_EQ(chmod(f.c_str(), 0700), 0);
             ASSERT_EQ(kept.back()->step(), 'y');
         },
         "P:x D:- E:- R:b game:w-- lock:w-- then:x"},
        {"0755 shared as 2770, a reader locking it through the descriptor it opened before",
         [&](const fs::path& f) {
             MakeFolder(f, 0755);
             StartCopy(f, kPlayer).reset();
             kept.push_back(Kept(f, kListed));
             sharedAs(02770)(f);
             ASSERT_EQ(kept.back()->step(), 'y');
         },
         "P:x D:b E:- R:b game:ww- lock:ww- then:x"},
        // Readers by the read bits: a 0744 folder can be opened, not searched.
        {"0744, a reader locking it", layout(0744, kPlayer.gid, nullptr, &kMember),
         "P:x D:b E:- R:b game:w-- lock:w-- then:x"},
        // Only a file's owner may replace it there: no one else counts.
        {"1777", layout(01777), "P:x D:b E:b R:b game:w-- lock:w-- then:x"},
        {"1777, another user locking it", layout(01777, kPlayer.gid, nullptr, &kMember),
         "P:x D:b E:b R:b game:w-- lock:w-- then:x"},
        {"1770 of the group", layout(01770, kGroup), "P:x D:b E:- R:b game:w-- lock:w-- then:x"},
        // One who may make files there counts, whatever it locks.
        {"0777, a writer locking it", layout(0777, kPlayer.gid, nullptr, &kMember),
         "P:b D:b E:b R:b game:--- lock:--- then:b"},
        // Those who may write but not list see the first copy through the
        // file alone: for writing where they may, else for reading.
        {"0733", layout(0733), "P:x D:b E:b R:b game:www lock:www then:x"},
        {"0733, the lock file made read-only for others", layout(0733),
         "P:x D:b E:b R:b game:www lock:wrr then:x", &kPlayer,
         [&](const fs::path& f) { ASSERT_EQ(chmod((f / lockName).c_str(), 0644), 0); }},
        // A member may write into the folder, not list it, and plants a FIFO
        // where the lock file goes: the player's copy puts a lock file there.
        {"0730 of the group, a member's FIFO at the lock file's name",
         [&](const fs::path& f) {
             MakeFolder(f, 0730, kGroup);
             ASSERT_EQ(AsUser([&] { return mkfifo((f / lockName).c_str(), 0666); }, kMember.uid, kMember.gid,
                              kMember.groups),
                       0);
         },
         "P:x D:b E:- R:b game:ww- lock:ww- then:x"},
        // Shared with the group while the first copy runs: the lock file
        // follows only once a copy holds it, so those refused meanwhile
        // change nothing.
        {"0700, shared with the group while the first copy runs", layout(0700),
         "P:x D:b E:- R:b game:w-- lock:w-- then:x", &kPlayer, sharedAs(02770)},
        // Those who may write but not list, nor open the player's lock file
        // yet, see by /proc whose copy holds it.
        {"0700, shared with the group, who may not list it, while the first copy runs", layout(0700),
         "P:x D:b E:- R:b game:w-- lock:w-- then:x", &kPlayer, sharedAs(02730)},
        {"a start under sudo", layout(0700), "R:x P:b D:- E:- game:w-- lock:w-- then:x", &kRoot},
        {"a first start under sudo", nullptr, "R:x P:b D:- E:- game:w-- lock:w-- then:x", &kRoot},
        // A member started by sg or newgrp counts through its primary group.
        {"2770 of the group, a member of it by its primary group alone starting first", layout(02770, kGroup),
         "G:x P:b D:b E:- R:b game:ww- lock:ww- then:x", &kPrimaryMember},
    };
    int n = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const fs::path folder = home / ("save" + std::to_string(n++));
        if (row.before) row.before(folder);
        const fs::path lockFile = folder / lockName;
        std::string got;
        {
            auto first = StartCopy(folder, *row.first, !row.before, true);
            got += std::string(1, row.first->name) + ":" + first->answer();
            if (row.during) row.during(folder);
            struct stat lockBefore {};
            lstat(lockFile.c_str(), &lockBefore);
            for (const User* other : {&kPlayer, &kMember, &kListed, &kRoot}) {
                if (other == row.first) continue;
                got += std::string(" ") + other->name + ":" + StartCopy(folder, *other)->answer();
            }
            struct stat lockAfter {};
            lstat(lockFile.c_str(), &lockAfter);
            EXPECT_EQ(lockAfter.st_mode, lockBefore.st_mode) << "changed by a copy refused";
            EXPECT_EQ(lockAfter.st_uid, lockBefore.st_uid) << "changed by a copy refused";
            EXPECT_EQ(lockAfter.st_gid, lockBefore.st_gid) << "changed by a copy refused";
            for (const char* name : {kGameFile, psys::instance_lock::kFolderLockName}) {
                got += std::string(" ") + (name == kGameFile ? "game" : "lock") + ":";
                for (const User* user : {&kPlayer, &kMember, &kListed}) got += Opens(folder / name, *user);
                // Written or kept by the player's copy or root's: the player's.
                struct stat st {};
                if ((row.first == &kPlayer || row.first == &kRoot) && lstat((folder / name).c_str(), &st) == 0 &&
                    S_ISREG(st.st_mode)) {
                    EXPECT_EQ(st.st_uid, kPlayer.uid) << name;
                }
            }
        }
        if (row.after) row.after(folder);
        got += std::string(" then:") + StartCopy(folder, kPlayer)->answer();
        EXPECT_EQ(got, row.want);
        EXPECT_EQ(OwnerOf(folder), kPlayer.uid);
        kept.clear();
        // A copy that replaced the lock file leaves no next name behind.
        for (const auto& entry : fs::directory_iterator(folder)) {
            if (std::string(row.want).ends_with("then:x")) {
                EXPECT_NE(entry.path().extension(), ".next");
            }
        }
    }
}

// What another copy does when this one reaches a step of its lock; each is
// called once.
std::vector<std::pair<std::string, std::function<void()>>> g_meetings;

void Meet(const char* step, const std::string&) {
    for (auto it = g_meetings.begin(); it != g_meetings.end(); ++it) {
        if (it->first != step) continue;
        const std::function<void()> meeting = std::move(it->second);
        g_meetings.erase(it);
        return meeting();
    }
}

// A lock taken through the descriptor this holds by a process gone since:
// no copy's, and let go of when this closes.
class KeptByAnEndedTaker {
public:
    explicit KeptByAnEndedTaker(const fs::path& path) : fd_(open(path.c_str(), fs::is_directory(path) ? O_RDONLY : O_RDWR)) {
        const pid_t taker = fork();
        if (taker == 0) _exit(flock(fd_, LOCK_EX | LOCK_NB) == 0 ? 0 : 1);
        int status = 1;
        waitpid(taker, &status, 0);
        taken_ = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    ~KeptByAnEndedTaker() { LetGo(); }
    KeptByAnEndedTaker(const KeptByAnEndedTaker&) = delete;
    KeptByAnEndedTaker& operator=(const KeptByAnEndedTaker&) = delete;
    bool taken() const { return taken_; }
    void LetGo() {
        if (fd_ >= 0) close(fd_);
        fd_ = -1;
    }

private:
    int fd_;
    bool taken_ = false;
};

// Another copy's start in a process of its own, paused at a step of its
// lock until released; it first lets go of what this process keeps open.
class PausedStart {
public:
    PausedStart(const fs::path& folder, const char* at, const std::vector<KeptByAnEndedTaker*>& letGo) {
        if (pipe(ready_) != 0 || pipe(go_) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            for (KeptByAnEndedTaker* kept : letGo) kept->LetGo();
            g_meetings = {{at, [this] {
                               char byte = 'r';
                               (void)!write(ready_[1], &byte, 1);
                               (void)!read(go_[0], &byte, 1);
                           }}};
            psys::instance_lock lock;
            const bool alone = lock.acquire_folder(folder.string());
            _exit(Outcome(lock, alone));
        }
        // Only the child's ends stay open: a child that ended without pausing
        // ends the read.
        for (int* end : {&ready_[1], &go_[0]}) {
            close(*end);
            *end = -1;
        }
        char byte = 0;
        paused_ = pid_ > 0 && read(ready_[0], &byte, 1) == 1;
    }
    ~PausedStart() {
        for (int fd : {ready_[0], ready_[1], go_[0], go_[1]}) close(fd);
        if (pid_ > 0) qtest::WaitExit(pid_, std::chrono::seconds(10));
    }
    PausedStart(const PausedStart&) = delete;
    PausedStart& operator=(const PausedStart&) = delete;
    bool paused() const { return paused_; }
    // Lets it go on to its end: its Outcome.
    char Release() {
        if (paused_) (void)!write(go_[1], "g", 1);
        const int status = qtest::WaitExit(pid_, std::chrono::seconds(10));
        pid_ = -1;
        return char(status);
    }

private:
    int ready_[2] = {-1, -1}, go_[2] = {-1, -1};
    pid_t pid_ = -1;
    bool paused_ = false;
};

// Where two starts meet while one replaces the lock file (its lock held
// only by a taker gone since): every step at which another start can come
// between, each met at that step. The folder's own lock, which would refuse
// the later start first, is out of play, as where copies cannot lock a
// folder (NFS) or list it. "<row>:<first><second>" for each, where a
// start's letter is 'x' holding the lock alone, 'b' refused, '-' neither,
// then '!' where a third start is not refused.
std::string StartsMeetingAReplacer(const fs::path& dir) {
    psys::set_instance_lock_step_hook(&Meet);
    std::string said;
    int n = 0;
    const auto third = [](const fs::path& folder) {
        psys::instance_lock lock;
        return !lock.acquire_folder(folder.string()) && lock.busy() ? "" : "!";
    };
    for (const char* row : {"opened", "judged", "judged, its holder gone", "next made", "next made, taken for a leftover",
                            "next made twice", "waiting"}) {
        const fs::path folder = dir / ("meet" + std::to_string(n++));
        fs::create_directory(folder);
        fs::permissions(folder, fs::perms(0755));
        psys::instance_lock({}).acquire_folder(folder.string());
        KeptByAnEndedTaker folderKept(folder);
        auto kept = std::make_unique<KeptByAnEndedTaker>(folder / psys::instance_lock::kFolderLockName);
        if (!kept->taken()) return "no lock taken";
        psys::instance_lock first, second;
        char secondSaid = '!';
        const auto runSecond = [&] { secondSaid = Outcome(second, second.acquire_folder(folder.string())); };
        std::unique_ptr<PausedStart> paused, another;
        g_meetings.clear();
        const std::string what = row;
        if (what == "opened") {
            // The first opened the old file; the second replaces it, and the
            // old one's descriptor lets go: the first then locks a file no
            // longer at the name.
            g_meetings.push_back({"opened", [&] {
                                      runSecond();
                                      kept->LetGo();
                                  }});
        } else if (what == "judged") {
            // The second replaces it while the first is about to.
            g_meetings.push_back({"judged", runSecond});
        } else if (what == "judged, its holder gone") {
            // The old one's descriptor lets go and the second takes the old
            // file as it stands, while the first is about to replace it.
            g_meetings.push_back({"judged", [&] {
                                      kept->LetGo();
                                      runSecond();
                                  }});
        } else if (what == "next made") {
            // The first has made its next name, not yet locked it: the second
            // takes it for a leftover, puts its own there and is about to
            // rename while the first goes on.
            g_meetings.push_back({"next made", [&] {
                                      paused = std::make_unique<PausedStart>(folder, "next held",
                                                                             std::vector{kept.get(), &folderKept});
                                  }});
        } else if (what == "next made, taken for a leftover") {
            // The second finds it free and removes it, still holding the
            // flock it judged it free by ('!' where it let go: the first
            // could lock a name about to go); it runs on to its end once the
            // first, which looked again, is about to rename.
            g_meetings.push_back({"next made", [&] {
                                      const int probe = open(NextName(folder / psys::instance_lock::kFolderLockName).c_str(), O_RDONLY);
                                      paused = std::make_unique<PausedStart>(folder, "removed",
                                                                             std::vector{kept.get(), &folderKept});
                                      if (flock(probe, LOCK_EX | LOCK_NB) == 0) said += "!";
                                      close(probe);
                                  }});
            g_meetings.push_back({"renaming", [&] { secondSaid = paused->Release(); }});
        } else if (what == "next made twice") {
            // Two starts each made the next name, not yet locked, one just
            // after the first removed the other's: the first, whose two
            // attempts met a next name, looks again.
            paused = std::make_unique<PausedStart>(folder, "next made", std::vector{kept.get(), &folderKept});
            if (!paused->paused()) return "no second start";
            g_meetings.push_back({"removed", [&] {
                                      another = std::make_unique<PausedStart>(folder, "next made",
                                                                              std::vector{kept.get(), &folderKept});
                                  }});
        } else {
            // The replacer, held just before its rename; the first takes the
            // old file once its descriptor lets go, and waits for the
            // replacer, which renames and ends meanwhile.
            paused = std::make_unique<PausedStart>(folder, "renaming", std::vector{kept.get(), &folderKept});
            if (!paused->paused()) return "no replacer";
            kept->LetGo();
            g_meetings.push_back({"waiting", [&] { secondSaid = paused->Release(); }});
        }
        const bool firstHeld = first.acquire_folder(folder.string());
        said += what + ":" + Outcome(first, firstHeld);
        if (paused && secondSaid == '!') {
            said += third(folder);
            secondSaid = paused->paused() ? paused->Release() : '?';
        }
        said += std::string(1, secondSaid);
        if (another) said += another->paused() ? another->Release() : '?';
        said += std::string(what.starts_with("next made") ? "" : third(folder)) + " ";
    }
    psys::set_instance_lock_step_hook(nullptr);
    return said;
}

// A copy that replaces the lock file meets every other start one at a time:
// whichever step the other comes at, exactly one of them holds the lock
// (the one that ran on to the end, or that took the file as it stood), and a
// later start is refused. The same for a player who is not root.
TEST_F(InstanceLock, StartsMeetingACopyThatReplacesTheLockFileRunOneAtATime) {
    const std::string want = "opened:bx judged:bx judged, its holder gone:bx next made:bx next made, taken for a "
                             "leftover:xb next made twice:xbb waiting:xx ";
    EXPECT_EQ(StartsMeetingAReplacer(dir_.path()), want);
    if (geteuid() != 0) return;
    const fs::path playersOwn = dir_.path() / "players";
    MakeFolder(playersOwn, 0755);
    fs::permissions(dir_.path(), fs::perms(0711));
    EXPECT_EQ(qtest::SaidAsUser(kPlayer.uid, kPlayer.gid, kPlayer.groups, [&] { return StartsMeetingAReplacer(playersOwn); }),
              want)
        << "as a player who is not root";
}

// How a start sees the processes that hold a lock: through a /proc that
// hides other users' processes (hidepid=2), from a pid namespace of its own
// that kept the host's /proc, with a /proc of its own namespace, which
// lists no lock of a process outside it, from a user namespace that maps
// only its own user (every other user, root too, reads as the overflow id),
// or from one whose maps, as a rootless container's, give the player, a
// reader and their groups numbers of its own and map the overflow id to
// nobody, though root and every other user still read as it (kMaps); or
// one that makes the player root and maps 65535 ids more to subordinate
// ones, the overflow id among them (`newuidmap`, kWideMaps).
enum View : unsigned {
    kHidden = 1,
    kChildNamespace = 2,
    kOwnProc = 4,
    kOwnUsers = 8,
    kMappedApart = 16,
    kRootOfAWideMap = 32
};
constexpr const char* kMaps[] = {"1000 65533 1\n3000 65532 1\n65534 65534 1\n",
                                 "2000 65533 1\n3100 65532 1\n4242 4242 1\n65534 65534 1\n"};
constexpr const char* kWideMaps[] = {"0 65533 1\n1 100000 65535\n", "0 65533 1\n1 100000 65535\n"};

// Runs f as the user in a process that sees so; its exit code, or 97 where
// this machine cannot make such a view (not root, no namespaces).
int SeeingAs(unsigned view, const User& user, const std::function<int()>& f) {
    std::fflush(nullptr);
    int ready[2], go[2];
    if (pipe(ready) != 0 || pipe(go) != 0) return 97;
    const pid_t pid = fork();
    if (pid == 0) {
        if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) _exit(97);
        if ((view & kHidden) && mount("proc", "/proc", "proc", 0, "hidepid=2") != 0) _exit(97);
        if (view & (kChildNamespace | kOwnProc)) {
            if (unshare(CLONE_NEWPID) != 0) _exit(97);
            const pid_t inside = fork();
            if (inside != 0) _exit(inside > 0 ? qtest::WaitExit(inside, std::chrono::seconds(30)) : 97);
            if ((view & kOwnProc) && mount("proc", "/proc", "proc", 0, nullptr) != 0) _exit(97);
        }
        if (!Become(user)) _exit(98);
        if ((view & kOwnUsers) && !qtest::EnterOwnUserNamespace()) _exit(97);
        const bool wide = view & kRootOfAWideMap;
        if ((view & (kMappedApart | kRootOfAWideMap)) && !qtest::EnterUserNamespaceMappedByParent(ready[1], go[0], wide))
            _exit(97);
        _exit(f());
    }
    // Only the child's ends stay open: a child that ended ends the read.
    close(ready[1]);
    close(go[0]);
    char byte = 0;
    if ((view & (kMappedApart | kRootOfAWideMap)) && read(ready[0], &byte, 1) == 1) {
        const char* const* maps = (view & kRootOfAWideMap) ? kWideMaps : kMaps;
        bool written = true;
        for (int group = 0; group < 2; ++group) {
            const int map = open(("/proc/" + std::to_string(pid) + (group ? "/gid_map" : "/uid_map")).c_str(), O_WRONLY);
            written = written && map >= 0 && write(map, maps[group], strlen(maps[group])) == ssize_t(strlen(maps[group]));
            if (map >= 0) close(map);
        }
        (void)!write(go[1], written ? "y" : "n", 1);
    }
    close(ready[0]);
    close(go[1]);
    return qtest::WaitExit(pid, std::chrono::seconds(30));
}

// A lock no start can judge (its holder hidden, in another pid namespace, or
// of ids the start's user namespace cannot map, or a lock file the start may
// not open that /proc may not show held) refuses a start where it is on the
// lock file, which only those who count may open, unless its taker is seen
// to have ended; it refuses none where it is on the folder, which any
// reader may lock. A lock file wider than the folder's reach is replaced by
// the first copy that holds it, so that a reader's descriptor kept from
// before holds no lock a later start meets. A file of someone who does not
// count is never the lock, whoever holds it, and never taken from a running
// holder. Where others who do not count may make files, nothing they do
// refuses a start, and no two copies that count both run alone.
TEST_F(InstanceLock, WhatAStartCannotJudgeRefusesItOnlyOnTheLockFile) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to mount a /proc and make namespaces";
    const NamedUsers users;
    ASSERT_TRUE(users.ok());
    fs::permissions(dir_.path(), fs::perms(0711));
    const fs::path home = dir_.path() / "player";
    MakeFolder(home, 0755);
    std::vector<std::unique_ptr<Child>> kept;
    std::vector<std::unique_ptr<KeptByAnEndedTaker>> ended;
    std::vector<std::unique_ptr<PausedStart>> replacers;
    std::vector<fs::path> mounts;
    std::vector<std::unique_ptr<qtest::FatDrive>> fats;
    const fs::path lockName = psys::instance_lock::kFolderLockName;
    struct Row {
        const char* what;
        unsigned view;
        std::function<void(const fs::path&)> before;
        char want;
        const User* starter = &kPlayer;
        std::function<void(const fs::path&)> within = nullptr;  // in the start's process, before it
        // Where not refused, the start writes a game file, which must then
        // be that user's (as the machine numbers users).
        uid_t writesFor = uid_t(-1);
    };
    const auto copyOf = [&](const User& user, mode_t mode, gid_t group = kPlayer.gid, const char* list = nullptr) {
        return [&, mode, group, list](const fs::path& f) {
            MakeFolder(f, mode, group);
            if (list) SetAccessList(f, list);
            kept.push_back(StartCopy(f, user));
            ASSERT_EQ(kept.back()->answer(), 'x');
        };
    };
    const auto sharersCopy = copyOf(kMember, 02770, kGroup);
    const auto share = [](const fs::path& f) {
        ASSERT_EQ(chown(f.c_str(), uid_t(-1), kGroup), 0);
        ASSERT_EQ(chmod(f.c_str(), 02770), 0);
    };
    const auto playersCopySharedSince = [&](const fs::path& f) {
        copyOf(kPlayer, 0700)(f);
        share(f);
    };
    // A file of owner's of that mode at path, held by a process of holder's.
    const auto plantedHeld = [&](const fs::path& at, const User& owner, mode_t mode, const User& holder) {
        Plant(at, mode, owner.uid, owner.gid);
        kept.push_back(Held(at, holder));
        ASSERT_EQ(kept.back()->answer(), 'y');
    };
    // A reader's lock on the player's lock file of an earlier release (0666).
    const auto readersLock = [&](const User& reader) {
        return [&](const fs::path& f) {
            MakeFolder(f, 0755);
            plantedHeld(f / lockName, kPlayer, 0666, reader);
        };
    };
    // A folder of root's, open to all with the sticky bit: a shared
    // install's.
    const auto rootsShared = [](const fs::path& f) {
        fs::create_directory(f);
        ASSERT_EQ(chmod(f.c_str(), 01777), 0);
    };
    // Another user's file at the lock file's name in root's shared 1777
    // folder, the folder held by that user, and the file too where held.
    const auto strangersFile = [&](bool held) {
        return [&, held](const fs::path& f) {
            rootsShared(f);
            kept.push_back(Held(f, kListed));
            if (held) plantedHeld(f / lockName, kListed, 0644, kListed);
            else Plant(f / lockName, 0644, kListed.uid, kListed.gid);
        };
    };
    // In the start's process: at its step "next held" the taker locks the
    // old file (taken, where given, let go of it first).
    const auto takenAtNextHeld = [](Child* taker, KeptByAnEndedTaker* taken) {
        g_meetings = {{"next held", [taker, taken] {
                           if (taken) taken->LetGo();
                           taker->step();
                       }}};
        psys::set_instance_lock_step_hook(&Meet);
    };
    const auto overlay = [&](const fs::path& f) {
        const std::string layers = f.string() + "-layers";
        for (const char* part : {"", "/lower", "/upper", "/work"}) fs::create_directories(layers + part);
        fs::create_directory(f);
        const std::string options = "lowerdir=" + layers + "/lower,upperdir=" + layers + "/upper,workdir=" + layers + "/work";
        ASSERT_EQ(mount("overlay", f.c_str(), "overlay", 0, options.c_str()), 0);
        mounts.push_back(f);
    };
    // A user who does not count in the player's sticky folder plants a file
    // at the lock file's name, or at its next name, and holds it.
    const auto planted = [&](bool atNextName, mode_t lockFileMode = 0666) {
        return [&, atNextName, lockFileMode](const fs::path& f) {
            MakeFolder(f, 01777);
            fs::path at = f / psys::instance_lock::kFolderLockName;
            if (atNextName) {
                // The player's lock file (open to all: a start replaces it).
                Plant(at, lockFileMode, kPlayer.uid, kPlayer.gid);
                at = NextName(at);
            }
            plantedHeld(at, kListed, 0644, kListed);
        };
    };
    const auto replacing = [&](bool letGo) {
        return [&, letGo](const fs::path& f) {
            MakeFolder(f, 0755);
            psys::instance_lock({}).acquire_folder(f.string());
            ended.push_back(std::make_unique<KeptByAnEndedTaker>(f / psys::instance_lock::kFolderLockName));
            ASSERT_TRUE(ended.back()->taken());
            psys::set_instance_lock_step_hook(&Meet);
            replacers.push_back(std::make_unique<PausedStart>(f, "renaming", std::vector{ended.back().get()}));
            psys::set_instance_lock_step_hook(nullptr);
            ASSERT_TRUE(replacers.back()->paused());
            if (letGo) ended.back()->LetGo();
        };
    };
    // In the start's process: at each of its steps named so, until they run
    // out, the child takes its next step.
    const auto atEvery = [](const char* name, int times, Child* child) {
        g_meetings.clear();
        for (int i = 0; i < times; ++i) g_meetings.push_back({name, [child] { child->step(); }});
        psys::set_instance_lock_step_hook(&Meet);
    };
    // A user who does not count puts a fresh file of his own at the lock
    // file's name in the folder made, and again at each look of the start.
    const auto renamingStranger = [&](std::function<void(const fs::path&)> make) {
        return [&, make](const fs::path& f) {
            make(f);
            const std::string file = (f / lockName).string();
            const auto put = [file](int i) {
                const std::string fresh = file + std::to_string(i);
                const int fd = open(fresh.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
                return fd >= 0 && close(fd) == 0 && rename(fresh.c_str(), file.c_str()) == 0 ? 'y' : 'n';
            };
            std::vector<std::function<char()>> steps;
            for (int i = 1; i <= 4; ++i) steps.push_back([put, i] { return put(i); });
            kept.push_back(std::make_unique<Child>(kListed, [put] { return put(0); }, steps));
            ASSERT_EQ(kept.back()->answer(), 'y');
        };
    };
    const auto renamedAtEveryLook = [&](const fs::path&) { atEvery("next held", 4, kept.back().get()); };
    // Root's copy under sudo, started and quit in root's 1777 folder.
    const auto rootsCopyQuit = [&](bool overlayfs) {
        return [&, overlayfs](const fs::path& f) {
            if (overlayfs) overlay(f);
            rootsShared(f);
            StartCopy(f, kRoot).reset();
        };
    };
    // The member removed from the group, his copy running in the player's
    // folder the access list shares with the group.
    const char* const kSharedWithTheGroup = "u::rwx,g::rwx,g:4242:rwx,m::rwx,o::---";
    const auto removedMembersCopy = copyOf(kRemoved, 0770, kPlayer.gid, kSharedWithTheGroup);
    const Row rows[] = {
        {"a sharer's copy, the start in a pid namespace of its own keeping the host's hidden /proc",
         kChildNamespace | kHidden, sharersCopy, 'b'},
        {"a sharer's copy, the start behind a hidden /proc", kHidden, sharersCopy, 'b'},
        {"a sharer's copy, the start with a /proc of its own pid namespace", kOwnProc, sharersCopy, 'b'},
        {"a sharer's copy, seen", 0, sharersCopy, 'b'},
        // Root's copy (a start under sudo), and a writer the list names,
        // read as the overflow user.
        {"root's copy, the start in a user namespace that maps only the player", kOwnUsers,
         copyOf(kRoot, 0755), 'b'},
        {"the copy of a user the access list lets write, the same", kOwnUsers,
         copyOf(kListed, 0700, kPlayer.gid, "u::rwx,u:65532:rwx,g::---,m::rwx,o::---"), 'b'},
        // Root and a stranger both read as the overflow id there: the
        // stranger's file is no lock, and his lock on the folder refuses no
        // start, nor, where the start cannot tell who holds the file, his
        // lock on it; the file cannot be replaced, and the start says so.
        {"a stranger's file at the lock file's name in root's 1777 folder, the stranger holding the folder, the "
         "start in a pid and a user namespace of its own",
         kOwnProc | kOwnUsers, strangersFile(false), '-'},
        {"the same, the stranger holding his file too, the start in a user namespace of its own", kOwnUsers,
         strangersFile(true), '-'},
        // Maps that give the overflow id to nobody: root still reads as it.
        {"root's copy in the player's 0700 folder, the start in a namespace of maps of its own", kMappedApart,
         copyOf(kRoot, 0700), 'b'},
        {"a reader's lock on an earlier release's 0666 lock file, the same", kMappedApart, readersLock(kListed), 'x'},
        {"the same, the reader in a group those maps leave out", kMappedApart, readersLock(kStray), 'b'},
        // The lock file of a copy started by sg or newgrp is of the folder's
        // group, which its process had.
        {"the copy of a user started into the folder's group by sg, the start behind a hidden /proc", kHidden,
         copyOf(kNewgrp, 02770, kGroup), 'b'},
        // The player's copy runs in a private folder with its 0600 lock file;
        // the folder is then shared, and a member starts where it cannot see
        // the player's copy.
        {"the player's copy in a 0700 folder since shared 2770, a member's start with a /proc of its own",
         kOwnProc, playersCopySharedSince, 'b', &kMember},
        {"the same, the member's start behind a hidden /proc", kHidden, playersCopySharedSince, 'b', &kMember},
        {"the player's 0600 lock file of its 0700 folder since shared, taken by the player's copy while a member's "
         "start behind a hidden /proc replaces it",
         kHidden,
         [&](const fs::path& f) {
             MakeFolder(f, 0700);
             StartCopy(f, kPlayer).reset();
             share(f);
             kept.push_back(Kept(f / lockName, kPlayer));
         },
         'b', &kMember, [&](const fs::path&) { takenAtNextHeld(kept.back().get(), nullptr); }},
        // A copy replacing a lock file whose taker has ended, held just
        // before its rename: the start, which cannot see who holds the next
        // name, takes the old file once it is let go, or replaces it too.
        {"a copy about to rename its next name over the lock file, the start with a /proc of its own", kOwnProc,
         replacing(true), 'b'},
        {"the same, the old file's lock kept, the start behind a hidden /proc", kHidden, replacing(false), 'b'},
        // The start replaces a lock file whose taker has ended; before its
        // rename root's copy, which it cannot see, takes the old file.
        {"a lock file taken by root's copy while the start replaces it, the start behind a hidden /proc", kHidden,
         [&](const fs::path& f) {
             MakeFolder(f, 0755);
             psys::instance_lock({}).acquire_folder(f.string());
             kept.push_back(Kept(f / lockName, kRoot));
             ASSERT_EQ(kept.back()->answer(), 'y');
         },
         'b', &kPlayer,
         [&](const fs::path& f) { takenAtNextHeld(kept.back().get(), new KeptByAnEndedTaker(f / lockName)); }},
        {"a reader holding the folder, the start behind a hidden /proc", kHidden,
         [&](const fs::path& f) {
             MakeFolder(f, 0755);
             kept.push_back(Held(f, kListed));
         },
         'x'},
        // Held by someone the start cannot see, it may be a copy's that
        // judges otherwise whose it is: the start replaces it, but runs
        // without the lock.
        {"a lock file planted by a user who does not count, held, the start behind a hidden /proc", kHidden,
         planted(false), '-'},
        {"a next name planted by a user who does not count, held, the start with a /proc of its own", kOwnProc,
         planted(true), '-'},
        {"an earlier release's 0666 lock file a reader opened before the first copy and locks once it has ended, "
         "the start behind a hidden /proc",
         kHidden,
         [&](const fs::path& f) {
             MakeFolder(f, 0755);
             const fs::path file = f / psys::instance_lock::kFolderLockName;
             Plant(file, 0666, kPlayer.uid, kPlayer.gid);
             kept.push_back(Kept(file, kListed));
             StartCopy(f, kPlayer).reset();
             ASSERT_EQ(kept.back()->step(), 'y');
         },
         'x'},
        // /proc/locks names a lock by device and inode: a file of the same
        // inode number on another file system, held by the player's process,
        // is not the lock file a reader holds.
        {"a reader's lock on an earlier release's 0666 lock file, the player holding a file of the same inode "
         "number on another file system",
         0,
         [&](const fs::path& f) {
             const fs::path other = f.string() + "-other";
             for (const fs::path& at : {f, other}) {
                 fs::create_directory(at);
                 ASSERT_EQ(mount("tmpfs", at.c_str(), "tmpfs", 0, "mode=0755"), 0);
                 mounts.push_back(at);
             }
             ASSERT_EQ(chown(f.c_str(), kPlayer.uid, kPlayer.gid), 0);
             const fs::path file = f / psys::instance_lock::kFolderLockName;
             Plant(file, 0666, kPlayer.uid, kPlayer.gid);
             Plant(other / "held", 0666, kPlayer.uid, kPlayer.gid);
             struct stat a {}, b {};
             ASSERT_EQ(stat(file.c_str(), &a), 0);
             ASSERT_EQ(stat((other / "held").c_str(), &b), 0);
             ASSERT_EQ(a.st_ino, b.st_ino);
             kept.push_back(Held(file, kListed));
             kept.push_back(Held(other / "held", kPlayer));
         },
         'x'},
        // overlayfs need not name a lock by the device stat gives: no holder
        // can be judged there, nor can a lock file the start may not open.
        {"the player's copy on overlayfs in a 0700 folder since shared 2770, a member's start", 0,
         [&](const fs::path& f) {
             overlay(f);
             playersCopySharedSince(f);
         },
         'b', &kMember},
        {"a stranger putting a fresh file of his own at the lock file's name at every look, in root's 1777 folder", 0,
         renamingStranger(rootsShared), '-', &kPlayer, renamedAtEveryLook},
        {"the same in the player's 1777 folder, the start behind a hidden /proc", kHidden,
         renamingStranger([&](const fs::path& f) { MakeFolder(f, 01777); }), '-', &kPlayer, renamedAtEveryLook},
        {"the player's 0666 lock file in root's 1777 folder, a stranger's hard link to it at its next name", 0,
         [&](const fs::path& f) {
             rootsShared(f);
             Plant(f / lockName, 0666, kPlayer.uid, kPlayer.gid);
             const fs::path next = NextName(f / lockName);
             ASSERT_EQ(AsUser([&] { return link((f / lockName).c_str(), next.c_str()); }, kListed.uid, kListed.gid), 0);
         },
         'x'},
        {"a start under sudo in root's 1777 folder, ended, the player's start behind a hidden /proc", kHidden,
         rootsCopyQuit(false), 'x'},
        {"the same, the player's start with a /proc of its own", kOwnProc, rootsCopyQuit(false), 'x'},
        {"the same on overlayfs", 0, rootsCopyQuit(true), 'x'},
        {"the player's copy in root's 1777 folder, a start under sudo", 0,
         [&](const fs::path& f) {
             rootsShared(f);
             kept.push_back(StartCopy(f, kPlayer));
             ASSERT_EQ(kept.back()->answer(), 'x');
         },
         '-', &kRoot},
        {"the player's lone start in root's 1777 folder from a user namespace that maps only the player", kOwnUsers,
         rootsShared, 'x'},
        {"the player's start as root of a namespace whose map gives the overflow id to another, in root's 1777 folder",
         kRootOfAWideMap, rootsShared, 'x', &kPlayer, nullptr, kPlayer.uid},
        // A held file is judged by its holders.
        {"a member's lock file, held by his process, the member since removed from the group that shares the "
         "folder by its access list",
         0,
         [&](const fs::path& f) {
             MakeFolder(f, 0770);
             SetAccessList(f, kSharedWithTheGroup);
             plantedHeld(f / lockName, kRemoved, 0600, kRemoved);
         },
         'b'},
        {"the same, once a start behind a hidden /proc has looked, the start with a /proc of its own", kOwnProc,
         [&](const fs::path& f) {
             removedMembersCopy(f);
             EXPECT_EQ(SeeingAs(kHidden, kPlayer, [&] {
                           psys::instance_lock lock;
                           const bool alone = lock.acquire_folder(f.string());
                           return Outcome(lock, alone);
                       }),
                       '-');
         },
         '-'},
        {"a reader of an id those maps leave out, in a group they map, locking an earlier release's 0666 lock file",
         kMappedApart, readersLock(kPrimaryMember), 'b'},
        // Whatever the start cannot hold or judge beside the lock file
        // leaves it without the lock.
        {"the player's 0600 lock file in its 1777 folder, a next name planted by a user who does not count, held, "
         "the start with a /proc of its own",
         kOwnProc, planted(true, 0600), '-'},
        {"the player's 0666 lock file a taker gone since locked, a next name planted and held by a user who does not "
         "count, the start behind a hidden /proc",
         kHidden,
         [&](const fs::path& f) {
             planted(true, 0666)(f);
             ended.push_back(std::make_unique<KeptByAnEndedTaker>(f / lockName));
             ASSERT_TRUE(ended.back()->taken());
         },
         '-'},
        {"a stranger's 0600 file at the lock file's name in the player's 1777 folder, locked by him while the start "
         "replaces it, the start behind a hidden /proc",
         kHidden,
         [&](const fs::path& f) {
             MakeFolder(f, 01777);
             Plant(f / lockName, 0600, kListed.uid, kListed.gid);
             kept.push_back(Kept(f / lockName, kListed));
             ASSERT_EQ(kept.back()->answer(), 'y');
         },
         '-', &kPlayer, [&](const fs::path&) { takenAtNextHeld(kept.back().get(), nullptr); }},
        // A holder that ends between the flock and the look at /proc holds
        // nothing; a next name another removed first (an NFS unlink resent)
        // is gone.
        {"the player's process holding its lock file, ending between the start's flock and its look at /proc", 0,
         [&](const fs::path& f) {
             MakeFolder(f, 0755);
             plantedHeld(f / lockName, kPlayer, 0600, kPlayer);
         },
         'x', &kPlayer, [&](const fs::path&) { atEvery("held", 1, kept.back().get()); }},
        {"a next name left by a copy ended while it replaced, gone at its unlink", 0,
         [&](const fs::path& f) {
             MakeFolder(f, 0755);
             Plant(f / lockName, 0600, kPlayer.uid, kPlayer.gid);
             Plant(NextName(f / lockName), 0600, kPlayer.uid, kPlayer.gid);
         },
         'x', &kPlayer,
         [&](const fs::path& f) {
             g_meetings = {{"leftover", [next = NextName(f / lockName)] { fs::remove(next); }}};
             psys::set_instance_lock_step_hook(&Meet);
         }},
        // FUSE names it so.
        {"a lock file on a FAT drive through FUSE, locked by a process gone since, the player root", 0,
         [&](const fs::path& f) {
             fats.push_back(std::make_unique<qtest::FatDrive>(f));
             if (!fats.back()->mounted()) return (void)fs::remove(f);
             qtest::WriteText(f / lockName, "");
             ended.push_back(std::make_unique<KeptByAnEndedTaker>(f / lockName));
             ASSERT_TRUE(ended.back()->taken());
         },
         'x', &kRoot},
    };
    int n = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const fs::path folder = home / ("seen" + std::to_string(n++));
        row.before(folder);
        const int answer = !fs::exists(folder) ? 97 : SeeingAs(row.view, *row.starter, [&] {
            if (row.within) row.within(folder);
            psys::instance_lock lock;
            const bool alone = lock.acquire_folder(folder.string());
            if (row.writesFor != uid_t(-1) && !lock.busy()) {
                const int fd = open((folder / kGameFile).c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
                if (fd < 0 || !psys::give_folder_reach(fd, folder.string())) return int('w');
                close(fd);
            }
            return int(Outcome(lock, alone));
        });
        if (answer == 97) {
            std::printf("skipped: %s (this machine cannot make that view)\n", row.what);
            continue;
        }
        EXPECT_EQ(char(answer), row.want);
        if (row.writesFor != uid_t(-1)) {
            EXPECT_EQ(OwnerOf(folder / kGameFile), row.writesFor);
        }
        psys::set_instance_lock_step_hook(nullptr);
        kept.clear();
        // The replacer goes on alone.
        for (auto& replacer : replacers) EXPECT_EQ(replacer->Release(), 'x');
        replacers.clear();
        ended.clear();
    }
    for (const fs::path& at : mounts) umount2(at.c_str(), MNT_DETACH);
}

} // namespace
