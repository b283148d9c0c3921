#include "platform/system/instance_lock.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

TEST(InstanceLock, ASecondHolderIsRefusedUntilTheFirstLetsGo) {
    qtest::TempDir dir;
    const char* old = std::getenv("XDG_RUNTIME_DIR");
    const std::string saved = old ? old : "";
    setenv("XDG_RUNTIME_DIR", dir.str().c_str(), 1);
    EXPECT_EQ(psys::instance_lock::path_for("ゲーム/体験版"), dir.str() + "/ゲーム_体験版.lock");
    EXPECT_EQ(psys::instance_lock::path_for(".."), dir.str() + "/_...lock");

    psys::instance_lock first, second, other;
    ASSERT_TRUE(first.acquire("ゲーム/体験版"));
    EXPECT_FALSE(second.acquire("ゲーム/体験版"));
    EXPECT_FALSE(second.held());
    EXPECT_TRUE(other.acquire("another game"));
    first.release();
    EXPECT_TRUE(second.acquire("ゲーム/体験版"));

    setenv("XDG_RUNTIME_DIR", (dir.str() + "/missing").c_str(), 1);
    EXPECT_EQ(psys::instance_lock::path_for("t"), "/tmp/t.lock") << "a missing runtime folder falls back to /tmp";
    if (saved.empty())
        unsetenv("XDG_RUNTIME_DIR");
    else
        setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
}

} // namespace
