#pragma once

#include <cstdint>

// Sums over the bricks of one timestep.
struct TimestepAnalysis {
    std::uint64_t occupiedVoxels = 0;
    std::uint64_t residentOccupiedVoxels = 0;
    // Not filled by the analysis.
    std::uint64_t foamVoxels = 0;
    std::uint64_t residentFoamVoxels = 0;
    // Estimated bytes of the level-0 occupancy data.
    std::uint64_t memory = 0;
    // Bricks with occupancy data.
    std::uint32_t brickCount = 0;
    // Level-0 words of resident bricks.
    std::uint32_t residentWordCount = 0;
};
