#pragma once
// Measurements of the last timestep build, recorded per build by the volume's recorder.

#include "tarnwick/core/Variants.h"

#include <cstdint>

struct ParticleVolumeStatistics {
    // Binds the collection's items to the fields.
    ParticleVolumeStatistics();
    ParticleVolumeStatistics(const ParticleVolumeStatistics&) = delete;
    ParticleVolumeStatistics& operator=(const ParticleVolumeStatistics&) = delete;

    double readingTime = 0.0;
    double insertionTime = 0.0;
    // Never measured; kept for the column.
    double overlapCopyTime = 0.0;
    double sortTime = 0.0;
    double octreeTime = 0.0;
    std::int64_t particleCount = 0;
    // Always 0; kept for the column.
    std::int64_t overlapParticleCount = 0;
    // The seven values above, bound to these fields.
    qz::core::VariantCollection collection;
};
