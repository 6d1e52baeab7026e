#include "src/Brick.h"
#include "src/LargeArray.h"
#include "src/ParticleTypes.h"

#include <gtest/gtest.h>

namespace {

using None = ParticleTypes::ParticleAttributes_None;
using VMag = ParticleTypes::ParticleAttributes_VMag;

std::string Box(const Brick& brick)
{
    char text[128];
    std::snprintf(text, sizeof(text), "%u [%u %u %u] %g %g %g %g / %g %g %g %g", brick.level, brick.position[0], brick.position[1],
                  brick.position[2], brick.box.center[0], brick.box.center[1], brick.box.center[2], brick.box.center[3],
                  brick.box.halfSize[0], brick.box.halfSize[1], brick.box.halfSize[2], brick.box.halfSize[3]);
    return text;
}

TEST(Brick, DefaultsChildrenAndResidency)
{
    Brick root;
    EXPECT_EQ("0 [0 0 0] 0 0 0 1 / 1 1 1 0", Box(root));
    EXPECT_FALSE(root.IsResident());
    root.gpuSlot.index = 3;
    EXPECT_FALSE(root.IsResident()) << "an index alone";
    root.gpuSlot.reserved = true;
    EXPECT_TRUE(root.IsResident());
    root.gpuSlot.index = 0xFFFFFFFFu;
    EXPECT_FALSE(root.IsResident());

    root.timestep = 7;
    EXPECT_EQ(5u, Brick::ChildNumber(1, 0, 1));
    Brick& five = root.CreateChild(5);
    EXPECT_EQ(&five, root.children[5].get());
    EXPECT_EQ("1 [1 0 1] 0.5 -0.5 0.5 1 / 0.5 0.5 0.5 0", Box(five));
    EXPECT_EQ(7, five.timestep);
    Brick& grandchild = root.CreateChild(Brick::ChildNumber(1, 1, 0)).CreateChild(Brick::ChildNumber(0, 1, 1));
    EXPECT_EQ("2 [2 3 1] 0.25 0.75 -0.25 1 / 0.25 0.25 0.25 0", Box(grandchild));

    // Destroying the root releases the subtree and every array once (ASan checks).
    for (unsigned c = 0; c < 8; ++c) {
        Brick& child = c == 5 ? five : root.CreateChild(c);
        for (unsigned g = 0; g < 8; g += 3) {
            Brick& leaf = child.CreateChild(g);
            leaf.particles.Allocate<VMag>(5);
            leaf.levels.resize(2, std::vector<Brick::OccupancyWord>(4));
        }
    }
    root.particles.Allocate<None>(3);
}

TEST(BrickParticleArray, RecordsOnlyAsTheirKind)
{
    static_assert(sizeof(BrickParticle<None>) == 8 && sizeof(BrickParticle<VMag>) == 12 &&
                  sizeof(BrickParticle<ParticleTypes::ParticleAttributes_ColorCount>) == 20 && sizeof(shader::Brick) == 24);
    const BrickParticle<None> record {PackBrickPosition(1023, 5, 1000), {}, 9};
    EXPECT_EQ(1023u | 5u << 10 | 1000u << 20, record.position);
    EXPECT_TRUE(record.X() == 1023 && record.Y() == 5 && record.Z() == 1000);

    BrickParticleArray array;
    EXPECT_EQ(nullptr, array.Get<None>());
    BrickParticle<VMag>* records = array.Allocate<VMag>(4);
    EXPECT_TRUE(records && records == array.Get<VMag>() && array.Get<None>() == nullptr);
    BrickParticle<None>* other = array.Allocate<None>(2);  // the old records go (ASan reports a leak)
    EXPECT_TRUE(other == array.Get<None>() && array.Get<VMag>() == nullptr);
    BrickParticleArray moved(std::move(array));
    EXPECT_FALSE(array);
    EXPECT_EQ(other, moved.Get<None>());
    moved.Reset();
    EXPECT_FALSE(moved);
}

constexpr std::size_t MiB = std::size_t {1} << 20;

// A pool hands a returned block out again, grows a kept one that is too small, and keeps
// no more than it once had in use.
TEST(LargeArrayPool, ReusesBlocksAndKeepsNoMoreThanItHadInUse)
{
    LargeMemory::Pool pool;
    auto* first = static_cast<char*>(pool.Allocate(6 * MiB));
    first[6 * MiB - 1] = 7;
    pool.Release(first, 6 * MiB);
    EXPECT_EQ(6 * MiB, pool.IdleBytes());
    void* again = pool.Allocate(5 * MiB + 1);  // near enough in size
    EXPECT_EQ(first, again);
    EXPECT_EQ(0u, pool.IdleBytes());
    void* small = pool.Allocate(1 * MiB);  // mapped in steps of 2 MiB: 8 MiB in use
    pool.Release(again, 5 * MiB + 1);
    EXPECT_EQ(6 * MiB, pool.IdleBytes());
    void* other = pool.Allocate(2 * MiB);  // 6 + 2 + 2 would be more than the 8 MiB in use
    EXPECT_NE(again, other);
    EXPECT_EQ(0u, pool.IdleBytes());
    pool.Release(small, 1 * MiB);
    pool.Release(other, 2 * MiB);
    EXPECT_EQ(4 * MiB, pool.IdleBytes());
    void* large = pool.Allocate(40 * MiB);  // a larger block leaves room for less
    EXPECT_EQ(0u, pool.IdleBytes());
    pool.Release(large, 40 * MiB);
    EXPECT_EQ(40 * MiB, pool.IdleBytes());

    LargeMemory::Pool growing;
    auto* kept = static_cast<char*>(growing.Allocate(6 * MiB));
    kept[6 * MiB - 1] = 7;
    growing.Release(kept, 6 * MiB);
    auto* grown = static_cast<char*>(growing.Allocate(10 * MiB));
    EXPECT_TRUE(grown[6 * MiB - 1] == 7 && grown[10 * MiB - 1] == 0) << "the kept pages moved along";
    EXPECT_EQ(0u, growing.IdleBytes());
    growing.Release(grown, 10 * MiB);
    EXPECT_EQ(10 * MiB, growing.IdleBytes());

    auto shared = std::make_shared<LargeMemory::Pool>();
    const void* data = nullptr;
    {
        LargeVector<int> values {LargeArrayAllocator<int>(shared)};
        values.resize(3 * MiB / sizeof(int));
        values.back() = 5;
        data = values.data();
    }
    LargeVector<int> next {LargeArrayAllocator<int>(shared)};
    next.resize(3 * MiB / sizeof(int));
    EXPECT_TRUE(data == next.data() && next.back() == 5) << "vectors of a pool share its blocks; resize leaves what they held";
}

// Touching pages ahead of their writers keeps what they hold, fresh or reused, also for a
// range that starts and ends inside pages; it stops when told to.
TEST(LargeArrayPool, TouchedPagesKeepTheirValues)
{
    LargeMemory::Pool pool;
    auto* block = static_cast<unsigned char*>(pool.Allocate(6 * MiB));
    for (std::size_t at = 0; at < 6 * MiB; at += 997) block[at] = static_cast<unsigned char>(at % 251 + 1);
    TouchPages(block + 100, 6 * MiB - 200, [] { return true; });
    bool same = true;
    for (std::size_t at = 0; at < 6 * MiB; ++at) same = same && block[at] == (at % 997 ? 0 : at % 251 + 1);
    EXPECT_TRUE(same);

    int asked = 0;
    TouchPages(block, 6 * MiB, [&asked] { return ++asked < 2; });
    EXPECT_EQ(2, asked) << "one question per 2 MiB granule";
    pool.Release(block, 6 * MiB);

    auto* fresh = static_cast<unsigned char*>(LargeMemory::Allocate(3 * MiB + 5));
    TouchPages(fresh, 3 * MiB + 5, [] { return true; });
    EXPECT_TRUE(fresh[0] == 0 && fresh[3 * MiB + 4] == 0);
    LargeMemory::Release(fresh, 3 * MiB + 5);
}

}  // namespace
