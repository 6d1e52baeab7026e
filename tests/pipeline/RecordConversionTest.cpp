#include "src/RawRecordConversion.h"

#include <gtest/gtest.h>

#include <limits>
#include <random>

namespace {

using namespace ParticleTypes;

TEST(RecordConversion, EachRecordTypeFillsItsAttributes)
{
    const auto vel = ConvertRecord(RawParticle_PosVel {1, 2, 3, 3, 4, 0});
    EXPECT_EQ(1.0f, vel.x);
    EXPECT_EQ(2.0f, vel.y);
    EXPECT_EQ(3.0f, vel.z);
    EXPECT_EQ(5.0f, vel.attributes.magnitude);

    const auto col = ConvertRecord(RawParticle_PosCol {-1, -2, -3, 255, 128, 0, 77});
    EXPECT_EQ(-3.0f, col.z);
    EXPECT_EQ(255, col.attributes.red);
    EXPECT_EQ(128, col.attributes.green);
    EXPECT_EQ(0, col.attributes.blue);
    EXPECT_EQ(0u, col.attributes.count);

    static_assert(std::is_same_v<RecordParticle<RawParticle_PosNormal>, VolumeParticle<ParticleAttributes_None>>);
    static_assert(std::is_same_v<RecordParticle<RawParticle_PosRad>, VolumeParticle<ParticleAttributes_None>>);
    const auto normal = ConvertRecord(RawParticle_PosNormal {4, 5, 6, 9, 9, 9});
    EXPECT_EQ(6.0f, normal.z);
    const auto radius = ConvertRecord(RawParticle_PosRad {7, 8, 9, 100});
    EXPECT_EQ(7.0f, radius.x);
}

// The same chunk converted below and above the size where the work is shared out.
TEST(RecordConversion, ChunkBoxIsTheSmallestAroundAllPositions)
{
    for (const std::size_t count : {std::size_t {1000}, std::size_t {200'000}}) {
        std::mt19937 random(3);
        std::uniform_real_distribution<float> coordinate(-9.0f, -2.0f);
        std::vector<RawParticle_Pos> records(count);
        for (auto& r : records) r = {coordinate(random), coordinate(random), coordinate(random)};
        records[count / 2].x = std::numeric_limits<float>::quiet_NaN();  // its y and z still count
        PositionBox expected;
        for (const auto& r : records) expected.Grow(r.x, r.y, r.z);
        std::vector<VolumeParticle<ParticleAttributes_None>> chunk(5, {1, 2, 3, {}});  // appended to
        PositionBox box;
        AppendConverted(records, chunk, &box);
        ASSERT_EQ(count + 5, chunk.size());
        EXPECT_EQ(2.0f, chunk[4].y);
        EXPECT_EQ(records[7].y, chunk[5 + 7].y);
        for (int a = 0; a < 6; ++a) EXPECT_EQ(expected.bounds[a], box.bounds[a]) << a;
        EXPECT_LT(box.bounds[3], 0.0f);  // all negative: so is the maximum
        EXPECT_FALSE(box.IsEmpty());
    }
}

TEST(RecordConversion, EmptyBoxes)
{
    PositionBox box;
    EXPECT_TRUE(box.IsEmpty());
    box.Grow(std::numeric_limits<float>::quiet_NaN(), 1.0f, 1.0f);
    EXPECT_TRUE(box.IsEmpty());
    box.Grow(2.0f, 1.0f, 1.0f);
    EXPECT_FALSE(box.IsEmpty());
    std::vector<RawParticle_Pos> none;
    std::vector<VolumeParticle<ParticleAttributes_None>> chunk;
    PositionBox untouched;
    AppendConverted(none, chunk, &untouched);
    EXPECT_TRUE(untouched.IsEmpty());
}

}  // namespace
