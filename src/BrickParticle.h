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

// Calls copy(packedPosition, brickIndex) for every neighbour whose overlap border holds
// the particle: the 7 neighbours on the low side (x-, y-, z-, x-y-, x-z-, y-z-, x-y-z-),
// then the 7 on the high side in the same order. Neighbours low on one axis and high on
// another get no copy. Returns the number of copies.
template <class CopyFunction>
inline unsigned ForEachOverlapCopy(const VolumeGeometry& g, const QuantizedPosition& q,
                                   std::uint32_t brickIndex, CopyFunction&& copy)
{
    const std::uint32_t n = g.overlap;
    const std::uint32_t e = g.innerSize;
    const std::uint32_t d = g.leavesPerAxis;
    const std::uint32_t step[3] = {1, d, d * d};
    unsigned low = 0, high = 0;
    for (int a = 0; a < 3; ++a) {
        if (q.brick[a] >= 1 && q.local[a] < 2 * n) low |= 1u << a;
        if (q.brick[a] + 1 < d && q.local[a] >= e) high |= 1u << a;
    }
    if ((low | high) == 0) return 0;

    static constexpr unsigned Order[7] = {1, 2, 4, 3, 5, 6, 7};
    unsigned copies = 0;
    for (unsigned side = 0; side < 2; ++side) {
        const unsigned flags = side == 0 ? low : high;
        for (unsigned axes : Order) {
            if ((flags & axes) != axes) continue;
            std::uint32_t local[3] = {q.local[0], q.local[1], q.local[2]};
            std::uint32_t index = brickIndex;
            for (int a = 0; a < 3; ++a) {
                if (!(axes & 1u << a)) continue;
                if (side == 0) {
                    local[a] += e;
                    index -= step[a];
                } else {
                    local[a] -= e;
                    index += step[a];
                }
            }
            copy(PackBrickPosition(local[0], local[1], local[2]), index);
            ++copies;
        }
    }
    return copies;
}
