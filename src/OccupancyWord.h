#pragma once
// The binary occupancy volume of a brick: one bit per voxel, blocks of 4 x 4 x 8 voxels
// packed into one 128-bit word (four 32-bit components, component 0 first).
//
// Inside a block the voxel (x, y, z) has bit b = x + 4 y + 16 z, stored in component
// b / 32 at bit b % 32. A brick of edge S voxels is a grid of (S/4) x (S/4) x (S/8)
// words, x fastest, then y, then z; mip level k has the grid of S >> k voxels.

#include "tarnwick/core/SimpleVec4.h"

#include <bit>
#include <cstddef>
#include <cstdint>

using OccupancyWord = qz::core::SimpleVec4<unsigned int>;

namespace OccupancyPacking {

// Voxels of one word along x, y and z.
inline constexpr std::uint32_t Dimensions[3] = {4, 4, 8};
inline constexpr std::uint32_t Shifts[3] = {
    static_cast<std::uint32_t>(std::countr_zero(Dimensions[0])),
    static_cast<std::uint32_t>(std::countr_zero(Dimensions[1])),
    static_cast<std::uint32_t>(std::countr_zero(Dimensions[2])),
};
static_assert(Dimensions[0] * Dimensions[1] * Dimensions[2] == 128);
static_assert(std::has_single_bit(Dimensions[0]) && std::has_single_bit(Dimensions[1]) &&
              std::has_single_bit(Dimensions[2]));

// The bit of a voxel inside its word, from the voxel's brick coordinates.
constexpr std::uint32_t BitIndex(std::uint32_t x, std::uint32_t y, std::uint32_t z)
{
    return (x & (Dimensions[0] - 1)) | (y & (Dimensions[1] - 1)) << Shifts[0] |
           (z & (Dimensions[2] - 1)) << (Shifts[0] + Shifts[1]);
}

inline void SetBit(OccupancyWord& word, std::uint32_t bit)
{
    word[static_cast<int>(bit >> 5)] |= 1u << (bit & 31);
}

inline bool TestBit(const OccupancyWord& word, std::uint32_t bit)
{
    return (word[static_cast<int>(bit >> 5)] >> (bit & 31) & 1u) != 0;
}

inline bool IsEmpty(const OccupancyWord& word)
{
    return (word.x | word.y | word.z | word.w) == 0;
}

// Set bits of a 64-bit value, without relying on a population-count instruction (the
// build targets every x86-64, where std::popcount becomes a library call).
constexpr int CountBits64(std::uint64_t v)
{
    v = v - (v >> 1 & 0x5555555555555555u);
    v = (v & 0x3333333333333333u) + (v >> 2 & 0x3333333333333333u);
    return static_cast<int>(((v + (v >> 4)) & 0x0F0F0F0F0F0F0F0Fu) * 0x0101010101010101u >> 56);
}

// The word's bits 0-63 (components 0 and 1) and 64-127 (components 2 and 3).
inline std::uint64_t LowHalf(const OccupancyWord& word)
{
    return word.x | static_cast<std::uint64_t>(word.y) << 32;
}
inline std::uint64_t HighHalf(const OccupancyWord& word)
{
    return word.z | static_cast<std::uint64_t>(word.w) << 32;
}

inline int CountBits(const OccupancyWord& word)
{
    return CountBits64(LowHalf(word)) + CountBits64(HighHalf(word));
}

// Set bits of the word below bit `bit`: the rank of that bit among the set ones. Without
// a branch on the bit: splatting asks this for every particle, at bits all over the word.
inline int CountBitsBelow(const OccupancyWord& word, std::uint32_t bit)
{
    const std::uint64_t below = (std::uint64_t {1} << (bit & 63)) - 1;
    const bool high = bit >= 64;
    const std::uint64_t lowMask = high ? ~std::uint64_t {0} : below;
    const std::uint64_t highMask = high ? below : 0;
    return CountBits64(LowHalf(word) & lowMask) + CountBits64(HighHalf(word) & highMask);
}

// Calls visit(bit) for every set bit of the word in increasing bit order.
template <class Visit>
inline void ForEachSetBit(const OccupancyWord& word, Visit&& visit)
{
    for (std::uint32_t k = 0; k < 4; ++k) {
        for (unsigned bits = word[static_cast<int>(k)]; bits != 0; bits &= bits - 1) {
            visit(k * 32 + static_cast<std::uint32_t>(std::countr_zero(bits)));
        }
    }
}

}  // namespace OccupancyPacking

// The word grid of one brick size.
struct OccupancyGrid {
    std::uint32_t brickSize = 0;
    std::uint32_t words[3] = {0, 0, 0};  // along x, y, z at level 0

    explicit constexpr OccupancyGrid(std::uint32_t size)
        : brickSize(size),
          words {size >> OccupancyPacking::Shifts[0], size >> OccupancyPacking::Shifts[1],
                 size >> OccupancyPacking::Shifts[2]}
    {
    }

    // Levels of a brick with attribute data: one per bit of the size from the eighth on
    // (S = 64 has 4: 16 x 16 x 8 down to 2 x 2 x 1 words); none below size 4.
    static constexpr std::uint32_t MipLevelCount(std::uint32_t size)
    {
        const auto bits = static_cast<std::uint32_t>(std::bit_width(size));
        return bits < 3 ? 0 : bits - 3;
    }

    constexpr std::size_t WordCount(std::uint32_t level = 0) const
    {
        return static_cast<std::size_t>(words[0] >> level) * (words[1] >> level) *
               (words[2] >> level);
    }

    // The level-0 word of the voxel (x, y, z) of the brick.
    constexpr std::size_t WordIndex(std::uint32_t x, std::uint32_t y, std::uint32_t z) const
    {
        return (static_cast<std::size_t>(z >> OccupancyPacking::Shifts[2]) * words[1] +
                (y >> OccupancyPacking::Shifts[1])) *
                   words[0] +
               (x >> OccupancyPacking::Shifts[0]);
    }

    // The brick voxel of bit `bit` of level-0 word `word`.
    constexpr void Voxel(std::size_t word, std::uint32_t bit, std::uint32_t voxel[3]) const
    {
        using namespace OccupancyPacking;
        voxel[0] = static_cast<std::uint32_t>(word % words[0]) * Dimensions[0] +
                   (bit & (Dimensions[0] - 1));
        voxel[1] = static_cast<std::uint32_t>(word / words[0] % words[1]) * Dimensions[1] +
                   (bit >> Shifts[0] & (Dimensions[1] - 1));
        voxel[2] = static_cast<std::uint32_t>(word / (static_cast<std::size_t>(words[0]) * words[1])) *
                       Dimensions[2] +
                   (bit >> (Shifts[0] + Shifts[1]));
    }
};
