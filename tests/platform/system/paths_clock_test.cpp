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

// Runs a body with HOME and XDG_CONFIG_HOME pointing into a scratch folder.
class DocumentsFolder : public testing::Test {
protected:
    void SetUp() override {
        save("HOME");
        save("XDG_CONFIG_HOME");
        setenv("HOME", dir.str().c_str(), 1);
        unsetenv("XDG_CONFIG_HOME");
    }
    void TearDown() override {
        for (auto& [k, v] : saved) v.second ? setenv(k.c_str(), v.first.c_str(), 1) : unsetenv(k.c_str());
    }
    void save(const char* k) {
        const char* v = getenv(k);
        saved[k] = {v ? v : "", v != nullptr};
    }
    qtest::TempDir dir;
    std::map<std::string, std::pair<std::string, bool>> saved;
};

TEST_F(DocumentsFolder, PrefersTheXdgEntryThenHomeDocuments) {
    EXPECT_EQ(psys::documents_folder(), "") << "no folder exists yet";
    std::filesystem::create_directories(dir.path() / "Documents");
    EXPECT_EQ(psys::documents_folder(), dir.str() + "/Documents");
    std::filesystem::create_directories(dir.path() / ".config");
    std::filesystem::create_directories(dir.path() / "文書");
    qtest::WriteText(dir.path() / ".config/user-dirs.dirs",
                     "# comment\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\nXDG_DOCUMENTS_DIR=\"$HOME/文書\"\n");
    EXPECT_EQ(psys::documents_folder(), dir.str() + "/文書");
    // An entry naming a missing folder falls back to ~/Documents.
    qtest::WriteText(dir.path() / ".config/user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"$HOME/gone\"\n");
    EXPECT_EQ(psys::documents_folder(), dir.str() + "/Documents");
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
