#pragma once
// The packed particle record of a leaf brick and the overlap copies of a particle.

#include "src/VolumeGeometry.h"

#include <bit>
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

// The overlap copies a particle can get, in the order in which they are made: the 7
// neighbours on the low side (x-, y-, z-, x-y-, x-z-, y-z-, x-y-z-), then the 7 on the high
// side in the same order. Copy j adds packed[j] to the packed position and index[j] to
// the brick index (modulo 2^32): E on each of its axes and 1, D and D^2.
struct OverlapCopySteps {
    static constexpr unsigned CopyCount = 14;
    // The axes (bit a = axis a) of each copy of one side.
    static constexpr unsigned Axes[7] = {1, 2, 4, 3, 5, 6, 7};

    std::uint32_t packed[CopyCount];
    std::uint32_t index[CopyCount];

    explicit OverlapCopySteps(const VolumeGeometry& g)
    {
        const std::uint32_t e = g.innerSize;
        const std::uint32_t d = g.leavesPerAxis;
        for (unsigned j = 0; j < 7; ++j) {
            const unsigned axes = Axes[j];
            const std::uint32_t p = PackBrickPosition(axes & 1 ? e : 0, axes & 2 ? e : 0, axes & 4 ? e : 0);
            const std::uint32_t i = (axes & 1 ? 1 : 0) + (axes & 2 ? d : 0) + (axes & 4 ? d * d : 0);
            packed[j] = p;
            index[j] = 0u - i;
            packed[j + 7] = 0u - p;
            index[j + 7] = i;
        }
    }

    // The copies of one side (bit j = copy j) of a particle near that side on `near` axes:
    // those whose axes are all among them.
    static constexpr unsigned SideCopies(unsigned near)
    {
        unsigned copies = 0;
        for (unsigned j = 0; j < 7; ++j) copies |= static_cast<unsigned>((near & Axes[j]) == Axes[j]) << j;
        return copies;
    }
};

// Calls copy(packedPosition, brickIndex) for every neighbour whose overlap border holds
// the particle, in the order of OverlapCopySteps. Neighbours low on one axis and high on
// another get no copy. Returns the number of copies. The moved coordinates stay within
// 0 ... brickSize - 1, so the packed fields never carry into each other.
//
// Which copies a particle gets depends on its data, so the tests are made without
// branches, and only the copies that are made are visited.
template <class CopyFunction>
inline unsigned ForEachOverlapCopy(const VolumeGeometry& g, const OverlapCopySteps& steps,
                                   const QuantizedPosition& q, std::uint32_t brickIndex, CopyFunction&& copy)
{
    static constexpr unsigned char Side[8] = {
        OverlapCopySteps::SideCopies(0), OverlapCopySteps::SideCopies(1), OverlapCopySteps::SideCopies(2),
        OverlapCopySteps::SideCopies(3), OverlapCopySteps::SideCopies(4), OverlapCopySteps::SideCopies(5),
        OverlapCopySteps::SideCopies(6), OverlapCopySteps::SideCopies(7)};
    const std::uint32_t n = g.overlap;
    const std::uint32_t e = g.innerSize;
    const std::uint32_t d = g.leavesPerAxis;
    unsigned low = 0, high = 0;
    for (int a = 0; a < 3; ++a) {
        low |= static_cast<unsigned>((q.brick[a] >= 1) & (q.local[a] < 2 * n)) << a;
        high |= static_cast<unsigned>((q.brick[a] + 1 < d) & (q.local[a] >= e)) << a;
    }
    unsigned copies = Side[low] | static_cast<unsigned>(Side[high]) << 7;
    if (copies == 0) return 0;

    const std::uint32_t packed = PackBrickPosition(q.local[0], q.local[1], q.local[2]);
    unsigned made = 0;
    for (; copies != 0; copies &= copies - 1) {
        const int j = std::countr_zero(copies);
        copy(packed + steps.packed[j], brickIndex + steps.index[j]);
        ++made;
    }
    return made;
}

template <class CopyFunction>
inline unsigned ForEachOverlapCopy(const VolumeGeometry& g, const QuantizedPosition& q,
                                   std::uint32_t brickIndex, CopyFunction&& copy)
{
    return ForEachOverlapCopy(g, OverlapCopySteps(g), q, brickIndex, copy);
}
