#include "src/BrickParticle.h"
#include "src/LeafScatter.h"
#include "src/ParticleTypes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

using Record = BrickParticle<ParticleTypes::ParticleAttributes_None>;

// Leaf grid of 8 cells; cells 2 and 5 have arrays of the given sizes.
struct TwoLeaves {
    TwoLeaves(std::uint64_t size2, std::uint64_t size5) : first(size2, Record {0xDEAD, {}, 0}), second(size5, Record {0xDEAD, {}, 0})
    {
        leaves.denseIndex.assign(8, LeafArrays<Record>::NoLeaf);
        leaves.denseIndex[2] = 0;
        leaves.denseIndex[5] = 1;
        leaves.arrays = {first.data(), second.data()};
        leaves.sizes = {size2, size5};
    }
    bool Untouched() const
    {
        auto dead = [](const Record& r) { return r.position == 0xDEAD; };
        return std::all_of(first.begin(), first.end(), dead) && std::all_of(second.begin(), second.end(), dead);
    }
    std::vector<Record> first, second;
    LeafArrays<Record> leaves;
};

std::vector<std::uint32_t> Positions(const std::vector<Record>& records)
{
    std::vector<std::uint32_t> positions;
    for (const Record& r : records) positions.push_back(r.position);
    std::sort(positions.begin(), positions.end());
    return positions;
}

TEST(LeafScatter, FillsEveryArrayExactlyFromRecordsAndCopies)
{
    TwoLeaves t(4, 4);
    std::vector<Record> records;
    for (std::uint32_t i = 0; i < 5; ++i) records.push_back({i, {}, i % 2 ? 5u : 2u});
    const std::vector<std::vector<Record>> copies = {{{10, {}, 5}}, {}, {{11, {}, 5}, {12, {}, 2}}};
    ASSERT_TRUE(ScatterIntoLeaves(t.leaves, records.data(), records.size(), copies));
    EXPECT_EQ((std::vector<std::uint32_t> {0, 2, 4, 12}), Positions(t.first));
    EXPECT_EQ((std::vector<std::uint32_t> {1, 3, 10, 11}), Positions(t.second));
}

TEST(LeafScatter, RecordsThatDoNotFitTheArraysWriteNothing)
{
    const std::vector<std::vector<Record>> none;
    std::vector<Record> records = {{1, {}, 2}, {2, {}, 5}, {3, {}, 5}};
    {
        TwoLeaves tooLarge(1, 3);  // one slot would stay unwritten
        EXPECT_FALSE(ScatterIntoLeaves(tooLarge.leaves, records.data(), records.size(), none));
        EXPECT_TRUE(tooLarge.Untouched());
    }
    {
        TwoLeaves tooSmall(1, 1);
        EXPECT_FALSE(ScatterIntoLeaves(tooSmall.leaves, records.data(), records.size(), none));
        EXPECT_TRUE(tooSmall.Untouched());
    }
    for (std::uint32_t stranger : {3u, 8u, 0xFFFFFFFFu}) {
        TwoLeaves fits(1, 2);
        std::vector<Record> withStranger = records;
        withStranger.push_back({4, {}, stranger});
        EXPECT_FALSE(ScatterIntoLeaves(fits.leaves, withStranger.data(), withStranger.size(), none)) << stranger;
        EXPECT_TRUE(fits.Untouched());
    }
}

TEST(LeafScatter, NoRecordsAndNoLeavesIsComplete)
{
    LeafArrays<Record> empty;
    empty.denseIndex.assign(8, LeafArrays<Record>::NoLeaf);
    EXPECT_TRUE(ScatterIntoLeaves(empty, static_cast<const Record*>(nullptr), 0, std::vector<std::vector<Record>> {}));
}

}  // namespace
