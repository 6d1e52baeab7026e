// Helper threads that run batches: every item once per batch, batches one after another,
// the owner free while a started batch runs.

#include "src/BatchWorkers.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

TEST(BatchWorkers, EveryItemRunsOncePerBatch)
{
    BatchWorkers workers(4);
    for (int batch = 0; batch < 50; ++batch) {
        const std::int64_t count = batch % 7 == 0 ? 0 : batch * 13 % 97 + 1;
        std::vector<std::atomic<int>> runs(static_cast<std::size_t>(count));
        if (batch % 2) {
            workers.Run(count, [&](std::int64_t i) { ++runs[static_cast<std::size_t>(i)]; });
        } else {
            workers.Start(count, [&](std::int64_t i) { ++runs[static_cast<std::size_t>(i)]; });
            workers.Wait();
        }
        for (std::int64_t i = 0; i < count; ++i) ASSERT_EQ(1, runs[static_cast<std::size_t>(i)].load()) << batch << " " << i;
    }
}

TEST(BatchWorkers, OwnerWorksWhileABatchRuns)
{
    BatchWorkers workers(2);
    std::atomic<bool> ownerDone {false};
    std::atomic<int> sawOwnerDone {0};
    workers.Start(4, [&](std::int64_t) {
        while (!ownerDone) std::this_thread::yield();
        ++sawOwnerDone;
    });
    // The items wait for the owner: Start must not have waited for them.
    ownerDone = true;
    workers.Wait();
    EXPECT_EQ(4, sawOwnerDone.load());
}

TEST(BatchWorkers, IdleWorkersEndCleanly)
{
    { BatchWorkers unused; }
    BatchWorkers waited(3);
    waited.Wait();  // nothing started
}

}  // namespace
