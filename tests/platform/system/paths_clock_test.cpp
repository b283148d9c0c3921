#include "platform/system/clock.h"
#include "platform/system/paths.h"
#include "support/TempDir.h"

#include <cstdlib>
#include <map>
#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

TEST(Paths, FullPathNormalisesWithoutTouchingTheDisk) {
    EXPECT_EQ(psys::full_path("/a/b/../c/./d"), "/a/c/d");
    EXPECT_EQ(psys::full_path("/a//b/"), "/a/b/");
    EXPECT_EQ(psys::full_path("/.."), "/");
    EXPECT_EQ(psys::full_path(""), "");
    std::string cwd = psys::current_directory();
    ASSERT_FALSE(cwd.empty());
    EXPECT_EQ(psys::full_path("x/y"), psys::full_path(cwd + "/x/y"));
}

// Runs a body with HOME, XDG_CONFIG_HOME and XDG_DATA_HOME pointing into a
// scratch folder.
class DocumentsFolder : public testing::Test {
protected:
    void SetUp() override {
        for (const char* k : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME"}) {
            const char* v = getenv(k);
            saved[k] = {v ? v : "", v != nullptr};
        }
        setenv("HOME", dir.str().c_str(), 1);
        unsetenv("XDG_CONFIG_HOME");
        unsetenv("XDG_DATA_HOME");
    }
    void TearDown() override {
        for (auto& [k, v] : saved) v.second ? setenv(k.c_str(), v.first.c_str(), 1) : unsetenv(k.c_str());
    }
    qtest::TempDir dir;
    std::map<std::string, std::pair<std::string, bool>> saved;
};

TEST_F(DocumentsFolder, PrefersTheXdgEntryThenHomeDocuments) {
    EXPECT_EQ(psys::documents_folder(), dir.str() + "/Documents") << "made when missing";
    EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "Documents"));
    std::filesystem::create_directories(dir.path() / ".config");
    std::filesystem::create_directories(dir.path() / "文書");
    qtest::WriteText(dir.path() / ".config/user-dirs.dirs",
                     "# comment\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\nXDG_DOCUMENTS_DIR=\"$HOME/文書\"\n");
    EXPECT_EQ(psys::documents_folder(), dir.str() + "/文書");
    // An entry naming a missing folder falls back to ~/Documents, and so does
    // one whose path a NUL byte would cut short to a folder that exists.
    qtest::WriteText(dir.path() / ".config/user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"$HOME/gone\"\n");
    EXPECT_EQ(psys::documents_folder(), dir.str() + "/Documents");
    qtest::WriteText(dir.path() / ".config/user-dirs.dirs", std::string("XDG_DOCUMENTS_DIR=\"$HOME/文書\0/gone\"\n", 39));
    EXPECT_EQ(psys::documents_folder(), dir.str() + "/Documents");
}

TEST_F(DocumentsFolder, WithoutAHomeTheDataFolderServes) {
    struct Case {
        const char* what;
        bool homeSet;       // HOME names something that is not a folder
        bool dataSet;       // XDG_DATA_HOME set
        std::string want;   // relative to the scratch folder; "" for none
    };
    const Case cases[] = {
        {"no HOME, a data folder that is yet to be made", false, true, "data/deep/share"},
        {"HOME is not a folder, a data folder", true, true, "data/deep/share"},
        {"HOME is not a folder, no data folder", true, false, ""},
    };
    qtest::WriteText(dir.path() / "file", "x");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(dir.path() / "data");
        if (c.homeSet) setenv("HOME", (dir.str() + "/file").c_str(), 1);
        else unsetenv("HOME");
        if (c.dataSet) setenv("XDG_DATA_HOME", (dir.str() + "/data/deep/share").c_str(), 1);
        else unsetenv("XDG_DATA_HOME");
        const std::string got = psys::documents_folder();
        EXPECT_EQ(got, c.want.empty() ? "" : dir.str() + "/" + c.want);
        if (!got.empty()) {
            EXPECT_TRUE(std::filesystem::is_directory(got));
        }
    }
}

TEST(Clock, ManualClockMovesOnlyWhenTold) {
    psys::manual_clock c(5000);
    EXPECT_EQ(c.now_us(), 5000u);
    c.sleep_ms(3);
    EXPECT_EQ(c.now_us(), 8000u);
    c.spin_until_us(7000);  // already past: no change
    EXPECT_EQ(c.now_us(), 8000u);
    c.spin_until_us(9000);
    EXPECT_EQ(c.now_us(), 9000u);
    psys::set_current_clock(&c);
    EXPECT_EQ(psys::now_us(), 9000u);
    psys::set_current_clock(nullptr);
    EXPECT_EQ(&psys::current_clock(), &psys::system_clock());
}

TEST(Clock, SystemClockIsMonotonicAndSpinsToTheDeadline) {
    psys::clock& c = psys::system_clock();
    uint64_t a = c.now_us();
    uint64_t deadline = a + 3000;
    c.spin_until_us(deadline);
    uint64_t b = c.now_us();
    EXPECT_GE(b, deadline);
    EXPECT_LT(b - a, 1000000u);
}

} // namespace
