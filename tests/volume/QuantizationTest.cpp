#include "src/BrickParticle.h"
#include "src/VolumeGeometry.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <array>
#include <cmath>
#include <limits>
#include <vector>

namespace {

const float UnitBox[6] = {0, 0, 0, 1, 1, 1};
const float Infinity = std::numeric_limits<float>::infinity();

TEST(VolumeGeometry, SettingsAndTheirLimits)
{
    const VolumeGeometry g = VolumeGeometry::FromSettings(64, 4, 6);
    EXPECT_TRUE(g.innerSize == 56 && g.leafLevel == 5 && g.leavesPerAxis == 32 && g.leafCount == 32768 && g.maxVoxel == 1791);
    EXPECT_EQ(33u, g.LeafIndex(1, 1, 0));
    const VolumeGeometry eleven = VolumeGeometry::FromSettings(64, 4, 11);  // the most leaves numbered in 32 bits
    EXPECT_TRUE(eleven.leavesPerAxis == 1024 && eleven.leafCount == 1u << 30 && eleven.maxVoxel == 56 * 1024 - 1);
    EXPECT_EQ((1u << 30) - 1, eleven.LeafIndex(1023, 1023, 1023));

    const std::string pow2 = ": a power of two from 8 to 1024 is required";
    const struct {
        std::uint32_t brickSize, overlap, levels;
        std::string error;
    } cases[] = {
        {64, 4, 6, ""}, {8, 3, 1, ""}, {1024, 0, 11, ""}, {64, 4, 11, ""},
        {48, 4, 6, "Invalid brick size 48" + pow2}, {4, 1, 6, "Invalid brick size 4" + pow2},
        {2048, 4, 6, "Invalid brick size 2048" + pow2}, {0, 0, 6, "Invalid brick size 0" + pow2},
        {~0u, 4, 6, "Invalid brick size 4294967295" + pow2},
        {64, 32, 6, "Invalid overlap 32: twice the overlap must be below the brick size 64"},
        {8, 4, 6, "Invalid overlap 4: twice the overlap must be below the brick size 8"},
        {64, ~0u, 6, "Invalid overlap 4294967295: twice the overlap must be below the brick size 64"},
        {64, 4, 0, "Invalid level count 0: 1 to 11 levels are supported (the leaf bricks of more cannot be numbered in 32 bits)"},
        {64, 4, 12, "Invalid level count 12: 1 to 11 levels are supported (the leaf bricks of more cannot be numbered in 32 bits)"},
        {64, 4, ~0u, "Invalid level count 4294967295: 1 to 11 levels are supported (the leaf bricks of more cannot be numbered in 32 bits)"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.error, VolumeGeometry::CheckSettings(c.brickSize, c.overlap, c.levels));

    // Insertion divides voxels by the inner size with a multiplication: it agrees with the
    // division for every voxel of the largest grids.
    for (const auto& [brickSize, overlap] : {std::pair {8u, 0u}, {16u, 3u}, {64u, 1u}, {256u, 100u}, {1024u, 0u}, {1024u, 511u}}) {
        const VolumeGeometry large = VolumeGeometry::FromSettings(brickSize, overlap, VolumeGeometry::MaxLevelCount);
        for (std::uint32_t v = 0; v <= large.innerSize * large.leavesPerAxis; ++v) {
            ASSERT_EQ(v / large.innerSize, large.DivideByInnerSize(v)) << v << " / " << large.innerSize;
        }
    }
}

// Row vectors: a point times the matrix.
float Map(const float m[4][4], float x, float y, float z, int axis)
{
    return x * m[0][axis] + y * m[1][axis] + z * m[2][axis] + m[3][axis];
}

TEST(BoxMapping, CubesCentredInXZOnTheLowestYAndBoxesWithoutExtent)
{
    const struct {
        std::array<float, 6> box;
        float extent, origin[3];
    } cases[] = {
        {{0, 0, 0, 2, 1, 1}, 2, {0, 0, -0.5f}}, {{-1, 2, 0, 1, 6, 2}, 4, {-2, 2, -1}}, {{-3, 1, 5, 1, 5, 9}, 4, {-3, 1, 5}},
        // All particles at one point, or none: everything onto the first voxel.
        {{2.5f, -1, 3, 2.5f, -1, 3}, 0, {2.5f, -1, 3}}, {{0, 0, 0, 0, 0, 0}, 0, {0, 0, 0}}, {{0, 0, 0, 1e-45f, 0, 0}, 0, {0, 0, 0}},
        {{FLT_MAX, FLT_MAX, FLT_MAX, -FLT_MAX, -FLT_MAX, -FLT_MAX}, 0, {FLT_MAX, FLT_MAX, FLT_MAX}}};
    for (const auto& c : cases) {
        ASSERT_EQ("", BoxMapping::CheckBox(c.box.data()));
        const BoxMapping m = BoxMapping::FromBox(c.box.data());
        EXPECT_TRUE(m.extent == c.extent && m.scale == (c.extent > 0 ? 1 / c.extent : 0)) << c.box[3];
        EXPECT_TRUE(m.origin[0] == c.origin[0] && m.origin[1] == c.origin[1] && m.origin[2] == c.origin[2]) << c.box[3];
        EXPECT_EQ(c.extent > 0, BoxMapping::HasExtent(c.box.data())) << c.box[3];
        float w[4][4];
        m.WorldToVolume(w);
        for (int a = 0; a < 3; ++a) EXPECT_FLOAT_EQ(c.extent > 0 ? -1 + 2 * (c.box[a] - c.origin[a]) / c.extent : -1, Map(w, c.box[0], c.box[1], c.box[2], a));
        EXPECT_TRUE(w[0][1] == 0 && w[0][3] == 0 && w[3][3] == 1);
    }
    float w[4][4];
    BoxMapping::FromBox(std::array<float, 6> {0, 0, 0, 2, 1, 1}.data()).WorldToVolume(w);
    EXPECT_TRUE(Map(w, 2, 1, 1, 0) == 1 && Map(w, 2, 1, 1, 1) == 0 && Map(w, 2, 1, 1, 2) == 0.5f);

    for (const std::array<float, 6> box : {std::array<float, 6> {0, 0, 1, 1, 1, 0}, {0, NAN, 0, 1, 1, 1}, {0, 0, 0, Infinity, 1, 1},
                                          {-FLT_MAX, 0, 0, FLT_MAX, 1, 1}, {FLT_MAX, FLT_MAX, 0, -FLT_MAX, -FLT_MAX, 0}}) {
        EXPECT_NE("", BoxMapping::CheckBox(box.data())) << box[0] << " " << box[3];
        EXPECT_FALSE(BoxMapping::HasExtent(box.data()));
    }
}

TEST(Quantization, VoxelsBricksAndClamps)
{
    const VolumeGeometry g = VolumeGeometry::FromSettings(64, 4, 6);
    const BoxMapping unit = BoxMapping::FromBox(UnitBox);
    const float x56 = 56.0f / 1791.0f, inner = 30.0f / 1791.0f;
    const struct {
        float x, y, z;
        bool swap;
        std::array<std::uint32_t, 6> brickAndLocal;
    } cases[] = {
        {0, 0, 0, false, {0, 0, 0, 4, 4, 4}}, {1, 1, 1, false, {31, 31, 31, 59, 59, 59}}, {x56, inner, inner, false, {1, 0, 0, 4, 34, 34}},
        {0, 1, 0, false, {0, 31, 0, 4, 59, 4}}, {0, 1, 0, true, {0, 0, 31, 4, 4, 59}},  // swap exchanges the voxel axes
        // Outside the box, infinities and NaN: converted without overflow (the sanitizer
        // build traps on float-cast-overflow), one voxel beyond the edge brick at most.
        {-0.1f, -1e30f, -Infinity, false, {0, 0, 0, 4, 4, 4}}, {NAN, 0.5f, 0.5f, false, {0, 16, 16, 4, 4, 4}},
        {1.0003f, 1e30f, Infinity, false, {31, 31, 31, 60, 60, 60}}, {FLT_MAX, 0.5f, 0.5f, false, {31, 16, 16, 60, 4, 4}}};
    for (const auto& c : cases) {
        const QuantizedPosition q = QuantizePosition(g, unit, c.swap, c.x, c.y, c.z);
        const std::array<std::uint32_t, 6> got = {q.brick[0], q.brick[1], q.brick[2], q.local[0], q.local[1], q.local[2]};
        EXPECT_EQ(c.brickAndLocal, got) << c.x << " " << c.y << " " << c.z;
    }
    EXPECT_EQ(32767u, g.LeafIndex(31, 31, 31));
    EXPECT_EQ(4u | 4u << 10 | 4u << 20, PackBrickPosition(4, 4, 4));
    // A box without extent sends every particle, wherever it is, to brick 0's first voxel.
    const float point[6] = {2, 2, 2, 2, 2, 2};
    for (const float x : {2.0f, -5.0f, 1e30f, Infinity}) {
        const QuantizedPosition q = QuantizePosition(g, BoxMapping::FromBox(point), false, x, 2, x);
        EXPECT_TRUE(q.brick[0] == 0 && q.brick[2] == 0 && q.local[0] == 4 && q.local[1] == 4 && q.local[2] == 4) << x;
    }
    const QuantizedPosition noOverlap = QuantizePosition(VolumeGeometry::FromSettings(8, 0, 2), unit, false, 2, 1, 0);
    EXPECT_TRUE(noOverlap.brick[0] == 1 && noOverlap.local[0] == 7 && noOverlap.brick[1] == 1 && noOverlap.local[1] == 7)
        << "without overlap the local voxel stays inside the brick";
}

}  // namespace
