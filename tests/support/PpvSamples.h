#pragma once
// Bricks and files for the .ppv tests, the fuzz seeds and the benchmark: occupancy words
// from a seeded generator and, for the attribute kinds, offsets and values laid out as
// the splat lays them out (offset of each non-empty word, one value per set bit, an even
// count).

#include "src/ProcessedParticleVolume.h"
#include "tarnwick/core/SimpleVec4.h"

#include <bit>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace qz::test {

using PpvWord = qz::core::SimpleVec4<unsigned int>;
using PpvBrick = ProcessedBrick<PpvWord>;
using PpvWriter = ProcessedParticleVolumeWriter<PpvWord>;
using PpvReader = ProcessedParticleVolumeReader<PpvWord>;

enum class PpvKind { None, VMag, ColorCount };

// Attribute offsets and values that follow the brick's set bits; `seed` picks the values.
inline void AddAttributes(PpvBrick& brick, std::uint32_t seed)
{
    std::mt19937 random(seed);
    brick.attributeOffsets.assign(brick.words.size(), 0);
    brick.attributeValues.clear();
    for (std::size_t w = 0; w < brick.words.size(); ++w) {
        const PpvWord& word = brick.words[w];
        const int bits = std::popcount(word.x) + std::popcount(word.y) + std::popcount(word.z) + std::popcount(word.w);
        if (bits == 0) continue;
        brick.attributeOffsets[w] = static_cast<std::uint32_t>(brick.attributeValues.size());
        for (int b = 0; b < bits; ++b) brick.attributeValues.push_back(static_cast<std::uint16_t>(random()));
    }
    if (brick.attributeValues.size() % 2) brick.attributeValues.push_back(0);
}

// A brick of edge `brickSize` in which about `density` of the voxels are set, in clumps
// as particle data makes them (runs of full and empty words).
inline PpvBrick MakeBrick(std::uint32_t brickSize, std::uint32_t level, std::uint32_t x, std::uint32_t y,
                          std::uint32_t z, PpvKind kind, std::uint32_t seed, double density = 0.2)
{
    PpvBrick brick;
    brick.level = level;
    brick.position[0] = x;
    brick.position[1] = y;
    brick.position[2] = z;
    brick.totalParticleCount = 1000u + seed;
    brick.words.resize(PpvLayout::WordCount(brickSize));
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (PpvWord& word : brick.words) {
        if (unit(random) >= density) continue;
        for (int c = 0; c < 4; ++c) word[c] = unit(random) < 0.5 ? 0xFFFFFFFFu : static_cast<unsigned>(random());
    }
    if (kind != PpvKind::None) AddAttributes(brick, seed * 7 + 1);
    return brick;
}

// A file of these bricks with levels 6, overlap 4, the given brick size and box
// (0, 0, 0) - (2, 1, 1).
inline void WritePpvFile(const std::string& path, std::uint32_t brickSize, const std::vector<PpvBrick>& bricks,
                         std::uint32_t levels = 6, std::uint32_t overlap = 4)
{
    const float box[6] = {0, 0, 0, 2, 1, 1};
    PpvWriter writer(path, levels, brickSize, overlap, box);
    std::vector<ProcessedBrickView<PpvWord>> views;
    for (const PpvBrick& brick : bricks) views.push_back(ProcessedBrickView<PpvWord>::Of(brick));
    writer.WriteBricks(views);
    writer.Close();
}

inline bool SameBrick(const PpvBrick& a, const PpvBrick& b)
{
    return a.level == b.level && a.position[0] == b.position[0] && a.position[1] == b.position[1] &&
           a.position[2] == b.position[2] && a.totalParticleCount == b.totalParticleCount && a.words == b.words &&
           a.attributeOffsets == b.attributeOffsets && a.attributeValues == b.attributeValues;
}

}  // namespace qz::test
