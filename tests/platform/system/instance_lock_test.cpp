#include "platform/system/instance_lock.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
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

// Runs f as another user (nobody) in a child process, of the primary group
// gid and the further groups given; its exit code, or -1 when this process
// may not become that user.
int AsNobody(const std::function<int()>& f, gid_t gid = 65534, const std::vector<gid_t>& groups = {}) {
    if (geteuid() != 0) return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        if (setgroups(groups.size(), groups.data()) != 0 || setresgid(gid, gid, gid) != 0 ||
            setresuid(65534, 65534, 65534) != 0)
            _exit(99);
        _exit(f());
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100;
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
// write into the folder, and by no one else, whatever the umask. Whatever
// stands at its name that is not a plain file of one name (a link to another
// file, a FIFO, a folder) is never opened for writing, changed or locked: the
// folder's lock is held alone, and the failure says why the file was not. A
// file made earlier keeps its mode.
TEST_F(InstanceLock, TheSaveFoldersLockFileChangesNothingItDidNotMake) {
    const mode_t umaskBefore = umask(077);
    const fs::path outside = dir_.path() / "players.txt";
    const gid_t otherGroup = AnotherGroup();
    struct Row {
        const char* what;
        fs::perms folder;
        std::function<void(const fs::path&)> plant;  // at the lock file's name
        mode_t mode;                                  // the lock file's, 0: refused
        bool otherGroup = false;                      // the folder's group is not the player's
    } rows[] = {
        {"a private folder", fs::perms::owner_all, nullptr, 0600},
        {"a folder others may read", fs::perms(0755), nullptr, 0600},
        {"a folder its group may write", fs::perms(0775), nullptr, 0660},
        {"a folder of another group that group may write", fs::perms(0775), nullptr, 0660, true},
        {"a folder others may write but not list", fs::perms(0733), nullptr, 0666},
        {"a shared folder with the sticky bit", fs::perms(01777), nullptr, 0666},
        {"a file made earlier", fs::perms(0777),
         [](const fs::path& p) {
             qtest::WriteText(p, "");
             chmod(p.c_str(), 0600);
         },
         0600},
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
        if (row.otherGroup && otherGroup == gid_t(-1)) {
            std::printf("Skipped \"%s\": this user has no other group\n", row.what);
            continue;
        }
        // Made anew, of one name: a hard link left by the row before would
        // have the link-count check refuse what only O_NOFOLLOW should.
        fs::remove(outside);
        qtest::WriteText(outside, "the player's own\n");
        chmod(outside.c_str(), 0600);
        const fs::path folder = dir_.path() / ("save" + std::to_string(n++));
        fs::create_directory(folder);
        const fs::path file = folder / psys::instance_lock::kFolderLockName;
        if (row.plant) row.plant(file);
        if (row.otherGroup) {
            ASSERT_EQ(chown(folder.c_str(), uid_t(-1), otherGroup), 0);
        }
        fs::permissions(folder, row.folder);
        psys::instance_lock lock;
        // Given as the engine gives it, with a closing '/'.
        ASSERT_TRUE(lock.acquire_folder(folder.string() + "/"));
        EXPECT_FALSE(lock.busy());
        if (row.mode) {
            EXPECT_EQ(ModeOf(file), row.mode);
            EXPECT_EQ(GroupOf(file), GroupOf(folder));
            EXPECT_EQ(lock.failure(), "");
        } else {
            EXPECT_EQ(lock.failure(), file.string() + ": not a regular file");
        }
        EXPECT_EQ(qtest::ReadText(outside), "the player's own\n");
        EXPECT_EQ(ModeOf(outside), 0600u);
        EXPECT_FALSE(fs::exists(dir_.path() / "made-through-a-link"));
        // A second copy is refused by the folder all the same.
        psys::instance_lock second;
        EXPECT_FALSE(second.acquire_folder(folder.string()));
        EXPECT_TRUE(second.busy());
    }
    umask(umaskBefore);
}

// As another user: a copy that may write into the folder but not list it,
// or that may by the folder's group, sees the first copy through the file
// alone (opened for reading where the file's mode allows no more; on NFS
// only a descriptor open for writing would see it), and one that may not
// write into the folder, though of the player's own group, can neither
// write the lock file nor hold it.
TEST_F(InstanceLock, AnotherUserSeesTheFirstCopyButCannotWriteItsFile) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to be another user";
    fs::permissions(dir_.path(), fs::perms(0711));
    const gid_t foldersGroup = AnotherGroup();
    struct Row {
        const char* what;
        fs::perms folder;
        mode_t file;   // set on the lock file after the first copy made it; 0 leaves it
        int expected;  // the other's copy: 0 refused, 1 held, 2 no lock; +10 where it wrote the file
        gid_t group = gid_t(-1);            // given to the folder; -1 leaves the player's
        gid_t othersGid = 65534;            // the other user's primary group
        std::vector<gid_t> othersGroups{};  // and further groups
    } rows[] = {
        {"a folder it may write into but not list", fs::perms(0733), 0, 10},
        {"a file made read-only for others", fs::perms(0733), 0644, 0},
        {"a folder it may only read", fs::perms(0755), 0, 0},
        {"a folder it may not enter", fs::perms(0700), 0, 2},
        {"a folder its group may write, the other a member of that group", fs::perms(0775), 0, 10, foldersGroup,
         65534, {foldersGroup}},
        {"a folder its group may write, the other of the player's group alone", fs::perms(0775), 0, 0, foldersGroup,
         getegid()},
    };
    int n = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const fs::path folder = dir_.path() / ("shared" + std::to_string(n++));
        fs::create_directory(folder);
        ASSERT_EQ(chown(folder.c_str(), uid_t(-1), row.group), 0);
        fs::permissions(folder, row.folder);
        psys::instance_lock first;
        ASSERT_TRUE(first.acquire_folder(folder.string()));
        const fs::path file = folder / psys::instance_lock::kFolderLockName;
        if (row.file) chmod(file.c_str(), row.file);
        const int result = AsNobody([&] {
            const int fd = open(file.c_str(), O_WRONLY | O_APPEND);
            const bool writes = fd >= 0 && write(fd, "x", 1) == 1;
            psys::instance_lock second;
            const bool held = second.acquire_folder(folder.string());
            return (writes ? 10 : 0) + (second.busy() ? 0 : held ? 1 : 2);
        }, row.othersGid, row.othersGroups);
        EXPECT_EQ(result, row.expected);
        EXPECT_EQ(fs::file_size(file) > 0, row.expected >= 10);
    }
}

} // namespace
