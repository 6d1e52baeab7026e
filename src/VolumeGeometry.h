#pragma once
// The leaf grid of a particle volume and the mapping of world positions onto it.
//
// A leaf brick of edge S voxels shares `overlap` voxels with each neighbour, so its own
// region is E = S - 2 * overlap voxels wide. The leaves form a D x D x D grid (D = 2^L,
// L = levels - 1) and the finest voxel grid spans 0 ... M = E * D - 1 on every axis.

#include <algorithm>
#include <bit>
#include <cstdint>
#include <string>
#include <utility>

struct VolumeGeometry {
    // The brick sizes of volumes, their files and the splat: powers of two that fill whole
    // occupancy words (8 voxels in z) and whose voxels fit the 10 bits per axis of a
    // packed particle position.
    static constexpr std::uint32_t MinBrickSize = 8;
    static constexpr std::uint32_t MaxBrickSize = 1024;
    static constexpr bool IsValidBrickSize(std::uint32_t size)
    {
        return size >= MinBrickSize && size <= MaxBrickSize && std::has_single_bit(size);
    }
    // Leaf bricks are numbered in 32 bits: 11 levels have 2^30 leaves, 12 would have 2^33.
    static constexpr std::uint32_t MaxLevelCount = 11;

    std::uint32_t brickSize = 0;
    std::uint32_t overlap = 0;
    std::uint32_t levelCount = 0;
    std::uint32_t innerSize = 0;      // E
    std::uint32_t leafLevel = 0;      // L
    std::uint32_t leavesPerAxis = 0;  // D
    std::uint32_t leafCount = 0;      // D^3
    std::uint32_t maxVoxel = 0;       // M
    // ceil(2^40 / E): voxel / E as a multiplication (a division is the slowest step of
    // insertion). Exact for every voxel below 2^20; voxels stay below E * D <= 2^19.
    std::uint64_t innerSizeReciprocal = 0;

    // Why the settings cannot make a volume, or empty when they can.
    static std::string CheckSettings(std::uint32_t brickSize, std::uint32_t overlap,
                                     std::uint32_t levelCount);
    // Settings that passed CheckSettings.
    static VolumeGeometry FromSettings(std::uint32_t brickSize, std::uint32_t overlap,
                                       std::uint32_t levelCount);

    std::uint32_t DivideByInnerSize(std::uint32_t voxel) const
    {
        return static_cast<std::uint32_t>(voxel * innerSizeReciprocal >> 40);
    }

    std::uint32_t LeafIndex(std::uint32_t bx, std::uint32_t by, std::uint32_t bz) const
    {
        return bx + by * leavesPerAxis + bz * leavesPerAxis * leavesPerAxis;
    }
};

// How a world-space bounding box (minimum x, y, z, maximum x, y, z) is placed in the
// volume cube: a cube of edge `extent` (the largest box extent), centred on the box in x
// and z and standing on its lowest y.
//
// A box without extent (all particles at one point) or the empty box (FLT_MAX minimum,
// -FLT_MAX maximum: no particle) maps everything onto the volume's first voxel, where
// the reciprocal of a zero extent would send every particle as well; its scale is 0.
struct BoxMapping {
    float origin[3] {};
    float extent = 0.0f;
    float scale = 0.0f;  // 1 / extent, or 0

    // Why the box cannot be mapped (not finite, minimum above maximum unless it is the
    // empty box), or empty when it can.
    static std::string CheckBox(const float box[6]);
    // A box that places data: finite with a positive largest extent.
    static bool HasExtent(const float box[6]);
    // A box that passed CheckBox.
    static BoxMapping FromBox(const float box[6]);
    // Row-vector matrix that maps a world point p to 2 (p - origin) / extent - 1.
    void WorldToVolume(float matrix[4][4]) const;
};

// A particle's leaf brick and its voxel inside that brick, overlap border included.
struct QuantizedPosition {
    std::uint32_t brick[3];
    std::uint32_t local[3];
};

// Evaluated left to right in single precision (the file is built without contraction),
// so every machine gives the same voxels. Positions outside the box, infinities and NaN
// are clamped in floating point before the conversion: they land in the edge bricks.
inline QuantizedPosition QuantizePosition(const VolumeGeometry& g, const BoxMapping& m,
                                          bool swapYZ, float x, float y, float z)
{
    const float maxVoxel = static_cast<float>(g.maxVoxel);
    // One voxel beyond the grid still lands one voxel beyond the edge brick's own region;
    // every value further out gives the same brick and voxel, so the clamp changes no
    // result and keeps the conversion defined.
    const float limit = static_cast<float>(g.innerSize * g.leavesPerAxis);
    const float position[3] = {x, y, z};
    std::uint32_t voxel[3];
    for (int a = 0; a < 3; ++a) {
        float v = (position[a] - m.origin[a]) * m.scale * maxVoxel + 0.5f;
        if (!(v >= 0.0f)) v = 0.0f;  // also NaN
        if (v > limit) v = limit;
        voxel[a] = static_cast<std::uint32_t>(v);
    }
    if (swapYZ) std::swap(voxel[1], voxel[2]);

    QuantizedPosition q;
    const std::uint32_t localLimit = std::min(g.overlap + g.innerSize, g.brickSize - 1);
    for (int a = 0; a < 3; ++a) {
        q.brick[a] = std::min(g.DivideByInnerSize(voxel[a]), g.leavesPerAxis - 1);
        q.local[a] = std::min(voxel[a] - q.brick[a] * g.innerSize + g.overlap, localLimit);
    }
    return q;
}
