#include "platform/system/file_system.h"
#include "support/TempDir.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

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

} // namespace
