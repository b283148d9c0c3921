// The worker pool that row bands are shared out by.
#include "platform/render/core.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

using prender::detail::worker_pool;

TEST(WorkerPool, EveryItemRunsOnceBeforeRunReturns) {
    // Many runs in a row: a worker that wakes late must neither run an item
    // of a finished run again nor miss one of the next.
    for (unsigned threads : {1u, 2u, 4u, 7u}) {
        worker_pool pool(threads);
        EXPECT_EQ(pool.size(), threads);
        for (int round = 0; round < 40; ++round) {
            for (unsigned items : {0u, 1u, 3u, 96u, 1000u}) {
                std::vector<std::atomic<int>> runs(items);
                pool.run(items, [&](unsigned i) { runs[i].fetch_add(1, std::memory_order_relaxed); });
                for (unsigned i = 0; i < items; ++i)
                    ASSERT_EQ(runs[i].load(), 1) << "item " << i << " of " << items << ", " << threads << " threads";
            }
        }
    }
}
