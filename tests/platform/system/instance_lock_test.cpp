#include "platform/system/instance_lock.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// Runs a test with XDG_RUNTIME_DIR of its choosing and puts the old one back.
class InstanceLock : public testing::Test {
protected:
    void SetUp() override {
        const char* old = std::getenv("XDG_RUNTIME_DIR");
        had_ = old != nullptr;
        saved_ = old ? old : "";
        setenv("XDG_RUNTIME_DIR", dir_.str().c_str(), 1);
    }
    void TearDown() override {
        if (had_) setenv("XDG_RUNTIME_DIR", saved_.c_str(), 1);
        else unsetenv("XDG_RUNTIME_DIR");
    }
    qtest::TempDir dir_;
    bool had_ = false;
    std::string saved_;
};

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

    // Users share /tmp, so there each has a lock file of their own.
    setenv("XDG_RUNTIME_DIR", (dir_.str() + "/missing").c_str(), 1);
    EXPECT_EQ(psys::instance_lock::path_for("t"), "/tmp/t-" + std::to_string(getuid()) + ".lock");
}

TEST_F(InstanceLock, OnlyARunningHolderRefusesAStart) {
    // 84 Japanese characters: 252 bytes, too long for a file name with ".lock".
    std::string longTitle;
    for (int i = 0; i < 84; ++i) longTitle += "長";
    std::string otherLongTitle = longTitle;
    otherLongTitle.replace(otherLongTitle.size() - 3, 3, "短");
    const std::string longPath = psys::instance_lock::path_for(longTitle);
    EXPECT_LE(fs::path(longPath).filename().string().size(), 255u);
    EXPECT_NE(longPath, psys::instance_lock::path_for(otherLongTitle)) << "the hash tells long titles apart";

    struct Case {
        const char* what;
        std::string title;
        std::function<void()> prepare;
        bool held, busy;
    };
    psys::instance_lock running;
    const Case cases[] = {
        {"a long title", longTitle, [] {}, true, false},
        {"a stale lock file nobody holds", "stale",
         [&] { qtest::WriteText(dir_.path() / "stale.lock", "left by a crash"); }, true, false},
        {"a running holder", "running", [&] { ASSERT_TRUE(running.acquire("running")); }, false, true},
        {"a folder where the lock file goes", "folder", [&] { fs::create_directory(dir_.path() / "folder.lock"); },
         false, false},
        // Nobody, root included, can create files there.
        {"a runtime folder that cannot be written", "t", [] { setenv("XDG_RUNTIME_DIR", "/proc/self", 1); }, false,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
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
}

} // namespace
