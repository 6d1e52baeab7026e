#include "src/BrickSplat.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <random>
#include <tuple>

namespace {

using None = ParticleTypes::ParticleAttributes_None;
using VMag = ParticleTypes::ParticleAttributes_VMag;
using Color = ParticleTypes::ParticleAttributes_ColorCount;

constexpr std::uint32_t Size = 64;
constexpr std::uint32_t Wx = Size / 4, Wy = Size / 4;

std::uint32_t Pack(std::uint32_t x, std::uint32_t y, std::uint32_t z)
{
    return x | y << 10 | z << 20;
}

template <class Attr>
struct Particle {
    std::uint32_t x, y, z;
    Attr attributes;
};

template <class Attr>
void Fill(Brick& brick, const std::vector<Particle<Attr>>& particles)
{
    BrickParticle<Attr>* records = brick.particles.Allocate<Attr>(particles.size());
    for (std::size_t i = 0; i < particles.size(); ++i) {
        const auto& p = particles[i];
        records[i] = BrickParticle<Attr> {Pack(p.x, p.y, p.z), p.attributes, 7};
    }
    brick.particleCount = particles.size();
    brick.totalParticleCount += particles.size();
}

template <class Attr>
void Splat(Brick& brick, const std::vector<Particle<Attr>>& particles, float velocityMaximum = 1.0f)
{
    Fill(brick, particles);
    SplatScratch<Attr> scratch;
    SplatBrickRecords<Attr>(scratch, Size, brick, velocityMaximum);
}

// (word index, component, value) of every non-zero component of level 0.
std::vector<std::tuple<std::size_t, int, unsigned>> NonZero(const Brick& brick)
{
    std::vector<std::tuple<std::size_t, int, unsigned>> result;
    for (std::size_t w = 0; w < brick.levels[0].size(); ++w) {
        for (int k = 0; k < 4; ++k) {
            if (brick.levels[0][w][k] != 0) result.emplace_back(w, k, brick.levels[0][w][k]);
        }
    }
    return result;
}

using Bits = std::vector<std::tuple<std::size_t, int, unsigned>>;

TEST(OccupancyWord, OneParticleSetsTheBitOfItsVoxel)
{
    const auto single = [](std::uint32_t x, std::uint32_t y, std::uint32_t z) {
        Brick brick;
        Splat<None>(brick, {{x, y, z, {}}});
        return NonZero(brick);
    };
    EXPECT_EQ((Bits {{0, 0, 1u}}), single(0, 0, 0));
    EXPECT_EQ((Bits {{0, 3, 1u << 31}}), single(3, 3, 7));
    EXPECT_EQ((Bits {{1, 0, 1u}}), single(4, 0, 0));
    EXPECT_EQ((Bits {{Wx, 0, 1u}}), single(0, 4, 0));
    EXPECT_EQ((Bits {{Wx * Wy, 0, 1u}}), single(0, 0, 8));
    // Odd z slices take the upper half of a component.
    EXPECT_EQ((Bits {{0, 0, 1u << 16}}), single(0, 0, 1));
    EXPECT_EQ((Bits {{0, 1, 1u << (1 + 4 * 2)}}), single(1, 2, 2));
    EXPECT_EQ((Bits {{Size * Size * Size / 128 - 1, 3, 1u << 31}}), single(63, 63, 63));
}

TEST(OccupancyWord, PackingConstantsAndGridMaths)
{
    EXPECT_EQ(2u, OccupancyPacking::Shifts[0]);
    EXPECT_EQ(2u, OccupancyPacking::Shifts[1]);
    EXPECT_EQ(3u, OccupancyPacking::Shifts[2]);
    const OccupancyGrid grid(Size);
    EXPECT_EQ(4u, OccupancyGrid::MipLevelCount(64));
    EXPECT_EQ(1u, OccupancyGrid::MipLevelCount(8));
    EXPECT_EQ(8u, OccupancyGrid::MipLevelCount(1024));
    EXPECT_FALSE(OccupancyGrid::IsValidBrickSize(4));
    EXPECT_FALSE(OccupancyGrid::IsValidBrickSize(48));
    EXPECT_TRUE(OccupancyGrid::IsValidBrickSize(8));
    // Every voxel maps to one word and bit and back.
    for (std::uint32_t z = 0; z < Size; z += 5) {
        for (std::uint32_t y = 0; y < Size; y += 3) {
            for (std::uint32_t x = 0; x < Size; ++x) {
                std::uint32_t v[3];
                grid.Voxel(grid.WordIndex(x, y, z), OccupancyPacking::BitIndex(x, y, z), v);
                ASSERT_EQ(x, v[0]);
                ASSERT_EQ(y, v[1]);
                ASSERT_EQ(z, v[2]);
            }
        }
    }
}

TEST(BrickSplat, LevelListsBySizeAndKind)
{
    Brick plain;
    Splat<None>(plain, {});
    ASSERT_EQ(1u, plain.levels.size());
    EXPECT_EQ(2048u, plain.levels[0].size());

    Brick withValues;
    Splat<VMag>(withValues, {});
    ASSERT_EQ(4u, withValues.levels.size());
    EXPECT_EQ(2048u, withValues.levels[0].size());
    EXPECT_EQ(256u, withValues.levels[1].size());
    EXPECT_EQ(32u, withValues.levels[2].size());
    EXPECT_EQ(4u, withValues.levels[3].size());
    for (const auto& level : withValues.levels) {
        for (const OccupancyWord& word : level) ASSERT_TRUE(OccupancyPacking::IsEmpty(word));
    }
    EXPECT_TRUE(withValues.attributeValues.empty());
    EXPECT_EQ(std::vector<std::uint32_t>(2048, 0), withValues.attributeOffsets);
    EXPECT_TRUE(withValues.splatted);
}

TEST(BrickSplat, LeavesTheBrickSplattedAndEmpty)
{
    Brick brick;
    brick.postProcessed = true;
    Splat<Color>(brick, {{1, 2, 3, {10, 20, 30, 0}}, {1, 2, 3, {10, 20, 30, 0}}});
    EXPECT_EQ(0u, brick.particleCount);
    EXPECT_FALSE(brick.particles);
    EXPECT_EQ(2u, brick.totalParticleCount);
    EXPECT_TRUE(brick.splatted);
    EXPECT_FALSE(brick.postProcessed);
}

TEST(BrickSplat, VelocityMagnitudeKeepsTheLargestAndScales)
{
    Brick brick;
    Splat<VMag>(brick,
                {{0, 0, 0, {0.25f}}, {0, 0, 0, {0.5f}}, {0, 0, 0, {0.125f}},  // one voxel
                 {1, 0, 0, {4.0f}},                                           // twice the maximum
                 {2, 0, 0, {-1.0f}},                                          // below zero
                 {3, 0, 0, {std::numeric_limits<float>::quiet_NaN()}}},
                2.0f);
    EXPECT_EQ((Bits {{0, 0, 0xFu}}), NonZero(brick));
    const std::vector<std::uint16_t> expected = {static_cast<std::uint16_t>(0.25f * 65535.0f), 65535, 0, 0};
    EXPECT_EQ(expected, brick.attributeValues);
}

TEST(BrickSplat, VelocityMaximumOfZeroOrBelowGivesNoGarbage)
{
    EXPECT_EQ(0, EncodeVelocityMagnitude(0.0f, 0.0f));
    EXPECT_EQ(65535, EncodeVelocityMagnitude(0.5f, 0.0f));
    EXPECT_EQ(65535, EncodeVelocityMagnitude(0.5f, -3.0f));
    EXPECT_EQ(0, EncodeVelocityMagnitude(0.0f, -3.0f));
    EXPECT_EQ(65535, EncodeVelocityMagnitude(0.5f, std::numeric_limits<float>::quiet_NaN()));
    EXPECT_EQ(65535, EncodeVelocityMagnitude(std::numeric_limits<float>::infinity(), 1.0f));
    EXPECT_EQ(65535, EncodeVelocityMagnitude(1.0f, std::numeric_limits<float>::denorm_min()));
    EXPECT_EQ(0, EncodeVelocityMagnitude(1.0f, std::numeric_limits<float>::infinity()));
    EXPECT_EQ(32767, EncodeVelocityMagnitude(1.0f, 2.0f));
}

TEST(BrickSplat, ColourIsTheAverage565)
{
    Brick brick;
    Splat<Color>(brick, {{0, 0, 0, {255, 255, 255, 0}},
                         {1, 0, 0, {255, 0, 0, 0}},
                         {2, 0, 0, {0, 0, 255, 0}},
                         {3, 0, 0, {255, 0, 0, 0}},
                         {3, 0, 0, {0, 255, 0, 0}}});
    const std::uint16_t mixed = static_cast<std::uint16_t>(15 | 31 << 5);  // (127, 127, 0)
    const std::vector<std::uint16_t> expected = {0xFFFF, 31, 31 << 11, mixed};
    EXPECT_EQ(expected, brick.attributeValues);
}

TEST(BrickSplat, ManyBrightParticlesInOneVoxelDoNotWrap)
{
    std::vector<Particle<Color>> particles(1000, Particle<Color> {5, 5, 5, {255, 255, 255, 0}});
    Brick brick;
    Splat<Color>(brick, particles);
    ASSERT_EQ(2u, brick.attributeValues.size());
    EXPECT_EQ(0xFFFF, brick.attributeValues[0]);
    EXPECT_EQ(0, EncodeAverageColor(ColorAccumulator {}));
}

TEST(BrickSplat, OddValueCountsArePaddedAndOffsetsPointAtFirstValues)
{
    Brick brick;
    Splat<VMag>(brick, {{0, 0, 0, {1.0f}}, {1, 0, 0, {1.0f}}, {0, 0, 1, {1.0f}},  // word 0: three bits
                        {4, 0, 0, {0.0f}},                                         // word 1
                        {0, 0, 8, {1.0f}}});                                       // word Wx*Wy
    EXPECT_EQ(6u, brick.attributeValues.size());
    EXPECT_EQ(0, brick.attributeValues.back());
    EXPECT_EQ(0u, brick.attributeOffsets[0]);
    EXPECT_EQ(3u, brick.attributeOffsets[1]);
    EXPECT_EQ(4u, brick.attributeOffsets[Wx * Wy]);
    // Inside a word the values follow the bit order: (0,0,0), (1,0,0), then (0,0,1).
    EXPECT_EQ(65535, brick.attributeValues[2]);
    EXPECT_EQ(0, brick.attributeValues[3]);

    Brick three;
    Splat<VMag>(three, {{0, 0, 0, {1.0f}}, {1, 0, 0, {1.0f}}, {2, 0, 0, {1.0f}}});
    EXPECT_EQ((std::vector<std::uint16_t> {65535, 65535, 65535, 0}), three.attributeValues);
}

TEST(BrickSplat, SecondSplatAddsBitsAndRebuildsValuesFromItsOwnParticles)
{
    Brick brick;
    Splat<VMag>(brick, {{0, 0, 0, {1.0f}}});
    Splat<VMag>(brick, {{1, 0, 0, {0.5f}}});
    EXPECT_EQ((Bits {{0, 0, 3u}}), NonZero(brick));
    // The first voxel's magnitude is gone with its particle.
    EXPECT_EQ((std::vector<std::uint16_t> {0, 32767}), brick.attributeValues);
}

TEST(BrickSplat, RecordsOutsideTheBrickAreSkipped)
{
    Brick brick;
    Splat<Color>(brick, {{64, 0, 0, {255, 0, 0, 0}}, {0, 1023, 0, {255, 0, 0, 0}}, {2, 2, 2, {0, 0, 255, 0}}});
    EXPECT_EQ(1u, NonZero(brick).size());
    EXPECT_EQ((std::vector<std::uint16_t> {31 << 11, 0}), brick.attributeValues);
    EXPECT_TRUE(brick.splatted);
}

TEST(BrickSplat, RejectsBadSizesAndForeignRecords)
{
    Brick brick;
    Fill<None>(brick, {{0, 0, 0, {}}});
    SplatScratch<None> none;
    EXPECT_THROW(SplatBrickRecords<None>(none, 48, brick, 1.0f), qz::core::Exception);
    EXPECT_THROW(SplatBrickRecords<None>(none, 0, brick, 1.0f), qz::core::Exception);
    SplatScratch<VMag> scratch;
    EXPECT_THROW(SplatBrickRecords<VMag>(scratch, Size, brick, 1.0f), qz::core::Exception);
    EXPECT_EQ(1u, brick.particleCount);

    // Levels of another brick size are not overrun.
    SplatBrickRecords<None>(none, 32, brick, 1.0f);
    Fill<None>(brick, {{40, 0, 0, {}}});
    EXPECT_THROW(SplatBrickRecords<None>(none, Size, brick, 1.0f), qz::core::Exception);
}

// A plain model of the splat: voxel -> values, then the set voxels in word and bit order.
template <class Attr>
struct ReferenceSplat {
    std::map<std::tuple<std::uint32_t, std::uint32_t, std::uint32_t>, std::vector<Attr>> voxels;

    std::vector<std::uint16_t> Values(float velocityMaximum) const
    {
        std::vector<std::uint16_t> values;
        for (std::uint32_t wz = 0; wz < Size / 8; ++wz)
            for (std::uint32_t wy = 0; wy < Size / 4; ++wy)
                for (std::uint32_t wx = 0; wx < Size / 4; ++wx)
                    for (std::uint32_t z = wz * 8; z < wz * 8 + 8; ++z)
                        for (std::uint32_t y = wy * 4; y < wy * 4 + 4; ++y)
                            for (std::uint32_t x = wx * 4; x < wx * 4 + 4; ++x) {
                                const auto found = voxels.find({x, y, z});
                                if (found == voxels.end()) continue;
                                values.push_back(Encode(found->second, velocityMaximum));
                            }
        if (values.size() % 2) values.push_back(0);
        return values;
    }

    static std::uint16_t Encode(const std::vector<VMag>& list, float velocityMaximum)
    {
        float largest = 0.0f;
        for (const VMag& v : list) largest = std::max(largest, v.magnitude);
        return EncodeVelocityMagnitude(largest, velocityMaximum);
    }
    static std::uint16_t Encode(const std::vector<Color>& list, float)
    {
        ColorAccumulator sum;
        for (const Color& c : list) {
            sum.red += c.red;
            sum.green += c.green;
            sum.blue += c.blue;
            ++sum.count;
        }
        return EncodeAverageColor(sum);
    }
};


template <class Attr, class MakeAttr>
void CompareWithReference(MakeAttr makeAttr)
{
    std::mt19937 random(1234);
    SplatScratch<Attr> scratch;  // shared by every brick, as a worker's is
    for (int round = 0; round < 6; ++round) {
        // Clustered: most particles in a few voxels, the rest spread out.
        std::vector<Particle<Attr>> particles;
        ReferenceSplat<Attr> reference;
        const int count = 200 + round * 3000;
        for (int i = 0; i < count; ++i) {
            const bool cluster = random() % 4 != 0;
            const std::uint32_t x = cluster ? 30 + random() % 3 : random() % Size;
            const std::uint32_t y = cluster ? 10 + random() % 2 : random() % Size;
            const std::uint32_t z = cluster ? 50 + random() % 5 : random() % Size;
            particles.push_back({x, y, z, makeAttr(random)});
            reference.voxels[{x, y, z}].push_back(particles.back().attributes);
        }
        Brick brick;
        Fill(brick, particles);
        SplatBrickRecords<Attr>(scratch, Size, brick, 3.0f);
        ASSERT_EQ(reference.Values(3.0f), brick.attributeValues) << "round " << round;
        std::size_t bits = 0;
        for (const OccupancyWord& word : brick.levels[0]) bits += OccupancyPacking::CountBits(word);
        ASSERT_EQ(reference.voxels.size(), bits);
        for (const auto& [voxel, list] : reference.voxels) {
            const auto [x, y, z] = voxel;
            ASSERT_TRUE(OccupancyPacking::TestBit(brick.levels[0][OccupancyGrid(Size).WordIndex(x, y, z)],
                                                  OccupancyPacking::BitIndex(x, y, z)));
        }
    }
    // One element per occupied voxel of the largest brick, not one per voxel of a brick.
    EXPECT_LT(scratch.voxels.size(), std::size_t {Size} * Size * Size / 8);
}

TEST(BrickSplat, MatchesAPlainModelWithAReusedScratch)
{
    CompareWithReference<VMag>([](std::mt19937& r) { return VMag {static_cast<float>(r() % 1000) / 200.0f}; });
    CompareWithReference<Color>([](std::mt19937& r) {
        return Color {static_cast<std::uint16_t>(r() % 256), static_cast<std::uint16_t>(r() % 256),
                      static_cast<std::uint16_t>(r() % 256), 0};
    });
}

TEST(BrickSplat, ScratchLeftDirtyIsClearedBeforeUse)
{
    VoxelScratch<float> scratch;
    scratch.Prepare(8)[3] = 5.0f;  // a splat that never finished
    EXPECT_EQ(0.0f, scratch.Prepare(8)[3]);
}

}  // namespace
