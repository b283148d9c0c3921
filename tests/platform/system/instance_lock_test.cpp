#include "platform/system/instance_lock.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
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

// Becomes the user uid of the primary group gid and the further groups
// given; false where this process may not.
bool BecomeUser(uid_t uid, gid_t gid, const std::vector<gid_t>& groups) {
    return setgroups(groups.size(), groups.data()) == 0 && setresgid(gid, gid, gid) == 0 &&
           setresuid(uid, uid, uid) == 0;
}

// Runs f as the user uid (root: this process itself) in a child process;
// its exit code, or -1 when this process may not become that user.
int AsUser(const std::function<int()>& f, uid_t uid, gid_t gid, const std::vector<gid_t>& groups = {}) {
    if (uid == 0 && geteuid() == 0) return f();
    if (geteuid() != 0) return -1;
    const pid_t pid = fork();
    if (pid == 0) _exit(BecomeUser(uid, gid, groups) ? f() : 99);
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100;
}

// Another user (nobody) of the groups given holding a lock on a folder it
// opened for reading, as `flock -s <folder> sleep 3600` would, until this is
// destroyed.
class HeldAsAnotherUser {
public:
    HeldAsAnotherUser(const fs::path& folder, int operation, gid_t gid, const std::vector<gid_t>& groups) {
        int ready[2];
        if (pipe(ready) != 0 || pipe(done_) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            close(done_[1]);
            int fd = -1;
            const char held = BecomeUser(65534, gid, groups) &&
                                      (fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY)) >= 0 &&
                                      flock(fd, operation | LOCK_NB) == 0
                                  ? 'y'
                                  : 'n';
            char byte;
            if (write(ready[1], &held, 1) == 1) (void)!read(done_[0], &byte, 1);
            _exit(0);
        }
        close(ready[1]);
        close(done_[0]);
        char held = 'n';
        held_ = read(ready[0], &held, 1) == 1 && held == 'y';
        close(ready[0]);
    }
    ~HeldAsAnotherUser() {
        close(done_[1]);
        if (pid_ > 0) waitpid(pid_, nullptr, 0);
    }
    HeldAsAnotherUser(const HeldAsAnotherUser&) = delete;
    HeldAsAnotherUser& operator=(const HeldAsAnotherUser&) = delete;
    bool held() const { return held_; }

private:
    int done_[2] = {-1, -1};
    pid_t pid_ = -1;
    bool held_ = false;
};

// Gives the user uid reading and listing, not writing, of a folder through
// its access list, whose mask leaves the folder's group bits rwx.
bool GiveReadingByAccessList(const fs::path& folder, uid_t uid) {
    struct Entry {
        uint16_t tag, perm;
        uint32_t id;
    };
    constexpr uint32_t kNone = uint32_t(-1);
    // Version 2, then the entries in the order of their tags: the owner,
    // the named user, the owning group, the mask, the others.
    const uint32_t version = 2;
    const Entry entries[] = {{0x01, 7, kNone}, {0x02, 5, uid}, {0x04, 7, kNone}, {0x10, 7, kNone}, {0x20, 0, kNone}};
    std::vector<unsigned char> blob(sizeof version + sizeof entries);
    std::memcpy(blob.data(), &version, sizeof version);
    std::memcpy(blob.data() + sizeof version, entries, sizeof entries);
    return setxattr(folder.c_str(), "system.posix_acl_access", blob.data(), blob.size(), 0) == 0;
}

TEST_F(InstanceLock, ASecondHolderIsRefusedUntilTheFirstLetsGo) {
    EXPECT_EQ(psys::instance_lock::path_for("ゲーム/体験版"), dir_.str() + "/ゲーム_体験版.lock");
    EXPECT_EQ(psys::instance_lock::path_for(".."), dir_.str() + "/_...lock");

    psys::instance_lock first, second, other;
    ASSERT_TRUE(first.acquire("ゲーム/体験版"));
    EXPECT_FALSE(second.acquire("ゲーム/体験版"));
    EXPECT_TRUE(second.busy()) << "only a running holder makes the game 'already running'";
    EXPECT_FALSE(second.held());
    EXPECT_TRUE(other.acquire("another game"));
    first.release();
    EXPECT_TRUE(second.acquire("ゲーム/体験版"));
    EXPECT_FALSE(second.busy());
}

// Without a runtime folder of the user's own (none, or one others may write
// into) the title's lock is kept in the user's cache folder, made for the
// user alone; never in /tmp, where anyone can make a file of that name.
TEST_F(InstanceLock, TheTitlesLockIsKeptWhereOnlyTheUserMakesFiles) {
    const fs::path cache = home_ / ".cache" / "quillon";
    const fs::path shared = dir_.path() / "shared";
    fs::create_directory(shared);
    fs::permissions(shared, fs::perms::all);
    struct Row {
        const char* what;
        std::function<void()> prepare;
        std::string path;  // "" for none
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
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
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
        EXPECT_EQ(lock.held(), c.held);
        EXPECT_EQ(lock.busy(), c.busy);
        // Any other failure says what it was and where.
        EXPECT_EQ(lock.failure().empty(), c.held || c.busy) << lock.failure();
        if (!c.held && !c.busy) {
            EXPECT_NE(lock.failure().find(psys::instance_lock::path_for(c.title) + ": "), std::string::npos)
                << lock.failure();
        }
    }
    for (int fd : holders) close(fd);
    fs::remove("/tmp/planted-" + std::to_string(getuid()) + ".lock");
}

// The save folder's lock file. Made by the first copy, it is of the folder's
// group and can be read and written by its owner and by whoever else may
// write into the folder, and by no one else, whatever the umask; a lock file
// of the player's own takes that reach again at every start, so that it
// follows the folder when the player shares it or closes it. Where the player
// may not give it the folder's group (it is not a member) the file keeps the
// player's, which gets what the others get: the player's group may be no
// writer. The rows of such a player run as a user other than root: as root
// every change of group succeeds. Whatever stands at its name that is not a
// plain file of one name (a link to another file, a FIFO, a folder) is never
// opened for writing, changed or locked: the folder's lock is held alone, and
// the failure says why the file was not; a file of another user's is used as
// it stands.
TEST_F(InstanceLock, TheSaveFoldersLockFileTakesTheFoldersReachAndChangesNothingElse) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to be the players and groups of its rows";
    fs::permissions(dir_.path(), fs::perms(0711));
    const mode_t umaskBefore = umask(077);
    const fs::path outside = dir_.path() / "players.txt";
    constexpr gid_t kFolders = gid_t(-1);
    const gid_t shared = AnotherGroup(), root = getegid();
    struct Row {
        const char* what;
        fs::perms folder;
        std::function<void(const fs::path&)> plant;  // at the lock file's name
        mode_t mode;                                  // the lock file's, 0: refused
        gid_t folderGroup = kFolders;                 // given to the folder; -1 leaves the player's
        gid_t group = kFolders;                       // the lock file's; -1 the folder's
        uid_t player = 0;                             // another user than root runs the row
        std::vector<gid_t> playersGroups{};           // further groups of that user
        uid_t owner = 0;                              // the folder's owner; the lock file's where made
        bool reachesWriters = true;                   // the lock file, as it ends, opens for every writer
    };
    // The player's lock file from an earlier start, of that mode.
    const auto earlier = [](mode_t mode, uid_t uid, gid_t gid) {
        return [=](const fs::path& p) {
            qtest::WriteText(p, "");
            ASSERT_EQ(chown(p.c_str(), uid, gid), 0);
            ASSERT_EQ(chmod(p.c_str(), mode), 0);
        };
    };
    const Row rows[] = {
        {"a private folder", fs::perms::owner_all, nullptr, 0600},
        {"a folder others may read", fs::perms(0755), nullptr, 0600},
        {"a folder its group may write", fs::perms(0775), nullptr, 0660},
        {"a folder of another group that group may write", fs::perms(0775), nullptr, 0660, shared},
        {"a folder others may write but not list", fs::perms(0733), nullptr, 0666},
        // Only its owner may replace a file there, but every writer's copy
        // must open the lock file for writing: it holds no bytes.
        {"a shared folder with the sticky bit", fs::perms(01777), nullptr, 0666},
        {"the player's file from when the folder was its alone, the folder since shared with a group",
         fs::perms(02770), earlier(0600, 0, root), 0660, shared},
        {"the player's file open to all, the folder since closed to others", fs::perms(0755),
         earlier(0666, 0, root), 0600},
        {"another user's file", fs::perms(0777), earlier(0640, 65533, 65533), 0640, kFolders, 65533, 0, {}, 0,
         false},
        // Root's copy gives it to the folder's owner, whose copies could not
        // open a file of root's.
        {"a folder of another user's, the player root", fs::perms(0755), nullptr, 0600, kFolders, kFolders, 0, {},
         65534},
        {"a folder of a group the player is not in, that group may write", fs::perms(0775), nullptr, 0600, shared,
         65534, 65534, {}, 65534, false},
        {"a folder of a group the player is not in, that group and the others may write", fs::perms(0777), nullptr,
         0666, shared, 65534, 65534, {}, 65534},
        {"the player's file from when the folder was its alone, the folder since shared with a group it is in",
         fs::perms(02770), earlier(0600, 65534, 65534), 0660, shared, kFolders, 65534, {shared}, 65534},
        {"a hard link to the player's file", fs::perms(0777),
         [&](const fs::path& p) { fs::create_hard_link(outside, p); }, 0},
        {"a symbolic link to the player's file", fs::perms(0777),
         [&](const fs::path& p) { fs::create_symlink(outside, p); }, 0},
        {"a symbolic link to nothing", fs::perms(0777),
         [&](const fs::path& p) { fs::create_symlink(dir_.path() / "made-through-a-link", p); }, 0},
        {"a FIFO", fs::perms(0777), [](const fs::path& p) { mkfifo(p.c_str(), 0666); }, 0},
        {"a folder", fs::perms(0777), [](const fs::path& p) { fs::create_directory(p); }, 0},
    };
    int n = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        // Made anew, of one name: a hard link left by the row before would
        // have the link-count check refuse what only O_NOFOLLOW should.
        fs::remove(outside);
        qtest::WriteText(outside, "the player's own\n");
        chmod(outside.c_str(), 0600);
        const fs::path folder = dir_.path() / ("save" + std::to_string(n++));
        fs::create_directory(folder);
        const fs::path file = folder / psys::instance_lock::kFolderLockName;
        if (row.plant) row.plant(file);
        const uid_t planter = row.plant ? OwnerOf(file) : 0;
        ASSERT_EQ(chown(folder.c_str(), row.owner, row.folderGroup), 0);
        fs::permissions(folder, row.folder);
        const std::string failure = !row.mode            ? file.string() + ": not a regular file"
                                    : row.reachesWriters ? ""
                                                         : file.string() + ": not open to every user who may write into the folder";
        // 0 where the lock is held as it should be and a second copy is
        // refused all the same (by the folder or the file).
        const int result = AsUser(
            [&] {
                psys::instance_lock lock;
                // Given as the engine gives it, with a closing '/'.
                if (!lock.acquire_folder(folder.string() + "/")) return 1;
                if (lock.busy()) return 2;
                if (lock.failure() != failure) return 3;
                psys::instance_lock second;
                return !second.acquire_folder(folder.string()) && second.busy() ? 0 : 4;
            },
            row.player, row.player ? row.player : root, row.playersGroups);
        EXPECT_EQ(result, 0);
        if (row.mode) {
            EXPECT_EQ(ModeOf(file), row.mode);
            EXPECT_EQ(GroupOf(file), row.group == kFolders ? GroupOf(folder) : row.group);
            EXPECT_EQ(OwnerOf(file), row.plant ? planter : row.owner);
        }
        EXPECT_EQ(qtest::ReadText(outside), "the player's own\n");
        EXPECT_EQ(ModeOf(outside), 0600u);
        EXPECT_FALSE(fs::exists(dir_.path() / "made-through-a-link"));
    }
    umask(umaskBefore);
}

// What another user holds or does, as a copy of that user would: where it may
// write into the folder, its copy is refused while the player's runs, and its
// lock refuses the player's; where it may only read the folder (by its mode,
// its group or an access list), it can neither refuse the player's start by
// locking the folder nor hold the folder's lock file, and its own copy holds
// nothing. A copy that may write into the folder but not list it, or that
// may by the folder's group, sees the first copy through the file alone
// (opened for reading where the file's mode allows no more; on NFS only a
// descriptor open for writing would see it), also where the folder was
// shared after the lock file was made.
TEST_F(InstanceLock, AnotherUserIsRefusedOnlyWhereItMayWriteIntoTheFolder) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to be another user";
    fs::permissions(dir_.path(), fs::perms(0711));
    const gid_t foldersGroup = AnotherGroup();
    enum class Hold { None, Shared, Exclusive };
    struct Row {
        const char* what;
        fs::perms folder;
        mode_t file;   // set on the lock file after the first copy made it; 0 leaves it
        int expected;  // the other's copy: 0 refused, 1 held, 2 no lock; +10 where it wrote the file
        gid_t group = gid_t(-1);            // given to the folder; -1 leaves the player's
        gid_t othersGid = 65534;            // the other user's primary group
        std::vector<gid_t> othersGroups{};  // and further groups
        Hold hold = Hold::None;             // the other's lock on the folder, taken before the player's start
        bool readsByAccessList = false;     // the folder's access list lets the other read it, not write
        bool sharedLater = false;           // the lock file was made while the folder was the player's alone
        uid_t owner = 0;                    // the folder's
    } rows[] = {
        {"a folder it may write into but not list", fs::perms(0733), 0, 10},
        {"a file made read-only for others", fs::perms(0733), 0644, 0},
        {"a folder it may only read", fs::perms(0755), 0, 2},
        {"a folder it may only read, locked by it shared", fs::perms(0755), 0, 2, gid_t(-1), 65534, {}, Hold::Shared},
        {"a folder it may only read, locked by it", fs::perms(0755), 0, 2, gid_t(-1), 65534, {}, Hold::Exclusive},
        {"a folder its group may only read, it of that group, locked by it", fs::perms(0750), 0, 2, foldersGroup,
         65534, {foldersGroup}, Hold::Exclusive},
        {"a folder its access list lets it only read, locked by it", fs::perms(0770), 0, 2, foldersGroup, 65534, {},
         Hold::Exclusive, true},
        // The file reaches every writer: a bare lock on the folder, even a
        // writer's, stops no copy that holds the file.
        {"a folder it may write into and list, locked by it", fs::perms(0777), 0, 10, gid_t(-1), 65534, {},
         Hold::Exclusive},
        {"a folder it may not enter", fs::perms(0700), 0, 2},
        {"a folder its group may write, the other a member of that group", fs::perms(0775), 0, 10, foldersGroup,
         65534, {foldersGroup}},
        {"a folder its group may write, the other of the player's group alone", fs::perms(0775), 0, 2, foldersGroup,
         getegid()},
        {"a folder shared with its group after the lock file was made, the other a member", fs::perms(02770), 0, 10,
         foldersGroup, 65534, {foldersGroup}, Hold::None, false, true},
        // The first copy root's (sudo): the file is the folder owner's.
        {"a folder of its own that others may read, the first copy root's", fs::perms(0755), 0, 10, gid_t(-1), 65534,
         {}, Hold::None, false, false, 65534},
    };
    int n = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const fs::path folder = dir_.path() / ("shared" + std::to_string(n++));
        fs::create_directory(folder);
        if (row.sharedLater) {
            fs::permissions(folder, fs::perms::owner_all);
            psys::instance_lock earlier;
            ASSERT_TRUE(earlier.acquire_folder(folder.string()));
        }
        ASSERT_EQ(chown(folder.c_str(), row.owner, row.group), 0);
        fs::permissions(folder, row.folder);
        if (row.readsByAccessList) {
            ASSERT_TRUE(GiveReadingByAccessList(folder, 65534)) << strerror(errno);
        }
        const auto holder = row.hold == Hold::None
                                ? nullptr
                                : std::make_unique<HeldAsAnotherUser>(
                                      folder, row.hold == Hold::Shared ? LOCK_SH : LOCK_EX, row.othersGid,
                                      row.othersGroups);
        if (holder) {
            ASSERT_TRUE(holder->held());
        }
        psys::instance_lock first;
        const bool othersLockRefuses = row.hold != Hold::None && row.expected == 0;
        EXPECT_EQ(first.acquire_folder(folder.string()), !othersLockRefuses) << first.failure();
        EXPECT_EQ(first.busy(), othersLockRefuses);
        if (!first.held()) continue;
        const fs::path file = folder / psys::instance_lock::kFolderLockName;
        if (row.file) chmod(file.c_str(), row.file);
        const int result = AsUser(
            [&] {
                const int fd = open(file.c_str(), O_WRONLY | O_APPEND);
                const bool writes = fd >= 0 && write(fd, "x", 1) == 1;
                psys::instance_lock second;
                const bool held = second.acquire_folder(folder.string());
                return (writes ? 10 : 0) + (second.busy() ? 0 : held ? 1 : 2);
            },
            65534, row.othersGid, row.othersGroups);
        EXPECT_EQ(result, row.expected);
        EXPECT_EQ(fs::file_size(file) > 0, row.expected >= 10);
    }
}

} // namespace
