#include "base/GxAssert.h"
#include "base/GxMutex.h"

#include <gtest/gtest.h>
#include <thread>

namespace {

TEST(GxAssert, StopsOnAFalseConditionOnlyWhereChecksAreOn) {
    int evaluated = 0;
    GX_ASSERT(++evaluated == 1);
#if defined(QUILLON_ASSERTS)
    EXPECT_EQ(evaluated, 1);
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(GX_ASSERT(evaluated == 2), "assert_test.cpp:[0-9]+: GX_ASSERT\\(evaluated == 2\\) failed");
#else
    EXPECT_EQ(evaluated, 0) << "compiled out: the condition is not evaluated";
    GX_ASSERT(evaluated == 2);
#endif
}

TEST(GxMutex, KnowsWhetherThisThreadHoldsIt) {
    GxMutex m;
    auto heldElsewhere = [&] {
        bool held = true;
        std::thread([&] { held = m.IsHeldByThisThread(); }).join();
        return held;
    };
    EXPECT_FALSE(m.IsHeldByThisThread());
    {
        GxMutexScopedLock outer(m);
        EXPECT_TRUE(m.IsHeldByThisThread());
        EXPECT_FALSE(heldElsewhere());
        {
            GxMutexScopedLock inner(m);
            EXPECT_TRUE(m.IsHeldByThisThread());
        }
        EXPECT_TRUE(m.IsHeldByThisThread()) << "still held once after the inner scope";
    }
    EXPECT_FALSE(m.IsHeldByThisThread());
}

} // namespace
