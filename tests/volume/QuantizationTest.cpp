#include "src/BrickParticle.h"
#include "src/VolumeGeometry.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>
#include <vector>

namespace {

const float UnitBox[6] = {0, 0, 0, 1, 1, 1};

VolumeGeometry DefaultGeometry()
{
    return VolumeGeometry::FromSettings(64, 4, 6);
}

struct Copy {
    std::uint32_t packed;
    std::uint32_t brick;
};

std::vector<Copy> CopiesOf(const VolumeGeometry& g, const QuantizedPosition& q)
{
    std::vector<Copy> copies;
    const std::uint32_t k = g.LeafIndex(q.brick[0], q.brick[1], q.brick[2]);
    const unsigned n = ForEachOverlapCopy(g, q, k, [&](std::uint32_t packed, std::uint32_t brick) {
        copies.push_back({packed, brick});
    });
    EXPECT_EQ(n, copies.size());
    return copies;
}

TEST(VolumeGeometry, DefaultSettings)
{
    const VolumeGeometry g = DefaultGeometry();
    EXPECT_EQ(56u, g.innerSize);
    EXPECT_EQ(5u, g.leafLevel);
    EXPECT_EQ(32u, g.leavesPerAxis);
    EXPECT_EQ(32768u, g.leafCount);
    EXPECT_EQ(1791u, g.maxVoxel);
    EXPECT_EQ(33u, g.LeafIndex(1, 1, 0));
}

TEST(VolumeGeometry, SettingsAreChecked)
{
    EXPECT_EQ("", VolumeGeometry::CheckSettings(64, 4, 6));
    EXPECT_EQ("", VolumeGeometry::CheckSettings(8, 3, 1));
    EXPECT_EQ("", VolumeGeometry::CheckSettings(1024, 0, VolumeGeometry::MaxLevelCount));
    // Not a power of two, too small, too large for 10 bits.
    EXPECT_NE("", VolumeGeometry::CheckSettings(48, 4, 6));
    EXPECT_NE("", VolumeGeometry::CheckSettings(4, 1, 6));
    EXPECT_NE("", VolumeGeometry::CheckSettings(2048, 4, 6));
    EXPECT_NE("", VolumeGeometry::CheckSettings(0, 0, 6));
    EXPECT_NE("", VolumeGeometry::CheckSettings(~0u, 4, 6));
    // No own region left.
    EXPECT_NE("", VolumeGeometry::CheckSettings(64, 32, 6));
    EXPECT_NE("", VolumeGeometry::CheckSettings(8, 4, 6));
    EXPECT_NE("", VolumeGeometry::CheckSettings(64, ~0u, 6));
    // Levels.
    EXPECT_NE("", VolumeGeometry::CheckSettings(64, 4, 0));
    EXPECT_NE("", VolumeGeometry::CheckSettings(64, 4, VolumeGeometry::MaxLevelCount + 1));
    EXPECT_NE("", VolumeGeometry::CheckSettings(64, 4, 12));
    EXPECT_NE("", VolumeGeometry::CheckSettings(64, 4, ~0u));
    EXPECT_NE(std::string::npos, VolumeGeometry::CheckSettings(48, 4, 6).find("48"));
}

TEST(BoxMapping, UnequalExtentsCentreInXZAndStandOnY)
{
    const float box[6] = {0, 0, 0, 2, 1, 1};
    ASSERT_EQ("", BoxMapping::CheckBox(box));
    const BoxMapping m = BoxMapping::FromBox(box);
    EXPECT_EQ(2.0f, m.extent);
    EXPECT_EQ(0.0f, m.origin[0]);
    EXPECT_EQ(0.0f, m.origin[1]);
    EXPECT_EQ(-0.5f, m.origin[2]);

    const float tall[6] = {-1, 2, 0, 1, 6, 2};
    const BoxMapping t = BoxMapping::FromBox(tall);
    EXPECT_EQ(4.0f, t.extent);
    EXPECT_EQ(-2.0f, t.origin[0]);
    EXPECT_EQ(2.0f, t.origin[1]);
    EXPECT_EQ(-1.0f, t.origin[2]);
}

TEST(BoxMapping, WorldToVolumeMapsTheCubeOntoMinusOneToOne)
{
    const float box[6] = {0, 0, 0, 2, 1, 1};
    float m[4][4];
    BoxMapping::FromBox(box).WorldToVolume(m);
    auto map = [&](float x, float y, float z, int axis) {
        const float p[4] = {x, y, z, 1};
        float r = 0;
        for (int i = 0; i < 4; ++i) r += p[i] * m[i][axis];
        return r;
    };
    EXPECT_FLOAT_EQ(-1.0f, map(0, 0, 0, 0));
    EXPECT_FLOAT_EQ(-1.0f, map(0, 0, 0, 1));
    EXPECT_FLOAT_EQ(-0.5f, map(0, 0, 0, 2));
    EXPECT_FLOAT_EQ(1.0f, map(2, 1, 1, 0));
    EXPECT_FLOAT_EQ(0.0f, map(2, 1, 1, 1));
    EXPECT_FLOAT_EQ(0.5f, map(2, 1, 1, 2));
    EXPECT_EQ(0.0f, m[0][1]);
    EXPECT_EQ(0.0f, m[0][3]);
    EXPECT_EQ(1.0f, m[3][3]);

    const float cube[6] = {-3, 1, 5, 1, 5, 9};
    BoxMapping::FromBox(cube).WorldToVolume(m);
    for (int a = 0; a < 3; ++a) EXPECT_FLOAT_EQ(-1.0f, map(-3, 1, 5, a));
}

TEST(BoxMapping, RejectsBoxesThatCannotBeMapped)
{
    const float empty[6] = {FLT_MAX, FLT_MAX, FLT_MAX, -FLT_MAX, -FLT_MAX, -FLT_MAX};
    const float zero[6] = {0, 0, 0, 0, 0, 0};
    const float point[6] = {1, 2, 3, 1, 2, 3};
    const float inverted[6] = {0, 0, 1, 1, 1, 0};
    const float nan[6] = {0, std::nanf(""), 0, 1, 1, 1};
    const float infinite[6] = {0, 0, 0, std::numeric_limits<float>::infinity(), 1, 1};
    const float huge[6] = {-FLT_MAX, 0, 0, FLT_MAX, 1, 1};
    const float tiny[6] = {0, 0, 0, 1e-45f, 0, 0};
    for (const float* box : {empty, zero, point, inverted, nan, infinite, huge, tiny}) {
        EXPECT_NE("", BoxMapping::CheckBox(box));
    }
    // Flat data keeps the other axes.
    const float flat[6] = {0, 0, 5, 1, 1, 5};
    EXPECT_EQ("", BoxMapping::CheckBox(flat));
}

TEST(Quantization, OriginCornerIsVoxelZeroOfBrickZero)
{
    const VolumeGeometry g = DefaultGeometry();
    const QuantizedPosition q = QuantizePosition(g, BoxMapping::FromBox(UnitBox), false, 0, 0, 0);
    for (int a = 0; a < 3; ++a) {
        EXPECT_EQ(0u, q.brick[a]);
        EXPECT_EQ(4u, q.local[a]);
    }
    EXPECT_EQ(4u | 4u << 10 | 4u << 20, PackBrickPosition(q.local[0], q.local[1], q.local[2]));
    EXPECT_TRUE(CopiesOf(g, q).empty());
}

TEST(Quantization, FarCornerIsTheLastVoxelOfTheLastBrick)
{
    const VolumeGeometry g = DefaultGeometry();
    const QuantizedPosition q = QuantizePosition(g, BoxMapping::FromBox(UnitBox), false, 1, 1, 1);
    for (int a = 0; a < 3; ++a) {
        EXPECT_EQ(31u, q.brick[a]);
        EXPECT_EQ(59u, q.local[a]);
    }
    EXPECT_EQ(32767u, g.LeafIndex(q.brick[0], q.brick[1], q.brick[2]));
    // At the high edge of the grid: no neighbours there.
    EXPECT_TRUE(CopiesOf(g, q).empty());
}

TEST(Quantization, BorderParticleIsCopiedIntoTheLowNeighbour)
{
    const VolumeGeometry g = DefaultGeometry();
    // v.x = trunc(x * 1791 + 0.5) = 56 for x = 56 / 1791.
    const float x = 56.0f / 1791.0f;
    const float inner = 30.0f / 1791.0f;
    const QuantizedPosition q = QuantizePosition(g, BoxMapping::FromBox(UnitBox), false, x, inner, inner);
    EXPECT_EQ(1u, q.brick[0]);
    EXPECT_EQ(4u, q.local[0]);
    const std::uint32_t k = g.LeafIndex(q.brick[0], q.brick[1], q.brick[2]);
    const std::vector<Copy> copies = CopiesOf(g, q);
    ASSERT_EQ(1u, copies.size());
    EXPECT_EQ(k - 1, copies[0].brick);
    EXPECT_EQ(PackBrickPosition(60, q.local[1], q.local[2]), copies[0].packed);
}

TEST(Quantization, CopiesComeInTheirOrderAndNeverMixSides)
{
    const VolumeGeometry g = DefaultGeometry();
    const std::uint32_t d = g.leavesPerAxis;
    // Low border in x, y and z of brick (5, 5, 5): 7 copies to the low side.
    QuantizedPosition low {{5, 5, 5}, {4, 7, 5}};
    const std::uint32_t k = g.LeafIndex(5, 5, 5);
    std::vector<Copy> copies = CopiesOf(g, low);
    ASSERT_EQ(7u, copies.size());
    const std::uint32_t expectedLow[7] = {k - 1, k - d, k - d * d, k - 1 - d, k - 1 - d * d,
                                          k - d - d * d, k - 1 - d - d * d};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(expectedLow[i], copies[i].brick);
    EXPECT_EQ(PackBrickPosition(60, 63, 61), copies[6].packed);

    // High border in x, y and z: 7 copies to the high side, positions moved down by E.
    QuantizedPosition high {{5, 5, 5}, {56, 59, 57}};
    copies = CopiesOf(g, high);
    ASSERT_EQ(7u, copies.size());
    const std::uint32_t expectedHigh[7] = {k + 1, k + d, k + d * d, k + 1 + d, k + 1 + d * d,
                                           k + d + d * d, k + 1 + d + d * d};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(expectedHigh[i], copies[i].brick);
    EXPECT_EQ(PackBrickPosition(0, 3, 1), copies[6].packed);

    // Low in x and high in y: one copy each way, none diagonal.
    QuantizedPosition mixed {{5, 5, 5}, {4, 59, 30}};
    copies = CopiesOf(g, mixed);
    ASSERT_EQ(2u, copies.size());
    EXPECT_EQ(k - 1, copies[0].brick);
    EXPECT_EQ(k + d, copies[1].brick);

    // Inside the own region, away from the borders: none.
    QuantizedPosition inner {{5, 5, 5}, {8, 55, 30}};
    EXPECT_TRUE(CopiesOf(g, inner).empty());
}

TEST(Quantization, SwapYZExchangesTheVoxelAxes)
{
    const VolumeGeometry g = DefaultGeometry();
    const BoxMapping m = BoxMapping::FromBox(UnitBox);
    const QuantizedPosition plain = QuantizePosition(g, m, false, 0, 1, 0);
    EXPECT_EQ(31u, plain.brick[1]);
    EXPECT_EQ(0u, plain.brick[2]);
    const QuantizedPosition swapped = QuantizePosition(g, m, true, 0, 1, 0);
    EXPECT_EQ(0u, swapped.brick[0]);
    EXPECT_EQ(0u, swapped.brick[1]);
    EXPECT_EQ(31u, swapped.brick[2]);
    EXPECT_EQ(4u, swapped.local[1]);
    EXPECT_EQ(59u, swapped.local[2]);
}

TEST(Quantization, OutsideParticlesGoToTheEdgeBricks)
{
    const VolumeGeometry g = DefaultGeometry();
    const BoxMapping m = BoxMapping::FromBox(UnitBox);
    const float inf = std::numeric_limits<float>::infinity();
    // Far below, far above, infinities and NaN: all converted without overflow
    // (the sanitizer build traps on float-cast-overflow).
    struct Case {
        float value;
        std::uint32_t brick;
        std::uint32_t local;
    };
    const Case cases[] = {{-0.1f, 0, 4}, {-1e30f, 0, 4}, {-inf, 0, 4}, {std::nanf(""), 0, 4},
                          {1.0003f, 31, 60}, {1e30f, 31, 60}, {inf, 31, 60}, {FLT_MAX, 31, 60}};
    for (const Case& c : cases) {
        const QuantizedPosition q = QuantizePosition(g, m, false, c.value, 0.5f, 0.5f);
        EXPECT_EQ(c.brick, q.brick[0]) << c.value;
        EXPECT_EQ(c.local, q.local[0]) << c.value;
    }
}

TEST(Quantization, NoOverlapKeepsLocalVoxelsInsideTheBrick)
{
    const VolumeGeometry g = VolumeGeometry::FromSettings(8, 0, 2);
    const QuantizedPosition q =
        QuantizePosition(g, BoxMapping::FromBox(UnitBox), false, 2.0f, 1.0f, 0.0f);
    EXPECT_EQ(1u, q.brick[0]);
    EXPECT_EQ(7u, q.local[0]);
    EXPECT_EQ(1u, q.brick[1]);
    EXPECT_EQ(7u, q.local[1]);
    EXPECT_TRUE(CopiesOf(g, q).empty());
}

}  // namespace

namespace {

// Insertion divides voxels by the inner size with a multiplication; it must agree with
// the division for every voxel of the largest grids.
TEST(Quantization, DivisionByTheInnerSizeIsExact)
{
    const struct {
        std::uint32_t brickSize, overlap;
    } settings[] = {{8, 0}, {16, 3}, {64, 4}, {64, 1}, {256, 100}, {1024, 0}, {1024, 511}};
    for (const auto& s : settings) {
        const VolumeGeometry g = VolumeGeometry::FromSettings(s.brickSize, s.overlap, VolumeGeometry::MaxLevelCount);
        const std::uint32_t limit = g.innerSize * g.leavesPerAxis;
        for (std::uint32_t v = 0; v <= limit; ++v) {
            ASSERT_EQ(v / g.innerSize, g.DivideByInnerSize(v)) << v << " / " << g.innerSize;
        }
    }
}

}  // namespace
