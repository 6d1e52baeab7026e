#include "src/LargeArray.h"

#include <gtest/gtest.h>

namespace {

constexpr std::size_t MiB = std::size_t {1} << 20;

// A pool hands a returned block out again, and keeps no more than it once had in use.
TEST(LargeArrayPool, ReusesBlocksAndKeepsNoMoreThanItHadInUse)
{
    LargeMemory::Pool pool;
    void* first = pool.Allocate(6 * MiB);
    static_cast<char*>(first)[6 * MiB - 1] = 7;
    pool.Release(first, 6 * MiB);
    EXPECT_EQ(6 * MiB, pool.IdleBytes());

    void* again = pool.Allocate(5 * MiB + 1);  // near enough in size
    EXPECT_EQ(first, again);
    EXPECT_EQ(0u, pool.IdleBytes());
    void* small = pool.Allocate(1 * MiB);  // mapped in steps of 2 MiB: 8 MiB in use
    pool.Release(again, 5 * MiB + 1);
    EXPECT_EQ(6 * MiB, pool.IdleBytes());
    // Far smaller than what is kept: a block of its own, and 6 + 2 + 2 would be more than
    // the 8 MiB once in use, so the kept block goes.
    void* other = pool.Allocate(2 * MiB);
    EXPECT_NE(again, other);
    EXPECT_EQ(0u, pool.IdleBytes());
    pool.Release(small, 1 * MiB);
    pool.Release(other, 2 * MiB);
    EXPECT_EQ(4 * MiB, pool.IdleBytes());

    // A larger block in use leaves room for less: the kept blocks go.
    void* large = pool.Allocate(40 * MiB);
    EXPECT_EQ(0u, pool.IdleBytes());
    pool.Release(large, 40 * MiB);
    EXPECT_EQ(40 * MiB, pool.IdleBytes());
}

TEST(LargeArrayPool, GrowsAKeptBlockThatIsTooSmall)
{
    LargeMemory::Pool pool;
    auto* first = static_cast<char*>(pool.Allocate(6 * MiB));
    first[6 * MiB - 1] = 7;
    pool.Release(first, 6 * MiB);
    auto* grown = static_cast<char*>(pool.Allocate(10 * MiB));
    EXPECT_EQ(7, grown[6 * MiB - 1]);  // the kept pages moved along
    EXPECT_EQ(0, grown[10 * MiB - 1]);
    EXPECT_EQ(0u, pool.IdleBytes());
    pool.Release(grown, 10 * MiB);
    EXPECT_EQ(10 * MiB, pool.IdleBytes());
}

TEST(LargeArrayPool, VectorsOfAPoolShareItsBlocks)
{
    auto pool = std::make_shared<LargeMemory::Pool>();
    const void* data = nullptr;
    {
        LargeVector<int> values {LargeArrayAllocator<int>(pool)};
        values.resize(3 * MiB / sizeof(int));
        values.back() = 5;
        data = values.data();
    }
    LargeVector<int> next {LargeArrayAllocator<int>(pool)};
    next.resize(3 * MiB / sizeof(int));
    EXPECT_EQ(data, next.data());
    EXPECT_EQ(5, next.back());  // resize leaves what the block held
}

}  // namespace
