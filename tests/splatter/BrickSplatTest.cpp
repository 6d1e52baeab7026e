#include "src/BrickSplat.h"

#include "tests/support/ErrorReports.h"
#include "tests/support/OutputCapture.h"

#include <gtest/gtest.h>

#include <limits>
#include <map>
#include <random>
#include <tuple>

namespace {

using None = ParticleTypes::ParticleAttributes_None;
using VMag = ParticleTypes::ParticleAttributes_VMag;
using Color = ParticleTypes::ParticleAttributes_ColorCount;
using Bits = std::vector<std::tuple<std::size_t, int, unsigned>>;

constexpr std::uint32_t Size = 64, Wx = Size / 4, Wy = Size / 4;
const float NaN = std::numeric_limits<float>::quiet_NaN();

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
        records[i] = BrickParticle<Attr> {PackBrickPosition(particles[i].x, particles[i].y, particles[i].z), particles[i].attributes, 7};
    }
    brick.particleCount = particles.size();
    brick.totalParticleCount += particles.size();
}

template <class Attr>
void Splat(Brick& brick, const std::vector<Particle<Attr>>& particles, float velocityMaximum = 1.0f, std::uint32_t size = Size)
{
    Fill(brick, particles);
    SplatScratch<Attr> scratch;
    SplatBrickRecords<Attr>(scratch, size, brick, velocityMaximum);
}

// (word index, component, value) of every non-zero component of level 0.
Bits NonZero(const Brick& brick)
{
    Bits result;
    for (std::size_t w = 0; w < brick.levels[0].size(); ++w) {
        for (int k = 0; k < 4; ++k) {
            if (brick.levels[0][w][k] != 0) result.emplace_back(w, k, brick.levels[0][w][k]);
        }
    }
    return result;
}

TEST(OccupancyWord, OneParticleSetsTheBitOfItsVoxel)
{
    const std::pair<std::array<std::uint32_t, 3>, Bits> cases[] = {
        {{0, 0, 0}, {{0, 0, 1u}}}, {{3, 3, 7}, {{0, 3, 1u << 31}}}, {{4, 0, 0}, {{1, 0, 1u}}}, {{0, 4, 0}, {{Wx, 0, 1u}}},
        {{0, 0, 8}, {{Wx * Wy, 0, 1u}}}, {{0, 0, 1}, {{0, 0, 1u << 16}}},  // odd z slices: the upper half
        {{1, 2, 2}, {{0, 1, 1u << 9}}}, {{63, 63, 63}, {{Size * Size * Size / 128 - 1, 3, 1u << 31}}}};
    for (const auto& [voxel, bits] : cases) {
        Brick brick;
        Splat<None>(brick, {{voxel[0], voxel[1], voxel[2], {}}});
        EXPECT_EQ(bits, NonZero(brick)) << voxel[0] << " " << voxel[1] << " " << voxel[2];
    }
    EXPECT_TRUE(OccupancyPacking::Shifts[0] == 2 && OccupancyPacking::Shifts[1] == 2 && OccupancyPacking::Shifts[2] == 3);
    EXPECT_TRUE(OccupancyGrid::MipLevelCount(64) == 4 && OccupancyGrid::MipLevelCount(8) == 1 && OccupancyGrid::MipLevelCount(1024) == 8);
    const OccupancyGrid grid(Size);
    for (std::uint32_t z = 0; z < Size; z += 5) {  // every voxel maps to one word and bit and back
        for (std::uint32_t y = 0; y < Size; y += 3) {
            for (std::uint32_t x = 0; x < Size; ++x) {
                std::uint32_t v[3];
                grid.Voxel(grid.WordIndex(x, y, z), OccupancyPacking::BitIndex(x, y, z), v);
                ASSERT_TRUE(v[0] == x && v[1] == y && v[2] == z) << x << " " << y << " " << z;
            }
        }
    }
}

// The rank of a bit among the set ones, at every bit of words of every kind.
TEST(OccupancyWord, RanksOfBitsMatchACountBitByBit)
{
    const OccupancyWord words[] = {{0u, 0u, 0u, 0u}, {~0u, ~0u, ~0u, ~0u}, {1u, 0x80000000u, 1u, 0x80000000u},
                                   {0xDEADBEEFu, 0x01234567u, 0x89ABCDEFu, 0xF00F0FF0u}, {0u, 0u, 0u, 0x80000001u}};
    for (const OccupancyWord& word : words) {
        int below = 0;
        for (std::uint32_t bit = 0; bit < 128; ++bit) {
            ASSERT_EQ(below, OccupancyPacking::CountBitsBelow(word, bit)) << word.x << " " << word.w << " bit " << bit;
            below += OccupancyPacking::TestBit(word, bit);
        }
        EXPECT_EQ(below, OccupancyPacking::CountBits(word));
    }
}

TEST(BrickSplat, LevelsFlagsAndTheBrickLeftEmpty)
{
    Brick plain, values;
    Splat<None>(plain, {});
    Splat<VMag>(values, {});
    ASSERT_TRUE(plain.levels.size() == 1 && plain.levels[0].size() == 2048);
    ASSERT_EQ(4u, values.levels.size());
    EXPECT_TRUE(values.levels[0].size() == 2048 && values.levels[1].size() == 256 && values.levels[2].size() == 32 &&
                values.levels[3].size() == 4);
    for (const auto& level : values.levels) {
        for (const OccupancyWord& word : level) ASSERT_TRUE(OccupancyPacking::IsEmpty(word));
    }
    EXPECT_TRUE(values.attributeValues.empty() && values.attributeOffsets == std::vector<std::uint32_t>(2048, 0) && values.splatted);

    Brick brick;
    brick.postProcessed = true;
    Splat<Color>(brick, {{1, 2, 3, {10, 20, 30, 0}}, {1, 2, 3, {10, 20, 30, 0}}});
    EXPECT_TRUE(brick.particleCount == 0 && !brick.particles && brick.totalParticleCount == 2 && brick.splatted &&
                !brick.postProcessed);
    Splat<Color>(brick, {{2, 2, 3, {0, 0, 250, 0}}});  // a second splat adds bits, values of its own particles
    EXPECT_EQ((Bits {{0, 1, 1u << 25 | 1u << 26}}), NonZero(brick));
    EXPECT_EQ((std::vector<std::uint16_t> {0, 30 << 11}), brick.attributeValues);
}

TEST(BrickSplat, VelocityMagnitudes)
{
    Brick brick;
    Splat<VMag>(brick, {{0, 0, 0, {0.25f}}, {0, 0, 0, {0.5f}}, {0, 0, 0, {0.125f}}, {1, 0, 0, {4.0f}}, {2, 0, 0, {-1.0f}},
                        {3, 0, 0, {NaN}}},
                2.0f);
    EXPECT_EQ((Bits {{0, 0, 0xFu}}), NonZero(brick));
    EXPECT_EQ((std::vector<std::uint16_t> {16383, 65535, 0, 0}), brick.attributeValues) << "the largest, scaled, at most 1";
    Brick negative;
    Splat<VMag>(negative, {{0, 0, 0, {0.5f}}, {1, 0, 0, {0.0f}}}, -3.0f);
    EXPECT_EQ((std::vector<std::uint16_t> {0, 0}), negative.attributeValues) << "a negative maximum makes every ratio 0 or below";

    const float infinity = std::numeric_limits<float>::infinity();
    const std::tuple<float, float, int> cases[] = {
        {0.0f, 0.0f, 0}, {0.5f, 0.0f, 65535}, {0.5f, -3.0f, 0}, {0.0f, -3.0f, 0}, {-0.5f, -3.0f, 10922}, {0.5f, NaN, 65535},
        {infinity, 1.0f, 65535}, {1.0f, std::numeric_limits<float>::denorm_min(), 65535}, {1.0f, infinity, 0},
        {1.0f, 2.0f, 32767}, {NaN, 1.0f, 0}};
    for (const auto& [magnitude, maximum, value] : cases) {
        EXPECT_EQ(value, EncodeVelocityMagnitude(magnitude, maximum)) << magnitude << " / " << maximum;
    }
}

TEST(BrickSplat, ColoursPaddingOffsetsAndRecordsOutside)
{
    Brick brick;
    Splat<Color>(brick, {{0, 0, 0, {255, 255, 255, 0}}, {1, 0, 0, {255, 0, 0, 0}}, {2, 0, 0, {0, 0, 255, 0}},
                         {3, 0, 0, {255, 0, 0, 0}}, {3, 0, 0, {0, 255, 0, 0}}});
    EXPECT_EQ((std::vector<std::uint16_t> {0xFFFF, 31, 31 << 11, 15 | 31 << 5}), brick.attributeValues) << "average 5:6:5";
    Brick bright;
    Splat<Color>(bright, std::vector<Particle<Color>>(1000, Particle<Color> {5, 5, 5, {255, 255, 255, 0}}));
    EXPECT_EQ((std::vector<std::uint16_t> {0xFFFF, 0}), bright.attributeValues) << "sums do not wrap";
    EXPECT_EQ(0, EncodeAverageColor(ColorAccumulator {}));

    qz::test::CoutCapture console;
    Brick padded;
    Splat<VMag>(padded, {{0, 0, 0, {1.0f}}, {1, 0, 0, {1.0f}}, {0, 0, 1, {0.5f}}, {4, 0, 0, {0.0f}}, {0, 0, 8, {1.0f}}});
    EXPECT_EQ((std::vector<std::uint16_t> {65535, 65535, 32767, 0, 65535, 0}), padded.attributeValues) << "in bit order, padded";
    EXPECT_TRUE(padded.attributeOffsets[0] == 0 && padded.attributeOffsets[1] == 3 && padded.attributeOffsets[Wx * Wy] == 4);

    EXPECT_EQ(std::string::npos, console.Text().find("outside")) << "no warning while every record is inside";
    Brick outside;
    Splat<Color>(outside, {{64, 0, 0, {255, 0, 0, 0}}, {0, 1023, 0, {255, 0, 0, 0}}, {2, 2, 2, {0, 0, 255, 0}}});
    EXPECT_EQ(1u, NonZero(outside).size());
    EXPECT_EQ((std::vector<std::uint16_t> {31 << 11, 0}), outside.attributeValues);
    EXPECT_TRUE(outside.splatted);
    EXPECT_NE(std::string::npos, console.Text().find("WARNING: 2 particle records of the brick at level 0 [0, 0, 0] lie outside "
                                                     "its 64 voxels and were not splatted"));
}

TEST(BrickSplat, RejectsBadSizesAndForeignRecords)
{
    qz::test::CoutCapture console;
    Brick brick;
    Fill<None>(brick, {{0, 0, 0, {}}});
    SplatScratch<None> none;
    const std::string invalid = "ParticleSplatter::SplatBrick|src\\BrickSplat|Invalid brick size ";
    for (const std::uint32_t size : {0u, 4u, 48u, 2048u}) {
        EXPECT_EQ(invalid + std::to_string(size) + ": a power of two from 8 to 1024 is needed",
                  qz::test::ReportOf([&] { SplatBrickRecords<None>(none, size, brick, 1.0f); }));
    }
    SplatScratch<VMag> scratch;
    EXPECT_THROW(SplatBrickRecords<VMag>(scratch, Size, brick, 1.0f), qz::core::Exception);
    EXPECT_EQ(1u, brick.particleCount);
    SplatBrickRecords<None>(none, 32, brick, 1.0f);
    Fill<None>(brick, {{40, 0, 0, {}}});
    EXPECT_EQ("ParticleSplatter::SplatBrick|src\\BrickSplat|The brick holds 256 occupancy words; a brick of size 64 has 2048",
              qz::test::ReportOf([&] { SplatBrickRecords<None>(none, Size, brick, 1.0f); }))
        << "levels of another size are not overrun";
    VoxelScratch<float> dirty;
    dirty.Prepare(8)[3] = 5.0f;  // a splat that never finished
    EXPECT_EQ(0.0f, dirty.Prepare(8)[3]);
}

// A plain model of the splat: voxel -> values, then the set voxels in word and bit order.
template <class Attr>
std::vector<std::uint16_t> ReferenceValues(const std::map<std::tuple<std::uint32_t, std::uint32_t, std::uint32_t>, std::vector<Attr>>& voxels,
                                           float velocityMaximum)
{
    std::vector<std::uint16_t> values;
    for (std::uint32_t word = 0; word < Size * Size * Size / 128; ++word) {
        for (std::uint32_t bit = 0; bit < 128; ++bit) {
            const std::uint32_t x = word % Wx * 4 + bit % 4, y = word / Wx % Wy * 4 + bit / 4 % 4, z = word / (Wx * Wy) * 8 + bit / 16;
            const auto found = voxels.find({x, y, z});
            if (found == voxels.end()) continue;
            if constexpr (std::is_same_v<Attr, VMag>) {
                float largest = 0.0f;
                for (const VMag& v : found->second) largest = std::max(largest, v.magnitude);
                values.push_back(EncodeVelocityMagnitude(largest, velocityMaximum));
            } else {
                ColorAccumulator sum;
                for (const Color& c : found->second) sum = {sum.red + c.red, sum.green + c.green, sum.blue + c.blue, sum.count + 1};
                values.push_back(EncodeAverageColor(sum));
            }
        }
    }
    if (values.size() % 2) values.push_back(0);
    return values;
}

template <class Attr, class MakeAttr>
void CompareWithReference(MakeAttr makeAttr)
{
    std::mt19937 random(1234);
    SplatScratch<Attr> scratch;  // shared by every brick, as a worker's is
    for (int round = 0; round < 4; ++round) {
        // Clustered: most particles in a few voxels, the rest spread out.
        std::vector<Particle<Attr>> particles;
        std::map<std::tuple<std::uint32_t, std::uint32_t, std::uint32_t>, std::vector<Attr>> voxels;
        for (int i = 0; i < 200 + round * 4000; ++i) {
            const bool cluster = random() % 4 != 0;
            const std::uint32_t x = cluster ? 30 + random() % 3 : random() % Size, y = cluster ? 10 + random() % 2 : random() % Size,
                                z = cluster ? 50 + random() % 5 : random() % Size;
            particles.push_back({x, y, z, makeAttr(random)});
            voxels[{x, y, z}].push_back(particles.back().attributes);
        }
        Brick brick;
        Fill(brick, particles);
        SplatBrickRecords<Attr>(scratch, Size, brick, 3.0f);
        ASSERT_EQ(ReferenceValues(voxels, 3.0f), brick.attributeValues) << "round " << round;
        std::size_t bits = 0;
        for (const OccupancyWord& word : brick.levels[0]) bits += OccupancyPacking::CountBits(word);
        ASSERT_EQ(voxels.size(), bits);
    }
    // One element per occupied voxel of the largest brick, not one per voxel of a brick.
    EXPECT_LT(scratch.voxels.size(), std::size_t {Size} * Size * Size / 8);
}

TEST(BrickSplat, MatchesAPlainModelWithAReusedScratch)
{
    CompareWithReference<VMag>([](std::mt19937& r) { return VMag {static_cast<float>(r() % 1000) / 200.0f}; });
    CompareWithReference<Color>([](std::mt19937& r) {
        return Color {static_cast<std::uint16_t>(r() % 256), static_cast<std::uint16_t>(r() % 256), static_cast<std::uint16_t>(r() % 256), 0};
    });
}

}  // namespace
