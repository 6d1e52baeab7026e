#include "src/RecordReleaser.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

using namespace std::chrono_literals;

std::atomic<int> destroyed {0};

// A record payload that counts its destruction.
struct Counted {
    ~Counted() { ++destroyed; }
};

BrickParticleArray Records(int count)
{
    BrickParticleArray array;
    array.Allocate<Counted>(static_cast<std::uint64_t>(count));
    return array;
}

TEST(RecordReleaser, FreesOnlyInAQuietMomentAndEverythingAtTheEnd)
{
    destroyed = 0;
    std::atomic<bool> quiet {false};
    {
        RecordReleaser releaser([&] { return quiet.load(); });
        releaser.Release(Records(3));
        releaser.Release(Records(4));
        releaser.Release(BrickParticleArray {});  // nothing to free
        std::this_thread::sleep_for(30ms);
        EXPECT_EQ(0, destroyed.load());
        EXPECT_EQ(2u, releaser.PendingCount());

        quiet = true;
        const auto end = std::chrono::steady_clock::now() + 5s;
        while (destroyed.load() < 7 && std::chrono::steady_clock::now() < end) std::this_thread::sleep_for(1ms);
        EXPECT_EQ(7, destroyed.load());
        EXPECT_EQ(0u, releaser.PendingCount());

        quiet = false;
        releaser.Release(Records(5));
    }
    EXPECT_EQ(12, destroyed.load());  // freed by the destructor, quiet or not
}

TEST(RecordReleaser, ManyThreadsHandOver)
{
    destroyed = 0;
    {
        RecordReleaser releaser([] { return true; });
        std::vector<std::thread> workers;
        for (int w = 0; w < 4; ++w) {
            workers.emplace_back([&] {
                for (int i = 0; i < 200; ++i) releaser.Release(Records(2));
            });
        }
        for (auto& worker : workers) worker.join();
    }
    EXPECT_EQ(1600, destroyed.load());
}

}  // namespace
