#include "platform/system/file_append.h"
#include "platform/system/file_system.h"
#include "platform/system/safe_file.h"
#include "support/Processes.h"
#include "support/TempDir.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// What stands at a path, and what each question makes of it. Nothing here
// may wait on the FIFO.
TEST(FileSystem, EachKindOfPath) {
    qtest::TempDir dir;
    qtest::WriteText(dir.path() / "file", "abcdef");
    std::filesystem::create_directory(dir.path() / "folder");
    ASSERT_EQ(mkfifo((dir.path() / "fifo").c_str(), 0600), 0);
    std::filesystem::create_symlink(dir.path() / "file", dir.path() / "link");
    struct Case {
        const char* name;
        bool found;
        psys::file_kind kind;
        bool opensForReading;
        bool opensAsInputFile;
    };
    const Case cases[] = {
        {"file", true, psys::file_kind::regular, true, true},
        {"link", true, psys::file_kind::regular, true, true},
        {"folder", true, psys::file_kind::folder, true, false},
        {"fifo", true, psys::file_kind::other, true, false},
        {"missing", false, psys::file_kind::other, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.str() + "/" + c.name;
        psys::file_status st;
        ASSERT_EQ(psys::status_of(path, &st), c.found);
        if (c.found) {
            EXPECT_EQ(st.kind, c.kind);
        }
        EXPECT_EQ(psys::is_folder(path), c.kind == psys::file_kind::folder && c.found);
        EXPECT_EQ(psys::can_open_for_reading(path), c.opensForReading);
        psys::input_file f;
        EXPECT_EQ(f.open(path), c.opensAsInputFile);
        EXPECT_EQ(f.is_open(), c.opensAsInputFile);
        if (c.opensAsInputFile) {
            EXPECT_EQ(f.status().size, 6u);
            EXPECT_EQ(f.status().inode, st.inode);
            EXPECT_EQ(f.status().modified_seconds, st.modified_seconds);
        }
    }
}

TEST(FileSystem, InputFileReadsAtAnyOffsetUpToTheEnd) {
    qtest::TempDir dir;
    qtest::WriteText(dir.path() / "file", "abcdef");
    psys::input_file f;
    char buf[8] = {};
    EXPECT_EQ(f.read_at(buf, 4, 0), 0u) << "not open";
    ASSERT_TRUE(f.open(dir.str() + "/file"));
    struct Case {
        size_t count;
        uint64_t offset;
        std::string want;
    };
    const Case cases[] = {
        {4, 0, "abcd"}, {8, 2, "cdef"}, {3, 6, ""}, {3, 100, ""}, {3, uint64_t(INT64_MAX) + 1, ""}, {0, 1, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.offset);
        const size_t n = f.read_at(buf, c.count, c.offset);
        EXPECT_EQ(std::string(buf, n), c.want);
    }
    EXPECT_FALSE(f.open(dir.str() + "/missing"));
    EXPECT_FALSE(f.is_open()) << "a failed open leaves the file closed";
    EXPECT_EQ(f.status().size, 0u);
}

TEST(FileSystem, FoldersMadeListedAndFilesRemoved) {
    qtest::TempDir dir;
    std::vector<std::string> names{"stale"};
    EXPECT_FALSE(psys::list_folder(dir.str() + "/sub", &names));
    EXPECT_TRUE(names.empty());
    EXPECT_TRUE(psys::make_folder(dir.str() + "/sub"));
    EXPECT_FALSE(psys::make_folder(dir.str() + "/sub")) << "already there";
    EXPECT_FALSE(psys::make_folder(dir.str() + "/a/b")) << "one folder at a time";
    qtest::WriteText(dir.path() / "sub" / "x", "1");
    std::filesystem::create_directory(dir.path() / "sub" / "セーブ");
    ASSERT_TRUE(psys::list_folder(dir.str() + "/sub", &names));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"x", "セーブ"}));
    EXPECT_TRUE(psys::remove_file(dir.str() + "/sub/x"));
    EXPECT_FALSE(psys::remove_file(dir.str() + "/sub/x"));
    EXPECT_FALSE(psys::remove_file(dir.str() + "/sub/セーブ")) << "a folder is not a file";
}

namespace fs = std::filesystem;

// The player of these rows (no account of its own, a member of nogroup), and
// nobody, whose primary group (nogroup) the user database knows.
constexpr uid_t kPlayer = 65533;
constexpr uid_t kNobody = 65534;
constexpr gid_t kNogroup = 65534;

// Runs f as the player in a child; its result, or "!" where it could not.
std::string AsPlayer(const std::function<std::string()>& f) { return qtest::SaidAsUser(kPlayer, kPlayer, {kNogroup}, f); }

void Folder(const fs::path& folder, mode_t mode, uid_t owner, gid_t group, const char* list = nullptr) {
    fs::create_directory(folder);
    ASSERT_EQ(chown(folder.c_str(), owner, group), 0);
    ASSERT_EQ(chmod(folder.c_str(), mode), 0);
    ASSERT_TRUE(!list || qtest::SetAccessList(folder.c_str(), list)) << list;
}

// Who counts in a folder, by its mode and access list, for a player who is
// not root and for root: the player itself and the folder's owner; root;
// and, without the sticky bit, whoever the folder lets make files in it (a
// member of a group that may, a user or group the list lets, its mask
// applied, one of the others where they may), never one whose group may not,
// whatever the others may. Where the list cannot be read, only those three.
TEST(FileSystem, WhoCountsInAFolder) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to give folders to other users";
    qtest::TempDir dir;
    fs::permissions(dir.path(), fs::perms(0711));
    struct Row {
        const char* what;
        mode_t mode;
        uid_t owner;
        gid_t group;
        const char* list;
        uid_t uid;  // whose file
        const char* counts;  // for the player, then for root: "yy", "yn", ...
        bool unread = false;  // the list taken as one that could not be read
        // Then whether a file of that user there is no stranger's to the
        // player in a user namespace that maps only itself.
        bool ownUsers = false;
    } rows[] = {
        {"a member of a group that may write", 0770, kPlayer, kNogroup, nullptr, kNobody, "yy"},
        {"a member of a group that may only read", 0750, kPlayer, kNogroup, nullptr, kNobody, "nn"},
        {"a member of a group that may write but not search", 0720, kPlayer, kNogroup, nullptr, kNobody, "nn"},
        {"a member of a group that may not, the others may", 0707, kPlayer, kNogroup, nullptr, kNobody, "nn"},
        {"a member of a group that may write, with the sticky bit", 01770, kPlayer, kNogroup, nullptr, kNobody, "nn"},
        {"a user the list lets write", 0750, kPlayer, kNogroup, "u::rwx,u:65534:rwx,g::r-x,m::rwx,o::---", kNobody,
         "yy"},
        {"the same, the list not read", 0750, kPlayer, kNogroup, "u::rwx,u:65534:rwx,g::r-x,m::rwx,o::---", kNobody,
         "nn", true},
        {"a user the list lets write, past a mask that does not", 0770, kPlayer, kPlayer,
         "u::rwx,u:65534:rwx,g::rwx,m::r-x,o::---", kNobody, "nn"},
        {"a member of a group the list lets write", 0750, kPlayer, kPlayer, "u::rwx,g::r-x,g:65534:rwx,m::rwx,o::---",
         kNobody, "yy"},
        {"a user the list names reading, where the others may write", 0777, kPlayer, kPlayer,
         "u::rwx,u:65534:r-x,g::rwx,m::rwx,o::rwx", kNobody, "nn"},
        {"one of the others, in a folder open to all", 0777, kPlayer, kPlayer, nullptr, kNobody, "yy"},
        {"one of the others, in a folder open to all with the sticky bit", 01777, kPlayer, kPlayer, nullptr, kNobody,
         "nn"},
        {"root, in a folder of the player's", 0755, kPlayer, kPlayer, nullptr, 0, "yy"},
        {"the owner, in a folder it made read-only", 0500, kPlayer, kPlayer, nullptr, kPlayer, "yy"},
        {"the player, in another user's folder open to all with the sticky bit", 01777, kNobody, kNogroup, nullptr,
         kPlayer, "yn"},
        {"that folder's owner", 01777, kNobody, kNogroup, nullptr, kNobody, "yy"},
        // Every other user reads there as the overflow id, whoever it is.
        {"a member of a group that may write, seen from a user namespace", 0770, kPlayer, kNogroup, nullptr, kNobody,
         "yyy", false, true},
        {"one of the others, in a folder open to all with the sticky bit, seen from a user namespace", 01777, kPlayer,
         kPlayer, nullptr, kNobody, "nny", false, true},
        {"root, seen from a user namespace", 0755, kPlayer, kPlayer, nullptr, 0, "yyy", false, true},
    };
    int n = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const fs::path folder = dir.path() / std::to_string(n++);
        Folder(folder, row.mode, row.owner, row.group, row.list);
        const auto counts = [&] {
            psys::access_rules rules;
            if (!psys::access_rules_of(folder.string(), &rules)) return std::string("!");
            rules.known = rules.known && !row.unread;
            return std::string(psys::owner_judged(rules, row.uid, row.uid) == psys::judged::counts ? "y" : "n");
        };
        std::string got = AsPlayer(counts) + counts();
        if (row.ownUsers) {
            const fs::path file = folder / "file";
            qtest::WriteText(file, "");
            ASSERT_EQ(chown(file.c_str(), row.uid, row.uid), 0);
            got += AsPlayer([&] {
                if (!qtest::EnterOwnUserNamespace()) return std::string("!");
                return std::string(psys::stranger_at(file.string()).what == psys::stranger::kind::none ? "y" : "n");
            });
        }
        EXPECT_EQ(got, row.counts);
    }
}

// A folder root makes (a start under sudo) in a folder of another user's is
// that user's, of the group the user's own mkdir would give it: the folder
// above's where that has the set-group-id bit, else the user's primary group.
TEST(FileSystem, AFolderRootMakesForAnotherUserIsThatUsers) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root";
    qtest::TempDir dir;
    struct Row {
        const char* what;
        mode_t above;
        uid_t aboveOwner;
        uid_t owner;
        gid_t group;
        mode_t mode;
    } rows[] = {
        {"another user's folder", 0755, kNobody, kNobody, kNogroup, 0700},
        {"another user's folder of a group, set-group-id", 02775, kNobody, kNobody, 4242, 02700},
        {"root's own folder", 0755, 0, 0, 0, 0700},
    };
    int n = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const fs::path above = dir.path() / std::to_string(n++);
        Folder(above, row.above, row.aboveOwner, 4242);
        ASSERT_TRUE(psys::make_folder((above / "save").string(), true));
        struct stat st {};
        ASSERT_EQ(stat((above / "save").c_str(), &st), 0);
        EXPECT_EQ(st.st_uid, row.owner);
        EXPECT_EQ(st.st_gid, row.group);
        EXPECT_EQ(st.st_mode & 07777, row.mode);
    }
}

// A log writes only into a file of someone who counts in its folder: a link
// at its name, or a file of someone who does not count there (another
// user's in a sticky folder, or where that user may not write), gives way to
// a log of the player's where the player may remove it, and is left alone,
// said, where not. A log root writes (sudo) is the folder owner's. On a FAT
// drive (fusefat refuses a write that starts at a file's end) every line is
// kept all the same.
TEST(FileSystem, ALogWritesOnlyIntoTheGamesOwnFile) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to be the player and plant files as others";
    qtest::TempDir dir;
    fs::permissions(dir.path(), fs::perms(0711));
    const fs::path elsewhere = dir.path() / "elsewhere";
    enum Stands { Nothing, OthersFile, OthersLink, RootsLog, OthersFifo, OnFat, PlayersPrivateLog };
    struct Row {
        const char* what;
        mode_t mode;
        Stands stands;
        bool asRoot;
        const char* error;     // what append_to_file says
        const char* contents;  // the log's after, where it is a file
        uid_t owner;           // the log's after
        uid_t folderOwner = kPlayer;
        gid_t folderGroup = kPlayer;
        // The player appends from a user namespace that maps only itself,
        // where every other user reads as the overflow id.
        bool ownUsers = false;
        mode_t logMode = 0;  // the log's after, where checked
        const char* list = nullptr;  // the folder's access list
    } rows[] = {
        {"another user's file, a folder open to all", 01777, OthersFile, false, "", "line", kPlayer},
        {"a member's file, a folder of the group with the sticky bit", 01770, OthersFile, false, "", "line", kPlayer,
         kPlayer, kNogroup},
        {"another user's file, root's folder open to all", 01777, OthersFile, false, "another user's file", "theirs",
         kNobody, 0},
        {"another user's file, a folder open to all without the sticky bit", 0777, OthersFile, false, "",
         "theirsline", kNobody},
        {"another user's file, a folder where only the player makes files", 0755, OthersFile, false, "", "line",
         kPlayer},
        {"a sharer's file, a folder of the group", 0770, OthersFile, false, "", "theirsline", kNobody, kPlayer,
         kNogroup},
        // Whose it is cannot be told there: it is no stranger's.
        {"the same, the player in a user namespace that maps only itself", 0770, OthersFile, false, "", "theirsline",
         kNobody, kPlayer, kNogroup, true},
        // A log the player made narrower than the folder's reach stays so.
        {"the player's log it made 0600, a folder of the group", 02770, PlayersPrivateLog, false, "", "minesline",
         kPlayer, kPlayer, kNogroup, false, 0600},
        // The user and the group the list names cannot be named from there;
        // the folder's group still gets its part.
        {"no log yet, a folder of the group whose access list names a user and a group, the player in a user "
         "namespace that maps only itself",
         02770, Nothing, false, "", "line", kPlayer, kPlayer, kNogroup, true, 0660,
         "u::rwx,u:65532:rwx,g::rwx,g:65532:rwx,m::rwx,o::---"},
        // Only the folder's owner and the link's may remove it there.
        {"another user's link, root's folder open to all", 01777, OthersLink, false,
         "a link this user may not remove", nullptr, kNobody, 0},
        {"another user's link, a folder open to all without the sticky bit", 0777, OthersLink, false, "", "line",
         kPlayer},
        {"a log root left from a start under sudo, run as root", 0755, RootsLog, true, "", "rootsline", kPlayer},
        {"no log yet, run as root", 0755, Nothing, true, "", "line", kPlayer},
        // Never waited on, never replaced: with no reader it does not open.
        {"a member's FIFO, a folder of the group", 02770, OthersFifo, false, "No such device or address", nullptr,
         kNobody, kPlayer, kNogroup},
        {"a log of two lines on a FAT drive", 0755, OnFat, true, "", "fatline", 0},
    };
    int n = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const qtest::FatDrive fat(row.stands == OnFat ? dir.path() / "fat" : fs::path());
        if (row.stands == OnFat && !fat.mounted()) {
            std::printf("skipped \"%s\": %s\n", row.what, fat.why().c_str());
            continue;
        }
        const fs::path folder = row.stands == OnFat ? fat.path() : dir.path() / std::to_string(n++);
        const fs::path log = folder / "error.log";
        if (row.stands != OnFat) Folder(folder, row.mode, row.folderOwner, row.folderGroup, row.list);
        qtest::WriteText(elsewhere, "the player's own");
        ASSERT_EQ(chown(elsewhere.c_str(), kPlayer, kPlayer), 0);
        ASSERT_EQ(chmod(elsewhere.c_str(), 0666), 0);
        switch (row.stands) {
        case Nothing: break;
        case OthersFile:
            qtest::WriteText(log, "theirs");
            ASSERT_EQ(chmod(log.c_str(), 0666), 0);
            break;
        case OthersLink: fs::create_symlink(elsewhere, log); break;
        case RootsLog:
            qtest::WriteText(log, "roots");
            ASSERT_EQ(chmod(log.c_str(), 0600), 0);
            break;
        case OthersFifo:
            ASSERT_EQ(mkfifo(log.c_str(), 0), 0);
            ASSERT_EQ(chmod(log.c_str(), 0666), 0);
            break;
        case OnFat: EXPECT_EQ(psys::append_to_file(log.string(), "", "fat"), ""); break;
        case PlayersPrivateLog:
            qtest::WriteText(log, "mines");
            ASSERT_EQ(chown(log.c_str(), kPlayer, kNogroup), 0);
            ASSERT_EQ(chmod(log.c_str(), 0600), 0);
            break;
        }
        if (row.stands == OthersFile || row.stands == OthersLink || row.stands == OthersFifo) {
            ASSERT_EQ(lchown(log.c_str(), kNobody, kNogroup), 0);
        }
        const auto append = [&] {
            return row.ownUsers && !qtest::EnterOwnUserNamespace() ? std::string("no user namespace")
                                                                    : psys::append_to_file(log.string(), "", "line");
        };
        EXPECT_EQ(row.asRoot ? append() : AsPlayer(append), row.error);
        EXPECT_EQ(qtest::ReadText(elsewhere), "the player's own") << "nothing written through a link";
        if (row.contents) {
            EXPECT_EQ(qtest::ReadText(log), row.contents);
        }
        struct stat st {};
        ASSERT_EQ(lstat(log.c_str(), &st), 0);
        EXPECT_EQ(st.st_uid, row.owner);
        if (row.logMode) {
            EXPECT_EQ(st.st_mode & 07777, row.logMode);
        }
    }
}

} // namespace
