#pragma once
// The packed particle record of a leaf brick and the overlap copies of a particle.

#include "src/VolumeGeometry.h"

#include <cstdint>

constexpr std::uint32_t PackBrickPosition(std::uint32_t x, std::uint32_t y, std::uint32_t z)
{
    return x | y << 10 | z << 20;
}

// Voxel inside the brick (overlap border included) in 10 bits per axis, the particle's
// attribute value, and the leaf brick index bx + by D + bz D^2.
template <class Attr>
struct BrickParticle {
    std::uint32_t position;
    [[no_unique_address]] Attr attributes;
    std::uint32_t brickIndex;

    std::uint32_t X() const { return position & 0x3FFu; }
    std::uint32_t Y() const { return position >> 10 & 0x3FFu; }
    std::uint32_t Z() const { return position >> 20 & 0x3FFu; }
};

// What an overlap copy changes, per set of axes (bit a = axis a): the packed position
// moves by E on each of those axes, the brick index by 1, D and D^2.
struct OverlapCopySteps {
    std::uint32_t packed[8];
    std::uint32_t index[8];

    explicit OverlapCopySteps(const VolumeGeometry& g)
    {
        const std::uint32_t e = g.innerSize;
        const std::uint32_t d = g.leavesPerAxis;
        for (unsigned axes = 0; axes < 8; ++axes) {
            packed[axes] = PackBrickPosition(axes & 1 ? e : 0, axes & 2 ? e : 0, axes & 4 ? e : 0);
            index[axes] = (axes & 1 ? 1 : 0) + (axes & 2 ? d : 0) + (axes & 4 ? d * d : 0);
        }
    }
};

// Calls copy(packedPosition, brickIndex) for every neighbour whose overlap border holds
// the particle: the 7 neighbours on the low side (x-, y-, z-, x-y-, x-z-, y-z-, x-y-z-),
// then the 7 on the high side in the same order. Neighbours low on one axis and high on
// another get no copy. Returns the number of copies. The moved coordinates stay within
// 0 ... brickSize - 1, so the packed fields never carry into each other.
template <class CopyFunction>
inline unsigned ForEachOverlapCopy(const VolumeGeometry& g, const OverlapCopySteps& steps,
                                   const QuantizedPosition& q, std::uint32_t brickIndex, CopyFunction&& copy)
{
    const std::uint32_t n = g.overlap;
    const std::uint32_t e = g.innerSize;
    const std::uint32_t d = g.leavesPerAxis;
    unsigned low = 0, high = 0;
    for (int a = 0; a < 3; ++a) {
        low |= static_cast<unsigned>(q.brick[a] >= 1 && q.local[a] < 2 * n) << a;
        high |= static_cast<unsigned>(q.brick[a] + 1 < d && q.local[a] >= e) << a;
    }
    if ((low | high) == 0) return 0;

    static constexpr unsigned Order[7] = {1, 2, 4, 3, 5, 6, 7};
    const std::uint32_t packed = PackBrickPosition(q.local[0], q.local[1], q.local[2]);
    unsigned copies = 0;
    for (unsigned axes : Order) {
        if ((low & axes) != axes) continue;
        copy(packed + steps.packed[axes], brickIndex - steps.index[axes]);
        ++copies;
    }
    for (unsigned axes : Order) {
        if ((high & axes) != axes) continue;
        copy(packed - steps.packed[axes], brickIndex + steps.index[axes]);
        ++copies;
    }
    return copies;
}

template <class CopyFunction>
inline unsigned ForEachOverlapCopy(const VolumeGeometry& g, const QuantizedPosition& q,
                                   std::uint32_t brickIndex, CopyFunction&& copy)
{
    return ForEachOverlapCopy(g, OverlapCopySteps(g), q, brickIndex, copy);
}
